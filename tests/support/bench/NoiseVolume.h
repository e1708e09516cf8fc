#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/math/Mat4.h"
#include "imagesdk/data/PixelType.h"
#include "imagesdk/data/isImageData.h"

namespace benchsupport {

// Signed 16-bit CT-like values in [-1024, 1975] that no branch predictor or compressor guesses,
// the same for every run: sample `i` of a frame or volume.
inline std::int16_t noiseSample(std::size_t i) {
    return std::int16_t(int((i * 2654435761u) >> 20) % 3000 - 1024);
}

inline std::vector<std::int16_t> noisePixels(std::size_t count) {
    std::vector<std::int16_t> pixels(count);
    for (std::size_t i = 0; i < count; ++i) {
        pixels[i] = noiseSample(i);
    }
    return pixels;
}

// The measured volume: 512 x 512 x 400 signed 16-bit samples of 0.7 x 0.7 x 1 mm.
constexpr int kVolumeWidth = 512;
constexpr int kVolumeHeight = 512;
constexpr int kVolumeSlices = 400;
constexpr float kVolumeSpacing[3] = {0.7f, 0.7f, 1.0f};

// A new one, its axes and origin given by `frame`; the caller owns it.
inline isImageSDK::isImageData* makeNoiseVolume(const cocos2d::Mat4& frame) {
    auto* v = isImageSDK::isImageData::create();
    int dims[3] = {kVolumeWidth, kVolumeHeight, kVolumeSlices};
    float spacing[3] = {kVolumeSpacing[0], kVolumeSpacing[1], kVolumeSpacing[2]};
    v->build(dims, spacing, isImageSDK::PIXEL_INT16, 0, 0, frame);
    auto* voxels = static_cast<std::int16_t*>(v->voxels);
    const std::size_t count = std::size_t(kVolumeWidth) * kVolumeHeight * kVolumeSlices;
    for (std::size_t i = 0; i < count; ++i) {
        voxels[i] = noiseSample(i);
    }
    return v;
}

// The volume on the identity frame, built on first use and kept for the process, so that no
// measurement pays for it.
inline isImageSDK::isImageData* noiseVolume() {
    static isImageSDK::isImageData* data = makeNoiseVolume(cocos2d::Mat4::IDENTITY);
    return data;
}

}  // namespace benchsupport
