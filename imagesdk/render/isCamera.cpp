#include "imagesdk/render/isCamera.h"

#include <cmath>

#include "engine/base/Director.h"
#include "engine/math/Vec4.h"
#include "engine/renderer/Renderer.h"
#include "imagesdk/data/isGeometry.h"

namespace isImageSDK {

namespace {

// Inverse of a column-major 4 × 4 matrix in double precision (cofactor expansion); false when
// the matrix is singular.
bool invert(const float* m, double* out) {
    double a[16];
    for (int i = 0; i < 16; ++i) {
        a[i] = m[i];
    }
    double inv[16];
    inv[0] = a[5] * a[10] * a[15] - a[5] * a[11] * a[14] - a[9] * a[6] * a[15] +
             a[9] * a[7] * a[14] + a[13] * a[6] * a[11] - a[13] * a[7] * a[10];
    inv[4] = -a[4] * a[10] * a[15] + a[4] * a[11] * a[14] + a[8] * a[6] * a[15] -
             a[8] * a[7] * a[14] - a[12] * a[6] * a[11] + a[12] * a[7] * a[10];
    inv[8] = a[4] * a[9] * a[15] - a[4] * a[11] * a[13] - a[8] * a[5] * a[15] +
             a[8] * a[7] * a[13] + a[12] * a[5] * a[11] - a[12] * a[7] * a[9];
    inv[12] = -a[4] * a[9] * a[14] + a[4] * a[10] * a[13] + a[8] * a[5] * a[14] -
              a[8] * a[6] * a[13] - a[12] * a[5] * a[10] + a[12] * a[6] * a[9];
    inv[1] = -a[1] * a[10] * a[15] + a[1] * a[11] * a[14] + a[9] * a[2] * a[15] -
             a[9] * a[3] * a[14] - a[13] * a[2] * a[11] + a[13] * a[3] * a[10];
    inv[5] = a[0] * a[10] * a[15] - a[0] * a[11] * a[14] - a[8] * a[2] * a[15] +
             a[8] * a[3] * a[14] + a[12] * a[2] * a[11] - a[12] * a[3] * a[10];
    inv[9] = -a[0] * a[9] * a[15] + a[0] * a[11] * a[13] + a[8] * a[1] * a[15] -
             a[8] * a[3] * a[13] - a[12] * a[1] * a[11] + a[12] * a[3] * a[9];
    inv[13] = a[0] * a[9] * a[14] - a[0] * a[10] * a[13] - a[8] * a[1] * a[14] +
              a[8] * a[2] * a[13] + a[12] * a[1] * a[10] - a[12] * a[2] * a[9];
    inv[2] = a[1] * a[6] * a[15] - a[1] * a[7] * a[14] - a[5] * a[2] * a[15] + a[5] * a[3] * a[14] +
             a[13] * a[2] * a[7] - a[13] * a[3] * a[6];
    inv[6] = -a[0] * a[6] * a[15] + a[0] * a[7] * a[14] + a[4] * a[2] * a[15] -
             a[4] * a[3] * a[14] - a[12] * a[2] * a[7] + a[12] * a[3] * a[6];
    inv[10] = a[0] * a[5] * a[15] - a[0] * a[7] * a[13] - a[4] * a[1] * a[15] +
              a[4] * a[3] * a[13] + a[12] * a[1] * a[7] - a[12] * a[3] * a[5];
    inv[14] = -a[0] * a[5] * a[14] + a[0] * a[6] * a[13] + a[4] * a[1] * a[14] -
              a[4] * a[2] * a[13] - a[12] * a[1] * a[6] + a[12] * a[2] * a[5];
    inv[3] = -a[1] * a[6] * a[11] + a[1] * a[7] * a[10] + a[5] * a[2] * a[11] -
             a[5] * a[3] * a[10] - a[9] * a[2] * a[7] + a[9] * a[3] * a[6];
    inv[7] = a[0] * a[6] * a[11] - a[0] * a[7] * a[10] - a[4] * a[2] * a[11] + a[4] * a[3] * a[10] +
             a[8] * a[2] * a[7] - a[8] * a[3] * a[6];
    inv[11] = -a[0] * a[5] * a[11] + a[0] * a[7] * a[9] + a[4] * a[1] * a[11] - a[4] * a[3] * a[9] -
              a[8] * a[1] * a[7] + a[8] * a[3] * a[5];
    inv[15] = a[0] * a[5] * a[10] - a[0] * a[6] * a[9] - a[4] * a[1] * a[10] + a[4] * a[2] * a[9] +
              a[8] * a[1] * a[6] - a[8] * a[2] * a[5];
    const double det = a[0] * inv[0] + a[1] * inv[4] + a[2] * inv[8] + a[3] * inv[12];
    if (det == 0.0) {
        return false;
    }
    for (int i = 0; i < 16; ++i) {
        out[i] = inv[i] / det;
    }
    return true;
}

}  // namespace

isCamera::~isCamera() = default;

bool isCamera::init() {
    if (!Node::init()) {
        return false;
    }
    _changed = false;
    _perspective = false;
    _currentZoom = 1.0f;
    _state.values[16] = 1.0f;
    _center = _state.center();
    _upVector = _state.up();
    _viewportWidth = 1.0f;
    _viewportHeight = 1.0f;
    setPosition3D(_state.eye());
    _ownView = false;
    _additionalProjectionMatrix = cocos2d::Mat4::IDENTITY;
    _fieldOfView = 60.0f;
    _nearPlane = 1.0f;
    _farPlane = 1000.0f;
    _viewDirty = true;
    invalidateConversions();
    _changed = false;
    return true;
}

void isCamera::setPosition3D(const cocos2d::Vec3& position) {
    Node::setPosition3D(position);
    lookAt(_center, _upVector);
}

void isCamera::lookAt(const cocos2d::Vec3& center, const cocos2d::Vec3& up) {
    _viewDirty = true;
    _center = center;
    _upVector = up;
    const cocos2d::Vec3 eye = getPosition3D();
    cocos2d::Mat4 frame;
    makeLookAtMatrix(eye, center, up, frame);
    float ax = 0.0f;
    float ay = 0.0f;
    float az = 0.0f;
    matrixToEulerAngles(frame, ax, ay, az);
    setRotation3D(cocos2d::Vec3(ax, ay, az));
    _state.setVec(0, center);
    _state.setVec(3, eye);
    _state.setVec(6, up);
    _state.setVec(9, cocos2d::Vec3(-frame.m[8], -frame.m[9], -frame.m[10]));
    _state.setVec(12, cocos2d::Vec3(frame.m[0], frame.m[1], frame.m[2]));
    _state.values[15] = center.distance(eye);
    _changed = true;
    _transformDirty = true;
    _inverseDirty = true;
    invalidateConversions();
}

const cocos2d::Mat4& isCamera::getNodeToParentTransform() const {
    if (_transformDirty) {
        makeLookAtMatrix(getPosition3D(), _center, _upVector, _transform);
        if (_additionalTransform != nullptr) {
            _transform = _transform * *_additionalTransform;
        }
        _transformDirty = false;
        _conversionsValid = false;
    }
    return _transform;
}

void isCamera::setAdditionalTransform(const cocos2d::Mat4* additionalTransform) {
    Node::setAdditionalTransform(additionalTransform);
    _viewDirty = true;
    invalidateConversions();
}

void isCamera::setAdditionalTransform(const cocos2d::Mat4& additionalTransform) {
    setAdditionalTransform(&additionalTransform);
}

const cocos2d::Mat4& isCamera::getViewMatrix() const {
    if (!_ownView) {
        // The engine's view follows the parent chain, which a moved window changes without
        // telling this camera; it caches by comparing the world transform itself.
        _viewDirty = false;
        return Camera::getViewMatrix();
    }
    // The frame of eye, centre and up alone (no additional transform), placed by the parent
    // chain like the nodes it draws, which are children of the same window.
    const cocos2d::Mat4 parentToWorld =
        _parent != nullptr ? _parent->getNodeToWorldTransform() : cocos2d::Mat4::IDENTITY;
    if (!_viewDirty && parentToWorld == _ownViewParent) {
        return _view;
    }
    _viewDirty = false;
    _ownViewParent = parentToWorld;
    cocos2d::Mat4 frame;
    makeLookAtMatrix(getPosition3D(), _center, _upVector, frame);
    _viewInv = parentToWorld * frame;
    _viewProjectionDirty = true;
    _view = _viewInv.getInversed();
    return _view;
}

cocos2d::Mat4 isCamera::panelProjection(const cocos2d::Node* node) {
    const cocos2d::Mat4 toWorld = node->getNodeToWorldTransform();
    const cocos2d::Size& size = node->getContentSize();
    const cocos2d::Size window = cocos2d::Director::getInstance()->getWinSize();
    const float w = size.width;
    const float h = size.height;
    cocos2d::Mat4 scale;
    cocos2d::Mat4::createScale(w / window.width, h / window.height, 1.0f, &scale);
    cocos2d::Mat4 translation;
    cocos2d::Mat4::createTranslation(
        2.0f * toWorld.m[12] / window.width - 1.0f + w / window.width,
        2.0f * toWorld.m[13] / window.height - 1.0f + h / window.height, 0.0f, &translation);
    return translation * scale;
}

void isCamera::applyViewport() {
    Camera::applyViewport();
    const cocos2d::Node* parent = getParent();
    if (!_followParentPanel || parent == nullptr) {
        return;
    }
    const cocos2d::Size& size = parent->getContentSize();
    if (size.width > 1.0f && size.height > 1.0f) {
        const cocos2d::Mat4 panel = panelProjection(parent);
        if (!(panel == _additionalProjectionMatrix)) {
            setAdditionalProjection(panel);
            _additionalProjectionMatrix = panel;
        }
    }
    // The parent's rectangle as the default camera shows it: the picture's panel.
    const cocos2d::Mat4 toWorld = parent->getNodeToWorldTransform();
    const cocos2d::Camera* screen = cocos2d::Camera::getDefaultCamera();
    float minX = 0.0f;
    float minY = 0.0f;
    float maxX = 0.0f;
    float maxY = 0.0f;
    for (int i = 0; i < 4; ++i) {
        cocos2d::Vec3 p((i & 1) != 0 ? size.width : 0.0f, (i & 2) != 0 ? size.height : 0.0f, 0.0f);
        toWorld.transformPoint(&p);
        const cocos2d::Vec2 gl = screen != nullptr ? screen->projectGL(p) : cocos2d::Vec2(p.x, p.y);
        minX = i == 0 ? gl.x : std::fmin(minX, gl.x);
        minY = i == 0 ? gl.y : std::fmin(minY, gl.y);
        maxX = i == 0 ? gl.x : std::fmax(maxX, gl.x);
        maxY = i == 0 ? gl.y : std::fmax(maxY, gl.y);
    }
    cocos2d::Director::getInstance()->getRenderer()->setPassScissor(
        cocos2d::Rect(minX, minY, maxX - minX, maxY - minY));
}

bool isCamera::setProjection(float fieldOfView, float width, float height, float nearPlane,
                             float farPlane, const cocos2d::Mat4& additional) {
    _fieldOfView = fieldOfView;
    _nearPlane = nearPlane;
    _farPlane = farPlane;
    _viewportWidth = width;
    _viewportHeight = height;
    applyProjection();
    setAdditionalProjection(additional);
    _additionalProjectionMatrix = additional;
    _changed = true;
    invalidateConversions();
    return true;
}

void isCamera::applyProjection() {
    if (_perspective) {
        initPerspective(_fieldOfView, _viewportWidth / _viewportHeight, _nearPlane, _farPlane);
    } else {
        const float halfWidth = _viewportWidth / 2.0f * _currentZoom;
        const float halfHeight = _viewportHeight / 2.0f * _currentZoom;
        cocos2d::Mat4::createOrthographicOffCenter(-halfWidth, halfWidth, -halfHeight, halfHeight,
                                                   _nearPlane, _farPlane, &_projection);
        _type = Type::ORTHOGRAPHIC;
        _viewProjectionDirty = true;
    }
}

void isCamera::setZoom(float zoom) {
    _state.values[16] = zoom;
    _currentZoom = zoom;
    setProjection(_fieldOfView, _viewportWidth, _viewportHeight, _nearPlane, _farPlane,
                  _additionalProjectionMatrix);
}

void isCamera::setPerspective(bool perspective) {
    _perspective = perspective;
    setProjection(_fieldOfView, _viewportWidth, _viewportHeight, _nearPlane, _farPlane,
                  _additionalProjectionMatrix);
}

void isCamera::setOwnView(bool ownView) {
    _ownView = ownView;
    _viewDirty = true;
    _viewProjectionDirty = true;
}

void isCamera::updateConversions() const {
    const cocos2d::Mat4& frame = getNodeToParentTransform();
    if (_conversionsValid) {
        return;
    }
    cocos2d::Mat4 projection;
    if (_perspective) {
        cocos2d::Mat4::createPerspective(_fieldOfView, _viewportWidth / _viewportHeight, _nearPlane,
                                         _farPlane, &projection);
    } else {
        const float halfWidth = _viewportWidth / 2.0f * _currentZoom;
        const float halfHeight = _viewportHeight / 2.0f * _currentZoom;
        cocos2d::Mat4::createOrthographicOffCenter(-halfWidth, halfWidth, -halfHeight, halfHeight,
                                                   _nearPlane, _farPlane, &projection);
    }
    // The frame is rigid (plus an optional additional transform): invert it exactly.
    double view[16];
    if (!invert(frame.m, view)) {
        for (int i = 0; i < 16; ++i) {
            view[i] = i % 5 == 0 ? 1.0 : 0.0;
        }
    }
    double pv[16];
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) {
                sum += double(projection.m[k * 4 + r]) * view[c * 4 + k];
            }
            pv[c * 4 + r] = sum;
        }
    }
    float pvFloat[16];
    for (int i = 0; i < 16; ++i) {
        pvFloat[i] = float(pv[i]);
    }
    _conversionMatrix = cocos2d::Mat4(pvFloat);
    if (!invert(pvFloat, _conversionInverse)) {
        for (int i = 0; i < 16; ++i) {
            _conversionInverse[i] = i % 5 == 0 ? 1.0 : 0.0;
        }
    }
    _conversionsValid = true;
}

