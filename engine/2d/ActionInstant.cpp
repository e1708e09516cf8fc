#include "engine/2d/ActionInstant.h"

namespace cocos2d {

void ActionInstant::startWithTarget(Node* target) {
    FiniteTimeAction::startWithTarget(target);
    _done = false;
}

void ActionInstant::step(float /*dt*/) {
    update(1.0f);
}

void ActionInstant::update(float /*time*/) {
    if (_done) {
        return;
    }
    _done = true;
    execute();
}

CallFunc* CallFunc::create(const std::function<void()>& function) {
    auto* call = new CallFunc();
    call->_function = function;
    call->autorelease();
    return call;
}

void CallFunc::execute() {
    if (_function) {
        _function();
    }
}

CallFuncN* CallFuncN::create(const std::function<void(Node*)>& function) {
    auto* call = new CallFuncN();
    call->_function = function;
    call->autorelease();
    return call;
}

void CallFuncN::execute() {
    if (_function) {
        _function(_target);
    }
}

}  // namespace cocos2d
