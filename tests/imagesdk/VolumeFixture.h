#pragma once

#include <cstdint>
#include <cstring>
#include <functional>

#include "engine/base/RefPtr.h"
#include "engine/math/Mat4.h"
#include "imagesdk/data/PixelType.h"
#include "imagesdk/data/isImageData.h"

namespace imagesdktest {

using cocos2d::RefPtr;

using VoxelValue = std::function<double(int x, int y, int z)>;

// Stores value at element i of a buffer of the given pixel type; RGB gets (v, v + 1, v + 2).
inline void storeVoxel(void* buffer, std::size_t i, int pixelType, double value) {
    switch (pixelType) {
    case isImageSDK::PIXEL_UINT8:
        static_cast<std::uint8_t*>(buffer)[i] = std::uint8_t(value);
        break;
    case isImageSDK::PIXEL_INT16:
        static_cast<std::int16_t*>(buffer)[i] = std::int16_t(value);
        break;
    case isImageSDK::PIXEL_UINT16:
        static_cast<std::uint16_t*>(buffer)[i] = std::uint16_t(value);
        break;
    case isImageSDK::PIXEL_FLOAT32:
        static_cast<float*>(buffer)[i] = float(value);
        break;
    default: {
        auto* p = static_cast<std::uint8_t*>(buffer) + 3 * i;
        p[0] = std::uint8_t(value);
        p[1] = std::uint8_t(int(value) + 1);
        p[2] = std::uint8_t(int(value) + 2);
        break;
    }
    }
}

// Element i as a double; for RGB its first byte.
inline double loadVoxel(const void* buffer, std::size_t i, int pixelType) {
    switch (pixelType) {
    case isImageSDK::PIXEL_UINT8:
        return static_cast<const std::uint8_t*>(buffer)[i];
    case isImageSDK::PIXEL_INT16:
        return static_cast<const std::int16_t*>(buffer)[i];
    case isImageSDK::PIXEL_UINT16:
        return static_cast<const std::uint16_t*>(buffer)[i];
    case isImageSDK::PIXEL_FLOAT32:
        return static_cast<const float*>(buffer)[i];
    default:
        return static_cast<const std::uint8_t*>(buffer)[3 * i];
    }
}

// A regular volume (one buffer) whose voxel (x, y, z) holds value(x, y, z).
inline RefPtr<isImageSDK::isImageData>
makeVolume(int w, int h, int n, int pixelType, const float spacing[3], const VoxelValue& value,
           const cocos2d::Mat4& frame = cocos2d::Mat4::IDENTITY) {
    RefPtr<isImageSDK::isImageData> data(isImageSDK::isImageData::create());
    int dims[3] = {w, h, n};
    float space[3] = {spacing[0], spacing[1], spacing[2]};
    data->build(dims, space, pixelType, 0, 0, frame);
    int z = 0;
    for (isImageSDK::isSliceInfo* slice : data->slices) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                storeVoxel(slice->data, std::size_t(y) * w + x, pixelType, value(x, y, z));
            }
        }
        ++z;
    }
    return data;
}

// Element (x, y) of a slice of the given width.
inline double pixelAt(const isImageSDK::isSliceInfo* slice, int x, int y) {
    return loadVoxel(slice->data, std::size_t(y) * slice->width + x, slice->pixelType);
}

}  // namespace imagesdktest
