#include "engine/base/Touch.h"

#include <atomic>
#include <chrono>

#include "engine/base/Director.h"

namespace cocos2d {

namespace {

std::atomic<int64_t> s_timeStamp{0};

}  // namespace

Vec2 Touch::getLocation() const {
    return Director::getInstance()->convertToGL(_point);
}

Vec2 Touch::getPreviousLocation() const {
    return Director::getInstance()->convertToGL(_prevPoint);
}

Vec2 Touch::getStartLocation() const {
    return Director::getInstance()->convertToGL(_startPoint);
}

Vec2 Touch::getDelta() const {
    return getLocation() - getPreviousLocation();
}

void Touch::setTouchInfo(int id, float x, float y) {
    _id = id;
    _prevPoint = _point;
    _point.x = x;
    _point.y = y;
    if (!_startPointCaptured) {
        _startPoint = _point;
        _startPointCaptured = true;
        _prevPoint = _point;
    }
}

void Touch::setLocation(const Vec2& location) {
    const Vec2 view = Director::getInstance()->convertToUI(location);
    setTouchInfo(_id, view.x, view.y);
}

int64_t Touch::getTimeStamp() {
    return s_timeStamp.load();
}

void Touch::updateTimeStamp() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    s_timeStamp.store(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

}  // namespace cocos2d
