#include "toolkit/widgets/UIScrollViewBase.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/2d/Sprite.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/base/EventDispatcher.h"
#include "engine/base/EventListener.h"
#include "engine/base/InputRouter.h"
#include "engine/ui/Text.h"

using namespace cocos2d;
using NSUI::UIScrollViewBase;

namespace {

constexpr float kWinHeight = 640.0f;
// Every view of these tests is 200 x 100 with its bottom-left corner at (100, 100).
const Size kViewSize(200.0f, 100.0f);
const Vec2 kViewOrigin(100.0f, 100.0f);

class UIScrollViewBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        Director::getInstance()->setWinSize(Size(960.0f, kWinHeight));
        scene = Scene::create();
        Director::getInstance()->runWithScene(scene);
        frame(0.0f);
    }

    void TearDown() override {
        Director::getInstance()->purgeDirector();
        PoolManager::getInstance()->getCurrentPool()->clear();
    }

    static void frame(float dt) { Director::getInstance()->mainLoop(dt); }
    static void frames(int count, float dt) {
        for (int i = 0; i < count; ++i) {
            frame(dt);
        }
    }

    // A view on the scene whose listener logs into `events`; the log starts empty.
    UIScrollViewBase* makeView(int direction, const Size& inner, Node* parent = nullptr) {
        UIScrollViewBase* view = UIScrollViewBase::create();
        view->setDirection(direction);
        view->setContentSize(kViewSize);
        view->setPosition(kViewOrigin);
        view->setInnerContainerSize(inner);
        view->addEventListener([this](Ref* sender, int event) {
            EXPECT_NE(sender, nullptr);
            events.push_back(event);
        });
        (parent != nullptr ? parent : scene)->addChild(view);
        events.clear();
        return view;
    }

    static Vec2 containerAt(UIScrollViewBase* view) {
        return view->getInnerContainer()->getPosition();
    }

    // GL coordinates of the window.
    void press(float x, float y) {
        router.mouseDown(x, kWinHeight - y, EventMouse::MouseButton::BUTTON_LEFT);
    }
    void drag(float x, float y) { router.mouseMove(x, kWinHeight - y); }
    void release(float x, float y) {
        router.mouseUp(x, kWinHeight - y, EventMouse::MouseButton::BUTTON_LEFT);
    }
    // `wheelY` as the window system reports it: positive turns away from the user.
    void wheel(float x, float y, float wheelY) {
        router.mouseScroll(x, kWinHeight - y, 0.0f, wheelY);
    }

    Scene* scene = nullptr;
    InputRouter router;
    std::vector<int> events;
};

enum : int { kTop = 0, kBottom = 1, kLeft = 2, kRight = 3, kScroll = 4 };

}  // namespace

TEST_F(UIScrollViewBaseTest, ViewSizeShowsTheTopOfTheContentAndNeverShrinksTheContainer) {
    UIScrollViewBase* view = UIScrollViewBase::create();
    EXPECT_EQ(view->getDescription(), "ScrollView");
    EXPECT_EQ(view->getDirection(), NSUI::scrollVertical);
    EXPECT_TRUE(view->isClippingEnabled());
    EXPECT_TRUE(view->isTouchEnabled());
    EXPECT_FALSE(view->getInnerContainer()->isTouchEnabled());

    view->setInnerContainerSize(Size(50.0f, 700.0f));
    view->setContentSize(kViewSize);
    EXPECT_EQ(view->getInnerContainer()->getContentSize(), Size(200.0f, 700.0f));
    EXPECT_EQ(containerAt(view), Vec2(0.0f, -600.0f));

    // Smaller than the view: the view size.
    view->setInnerContainerSize(Size(10.0f, 10.0f));
    EXPECT_EQ(view->getInnerContainer()->getContentSize(), kViewSize);
    EXPECT_EQ(containerAt(view), Vec2::ZERO);
}

