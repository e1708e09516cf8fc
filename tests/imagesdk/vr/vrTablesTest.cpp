#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "imagesdk/vr/cuLight.h"
#include "imagesdk/vr/vrTransferFunction.h"

using isImageSDK::cuLight;
using isImageSDK::vrTableEntry;
using isImageSDK::vrTransferFunction;

TEST(vrTransferFunction, PreIntegratedEntriesAverageTheFunction) {
    vrTransferFunction function;
    function.ensureTables();
    const vrTableEntry& e = function.preIntegrated()[0 * 256 + 255];
    EXPECT_FLOAT_EQ(e.opacity, 127.5f);
    EXPECT_FLOAT_EQ(e.r, 127.5f);
    EXPECT_FLOAT_EQ(e.g, 127.5f);
    EXPECT_FLOAT_EQ(e.b, 127.5f);
    // Symmetric in (cur, prev); equal indices give the function itself.
    EXPECT_FLOAT_EQ(function.preIntegrated()[255 * 256 + 0].r, 127.5f);
    EXPECT_FLOAT_EQ(function.preIntegrated()[40 * 256 + 40].g, 40.0f);
    // Average of the ramp between 10 and 20 is 15.
    EXPECT_FLOAT_EQ(function.preIntegrated()[20 * 256 + 10].opacity, 15.0f);

    std::uint8_t colours[768];
    for (int i = 0; i < 256; ++i) {
        colours[3 * i] = std::uint8_t(255 - i);
        colours[3 * i + 1] = 9;
        colours[3 * i + 2] = std::uint8_t(i / 2);
    }
    function.buildFromColorTable(colours);
    function.ensureTables();
    const vrTableEntry& c = function.preIntegrated()[10 * 256 + 10];
    EXPECT_FLOAT_EQ(c.opacity, 10.0f);
    EXPECT_FLOAT_EQ(c.r, 245.0f);
    EXPECT_FLOAT_EQ(c.g, 9.0f);
    EXPECT_FLOAT_EQ(c.b, 5.0f);
    EXPECT_FLOAT_EQ(function.preIntegrated()[0 * 256 + 255].r, 127.5f);
}

TEST(vrTransferFunction, WindowMapsValuesToIndices) {
    struct Case {
        double value;
        float width, centre;
        int rounded;
    };
    // Default window 255/128: L = 0.5, S = 1.
    const Case cases[] = {{0, 255, 128, 0},     {1, 255, 128, 1},       {255, 255, 128, 255},
                          {-3000, 255, 128, 0}, {40000, 255, 128, 255}, {129, 2, 128, 255},
                          {128, 2, 128, 128},   {127, 2, 128, 0},       {1e9, 1, 0, 255},
                          {-1e9, 1, 0, 0}};
    for (const Case& c : cases) {
        const float low = c.centre - c.width * 0.5f;
        const float scale = 255.0f / c.width;
        EXPECT_EQ(vrTransferFunction::indexRounded(c.value, low, scale), c.rounded) << c.value;
    }
    EXPECT_EQ(vrTransferFunction::indexTruncated(1.4f, 0.5f, 1.0f), 0);
    EXPECT_EQ(vrTransferFunction::indexTruncated(-1e30f, 0.5f, 1.0f), 0);
    EXPECT_EQ(vrTransferFunction::indexTruncated(1e30f, 0.5f, 1.0f), 255);
}

TEST(vrTransferFunction, ValueTableRampsOpacityOverTheWindow) {
    vrTransferFunction function;
    std::vector<vrTableEntry> table(65536);
    // Window 100 around 50 on signed 16-bit values: transparent at or below 0, opaque from 100.
    function.fillValueTable(table.data(), -32768, 65536, 0.0f, 2.55f);
    auto entry = [&](int v) { return table[std::size_t(v + 32768)]; };
    EXPECT_FLOAT_EQ(entry(-32768).opacity, 0.0f);
    EXPECT_FLOAT_EQ(entry(0).opacity, 0.0f);
    EXPECT_FLOAT_EQ(entry(100).opacity, 1.0f);
    EXPECT_FLOAT_EQ(entry(32767).opacity, 1.0f);
    EXPECT_NEAR(entry(60).opacity, 153.0f / 255.0f, 1e-6);
}

TEST(cuLight, ShadesWithAmbientDiffuseAndHighlight) {
    cuLight light;
    light.lightPosition = {0, 0, 10};
    light.viewerPosition = {0, 0, 10};
    // d = 1, s = 1: 0.18 + 0.9 + 0.3 clamps to 1; half the material halves every term.
    cuLight::Colour white = light.shade({0, 0, 0}, {0, 0, 1});
    EXPECT_FLOAT_EQ(white.r, 1.0f);
    light.setMaterialColor(0.5f, 0.25f, 0.0f);
    cuLight::Colour half = light.shade({0, 0, 0}, {0, 0, 1});
    EXPECT_NEAR(half.r, 0.69f, 1e-6);
    EXPECT_NEAR(half.g, 0.345f, 1e-6);
    EXPECT_FLOAT_EQ(half.b, 0.0f);
    // A normal facing away: no diffuse term, the highlight from the unclamped reflection stays.
    light.setMaterialColor(1, 1, 1);
    cuLight::Colour back = light.shade({0, 0, 0}, {0, 0, -1});
    EXPECT_NEAR(back.r, 0.18f + 0.3f, 1e-6);
    // A viewer at 60 degrees from the reflection: highlight 0.5^15.
    light.viewerPosition = {std::sqrt(3.0f) * 10.0f, 0, 10};
    cuLight::Colour side = light.shade({0, 0, 0}, {0, 0, 1});
    EXPECT_NEAR(side.r, std::min(1.0, 0.18 + 0.9 + 0.3 * std::pow(0.5, 15)), 1e-6);
    light.setMaterialColor(0.4f, 0.4f, 0.4f);
    side = light.shade({0, 0, 0}, {0, 0, 1});
    EXPECT_NEAR(side.r, 0.4 * (0.18 + 0.9 + 0.3 * std::pow(0.5, 15)), 1e-6);
}
