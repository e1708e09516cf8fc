#include "imagesdk/render/isSliceTexture.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "imagesdk/data/PixelType.h"
#include "imagesdk/data/isClut.h"
#include "imagesdk/data/isSliceInfo.h"

namespace isImageSDK {

namespace {

// Smallest whole factor that brings `size` below `limit`.
int decimationFactor(int size, int limit) {
    if (limit <= 1) {
        return size;
    }
    int factor = 1;
    while (size / factor >= limit) {
        ++factor;
    }
    return factor;
}

// Truncates a palette position, NaN and everything below 0 giving 0.
int paletteIndex(float position) {
    if (!(position > 0.0f)) {
        return 0;
    }
    if (position >= 255.0f) {
        return 255;
    }
    return int(position);
}

// Palette index of a float value under the window [lo, lo + width] and a curve.
struct FloatWindow {
    float lo = 0.0f;
    float hi = 0.0f;
    float width = 1.0f;
    float invWidth = 1.0f;
    int curve = 0;

    int index(float v) const {
        switch (curve) {
        case 1:
            if (v >= hi) {
                return 255;
            }
            if (!(v > lo)) {
                return 0;
            }
            return paletteIndex(std::log10((v - lo) * 9.0f / (hi - lo) + 1.0f) * 255.0f);
        case 2:
            if (v >= hi) {
                return 255;
            }
            if (!(v > lo)) {
                return 0;
            }
            return paletteIndex((1.0f - std::log10((hi - v) * 9.0f / (hi - lo) + 1.0f)) * 255.0f);
        default:
            return paletteIndex((v - lo) * invWidth * 255.0f);
        }
    }
};

const std::uint8_t* framePixels(const isSliceInfo* record, int frame, std::size_t count) {
    const int frames = record->frames > 0 ? record->frames : 1;
    if (frame < 0 || frame >= frames) {
        frame = 0;
    }
    return static_cast<const std::uint8_t*>(record->data) +
           std::size_t(frame) * count * std::size_t(bytesPerPixel(record->pixelType));
}

void putRGB(std::uint8_t* out, std::uint32_t word) {
    out[0] = static_cast<std::uint8_t>(word >> 24);
    out[1] = static_cast<std::uint8_t>(word >> 16);
    out[2] = static_cast<std::uint8_t>(word >> 8);
}

}  // namespace

void isSliceTexture::fillUniform(std::uint8_t value) {
    std::memset(texels.data(), value, texels.size());
}

bool isSliceTexture::buildColour(const isSliceInfo* record, int frame, isClut* clut,
                                 int maxTextureSize) {
    if (clut == nullptr || record == nullptr) {
        return false;
    }
    const int type = record->pixelType;
    if (type < PIXEL_UINT8 || type > PIXEL_RGB24) {
        return false;
    }
    if (clut->pixelType != type) {
        clut->setPixelType(type);
    }
    clut->buildLut();
    if (record->width <= 0 || record->height <= 0) {
        return false;
    }
    const int fx =
        record->width < maxTextureSize ? 1 : decimationFactor(record->width, maxTextureSize);
    const int fy =
        record->height < maxTextureSize ? 1 : decimationFactor(record->height, maxTextureSize);
    width = record->width / fx;
    height = record->height / fy;
    bytesPerTexel = 3;
    valueSlope = 1.0f;
    valueIntercept = 0.0f;
    scale = cocos2d::Vec2(float(record->width) * record->pixelSpacingX / float(width),
                          float(record->height) * record->pixelSpacingY / float(height));
    texels.resize(std::size_t(width) * std::size_t(height) * 3);

    if (!record->loaded || record->data == nullptr) {
        fillUniform(record->modality == 1 || record->modality == 5 ? 255 : 0);
        return true;
    }
    const std::size_t count = std::size_t(record->width) * std::size_t(record->height);
    const std::uint8_t* source = framePixels(record, frame, count);
    std::uint8_t* out = texels.data();

    if (type == PIXEL_RGB24) {
        if (fx == 1 && fy == 1) {
            std::memcpy(out, source, texels.size());
            return true;
        }
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* row = source + std::size_t(y) * fy * record->width * 3;
            for (int x = 0; x < width; ++x, out += 3) {
                std::memcpy(out, row + std::size_t(x) * fx * 3, 3);
            }
        }
        return true;
    }

    if (type == PIXEL_FLOAT32) {
        FloatWindow window;
        window.width = clut->width > 1e-6f ? clut->width : 1e-6f;
        window.lo = clut->level - window.width * 0.5f;
        window.hi = clut->level + window.width * 0.5f;
        window.invWidth = 1.0f / window.width;
        window.curve = clut->curve;
        const float* values = reinterpret_cast<const float*>(source);
        for (int y = 0; y < height; ++y) {
            const float* row = values + std::size_t(y) * fy * record->width;
            for (int x = 0; x < width; ++x, out += 3) {
                float v = 0.0f;
                std::memcpy(&v, row + std::size_t(x) * fx, sizeof(v));
                putRGB(out, clut->palette[window.index(v)]);
            }
        }
        return true;
    }

