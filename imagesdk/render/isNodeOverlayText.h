#pragma once

#include <string>

#include "engine/base/Macros.h"
#include "imagesdk/render/isNodeObject.h"
#include "imagesdk/render/isNodeOverlay.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/widgets/NSText.h"
#include "toolkit/widgets/UIControlBase.h"

namespace NSUI {
class NSNotificationData;
}  // namespace NSUI

namespace isImageSDK {

// One line of a window's corner overlay: prefix + value + suffix. Bound to one of the overlay
// keys (pick position, window/level, slice position, orientation, slice text, line value, load
// percentage) it rewrites its value from each post of that key in its group, the render window;
// bound to any other id it is filled by its owner through setValue. Touched while bound to the
// window/level key it asks the window for the window/level input (NOTIFY_EDIT_WW_OPEN).
// Main thread only.
class isNodeOverlayText : public NSUI::NSText,
                          public NSUI::UIControlBase,
                          public isNodeOverlay,
                          public isNodeObject,
                          public NSUI::UIJson {
public:
    CREATE_FUNC(isNodeOverlayText);

    // The text shown; the JSON routines are reached as NSUI::UIJson's.
    using cocos2d::ui::Text::getString;
    using cocos2d::ui::Text::setString;

    bool init() override;
    // Removes the observers and the binding.
    void cleanup() override;
    void reset();

    // The posts of `group` the text follows, and the node above which a touchable text stays.
    void setGroup(cocos2d::Node* group) { this->group = group; }
    cocos2d::Node* getGroup() const { return group; }

    // Binds the text to `id` (it observes the overlay keys among them) and shows
    // prefix + value + suffix.
    void bindNotification(const std::string& value, const std::string& prefix,
                          const std::string& suffix, unsigned id, bool touch);
    void setValue(const std::string& value);

    const std::string& getPrefix() const { return prefix; }
    const std::string& getSuffix() const { return suffix; }
    const std::string& getBoundValue() const { return value; }
    bool isTouch() const { return touch != 0; }

    bool onTouchBegan(cocos2d::Touch* touch, cocos2d::Event* event) override;

protected:
    isNodeOverlayText() = default;

    void onNotification(unsigned key, NSUI::NSNotificationData* data);
    void showText(const std::string& text);

    std::string prefix;
    std::string suffix;
    std::string value;
    unsigned char touch = 0;
    cocos2d::Node* group = nullptr;
};

}  // namespace isImageSDK
