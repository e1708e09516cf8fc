#include "engine/base/Event.h"

namespace cocos2d {

void EventMouse::setCursorPosition(float x, float y) {
    _prevPoint = _point;
    _point.x = x;
    _point.y = y;
    if (!_startPointCaptured) {
        _startPoint = _point;
        _prevPoint = _point;
        _startPointCaptured = true;
    }
}

}  // namespace cocos2d