    // Integer types: one colour per possible value, so that each pixel costs one lookup.
    const int domain = type == PIXEL_UINT8 ? 256 : 65536;
    const int offset = type == PIXEL_INT16 ? -32768 : 0;
    colours.resize(std::size_t(domain));
    for (int i = 0; i < domain; ++i) {
        const long long index = static_cast<long long>(i) + offset - clut->inputMin;
        colours[std::size_t(i)] =
            index >= 0 && index < clut->lutSize ? clut->palette[clut->lut[index]] : 0u;
    }
    auto convert = [&](auto pixelTag) {
        using Pixel = decltype(pixelTag);
        const Pixel* pixels = reinterpret_cast<const Pixel*>(source);
        for (int y = 0; y < height; ++y) {
            const Pixel* row = pixels + std::size_t(y) * fy * record->width;
            if (fx == 1) {
                for (int x = 0; x < width; ++x, out += 3) {
                    putRGB(out, colours[std::size_t(int(row[x]) - offset)]);
                }
            } else {
                for (int x = 0; x < width; ++x, out += 3) {
                    putRGB(out, colours[std::size_t(int(row[std::size_t(x) * fx]) - offset)]);
                }
            }
        }
    };
    switch (type) {
    case PIXEL_UINT8:
        convert(std::uint8_t());
        break;
    case PIXEL_INT16:
        convert(std::int16_t());
        break;
    default:
        convert(std::uint16_t());
        break;
    }
    return true;
}

bool isSliceTexture::buildStored(const isSliceInfo* record, int frame) {
    if (record == nullptr || record->width <= 0 || record->height <= 0 ||
        record->pixelType < PIXEL_UINT8 || record->pixelType > PIXEL_RGB24) {
        return false;
    }
    const int type = record->pixelType;
    width = record->width;
    height = record->height;
    bytesPerTexel = type == PIXEL_RGB24 ? 3 : 2;
    scale = cocos2d::Vec2(record->pixelSpacingX, record->pixelSpacingY);
    valueSlope = 1.0f;
    valueIntercept = 0.0f;
    const std::size_t count = std::size_t(width) * std::size_t(height);
    texels.resize(count * std::size_t(bytesPerTexel));
    if (!record->loaded || record->data == nullptr) {
        fillUniform(0);
        return true;
    }
    const std::uint8_t* source = framePixels(record, frame, count);
    std::uint8_t* out = texels.data();
    switch (type) {
    case PIXEL_UINT8:
        for (std::size_t i = 0; i < count; ++i) {
            out[2 * i] = source[i];
            out[2 * i + 1] = 0;
        }
        break;
    case PIXEL_INT16:
        for (std::size_t i = 0; i < count; ++i) {
            std::int16_t v = 0;
            std::memcpy(&v, source + 2 * i, 2);
            const auto stored = static_cast<std::uint16_t>(int(v) + 32768);
            out[2 * i] = static_cast<std::uint8_t>(stored);
            out[2 * i + 1] = static_cast<std::uint8_t>(stored >> 8);
        }
        break;
    case PIXEL_FLOAT32: {
        const float* values = reinterpret_cast<const float*>(source);
        float lo = std::numeric_limits<float>::max();
        float hi = std::numeric_limits<float>::lowest();
        for (std::size_t i = 0; i < count; ++i) {
            float v = 0.0f;
            std::memcpy(&v, values + i, sizeof(v));
            if (std::isfinite(v)) {
                lo = v < lo ? v : lo;
                hi = v > hi ? v : hi;
            }
        }
        if (lo > hi) {
            lo = hi = 0.0f;
        }
        const float range = hi > lo ? hi - lo : 1.0f;
        valueSlope = 65535.0f / range;
        valueIntercept = -lo * 65535.0f / range;
        for (std::size_t i = 0; i < count; ++i) {
            float v = 0.0f;
            std::memcpy(&v, values + i, sizeof(v));
            const float scaled = v * valueSlope + valueIntercept;
            // NaN stores 0, +inf the top.
            const int stored = !(scaled > 0.0f) ? 0 : scaled >= 65535.0f ? 65535 : int(scaled);
            out[2 * i] = static_cast<std::uint8_t>(stored);
            out[2 * i + 1] = static_cast<std::uint8_t>(stored >> 8);
        }
        break;
    }
    case PIXEL_UINT16:
        for (std::size_t i = 0; i < count; ++i) {
            std::uint16_t v = 0;
            std::memcpy(&v, source + 2 * i, 2);
            out[2 * i] = static_cast<std::uint8_t>(v);
            out[2 * i + 1] = static_cast<std::uint8_t>(v >> 8);
        }
        break;
    case PIXEL_RGB24:
        std::memcpy(out, source, texels.size());
        break;
    default:
        return false;
    }
    return true;
}

}  // namespace isImageSDK
