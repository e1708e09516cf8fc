#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/base/AutoreleasePool.h"
#include "engine/base/Macros.h"
#include "engine/base/RefPtr.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isInteractorBase.h"
#include "tests/imagesdk/NotificationRecorder.h"
#include "tests/imagesdk/render/InteractorFixture.h"

using cocos2d::Touch;
using cocos2d::Vec2;
using isImageSDK::isInteractorBase;

namespace {

std::string text(const Vec2& p) {
    return std::to_string(static_cast<int>(std::lround(p.x))) + "," +
           std::to_string(static_cast<int>(std::lround(p.y)));
}

// Writes every gesture operation to a log.
class GestureLog : public isInteractorBase {
public:
    CREATE_FUNC(GestureLog);

    void onTouchBegan(Touch*) override { entries.push_back("began"); }
    void onTouchEnded(Touch* touch) override {
        isInteractorBase::onTouchEnded(touch);
        entries.push_back("ended");
    }
    void onTouchCancelled(Touch*) override { entries.push_back("cancelled"); }
    void onDoubleTap(const Vec2& p) override { entries.push_back("double " + text(p)); }
    void onTap(const Vec2& p) override { entries.push_back("tap " + text(p)); }
    void onFlick(const Vec2& p, const Vec2& d) override {
        entries.push_back("flick " + text(p) + " " + text(d));
    }
    void applyDrag(const Vec2& step, float speed) override {
        entries.push_back("drag " + text(step));
        speeds.push_back(speed);
    }
    void onPinchBegan(const Touches& touches) override {
        isInteractorBase::onPinchBegan(touches);
        entries.push_back("pinch");
    }
    void onZoom(float factor) override { zooms.push_back(factor); }
    void onPan(const Vec2& step) override { entries.push_back("pan " + text(step)); }

    std::vector<std::string> entries;
    std::vector<float> speeds;
    std::vector<float> zooms;
};

using Log = std::vector<std::string>;

// A 200 x 100 window at (100, 50) with a logging interactor.
class InteractorBaseTest : public imagesdktest::InteractorFixture {
protected:
    void SetUp() override {
        InteractorFixture::SetUp();
        window = addWindow(100.0f, 50.0f, 200.0f, 100.0f);
        log = make(window);
    }
    void TearDown() override {
        logs.clear();
        InteractorFixture::TearDown();
    }

    // Kept until the test ends, across the frames that drain the autorelease pool.
    GestureLog* make(cocos2d::Node* target) {
        logs.push_back(cocos2d::RefPtr<GestureLog>::retained(GestureLog::create()));
        logs.back()->setRenderWindow(target);
        return logs.back().get();
    }

    cocos2d::Node* window = nullptr;
    GestureLog* log = nullptr;
    std::vector<cocos2d::RefPtr<GestureLog>> logs;
};

TEST_F(InteractorBaseTest, SecondTouchWithin180MsIsADoubleTapInsteadOfABegan) {
    struct Case {
        int64_t gap;
        const char* second;
    };
    for (const Case& c : {Case{120, "double 60,60"}, Case{180, "double 60,60"}, Case{181, "began"},
                          Case{1000, "began"}}) {
        SCOPED_TRACE(c.gap);
        wait(5000);
        down(log, 0, 150.0f, 100.0f);
        wait(40);
        up(log, 0, 150.0f, 100.0f);
        log->entries.clear();
        wait(c.gap - 40);
        down(log, 0, 160.0f, 110.0f);
        EXPECT_EQ(log->entries, Log{c.second});
        up(log, 0, 160.0f, 110.0f);
    }
}

TEST_F(InteractorBaseTest, ReleaseTellsTapFromFlickByDurationAndDistance) {
    struct Case {
        int64_t ms;
        float dx;
        const char* report;
    };
    const Case cases[] = {
        {0, 0.0f, "tap 50,50"},
        {99, 49.0f, "tap 99,50"},
        {100, 0.0f, ""},
        {60, 50.0f, ""},
        {26, 151.0f, "flick 201,50 151,0"},
        {129, 399.0f, "flick 449,50 399,0"},
        {25, 200.0f, ""},
        {130, 200.0f, ""},
        {60, 150.0f, ""},
        {60, 400.0f, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.ms) + " ms, " + std::to_string(c.dx) + " px");
        wait(1000);
        log->entries.clear();
        down(log, 0, 150.0f, 100.0f);
        wait(c.ms);
        up(log, 0, 150.0f + c.dx, 100.0f);
        Log expected{"began"};
        if (*c.report != '\0') {
            expected.push_back(c.report);
        }
        expected.push_back("ended");
        EXPECT_EQ(log->entries, expected);
        EXPECT_FALSE(isInteractorBase::isGestureActive());
    }
}

