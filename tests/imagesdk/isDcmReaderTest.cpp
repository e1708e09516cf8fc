#include "imagesdk/io/isDcmReader.h"

#include <gtest/gtest.h>

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "imagesdk/data/PixelType.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/TempDir.h"

using bvtest::DicomFixture;
using isImageSDK::isDcmReader;
using isImageSDK::isImageData;
using isImageSDK::isSliceInfo;

namespace {

// A reader with its output, pulled for one file at a time.
class DcmReaderFixture : public ::testing::Test {
protected:
    void SetUp() override {
        reader = isDcmReader::create();
        ASSERT_NE(reader, nullptr);
        data = static_cast<isImageData*>(reader->getOutput());
        ASSERT_NE(data, nullptr);
    }
    void TearDown() override {
        if (reader) {
            reader->release();
        }
    }

    std::string write(const DicomFixture& fixture, const std::string& name = "image.dcm") {
        const std::string path = (dir / name).string();
        std::string error;
        EXPECT_TRUE(fixture.write(path, &error)) << error;
        return path;
    }

    // The single slice read from the file, or null when none was added.
    isSliceInfo* read(const std::string& path) {
        reader->setFileName(path);
        data->update();
        const int slices = data->getNumberOfSlices();
        EXPECT_LE(slices, 1);
        return slices == 1 ? data->getSlice(0) : nullptr;
    }

    isSliceInfo* read(const DicomFixture& fixture) { return read(write(fixture)); }

