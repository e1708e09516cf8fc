#include "toolkit/widgets/NSSpriteView.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LoopbackHttpServer.h"
#include "engine/2d/Scene.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/base/EventDispatcher.h"
#include "engine/base/InputRouter.h"
#include "engine/ui/ImageView.h"
#include "tests/support/lib/FramePump.h"
#include "tests/support/lib/TempDir.h"
#include "tests/support/lib/WidgetFixtures.h"
#include "toolkit/widgets/NSInteractorImage.h"

namespace {

using cocos2d::Director;
using cocos2d::EventMouse;
using cocos2d::EventTouch;
using cocos2d::Touch;
using cocos2d::Vec2;
using Button = cocos2d::EventMouse::MouseButton;
using NSUI::NSInteractorBase;
using NSUI::NSSpriteView;

// A 960 x 640 window whose running scene holds a 200 x 100 sprite view at (100, 100).
class NSSpriteViewTest : public bvtest::RunningSceneTest {
protected:
    void SetUp() override {
        RunningSceneTest::SetUp();
        _view = NSSpriteView::create();
        _view->setPosition(Vec2(100.0f, 100.0f));
        _view->setContentSize(cocos2d::Size(200.0f, 100.0f));
        scene->addChild(_view);
        frame(0.0f);
    }

    cocos2d::ui::ImageView* picture() const { return _view->getImageView(); }

    // One mouse event at a GL point coming from `previous`; true when something consumed it.
    static bool mouse(EventMouse::MouseEventType type, Vec2 at, Vec2 previous,
                      Button button = Button::BUTTON_UNSET, float scrollY = 0.0f) {
        EventMouse event(type);
        event.setCursorPosition(previous.x, previous.y);
        event.setCursorPosition(at.x, at.y);
        event.setMouseButton(button);
        event.setScrollData(0.0f, scrollY);
        Director::getInstance()->getEventDispatcher()->dispatchEvent(&event);
        return event.isStopped();
    }
    static bool wheel(float scrollY) {
        const Vec2 at(200.0f, 150.0f);
        return mouse(EventMouse::MouseEventType::MOUSE_SCROLL, at, at, Button::BUTTON_UNSET,
                     scrollY);
    }

    // Touches through the event dispatcher; points in GL coordinates.
    static void touches(EventTouch::EventCode code, const std::vector<Touch*>& list) {
        EventTouch event;
        event.setEventCode(code);
        event.setTouches(list);
        Director::getInstance()->getEventDispatcher()->dispatchEvent(&event);
    }

    bvtest::TempDir _dir;
    NSSpriteView* _view = nullptr;
};

TEST_F(NSSpriteViewTest, PictureIsCentredAndFittedKeepingItsAspect) {
    EXPECT_EQ(_view->getImagePath(), "");
    const std::string path = (_dir / "wide.png").string();
    ASSERT_TRUE(bvtest::writeSolidPng(path, 400, 100, cocos2d::Color4B(0, 0, 255, 255)));
    _view->setImage(path);
    EXPECT_EQ(_view->getImagePath(), path);
    EXPECT_EQ(picture()->getPosition(), Vec2(100.0f, 50.0f));
    ASSERT_TRUE(bvtest::runFramesUntil([&] { return picture()->getTextureFile() == path; }));
    // 400 x 100 into 200 x 100: the width decides.
    EXPECT_FLOAT_EQ(picture()->getScale(), 0.5f);
}

TEST_F(NSSpriteViewTest, MissingFileShowsThePlaceholderAtItsOwnSize) {
    picture()->setScale(3.0f);
    picture()->setPosition(Vec2(7.0f, 7.0f));
    _view->setImage((_dir / "absent.png").string());
    EXPECT_EQ(_view->getImagePath(), "UIRes/noPicture.png");
    EXPECT_FLOAT_EQ(picture()->getScale(), 1.0f);
    EXPECT_EQ(picture()->getPosition(), Vec2(100.0f, 50.0f));
    ASSERT_TRUE(bvtest::runFramesUntil([&] { return !picture()->getTextureFile().empty(); }));
    EXPECT_NE(picture()->getTextureFile().find("UIRes/noPicture.png"), std::string::npos);
    EXPECT_FLOAT_EQ(picture()->getScale(), 1.0f);
    EXPECT_GT(picture()->getVirtualRendererSize().width, 0.0f);
}

TEST_F(NSSpriteViewTest, WheelZoomsWithoutBoundsAndAlwaysConsumes) {
    struct Case {
        float start;
        float scrollY;
        float expected;
    };
    const Case cases[] = {
        {1.0f, -1.0f, 1.1f},   {1.0f, 1.0f, 0.9f},    {1.0f, 0.0f, 1.0f},
        {20.0f, -3.0f, 22.0f}, {0.05f, 2.0f, 0.045f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.start) + " scroll " + std::to_string(c.scrollY));
        picture()->setScale(c.start);
        EXPECT_TRUE(wheel(c.scrollY));
        EXPECT_FLOAT_EQ(picture()->getScale(), c.expected);
    }
}

