#pragma once

#include <functional>

namespace bvtest {

// Runs main-loop frames of `frameSeconds` each, a millisecond apart so that workers get on,
// until `done` holds; false when it still does not after `seconds` of wall time.
bool runFramesUntil(const std::function<bool()>& done, double seconds = 60.0,
                    float frameSeconds = 1.0f / 60.0f);

// `count` main-loop frames of `frameSeconds` each, so that queued hand-backs arrive.
void runFrames(int count, float frameSeconds);

}  // namespace bvtest
