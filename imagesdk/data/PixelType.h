#pragma once

#include <cstdint>
#include <limits>

namespace isImageSDK {

// Pixel types of image data, slices, reslicing, rendering and the caches.
enum PixelType : std::int32_t {
    PIXEL_UINT8 = 0,
    PIXEL_INT16 = 1,
    PIXEL_FLOAT32 = 2,
    PIXEL_UINT16 = 3,
    PIXEL_RGB24 = 4,
};

// Unknown codes are sized like the widest type.
inline int bytesPerPixel(int pixelType) {
    switch (pixelType) {
    case PIXEL_UINT8:
        return 1;
    case PIXEL_INT16:
    case PIXEL_UINT16:
        return 2;
    case PIXEL_RGB24:
        return 3;
    default:
        return 4;
    }
}

// The values a pixel of the type can hold (pixels are stored rescaled); a colour pixel's
// channels count as its values, and unknown codes are taken as float.
inline void pixelValueRange(int pixelType, float& lowest, float& highest) {
    switch (pixelType) {
    case PIXEL_UINT8:
    case PIXEL_RGB24:
        lowest = 0.0f;
        highest = 255.0f;
        return;
    case PIXEL_INT16:
        lowest = -32768.0f;
        highest = 32767.0f;
        return;
    case PIXEL_UINT16:
        lowest = 0.0f;
        highest = 65535.0f;
        return;
    default:
        lowest = std::numeric_limits<float>::lowest();
        highest = std::numeric_limits<float>::max();
        return;
    }
}

}  // namespace isImageSDK
