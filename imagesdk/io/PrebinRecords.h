#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

#include "engine/math/Mat4.h"
#include "imagesdk/data/isSliceInfo.h"

// The records of the series cache file (".prebin"). They are written and read as raw bytes, so
// every field sits at its file offset with explicit reserved bytes and no implicit padding; the
// file is little-endian, as is every target this builds for.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "cache files are read as raw bytes");
static_assert(sizeof(float) == 4, "cache files hold IEEE single-precision floats");

namespace isImageSDK {

static_assert(sizeof(DicomDateTime) == 24 && std::is_trivially_copyable<DicomDateTime>::value,
              "a date-time is six 32-bit integers in the cache records");

// A date-time of the cache records: all fields zero until read.
constexpr DicomDateTime kZeroDateTime{0, 0, 0, 0, 0, 0};

// The scan's record of one DICOM file, as stored in a cache of kind "series". The slice frame
// matrix is stored by rows (see matrixFromRows); texts are NUL-terminated and zero-filled.
struct DcmFileRecord {
    std::int32_t width = 0;
    std::int32_t height = 0;
    float spacingX = 0.0f;
    float spacingY = 0.0f;
    std::int16_t frames = 1;
    std::uint8_t reserved18[2] = {};
    std::int32_t orientationCode = 0;
    std::int32_t headFeetCode = 0;
    float matrixRows[16] = {};
    std::uint8_t geometryValid = 0;
    std::uint8_t reserved93[3] = {};
    std::int32_t modality = 0;
    char institutionName[100] = {};
    char seriesDescription[256] = {};
    DicomDateTime seriesDateTime = kZeroDateTime;
    char patientName[20] = {};
    char patientID[20] = {};
    char sex = 0;
    char patientAge[10] = {};
    std::uint8_t reserved531 = 0;
    float patientWeight = 0.0f;
    float patientSize = 0.0f;
    char studyID[20] = {};
    char seriesNumber[20] = {};
    std::int16_t instanceNumber = 0;
    std::uint8_t reserved582[2] = {};
    std::int32_t pixelType = 0;
    std::int32_t bitsAllocated = 0;
    float rescaleIntercept = 0.0f;
    float rescaleSlope = 0.0f;
    std::int32_t signCode = 0;
    float windowWidth = 0.0f;
    float windowCentre = 0.0f;
    std::int32_t extra = 0;
    DicomDateTime acquired = kZeroDateTime;
    DicomDateTime injected = kZeroDateTime;
    std::uint8_t decayValid = 0;
    std::uint8_t reserved665[3] = {};
    float halfLife = 0.0f;
    std::int32_t decayCorrection = 0;
    float decayFactor = 0.0f;
    float totalDose = 0.0f;
    std::int32_t units = 0;
    float suvFactor = 0.0f;
    char scanOptions[10] = {};
    std::int16_t triggerTime = 0;
    std::int16_t rrIntervals = 0;
    std::int16_t timeSlots = 0;
    std::int16_t slicesPerPhase = 0;
    std::int16_t timeSlices = 0;
};

// One scanned file in memory: the stored record, then the file name relative to the series
// folder and the series folder itself (ending in "/"). The cache writers take the folder of the
// first record as the folder the cache belongs to.
struct DcmFileInfo {
    DcmFileRecord file;
    std::string name;
    std::string folder;
};

// Version, kind and count of a cache file. A kind text of at most seven bytes with its NUL
// ("series" or "volume") leaves room in its 20-byte field for the folder's full 64-bit key hash,
// which tells a folder from another whose key (the folded hash) is the same.
struct PrebinHeader {
    char magic[15] = {};
    char version[5] = {};
    DicomDateTime created = kZeroDateTime;
    char kind[8] = {};
    std::uint32_t folderHashLow = 0;
    std::uint32_t folderHashHigh = 0;
    std::uint8_t reserved60[4] = {};
    std::int16_t count = 0;
    std::uint8_t reserved66[2] = {};

