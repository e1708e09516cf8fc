#include "toolkit/widgets/NSResponseWindow.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/base/EventDispatcher.h"
#include "engine/base/EventListener.h"
#include "tests/support/lib/WidgetFixtures.h"

using namespace cocos2d;
using NSUI::NSResponseWindow;

namespace {

// A running scene whose lowest node claims every touch that nothing above it took.
class NSResponseWindowTest : public bvtest::RunningSceneTest {
protected:
    void SetUp() override {
        RunningSceneTest::SetUp();
        Node* below = Node::create();
        scene->addChild(below, -1);
        auto* listener = EventListenerTouchOneByOne::create();
        listener->onTouchBegan = [this](Touch* touch, Event*) {
            belowTouched.push_back(touch->getLocation());
            return true;
        };
        Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(
            listener, below);
    }

    std::vector<Vec2> belowTouched;
};

TEST_F(NSResponseWindowTest, WindowIsWindowSizedModalAndKeepsItsCreationSize) {
    NSResponseWindow* window = NSResponseWindow::create();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->getContentSize(), Size(kWidth, kHeight));
    EXPECT_EQ(window->getLocalZOrder(), 10000);
    EXPECT_TRUE(window->isTouchEnabled());
    EXPECT_EQ(window->getTouchMode(), Touch::DispatchMode::ONE_BY_ONE);
    EXPECT_TRUE(window->isSwallowsTouches());

    Director::getInstance()->setWinSize(Size(1200.0f, 900.0f));
    EXPECT_EQ(window->getContentSize(), Size(kWidth, kHeight));
}

TEST_F(NSResponseWindowTest, ClaimsTouchesStrictlyInsideAndPassesEdgesBelow) {
    const struct {
        Vec2 windowPosition;
        Vec2 point;
        bool claimed;
    } cases[] = {
        {Vec2::ZERO, {480.0f, 320.0f}, true},
        {Vec2::ZERO, {0.5f, 0.5f}, true},
        {Vec2::ZERO, {0.0f, 320.0f}, false},
        {Vec2::ZERO, {480.0f, 0.0f}, false},
        {Vec2::ZERO, {kWidth, 320.0f}, false},
        {Vec2::ZERO, {480.0f, kHeight}, false},
        {Vec2::ZERO, {0.0f, 0.0f}, false},
        // Node space, not window space.
        {Vec2(100.0f, 50.0f), {100.0f, 320.0f}, false},
        {Vec2(100.0f, 50.0f), {480.0f, 50.0f}, false},
        {Vec2(100.0f, 50.0f), {100.5f, 50.5f}, true},
        {Vec2(-100.0f, 0.0f), {kWidth - 100.0f, 320.0f}, false},
        {Vec2(-100.0f, 0.0f), {kWidth - 101.0f, 320.0f}, true},
    };
    for (const auto& c : cases) {
        NSResponseWindow* window = NSResponseWindow::create();
        window->setAnchorPoint(Vec2::ANCHOR_BOTTOM_LEFT);
        window->setPosition(c.windowPosition);
        scene->addChild(window);
        belowTouched.clear();
        tap(c.point.x, c.point.y);
        EXPECT_EQ(belowTouched.empty(), c.claimed)
            << "window at " << c.windowPosition.x << "," << c.windowPosition.y << ", touch at "
            << c.point.x << "," << c.point.y;
        window->removeFromParent();
    }
}

TEST_F(NSResponseWindowTest, ClosedWindowNoLongerTakesTouches) {
    NSResponseWindow* window = NSResponseWindow::create();
    Node* form = Node::create();
    window->addChild(form);
    scene->addChild(window);
    tap(300.0f, 300.0f);
    EXPECT_TRUE(belowTouched.empty());
    window->removeFromParent();
    tap(300.0f, 300.0f);
    EXPECT_EQ(belowTouched.size(), 1u);
}

}  // namespace