TEST_F(NSSpriteViewTest, RightDragZoomsOnVerticalMovesWithinTheBounds) {
    struct Case {
        float start;
        Vec2 step;
        float expected;
    };
    const Case cases[] = {
        {1.0f, {0.0f, 10.0f}, 1.05f},   {1.0f, {0.0f, -10.0f}, 0.95f},
        {1.0f, {10.0f, 5.0f}, 1.0f},    {1.0f, {5.0f, -5.0f}, 1.0f},
        {10.2f, {0.0f, 10.0f}, 10.2f},  {10.2f, {0.0f, -10.0f}, 9.69f},
        {0.09f, {0.0f, -10.0f}, 0.09f}, {0.09f, {0.0f, 10.0f}, 0.0945f},
        {9.8f, {0.0f, 10.0f}, 10.29f},
    };
    const Vec2 from(200.0f, 130.0f);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.start) + " step " + std::to_string(c.step.x) + "," +
                     std::to_string(c.step.y));
        picture()->setScale(c.start);
        EXPECT_TRUE(
            mouse(EventMouse::MouseEventType::MOUSE_DOWN, from, from, Button::BUTTON_RIGHT));
        EXPECT_TRUE(mouse(EventMouse::MouseEventType::MOUSE_MOVE, from + c.step, from));
        EXPECT_FALSE(mouse(EventMouse::MouseEventType::MOUSE_UP, from + c.step, from + c.step,
                           Button::BUTTON_RIGHT));
        EXPECT_FLOAT_EQ(picture()->getScale(), c.expected);
    }
}

TEST_F(NSSpriteViewTest, LeftDragThroughTheWindowPansByExactlyTheMouseStep) {
    // The window's left button is also touch 0, so both the mouse and the touch path see it.
    cocos2d::InputRouter router;
    const Vec2 start = picture()->getPosition();
    router.mouseDown(200.0f, 500.0f, Button::BUTTON_LEFT);
    router.mouseMove(212.0f, 495.0f);
    router.mouseMove(230.0f, 480.0f);
    EXPECT_TRUE(NSInteractorBase::isCapturing());
    EXPECT_EQ(picture()->getPosition(), start + Vec2(30.0f, 20.0f));
    router.mouseUp(230.0f, 480.0f, Button::BUTTON_LEFT);
    EXPECT_FALSE(NSInteractorBase::isCapturing());

    // A mouse-only drag (no touch) pans just the same.
    const Vec2 at(150.0f, 150.0f);
    EXPECT_TRUE(mouse(EventMouse::MouseEventType::MOUSE_DOWN, at, at, Button::BUTTON_LEFT));
    EXPECT_TRUE(mouse(EventMouse::MouseEventType::MOUSE_MOVE, at + Vec2(-4.0f, 6.0f), at));
    EXPECT_EQ(picture()->getPosition(), start + Vec2(26.0f, 26.0f));
    EXPECT_FALSE(mouse(EventMouse::MouseEventType::MOUSE_UP, at, at, Button::BUTTON_LEFT));

    // Without a button a move is not consumed and pans nothing.
    EXPECT_FALSE(mouse(EventMouse::MouseEventType::MOUSE_MOVE, at + Vec2(9.0f, 9.0f), at));
    EXPECT_EQ(picture()->getPosition(), start + Vec2(26.0f, 26.0f));
}

TEST_F(NSSpriteViewTest, MouseIsIgnoredWhileTouchIsDisabled) {
    _view->setTouchEnabled(false);
    const Vec2 at(150.0f, 150.0f);
    EXPECT_FALSE(wheel(-1.0f));
    EXPECT_FALSE(mouse(EventMouse::MouseEventType::MOUSE_DOWN, at, at, Button::BUTTON_LEFT));
    EXPECT_FALSE(mouse(EventMouse::MouseEventType::MOUSE_MOVE, at + Vec2(5.0f, 0.0f), at));
    EXPECT_FLOAT_EQ(picture()->getScale(), 1.0f);
    EXPECT_EQ(picture()->getPosition(), Vec2::ZERO);
}

