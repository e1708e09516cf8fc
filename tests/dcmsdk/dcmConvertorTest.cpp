#include "dcmsdk/dcmConvertor.h"

#include "dcmsdk/DcmNames.h"
#include "dcmsdk/dcmReader.h"
#include "tests/support/lib/ChildProcess.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using bvtest::DicomFixture;
using dcmSDK::PIXEL_Mem_ConvertorData;

namespace {

std::string tag(dcmSDK::dcmReader& reader, unsigned short group, unsigned short element) {
    char buffer[1024];
    return reader.readDicomTagString(group, element, buffer, sizeof(buffer)) ? buffer : "";
}

class ConvertorTest : public ::testing::Test {
protected:
    void SetUp() override {
        DicomFixture fixture;
        fixture.patientName = "Smith^Kay";
        fixture.patientID = "K-1";
        fixture.studyInstanceUID = "1.4.7";
        fixture.modality = "MR";
        source_ = (dir_ / "source.dcm").string();
        ASSERT_TRUE(fixture.write(source_));
    }

    PIXEL_Mem_ConvertorData record(const std::string& name, const void* pixels, int highBit) {
        PIXEL_Mem_ConvertorData data;
        std::memset(&data, 0, sizeof(data));
        std::strcpy(data.outputPath, (dir_ / name).c_str());
        data.pixels = pixels;
        data.sameSeries = 1;
        std::strcpy(data.sourcePath, source_.c_str());
        std::strcpy(data.seriesText, "1712345678");
        std::strcpy(data.seriesText2, "1712345678");
        std::strcpy(data.instanceNumber, "3");
        std::strcpy(data.seriesDescription, "se1712345678");
        std::strcpy(data.seriesNumber, "st1712345678");
        std::strcpy(data.date, "20240501");
        std::strcpy(data.time, "101112");
        data.rows = 2;
        data.columns = 3;
        data.windowWidth = 400.0f;
        data.windowCentre = 40.0f;
        data.spacingX = 0.5f;
        data.spacingY = 0.75f;
        data.rowDirection[0] = 1.0f;
        data.columnDirection[1] = 1.0f;
        data.highBit = highBit;
        data.rescaleSlope = 0.0001f;
        data.isSigned = 1;
        return data;
    }

    // dciodvfy's error lines, when the tool is installed.
    std::string validatorErrors(const std::string& path) {
        if (!std::filesystem::exists("/usr/bin/dciodvfy")) {
            return "";
        }
        std::string output;
        bvtest::ChildProcess::run({"dciodvfy", path}, output);
        std::string errors;
        std::size_t start = 0;
        while (start < output.size()) {
            const std::size_t end = output.find('\n', start);
            const std::string line = output.substr(start, end - start);
            if (line.rfind("Error", 0) == 0) {
                errors += line + "\n";
            }
            start = end == std::string::npos ? output.size() : end + 1;
        }
        return errors;
    }

    bvtest::TempDir dir_;
    std::string source_;
};

}  // namespace

