#include "toolkit/widgets/NSActivity.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/2d/Label.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/ui/Button.h"
#include "tests/support/lib/WidgetFixtures.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/ToolkitGlobals.h"

using namespace cocos2d;
using NSUI::NSActivity;
using NSUI::NSNotificationCenter;
using NSUI::NSNotificationData;

namespace {

class NSActivityTest : public bvtest::RunningSceneTest {
protected:
    void SetUp() override {
        RunningSceneTest::SetUp();
        center = NSNotificationCenter::getInstance();
        // Past the start-up delay of the delivery pass: from here on one pass per frame.
        frame(0.0f);
        frame(0.5f);
    }

    void TearDown() override {
        NSActivity::hideActivity();
        for (NSActivity* activity : kept) {
            activity->release();
        }
        NSNotificationCenter::destroyInstance();
        RunningSceneTest::TearDown();
    }

    static void frame(float dt = 1.0f / 60.0f) { RunningSceneTest::frame(dt); }

    // Keeps the indicator alive past its removal, to look at it afterwards.
    NSActivity* keep(NSActivity* activity) {
        activity->retain();
        kept.push_back(activity);
        return activity;
    }

    void postInt(int key, int value) { center->postInt(nullptr, key, value, nullptr, false); }
    void postText(const std::string& text) {
        center->postString(nullptr, NSUI::NOTIFY_ACTIVITY_TEXT, text, nullptr, false);
    }

    static std::string labelText(Node* activity, int tag) {
        auto* label = dynamic_cast<Label*>(activity->getChildByTag(tag));
        return label == nullptr ? "<none>" : label->getString();
    }

