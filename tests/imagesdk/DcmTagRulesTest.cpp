#include "imagesdk/io/DcmTagRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "imagesdk/data/PixelType.h"

using namespace isImageSDK;

namespace {

struct MappingCase {
    const char* position;
    cocos2d::Vec3 world;  // of patient (1, 2, 3)
};

TEST(DcmTagRulesTest, PatientPositionsMapPatientAxesToWorld) {
    const MappingCase cases[] = {
        {"HFS", {1, 3, -2}},   {"HFP", {-1, 3, 2}}, {"HFDR", {2, 3, 1}},   {"HFDL", {-2, 3, -1}},
        {"FFS", {-1, -3, -2}}, {"FFP", {1, -3, 2}}, {"FFDR", {-2, -3, 1}}, {"FFDL", {2, -3, -1}},
    };
    const double patient[3] = {1.0, 2.0, 3.0};
    for (const MappingCase& c : cases) {
        int orientation = -1;
        int headFeet = -1;
        ASSERT_TRUE(patientPositionCodes(c.position, orientation, headFeet)) << c.position;
        const cocos2d::Vec3 world = patientToWorld(patient, orientation, headFeet);
        EXPECT_EQ(world, c.world) << c.position;
    }
}

TEST(DcmTagRulesTest, UnknownPositionTextLeavesCodesAndUndeterminedCountsAsHeadFirstSupine) {
    int orientation = 3;
    int headFeet = 1;
    EXPECT_FALSE(patientPositionCodes("hfs", orientation, headFeet));
    EXPECT_FALSE(patientPositionCodes("HFS ", orientation, headFeet));
    EXPECT_EQ(orientation, 3);
    EXPECT_EQ(headFeet, 1);
    const double patient[3] = {1.0, 2.0, 3.0};
    EXPECT_EQ(patientToWorld(patient, 1, 2), cocos2d::Vec3(1, 3, -2));
}

TEST(DcmTagRulesTest, SliceFrameHoldsMappedDirectionsNormalAndPosition) {
    const double row[3] = {1.0, 0.0, 0.0};
    const double column[3] = {0.0, 1.0, 0.0};
    const double position[3] = {-10.0, 20.0, 30.0};
    const cocos2d::Mat4 m = sliceFrameMatrix(row, column, position, 0, 0);
    // Row (1,0,0), column (0,0,-1), normal row x column = (0,1,0), position (-10,30,-20).
    const float expected[16] = {1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, -10, 30, -20, 1};
    for (int i = 0; i < 16; ++i) {
        EXPECT_FLOAT_EQ(m.m[i], expected[i]) << i;
    }
}

TEST(DcmTagRulesTest, CodesCompareWholeTexts) {
    EXPECT_EQ(modalityCode("CT"), 0);
    EXPECT_EQ(modalityCode("PT"), 1);
    EXPECT_EQ(modalityCode("US"), 2);
    EXPECT_EQ(modalityCode("MR"), 3);
    EXPECT_EQ(modalityCode("DR"), 4);
    EXPECT_EQ(modalityCode("DX"), 4);
    EXPECT_EQ(modalityCode("NM"), 5);
    EXPECT_EQ(modalityCode("XA"), 6);
    EXPECT_EQ(modalityCode("ct"), 7);
    EXPECT_EQ(modalityCode("CTX"), 7);
    EXPECT_EQ(sexCode("M"), 1);
    EXPECT_EQ(sexCode("F"), 2);
    EXPECT_EQ(sexCode("O"), 3);
    EXPECT_EQ(decayCorrectionCode("ADMIN"), 1);
    EXPECT_EQ(decayCorrectionCode("START"), 2);
    EXPECT_EQ(decayCorrectionCode("NONE"), 3);
    EXPECT_EQ(decayCorrectionCode("start"), 4);
    EXPECT_EQ(unitsCode("BQML"), 1);
    EXPECT_EQ(unitsCode("CNTS"), 2);
    EXPECT_EQ(unitsCode("GML"), 3);
}

TEST(DcmTagRulesTest, FramesBelowOneOrAboveTheLimitAreRefused) {
    const struct {
        const char* text;
        bool accepted;
        int frames;
    } cases[] = {{"0", false, 0},
                 {"-3", false, 0},
                 {"7", true, 7},
                 {"1", true, 1},
                 {"32767", true, 32767},
                 {"32768", false, 0},
                 {"99999999999", false, 0},
                 {"", false, 0},
                 {"-99999999999", false, 0}};
    for (const auto& c : cases) {
        int frames = 0;
        EXPECT_EQ(framesFromText(c.text, frames), c.accepted) << c.text;
        if (c.accepted) {
            EXPECT_EQ(frames, c.frames) << c.text;
        }
    }
}

TEST(DcmTagRulesTest, OnlyFiniteValuesPlaceAndMeasure) {
    std::vector<double> values;
    EXPECT_TRUE(splitFiniteDecimals("1.5\\-2\\3e1", values));
    EXPECT_EQ(values, (std::vector<double>{1.5, -2.0, 30.0}));
    for (const char* text : {"1\\nan\\3", "inf", "1\\\\3", "x", "", "1e39"}) {
        EXPECT_FALSE(splitFiniteDecimals(text, values)) << text;
    }

    const struct {
        std::vector<double> values;
        bool usable;
    } orientations[] = {
        {{1, 0, 0, 0, 1, 0}, true},
        {{0.6, 0.8, 0, 0, 0, -1}, true},
        {{0, 0, 0, 0, 0, 0}, false},
        {{1, 0, 0, 0, 0, 0}, false},
        {{1, 0, 0, 2, 0, 0}, false},
        {{1, 0, 0, 1, 1e-6, 0}, false},
        {{1, 0, 0, 0, 1}, false},
        // Lengths just inside and just past 1 +- 1e-2, and far from it.
        {{1.0099, 0, 0, 0, 0.9901, 0}, true},
        {{1.0101, 0, 0, 0, 1, 0}, false},
        {{1, 0, 0, 0, 0.9899, 0}, false},
        {{0.6, 0.8, 0, 0, 0, -3}, false},
        {{1e-3, 0, 0, 0, 1e-3, 0}, false},
        // Cosines just inside and just past 1e-2, and nearly parallel.
        {{1, 0, 0, 0.0099, std::sqrt(1 - 0.0099 * 0.0099), 0}, true},
        {{1, 0, 0, 0.0101, std::sqrt(1 - 0.0101 * 0.0101), 0}, false},
        {{1, 0, 0, std::sqrt(1 - 1e-6), 1e-3, 0}, false},
    };
    for (const auto& c : orientations) {
        EXPECT_EQ(usableOrientation(c.values), c.usable) << ::testing::PrintToString(c.values);
    }
    EXPECT_TRUE(usablePosition({-120.5, 0, 3e4}));
    EXPECT_FALSE(usablePosition({1, 2}));
    for (const std::vector<double>& spacing :
         std::vector<std::vector<double>>{{0.5, 0.25}, {1e-6, 1e4}, {1e4, 1e-6}}) {
        EXPECT_TRUE(usablePixelSpacing(spacing)) << ::testing::PrintToString(spacing);
    }
    for (const std::vector<double>& spacing : std::vector<std::vector<double>>{{0, 1},
                                                                               {1, -1},
                                                                               {1},
                                                                               {1, 1, 1},
                                                                               {},
                                                                               {0.99e-6, 1},
                                                                               {1, 1.01e4},
                                                                               {1e-30, 1},
                                                                               {1, 1e30}}) {
        EXPECT_FALSE(usablePixelSpacing(spacing)) << ::testing::PrintToString(spacing);
    }
}

TEST(DcmTagRulesTest, SplitDecimalsKeepsEveryValue) {
    EXPECT_EQ(splitDecimals("1.5\\-2\\3e1"), (std::vector<double>{1.5, -2.0, 30.0}));
    EXPECT_EQ(splitDecimals("1\\2\\3\\4\\5").size(), 5u);
    EXPECT_EQ(splitDecimals("x\\1"), (std::vector<double>{0.0, 1.0}));
}

struct PixelTypeCase {
    int bits;
    int library;
    int modality;
    float slope;
    float intercept;
    int sign;
    int expected;
};

TEST(DcmTagRulesTest, PixelTypeFollowsBitsLibraryTypeRescaleAndSign) {
    const PixelTypeCase cases[] = {
        {8, 0, 0, 1, 0, 0, PIXEL_UINT8},
        {8, 2, 0, 1, 0, 0, PIXEL_RGB24},
        {8, 1, 0, 1, 0, 0, -1},
        {24, 0, 0, 1, 0, 0, PIXEL_RGB24},
        {24, 1, 0, 1, 0, 0, PIXEL_RGB24},
        {16, 1, 1, 1, 0, 0, PIXEL_FLOAT32},     // PET
        {16, 1, 0, 1.5f, 0, 0, PIXEL_FLOAT32},  // fractional slope
        {16, 1, 0, 1, 0.5f, 1, PIXEL_FLOAT32},  // fractional intercept
        {16, 1, 0, 2, 0, 0, PIXEL_FLOAT32},     // slope above 1
        {16, 1, 0, 1, -1024, 0, PIXEL_INT16},
        {16, 1, 0, -1, 0, 0, PIXEL_INT16},
        {16, 1, 0, 1, 0, 1, PIXEL_INT16},
        {16, 1, 0, 1, 0, 3, PIXEL_INT16},
        {16, 1, 0, 1, 0, 2, PIXEL_UINT16},
        {16, 1, 0, 1, 0, 0, PIXEL_UINT16},
        {16, 0, 0, 1, 0, 0, -1},
        {16, 2, 0, 1, 0, 0, -1},
        {12, 1, 0, 1, 0, 0, -1},
        {32, 1, 0, 1, 0, 0, -1},
    };
    for (const PixelTypeCase& c : cases) {
        EXPECT_EQ(choosePixelType(c.bits, c.library, c.modality, c.slope, c.intercept, c.sign),
                  c.expected)
            << c.bits << " bits, library " << c.library << ", slope " << c.slope << ", intercept "
            << c.intercept << ", sign " << c.sign;
    }
}

TEST(DcmTagRulesTest, RescaledSixteenBitValuesTruncateAndSaturate) {
    const std::int16_t signedSamples[] = {-32768, -3, 0, 3, 32767};
    std::int16_t signedOut[5] = {};
    convertPixels(signedSamples, 5, PIXEL_INT16, 1.0f, -1024.0f, 1, signedOut);
    EXPECT_EQ(std::vector<std::int16_t>(signedOut, signedOut + 5),
              (std::vector<std::int16_t>{-32768, -1027, -1024, -1021, 31743}));

    convertPixels(signedSamples, 5, PIXEL_INT16, -1.0f, 0.0f, 1, signedOut);
    EXPECT_EQ(std::vector<std::int16_t>(signedOut, signedOut + 5),
              (std::vector<std::int16_t>{32767, 3, 0, -3, -32767}));

    const std::uint16_t unsignedSamples[] = {0, 100, 65535};
    std::int16_t fromUnsigned[3] = {};
    convertPixels(unsignedSamples, 3, PIXEL_INT16, 1.0f, -1024.0f, 0, fromUnsigned);
    EXPECT_EQ(std::vector<std::int16_t>(fromUnsigned, fromUnsigned + 3),
              (std::vector<std::int16_t>{-1024, -924, 32767}));

    std::uint16_t unsignedOut[3] = {};
    convertPixels(unsignedSamples, 3, PIXEL_UINT16, 1.0f, 2000.0f, 0, unsignedOut);
    EXPECT_EQ(std::vector<std::uint16_t>(unsignedOut, unsignedOut + 3),
              (std::vector<std::uint16_t>{2000, 2100, 65535}));
    const std::int16_t negative[] = {-5, 5};
    convertPixels(negative, 2, PIXEL_UINT16, 1.0f, 2.0f, 1, unsignedOut);
    EXPECT_EQ(unsignedOut[0], 0);
    EXPECT_EQ(unsignedOut[1], 7);
}

// Every 16-bit sample through integral and fractional rescales, both sample signs and both
// target types, against the rule written out in double precision: truncate, then saturate.
TEST(DcmTagRulesTest, RescaleOfEverySampleMatchesTheDoubleRule) {
    std::vector<std::uint16_t> samples(65536);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = std::uint16_t(i);
    }
    // An odd count and an odd start cross the block edges of the converter.
    const std::size_t count = samples.size() - 3;
    const std::uint16_t* source = samples.data() + 1;
    const struct {
        float slope;
        float intercept;
    } rescales[] = {{1.0f, -1024.0f},      {-1.0f, 0.0f},       {2.0f, -3000.0f},
                    {0.0f, 7.0f},          {-3.0f, 100000.0f},  {16384.0f, -536870912.0f},
                    {-16385.0f, 1.0f},     {1.0f, 1e9f},        {0.5f, -1024.0f},
                    {1.0f, -1024.5f},      {-2.75f, 3.25f},     {1.0f, 40000.0f},
                    {1.0f, -536870912.0f}, {1.0f, 536870912.0f}};
    for (const auto& r : rescales) {
        for (int sign : {0, 1}) {
            for (int type : {PIXEL_INT16, PIXEL_UINT16}) {
                const double lowest = type == PIXEL_INT16 ? -32768.0 : 0.0;
                const double highest = type == PIXEL_INT16 ? 32767.0 : 65535.0;
                std::vector<std::uint16_t> out(count);
                convertPixels(source, count, type, r.slope, r.intercept, sign, out.data());
                int wrong = 0;
                for (std::size_t i = 0; i < count; ++i) {
                    const double sample =
                        sign ? double(std::int16_t(source[i])) : double(source[i]);
                    const double value = std::min(
                        std::max(std::trunc(sample * double(r.slope) + double(r.intercept)),
                                 lowest),
                        highest);
                    const double got =
                        type == PIXEL_INT16 ? double(std::int16_t(out[i])) : double(out[i]);
                    wrong += got != value;
                }
                EXPECT_EQ(wrong, 0) << "slope " << r.slope << " intercept " << r.intercept
                                    << " sign " << sign << " type " << type;
            }
        }
    }
}

