#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace isImageSDK {
class isSliceInfo;
}

// The samples a favourite DICOM file is written with, derived from a captured slice region.
struct FavoriteSamples {
    // Points either into `widened` or at the captured pixels themselves.
    const void* pixels = nullptr;
    std::vector<std::int16_t> widened;
    float rescaleSlope = 1.0f;
    // 8-bit RGB triplets rather than 16-bit grey samples.
    bool rgb = false;
    bool isSigned = false;
};

// Float slices are scaled so that their largest magnitude becomes 32000 (unscaled when it is
// below 0.01), the slope undoing the scale; 8-bit grey is widened to 16 bits; RGB stays RGB;
// 16-bit samples pass unchanged.
FavoriteSamples favoriteSamples(const isImageSDK::isSliceInfo& slice);

// Writes the captured region as a new DICOM file "<dataRoot>favorite/<stamp>.dcm" (a "-<n>"
// suffix when that name is taken, so that two saves never share a file) and returns its path, or
// "" when nothing was written. Runs on any thread; the record stays the caller's.
std::string writeFavoriteDicom(const isImageSDK::isSliceInfo& slice, const std::string& dataRoot,
                               const std::string& stamp);

// The favourite thread's body: writes the record, posts NOTIFY_FAVORITE_SAVED (text the path,
// float the pixel aspect; no sender, no group) when the file was written, and frees the record
// with its malloc'ed pixels either way.
void saveFavoriteDicom(isImageSDK::isSliceInfo* record, const std::string& dataRoot);
