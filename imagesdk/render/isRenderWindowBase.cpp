#include "imagesdk/render/isRenderWindowBase.h"

#include <algorithm>
#include <cmath>

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isNodeSprite.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"

namespace isImageSDK {

namespace {

const char* const kBlackBackground = "UIRes/black22.png";
const char* const kWhiteBackground = "UIRes/white22.png";
// The background texture's side in pixels, less one so that its scaled square overlaps.
constexpr float kBackgroundSide = 21.0f;

// Camera flags of living windows: the process-wide free list is everything ≥ 2 not in here.
std::vector<unsigned short>& heldFlags() {
    static std::vector<unsigned short> flags;
    return flags;
}

void giveBack(unsigned short flag) {
    auto& flags = heldFlags();
    flags.erase(std::remove(flags.begin(), flags.end(), flag), flags.end());
}

}  // namespace

isRenderWindowBase::~isRenderWindowBase() {
    removeOwnObservers();
    for (isCamera* camera : {_mainCamera, _overlayCamera}) {
        if (camera != nullptr && camera->getCameraFlag() >= 2) {
            giveBack(camera->getCameraFlag());
        }
    }
}

std::vector<unsigned short> isRenderWindowBase::flagsInUse() {
    std::vector<unsigned short> flags = heldFlags();
    std::sort(flags.begin(), flags.end());
    return flags;
}

bool isRenderWindowBase::init() {
    _lastVisitedFrame = 0;
    _baseScale = 1.0f;
    _mainCamera = isCamera::create();
    if (_mainCamera == nullptr) {
        return false;
    }
    addChild(_mainCamera);
    _overlayCamera = isCamera::create();
    if (_overlayCamera == nullptr) {
        return false;
    }
    addChild(_overlayCamera);
    _overlayCamera->setOwnView(true);
    _overlayCamera->setProjection(
        _overlayCamera->getFieldOfView(), _overlayCamera->getViewportWidth(),
        _overlayCamera->getViewportHeight(), _overlayCamera->getNearPlane(),
        _overlayCamera->getFarPlane(), _overlayCamera->getAdditionalProjection());
    for (isCamera* camera : {_mainCamera, _overlayCamera}) {
        camera->setFollowParentPanel(true);
    }
    if (!NSLayout::init()) {
        return false;
    }
    setClippingEnabled(true);
    setClippingType(ClippingType::SCISSOR);
    _background = isNodeSprite::create();
    addActorNode(_background);
    _shown = true;
    _background->setTexture(kBlackBackground);
    setAnchorPoint(cocos2d::Vec2::ZERO);
    _whiteBackground = false;
    _ready = true;
    return true;
}

void isRenderWindowBase::addActorNode(cocos2d::Node* node) {
    cocos2d::ui::Layout::addChild(node);
    if (_mainCamera->getCameraFlag() != 1) {
        applyFlag(node, _mainCamera->getCameraFlag());
    }
    _actorNodes.push_back(node);
}

void isRenderWindowBase::removeActorNode(cocos2d::Node* node) {
    const auto found = std::find(_actorNodes.begin(), _actorNodes.end(), node);
    if (found != _actorNodes.end()) {
        _actorNodes.erase(found);
    }
    cocos2d::ui::Layout::removeChild(node, true);
}

void isRenderWindowBase::addOverlayNode(cocos2d::Node* node) {
    if (_overlayCamera->getCameraFlag() != 1) {
        applyFlag(node, _overlayCamera->getCameraFlag());
    }
    _overlayNodes.push_back(node);
}

void isRenderWindowBase::clearOverlayNodes() {
    _overlayNodes.clear();
}

void isRenderWindowBase::removeOverlayNode(cocos2d::Node* node) {
    const auto found = std::find(_overlayNodes.begin(), _overlayNodes.end(), node);
    if (found != _overlayNodes.end()) {
        _overlayNodes.erase(found);
    }
}

bool isRenderWindowBase::isOverlayPass() const {
    const cocos2d::Camera* camera = cocos2d::Camera::getVisitingCamera();
    return camera == nullptr || (_overlayCamera != nullptr &&
                                 camera->getCameraFlag() == _overlayCamera->getCameraFlag());
}

void isRenderWindowBase::onBeforeVisit() {
    // Only the overlay camera draws them; other passes need not attach them.
    _overlaysAttached = isOverlayPass();
    if (!_overlaysAttached) {
        return;
    }
    for (cocos2d::Node* node : _overlayNodes) {
        cocos2d::ui::Layout::addChild(node);
    }
}

void isRenderWindowBase::onAfterVisit() {
    if (!_overlaysAttached) {
        return;
    }
    _overlaysAttached = false;
    // Without cleanup: the nodes keep their observers and schedules from frame to frame.
    for (cocos2d::Node* node : _overlayNodes) {
        cocos2d::ui::Layout::removeChild(node, false);
    }
}

void isRenderWindowBase::applyFlag(cocos2d::Node* node, unsigned short flag) {
    const std::vector<unsigned short> previous = node->getCameraFlags();
    for (unsigned short old : previous) {
        if (old != flag) {
            node->removeCameraMask(old, true);
        }
    }
    node->setCameraMask(flag, true);
}

void isRenderWindowBase::assignFlag(isCamera* camera) {
    if (camera->getCameraFlag() != 1) {
        return;
    }
    std::vector<unsigned short> taken = heldFlags();
    // Cameras that are not windows' may carry flags too.
    if (cocos2d::Scene* scene = getScene()) {
        for (const cocos2d::Camera* other : scene->getCameras()) {
            taken.push_back(other->getCameraFlag());
        }
    }
    unsigned short flag = 2;
    while (std::find(taken.begin(), taken.end(), flag) != taken.end()) {
        ++flag;
    }
    heldFlags().push_back(flag);
    camera->setCameraFlag(flag);
}

void isRenderWindowBase::onEnter() {
    NSLayout::onEnter();
    if (_mainCamera->getCameraFlag() == 1) {
        assignFlag(_mainCamera);
        for (cocos2d::Node* node : _actorNodes) {
            applyFlag(node, _mainCamera->getCameraFlag());
        }
    }
    if (_overlayCamera->getCameraFlag() == 1) {
        assignFlag(_overlayCamera);
        for (cocos2d::Node* node : _overlayNodes) {
            applyFlag(node, _overlayCamera->getCameraFlag());
        }
    }
}

void isRenderWindowBase::cleanup() {
    NSLayout::cleanup();
    removeOwnObservers();
}

void isRenderWindowBase::removeOwnObservers() {
    // Without a centre there is nothing to remove; making one here (a purge of the director)
    // would leave a centre whose delivery pass is gone.
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
}

void isRenderWindowBase::forgetLinks() {
    _mainCamera = nullptr;
    _overlayCamera = nullptr;
}

bool isRenderWindowBase::isVisitableByVisitingCamera() const {
    if (NSLayout::isVisitableByVisitingCamera()) {
        return true;
    }
    const cocos2d::Camera* camera = cocos2d::Camera::getVisitingCamera();
    if (camera == nullptr) {
        return false;
    }
    const unsigned short flag = camera->getCameraFlag();
    return (_mainCamera != nullptr && flag == _mainCamera->getCameraFlag()) ||
           (_overlayCamera != nullptr && flag == _overlayCamera->getCameraFlag());
}

void isRenderWindowBase::setParent(cocos2d::Node* parent) {
    NSLayout::setParent(parent);
    if (parent != nullptr) {
        parent->enableCameraVisitThroughtChild();
    }
}

void isRenderWindowBase::visit(cocos2d::Renderer* renderer, const cocos2d::Mat4& parentTransform,
                               uint32_t parentFlags) {
    if (!_visible || !isVisitableByVisitingCamera()) {
        return;
    }
    // The layout's own scissor is computed through the visiting camera, which is right only
    // for the screen's camera; the window's cameras clip their whole pass instead.
    const cocos2d::Camera* camera = cocos2d::Camera::getVisitingCamera();
    const bool ownPass = camera != nullptr && camera->getCameraFlag() != 1;
    const bool clipping = _clippingEnabled;
    if (ownPass) {
        _clippingEnabled = false;
    }
    NSLayout::visit(renderer, parentTransform, parentFlags);
    _clippingEnabled = clipping;
    const unsigned int frame = cocos2d::Director::getInstance()->getTotalFrames();
    if (_lastVisitedFrame != frame) {
        _lastVisitedFrame = frame;
        NSUI::NSNotificationCenter::getInstance()->postNotification(this, NOTIFY_WINDOW_VISIT,
                                                                    nullptr, this, true);
    }
}

void isRenderWindowBase::setContentSize(const cocos2d::Size& size) {
    NSLayout::setContentSize(size);
    if (isClippingEnabled()) {
        setClippingRect(cocos2d::Rect(0.0f, 0.0f, size.width, size.height));
    }
    if (!(size.width > 1.0f && size.height > 1.0f) || !_ready) {
        return;
    }
    const cocos2d::Mat4 panel = isCamera::panelProjection(this);
    for (isCamera* camera : {_mainCamera, _overlayCamera}) {
        camera->setProjection(60.0f, size.width, size.height, 100.0f, 5000.0f, panel);
    }
    postPlaceChanged();
}

void isRenderWindowBase::setPosition(const cocos2d::Vec2& position) {
    NSLayout::setPosition(position);
    const cocos2d::Size size = getContentSize();
    setContentSize(size);
    if (_ready && (size.width < 1.0f || size.height < 1.0f)) {
        postPlaceChanged();
    }
}

void isRenderWindowBase::postPlaceChanged() {
    NSUI::NSNotificationData* data = NSUI::NSNotificationData::create();
    data->setObject(this);
    data->setNotificationKey(key, nullptr);
    NSUI::NSNotificationCenter::getInstance()->postNotification(this, NOTIFY_QUICK_TOOL_ANCHOR,
                                                                data, nullptr, false);
}

void isRenderWindowBase::setVisible(bool visible) {
    if (visible == _shown) {
        return;
    }
    _shown = visible;
    updateBackground();
}

void isRenderWindowBase::setCameraEye(const cocos2d::Vec3& eye) {
    _mainCamera->setPosition3D(eye);
    _overlayCamera->setPosition3D(eye);
    onViewChanged();
    updateBackground();
}

void isRenderWindowBase::setCameraLookAt(const cocos2d::Vec3& center, const cocos2d::Vec3& up) {
    _mainCamera->lookAt(center, up);
    _overlayCamera->lookAt(center, up);
    onViewChanged();
    updateBackground();
}

isCameraState isRenderWindowBase::getCameraState() const {
    return _mainCamera->getState();
}

cocos2d::Vec3 isRenderWindowBase::getCameraCenter() const {
    return _mainCamera->getCenter();
}

void isRenderWindowBase::getCameraCenterAndUp(cocos2d::Vec3& center, cocos2d::Vec3& up) const {
    center = _mainCamera->getCenter();
    up = _mainCamera->getUp();
}

void isRenderWindowBase::setCameraCenter(const cocos2d::Vec3& center) {
    for (isCamera* camera : {_mainCamera, _overlayCamera}) {
        camera->lookAt(center, camera->getUp());
    }
}

void isRenderWindowBase::setZoom(float zoom) {
    if (_mainCamera->isPerspective()) {
        return;
    }
    for (isCamera* camera : {_mainCamera, _overlayCamera}) {
        camera->setZoom(zoom);
    }
}

cocos2d::Vec2 isRenderWindowBase::worldToScreen(const cocos2d::Vec3& point) const {
    cocos2d::Vec3 out;
    _mainCamera->worldToScreen(point, out);
    return cocos2d::Vec2(out.x, out.y);
}

bool isRenderWindowBase::pickPoint(const cocos2d::Vec2&, cocos2d::Vec3&) {
    return false;
}

void isRenderWindowBase::screenToRay(const cocos2d::Vec2& glPoint, cocos2d::Vec3& origin,
                                     cocos2d::Vec3& direction) {
    const cocos2d::Vec2 local = convertToNodeSpace(glPoint);
    _mainCamera->screenToRay(local, origin, direction);
}

bool isRenderWindowBase::isFocusVisible() const {
    return true;
}

void isRenderWindowBase::onViewChanged() {}

void isRenderWindowBase::postCameraChanged() {
    NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getInstance();
    center->cancelPending(this, NOTIFY_CAMERA_CHANGED, this);
    center->postNotification(this, NOTIFY_CAMERA_CHANGED, nullptr, this, false);
}

void isRenderWindowBase::setWhiteBackground(bool white) {
    if (white == _whiteBackground) {
        return;
    }
    _whiteBackground = white;
    if (_background != nullptr) {
        _background->setTexture(white ? kWhiteBackground : kBlackBackground);
    }
    updateBackground();
}

void isRenderWindowBase::updateBackground() {
    if (_background == nullptr || _mainCamera == nullptr) {
        return;
    }
    const isCameraState state = _mainCamera->getState();
    const cocos2d::Vec3 right = state.right();
    const cocos2d::Vec3 forward = state.forward();
    // The camera frame's own up, orthogonal to the view; the picture's y runs down it.
    cocos2d::Vec3 down;
    cocos2d::Vec3::cross(forward, right, &down);
    const float depth = _shown ? 0.999f : 0.001f;
    const cocos2d::Size& size = getContentSize();
    cocos2d::Vec3 topLeft;
    cocos2d::Vec3 bottomRight;
    _mainCamera->screenToWorld(cocos2d::Vec3(0.0f, size.height, depth), topLeft);
    _mainCamera->screenToWorld(cocos2d::Vec3(size.width, 0.0f, depth), bottomRight);
    cocos2d::Mat4 placement;
    float* m = placement.m;
    m[0] = right.x, m[1] = right.y, m[2] = right.z, m[3] = 0.0f;
    m[4] = down.x, m[5] = down.y, m[6] = down.z, m[7] = 0.0f;
    m[8] = forward.x, m[9] = forward.y, m[10] = forward.z, m[11] = 0.0f;
    m[12] = topLeft.x, m[13] = topLeft.y, m[14] = topLeft.z, m[15] = 1.0f;
    _background->setMatrix(placement);
    _background->setScale(topLeft.distance(bottomRight) / kBackgroundSide);
}

void isRenderWindowBase::zoomBy(float factor) {
    const isCameraState state = _mainCamera->getState();
    if (_mainCamera->isPerspective()) {
        setCameraEye(state.center() - state.forward() * (state.eyeDistance() / factor));
    } else {
        for (isCamera* camera : {_mainCamera, _overlayCamera}) {
            camera->setZoom(camera->getZoom() / factor);
        }
        updateBackground();
    }
    postCameraChanged();
}

void isRenderWindowBase::panBy(float dx, float dy) {
    cocos2d::Vec3 origin;
    cocos2d::Vec3 alongX;
    cocos2d::Vec3 origin2;
    cocos2d::Vec3 alongY;
    if (!pickPoint(cocos2d::Vec2(50.0f, 50.0f), origin) ||
        !pickPoint(cocos2d::Vec2(50.0f + dx, 50.0f), alongX) ||
        !pickPoint(cocos2d::Vec2(50.0f, 50.0f), origin2) ||
        !pickPoint(cocos2d::Vec2(50.0f, 50.0f + dy), alongY)) {
        return;
    }
    const float l = origin.distance(alongX);
    const float m = origin2.distance(alongY);
    const isCameraState state = _mainCamera->getState();
    const cocos2d::Vec3 delta =
        state.right() * (dx > 0.0f ? l : -l) - state.up() * (dy > 0.0f ? m : -m);
    setCameraEye(state.eye() + delta);
    setCameraLookAt(state.center() + delta, state.up());
    postCameraChanged();
}

void isRenderWindowBase::setFocusPoint(const cocos2d::Vec3& point) {
    const cocos2d::Vec3 focus = _mainCamera->projectToFocalPlane(point);
    const isCameraState state = _mainCamera->getState();
    setCameraEye(focus - state.forward() * state.eyeDistance());
    setCameraLookAt(focus, state.up());
    postCameraChanged();
}

void isRenderWindowBase::flipHorizontal() {
    const isCameraState state = _mainCamera->getState();
    setCameraEye(state.center() + state.forward() * state.eyeDistance());
    postCameraChanged();
}

void isRenderWindowBase::flipVertical() {
    const isCameraState state = _mainCamera->getState();
    setCameraEye(state.center() + state.forward() * state.eyeDistance());
    setCameraLookAt(state.center(), -state.up());
    postCameraChanged();
}

void isRenderWindowBase::rotateHorizontal(float radians) {
    const isCameraState state = _mainCamera->getState();
    const cocos2d::Vec3 offset =
        state.right() * std::sin(radians) - state.forward() * std::cos(radians);
    setCameraEye(state.center() + offset * state.eyeDistance());
    postCameraChanged();
}

void isRenderWindowBase::rollView(float radians) {
    const isCameraState state = _mainCamera->getState();
    setCameraLookAt(state.center(),
                    state.right() * std::sin(radians) - state.up() * std::cos(radians));
    postCameraChanged();
}

void isRenderWindowBase::setViewScale(float scale) {
    const isCameraState state = _mainCamera->getState();
    if (_mainCamera->isPerspective()) {
        setCameraEye(state.center() - state.forward() * (_baseScale / scale));
        return;
    }
    for (isCamera* camera : {_mainCamera, _overlayCamera}) {
        camera->setZoom(_baseScale / scale);
    }
    updateBackground();
}

float isRenderWindowBase::getPixelScale() const {
    if (_mainCamera->isPerspective()) {
        return _baseScale / _mainCamera->getState().eyeDistance();
    }
    return _baseScale / _mainCamera->getZoom();
}

}  // namespace isImageSDK
