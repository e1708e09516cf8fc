#include "engine/backend/GLViewImpl.h"

#include <GL/glew.h>

#include <memory>
#include <new>
#include <unordered_map>

#include "engine/backend/GLRendererBackend.h"
#include "engine/backend/GLStateCache.h"
#include "engine/base/Director.h"
#include "engine/base/IMEDelegate.h"
#include "engine/base/Utils.h"
#include "engine/platform/Application.h"
#include "engine/renderer/Configuration.h"
#include "engine/renderer/GLProgramCache.h"
#include "engine/renderer/Renderer.h"
#include "engine/renderer/ScreenCapture.h"

namespace cocos2d {

namespace {

using KeyCode = EventKeyboard::KeyCode;

const std::unordered_map<SDL_Keycode, KeyCode>& keyTable() {
    static const std::unordered_map<SDL_Keycode, KeyCode> table = {
        {SDLK_PAUSE, KeyCode::KEY_PAUSE},
        {SDLK_SCROLLLOCK, KeyCode::KEY_SCROLL_LOCK},
        {SDLK_PRINTSCREEN, KeyCode::KEY_PRINT},
        {SDLK_SYSREQ, KeyCode::KEY_SYSREQ},
        {SDLK_ESCAPE, KeyCode::KEY_ESCAPE},
        {SDLK_BACKSPACE, KeyCode::KEY_BACKSPACE},
        {SDLK_TAB, KeyCode::KEY_TAB},
        {SDLK_RETURN, KeyCode::KEY_KP_ENTER},
        {SDLK_KP_ENTER, KeyCode::KEY_KP_ENTER},
        {SDLK_RETURN2, KeyCode::KEY_KP_ENTER},
        {SDLK_CAPSLOCK, KeyCode::KEY_CAPS_LOCK},
        {SDLK_LSHIFT, KeyCode::KEY_LEFT_SHIFT},
        {SDLK_RSHIFT, KeyCode::KEY_RIGHT_SHIFT},
        {SDLK_LCTRL, KeyCode::KEY_LEFT_CTRL},
        {SDLK_RCTRL, KeyCode::KEY_RIGHT_CTRL},
        {SDLK_LALT, KeyCode::KEY_LEFT_ALT},
        {SDLK_RALT, KeyCode::KEY_RIGHT_ALT},
        {SDLK_APPLICATION, KeyCode::KEY_MENU},
        {SDLK_MENU, KeyCode::KEY_MENU},
        {SDLK_LGUI, KeyCode::KEY_HYPER},
        {SDLK_RGUI, KeyCode::KEY_HYPER},
        {SDLK_INSERT, KeyCode::KEY_INSERT},
        {SDLK_HOME, KeyCode::KEY_HOME},
        {SDLK_PAGEUP, KeyCode::KEY_PG_UP},
        {SDLK_DELETE, KeyCode::KEY_DELETE},
        {SDLK_END, KeyCode::KEY_END},
        {SDLK_PAGEDOWN, KeyCode::KEY_PG_DOWN},
        {SDLK_LEFT, KeyCode::KEY_LEFT_ARROW},
        {SDLK_RIGHT, KeyCode::KEY_RIGHT_ARROW},
        {SDLK_UP, KeyCode::KEY_UP_ARROW},
        {SDLK_DOWN, KeyCode::KEY_DOWN_ARROW},
        {SDLK_NUMLOCKCLEAR, KeyCode::KEY_NUM_LOCK},
        {SDLK_KP_PLUS, KeyCode::KEY_KP_PLUS},
        {SDLK_KP_MINUS, KeyCode::KEY_KP_MINUS},
        {SDLK_KP_MULTIPLY, KeyCode::KEY_KP_MULTIPLY},
        {SDLK_KP_DIVIDE, KeyCode::KEY_KP_DIVIDE},
        {SDLK_KP_PERIOD, KeyCode::KEY_PERIOD},
        {SDLK_KP_EQUALS, KeyCode::KEY_EQUAL},
        {SDLK_SPACE, KeyCode::KEY_SPACE},
        {SDLK_QUOTE, KeyCode::KEY_APOSTROPHE},
        {SDLK_COMMA, KeyCode::KEY_COMMA},
        {SDLK_MINUS, KeyCode::KEY_MINUS},
        {SDLK_PERIOD, KeyCode::KEY_PERIOD},
        {SDLK_SLASH, KeyCode::KEY_SLASH},
        {SDLK_SEMICOLON, KeyCode::KEY_SEMICOLON},
        {SDLK_EQUALS, KeyCode::KEY_EQUAL},
        {SDLK_LEFTBRACKET, KeyCode::KEY_LEFT_BRACKET},
        {SDLK_BACKSLASH, KeyCode::KEY_BACK_SLASH},
        {SDLK_RIGHTBRACKET, KeyCode::KEY_RIGHT_BRACKET},
        {SDLK_BACKQUOTE, KeyCode::KEY_GRAVE},
    };
    return table;
}

}  // namespace

EventKeyboard::KeyCode GLViewImpl::keyCodeForSDL(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) {
        return static_cast<KeyCode>(static_cast<int>(KeyCode::KEY_A) + (key - SDLK_a));
    }
    if (key >= SDLK_0 && key <= SDLK_9) {
        return static_cast<KeyCode>(static_cast<int>(KeyCode::KEY_0) + (key - SDLK_0));
    }
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) {
        return static_cast<KeyCode>(static_cast<int>(KeyCode::KEY_1) + (key - SDLK_KP_1));
    }
    if (key == SDLK_KP_0) {
        return KeyCode::KEY_0;
    }
    if (key >= SDLK_F1 && key <= SDLK_F12) {
        return static_cast<KeyCode>(static_cast<int>(KeyCode::KEY_F1) + (key - SDLK_F1));
    }
    const auto& table = keyTable();
    auto found = table.find(key);
    return found == table.end() ? KeyCode::KEY_NONE : found->second;
}

