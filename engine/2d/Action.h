#pragma once

#include "engine/base/Ref.h"

namespace cocos2d {

class Node;

// Something a node does over time, driven frame by frame by the director's ActionManager once
// the node runs it (`Node::runAction`). The manager calls `startWithTarget` when the action is
// added, `step` with each frame's delta until `isDone`, then `stop`. `update` takes the progress
// in [0, 1] and is what compound actions call on the actions they hold.
//
// The target is not retained by the action; the manager keeps it alive while the action runs.
class Action : public Ref {
public:
    static const int INVALID_TAG = -1;

    virtual bool isDone() const { return true; }
    virtual void startWithTarget(Node* target);
    // Detaches the action from its target; it may be started again afterwards.
    virtual void stop();
    virtual void step(float dt);
    virtual void update(float time);

    Node* getTarget() const { return _target; }
    void setTarget(Node* target) { _target = target; }
    // The node the action was started on; kept after stop.
    Node* getOriginalTarget() const { return _originalTarget; }

    int getTag() const { return _tag; }
    void setTag(int tag) { _tag = tag; }

protected:
    Action() = default;

    Node* _originalTarget = nullptr;
    Node* _target = nullptr;
    int _tag = INVALID_TAG;
};

// An action with a known duration in seconds (0 for one that happens at once).
class FiniteTimeAction : public Action {
public:
    float getDuration() const { return _duration; }
    void setDuration(float duration) { _duration = duration; }

protected:
    FiniteTimeAction() = default;

    float _duration = 0.0f;
};

}  // namespace cocos2d
