#pragma once

#include "engine/2d/Node.h"
#include "engine/backend/GLViewImpl.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "tests/support/lib/WorldCameraScene.h"

namespace benchsupport {

// A real window of `width` x `height` points driving the director (run under a display, or
// headless through SDL's offscreen driver). Whatever the measurement made for its frames must
// be released before the window goes: its end purges the director and drains the pool.
class BenchWindow {
public:
    BenchWindow(int width, int height) : _width(width), _height(height) {
        _view = cocos2d::GLViewImpl::createWithRect("bench", cocos2d::Rect(0, 0, width, height));
        if (_view != nullptr) {
            _view->retain();
            cocos2d::Director::getInstance()->setOpenGLView(_view);
        }
    }
    ~BenchWindow() {
        if (_view == nullptr) {
            return;
        }
        cocos2d::Director* director = cocos2d::Director::getInstance();
        _view->end();
        director->setOpenGLView(nullptr);
        _view->release();
        director->purgeDirector();
        cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
    }
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;

    // False where no window could be made: the measurement skips.
    bool isOpen() const { return _view != nullptr; }

    // Runs a scene showing `node` through an orthographic camera the window's size, and draws
    // its first frame, so that the measured frames start from a drawn picture.
    void show(cocos2d::Node* node) {
        bvtest::WorldCameraScene scene(_width, _height);
        scene.add(node);
        frame();
    }

    void frame() { cocos2d::Director::getInstance()->mainLoop(1.0f / 60.0f); }

private:
    cocos2d::GLViewImpl* _view = nullptr;
    int _width;
    int _height;
};

}  // namespace benchsupport
