#pragma once

#include <atomic>
#include <chrono>

#include "engine/base/Ref.h"
#include "engine/math/Geometry.h"

namespace cocos2d {

class GLView;
class Scheduler;

// Owns the main loop. A frame is the scheduler's update followed by the clearing of the
// calling thread's current autorelease pool. Runs headless: the OpenGL view is optional, and
// the frame's drawing belongs with it.
//
// Tests drive frames with `mainLoop(dt)`; the program calls `mainLoop()` once per frame and it
// measures the time since the previous frame itself.
//
// `getInstance` may be called from any thread (workers use it to reach the scheduler); all
// other members belong to the main thread.
class Director : public Ref {
public:
    static Director* getInstance();

    Director(const Director&) = delete;
    Director& operator=(const Director&) = delete;

    // One frame, timed with the clock: the first frame after start-up, `startAnimation` or
    // `resume` has a delta of 0.
    void mainLoop();
    // One frame with the given delta in seconds.
    void mainLoop(float dt);

    Scheduler* getScheduler() const { return _scheduler; }
    // Retains the new scheduler and releases the old one.
    void setScheduler(Scheduler* scheduler);

    GLView* getOpenGLView() const { return _openGLView; }
    // Not retained: the view's owner keeps it alive while attached and detaches it with null.
    void setOpenGLView(GLView* view) { _openGLView = view; }

    unsigned int getTotalFrames() const { return _totalFrames; }
    // Delta of the frame in progress or of the last one.
    float getDeltaTime() const { return _deltaTime; }

    // Size of the window in points; without a view it is whatever was set last (0 x 0 at first).
    const Size& getWinSize() const { return _winSize; }
    void setWinSize(const Size& size) { _winSize = size; }

    float getContentScaleFactor() const { return _contentScaleFactor; }
    void setContentScaleFactor(float scaleFactor);

    bool isDisplayStats() const { return _displayStats; }
    void setDisplayStats(bool displayStats) { _displayStats = displayStats; }

    // Seconds between frames that the program's run loop aims for.
    float getAnimationInterval() const { return _animationInterval; }
    void setAnimationInterval(float interval);

    // While stopped, frames do nothing.
    void startAnimation();
    void stopAnimation();
    bool isAnimationRunning() const { return !_invalid; }

    // While paused, frames skip the scheduler update and the animation interval is 1/4 s.
    void pause();
    void resume();
    bool isPaused() const { return _paused; }

    // Ends the director at the start of the next frame (see purgeDirector).
    void end() { _purgeDirectorInNextLoop = true; }
    // Unschedules everything, releases the scheduler and deletes the director; the next
    // `getInstance` makes a fresh one. Not from within a frame: use `end` there.
    void purgeDirector();

private:
    Director();
    ~Director() override;

    void drawScene();

    Scheduler* _scheduler = nullptr;
    GLView* _openGLView = nullptr;

    unsigned int _totalFrames = 0;
    float _deltaTime = 0.0f;
    std::chrono::steady_clock::time_point _lastUpdate;
    bool _nextDeltaTimeZero = true;

    Size _winSize;
    float _contentScaleFactor = 1.0f;
    bool _displayStats = false;

    float _animationInterval = 1.0f / 60.0f;
    float _oldAnimationInterval = 1.0f / 60.0f;
    bool _invalid = false;
    bool _paused = false;
    bool _purgeDirectorInNextLoop = false;
};

}  // namespace cocos2d
