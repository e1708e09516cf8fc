#include "platform/DesktopArea.h"

#include <SDL2/SDL.h>

#include <cstdlib>
#include <mutex>

namespace platform {

namespace {

std::mutex& defaultMutex() {
    static std::mutex mutex;
    return mutex;
}

DesktopArea& defaultArea() {
    static DesktopArea area{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}};
    return area;
}

bool hasDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

bool queryDisplay(DesktopArea& area) {
    SDL_Rect bounds;
    SDL_Rect usable;
    if (SDL_GetDisplayBounds(0, &bounds) != 0 || SDL_GetDisplayUsableBounds(0, &usable) != 0) {
        return false;
    }
    area.screen = {bounds.x, bounds.y, bounds.w, bounds.h};
    area.workArea = {usable.x, usable.y, usable.w, usable.h};
    return true;
}

}  // namespace

DesktopArea getDesktopArea() {
    DesktopArea area;
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        if (queryDisplay(area)) {
            return area;
        }
    } else if (hasDisplay() && SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
        const bool found = queryDisplay(area);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        if (found) {
            return area;
        }
    }
    return getDefaultDesktopArea();
}

void setDefaultDesktopArea(const DesktopArea& area) {
    std::lock_guard<std::mutex> lock(defaultMutex());
    defaultArea() = area;
}

DesktopArea getDefaultDesktopArea() {
    std::lock_guard<std::mutex> lock(defaultMutex());
    return defaultArea();
}

}  // namespace platform