TEST_F(UIScrollViewBaseTest, GrowingTheContainerKeepsItsTopEdgeInPlace) {
    UIScrollViewBase* view = makeView(NSUI::scrollVertical, Size(200.0f, 400.0f));
    EXPECT_EQ(containerAt(view), Vec2(0.0f, -300.0f));
    view->jumpToDestination(Vec2(0.0f, -100.0f));
    const float topBefore = view->getInnerContainer()->getTopBoundary();
    view->setInnerContainerSize(Size(200.0f, 500.0f));
    EXPECT_FLOAT_EQ(view->getInnerContainer()->getTopBoundary(), topBefore);
    EXPECT_EQ(containerAt(view), Vec2(0.0f, -200.0f));
    // Shrinking below the scrolled position pulls the content back to the view's bottom edge.
    view->setInnerContainerSize(Size(200.0f, 150.0f));
    EXPECT_EQ(containerAt(view), Vec2::ZERO);
}

TEST_F(UIScrollViewBaseTest, StepsStopAtTheEdgesTheyMoveTowardsAndReportThemAfterScrolling) {
    struct Case {
        const char* name;
        int direction;
        Size inner;
        Vec2 start;
        Vec2 step;
        Vec2 expected;
        std::vector<int> events;
        bool whole;
    } cases[] = {
        {"vertical within range", 1, {200, 400}, {0, -300}, {0, 50}, {0, -250}, {kScroll}, true},
        {"vertical past bottom",
         1,
         {200, 400},
         {0, -300},
         {0, 400},
         {0, 0},
         {kScroll, kBottom},
         false},
        {"vertical past top",
         1,
         {200, 400},
         {0, -100},
         {0, -250},
         {0, -300},
         {kScroll, kTop},
         false},
        {"vertical ignores x", 1, {600, 400}, {0, -300}, {-30, 10}, {0, -290}, {kScroll}, true},
        {"fitting content up", 1, {200, 100}, {0, 0}, {0, 5}, {0, 0}, {kScroll, kBottom}, false},
        {"fitting content down", 1, {200, 100}, {0, 0}, {0, -5}, {0, 0}, {kScroll, kTop}, false},
        {"fitting content still",
         1,
         {200, 100},
         {0, 0},
         {0, 0},
         {0, 0},
         {kScroll, kBottom, kTop},
         false},
        {"horizontal within", 2, {600, 100}, {-100, 0}, {-50, 0}, {-150, 0}, {kScroll}, true},
        {"horizontal past right",
         2,
         {600, 100},
         {-100, 0},
         {-1000, 0},
         {-400, 0},
         {kScroll, kRight},
         false},
        {"horizontal past left",
         2,
         {600, 100},
         {-100, 0},
         {150, 0},
         {0, 0},
         {kScroll, kLeft},
         false},
        {"both past right and bottom",
         3,
         {600, 400},
         {-100, -100},
         {-1000, 1000},
         {-400, 0},
         {kScroll, kRight, kBottom},
         false},
        {"both past left and top",
         3,
         {600, 400},
         {-100, -100},
         {500, -500},
         {0, -300},
         {kScroll, kLeft, kTop},
         false},
        {"both, x only", 3, {600, 400}, {-100, -100}, {20, 0}, {-80, -100}, {kScroll}, true},
        {"unknown direction", 0, {600, 400}, {0, -300}, {20, 20}, {0, -300}, {kScroll}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UIScrollViewBase* view = makeView(c.direction, c.inner);
        view->getInnerContainer()->setPosition(c.start);
        EXPECT_EQ(view->scrollChildren(c.step.x, c.step.y), c.whole);
        EXPECT_EQ(containerAt(view), c.expected);
        EXPECT_EQ(events, c.events);
    }
}

TEST_F(UIScrollViewBaseTest, JumpsLimitOnlyCoordinatesAtOrBelowZero) {
    struct Case {
        int direction;
        Vec2 destination;
        Vec2 expected;
    } cases[] = {
        {1, {0, 50}, {0, 50}},         {1, {0, -10000}, {0, -300}},
        {1, {-900, -10}, {-900, -10}}, {2, {-10000, -50}, {-400, -50}},
        {2, {30, 0}, {30, 0}},         {3, {-10000, -10000}, {-400, -300}},
    };
    for (const Case& c : cases) {
        UIScrollViewBase* view = makeView(c.direction, Size(600.0f, 400.0f));
        view->jumpToDestination(c.destination);
        EXPECT_EQ(containerAt(view), c.expected)
            << "direction " << c.direction << " to " << c.destination.x << "," << c.destination.y;
    }
    UIScrollViewBase* view = makeView(NSUI::scrollVertical, Size(200.0f, 400.0f));
    view->jumpToBottom();
    EXPECT_EQ(containerAt(view), Vec2::ZERO);
    EXPECT_TRUE(events.empty());
}

TEST_F(UIScrollViewBaseTest, DragMovesTheContainerAndLocksOneAxisViewsToTheFirstAxisMoved) {
    UIScrollViewBase* view = makeView(NSUI::scrollVertical, Size(200.0f, 400.0f));
    press(200.0f, 150.0f);
    drag(200.0f, 160.0f);
    drag(240.0f, 200.0f);
    EXPECT_EQ(containerAt(view), Vec2(0.0f, -250.0f));
    release(240.0f, 200.0f);

    // Mostly sideways first: the vertical part of the whole drag is ignored.
    view->jumpToDestination(Vec2(0.0f, -300.0f));
    press(200.0f, 150.0f);
    drag(210.0f, 151.0f);
    drag(215.0f, 190.0f);
    drag(220.0f, 120.0f);
    EXPECT_EQ(containerAt(view), Vec2(0.0f, -300.0f));
    release(220.0f, 120.0f);

    // Less than 1.5 points leaves the axis open; the container follows both moves.
    press(200.0f, 150.0f);
    drag(201.0f, 151.0f);
    drag(201.0f, 171.0f);
    EXPECT_EQ(containerAt(view), Vec2(0.0f, -279.0f));
    release(201.0f, 171.0f);

    UIScrollViewBase* wide = makeView(NSUI::scrollHorizontal, Size(600.0f, 100.0f));
    wide->setPosition(Vec2(400.0f, 300.0f));
    press(500.0f, 350.0f);
    drag(480.0f, 352.0f);
    drag(450.0f, 390.0f);
    EXPECT_EQ(containerAt(wide), Vec2(-50.0f, 0.0f));
    release(450.0f, 390.0f);
}

TEST_F(UIScrollViewBaseTest, DragPastTheEndReportsScrollingBeforeTheEdge) {
    UIScrollViewBase* view = makeView(NSUI::scrollVertical, Size(200.0f, 400.0f));
    press(200.0f, 110.0f);
    drag(200.0f, 130.0f);
    drag(200.0f, 180.0f);
    EXPECT_EQ(events, (std::vector<int>{kScroll, kScroll}));
    events.clear();
    drag(200.0f, 190.0f);  // 10 more with the container at -230: within range
    drag(200.0f, 50.0f);   // 140 down from -220: past the top
    EXPECT_EQ(events, (std::vector<int>{kScroll, kScroll, kTop}));
    EXPECT_EQ(containerAt(view), Vec2(0.0f, -300.0f));
    release(200.0f, 150.0f);
}

TEST_F(UIScrollViewBaseTest, FlickStartsAGlideBoundedBySpeedAndEdges) {
    struct Case {
        const char* name;
        int framesHeld;  // frames of 0.05 s between press and release
        float dragDistance;
        bool inertia;
        bool glides;
        float glideDistance;  // beyond the drag, with 0.01 s frames
    } cases[] = {
        // 30 points in 0.1 s: 300 points per second, 0.3 s, 300² / 2000 = 45 points.
        {"slow flick", 2, 30.0f, true, true, 45.0f},
        // 300 points in 0.1 s: capped at 1000 points per second, at most 500 points.
        {"fast flick", 2, 300.0f, true, true, 500.0f},
        {"released at once", 0, 30.0f, true, false, 0.0f},
        {"inertia off", 2, 30.0f, false, false, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UIScrollViewBase* view = makeView(NSUI::scrollVertical, Size(200.0f, 5000.0f));
        view->setPosition(Vec2(100.0f, 100.0f));
        view->setContentSize(Size(200.0f, 400.0f));
        view->inertiaEnabled = c.inertia;
        const float start = containerAt(view).y;
        press(200.0f, 120.0f);
        frames(c.framesHeld, 0.05f);
        drag(200.0f, 120.0f + c.dragDistance);
        release(200.0f, 120.0f + c.dragDistance);
        EXPECT_EQ(view->isAutoScrolling(), c.glides);
        const float released = containerAt(view).y;
        EXPECT_FLOAT_EQ(released - start, c.dragDistance);
        frames(110, 0.01f);
        EXPECT_FALSE(view->isAutoScrolling());
        const float glided = containerAt(view).y - released;
        EXPECT_LE(glided, c.glideDistance + 0.1f);
        EXPECT_GE(glided, c.glideDistance * 0.97f);
        view->removeFromParent();
    }
}

TEST_F(UIScrollViewBaseTest, GlideStopsAtTheEdgeItReaches) {
    UIScrollViewBase* view = makeView(NSUI::scrollVertical, Size(200.0f, 400.0f));
    view->jumpToDestination(Vec2(0.0f, -60.0f));
    press(200.0f, 120.0f);
    frames(2, 0.05f);
    drag(200.0f, 170.0f);
    release(200.0f, 170.0f);
    ASSERT_TRUE(view->isAutoScrolling());
    events.clear();
    frames(30, 0.01f);
    EXPECT_FALSE(view->isAutoScrolling());
    EXPECT_EQ(containerAt(view), Vec2::ZERO);
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events.back(), kBottom);
    EXPECT_EQ(events[events.size() - 2], kScroll);

    // A new press stops a glide at once.
    view->jumpToDestination(Vec2(0.0f, -300.0f));
    press(200.0f, 120.0f);
    frames(2, 0.05f);
    drag(200.0f, 150.0f);
    release(200.0f, 150.0f);
    frame(0.01f);
    ASSERT_TRUE(view->isAutoScrolling());
    press(200.0f, 150.0f);
    EXPECT_FALSE(view->isAutoScrolling());
    const Vec2 held = containerAt(view);
    frames(10, 0.01f);
    EXPECT_EQ(containerAt(view), held);
    release(200.0f, 150.0f);
}

TEST_F(UIScrollViewBaseTest, WheelScrollsAlongTheViewsAxisOnlyWhenOverTheVisibleView) {
    struct Case {
        const char* name;
        int direction;
        Vec2 point;
        float wheelY;
        Vec2 moved;
    } cases[] = {
        {"vertical", 1, {200, 150}, -2.0f, {0, 40}},
        {"vertical, turned away", 1, {200, 150}, 1.0f, {0, -20}},
        {"both moves along y", 3, {200, 150}, -1.0f, {0, 20}},
        {"horizontal moves along x", 2, {200, 150}, 1.0f, {-20, 0}},
        {"outside", 1, {200, 250}, -1.0f, {0, 0}},
        {"on the border", 1, {100, 150}, -1.0f, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UIScrollViewBase* view = makeView(c.direction, Size(600.0f, 400.0f));
        view->jumpToDestination(Vec2(-100.0f, -100.0f));
        wheel(c.point.x, c.point.y, c.wheelY);
        EXPECT_EQ(containerAt(view) - Vec2(-100.0f, -100.0f), c.moved);
        view->removeFromParent();
    }
}

TEST_F(UIScrollViewBaseTest, WheelInsideTheViewGoesNoFurtherAndHiddenOrUnseenViewsIgnoreIt) {
    int fallThrough = 0;
    auto* after = EventListenerMouse::create();
    after->onMouseScroll = [&fallThrough](EventMouse*) { ++fallThrough; };
    Director::getInstance()->getEventDispatcher()->addEventListenerWithFixedPriority(after, 1);

    Node* holder = Node::create();
    scene->addChild(holder);
    UIScrollViewBase* view = makeView(NSUI::scrollVertical, Size(200.0f, 400.0f), holder);
    view->jumpToDestination(Vec2(0.0f, -100.0f));
    wheel(200.0f, 150.0f, -1.0f);
    EXPECT_EQ(fallThrough, 0);
    EXPECT_EQ(containerAt(view), Vec2(0.0f, -80.0f));
    wheel(50.0f, 50.0f, -1.0f);
    EXPECT_EQ(fallThrough, 1);

    holder->setVisible(false);
    wheel(200.0f, 150.0f, -1.0f);
    EXPECT_EQ(containerAt(view), Vec2(0.0f, -80.0f));
    holder->setVisible(true);

    view->removeCameraMask(view->getCameraMask(), false);
    wheel(200.0f, 150.0f, -1.0f);
    EXPECT_EQ(containerAt(view), Vec2(0.0f, -80.0f));

    // Touch off takes the wheel away as well.
    view->setCameraMask(1, false);
    view->setTouchEnabled(false);
    wheel(200.0f, 150.0f, -1.0f);
    EXPECT_EQ(containerAt(view), Vec2(0.0f, -80.0f));
    Director::getInstance()->getEventDispatcher()->removeEventListener(after);
}

TEST_F(UIScrollViewBaseTest, ScrollBarShowsThePositionAndFadesOut) {
    UIScrollViewBase* view = makeView(NSUI::scrollVertical, Size(200.0f, 400.0f));
    view->setLocalZOrder(7);
    view->scrollChildren(0.0f, 0.0f);
    Sprite* bar = view->getScrollBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->getParent(), view);
    EXPECT_EQ(view->getChildrenCount(), 0);  // the bar is not content
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->getOpacity(), 255);
    EXPECT_EQ(bar->getLocalZOrder(), 107);
    // 100² / 400 = 25 points long, 5 wide, at the top while the top of the content shows.
    EXPECT_FLOAT_EQ(bar->getContentSize().height * bar->getScaleY(), 25.0f);
    EXPECT_FLOAT_EQ(bar->getContentSize().width * bar->getScaleX(), 5.0f);
    EXPECT_EQ(bar->getPosition(), Vec2(200.0f, 75.0f));

    frames(10, 0.1f);
    EXPECT_GT(bar->getOpacity(), 0);
    EXPECT_LT(bar->getOpacity(), 255);
    view->scrollChildren(0.0f, 150.0f);  // halfway
    EXPECT_EQ(bar->getOpacity(), 255);
    EXPECT_FLOAT_EQ(bar->getPositionY(), 37.5f);
    frames(21, 0.1f);
    EXPECT_EQ(bar->getOpacity(), 0);

    view->setInnerContainerSize(Size(200.0f, 100.0f));
    EXPECT_FALSE(bar->isVisible());
}

