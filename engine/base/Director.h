#pragma once

#include <atomic>
#include <chrono>
#include <vector>

#include "engine/base/Ref.h"
#include "engine/base/Types.h"
#include "engine/math/Geometry.h"
#include "engine/math/Mat4.h"

namespace cocos2d {

class ActionManager;
class EventDispatcher;
class GLView;
class Renderer;
class Scene;
class Scheduler;
class TextureCache;

enum class MATRIX_STACK_TYPE {
    MATRIX_STACK_MODELVIEW,
    MATRIX_STACK_PROJECTION,
    MATRIX_STACK_TEXTURE,
};

// Owns the main loop. A frame is the scheduler's update, the switch to a scene asked for
// since the last frame, the drawing of the running scene through the renderer, and the
// clearing of the calling thread's current autorelease pool. Runs headless: the OpenGL view
// is optional; without it the renderer records what it would draw.
//
// Scenes: a stack whose top is the running scene. A scene asked for (run, push, pop, replace)
// becomes the running scene at the next frame: the old one gets onExitTransitionDidStart and
// onExit (and cleanup when it is popped or replaced), then the new one onEnter and
// onEnterTransitionDidFinish. Popping the last scene ends the director. A `TransitionScene`
// pushed or put in place works the same, except that the scene it leaves stays running and the
// one it brings enters at once, until the transition ends and puts that one in its place.
//
// Tests drive frames with `mainLoop(dt)`; the program calls `mainLoop()` once per frame and it
// measures the time since the previous frame itself.
//
// `getInstance` may be called from any thread (workers use it to reach the scheduler); all
// other members belong to the main thread.
class Director : public Ref {
public:
    static Director* getInstance();
    // The director when there is one, never making one: for code that also runs after a purge.
    static Director* getExistingInstance();

    Director(const Director&) = delete;
    Director& operator=(const Director&) = delete;

    // One frame, timed with the clock: the first frame after start-up, `startAnimation` or
    // `resume` has a delta of 0.
    void mainLoop();
    // One frame with the given delta in seconds.
    void mainLoop(float dt);

    Scene* getRunningScene() const { return _runningScene; }
    void runWithScene(Scene* scene);
    void pushScene(Scene* scene);
    void popScene();
    // The argument names a transition kind; without transitions it pops like popScene().
    void popScene(int transition);
    void popToRootScene();
    void replaceScene(Scene* scene);
    // Whether the scene being left is cleaned up (true after pop and replace).
    bool isSendCleanupToScene() const { return _sendCleanupToScene; }

    EventDispatcher* getEventDispatcher() const { return _eventDispatcher; }
    Renderer* getRenderer() const { return _renderer; }
    // Made on first use; its textures go with the director.
    TextureCache* getTextureCache();
    // Colour the window is cleared to at the start of each frame.
    void setClearColor(const Color4F& clearColor);

    // Steps the actions of nodes as a system update of the scheduler.
    ActionManager* getActionManager() const { return _actionManager; }
    // Retains the new manager and releases the old one; nodes made earlier keep theirs.
    void setActionManager(ActionManager* actionManager);

    Scheduler* getScheduler() const { return _scheduler; }
    // Retains the new scheduler and releases the old one.
    void setScheduler(Scheduler* scheduler);

    GLView* getOpenGLView() const { return _openGLView; }
    // Not retained: the view's owner keeps it alive while attached and detaches it with null.
    // The window size becomes the view's design resolution.
    void setOpenGLView(GLView* view);

    unsigned int getTotalFrames() const { return _totalFrames; }
    // Delta of the frame in progress or of the last one.
    float getDeltaTime() const { return _deltaTime; }

    // Size of the window in points; without a view it is whatever was set last (0 x 0 at first).
    const Size& getWinSize() const { return _winSize; }
    void setWinSize(const Size& size) { _winSize = size; }

    // Without a view, the whole window from (0, 0).
    Size getVisibleSize() const;
    Vec2 getVisibleOrigin() const;
    // Between view points (origin top-left) and GL points (origin bottom-left).
    Vec2 convertToGL(const Vec2& uiPoint) const;
    Vec2 convertToUI(const Vec2& glPoint) const;
    // Distance of the default camera's eye from the window plane.
    float getZEye() const;

    // Matrix stacks read by the drawing code (the projection of the camera pass in progress).
    void pushMatrix(MATRIX_STACK_TYPE type);
    void popMatrix(MATRIX_STACK_TYPE type);
    void loadIdentityMatrix(MATRIX_STACK_TYPE type);
    void loadMatrix(MATRIX_STACK_TYPE type, const Mat4& mat);
    void multiplyMatrix(MATRIX_STACK_TYPE type, const Mat4& mat);
    const Mat4& getMatrix(MATRIX_STACK_TYPE type) const;
    void resetMatrixStack();

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
    // Stops every action, unschedules everything, releases the scheduler and deletes the
    // director; the next `getInstance` makes a fresh one. Not from within a frame: use `end`
    // there.
    void purgeDirector();
    // Takes the running scene and the pushed ones down (exit, cleanup, release) and leaves the
    // director running with no scene: at shutdown, the screens' workers end before the services
    // they use.
    void endScenes();

private:
    Director();
    ~Director() override;

    void drawScene();
    void setNextScene();
    // Retains `scene` as the one to show at the next frame.
    void setNextSceneTo(Scene* scene);
    std::vector<Mat4>& stack(MATRIX_STACK_TYPE type);

    Scheduler* _scheduler = nullptr;
    ActionManager* _actionManager = nullptr;
    EventDispatcher* _eventDispatcher = nullptr;
    Renderer* _renderer = nullptr;
    TextureCache* _textureCache = nullptr;

    Scene* _runningScene = nullptr;
    Scene* _nextScene = nullptr;
    std::vector<Scene*> _scenesStack;
    bool _sendCleanupToScene = false;

    std::vector<Mat4> _modelViewStack;
    std::vector<Mat4> _projectionStack;
    std::vector<Mat4> _textureStack;
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
