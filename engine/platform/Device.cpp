#include "engine/platform/Device.h"

#include <SDL2/SDL.h>
#include <sys/utsname.h>

#include <cmath>

namespace cocos2d {

namespace {

constexpr int kDefaultDPI = 96;

}  // namespace

int Device::getDPI() {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        return kDefaultDPI;
    }
    float diagonal = 0.0f;
    float horizontal = 0.0f;
    float vertical = 0.0f;
    if (SDL_GetDisplayDPI(0, &diagonal, &horizontal, &vertical) != 0 || horizontal <= 0.0f) {
        return kDefaultDPI;
    }
    return static_cast<int>(std::lround(horizontal));
}

std::string Device::getDeviceInfo() {
    struct utsname name;
    if (uname(&name) != 0) {
        return "Linux";
    }
    return std::string(name.sysname) + " " + name.release + " " + name.machine + " " +
           name.nodename;
}

}  // namespace cocos2d
