#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/math/Mat4.h"
#include "engine/math/Vec2.h"

namespace isImageSDK {

// Acquisition or injection moment as read from DICOM date and time texts.
struct DicomDateTime {
    std::int32_t year = 1900;
    std::int32_t month = 1;
    std::int32_t day = 1;
    std::int32_t hour = 0;
    std::int32_t minute = 0;
    std::int32_t second = 0;
};

// Whether a slice's pixels are in place. A loader thread sets it after writing the pixels and
// readers on other threads test it before reading them, so it publishes the pixels (release on
// set, acquire on test). Copies take the value.
class SliceLoadedFlag {
public:
    SliceLoadedFlag(bool value = true) : value(value) {}
    SliceLoadedFlag(const SliceLoadedFlag& other) : value(bool(other)) {}
    SliceLoadedFlag& operator=(const SliceLoadedFlag& other) { return *this = bool(other); }
    SliceLoadedFlag& operator=(bool loaded) {
        value.store(loaded, std::memory_order_release);
        return *this;
    }
    operator bool() const { return value.load(std::memory_order_acquire); }

private:
    std::atomic<bool> value;
};

// The stored values (no rescale) of the pixels a region counts; all zero when it counts none.
// The deviation is the sample standard deviation (0 for a single pixel).
struct RegionStatistics {
    float minimum = 0.0f;
    float maximum = 0.0f;
    float sum = 0.0f;
    float mean = 0.0f;
    float deviation = 0.0f;
    int count = 0;
};

// The record of one slice: its pixels, its size and place in the world, and the header values
// that viewers and measurements need. Slice matrices are column-major: columns are the row
// direction, the column direction, the normal and the first pixel's centre.
class isSliceInfo {
public:
    isSliceInfo() = default;

    // Copies every field except the pixel pointer; the copy counts as loaded.
    void copyTo(isSliceInfo* other) const;
    // Copies only the DICOM header values, leaving pixels, size, spacing and geometry alone.
    void copyHeaderTo(isSliceInfo* other) const;
    // Converts a world position in place to patient coordinates by this slice's codes.
    void toPatientAxes(float v[3]) const;

    // Statistics of one frame (clamped to the frames there are) over the pixels (c, r) inside
    // the polygon, vertices in pixel units (slice-plane mm / spacing + 0.5); box holds their
    // least and greatest x, then y. Only the part of the box on the slice is scanned. False for
    // RGB slices and slices without pixels.
    bool polygonStatistics(const std::vector<cocos2d::Vec2>& vertices, const float box[4],
                           int frame, RegionStatistics* out) const;
    // The same over the pixels with (c*sx - cx)^2 + (r*sy - cy)^2 <= radius^2, centre in
    // slice-plane mm, scanning the box (centre -/+ radius) / spacing + 0.5.
    bool circleStatistics(float cx, float cy, float radius, int frame, RegionStatistics* out) const;

    // Owned by the image data: a buffer of its own or a pointer into the volume buffer.
    void* data = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    float pixelSpacingX = 1.0f;
    float pixelSpacingY = 1.0f;
    bool hasPixelSpacing = true;
    std::int16_t frames = 1;
    std::int32_t pixelType = 0;
    // 0 supine, 1 prone, 2 decubitus right, 3 decubitus left.
    std::int32_t orientationCode = 0;
    // 0 head first, 1 feet first, 2 unknown (taken as head first).
    std::int32_t headFeetCode = 0;
    cocos2d::Mat4 matrix = cocos2d::Mat4::IDENTITY;
    bool geometryValid = true;
    std::int16_t instanceNumber = 0;
    std::string path;
    // 0 CT, 1 PT, 2 US, 3 MR, 4 DX/radiography, 5 NM, 6 XA, 7 other.
    std::int32_t modality = 7;
    float rescaleIntercept = 0.0f;
    float rescaleSlope = 1.0f;
    float windowWidth = 255.0f;
    float windowCentre = 128.0f;
    // Pixel Representation, plus 2 for MONOCHROME1; above 1 shows the image inverted.
    std::int32_t signCode = 1;
    std::int32_t extra = 0;
    // Cleared while the slice waits for its pixels.
    SliceLoadedFlag loaded;
    // Set when the slice's file could not give its pixels (undecodable or of another size): the
    // slice stays unloaded and zero-filled, and its series load still completes.
    bool loadFailed = false;
    DicomDateTime acquired;
    DicomDateTime injected;
    bool decayValid = false;
    float halfLife = 0.0f;
    // 1 ADMIN, 2 START, 3 NONE, 4 other or absent.
    std::int32_t decayCorrection = 0;
    float decayFactor = 0.0f;
    // 1 M, 2 F, 3 other.
    std::int16_t sex = 3;
    // 1 BQML, 2 CNTS, 3 other or absent.
    std::int32_t units = 3;
    float totalDose = -1.0f;
    float patientWeight = -1.0f;
    float patientSize = -1.0f;
    float suvFactor = 0.0f;
    std::string scanOptions;
    std::int16_t triggerTime = 0;
    std::int16_t rrIntervals = 0;
    std::int16_t timeSlots = 0;
    std::int16_t slicesPerPhase = 0;
    std::int16_t timeSlices = 0;
};

}  // namespace isImageSDK
