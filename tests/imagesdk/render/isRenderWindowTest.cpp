#include "imagesdk/render/isRenderWindow.h"
#include "engine/base/Macros.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "WindowFixture.h"
#include "engine/2d/Scene.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/base/EventDispatcher.h"
#include "engine/base/EventListener.h"
#include "engine/base/RefPtr.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/render/isActorROI.h"
#include "tests/imagesdk/NotificationRecorder.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/UIJson.h"

using cocos2d::Vec2;
using cocos2d::Vec3;
using imagesdktest::NotificationRecorder;
using isImageSDK::isRenderWindow;
namespace keys = isImageSDK;

namespace {

// A window showing a plane at 2 mm per pixel, that logs the commands reaching its handler.
class PickWindow : public isRenderWindow {
public:
    CREATE_FUNC(PickWindow);
    bool pickPoint(const Vec2& point, Vec3& world) override {
        if (failPicksAbove >= 0 && point.y > failPicksAbove) {
            return false;
        }
        world = Vec3(point.x * 2.0f, point.y * 2.0f, 0.0f);
        return true;
    }
    void onNotification(int key, NSUI::NSNotificationData* data, cocos2d::Ref* sender) override {
        handled.push_back(key);
        isRenderWindow::onNotification(key, data, sender);
    }
    float failPicksAbove = -1.0f;
    std::vector<int> handled;
};

// Stands in for the browser or multi-viewer that links windows.
class Controller : public cocos2d::Ref {};

class RenderWindowTest : public rendertest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window = PickWindow::create();
        window->setContentSize(cocos2d::Size(400, 300));
        window->setPosition(Vec2(100, 100));
        scene->addChild(window);
        drain();
    }
    void TearDown() override {
        controller->release();
        WindowTest::TearDown();
    }

    NSUI::NSNotificationData* floatData(float value) {
        NSUI::NSNotificationData* data = NSUI::NSNotificationData::create();
        data->floatValue = value;
        return data;
    }
    NSUI::NSNotificationData* panData(float x, float y) {
        NSUI::NSNotificationData* data = NSUI::NSNotificationData::create();
        NSUI::UIJson::setString(data->stringValue, "x", std::to_string(x));
        NSUI::UIJson::setString(data->stringValue, "y", std::to_string(y));
        return data;
    }

    PickWindow* window = nullptr;
    Controller* controller = new Controller();
};

TEST_F(RenderWindowTest, CommandsApplyHereOrTravelThroughTheController) {
    struct Case {
        int key;
        bool withController;
        bool fromController;
        bool relayed;    // the controller's group hears the key
        bool zoomed;     // zoom became 1/2 (factor 2)
        bool panned;     // the eye moved by (10 px → 20 mm) along right
        bool announced;  // a camera change reached the window's group
    };
    const Case cases[] = {
        {keys::NOTIFY_VIEW_SYNC_9021, false, false, false, false, false, true},
        {keys::NOTIFY_VIEW_SYNC_9021, true, false, true, false, false, false},
        {keys::NOTIFY_VIEW_SYNC_9021, true, true, false, false, false, true},
        {keys::NOTIFY_SYNC_POSITION, false, false, false, false, true, true},
        {keys::NOTIFY_SYNC_ZOOM, true, false, false, true, false, true},
        {keys::NOTIFY_SYNC_ZOOM_ALT, false, false, false, true, false, true},
        {keys::NOTIFY_SYNC_PAN, false, false, false, false, false, false},
        {keys::NOTIFY_SYNC_PAN, true, false, true, false, false, false},
        {keys::NOTIFY_SYNC_PAN, true, true, false, false, true, true},
        {keys::NOTIFY_SYNC_FOCAL_ZOOM, false, false, false, false, false, false},
        {keys::NOTIFY_SYNC_FOCAL_ZOOM, true, false, true, false, false, false},
        {keys::NOTIFY_SYNC_FOCAL_ZOOM, true, true, false, true, false, true},
        {keys::NOTIFY_VIEW_ACTIVATED, false, false, false, false, false, false},
        {keys::NOTIFY_VIEW_ACTIVATED, true, false, true, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << " controller " << c.withController
                                        << " from it " << c.fromController);
        window->setCameraEye(Vec3(0, 0, -1000));
        window->setCameraLookAt(Vec3(0, 0, 0), Vec3(0, -1, 0));
        window->setZoom(1.0f);
        window->setController(c.withController ? controller : nullptr);
        drain();
        NotificationRecorder relayed(c.key, controller);
        NotificationRecorder announced(keys::NOTIFY_CAMERA_CHANGED, window);
        const bool zoomKey = c.key == keys::NOTIFY_SYNC_ZOOM ||
                             c.key == keys::NOTIFY_SYNC_ZOOM_ALT ||
                             c.key == keys::NOTIFY_SYNC_FOCAL_ZOOM;
        NSUI::NSNotificationData* data = zoomKey ? floatData(2.0f) : panData(10.0f, 0.0f);
        window->onNotification(c.key, data, c.fromController ? controller : nullptr);
        drain();
        EXPECT_EQ(relayed.received.size(), c.relayed ? 1u : 0u);
        if (c.relayed) {
            EXPECT_EQ(relayed.received[0].sender, window);
        }
        EXPECT_FLOAT_EQ(window->getMainCamera()->getZoom(), c.zoomed ? 0.5f : 1.0f);
        EXPECT_NEAR(window->getCameraState().eye().x, c.panned ? 20.0f : 0.0f, 1e-3f);
        EXPECT_EQ(announced.received.size(), c.announced ? 1u : 0u);
    }
}

