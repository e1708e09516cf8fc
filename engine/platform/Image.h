#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "engine/base/Ref.h"
#include "engine/renderer/Texture2D.h"

namespace cocos2d {

// Decoded pixels of a PNG or JPEG picture, 8 bits per channel, rows from top to bottom, alpha
// not premultiplied. The format is found from the content, not from the file name, since some
// pictures are stored without an extension. Needs no GL context.
class Image : public Ref {
public:
    enum class Format {
        JPG,
        PNG,
        RAW_DATA,
        UNKNOWN,
    };

    Image() = default;

    bool initWithImageFile(const std::string& path);
    bool initWithImageData(const unsigned char* data, ssize_t dataLen);
    // Takes `width` × `height` pixels of 3 (RGB) or 4 (RGBA) bytes; `bitsPerComponent` must be 8.
    bool initWithRawData(const unsigned char* data, ssize_t dataLen, int width, int height,
                         int bitsPerComponent, bool preMulti = false);

    // Writes a PNG or a JPEG, chosen by the extension of `filename` (".png", ".jpg", ".jpeg",
    // any case). JPEG always drops alpha; PNG drops it when `isToRGB` is set. False for any
    // other extension or a failed write.
    bool saveToFile(const std::string& filename, bool isToRGB = true);

    unsigned char* getData() { return _data.empty() ? nullptr : _data.data(); }
    ssize_t getDataLen() const { return static_cast<ssize_t>(_data.size()); }
    Format getFileType() const { return _fileType; }
    // RGBA8888 with alpha, RGB888 without.
    Texture2D::PixelFormat getRenderFormat() const { return _renderFormat; }
    int getWidth() const { return _width; }
    int getHeight() const { return _height; }
    bool hasAlpha() const { return _renderFormat == Texture2D::PixelFormat::RGBA8888; }
    bool isPremultipliedAlpha() const { return _hasPremultipliedAlpha; }
    int getBitPerPixel() const { return hasAlpha() ? 32 : 24; }
    const std::string& getFilePath() const { return _filePath; }

    static Format detectFormat(const unsigned char* data, ssize_t dataLen);

private:
    bool initWithPngData(const unsigned char* data, ssize_t dataLen);
    bool initWithJpgData(const unsigned char* data, ssize_t dataLen);
    bool saveImageToPNG(const std::string& filePath, bool isToRGB);
    bool saveImageToJPG(const std::string& filePath);

    std::vector<unsigned char> _data;
    int _width = 0;
    int _height = 0;
    Format _fileType = Format::UNKNOWN;
    Texture2D::PixelFormat _renderFormat = Texture2D::PixelFormat::NONE;
    bool _hasPremultipliedAlpha = false;
    std::string _filePath;
};

}  // namespace cocos2d
