#pragma once

#include <string>

#include "engine/base/Types.h"
#include "engine/ui/Layout.h"

namespace cocos2d {
class Label;
}

namespace NSUI {

class NSNotificationData;

// The shared busy indicator: a translucent full-window layer that swallows input, with a
// spinner, an optional message, an optional progress number and an optional action button.
// At most one is shown at a time. Workers feed it through the notification centre:
// NOTIFY_ACTIVITY_PROGRESS sets the progress number, NOTIFY_ACTIVITY_TEXT the message; its action
// button posts NOTIFY_ACTIVITY_CANCEL.
class NSActivity : public cocos2d::ui::Layout {
public:
    // The shown indicator, unchanged and under its first parent; else a new one added to
    // `parent` (none without a parent). An indicator whose parent has gone is replaced.
    static NSActivity* show(cocos2d::Node* parent);
    // Removes the shown indicator; nothing when none is shown.
    static void hideActivity();
    // The removal step of hideActivity.
    static void removeSharedActivity();

    bool init() override;

    void setMessage(const std::string& text);
    // A button below the centre whose click posts NOTIFY_ACTIVITY_CANCEL (no data, no group, next
    // pass).
    void addActionButton(const std::string& title, const cocos2d::Color3B& color);

    virtual void onNotification(cocos2d::Ref* sender, unsigned key, NSNotificationData* data);

    cocos2d::Color4B textColor = cocos2d::Color4B::BLUE;
    std::string message;

    static constexpr int kSpinnerTag = 1001;
    static constexpr int kProgressTag = 100;
    static constexpr int kMessageTag = 101;

protected:
    NSActivity() = default;

private:
    void addSpinner();
    cocos2d::Label* makeLabel(int tag, float fontSize, const cocos2d::Vec2& position);
};

}  // namespace NSUI