void isCamera::screenToWorld(const cocos2d::Vec3& point, cocos2d::Vec3& out) const {
    updateConversions();
    const double n[4] = {2.0 * point.x / _viewportWidth - 1.0,
                         2.0 * point.y / _viewportHeight - 1.0, 2.0 * point.z - 1.0, 1.0};
    double q[4];
    for (int r = 0; r < 4; ++r) {
        q[r] = _conversionInverse[r] * n[0] + _conversionInverse[4 + r] * n[1] +
               _conversionInverse[8 + r] * n[2] + _conversionInverse[12 + r] * n[3];
    }
    if (q[3] != 0.0) {
        q[0] /= q[3];
        q[1] /= q[3];
        q[2] /= q[3];
    }
    out.set(float(q[0]), float(q[1]), float(q[2]));
}

void isCamera::worldToScreen(const cocos2d::Vec3& point, cocos2d::Vec3& out) const {
    updateConversions();
    cocos2d::Vec4 c;
    _conversionMatrix.transformVector(cocos2d::Vec4(point.x, point.y, point.z, 1.0f), &c);
    if (c.w != 0.0f) {
        c.x /= c.w;
        c.y /= c.w;
        c.z /= c.w;
    }
    out.set((c.x + 1.0f) / 2.0f * _viewportWidth, (c.y + 1.0f) / 2.0f * _viewportHeight,
            (c.z + 1.0f) / 2.0f);
}