TEST_F(InteractorBaseTest, DragStepsCarryTheirSpeedAndEndTheTapPast2Pixels) {
    down(log, 0, 150.0f, 100.0f);
    EXPECT_TRUE(log->isTapCandidate());
    // The first step is timed from the previous touch-began, long ago.
    wait(10);
    move(log, 0, 152.0f, 100.0f);
    EXPECT_TRUE(log->isTapCandidate());
    wait(5);
    move(log, 0, 162.0f, 90.0f);
    EXPECT_FALSE(log->isTapCandidate());
    move(log, 0, 165.0f, 94.0f);
    EXPECT_EQ(log->entries, (Log{"began", "drag 2,0", "drag 10,-10", "drag 3,4"}));
    ASSERT_EQ(log->speeds.size(), 3u);
    EXPECT_LT(log->speeds[0], 1e-4f);
    EXPECT_NEAR(log->speeds[1], std::sqrt(200.0f) / 5.0f, 1e-4f);
    // Same millisecond: no speed.
    EXPECT_EQ(log->speeds[2], 0.0f);
    EXPECT_EQ(log->getDragTotal(), Vec2(15.0f, -6.0f));

    log->setDragEnabled(false);
    log->entries.clear();
    move(log, 0, 180.0f, 90.0f);
    EXPECT_TRUE(log->entries.empty());
}

TEST_F(InteractorBaseTest, GestureStartActivatesItsWindowOnlyOnAHit) {
    imagesdktest::NotificationRecorder activated(isImageSDK::NOTIFY_VIEW_ACTIVATED, window);
    // The window spans (100, 50)-(300, 150); its edges are outside.
    for (const Vec2& p : {Vec2(100.0f, 100.0f), Vec2(300.0f, 100.0f), Vec2(150.0f, 50.0f),
                          Vec2(150.0f, 150.0f), Vec2(20.0f, 20.0f)}) {
        down(log, 0, p.x, p.y);
        EXPECT_FALSE(isInteractorBase::isGestureActive());
        EXPECT_FALSE(log->ownsGesture());
        EXPECT_EQ(log->getHeldTouches().size(), 1u);
        up(log, 0, p.x, p.y);
        EXPECT_TRUE(log->getHeldTouches().empty());
    }
    activated.drain();
    EXPECT_TRUE(activated.received.empty());
    EXPECT_TRUE(log->entries.empty());

    down(log, 0, 101.0f, 51.0f);
    EXPECT_EQ(isInteractorBase::getGestureOwner(), log);
    activated.drain();
    ASSERT_EQ(activated.received.size(), 1u);
    EXPECT_EQ(activated.received[0].sender, log);
    EXPECT_FALSE(activated.received[0].hasData);
}

TEST_F(InteractorBaseTest, AnotherWindowIgnoresTouchesWhileAGestureIsOwnedElsewhere) {
    cocos2d::Node* second = addWindow(400.0f, 50.0f, 200.0f, 100.0f);
    GestureLog* other = make(second);

    down(log, 0, 150.0f, 100.0f);
    down(other, 1, 450.0f, 100.0f);
    move(other, 1, 470.0f, 100.0f);
    up(other, 1, 470.0f, 100.0f);
    EXPECT_TRUE(other->entries.empty());
    EXPECT_EQ(isInteractorBase::getGestureOwner(), log);

    up(log, 0, 150.0f, 100.0f);
    EXPECT_FALSE(isInteractorBase::isGestureActive());
    wait(1000);
    down(other, 1, 450.0f, 100.0f);
    EXPECT_EQ(other->entries, Log{"began"});
    up(other, 1, 450.0f, 100.0f);
}

TEST_F(InteractorBaseTest, AnOffStageWindowTakesNoTouch) {
    window->removeFromParent();
    down(log, 0, 150.0f, 100.0f);
    EXPECT_FALSE(isInteractorBase::isGestureActive());
    EXPECT_TRUE(log->getHeldTouches().empty());
}

