#include "engine/base/Director.h"

#include <algorithm>
#include <mutex>

#include "engine/base/AutoreleasePool.h"
#include "engine/base/Macros.h"
#include "engine/base/Scheduler.h"

namespace cocos2d {

namespace {

std::atomic<Director*> s_sharedDirector{nullptr};
std::mutex s_sharedDirectorMutex;

constexpr float kPausedAnimationInterval = 1.0f / 4.0f;

}  // namespace

Director* Director::getInstance() {
    Director* director = s_sharedDirector.load(std::memory_order_acquire);
    if (director != nullptr) {
        return director;
    }
    std::lock_guard<std::mutex> lock(s_sharedDirectorMutex);
    director = s_sharedDirector.load(std::memory_order_relaxed);
    if (director == nullptr) {
        director = new Director();
        s_sharedDirector.store(director, std::memory_order_release);
    }
    return director;
}

Director::Director() : _scheduler(new Scheduler()) {}

Director::~Director() {
    CC_SAFE_RELEASE_NULL(_scheduler);
}

void Director::setScheduler(Scheduler* scheduler) {
    if (scheduler == _scheduler) {
        return;
    }
    CC_SAFE_RETAIN(scheduler);
    CC_SAFE_RELEASE(_scheduler);
    _scheduler = scheduler;
}

void Director::setContentScaleFactor(float scaleFactor) {
    if (scaleFactor > 0.0f) {
        _contentScaleFactor = scaleFactor;
    }
}

void Director::setAnimationInterval(float interval) {
    if (interval > 0.0f) {
        _animationInterval = interval;
    }
}

void Director::startAnimation() {
    _invalid = false;
    _nextDeltaTimeZero = true;
}

void Director::stopAnimation() {
    _invalid = true;
}

void Director::pause() {
    if (_paused) {
        return;
    }
    _oldAnimationInterval = _animationInterval;
    _animationInterval = kPausedAnimationInterval;
    _paused = true;
}

void Director::resume() {
    if (!_paused) {
        return;
    }
    _animationInterval = _oldAnimationInterval;
    _paused = false;
    _deltaTime = 0.0f;
    _nextDeltaTimeZero = true;
}

void Director::mainLoop() {
    const auto now = std::chrono::steady_clock::now();
    float dt = 0.0f;
    if (_nextDeltaTimeZero) {
        _nextDeltaTimeZero = false;
    } else {
        dt = std::chrono::duration<float>(now - _lastUpdate).count();
    }
    _lastUpdate = now;
    mainLoop(dt);
}

void Director::mainLoop(float dt) {
    if (_purgeDirectorInNextLoop) {
        _purgeDirectorInNextLoop = false;
        purgeDirector();
        return;
    }
    if (_invalid) {
        return;
    }
    _deltaTime = std::max(dt, 0.0f);
    drawScene();
    PoolManager::getInstance()->getCurrentPool()->clear();
}

void Director::drawScene() {
    if (!_paused && _scheduler != nullptr) {
        _scheduler->update(_deltaTime);
    }
    ++_totalFrames;
}

void Director::purgeDirector() {
    if (_scheduler != nullptr) {
        _scheduler->unscheduleAll();
    }
    stopAnimation();
    {
        std::lock_guard<std::mutex> lock(s_sharedDirectorMutex);
        if (s_sharedDirector.load(std::memory_order_relaxed) == this) {
            s_sharedDirector.store(nullptr, std::memory_order_release);
        }
    }
    release();
}

}  // namespace cocos2d
