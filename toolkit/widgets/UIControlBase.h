#pragma once

#include <string>

#include "engine/2d/Node.h"
#include "engine/ui/LayoutParameter.h"

namespace NSUI {

// Mixin of the toolkit's controls and of screens: a transient message (toast) over the running
// scene, and relative placement of the carrying widget. Main thread only.
class UIControlBase {
public:
    UIControlBase() = default;
    virtual ~UIControlBase() = default;

    // Shows `text` for `seconds` on the running scene's toast, made on the scene's first
    // message and reused afterwards (so every message of a scene replaces the one shown).
    // Null when there is no running scene or the toast cannot be built.
    cocos2d::Node* showMessage(const std::string& text, float seconds);

    // A new toast layout "messageBox" holding the text "messageBox.text", not attached.
    virtual cocos2d::Node* createMessageBox();

    // Gives the owner, when it is a widget, a relative layout parameter placing it against its
    // parent: `align` 1..9 (top left .. bottom right); other values change nothing.
    void setRelativeAlign(int align, const std::string& relativeName,
                          const cocos2d::ui::Margin& margin);

    // The node carrying the mixin, not retained; set by the carrier's init.
    cocos2d::Node* owner = nullptr;
};

// Carries the mixin for code that has none of its own.
class messageView : public cocos2d::Node, public UIControlBase {
public:
    static messageView* create();

protected:
    messageView() = default;
    ~messageView() override;
};

// Shows a toast from anywhere on the running scene, through a messageView kept as the scene's
// child "ns_fun_messageBox". Null when there is no running scene.
cocos2d::Node* showMessageBox(const std::string& text, float seconds);

}  // namespace NSUI

using NSUI::showMessageBox;
