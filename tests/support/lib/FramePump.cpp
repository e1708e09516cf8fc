#include "tests/support/lib/FramePump.h"

#include <chrono>
#include <thread>

#include "engine/base/Director.h"

namespace bvtest {

bool runFramesUntil(const std::function<bool()>& done, double seconds, float frameSeconds) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(static_cast<long>(seconds * 1000));
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        cocos2d::Director::getInstance()->mainLoop(frameSeconds);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void runFrames(int count, float frameSeconds) {
    for (int i = 0; i < count; ++i) {
        cocos2d::Director::getInstance()->mainLoop(frameSeconds);
    }
}

}  // namespace bvtest
