#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/2d/Node.h"
#include "engine/2d/Scene.h"
#include "engine/base/Macros.h"
#include "engine/base/Touch.h"
#include "tests/support/lib/WidgetFixtures.h"
#include "toolkit/widgets/NSInteractorBase.h"

using cocos2d::Touch;
using cocos2d::Vec2;
using NSUI::NSInteractorBase;

namespace {

// Writes every report of the recogniser to a log.
class Recorder : public NSInteractorBase {
public:
    CREATE_FUNC(Recorder);

    void oneFingerBegan(Touch* touch) override {
        NSInteractorBase::oneFingerBegan(touch);
        log.push_back("began");
    }
    void oneFingerEnded(Touch* touch) override {
        NSInteractorBase::oneFingerEnded(touch);
        log.push_back("ended");
    }
    void oneFingerCancelled(Touch*) override { log.push_back("cancelled"); }
    void onDoubleTap(const Vec2& p) override { log.push_back("double " + text(p)); }
    void onTap(const Vec2& p) override { log.push_back("tap " + text(p)); }
    void onSwipe(const Vec2& p, const Vec2& delta) override {
        log.push_back("swipe " + text(p) + " " + text(delta));
    }
    void onDrag(const Vec2& step, float speed) override {
        log.push_back("drag " + text(step));
        speeds.push_back(speed);
    }
    void onPinch(float factor) override { pinches.push_back(factor); }
    void onTwoFingerPan(const Vec2& step) override { log.push_back("pan " + text(step)); }

    static std::string text(const Vec2& p) {
        return std::to_string(static_cast<int>(std::lround(p.x))) + "," +
               std::to_string(static_cast<int>(std::lround(p.y)));
    }

    std::vector<std::string> log;
    std::vector<float> speeds;
    std::vector<float> pinches;
};

using Log = std::vector<std::string>;

// A running scene holding a 200 x 100 target at (100, 50), the interactors' clock in the
// test's hand, and finger helpers in GL coordinates of a 960 x 640 window.
class InteractorTest : public bvtest::RunningSceneTest {
protected:
    void SetUp() override {
        RunningSceneTest::SetUp();
        _target = cocos2d::Node::create();
        _target->setContentSize(cocos2d::Size(200.0f, 100.0f));
        _target->setPosition(100.0f, 50.0f);
        scene->addChild(_target);
        _ms = 1000000;
        NSInteractorBase::setClock([this] {
            return NSInteractorBase::TimeStamp{static_cast<int32_t>(_ms / 1000),
                                               static_cast<int32_t>(_ms % 1000 * 1000)};
        });
        _recorder = Recorder::create();
        _recorder->setTarget(_target);
    }
    void TearDown() override {
        NSInteractorBase::setClock(nullptr);
        RunningSceneTest::TearDown();
    }

    void down(NSInteractorBase* interactor, int id, float x, float y) {
        interactor->touchesBegan({finger(id, x, y)});
    }
    void move(NSInteractorBase* interactor, int id, float x, float y) {
        interactor->touchesMoved({finger(id, x, y)});
    }
    void up(NSInteractorBase* interactor, int id, float x, float y) {
        interactor->touchesEnded({finger(id, x, y)});
    }
    void wait(int64_t ms) { _ms += ms; }

    cocos2d::Node* _target = nullptr;
    Recorder* _recorder = nullptr;
    int64_t _ms = 0;
};

TEST_F(InteractorTest, ReleaseTellsTapFromSwipeByDurationAndDistance) {
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
        {26, 151.0f, "swipe 201,50 151,0"},
        {129, 399.0f, "swipe 449,50 399,0"},
        {25, 200.0f, ""},
        {130, 200.0f, ""},
        {60, 150.0f, ""},
        {60, 400.0f, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.ms) + " ms, " + std::to_string(c.dx) + " points");
        wait(1000);
        _recorder->log.clear();
        down(_recorder, 0, 150.0f, 100.0f);
        wait(c.ms);
        up(_recorder, 0, 150.0f + c.dx, 100.0f);
        Log expected{"began"};
        if (*c.report != '\0') {
            expected.push_back(c.report);
        }
        expected.push_back("ended");
        EXPECT_EQ(_recorder->log, expected);
        EXPECT_FALSE(NSInteractorBase::isCapturing());
    }
}

