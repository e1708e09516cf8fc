#include "engine/platform/Image.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "engine/base/Data.h"
#include "engine/platform/FileUtils.h"

namespace cocos2d {

namespace {

constexpr int kJpegQuality = 90;

struct JpegErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

void jpegErrorExit(j_common_ptr info) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
    longjmp(manager->jump, 1);
}

void jpegSilentMessage(j_common_ptr) {}

std::string lowerExtension(const std::string& filename) {
    const auto dot = filename.find_last_of('.');
    const auto slash = filename.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return "";
    }
    std::string ext = filename.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

}  // namespace

Image::Format Image::detectFormat(const unsigned char* data, ssize_t dataLen) {
    static const unsigned char kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (data == nullptr) {
        return Format::UNKNOWN;
    }
    if (dataLen >= 8 && std::memcmp(data, kPngSignature, sizeof(kPngSignature)) == 0) {
        return Format::PNG;
    }
    if (dataLen >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) {
        return Format::JPG;
    }
    return Format::UNKNOWN;
}

bool Image::initWithImageFile(const std::string& path) {
    const std::string fullPath = FileUtils::getInstance()->fullPathForFilename(path);
    if (fullPath.empty()) {
        return false;
    }
    const Data data = FileUtils::getInstance()->getDataFromFile(fullPath);
    if (data.getSize() <= 0) {
        return false;
    }
    if (!initWithImageData(data.getBytes(), data.getSize())) {
        return false;
    }
    _filePath = fullPath;
    return true;
}

bool Image::initWithImageData(const unsigned char* data, ssize_t dataLen) {
    if (data == nullptr || dataLen <= 0) {
        return false;
    }
    switch (detectFormat(data, dataLen)) {
    case Format::PNG:
        return initWithPngData(data, dataLen);
    case Format::JPG:
        return initWithJpgData(data, dataLen);
    default:
        return false;
    }
}

bool Image::initWithRawData(const unsigned char* data, ssize_t dataLen, int width, int height,
                            int bitsPerComponent, bool preMulti) {
    if (data == nullptr || width <= 0 || height <= 0 || bitsPerComponent != 8) {
        return false;
    }
    const ssize_t pixels = static_cast<ssize_t>(width) * height;
    int channels = 0;
    if (dataLen == pixels * 4) {
        channels = 4;
    } else if (dataLen == pixels * 3) {
        channels = 3;
    } else {
        return false;
    }
    _data.assign(data, data + dataLen);
    _width = width;
    _height = height;
    _fileType = Format::RAW_DATA;
    _renderFormat =
        channels == 4 ? Texture2D::PixelFormat::RGBA8888 : Texture2D::PixelFormat::RGB888;
    _hasPremultipliedAlpha = channels == 4 && preMulti;
    return true;
}

bool Image::initWithPngData(const unsigned char* data, ssize_t dataLen) {
    png_image png;
    std::memset(&png, 0, sizeof(png));
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data, static_cast<size_t>(dataLen))) {
        return false;
    }
    const bool alpha = (png.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    png.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&png);
        return false;
    }
    _data = std::move(pixels);
    _width = static_cast<int>(png.width);
    _height = static_cast<int>(png.height);
    _fileType = Format::PNG;
    _renderFormat = alpha ? Texture2D::PixelFormat::RGBA8888 : Texture2D::PixelFormat::RGB888;
    _hasPremultipliedAlpha = false;
    return true;
}

bool Image::initWithJpgData(const unsigned char* data, ssize_t dataLen) {
    jpeg_decompress_struct info;
    JpegErrorManager error;
    info.err = jpeg_std_error(&error.pub);
    error.pub.error_exit = jpegErrorExit;
    error.pub.output_message = jpegSilentMessage;
    // Decoding writes into this plain buffer so that a jump out of libjpeg skips no destructor.
    unsigned char* volatile pixels = nullptr;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        std::free(pixels);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(dataLen));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    const size_t rowBytes = static_cast<size_t>(info.output_width) * 3;
    pixels = static_cast<unsigned char*>(std::malloc(rowBytes * info.output_height));
    if (pixels == nullptr) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels + rowBytes * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    const int width = static_cast<int>(info.output_width);
    const int height = static_cast<int>(info.output_height);
    jpeg_destroy_decompress(&info);

    _data.assign(pixels, pixels + rowBytes * static_cast<size_t>(height));
    std::free(pixels);
    _width = width;
    _height = height;
    _fileType = Format::JPG;
    _renderFormat = Texture2D::PixelFormat::RGB888;
    _hasPremultipliedAlpha = false;
    return true;
}

bool Image::saveToFile(const std::string& filename, bool isToRGB) {
    if (_data.empty()) {
        return false;
    }
    const std::string ext = lowerExtension(filename);
    if (ext == ".png") {
        return saveImageToPNG(filename, isToRGB);
    }
    if (ext == ".jpg" || ext == ".jpeg") {
        return saveImageToJPG(filename);
    }
    return false;
}

bool Image::saveImageToPNG(const std::string& filePath, bool isToRGB) {
    png_image png;
    std::memset(&png, 0, sizeof(png));
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(_width);
    png.height = static_cast<png_uint_32>(_height);
    png.format = hasAlpha() ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb;
    const unsigned char* source = _data.data();
    if (hasAlpha() && isToRGB) {
        const size_t pixels = static_cast<size_t>(_width) * static_cast<size_t>(_height);
        rgb.resize(pixels * 3);
        for (size_t i = 0; i < pixels; ++i) {
            std::memcpy(&rgb[i * 3], &_data[i * 4], 3);
        }
        source = rgb.data();
        png.format = PNG_FORMAT_RGB;
    }
    const int ok = png_image_write_to_file(&png, filePath.c_str(), 0, source, 0, nullptr);
    png_image_free(&png);
    return ok != 0;
}

bool Image::saveImageToJPG(const std::string& filePath) {
    std::vector<unsigned char> row(static_cast<size_t>(_width) * 3);
    FILE* file = std::fopen(filePath.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    jpeg_compress_struct info;
    JpegErrorManager error;
    info.err = jpeg_std_error(&error.pub);
    error.pub.error_exit = jpegErrorExit;
    error.pub.output_message = jpegSilentMessage;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        std::fclose(file);
        std::remove(filePath.c_str());
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(_width);
    info.image_height = static_cast<JDIMENSION>(_height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, kJpegQuality, TRUE);
    jpeg_start_compress(&info, TRUE);
    unsigned char* rowData = row.data();
    while (info.next_scanline < info.image_height) {
        const size_t channels = hasAlpha() ? 4 : 3;
        const unsigned char* src =
            _data.data() + static_cast<size_t>(info.next_scanline) * _width * channels;
        for (int x = 0; x < _width; ++x) {
            std::memcpy(rowData + x * 3, src + x * channels, 3);
        }
        JSAMPROW pointer = rowData;
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}

}  // namespace cocos2d
