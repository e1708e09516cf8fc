#include "engine/2d/Camera.h"

#include <algorithm>
#include <cstring>

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/math/Quaternion.h"
#include "engine/math/Vec4.h"
#include "engine/renderer/Renderer.h"

namespace cocos2d {

Camera* Camera::_visitingCamera = nullptr;

Camera::Camera() = default;

Camera::~Camera() {
    if (_scene != nullptr) {
        _scene->removeCamera(this);
    }
}

Camera* Camera::create() {
    auto* camera = new Camera();
    camera->initDefault();
    camera->autorelease();
    camera->setDepth(0);
    return camera;
}

Camera* Camera::createPerspective(float fieldOfView, float aspectRatio, float nearPlane,
                                  float farPlane) {
    auto* camera = new Camera();
    camera->initPerspective(fieldOfView, aspectRatio, nearPlane, farPlane);
    camera->autorelease();
    return camera;
}

Camera* Camera::createOrthographic(float zoomX, float zoomY, float nearPlane, float farPlane) {
    auto* camera = new Camera();
    camera->initOrthographic(zoomX, zoomY, nearPlane, farPlane);
    camera->autorelease();
    return camera;
}

Camera* Camera::getDefaultCamera() {
    Scene* scene = Director::getInstance()->getRunningScene();
    return scene != nullptr ? scene->getDefaultCamera() : nullptr;
}

bool Camera::initDefault() {
    Director* director = Director::getInstance();
    const Size size = director->getWinSize();
    const float zEye = director->getZEye();
    const float aspect = size.height > 0.0f ? size.width / size.height : 1.0f;
    initPerspective(60.0f, aspect, 10.0f, zEye + size.height / 2.0f);
    const Vec3 eye(size.width / 2.0f, size.height / 2.0f, zEye);
    setPosition3D(eye);
    lookAt(Vec3(size.width / 2.0f, size.height / 2.0f, 0.0f), Vec3(0.0f, 1.0f, 0.0f));
    return true;
}

bool Camera::initPerspective(float fieldOfView, float aspectRatio, float nearPlane,
                             float farPlane) {
    _fieldOfView = fieldOfView;
    _aspectRatio = aspectRatio;
    _nearPlane = nearPlane;
    _farPlane = farPlane;
    Mat4::createPerspective(_fieldOfView, _aspectRatio, _nearPlane, _farPlane, &_projection);
    _viewProjectionDirty = true;
    _type = Type::PERSPECTIVE;
    return true;
}

bool Camera::initOrthographic(float zoomX, float zoomY, float nearPlane, float farPlane) {
    _zoom[0] = zoomX;
    _zoom[1] = zoomY;
    _nearPlane = nearPlane;
    _farPlane = farPlane;
    Mat4::createOrthographicOffCenter(0.0f, _zoom[0], 0.0f, _zoom[1], _nearPlane, _farPlane,
                                      &_projection);
    _viewProjectionDirty = true;
    _type = Type::ORTHOGRAPHIC;
    return true;
}

void Camera::lookAt(const Vec3& target, const Vec3& up) {
    Vec3 upv = up;
    upv.normalize();
    Vec3 zaxis;
    Vec3::subtract(getPosition3D(), target, &zaxis);
    zaxis.normalize();
    Vec3 xaxis;
    Vec3::cross(upv, zaxis, &xaxis);
    xaxis.normalize();
    Vec3 yaxis;
    Vec3::cross(zaxis, xaxis, &yaxis);
    yaxis.normalize();
    Mat4 rotation;
    rotation.m[0] = xaxis.x;
    rotation.m[1] = xaxis.y;
    rotation.m[2] = xaxis.z;
    rotation.m[4] = yaxis.x;
    rotation.m[5] = yaxis.y;
    rotation.m[6] = yaxis.z;
    rotation.m[8] = zaxis.x;
    rotation.m[9] = zaxis.y;
    rotation.m[10] = zaxis.z;
    Quaternion quat(rotation);
    quat.normalize();
    _up = upv;
    setRotationQuat(quat);
}

const Mat4& Camera::getProjectionMatrix() const {
    return _projection;
}

const Mat4& Camera::getViewMatrix() const {
    const Mat4 viewInv = getNodeToWorldTransform();
    if (std::memcmp(viewInv.m, _viewInv.m, sizeof(viewInv.m)) != 0) {
        _viewProjectionDirty = true;
        _viewInv = viewInv;
        _view = viewInv.getInversed();
    }
    return _view;
}

const Mat4& Camera::getViewProjectionMatrix() const {
    getViewMatrix();
    if (_viewProjectionDirty) {
        _viewProjectionDirty = false;
        _viewProjectionRecomputed = true;
        _viewProjection = _projection * _view;
        if (_hasAdditionalProjection) {
            _viewProjection = _additionalProjection * _viewProjection;
        }
    }
    return _viewProjection;
}

void Camera::beginPass() {
    getViewProjectionMatrix();
    _viewProjectionUpdatedInPass = _viewProjectionRecomputed;
    _viewProjectionRecomputed = false;
}

void Camera::setAdditionalProjection(const Mat4& mat) {
    _additionalProjection = mat;
    _hasAdditionalProjection = !(mat == Mat4::IDENTITY);
    _viewProjectionDirty = true;
}

float Camera::getDepthInView(const Mat4& transform) const {
    const Mat4& view = getViewMatrix();
    return -(view.m[2] * transform.m[12] + view.m[6] * transform.m[13] +
             view.m[10] * transform.m[14] + view.m[14]);
}

void Camera::setDepth(int8_t depth) {
    if (_depth == depth) {
        return;
    }
    _depth = depth;
    if (_scene != nullptr) {
        _scene->_cameraOrderDirty = true;
    }
}

int Camera::getRenderOrder() const {
    if (_scene == nullptr) {
        return -1;
    }
    const auto& cameras = _scene->getCameras();
    const auto found = std::find(cameras.begin(), cameras.end(), this);
    return found == cameras.end() ? -1 : static_cast<int>(found - cameras.begin());
}

Vec3 Camera::unproject(const Vec3& src) const {
    const Size size = Director::getInstance()->getWinSize();
    if (size.width <= 0.0f || size.height <= 0.0f) {
        return src;
    }
    Vec4 screen(2.0f * src.x / size.width - 1.0f, 2.0f * src.y / size.height - 1.0f,
                2.0f * src.z - 1.0f, 1.0f);
    getViewProjectionMatrix().getInversed().transformVector(&screen);
    if (screen.w != 0.0f) {
        screen.x /= screen.w;
        screen.y /= screen.w;
        screen.z /= screen.w;
    }
    return Vec3(screen.x, screen.y, screen.z);
}

Vec2 Camera::projectGL(const Vec3& src) const {
    const Size size = Director::getInstance()->getWinSize();
    Vec4 clip;
    getViewProjectionMatrix().transformVector(Vec4(src.x, src.y, src.z, 1.0f), &clip);
    if (clip.w != 0.0f) {
        clip.x /= clip.w;
        clip.y /= clip.w;
    }
    return Vec2((clip.x + 1.0f) * 0.5f * size.width, (clip.y + 1.0f) * 0.5f * size.height);
}

void Camera::applyViewport() {
    Director::getInstance()->getRenderer()->setViewport(_viewport);
}

void Camera::onEnter() {
    if (_scene == nullptr) {
        setScene(getScene());
    }
    Node::onEnter();
}

void Camera::onExit() {
    setScene(nullptr);
    Node::onExit();
}

void Camera::setScene(Scene* scene) {
    if (_scene == scene) {
        return;
    }
    if (_scene != nullptr) {
        _scene->removeCamera(this);
    }
    _scene = scene;
    if (_scene != nullptr) {
        _scene->addCamera(this);
    }
}

}  // namespace cocos2d
