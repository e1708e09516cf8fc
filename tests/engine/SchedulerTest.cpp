#include "engine/base/Scheduler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using cocos2d::Ref;
using cocos2d::Scheduler;

namespace {

// Timer values below are binary fractions so that float arithmetic is exact.
struct TimerCase {
    const char* name;
    float interval;
    unsigned int repeat;
    float delay;
    std::vector<float> frames;       // frame deltas after the frame that starts the clock
    std::vector<float> expectedDts;  // deltas passed to the callback, in order
};

class SchedulerTimerTable : public ::testing::TestWithParam<TimerCase> {};

TEST_P(SchedulerTimerTable, FiresAsOftenAsTheElapsedTimeAllows) {
    const TimerCase& c = GetParam();
    Scheduler scheduler;
    int target = 0;
    std::vector<float> dts;
    scheduler.schedule([&](float dt) { dts.push_back(dt); }, &target, c.interval, c.repeat, c.delay,
                       false, "timer");
    scheduler.update(100.0f);  // only starts the clock
    EXPECT_TRUE(dts.empty());
    for (const float frame : c.frames) {
        scheduler.update(frame);
    }
    EXPECT_EQ(dts, c.expectedDts);
    const bool exhausted = c.repeat != CC_REPEAT_FOREVER && dts.size() == c.repeat + 1;
    EXPECT_EQ(scheduler.isScheduled("timer", &target), !exhausted);
}

// clang-format off
const TimerCase kTimerCases[] = {
    // name                      interval  repeat             delay  frames                        expected deltas
    {"CatchUpInOneFrame",        0.25f,    CC_REPEAT_FOREVER, 0.0f,  {1.0f},                       {0.25f, 0.25f, 0.25f, 0.25f}},
    {"RemainderCarriesOver",     0.5f,     CC_REPEAT_FOREVER, 0.0f,  {0.375f, 0.375f, 0.375f},     {0.5f, 0.5f}},
    {"ShortFramesAccumulate",    0.5f,     CC_REPEAT_FOREVER, 0.0f,  {0.25f, 0.25f, 0.25f, 0.25f}, {0.5f, 0.5f}},
    {"IntervalZeroEveryFrame",   0.0f,     CC_REPEAT_FOREVER, 0.0f,  {0.5f, 0.125f, 0.0f},         {0.5f, 0.125f, 0.0f}},
    {"RepeatTwoRunsThreeTimes",  0.25f,    2,                 0.0f,  {2.0f, 2.0f},                 {0.25f, 0.25f, 0.25f}},
    {"RepeatZeroRunsOnce",       0.25f,    0,                 0.0f,  {1.0f, 1.0f},                 {0.25f}},
    {"DelayComesFirst",          0.25f,    1,                 0.5f,  {0.25f, 0.25f, 0.25f, 0.25f}, {0.5f, 0.25f}},
    {"DelayThenCatchUp",         0.25f,    CC_REPEAT_FOREVER, 0.5f,  {1.0f},                       {0.5f, 0.25f, 0.25f}},
    {"DelayOnceOnly",            1.0f,     0,                 0.5f,  {2.0f, 2.0f},                 {0.5f}},
    {"DelayWithIntervalZero",    0.0f,     CC_REPEAT_FOREVER, 0.5f,  {0.25f, 0.5f, 0.125f},        {0.5f, 0.25f, 0.125f}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Cases, SchedulerTimerTable, ::testing::ValuesIn(kTimerCases),
                         [](const ::testing::TestParamInfo<TimerCase>& info) {
                             return std::string(info.param.name);
                         });

class Counter : public Ref {
public:
    void tick(float dt) {
        ++ticks;
        lastDt = dt;
    }
    void update(float dt) {
        ++updates;
        lastDt = dt;
    }
    int ticks = 0;
    int updates = 0;
    float lastDt = -1.0f;
};

TEST(SchedulerTest, ReschedulingAKeyOnlyChangesTheInterval) {
    Scheduler scheduler;
    int target = 0;
    int first = 0;
    int second = 0;
    scheduler.schedule([&](float) { ++first; }, &target, 1.0f, 0, 0.0f, false, "k");
    scheduler.schedule([&](float) { ++second; }, &target, 0.25f, CC_REPEAT_FOREVER, 0.0f, false,
                       "k");
    scheduler.update(0.0f);
    scheduler.update(0.25f);  // new interval, old callback
    scheduler.update(0.25f);  // old repeat count: already done
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
    EXPECT_FALSE(scheduler.isScheduled("k", &target));
}

TEST(SchedulerTest, KeysAreScopedToTheirTarget) {
    Scheduler scheduler;
    int a = 0;
    int b = 0;
    int runsA = 0;
    int runsB = 0;
    scheduler.schedule([&](float) { ++runsA; }, &a, 0.0f, false, "same");
    scheduler.schedule([&](float) { ++runsB; }, &b, 0.0f, false, "same");
    scheduler.update(0.0f);
    scheduler.unschedule("same", &a);
    scheduler.update(0.5f);
    EXPECT_EQ(runsA, 0);
    EXPECT_EQ(runsB, 1);
    EXPECT_FALSE(scheduler.isScheduled("same", &a));
    EXPECT_TRUE(scheduler.isScheduled("same", &b));
}

TEST(SchedulerTest, SelectorSchedulesCallTheMemberOnTheTarget) {
    Scheduler scheduler;
    auto* counter = new Counter();
    const auto selector = CC_SCHEDULE_SELECTOR(Counter::tick);
    scheduler.schedule(selector, counter, 0.5f, false);
    EXPECT_TRUE(scheduler.isScheduled(selector, counter));
    EXPECT_FALSE(scheduler.isScheduled("tick", counter));
    scheduler.update(0.0f);
    scheduler.update(1.0f);
    EXPECT_EQ(counter->ticks, 2);
    EXPECT_FLOAT_EQ(counter->lastDt, 0.5f);
    scheduler.schedule(selector, counter, 0.25f, false);  // interval only
    scheduler.update(0.5f);
    EXPECT_EQ(counter->ticks, 4);
    scheduler.unschedule(selector, counter);
    EXPECT_FALSE(scheduler.isScheduled(selector, counter));
    scheduler.update(1.0f);
    EXPECT_EQ(counter->ticks, 4);
    EXPECT_EQ(counter->getReferenceCount(), 1u);  // the scheduler never retains
    counter->release();
}

TEST(SchedulerTest, PerFrameUpdatesRunByPriorityBeforeTimers) {
    Scheduler scheduler;
    std::vector<std::string> order;
    int t1 = 0, t2 = 0, t3 = 0, t4 = 0, timerTarget = 0;
    scheduler.schedule([&](float) { order.push_back("timer"); }, &timerTarget, 0.0f, false, "t");
    scheduler.schedulePerFrame([&](float) { order.push_back("p5"); }, &t1, 5, false);
    scheduler.schedulePerFrame([&](float) { order.push_back("p0a"); }, &t2, 0, false);
    scheduler.schedulePerFrame([&](float) { order.push_back("p-1"); }, &t3, -1, false);
    scheduler.schedulePerFrame([&](float) { order.push_back("p0b"); }, &t4, 0, false);
    scheduler.update(0.0f);
    order.clear();
    scheduler.update(0.125f);
    EXPECT_EQ(order, (std::vector<std::string>{"p-1", "p0a", "p0b", "p5", "timer"}));

    // A new priority moves the entry; the same priority keeps its place.
    scheduler.schedulePerFrame([&](float) { order.push_back("p0a"); }, &t2, 10, false);
    scheduler.schedulePerFrame([&](float) { order.push_back("p0b-again"); }, &t4, 0, false);
    order.clear();
    scheduler.update(0.125f);
    EXPECT_EQ(order, (std::vector<std::string>{"p-1", "p0b", "p5", "p0a", "timer"}));
}

TEST(SchedulerTest, ScheduleUpdateCallsTheTargetsUpdateEveryFrame) {
    Scheduler scheduler;
    auto* counter = new Counter();
    scheduler.scheduleUpdate(counter, 0, false);
    scheduler.update(0.25f);
    scheduler.update(0.5f);
    EXPECT_EQ(counter->updates, 2);
    EXPECT_FLOAT_EQ(counter->lastDt, 0.5f);
    scheduler.unscheduleUpdate(counter);
    scheduler.update(0.5f);
    EXPECT_EQ(counter->updates, 2);
    counter->release();
}

TEST(SchedulerTest, PausedTargetsKeepTheirTimeUntilResumed) {
    Scheduler scheduler;
    int target = 0;
    int timerRuns = 0;
    int updateRuns = 0;
    scheduler.schedule([&](float) { ++timerRuns; }, &target, 0.5f, false, "t");
    scheduler.schedulePerFrame([&](float) { ++updateRuns; }, &target, 0, false);
    scheduler.update(0.0f);
    scheduler.pauseTarget(&target);
    EXPECT_TRUE(scheduler.isTargetPaused(&target));
    scheduler.update(1.0f);
    EXPECT_EQ(timerRuns, 0);
    EXPECT_EQ(updateRuns, 1);
    scheduler.resumeTarget(&target);
    scheduler.update(0.5f);
    EXPECT_EQ(timerRuns, 1);
    EXPECT_EQ(updateRuns, 2);

    int other = 0;
    int otherRuns = 0;
    scheduler.schedule([&](float) { ++otherRuns; }, &other, 0.0f, true, "starts-paused");
    scheduler.update(0.0f);
    scheduler.update(0.5f);
    EXPECT_EQ(otherRuns, 0);
    scheduler.resumeTarget(&other);
    scheduler.update(0.5f);  // its clock starts with its first unpaused frame
    EXPECT_EQ(otherRuns, 0);
    scheduler.update(0.5f);
    EXPECT_EQ(otherRuns, 1);
}

TEST(SchedulerTest, PauseStateEndsWithTheTargetsLastSchedule) {
    Scheduler scheduler;
    int target = 0;
    int runs = 0;
    scheduler.schedule([](float) {}, &target, 0.0f, false, "a");
    scheduler.pauseTarget(&target);
    scheduler.unscheduleAllForTarget(&target);
    EXPECT_FALSE(scheduler.isTargetPaused(&target));
    scheduler.schedule([&](float) { ++runs; }, &target, 0.0f, false, "b");
    scheduler.update(0.0f);
    scheduler.update(0.5f);
    EXPECT_EQ(runs, 1);
}

TEST(SchedulerTest, TimeScaleScalesEveryDelta) {
    Scheduler scheduler;
    int target = 0;
    std::vector<float> dts;
    scheduler.schedule([&](float dt) { dts.push_back(dt); }, &target, 0.0f, false, "t");
    scheduler.setTimeScale(2.0f);
    scheduler.update(0.0f);
    scheduler.update(0.25f);
    scheduler.setTimeScale(0.0f);
    scheduler.update(0.25f);
    EXPECT_EQ(dts, (std::vector<float>{0.5f, 0.0f}));
}

TEST(SchedulerTest, RunningTimerMayUnscheduleItselfDuringCatchUp) {
    Scheduler scheduler;
    int target = 0;
    int runs = 0;
    scheduler.schedule(
        [&](float) {
            ++runs;
            scheduler.unschedule("self", &target);
        },
        &target, 0.125f, false, "self");
    scheduler.update(0.0f);
    scheduler.update(1.0f);
    scheduler.update(1.0f);
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(scheduler.isScheduled("self", &target));
}

TEST(SchedulerTest, CallbacksMayChangeOtherSchedulesMidFrame) {
    Scheduler scheduler;
    int first = 0, second = 0, third = 0;
    std::vector<std::string> runs;
    scheduler.schedule(
        [&](float) {
            runs.push_back("first");
            scheduler.unschedule("second", &second);
            scheduler.unscheduleAllForTarget(&third);
            scheduler.schedule([&](float) { runs.push_back("late"); }, &first, 0.0f, false, "late");
        },
        &first, 0.0f, false, "first");
    scheduler.schedule([&](float) { runs.push_back("second"); }, &second, 0.0f, false, "second");
    scheduler.schedulePerFrame([&](float) { runs.push_back("update"); }, &third, 0, false);
    scheduler.schedule([&](float) { runs.push_back("third"); }, &third, 0.0f, false, "third");
    scheduler.update(0.0f);
    runs.clear();
    scheduler.update(0.125f);
    EXPECT_EQ(runs, (std::vector<std::string>{"update", "first"}));
    runs.clear();
    scheduler.update(0.125f);  // the late timer's first frame only starts its clock
    runs.clear();
    scheduler.update(0.125f);
    EXPECT_EQ(runs, (std::vector<std::string>{"first", "late"}));
}

TEST(SchedulerTest, UnscheduleAllFromACallbackStopsTheRestOfTheFrame) {
    Scheduler scheduler;
    int a = 0, b = 0;
    int runsB = 0;
    scheduler.schedule([&](float) { scheduler.unscheduleAll(); }, &a, 0.0f, false, "a");
    scheduler.schedule([&](float) { ++runsB; }, &b, 0.0f, false, "b");
    scheduler.update(0.0f);
    scheduler.update(0.125f);
    scheduler.update(0.125f);
    EXPECT_EQ(runsB, 0);
    EXPECT_FALSE(scheduler.isScheduled("a", &a));
    EXPECT_FALSE(scheduler.isScheduled("b", &b));
}

TEST(SchedulerTest, QueuedFunctionsRunInTheNextUpdateAfterTheTimers) {
    Scheduler scheduler;
    int target = 0;
    std::vector<std::string> order;
    scheduler.schedule([&](float) { order.push_back("timer"); }, &target, 0.0f, false, "t");
    scheduler.update(0.0f);
    scheduler.performFunctionInCocosThread([&] {
        order.push_back("f1");
        scheduler.performFunctionInCocosThread([&] { order.push_back("queued-by-f1"); });
    });
    int key = 0;
    scheduler.performFunctionInCocosThread(&key, [&] { order.push_back("f2"); });
    EXPECT_TRUE(order.empty());
    scheduler.update(0.125f);
    EXPECT_EQ(order, (std::vector<std::string>{"timer", "f1", "f2"}));
    order.clear();
    scheduler.update(0.125f);
    EXPECT_EQ(order, (std::vector<std::string>{"timer", "queued-by-f1"}));
}

TEST(SchedulerTest, FunctionsFromSeveralThreadsKeepEachThreadsOrder) {
    Scheduler scheduler;
    constexpr int kThreads = 4;
    constexpr int kPerThread = 500;
    const auto mainThread = std::this_thread::get_id();
    std::vector<std::vector<int>> seen(kThreads);
    std::atomic<bool> offMainThread{false};
    std::atomic<int> done{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                scheduler.performFunctionInCocosThread(
                    t % 2 ? static_cast<void*>(&seen[t]) : nullptr, [&, t, i] {
                        if (std::this_thread::get_id() != mainThread) {
                            offMainThread = true;
                        }
                        seen[t].push_back(i);
                    });
            }
            ++done;
        });
    }
    while (done.load() < kThreads) {
        scheduler.update(0.0f);
    }
    for (auto& thread : threads) {
        thread.join();
    }
    scheduler.update(0.0f);
    EXPECT_FALSE(offMainThread.load());
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(seen[t].size(), static_cast<size_t>(kPerThread)) << "thread " << t;
        for (int i = 0; i < kPerThread; ++i) {
            ASSERT_EQ(seen[t][i], i) << "thread " << t;
        }
    }
}