TEST_F(RenderWindowTest, ABurstOfCameraChangesIsAnnouncedOnce) {
    NotificationRecorder announced(keys::NOTIFY_CAMERA_CHANGED, window);
    window->zoomBy(1.1f);
    window->zoomBy(1.1f);
    window->flipHorizontal();
    drain();
    EXPECT_EQ(announced.received.size(), 1u);
    // A move alone announces nothing; a new size does.
    window->setPosition(Vec2(120, 100));
    drain();
    EXPECT_EQ(announced.received.size(), 1u);
    window->setContentSize(cocos2d::Size(401, 300));
    drain();
    EXPECT_EQ(announced.received.size(), 2u);
}

TEST_F(RenderWindowTest, CameraOperationsMoveTheViewAsTheUserExpects) {
    window->setCameraEye(Vec3(0, 0, -1000));
    window->setCameraLookAt(Vec3(0, 0, 0), Vec3(0, -1, 0));
    const Vec3 right = window->getCameraState().right();
    window->rollView(static_cast<float>(M_PI / 2));
    const Vec3 up = window->getCameraState().up();
    EXPECT_NEAR(up.distance(right), 0.0f, 1e-5f);

    window->setCameraLookAt(Vec3(0, 0, 0), Vec3(0, -1, 0));
    window->flipVertical();
    EXPECT_NEAR(window->getCameraState().eye().z, 1000.0f, 1e-2f);
    EXPECT_NEAR(window->getCameraState().up().y, 1.0f, 1e-6f);

    // panBy needs all four picks: a failing vertical pair leaves x alone too.
    window->setCameraEye(Vec3(0, 0, -1000));
    window->setCameraLookAt(Vec3(0, 0, 0), Vec3(0, -1, 0));
    window->failPicksAbove = 55.0f;
    window->panBy(10.0f, 10.0f);
    EXPECT_NEAR(window->getCameraState().eye().x, 0.0f, 1e-6f);
    window->failPicksAbove = -1.0f;
    window->panBy(10.0f, -5.0f);
    EXPECT_NEAR(window->getCameraState().eye().x, 20.0f, 1e-3f);
    EXPECT_NEAR(window->getCameraState().center().x, 20.0f, 1e-3f);
    // Up is (0, -1, 0): a negative dy moves along +up, that is towards -y.
    EXPECT_NEAR(window->getCameraState().eye().y, -10.0f, 1e-3f);

    window->setViewScale(4.0f);
    EXPECT_FLOAT_EQ(window->getPixelScale(), 4.0f);
}

