#include "imagesdk/render/isActorCrossLine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "WindowFixture.h"
#include "engine/2d/DrawNode.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/base/Scheduler.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/render/isCamera.h"
#include "imagesdk/render/isNodeLine.h"
#include "imagesdk/render/isRenderWindow.h"
#include "toolkit/core/NSNotificationData.h"

using cocos2d::Color4B;
using cocos2d::Color4F;
using cocos2d::Vec3;
using namespace isImageSDK;

namespace {

// The two scheduler facts the hide job is built around: a repeat count of n runs n + 1 times,
// and scheduling a key the target already has only changes the interval (clock and repeat count
// stay). Hence the job is scheduled with repeat 0 after unscheduling any pending one.
TEST(CrossLineHideJobScheduler, RepeatCountAndKeyedRescheduleSemantics) {
    int target = 0;
    {
        cocos2d::Scheduler scheduler;
        int runs = 0;
        scheduler.schedule([&](float) { ++runs; }, &target, 0.5f, 1, 0.0f, false, "k");
        for (int i = 0; i < 6; ++i) {
            scheduler.update(0.5f);
        }
        EXPECT_EQ(runs, 2) << "repeat 1 runs twice";
    }
    {
        cocos2d::Scheduler scheduler;
        int runs = 0;
        const auto job = [&](float) { ++runs; };
        scheduler.schedule(job, &target, 0.5f, 0, 0.0f, false, "k");
        scheduler.update(0.0f);  // starts the clock
        scheduler.update(0.4f);
        scheduler.schedule(job, &target, 0.5f, 5, 0.0f, false, "k");
        scheduler.update(0.2f);
        EXPECT_EQ(runs, 1) << "the clock was not restarted";
        for (int i = 0; i < 4; ++i) {
            scheduler.update(0.5f);
        }
        EXPECT_EQ(runs, 1) << "nor was the repeat count taken";
    }
}

// A render window of 400 × 300 in the running scene with its cross-line actor.
class CrossLineTest : public rendertest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window = isRenderWindow::create();
        window->setContentSize(cocos2d::Size(400, 300));
        scene->addChild(window);
        actor = window->getActorManager()->getCrossLineActor();
    }

    void send(int key, const std::string& text = std::string()) {
        auto* data = NSUI::NSNotificationData::create();
        data->stringValue = text;
        actor->onNotification(nullptr, unsigned(key), data);
    }
    // The plane through `point` spanned by the camera's right and up axes.
    void sendCameraPlane(const Vec3& point) {
        const isCameraState state = window->getMainCamera()->getState();
        const Vec3 u = state.right();
        const Vec3 v = state.up();
        const Vec3 n = state.forward();
        char json[512];
        std::snprintf(json, sizeof(json),
                      R"({"nx1":"%g","nx2":"%g","nx3":"%g","ny1":"%g","ny2":"%g","ny3":"%g",)"
                      R"("nz1":"%g","nz2":"%g","nz3":"%g","x":"%g","y":"%g","z":"%g"})",
                      u.x, u.y, u.z, v.x, v.y, v.z, n.x, n.y, n.z, point.x, point.y, point.z);
        send(NOTIFY_CROSSLINE_UPDATE, json);
    }
    Vec3 vertex(size_t i) const {
        const auto& v = actor->getLineNode()->vertices[i].vertices;
        return Vec3(v.x, v.y, v.z);
    }
    Color4B colour(size_t i) const { return actor->getLineNode()->vertices[i].colors; }

    isRenderWindow* window = nullptr;
    isActorCrossLine* actor = nullptr;
};

TEST_F(CrossLineTest, ReadsTheTwelvePlaneValues) {
    send(NOTIFY_CROSSLINE_UPDATE,
         R"({"nx1":"1","nx2":"2","nx3":"3","ny1":"4","ny2":"5","ny3":"6","nz1":"7","nz2":"8",)"
         R"("nz3":"9","x":"10","y":"11","z":"12"})");
    const float* m = actor->getReference().m;
    const float expected[16] = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 1};
    for (int i = 0; i < 16; ++i) {
        EXPECT_FLOAT_EQ(m[i], expected[i]) << i;
    }
    EXPECT_TRUE(actor->isRedrawDue());
}

TEST_F(CrossLineTest, FourSegmentsOutsideTheGapInTheColoursOfTheOtherViews) {
    struct Case {
        int frame;
        Color4F x;
        Color4F y;
    };
    const Case cases[] = {{0, Color4F::BLUE, Color4F::ORANGE},
                          {1, Color4F::BLUE, Color4F::MAGENTA},
                          {2, Color4F::ORANGE, Color4F::MAGENTA}};
    const Vec3 p(12.0f, -7.0f, 3.0f);
    actor->setLineVisible(true);
    for (const Case& c : cases) {
        actor->setFrameColor(c.frame);
        actor->setLineVisible(true);
        sendCameraPlane(p);
        send(NOTIFY_WINDOW_VISIT);
        ASSERT_EQ(actor->getLineNode()->vertices.size(), 8u) << c.frame;
        const float gap = actor->lineGap();
        const isCameraState state = window->getMainCamera()->getState();
        const Vec3 u = state.right();
        const Vec3 v = state.up();
        const Vec3 ends[8] = {p + u * gap, p + u * 10000.0f, p - u * gap, p - u * 10000.0f,
                              p + v * gap, p + v * 10000.0f, p - v * gap, p - v * 10000.0f};
        for (size_t i = 0; i < 8; ++i) {
            EXPECT_NEAR(vertex(i).distance(ends[i]), 0.0f, 1e-2f) << c.frame << " vertex " << i;
            EXPECT_EQ(colour(i), Color4B(i < 4 ? c.x : c.y)) << c.frame << " vertex " << i;
        }
        EXPECT_FALSE(actor->isRedrawDue());
    }
}