    bvtest::TempDir dir;
    isDcmReader* reader = nullptr;
    isImageData* data = nullptr;
};

template <typename T> std::vector<double> valuesOf(const void* data, size_t count) {
    const T* p = static_cast<const T*>(data);
    return std::vector<double>(p, p + count);
}

std::vector<double> sliceValues(const isSliceInfo& slice) {
    const size_t count = static_cast<size_t>(slice.width) * slice.height * slice.frames;
    switch (slice.pixelType) {
    case isImageSDK::PIXEL_UINT8:
        return valuesOf<std::uint8_t>(slice.data, count);
    case isImageSDK::PIXEL_RGB24:
        return valuesOf<std::uint8_t>(slice.data, count * 3);
    case isImageSDK::PIXEL_INT16:
        return valuesOf<std::int16_t>(slice.data, count);
    case isImageSDK::PIXEL_UINT16:
        return valuesOf<std::uint16_t>(slice.data, count);
    default:
        return valuesOf<float>(slice.data, count);
    }
}

struct PixelCase {
    const char* label;
    DicomFixture::Pixels pixels;
    const char* modality;
    bool rescale;
    double slope;
    double intercept;
    int pixelType;
    int signCode;
};

// Stored value to the value the slice must hold, per pixel type's rules.
double expectedValue(const PixelCase& c, int sample) {
    if (c.pixelType == isImageSDK::PIXEL_UINT8 || c.pixelType == isImageSDK::PIXEL_RGB24) {
        return sample & 0xFF;
    }
    if (!c.rescale) {
        return sample;
    }
    const double value = sample * c.slope + c.intercept;
    if (c.pixelType == isImageSDK::PIXEL_FLOAT32) {
        return static_cast<float>(static_cast<float>(sample) * static_cast<float>(c.slope) +
                                  static_cast<float>(c.intercept));
    }
    if (std::trunc(c.slope) == 1.0 && std::trunc(c.intercept) == 0.0) {
        return sample;
    }
    const double low = c.pixelType == isImageSDK::PIXEL_INT16 ? -32768.0 : 0.0;
    const double high = c.pixelType == isImageSDK::PIXEL_INT16 ? 32767.0 : 65535.0;
    return std::min(high, std::max(low, std::trunc(value)));
}

TEST_F(DcmReaderFixture, PixelTypesAndRescaleOfEachKindOfFile) {
    using P = DicomFixture::Pixels;
    const PixelCase cases[] = {
        {"u8", P::U8, "CT", false, 1, 0, isImageSDK::PIXEL_UINT8, 0},
        {"s8", P::S8, "CT", false, 1, 0, isImageSDK::PIXEL_UINT8, 1},
        {"rgb", P::RGB8, "US", false, 1, 0, isImageSDK::PIXEL_RGB24, 0},
        {"u16 plain", P::U16, "CT", true, 1, 0, isImageSDK::PIXEL_UINT16, 0},
        {"s16 plain", P::S16, "MR", false, 1, 0, isImageSDK::PIXEL_INT16, 1},
        {"s16 ct", P::S16, "CT", true, 1, -1024, isImageSDK::PIXEL_INT16, 1},
        // 65535 - 1024 does not fit a signed 16-bit value: it saturates.
        {"u16 ct saturating", P::U16, "CT", true, 1, -1024, isImageSDK::PIXEL_INT16, 0},
        {"u16 offset", P::U16, "CT", true, 1, 1000, isImageSDK::PIXEL_UINT16, 0},
        {"u16 negative slope", P::U16, "CT", true, -1, 0, isImageSDK::PIXEL_INT16, 0},
        {"s16 slope 2", P::S16, "CT", true, 2, 0, isImageSDK::PIXEL_FLOAT32, 1},
        {"u16 fraction", P::U16, "MR", true, 1, 0.5, isImageSDK::PIXEL_FLOAT32, 0},
        {"s16 pet", P::S16, "PT", true, 1, 0, isImageSDK::PIXEL_FLOAT32, 1},
    };
    for (const PixelCase& c : cases) {
        SCOPED_TRACE(c.label);
        DicomFixture fixture;
        fixture.rows = 5;
        fixture.columns = 7;
        fixture.pixels = c.pixels;
        fixture.modality = c.modality;
        fixture.writeRescale = c.rescale;
        fixture.rescaleSlope = c.slope;
        fixture.rescaleIntercept = c.intercept;
        const isSliceInfo* slice = read(fixture);
        ASSERT_NE(slice, nullptr);
        EXPECT_EQ(slice->pixelType, c.pixelType);
        EXPECT_EQ(slice->signCode, c.signCode);
        EXPECT_EQ(slice->width, 7);
        EXPECT_EQ(slice->height, 5);
        EXPECT_TRUE(slice->loaded);
        EXPECT_FLOAT_EQ(slice->rescaleSlope, static_cast<float>(c.slope));
        EXPECT_FLOAT_EQ(slice->rescaleIntercept, static_cast<float>(c.intercept));
        const std::vector<int> samples = fixture.effectiveSamples();
        std::vector<double> expected;
        for (const int sample : samples) {
            expected.push_back(expectedValue(c, sample));
        }
        EXPECT_EQ(sliceValues(*slice), expected);
    }
}

TEST_F(DcmReaderFixture, HeaderValuesAndWindowDefaults) {
    DicomFixture fixture;
    fixture.pixelSpacing = {0.5, 0.75};
    fixture.instanceNumber = 9;
    fixture.customise = [](DcmDataset& ds) {
        ds.putAndInsertString(DCM_PatientSex, "F");
        ds.putAndInsertString(DCM_PatientWeight, "71.5");
        ds.putAndInsertString(DCM_PatientSize, "1.68");
        ds.putAndInsertString(DCM_ScanOptions, "HELICAL_MODE");
        ds.putAndInsertString(DCM_PhotometricInterpretation, "MONOCHROME1");
    };
    const isSliceInfo* slice = read(fixture);
    ASSERT_NE(slice, nullptr);
    EXPECT_EQ(slice->path, (dir / "image.dcm").string());
    EXPECT_EQ(slice->modality, 0);
    EXPECT_FLOAT_EQ(slice->pixelSpacingX, 0.75f);
    EXPECT_FLOAT_EQ(slice->pixelSpacingY, 0.5f);
    EXPECT_TRUE(slice->hasPixelSpacing);
    EXPECT_EQ(slice->sex, 2);
    EXPECT_FLOAT_EQ(slice->patientWeight, 71.5f);
    EXPECT_FLOAT_EQ(slice->patientSize, 1.68f);
    EXPECT_EQ(slice->scanOptions, "HELICAL_M");
    EXPECT_EQ(slice->signCode, 2);
    EXPECT_FLOAT_EQ(slice->windowWidth, 255.0f);
    EXPECT_FLOAT_EQ(slice->windowCentre, 128.0f);

    fixture.modality = "MR";
    fixture.writeWindow = true;
    fixture.windowCentre = 40;
    fixture.windowWidth = 400;
    fixture.pixelSpacing = {0.5, 0.75, 1.0};
    fixture.customise = nullptr;
    slice = read(fixture);
    ASSERT_NE(slice, nullptr);
    EXPECT_EQ(slice->modality, 3);
    EXPECT_EQ(slice->sex, 3);
    EXPECT_FLOAT_EQ(slice->patientWeight, -1.0f);
    EXPECT_EQ(slice->scanOptions, "");
    // Three values are no pixel spacing: the image is measured in pixels.
    EXPECT_FLOAT_EQ(slice->pixelSpacingX, 1.0f);
    EXPECT_FLOAT_EQ(slice->pixelSpacingY, 1.0f);
    EXPECT_FALSE(slice->hasPixelSpacing);
    EXPECT_FLOAT_EQ(slice->windowWidth, 400.0f);
    EXPECT_FLOAT_EQ(slice->windowCentre, 40.0f);

    fixture.pixelSpacing.clear();
    fixture.modality = "OT";
    slice = read(fixture);
    ASSERT_NE(slice, nullptr);
    EXPECT_EQ(slice->modality, 7);
    EXPECT_FALSE(slice->hasPixelSpacing);
    EXPECT_FLOAT_EQ(slice->pixelSpacingX, 1.0f);
}

struct GeometryCase {
    const char* label;
    const char* modality;
    const char* position;  // null: no Patient Position
    std::vector<double> imagePosition;
    std::vector<double> orientation;
    int orientationCode;
    int headFeetCode;
    bool geometryValid;
    float column[4][3];  // row, column, normal, position in world coordinates
};

TEST_F(DcmReaderFixture, GeometryFromPatientPositionOrientationAndPosition) {
    const std::vector<double> axial = {1, 0, 0, 0, 1, 0};
    const GeometryCase cases[] = {
        {"hfs",
         "CT",
         "HFS",
         {1, 2, 3},
         axial,
         0,
         0,
         true,
         {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}, {1, 3, -2}}},
        {"ffp",
         "CT",
         "FFP",
         {1, 2, 3},
         axial,
         1,
         1,
         true,
         {{1, 0, 0}, {0, 0, 1}, {0, -1, 0}, {1, -3, 2}}},
        {"ct without position",
         "CT",
         nullptr,
         {1, 2, 3},
         axial,
         0,
         2,
         true,
         {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}, {1, 3, -2}}},
        {"us without position",
         "US",
         nullptr,
         {1, 2, 3},
         axial,
         0,
         0,
         false,
         {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}, {1, 3, -2}}},
        {"unknown position",
         "MR",
         "SITTING",
         {1, 2, 3},
         axial,
         0,
         2,
         false,
         {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}, {1, 3, -2}}},
        {"directions a shade long and short, used at unit length",
         "CT",
         "HFS",
         {1, 2, 3},
         {1.008, 0, 0, 0, 0.992, 0},
         0,
         0,
         true,
         {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}, {1, 3, -2}}},
        {"oblique directions a shade long and short, used at unit length",
         "CT",
         "HFS",
         {1, 2, 3},
         {0.6048, 0.8064, 0, -0.7936, 0.5952, 0},
         0,
         0,
         true,
         {{0.6, 0, -0.8}, {-0.8, 0, -0.6}, {0, 1, 0}, {1, 3, -2}}},
        {"five orientation values",
         "CT",
         "HFS",
         {1, 2, 3},
         {0, 1, 0, 0, 0},
         0,
         0,
         false,
         {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}, {1, 3, -2}}},
        {"two position values",
         "CT",
         "HFS",
         {1, 2},
         {0, 1, 0, 0, 0, -1},
         0,
         0,
         false,
         {{0, 0, -1}, {0, -1, 0}, {-1, 0, 0}, {0, 0, 0}}},
    };
    for (const GeometryCase& c : cases) {
        SCOPED_TRACE(c.label);
        DicomFixture fixture;
        fixture.modality = c.modality;
        fixture.patientPosition = c.position ? c.position : "";
        fixture.imagePosition = c.imagePosition;
        fixture.imageOrientation = c.orientation;
        const isSliceInfo* slice = read(fixture);
        ASSERT_NE(slice, nullptr);
        EXPECT_EQ(slice->orientationCode, c.orientationCode);
        EXPECT_EQ(slice->headFeetCode, c.headFeetCode);
        EXPECT_EQ(slice->geometryValid, c.geometryValid);
        for (int col = 0; col < 4; ++col) {
            for (int row = 0; row < 3; ++row) {
                EXPECT_FLOAT_EQ(slice->matrix.m[col * 4 + row], c.column[col][row])
                    << "column " << col << " row " << row;
            }
            EXPECT_FLOAT_EQ(slice->matrix.m[col * 4 + 3], col == 3 ? 1.0f : 0.0f);
        }
    }
}

