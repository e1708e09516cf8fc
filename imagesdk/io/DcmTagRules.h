#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/math/Mat4.h"
#include "imagesdk/data/isSliceInfo.h"

namespace dcmSDK {
class dcmReader;
}

// The rules by which the single-file reader, the folder scan and the loader threads turn DICOM
// tag texts and decoded samples into slice values, kept in one place so that all three agree.
// Texts are compared whole and case-sensitively.
namespace isImageSDK {

// Callers pass buffers of this size to the tag reads.
constexpr int kTagTextSize = 1024;

// Largest Number of Frames accepted: the frame count is a 16-bit field of the slice records.
constexpr int kMaxFrames = 32767;

// "CT" 0, "PT" 1, "US" 2, "MR" 3, "DR" and "DX" 4, "NM" 5, "XA" 6, anything else 7.
int modalityCode(const std::string& text);
// "HFS", "HFP", "HFDR", "HFDL", "FFS", "FFP", "FFDR", "FFDL" as (orientation, head/feet) codes;
// false, with the codes untouched, for any other text.
bool patientPositionCodes(const std::string& text, int& orientationCode, int& headFeetCode);
// 1 "M", 2 "F", 3 otherwise.
int sexCode(const std::string& text);
// 1 "ADMIN", 2 "START", 3 "NONE", 4 otherwise.
int decayCorrectionCode(const std::string& text);
// 1 "BQML", 2 "CNTS", 3 otherwise.
int unitsCode(const std::string& text);

// The values of a multi-valued decimal text, split at each backslash; a value that does not
// read as a number counts as 0.
std::vector<double> splitDecimals(const std::string& text);
// Leading decimal integer or real of a text (0 when there is none), as C's atoi and atof read.
int textToInt(const std::string& text);
double textToReal(const std::string& text);
// Number of Frames: below 1 becomes 1; false when above kMaxFrames.
bool framesFromText(const std::string& text, int& frames);

// Patient coordinates to world coordinates for a patient position; an undetermined head/feet
// code (2) counts as head first, supine.
cocos2d::Vec3 patientToWorld(const double v[3], int orientationCode, int headFeetCode);
// The slice frame matrix: mapped row direction, column direction, their cross product and the
// mapped position as its columns.
cocos2d::Mat4 sliceFrameMatrix(const double row[3], const double column[3],
                               const double position[3], int orientationCode, int headFeetCode);

// The slice pixel type (isImageSDK::PixelType) for Bits Allocated and the library's pixel
// type; -1 for a refused combination.
int choosePixelType(int bitsAllocated, int libraryType, int modality, float rescaleSlope,
                    float rescaleIntercept, int signCode);
// Whether 16-bit samples are signed for a sign code.
inline bool hasSignedSamples(int signCode) {
    return signCode == 1 || signCode == 3;
}
// Converts count samples of the library's buffer into a slice buffer of pixelType: 8-bit and
// RGB copied, 16-bit copied or rescaled with truncation toward zero and saturation at the
// type's range, float rescaled. The library buffer holds 16-bit samples for types 1, 2 and 3.
void convertPixels(const void* source, std::size_t count, int pixelType, float rescaleSlope,
                   float rescaleIntercept, int signCode, void* target);
// Whether convertPixels copies the samples unchanged for these values.
bool convertsAsCopy(int pixelType, float rescaleSlope, float rescaleIntercept);

// Date texts: "YYYYMMDD" into year, month and day; "HHMMSS..." (at least six characters) into
// hour, minute and second; "YYYYMMDDHHMMSS..." (more than 13 characters) into all six.
void parseDicomDate(const std::string& text, DicomDateTime& value);
void parseDicomTime(const std::string& text, DicomDateTime& value);
void parseDicomDateTime(const std::string& text, DicomDateTime& value);

// PET acquisition and injection moments of the open file, and whether both could be read.
// Without a usable acquisition date its year becomes 1900 and valid is cleared.
void readPetDates(dcmSDK::dcmReader& reader, DicomDateTime& acquired, DicomDateTime& injected,
                  bool& valid);

}  // namespace isImageSDK
