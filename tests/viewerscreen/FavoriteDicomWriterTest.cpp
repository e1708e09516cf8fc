#include "viewerscreen/FavoriteDicomWriter.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/platform/FileUtils.h"
#include "imagesdk/data/PixelType.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isSliceInfo.h"
#include "imagesdk/io/isDcmReader.h"
#include "tests/support/lib/DicomFixture.h"

using isImageSDK::isSliceInfo;

namespace {

// A captured region over a copy of `bytes`, as a viewer hands it over.
template <typename T>
isSliceInfo regionOf(int pixelType, int width, int height, const std::vector<T>& values,
                     std::vector<T>& storage) {
    storage = values;
    isSliceInfo slice;
    slice.pixelType = pixelType;
    slice.width = width;
    slice.height = height;
    slice.data = storage.data();
    return slice;
}

std::vector<std::int16_t> samplesOf(const FavoriteSamples& samples, std::size_t n) {
    const auto* values = static_cast<const std::int16_t*>(samples.pixels);
    return std::vector<std::int16_t>(values, values + n);
}

std::string dataRoot() {
    return cocos2d::FileUtils::getInstance()->getWritablePath() + "qn/";
}

std::string run(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
        std::array<char, 512> chunk{};
        while (fgets(chunk.data(), chunk.size(), pipe)) {
            output += chunk.data();
        }
        pclose(pipe);
    }
    return output;
}

struct Written {
    int rows = 0;
    int columns = 0;
    int samplesPerPixel = 0;
    int bitsAllocated = 0;
    int pixelRepresentation = -1;
    std::string photometric;
    double slope = 0.0;
};

Written readHeader(const std::string& path) {
    DcmFileFormat file;
    Written written;
    if (file.loadFile(path.c_str()).bad()) {
        return written;
    }
    DcmDataset* set = file.getDataset();
    Uint16 value = 0;
    if (set->findAndGetUint16(DCM_Rows, value).good())
        written.rows = value;
    if (set->findAndGetUint16(DCM_Columns, value).good())
        written.columns = value;
    if (set->findAndGetUint16(DCM_SamplesPerPixel, value).good())
        written.samplesPerPixel = value;
    if (set->findAndGetUint16(DCM_BitsAllocated, value).good())
        written.bitsAllocated = value;
    if (set->findAndGetUint16(DCM_PixelRepresentation, value).good()) {
        written.pixelRepresentation = value;
    }
    OFString text;
    if (set->findAndGetOFString(DCM_PhotometricInterpretation, text).good()) {
        written.photometric = text.c_str();
    }
    if (set->findAndGetOFString(DCM_RescaleSlope, text).good()) {
        written.slope = std::atof(text.c_str());
    }
    return written;
}

class FavoriteFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dataRoot());
        source = dataRoot() + "source.dcm";
        bvtest::DicomFixture fixture;
        fixture.pixels = bvtest::DicomFixture::Pixels::S16;
        fixture.rows = 4;
        fixture.columns = 4;
        std::string error;
        ASSERT_TRUE(fixture.write(source, &error)) << error;
    }
    void TearDown() override { std::filesystem::remove_all(dataRoot()); }

    std::string source;
};

}  // namespace

TEST(FavoriteSamplesTest, FloatSlicesAreScaledToTheirLargestMagnitude) {
    struct Case {
        std::vector<float> values;
        float slope;
        std::vector<std::int16_t> samples;
    };
    const Case cases[] = {
        // Too small a range to scale: written as they are, truncated toward zero.
        {{-0.005f, 0.004f, 0.0f, 0.001f}, 1.0f, {0, 0, 0, 0}},
        // The largest magnitude, 3000, becomes 32000.
        {{-1000.0f, 3000.0f, 0.0f, 1.5f}, 3000.0f / 32000.0f, {-10666, 32000, 0, 16}},
        // A negative extreme sets the scale as well.
        {{-64.0f, 2.0f, 0.0f, 0.0f}, 64.0f / 32000.0f, {-32000, 1000, 0, 0}},
    };
    for (const Case& c : cases) {
        std::vector<float> storage;
        const isSliceInfo slice = regionOf(isImageSDK::PIXEL_FLOAT32, 2, 2, c.values, storage);
        const FavoriteSamples samples = favoriteSamples(slice);
        EXPECT_NEAR(samples.rescaleSlope, c.slope, 1e-6f) << c.values[1];
        EXPECT_EQ(samplesOf(samples, 4), c.samples) << c.values[1];
        EXPECT_TRUE(samples.isSigned);
        EXPECT_FALSE(samples.rgb);
    }
}

TEST(FavoriteSamplesTest, EightBitGreyIsWidenedAndOtherTypesPassThrough) {
    std::vector<std::uint8_t> bytes;
    const isSliceInfo grey =
        regionOf<std::uint8_t>(isImageSDK::PIXEL_UINT8, 2, 2, {0, 1, 200, 255}, bytes);
    const FavoriteSamples widened = favoriteSamples(grey);
    EXPECT_EQ(samplesOf(widened, 4), (std::vector<std::int16_t>{0, 1, 200, 255}));
    EXPECT_FALSE(widened.isSigned);
    EXPECT_FLOAT_EQ(widened.rescaleSlope, 1.0f);

    std::vector<std::int16_t> shorts;
    const isSliceInfo signedSlice =
        regionOf<std::int16_t>(isImageSDK::PIXEL_INT16, 2, 1, {-1000, 3000}, shorts);
    const FavoriteSamples kept = favoriteSamples(signedSlice);
    EXPECT_EQ(kept.pixels, shorts.data());
    EXPECT_TRUE(kept.isSigned);

    std::vector<std::uint8_t> rgb;
    const isSliceInfo colour =
        regionOf<std::uint8_t>(isImageSDK::PIXEL_RGB24, 2, 1, {255, 0, 0, 0, 0, 255}, rgb);
    const FavoriteSamples triplets = favoriteSamples(colour);
    EXPECT_TRUE(triplets.rgb);
    EXPECT_EQ(triplets.pixels, rgb.data());
    EXPECT_FALSE(triplets.isSigned);
}