TEST_F(DcmReaderFixture, PetValuesAndDates) {
    DicomFixture fixture;
    fixture.modality = "PT";
    fixture.pixels = DicomFixture::Pixels::S16;
    fixture.pet = true;
    fixture.triggerTime = "250";
    fixture.customise = [](DcmDataset& ds) {
        ds.putAndInsertString(DCM_AcquisitionDate, "20240105");
        ds.putAndInsertString(DCM_AcquisitionTime, "093000.25");
        ds.putAndInsertString(DcmTag(0x7053, 0x0010, EVR_LO), "Philips PET Private Group");
        ds.putAndInsertString(DcmTag(0x7053, 0x1000, EVR_DS), "0.00042");
    };
    const isSliceInfo* slice = read(fixture);
    ASSERT_NE(slice, nullptr);
    EXPECT_EQ(slice->pixelType, isImageSDK::PIXEL_FLOAT32);
    EXPECT_FLOAT_EQ(slice->windowWidth, 20000.0f);
    EXPECT_FLOAT_EQ(slice->windowCentre, 10000.0f);
    EXPECT_FLOAT_EQ(slice->totalDose, 370000000.0f);
    EXPECT_FLOAT_EQ(slice->halfLife, 6586.2f);
    EXPECT_FLOAT_EQ(slice->decayFactor, 1.02f);
    EXPECT_EQ(slice->decayCorrection, 2);
    EXPECT_EQ(slice->units, 1);
    EXPECT_FLOAT_EQ(slice->suvFactor, 0.00042f);
    EXPECT_EQ(slice->triggerTime, 250);
    EXPECT_TRUE(slice->decayValid);
    const isImageSDK::DicomDateTime& a = slice->acquired;
    EXPECT_EQ(std::vector<int>({a.year, a.month, a.day, a.hour, a.minute, a.second}),
              std::vector<int>({2024, 1, 5, 9, 30, 0}));
    const isImageSDK::DicomDateTime& i = slice->injected;
    EXPECT_EQ(std::vector<int>({i.year, i.month, i.day, i.hour, i.minute, i.second}),
              std::vector<int>({2024, 1, 5, 10, 15, 0}));

    // Without any date pair the acquisition year is 1900 and the dates are not usable; a start
    // date-time still gives the injection moment.
    fixture.studyDate = "2024";
    fixture.startDateTime = "20231230221100";
    fixture.units = "CNTS";
    fixture.decayCorrection = "ADMIN";
    fixture.customise = nullptr;
    slice = read(fixture);
    ASSERT_NE(slice, nullptr);
    EXPECT_FALSE(slice->decayValid);
    EXPECT_EQ(slice->acquired.year, 1900);
    EXPECT_EQ(std::vector<int>({slice->injected.year, slice->injected.month, slice->injected.day,
                                slice->injected.hour, slice->injected.minute}),
              std::vector<int>({2023, 12, 30, 22, 11}));
    EXPECT_EQ(slice->units, 2);
    EXPECT_EQ(slice->decayCorrection, 1);

    // A CT file keeps the record's PET defaults.
    fixture.modality = "CT";
    slice = read(fixture);
    ASSERT_NE(slice, nullptr);
    EXPECT_FLOAT_EQ(slice->halfLife, 0.0f);
    EXPECT_EQ(slice->triggerTime, 0);
    EXPECT_FALSE(slice->decayValid);
}

