#include "engine/base/Director.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "engine/2d/ActionManager.h"
#include "engine/2d/Scene.h"
#include "engine/2d/Transition.h"
#include "engine/backend/GLRendererBackend.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/EventDispatcher.h"
#include "engine/base/Macros.h"
#include "engine/base/Scheduler.h"
#include "engine/math/MathUtil.h"
#include "engine/platform/GLView.h"
#include "engine/renderer/Renderer.h"
#include "engine/renderer/TextureCache.h"

namespace cocos2d {

namespace {

std::atomic<Director*> s_sharedDirector{nullptr};
std::mutex s_sharedDirectorMutex;

constexpr float kPausedAnimationInterval = 1.0f / 4.0f;

}  // namespace

Director* Director::getInstance() {
    Director* director = s_sharedDirector.load(std::memory_order_acquire);
    if (director != nullptr) {
        return director;
    }
    std::lock_guard<std::mutex> lock(s_sharedDirectorMutex);
    director = s_sharedDirector.load(std::memory_order_relaxed);
    if (director == nullptr) {
        director = new Director();
        s_sharedDirector.store(director, std::memory_order_release);
    }
    return director;
}

Director* Director::getExistingInstance() {
    return s_sharedDirector.load(std::memory_order_acquire);
}

Director::Director()
    : _scheduler(new Scheduler()), _actionManager(new ActionManager()),
      _eventDispatcher(new EventDispatcher()), _renderer(new Renderer()) {
    _scheduler->scheduleUpdate(_actionManager, Scheduler::PRIORITY_SYSTEM, false);
    resetMatrixStack();
}

Director::~Director() {
    for (Scene* scene : _scenesStack) {
        scene->release();
    }
    CC_SAFE_RELEASE_NULL(_runningScene);
    CC_SAFE_RELEASE_NULL(_nextScene);
    CC_SAFE_RELEASE_NULL(_eventDispatcher);
    CC_SAFE_RELEASE_NULL(_textureCache);
    if (_scheduler != nullptr && _actionManager != nullptr) {
        _scheduler->unscheduleUpdate(_actionManager);
    }
    CC_SAFE_RELEASE_NULL(_actionManager);
    CC_SAFE_RELEASE_NULL(_scheduler);
    delete _renderer;
}

void Director::setOpenGLView(GLView* view) {
    _openGLView = view;
    if (view != nullptr) {
        _winSize = view->getDesignResolutionSize();
    }
}

TextureCache* Director::getTextureCache() {
    if (_textureCache == nullptr) {
        _textureCache = new TextureCache();
    }
    return _textureCache;
}

void Director::setClearColor(const Color4F& clearColor) {
    GLRendererBackend::setClearColor(clearColor);
}

void Director::runWithScene(Scene* scene) {
    if (scene == nullptr || _runningScene != nullptr) {
        return;
    }
    pushScene(scene);
    startAnimation();
}

void Director::pushScene(Scene* scene) {
    if (scene == nullptr) {
        return;
    }
    _sendCleanupToScene = false;
    scene->retain();
    _scenesStack.push_back(scene);
    setNextSceneTo(scene);
}

void Director::popScene() {
    if (_scenesStack.empty()) {
        return;
    }
    Scene* top = _scenesStack.back();
    _scenesStack.pop_back();
    if (_scenesStack.empty()) {
        top->release();
        end();
        return;
    }
    _sendCleanupToScene = true;
    setNextSceneTo(_scenesStack.back());
    top->release();
}

void Director::popScene(int /*transition*/) {
    popScene();
}

void Director::popToRootScene() {
    if (_scenesStack.size() <= 1) {
        return;
    }
    // The scenes between the root and the running one never run again.
    while (_scenesStack.size() > 2) {
        Scene* scene = _scenesStack.back();
        _scenesStack.pop_back();
        if (scene != _runningScene && scene != _nextScene) {
            scene->cleanup();
        }
        scene->release();
    }
    popScene();
}

void Director::replaceScene(Scene* scene) {
    if (scene == nullptr) {
        return;
    }
    if (_runningScene == nullptr && _nextScene == nullptr) {
        runWithScene(scene);
        return;
    }
    if (scene == _nextScene) {
        return;
    }
    scene->retain();
    if (_scenesStack.empty()) {
        _scenesStack.push_back(scene);
    } else {
        _scenesStack.back()->release();
        _scenesStack.back() = scene;
    }
    _sendCleanupToScene = true;
    setNextSceneTo(scene);
}

void Director::setNextSceneTo(Scene* scene) {
    // A scene asked for earlier but never shown is dropped without entering.
    if (_nextScene != nullptr && _nextScene != _runningScene &&
        std::find(_scenesStack.begin(), _scenesStack.end(), _nextScene) == _scenesStack.end()) {
        _nextScene->cleanup();
    }
    CC_SAFE_RETAIN(scene);
    CC_SAFE_RELEASE(_nextScene);
    _nextScene = scene;
}

void Director::setNextScene() {
    Scene* next = _nextScene;
    _nextScene = nullptr;
    if (next == _runningScene) {
        CC_SAFE_RELEASE(next);
        return;
    }
    // A transition keeps the scene it leaves running until it ends, and enters the scene it
    // brings in itself.
    const bool runningIsTransition = dynamic_cast<TransitionScene*>(_runningScene) != nullptr;
    const bool nextIsTransition = dynamic_cast<TransitionScene*>(next) != nullptr;
    if (_runningScene != nullptr) {
        if (!nextIsTransition) {
            _runningScene->onExitTransitionDidStart();
            _runningScene->onExit();
            if (_sendCleanupToScene) {
                _runningScene->cleanup();
            }
        }
        _runningScene->release();
    }
    // Takes over the reference held as the next scene.
    _runningScene = next;
    if (_runningScene != nullptr && !runningIsTransition) {
        _runningScene->onEnter();
        _runningScene->onEnterTransitionDidFinish();
    }
}

Size Director::getVisibleSize() const {
    return _winSize;
}

Vec2 Director::getVisibleOrigin() const {
    return Vec2::ZERO;
}

Vec2 Director::convertToGL(const Vec2& uiPoint) const {
    return Vec2(uiPoint.x, _winSize.height - uiPoint.y);
}

Vec2 Director::convertToUI(const Vec2& glPoint) const {
    return Vec2(glPoint.x, _winSize.height - glPoint.y);
}

float Director::getZEye() const {
    // The distance at which a 60 degree view spans the window height exactly.
    return _winSize.height / (2.0f * std::tan(MATH_DEG_TO_RAD(30.0f)));
}

std::vector<Mat4>& Director::stack(MATRIX_STACK_TYPE type) {
    switch (type) {
    case MATRIX_STACK_TYPE::MATRIX_STACK_PROJECTION:
        return _projectionStack;
    case MATRIX_STACK_TYPE::MATRIX_STACK_TEXTURE:
        return _textureStack;
    case MATRIX_STACK_TYPE::MATRIX_STACK_MODELVIEW:
        break;
    }
    return _modelViewStack;
}

void Director::pushMatrix(MATRIX_STACK_TYPE type) {
    auto& matrices = stack(type);
    matrices.push_back(matrices.back());
}

void Director::popMatrix(MATRIX_STACK_TYPE type) {
    auto& matrices = stack(type);
    // The bottom matrix stays.
    if (matrices.size() > 1) {
        matrices.pop_back();
    }
}

void Director::loadIdentityMatrix(MATRIX_STACK_TYPE type) {
    stack(type).back() = Mat4::IDENTITY;
}

void Director::loadMatrix(MATRIX_STACK_TYPE type, const Mat4& mat) {
    stack(type).back() = mat;
}

void Director::multiplyMatrix(MATRIX_STACK_TYPE type, const Mat4& mat) {
    auto& top = stack(type).back();
    top = top * mat;
}

const Mat4& Director::getMatrix(MATRIX_STACK_TYPE type) const {
    return const_cast<Director*>(this)->stack(type).back();
}

void Director::resetMatrixStack() {
    _modelViewStack.assign(1, Mat4::IDENTITY);
    _projectionStack.assign(1, Mat4::IDENTITY);
    _textureStack.assign(1, Mat4::IDENTITY);
}

void Director::setScheduler(Scheduler* scheduler) {
    if (scheduler == _scheduler) {
        return;
    }
    // The action manager follows to the new scheduler.
    if (_scheduler != nullptr && _actionManager != nullptr) {
        _scheduler->unscheduleUpdate(_actionManager);
    }
    CC_SAFE_RETAIN(scheduler);
    CC_SAFE_RELEASE(_scheduler);
    _scheduler = scheduler;
    if (_scheduler != nullptr && _actionManager != nullptr) {
        _scheduler->scheduleUpdate(_actionManager, Scheduler::PRIORITY_SYSTEM, false);
    }
}

void Director::setActionManager(ActionManager* actionManager) {
    if (actionManager == _actionManager) {
        return;
    }
    if (_scheduler != nullptr && _actionManager != nullptr) {
        _scheduler->unscheduleUpdate(_actionManager);
    }
    CC_SAFE_RETAIN(actionManager);
    CC_SAFE_RELEASE(_actionManager);
    _actionManager = actionManager;
    if (_scheduler != nullptr && _actionManager != nullptr) {
        _scheduler->scheduleUpdate(_actionManager, Scheduler::PRIORITY_SYSTEM, false);
    }
}

void Director::setContentScaleFactor(float scaleFactor) {
    if (scaleFactor > 0.0f) {
        _contentScaleFactor = scaleFactor;
    }
}

void Director::setAnimationInterval(float interval) {
    if (interval > 0.0f) {
        _animationInterval = interval;
    }
}

void Director::startAnimation() {
    _invalid = false;
    _nextDeltaTimeZero = true;
}

void Director::stopAnimation() {
    _invalid = true;
}

void Director::pause() {
    if (_paused) {
        return;
    }
    _oldAnimationInterval = _animationInterval;
    _animationInterval = kPausedAnimationInterval;
    _paused = true;
}

void Director::resume() {
    if (!_paused) {
        return;
    }
    _animationInterval = _oldAnimationInterval;
    _paused = false;
    _deltaTime = 0.0f;
    _nextDeltaTimeZero = true;
}

void Director::mainLoop() {
    const auto now = std::chrono::steady_clock::now();
    float dt = 0.0f;
    if (_nextDeltaTimeZero) {
        _nextDeltaTimeZero = false;
    } else {
        dt = std::chrono::duration<float>(now - _lastUpdate).count();
    }
    _lastUpdate = now;
    mainLoop(dt);
}

void Director::mainLoop(float dt) {
    if (_purgeDirectorInNextLoop) {
        _purgeDirectorInNextLoop = false;
        purgeDirector();
        return;
    }
    if (_invalid) {
        return;
    }
    _deltaTime = std::max(dt, 0.0f);
    drawScene();
    PoolManager::getInstance()->getCurrentPool()->clear();
}

void Director::drawScene() {
    if (!_paused && _scheduler != nullptr) {
        _scheduler->update(_deltaTime);
    }
    if (_nextScene != nullptr) {
        setNextScene();
    }
    _renderer->clear();
    if (_runningScene != nullptr) {
        _runningScene->render(_renderer, Mat4::IDENTITY);
    }
    if (_openGLView != nullptr) {
        _openGLView->swapBuffers();
    }
    ++_totalFrames;
}

void Director::endScenes() {
    if (_runningScene != nullptr) {
        _runningScene->onExitTransitionDidStart();
        _runningScene->onExit();
        _runningScene->cleanup();
    }
    for (Scene* scene : _scenesStack) {
        scene->release();
    }
    _scenesStack.clear();
    CC_SAFE_RELEASE_NULL(_runningScene);
    CC_SAFE_RELEASE_NULL(_nextScene);
}

void Director::purgeDirector() {
    endScenes();
    // Actions retain their nodes, and nodes their manager: break the cycle here.
    if (_actionManager != nullptr) {
        _actionManager->removeAllActions();
    }
    if (_scheduler != nullptr) {
        _scheduler->unscheduleAll();
    }
    stopAnimation();
    {
        std::lock_guard<std::mutex> lock(s_sharedDirectorMutex);
        if (s_sharedDirector.load(std::memory_order_relaxed) == this) {
            s_sharedDirector.store(nullptr, std::memory_order_release);
        }
    }
    release();
}

}  // namespace cocos2d
