#pragma once

#include <functional>

#include "engine/2d/Action.h"

namespace cocos2d {

// An action that happens at once: its first step (or, inside a compound action, its first
// update) performs it, and it is done from then until it is started again.
class ActionInstant : public FiniteTimeAction {
public:
    bool isDone() const override { return _done; }
    void startWithTarget(Node* target) override;
    void step(float dt) override;
    void update(float time) override;

protected:
    ActionInstant() = default;
    virtual void execute() = 0;

private:
    bool _done = false;
};

// Calls a function.
class CallFunc : public ActionInstant {
public:
    static CallFunc* create(const std::function<void()>& function);

protected:
    void execute() override;

private:
    CallFunc() = default;

    std::function<void()> _function;
};

// Calls a function with the target node.
class CallFuncN : public ActionInstant {
public:
    static CallFuncN* create(const std::function<void(Node*)>& function);

protected:
    void execute() override;

private:
    CallFuncN() = default;

    std::function<void(Node*)> _function;
};

}  // namespace cocos2d