TEST_F(UIScrollViewBaseTest, ChildWidgetKeepsItsTouchUntilItTravelsFivePoints) {
    UIScrollViewBase* view = makeView(NSUI::scrollVertical, Size(200.0f, 400.0f));
    view->jumpToDestination(Vec2(0.0f, -150.0f));
    // A 100 x 40 button filling the view's middle: (150, 130) to (250, 170) on the window.
    ui::Widget* button = ui::Widget::create();
    button->ignoreContentAdaptWithSize(false);
    button->setContentSize(Size(100.0f, 40.0f));
    button->setAnchorPoint(Vec2::ZERO);
    button->setPosition(Vec2(50.0f, 180.0f));
    button->setTouchEnabled(true);
    int clicks = 0;
    button->addClickEventListener([&clicks](Ref*) { ++clicks; });
    view->addChild(button);

    press(200.0f, 150.0f);
    drag(200.0f, 153.0f);
    EXPECT_TRUE(button->isHighlighted());
    EXPECT_EQ(containerAt(view), Vec2(0.0f, -150.0f));
    drag(200.0f, 160.0f);
    EXPECT_FALSE(button->isHighlighted());
    EXPECT_EQ(containerAt(view), Vec2(0.0f, -143.0f));
    release(200.0f, 160.0f);
    EXPECT_EQ(clicks, 0);

    // A tap stays the button's: a click and no scrolling.
    const Vec2 before = containerAt(view);
    press(200.0f, 155.0f);
    drag(200.0f, 158.0f);
    release(200.0f, 158.0f);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(containerAt(view), before);

    // Afterwards the view's own touches scroll again (the take-over has ended).
    press(200.0f, 110.0f);
    drag(200.0f, 120.0f);
    drag(200.0f, 130.0f);
    EXPECT_EQ(containerAt(view), before + Vec2(0.0f, 20.0f));
    release(200.0f, 130.0f);
}

