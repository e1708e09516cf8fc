#pragma once

#include <SDL2/SDL.h>

#include <memory>
#include <string>

#include "engine/base/EventKeyboard.h"
#include "engine/base/InputRouter.h"
#include "engine/platform/GLView.h"

namespace cocos2d {

// The program's window: an SDL window with a compatibility-profile GL context (line stipple,
// wide lines and client-side arrays stay available), its functions loaded through GLEW. While
// it exists the director's renderer draws through GL. Window events go to the director's
// event dispatcher: the left mouse button also acts as touch 0, delivered before the mouse
// event; minimising and restoring reach the application's background and foreground slots;
// closing ends `windowShouldClose`; a file dropped on the window goes to `openFile`.
class GLViewImpl : public GLView {
public:
    // `rect` gives the window's position and size in screen pixels. Null when SDL or the GL
    // context cannot be set up.
    static GLViewImpl* createWithRect(const std::string& viewName, const Rect& rect,
                                      float frameZoomFactor = 1.0f);

    ~GLViewImpl() override;

    bool isOpenGLReady() override { return _context != nullptr; }
    // Destroys the context and the window; the renderer goes back to recording.
    void end() override;
    void swapBuffers() override;
    void pollEvents() override;
    bool windowShouldClose() override { return _shouldClose; }
    void setIMEKeyboardState(bool open) override;

    // Ends the loop of Application::run as if the window had been closed.
    void setWindowShouldClose() { _shouldClose = true; }
    SDL_Window* getWindow() const { return _window; }

    // The engine key code of an SDL key; KEY_NONE for keys it does not know.
    static EventKeyboard::KeyCode keyCodeForSDL(SDL_Keycode key);

protected:
    GLViewImpl() = default;
    bool initWithRect(const std::string& viewName, const Rect& rect, float frameZoomFactor);

private:
    void handleEvent(const SDL_Event& event);
    void onMouseButton(const SDL_MouseButtonEvent& button, bool pressed);
    void onMouseMove(const SDL_MouseMotionEvent& motion);
    void onMouseWheel(const SDL_MouseWheelEvent& wheel);
    void onKey(const SDL_KeyboardEvent& key, bool pressed);
    void onWindowEvent(const SDL_WindowEvent& window);
    // Window coordinates to view points (origin top-left).
    Vec2 toViewPoints(int x, int y) const;

    SDL_Window* _window = nullptr;
    SDL_GLContext _context = nullptr;
    bool _shouldClose = false;
    bool _holdsVideo = false;
    bool _inBackground = false;
    InputRouter _input;
    Vec2 _cursor;
};

}  // namespace cocos2d
