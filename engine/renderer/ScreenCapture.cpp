#include "engine/renderer/ScreenCapture.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/backend/GLStateCache.h"
#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "engine/platform/GLView.h"
#include "engine/platform/Image.h"

namespace cocos2d {

namespace {

struct CaptureRequest {
    std::function<void(bool, const std::string&)> afterCaptured;
    std::string path;
    int x;
    int y;
    int width;
    int height;
};

std::vector<CaptureRequest>& pendingCaptures() {
    static std::vector<CaptureRequest> pending;
    return pending;
}

bool capture(const CaptureRequest& request, int frameW, int frameH) {
    int x = request.x;
    int y = request.y;
    int width = request.width;
    int height = request.height;
    if (width <= 0 || height <= 0) {
        x = 0;
        y = 0;
        width = frameW;
        height = frameH;
    }
    const int left = std::max(x, 0);
    const int bottom = std::max(y, 0);
    const int right = std::min(x + width, frameW);
    const int top = std::min(y + height, frameH);
    if (right <= left || top <= bottom) {
        return false;
    }
    const int w = right - left;
    const int h = top - bottom;
    std::vector<unsigned char> rgba(static_cast<size_t>(w) * h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(left, bottom, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    // GL rows run bottom-up; pictures run top-down and carry no alpha of the frame.
    std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
    for (int row = 0; row < h; ++row) {
        const unsigned char* src = &rgba[static_cast<size_t>(h - 1 - row) * w * 4];
        unsigned char* dst = &rgb[static_cast<size_t>(row) * w * 3];
        for (int col = 0; col < w; ++col) {
            std::memcpy(dst + col * 3, src + col * 4, 3);
        }
    }
    Image image;
    return image.initWithRawData(rgb.data(), static_cast<ssize_t>(rgb.size()), w, h, 8) &&
           image.saveToFile(request.path, true);
}

}  // namespace

namespace utils {

void captureScreen(const std::function<void(bool, const std::string&)>& afterCaptured,
                   const std::string& filename, int x, int y, int width, int height) {
    FileUtils* files = FileUtils::getInstance();
    const std::string path =
        files->isAbsolutePath(filename) ? filename : files->getWritablePath() + filename;
    GLView* view = Director::getInstance()->getOpenGLView();
    if (view == nullptr || !view->isOpenGLReady() || !GL::hasContext()) {
        if (afterCaptured) {
            afterCaptured(false, path);
        }
        return;
    }
    pendingCaptures().push_back({afterCaptured, path, x, y, width, height});
}

}  // namespace utils

void runPendingScreenCaptures() {
    if (pendingCaptures().empty()) {
        return;
    }
    // Callbacks may ask for new captures; those wait for the next frame.
    std::vector<CaptureRequest> requests;
    requests.swap(pendingCaptures());
    GLView* view = Director::getInstance()->getOpenGLView();
    const int frameW = view != nullptr ? static_cast<int>(view->getFrameSize().width) : 0;
    const int frameH = view != nullptr ? static_cast<int>(view->getFrameSize().height) : 0;
    for (const auto& request : requests) {
        const bool ok = GL::hasContext() && capture(request, frameW, frameH);
        if (request.afterCaptured) {
            request.afterCaptured(ok, request.path);
        }
    }
}

}  // namespace cocos2d