GLViewImpl* GLViewImpl::createWithRect(const std::string& viewName, const Rect& rect,
                                       float frameZoomFactor) {
    auto* view = new (std::nothrow) GLViewImpl();
    if (view != nullptr && view->initWithRect(viewName, rect, frameZoomFactor)) {
        view->autorelease();
        return view;
    }
    delete view;
    return nullptr;
}

bool GLViewImpl::initWithRect(const std::string& viewName, const Rect& rect,
                              float frameZoomFactor) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        log("SDL video could not start: %s", SDL_GetError());
        return false;
    }
    // SDL counts the users of its video part; the last window to go shuts it down.
    _holdsVideo = true;
    setViewName(viewName);
    _frameZoomFactor = frameZoomFactor;

    const GLContextAttrs attrs = getGLContextAttrs();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, attrs.redBits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, attrs.greenBits);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, attrs.blueBits);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, attrs.alphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, attrs.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, attrs.stencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);

    const int width = static_cast<int>(rect.size.width * frameZoomFactor);
    const int height = static_cast<int>(rect.size.height * frameZoomFactor);
    _window = SDL_CreateWindow(viewName.c_str(), static_cast<int>(rect.origin.x),
                               static_cast<int>(rect.origin.y), width, height,
                               SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    if (_window == nullptr) {
        log("window could not be created: %s", SDL_GetError());
        end();
        return false;
    }
    _context = SDL_GL_CreateContext(_window);
    if (_context == nullptr) {
        log("GL context could not be created: %s", SDL_GetError());
        end();
        return false;
    }
    SDL_GL_MakeCurrent(_window, _context);
    glewExperimental = GL_TRUE;
    const GLenum glewStatus = glewInit();
    // GLEW reports a missing GLX display under EGL-only sessions although its functions load.
    if (glewStatus != GLEW_OK && glewStatus != GLEW_ERROR_NO_GLX_DISPLAY) {
        log("GLEW could not load the GL functions: %s", glewGetErrorString(glewStatus));
        end();
        return false;
    }
    // The run loop paces frames itself.
    SDL_GL_SetSwapInterval(0);
    GL::setContextAvailable(true);
    Configuration::getInstance()->gatherGPUInfo();
    glEnable(GL_VERTEX_PROGRAM_POINT_SIZE);
    // SDL starts with text input on; it stays off until a text field asks for it.
    SDL_StopTextInput();

    int drawableW = 0;
    int drawableH = 0;
    SDL_GL_GetDrawableSize(_window, &drawableW, &drawableH);
    setFrameSize(static_cast<float>(drawableW), static_cast<float>(drawableH));
    Director::getInstance()->getRenderer()->setBackend(std::make_unique<GLRendererBackend>());
    return true;
}

GLViewImpl::~GLViewImpl() {
    end();
}

void GLViewImpl::end() {
    if (_context != nullptr) {
        Director::getInstance()->getRenderer()->setBackend(nullptr);
        GLProgramCache::getInstance()->removeAllPrograms();
        GL::setContextAvailable(false);
        SDL_GL_DeleteContext(_context);
        _context = nullptr;
    }
    if (_window != nullptr) {
        SDL_DestroyWindow(_window);
        _window = nullptr;
    }
    if (_holdsVideo) {
        _holdsVideo = false;
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    _shouldClose = true;
}

void GLViewImpl::swapBuffers() {
    if (_window != nullptr) {
        runPendingScreenCaptures();
        SDL_GL_SwapWindow(_window);
    }
}

void GLViewImpl::setIMEKeyboardState(bool open) {
    if (_window == nullptr) {
        return;
    }
    if (open) {
        SDL_StartTextInput();
    } else {
        SDL_StopTextInput();
    }
}

void GLViewImpl::pollEvents() {
    if (_window == nullptr) {
        return;
    }
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        handleEvent(event);
    }
}

