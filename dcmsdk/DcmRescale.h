#pragma once

namespace dcmSDK {

// Rescale Slope and Rescale Intercept as every reader applies them, the pixel readers and the
// thumbnail writer alike: a slope of 0 (every pixel would become the intercept) or one that is not
// finite counts as 1, and an intercept that is not finite counts as 0.
double usableRescaleSlope(double slope);
double usableRescaleIntercept(double intercept);

}  // namespace dcmSDK