void isCamera::screenToRay(const cocos2d::Vec2& point, cocos2d::Vec3& origin,
                           cocos2d::Vec3& direction) const {
    screenToWorld(cocos2d::Vec3(point.x, point.y, 0.0f), origin);
    cocos2d::Vec3 far;
    screenToWorld(cocos2d::Vec3(point.x, point.y, 1.0f), far);
    direction = far - origin;
    direction.normalize();
}

cocos2d::Vec3 isCamera::worldToCamera(const cocos2d::Vec3& point) const {
    const cocos2d::Mat4 inverse = getNodeToParentTransform().getInversed();
    cocos2d::Vec3 out;
    inverse.transformPoint(point, &out);
    return out;
}

cocos2d::Vec3 isCamera::projectToFocalPlane(const cocos2d::Vec3& point) const {
    const cocos2d::Vec3 n = _state.forward();
    const double nn = double(n.x) * n.x + double(n.y) * n.y + double(n.z) * n.z;
    if (nn == 0.0) {
        return point;
    }
    const double cn = double(_center.x) * n.x + double(_center.y) * n.y + double(_center.z) * n.z;
    const double pn = double(point.x) * n.x + double(point.y) * n.y + double(point.z) * n.z;
    const double t = (cn - pn) / nn;
    return cocos2d::Vec3(float(point.x + t * n.x), float(point.y + t * n.y),
                         float(point.z + t * n.z));
}

