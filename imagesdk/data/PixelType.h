#pragma once

#include <cstdint>

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

}  // namespace isImageSDK
