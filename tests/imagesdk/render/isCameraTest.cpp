#include "imagesdk/render/isCamera.h"

#include <gtest/gtest.h>

#include <cmath>

#include "RenderFixture.h"

using cocos2d::Mat4;
using cocos2d::Vec2;
using cocos2d::Vec3;
using isImageSDK::isCamera;

namespace {

class CameraTest : public rendertest::RenderTest {
protected:
    // A 400 × 300 panel camera looking along +z at (10, 20, 0) from 1000 mm away, tilted.
    isCamera* panelCamera(bool perspective) {
        isCamera* camera = isCamera::create();
        camera->setPerspective(perspective);
        camera->setProjection(60.0f, 400.0f, 300.0f, 100.0f, 5000.0f, Mat4::IDENTITY);
        camera->setPosition3D(Vec3(10.0f, 20.0f, -1000.0f));
        camera->lookAt(Vec3(10.0f, 20.0f, 0.0f), Vec3(0.3f, -1.0f, 0.0f));
        return camera;
    }
};

void expectNear(const Vec3& actual, const Vec3& expected, float tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

TEST_F(CameraTest, FreshCameraLooksDownZWithYDown) {
    isCamera* camera = isCamera::create();
    const isImageSDK::isCameraState& state = camera->getState();
    expectNear(state.center(), Vec3(0, 0, 0), 0.0f);
    expectNear(state.eye(), Vec3(0, 0, -1), 0.0f);
    expectNear(state.up(), Vec3(0, -1, 0), 0.0f);
    expectNear(state.forward(), Vec3(0, 0, 1), 1e-6f);
    expectNear(state.right(), Vec3(1, 0, 0), 1e-6f);
    EXPECT_FLOAT_EQ(state.eyeDistance(), 1.0f);
    EXPECT_FLOAT_EQ(state.zoom(), 1.0f);
    EXPECT_FALSE(camera->isPerspective());
    EXPECT_FALSE(camera->isChanged());
}

TEST_F(CameraTest, ScreenToWorldAndBackIsIdentityForEveryDepthInBothProjections) {
    for (bool perspective : {false, true}) {
        isCamera* camera = panelCamera(perspective);
        for (float depth : {0.0f, 0.1f, 0.5f, 0.9f, 1.0f}) {
            for (const Vec2& p : {Vec2(0, 0), Vec2(200, 150), Vec2(399, 1), Vec2(37.5f, 288)}) {
                Vec3 world;
                camera->screenToWorld(Vec3(p.x, p.y, depth), world);
                Vec3 back;
                camera->worldToScreen(world, back);
                SCOPED_TRACE(testing::Message() << "perspective " << perspective << " depth "
                                                << depth << " at " << p.x << "," << p.y);
                EXPECT_NEAR(back.x, p.x, 0.02f);
                EXPECT_NEAR(back.y, p.y, 0.02f);
                EXPECT_NEAR(back.z, depth, 2e-4f);
            }
        }
    }
}

TEST_F(CameraTest, DepthZeroAndOneLieOnTheNearAndFarPlanes) {
    for (bool perspective : {false, true}) {
        isCamera* camera = panelCamera(perspective);
        Vec3 origin;
        Vec3 direction;
        camera->screenToRay(Vec2(200, 150), origin, direction);
        // The panel centre looks straight along the view direction.
        expectNear(direction, Vec3(0, 0, 1), 1e-4f);
        expectNear(origin, Vec3(10, 20, -900), 0.05f);
        Vec3 far;
        camera->screenToWorld(Vec3(200, 150, 1), far);
        EXPECT_NEAR(far.z, 4000.0f, perspective ? 2.0f : 0.05f);
    }
}

TEST_F(CameraTest, OrthographicZoomEnlargesTheVisibleArea) {
    isCamera* camera = panelCamera(false);
    camera->lookAt(Vec3(10, 20, 0), Vec3(0, -1, 0));
    camera->setZoom(2.0f);
    EXPECT_FLOAT_EQ(camera->getState().zoom(), 2.0f);
    // With up (0, -1, 0) the camera's x axis is world x and its y axis world -y.
    Vec3 corner;
    camera->screenToWorld(Vec3(0, 0, 0.5f), corner);
    EXPECT_NEAR(corner.x, 10.0f - 400.0f, 0.01f);
    EXPECT_NEAR(corner.y, 20.0f + 300.0f, 0.01f);
    Vec3 screen;
    camera->worldToScreen(Vec3(10.0f + 100.0f, 20.0f, 0.0f), screen);
    EXPECT_NEAR(screen.x, 200.0f + 50.0f, 1e-3f);
    EXPECT_NEAR(screen.y, 150.0f, 1e-3f);
}

TEST_F(CameraTest, ConversionsFollowEveryKindOfCameraChange) {
    // A camera used before each change must convert like one made in the changed state.
    using Change = void (*)(isCamera*);
    const Change changes[] = {
        [](isCamera* c) { c->setPosition3D(Vec3(60, 20, -900)); },
        [](isCamera* c) { c->setPosition(Vec2(160, -20)); },
        [](isCamera* c) { c->lookAt(Vec3(0, 0, 5), Vec3(1, 0, 0)); },
        [](isCamera* c) { c->setZoom(0.5f); },
        [](isCamera* c) {
            c->setProjection(60.0f, 200.0f, 300.0f, 10.0f, 3000.0f, Mat4::IDENTITY);
        },
        [](isCamera* c) { c->setPerspective(!c->isPerspective()); },
    };
    for (const Change& change : changes) {
        isCamera* used = panelCamera(false);
        Vec3 scratch;
        used->worldToScreen(Vec3(1, 2, 3), scratch);
        used->screenToWorld(Vec3(1, 2, 0.3f), scratch);
        change(used);
        isCamera* fresh = panelCamera(false);
        change(fresh);
        for (const Vec3& p : {Vec3(10, 20, 0), Vec3(-50, 70, 400)}) {
            Vec3 a;
            Vec3 b;
            used->worldToScreen(p, a);
            fresh->worldToScreen(p, b);
            expectNear(a, b, 1e-4f);
        }
        Vec3 a;
        Vec3 b;
        used->screenToWorld(Vec3(30, 40, 0.7f), a);
        fresh->screenToWorld(Vec3(30, 40, 0.7f), b);
        expectNear(a, b, 1e-3f);
    }
}

TEST_F(CameraTest, FitOrthographicChoosesTheLimitingSide) {
    struct Case {
        float width;
        float height;
        bool perspective;
        float zoom;
    };
    const Case cases[] = {
        {0.4f, 100.0f, false, 1.0f},    // too thin across
        {100.0f, 0.4f, false, 1.0f},    // too thin down
        {800.0f, 300.0f, false, 2.0f},  // wider than the 4:3 panel: width decides
        {300.0f, 600.0f, false, 2.0f},  // taller: height decides
        {800.0f, 300.0f, true, 1.0f},   // perspective cameras do not zoom
    };
    for (const Case& c : cases) {
        isCamera* camera = panelCamera(c.perspective);
        camera->lookAt(Vec3(10, 20, 0), Vec3(0, -1, 0));
        const Vec3 corners[4] = {Vec3(0, 0, 0), Vec3(c.width, 0, 0), Vec3(0, c.height, 0),
                                 Vec3(c.width, c.height, 0)};
        EXPECT_FLOAT_EQ(camera->fitOrthographic(corners), c.zoom)
            << c.width << " x " << c.height << " perspective " << c.perspective;
    }
}

TEST_F(CameraTest, FitPerspectiveStaysBetweenThePlanes) {
    isCamera* camera = panelCamera(true);
    camera->lookAt(Vec3(10, 20, 0), Vec3(0, -1, 0));
    struct Case {
        float size;
        float distance;
    };
    const float regular = 150.0f / std::tan(30.0f * 3.1415925f / 180.0f);
    const Case cases[] = {{300.0f, regular}, {1e6f, 4999.0f}, {1.0f, 101.0f}};
    for (const Case& c : cases) {
        const Vec3 corners[4] = {Vec3(0, 0, 0), Vec3(c.size, 0, 0), Vec3(0, c.size, 0),
                                 Vec3(c.size, c.size, 0)};
        EXPECT_NEAR(camera->fitPerspective(corners), c.distance, 0.01f) << c.size;
    }
    isCamera* orthographic = panelCamera(false);
    const Vec3 corners[4] = {Vec3(0, 0, 0), Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(1, 1, 0)};
    EXPECT_FLOAT_EQ(orthographic->fitPerspective(corners), 2550.0f);
}

TEST_F(CameraTest, ProjectToFocalPlaneDropsTheViewComponent) {
    isCamera* camera = panelCamera(true);
    const Vec3 foot = camera->projectToFocalPlane(Vec3(3, 4, -250));
    expectNear(foot, Vec3(3, 4, 0), 1e-4f);
    const Vec3 local = camera->worldToCamera(Vec3(10, 20, 0));
    expectNear(local, Vec3(0, 0, -1000), 1e-2f);
}

TEST_F(CameraTest, OwnViewSeesTheParentsNodesWhereTheEngineViewDoes) {
    // Nodes drawn by either camera are children of the same window: both views must place them
    // alike, wherever the window is.
    cocos2d::Node* parent = cocos2d::Node::create();
    parent->setPosition(Vec2(300, 200));
    isCamera* camera = panelCamera(false);
    parent->addChild(camera);
    const Mat4 engineView = camera->getViewMatrix();
    camera->setOwnView(true);
    const Vec3 inParent(10, 20, 0);
    const Vec3 world = inParent + Vec3(300, 200, 0);
    Vec3 viaEngine;
    engineView.transformPoint(world, &viaEngine);
    Vec3 viaOwn;
    camera->getViewMatrix().transformPoint(world, &viaOwn);
    expectNear(viaOwn, viaEngine, 1e-2f);
    expectNear(viaOwn, Vec3(0, 0, -1000), 1e-2f);
    // The parent moves: the own view follows.
    parent->setPosition(Vec2(0, 0));
    camera->getViewMatrix().transformPoint(inParent, &viaOwn);
    expectNear(viaOwn, Vec3(0, 0, -1000), 1e-2f);
    // The additional transform enters the engine's view only.
    Mat4 shift;
    Mat4::createTranslation(5, 0, 0, &shift);
    camera->setAdditionalTransform(shift);
    camera->getViewMatrix().transformPoint(inParent, &viaOwn);
    expectNear(viaOwn, Vec3(0, 0, -1000), 1e-2f);
}

}  // namespace
