#include "dcmsdk/DcmPngWriter.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

namespace dcmSDK {

namespace {

// Kept apart from the caller's locals because libpng reports errors through longjmp.
bool writeRows(std::FILE* file, int width, int height, const std::uint8_t* pixels) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    for (int row = 0; row < height; ++row) {
        png_write_row(png, const_cast<png_bytep>(pixels + stride * static_cast<std::size_t>(row)));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool DcmPngWriter::write(int width, int height, const std::uint8_t* pixels,
                         const std::string& path) {
    if (width <= 0 || height <= 0 || pixels == nullptr) {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = writeRows(file, width, height, pixels);
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(path.c_str());
        return false;
    }
    return true;
}

}  // namespace dcmSDK