TEST_F(InteractorBaseTest, CleanupOrDeathOfTheOwnerMidGestureFreesTheGesture) {
    cocos2d::Node* second = addWindow(400.0f, 50.0f, 200.0f, 100.0f);
    GestureLog* other = make(second);

    down(log, 0, 150.0f, 100.0f);
    log->cleanup();
    EXPECT_FALSE(isInteractorBase::isGestureActive());
    EXPECT_EQ(log->getRenderWindow(), nullptr);
    down(other, 1, 450.0f, 100.0f);
    EXPECT_EQ(isInteractorBase::getGestureOwner(), other);
    up(other, 1, 450.0f, 100.0f);

    {
        GestureLog* dying = GestureLog::create();
        dying->retain();
        dying->setRenderWindow(window);
        wait(1000);
        down(dying, 2, 150.0f, 100.0f);
        EXPECT_EQ(isInteractorBase::getGestureOwner(), dying);
        dying->release();
        cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
    }
    EXPECT_FALSE(isInteractorBase::isGestureActive());
    EXPECT_EQ(isInteractorBase::getGestureOwner(), nullptr);
    wait(1000);
    other->entries.clear();
    down(other, 1, 450.0f, 100.0f);
    EXPECT_EQ(other->entries, Log{"began"});
    up(other, 1, 450.0f, 100.0f);
}

TEST_F(InteractorBaseTest, SecondTouchEndsTheOneTouchGestureAndStartsAPinch) {
    down(log, 0, 150.0f, 100.0f);
    down(log, 1, 250.0f, 100.0f);
    EXPECT_FALSE(log->isSingleTouchMode());
    EXPECT_EQ(log->entries, (Log{"began", "tap 50,50", "ended", "pinch"}));

    // Apart to twice the distance, both moving right by 10: the midpoint moves 10.
    log->entries.clear();
    log->touchesMoved({finger(0, 110.0f, 100.0f), finger(1, 310.0f, 100.0f)});
    log->touchesMoved({finger(0, 60.0f, 100.0f), finger(1, 360.0f, 100.0f)});
    ASSERT_EQ(log->zooms.size(), 2u);
    EXPECT_FLOAT_EQ(log->zooms[0], 2.0f);
    EXPECT_FLOAT_EQ(log->zooms[1], 1.5f);
    EXPECT_EQ(log->entries, (Log{"pan 10,0", "pan 0,0"}));

    // One touch lifts: the other stays a two-touch gesture until it lifts too.
    up(log, 1, 360.0f, 100.0f);
    EXPECT_TRUE(isInteractorBase::isGestureActive());
    EXPECT_FALSE(log->isSingleTouchMode());
    move(log, 0, 90.0f, 100.0f);
    EXPECT_EQ(log->zooms.size(), 2u);
    up(log, 0, 90.0f, 100.0f);
    EXPECT_FALSE(isInteractorBase::isGestureActive());
    EXPECT_TRUE(log->isSingleTouchMode());
}

TEST_F(InteractorBaseTest, ThreeTouchesFreezeThePinchUntilOneLifts) {
    down(log, 0, 150.0f, 100.0f);
    down(log, 1, 250.0f, 100.0f);
    down(log, 2, 200.0f, 120.0f);
    log->entries.clear();
    log->touchesMoved({finger(0, 100.0f, 100.0f), finger(1, 300.0f, 100.0f)});
    log->touchesMoved(
        {finger(0, 90.0f, 100.0f), finger(1, 310.0f, 100.0f), finger(2, 200.0f, 130.0f)});
    EXPECT_TRUE(log->zooms.empty());
    EXPECT_TRUE(log->entries.empty());

    // With one lifted the other two are measured afresh from their began locations.
    up(log, 2, 200.0f, 130.0f);
    EXPECT_EQ(log->entries, Log{"pinch"});
    log->touchesMoved({finger(0, 50.0f, 100.0f), finger(1, 350.0f, 100.0f)});
    ASSERT_EQ(log->zooms.size(), 1u);
    EXPECT_FLOAT_EQ(log->zooms[0], 3.0f);
}

TEST_F(InteractorBaseTest, TouchesThatBeganOnOnePointGiveNoInfiniteZoom) {
    down(log, 0, 150.0f, 100.0f);
    down(log, 1, 150.0f, 100.0f);
    log->touchesMoved({finger(0, 140.0f, 100.0f), finger(1, 160.0f, 100.0f)});
    log->touchesMoved({finger(0, 130.0f, 100.0f), finger(1, 170.0f, 100.0f)});
    ASSERT_EQ(log->zooms.size(), 1u);
    EXPECT_FLOAT_EQ(log->zooms[0], 2.0f);
}

TEST_F(InteractorBaseTest, CancelledTouchEndsTheGestureWithoutATap) {
    down(log, 0, 150.0f, 100.0f);
    log->touchesCancelled({finger(0, 150.0f, 100.0f)});
    EXPECT_EQ(log->entries, (Log{"began", "cancelled"}));
    EXPECT_FALSE(isInteractorBase::isGestureActive());
}

}  // namespace