TEST_F(CrossLineTest, GapStaysThirtyScreenPixelsAcrossZoomsAndIsAtLeastTwo) {
    const Vec3 p = window->getCameraCenter();
    actor->setLineVisible(true);
    for (float zoom : {1.0f, 0.25f, 4.0f, 0.01f}) {
        window->setZoom(zoom);
        actor->setLineVisible(true);
        sendCameraPlane(p);
        send(NOTIFY_CAMERA_CHANGED);
        send(NOTIFY_WINDOW_VISIT);
        ASSERT_EQ(actor->getLineNode()->vertices.size(), 8u) << zoom;
        const float gap = vertex(0).distance(p);
        const float pixels = window->worldToScreen(vertex(0)).distance(window->worldToScreen(p));
        if (gap > 2.0f + 1e-3f) {
            EXPECT_NEAR(pixels, 30.0f, 0.05f) << "zoom " << zoom;
        } else {
            EXPECT_NEAR(gap, 2.0f, 1e-4f) << "zoom " << zoom;
            EXPECT_GT(pixels, 30.0f) << "zoom " << zoom;
        }
    }
}

TEST_F(CrossLineTest, NothingIsDrawnWithoutAChangeOrWhileTheLinesAreHidden) {
    sendCameraPlane(Vec3(0, 0, 0));
    send(NOTIFY_WINDOW_VISIT);
    EXPECT_EQ(actor->getLineNode(), nullptr);
    EXPECT_FALSE(actor->isRedrawDue()) << "the flag is cleared in every case";

    actor->setLineVisible(true);
    send(NOTIFY_WINDOW_VISIT);
    EXPECT_TRUE(actor->getLineNode()->vertices.empty()) << "no change since the last visit";
    send(NOTIFY_CAMERA_CHANGED);
    send(NOTIFY_WINDOW_VISIT);
    EXPECT_EQ(actor->getLineNode()->vertices.size(), 8u);
}

TEST_F(CrossLineTest, LinesHideOnceHalfASecondAfterTheLastRedraw) {
    actor->setLineVisible(true);
    sendCameraPlane(Vec3(0, 0, 0));
    send(NOTIFY_WINDOW_VISIT);
    frame(0.0f);  // the scheduler starts the clock
    frame(0.3f);
    EXPECT_TRUE(actor->isLineVisible());
    send(NOTIFY_CAMERA_CHANGED);
    send(NOTIFY_WINDOW_VISIT);
    frame(0.0f);
    frame(0.3f);
    EXPECT_TRUE(actor->isLineVisible()) << "0.6 s after the first redraw, 0.3 s after the last";
    frame(0.25f);
    EXPECT_FALSE(actor->isLineVisible());
    EXPECT_FALSE(actor->getLineNode()->isVisible());

    actor->setLineVisible(true);
    for (int i = 0; i < 4; ++i) {
        frame(0.5f);
    }
    EXPECT_TRUE(actor->isLineVisible()) << "the job ran once";
    EXPECT_TRUE(actor->getLineNode()->isVisible());
}

TEST_F(CrossLineTest, FrameDrawsOnlyWhenVisibleAndTheFocusSquareOnce) {
    actor->setFrameColor(2);
    EXPECT_EQ(actor->getFrameNode(), nullptr) << "nothing drawn while the frame is hidden";
    actor->setFrameVisible(true);
    cocos2d::DrawNode* frameNode = actor->getFrameNode();
    ASSERT_NE(frameNode, nullptr);
    EXPECT_TRUE(frameNode->isVisible());
    EXPECT_EQ(frameNode->getParent(), window);
    const size_t lines = frameNode->getLineVertexCount();
    EXPECT_GT(lines, 0u);
    actor->setFrameColor(1);
    EXPECT_EQ(frameNode->getLineVertexCount(), lines) << "redrawn, not added to";
    actor->setFrameVisible(false);
    EXPECT_FALSE(frameNode->isVisible());

    actor->showFocusFrame();
    const size_t triangles = actor->getFocusNode()->getTriangleVertexCount();
    EXPECT_GT(triangles, 0u);
    actor->showFocusFrame();
    EXPECT_EQ(actor->getFocusNode()->getTriangleVertexCount(), triangles);
}

TEST_F(CrossLineTest, ReleasedActorLeavesNoHideJobBehind) {
    actor->setLineVisible(true);
    sendCameraPlane(Vec3(0, 0, 0));
    send(NOTIFY_WINDOW_VISIT);
    cocos2d::Scheduler* scheduler = cocos2d::Director::getInstance()->getScheduler();
    EXPECT_TRUE(scheduler->isScheduled(isActorCrossLine::kHideKey, actor));
    const void* gone = actor;
    window->getActorManager()->releaseAll();
    frame(0.0f);  // the last reference goes with the autorelease pool
    EXPECT_FALSE(scheduler->isScheduled(isActorCrossLine::kHideKey, gone));
    frame(1.0f);
}

}  // namespace