TEST_F(InteractorTest, SecondTouchDownWithin180MsIsADoubleTap) {
    down(_recorder, 0, 150.0f, 100.0f);
    wait(40);
    up(_recorder, 0, 150.0f, 100.0f);
    wait(140);
    down(_recorder, 0, 160.0f, 110.0f);
    up(_recorder, 0, 160.0f, 110.0f);
    EXPECT_EQ(_recorder->log,
              (Log{"began", "tap 50,50", "ended", "double 60,60", "tap 60,60", "ended"}));

    // The gap counts from the latest touch-down, so a third press 181 ms later begins anew.
    _recorder->log.clear();
    wait(181);
    down(_recorder, 0, 160.0f, 110.0f);
    EXPECT_EQ(_recorder->log, (Log{"began"}));
}

TEST_F(InteractorTest, DragReportsEachStepOnceWithItsSpeed) {
    down(_recorder, 0, 150.0f, 100.0f);
    EXPECT_TRUE(_recorder->isTapCandidate());
    wait(10);
    move(_recorder, 0, 152.0f, 100.0f);
    EXPECT_TRUE(_recorder->isTapCandidate());
    wait(5);
    move(_recorder, 0, 162.0f, 90.0f);
    EXPECT_FALSE(_recorder->isTapCandidate());
    move(_recorder, 0, 162.0f, 90.0f);
    EXPECT_EQ(_recorder->log, (Log{"began", "drag 2,0", "drag 10,-10", "drag 0,0"}));
    ASSERT_EQ(_recorder->speeds.size(), 3u);
    // The first move is timed from the previous touch-down, which is long ago here.
    EXPECT_NEAR(_recorder->speeds[1], std::sqrt(200.0f) / 5.0f, 1e-4f);
    EXPECT_EQ(_recorder->speeds[2], 0.0f);

    _recorder->setPanEnabled(false);
    _recorder->log.clear();
    move(_recorder, 0, 180.0f, 90.0f);
    EXPECT_TRUE(_recorder->log.empty());
}

TEST_F(InteractorTest, TouchOutsideTheTargetOrOffStageIsNotCaptured) {
    // The target spans (100, 50)-(300, 150); its edges are outside.
    for (const Vec2& p : {Vec2(100.0f, 100.0f), Vec2(300.0f, 100.0f), Vec2(150.0f, 50.0f),
                          Vec2(150.0f, 150.0f), Vec2(20.0f, 20.0f)}) {
        down(_recorder, 0, p.x, p.y);
        EXPECT_FALSE(NSInteractorBase::isCapturing());
        EXPECT_FALSE(_recorder->isOwningCapture());
        move(_recorder, 0, p.x + 30.0f, p.y);
        up(_recorder, 0, p.x + 30.0f, p.y);
    }
    EXPECT_TRUE(_recorder->log.empty());

    _target->removeFromParent();
    down(_recorder, 0, 150.0f, 100.0f);
    EXPECT_FALSE(NSInteractorBase::isCapturing());
    EXPECT_TRUE(_recorder->log.empty());
}

TEST_F(InteractorTest, TheCaptureKeepsOtherInteractorsOutUntilEveryFingerIsUp) {
    Recorder* other = Recorder::create();
    other->setTarget(_target);
    down(_recorder, 0, 150.0f, 100.0f);
    EXPECT_EQ(NSInteractorBase::getCaptureOwner(), _recorder);
    down(other, 0, 150.0f, 100.0f);
    move(other, 0, 170.0f, 100.0f);
    EXPECT_FALSE(other->isOwningCapture());
    EXPECT_TRUE(other->log.empty());

    up(_recorder, 0, 170.0f, 100.0f);
    EXPECT_FALSE(NSInteractorBase::isCapturing());
    wait(500);
    down(other, 0, 150.0f, 100.0f);
    EXPECT_EQ(NSInteractorBase::getCaptureOwner(), other);
    EXPECT_EQ(other->log, (Log{"began"}));
    up(other, 0, 150.0f, 100.0f);
}