TEST_F(DcmReaderFixture, MultiFrameFileIsOneSliceHoldingEveryFrame) {
    DicomFixture fixture;
    fixture.pixels = DicomFixture::Pixels::S16;
    fixture.frames = 3;
    fixture.rows = 4;
    fixture.columns = 6;
    const isSliceInfo* slice = read(fixture);
    ASSERT_NE(slice, nullptr);
    EXPECT_EQ(slice->frames, 3);
    const std::vector<int> samples = fixture.effectiveSamples();
    EXPECT_EQ(sliceValues(*slice), std::vector<double>(samples.begin(), samples.end()));
}

// A header that counts fewer than one frame does not describe its pixels: like one that counts
// more than a slice can hold, it is refused.
TEST_F(DcmReaderFixture, NumberOfFramesBelowOneIsRefused) {
    for (const char* frames : {"0", "-3"}) {
        DicomFixture fixture;
        fixture.customise = [frames](DcmDataset& ds) {
            ds.putAndInsertString(DCM_NumberOfFrames, frames);
        };
        EXPECT_EQ(read(fixture), nullptr) << frames;
        EXPECT_EQ(data->getNumberOfSlices(), 0) << frames;
    }
    DicomFixture one;
    one.customise = [](DcmDataset& ds) { ds.putAndInsertString(DCM_NumberOfFrames, "1"); };
    const isSliceInfo* slice = read(one);
    ASSERT_NE(slice, nullptr);
    EXPECT_EQ(slice->frames, 1);
}

