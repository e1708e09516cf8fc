#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/base/RefPtr.h"
#include "imagesdk/data/isROIManager.h"
#include "imagesdk/render/isActorROI.h"
#include "imagesdk/render/isCamera.h"
#include "imagesdk/render/isRenderWindowBase.h"
#include "tests/display/DisplayFixture.h"

using namespace cocos2d;
using namespace isImageSDK;

namespace {

struct Segment {
    Vec2 a;
    Vec2 b;
};

float distanceToSegment(const Vec2& p, const Segment& s) {
    const Vec2 d = s.b - s.a;
    const float length2 = d.lengthSquared();
    float t = length2 > 0.0f ? (p - s.a).dot(d) / length2 : 0.0f;
    t = std::clamp(t, 0.0f, 1.0f);
    return p.distance(s.a + d * t);
}

// The shapes' default colour, as opposed to the black panel and the white label texts.
bool isOutline(const Color3B& c) {
    return c.g > 150 && c.r < 100 && c.b < 100;
}

class ROIShapesDrawingTest : public bvtest::DisplayFixture {
protected:
    void TearDown() override {
        isROIManager::destroyInstance();
        DisplayFixture::TearDown();
    }

    Vec2 screen(const Vec3& p) const {
        Vec3 s;
        window->getMainCamera()->worldToScreen(p, s);
        return Vec2(s.x, s.y);
    }
    void segment(const Vec3& a, const Vec3& b) { expected.push_back({screen(a), screen(b)}); }

    isRenderWindowBase* window = nullptr;
    std::vector<Segment> expected;
};

// One shape of each kind, drawn: every outline pixel lies within 2 px of the projected geometry,
// and every piece of geometry is drawn.
TEST_F(ROIShapesDrawingTest, EachShapeIsDrawnOnItsProjectedGeometry) {
    Scene* scene = Scene::create();
    Director::getInstance()->runWithScene(scene);
    window = isRenderWindowBase::create();
    window->setContentSize(Size(kWidth, kHeight));
    scene->addChild(window);
    window->setCameraEye(Vec3(0, 0, -1000));
    window->setCameraLookAt(Vec3(0, 0, 0), Vec3(0, -1, 0));
    RefPtr<isActorROI> container = RefPtr<isActorROI>::retained(isActorROI::create());
    container->attachToWindow(window);

    isActorROIBase* shapes[] = {
        container->addLine({-140, -100, 0}, {-60, -60, 0}),
        container->addLabel({-40, -100, 0}, {0, -70, 0}),
        container->addPoint({60, -80, 0}),
        container->addAngle({100, -100, 0}),
        container->addCircle({-90, 40, 0}, {-60, 40, 0}),
        container->addPolygon({10, 10, 0}, {90, 20, 0}),
    };
    auto* angle = static_cast<isActorROIAngle*>(shapes[3]);
    angle->setPoint({140, -100, 0});
    angle->nextPoint();
    angle->setPoint({100, -50, 0});
    angle->nextPoint();
    ASSERT_TRUE(angle->isComplete());
    auto* polygon = static_cast<isActorROIPolygon*>(shapes[5]);
    auto* vertices = static_cast<ROIPolygon*>(polygon->getROIData());
    vertices->vertices = {{10, 10, 0}, {90, 20, 0}, {70, 90, 0}, {20, 70, 0}};
    polygon->setComplete(true);
    for (isActorROIBase* shape : shapes) {
        shape->deselect();
        shape->updateDisplay();
    }

    segment({-140, -100, 0}, {-60, -60, 0});
    segment({-40, -100, 0}, {0, -70, 0});
    const Vec3 right = window->getMainCamera()->getState().right();
    const Vec3 down = -window->getMainCamera()->getState().up();
    for (const Vec3& arm : {right, -right, down, -down}) {
        segment(Vec3(60, -80, 0) + arm * 5.0f, Vec3(60, -80, 0) + arm * 15.0f);
    }
    segment({100, -100, 0}, {140, -100, 0});
    segment({100, -100, 0}, {100, -50, 0});
    for (int i = 0; i < 50; ++i) {
        const float t0 = float(i) * 0.12566371f;
        const float t1 = float(i + 1) * 0.12566371f;
        segment(Vec3(-90, 40, 0) + (right * std::cos(t0) + down * std::sin(t0)) * 30.0f,
                Vec3(-90, 40, 0) + (right * std::cos(t1) + down * std::sin(t1)) * 30.0f);
    }
    for (std::size_t i = 0; i < vertices->vertices.size(); ++i) {
        segment(vertices->vertices[i], vertices->vertices[(i + 1) % vertices->vertices.size()]);
    }

    Image picture;
    ASSERT_TRUE(renderAndCapture("shapes.png", &picture));
    int outline = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (!isOutline(pixelAt(picture, x, y))) {
                continue;
            }
            ++outline;
            const Vec2 centre(float(x) + 0.5f, float(y) + 0.5f);
            float nearest = 1e9f;
            for (const Segment& s : expected) {
                nearest = std::min(nearest, distanceToSegment(centre, s));
            }
            // A hundredth for the float rounding of edge pixels exactly 2 px away.
            EXPECT_LE(nearest, 2.01f) << "pixel " << x << ", " << y;
        }
    }
    EXPECT_GT(outline, 500);
    // Every piece is drawn: the middle of each segment longer than 4 px is outline.
    for (const Segment& s : expected) {
        if (s.a.distance(s.b) < 4.0f) {
            continue;
        }
        const Vec2 m = (s.a + s.b) * 0.5f;
        bool found = false;
        for (int dy = -1; dy <= 1 && !found; ++dy) {
            for (int dx = -1; dx <= 1 && !found; ++dx) {
                found = isOutline(pixelAt(picture, int(m.x) + dx, int(m.y) + dy));
            }
        }
        EXPECT_TRUE(found) << "segment at " << m.x << ", " << m.y;
    }
    container->cleanup();
}

}  // namespace