    NSNotificationCenter* center = nullptr;
    std::vector<NSActivity*> kept;
};

TEST_F(NSActivityTest, ShownIndicatorCoversTheWindowAndSpins) {
    NSActivity* activity = NSActivity::show(scene);
    ASSERT_NE(activity, nullptr);
    EXPECT_EQ(NSUI::getSharedActivity(), activity);
    EXPECT_EQ(activity->getParent(), scene);
    EXPECT_EQ(activity->getName(), "activity");
    EXPECT_EQ(activity->getLocalZOrder(), 10500);
    EXPECT_EQ(activity->getContentSize(), Size(kWidth, kHeight));
    EXPECT_EQ(activity->getPosition(), Vec2::ZERO);
    EXPECT_EQ(activity->getAnchorPoint(), Vec2::ZERO);
    EXPECT_TRUE(activity->isTouchEnabled());
    EXPECT_EQ(activity->textColor, Color4B::BLUE);
    EXPECT_TRUE(activity->message.empty());
    ASSERT_NE(activity->getBackGroundColorRenderer(), nullptr);
    EXPECT_EQ(activity->getBackGroundColor(), Color3B::WHITE);
    EXPECT_NEAR(activity->getBackGroundColorOpacity(), 0.7f * 255, 1.0f);

    Node* spinner = activity->getChildByTag(NSActivity::kSpinnerTag);
    ASSERT_NE(spinner, nullptr);
    EXPECT_EQ(spinner->getPosition(), Vec2(kWidth / 2, kHeight / 2));
    // The first frame starts the rotation; a quarter of its 2 s period is a quarter turn.
    frame(0.0f);
    frame(0.5f);
    EXPECT_NEAR(spinner->getRotation(), 90.0f, 1.0f);
    frame(2.0f);
    EXPECT_EQ(spinner->getNumberOfRunningActions(), 1);
}

TEST_F(NSActivityTest, SecondShowReturnsTheSameIndicatorUnderItsFirstParent) {
    Node* otherParent = Node::create();
    scene->addChild(otherParent);
    NSActivity* first = NSActivity::show(scene);
    first->setMessage("busy");
    NSActivity* second = NSActivity::show(otherParent);
    EXPECT_EQ(second, first);
    EXPECT_EQ(second->getParent(), scene);
    EXPECT_EQ(otherParent->getChildrenCount(), 0);
    EXPECT_EQ(second->message, "busy");

    keep(first);
    NSActivity::hideActivity();
    EXPECT_EQ(NSUI::getSharedActivity(), nullptr);
    EXPECT_EQ(first->getParent(), nullptr);
    EXPECT_EQ(first->getChildrenCount(), 0);
    EXPECT_EQ(scene->getChildByName("activity"), nullptr);

    NSActivity* third = NSActivity::show(otherParent);
    EXPECT_NE(third, first);
    EXPECT_EQ(third->getParent(), otherParent);
    EXPECT_TRUE(third->message.empty());
}

TEST_F(NSActivityTest, HideWithoutIndicatorDoesNothing) {
    const ssize_t children = scene->getChildrenCount();
    NSActivity::hideActivity();
    NSActivity::removeSharedActivity();
    EXPECT_EQ(NSUI::getSharedActivity(), nullptr);
    EXPECT_EQ(scene->getChildrenCount(), children);
    EXPECT_EQ(NSActivity::show(nullptr), nullptr);
    EXPECT_EQ(NSUI::getSharedActivity(), nullptr);
}

TEST_F(NSActivityTest, IndicatorWhoseParentWentAwayIsReplaced) {
    Node* screen = Node::create();
    scene->addChild(screen);
    frame();
    NSActivity* orphan = keep(NSActivity::show(screen));
    scene->removeChild(screen);
    EXPECT_EQ(orphan->getParent(), nullptr);

    NSActivity* replacement = NSActivity::show(scene);
    EXPECT_NE(replacement, orphan);
    EXPECT_EQ(replacement->getParent(), scene);
    postText("still here");
    frame();
    EXPECT_EQ(labelText(replacement, NSActivity::kMessageTag), "still here");
    EXPECT_EQ(orphan->getChildrenCount(), 0);
}

TEST_F(NSActivityTest, ProgressPostsReplaceTheNumberInOneLabel) {
    NSActivity* activity = NSActivity::show(scene);
    // A post without data carries no number.
    center->postNotification(nullptr, NSUI::NOTIFY_ACTIVITY_PROGRESS, nullptr, nullptr, false);
    center->postNotification(nullptr, NSUI::NOTIFY_ACTIVITY_TEXT, nullptr, nullptr, false);
    frame();
    frame();
    EXPECT_EQ(activity->getChildByTag(NSActivity::kProgressTag), nullptr);
    EXPECT_EQ(activity->getChildByTag(NSActivity::kMessageTag), nullptr);

    postInt(NSUI::NOTIFY_ACTIVITY_PROGRESS, 42);
    frame();
    auto* label = dynamic_cast<Label*>(activity->getChildByTag(NSActivity::kProgressTag));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->getString(), "42");
    EXPECT_EQ(label->getPosition(), Vec2(kWidth / 2, kHeight / 2));
    EXPECT_EQ(label->getSystemFontSize(), 30.0f);
    EXPECT_EQ(label->getTextColor(), Color4B::BLUE);

    for (int value : {7, -3, 100}) {
        postInt(NSUI::NOTIFY_ACTIVITY_PROGRESS, value);
        frame();
        EXPECT_EQ(activity->getChildByTag(NSActivity::kProgressTag), label);
        EXPECT_EQ(label->getString(), std::to_string(value));
    }
    int progressLabels = 0;
    for (Node* child : activity->getChildren()) {
        progressLabels += child->getTag() == NSActivity::kProgressTag ? 1 : 0;
    }
    EXPECT_EQ(progressLabels, 1);
    EXPECT_EQ(labelText(activity, NSActivity::kMessageTag), "<none>");
}