// Values that would place, scale or window an image wrongly are not taken as read.
struct HeaderTextCase {
    const char* label;
    const char* modality;
    std::vector<std::pair<DcmTagKey, const char*>> texts;
};

// Invalid geometry leaves the defaults in the matrix: no NaN or infinity reaches a viewer.
void expectIdentityPlacement(const isSliceInfo& slice) {
    const float columns[4][3] = {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}, {0, 0, 0}};
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 3; ++row) {
            EXPECT_FLOAT_EQ(slice.matrix.m[col * 4 + row], columns[col][row])
                << "column " << col << " row " << row;
        }
    }
}

TEST_F(DcmReaderFixture, PositionOrOrientationThatPlacesNothingIsInvalidGeometry) {
    const HeaderTextCase cases[] = {
        {"position NaN", "CT", {{DCM_ImagePositionPatient, "NaN\\0\\0"}}},
        {"position infinite", "CT", {{DCM_ImagePositionPatient, "0\\inf\\0"}}},
        {"position beyond float", "CT", {{DCM_ImagePositionPatient, "0\\0\\1e300"}}},
        {"position not a number", "CT", {{DCM_ImagePositionPatient, "0\\x\\0"}}},
        {"orientation zeros", "CT", {{DCM_ImageOrientationPatient, "0\\0\\0\\0\\0\\0"}}},
        {"orientation zero row", "MR", {{DCM_ImageOrientationPatient, "0\\0\\0\\0\\1\\0"}}},
        {"orientation parallel", "CT", {{DCM_ImageOrientationPatient, "1\\0\\0\\-1\\0\\0"}}},
        {"orientation NaN", "PT", {{DCM_ImageOrientationPatient, "1\\0\\0\\0\\NaN\\0"}}},
        {"orientation far from unit length",
         "CT",
         {{DCM_ImageOrientationPatient, "2\\0\\0\\0\\0.5\\0"}}},
        {"orientation nearly parallel",
         "CT",
         {{DCM_ImageOrientationPatient, "1\\0\\0\\0.9999\\0.0141\\0"}}},
    };
    for (const HeaderTextCase& c : cases) {
        SCOPED_TRACE(c.label);
        DicomFixture fixture;
        fixture.modality = c.modality;
        fixture.pixels = DicomFixture::Pixels::S16;
        fixture.customise = [&c](DcmDataset& ds) {
            ds.putAndInsertString(DCM_ImagePositionPatient, "0\\0\\0");
            for (const auto& text : c.texts) {
                ds.putAndInsertString(text.first, text.second);
            }
        };
        const isSliceInfo* slice = read(fixture);
        ASSERT_NE(slice, nullptr);
        EXPECT_FALSE(slice->geometryValid);
        expectIdentityPlacement(*slice);
    }
    // Directions written with few decimals, a little off unit length, still place the image.
    DicomFixture rounded;
    rounded.imageOrientation = {1.005, 0, 0, 0, 0.995, 0};
    const isSliceInfo* slice = read(rounded);
    ASSERT_NE(slice, nullptr);
    EXPECT_TRUE(slice->geometryValid);
}

