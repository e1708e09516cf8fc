#pragma once

#include <climits>

namespace isImageSDK {

// Truncation toward zero that saturates at the int range; not-a-number gives fallback.
inline int truncateToInt(double value, int fallback = 0) {
    if (!(value == value)) {
        return fallback;
    }
    if (value >= double(INT_MAX)) {
        return INT_MAX;
    }
    if (value <= double(INT_MIN)) {
        return INT_MIN;
    }
    return int(value);
}

}  // namespace isImageSDK
