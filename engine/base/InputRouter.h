#pragma once

#include <memory>

#include "engine/base/Event.h"
#include "engine/base/EventKeyboard.h"

namespace cocos2d {

class Touch;

// Turns a window's raw input into engine events and hands them to the director's event
// dispatcher. Positions are view coordinates in points (origin top-left of the window).
//
// The left mouse button is also touch 0: pressing it begins the touch, moving with it held
// moves it, releasing it ends it, and each touch event goes out before the mouse event it
// comes from.
class InputRouter {
public:
    InputRouter();
    ~InputRouter();

    InputRouter(const InputRouter&) = delete;
    InputRouter& operator=(const InputRouter&) = delete;

    void mouseDown(float x, float y, EventMouse::MouseButton button);
    void mouseUp(float x, float y, EventMouse::MouseButton button);
    void mouseMove(float x, float y);
    // `wheelY` as the window system reports it: positive when the wheel turns away from the
    // user. The event carries it negated (see EventMouse).
    void mouseScroll(float x, float y, float wheelX, float wheelY);
    // Ends a touch still held, e.g. when the window loses the mouse.
    void cancelTouch();

    void keyDown(EventKeyboard::KeyCode keyCode);
    void keyUp(EventKeyboard::KeyCode keyCode);

    // Text typed while a delegate is attached to the IME.
    void insertText(const char* text, size_t len);
    void deleteBackward();

    bool isLeftButtonDown() const { return _touch != nullptr; }

private:
    void dispatchTouch(EventTouch::EventCode code);
    void dispatchMouse(EventMouse& event, float x, float y);

    Touch* _touch = nullptr;
    float _cursorX = 0.0f;
    float _cursorY = 0.0f;
};

}  // namespace cocos2d
