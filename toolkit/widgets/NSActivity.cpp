#include "toolkit/widgets/NSActivity.h"

#include "engine/2d/ActionInterval.h"
#include "engine/2d/Label.h"
#include "engine/2d/Sprite.h"
#include "engine/base/Director.h"
#include "engine/ui/Button.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/ToolkitGlobals.h"

using namespace cocos2d;

namespace NSUI {

namespace {
constexpr int kActivityZOrder = 10500;
constexpr float kSpinSeconds = 2.0f;
}  // namespace

NSActivity* NSActivity::show(Node* parent) {
    NSActivity* shown = getSharedActivity();
    if (shown != nullptr && shown->getParent() == nullptr) {
        // Its screen was torn down under it: it could never be seen again.
        removeSharedActivity();
        shown = nullptr;
    }
    if (shown != nullptr) {
        return shown;
    }
    if (parent == nullptr) {
        return nullptr;
    }
    auto* activity = new NSActivity();
    if (!activity->init()) {
        delete activity;
        return nullptr;
    }
    setSharedActivityRemover(&NSActivity::removeSharedActivity);
    setSharedActivity(activity);
    parent->addChild(activity);
    return activity;
}

void NSActivity::hideActivity() {
    removeSharedActivity();
}

void NSActivity::removeSharedActivity() {
    NSActivity* activity = getSharedActivity();
    if (activity == nullptr) {
        return;
    }
    setSharedActivity(nullptr);
    NSNotificationCenter::getInstance()->removeObserver(activity);
    if (Node* spinner = activity->getChildByTag(kSpinnerTag)) {
        spinner->stopAllActions();
    }
    activity->stopAllActions();
    activity->removeAllChildrenWithCleanup(true);
    activity->removeFromParent();
    activity->release();
}

bool NSActivity::init() {
    if (!ui::Layout::init()) {
        return false;
    }
    message.clear();
    textColor = Color4B::BLUE;
    setContentSize(Director::getInstance()->getVisibleSize());
    setAnchorPoint(Vec2::ZERO);
    setPosition(Vec2::ZERO);
    enableBKColor(true, Color3B::WHITE, 0.7f);
    setName("activity");
    setLocalZOrder(kActivityZOrder);
    setTouchEnabled(true);
    NSNotificationCenter* center = NSNotificationCenter::getInstance();
    const auto forward = [this](Ref* sender, unsigned key, NSNotificationData* data) {
        onNotification(sender, key, data);
    };
    center->addObserver(this, nullptr, forward, NOTIFY_ACTIVITY_PROGRESS);
    center->addObserver(this, nullptr, forward, NOTIFY_ACTIVITY_TEXT);
    addSpinner();
    return true;
}

void NSActivity::addSpinner() {
    Sprite* spinner = Sprite::create("UIRes/rotation.png");
    if (spinner == nullptr) {
        return;
    }
    const Size& size = getContentSize();
    spinner->setAnchorPoint(Vec2::ANCHOR_MIDDLE);
    spinner->setPosition(Vec2(size.width / 2, size.height / 2));
    spinner->setTag(kSpinnerTag);
    spinner->runAction(RepeatForever::create(RotateBy::create(kSpinSeconds, 360.0f)));
    addChild(spinner);
}

Label* NSActivity::makeLabel(int tag, float fontSize, const Vec2& position) {
    Label* label = Label::createWithSystemFont("", "", fontSize, Size::ZERO, TextHAlignment::LEFT,
                                               TextVAlignment::TOP);
    if (label == nullptr) {
        return nullptr;
    }
    label->setTag(tag);
    label->setPosition(position);
    label->setTextColor(textColor);
    addChild(label);
    return label;
}

void NSActivity::setMessage(const std::string& text) {
    message = text;
    auto* label = dynamic_cast<Label*>(getChildByTag(kMessageTag));
    if (label == nullptr) {
        const Size& size = getContentSize();
        label = makeLabel(kMessageTag, 40.0f, Vec2(size.width / 2, size.height / 2 + 100));
    }
    if (label != nullptr) {
        label->setString(text);
    }
}

void NSActivity::addActionButton(const std::string& title, const Color3B& color) {
    ui::Button* button = ui::Button::create();
    button->setTitleText(title);
    button->setTitleColor(color);
    button->setTitleFontSize(25.0f);
    const Size& size = getContentSize();
    button->setPosition(Vec2(size.width / 2, size.height / 2 - 150));
    button->addClickEventListener([this](Ref*) {
        NSNotificationCenter::getInstance()->postNotification(this, NOTIFY_ACTIVITY_CANCEL, nullptr,
                                                              nullptr, true);
    });
    addChild(button, getLocalZOrder() + 1);
}

void NSActivity::onNotification(Ref* /*sender*/, unsigned key, NSNotificationData* data) {
    if (data == nullptr) {
        return;
    }
    if (key == NOTIFY_ACTIVITY_TEXT) {
        setMessage(data->stringValue);
    } else if (key == NOTIFY_ACTIVITY_PROGRESS) {
        auto* label = dynamic_cast<Label*>(getChildByTag(kProgressTag));
        if (label == nullptr) {
            const Size& size = getContentSize();
            label = makeLabel(kProgressTag, 30.0f, Vec2(size.width / 2, size.height / 2));
        }
        if (label != nullptr) {
            label->setString(std::to_string(data->intValue));
        }
    }
}

}  // namespace NSUI
