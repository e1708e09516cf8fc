#include "engine/2d/ActionEase.h"

#include "engine/base/Macros.h"

namespace cocos2d {

ActionEase::~ActionEase() {
    CC_SAFE_RELEASE(_inner);
}

bool ActionEase::initWithAction(ActionInterval* action) {
    if (action == nullptr) {
        return false;
    }
    action->retain();
    _inner = action;
    return ActionInterval::initWithDuration(action->getDuration());
}

void ActionEase::startWithTarget(Node* target) {
    ActionInterval::startWithTarget(target);
    _inner->startWithTarget(target);
}

void ActionEase::stop() {
    _inner->stop();
    ActionInterval::stop();
}

void ActionEase::update(float time) {
    _inner->update(ease(time));
}

EaseCubicActionIn* EaseCubicActionIn::create(ActionInterval* action) {
    auto* ease = new EaseCubicActionIn();
    if (!ease->initWithAction(action)) {
        delete ease;
        return nullptr;
    }
    ease->autorelease();
    return ease;
}

float EaseCubicActionIn::ease(float time) const {
    return time * time * time;
}

EaseCubicActionOut* EaseCubicActionOut::create(ActionInterval* action) {
    auto* ease = new EaseCubicActionOut();
    if (!ease->initWithAction(action)) {
        delete ease;
        return nullptr;
    }
    ease->autorelease();
    return ease;
}

float EaseCubicActionOut::ease(float time) const {
    const float t = time - 1.0f;
    return t * t * t + 1.0f;
}

}  // namespace cocos2d
