#pragma once

#include <functional>
#include <string>

namespace cocos2d {
namespace utils {

// Saves a rectangle of the next drawn frame as a picture (".jpg"/".jpeg" or ".png"; a relative
// name lies in the writable folder) and then calls `afterCaptured` on the main thread with
// success and the file's full path: the file is complete before the call. The rectangle is in
// frame-buffer pixels from the bottom-left corner and is cut to the frame; a width or height
// of 0 takes the whole frame. Without a window, or when nothing of the rectangle lies in the
// frame, or the file cannot be written, `afterCaptured` gets false at once.
void captureScreen(const std::function<void(bool, const std::string&)>& afterCaptured,
                   const std::string& filename, int x, int y, int width, int height);

}  // namespace utils

// Runs the captures asked for since the last frame; the window calls it with the finished
// frame still in its back buffer.
void runPendingScreenCaptures();

}  // namespace cocos2d
