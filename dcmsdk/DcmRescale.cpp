#include "dcmsdk/DcmRescale.h"

#include <cmath>

namespace dcmSDK {

double usableRescaleSlope(double slope) {
    return std::isfinite(slope) && slope != 0.0 ? slope : 1.0;
}

double usableRescaleIntercept(double intercept) {
    return std::isfinite(intercept) ? intercept : 0.0;
}

}  // namespace dcmSDK