TEST(SchedulerTest, RemovingAKeyDropsOnlyThatKeysFunctions) {
    Scheduler scheduler;
    int keyA = 0, keyB = 0;
    std::vector<std::string> runs;
    scheduler.performFunctionInCocosThread(&keyA, [&] { runs.push_back("a1"); });
    scheduler.performFunctionInCocosThread(&keyB, [&] { runs.push_back("b1"); });
    scheduler.performFunctionInCocosThread([&] { runs.push_back("plain"); });
    scheduler.performFunctionInCocosThread(&keyA, [&] { runs.push_back("a2"); });
    scheduler.removeFunctionInCocosThread(&keyA, nullptr);
    scheduler.removeFunctionInCocosThread(nullptr, nullptr);  // unkeyed functions stay
    scheduler.update(0.0f);
    EXPECT_EQ(runs, (std::vector<std::string>{"b1", "plain"}));
}

TEST(SchedulerTest, RemovalCoversFunctionsAlreadyTakenForTheCurrentUpdate) {
    Scheduler scheduler;
    int keyA = 0, keyB = 0;
    std::vector<std::string> runs;
    scheduler.performFunctionInCocosThread(&keyB, [&] {
        runs.push_back("b");
        scheduler.removeFunctionInCocosThread(&keyA, nullptr);
    });
    scheduler.performFunctionInCocosThread(&keyA, [&] { runs.push_back("a"); });
    scheduler.performFunctionInCocosThread(&keyB, [&] {
        runs.push_back("b2");
        // A function may remove its own key without waiting for itself.
        scheduler.removeFunctionInCocosThread(&keyB, nullptr);
    });
    scheduler.performFunctionInCocosThread(&keyB, [&] { runs.push_back("b3"); });
    scheduler.update(0.0f);
    EXPECT_EQ(runs, (std::vector<std::string>{"b", "b2"}));
}

