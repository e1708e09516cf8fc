#include "engine/base/Scheduler.h"

#include <algorithm>
#include <utility>

namespace cocos2d {

const int Scheduler::PRIORITY_SYSTEM = INT_MIN;

struct Scheduler::Timer {
    void* target = nullptr;
    ccSchedulerFunc callback;
    std::string key;
    SEL_SCHEDULE selector = nullptr;
    float interval = 0.0f;
    float delay = 0.0f;
    unsigned int repeat = 0;
    bool runForever = false;
    bool useDelay = false;
    // Negative until the first frame has started the clock.
    float elapsed = -1.0f;
    unsigned int timesExecuted = 0;
    bool aborted = false;
};

struct Scheduler::UpdateEntry {
    void* target = nullptr;
    int priority = 0;
    ccSchedulerFunc callback;
    bool removed = false;
};

struct Scheduler::TargetEntry {
    void* target = nullptr;
    bool paused = false;
    std::vector<std::shared_ptr<Timer>> timers;
    // The target's live per-frame update, owned by _updates; null when it has none.
    UpdateEntry* update = nullptr;

    bool hasLiveSchedule() const {
        return update != nullptr ||
               std::any_of(timers.begin(), timers.end(), [](const auto& t) { return !t->aborted; });
    }
};

namespace {

// Keeps the update depth balanced even when a callback throws.
class UpdateScope {
public:
    explicit UpdateScope(int& depth) : _depth(depth) { ++_depth; }
    ~UpdateScope() { --_depth; }
    UpdateScope(const UpdateScope&) = delete;
    UpdateScope& operator=(const UpdateScope&) = delete;

private:
    int& _depth;
};

}  // namespace

Scheduler::Scheduler() = default;

Scheduler::~Scheduler() = default;

Scheduler::TargetEntry* Scheduler::findTarget(const void* target) const {
    const auto it = _targetsByPointer.find(target);
    return it == _targetsByPointer.end() ? nullptr : it->second.get();
}

Scheduler::TargetEntry& Scheduler::targetFor(void* target, bool paused) {
    if (TargetEntry* existing = findTarget(target)) {
        // An entry that lost all its schedules but is still listed (removal is deferred while
        // updating) counts as new.
        if (!existing->hasLiveSchedule()) {
            existing->paused = paused;
        }
        return *existing;
    }
    auto entry = std::make_shared<TargetEntry>();
    entry->target = target;
    entry->paused = paused;
    _targets.push_back(entry);
    _targetsByPointer.emplace(target, entry);
    return *entry;
}

Scheduler::Timer* Scheduler::findTimer(const void* target, const std::string& key) const {
    if (TargetEntry* entry = findTarget(target)) {
        for (const auto& timer : entry->timers) {
            if (!timer->aborted && timer->selector == nullptr && timer->key == key) {
                return timer.get();
            }
        }
    }
    return nullptr;
}

Scheduler::Timer* Scheduler::findTimer(const void* target, SEL_SCHEDULE selector) const {
    if (TargetEntry* entry = findTarget(target)) {
        for (const auto& timer : entry->timers) {
            if (!timer->aborted && timer->selector != nullptr && timer->selector == selector) {
                return timer.get();
            }
        }
    }
    return nullptr;
}

void Scheduler::addTimer(std::shared_ptr<Timer> timer, bool paused) {
    timer->runForever = timer->repeat == CC_REPEAT_FOREVER;
    timer->useDelay = timer->delay > 0.0f;
    targetFor(timer->target, paused).timers.push_back(std::move(timer));
}

void Scheduler::schedule(const ccSchedulerFunc& callback, void* target, float interval,
                         unsigned int repeat, float delay, bool paused, const std::string& key) {
    if (!callback || target == nullptr) {
        return;
    }
    if (Timer* existing = findTimer(target, key)) {
        existing->interval = interval;
        return;
    }
    auto timer = std::make_shared<Timer>();
    timer->target = target;
    timer->callback = callback;
    timer->key = key;
    timer->interval = interval;
    timer->repeat = repeat;
    timer->delay = delay;
    addTimer(std::move(timer), paused);
}

void Scheduler::schedule(const ccSchedulerFunc& callback, void* target, float interval, bool paused,
                         const std::string& key) {
    schedule(callback, target, interval, CC_REPEAT_FOREVER, 0.0f, paused, key);
}

void Scheduler::schedule(SEL_SCHEDULE selector, Ref* target, float interval, unsigned int repeat,
                         float delay, bool paused) {
    if (selector == nullptr || target == nullptr) {
        return;
    }
    if (Timer* existing = findTimer(target, selector)) {
        existing->interval = interval;
        return;
    }
    auto timer = std::make_shared<Timer>();
    timer->target = target;
    timer->callback = [target, selector](float dt) { (target->*selector)(dt); };
    timer->selector = selector;
    timer->interval = interval;
    timer->repeat = repeat;
    timer->delay = delay;
    addTimer(std::move(timer), paused);
}

void Scheduler::schedule(SEL_SCHEDULE selector, Ref* target, float interval, bool paused) {
    schedule(selector, target, interval, CC_REPEAT_FOREVER, 0.0f, paused);
}

void Scheduler::schedulePerFrame(const ccSchedulerFunc& callback, void* target, int priority,
                                 bool paused) {
    if (!callback || target == nullptr) {
        return;
    }
    if (TargetEntry* existing = findTarget(target); existing && existing->update) {
        if (existing->update->priority == priority) {
            return;
        }
        unscheduleUpdate(target);
    }
    TargetEntry& owner = targetFor(target, paused);
    auto entry = std::make_shared<UpdateEntry>();
    entry->target = target;
    entry->priority = priority;
    entry->callback = callback;
    owner.update = entry.get();
    const auto position = std::upper_bound(
        _updates.begin(), _updates.end(), priority,
        [](int p, const std::shared_ptr<UpdateEntry>& e) { return p < e->priority; });
    _updates.insert(position, std::move(entry));
}

void Scheduler::abortTimer(Timer& timer) {
    timer.aborted = true;
}

void Scheduler::unschedule(const std::string& key, void* target) {
    if (Timer* timer = findTimer(target, key)) {
        abortTimer(*timer);
        collectGarbage();
    }
}

void Scheduler::unschedule(SEL_SCHEDULE selector, Ref* target) {
    if (Timer* timer = findTimer(target, selector)) {
        abortTimer(*timer);
        collectGarbage();
    }
}

void Scheduler::unscheduleUpdate(void* target) {
    TargetEntry* entry = findTarget(target);
    if (entry == nullptr || entry->update == nullptr) {
        return;
    }
    entry->update->removed = true;
    entry->update = nullptr;
    collectGarbage();
}

void Scheduler::unscheduleAllForTarget(void* target) {
    TargetEntry* entry = findTarget(target);
    if (entry == nullptr) {
        return;
    }
    for (const auto& timer : entry->timers) {
        abortTimer(*timer);
    }
    if (entry->update) {
        entry->update->removed = true;
        entry->update = nullptr;
    }
    collectGarbage();
}

void Scheduler::unscheduleAll() {
    for (const auto& entry : _targets) {
        for (const auto& timer : entry->timers) {
            abortTimer(*timer);
        }
        entry->update = nullptr;
    }
    for (const auto& update : _updates) {
        update->removed = true;
    }
    collectGarbage();
}

bool Scheduler::isScheduled(const std::string& key, const void* target) const {
    return findTimer(target, key) != nullptr;
}

bool Scheduler::isScheduled(SEL_SCHEDULE selector, const Ref* target) const {
    return findTimer(target, selector) != nullptr;
}

void Scheduler::pauseTarget(void* target) {
    if (TargetEntry* entry = findTarget(target)) {
        entry->paused = true;
    }
}

void Scheduler::resumeTarget(void* target) {
    if (TargetEntry* entry = findTarget(target)) {
        entry->paused = false;
    }
}

bool Scheduler::isTargetPaused(void* target) const {
    const TargetEntry* entry = findTarget(target);
    return entry != nullptr && entry->paused;
}

void Scheduler::collectGarbage() {
    if (_updateDepth > 0) {
        return;
    }
    _updates.erase(std::remove_if(_updates.begin(), _updates.end(),
                                  [](const auto& update) { return update->removed; }),
                   _updates.end());
    for (const auto& entry : _targets) {
        auto& timers = entry->timers;
        timers.erase(std::remove_if(timers.begin(), timers.end(),
                                    [](const auto& timer) { return timer->aborted; }),
                     timers.end());
        if (timers.empty() && entry->update == nullptr) {
            _targetsByPointer.erase(entry->target);
        }
    }
    _targets.erase(std::remove_if(_targets.begin(), _targets.end(),
                                  [](const auto& entry) {
                                      return entry->timers.empty() && entry->update == nullptr;
                                  }),
                   _targets.end());
}

void Scheduler::fireTimer(Timer& timer, float dt) {
    ++timer.timesExecuted;
    timer.callback(dt);
}

void Scheduler::runTimer(Timer& timer, float dt) {
    if (timer.elapsed < 0.0f) {
        timer.elapsed = 0.0f;
        timer.timesExecuted = 0;
        return;
    }
    const auto exhausted = [&timer] {
        return !timer.runForever && timer.timesExecuted > timer.repeat;
    };
    timer.elapsed += dt;
    if (timer.useDelay) {
        if (timer.elapsed < timer.delay) {
            return;
        }
        fireTimer(timer, timer.delay);
        timer.elapsed -= timer.delay;
        timer.useDelay = false;
        if (exhausted()) {
            abortTimer(timer);
            return;
        }
    }
    const float interval = timer.interval > 0.0f ? timer.interval : timer.elapsed;
    while (!timer.aborted && timer.elapsed >= interval) {
        fireTimer(timer, interval);
        timer.elapsed -= interval;
        if (exhausted()) {
            abortTimer(timer);
            break;
        }
        if (timer.elapsed <= 0.0f) {
            break;
        }
    }
}

void Scheduler::update(float dt) {
    dt *= _timeScale;
    {
        UpdateScope scope(_updateDepth);
        // Copies: callbacks may add or remove schedules while the frame walks the lists.
        const auto updates = _updates;
        for (const auto& update : updates) {
            if (update->removed) {
                continue;
            }
            const TargetEntry* owner = findTarget(update->target);
            if (owner == nullptr || !owner->paused) {
                update->callback(dt);
            }
        }
        const auto targets = _targets;
        for (const auto& entry : targets) {
            // Timers added by callbacks are appended, so the index walk reaches them too.
            for (std::size_t i = 0; i < entry->timers.size() && !entry->paused; ++i) {
                const std::shared_ptr<Timer> timer = entry->timers[i];
                if (!timer->aborted) {
                    runTimer(*timer, dt);
                }
            }
        }
    }
    collectGarbage();
    performQueuedFunctions();
}

void Scheduler::performFunctionInCocosThread(const std::function<void()>& function) {
    performFunctionInCocosThread(nullptr, function);
}

void Scheduler::performFunctionInCocosThread(void* key, const std::function<void()>& function) {
    if (!function) {
        return;
    }
    std::lock_guard<std::mutex> lock(_performMutex);
    _functionsToPerform.push_back(PendingFunction{key, function});
}

void Scheduler::removeFunctionInCocosThread(void* key, const std::function<void()>&) {
    if (key == nullptr) {
        return;
    }
    const auto hasKey = [key](const PendingFunction& pending) { return pending.key == key; };
    std::unique_lock<std::mutex> lock(_performMutex);
    _functionsToPerform.erase(
        std::remove_if(_functionsToPerform.begin(), _functionsToPerform.end(), hasKey),
        _functionsToPerform.end());
    if (_performingNext < _performing.size()) {
        const auto from = _performing.begin() + static_cast<std::ptrdiff_t>(_performingNext);
        _performing.erase(std::remove_if(from, _performing.end(), hasKey), _performing.end());
    }
    const auto self = std::this_thread::get_id();
    _performFinished.wait(
        lock, [&] { return !_running || _runningKey != key || _runningThread == self; });
}

void Scheduler::performQueuedFunctions() {
    std::unique_lock<std::mutex> lock(_performMutex);
    if (_functionsToPerform.empty()) {
        return;
    }
    _performing = std::move(_functionsToPerform);
    _functionsToPerform.clear();
    _performingNext = 0;
    const auto self = std::this_thread::get_id();
    while (_performingNext < _performing.size()) {
        PendingFunction next = std::move(_performing[_performingNext++]);
        _running = true;
        _runningKey = next.key;
        _runningThread = self;
        lock.unlock();
        // Also on a throwing function: the state must not keep a remover waiting.
        struct Finish {
            Scheduler& scheduler;
            std::unique_lock<std::mutex>& lock;
            PendingFunction& done;
            ~Finish() {
                // Captured state goes before the lock is retaken: its destructors may queue.
                done.function = nullptr;
                lock.lock();
                scheduler._running = false;
                scheduler._runningKey = nullptr;
                scheduler._performFinished.notify_all();
            }
        } finish{*this, lock, next};
        next.function();
    }
    _performing.clear();
    _performingNext = 0;
}

}  // namespace cocos2d
