#include "engine/base/InputRouter.h"

#include "engine/base/Director.h"
#include "engine/base/EventDispatcher.h"
#include "engine/base/IMEDelegate.h"
#include "engine/base/Touch.h"

namespace cocos2d {

InputRouter::InputRouter() = default;

InputRouter::~InputRouter() {
    if (_touch != nullptr) {
        _touch->release();
    }
}

void InputRouter::dispatchTouch(EventTouch::EventCode code) {
    EventTouch event;
    event.setEventCode(code);
    event.setTouches({_touch});
    Director::getInstance()->getEventDispatcher()->dispatchEvent(&event);
}

void InputRouter::dispatchMouse(EventMouse& event, float x, float y) {
    const Vec2 previous = Director::getInstance()->convertToGL(Vec2(_cursorX, _cursorY));
    const Vec2 current = Director::getInstance()->convertToGL(Vec2(x, y));
    event.setCursorPosition(previous.x, previous.y);
    event.setCursorPosition(current.x, current.y);
    _cursorX = x;
    _cursorY = y;
    Director::getInstance()->getEventDispatcher()->dispatchEvent(&event);
}

void InputRouter::mouseDown(float x, float y, EventMouse::MouseButton button) {
    if (button == EventMouse::MouseButton::BUTTON_LEFT && _touch == nullptr) {
        _touch = new Touch();
        _touch->setTouchInfo(0, x, y);
        dispatchTouch(EventTouch::EventCode::BEGAN);
    }
    EventMouse event(EventMouse::MouseEventType::MOUSE_DOWN);
    event.setMouseButton(button);
    dispatchMouse(event, x, y);
}

void InputRouter::mouseUp(float x, float y, EventMouse::MouseButton button) {
    if (button == EventMouse::MouseButton::BUTTON_LEFT && _touch != nullptr) {
        _touch->setTouchInfo(0, x, y);
        dispatchTouch(EventTouch::EventCode::ENDED);
        _touch->release();
        _touch = nullptr;
    }
    EventMouse event(EventMouse::MouseEventType::MOUSE_UP);
    event.setMouseButton(button);
    dispatchMouse(event, x, y);
}

void InputRouter::mouseMove(float x, float y) {
    if (_touch != nullptr) {
        _touch->setTouchInfo(0, x, y);
        dispatchTouch(EventTouch::EventCode::MOVED);
    }
    EventMouse event(EventMouse::MouseEventType::MOUSE_MOVE);
    dispatchMouse(event, x, y);
}

void InputRouter::mouseScroll(float x, float y, float wheelX, float wheelY) {
    EventMouse event(EventMouse::MouseEventType::MOUSE_SCROLL);
    event.setScrollData(wheelX, -wheelY);
    dispatchMouse(event, x, y);
}

void InputRouter::cancelTouch() {
    if (_touch == nullptr) {
        return;
    }
    dispatchTouch(EventTouch::EventCode::CANCELLED);
    _touch->release();
    _touch = nullptr;
}

void InputRouter::keyDown(EventKeyboard::KeyCode keyCode) {
    EventKeyboard event(keyCode, true);
    Director::getInstance()->getEventDispatcher()->dispatchEvent(&event);
}

void InputRouter::keyUp(EventKeyboard::KeyCode keyCode) {
    EventKeyboard event(keyCode, false);
    Director::getInstance()->getEventDispatcher()->dispatchEvent(&event);
}

void InputRouter::insertText(const char* text, size_t len) {
    IMEDispatcher::sharedDispatcher()->dispatchInsertText(text, len);
}

void InputRouter::deleteBackward() {
    IMEDispatcher::sharedDispatcher()->dispatchDeleteBackward();
}

}  // namespace cocos2d