void GLViewImpl::handleEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_QUIT:
        _shouldClose = true;
        break;
    case SDL_WINDOWEVENT:
        onWindowEvent(event.window);
        break;
    case SDL_MOUSEBUTTONDOWN:
        onMouseButton(event.button, true);
        break;
    case SDL_MOUSEBUTTONUP:
        onMouseButton(event.button, false);
        break;
    case SDL_MOUSEMOTION:
        onMouseMove(event.motion);
        break;
    case SDL_MOUSEWHEEL:
        onMouseWheel(event.wheel);
        break;
    case SDL_KEYDOWN:
        onKey(event.key, true);
        break;
    case SDL_KEYUP:
        onKey(event.key, false);
        break;
    case SDL_TEXTINPUT:
        _input.insertText(event.text.text, SDL_strlen(event.text.text));
        break;
    case SDL_DROPFILE:
        if (Application::getInstance() != nullptr) {
            Application::getInstance()->openFile(event.drop.file);
        }
        SDL_free(event.drop.file);
        break;
    default:
        break;
    }
}

void GLViewImpl::onWindowEvent(const SDL_WindowEvent& window) {
    if (window.windowID != SDL_GetWindowID(_window)) {
        return;
    }
    Application* application = Application::getInstance();
    switch (window.event) {
    case SDL_WINDOWEVENT_CLOSE:
        _shouldClose = true;
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        _input.cancelTouch();
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        if (!_inBackground) {
            _inBackground = true;
            if (application != nullptr) {
                application->applicationDidEnterBackground();
            }
        }
        break;
    case SDL_WINDOWEVENT_RESTORED:
        if (_inBackground) {
            _inBackground = false;
            if (application != nullptr) {
                application->applicationWillEnterForeground();
            }
        }
        break;
    default:
        break;
    }
}

Vec2 GLViewImpl::toViewPoints(int x, int y) const {
    int windowW = 0;
    int windowH = 0;
    SDL_GetWindowSize(_window, &windowW, &windowH);
    const float sx = windowW > 0 ? _screenSize.width / static_cast<float>(windowW) : 1.0f;
    const float sy = windowH > 0 ? _screenSize.height / static_cast<float>(windowH) : 1.0f;
    const float top = _screenSize.height - _viewPortRect.origin.y - _viewPortRect.size.height;
    return Vec2((static_cast<float>(x) * sx - _viewPortRect.origin.x) / _scaleX,
                (static_cast<float>(y) * sy - top) / _scaleY);
}

namespace {

EventMouse::MouseButton engineButton(Uint8 button) {
    switch (button) {
    case SDL_BUTTON_LEFT:
        return EventMouse::MouseButton::BUTTON_LEFT;
    case SDL_BUTTON_RIGHT:
        return EventMouse::MouseButton::BUTTON_RIGHT;
    case SDL_BUTTON_MIDDLE:
        return EventMouse::MouseButton::BUTTON_MIDDLE;
    case SDL_BUTTON_X1:
        return EventMouse::MouseButton::BUTTON_4;
    case SDL_BUTTON_X2:
        return EventMouse::MouseButton::BUTTON_5;
    default:
        return EventMouse::MouseButton::BUTTON_UNSET;
    }
}

}  // namespace

void GLViewImpl::onMouseButton(const SDL_MouseButtonEvent& button, bool pressed) {
    _cursor = toViewPoints(button.x, button.y);
    if (pressed) {
        _input.mouseDown(_cursor.x, _cursor.y, engineButton(button.button));
    } else {
        _input.mouseUp(_cursor.x, _cursor.y, engineButton(button.button));
    }
}

void GLViewImpl::onMouseMove(const SDL_MouseMotionEvent& motion) {
    _cursor = toViewPoints(motion.x, motion.y);
    _input.mouseMove(_cursor.x, _cursor.y);
}

void GLViewImpl::onMouseWheel(const SDL_MouseWheelEvent& wheel) {
    const float direction = wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1.0f : 1.0f;
    _input.mouseScroll(_cursor.x, _cursor.y, static_cast<float>(wheel.x) * direction,
                       static_cast<float>(wheel.y) * direction);
}

void GLViewImpl::onKey(const SDL_KeyboardEvent& key, bool pressed) {
    if (pressed && IMEDispatcher::sharedDispatcher()->isAnyDelegateAttachedWithIME()) {
        switch (key.keysym.sym) {
        case SDLK_BACKSPACE:
            _input.deleteBackward();
            break;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            _input.insertText("\n", 1);
            break;
        default:
            break;
        }
    }
    if (key.repeat != 0) {
        return;
    }
    if (pressed) {
        _input.keyDown(keyCodeForSDL(key.keysym.sym));
    } else {
        _input.keyUp(keyCodeForSDL(key.keysym.sym));
    }
}

}  // namespace cocos2d
