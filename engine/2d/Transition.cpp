#include "engine/2d/Transition.h"

#include "engine/2d/ActionInstant.h"
#include "engine/2d/ActionInterval.h"
#include "engine/base/Director.h"
#include "engine/base/EventDispatcher.h"
#include "engine/base/Macros.h"
#include "engine/base/Scheduler.h"

namespace cocos2d {

namespace {

const char* const kSetNewSceneKey = "TransitionScene::setNewScene";

template <class T> T* createTransition(T* transition, float duration, Scene* scene) {
    transition->autorelease();
    return transition->initWithDuration(duration, scene) ? transition : nullptr;
}

// Puts a scene back as the director shows it.
void resetScene(Scene* scene) {
    scene->setVisible(true);
    scene->setPosition(Vec2::ZERO);
    scene->setScale(1.0f);
    scene->setRotation3D(Vec3::ZERO);
}

}  // namespace

// TransitionScene

TransitionScene::~TransitionScene() {
    CC_SAFE_RELEASE(_inScene);
    CC_SAFE_RELEASE(_outScene);
}

TransitionScene* TransitionScene::create(float duration, Scene* scene) {
    return createTransition(new TransitionScene(), duration, scene);
}

bool TransitionScene::initWithDuration(float duration, Scene* scene) {
    if (scene == nullptr || !Scene::init()) {
        return false;
    }
    _duration = duration;
    _inScene = scene;
    _inScene->retain();
    _outScene = Director::getInstance()->getRunningScene();
    if (_outScene == nullptr) {
        // Nothing to leave: an empty scene stands in for it.
        _outScene = Scene::create();
    }
    _outScene->retain();
    return _inScene != _outScene;
}

void TransitionScene::render(Renderer* renderer, const Mat4& eyeTransform) {
    Scene::render(renderer, eyeTransform);
    Scene* bottom = _isInSceneOnTop ? _outScene : _inScene;
    Scene* top = _isInSceneOnTop ? _inScene : _outScene;
    if (bottom->isVisible()) {
        bottom->render(renderer, eyeTransform);
    }
    if (top->isVisible()) {
        top->render(renderer, eyeTransform);
    }
}

void TransitionScene::onEnter() {
    Scene::onEnter();
    Director::getInstance()->getEventDispatcher()->setEnabled(false);
    if (!_outScene->isRunning()) {
        _outScene->onEnter();
    }
    _outScene->onExitTransitionDidStart();
    _inScene->onEnter();
    initScenes();
    startShow();
}

void TransitionScene::finish() {
    if (_finished) {
        return;
    }
    _finished = true;
    resetScene(_inScene);
    resetScene(_outScene);
    _outScene->setVisible(false);
    // Not from inside the action step that called us: the director changes scenes between
    // updates.
    scheduleOnce([this](float) { setNewScene(); }, 0.0f, kSetNewSceneKey);
}

void TransitionScene::setNewScene() {
    Director* director = Director::getInstance();
    // The director's flag is that of the call that started this transition.
    _isSendCleanupToScene = director->isSendCleanupToScene();
    director->replaceScene(_inScene);
    director->getEventDispatcher()->setEnabled(true);
    _outScene->setVisible(true);
}

void TransitionScene::onExit() {
    Scene::onExit();
    Director::getInstance()->getEventDispatcher()->setEnabled(true);
    _outScene->onExit();
    if (_finished) {
        _inScene->onEnterTransitionDidFinish();
    } else {
        // Taken down before the end (shutdown, or another scene asked for): the in scene
        // leaves too, and the shows' actions, which call back here, stop.
        _inScene->stopAllActions();
        _outScene->stopAllActions();
        resetScene(_inScene);
        resetScene(_outScene);
        _inScene->onExitTransitionDidStart();
        _inScene->onExit();
    }
}

void TransitionScene::cleanup() {
    Scene::cleanup();
    if (_isSendCleanupToScene) {
        _outScene->cleanup();
    }
    if (!_finished) {
        _inScene->cleanup();
    }
}

// TransitionSceneOriented

bool TransitionSceneOriented::initWithDuration(float duration, Scene* scene,
                                               Orientation orientation) {
    if (!TransitionScene::initWithDuration(duration, scene)) {
        return false;
    }
    _orientation = orientation;
    return true;
}

// TransitionMoveInL

TransitionMoveInL* TransitionMoveInL::create(float duration, Scene* scene) {
    return createTransition(new TransitionMoveInL(), duration, scene);
}

void TransitionMoveInL::initScenes() {
    _inScene->setPosition(-Director::getInstance()->getWinSize().width, 0.0f);
}

ActionInterval* TransitionMoveInL::action() {
    return MoveTo::create(_duration, Vec2::ZERO);
}

void TransitionMoveInL::startShow() {
    _inScene->runAction(
        Sequence::create(action(), CallFunc::create([this] { finish(); }), nullptr));
}

// TransitionMoveInLeftTop

TransitionMoveInLeftTop* TransitionMoveInLeftTop::create(float duration, Scene* scene) {
    return createTransition(new TransitionMoveInLeftTop(), duration, scene);
}

void TransitionMoveInLeftTop::initScenes() {
    const Size& win = Director::getInstance()->getWinSize();
    _inScene->setPosition(-win.width, win.height);
}

// TransitionFlipX

TransitionFlipX* TransitionFlipX::create(float duration, Scene* scene) {
    return create(duration, scene, Orientation::RIGHT_OVER);
}

TransitionFlipX* TransitionFlipX::create(float duration, Scene* scene, Orientation orientation) {
    auto* transition = new TransitionFlipX();
    transition->autorelease();
    return transition->initWithDuration(duration, scene, orientation) ? transition : nullptr;
}

void TransitionFlipX::startShow() {
    // A quarter turn each: the out scene turns edge-on, then the in scene turns from edge-on
    // to face the viewer. The orientation chooses the way round.
    const float way = _orientation == Orientation::RIGHT_OVER ? 1.0f : -1.0f;
    const float half = _duration / 2.0f;
    _inScene->setVisible(false);
    _inScene->setRotation3D(Vec3(0.0f, 270.0f * way, 0.0f));
    _inScene->runAction(Sequence::create(DelayTime::create(half),
                                         CallFunc::create([this] { _inScene->setVisible(true); }),
                                         RotateBy::create(half, Vec3(0.0f, 90.0f * way, 0.0f)),
                                         CallFunc::create([this] { finish(); }), nullptr));
    _outScene->runAction(
        Sequence::create(RotateBy::create(half, Vec3(0.0f, 90.0f * way, 0.0f)),
                         CallFunc::create([this] { _outScene->setVisible(false); }), nullptr));
}

}  // namespace cocos2d
