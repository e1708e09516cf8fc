#pragma once

#include "engine/2d/Scene.h"

namespace cocos2d {

class ActionInterval;

// A scene that shows the change from the running scene (out) to another one (in) over a
// duration, then hands the director the in scene. Pushed or put in place of the running scene
// like any scene: the director leaves the out scene running until the transition ends, and the
// in scene enters at the start and gets onEnterTransitionDidFinish at the end. Touches are off
// meanwhile. A replace cleans the out scene up when the transition ends; a push keeps it.
class TransitionScene : public Scene {
public:
    // Null when `scene` is null.
    static TransitionScene* create(float duration, Scene* scene);

    virtual bool initWithDuration(float duration, Scene* scene);

    Scene* getInScene() const { return _inScene; }
    Scene* getOutScene() const { return _outScene; }
    float getDuration() const { return _duration; }

    // Ends the transition: both scenes back in place, and the in scene handed to the director
    // at the next update.
    void finish();

    void render(Renderer* renderer, const Mat4& eyeTransform) override;
    void onEnter() override;
    void onExit() override;
    void cleanup() override;

protected:
    TransitionScene() = default;
    ~TransitionScene() override;

    // Places both scenes before the show starts.
    virtual void initScenes() {}
    // Starts the actions that show the change; they end with `finish`.
    virtual void startShow() { finish(); }
    void setNewScene();

    Scene* _inScene = nullptr;
    Scene* _outScene = nullptr;
    float _duration = 0.0f;
    bool _isInSceneOnTop = true;
    bool _finished = false;
    bool _isSendCleanupToScene = false;
};

// A transition whose look has a direction.
class TransitionSceneOriented : public TransitionScene {
public:
    enum class Orientation { LEFT_OVER = 0, RIGHT_OVER = 1, UP_OVER = 0, DOWN_OVER = 1 };

    virtual bool initWithDuration(float duration, Scene* scene, Orientation orientation);
    using TransitionScene::initWithDuration;

protected:
    Orientation _orientation = Orientation::LEFT_OVER;
};

// The in scene slides in from the left edge over the out scene.
class TransitionMoveInL : public TransitionScene {
public:
    static TransitionMoveInL* create(float duration, Scene* scene);

protected:
    TransitionMoveInL() = default;

    void initScenes() override;
    void startShow() override;
    virtual ActionInterval* action();
};

// The in scene comes from beyond the top-left corner of the window.
class TransitionMoveInLeftTop : public TransitionMoveInL {
public:
    static TransitionMoveInLeftTop* create(float duration, Scene* scene);

protected:
    TransitionMoveInLeftTop() = default;

    void initScenes() override;
};

// The scenes turn about the vertical axis like a card: the out scene narrows to its middle
// line in the first half, the in scene widens from it in the second.
class TransitionFlipX : public TransitionSceneOriented {
public:
    static TransitionFlipX* create(float duration, Scene* scene);
    static TransitionFlipX* create(float duration, Scene* scene, Orientation orientation);

protected:
    TransitionFlipX() = default;

    void startShow() override;
};

}  // namespace cocos2d
