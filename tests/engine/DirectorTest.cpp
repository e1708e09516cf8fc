#include "engine/base/Director.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "engine/base/AutoreleasePool.h"
#include "engine/base/Scheduler.h"

using cocos2d::Director;
using cocos2d::Ref;
using cocos2d::Scheduler;

namespace {

class DirectorTest : public ::testing::Test {
protected:
    void TearDown() override { Director::getInstance()->purgeDirector(); }
};

class Tracked : public Ref {
public:
    explicit Tracked(bool& deleted) : _deleted(deleted) {}
    ~Tracked() override { _deleted = true; }

private:
    bool& _deleted;
};

TEST_F(DirectorTest, FrameRunsTheSchedulerWithTheGivenDelta) {
    Director* director = Director::getInstance();
    std::vector<float> dts;
    int target = 0;
    director->getScheduler()->schedule([&](float dt) { dts.push_back(dt); }, &target, 0.0f, false,
                                       "frame");
    director->mainLoop(0.0f);
    director->mainLoop(0.25f);
    director->mainLoop(0.5f);
    EXPECT_EQ(dts, (std::vector<float>{0.25f, 0.5f}));
    EXPECT_EQ(director->getTotalFrames(), 3u);
    EXPECT_FLOAT_EQ(director->getDeltaTime(), 0.5f);
}

TEST_F(DirectorTest, FrameEndsByClearingTheAutoreleasePool) {
    bool deleted = false;
    (new Tracked(deleted))->autorelease();
    EXPECT_FALSE(deleted);
    Director::getInstance()->mainLoop(0.0f);
    EXPECT_TRUE(deleted);
}

TEST_F(DirectorTest, QueuedFunctionsFromAWorkerRunInTheNextFrame) {
    Director* director = Director::getInstance();
    std::atomic<bool> ran{false};
    std::thread worker([&] {
        Director::getInstance()->getScheduler()->performFunctionInCocosThread(&ran,
                                                                              [&] { ran = true; });
    });
    worker.join();
    EXPECT_FALSE(ran.load());
    director->mainLoop(0.0f);
    EXPECT_TRUE(ran.load());
}

TEST_F(DirectorTest, PauseSkipsTheSchedulerButCountsFrames) {
    Director* director = Director::getInstance();
    director->setAnimationInterval(1.0f / 30.0f);
    int runs = 0;
    int target = 0;
    director->getScheduler()->schedule([&](float) { ++runs; }, &target, 0.0f, false, "t");
    director->mainLoop(0.0f);
    director->pause();
    EXPECT_TRUE(director->isPaused());
    EXPECT_FLOAT_EQ(director->getAnimationInterval(), 0.25f);
    director->mainLoop(0.5f);
    director->mainLoop(0.5f);
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(director->getTotalFrames(), 3u);
    director->resume();
    EXPECT_FALSE(director->isPaused());
    EXPECT_FLOAT_EQ(director->getAnimationInterval(), 1.0f / 30.0f);
    director->mainLoop(0.5f);
    EXPECT_EQ(runs, 1);
}

TEST_F(DirectorTest, StoppedAnimationRunsNoFrames) {
    Director* director = Director::getInstance();
    int runs = 0;
    int target = 0;
    director->getScheduler()->schedule([&](float) { ++runs; }, &target, 0.0f, false, "t");
    director->mainLoop(0.0f);
    director->stopAnimation();
    EXPECT_FALSE(director->isAnimationRunning());
    director->mainLoop(0.5f);
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(director->getTotalFrames(), 1u);
    director->startAnimation();
    director->mainLoop(0.5f);
    EXPECT_EQ(runs, 1);
}

TEST_F(DirectorTest, TimedFrameAfterStartHasZeroDelta) {
    Director* director = Director::getInstance();
    director->mainLoop();
    EXPECT_EQ(director->getDeltaTime(), 0.0f);
    director->mainLoop();
    EXPECT_GE(director->getDeltaTime(), 0.0f);
    director->startAnimation();
    director->mainLoop();
    EXPECT_EQ(director->getDeltaTime(), 0.0f);
    EXPECT_EQ(director->getTotalFrames(), 3u);
}

TEST_F(DirectorTest, EndPurgesAtTheNextFrameAndGetInstanceStartsAfresh) {
    Director* director = Director::getInstance();
    int runs = 0;
    int target = 0;
    director->getScheduler()->schedule([&](float) { ++runs; }, &target, 0.0f, false, "t");
    director->mainLoop(0.0f);
    director->getScheduler()->schedule(
        [&](float) {
            ++runs;
            Director::getInstance()->end();
        },
        &target, 0.0f, false, "ender");
    director->mainLoop(0.25f);  // the ender's clock starts
    director->mainLoop(0.25f);  // the ender asks for the end
    EXPECT_EQ(runs, 3);
    director->mainLoop(0.25f);  // purges instead of running a frame
    EXPECT_EQ(runs, 3);

    Director* fresh = Director::getInstance();
    EXPECT_EQ(fresh->getTotalFrames(), 0u);
    EXPECT_FALSE(fresh->getScheduler()->isScheduled("t", &target));
    fresh->mainLoop(0.25f);
    fresh->mainLoop(0.25f);
    EXPECT_EQ(runs, 3);
}

TEST_F(DirectorTest, SettingsKeepWhatWasSet) {
    Director* director = Director::getInstance();
    EXPECT_EQ(director->getWinSize(), cocos2d::Size::ZERO);
    director->setWinSize(cocos2d::Size(1280.0f, 720.0f));
    EXPECT_EQ(director->getWinSize(), cocos2d::Size(1280.0f, 720.0f));
    EXPECT_EQ(director->getOpenGLView(), nullptr);
    director->setContentScaleFactor(0.0f);
    EXPECT_FLOAT_EQ(director->getContentScaleFactor(), 1.0f);
    director->setContentScaleFactor(2.0f);
    EXPECT_FLOAT_EQ(director->getContentScaleFactor(), 2.0f);
    director->setAnimationInterval(-1.0f);
    EXPECT_FLOAT_EQ(director->getAnimationInterval(), 1.0f / 60.0f);
}

TEST_F(DirectorTest, ReplacedSchedulerDrivesTheFrames) {
    Director* director = Director::getInstance();
    auto* scheduler = new Scheduler();
    director->setScheduler(scheduler);
    EXPECT_EQ(scheduler->getReferenceCount(), 2u);
    scheduler->release();
    int runs = 0;
    int target = 0;
    director->getScheduler()->schedule([&](float) { ++runs; }, &target, 0.0f, false, "t");
    director->mainLoop(0.0f);
    director->mainLoop(0.5f);
    EXPECT_EQ(runs, 1);
}

TEST_F(DirectorTest, EveryThreadGetsTheSameDirector) {
    Director::getInstance()->purgeDirector();
    constexpr int kThreads = 8;
    std::vector<Director*> seen(kThreads, nullptr);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&seen, i] { seen[i] = Director::getInstance(); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(std::set<Director*>(seen.begin(), seen.end()).size(), 1u);
    EXPECT_EQ(seen[0], Director::getInstance());
}

}  // namespace
