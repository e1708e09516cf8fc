#include "imagesdk/render/isSliceTexture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/base/AutoreleasePool.h"
#include "imagesdk/data/isClut.h"
#include "tests/imagesdk/render/SliceSamples.h"

using imagesdktest::SampleSlice;
using isImageSDK::isClut;
using isImageSDK::isSliceTexture;

namespace {

class SliceTextureTest : public ::testing::Test {
protected:
    void SetUp() override {
        clut = isClut::create();
        ASSERT_NE(clut, nullptr);
        clut->retain();
    }
    void TearDown() override {
        clut->release();
        cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
    }

    // The grey level the texture shows for one pixel (a grey palette: red = green = blue).
    static int grey(const isSliceTexture& texture, int index) {
        const std::uint8_t* rgb = texture.texels.data() + 3 * index;
        EXPECT_EQ(rgb[0], rgb[1]);
        EXPECT_EQ(rgb[0], rgb[2]);
        return rgb[0];
    }

    isClut* clut = nullptr;
    isSliceTexture texture;
};

TEST_F(SliceTextureTest, EveryPixelTypeAndCurveThroughTheWindow) {
    struct Case {
        const char* name;
        int pixelType;
        float width, level;
        int curve;
        double below, low, middle, high, above;
        int greys[5];
    };
    // Pixels: below the window, its low end, its middle, its high end, above it. The middle is
    // 127 linear, truncate(log10(5.5) x 255) = 188 for log10 and 66 for inverse log10.
    const Case cases[] = {
        {"u8 linear", 0, 100, 50, 0, 0, 0, 50, 100, 200, {0, 0, 127, 255, 255}},
        {"s16 linear", 1, 400, 40, 0, -1000, -160, 40, 240, 3000, {0, 0, 127, 255, 255}},
        {"s16 log10", 1, 400, 40, 1, -1000, -160, 40, 240, 3000, {0, 0, 188, 255, 255}},
        {"s16 inverse log10", 1, 400, 40, 2, -1000, -160, 40, 240, 3000, {0, 0, 66, 255, 255}},
        {"u16 linear", 3, 1000, 1300, 0, 0, 800, 1300, 1800, 60000, {0, 0, 127, 255, 255}},
        {"u16 log10", 3, 1000, 1300, 1, 0, 800, 1300, 1800, 60000, {0, 0, 188, 255, 255}},
        {"float linear", 2, 2.0f, 1.0f, 0, -5.0, 0.0, 1.0, 2.0, 9.5, {0, 0, 127, 255, 255}},
        {"float log10", 2, 2.0f, 1.0f, 1, -5.0, 0.0, 1.0, 2.0, 9.5, {0, 0, 188, 255, 255}},
        {"float inverse log10", 2, 2.0f, 1.0f, 2, -5.0, 0.0, 1.0, 2.0, 9.5, {0, 0, 66, 255, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const double values[5] = {c.below, c.low, c.middle, c.high, c.above};
        std::vector<std::uint8_t> u8;
        std::vector<std::int16_t> s16;
        std::vector<std::uint16_t> u16;
        std::vector<float> f32;
        for (double v : values) {
            u8.push_back(static_cast<std::uint8_t>(v));
            s16.push_back(static_cast<std::int16_t>(v));
            u16.push_back(static_cast<std::uint16_t>(v));
            f32.push_back(static_cast<float>(v));
        }
        SampleSlice slice = c.pixelType == 0   ? SampleSlice(5, 1, u8, 0)
                            : c.pixelType == 1 ? SampleSlice(5, 1, s16, 1)
                            : c.pixelType == 3 ? SampleSlice(5, 1, u16, 3)
                                               : SampleSlice(5, 1, f32, 2);
        clut->curve = c.curve;
        clut->setPixelType(c.pixelType);
        clut->setWindowLevel(c.width, c.level);
        clut->lutDirty = true;
        ASSERT_TRUE(texture.buildColour(&slice.record, 0, clut, 4096));
        ASSERT_EQ(texture.width, 5);
        ASSERT_EQ(texture.height, 1);
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(grey(texture, i), c.greys[i]) << "pixel " << i;
        }
    }
}

TEST_F(SliceTextureTest, RetunesTheTableToThePixelTypeAndUsesItsPalette) {
    imagesdktest::fillRainbowPalette(clut->palette);
    SampleSlice slice(3, 1, std::vector<std::int16_t>{-32768, 0, 32767}, 1);
    clut->setWindowLevel(65535.0f, 0.0f);
    ASSERT_TRUE(texture.buildColour(&slice.record, 0, clut, 4096));
    EXPECT_EQ(clut->pixelType, 1);
    EXPECT_EQ(clut->inputMin, -32768);
    EXPECT_EQ(clut->lutSize, 65536);
    const int lutIndex[3] = {0, 32768, 65535};
    for (int i = 0; i < 3; ++i) {
        const std::uint32_t colour = clut->palette[clut->lut[lutIndex[i]]];
        const std::uint8_t* rgb = texture.texels.data() + 3 * i;
        EXPECT_EQ(rgb[0], colour >> 24) << i;
        EXPECT_EQ(rgb[1], (colour >> 16) & 255) << i;
        EXPECT_EQ(rgb[2], (colour >> 8) & 255) << i;
    }
}

TEST_F(SliceTextureTest, WindowWidthZeroIsAThresholdNotADivisionByZero) {
    SampleSlice ints(3, 1, std::vector<std::int16_t>{99, 100, 101}, 1);
    clut->setPixelType(1);
    clut->setWindowLevel(0.0f, 100.0f);
    ASSERT_TRUE(texture.buildColour(&ints.record, 0, clut, 4096));
    EXPECT_EQ(grey(texture, 0), 0);
    EXPECT_EQ(grey(texture, 2), 255);

    SampleSlice floats(3, 1, std::vector<float>{99.0f, 100.0f, 101.0f}, 2);
    clut->setPixelType(2);
    clut->setWindowLevel(0.0f, 100.0f);
    ASSERT_TRUE(texture.buildColour(&floats.record, 0, clut, 4096));
    EXPECT_EQ(grey(texture, 0), 0);
    EXPECT_EQ(grey(texture, 2), 255);
}

TEST_F(SliceTextureTest, LargeSlicesAreDecimatedByWholeFactors) {
    const int width = 5000;
    const int height = 3000;
    std::vector<std::uint8_t> pixels(std::size_t(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels[std::size_t(y) * width + x] = static_cast<std::uint8_t>((x * 3 + y * 5) & 255);
        }
    }
    SampleSlice slice(width, height, pixels, 0);
    slice.record.pixelSpacingX = 0.2f;
    slice.record.pixelSpacingY = 0.3f;
    clut->setWindowLevel(255.0f, 127.0f);
    ASSERT_TRUE(texture.buildColour(&slice.record, 0, clut, 4096));
    EXPECT_EQ(texture.width, 2500);
    EXPECT_EQ(texture.height, 3000);
    EXPECT_FLOAT_EQ(texture.scale.x, 0.4f);
    EXPECT_FLOAT_EQ(texture.scale.y, 0.3f);
    for (int y : {0, 1, 1777, 2999}) {
        for (int x : {0, 1, 1234, 2499}) {
            const int value = (2 * x * 3 + y * 5) & 255;
            EXPECT_EQ(grey(texture, y * texture.width + x), clut->lut[value]) << x << "," << y;
        }
    }

    // A slice exactly as wide as the limit is decimated too; each axis on its own.
    SampleSlice tall(4, 9, std::vector<std::uint8_t>(36, 1), 0);
    ASSERT_TRUE(texture.buildColour(&tall.record, 0, clut, 4));
    EXPECT_EQ(texture.width, 2);
    EXPECT_EQ(texture.height, 3);
    EXPECT_FLOAT_EQ(texture.scale.x, 2.0f);
    EXPECT_FLOAT_EQ(texture.scale.y, 3.0f);
}

TEST_F(SliceTextureTest, UnloadedSlicesAreWhiteForPetAndNmElseBlack) {
    struct Case {
        int modality;
        int pixelType;
        int grey;
    };
    const Case cases[] = {{1, 1, 255}, {5, 3, 255}, {0, 1, 0}, {3, 0, 0}, {1, 4, 255}, {7, 2, 0}};
    for (const Case& c : cases) {
        SampleSlice slice(2, 2, std::vector<float>(4, 1.0f), c.pixelType);
        slice.record.loaded = false;
        slice.record.modality = c.modality;
        ASSERT_TRUE(texture.buildColour(&slice.record, 0, clut, 4096));
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(grey(texture, i), c.grey) << c.modality << " type " << c.pixelType;
        }
    }
}

TEST_F(SliceTextureTest, FramesAndRgbSlices) {
    SampleSlice frames(2, 1, std::vector<std::uint8_t>{10, 20, 200, 250}, 0, 2);
    clut->setWindowLevel(255.0f, 127.0f);
    ASSERT_TRUE(texture.buildColour(&frames.record, 1, clut, 4096));
    EXPECT_EQ(grey(texture, 0), clut->lut[200]);
    EXPECT_EQ(grey(texture, 1), clut->lut[250]);

    const std::vector<std::uint8_t> rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    SampleSlice colour(2, 1, rgb, 4, 2);
    ASSERT_TRUE(texture.buildColour(&colour.record, 1, clut, 4096));
    EXPECT_EQ(texture.texels, std::vector<std::uint8_t>({7, 8, 9, 10, 11, 12}));
}

TEST_F(SliceTextureTest, NothingToBuild) {
    SampleSlice slice(2, 1, std::vector<std::uint8_t>{1, 2}, 0);
    EXPECT_FALSE(texture.buildColour(nullptr, 0, clut, 4096));
    EXPECT_FALSE(texture.buildColour(&slice.record, 0, nullptr, 4096));
    EXPECT_FALSE(texture.buildStored(nullptr, 0));
    slice.record.width = 0;
    EXPECT_FALSE(texture.buildColour(&slice.record, 0, clut, 4096));
    EXPECT_FALSE(texture.buildStored(&slice.record, 0));
    slice.record.width = 2;
    slice.record.pixelType = 7;
    EXPECT_FALSE(texture.buildColour(&slice.record, 0, clut, 4096));
    EXPECT_FALSE(texture.buildStored(&slice.record, 0));
}

// Two-byte texels, low byte first.
std::vector<int> storedValues(const isSliceTexture& texture) {
    std::vector<int> values;
    for (std::size_t i = 0; i + 1 < texture.texels.size(); i += 2) {
        values.push_back(texture.texels[i] | texture.texels[i + 1] << 8);
    }
    return values;
}

TEST_F(SliceTextureTest, StoredValuesPerPixelType) {
    SampleSlice u8(3, 1, std::vector<std::uint8_t>{0, 7, 255}, 0);
    ASSERT_TRUE(texture.buildStored(&u8.record, 0));
    EXPECT_EQ(texture.bytesPerTexel, 2);
    EXPECT_EQ(storedValues(texture), std::vector<int>({0, 7, 255}));

    SampleSlice s16(4, 1, std::vector<std::int16_t>{-32768, -1, 0, 32767}, 1);
    ASSERT_TRUE(texture.buildStored(&s16.record, 0));
    EXPECT_EQ(storedValues(texture), std::vector<int>({0, 32767, 32768, 65535}));
    s16.record.loaded = false;
    ASSERT_TRUE(texture.buildStored(&s16.record, 0));
    EXPECT_EQ(storedValues(texture), std::vector<int>({0, 0, 0, 0}));

    SampleSlice u16(3, 1, std::vector<std::uint16_t>{0, 4095, 65535}, 3);
    ASSERT_TRUE(texture.buildStored(&u16.record, 0));
    EXPECT_EQ(storedValues(texture), std::vector<int>({0, 4095, 65535}));
    EXPECT_EQ(texture.valueSlope, 1.0f);
    EXPECT_EQ(texture.valueIntercept, 0.0f);

    SampleSlice rgb(1, 1, std::vector<std::uint8_t>{9, 8, 7}, 4);
    ASSERT_TRUE(texture.buildStored(&rgb.record, 0));
    EXPECT_EQ(texture.bytesPerTexel, 3);
    EXPECT_EQ(texture.texels, std::vector<std::uint8_t>({9, 8, 7}));
}

TEST_F(SliceTextureTest, FloatValuesAreScaledOverTheFrameRange) {
    SampleSlice flat(3, 1, std::vector<float>(3, 7.0f), 2);
    ASSERT_TRUE(texture.buildStored(&flat.record, 0));
    EXPECT_EQ(texture.valueSlope, 65535.0f);
    EXPECT_EQ(texture.valueIntercept, -7.0f * 65535.0f);
    EXPECT_EQ(storedValues(texture), std::vector<int>({0, 0, 0}));

    const float nan = std::nanf("");
    const float inf = INFINITY;
    SampleSlice ramp(6, 1, std::vector<float>{-1.0f, 0.0f, 1.0f, nan, inf, -inf}, 2);
    ASSERT_TRUE(texture.buildStored(&ramp.record, 0));
    EXPECT_FLOAT_EQ(texture.valueSlope, 65535.0f / 2.0f);
    EXPECT_EQ(storedValues(texture), std::vector<int>({0, 32767, 65535, 0, 65535, 0}));
}

}  // namespace
