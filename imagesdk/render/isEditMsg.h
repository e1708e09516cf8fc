#pragma once

#include <string>

#include "engine/base/Macros.h"
#include "engine/math/Geometry.h"
#include "engine/ui/EditBoxDelegate.h"
#include "imagesdk/render/isNodeObject.h"
#include "toolkit/widgets/NSLayout.h"

namespace NSUI {
class NSTextField;
}  // namespace NSUI

namespace isImageSDK {

// The small pop-up in which the user types the text of a label annotation. Built from the
// layout "textEdit.csb", whose button "ok" confirms and whose placeholder "edit" is replaced by
// an editable field. Confirming a non-empty text posts it (NOTIFY_LABEL_TEXT_DONE) to the
// pop-up's group; confirming closes the pop-up in any case. A field that grows by a line grows
// the pop-up with it. Main thread only.
class isEditMsg : public NSUI::NSLayout, public cocos2d::ui::EditBoxDelegate, public isNodeObject {
public:
    static constexpr const char* kLayoutFile = "textEdit.csb";
    // A parent narrower than this is too small to hold the pop-up: it goes one level up.
    static constexpr float kMinHostWidth = 400.0f;

    CREATE_FUNC(isEditMsg);

    bool init() override;
    // Removes the observers.
    void cleanup() override;

    // Loads the layout and puts the editable field in the place of the placeholder. Without the
    // layout file the pop-up stays empty; without the placeholder it has no field.
    void buildLayout();
    // Posts a non-empty text to the group, then closes the pop-up.
    void finish();
    void editBoxReturn(cocos2d::ui::EditBox* editBox) override;

    // The node that holds the pop-up for a label whose parent is `parent`: the parent, or its
    // parent when it is narrower than kMinHostWidth, once more when that is still too narrow;
    // the climb stops at the last node that has a parent.
    static cocos2d::Node* findHost(cocos2d::Node* parent);
    // Opens a pop-up over the top centre of `host` that edits `text` and posts the result to
    // `group`; while `host` holds one for `group`, that one. Null when the pop-up cannot be
    // made.
    static isEditMsg* openOn(cocos2d::Node* host, void* group, const std::string& text);

    void setGroup(void* group) { this->group = group; }
    void* getGroup() const { return group; }
    NSUI::NSTextField* getEditField() const { return editField; }
    cocos2d::Node* getRoot() const { return root; }

protected:
    isEditMsg() = default;

    void onFieldEvent(int event);

    int initialFieldHeight = 0;
    cocos2d::Size layoutSize;
    cocos2d::Node* root = nullptr;
    NSUI::NSTextField* editField = nullptr;
    void* group = nullptr;
};

}  // namespace isImageSDK
