#include "tests/display/DisplayFixture.h"

#include <cstdlib>

#include "engine/base/Director.h"
#include "engine/renderer/ScreenCapture.h"
#include "toolkit/core/NSNotificationCenter.h"

namespace bvtest {

using namespace cocos2d;

void DisplayFixture::SetUp() {
    _view = GLViewImpl::createWithRect("display", Rect(0, 0, kWidth, kHeight));
    ASSERT_NE(_view, nullptr) << "no window: run under a display (xvfb-run)";
    _view->retain();
    Director* director = Director::getInstance();
    director->setOpenGLView(_view);
    // Earlier tests in the process may have greyed the clear colour or left observers behind.
    director->setClearColor(Color4F(0.0f, 0.0f, 0.0f, 1.0f));
    NSUI::NSNotificationCenter::destroyInstance();
}

void DisplayFixture::TearDown() {
    if (_view != nullptr) {
        _view->end();
        Director::getInstance()->setOpenGLView(nullptr);
        _view->release();
        _view = nullptr;
    }
    NSUI::NSNotificationCenter::destroyInstance();
    Director::getInstance()->purgeDirector();
}

bool DisplayFixture::renderAndCapture(const std::string& name, Image* picture, int x, int y,
                                      int width, int height) {
    Director* director = Director::getInstance();
    director->mainLoop(1.0f / 60.0f);
    bool done = false;
    bool success = false;
    std::string savedPath;
    utils::captureScreen(
        [&](bool ok, const std::string& path) {
            done = true;
            success = ok;
            savedPath = path;
            // The file is complete before the call.
            success = success && picture->initWithImageFile(path);
        },
        (_dir / name).string(), x, y, width, height);
    director->mainLoop(1.0f / 60.0f);
    return done && success && savedPath == (_dir / name).string();
}

Color3B DisplayFixture::pixelAt(Image& picture, int x, int y) {
    const int channels = picture.hasAlpha() ? 4 : 3;
    const int row = picture.getHeight() - 1 - y;
    const unsigned char* p = picture.getData() + (row * picture.getWidth() + x) * channels;
    return Color3B(p[0], p[1], p[2]);
}

::testing::AssertionResult colourNear(const Color3B& actual, const Color3B& expected,
                                      int tolerance) {
    if (std::abs(actual.r - expected.r) <= tolerance &&
        std::abs(actual.g - expected.g) <= tolerance &&
        std::abs(actual.b - expected.b) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "colour (" << int(actual.r) << ", " << int(actual.g) << ", " << int(actual.b)
           << ") is not near (" << int(expected.r) << ", " << int(expected.g) << ", "
           << int(expected.b) << ")";
}

}  // namespace bvtest
