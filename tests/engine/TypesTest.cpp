#include <gtest/gtest.h>

#include "engine/base/Types.h"

namespace {

using cocos2d::Color3B;
using cocos2d::Color4B;
using cocos2d::Color4F;

TEST(TypesTest, NamedColoursAgreeAcrossTheThreeForms) {
    const struct {
        const Color3B& c3;
        const Color4B& c4;
        const Color4F& cf;
    } table[] = {
        {Color3B::WHITE, Color4B::WHITE, Color4F::WHITE},
        {Color3B::YELLOW, Color4B::YELLOW, Color4F::YELLOW},
        {Color3B::BLUE, Color4B::BLUE, Color4F::BLUE},
        {Color3B::GREEN, Color4B::GREEN, Color4F::GREEN},
        {Color3B::RED, Color4B::RED, Color4F::RED},
        {Color3B::MAGENTA, Color4B::MAGENTA, Color4F::MAGENTA},
        {Color3B::BLACK, Color4B::BLACK, Color4F::BLACK},
        {Color3B::ORANGE, Color4B::ORANGE, Color4F::ORANGE},
        {Color3B::GRAY, Color4B::GRAY, Color4F::GRAY},
    };
    for (const auto& row : table) {
        EXPECT_EQ(Color4B(row.c3), row.c4);
        EXPECT_EQ(Color3B(row.c4), row.c3);
        EXPECT_EQ(Color4B(row.cf), row.c4);
        EXPECT_TRUE(row.c3 == row.c4);
        EXPECT_TRUE(row.c4 == row.cf);
    }
    EXPECT_EQ(Color4B::BLUE, Color4B(0, 0, 255, 255));
    EXPECT_EQ(Color3B::ORANGE, Color3B(255, 127, 0));
}

TEST(TypesTest, ConversionsScaleClampAndCarryAlpha) {
    const Color4F f(Color4B(255, 0, 51, 102));
    EXPECT_FLOAT_EQ(f.r, 1.0f);
    EXPECT_FLOAT_EQ(f.g, 0.0f);
    EXPECT_FLOAT_EQ(f.b, 0.2f);
    EXPECT_FLOAT_EQ(f.a, 0.4f);
    EXPECT_EQ(Color4B(f), Color4B(255, 0, 51, 102));

    EXPECT_EQ(Color4B(Color4F(2.0f, -1.0f, 0.5f, 1.0f)), Color4B(255, 0, 127, 255));
    EXPECT_EQ(Color4B(Color3B::RED, 10).a, 10);
    EXPECT_FLOAT_EQ(Color4F(Color3B::RED, 0.25f).a, 0.25f);
}

TEST(TypesTest, TranslucentColoursDifferFromOpaqueOnes) {
    EXPECT_NE(Color3B::RED, Color4B(255, 0, 0, 128));
    EXPECT_NE(Color4F(1, 0, 0, 0.5f), Color3B::RED);
    EXPECT_NE(Color4B::RED, Color4B::GREEN);
    EXPECT_EQ(Color3B(), Color3B::BLACK);
}

}  // namespace