TEST_F(NSSpriteViewTest, TouchesAreIgnoredWhileTouchIsDisabled) {
    // As the menus use their icon views: a drag across the row must not move the icon.
    _view->setTouchEnabled(false);
    cocos2d::InputRouter router;
    router.mouseDown(200.0f, 500.0f, Button::BUTTON_LEFT);
    router.mouseMove(230.0f, 480.0f);
    EXPECT_FALSE(NSInteractorBase::isCapturing());
    router.mouseUp(230.0f, 480.0f, Button::BUTTON_LEFT);
    touches(EventTouch::EventCode::BEGAN, {finger(0, {180.0f, 150.0f})});
    touches(EventTouch::EventCode::BEGAN, {finger(1, {220.0f, 150.0f})});
    touches(EventTouch::EventCode::MOVED,
            {finger(0, {160.0f, 150.0f}), finger(1, {240.0f, 160.0f})});
    touches(EventTouch::EventCode::ENDED,
            {finger(0, {160.0f, 150.0f}), finger(1, {240.0f, 160.0f})});
    EXPECT_FALSE(NSInteractorBase::isCapturing());
    EXPECT_FLOAT_EQ(picture()->getScale(), 1.0f);
    EXPECT_EQ(picture()->getPosition(), Vec2::ZERO);
}

TEST_F(NSSpriteViewTest, PinchZoomsWithinTheBoundsAndTwoFingersPan) {
    struct Case {
        float start;
        float spread;  // final finger distance over the starting 40 points
        float expected;
    };
    const Case cases[] = {
        {1.0f, 2.0f, 2.0f},   {1.0f, 0.5f, 0.5f},   {10.5f, 2.0f, 10.5f},
        {10.5f, 0.5f, 5.25f}, {0.09f, 0.5f, 0.09f}, {0.09f, 2.0f, 0.18f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.start) + " x" + std::to_string(c.spread));
        picture()->setScale(c.start);
        picture()->setPosition(Vec2::ZERO);
        touches(EventTouch::EventCode::BEGAN, {finger(0, {180.0f, 150.0f})});
        touches(EventTouch::EventCode::BEGAN, {finger(1, {220.0f, 150.0f})});
        const float half = 20.0f * c.spread;
        // Spread about the same centre, then both fingers up by 8.
        touches(EventTouch::EventCode::MOVED,
                {finger(0, {200.0f - half, 150.0f}), finger(1, {200.0f + half, 150.0f})});
        touches(EventTouch::EventCode::MOVED,
                {finger(0, {200.0f - half, 158.0f}), finger(1, {200.0f + half, 158.0f})});
        touches(EventTouch::EventCode::ENDED,
                {finger(0, {200.0f - half, 158.0f}), finger(1, {200.0f + half, 158.0f})});
        EXPECT_NEAR(picture()->getScale(), c.expected, 1e-5f);
        EXPECT_EQ(picture()->getPosition(), Vec2(0.0f, 8.0f));
        EXPECT_FALSE(NSInteractorBase::isCapturing());
    }
}

// Counts its own destruction.
class CountedView : public NSSpriteView {
public:
    static CountedView* create(int* destroyed) {
        auto* view = new CountedView();
        view->init();
        view->autorelease();
        view->_destroyed = destroyed;
        return view;
    }
    ~CountedView() override { ++*_destroyed; }

private:
    int* _destroyed = nullptr;
};

TEST_F(NSSpriteViewTest, ViewsDroppedWithoutCleanupAreFreed) {
    int destroyed = 0;
    CountedView::create(&destroyed);
    cocos2d::Node* panel = cocos2d::Node::create();
    panel->addChild(CountedView::create(&destroyed));
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
    EXPECT_EQ(destroyed, 2);

    // Their touch listeners went with them.
    touches(EventTouch::EventCode::BEGAN, {finger(0, {150.0f, 150.0f})});
    EXPECT_EQ(NSInteractorBase::getCaptureOwner(), _view->getInteractor());
    touches(EventTouch::EventCode::ENDED, {finger(0, {150.0f, 150.0f})});
}

TEST_F(NSSpriteViewTest, RemovalWithCleanupEndsTouchHandlingAndFreesTheCapture) {
    touches(EventTouch::EventCode::BEGAN, {finger(0, {150.0f, 150.0f})});
    ASSERT_TRUE(NSInteractorBase::isCapturing());
    _view->retain();
    _view->removeFromParentAndCleanup(true);
    EXPECT_FALSE(NSInteractorBase::isCapturing());
    EXPECT_EQ(_view->getInteractor(), nullptr);
    const Vec2 before = picture()->getPosition();
    touches(EventTouch::EventCode::MOVED, {finger(0, {170.0f, 150.0f})});
    EXPECT_EQ(picture()->getPosition(), before);
    _view->release();
}

}  // namespace