TEST_F(FavoriteFileTest, AGreyFavouriteIsValidAndReadsBackWithItsGeometryAndPixels) {
    std::vector<std::int16_t> storage;
    const std::vector<std::int16_t> pixels = {-1000, -1, 0, 1, 500, 3000};
    isSliceInfo slice = regionOf(isImageSDK::PIXEL_INT16, 3, 2, pixels, storage);
    slice.pixelSpacingX = 0.5f;
    slice.pixelSpacingY = 0.75f;
    slice.windowWidth = 400.0f;
    slice.windowCentre = 40.0f;
    slice.path = source;
    const std::string path = writeFavoriteDicom(slice, dataRoot(), "1234");
    ASSERT_EQ(path, dataRoot() + "favorite/1234.dcm");

    const std::string report = run("dciodvfy " + path);
    EXPECT_EQ(report.find("Error"), std::string::npos) << report;

    isImageSDK::isDcmReader* reader = isImageSDK::isDcmReader::create();
    ASSERT_NE(reader, nullptr);
    reader->setFileName(path);
    reader->update();
    isImageSDK::isImageData* image = reader->getOutputImage();
    ASSERT_NE(image, nullptr);
    isSliceInfo* read = image->getSlice(0);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->width, 3);
    EXPECT_EQ(read->height, 2);
    EXPECT_FLOAT_EQ(read->pixelSpacingX, 0.5f);
    EXPECT_FLOAT_EQ(read->pixelSpacingY, 0.75f);
    ASSERT_EQ(read->pixelType, isImageSDK::PIXEL_INT16);
    const auto* values = static_cast<const std::int16_t*>(read->data);
    EXPECT_EQ(std::vector<std::int16_t>(values, values + 6), pixels);
    reader->release();
}

TEST_F(FavoriteFileTest, AColourFavouriteStaysRgbAndAFloatOneCarriesItsSlope) {
    std::vector<std::uint8_t> rgb;
    isSliceInfo colour =
        regionOf<std::uint8_t>(isImageSDK::PIXEL_RGB24, 2, 1, {255, 0, 0, 0, 0, 255}, rgb);
    colour.path = source;
    const std::string colourPath = writeFavoriteDicom(colour, dataRoot(), "rgb");
    ASSERT_FALSE(colourPath.empty());
    const Written colourFile = readHeader(colourPath);
    EXPECT_EQ(colourFile.samplesPerPixel, 3);
    EXPECT_EQ(colourFile.bitsAllocated, 8);
    EXPECT_EQ(colourFile.photometric, "RGB");
    const std::string report = run("dciodvfy " + colourPath);
    EXPECT_EQ(report.find("Error"), std::string::npos) << report;

    std::vector<float> floats;
    isSliceInfo real =
        regionOf<float>(isImageSDK::PIXEL_FLOAT32, 2, 2, {-1000.0f, 3000.0f, 0.0f, 1.0f}, floats);
    real.path = source;
    const Written realFile = readHeader(writeFavoriteDicom(real, dataRoot(), "float"));
    EXPECT_EQ(realFile.samplesPerPixel, 1);
    EXPECT_EQ(realFile.bitsAllocated, 16);
    EXPECT_EQ(realFile.pixelRepresentation, 1);
    EXPECT_NEAR(realFile.slope, 0.09375, 1e-5);
}

TEST_F(FavoriteFileTest, SavesOfOneInstantGetFilesOfTheirOwn) {
    std::vector<std::int16_t> first;
    std::vector<std::int16_t> second;
    isSliceInfo a = regionOf<std::int16_t>(isImageSDK::PIXEL_INT16, 1, 1, {1}, first);
    isSliceInfo b = regionOf<std::int16_t>(isImageSDK::PIXEL_INT16, 1, 1, {2}, second);
    a.path = b.path = source;
    const std::string pathA = writeFavoriteDicom(a, dataRoot(), "42");
    const std::string pathB = writeFavoriteDicom(b, dataRoot(), "42");
    EXPECT_EQ(pathA, dataRoot() + "favorite/42.dcm");
    EXPECT_EQ(pathB, dataRoot() + "favorite/42-1.dcm");
    EXPECT_EQ(readHeader(pathA).rows, 1);
    EXPECT_EQ(readHeader(pathB).rows, 1);
}

TEST_F(FavoriteFileTest, ARegionWithoutPixelsWritesNothing) {
    isSliceInfo empty;
    empty.width = 4;
    empty.height = 4;
    EXPECT_EQ(writeFavoriteDicom(empty, dataRoot(), "none"), "");
    EXPECT_FALSE(std::filesystem::exists(dataRoot() + "favorite/none.dcm"));
}
