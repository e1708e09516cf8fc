#pragma once

#include <cstddef>
#include <cstdint>
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

// A DICOM tag: group and element.
struct DicomTag {
    unsigned short group;
    unsigned short element;
};

// Every tag the image library reads from a file, named once.
namespace dicomTags {
constexpr DicomTag Modality{0x0008, 0x0060};
constexpr DicomTag PatientPosition{0x0018, 0x5100};
constexpr DicomTag ImagePositionPatient{0x0020, 0x0032};
constexpr DicomTag ImageOrientationPatient{0x0020, 0x0037};
constexpr DicomTag Columns{0x0028, 0x0011};
constexpr DicomTag Rows{0x0028, 0x0010};
constexpr DicomTag NumberOfFrames{0x0028, 0x0008};
constexpr DicomTag PixelSpacing{0x0028, 0x0030};
constexpr DicomTag PatientSex{0x0010, 0x0040};
constexpr DicomTag PatientWeight{0x0010, 0x1030};
constexpr DicomTag PatientSize{0x0010, 0x1020};
constexpr DicomTag ScanOptions{0x0018, 0x0022};
constexpr DicomTag TriggerTime{0x0018, 0x1060};
constexpr DicomTag NumberOfRRIntervals{0x0054, 0x0061};
constexpr DicomTag NumberOfTimeSlots{0x0054, 0x0071};
constexpr DicomTag NumberOfSlices{0x0054, 0x0081};
constexpr DicomTag NumberOfTimeSlices{0x0054, 0x0101};
constexpr DicomTag BitsAllocated{0x0028, 0x0100};
constexpr DicomTag RescaleIntercept{0x0028, 0x1052};
constexpr DicomTag RescaleSlope{0x0028, 0x1053};
constexpr DicomTag PixelRepresentation{0x0028, 0x0103};
constexpr DicomTag PhotometricInterpretation{0x0028, 0x0004};
constexpr DicomTag WindowCenter{0x0028, 0x1050};
constexpr DicomTag WindowWidth{0x0028, 0x1051};
constexpr DicomTag DecayFactor{0x0054, 0x1321};
constexpr DicomTag DecayCorrection{0x0054, 0x1102};
constexpr DicomTag RadionuclideTotalDose{0x0018, 0x1074};
// A private SUV scale factor written by some PET systems.
constexpr DicomTag SuvScaleFactor{0x7053, 0x1000};
constexpr DicomTag RadionuclideHalfLife{0x0018, 0x1075};
constexpr DicomTag Units{0x0054, 0x1001};
constexpr DicomTag AcquisitionDateTime{0x0008, 0x002A};
constexpr DicomTag AcquisitionDate{0x0008, 0x0022};
constexpr DicomTag AcquisitionTime{0x0008, 0x0032};
constexpr DicomTag SeriesDate{0x0008, 0x0021};
constexpr DicomTag SeriesTime{0x0008, 0x0031};
constexpr DicomTag StudyDate{0x0008, 0x0020};
constexpr DicomTag StudyTime{0x0008, 0x0030};
constexpr DicomTag RadiopharmaceuticalStartDateTime{0x0018, 0x1078};
constexpr DicomTag RadiopharmaceuticalStartTime{0x0018, 0x1072};
constexpr DicomTag InstitutionName{0x0008, 0x0080};
constexpr DicomTag SeriesDescription{0x0008, 0x103E};
constexpr DicomTag PatientName{0x0010, 0x0010};
constexpr DicomTag PatientID{0x0010, 0x0020};
constexpr DicomTag PatientAge{0x0010, 0x1010};
constexpr DicomTag StudyID{0x0020, 0x0010};
constexpr DicomTag SeriesNumber{0x0020, 0x0011};
constexpr DicomTag InstanceNumber{0x0020, 0x0013};
}  // namespace dicomTags

