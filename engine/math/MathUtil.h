#pragma once

#include <utility>

// Shared constants of the engine's math types.
#define MATH_DEG_TO_RAD(x) ((x)*0.0174532925f)
#define MATH_RAD_TO_DEG(x) ((x)*57.29577951f)
#define MATH_FLOAT_SMALL 1.0e-37f
// Below this a length or determinant counts as zero (normalize, inverse, decompose).
#define MATH_TOLERANCE 2e-37f
#define MATH_PIOVER2 1.57079632679489661923f
#define MATH_EPSILON 0.000001f

namespace cocos2d {

// Clamps value into the range given by the two bounds, in whichever order they come.
inline float clampf(float value, float minInclusive, float maxInclusive) {
    if (minInclusive > maxInclusive) {
        std::swap(minInclusive, maxInclusive);
    }
    return value < minInclusive ? minInclusive : (value < maxInclusive ? value : maxInclusive);
}

}  // namespace cocos2d