TEST_F(NSActivityTest, TextPostsCreateTheMessageLabelThenChangeIt) {
    NSActivity* activity = NSActivity::show(scene);
    activity->textColor = Color4B::WHITE;
    postText("Loading");
    frame();
    auto* label = dynamic_cast<Label*>(activity->getChildByTag(NSActivity::kMessageTag));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->getString(), "Loading");
    EXPECT_EQ(activity->message, "Loading");
    EXPECT_EQ(label->getPosition(), Vec2(kWidth / 2, kHeight / 2 + 100));
    EXPECT_EQ(label->getSystemFontSize(), 40.0f);
    EXPECT_EQ(label->getTextColor(), Color4B::WHITE);

    activity->setMessage("Packing");
    EXPECT_EQ(label->getString(), "Packing");
    postText("");
    frame();
    EXPECT_EQ(activity->getChildByTag(NSActivity::kMessageTag), label);
    EXPECT_EQ(label->getString(), "");
    EXPECT_EQ(activity->message, "");
}

TEST_F(NSActivityTest, AfterHidePostsReachNobody) {
    NSActivity* activity = keep(NSActivity::show(scene));
    // Queued before the hide, delivered after it.
    postInt(NSUI::NOTIFY_ACTIVITY_PROGRESS, 5);
    NSActivity::hideActivity();
    postInt(NSUI::NOTIFY_ACTIVITY_PROGRESS, 6);
    postText("late");
    for (int i = 0; i < 4; ++i) {
        frame();
    }
    EXPECT_EQ(activity->getChildrenCount(), 0);
    EXPECT_TRUE(activity->message.empty());
}

TEST_F(NSActivityTest, ActionButtonReachesUngroupedObserversAtTheNextFrame) {
    NSActivity* activity = NSActivity::show(scene);
    activity->addActionButton("Cancel", Color3B(21, 170, 254));
    ui::Button* button = nullptr;
    for (Node* child : activity->getChildren()) {
        if (auto* found = dynamic_cast<ui::Button*>(child)) {
            button = found;
        }
    }
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->getTitleText(), "Cancel");
    EXPECT_EQ(button->getTitleColor(), Color3B(21, 170, 254));
    EXPECT_EQ(button->getTitleFontSize(), 25.0f);
    EXPECT_EQ(button->getLocalZOrder(), 10501);
    EXPECT_EQ(button->getPosition(), Vec2(kWidth / 2, kHeight / 2 - 150));

    int group = 0;
    std::vector<Ref*> ungrouped;
    int grouped = 0;
    center->addObserver(
        this, nullptr,
        [&](Ref* sender, unsigned, NSNotificationData*) { ungrouped.push_back(sender); },
        NSUI::NOTIFY_ACTIVITY_CANCEL);
    center->addObserver(
        &group, &group, [&](Ref*, unsigned, NSNotificationData*) { ++grouped; },
        NSUI::NOTIFY_ACTIVITY_CANCEL);
    frame();

    tap(kWidth / 2, kHeight / 2 - 150);
    EXPECT_TRUE(ungrouped.empty());
    frame();
    ASSERT_EQ(ungrouped.size(), 1u);
    EXPECT_EQ(ungrouped[0], activity);
    frame();
    EXPECT_EQ(ungrouped.size(), 1u);
    EXPECT_EQ(grouped, 0);
    center->removeObserver(this);
    center->removeObserver(&group);
}

TEST_F(NSActivityTest, IndicatorSwallowsTouchesMeantForTheScreenBelow) {
    ui::Button* below = ui::Button::create();
    below->setTitleText("below");
    below->setPosition(Vec2(100, 100));
    int clicks = 0;
    below->addClickEventListener([&](Ref*) { ++clicks; });
    scene->addChild(below);
    frame();
    tap(100, 100);
    ASSERT_EQ(clicks, 1);

    NSActivity::show(scene);
    frame();
    tap(100, 100);
    EXPECT_EQ(clicks, 1);
    NSActivity::hideActivity();
    tap(100, 100);
    EXPECT_EQ(clicks, 2);
}

TEST_F(NSActivityTest, ToolkitShutdownRemovesTheIndicator) {
    NSActivity* activity = keep(NSActivity::show(scene));
    NSUI::purgeToolkitSingletons();
    EXPECT_EQ(NSUI::getSharedActivity(), nullptr);
    EXPECT_EQ(activity->getParent(), nullptr);
}

}  // namespace
