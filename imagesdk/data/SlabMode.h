#pragma once

namespace isImageSDK {

// How the planes of a slab combine into one image.
enum SlabMode : int {
    SLAB_MINIMUM = 0,
    SLAB_MAXIMUM = 1,
    SLAB_MEAN = 2,
    // Limited to the pixel type's range.
    SLAB_SUM = 3,
};

// Sampling of the oblique reslicer; any value other than tricubic means trilinear.
enum InterpolationMode : int {
    INTERPOLATION_TRILINEAR = 1,
    INTERPOLATION_TRICUBIC = 2,
};

}  // namespace isImageSDK
