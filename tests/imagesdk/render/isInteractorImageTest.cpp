#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/Macros.h"
#include "engine/base/RefPtr.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isCamera.h"
#include "imagesdk/render/isInteractorImage.h"
#include "imagesdk/render/isRenderWindowBase.h"
#include "tests/imagesdk/render/InteractorFixture.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"

using cocos2d::RefPtr;
using cocos2d::Vec2;
using cocos2d::Vec3;
using isImageSDK::isInteractorImage;
using namespace isImageSDK;

namespace {

// A render window whose picture maps window point (x, y) to the world point
// (x / 2, y / 4, 3), unless picking is switched off.
class PickWindow : public isRenderWindowBase {
public:
    CREATE_FUNC(PickWindow);
    bool pickPoint(const Vec2& point, Vec3& world) override {
        if (!pickable) {
            return false;
        }
        world = Vec3(point.x / 2.0f, point.y / 4.0f, 3.0f);
        return true;
    }
    bool pickable = true;
};

// What the interactor posted, by key, in delivery order.
struct Post {
    bool hasData = false;
    std::string text;
    float number = 0.0f;
    int integer = 0;
};

class KeyLog {
public:
    KeyLog(void* group, const std::vector<int>& keys) {
        for (int key : keys) {
            NSUI::NSNotificationCenter::getInstance()->addObserver(
                this, group,
                [this](cocos2d::Ref*, unsigned received, NSUI::NSNotificationData* data) {
                    Post post;
                    if (data != nullptr) {
                        post = Post{true, data->stringValue, data->floatValue, data->intValue};
                    }
                    posts[static_cast<int>(received)].push_back(post);
                    order.push_back(static_cast<int>(received));
                },
                key);
        }
    }
    ~KeyLog() { NSUI::NSNotificationCenter::getInstance()->removeObserver(this); }
    KeyLog(const KeyLog&) = delete;
    KeyLog& operator=(const KeyLog&) = delete;

    std::vector<std::string> texts(int key) const {
        std::vector<std::string> out;
        for (const Post& post : at(key)) {
            out.push_back(post.text);
        }
        return out;
    }
    std::vector<float> numbers(int key) const {
        std::vector<float> out;
        for (const Post& post : at(key)) {
            out.push_back(post.number);
        }
        return out;
    }
    std::vector<int> integers(int key) const {
        std::vector<int> out;
        for (const Post& post : at(key)) {
            out.push_back(post.integer);
        }
        return out;
    }
    size_t count(int key) const { return at(key).size(); }

    std::map<int, std::vector<Post>> posts;
    // Every key received, in delivery order.
    std::vector<int> order;

private:
    const std::vector<Post>& at(int key) const {
        static const std::vector<Post> none;
        auto it = posts.find(key);
        return it == posts.end() ? none : it->second;
    }
};

const std::vector<int> kAllKeys = {
    NOTIFY_SYNC_POSITION,   NOTIFY_SYNC_ZOOM,     NOTIFY_SYNC_ZOOM_ALT, NOTIFY_INTERACT_9076,
    NOTIFY_INTERACT_9077,   NOTIFY_INTERACT_9078, NOTIFY_CINE_SPEED,    NOTIFY_SYNC_PAN,
    NOTIFY_SYNC_FOCAL_ZOOM, NOTIFY_INTERACT_9082, NOTIFY_INTERACT_9083, NOTIFY_PICK_VALUE,
    NOTIFY_VIEW_CMD_9100,   NOTIFY_VIEW_ACTIVATED};

using Texts = std::vector<std::string>;
using Floats = std::vector<float>;
using Ints = std::vector<int>;

// A 400 x 300 render window at (100, 50) with an image interactor and a log of its posts.
class InteractorImageTest : public imagesdktest::InteractorFixture {
protected:
    void SetUp() override {
        InteractorFixture::SetUp();
        window = PickWindow::create();
        window->setPosition(Vec2(100.0f, 50.0f));
        window->setContentSize(cocos2d::Size(400.0f, 300.0f));
        scene->addChild(window);
        interactor = RefPtr<isInteractorImage>::retained(isInteractorImage::create());
        interactor->setRenderWindow(window);
        log = std::make_unique<KeyLog>(window, kAllKeys);
        frame(0.0f);
    }
    void TearDown() override {
        log.reset();
        interactor->cleanup();
        interactor.reset();
        InteractorFixture::TearDown();
    }

