#include "imagesdk/render/isWindowUniforms.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/base/AutoreleasePool.h"
#include "imagesdk/data/isClut.h"

using isImageSDK::isClut;
using isImageSDK::isWindowUniforms;

namespace {

TEST(WindowUniforms, WindowInStoredUnitsPerPixelType) {
    struct Case {
        const char* name;
        int pixelType;
        float width, level;
        float slope, intercept;
        float wwMin, wwMax, linear, logRatio;
        int pixelMode;
    };
    const Case cases[] = {
        {"s16", 1, 400, 40, 1, 0, 32608, 33008, 0.6375f, 0.0225f, 1},
        {"u8", 0, 100, 50, 1, 0, 0, 100, 2.55f, 0.09f, 1},
        {"u16 below zero", 3, 1000, 300, 1, 0, -200, 800, 0.255f, 0.009f, 1},
        // An odd width: the ends the grey-level table uses (truncated toward zero).
        {"s16 odd", 1, 401, 40, 1, 0, 32608, 33008, 0.6375f, 0.0225f, 1},
        // Width 0 reaches here from a truncated width: one value wide, no division by zero.
        {"s16 zero width", 1, 0, 40, 1, 0, 32807, 32808, 255.0f, 9.0f, 1},
        // Float frame of range 0..2 stored as 0..65535.
        {"float", 2, 1, 1, 32767.5f, 0, 16383.75f, 49151.25f, 255.0f / 32767.5f, 9.0f / 32767.5f,
         1},
        {"rgb", 4, 255, 128, 1, 0, 0, 255, 1.0f, 9.0f / 255.0f, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        isClut* clut = isClut::create();
        clut->setPixelType(c.pixelType);
        clut->width = c.width;
        clut->level = c.level;
        const isWindowUniforms u =
            isWindowUniforms::compute(*clut, c.pixelType, c.slope, c.intercept, 512, 256);
        EXPECT_FLOAT_EQ(u.wwMin, c.wwMin);
        EXPECT_FLOAT_EQ(u.wwMax, c.wwMax);
        EXPECT_FLOAT_EQ(u.wwLinear, c.linear);
        EXPECT_FLOAT_EQ(u.wwLogRatio, c.logRatio);
        EXPECT_EQ(u.pixelMode, c.pixelMode);
        EXPECT_EQ(u.textureWidth, 512);
        EXPECT_EQ(u.textureHeight, 256);
    }
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
}

TEST(WindowUniforms, CurveCodesOutsideTheKnownOnesAreLinear) {
    isClut* clut = isClut::create();
    const int curves[][2] = {{0, 0}, {1, 1}, {2, 2}, {3, 0}, {-1, 0}};
    for (const auto& curve : curves) {
        clut->curve = curve[0];
        EXPECT_EQ(isWindowUniforms::compute(*clut, 1, 1, 0, 1, 1).curve, curve[1]) << curve[0];
    }
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
}

TEST(WindowUniforms, DegenerateFloatWindowsStayFinite) {
    isClut* clut = isClut::create();
    clut->setPixelType(2);
    for (float width : {0.0f, -3.0f, std::nanf("")}) {
        clut->width = width;
        clut->level = 5.0f;
        const isWindowUniforms u = isWindowUniforms::compute(*clut, 2, 65535.0f, 0.0f, 4, 4);
        EXPECT_TRUE(std::isfinite(u.wwLinear)) << width;
        EXPECT_TRUE(std::isfinite(u.wwLogRatio)) << width;
        EXPECT_GT(u.wwLinear, 0.0f) << width;
    }
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
}

}  // namespace