TEST_F(ConvertorTest, WritesGreySamplesIntoTheSourceStudyAndReadsBack) {
    const short samples[6] = {-1000, -1, 0, 1, 2000, 32767};
    PIXEL_Mem_ConvertorData first = record("a.dcm", samples, dcmSDK::dcmConvertor::kGrey16);
    PIXEL_Mem_ConvertorData second = record("b.dcm", samples, dcmSDK::dcmConvertor::kGrey16);
    dcmSDK::dcmConvertor convertor;
    ASSERT_TRUE(convertor.convert(&first));
    ASSERT_TRUE(convertor.convert(&second));
    EXPECT_EQ(validatorErrors(first.outputPath), "");

    dcmSDK::dcmReader reader;
    ASSERT_TRUE(reader.setFile(first.outputPath));
    EXPECT_EQ(tag(reader, 0x0010, 0x0010), "Smith^Kay");
    EXPECT_EQ(tag(reader, 0x0010, 0x0020), "K-1");
    EXPECT_EQ(tag(reader, 0x0020, 0x000D), "1.4.7");
    EXPECT_EQ(tag(reader, 0x0008, 0x0060), "MR");
    EXPECT_EQ(tag(reader, 0x0020, 0x0013), "3");
    EXPECT_EQ(tag(reader, 0x0028, 0x1053), "0.0001");
    const std::string series = tag(reader, 0x0020, 0x000E);
    const std::string sop = tag(reader, 0x0008, 0x0018);
    EXPECT_TRUE(dcmSDK::DcmNames::isValidUid(series));
    EXPECT_TRUE(dcmSDK::DcmNames::isValidUid(sop));
    dcmSDK::dcmReader::PixelType type;
    int count = 0;
    const char* pixels = reader.readDicomPixelPointer(type, count);
    ASSERT_NE(pixels, nullptr);
    ASSERT_EQ(type, dcmSDK::dcmReader::PIXEL_INT16);
    ASSERT_EQ(count, 6);
    EXPECT_EQ(std::memcmp(pixels, samples, sizeof(samples)), 0);

    ASSERT_TRUE(reader.setFile(second.outputPath));
    EXPECT_EQ(tag(reader, 0x0020, 0x000E), series);
    EXPECT_NE(tag(reader, 0x0008, 0x0018), sop);
}

TEST_F(ConvertorTest, WritesRgbAsRgb) {
    const unsigned char rgb[18] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    PIXEL_Mem_ConvertorData data = record("rgb.dcm", rgb, dcmSDK::dcmConvertor::kRgb8);
    data.sameSeries = 0;
    dcmSDK::dcmConvertor convertor;
    ASSERT_TRUE(convertor.convert(&data));
    EXPECT_EQ(validatorErrors(data.outputPath), "");
    dcmSDK::dcmReader reader;
    ASSERT_TRUE(reader.setFile(data.outputPath));
    dcmSDK::dcmReader::PixelType type;
    int count = 0;
    const char* pixels = reader.readDicomPixelPointer(type, count);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(type, dcmSDK::dcmReader::PIXEL_RGB);
    ASSERT_EQ(count, 6);
    EXPECT_EQ(std::memcmp(pixels, rgb, sizeof(rgb)), 0);
}

TEST_F(ConvertorTest, RefusesToOverwriteAndUnusableRecords) {
    const short samples[6] = {};
    std::ofstream(dir_ / "taken.dcm") << "keep me";
    PIXEL_Mem_ConvertorData taken = record("taken.dcm", samples, dcmSDK::dcmConvertor::kGrey16);
    PIXEL_Mem_ConvertorData noPixels = record("n.dcm", nullptr, dcmSDK::dcmConvertor::kGrey16);
    PIXEL_Mem_ConvertorData badLayout = record("l.dcm", samples, 11);
    PIXEL_Mem_ConvertorData noSize = record("s.dcm", samples, dcmSDK::dcmConvertor::kGrey16);
    noSize.rows = 0;
    dcmSDK::dcmConvertor convertor;
    for (PIXEL_Mem_ConvertorData* data : {&taken, &noPixels, &badLayout, &noSize}) {
        EXPECT_FALSE(convertor.convert(data)) << data->outputPath;
    }
    std::ifstream in(dir_ / "taken.dcm");
    std::string kept;
    std::getline(in, kept);
    EXPECT_EQ(kept, "keep me");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "n.dcm"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()),
                            std::filesystem::directory_iterator()),
              2);
}

TEST_F(ConvertorTest, WithoutASourceStillWritesAValidObject) {
    const short samples[6] = {1, 2, 3, 4, 5, 6};
    PIXEL_Mem_ConvertorData data = record("alone.dcm", samples, dcmSDK::dcmConvertor::kGrey16);
    std::strcpy(data.sourcePath, (dir_ / "missing.dcm").c_str());
    dcmSDK::dcmConvertor convertor;
    ASSERT_TRUE(convertor.convert(&data));
    EXPECT_EQ(validatorErrors(data.outputPath), "");
    dcmSDK::dcmReader reader;
    ASSERT_TRUE(reader.setFile(data.outputPath));
    EXPECT_TRUE(dcmSDK::DcmNames::isValidUid(tag(reader, 0x0020, 0x000D)));
}
