#include "engine/2d/Scene.h"

#include <algorithm>

#include "engine/2d/Camera.h"
#include "engine/base/Director.h"
#include "engine/base/Macros.h"
#include "engine/renderer/Renderer.h"

namespace cocos2d {

namespace {

const char* const kMessageNodeKey = "Scene::messageNode";

}  // namespace

Scene::Scene() {
    _ignoreAnchorPointForPosition = true;
    setAnchorPoint(Vec2(0.5f, 0.5f));
    // Nodes of any camera may hang directly under the scene.
    _cameraVisitThroughChild = true;
}

Scene::~Scene() {
    for (Camera* camera : _cameras) {
        camera->_scene = nullptr;
    }
    CC_SAFE_RELEASE_NULL(_messageNode);
}

Scene* Scene::create() {
    auto* scene = new Scene();
    if (scene->init()) {
        scene->autorelease();
        return scene;
    }
    delete scene;
    return nullptr;
}

Scene* Scene::createWithSize(const Size& size) {
    auto* scene = new Scene();
    if (scene->initWithSize(size)) {
        scene->autorelease();
        return scene;
    }
    delete scene;
    return nullptr;
}

bool Scene::init() {
    return initWithSize(Director::getInstance()->getWinSize());
}

bool Scene::initWithSize(const Size& size) {
    if (!Node::init()) {
        return false;
    }
    setContentSize(size);
    if (_defaultCamera == nullptr) {
        _defaultCamera = Camera::create();
        addChild(_defaultCamera);
        _defaultCamera->setScene(this);
    }
    return true;
}

const std::vector<Camera*>& Scene::getCameras() {
    if (_cameraOrderDirty) {
        sortCameras();
    }
    return _cameras;
}

void Scene::addCamera(Camera* camera) {
    _cameras.push_back(camera);
    _cameraOrderDirty = true;
}

void Scene::removeCamera(Camera* camera) {
    _cameras.erase(std::remove(_cameras.begin(), _cameras.end(), camera), _cameras.end());
}

void Scene::sortCameras() {
    // User cameras by depth, then the default camera, which draws the ordinary 2D graph on top.
    const Camera* defaultCamera = _defaultCamera;
    std::stable_sort(_cameras.begin(), _cameras.end(),
                     [defaultCamera](const Camera* a, const Camera* b) {
                         const bool aDefault = a == defaultCamera;
                         const bool bDefault = b == defaultCamera;
                         if (aDefault != bDefault) {
                             return bDefault;
                         }
                         return a->getDepth() < b->getDepth();
                     });
    _cameraOrderDirty = false;
}

void Scene::render(Renderer* renderer, const Mat4& eyeTransform) {
    Director* director = Director::getInstance();
    // A camera may leave the scene during a pass.
    const std::vector<Camera*> cameras = getCameras();
    for (Camera* camera : cameras) {
        if (std::find(_cameras.begin(), _cameras.end(), camera) == _cameras.end() ||
            !camera->isVisible()) {
            continue;
        }
        Camera::_visitingCamera = camera;
        // The viewport first: a camera may adjust its projection to the place it draws into.
        camera->applyViewport();
        camera->beginPass();
        director->pushMatrix(MATRIX_STACK_TYPE::MATRIX_STACK_PROJECTION);
        director->loadMatrix(MATRIX_STACK_TYPE::MATRIX_STACK_PROJECTION,
                             camera->getViewProjectionMatrix());
        renderer->clearDepth();
        visit(renderer, eyeTransform, 0);
        renderer->render();
        director->popMatrix(MATRIX_STACK_TYPE::MATRIX_STACK_PROJECTION);
    }
    Camera::_visitingCamera = nullptr;
}

void Scene::setMessageNode(Node* node, float seconds) {
    unschedule(kMessageNodeKey);
    CC_SAFE_RETAIN(node);
    CC_SAFE_RELEASE(_messageNode);
    _messageNode = node;
    if (_messageNode == nullptr) {
        return;
    }
    scheduleOnce(
        [this](float) {
            if (_messageNode != nullptr) {
                _messageNode->setVisible(false);
                CC_SAFE_RELEASE_NULL(_messageNode);
            }
        },
        std::max(seconds, 0.0f), kMessageNodeKey);
}

void Scene::removeAllChildren() {
    Camera* defaultCamera = _defaultCamera;
    if (defaultCamera != nullptr) {
        defaultCamera->retain();
    }
    Node::removeAllChildren();
    if (defaultCamera != nullptr) {
        addChild(defaultCamera);
        defaultCamera->setScene(this);
        defaultCamera->release();
    }
}

}  // namespace cocos2d
