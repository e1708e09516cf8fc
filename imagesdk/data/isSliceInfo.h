#pragma once

#include <cstdint>
#include <string>

#include "engine/math/Mat4.h"

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
    bool loaded = true;
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