void isCamera::cameraExtents(const cocos2d::Vec3 corners[4], float& xExtent, float& yExtent) const {
    float minX = 99999.0f;
    float maxX = -99999.0f;
    float minY = 99999.0f;
    float maxY = -99999.0f;
    for (int i = 0; i < 4; ++i) {
        const cocos2d::Vec3 p = worldToCamera(corners[i]);
        minX = std::fmin(minX, p.x);
        maxX = std::fmax(maxX, p.x);
        minY = std::fmin(minY, p.y);
        maxY = std::fmax(maxY, p.y);
    }
    xExtent = maxX - minX;
    yExtent = maxY - minY;
}

float isCamera::fitOrthographic(const cocos2d::Vec3 corners[4]) const {
    float xExtent = 0.0f;
    float yExtent = 0.0f;
    cameraExtents(corners, xExtent, yExtent);
    if (xExtent < 0.5f || yExtent < 0.5f || _perspective) {
        return 1.0f;
    }
    if (_viewportWidth / _viewportHeight > xExtent / yExtent) {
        return yExtent / _viewportHeight;
    }
    return xExtent / _viewportWidth;
}

float isCamera::fitPerspective(const cocos2d::Vec3 corners[4]) const {
    if (!_perspective) {
        return (_farPlane - _nearPlane) / 2.0f + _nearPlane;
    }
    float xExtent = 0.0f;
    float yExtent = 0.0f;
    cameraExtents(corners, xExtent, yExtent);
    const float viewportAspect = _viewportWidth / _viewportHeight;
    const float boxAspect = yExtent > 0.0f ? xExtent / yExtent : 0.0f;
    const float half = viewportAspect > boxAspect ? yExtent / 2.0f : xExtent / 2.0f / _aspectRatio;
    const float distance = half / std::tan(_fieldOfView / 2.0f * 3.1415925f / 180.0f);
    if (_farPlane < distance) {
        return _farPlane - 1.0f;
    }
    if (distance < _nearPlane) {
        return _nearPlane + 1.0f;
    }
    return distance;
}

}  // namespace isImageSDK
