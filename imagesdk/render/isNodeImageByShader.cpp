#include "imagesdk/render/isNodeImageByShader.h"

#include <atomic>
#include <cstdint>
#include <new>
#include <string>
#include <utility>

#include "engine/base/Base64.h"
#include "engine/base/Director.h"
#include "engine/base/Utils.h"
#include "engine/platform/FileUtils.h"
#include "engine/renderer/GLDrawing.h"
#include "engine/renderer/GLProgram.h"
#include "engine/renderer/GLProgramState.h"
#include "engine/renderer/Renderer.h"
#include "engine/renderer/Texture2D.h"
#include "imagesdk/data/PixelType.h"
#include "imagesdk/data/isClut.h"
#include "imagesdk/data/isSliceInfo.h"

namespace isImageSDK {

namespace {

std::atomic<int> s_shaderSwitch{1};
float s_slowFrameSeconds = 0.3f;
std::function<float()> s_frameClock;

float lastFrameSeconds() {
    return s_frameClock ? s_frameClock() : cocos2d::Director::getInstance()->getDeltaTime();
}

// The decoded text of a Base64 resource; empty when it is missing or does not decode.
std::string readSource(const char* name) {
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    const std::string path = files->fullPathForFilename(name);
    if (path.empty()) {
        return std::string();
    }
    return cocos2d::safeBase64DecodeString(files->getStringFromFile(path));
}

// Autoreleased; null without a GL context or when the sources or the build fail.
cocos2d::GLProgram* buildProgram() {
    const std::string vertex = readSource("i.v");
    const std::string fragment = readSource("id.f");
    if (vertex.empty() || fragment.empty()) {
        return nullptr;
    }
    return cocos2d::GLProgram::createWithByteArrays(vertex.c_str(), fragment.c_str());
}

bool isKnownPixelType(int type) {
    return type >= PIXEL_UINT8 && type <= PIXEL_RGB24;
}

}  // namespace

bool isNodeImageByShader::canBuildShaderProgram() {
    return buildProgram() != nullptr;
}

int isNodeImageByShader::getShaderSwitch() {
    return s_shaderSwitch.load();
}

void isNodeImageByShader::setShaderSwitch(int value) {
    s_shaderSwitch.store(value);
}

void isNodeImageByShader::setSlowFrameCheck(float seconds, std::function<float()> clock) {
    s_slowFrameSeconds = seconds;
    s_frameClock = std::move(clock);
}

isNodeImageByShader::~isNodeImageByShader() {
    releasePalette();
    if (programState != nullptr) {
        programState->release();
    }
}

bool isNodeImageByShader::init() {
    if (!isNodeImage::init()) {
        return false;
    }
    if (s_shaderSwitch.load() != 1) {
        fallback = 1;
        paletteDirty = 0;
        return true;
    }
    cocos2d::GLProgram* program = buildProgram();
    programState = program != nullptr ? cocos2d::GLProgramState::create(program) : nullptr;
    if (programState == nullptr) {
        return false;
    }
    programState->retain();
    programState->setUniformInt("u_palette", 1);
    setGLProgramState(programState);

    paletteTexture = new (std::nothrow) cocos2d::Texture2D();
    if (paletteTexture == nullptr) {
        return false;
    }
    // Nearest: the shader reads each entry at its texel centre.
    paletteTexture->setAliasTexParameters();
    paletteTexture->initWithData(nullptr, 0, cocos2d::Texture2D::PixelFormat::RGB888, 256, 1,
                                 cocos2d::Size(256.0f, 1.0f));
    blendOnCommand.func = [] {
        cocos2d::GLDrawing::setBlending(true, cocos2d::BlendFunc::ALPHA_NON_PREMULTIPLIED);
    };
    blendOffCommand.func = [] { cocos2d::GLDrawing::setBlending(false); };
    bindPaletteCommand.func = [this] { bindPalette(); };
    unbindPaletteCommand.func = [] { cocos2d::GLDrawing::bindTexture(1, 0); };
    fallback = 0;
    paletteDirty = 0;
    return true;
}

void isNodeImageByShader::cleanup() {
    isNodeImage::cleanup();
    releasePalette();
}

void isNodeImageByShader::releasePalette() {
    if (paletteTexture != nullptr) {
        paletteTexture->release();
        paletteTexture = nullptr;
    }
}

void isNodeImageByShader::setSliceInfo(isSliceInfo* record) {
    if (fallback != 0 || (record != nullptr &&
                          (record->width >= maxTextureSize || record->height >= maxTextureSize))) {
        if (fallback != 0) {
            isNodeImage::setSliceInfo(record);
        } else {
            slice = record;
            switchToFallback();
        }
        return;
    }
    if (record == nullptr || !isKnownPixelType(record->pixelType)) {
        isNodeImage::setSliceInfo(record);
        return;
    }
    slice = record;
    resetFrame();
    // The table keeps the rules of the type shown (float windows unrounded).
    if (clut != nullptr && clut->pixelType != record->pixelType) {
        clut->setPixelType(record->pixelType);
    }
    if (record->loaded) {
        if (installStoredFrame()) {
            placeBySlice();
        }
    } else {
        setScale(0.0001f);
    }
    announceFrames();
}

bool isNodeImageByShader::installStoredFrame() {
    if (!texels.buildStored(slice, frameIndex)) {
        return false;
    }
    auto* texture = new (std::nothrow) cocos2d::Texture2D();
    if (texture == nullptr) {
        return false;
    }
    // Nearest: stored values must never be blended byte by byte; the shader interpolates.
    texture->setAliasTexParameters();
    const auto format = texels.bytesPerTexel == 3 ? cocos2d::Texture2D::PixelFormat::RGB888
                                                  : cocos2d::Texture2D::PixelFormat::AI88;
    if (!texture->initWithData(texels.texels.data(), static_cast<ssize_t>(texels.texels.size()),
                               format, texels.width, texels.height,
                               cocos2d::Size(float(texels.width), float(texels.height)))) {
        delete texture;
        return false;
    }
    texture->autorelease();
    valueSlope = texels.valueSlope;
    valueIntercept = texels.valueIntercept;
    spriteScale = texels.scale;
    installTexture(texture);
    return true;
}

void isNodeImageByShader::setClut(isClut* newClut) {
    isNodeImage::setClut(newClut);
    if (fallback == 0) {
        paletteDirty = 1;
    }
}

void isNodeImageByShader::onWindowLevelChanged() {
    if (fallback != 0) {
        rebuildRequested = 1;
    }
}

void isNodeImageByShader::onColorTableChanged() {
    if (fallback != 0) {
        rebuildRequested = 1;
    } else {
        paletteDirty = 1;
    }
}

void isNodeImageByShader::refreshFrame() {
    if (fallback != 0) {
        isNodeImage::refreshFrame();
    } else {
        installStoredFrame();
    }
}

void isNodeImageByShader::switchToFallback() {
    fallback = 1;
    setGLProgramState(cocos2d::GLProgramState::getOrCreateWithGLProgramName(
        cocos2d::GLProgram::SHADER_NAME_POSITION_TEXTURE_COLOR_NO_MVP));
    releasePalette();
    isNodeImage::setSliceInfo(slice);
    rebuildRequested = 1;
}

void isNodeImageByShader::bindPalette() {
    if (paletteDirty != 0 && clut != nullptr && paletteTexture != nullptr) {
        std::uint8_t rgb[768];
        clut->getPaletteRGB(rgb);
        paletteTexture->updateWithData(rgb, 0, 0, 256, 1);
        paletteDirty = 0;
    }
    cocos2d::GLDrawing::bindTexture(1, paletteTexture != nullptr ? paletteTexture->getName() : 0);
}

void isNodeImageByShader::draw(cocos2d::Renderer* renderer, const cocos2d::Mat4& transform,
                               uint32_t flags) {
    if (fallback == 0 && s_shaderSwitch.load() == 1 && lastFrameSeconds() > s_slowFrameSeconds) {
        cocos2d::log("Rendering is too slow. Disable cubic shader program.");
        s_shaderSwitch.store(0);
        switchToFallback();
    }
    if (fallback != 0) {
        isNodeSprite::draw(renderer, transform, flags);
        return;
    }
    if (slice == nullptr || !isKnownPixelType(slice->pixelType) || clut == nullptr ||
        _texture == nullptr) {
        return;
    }
    // Each camera of a window sees the node through its own view, so the check runs per pass.
    if (!renderer->checkVisibility(transform, _contentSize)) {
        return;
    }
    // All of the node's commands go to the depth-tested queue, where they keep their order.
    const uint32_t drawFlags = isDepthTestEnabled() ? (flags | FLAGS_RENDER_AS_3D) : flags;
    beginScissor(renderer);
    const bool blend = isBlend();
    if (blend) {
        blendOnCommand.init(_globalZOrder, transform, drawFlags);
        renderer->addCommand(&blendOnCommand);
    }
    bindPaletteCommand.init(_globalZOrder, transform, drawFlags);
    renderer->addCommand(&bindPaletteCommand);

    uniforms = isWindowUniforms::compute(*clut, slice->pixelType, valueSlope, valueIntercept,
                                         _texture->getPixelsWide(), _texture->getPixelsHigh());
    programState->setUniformInt("u_opacity", uniforms.curve);
    programState->setUniformFloat("u_wwMin", uniforms.wwMin);
    programState->setUniformFloat("u_wwMax", uniforms.wwMax);
    programState->setUniformFloat("u_wwLinear", uniforms.wwLinear);
    programState->setUniformFloat("u_wwLogRatio", uniforms.wwLogRatio);
    programState->setUniformInt("u_pt", uniforms.pixelMode);
    programState->setUniformInt("u_fs", 0);
    programState->setUniformFloat("u_vw", float(uniforms.textureWidth));
    programState->setUniformFloat("u_vh", float(uniforms.textureHeight));

    cocos2d::TrianglesCommand::Triangles quad;
    quad.verts = _quad;
    quad.indices = _indices;
    quad.vertCount = 4;
    quad.indexCount = 6;
    trianglesCommand.init(_globalZOrder, _texture->getName(), programState,
                          blend ? cocos2d::BlendFunc::ALPHA_NON_PREMULTIPLIED
                                : cocos2d::BlendFunc::DISABLE,
                          quad, transform, drawFlags);
    renderer->addCommand(&trianglesCommand);

    unbindPaletteCommand.init(_globalZOrder, transform, drawFlags);
    renderer->addCommand(&unbindPaletteCommand);
    if (blend) {
        blendOffCommand.init(_globalZOrder, transform, drawFlags);
        renderer->addCommand(&blendOffCommand);
    }
    endScissor(renderer);
}

}  // namespace isImageSDK
