#include "engine/ui/Scale9Sprite.h"

#include <algorithm>

#include "engine/2d/Sprite.h"
#include "engine/base/Director.h"
#include "engine/base/Macros.h"
#include "engine/renderer/Texture2D.h"
#include "engine/renderer/TextureCache.h"

namespace cocos2d {
namespace ui {

namespace {

// Splits `destination` into low, middle and high spans for fixed ends of `low` and `high`.
void splitSpan(float destination, float low, float high, float* outLow, float* outMiddle,
               float* outHigh) {
    const float ends = low + high;
    if (destination < ends && ends > 0.0f) {
        const float factor = destination / ends;
        *outLow = low * factor;
        *outHigh = high * factor;
        *outMiddle = 0.0f;
        return;
    }
    *outLow = low;
    *outHigh = high;
    *outMiddle = destination - ends;
}

}  // namespace

Scale9Sprite::~Scale9Sprite() {
    CC_SAFE_RELEASE(_texture);
}

Scale9Sprite* Scale9Sprite::create() {
    auto* sprite = new Scale9Sprite();
    if (sprite->init()) {
        sprite->autorelease();
        return sprite;
    }
    delete sprite;
    return nullptr;
}

Scale9Sprite* Scale9Sprite::create(const std::string& file) {
    return create(Rect::ZERO, file);
}

Scale9Sprite* Scale9Sprite::create(const Rect& capInsets, const std::string& file) {
    auto* sprite = new Scale9Sprite();
    if (sprite->init() && sprite->initWithFile(capInsets, file)) {
        sprite->autorelease();
        return sprite;
    }
    delete sprite;
    return nullptr;
}

bool Scale9Sprite::init() {
    if (!ProtectedNode::init()) {
        return false;
    }
    setAnchorPoint(Vec2::ANCHOR_MIDDLE);
    setCascadeColorEnabled(true);
    setCascadeOpacityEnabled(true);
    return true;
}

bool Scale9Sprite::initWithFile(const std::string& file) {
    return initWithFile(Rect::ZERO, file);
}

bool Scale9Sprite::initWithFile(const Rect& capInsets, const std::string& file) {
    if (!loadTexture(file)) {
        return false;
    }
    _capInsets = capInsets;
    ProtectedNode::setContentSize(_originalSize);
    _slicesDirty = true;
    return true;
}

bool Scale9Sprite::setTexture(const std::string& file) {
    if (!loadTexture(file)) {
        return false;
    }
    _slicesDirty = true;
    return true;
}

bool Scale9Sprite::loadTexture(const std::string& file) {
    if (file.empty()) {
        return false;
    }
    Texture2D* texture = Director::getInstance()->getTextureCache()->addImage(file);
    if (texture == nullptr) {
        return false;
    }
    texture->retain();
    CC_SAFE_RELEASE(_texture);
    _texture = texture;
    _originalSize = texture->getContentSize();
    return true;
}

void Scale9Sprite::setScale9Enabled(bool enabled) {
    _scale9Enabled = enabled;
    _slicesDirty = true;
}

void Scale9Sprite::setCapInsets(const Rect& capInsets) {
    _capInsets = capInsets;
    _slicesDirty = true;
}

void Scale9Sprite::setContentSize(const Size& size) {
    ProtectedNode::setContentSize(size);
    _slicesDirty = true;
}

void Scale9Sprite::setFlippedX(bool flipped) {
    _flippedX = flipped;
    _slicesDirty = true;
}

void Scale9Sprite::updateSlices() {
    _slicesDirty = false;
    removeAllProtectedChildren();
    if (_texture == nullptr || _originalSize.width <= 0.0f || _originalSize.height <= 0.0f ||
        _contentSize.width <= 0.0f || _contentSize.height <= 0.0f) {
        return;
    }
    Rect insets = _capInsets;
    if (insets.size.width <= 0.0f || insets.size.height <= 0.0f) {
        insets = Rect(_originalSize.width / 3.0f, _originalSize.height / 3.0f,
                      _originalSize.width / 3.0f, _originalSize.height / 3.0f);
    }
    insets.origin.x = std::clamp(insets.origin.x, 0.0f, _originalSize.width);
    insets.origin.y = std::clamp(insets.origin.y, 0.0f, _originalSize.height);
    insets.size.width = std::min(insets.size.width, _originalSize.width - insets.origin.x);
    insets.size.height = std::min(insets.size.height, _originalSize.height - insets.origin.y);

    // Source spans: columns from the left, rows from the bottom (image rows count from the top).
    float srcX[3] = {insets.origin.x, insets.size.width,
                     _originalSize.width - insets.origin.x - insets.size.width};
    float srcY[3] = {_originalSize.height - insets.origin.y - insets.size.height,
                     insets.size.height, insets.origin.y};
    if (!_scale9Enabled) {
        srcX[0] = srcX[2] = srcY[0] = srcY[2] = 0.0f;
        srcX[1] = _originalSize.width;
        srcY[1] = _originalSize.height;
    }
    float dstX[3];
    float dstY[3];
    splitSpan(_contentSize.width, srcX[0], srcX[2], &dstX[0], &dstX[1], &dstX[2]);
    splitSpan(_contentSize.height, srcY[0], srcY[2], &dstY[0], &dstY[1], &dstY[2]);

    float y = 0.0f;
    float imageTop = _originalSize.height;
    for (int row = 0; row < 3; ++row) {
        imageTop -= srcY[row];
        float x = 0.0f;
        for (int column = 0; column < 3; ++column) {
            const int sourceColumn = _flippedX ? 2 - column : column;
            float sourceLeft = 0.0f;
            for (int c = 0; c < sourceColumn; ++c) {
                sourceLeft += srcX[c];
            }
            if (srcX[sourceColumn] > 0.0f && srcY[row] > 0.0f && dstX[column] > 0.0f &&
                dstY[row] > 0.0f) {
                Sprite* slice = Sprite::createWithTexture(
                    _texture, Rect(sourceLeft, imageTop, srcX[sourceColumn], srcY[row]));
                slice->setAnchorPoint(Vec2::ZERO);
                slice->setPosition(Vec2(x, y));
                slice->setScaleX(dstX[column] / srcX[sourceColumn]);
                slice->setScaleY(dstY[row] / srcY[row]);
                slice->setFlippedX(_flippedX);
                addProtectedChild(slice);
            }
            x += dstX[column];
        }
        y += dstY[row];
    }
    updateDisplayedColor(_parent != nullptr && _parent->isCascadeColorEnabled()
                             ? _parent->getDisplayedColor()
                             : Color3B::WHITE);
    updateDisplayedOpacity(_parent != nullptr && _parent->isCascadeOpacityEnabled()
                               ? _parent->getDisplayedOpacity()
                               : 255);
}

void Scale9Sprite::visit(Renderer* renderer, const Mat4& parentTransform, uint32_t parentFlags) {
    if (_slicesDirty) {
        updateSlices();
    }
    ProtectedNode::visit(renderer, parentTransform, parentFlags);
}

}  // namespace ui
}  // namespace cocos2d