TEST(DcmTagRulesTest, IntegerUnitRescaleCopiesSamplesUnchanged) {
    // Slope and intercept that truncate to 1 and 0 copy the stored bits as they are.
    const std::uint16_t samples[] = {0, 40000, 65535};
    std::uint16_t out[3] = {};
    convertPixels(samples, 3, PIXEL_INT16, 1.0f, 0.0f, 1, out);
    EXPECT_EQ(std::vector<std::uint16_t>(out, out + 3),
              (std::vector<std::uint16_t>{0, 40000, 65535}));
}

TEST(DcmTagRulesTest, FloatConversionReadsSamplesBySignCode) {
    const std::uint16_t samples[] = {0xFFFF, 2};
    float out[2] = {};
    convertPixels(samples, 2, PIXEL_FLOAT32, 0.5f, 1.0f, 1, out);
    EXPECT_FLOAT_EQ(out[0], 0.5f);
    EXPECT_FLOAT_EQ(out[1], 2.0f);
    convertPixels(samples, 2, PIXEL_FLOAT32, 0.5f, 1.0f, 2, out);
    EXPECT_FLOAT_EQ(out[0], 32768.5f);
}

bool sameDateTime(const DicomDateTime& a, const DicomDateTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute && a.second == b.second;
}

TEST(DcmTagRulesTest, DatesAndTimesReadFixedWidthDigitsIgnoringFractionsAndZones) {
    DicomDateTime value{0, 0, 0, 0, 0, 0};
    parseDicomDate("20240229", value);
    parseDicomTime("235958.123456", value);
    EXPECT_TRUE(sameDateTime(value, DicomDateTime{2024, 2, 29, 23, 59, 58}));
    parseDicomDateTime("19991231010203.5+0100", value);
    EXPECT_TRUE(sameDateTime(value, DicomDateTime{1999, 12, 31, 1, 2, 3}));
}

}  // namespace