    // A drag in `mode` through the given points, 20 ms apart, then every post delivered.
    void dragIn(int mode, Vec2 from, const std::vector<Vec2>& to, int64_t stepMs = 20) {
        interactor->setInteractionMode(mode);
        wait(1000);
        drag(interactor.get(), from, to, stepMs);
        deliver();
    }
    static void deliver() {
        for (int i = 0; i < 16; ++i) {
            frame(0.6f);
        }
    }

    PickWindow* window = nullptr;
    RefPtr<isInteractorImage> interactor;
    std::unique_ptr<KeyLog> log;
};

TEST_F(InteractorImageTest, StartsPanningAndTheVolumeVariantRotating) {
    EXPECT_EQ(interactor->getInteractionMode(), kModePan);
    EXPECT_EQ(interactor->getKind(), 1);
    RefPtr<isInteractorTrackVR> vr =
        RefPtr<isInteractorTrackVR>::retained(isInteractorTrackVR::create());
    EXPECT_EQ(vr->getInteractionMode(), kModeRotate);
    EXPECT_EQ(vr->getKind(), 2);
}

TEST_F(InteractorImageTest, PanStepsMirrorXAndTheTotalArrivesAtTheEnd) {
    dragIn(kModePan, {150, 100}, {{160, 95}, {170, 95}, {165, 97}});
    EXPECT_EQ(log->texts(NOTIFY_SYNC_POSITION),
              (Texts{R"({"x":"-10.0000","y":"-5.0000"})", R"({"x":"-10.0000","y":"0.0000"})",
                     R"({"x":"5.0000","y":"2.0000"})"}));
    EXPECT_EQ(log->texts(NOTIFY_SYNC_PAN), Texts{R"({"x":"-15.0000","y":"-3.0000"})"});
    EXPECT_EQ(log->count(NOTIFY_VIEW_ACTIVATED), 1u);

    // A touch that does not move reports no total.
    log->posts.clear();
    dragIn(kModePan, {150, 100}, {});
    EXPECT_EQ(log->count(NOTIFY_SYNC_PAN), 0u);
    EXPECT_EQ(interactor->getPanTotal(), Vec2::ZERO);
}

TEST_F(InteractorImageTest, WindowLevelStepsAndTheirEndMark) {
    dragIn(kModeWindowLevel, {150, 100}, {{160, 95}, {163, 99}});
    EXPECT_EQ(log->texts(NOTIFY_INTERACT_9076),
              (Texts{R"({"ww":"10.00","wl":"-5.00"})", R"({"ww":"3.00","wl":"4.00"})"}));
    ASSERT_EQ(log->count(NOTIFY_INTERACT_9082), 1u);
    EXPECT_FALSE(log->posts[NOTIFY_INTERACT_9082][0].hasData);

    log->posts.clear();
    dragIn(kModeWindowLevel, {150, 100}, {});
    EXPECT_EQ(log->count(NOTIFY_INTERACT_9082), 0u);
    EXPECT_EQ(log->count(NOTIFY_SYNC_PAN), 0u);
}

TEST_F(InteractorImageTest, ZoomFollowsVerticalStepsWithinThePixelScaleLimits) {
    dragIn(kModeZoom, {150, 100}, {{151, 110}, {160, 112}, {160, 100}});
    EXPECT_EQ(log->numbers(NOTIFY_SYNC_ZOOM), (Floats{1.05f, 0.95f}));
    ASSERT_EQ(log->count(NOTIFY_SYNC_FOCAL_ZOOM), 1u);
    EXPECT_FLOAT_EQ(log->numbers(NOTIFY_SYNC_FOCAL_ZOOM)[0], 1.05f * 0.95f);

    // The pixel scale is the base scale at zoom 1.
    struct Case {
        float scale;
        float dy;
        size_t posts;
    };
    for (const Case& c : {Case{10.5f, 10, 0}, Case{10.5f, -10, 1}, Case{9.9f, 10, 1},
                          Case{0.09f, -10, 0}, Case{0.09f, 10, 1}, Case{0.11f, -10, 1}}) {
        SCOPED_TRACE(std::to_string(c.scale) + " " + std::to_string(c.dy));
        window->setBaseScale(c.scale);
        log->posts.clear();
        dragIn(kModeZoom, {150, 100}, {{150, 100 + c.dy}});
        EXPECT_EQ(log->count(NOTIFY_SYNC_ZOOM), c.posts);
        EXPECT_EQ(log->count(NOTIFY_SYNC_FOCAL_ZOOM), c.posts);
    }
}

TEST_F(InteractorImageTest, PagingChoosesItsAxisAfter5PixelsAndCountsSlicesBySpeed) {
    // 4 pixels decide nothing; the end still resets the browser's drag.
    dragIn(kModePaging, {150, 100}, {{152, 103}});
    EXPECT_EQ(log->count(NOTIFY_INTERACT_9077), 0u);
    EXPECT_EQ(log->numbers(NOTIFY_INTERACT_9078), Floats{0.0f});
    EXPECT_EQ(interactor->getPagingAxis(), isInteractorImage::kAxisUndecided);

    // 20 pixels per 20 ms (1 px/ms: a slice per 26 pixels); the first step is timed from the
    // previous touch, so it is slow (a slice per 51 pixels).
    log->posts.clear();
    dragIn(kModePaging, {150, 100},
           {{151, 120}, {151, 140}, {151, 160}, {151, 180}, {151, 200}, {151, 220}});
    EXPECT_EQ(log->integers(NOTIFY_INTERACT_9077), (Ints{1, 1, 1, 1}));
    EXPECT_EQ(log->numbers(NOTIFY_INTERACT_9078), Floats{0.0f});

    // Fast: 100 pixels in 1 ms page about one slice per pixel, downwards here.
    log->posts.clear();
    interactor->setInteractionMode(kModePaging);
    wait(1000);
    down(interactor.get(), 0, 150, 200);
    wait(20);
    move(interactor.get(), 0, 150, 190);
    wait(1);
    move(interactor.get(), 0, 150, 90);
    up(interactor.get(), 0, 150, 90);
    deliver();
    EXPECT_EQ(log->integers(NOTIFY_INTERACT_9077), Ints{-109});
}

TEST_F(InteractorImageTest, HorizontalPagingPostsItsTotalUntilItPasses200) {
    dragIn(kModePaging, {110, 100}, {{170, 102}, {230, 102}, {290, 100}, {350, 100}, {410, 99}});
    EXPECT_EQ(log->numbers(NOTIFY_INTERACT_9078), (Floats{60, 120, 180, 240, 0}));
    EXPECT_EQ(log->count(NOTIFY_INTERACT_9077), 0u);
}

TEST_F(InteractorImageTest, SteppingGivesOneStepPer80PixelsAndAtMostOnePerMove) {
    dragIn(kModeStepping, {150, 60}, {{150, 260}, {150, 290}, {150, 291}, {150, 200}, {150, 90}});
    // +200: one step, 120 carried; +30: 150 → one step, 70; +1: 71; -91: -20; -110: -130 → -1.
    EXPECT_EQ(log->integers(NOTIFY_CINE_SPEED), (Ints{1, 1, -1}));
}

TEST_F(InteractorImageTest, ProbeSendsTheNewestPickOfEachFrameAndMarksTheEnd) {
    interactor->setInteractionMode(kModeProbe);
    wait(1000);
    // Window point (50, 50) → world (25, 12.5, 3).
    down(interactor.get(), 0, 150, 100);
    deliver();
    EXPECT_EQ(log->texts(NOTIFY_PICK_VALUE), Texts{R"({"x":"25.00","y":"12.50","z":"3.00"})"});
    EXPECT_EQ(log->texts(NOTIFY_VIEW_CMD_9100), log->texts(NOTIFY_PICK_VALUE));
    // The touch sends the focal point first, the moves the value.
    const auto probes = [this] {
        Ints keys;
        for (int key : log->order) {
            if (key == NOTIFY_PICK_VALUE || key == NOTIFY_VIEW_CMD_9100) {
                keys.push_back(key);
            }
        }
        return keys;
    };
    EXPECT_EQ(probes(), (Ints{NOTIFY_VIEW_CMD_9100, NOTIFY_PICK_VALUE}));

    // Three moves in one frame: only the last arrives.
    log->posts.clear();
    log->order.clear();
    move(interactor.get(), 0, 160, 100);
    move(interactor.get(), 0, 170, 100);
    move(interactor.get(), 0, 171, 102);
    deliver();
    EXPECT_EQ(probes(), (Ints{NOTIFY_PICK_VALUE, NOTIFY_VIEW_CMD_9100}));
    up(interactor.get(), 0, 171, 102);
    deliver();
    EXPECT_EQ(log->texts(NOTIFY_PICK_VALUE), Texts{R"({"x":"35.50","y":"13.00","z":"3.00"})"});
    EXPECT_EQ(log->texts(NOTIFY_VIEW_CMD_9100), log->texts(NOTIFY_PICK_VALUE));
    EXPECT_EQ(log->count(NOTIFY_INTERACT_9083), 1u);

    // Nothing picked: no probe, but the end mark.
    log->posts.clear();
    window->pickable = false;
    dragIn(kModeProbe, {150, 100}, {{160, 100}});
    EXPECT_EQ(log->count(NOTIFY_PICK_VALUE), 0u);
    EXPECT_EQ(log->count(NOTIFY_INTERACT_9083), 1u);
}

TEST_F(InteractorImageTest, ProbeWhileMovingSendsEveryMoveAndNoEndMark) {
    interactor->setInteractionMode(kModeProbeMoving);
    wait(1000);
    down(interactor.get(), 0, 150, 100);
    move(interactor.get(), 0, 152, 100);
    move(interactor.get(), 0, 154, 100);
    up(interactor.get(), 0, 154, 100);
    deliver();
    EXPECT_EQ(log->texts(NOTIFY_PICK_VALUE), (Texts{R"({"x":"26.00","y":"12.50","z":"3.00"})",
                                                    R"({"x":"27.00","y":"12.50","z":"3.00"})"}));
    EXPECT_EQ(log->count(NOTIFY_VIEW_CMD_9100), 0u);
    EXPECT_EQ(log->count(NOTIFY_INTERACT_9083), 0u);
}

TEST_F(InteractorImageTest, RotateTurnsTheViewBy90DegreesPer122Pixels) {
    struct Case {
        Vec2 drag;
        // Where the eye goes and which way is up, in terms of the frame before the drag.
        int eyeAlong;  // 0 -right, 1 -up
    };
    for (const Case& c : {Case{{122, 0}, 0}, Case{{0, 122}, 1}}) {
        const isCameraState before = window->getCameraState();
        const Vec3 centre = before.center();
        const float distance = before.eyeDistance();
        dragIn(kModeRotate, {300, 200}, {Vec2(300, 200) + c.drag}, 20);
        const isCameraState after = window->getCameraState();
        const Vec3 expectedEye =
            centre - (c.eyeAlong == 0 ? before.right() : before.up()) * distance;
        const Vec3 expectedUp = c.eyeAlong == 0 ? before.up() : -before.forward();
        EXPECT_NEAR(after.eye().distance(expectedEye), 0.0f, 1e-3f);
        EXPECT_NEAR(after.up().distance(expectedUp), 0.0f, 1e-3f);
        EXPECT_NEAR(after.eyeDistance(), distance, 1e-3f);
    }
    EXPECT_TRUE(log->posts.count(NOTIFY_SYNC_POSITION) == 0);
}

TEST_F(InteractorImageTest, TwoTouchesPanAndZoomInEveryModeButReportTotalsOnlyForPanAndZoom) {
    struct Case {
        int mode;
        size_t panTotals;
        size_t zoomTotals;
    };
    for (const Case& c : {Case{kModeStepping, 0, 0}, Case{kModePan, 1, 0}, Case{kModeZoom, 0, 1}}) {
        SCOPED_TRACE(c.mode);
        log->posts.clear();
        interactor->setInteractionMode(c.mode);
        wait(1000);
        down(interactor.get(), 0, 200, 100);
        down(interactor.get(), 1, 300, 100);
        interactor->touchesMoved({finger(0, 160, 110), finger(1, 360, 110)});
        up(interactor.get(), 1, 360, 110);
        up(interactor.get(), 0, 160, 110);
        deliver();
        // The midpoint moved (10, 10); x is mirrored.
        EXPECT_EQ(log->texts(NOTIFY_SYNC_POSITION), Texts{R"({"x":"-10.0000","y":"10.0000"})"});
        EXPECT_EQ(log->numbers(NOTIFY_SYNC_ZOOM_ALT), Floats{2.0f});
        EXPECT_EQ(log->count(NOTIFY_SYNC_PAN), c.panTotals);
        EXPECT_EQ(log->count(NOTIFY_SYNC_FOCAL_ZOOM), c.zoomTotals);
    }
}

}  // namespace
