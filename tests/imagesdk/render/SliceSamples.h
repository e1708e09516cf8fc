#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "imagesdk/data/isSliceInfo.h"

namespace imagesdktest {

// A slice record over pixels this object owns.
class SampleSlice {
public:
    template <typename Pixel>
    SampleSlice(int width, int height, const std::vector<Pixel>& pixels, int pixelType,
                int frames = 1) {
        bytes.resize(pixels.size() * sizeof(Pixel));
        std::memcpy(bytes.data(), pixels.data(), bytes.size());
        record.data = bytes.data();
        record.width = width;
        record.height = height;
        record.pixelType = pixelType;
        record.frames = static_cast<std::int16_t>(frames);
    }
    SampleSlice(const SampleSlice&) = delete;
    SampleSlice& operator=(const SampleSlice&) = delete;

    std::vector<std::uint8_t> bytes;
    isImageSDK::isSliceInfo record;
};

// A colour table that is no grey ramp: neighbouring entries differ in every channel, so that an
// index one off shows as a colour more than one step away.
inline void fillRainbowPalette(std::uint32_t* palette) {
    for (std::uint32_t i = 0; i < 256; ++i) {
        const std::uint32_t r = (i * 7u) & 255u;
        const std::uint32_t g = 255u - i;
        const std::uint32_t b = (i * 13u + 40u) & 255u;
        palette[i] = r << 24 | g << 16 | b << 8 | 255u;
    }
}

}  // namespace imagesdktest