TEST(SchedulerTest, RemoverWaitsForARunningFunctionOfItsKey) {
    Scheduler scheduler;
    int key = 0;
    std::atomic<bool> functionStarted{false};
    std::atomic<bool> removerCalling{false};
    std::atomic<bool> functionFinished{false};
    bool finishedWhenRemoveReturned = false;
    scheduler.performFunctionInCocosThread(&key, [&] {
        functionStarted = true;
        while (!removerCalling.load()) {
            std::this_thread::yield();
        }
        // Give the remover time to get inside the call; it must stay there until we return.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        functionFinished = true;
    });
    std::thread remover([&] {
        while (!functionStarted.load()) {
            std::this_thread::yield();
        }
        removerCalling = true;
        scheduler.removeFunctionInCocosThread(&key, nullptr);
        finishedWhenRemoveReturned = functionFinished.load();
    });
    scheduler.update(0.0f);
    remover.join();
    EXPECT_TRUE(finishedWhenRemoveReturned);
}

// The way a worker object uses the hand-back: it queues functions that touch it, and whoever
// destroys it removes its key first. No function may run against a destroyed object.
TEST(SchedulerTest, KeyedRemovalFromAnotherThreadRacesSafelyWithTheMainLoop) {
    Scheduler scheduler;
    struct Worker {
        int delivered = 0;
        std::atomic<bool> alive{true};
    };
    std::atomic<bool> stop{false};
    std::atomic<int> ranAfterRemoval{0};
    std::thread owner([&] {
        for (int round = 0; round < 200; ++round) {
            auto worker = std::make_unique<Worker>();
            Worker* raw = worker.get();
            std::thread producer([&scheduler, &ranAfterRemoval, raw] {
                for (int i = 0; i < 20; ++i) {
                    scheduler.performFunctionInCocosThread(raw, [raw, &ranAfterRemoval] {
                        if (!raw->alive.load()) {
                            ++ranAfterRemoval;
                        }
                        ++raw->delivered;
                    });
                }
            });
            producer.join();
            scheduler.removeFunctionInCocosThread(raw, nullptr);
            raw->alive = false;
            worker.reset();
        }
        stop = true;
    });
    while (!stop.load()) {
        scheduler.update(0.0f);
    }
    owner.join();
    scheduler.update(0.0f);
    EXPECT_EQ(ranAfterRemoval.load(), 0);
}

}  // namespace
