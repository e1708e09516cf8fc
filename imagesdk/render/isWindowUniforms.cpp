#include "imagesdk/render/isWindowUniforms.h"

#include "imagesdk/data/PixelType.h"
#include "imagesdk/data/isClut.h"

namespace isImageSDK {

namespace {

// Float windows narrower than this count as this wide: no division by zero, no infinity.
constexpr float kMinimumFloatWidth = 1e-6f;

}  // namespace

isWindowUniforms isWindowUniforms::compute(const isClut& clut, int pixelType, float valueSlope,
                                           float valueIntercept, int textureWidth,
                                           int textureHeight) {
    isWindowUniforms u;
    float width = 1.0f;
    if (pixelType == PIXEL_FLOAT32) {
        const float windowWidth = clut.width > kMinimumFloatWidth ? clut.width : kMinimumFloatWidth;
        const float lo = clut.level - windowWidth * 0.5f;
        u.wwMin = valueSlope * lo + valueIntercept;
        u.wwMax = valueSlope * (lo + windowWidth) + valueIntercept;
        width = u.wwMax - u.wwMin;
        if (!(width > kMinimumFloatWidth)) {
            width = kMinimumFloatWidth;
        }
    } else {
        long long lo = 0;
        long long hi = 0;
        clut.getIntegerWindow(lo, hi);
        const long long offset = pixelType == PIXEL_INT16 ? 32768 : 0;
        u.wwMin = float(lo + offset);
        u.wwMax = float(hi + offset);
        width = float(hi - lo);
    }
    u.wwLinear = 255.0f / width;
    u.wwLogRatio = 9.0f / width;
    u.curve = clut.curve == 1 || clut.curve == 2 ? clut.curve : 0;
    u.pixelMode = pixelType == PIXEL_RGB24 ? 2 : 1;
    u.textureWidth = textureWidth;
    u.textureHeight = textureHeight;
    return u;
}

}  // namespace isImageSDK