// The text of a tag of the open file; false (text empty) when it is absent or empty.
bool readTagText(dcmSDK::dcmReader& reader, DicomTag tag, std::string& text);

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
// The values of a multi-valued decimal text; false when any of them is not a finite number.
bool splitFiniteDecimals(const std::string& text, std::vector<double>& values);
// The leading real of a text; false when the text does not start with a number that is finite
// in single precision.
bool textToFiniteReal(const std::string& text, double& value);
// Leading decimal integer or real of a text (0 when there is none), as C's atoi and atof read.
int textToInt(const std::string& text);
double textToReal(const std::string& text);
// Number of Frames: false when below 1 or above kMaxFrames (a header that miscounts its frames
// cannot be trusted to describe its pixels).
bool framesFromText(const std::string& text, int& frames);

// Image Position (Patient) and Image Orientation (Patient) values that place a slice: a finite
// point, and finite row and column directions of unit length at right angles (each within 1e-2).
bool usablePosition(const std::vector<double>& values);
bool usableOrientation(const std::vector<double>& values);
// Pixel Spacing that measures: exactly two finite values from 1e-6 to 1e4 millimetres.
bool usablePixelSpacing(const std::vector<double>& values);

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

// Where the two readers of DICOM headers differ, and why. The single-file reader fills a slice
// record that a viewer shows as it is: its unknown values are the record's own (modality 7
// "other", weight and size -1, dates 1900-01-01), and a file whose patient position cannot be
// read loses its geometry, since the viewer would otherwise orient it by guesswork. The folder
// scan fills a zero-filled series cache record: its unknown values are 0 (a file without
// Modality counts as CT, so that a stack of such files still forms a volume), the geometry flag
// speaks only of position and orientation (the volume decision checks those, and a series
// without Patient Position still stacks head first), and it keeps Scan Options, Trigger Time
// and the four PET counts of every modality for the phase split.
struct DicomHeaderRules {
    int absentModality;
    float absentWeightAndSize;
    // The acquisition and injection moments before they are read.
    DicomDateTime absentDate;
    // Whether a missing or unrecognised Patient Position clears the geometry flag (a missing one
    // only outside CT, PT and MR).
    bool patientPositionDecidesGeometry;
    // Whether Scan Options, Trigger Time and the four PET counts are read for every modality
    // (else Scan Options for CT and Trigger Time for PT only, and no counts).
    bool extrasOfEveryModality;
};

// The values both readers take from a header, after these rules: geometry that is missing
// or unusable clears geometryValid (and leaves position 0 and the identity directions); Pixel
// Spacing that is unusable is absent (1.0 both ways); a Rescale Slope of 0 or one that is not
// finite is 1 and an intercept that is not finite is 0; a window centre that is not a number and
// a width that is not a number above zero are absent (the modality's defaults).
struct DicomHeader {
    int modality = 7;
    int orientationCode = 0;
    int headFeetCode = 0;
    bool geometryValid = true;
    // The slice frame matrix (see sliceFrameMatrix).
    cocos2d::Mat4 matrix = cocos2d::Mat4::IDENTITY;
    int width = 0;
    int height = 0;
    int frames = 1;
    bool hasPixelSpacing = false;
    float spacingX = 1.0f;
    float spacingY = 1.0f;
    // Empty when absent.
    std::string sex;
    float patientWeight = 0.0f;
    float patientSize = 0.0f;
    std::string scanOptions;
    std::int16_t triggerTime = 0;
    std::int16_t rrIntervals = 0;
    std::int16_t timeSlots = 0;
    std::int16_t slicesPerPhase = 0;
    std::int16_t timeSlices = 0;
    int bitsAllocated = 8;
    float rescaleIntercept = 0.0f;
    float rescaleSlope = 1.0f;
    int signCode = 0;
    float windowCentre = 128.0f;
    float windowWidth = 255.0f;
    // PET values, read only for modality PT.
    float decayFactor = 0.0f;
    int decayCorrection = 4;
    float totalDose = 0.0f;
    float suvFactor = 0.0f;
    float halfLife = 0.0f;
    int units = 3;
    DicomDateTime acquired;
    DicomDateTime injected;
    bool decayValid = false;
};

// Reads the header of the open file in the order of the slice record; false when Columns or
// Rows is missing or Number of Frames is refused (nothing after them is read then).
bool readDicomHeader(dcmSDK::dcmReader& reader, const DicomHeaderRules& rules, DicomHeader& header);

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
