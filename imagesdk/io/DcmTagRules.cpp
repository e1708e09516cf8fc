#include "imagesdk/io/DcmTagRules.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "dcmsdk/DcmRescale.h"
#include "dcmsdk/dcmReader.h"
#include "imagesdk/data/PixelType.h"

namespace isImageSDK {

namespace {

struct PositionName {
    const char* text;
    int orientation;
    int headFeet;
};

constexpr PositionName kPositions[] = {
    {"HFS", 0, 0}, {"HFP", 1, 0}, {"HFDR", 2, 0}, {"HFDL", 3, 0},
    {"FFS", 0, 1}, {"FFP", 1, 1}, {"FFDR", 2, 1}, {"FFDL", 3, 1},
};

int digitsAt(const std::string& text, size_t offset, size_t width) {
    if (offset >= text.size()) {
        return 0;
    }
    return textToInt(text.substr(offset, width));
}

// Row and column directions are unit vectors at right angles; these tolerances leave room for
// the few decimals some systems write. A direction whose length is further than kUnitTolerance
// from 1, or a pair whose cosine is further than kRightAngleTolerance from 0, does not place a
// slice.
constexpr double kUnitTolerance = 1e-2;
constexpr double kRightAngleTolerance = 1e-2;
// Pixel Spacing in millimetres outside this range measures nothing real (and the renderer's
// single-precision sizes would overflow or vanish).
constexpr double kMinPixelSpacing = 1e-6;
constexpr double kMaxPixelSpacing = 1e4;

double length(const double v[3]) {
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

void scaleToUnit(double v[3]) {
    const double size = length(v);
    for (int i = 0; i < 3; ++i) {
        v[i] /= size;
    }
}

bool allFinite(const std::vector<double>& values) {
    for (const double value : values) {
        if (!std::isfinite(value)) {
            return false;
        }
    }
    return true;
}

// The real of a tag as the records keep it; false, with value untouched, when absent.
bool readReal(dcmSDK::dcmReader& reader, DicomTag tag, float& value) {
    std::string text;
    if (!readTagText(reader, tag, text)) {
        return false;
    }
    value = static_cast<float>(textToReal(text));
    return true;
}

// The real of a text when the records can hold it, else NaN.
double finiteRealOrNaN(const std::string& text) {
    double value = 0.0;
    return textToFiniteReal(text, value) ? value : std::numeric_limits<double>::quiet_NaN();
}

std::int16_t readShort(dcmSDK::dcmReader& reader, DicomTag tag) {
    unsigned short value = 0;
    return reader.readDicomTagUint16(tag.group, tag.element, value)
               ? static_cast<std::int16_t>(value)
               : 0;
}

// Patient position, image position and orientation into the codes, the flag and the matrix.
void readGeometry(dcmSDK::dcmReader& reader, const DicomHeaderRules& rules, DicomHeader& header) {
    std::string text;
    const bool ctPetOrMr = header.modality == 0 || header.modality == 1 || header.modality == 3;
    int orientation = 0;
    int headFeet = 0;
    if (readTagText(reader, dicomTags::PatientPosition, text)) {
        if (!patientPositionCodes(text, orientation, headFeet)) {
            orientation = 0;
            headFeet = 2;
            header.geometryValid = header.geometryValid && !rules.patientPositionDecidesGeometry;
        }
    } else if (ctPetOrMr) {
        headFeet = 2;
    } else if (rules.patientPositionDecidesGeometry) {
        header.geometryValid = false;
    }
    header.orientationCode = orientation;
    header.headFeetCode = headFeet;

    double position[3] = {0.0, 0.0, 0.0};
    double row[3] = {1.0, 0.0, 0.0};
    double column[3] = {0.0, 1.0, 0.0};
    std::vector<double> values;
    if (readTagText(reader, dicomTags::ImagePositionPatient, text) &&
        splitFiniteDecimals(text, values) && usablePosition(values)) {
        std::copy(values.begin(), values.end(), position);
    } else {
        header.geometryValid = false;
    }
    if (readTagText(reader, dicomTags::ImageOrientationPatient, text) &&
        splitFiniteDecimals(text, values) && usableOrientation(values)) {
        std::copy(values.begin(), values.begin() + 3, row);
        std::copy(values.begin() + 3, values.end(), column);
        // A direction within the tolerance may still be a shade long or short, and every
        // position along it would be off by as much: it is used at unit length.
        scaleToUnit(row);
        scaleToUnit(column);
    } else {
        header.geometryValid = false;
    }
    header.matrix = sliceFrameMatrix(row, column, position, orientation, headFeet);
}

void readPetValues(dcmSDK::dcmReader& reader, DicomHeader& header) {
    std::string text;
    readReal(reader, dicomTags::DecayFactor, header.decayFactor);
    header.decayCorrection =
        readTagText(reader, dicomTags::DecayCorrection, text) ? decayCorrectionCode(text) : 4;
    readReal(reader, dicomTags::RadionuclideTotalDose, header.totalDose);
    readReal(reader, dicomTags::SuvScaleFactor, header.suvFactor);
    readReal(reader, dicomTags::RadionuclideHalfLife, header.halfLife);
    header.units = readTagText(reader, dicomTags::Units, text) ? unitsCode(text) : 3;
    readPetDates(reader, header.acquired, header.injected, header.decayValid);
}

bool hasFraction(float value) {
    return std::trunc(value) != value;
}

template <typename T>
void rescaleSamples(const void* source, size_t count, float slope, float intercept, double lowest,
                    double highest, bool signedSamples, T* target) {
    const std::uint16_t* unsignedSamples = static_cast<const std::uint16_t*>(source);
    const std::int16_t* signedSource = static_cast<const std::int16_t*>(source);
    const double a = slope;
    const double b = intercept;
    for (size_t i = 0; i < count; ++i) {
        const double sample = signedSamples ? signedSource[i] : unsignedSamples[i];
        double value = std::trunc(sample * a + b);
        if (std::isnan(value)) {
            value = 0.0;
        }
        value = value < lowest ? lowest : (value > highest ? highest : value);
        target[i] = static_cast<T>(value);
    }
}

// Block of samples converted together; a fixed trip count lets the compiler vectorise the block.
constexpr std::size_t kBlock = 16;

// Integral slope and intercept, the usual CT case: the double path's values, in integer
// arithmetic. Every product and sum stays inside 32 bits for the bounds rescaleIsIntegral allows.
#if defined(__SSE2__)
// Slope 1 onto the whole range of T, the CT case: eight samples widened to 32 bits, the intercept
// added, and narrowed back with saturation, which is the clamp to T's range. The count done.
template <typename S, typename T>
std::size_t addInterceptSaturating(const S* source, std::size_t count, std::int32_t intercept,
                                   T* target) {
    const __m128i offset = _mm_set1_epi32(intercept);
    // Unsigned targets saturate about the middle of their range, then move back up.
    const __m128i bias = _mm_set1_epi32(std::is_signed_v<T> ? 0 : 32768);
    const __m128i flip = _mm_set1_epi16(std::is_signed_v<T> ? 0 : std::int16_t(-32768));
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m128i samples = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        __m128i low;
        __m128i high;
        if constexpr (std::is_signed_v<S>) {
            low = _mm_srai_epi32(_mm_unpacklo_epi16(samples, samples), 16);
            high = _mm_srai_epi32(_mm_unpackhi_epi16(samples, samples), 16);
        } else {
            low = _mm_unpacklo_epi16(samples, _mm_setzero_si128());
            high = _mm_unpackhi_epi16(samples, _mm_setzero_si128());
        }
        low = _mm_sub_epi32(_mm_add_epi32(low, offset), bias);
        high = _mm_sub_epi32(_mm_add_epi32(high, offset), bias);
        const __m128i packed = _mm_xor_si128(_mm_packs_epi32(low, high), flip);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + i), packed);
    }
    return i;
}
#endif

