#pragma once

#include "engine/renderer/GLTypes.h"

#include <sys/types.h>

#include "engine/base/Ref.h"
#include "engine/math/Geometry.h"

namespace cocos2d {

class Image;

// A GL texture with its pixel size and format. Without a GL context (headless runs) the
// texture keeps its size, format and alpha mode but owns no GL name, so that nodes built on
// it still measure correctly.
class Texture2D : public Ref {
public:
    enum class PixelFormat {
        NONE = -1,
        AUTO = 0,
        RGBA8888,
        RGB888,
        // Two 8-bit channels per texel: luminance, then alpha.
        AI88,
        A8,
        DEFAULT = AUTO,
    };

    struct TexParams {
        GLuint minFilter;
        GLuint magFilter;
        GLuint wrapS;
        GLuint wrapT;
    };

    static int getBitsPerPixelForFormat(PixelFormat format);
    // Texel uploads since the start of the process: every `initWithData` that carries data and
    // every successful `updateWithData`, with or without a GL context (headless runs count what
    // a window would have uploaded). Lets callers and tests see that a change cost no upload.
    static unsigned long long getUploadCount();

    Texture2D();
    ~Texture2D() override;

    // `dataLen` must hold pixelsWide × pixelsHigh texels of `format`; false otherwise.
    bool initWithData(const void* data, ssize_t dataLen, PixelFormat format, int pixelsWide,
                      int pixelsHigh, const Size& contentSize);
    // Takes the image's own format (RGBA8888 or RGB888).
    bool initWithImage(Image* image);
    // Replaces a rectangle of texels; the data is in the texture's format.
    bool updateWithData(const void* data, int offsetX, int offsetY, int width, int height);

    void setTexParameters(const TexParams& params);
    // Linear filtering.
    void setAntiAliasTexParameters();
    // Nearest filtering.
    void setAliasTexParameters();

    GLuint getName() const { return _name; }
    PixelFormat getPixelFormat() const { return _pixelFormat; }
    int getPixelsWide() const { return _pixelsWide; }
    int getPixelsHigh() const { return _pixelsHigh; }
    // Size in points.
    Size getContentSize() const;
    const Size& getContentSizeInPixels() const { return _contentSize; }
    bool hasPremultipliedAlpha() const { return _hasPremultipliedAlpha; }
    void setPremultipliedAlpha(bool premultiplied) { _hasPremultipliedAlpha = premultiplied; }
    bool hasAlpha() const;

    // Frees the GL name; the size stays.
    void releaseGLTexture();

private:
    GLuint _name = 0;
    unsigned int _contextGeneration = 0;
    PixelFormat _pixelFormat = PixelFormat::NONE;
    int _pixelsWide = 0;
    int _pixelsHigh = 0;
    Size _contentSize;
    bool _hasPremultipliedAlpha = false;
    bool _antialiased = true;
};

}  // namespace cocos2d