    std::uint64_t folderHash() const {
        return (static_cast<std::uint64_t>(folderHashHigh) << 32) | folderHashLow;
    }
    void setFolderHash(std::uint64_t hash) {
        folderHashLow = static_cast<std::uint32_t>(hash);
        folderHashHigh = static_cast<std::uint32_t>(hash >> 32);
    }
};

// What a regular volume shares across its slices (values of the first slice).
struct PrebinVolumeInfo {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t sliceCount = 0;
    float spacingX = 0.0f;
    float spacingY = 0.0f;
    float sliceSpacing = 0.0f;
    std::int32_t orientationCode = 0;
    std::int32_t headFeetCode = 0;
    float matrixRows[16] = {};
    std::int32_t modality = 0;
    char institutionName[100] = {};
    char seriesDescription[256] = {};
    DicomDateTime seriesDateTime = kZeroDateTime;
    char patientName[20] = {};
    char patientID[20] = {};
    char sex = 0;
    char patientAge[10] = {};
    std::uint8_t reserved531 = 0;
    float patientWeight = 0.0f;
    float patientSize = 0.0f;
    char studyID[20] = {};
    char seriesNumber[20] = {};
    std::int32_t pixelType = 0;
    float windowWidth = 0.0f;
    float windowCentre = 0.0f;
    std::int32_t extra = 0;
};

// What differs from slice to slice of a regular volume.
struct PrebinSliceInfo {
    std::int16_t instanceNumber = 0;
    std::uint8_t reserved2[2] = {};
    std::int32_t bitsAllocated = 0;
    float rescaleIntercept = 0.0f;
    float rescaleSlope = 0.0f;
    std::int32_t signCode = 0;
    DicomDateTime acquired = kZeroDateTime;
    DicomDateTime injected = kZeroDateTime;
    std::uint8_t decayValid = 0;
    std::uint8_t reserved69[3] = {};
    float halfLife = 0.0f;
    std::int32_t decayCorrection = 0;
    float decayFactor = 0.0f;
    float totalDose = 0.0f;
    std::int32_t units = 0;
    float suvFactor = 0.0f;
};

// Follows the records: the byte length of the names text that ends the file.
struct PrebinNamesTrailer {
    std::int32_t namesLength = 0;
    std::uint8_t reserved4[12] = {};
};

// Texts are cut to the field's width less its NUL and the rest of the field is zero-filled.
template <std::size_t N> void setRecordText(char (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), text.size() < N - 1 ? text.size() : N - 1);
}

// A text field up to its first NUL (or its full width when a damaged file has none).
template <std::size_t N> std::string recordText(const char (&field)[N]) {
    const void* end = std::memchr(field, 0, N);
    return std::string(field, end ? static_cast<const char*>(end) - field : N);
}

// The stored matrix rows hold the row direction, column direction, normal and position as
// columns; cocos2d::Mat4 keeps the same matrix column by column.
void matrixToRows(const cocos2d::Mat4& matrix, float (&rows)[16]);
cocos2d::Mat4 matrixFromRows(const float (&rows)[16]);

