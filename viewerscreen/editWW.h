#pragma once

#include <limits>
#include <string>

#include "engine/2d/Node.h"
#include "engine/2d/Scene.h"
#include "engine/base/Macros.h"
#include "toolkit/core/NSNotificationKey.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/widgets/NSTextField.h"
#include "toolkit/widgets/UIControlBase.h"
#include "toolkit/widgets/UIControlGenerater.h"

namespace NSUI {
class NSResponseWindow;
}

// The window/level entry: the window as width and level or as its lowest and highest value,
// kept in step while typing. Confirming (the return key or "btn_back") checks the numbers and
// posts them as NOTIFY_WW_APPLY carrying the opener's key; there is no cancel, so the entry
// closes only with valid numbers: a width above 0 and a level, neither empty, and, once the
// opener gave the series' value range, a width of at most twice that range and a level inside it.
// Main thread only.
class editWW : public cocos2d::Node,
               public NSUI::UIControlGenerater,
               public NSUI::UILocalConfig,
               public NSUI::UIControlBase,
               public NSUI::UIJson,
               public NSUI::NSNotificationKey {
public:
    CREATE_FUNC(editWW);

    // The desktop form: a response window holding a ready entry, for the caller to add.
    static NSUI::NSResponseWindow* createWindow();

    bool onResponseReturn() override;
    void cleanup() override;
    bool init() override;

    // Makes the four fields beside the label widgets of the layout.
    void buildFields();
    // Fills all four fields from a width and a level, as whole numbers.
    void setValues(float width, float level);
    // The lowest and highest value the series' pixels can hold; unbounded until given.
    void setValueRange(float lowest, float highest);
    // Checks the fields and posts the window; false (with a message) when they are refused.
    bool apply();

    void onBackClicked(cocos2d::Ref* sender);
    void onTextEvent(cocos2d::Ref* field, NSUI::NSTextField::EventType event);

    // The field of a name ("editWW", "editWL", "editMin", "editMax"); null when missing.
    NSUI::NSTextField* getField(const std::string& name) const;
    // The node loaded from "editWW.csb"; null when the file is missing.
    cocos2d::Node* getLayout() const { return layout; }

protected:
    editWW() = default;
    ~editWW() override;

private:
    float readField(const char* name) const;
    // Whether the field holds a whole number text (not empty, not a lone sign or point).
    bool holdsNumber(const char* name) const;
    void writeField(const char* name, const std::string& text);

    cocos2d::Node* layout = nullptr;
    double rangeLowest = -std::numeric_limits<double>::infinity();
    double rangeHighest = std::numeric_limits<double>::infinity();
};

// The phone form of the entry: a scene of its own under the shared title bar.
class editWWScene : public cocos2d::Scene {
public:
    static editWWScene* create();

    bool onResponseReturn() override;

protected:
    editWWScene() = default;
};
