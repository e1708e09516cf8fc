#include "engine/2d/Action.h"

namespace cocos2d {

void Action::startWithTarget(Node* target) {
    _originalTarget = target;
    _target = target;
}

void Action::stop() {
    _target = nullptr;
}

void Action::step(float /*dt*/) {}

void Action::update(float /*time*/) {}

}  // namespace cocos2d
