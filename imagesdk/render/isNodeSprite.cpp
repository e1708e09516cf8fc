#include "imagesdk/render/isNodeSprite.h"

#include "imagesdk/data/isGeometry.h"

namespace isImageSDK {

isNodeSprite::~isNodeSprite() = default;

bool isNodeSprite::init() {
    if (!Sprite::init()) {
        return false;
    }
    enableDepthTest(true);
    removeCameraMask(static_cast<unsigned short>(cocos2d::CameraFlag::DEFAULT), true);
    _blend = 0;
    return true;
}

void isNodeSprite::setUserPointer(void* pointer) {
    _userPointer = pointer;
}

void isNodeSprite::setTexture(const std::string& filename) {
    Sprite::setTexture(filename);
    setMatrix(cocos2d::Mat4::IDENTITY);
}

void isNodeSprite::setTexture(cocos2d::Texture2D* texture) {
    Sprite::setTexture(texture);
}

void isNodeSprite::setMatrix(const cocos2d::Mat4& matrix) {
    _matrix = matrix;
    setPosition3D(cocos2d::Vec3(matrix.m[12], matrix.m[13], matrix.m[14]));
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    matrixToEulerAngles(matrix, x, y, z);
    setRotation3D(cocos2d::Vec3(x, y, z));
    setGlobalZOrder(0.0f);
}

const cocos2d::Mat4& isNodeSprite::getNodeToParentTransform() const {
    if (_transformDirty) {
        const cocos2d::Vec3 rotation = getRotation3D();
        cocos2d::Mat4 rotationMatrix;
        makeRotationMatrix(cocos2d::Vec3::ZERO, rotation.x, rotation.y, rotation.z, rotationMatrix);
        cocos2d::Mat4 scale;
        cocos2d::Mat4::createScale(_scaleX, _scaleY, 1.0f, &scale);
        _transform = rotationMatrix * scale;
        _transform.m[12] = _position.x;
        _transform.m[13] = _position.y;
        _transform.m[14] = _positionZ;
        if (_additionalTransform != nullptr) {
            _transform = _transform * *_additionalTransform;
        }
        _transformDirty = false;
        _inverseDirty = true;
    }
    return _transform;
}

void isNodeSprite::draw(cocos2d::Renderer* renderer, const cocos2d::Mat4& transform,
                        uint32_t flags) {
    const uint32_t drawFlags =
        isDepthTestEnabled() ? (flags | cocos2d::Node::FLAGS_RENDER_AS_3D) : flags;
    beginScissor(renderer);
    Sprite::draw(renderer, transform, drawFlags);
    endScissor(renderer);
}

}  // namespace isImageSDK