TEST_F(DcmReaderFixture, SlopeZeroOrNotFiniteIsOneAndAnInterceptNotFiniteIsZero) {
    const struct {
        const char* slope;
        const char* intercept;
        float expectedSlope;
        float expectedIntercept;
    } cases[] = {
        {"0", "-1024", 1.0f, -1024.0f},   {"NaN", "-1024", 1.0f, -1024.0f},
        {"inf", "-1024", 1.0f, -1024.0f}, {"1e39", "-1024", 1.0f, -1024.0f},
        {"1", "NaN", 1.0f, 0.0f},         {"0", "-inf", 1.0f, 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.slope) + " " + c.intercept);
        DicomFixture fixture;
        fixture.pixels = DicomFixture::Pixels::S16;
        fixture.customise = [&c](DcmDataset& ds) {
            ds.putAndInsertString(DCM_RescaleSlope, c.slope);
            ds.putAndInsertString(DCM_RescaleIntercept, c.intercept);
        };
        const isSliceInfo* slice = read(fixture);
        ASSERT_NE(slice, nullptr);
        EXPECT_FLOAT_EQ(slice->rescaleSlope, c.expectedSlope);
        EXPECT_FLOAT_EQ(slice->rescaleIntercept, c.expectedIntercept);
        EXPECT_EQ(slice->pixelType, isImageSDK::PIXEL_INT16);
        std::vector<double> expected;
        for (const int sample : fixture.effectiveSamples()) {
            expected.push_back(
                std::min(32767.0, std::max(-32768.0, sample + double(c.expectedIntercept))));
        }
        EXPECT_EQ(sliceValues(*slice), expected);
    }
}

TEST_F(DcmReaderFixture, SpacingAndWindowThatCannotBeUsedAreAbsent) {
    const HeaderTextCase spacing[] = {
        {"zero", "CT", {{DCM_PixelSpacing, "0\\0.5"}}},
        {"negative", "CT", {{DCM_PixelSpacing, "0.5\\-0.5"}}},
        {"infinite", "CT", {{DCM_PixelSpacing, "inf\\0.5"}}},
        {"NaN", "CT", {{DCM_PixelSpacing, "0.5\\NaN"}}},
        {"one value", "CT", {{DCM_PixelSpacing, "0.5"}}},
        {"far too small", "CT", {{DCM_PixelSpacing, "1e-30\\0.5"}}},
        {"far too large", "CT", {{DCM_PixelSpacing, "0.5\\1e30"}}},
        {"not a number", "CT", {{DCM_PixelSpacing, "x\\0.5"}}},
    };
    for (const HeaderTextCase& c : spacing) {
        SCOPED_TRACE(c.label);
        DicomFixture fixture;
        fixture.customise = [&c](DcmDataset& ds) {
            for (const auto& text : c.texts) {
                ds.putAndInsertString(text.first, text.second);
            }
        };
        const isSliceInfo* slice = read(fixture);
        ASSERT_NE(slice, nullptr);
        EXPECT_FALSE(slice->hasPixelSpacing);
        EXPECT_FLOAT_EQ(slice->pixelSpacingX, 1.0f);
        EXPECT_FLOAT_EQ(slice->pixelSpacingY, 1.0f);
    }

    const struct {
        HeaderTextCase header;
        float width;
        float centre;
    } windows[] = {
        {{"width zero", "CT", {{DCM_WindowCenter, "40"}, {DCM_WindowWidth, "0"}}}, 255.0f, 40.0f},
        {{"width negative", "MR", {{DCM_WindowCenter, "-400"}, {DCM_WindowWidth, "-5"}}},
         255.0f,
         -400.0f},
        {{"width unreadable", "CT", {{DCM_WindowCenter, "40"}, {DCM_WindowWidth, "wide"}}},
         255.0f,
         40.0f},
        {{"centre not a number", "CT", {{DCM_WindowCenter, "abc"}, {DCM_WindowWidth, "400"}}},
         400.0f,
         128.0f},
        {{"pet width zero", "PT", {{DCM_WindowCenter, "NaN"}, {DCM_WindowWidth, "0"}}},
         20000.0f,
         10000.0f},
        {{"first of several",
          "CT",
          {{DCM_WindowCenter, "40\\300"}, {DCM_WindowWidth, "400\\1500"}}},
         400.0f,
         40.0f},
    };
    for (const auto& c : windows) {
        SCOPED_TRACE(c.header.label);
        DicomFixture fixture;
        fixture.modality = c.header.modality;
        fixture.pixels = DicomFixture::Pixels::S16;
        fixture.customise = [&c](DcmDataset& ds) {
            for (const auto& text : c.header.texts) {
                ds.putAndInsertString(text.first, text.second);
            }
        };
        const isSliceInfo* slice = read(fixture);
        ASSERT_NE(slice, nullptr);
        EXPECT_FLOAT_EQ(slice->windowWidth, c.width);
        EXPECT_FLOAT_EQ(slice->windowCentre, c.centre);
    }
}