template <typename S, typename T>
void rescaleIntegral(const S* __restrict source, std::size_t count, std::int32_t slope,
                     std::int32_t intercept, std::int32_t lowest, std::int32_t highest,
                     T* __restrict target) {
    auto one = [=](S sample) {
        const std::int32_t value = std::int32_t(sample) * slope + intercept;
        return T(std::min(std::max(value, lowest), highest));
    };
    std::size_t i = 0;
#if defined(__SSE2__)
    if (slope == 1 && lowest == std::numeric_limits<T>::min() &&
        highest == std::numeric_limits<T>::max()) {
        i = addInterceptSaturating(source, count, intercept, target);
    }
#endif
    for (; i + kBlock <= count; i += kBlock) {
        for (std::size_t k = 0; k < kBlock; ++k) {
            target[i + k] = one(source[i + k]);
        }
    }
    for (; i < count; ++i) {
        target[i] = one(source[i]);
    }
}

bool rescaleIsIntegral(float slope, float intercept) {
    return !hasFraction(slope) && !hasFraction(intercept) && std::fabs(slope) <= 16384.0f &&
           std::fabs(intercept) <= 536870912.0f;
}

template <typename T>
void rescaleSixteenBits(const void* source, std::size_t count, float slope, float intercept,
                        std::int32_t lowest, std::int32_t highest, bool signedSamples, T* target) {
    if (!rescaleIsIntegral(slope, intercept)) {
        rescaleSamples(source, count, slope, intercept, lowest, highest, signedSamples, target);
    } else if (signedSamples) {
        rescaleIntegral(static_cast<const std::int16_t*>(source), count, std::int32_t(slope),
                        std::int32_t(intercept), lowest, highest, target);
    } else {
        rescaleIntegral(static_cast<const std::uint16_t*>(source), count, std::int32_t(slope),
                        std::int32_t(intercept), lowest, highest, target);
    }
}

}  // namespace

