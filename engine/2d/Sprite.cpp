#include "engine/2d/Sprite.h"

#include <new>

#include "engine/base/Director.h"
#include "engine/renderer/GLProgram.h"
#include "engine/renderer/GLProgramState.h"
#include "engine/renderer/Renderer.h"
#include "engine/renderer/Texture2D.h"
#include "engine/renderer/TextureCache.h"

namespace cocos2d {

namespace {

template <typename Init> Sprite* makeSprite(Init init) {
    auto* sprite = new (std::nothrow) Sprite();
    if (sprite != nullptr && init(sprite)) {
        sprite->autorelease();
        return sprite;
    }
    delete sprite;
    return nullptr;
}

Rect pointsToPixels(const Rect& rect) {
    const float scale = Director::getInstance()->getContentScaleFactor();
    return Rect(rect.origin.x * scale, rect.origin.y * scale, rect.size.width * scale,
                rect.size.height * scale);
}

}  // namespace

Sprite* Sprite::create() {
    return makeSprite([](Sprite* s) { return s->init(); });
}

Sprite* Sprite::create(const std::string& filename) {
    return makeSprite([&](Sprite* s) { return s->initWithFile(filename); });
}

Sprite* Sprite::create(const std::string& filename, const Rect& rect) {
    return makeSprite([&](Sprite* s) { return s->initWithFile(filename, rect); });
}

Sprite* Sprite::createWithTexture(Texture2D* texture) {
    return makeSprite([&](Sprite* s) { return s->initWithTexture(texture); });
}

Sprite* Sprite::createWithTexture(Texture2D* texture, const Rect& rect) {
    return makeSprite([&](Sprite* s) { return s->initWithTexture(texture, rect); });
}

Sprite::~Sprite() {
    if (_texture != nullptr) {
        _texture->release();
    }
}

bool Sprite::init() {
    return initWithTexture(nullptr, Rect::ZERO);
}

bool Sprite::initWithTexture(Texture2D* texture) {
    if (texture == nullptr) {
        return false;
    }
    return initWithTexture(texture, Rect(Vec2::ZERO, texture->getContentSize()));
}

bool Sprite::initWithTexture(Texture2D* texture, const Rect& rect) {
    if (!Node::init()) {
        return false;
    }
    _flippedX = false;
    _flippedY = false;
    setAnchorPoint(Vec2(0.5f, 0.5f));
    setGLProgramState(GLProgramState::getOrCreateWithGLProgramName(
        GLProgram::SHADER_NAME_POSITION_TEXTURE_COLOR_NO_MVP));
    if (texture != nullptr) {
        texture->retain();
    }
    if (_texture != nullptr) {
        _texture->release();
    }
    _texture = texture;
    updateBlendFunc();
    setTextureRect(rect);
    return true;
}

bool Sprite::initWithFile(const std::string& filename) {
    if (filename.empty()) {
        return false;
    }
    Texture2D* texture = Director::getInstance()->getTextureCache()->addImage(filename);
    return texture != nullptr && initWithTexture(texture);
}

bool Sprite::initWithFile(const std::string& filename, const Rect& rect) {
    if (filename.empty()) {
        return false;
    }
    Texture2D* texture = Director::getInstance()->getTextureCache()->addImage(filename);
    return texture != nullptr && initWithTexture(texture, rect);
}

void Sprite::setTexture(const std::string& filename) {
    Texture2D* texture = Director::getInstance()->getTextureCache()->addImage(filename);
    if (texture == nullptr) {
        return;
    }
    setTexture(texture);
    setTextureRect(Rect(Vec2::ZERO, texture->getContentSize()));
}

void Sprite::setTexture(Texture2D* texture) {
    if (texture == _texture) {
        return;
    }
    const bool hadTexture = _texture != nullptr;
    if (texture != nullptr) {
        texture->retain();
    }
    if (_texture != nullptr) {
        _texture->release();
    }
    _texture = texture;
    updateBlendFunc();
    if (!hadTexture && texture != nullptr) {
        setTextureRect(Rect(Vec2::ZERO, texture->getContentSize()));
    } else {
        updateQuad();
    }
}

void Sprite::setTextureRect(const Rect& rect) {
    _rect = rect;
    setContentSize(rect.size);
    updateQuad();
}

void Sprite::setFlippedX(bool flippedX) {
    if (_flippedX != flippedX) {
        _flippedX = flippedX;
        updateQuad();
    }
}

void Sprite::setFlippedY(bool flippedY) {
    if (_flippedY != flippedY) {
        _flippedY = flippedY;
        updateQuad();
    }
}

void Sprite::updateBlendFunc() {
    _blendFunc = _texture == nullptr || !_texture->hasPremultipliedAlpha()
                     ? BlendFunc::ALPHA_NON_PREMULTIPLIED
                     : BlendFunc::ALPHA_PREMULTIPLIED;
}

void Sprite::updateQuad() {
    const float w = _rect.size.width;
    const float h = _rect.size.height;
    _quad[0].vertices = Vec3(0, 0, 0);
    _quad[1].vertices = Vec3(w, 0, 0);
    _quad[2].vertices = Vec3(0, h, 0);
    _quad[3].vertices = Vec3(w, h, 0);

    float left = 0.0f;
    float right = 0.0f;
    float top = 0.0f;
    float bottom = 0.0f;
    if (_texture != nullptr && _texture->getPixelsWide() > 0 && _texture->getPixelsHigh() > 0) {
        const Rect pixels = pointsToPixels(_rect);
        const float atlasW = static_cast<float>(_texture->getPixelsWide());
        const float atlasH = static_cast<float>(_texture->getPixelsHigh());
        left = pixels.origin.x / atlasW;
        right = (pixels.origin.x + pixels.size.width) / atlasW;
        // Texture rows run from the picture's top, so the rectangle's top has the smaller t.
        top = pixels.origin.y / atlasH;
        bottom = (pixels.origin.y + pixels.size.height) / atlasH;
    }
    if (_flippedX) {
        std::swap(left, right);
    }
    if (_flippedY) {
        std::swap(top, bottom);
    }
    _quad[0].texCoords = {left, bottom};
    _quad[1].texCoords = {right, bottom};
    _quad[2].texCoords = {left, top};
    _quad[3].texCoords = {right, top};
    updateColor();
}

void Sprite::updateColor() {
    Color4B color(_displayedColor.r, _displayedColor.g, _displayedColor.b, _displayedOpacity);
    if (_opacityModifyRGB || (_texture != nullptr && _texture->hasPremultipliedAlpha())) {
        color.r = static_cast<uint8_t>(color.r * _displayedOpacity / 255);
        color.g = static_cast<uint8_t>(color.g * _displayedOpacity / 255);
        color.b = static_cast<uint8_t>(color.b * _displayedOpacity / 255);
    }
    for (auto& vertex : _quad) {
        vertex.colors = color;
    }
}

void Sprite::setOpacityModifyRGB(bool modify) {
    if (_opacityModifyRGB != modify) {
        Node::setOpacityModifyRGB(modify);
        updateColor();
    }
}

void Sprite::draw(Renderer* renderer, const Mat4& transform, uint32_t flags) {
    if (_texture == nullptr) {
        return;
    }
    if (!renderer->checkVisibility(transform, _contentSize)) {
        return;
    }
    TrianglesCommand::Triangles triangles;
    triangles.verts = _quad;
    triangles.indices = _indices;
    triangles.vertCount = 4;
    triangles.indexCount = 6;
    _trianglesCommand.init(_globalZOrder, _texture->getName(), _glProgramState, _blendFunc,
                           triangles, transform, flags);
    renderer->addCommand(&_trianglesCommand);
}

}  // namespace cocos2d
