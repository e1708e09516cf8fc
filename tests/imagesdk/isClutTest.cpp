#include "imagesdk/data/isClut.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "NotificationRecorder.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/platform/FileUtils.h"
#include "imagesdk/data/WindowLevelPreset.h"

using imagesdktest::NotificationRecorder;
using isImageSDK::isClut;
using isImageSDK::WindowLevelPreset;

namespace {

// A table retuned for another pixel type the way its owner does it.
void retune(isClut* clut, int pixelType, int inputMin, int inputMax, int lutSize) {
    clut->pixelType = pixelType;
    clut->inputMin = inputMin;
    clut->inputMax = inputMax;
    clut->lutSize = lutSize;
    clut->lutDirty = true;
    clut->buildLut();
}

class ClutTest : public ::testing::Test {
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

    isClut* clut = nullptr;
};

TEST_F(ClutTest, StartsAsIdentityWithAGreyPalette) {
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(clut->lut[i], i);
    }
    std::uint8_t rgb[768];
    clut->getPaletteRGB(rgb);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(rgb[i * 3], i);
        ASSERT_EQ(rgb[i * 3 + 1], i);
        ASSERT_EQ(rgb[i * 3 + 2], i);
    }
}

TEST_F(ClutTest, LinearWindowOnEightBitImages) {
    clut->setWindowLevelInteger(64, 128);
    struct Entry {
        int index, grey;
    };
    const Entry entries[] = {{0, 0},     {95, 0},    {96, 0},   {128, 127},
                             {160, 255}, {161, 255}, {255, 255}};
    for (const Entry& e : entries) {
        EXPECT_EQ(clut->lut[e.index], e.grey) << e.index;
    }
}

TEST_F(ClutTest, SignedImagesIndexFromTheInputMinimum) {
    retune(clut, 1, -32768, 32767, 65536);
    clut->setWindowLevel(400.0f, 40.0f);
    EXPECT_EQ(clut->lut[-161 + 32768], 0);
    EXPECT_EQ(clut->lut[-160 + 32768], 0);
    EXPECT_EQ(clut->lut[40 + 32768], 127);
    EXPECT_EQ(clut->lut[240 + 32768], 255);
    EXPECT_EQ(clut->lut[65535], 255);
}

TEST_F(ClutTest, CurvesRunFromBlackToWhiteAcrossTheWindow) {
    struct Case {
        int curve;
        int atQuarter;
    };
    // Window 0..100 on an 8-bit image; a quarter in is value 25: 25 x 2.55, log10(3.25) x 255
    // and (1 - log10(7.75)) x 255, truncated.
    const Case cases[] = {{0, 63}, {1, 130}, {2, 28}};
    for (const Case& c : cases) {
        clut->curve = c.curve;
        clut->lutDirty = true;
        clut->setWindowLevelInteger(100, 50);
        clut->lutDirty = true;
        clut->buildLut();
        EXPECT_EQ(clut->lut[0], 0) << c.curve;
        EXPECT_EQ(clut->lut[25], c.atQuarter) << c.curve;
        EXPECT_GE(clut->lut[100], 254) << c.curve;
        EXPECT_EQ(clut->lut[101], 255) << c.curve;
    }
}

TEST_F(ClutTest, WindowsOutsideTheInputRange) {
    clut->setWindowLevelInteger(10, 1000);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(clut->lut[i], 0) << i;
    }
    // Every value lies above a window that ends below zero, value 0 included.
    clut->setWindowLevelInteger(10, -100);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(clut->lut[i], 255) << i;
    }
}

TEST_F(ClutTest, WindowsWiderThanTheInputRangeKeepTheirSlope) {
    struct Case {
        int pixelType, inputMin, inputMax, lutSize, width, level, value, grey;
    };
    // grey = (value - low) x 255 / (high - low) with the window's own ends.
    const Case cases[] = {
        {0, 0, 255, 256, 400, 128, 0, 45},            // low -72, high 328
        {0, 0, 255, 256, 400, 128, 255, 208},         //
        {3, 0, 65535, 65536, 1000, 300, 0, 51},       // low -200: MR windows reach below 0
        {3, 0, 65535, 65536, 1000, 300, 700, 229},    //
        {1, -32768, 32767, 65536, 400, 40, 40, 127},  // inside the range: unchanged
    };
    for (const Case& c : cases) {
        retune(clut, c.pixelType, c.inputMin, c.inputMax, c.lutSize);
        clut->setWindowLevelInteger(c.width, c.level);
        clut->lutDirty = true;
        clut->buildLut();
        EXPECT_EQ(clut->lut[c.value - c.inputMin], c.grey) << c.width << "/" << c.level;
    }
}

TEST_F(ClutTest, WidthsBelowOneActAsOne) {
    // Integer truncation of widths below 1, and a missing width read as 0, reach the table.
    for (float width : {0.0f, 0.4f, -5.0f}) {
        clut->width = width;
        clut->level = 100.0f;
        clut->lutDirty = true;
        clut->buildLut();
        long long low = 0;
        long long high = 0;
        clut->getIntegerWindow(low, high);
        EXPECT_EQ(high - low, 1) << width;
        EXPECT_EQ(clut->lut[low], 0) << width;
        EXPECT_EQ(clut->lut[high], 255) << width;
        EXPECT_EQ(clut->lut[high + 1], 255) << width;
    }
}