TEST_F(UIScrollViewBaseTest, CancelledTouchesEndLikeReleases) {
    UIScrollViewBase* view = makeView(NSUI::scrollVertical, Size(200.0f, 400.0f));
    press(200.0f, 120.0f);
    frames(2, 0.05f);
    drag(200.0f, 150.0f);
    router.cancelTouch();
    EXPECT_TRUE(view->isAutoScrolling());
    frames(50, 0.01f);
    EXPECT_FALSE(view->isAutoScrolling());

    // A cancelled touch of a child ends the take-over as well.
    ui::Widget* child = ui::Widget::create();
    child->ignoreContentAdaptWithSize(false);
    child->setContentSize(Size(200.0f, 400.0f));
    child->setAnchorPoint(Vec2::ZERO);
    child->setTouchEnabled(true);
    view->addChild(child);
    press(200.0f, 150.0f);
    router.cancelTouch();
    child->setTouchEnabled(false);
    const Vec2 before = containerAt(view);
    press(200.0f, 150.0f);
    drag(200.0f, 160.0f);
    EXPECT_EQ(containerAt(view), before + Vec2(0.0f, 10.0f));
    release(200.0f, 160.0f);
}

TEST_F(UIScrollViewBaseTest, ChildrenLiveInTheContainer) {
    UIScrollViewBase* view = makeView(NSUI::scrollVertical, Size(200.0f, 400.0f));
    ui::Layout* inner = view->getInnerContainer();
    Node* plain = Node::create();
    plain->setTag(5);
    plain->setLocalZOrder(3);
    view->addChild(plain);
    Node* second = Node::create();
    second->setTag(6);
    view->addChild(second, 9);
    Node* named = Node::create();
    view->addChild(named, 2, "named");
    Node* tagged = Node::create();
    view->addChild(tagged, 1, 77);

    for (Node* child : {plain, second, named, tagged}) {
        EXPECT_EQ(child->getParent(), inner);
    }
    EXPECT_EQ(plain->getLocalZOrder(), 3);
    EXPECT_EQ(second->getLocalZOrder(), 9);
    EXPECT_EQ(second->getTag(), 6);
    EXPECT_EQ(view->getChildByTag(77), tagged);
    EXPECT_EQ(view->getChildByName("named"), named);
    EXPECT_EQ(view->getChildrenCount(), 4);
    EXPECT_EQ(&view->getChildren(), &inner->getChildren());
    // Searches of the whole tree reach the content.
    EXPECT_EQ(scene->getChildByNameDeep("named"), named);
    EXPECT_EQ(scene->getChildByTagDeep(77), tagged);

    view->removeChild(plain);
    EXPECT_EQ(view->getChildrenCount(), 3);
    view->setLayoutType(ui::Layout::Type::VERTICAL);
    EXPECT_EQ(inner->getLayoutType(), ui::Layout::Type::VERTICAL);
    EXPECT_EQ(view->getLayoutType(), ui::Layout::Type::VERTICAL);
    view->removeAllChildren();
    EXPECT_EQ(inner->getChildrenCount(), 0);
    EXPECT_EQ(inner->getParent(), view);
}