bool readTagText(dcmSDK::dcmReader& reader, DicomTag tag, std::string& text) {
    char buffer[kTagTextSize];
    if (!reader.readDicomTagString(tag.group, tag.element, buffer, kTagTextSize)) {
        text.clear();
        return false;
    }
    text = buffer;
    return true;
}

int modalityCode(const std::string& text) {
    if (text == "CT") {
        return 0;
    }
    if (text == "PT") {
        return 1;
    }
    if (text == "US") {
        return 2;
    }
    if (text == "MR") {
        return 3;
    }
    if (text == "DR" || text == "DX") {
        return 4;
    }
    if (text == "NM") {
        return 5;
    }
    if (text == "XA") {
        return 6;
    }
    return 7;
}

bool patientPositionCodes(const std::string& text, int& orientationCode, int& headFeetCode) {
    for (const PositionName& position : kPositions) {
        if (text == position.text) {
            orientationCode = position.orientation;
            headFeetCode = position.headFeet;
            return true;
        }
    }
    return false;
}

int sexCode(const std::string& text) {
    if (text == "M") {
        return 1;
    }
    return text == "F" ? 2 : 3;
}

int decayCorrectionCode(const std::string& text) {
    if (text == "ADMIN") {
        return 1;
    }
    if (text == "START") {
        return 2;
    }
    return text == "NONE" ? 3 : 4;
}

int unitsCode(const std::string& text) {
    if (text == "BQML") {
        return 1;
    }
    return text == "CNTS" ? 2 : 3;
}

std::vector<double> splitDecimals(const std::string& text) {
    std::vector<double> values;
    size_t start = 0;
    while (true) {
        const size_t end = text.find('\\', start);
        values.push_back(textToReal(text.substr(start, end - start)));
        if (end == std::string::npos) {
            return values;
        }
        start = end + 1;
    }
}

bool splitFiniteDecimals(const std::string& text, std::vector<double>& values) {
    values.clear();
    size_t start = 0;
    while (true) {
        const size_t end = text.find('\\', start);
        double value = 0.0;
        if (!textToFiniteReal(text.substr(start, end - start), value)) {
            return false;
        }
        values.push_back(value);
        if (end == std::string::npos) {
            return true;
        }
        start = end + 1;
    }
}

bool textToFiniteReal(const std::string& text, double& value) {
    char* end = nullptr;
    const double read = std::strtod(text.c_str(), &end);
    // The records keep single-precision values: what overflows them is not finite either.
    if (end == text.c_str() || !std::isfinite(read) ||
        std::fabs(read) > std::numeric_limits<float>::max()) {
        return false;
    }
    value = read;
    return true;
}