#define BV_PREBIN_FIELD(type, field, offset)                                                       \
    static_assert(offsetof(type, field) == (offset), #type "::" #field " sits at its file offset")

static_assert(std::is_standard_layout<DcmFileRecord>::value &&
                  std::is_trivially_copyable<DcmFileRecord>::value,
              "DcmFileRecord is written as raw bytes");
static_assert(sizeof(DcmFileRecord) == 712, "DcmFileRecord is 712 bytes");
BV_PREBIN_FIELD(DcmFileRecord, height, 4);
BV_PREBIN_FIELD(DcmFileRecord, spacingX, 8);
BV_PREBIN_FIELD(DcmFileRecord, spacingY, 12);
BV_PREBIN_FIELD(DcmFileRecord, frames, 16);
BV_PREBIN_FIELD(DcmFileRecord, orientationCode, 20);
BV_PREBIN_FIELD(DcmFileRecord, headFeetCode, 24);
BV_PREBIN_FIELD(DcmFileRecord, matrixRows, 28);
BV_PREBIN_FIELD(DcmFileRecord, geometryValid, 92);
BV_PREBIN_FIELD(DcmFileRecord, modality, 96);
BV_PREBIN_FIELD(DcmFileRecord, institutionName, 100);
BV_PREBIN_FIELD(DcmFileRecord, seriesDescription, 200);
BV_PREBIN_FIELD(DcmFileRecord, seriesDateTime, 456);
BV_PREBIN_FIELD(DcmFileRecord, patientName, 480);
BV_PREBIN_FIELD(DcmFileRecord, patientID, 500);
BV_PREBIN_FIELD(DcmFileRecord, sex, 520);
BV_PREBIN_FIELD(DcmFileRecord, patientAge, 521);
BV_PREBIN_FIELD(DcmFileRecord, patientWeight, 532);
BV_PREBIN_FIELD(DcmFileRecord, patientSize, 536);
BV_PREBIN_FIELD(DcmFileRecord, studyID, 540);
BV_PREBIN_FIELD(DcmFileRecord, seriesNumber, 560);
BV_PREBIN_FIELD(DcmFileRecord, instanceNumber, 580);
BV_PREBIN_FIELD(DcmFileRecord, pixelType, 584);
BV_PREBIN_FIELD(DcmFileRecord, bitsAllocated, 588);
BV_PREBIN_FIELD(DcmFileRecord, rescaleIntercept, 592);
BV_PREBIN_FIELD(DcmFileRecord, rescaleSlope, 596);
BV_PREBIN_FIELD(DcmFileRecord, signCode, 600);
BV_PREBIN_FIELD(DcmFileRecord, windowWidth, 604);
BV_PREBIN_FIELD(DcmFileRecord, windowCentre, 608);
BV_PREBIN_FIELD(DcmFileRecord, extra, 612);
BV_PREBIN_FIELD(DcmFileRecord, acquired, 616);
BV_PREBIN_FIELD(DcmFileRecord, injected, 640);
BV_PREBIN_FIELD(DcmFileRecord, decayValid, 664);
BV_PREBIN_FIELD(DcmFileRecord, halfLife, 668);
BV_PREBIN_FIELD(DcmFileRecord, decayCorrection, 672);
BV_PREBIN_FIELD(DcmFileRecord, decayFactor, 676);
BV_PREBIN_FIELD(DcmFileRecord, totalDose, 680);
BV_PREBIN_FIELD(DcmFileRecord, units, 684);
BV_PREBIN_FIELD(DcmFileRecord, suvFactor, 688);
BV_PREBIN_FIELD(DcmFileRecord, scanOptions, 692);
BV_PREBIN_FIELD(DcmFileRecord, triggerTime, 702);
BV_PREBIN_FIELD(DcmFileRecord, rrIntervals, 704);
BV_PREBIN_FIELD(DcmFileRecord, timeSlots, 706);
BV_PREBIN_FIELD(DcmFileRecord, slicesPerPhase, 708);
BV_PREBIN_FIELD(DcmFileRecord, timeSlices, 710);

static_assert(std::is_standard_layout<PrebinHeader>::value &&
                  std::is_trivially_copyable<PrebinHeader>::value,
              "PrebinHeader is written as raw bytes");
static_assert(sizeof(PrebinHeader) == 68, "PrebinHeader is 68 bytes");
BV_PREBIN_FIELD(PrebinHeader, version, 15);
BV_PREBIN_FIELD(PrebinHeader, created, 20);
BV_PREBIN_FIELD(PrebinHeader, kind, 44);
BV_PREBIN_FIELD(PrebinHeader, folderHashLow, 52);
BV_PREBIN_FIELD(PrebinHeader, folderHashHigh, 56);
BV_PREBIN_FIELD(PrebinHeader, count, 64);

static_assert(std::is_standard_layout<PrebinVolumeInfo>::value &&
                  std::is_trivially_copyable<PrebinVolumeInfo>::value,
              "PrebinVolumeInfo is written as raw bytes");
static_assert(sizeof(PrebinVolumeInfo) == 596, "PrebinVolumeInfo is 596 bytes");
BV_PREBIN_FIELD(PrebinVolumeInfo, sliceCount, 8);
BV_PREBIN_FIELD(PrebinVolumeInfo, spacingX, 12);
BV_PREBIN_FIELD(PrebinVolumeInfo, spacingY, 16);
BV_PREBIN_FIELD(PrebinVolumeInfo, sliceSpacing, 20);
BV_PREBIN_FIELD(PrebinVolumeInfo, orientationCode, 24);
BV_PREBIN_FIELD(PrebinVolumeInfo, headFeetCode, 28);
BV_PREBIN_FIELD(PrebinVolumeInfo, matrixRows, 32);
BV_PREBIN_FIELD(PrebinVolumeInfo, modality, 96);
BV_PREBIN_FIELD(PrebinVolumeInfo, institutionName, 100);
BV_PREBIN_FIELD(PrebinVolumeInfo, seriesDescription, 200);
BV_PREBIN_FIELD(PrebinVolumeInfo, seriesDateTime, 456);
BV_PREBIN_FIELD(PrebinVolumeInfo, patientName, 480);
BV_PREBIN_FIELD(PrebinVolumeInfo, patientID, 500);
BV_PREBIN_FIELD(PrebinVolumeInfo, sex, 520);
BV_PREBIN_FIELD(PrebinVolumeInfo, patientAge, 521);
BV_PREBIN_FIELD(PrebinVolumeInfo, patientWeight, 532);
BV_PREBIN_FIELD(PrebinVolumeInfo, patientSize, 536);
BV_PREBIN_FIELD(PrebinVolumeInfo, studyID, 540);
BV_PREBIN_FIELD(PrebinVolumeInfo, seriesNumber, 560);
BV_PREBIN_FIELD(PrebinVolumeInfo, pixelType, 580);
BV_PREBIN_FIELD(PrebinVolumeInfo, windowWidth, 584);
BV_PREBIN_FIELD(PrebinVolumeInfo, windowCentre, 588);
BV_PREBIN_FIELD(PrebinVolumeInfo, extra, 592);

static_assert(std::is_standard_layout<PrebinSliceInfo>::value &&
                  std::is_trivially_copyable<PrebinSliceInfo>::value,
              "PrebinSliceInfo is written as raw bytes");
static_assert(sizeof(PrebinSliceInfo) == 96, "PrebinSliceInfo is 96 bytes");
BV_PREBIN_FIELD(PrebinSliceInfo, bitsAllocated, 4);
BV_PREBIN_FIELD(PrebinSliceInfo, rescaleIntercept, 8);
BV_PREBIN_FIELD(PrebinSliceInfo, rescaleSlope, 12);
BV_PREBIN_FIELD(PrebinSliceInfo, signCode, 16);
BV_PREBIN_FIELD(PrebinSliceInfo, acquired, 20);
BV_PREBIN_FIELD(PrebinSliceInfo, injected, 44);
BV_PREBIN_FIELD(PrebinSliceInfo, decayValid, 68);
BV_PREBIN_FIELD(PrebinSliceInfo, halfLife, 72);
BV_PREBIN_FIELD(PrebinSliceInfo, decayCorrection, 76);
BV_PREBIN_FIELD(PrebinSliceInfo, decayFactor, 80);
BV_PREBIN_FIELD(PrebinSliceInfo, totalDose, 84);
BV_PREBIN_FIELD(PrebinSliceInfo, units, 88);
BV_PREBIN_FIELD(PrebinSliceInfo, suvFactor, 92);

static_assert(sizeof(PrebinNamesTrailer) == 16, "the names trailer is 16 bytes");

#undef BV_PREBIN_FIELD

}  // namespace isImageSDK