TEST_F(UIScrollViewBaseTest, CloneCopiesTheScrollSettings) {
    UIScrollViewBase* view = makeView(NSUI::scrollBoth, Size(600.0f, 400.0f));
    view->inertiaEnabled = false;
    view->setLayoutType(ui::Layout::Type::VERTICAL);
    ui::Widget* child = ui::Widget::create();
    child->setName("row");
    view->addChild(child);
    auto* copy = dynamic_cast<UIScrollViewBase*>(view->clone());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->getDirection(), NSUI::scrollBoth);
    EXPECT_FALSE(copy->inertiaEnabled);
    EXPECT_EQ(copy->getContentSize(), kViewSize);
    EXPECT_EQ(copy->getInnerContainer()->getContentSize(), Size(600.0f, 400.0f));
    EXPECT_EQ(copy->getLayoutType(), ui::Layout::Type::VERTICAL);
    ASSERT_NE(copy->getChildByName("row"), nullptr);
    EXPECT_NE(copy->getChildByName("row"), child);
    EXPECT_EQ(copy->getChildByName("row")->getParent(), copy->getInnerContainer());
    copy->scrollChildren(0.0f, 10.0f);
    EXPECT_EQ(events, (std::vector<int>{kScroll}));
}

TEST_F(UIScrollViewBaseTest, ListenerMayCloseTheViewOrReplaceItselfWhileItRuns) {
    UIScrollViewBase* view = makeView(NSUI::scrollVertical, Size(200.0f, 400.0f));
    frame(0.0f);  // the scene's is now the only reference
    int replaced = 0;
    view->addEventListener([&](Ref*, int event) {
        events.push_back(event);
        view->addEventListener([&replaced](Ref*, int) { ++replaced; });
    });
    view->scrollChildren(0.0f, -10.0f);  // at the top: scrolling, then reachedTop to the new one
    EXPECT_EQ(events, (std::vector<int>{kScroll}));
    EXPECT_EQ(replaced, 1);

    // The listener takes the view off the scene.
    const ssize_t onScene = scene->getChildrenCount();
    bool closed = false;
    view->addEventListener([&closed](Ref* sender, int event) {
        if (event == kBottom && !closed) {
            closed = true;
            static_cast<Node*>(sender)->removeFromParent();
        }
    });
    EXPECT_FALSE(view->scrollChildren(0.0f, 1000.0f));
    EXPECT_TRUE(closed);
    EXPECT_EQ(scene->getChildrenCount(), onScene - 1);
}

