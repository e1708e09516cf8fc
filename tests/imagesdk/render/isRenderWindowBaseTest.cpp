#include "imagesdk/render/isRenderWindowBase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "WindowFixture.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/base/RefPtr.h"
#include "engine/math/Vec4.h"
#include "engine/renderer/Renderer.h"
#include "engine/renderer/RendererBackend.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isNodeSprite.h"
#include "tests/imagesdk/NotificationRecorder.h"

using cocos2d::Mat4;
using cocos2d::Size;
using cocos2d::Vec2;
using cocos2d::Vec3;
using cocos2d::Vec4;
using imagesdktest::NotificationRecorder;
using isImageSDK::isRenderWindowBase;
using rendertest::DrawProbe;

namespace {

class RenderWindowBaseTest : public rendertest::WindowTest {
protected:
    isRenderWindowBase* addWindow(cocos2d::Node* parent, float x, float y, float w, float h) {
        isRenderWindowBase* window = isRenderWindowBase::create();
        window->setContentSize(Size(w, h));
        window->setPosition(Vec2(x, y));
        parent->addChild(window);
        return window;
    }
    static std::vector<unsigned short> flagsOf(const isRenderWindowBase* window) {
        return {window->getMainCamera()->getCameraFlag(),
                window->getOverlayCamera()->getCameraFlag()};
    }
};

TEST_F(RenderWindowBaseTest, PanelProjectionMapsTheCameraSquareOntoThePanel) {
    struct Case {
        Vec2 parentAt;
        float x, y, w, h;
    };
    const Case cases[] = {
        {Vec2(0, 0), 0, 0, 960, 640},     {Vec2(0, 0), 0, 0, 320, 213},
        {Vec2(0, 0), 640, 427, 320, 213}, {Vec2(100, 50), 10, 20, 200, 100},
        {Vec2(0, 0), 480, 0, 2, 640},
    };
    for (const Case& c : cases) {
        cocos2d::Node* parent = cocos2d::Node::create();
        parent->setPosition(c.parentAt);
        scene->addChild(parent);
        isRenderWindowBase* window = addWindow(parent, c.x, c.y, c.w, c.h);
        // Placed before its parent was: the cameras follow the panel to where it is drawn.
        frame(0.0f);
        for (isImageSDK::isCamera* camera : {window->getMainCamera(), window->getOverlayCamera()}) {
            const Mat4& m = camera->getAdditionalProjection();
            // The camera's normalised square, corner by corner, lands on the panel in GL points.
            for (const Vec2& corner : {Vec2(-1, -1), Vec2(1, 1), Vec2(1, -1)}) {
                Vec4 out;
                m.transformVector(Vec4(corner.x, corner.y, 0.3f, 1.0f), &out);
                const float left = c.parentAt.x + c.x;
                const float bottom = c.parentAt.y + c.y;
                EXPECT_NEAR((out.x + 1) / 2 * 960, corner.x < 0 ? left : left + c.w, 1e-3f);
                EXPECT_NEAR((out.y + 1) / 2 * 640, corner.y < 0 ? bottom : bottom + c.h, 1e-3f);
                EXPECT_FLOAT_EQ(out.z, 0.3f);
            }
            EXPECT_FLOAT_EQ(camera->getViewportWidth(), c.w);
            EXPECT_FLOAT_EQ(camera->getViewportHeight(), c.h);
        }
    }
}

TEST_F(RenderWindowBaseTest, SizeOfOneLeavesTheProjectionAndAnnouncesNothing) {
    NotificationRecorder placed(isImageSDK::NOTIFY_QUICK_TOOL_ANCHOR);
    isRenderWindowBase* window = addWindow(scene, 0, 0, 300, 200);
    drain();
    ASSERT_EQ(placed.received.size(), 2u);  // size, then place
    placed.received.clear();
    const Mat4 before = window->getMainCamera()->getAdditionalProjection();
    window->setContentSize(Size(1, 200));
    window->setPosition(Vec2(5, 5));
    drain();
    EXPECT_TRUE(placed.received.empty());
    EXPECT_EQ(window->getMainCamera()->getAdditionalProjection(), before);
    EXPECT_FLOAT_EQ(window->getMainCamera()->getViewportWidth(), 300.0f);
    // Below one, a move announces the place itself.
    window->setContentSize(Size(0, 200));
    window->setPosition(Vec2(6, 5));
    drain();
    EXPECT_EQ(placed.received.size(), 1u);
}

TEST_F(RenderWindowBaseTest, FlagsComeFromTheFreeListAndReturnWhenAWindowDies) {
    // A camera that is no window's holds flag 4 in the scene.
    cocos2d::Camera* stray = cocos2d::Camera::createOrthographic(10, 10, -1, 1);
    stray->setCameraFlag(4);
    scene->addChild(stray);
    const std::vector<unsigned short> held = isRenderWindowBase::flagsInUse();
    ASSERT_TRUE(held.empty());

    isRenderWindowBase* a = addWindow(scene, 0, 0, 100, 100);
    isRenderWindowBase* b = addWindow(scene, 100, 0, 100, 100);
    isRenderWindowBase* c = addWindow(scene, 200, 0, 100, 100);
    EXPECT_EQ(flagsOf(a), (std::vector<unsigned short>{2, 3}));
    EXPECT_EQ(flagsOf(b), (std::vector<unsigned short>{5, 6}));
    EXPECT_EQ(flagsOf(c), (std::vector<unsigned short>{7, 8}));

    // b dies: its flags go back to the list and the next window takes them.
    b->removeFromParent();
    frame(0.0f);
    EXPECT_EQ(isRenderWindowBase::flagsInUse(), (std::vector<unsigned short>{2, 3, 7, 8}));
    isRenderWindowBase* d = addWindow(scene, 100, 0, 100, 100);
    EXPECT_EQ(flagsOf(d), (std::vector<unsigned short>{5, 6}));

    // a leaves the scene alive and comes back: it keeps its flags, and a window entering
    // meanwhile does not take them.
    a->retain();
    a->removeFromParent();
    isRenderWindowBase* e = addWindow(scene, 300, 0, 100, 100);
    EXPECT_EQ(flagsOf(e), (std::vector<unsigned short>{9, 10}));
    scene->addChild(a);
    a->release();
    EXPECT_EQ(flagsOf(a), (std::vector<unsigned short>{2, 3}));
    EXPECT_EQ(isRenderWindowBase::flagsInUse(),
              (std::vector<unsigned short>{2, 3, 5, 6, 7, 8, 9, 10}));
    scene->removeAllChildren();
    frame(0.0f);
    EXPECT_TRUE(isRenderWindowBase::flagsInUse().empty());
}

TEST_F(RenderWindowBaseTest, EachCameraDrawsExactlyItsOwnWindowsNodesInsideThePanel) {
    isRenderWindowBase* left = addWindow(scene, 0, 0, 480, 640);
    isRenderWindowBase* right = addWindow(scene, 480, 0, 480, 640);
    DrawProbe* leftActor = DrawProbe::create();
    DrawProbe* rightActor = DrawProbe::create();
    // The overlay list holds no reference: the owning actor does.
    auto leftOverlay = cocos2d::RefPtr<DrawProbe>::retained(DrawProbe::create());
    // Handed over before and after entering alike.
    left->addActorNode(leftActor);
    right->addActorNode(rightActor);
    left->addOverlayNode(leftOverlay.get());
    frame(0.0f);
    EXPECT_EQ(leftActor->drawnBy, (std::vector<unsigned short>{2}));
    EXPECT_EQ(rightActor->drawnBy, (std::vector<unsigned short>{4}));
    EXPECT_EQ(leftOverlay->drawnBy, (std::vector<unsigned short>{3}));
    EXPECT_EQ(leftOverlay->parents, (std::vector<cocos2d::Node*>{left}));
    EXPECT_EQ(leftOverlay->getParent(), nullptr);

    // Every pass of a window's camera is cut to its panel.
    auto* recorder = static_cast<cocos2d::RecordingRendererBackend*>(
        cocos2d::Director::getInstance()->getRenderer()->getBackend());
    std::vector<cocos2d::Rect> passes;
    for (const auto& record : recorder->getRecords()) {
        if (record.call == cocos2d::RecordingRendererBackend::Call::SCISSOR && record.color) {
            passes.push_back(record.rect);
        }
    }
    ASSERT_FALSE(passes.empty());
    for (const cocos2d::Rect& rect : passes) {
        EXPECT_TRUE(std::fabs(rect.origin.x) < 0.01f || std::fabs(rect.origin.x - 480) < 0.01f)
            << rect.origin.x;
        EXPECT_NEAR(rect.origin.y, 0.0f, 0.01f);
        EXPECT_NEAR(rect.size.width, 480.0f, 0.01f);
        EXPECT_NEAR(rect.size.height, 640.0f, 0.01f);
    }
}

TEST_F(RenderWindowBaseTest, VisitAnnouncedOncePerFrameWhateverTheNumberOfPasses) {
    isRenderWindowBase* window = addWindow(scene, 0, 0, 300, 300);
    auto overlay = cocos2d::RefPtr<DrawProbe>::retained(DrawProbe::create());
    window->addOverlayNode(overlay.get());
    NotificationRecorder visited(isImageSDK::NOTIFY_WINDOW_VISIT, window);
    drain(12);
    // The first frames pass within the centre's start-up delay; from then on one per frame.
    EXPECT_GE(visited.received.size(), 10u);
    EXPECT_LE(visited.received.size(), 12u);
}

TEST_F(RenderWindowBaseTest, ZoomLeavesAPerspectiveWindowAlone) {
    isRenderWindowBase* window = addWindow(scene, 0, 0, 300, 300);
    window->setZoom(2.0f);
    EXPECT_FLOAT_EQ(window->getMainCamera()->getZoom(), 2.0f);
    EXPECT_FLOAT_EQ(window->getOverlayCamera()->getZoom(), 2.0f);
    window->getMainCamera()->setPerspective(true);
    window->setZoom(3.0f);
    EXPECT_FLOAT_EQ(window->getMainCamera()->getZoom(), 2.0f);
    EXPECT_FLOAT_EQ(window->getOverlayCamera()->getZoom(), 2.0f);
}

TEST_F(RenderWindowBaseTest, BackgroundCoversThePanelBehindOrInFrontOfTheContent) {
    isRenderWindowBase* window = addWindow(scene, 0, 0, 300, 200);
    window->setCameraEye(Vec3(40, 50, -1000));
    window->setCameraLookAt(Vec3(40, 50, 0), Vec3(0.2f, -1, 0));
    for (bool shown : {true, false}) {
        window->setVisible(shown);
        const Mat4& placement = window->getBackground()->getNodeToParentTransform();
        Vec3 topLeft;
        placement.transformPoint(Vec3(0, 0, 0), &topLeft);
        Vec3 far;
        placement.transformPoint(Vec3(22, 22, 0), &far);
        Vec3 screen;
        window->getMainCamera()->worldToScreen(topLeft, screen);
        EXPECT_NEAR(screen.x, 0.0f, 0.01f);
        EXPECT_NEAR(screen.y, 200.0f, 0.01f);
        EXPECT_NEAR(screen.z, shown ? 0.999f : 0.001f, 1e-4f);
        window->getMainCamera()->worldToScreen(far, screen);
        EXPECT_GE(screen.x, 300.0f);
        EXPECT_LE(screen.y, 0.0f);
        EXPECT_TRUE(window->isVisible());
    }
}

}  // namespace
