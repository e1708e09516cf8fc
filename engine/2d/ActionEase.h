#pragma once

#include "engine/2d/ActionInterval.h"

namespace cocos2d {

// Runs an action over the same duration with its progress reshaped by a curve.
class ActionEase : public ActionInterval {
public:
    ~ActionEase() override;

    ActionInterval* getInnerAction() const { return _inner; }
    void startWithTarget(Node* target) override;
    void stop() override;
    void update(float time) override;

protected:
    ActionEase() = default;
    bool initWithAction(ActionInterval* action);
    // Progress handed to the inner action at progress `time`; 0 and 1 map to themselves.
    virtual float ease(float time) const = 0;

    ActionInterval* _inner = nullptr;
};

// Starts slowly: t³.
class EaseCubicActionIn : public ActionEase {
public:
    static EaseCubicActionIn* create(ActionInterval* action);

protected:
    float ease(float time) const override;

private:
    EaseCubicActionIn() = default;
};

// Ends slowly: (t − 1)³ + 1.
class EaseCubicActionOut : public ActionEase {
public:
    static EaseCubicActionOut* create(ActionInterval* action);

protected:
    float ease(float time) const override;

private:
    EaseCubicActionOut() = default;
};

}  // namespace cocos2d