TEST_F(InteractorTest, AnInteractorThatDiesHoldingTheCaptureReleasesIt) {
    auto* doomed = new Recorder();
    doomed->init();
    doomed->setTarget(_target);
    down(doomed, 0, 150.0f, 100.0f);
    ASSERT_TRUE(NSInteractorBase::isCapturing());
    doomed->release();
    EXPECT_FALSE(NSInteractorBase::isCapturing());
    EXPECT_EQ(NSInteractorBase::getCaptureOwner(), nullptr);

    wait(500);
    down(_recorder, 0, 150.0f, 100.0f);
    EXPECT_EQ(_recorder->log, (Log{"began"}));
}

TEST_F(InteractorTest, SecondFingerEndsTheDragAndStartsPinchAndPan) {
    down(_recorder, 0, 150.0f, 100.0f);
    wait(300);
    down(_recorder, 1, 250.0f, 100.0f);
    EXPECT_FALSE(_recorder->isSingleTouch());
    EXPECT_EQ(_recorder->log, (Log{"began", "ended"}));
    _recorder->log.clear();

    // Apart to twice the distance, then to three times: factors 2 and 1.5.
    _recorder->touchesMoved({finger(0, 100.0f, 100.0f), finger(1, 300.0f, 100.0f)});
    _recorder->touchesMoved({finger(0, 50.0f, 100.0f), finger(1, 350.0f, 100.0f)});
    EXPECT_EQ(_recorder->pinches, (std::vector<float>{2.0f, 1.5f}));
    EXPECT_FLOAT_EQ(_recorder->getPinchScale(), 3.0f);
    EXPECT_EQ(_recorder->log, (Log{"pan 0,0", "pan 0,0"}));

    // Both up by 20, then 10 more: the pan reports each part of the shared displacement once.
    _recorder->log.clear();
    _recorder->touchesMoved({finger(0, 50.0f, 120.0f), finger(1, 350.0f, 120.0f)});
    _recorder->touchesMoved({finger(0, 50.0f, 130.0f), finger(1, 350.0f, 130.0f)});
    EXPECT_EQ(_recorder->log, (Log{"pan 0,20", "pan 0,10"}));

    // One finger alone neither pinches nor pans; lifting both restores one-finger mode.
    _recorder->log.clear();
    up(_recorder, 1, 350.0f, 130.0f);
    move(_recorder, 0, 80.0f, 130.0f);
    EXPECT_TRUE(NSInteractorBase::isCapturing());
    up(_recorder, 0, 80.0f, 130.0f);
    EXPECT_TRUE(_recorder->log.empty());
    EXPECT_FALSE(NSInteractorBase::isCapturing());
    EXPECT_TRUE(_recorder->isSingleTouch());
}

TEST_F(InteractorTest, PinchFromFingersOnOnePointMeasuresFromTheFirstSpread) {
    down(_recorder, 0, 150.0f, 100.0f);
    down(_recorder, 1, 150.0f, 100.0f);
    _recorder->touchesMoved({finger(0, 150.0f, 100.0f), finger(1, 150.0f, 100.0f)});
    _recorder->touchesMoved({finger(0, 140.0f, 100.0f), finger(1, 160.0f, 100.0f)});
    _recorder->touchesMoved({finger(0, 130.0f, 100.0f), finger(1, 170.0f, 100.0f)});
    _recorder->touchesMoved({finger(0, 150.0f, 100.0f), finger(1, 150.0f, 100.0f)});
    _recorder->touchesMoved({finger(0, 120.0f, 100.0f), finger(1, 180.0f, 100.0f)});
    ASSERT_EQ(_recorder->pinches.size(), 2u);
    EXPECT_FLOAT_EQ(_recorder->pinches[0], 2.0f);
    EXPECT_FLOAT_EQ(_recorder->pinches[1], 1.5f);
    for (float factor : _recorder->pinches) {
        EXPECT_TRUE(std::isfinite(factor));
    }
}

TEST_F(InteractorTest, CancelledTouchEndsTheGestureWithoutATap) {
    down(_recorder, 0, 150.0f, 100.0f);
    _recorder->touchesCancelled({finger(0, 150.0f, 100.0f)});
    EXPECT_EQ(_recorder->log, (Log{"began", "cancelled"}));
    EXPECT_FALSE(NSInteractorBase::isCapturing());
}

}  // namespace
