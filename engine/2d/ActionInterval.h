#pragma once

#include <cstdint>
#include <vector>

#include "engine/2d/Action.h"
#include "engine/base/Vector.h"
#include "engine/math/Vec2.h"
#include "engine/math/Vec3.h"

namespace cocos2d {

// An action spread over its duration. The first step after the start only marks the start
// (progress 0); every later step adds its delta, so an action of d seconds ends at the first
// frame whose accumulated deltas reach d. An action of duration 0 completes at its first step.
class ActionInterval : public FiniteTimeAction {
public:
    bool initWithDuration(float duration);

    float getElapsed() const { return _elapsed; }
    bool isDone() const override;
    void startWithTarget(Node* target) override;
    void step(float dt) override;

protected:
    ActionInterval() = default;

    float _elapsed = 0.0f;
    bool _firstTick = true;
};

// Runs its actions one after the other; each one that is passed gets its final update and its
// stop before the next starts, so instant actions fire at their place in the chain even when a
// long frame skips over them.
class Sequence : public ActionInterval {
public:
    // The list ends at its first null entry (as in `create(a, b, nullptr)`).
    template <typename... Actions>
    static Sequence* create(FiniteTimeAction* first, Actions... rest) {
        return createWithList({first, static_cast<FiniteTimeAction*>(rest)...});
    }
    static Sequence* create(const Vector<FiniteTimeAction*>& actions);
    static Sequence* createWithTwoActions(FiniteTimeAction* first, FiniteTimeAction* second);

    void startWithTarget(Node* target) override;
    void stop() override;
    void update(float time) override;

private:
    Sequence() = default;
    static Sequence* createWithList(const std::vector<FiniteTimeAction*>& actions);
    bool initWithList(const std::vector<FiniteTimeAction*>& actions);

    Vector<FiniteTimeAction*> _actions;
    std::vector<float> _ends;  // seconds from the start at which each action is over
    std::size_t _current = 0;
    bool _currentStarted = false;
};

// Runs its actions side by side; it lasts as long as the longest, and each shorter one is
// finished and stopped when its own time is up.
class Spawn : public ActionInterval {
public:
    // The list ends at its first null entry.
    template <typename... Actions> static Spawn* create(FiniteTimeAction* first, Actions... rest) {
        return createWithList({first, static_cast<FiniteTimeAction*>(rest)...});
    }
    static Spawn* create(const Vector<FiniteTimeAction*>& actions);
    static Spawn* createWithTwoActions(FiniteTimeAction* first, FiniteTimeAction* second);

    void startWithTarget(Node* target) override;
    void stop() override;
    void update(float time) override;

private:
    Spawn() = default;
    static Spawn* createWithList(const std::vector<FiniteTimeAction*>& actions);
    bool initWithList(const std::vector<FiniteTimeAction*>& actions);

    Vector<FiniteTimeAction*> _actions;
    std::vector<bool> _finished;
};

// Restarts its action whenever it ends, carrying the time a frame ran past the end into the
// next round; never done.
class RepeatForever : public ActionInterval {
public:
    static RepeatForever* create(ActionInterval* action);
    ~RepeatForever() override;

    ActionInterval* getInnerAction() const { return _innerAction; }
    bool isDone() const override { return false; }
    void startWithTarget(Node* target) override;
    void stop() override;
    void step(float dt) override;

private:
    RepeatForever() = default;

    ActionInterval* _innerAction = nullptr;
};

// Does nothing for its duration.
class DelayTime : public ActionInterval {
public:
    static DelayTime* create(float duration);
    void update(float time) override;

private:
    DelayTime() = default;
};

// Moves the target by a distance. Moves of several actions on one node add up: a change of the
// position made by anything else while the move runs is kept.
class MoveBy : public ActionInterval {
public:
    static MoveBy* create(float duration, const Vec2& deltaPosition);

    void startWithTarget(Node* target) override;
    void update(float time) override;

protected:
    MoveBy() = default;
    bool initWithDuration(float duration, const Vec2& deltaPosition);

    Vec2 _positionDelta;
    Vec2 _startPosition;
    Vec2 _previousPosition;
};

// Moves the target to a position (the distance is taken when the action starts).
class MoveTo : public MoveBy {
public:
    static MoveTo* create(float duration, const Vec2& position);

    void startWithTarget(Node* target) override;

private:
    MoveTo() = default;

    Vec2 _endPosition;
};

// Turns the target by an angle in degrees: clockwise in the plane, or by Euler angles about
// X, Y and Z.
class RotateBy : public ActionInterval {
public:
    static RotateBy* create(float duration, float deltaAngle);
    static RotateBy* create(float duration, const Vec3& deltaAngle3D);

    void startWithTarget(Node* target) override;
    void update(float time) override;

private:
    RotateBy() = default;

    Vec3 _deltaAngle;
    Vec3 _startAngle;
    bool _is3D = false;
};

// Scales the target to the given factors.
class ScaleTo : public ActionInterval {
public:
    // X, Y and Z to `scale`.
    static ScaleTo* create(float duration, float scale);
    // Z unchanged at 1.
    static ScaleTo* create(float duration, float scaleX, float scaleY);
    static ScaleTo* create(float duration, float scaleX, float scaleY, float scaleZ);

    void startWithTarget(Node* target) override;
    void update(float time) override;

private:
    ScaleTo() = default;

    Vec3 _endScale;
    Vec3 _startScale;
    Vec3 _delta;
};

// Changes the target's opacity to a value, dropping the fraction at each step.
class FadeTo : public ActionInterval {
public:
    static FadeTo* create(float duration, uint8_t opacity);

    void startWithTarget(Node* target) override;
    void update(float time) override;

protected:
    FadeTo() = default;
    bool initWithDuration(float duration, uint8_t opacity);

    uint8_t _toOpacity = 0;
    uint8_t _fromOpacity = 0;
};

// Fades to full opacity (255).
class FadeIn : public FadeTo {
public:
    static FadeIn* create(float duration);

private:
    FadeIn() = default;
};

// Fades to transparent (0).
class FadeOut : public FadeTo {
public:
    static FadeOut* create(float duration);

private:
    FadeOut() = default;
};

}  // namespace cocos2d
