#pragma once

#include <string>

namespace cocos2d {

// Facts about the machine the program runs on.
class Device {
public:
    Device() = delete;

    // Dots per inch of the first display; 96 when no display can be asked (headless).
    static int getDPI();
    // One line naming the system, its release, the processor architecture and the host name,
    // e.g. "Linux 6.1.0-18-amd64 x86_64 ward-3".
    static std::string getDeviceInfo();
};

}  // namespace cocos2d
