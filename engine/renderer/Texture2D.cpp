#include "engine/renderer/Texture2D.h"

#include <atomic>

#include "engine/backend/GLStateCache.h"
#include "engine/base/Director.h"
#include "engine/platform/Image.h"

namespace cocos2d {

namespace {

struct GLFormat {
    GLint internalFormat;
    GLenum format;
    GLenum type;
};

// The compatibility profile keeps luminance formats, which the two-channel data needs.
GLFormat glFormatFor(Texture2D::PixelFormat format) {
    switch (format) {
    case Texture2D::PixelFormat::RGB888:
        return {GL_RGB, GL_RGB, GL_UNSIGNED_BYTE};
    case Texture2D::PixelFormat::AI88:
        return {GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE};
    case Texture2D::PixelFormat::A8:
        return {GL_ALPHA, GL_ALPHA, GL_UNSIGNED_BYTE};
    default:
        return {GL_RGBA, GL_RGBA, GL_UNSIGNED_BYTE};
    }
}

// Textures are made on the main thread, but a reader of the count may sit on another.
std::atomic<unsigned long long> s_uploadCount{0};

}  // namespace

unsigned long long Texture2D::getUploadCount() {
    return s_uploadCount.load(std::memory_order_relaxed);
}

int Texture2D::getBitsPerPixelForFormat(PixelFormat format) {
    switch (format) {
    case PixelFormat::RGBA8888:
        return 32;
    case PixelFormat::RGB888:
        return 24;
    case PixelFormat::AI88:
        return 16;
    case PixelFormat::A8:
        return 8;
    default:
        return 0;
    }
}

Texture2D::Texture2D() = default;

Texture2D::~Texture2D() {
    releaseGLTexture();
}

bool Texture2D::initWithData(const void* data, ssize_t dataLen, PixelFormat format, int pixelsWide,
                             int pixelsHigh, const Size& contentSize) {
    if (format == PixelFormat::AUTO) {
        format = PixelFormat::RGBA8888;
    }
    const int bits = getBitsPerPixelForFormat(format);
    if (bits == 0 || pixelsWide <= 0 || pixelsHigh <= 0) {
        return false;
    }
    const ssize_t needed = static_cast<ssize_t>(pixelsWide) * pixelsHigh * bits / 8;
    if (data != nullptr && dataLen < needed) {
        return false;
    }
    releaseGLTexture();
    _pixelFormat = format;
    _pixelsWide = pixelsWide;
    _pixelsHigh = pixelsHigh;
    _contentSize = contentSize;
    if (data != nullptr) {
        s_uploadCount.fetch_add(1, std::memory_order_relaxed);
    }
    if (!GL::hasContext()) {
        return true;
    }
    const GLFormat gl = glFormatFor(format);
    // Rows of three-, two- and one-byte texels are not padded to four bytes.
    const bool packed = (static_cast<long>(pixelsWide) * bits / 8) % 4 == 0;
    glPixelStorei(GL_UNPACK_ALIGNMENT, packed ? 4 : 1);
    _contextGeneration = GL::contextGeneration();
    glGenTextures(1, &_name);
    GL::bindTexture2D(_name);
    const GLint filter = _antialiased ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, gl.internalFormat, pixelsWide, pixelsHigh, 0, gl.format, gl.type,
                 data);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    return true;
}

bool Texture2D::initWithImage(Image* image) {
    if (image == nullptr || image->getData() == nullptr) {
        return false;
    }
    const Size pixels(static_cast<float>(image->getWidth()),
                      static_cast<float>(image->getHeight()));
    if (!initWithData(image->getData(), image->getDataLen(), image->getRenderFormat(),
                      image->getWidth(), image->getHeight(), pixels)) {
        return false;
    }
    _hasPremultipliedAlpha = image->isPremultipliedAlpha();
    return true;
}

bool Texture2D::updateWithData(const void* data, int offsetX, int offsetY, int width, int height) {
    if (data == nullptr || offsetX < 0 || offsetY < 0 || width <= 0 || height <= 0 ||
        offsetX + width > _pixelsWide || offsetY + height > _pixelsHigh) {
        return false;
    }
    if (_name == 0 || GL::contextGeneration() != _contextGeneration) {
        if (GL::hasContext()) {
            return false;
        }
        s_uploadCount.fetch_add(1, std::memory_order_relaxed);
        return true;
    }
    s_uploadCount.fetch_add(1, std::memory_order_relaxed);
    const GLFormat gl = glFormatFor(_pixelFormat);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    GL::bindTexture2D(_name);
    glTexSubImage2D(GL_TEXTURE_2D, 0, offsetX, offsetY, width, height, gl.format, gl.type, data);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    return true;
}

void Texture2D::setTexParameters(const TexParams& params) {
    _antialiased = params.magFilter == GL_LINEAR;
    if (_name == 0) {
        return;
    }
    GL::bindTexture2D(_name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(params.minFilter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(params.magFilter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLint>(params.wrapS));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLint>(params.wrapT));
}

void Texture2D::setAntiAliasTexParameters() {
    setTexParameters({GL_LINEAR, GL_LINEAR, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE});
}

void Texture2D::setAliasTexParameters() {
    setTexParameters({GL_NEAREST, GL_NEAREST, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE});
}

Size Texture2D::getContentSize() const {
    const float scale = Director::getInstance()->getContentScaleFactor();
    return Size(_contentSize.width / scale, _contentSize.height / scale);
}

bool Texture2D::hasAlpha() const {
    return _pixelFormat == PixelFormat::RGBA8888 || _pixelFormat == PixelFormat::AI88 ||
           _pixelFormat == PixelFormat::A8;
}

void Texture2D::releaseGLTexture() {
    if (_name != 0) {
        if (GL::hasContext() && GL::contextGeneration() == _contextGeneration) {
            GL::deleteTexture(_name);
        }
        _name = 0;
    }
}

}  // namespace cocos2d