TEST_F(UIScrollViewBaseTest, ListenerMayCloseTheViewDuringADragOrAGlide) {
    struct Case {
        const char* what;
        float dragTo;
        bool glide;
    };
    // A glide reaches the bottom edge some frames after the release; a long drag reaches it in
    // the move itself.
    for (const Case& c : {Case{"glide", 170.0f, true}, Case{"drag", 600.0f, false}}) {
        SCOPED_TRACE(c.what);
        UIScrollViewBase* view = makeView(NSUI::scrollVertical, Size(200.0f, 400.0f));
        view->jumpToDestination(Vec2(0.0f, -60.0f));
        frame(0.0f);  // the scene's is now the only reference
        bool closed = false;
        view->addEventListener([&closed](Ref* sender, int event) {
            if (event == kBottom && !closed) {
                closed = true;
                static_cast<Node*>(sender)->removeFromParent();
            }
        });
        const ssize_t onScene = scene->getChildrenCount();
        press(200.0f, 120.0f);
        frames(2, 0.05f);
        drag(200.0f, c.dragTo);
        EXPECT_NE(closed, c.glide);
        release(200.0f, c.dragTo);
        frames(30, 0.01f);
        EXPECT_TRUE(closed);
        EXPECT_EQ(scene->getChildrenCount(), onScene - 1);
    }
}
