#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/base/Event.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isInteractorImage.h"
#include "imagesdk/render/isRenderWindow.h"
#include "tests/imagesdk/NotificationRecorder.h"
#include "tests/imagesdk/render/InteractorFixture.h"

using cocos2d::EventMouse;
using isImageSDK::isInteractorBase;
using isImageSDK::isInteractorImage;
using isImageSDK::isRenderWindow;

namespace {

// Render windows in a running scene, each with its own image interactor, driven through the
// engine's input path: the left mouse button is touch 0.
class InteractorWindowTest : public imagesdktest::InteractorFixture {
protected:
    isRenderWindow* addRenderWindow(float x, float y) {
        isRenderWindow* window = isRenderWindow::create();
        window->setPosition(cocos2d::Vec2(x, y));
        window->setContentSize(cocos2d::Size(300.0f, 200.0f));
        scene->addChild(window);
        window->setInteractor(isInteractorImage::create());
        return window;
    }
    // GL points; the router takes window points from the top.
    void press(float x, float y) { router.mouseDown(x, kHeight - y, kLeft); }
    void drag(float x, float y) { router.mouseMove(x, kHeight - y); }
    void release(float x, float y) { router.mouseUp(x, kHeight - y, kLeft); }

    static constexpr EventMouse::MouseButton kLeft = EventMouse::MouseButton::BUTTON_LEFT;
};

TEST_F(InteractorWindowTest, AMouseDragThroughTheWindowPansStepByStepAndReportsItsTotal) {
    isRenderWindow* window = addRenderWindow(100.0f, 50.0f);
    frame(0.0f);
    imagesdktest::NotificationRecorder steps(isImageSDK::NOTIFY_SYNC_POSITION, window);
    imagesdktest::NotificationRecorder total(isImageSDK::NOTIFY_SYNC_PAN, window);
    imagesdktest::NotificationRecorder activated(isImageSDK::NOTIFY_VIEW_ACTIVATED, window);

    press(200.0f, 150.0f);
    wait(20);
    drag(210.0f, 140.0f);
    wait(20);
    drag(230.0f, 145.0f);
    release(230.0f, 145.0f);
    steps.drain();

    ASSERT_EQ(steps.received.size(), 2u);
    EXPECT_EQ(steps.received[0].text, R"({"x":"-10.0000","y":"-10.0000"})");
    EXPECT_EQ(steps.received[1].text, R"({"x":"-20.0000","y":"5.0000"})");
    EXPECT_EQ(steps.received[0].sender, window->getInteractor());
    ASSERT_EQ(total.received.size(), 1u);
    EXPECT_EQ(total.received[0].text, R"({"x":"-30.0000","y":"-5.0000"})");
    EXPECT_EQ(activated.received.size(), 1u);
    EXPECT_FALSE(isInteractorBase::isGestureActive());
}

TEST_F(InteractorWindowTest, AWindowRemovedMidGestureFreesTheGestureForTheOthers) {
    isRenderWindow* first = addRenderWindow(50.0f, 50.0f);
    isRenderWindow* second = addRenderWindow(500.0f, 50.0f);
    frame(0.0f);
    imagesdktest::NotificationRecorder activated(isImageSDK::NOTIFY_VIEW_ACTIVATED, second);

    press(100.0f, 100.0f);
    EXPECT_EQ(isInteractorBase::getGestureOwner(), first->getInteractor());
    // The first window goes away under the pressed button; its release never comes.
    first->removeFromParent();
    EXPECT_FALSE(isInteractorBase::isGestureActive());

    wait(1000);
    router.mouseUp(100.0f, kHeight - 100.0f, kLeft);
    press(600.0f, 100.0f);
    EXPECT_EQ(isInteractorBase::getGestureOwner(), second->getInteractor());
    release(600.0f, 100.0f);
    activated.drain();
    EXPECT_EQ(activated.received.size(), 1u);
}

}  // namespace
