#pragma once

#include <climits>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "engine/base/Ref.h"

namespace cocos2d {

typedef void (Ref::*SEL_SCHEDULE)(float);

#ifndef CC_SCHEDULE_SELECTOR
#define CC_SCHEDULE_SELECTOR(_SELECTOR) static_cast<cocos2d::SEL_SCHEDULE>(&_SELECTOR)
#endif

// Repeat count of a schedule that runs until it is unscheduled.
#ifndef CC_REPEAT_FOREVER
#define CC_REPEAT_FOREVER (UINT_MAX - 1)
#endif

using ccSchedulerFunc = std::function<void(float)>;

// Runs timed callbacks on the main thread, driven by `update` once per frame.
//
// Timers: a schedule belongs to a target (any pointer; the scheduler neither retains nor
// touches it) and is identified by its key (callback form) or its selector (Ref form). The
// first frame after scheduling only starts the clock. Then `delay` seconds pass before the
// first run (no delay: the first run is after one interval), and each further run follows
// `interval` seconds later; a frame longer than the interval runs the callback once for every
// interval that fits, passing the interval as the elapsed time. Interval 0 runs every frame
// with that frame's time. `repeat` n means n + 1 runs in all; CC_REPEAT_FOREVER never ends.
// Scheduling a key or selector that the target already has only changes its interval.
// Schedules may be added and removed from inside any callback, the running one included.
//
// Per-frame updates (`scheduleUpdate`) run before the timers, lowest priority first and, within
// one priority, in the order they were scheduled.
//
// A target's pause state covers all its schedules; it is set by the `paused` argument of the
// schedule that creates the target's first schedule, and by `pauseTarget`/`resumeTarget`.
//
// Everything except the perform/remove-function calls belongs to the main thread.
class Scheduler : public Ref {
public:
    // Priority of the engine's own per-frame updates: they run before all others.
    static const int PRIORITY_SYSTEM;

    Scheduler();
    ~Scheduler() override;

    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    // Scales every delta passed to callbacks; 1 is real time, 0 freezes the timers.
    float getTimeScale() const { return _timeScale; }
    void setTimeScale(float timeScale) { _timeScale = timeScale; }

    // One frame: per-frame updates, then timers, then the functions handed over by other
    // threads.
    void update(float dt);

    void schedule(const ccSchedulerFunc& callback, void* target, float interval,
                  unsigned int repeat, float delay, bool paused, const std::string& key);
    // Repeats forever without delay.
    void schedule(const ccSchedulerFunc& callback, void* target, float interval, bool paused,
                  const std::string& key);
    void schedule(SEL_SCHEDULE selector, Ref* target, float interval, unsigned int repeat,
                  float delay, bool paused);
    // Repeats forever without delay.
    void schedule(SEL_SCHEDULE selector, Ref* target, float interval, bool paused);

    // Calls target->update(dt) every frame. Scheduling again with another priority moves it.
    template <class T> void scheduleUpdate(T* target, int priority, bool paused) {
        schedulePerFrame([target](float dt) { target->update(dt); }, target, priority, paused);
    }
    void schedulePerFrame(const ccSchedulerFunc& callback, void* target, int priority, bool paused);

    void unschedule(const std::string& key, void* target);
    void unschedule(SEL_SCHEDULE selector, Ref* target);
    void unscheduleUpdate(void* target);
    void unscheduleAllForTarget(void* target);
    void unscheduleAll();

    bool isScheduled(const std::string& key, const void* target) const;
    bool isScheduled(SEL_SCHEDULE selector, const Ref* target) const;

    // Only targets that have a schedule can be paused; the state goes with their last schedule.
    void pauseTarget(void* target);
    void resumeTarget(void* target);
    bool isTargetPaused(void* target) const;

    // Any thread: `function` runs on the main thread in the next update, after the timers.
    // Functions run in the order they were queued, with no lock held.
    void performFunctionInCocosThread(const std::function<void()>& function);
    // As above, remembered under `key` so that removeFunctionInCocosThread can drop it.
    void performFunctionInCocosThread(void* key, const std::function<void()>& function);
    // Any thread: drops every function queued under `key` (null drops nothing), including those
    // already taken out for the update in progress. Once it returns, no function of the key
    // starts. If another thread calls it while a function of the key runs on the main thread,
    // it waits until that function has returned, so the caller must not hold a lock that such
    // a function takes. Called on the main thread (even from within such a function) it never
    // waits. The function argument is not compared: std::function has no equality.
    void removeFunctionInCocosThread(void* key, const std::function<void()>& function);

private:
    struct Timer;
    struct UpdateEntry;
    struct TargetEntry;
    struct PendingFunction {
        void* key;
        std::function<void()> function;
    };

    TargetEntry* findTarget(const void* target) const;
    TargetEntry& targetFor(void* target, bool paused);
    Timer* findTimer(const void* target, const std::string& key) const;
    Timer* findTimer(const void* target, SEL_SCHEDULE selector) const;
    void addTimer(std::shared_ptr<Timer> timer, bool paused);
    void abortTimer(Timer& timer);
    void runTimer(Timer& timer, float dt);
    void fireTimer(Timer& timer, float dt);
    void collectGarbage();
    void performQueuedFunctions();

    float _timeScale = 1.0f;
    // Above zero while update walks the lists: removals only mark entries until it ends.
    int _updateDepth = 0;
    std::vector<std::shared_ptr<TargetEntry>> _targets;  // in order of their first schedule
    std::unordered_map<const void*, std::shared_ptr<TargetEntry>> _targetsByPointer;
    std::vector<std::shared_ptr<UpdateEntry>> _updates;  // sorted by priority, stable

    std::mutex _performMutex;
    std::condition_variable _performFinished;
    std::vector<PendingFunction> _functionsToPerform;
    // The batch taken out by the update in progress, from `_performingNext` on still to run.
    std::vector<PendingFunction> _performing;
    std::size_t _performingNext = 0;
    void* _runningKey = nullptr;
    bool _running = false;
    std::thread::id _runningThread;
};

}  // namespace cocos2d
