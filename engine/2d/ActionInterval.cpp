#include "engine/2d/ActionInterval.h"

#include <algorithm>
#include <cmath>

#include "engine/2d/Node.h"
#include "engine/base/Macros.h"

namespace cocos2d {

namespace {

// Shortest span a part of a compound action is spread over, so progress is always defined.
constexpr float kShortestDuration = 1.0e-6f;

template <class T> T* autoreleased(T* action, bool ok) {
    if (!ok) {
        delete action;
        return nullptr;
    }
    action->autorelease();
    return action;
}

std::vector<FiniteTimeAction*> upToFirstNull(const std::vector<FiniteTimeAction*>& actions) {
    std::vector<FiniteTimeAction*> list;
    for (FiniteTimeAction* action : actions) {
        if (action == nullptr) {
            break;
        }
        list.push_back(action);
    }
    return list;
}

std::vector<FiniteTimeAction*> toList(const Vector<FiniteTimeAction*>& actions) {
    return std::vector<FiniteTimeAction*>(actions.begin(), actions.end());
}

}  // namespace

// ActionInterval

bool ActionInterval::initWithDuration(float duration) {
    _duration = std::max(0.0f, duration);
    _elapsed = 0.0f;
    _firstTick = true;
    return true;
}

bool ActionInterval::isDone() const {
    return !_firstTick && _elapsed >= _duration;
}

void ActionInterval::startWithTarget(Node* target) {
    FiniteTimeAction::startWithTarget(target);
    _elapsed = 0.0f;
    _firstTick = true;
}

void ActionInterval::step(float dt) {
    if (_firstTick) {
        _firstTick = false;
        _elapsed = 0.0f;
    } else {
        _elapsed += dt;
    }
    update(_duration > 0.0f ? std::max(0.0f, std::min(1.0f, _elapsed / _duration)) : 1.0f);
}

// Sequence

Sequence* Sequence::create(const Vector<FiniteTimeAction*>& actions) {
    return createWithList(toList(actions));
}

Sequence* Sequence::createWithTwoActions(FiniteTimeAction* first, FiniteTimeAction* second) {
    return createWithList({first, second});
}

Sequence* Sequence::createWithList(const std::vector<FiniteTimeAction*>& actions) {
    auto* sequence = new Sequence();
    return autoreleased(sequence, sequence->initWithList(upToFirstNull(actions)));
}

bool Sequence::initWithList(const std::vector<FiniteTimeAction*>& actions) {
    if (actions.empty()) {
        return false;
    }
    float total = 0.0f;
    for (FiniteTimeAction* action : actions) {
        _actions.pushBack(action);
        total += action->getDuration();
        _ends.push_back(total);
    }
    ActionInterval::initWithDuration(total);
    return true;
}

void Sequence::startWithTarget(Node* target) {
    ActionInterval::startWithTarget(target);
    _current = 0;
    _currentStarted = false;
}

void Sequence::stop() {
    if (_currentStarted && _current < _ends.size()) {
        _actions.at(_current)->stop();
    }
    _currentStarted = false;
    ActionInterval::stop();
}

void Sequence::update(float time) {
    const float elapsed = time * _duration;
    while (_current < _ends.size()) {
        FiniteTimeAction* action = _actions.at(_current);
        if (!_currentStarted) {
            action->startWithTarget(_target);
            _currentStarted = true;
        }
        const float end = _ends[_current];
        if (elapsed >= end) {
            action->update(1.0f);
            action->stop();
            _currentStarted = false;
            ++_current;
            continue;
        }
        const float start = end - action->getDuration();
        const float span = std::max(end - start, kShortestDuration);
        action->update(std::max(0.0f, std::min(1.0f, (elapsed - start) / span)));
        break;
    }
}

// Spawn

Spawn* Spawn::create(const Vector<FiniteTimeAction*>& actions) {
    return createWithList(toList(actions));
}

Spawn* Spawn::createWithTwoActions(FiniteTimeAction* first, FiniteTimeAction* second) {
    return createWithList({first, second});
}

Spawn* Spawn::createWithList(const std::vector<FiniteTimeAction*>& actions) {
    auto* spawn = new Spawn();
    return autoreleased(spawn, spawn->initWithList(upToFirstNull(actions)));
}

bool Spawn::initWithList(const std::vector<FiniteTimeAction*>& actions) {
    if (actions.empty()) {
        return false;
    }
    float longest = 0.0f;
    for (FiniteTimeAction* action : actions) {
        _actions.pushBack(action);
        longest = std::max(longest, action->getDuration());
    }
    _finished.assign(actions.size(), false);
    ActionInterval::initWithDuration(longest);
    return true;
}

void Spawn::startWithTarget(Node* target) {
    ActionInterval::startWithTarget(target);
    for (std::size_t i = 0; i < _finished.size(); ++i) {
        _actions.at(i)->startWithTarget(target);
        _finished[i] = false;
    }
}

void Spawn::stop() {
    for (std::size_t i = 0; i < _finished.size(); ++i) {
        if (!_finished[i]) {
            _actions.at(i)->stop();
            _finished[i] = true;
        }
    }
    ActionInterval::stop();
}

void Spawn::update(float time) {
    const float elapsed = time * _duration;
    for (std::size_t i = 0; i < _finished.size(); ++i) {
        if (_finished[i]) {
            continue;
        }
        FiniteTimeAction* action = _actions.at(i);
        const float duration = action->getDuration();
        const float local =
            duration > kShortestDuration ? std::min(1.0f, elapsed / duration) : 1.0f;
        action->update(local);
        if (local >= 1.0f) {
            action->stop();
            _finished[i] = true;
        }
    }
}

// RepeatForever

RepeatForever* RepeatForever::create(ActionInterval* action) {
    if (action == nullptr) {
        return nullptr;
    }
    auto* repeat = new RepeatForever();
    repeat->_innerAction = action;
    action->retain();
    repeat->autorelease();
    return repeat;
}

RepeatForever::~RepeatForever() {
    CC_SAFE_RELEASE(_innerAction);
}

void RepeatForever::startWithTarget(Node* target) {
    ActionInterval::startWithTarget(target);
    _innerAction->startWithTarget(target);
}

void RepeatForever::stop() {
    _innerAction->stop();
    ActionInterval::stop();
}

void RepeatForever::step(float dt) {
    _innerAction->step(dt);
    if (!_innerAction->isDone()) {
        return;
    }
    const float duration = _innerAction->getDuration();
    float overrun = duration > 0.0f ? _innerAction->getElapsed() - duration : 0.0f;
    if (overrun > duration) {
        overrun = std::fmod(overrun, duration);
    }
    _innerAction->startWithTarget(_target);
    _innerAction->step(0.0f);
    _innerAction->step(overrun);
}

// DelayTime

DelayTime* DelayTime::create(float duration) {
    auto* delay = new DelayTime();
    return autoreleased(delay, delay->initWithDuration(duration));
}

void DelayTime::update(float /*time*/) {}

// MoveBy, MoveTo

MoveBy* MoveBy::create(float duration, const Vec2& deltaPosition) {
    auto* move = new MoveBy();
    return autoreleased(move, move->initWithDuration(duration, deltaPosition));
}

bool MoveBy::initWithDuration(float duration, const Vec2& deltaPosition) {
    _positionDelta = deltaPosition;
    return ActionInterval::initWithDuration(duration);
}

void MoveBy::startWithTarget(Node* target) {
    ActionInterval::startWithTarget(target);
    _startPosition = target->getPosition();
    _previousPosition = _startPosition;
}

void MoveBy::update(float time) {
    if (_target == nullptr) {
        return;
    }
    _startPosition += _target->getPosition() - _previousPosition;
    const Vec2 position = _startPosition + _positionDelta * time;
    _target->setPosition(position);
    _previousPosition = position;
}

MoveTo* MoveTo::create(float duration, const Vec2& position) {
    auto* move = new MoveTo();
    move->_endPosition = position;
    return autoreleased(move, move->MoveBy::initWithDuration(duration, Vec2()));
}

void MoveTo::startWithTarget(Node* target) {
    MoveBy::startWithTarget(target);
    _positionDelta = _endPosition - target->getPosition();
}

// RotateBy

RotateBy* RotateBy::create(float duration, float deltaAngle) {
    auto* rotate = new RotateBy();
    rotate->_deltaAngle = Vec3(0.0f, 0.0f, deltaAngle);
    return autoreleased(rotate, rotate->initWithDuration(duration));
}

RotateBy* RotateBy::create(float duration, const Vec3& deltaAngle3D) {
    auto* rotate = new RotateBy();
    rotate->_deltaAngle = deltaAngle3D;
    rotate->_is3D = true;
    return autoreleased(rotate, rotate->initWithDuration(duration));
}

void RotateBy::startWithTarget(Node* target) {
    ActionInterval::startWithTarget(target);
    _startAngle = _is3D ? target->getRotation3D() : Vec3(0.0f, 0.0f, target->getRotation());
}

void RotateBy::update(float time) {
    if (_target == nullptr) {
        return;
    }
    if (_is3D) {
        _target->setRotation3D(_startAngle + _deltaAngle * time);
    } else {
        _target->setRotation(_startAngle.z + _deltaAngle.z * time);
    }
}

// ScaleTo

ScaleTo* ScaleTo::create(float duration, float scale) {
    return create(duration, scale, scale, scale);
}

ScaleTo* ScaleTo::create(float duration, float scaleX, float scaleY) {
    return create(duration, scaleX, scaleY, 1.0f);
}

ScaleTo* ScaleTo::create(float duration, float scaleX, float scaleY, float scaleZ) {
    auto* scale = new ScaleTo();
    scale->_endScale = Vec3(scaleX, scaleY, scaleZ);
    return autoreleased(scale, scale->initWithDuration(duration));
}

void ScaleTo::startWithTarget(Node* target) {
    ActionInterval::startWithTarget(target);
    _startScale = Vec3(target->getScaleX(), target->getScaleY(), target->getScaleZ());
    _delta = _endScale - _startScale;
}

void ScaleTo::update(float time) {
    if (_target == nullptr) {
        return;
    }
    _target->setScaleX(_startScale.x + _delta.x * time);
    _target->setScaleY(_startScale.y + _delta.y * time);
    _target->setScaleZ(_startScale.z + _delta.z * time);
}

// FadeTo, FadeIn, FadeOut

FadeTo* FadeTo::create(float duration, uint8_t opacity) {
    auto* fade = new FadeTo();
    return autoreleased(fade, fade->initWithDuration(duration, opacity));
}

bool FadeTo::initWithDuration(float duration, uint8_t opacity) {
    _toOpacity = opacity;
    return ActionInterval::initWithDuration(duration);
}

void FadeTo::startWithTarget(Node* target) {
    ActionInterval::startWithTarget(target);
    _fromOpacity = target->getOpacity();
}

void FadeTo::update(float time) {
    if (_target == nullptr) {
        return;
    }
    const float opacity = _fromOpacity + (static_cast<float>(_toOpacity) - _fromOpacity) * time;
    _target->setOpacity(static_cast<uint8_t>(opacity));
}

FadeIn* FadeIn::create(float duration) {
    auto* fade = new FadeIn();
    return autoreleased(fade, fade->initWithDuration(duration, 255));
}

FadeOut* FadeOut::create(float duration) {
    auto* fade = new FadeOut();
    return autoreleased(fade, fade->initWithDuration(duration, 0));
}

}  // namespace cocos2d
