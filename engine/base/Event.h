#pragma once

#include <string>
#include <vector>

#include "engine/base/Ref.h"
#include "engine/math/Vec2.h"

namespace cocos2d {

class Node;
class Touch;

// Base of what the event dispatcher delivers to its listeners.
class Event : public Ref {
public:
    enum class Type { TOUCH, KEYBOARD, ACCELERATION, MOUSE, FOCUS, GAME_CONTROLLER, CUSTOM };

    explicit Event(Type type) : _type(type) {}

    Type getType() const { return _type; }
    // No listener after the current one receives the event.
    void stopPropagation() { _isStopped = true; }
    bool isStopped() const { return _isStopped; }
    // The node of the scene-graph listener being called, else null.
    Node* getCurrentTarget() const { return _currentTarget; }

protected:
    void setCurrentTarget(Node* target) { _currentTarget = target; }

    Type _type;
    bool _isStopped = false;
    Node* _currentTarget = nullptr;

    friend class EventDispatcher;
};

class EventTouch : public Event {
public:
    static const int MAX_TOUCHES = 15;

    enum class EventCode { BEGAN, MOVED, ENDED, CANCELLED };

    EventTouch() : Event(Type::TOUCH) {}

    EventCode getEventCode() const { return _eventCode; }
    void setEventCode(EventCode eventCode) { _eventCode = eventCode; }
    const std::vector<Touch*>& getTouches() const { return _touches; }
    void setTouches(const std::vector<Touch*>& touches) { _touches = touches; }

private:
    EventCode _eventCode = EventCode::BEGAN;
    std::vector<Touch*> _touches;
};

// Mouse event. Every location is in GL orientation (points, origin bottom-left of the
// window), the "in view" forms included. Vertical scroll: negative when the wheel turns away
// from the user ("up"), positive when it turns towards the user.
class EventMouse : public Event {
public:
    enum class MouseEventType { MOUSE_NONE, MOUSE_DOWN, MOUSE_UP, MOUSE_MOVE, MOUSE_SCROLL };

    enum class MouseButton {
        BUTTON_UNSET = -1,
        BUTTON_LEFT = 0,
        BUTTON_RIGHT = 1,
        BUTTON_MIDDLE = 2,
        BUTTON_4 = 3,
        BUTTON_5 = 4,
        BUTTON_6 = 5,
        BUTTON_7 = 6,
        BUTTON_8 = 7,
    };

    explicit EventMouse(MouseEventType mouseEventCode)
        : Event(Type::MOUSE), _mouseEventType(mouseEventCode) {}

    MouseEventType getMouseEventType() const { return _mouseEventType; }

    void setScrollData(float scrollX, float scrollY) {
        _scrollX = scrollX;
        _scrollY = scrollY;
    }
    float getScrollX() const { return _scrollX; }
    float getScrollY() const { return _scrollY; }

    void setCursorPosition(float x, float y);
    void setMouseButton(MouseButton button) { _mouseButton = button; }
    MouseButton getMouseButton() const { return _mouseButton; }
    float getCursorX() const { return _point.x; }
    float getCursorY() const { return _point.y; }

    Vec2 getLocation() const { return _point; }
    Vec2 getPreviousLocation() const { return _prevPoint; }
    Vec2 getStartLocation() const { return _startPoint; }
    Vec2 getDelta() const { return _point - _prevPoint; }
    Vec2 getLocationInView() const { return _point; }
    Vec2 getPreviousLocationInView() const { return _prevPoint; }
    Vec2 getStartLocationInView() const { return _startPoint; }

private:
    MouseEventType _mouseEventType;
    MouseButton _mouseButton = MouseButton::BUTTON_UNSET;
    float _scrollX = 0.0f;
    float _scrollY = 0.0f;
    bool _startPointCaptured = false;
    Vec2 _startPoint;
    Vec2 _point;
    Vec2 _prevPoint;
};

class EventCustom : public Event {
public:
    explicit EventCustom(const std::string& eventName)
        : Event(Type::CUSTOM), _eventName(eventName) {}

    void setUserData(void* data) { _userData = data; }
    void* getUserData() const { return _userData; }
    const std::string& getEventName() const { return _eventName; }

private:
    void* _userData = nullptr;
    std::string _eventName;
};

}  // namespace cocos2d
