#include "engine/base/EventListener.h"

namespace cocos2d {

const EventListener::ListenerID EventListenerTouchOneByOne::LISTENER_ID = "__cc_touch_one_by_one";
const EventListener::ListenerID EventListenerTouchAllAtOnce::LISTENER_ID = "__cc_touch_all_at_once";
const EventListener::ListenerID EventListenerMouse::LISTENER_ID = "__cc_mouse";
const EventListener::ListenerID EventListenerKeyboard::LISTENER_ID = "__cc_keyboard";

namespace {

template <class T> T* createListener() {
    auto* listener = new T();
    listener->autorelease();
    return listener;
}

}  // namespace

bool EventListener::init(Type type, const ListenerID& listenerID,
                         const std::function<void(Event*)>& callback) {
    _onEvent = callback;
    _type = type;
    _listenerID = listenerID;
    _isRegistered = false;
    _paused = true;
    _isEnabled = true;
    return true;
}

// Touches, one by one

bool EventListenerTouchOneByOne::init() {
    return EventListener::init(Type::TOUCH_ONE_BY_ONE, LISTENER_ID, nullptr);
}

EventListenerTouchOneByOne* EventListenerTouchOneByOne::create() {
    auto* listener = createListener<EventListenerTouchOneByOne>();
    listener->init();
    return listener;
}

bool EventListenerTouchOneByOne::checkAvailable() {
    // Without onTouchBegan no touch could ever be claimed.
    return static_cast<bool>(onTouchBegan);
}

EventListenerTouchOneByOne* EventListenerTouchOneByOne::clone() {
    auto* listener = create();
    listener->onTouchBegan = onTouchBegan;
    listener->onTouchMoved = onTouchMoved;
    listener->onTouchEnded = onTouchEnded;
    listener->onTouchCancelled = onTouchCancelled;
    listener->_needSwallow = _needSwallow;
    return listener;
}

// Touches, all at once

bool EventListenerTouchAllAtOnce::init() {
    return EventListener::init(Type::TOUCH_ALL_AT_ONCE, LISTENER_ID, nullptr);
}

EventListenerTouchAllAtOnce* EventListenerTouchAllAtOnce::create() {
    auto* listener = createListener<EventListenerTouchAllAtOnce>();
    listener->init();
    return listener;
}

bool EventListenerTouchAllAtOnce::checkAvailable() {
    return onTouchesBegan || onTouchesMoved || onTouchesEnded || onTouchesCancelled;
}

EventListenerTouchAllAtOnce* EventListenerTouchAllAtOnce::clone() {
    auto* listener = create();
    listener->onTouchesBegan = onTouchesBegan;
    listener->onTouchesMoved = onTouchesMoved;
    listener->onTouchesEnded = onTouchesEnded;
    listener->onTouchesCancelled = onTouchesCancelled;
    return listener;
}

// Mouse

bool EventListenerMouse::init() {
    return EventListener::init(Type::MOUSE, LISTENER_ID, [this](Event* event) {
        auto* mouseEvent = static_cast<EventMouse*>(event);
        switch (mouseEvent->getMouseEventType()) {
        case EventMouse::MouseEventType::MOUSE_DOWN:
            if (onMouseDown) {
                onMouseDown(mouseEvent);
            }
            break;
        case EventMouse::MouseEventType::MOUSE_UP:
            if (onMouseUp) {
                onMouseUp(mouseEvent);
            }
            break;
        case EventMouse::MouseEventType::MOUSE_MOVE:
            if (onMouseMove) {
                onMouseMove(mouseEvent);
            }
            break;
        case EventMouse::MouseEventType::MOUSE_SCROLL:
            if (onMouseScroll) {
                onMouseScroll(mouseEvent);
            }
            break;
        case EventMouse::MouseEventType::MOUSE_NONE:
            break;
        }
    });
}

EventListenerMouse* EventListenerMouse::create() {
    auto* listener = createListener<EventListenerMouse>();
    listener->init();
    return listener;
}

bool EventListenerMouse::checkAvailable() {
    return true;
}

EventListenerMouse* EventListenerMouse::clone() {
    auto* listener = create();
    listener->onMouseDown = onMouseDown;
    listener->onMouseUp = onMouseUp;
    listener->onMouseMove = onMouseMove;
    listener->onMouseScroll = onMouseScroll;
    return listener;
}

// Keyboard

bool EventListenerKeyboard::init() {
    return EventListener::init(Type::KEYBOARD, LISTENER_ID, [this](Event* event) {
        auto* keyEvent = static_cast<EventKeyboard*>(event);
        if (keyEvent->isPressed()) {
            if (onKeyPressed) {
                onKeyPressed(keyEvent->getKeyCode(), event);
            }
        } else if (onKeyReleased) {
            onKeyReleased(keyEvent->getKeyCode(), event);
        }
    });
}

EventListenerKeyboard* EventListenerKeyboard::create() {
    auto* listener = createListener<EventListenerKeyboard>();
    listener->init();
    return listener;
}

bool EventListenerKeyboard::checkAvailable() {
    return onKeyPressed || onKeyReleased;
}

EventListenerKeyboard* EventListenerKeyboard::clone() {
    auto* listener = create();
    listener->onKeyPressed = onKeyPressed;
    listener->onKeyReleased = onKeyReleased;
    return listener;
}

// Custom

bool EventListenerCustom::init(const ListenerID& listenerId,
                               const std::function<void(EventCustom*)>& callback) {
    _onCustomEvent = callback;
    return EventListener::init(Type::CUSTOM, listenerId, [this](Event* event) {
        if (_onCustomEvent) {
            _onCustomEvent(static_cast<EventCustom*>(event));
        }
    });
}

EventListenerCustom*
EventListenerCustom::create(const std::string& eventName,
                            const std::function<void(EventCustom*)>& callback) {
    auto* listener = createListener<EventListenerCustom>();
    listener->init(eventName, callback);
    return listener;
}

bool EventListenerCustom::checkAvailable() {
    return static_cast<bool>(_onCustomEvent);
}

EventListenerCustom* EventListenerCustom::clone() {
    return create(_listenerID, _onCustomEvent);
}

}  // namespace cocos2d