int textToInt(const std::string& text) {
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (value > std::numeric_limits<int>::max()) {
        return std::numeric_limits<int>::max();
    }
    if (value < std::numeric_limits<int>::min()) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

double textToReal(const std::string& text) {
    return std::strtod(text.c_str(), nullptr);
}

bool framesFromText(const std::string& text, int& frames) {
    const int value = textToInt(text);
    if (value < 1 || value > kMaxFrames) {
        return false;
    }
    frames = value;
    return true;
}

bool usablePosition(const std::vector<double>& values) {
    return values.size() == 3 && allFinite(values);
}

bool usableOrientation(const std::vector<double>& values) {
    if (values.size() != 6 || !allFinite(values)) {
        return false;
    }
    const double* row = values.data();
    const double* column = values.data() + 3;
    const double rowLength = length(row);
    const double columnLength = length(column);
    if (std::fabs(rowLength - 1.0) > kUnitTolerance ||
        std::fabs(columnLength - 1.0) > kUnitTolerance) {
        return false;
    }
    const double dot = row[0] * column[0] + row[1] * column[1] + row[2] * column[2];
    return std::fabs(dot) <= kRightAngleTolerance * rowLength * columnLength;
}

bool usablePixelSpacing(const std::vector<double>& values) {
    return values.size() == 2 && allFinite(values) &&
           std::all_of(values.begin(), values.end(), [](double value) {
               return value >= kMinPixelSpacing && value <= kMaxPixelSpacing;
           });
}

cocos2d::Vec3 patientToWorld(const double v[3], int orientationCode, int headFeetCode) {
    const double x = v[0];
    const double y = v[1];
    const double z = v[2];
    double w[3] = {x, z, -y};
    if (headFeetCode == 1) {
        switch (orientationCode) {
        case 1:
            w[0] = x, w[1] = -z, w[2] = y;
            break;
        case 2:
            w[0] = -y, w[1] = -z, w[2] = x;
            break;
        case 3:
            w[0] = y, w[1] = -z, w[2] = -x;
            break;
        default:
            w[0] = -x, w[1] = -z, w[2] = -y;
            break;
        }
    } else if (headFeetCode == 0) {
        switch (orientationCode) {
        case 1:
            w[0] = -x, w[1] = z, w[2] = y;
            break;
        case 2:
            w[0] = y, w[1] = z, w[2] = x;
            break;
        case 3:
            w[0] = -y, w[1] = z, w[2] = -x;
            break;
        default:
            break;
        }
    }
    return cocos2d::Vec3(static_cast<float>(w[0]), static_cast<float>(w[1]),
                         static_cast<float>(w[2]));
}

cocos2d::Mat4 sliceFrameMatrix(const double row[3], const double column[3],
                               const double position[3], int orientationCode, int headFeetCode) {
    const cocos2d::Vec3 r = patientToWorld(row, orientationCode, headFeetCode);
    const cocos2d::Vec3 c = patientToWorld(column, orientationCode, headFeetCode);
    const cocos2d::Vec3 p = patientToWorld(position, orientationCode, headFeetCode);
    const cocos2d::Vec3 n(r.y * c.z - r.z * c.y, r.z * c.x - r.x * c.z, r.x * c.y - r.y * c.x);
    cocos2d::Mat4 matrix;
    const cocos2d::Vec3 columns[4] = {r, c, n, p};
    for (int i = 0; i < 4; ++i) {
        matrix.m[i * 4 + 0] = columns[i].x;
        matrix.m[i * 4 + 1] = columns[i].y;
        matrix.m[i * 4 + 2] = columns[i].z;
        matrix.m[i * 4 + 3] = i == 3 ? 1.0f : 0.0f;
    }
    return matrix;
}

int choosePixelType(int bitsAllocated, int libraryType, int modality, float rescaleSlope,
                    float rescaleIntercept, int signCode) {
    if (bitsAllocated == 24) {
        return PIXEL_RGB24;
    }
    if (bitsAllocated == 8) {
        if (libraryType == 0) {
            return PIXEL_UINT8;
        }
        return libraryType == 2 ? PIXEL_RGB24 : -1;
    }
    if (bitsAllocated != 16 || libraryType != 1) {
        return -1;
    }
    if (modality == 1 || hasFraction(rescaleSlope) || hasFraction(rescaleIntercept) ||
        rescaleSlope > 1.0f) {
        return PIXEL_FLOAT32;
    }
    if (hasSignedSamples(signCode) || rescaleIntercept < 0.0f || rescaleSlope < 0.0f) {
        return PIXEL_INT16;
    }
    return PIXEL_UINT16;
}

bool convertsAsCopy(int pixelType, float rescaleSlope, float rescaleIntercept) {
    switch (pixelType) {
    case PIXEL_UINT8:
    case PIXEL_RGB24:
        return true;
    case PIXEL_INT16:
    case PIXEL_UINT16:
        return std::trunc(rescaleSlope) == 1.0f && std::trunc(rescaleIntercept) == 0.0f;
    default:
        return false;
    }
}

void convertPixels(const void* source, std::size_t count, int pixelType, float rescaleSlope,
                   float rescaleIntercept, int signCode, void* target) {
    const bool signedSamples = hasSignedSamples(signCode);
    switch (pixelType) {
    case PIXEL_UINT8:
        std::memcpy(target, source, count);
        return;
    case PIXEL_RGB24:
        std::memcpy(target, source, count * 3);
        return;
    case PIXEL_INT16:
    case PIXEL_UINT16:
        if (convertsAsCopy(pixelType, rescaleSlope, rescaleIntercept)) {
            std::memcpy(target, source, count * 2);
        } else if (pixelType == PIXEL_INT16) {
            rescaleSixteenBits(source, count, rescaleSlope, rescaleIntercept, -32768, 32767,
                               signedSamples, static_cast<std::int16_t*>(target));
        } else {
            rescaleSixteenBits(source, count, rescaleSlope, rescaleIntercept, 0, 65535,
                               signedSamples, static_cast<std::uint16_t*>(target));
        }
        return;
    case PIXEL_FLOAT32: {
        const std::uint16_t* unsignedSamples = static_cast<const std::uint16_t*>(source);
        const std::int16_t* signedSource = static_cast<const std::int16_t*>(source);
        float* out = static_cast<float*>(target);
        for (size_t i = 0; i < count; ++i) {
            const float sample = signedSamples ? signedSource[i] : unsignedSamples[i];
            out[i] = sample * rescaleSlope + rescaleIntercept;
        }
        return;
    }
    default:
        return;
    }
}

void parseDicomDate(const std::string& text, DicomDateTime& value) {
    value.year = digitsAt(text, 0, 4);
    value.month = digitsAt(text, 4, 2);
    value.day = digitsAt(text, 6, 2);
}

void parseDicomTime(const std::string& text, DicomDateTime& value) {
    value.hour = digitsAt(text, 0, 2);
    value.minute = digitsAt(text, 2, 2);
    value.second = digitsAt(text, 4, 2);
}

void parseDicomDateTime(const std::string& text, DicomDateTime& value) {
    parseDicomDate(text, value);
    value.hour = digitsAt(text, 8, 2);
    value.minute = digitsAt(text, 10, 2);
    value.second = digitsAt(text, 12, 2);
}

bool readDicomHeader(dcmSDK::dcmReader& reader, const DicomHeaderRules& rules,
                     DicomHeader& header) {
    header = DicomHeader();
    header.patientWeight = rules.absentWeightAndSize;
    header.patientSize = rules.absentWeightAndSize;
    header.acquired = rules.absentDate;
    header.injected = rules.absentDate;
    std::string text;

    header.modality =
        readTagText(reader, dicomTags::Modality, text) ? modalityCode(text) : rules.absentModality;
    const bool pet = header.modality == 1;
    readGeometry(reader, rules, header);

    unsigned short columns = 0;
    unsigned short rows = 0;
    if (!reader.readDicomTagUint16(dicomTags::Columns.group, dicomTags::Columns.element, columns) ||
        !reader.readDicomTagUint16(dicomTags::Rows.group, dicomTags::Rows.element, rows)) {
        return false;
    }
    header.width = columns;
    header.height = rows;
    if (readTagText(reader, dicomTags::NumberOfFrames, text) &&
        !framesFromText(text, header.frames)) {
        return false;
    }

    std::vector<double> values;
    if (readTagText(reader, dicomTags::PixelSpacing, text) && splitFiniteDecimals(text, values) &&
        usablePixelSpacing(values)) {
        header.hasPixelSpacing = true;
        header.spacingX = static_cast<float>(values[1]);
        header.spacingY = static_cast<float>(values[0]);
    }

    readTagText(reader, dicomTags::PatientSex, header.sex);
    readReal(reader, dicomTags::PatientWeight, header.patientWeight);
    readReal(reader, dicomTags::PatientSize, header.patientSize);
    if (rules.extrasOfEveryModality || header.modality == 0) {
        readTagText(reader, dicomTags::ScanOptions, header.scanOptions);
    }
    if (rules.extrasOfEveryModality || pet) {
        header.triggerTime = readShort(reader, dicomTags::TriggerTime);
    }
    if (rules.extrasOfEveryModality) {
        header.rrIntervals = readShort(reader, dicomTags::NumberOfRRIntervals);
        header.timeSlots = readShort(reader, dicomTags::NumberOfTimeSlots);
        header.slicesPerPhase = readShort(reader, dicomTags::NumberOfSlices);
        header.timeSlices = readShort(reader, dicomTags::NumberOfTimeSlices);
    }

    unsigned short bitsAllocated = 8;
    reader.readDicomTagUint16(dicomTags::BitsAllocated.group, dicomTags::BitsAllocated.element,
                              bitsAllocated);
    header.bitsAllocated = bitsAllocated;
    if (readTagText(reader, dicomTags::RescaleIntercept, text)) {
        header.rescaleIntercept =
            static_cast<float>(dcmSDK::usableRescaleIntercept(finiteRealOrNaN(text)));
    }
    if (readTagText(reader, dicomTags::RescaleSlope, text)) {
        header.rescaleSlope = static_cast<float>(dcmSDK::usableRescaleSlope(finiteRealOrNaN(text)));
    }
    unsigned short representation = 0;
    reader.readDicomTagUint16(dicomTags::PixelRepresentation.group,
                              dicomTags::PixelRepresentation.element, representation);
    header.signCode = representation > 0 ? 1 : 0;
    if (readTagText(reader, dicomTags::PhotometricInterpretation, text) && text == "MONOCHROME1") {
        header.signCode += 2;
    }

    header.windowCentre = pet ? 10000.0f : 128.0f;
    header.windowWidth = pet ? 20000.0f : 255.0f;
    double window = 0.0;
    if (readTagText(reader, dicomTags::WindowCenter, text) && textToFiniteReal(text, window)) {
        header.windowCentre = static_cast<float>(window);
    }
    if (readTagText(reader, dicomTags::WindowWidth, text) && textToFiniteReal(text, window) &&
        window > 0.0) {
        header.windowWidth = static_cast<float>(window);
    }

    if (pet) {
        readPetValues(reader, header);
    }
    return true;
}

void readPetDates(dcmSDK::dcmReader& reader, DicomDateTime& acquired, DicomDateTime& injected,
                  bool& valid) {
    valid = true;
    std::string text;
    if (readTagText(reader, dicomTags::AcquisitionDateTime, text) && text.size() > 13) {
        parseDicomDateTime(text, acquired);
    } else {
        static const DicomTag kPairs[3][2] = {
            {dicomTags::AcquisitionDate, dicomTags::AcquisitionTime},
            {dicomTags::SeriesDate, dicomTags::SeriesTime},
            {dicomTags::StudyDate, dicomTags::StudyTime}};
        bool found = false;
        for (const auto& pair : kPairs) {
            std::string date;
            std::string time;
            if (readTagText(reader, pair[0], date) && date.size() == 8 &&
                readTagText(reader, pair[1], time) && time.size() >= 6) {
                parseDicomDate(date, acquired);
                parseDicomTime(time, acquired);
                found = true;
                break;
            }
        }
        if (!found) {
            acquired.year = 1900;
            valid = false;
        }
    }
    if (readTagText(reader, dicomTags::RadiopharmaceuticalStartDateTime, text) &&
        text.size() > 13) {
        parseDicomDateTime(text, injected);
    } else if (readTagText(reader, dicomTags::RadiopharmaceuticalStartTime, text) &&
               text.size() >= 6) {
        injected = acquired;
        parseDicomTime(text, injected);
    } else {
        valid = false;
    }
}

}  // namespace isImageSDK