TEST_F(RenderWindowTest, WheelAndDragsOfTheMouse) {
    window->setController(controller);
    NotificationRecorder zoomTotal(keys::NOTIFY_SYNC_FOCAL_ZOOM, controller);
    NotificationRecorder panTotal(keys::NOTIFY_SYNC_PAN, controller);
    NotificationRecorder activated(keys::NOTIFY_VIEW_ACTIVATED, controller);
    const auto view = [](float glY) { return kHeight - glY; };

    router.mouseScroll(200, view(200), 0, 0);
    EXPECT_TRUE(window->handled.empty());
    router.mouseScroll(200, view(200), 0, -1);
    router.mouseScroll(200, view(200), 0, 1);
    ASSERT_EQ(window->handled.size(), 2u);
    EXPECT_NE(window->handled[0], window->handled[1]);
    window->handled.clear();

    // Right drag: upward steps zoom in by 5 % each, sideways steps do nothing.
    router.mouseDown(200, view(200), cocos2d::EventMouse::MouseButton::BUTTON_RIGHT);
    router.mouseMove(200, view(210));
    router.mouseMove(200, view(220));
    router.mouseMove(230, view(221));
    router.mouseUp(230, view(221), cocos2d::EventMouse::MouseButton::BUTTON_RIGHT);
    EXPECT_NEAR(window->getPixelScale(), 1.05f * 1.05f, 1e-4f);
    drain();
    ASSERT_EQ(zoomTotal.received.size(), 1u);
    EXPECT_EQ(activated.received.size(), 1u);

    // Middle drag: the window follows at once; the total travels at the end.
    const float eyeX = window->getCameraState().eye().x;
    router.mouseDown(200, view(200), cocos2d::EventMouse::MouseButton::BUTTON_MIDDLE);
    router.mouseMove(190, view(200));
    router.mouseMove(185, view(200));
    router.mouseUp(185, view(200), cocos2d::EventMouse::MouseButton::BUTTON_MIDDLE);
    EXPECT_NEAR(window->getCameraState().eye().x, eyeX + 30.0f, 1e-3f);
    drain();
    ASSERT_EQ(panTotal.received.size(), 1u);
    EXPECT_EQ(NSUI::UIJson::getString(panTotal.received[0].text, "x"), "15.0000");
    EXPECT_EQ(NSUI::UIJson::getString(panTotal.received[0].text, "y"), "0.0000");
    EXPECT_EQ(activated.received.size(), 2u);

    // A right drag that comes back to where it began sends no total, but still activates.
    router.mouseDown(200, view(200), cocos2d::EventMouse::MouseButton::BUTTON_RIGHT);
    router.mouseUp(200, view(200), cocos2d::EventMouse::MouseButton::BUTTON_RIGHT);
    drain();
    EXPECT_EQ(zoomTotal.received.size(), 1u);
    EXPECT_EQ(activated.received.size(), 3u);
}

TEST_F(RenderWindowTest, ADragLetGoOutsideTheWindowEndsThereAndItsTotalTravels) {
    window->setController(controller);
    NotificationRecorder zoomTotal(keys::NOTIFY_SYNC_FOCAL_ZOOM, controller);
    NotificationRecorder panTotal(keys::NOTIFY_SYNC_PAN, controller);
    NotificationRecorder activated(keys::NOTIFY_VIEW_ACTIVATED, controller);
    const auto view = [](float glY) { return kHeight - glY; };
    // The window spans (100, 100) to (500, 400).
    for (const auto button : {cocos2d::EventMouse::MouseButton::BUTTON_RIGHT,
                              cocos2d::EventMouse::MouseButton::BUTTON_MIDDLE}) {
        SCOPED_TRACE(int(button));
        router.mouseDown(200, view(200), button);
        router.mouseMove(195, view(210));
        router.mouseMove(190, view(220));
        router.mouseMove(600, view(500));
        router.mouseUp(600, view(500), button);
        const isImageSDK::isCameraState before = window->getCameraState();
        const float scale = window->getPixelScale();
        // Plain moves over the window afterwards neither zoom nor pan.
        router.mouseMove(200, view(230));
        router.mouseMove(170, view(260));
        EXPECT_FLOAT_EQ(window->getPixelScale(), scale);
        EXPECT_EQ(window->getCameraState().eye(), before.eye());
    }
    drain();
    ASSERT_EQ(zoomTotal.received.size(), 1u);
    ASSERT_EQ(panTotal.received.size(), 1u);
    EXPECT_EQ(NSUI::UIJson::getString(panTotal.received[0].text, "x"), "10.0000");
    EXPECT_EQ(activated.received.size(), 2u);
}