TEST_F(DcmReaderFixture, RefusedFilesLeaveTheOutputEmptyAndTheReaderReusable) {
    DicomFixture good;
    const std::string goodPath = write(good, "good.dcm");

    std::ofstream(dir / "junk.dcm") << std::string(128, '\0') << "DICM garbage";
    DicomFixture noRows;
    noRows.customise = [](DcmDataset& ds) { ds.findAndDeleteElement(DCM_Rows); };
    DicomFixture manyFrames;
    manyFrames.customise = [](DcmDataset& ds) {
        ds.putAndInsertString(DCM_NumberOfFrames, "40000");
    };
    DicomFixture claimsMoreFrames;
    claimsMoreFrames.customise = [](DcmDataset& ds) {
        ds.putAndInsertString(DCM_NumberOfFrames, "2");
    };
    DicomFixture twelveBits;
    twelveBits.customise = [](DcmDataset& ds) { ds.putAndInsertUint16(DCM_BitsAllocated, 12); };

    const std::string refused[] = {
        (dir / "missing.dcm").string(),
        (dir / "junk.dcm").string(),
        write(noRows, "norows.dcm"),
        write(manyFrames, "manyframes.dcm"),
        write(claimsMoreFrames, "claimsmore.dcm"),
        write(twelveBits, "twelvebits.dcm"),
    };
    for (const std::string& path : refused) {
        ASSERT_NE(read(goodPath), nullptr);
        EXPECT_EQ(read(path), nullptr) << path;
        EXPECT_EQ(data->getNumberOfSlices(), 0) << path;
    }
    EXPECT_NE(read(goodPath), nullptr);
}

// Real files written by other tools (shipped by Debian's python3-pydicom): each is read into a
// slice whose every sample can be touched, or leaves the output empty.
TEST_F(DcmReaderFixture, ShippedFilesAreReadWholeOrRefused) {
    const std::filesystem::path folder = "/usr/lib/python3/dist-packages/pydicom/data/test_files";
    ASSERT_TRUE(std::filesystem::is_directory(folder));
    int read = 0;
    int refused = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().extension() == ".py") {
            continue;
        }
        const isSliceInfo* slice = this->read(entry.path().string());
        if (!slice) {
            ++refused;
            continue;
        }
        ++read;
        const size_t bytes = static_cast<size_t>(slice->width) * slice->height * slice->frames *
                             isImageSDK::bytesPerPixel(slice->pixelType);
        ASSERT_GT(bytes, 0u) << entry.path();
        const auto* p = static_cast<const std::uint8_t*>(slice->data);
        unsigned sum = 0;
        for (size_t i = 0; i < bytes; ++i) {
            sum += p[i];
        }
        EXPECT_TRUE(slice->loaded) << entry.path() << sum;
    }
    EXPECT_GT(read, 50);
    EXPECT_GT(refused, 0);
}

TEST_F(DcmReaderFixture, ReaderIsAReaderAndStartsWithoutPath) {
    EXPECT_TRUE(reader->isReader());
    EXPECT_EQ(reader->getFileName(), "");
    EXPECT_EQ(reader->getOutput(), data);
    data->update();
    EXPECT_EQ(data->getNumberOfSlices(), 0);
}

}  // namespace