TEST_F(ClutTest, PixelTypeTunesRangeAndSize) {
    struct Case {
        int pixelType, inputMin, inputMax, lutSize;
    };
    const Case cases[] = {{0, 0, 255, 256},
                          {1, -32768, 32767, 65536},
                          {2, 0, 65535, 65536},
                          {3, 0, 65535, 65536},
                          {4, 0, 65535, 65536}};
    for (const Case& c : cases) {
        clut->setPixelType(c.pixelType);
        EXPECT_EQ(clut->pixelType, c.pixelType);
        EXPECT_EQ(clut->inputMin, c.inputMin) << c.pixelType;
        EXPECT_EQ(clut->inputMax, c.inputMax) << c.pixelType;
        EXPECT_EQ(clut->lutSize, c.lutSize) << c.pixelType;
        EXPECT_FALSE(clut->lutDirty) << c.pixelType;
    }
}

TEST_F(ClutTest, SameWindowRebuildsOnceAndAnnouncesTheNewest) {
    int group = 0;
    clut->group = &group;
    NotificationRecorder recorder(isImageSDK::NOTIFY_WWWL_TEXT, &group);
    clut->setWindowLevelInteger(300, 40);
    clut->lut[0] = 77;
    clut->setWindowLevelInteger(300, 40);
    EXPECT_EQ(clut->lut[0], 77);
    recorder.drain();
    ASSERT_EQ(recorder.received.size(), 1u);
    EXPECT_EQ(recorder.received[0].sender, clut);
    EXPECT_EQ(recorder.received[0].text, "{\"ww\":\"300\",\"wl\":\"40\"}");
}

TEST_F(ClutTest, FloatImagesKeepTheWindowWithoutATable) {
    NotificationRecorder recorder(isImageSDK::NOTIFY_WWWL_TEXT);
    retune(clut, 2, 0, 65535, 65536);
    clut->setWindowLevel(400.0f, 40.0f);
    EXPECT_EQ(clut->width, 400.0f);
    EXPECT_EQ(clut->level, 40.0f);
    EXPECT_EQ(clut->lut[40], 0);
    EXPECT_EQ(clut->lut[1000], 0);
    recorder.drain();
    ASSERT_EQ(recorder.received.size(), 1u);
    EXPECT_EQ(recorder.received[0].text, "{\"ww\":\"400.0\",\"wl\":\"40.0\"}");
}

TEST(WindowLevelPresets, ListsByModality) {
    struct Case {
        int kind;
        std::size_t count;
        WindowLevelPreset first, last;
    };
    const Case cases[] = {
        {0, 10, {"Abdomen", -700, 1500}, {"Vessel", 40, 500}},
        {1, 6, {"10K", 5000, 10000}, {"320K", 160000, 320000}},
        {3, 8, {"20/40", 20, 40}, {"2560/5120", 2560, 5120}},
        {7, 8, {"20/40", 20, 40}, {"2560/5120", 2560, 5120}},
    };
    std::list<WindowLevelPreset> presets;
    for (const Case& c : cases) {
        isImageSDK::fillWindowLevelPresets(c.kind, presets);
        isImageSDK::fillWindowLevelPresets(c.kind, presets);
        ASSERT_EQ(presets.size(), c.count) << c.kind;
        EXPECT_EQ(presets.front().name, c.first.name);
        EXPECT_EQ(presets.front().level, c.first.level);
        EXPECT_EQ(presets.front().width, c.first.width);
        EXPECT_EQ(presets.back().name, c.last.name);
        EXPECT_EQ(presets.back().level, c.last.level);
        EXPECT_EQ(presets.back().width, c.last.width);
    }
    isImageSDK::appendWindowLevelPreset("Mine", 1, 2, presets);
    EXPECT_EQ(presets.back().name, "Mine");
    isImageSDK::clearWindowLevelPresets(presets);
    EXPECT_TRUE(presets.empty());
}

TEST(ColourTableFiles, EveryTableHoldsThreeChannelsOf256Levels) {
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    const char* names[] = {"bwInverse.plist", "HotMetal.plist", "GEcolor.plist", "Perfusion.plist",
                           "noClut.plist"};
    for (const char* name : names) {
        const std::string path = files->fullPathForFilename(std::string("imageSDK/") + name);
        ASSERT_FALSE(path.empty()) << name;
        const cocos2d::ValueMap table = files->getValueMapFromFile(path);
        for (const char* channel : {"Red", "Green", "Blue"}) {
            auto found = table.find(channel);
            ASSERT_NE(found, table.end()) << name << " " << channel;
            const cocos2d::ValueVector& levels = found->second.asValueVector();
            ASSERT_EQ(levels.size(), 256u) << name << " " << channel;
            for (const cocos2d::Value& level : levels) {
                ASSERT_EQ(level.getType(), cocos2d::Value::Type::STRING);
                ASSERT_GE(level.asInt(), 0);
                ASSERT_LE(level.asInt(), 255);
            }
            const int top = std::string(name) == "bwInverse.plist" ? 0 : 255;
            if (std::string(name) == "bwInverse.plist" || std::string(name) == "noClut.plist") {
                EXPECT_EQ(levels[255].asInt(), top) << name;
                EXPECT_EQ(levels[0].asInt(), 255 - top) << name;
            }
        }
    }
}

TEST(ColourTableFiles, PerfusionStoresTheColoursItShows) {
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    const cocos2d::ValueMap table =
        files->getValueMapFromFile(files->fullPathForFilename("imageSDK/Perfusion.plist"));
    const cocos2d::ValueVector& red = table.at("Red").asValueVector();
    const cocos2d::ValueVector& blue = table.at("Blue").asValueVector();
    ASSERT_EQ(red.size(), 256u);
    ASSERT_EQ(blue.size(), 256u);
    // Its swatch runs from blue at the low levels to red at the top.
    for (int level : {240, 250, 255}) {
        EXPECT_GT(red[level].asInt(), blue[level].asInt()) << level;
    }
    EXPECT_GT(blue[64].asInt(), red[64].asInt());
}

}  // namespace