TEST_F(RenderWindowTest, ZoomDragStopsAtThePixelScaleLimitsInOneDirectionOnly) {
    struct Case {
        float scale;
        float glDy;
        float expected;
    };
    const Case cases[] = {
        {0.09f, -10.0f, 0.09f},          // below 0.1: no further shrinking
        {0.09f, 10.0f, 0.09f * 1.05f},   // but enlarging works
        {10.5f, 10.0f, 10.5f},           // above 10: no further enlarging
        {10.5f, -10.0f, 10.5f * 0.95f},  // but shrinking works
        {9.9f, 10.0f, 9.9f * 1.05f},     // the limit may be passed by one step
    };
    for (const Case& c : cases) {
        window->setViewScale(c.scale);
        router.mouseDown(200, kHeight - 200, cocos2d::EventMouse::MouseButton::BUTTON_RIGHT);
        router.mouseMove(200, kHeight - (200 + c.glDy));
        router.mouseUp(200, kHeight - (200 + c.glDy),
                       cocos2d::EventMouse::MouseButton::BUTTON_RIGHT);
        EXPECT_NEAR(window->getPixelScale(), c.expected, 1e-4f) << c.scale << " " << c.glDy;
    }
}

TEST_F(RenderWindowTest, AWindowGoneWithoutCleanupTakesItsTouchListenerAlong) {
    cocos2d::EventDispatcher* dispatcher = cocos2d::Director::getInstance()->getEventDispatcher();
    const auto& touches = cocos2d::EventListenerTouchAllAtOnce::LISTENER_ID;
    window->removeFromParentAndCleanup(true);
    ASSERT_FALSE(dispatcher->hasEventListener(touches));

    // Never in a scene, so never cleaned up: it goes when its actor manager lets it go.
    isRenderWindow* loose = isRenderWindow::create();
    loose->retain();
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
    EXPECT_TRUE(dispatcher->hasEventListener(touches));
    loose->getActorManager()->setWindow(nullptr);
    loose->release();
    EXPECT_FALSE(dispatcher->hasEventListener(touches));
    // A touch afterwards reaches nobody.
    tap(200, 200);
}

TEST_F(RenderWindowTest, SliceAxesOfAVolumeArePairwiseDistinctPlanes) {
    isImageSDK::isImageData* data = isImageSDK::isImageData::create();
    window->setImageData(data);
    data->release();
    NotificationRecorder letters(keys::NOTIFY_OVERLAY_CORNERS, window);
    window->setCameraEye(Vec3(0, 0, -1000));
    drain();
    ASSERT_FALSE(letters.received.empty());
    for (const char* edge : {"t", "r", "b", "l"}) {
        EXPECT_EQ(NSUI::UIJson::getString(letters.received.back().text, edge).size(), 1u) << edge;
    }
    const int axial = window->getSliceAxis(0);
    const int sagittal = window->getSliceAxis(1);
    const int coronal = window->getSliceAxis(2);
    EXPECT_NE(axial, sagittal);
    EXPECT_NE(axial, coronal);
    EXPECT_NE(sagittal, coronal);
    EXPECT_EQ(window->getActorManager()->getWindow(), window);
}

TEST_F(RenderWindowTest, NewDataBringsAFreshMeasurementContainerUnderItsName) {
    isImageSDK::isImageData* first = isImageSDK::isImageData::create();
    first->setDataName("DOE^JANE,1");
    window->setImageData(first);
    first->release();
    isImageSDK::isActorROI* rois = window->getActorManager()->getROIActor();
    ASSERT_NE(rois, nullptr);
    EXPECT_EQ(rois->getDataName(), "DOE^JANE,1");
    auto kept = cocos2d::RefPtr<isImageSDK::isActorROI>::retained(rois);

    isImageSDK::isImageData* second = isImageSDK::isImageData::create();
    second->setDataName("ROE^RICHARD,2");
    window->setImageData(second);
    second->release();
    EXPECT_NE(window->getActorManager()->getROIActor(), kept.get());
    EXPECT_EQ(window->getActorManager()->getROIActor()->getDataName(), "ROE^RICHARD,2");
    // The old container no longer draws in the window.
    EXPECT_EQ(kept->getWindow(), window);
    for (cocos2d::Node* node : kept->getActorNodes()) {
        EXPECT_EQ(node->getParent(), nullptr);
    }
}

}  // namespace
