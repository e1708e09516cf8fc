#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "KernelRig.h"

using isImageSDK::PIXEL_FLOAT32;
using isImageSDK::PIXEL_INT16;
using isImageSDK::PIXEL_UINT16;
using isImageSDK::PIXEL_UINT8;
using vrtest::KernelRig;

namespace {

using Pixel = std::vector<int>;

// Window 50 around 65: L = 40, S = 5.1; 100 is opaque, 65 has index 128, 20 is transparent.
constexpr float kWidth = 50.0f;
constexpr float kCentre = 65.0f;

}  // namespace

TEST(vrSpaceLeaping, BlocksBoxesAndBorders) {
    KernelRig<std::int16_t> small(5, 5, 5, PIXEL_INT16);
    small.at(0, 0, 0) = 300;
    small.prepare(kWidth, kCentre);
    EXPECT_EQ(small.grid->getBlocksX(), 2);
    EXPECT_EQ(small.grid->getBlocksY(), 2);
    EXPECT_EQ(small.grid->getBlocksZ(), 2);
    const float* box = small.grid->getBounds();
    EXPECT_EQ(std::vector<float>(box, box + 6), std::vector<float>({0, 3, 0, 3, 0, 3}));

    // In a larger volume the box reaches the first voxel layer of the next block, where
    // samples still blend the bright voxel.
    KernelRig<std::int16_t> large(12, 12, 12, PIXEL_INT16);
    large.at(0, 0, 0) = 300;
    large.prepare(kWidth, kCentre);
    box = large.grid->getBounds();
    EXPECT_EQ(std::vector<float>(box, box + 6), std::vector<float>({0, 4, 0, 4, 0, 4}));

    // Nothing reaches the threshold: the box is inverted and every mode shows the background.
    KernelRig<std::int16_t> dark(8, 8, 8, PIXEL_INT16);
    dark.prepare(kWidth, kCentre);
    box = dark.grid->getBounds();
    EXPECT_GT(box[0], box[1]);
    dark.context.background[0] = 9;
    EXPECT_EQ(dark.cast(0, true, 2, 2), Pixel({9, 0, 0}));
    EXPECT_EQ(dark.cast(3, true, 2, 2), Pixel({9, 0, 0}));

    // A bright voxel on the first layer of block 1 is read by samples of block 0.
    KernelRig<std::int16_t> border(12, 4, 4, PIXEL_INT16);
    border.at(4, 1, 1) = 100;
    border.prepare(kWidth, kCentre, true);
    EXPECT_EQ(border.grid->getBlockMaximum(0, 0, 0), 100.0f);
    EXPECT_FALSE(border.grid->isEmptyAt(3.5f, 1.0f, 1.0f));
    EXPECT_TRUE(border.grid->isEmptyAt(8.5f, 1.0f, 1.0f));
    for (int mode : {0, 1, 3}) {
        Pixel leaped = border.cast(mode, true, 1, 1, -3.5f);
        border.grid->setThreshold(-40000);
        Pixel everySample = border.cast(mode, true, 1, 1, -3.5f);
        border.grid->setThreshold(int(kCentre - kWidth / 2));
        EXPECT_EQ(leaped, everySample) << "mode " << mode;
        EXPECT_NE(leaped, Pixel({0, 0, 0})) << "mode " << mode;
    }
}

TEST(vrSpaceLeaping, ReadsEachPixelTypeAsItIs) {
    KernelRig<std::uint16_t> wide(4, 4, 4, PIXEL_UINT16);
    wide.at(3, 3, 3) = 40000;
    wide.prepare(kWidth, kCentre);
    EXPECT_EQ(wide.grid->getBlockMaximum(0, 0, 0), 40000.0f);
    KernelRig<float> real(4, 4, 4, PIXEL_FLOAT32);
    real.at(1, 1, 1) = 0.75f;
    real.prepare(1.0f, 0.0f);
    EXPECT_EQ(real.grid->getBlockMaximum(0, 0, 0), 0.75f);
    EXPECT_EQ(real.grid->getThreshold(), -0.5f);
}

TEST(vrRayKernels, SamplersReadEveryTypeInsideTheVolume) {
    KernelRig<std::int16_t> s16(4, 4, 4, PIXEL_INT16);
    s16.at(1, 0, 0) = 100;
    s16.at(3, 3, 3) = -700;
    s16.prepare(kWidth, kCentre);
    EXPECT_EQ(isImageSDK::vrSampleTrilinear(s16.context, PIXEL_INT16, 0.5f, 0, 0), 50.0f);
    EXPECT_EQ(isImageSDK::vrSampleTrilinear(s16.context, PIXEL_INT16, 0.25f, 0, 0), 25.0f);
    EXPECT_EQ(isImageSDK::vrSampleNearest(s16.context, PIXEL_INT16, 0.5f, 0, 0), 100.0f);
    EXPECT_EQ(isImageSDK::vrSampleNearest(s16.context, PIXEL_INT16, 0.49f, 0, 0), 0.0f);
    // At and beyond the far faces the reads stay on the last voxel.
    EXPECT_EQ(isImageSDK::vrSampleTrilinear(s16.context, PIXEL_INT16, 3, 3, 3), -700.0f);
    EXPECT_EQ(isImageSDK::vrSampleTrilinear(s16.context, PIXEL_INT16, 9, 9, 9), -700.0f);
    EXPECT_EQ(isImageSDK::vrSampleNearest(s16.context, PIXEL_INT16, 9, 9, 9), -700.0f);

    KernelRig<std::uint16_t> u16(3, 3, 3, PIXEL_UINT16);
    u16.at(2, 2, 2) = 40000;
    u16.prepare(kWidth, kCentre);
    EXPECT_EQ(isImageSDK::vrSampleNearest(u16.context, PIXEL_UINT16, 2, 2, 2), 40000.0f);
    EXPECT_EQ(isImageSDK::vrSampleTrilinear(u16.context, PIXEL_UINT16, 2, 2, 2), 40000.0f);

    KernelRig<std::uint8_t> u8(3, 3, 3, PIXEL_UINT8);
    u8.at(2, 2, 2) = 200;
    u8.prepare(kWidth, kCentre);
    EXPECT_EQ(isImageSDK::vrSampleTrilinear(u8.context, PIXEL_UINT8, 2.0f, 2.0f, 2.0f), 200.0f);
    EXPECT_EQ(isImageSDK::vrSampleTrilinear(u8.context, PIXEL_UINT8, 1.5f, 2.0f, 2.0f), 100.0f);

    KernelRig<float> f32(3, 3, 3, PIXEL_FLOAT32);
    f32.at(1, 0, 0) = 1.0f;
    f32.prepare(kWidth, kCentre);
    EXPECT_FLOAT_EQ(isImageSDK::vrSampleTrilinear(f32.context, PIXEL_FLOAT32, 0.5f, 0, 0), 0.5f);
}

TEST(vrRayKernels, CompositeStopsAtOpacityOneAndPassesTransparentSamples) {
    struct Case {
        const char* name;
        std::vector<int> row;  // values at x = 0..7 of row (y 1, z 1)
        bool trilinear;
        Pixel expected;
    };
    const Case cases[] = {
        // An opaque first sample gives its own colour: entry 255 is (255, 0, 7).
        {"opaque first", {0, 0, 100, 100, 100, 65, 65, 65}, true, {255, 0, 7}},
        {"opaque first nearest", {0, 0, 100, 65, 65, 65, 65, 65}, false, {255, 0, 7}},
        // Transparent samples (below the window) do not end the ray.
        {"transparent first", {20, 20, 20, 20, 100, 100, 100, 100}, true, {255, 0, 7}},
        // Half opaque (index 128, colour (128, 127, 7)) over opaque:
        // 128/255 * 128 + 127/255 * 255 = 191.25; 128/255 * 127 = 63.75.
        {"half over opaque", {0, 0, 65, 100, 100, 100, 100, 100}, false, {191, 63, 7}},
    };
    for (const Case& c : cases) {
        KernelRig<std::int16_t> rig(8, 4, 4, PIXEL_INT16);
        for (int x = 0; x < 8; ++x) {
            rig.at(x, 1, 1) = std::int16_t(c.row[std::size_t(x)]);
        }
        rig.prepare(kWidth, kCentre, true);
        Pixel got = rig.cast(0, c.trilinear, 1, 1);
        EXPECT_EQ(got[0], c.expected[0]) << c.name;
        EXPECT_EQ(got[1], c.expected[1]) << c.name;
        EXPECT_NEAR(got[2], c.expected[2], 1) << c.name;
    }
}

TEST(vrRayKernels, EveryModeGivesTheBackgroundOnAMiss) {
    KernelRig<std::int16_t> rig(8, 4, 4, PIXEL_INT16);
    for (int x = 0; x < 8; ++x) {
        for (int y = 0; y < 4; ++y) {
            for (int z = 0; z < 4; ++z) {
                rig.at(x, y, z) = 100;
            }
        }
    }
    rig.prepare(kWidth, kCentre, true);
    rig.context.background[0] = 11;
    rig.context.background[1] = 22;
    rig.context.background[2] = 33;
    for (int mode = 0; mode < 4; ++mode) {
        for (bool trilinear : {false, true}) {
            EXPECT_EQ(rig.cast(mode, trilinear, 10, 1), Pixel({11, 22, 33}))
                << "mode " << mode << " trilinear " << trilinear;
            // A ray pointing away from the volume.
            EXPECT_EQ(rig.cast(mode, trilinear, 1, 1, -3.0f, -1.0f), Pixel({11, 22, 33}));
        }
    }
    // Leaving the volume after compositing keeps the composited colour.
    EXPECT_EQ(rig.cast(1, true, 1, 1), Pixel({255, 0, 7}));
}

TEST(vrRayKernels, PreIntegratedShadingAndMaximumIntensity) {
    KernelRig<std::int16_t> flat(8, 4, 4, PIXEL_INT16);
    for (auto& v : flat.voxels) {
        v = 65;
    }
    flat.prepare(kWidth, kCentre, true);
    flat.light.lightPosition = {-5, 1, 1};
    // A flat neighbourhood is drawn unshaded.
    EXPECT_EQ(flat.cast(2, true, 1, 1), flat.cast(1, true, 1, 1));
    EXPECT_NE(flat.cast(1, true, 1, 1), Pixel({0, 0, 0}));

    // A step from 20 to 100 along the ray faces the light placed before it: the shaded pixel
    // differs from the unshaded one.
    KernelRig<std::int16_t> wall(8, 4, 4, PIXEL_INT16);
    for (int x = 0; x < 8; ++x) {
        for (int y = 0; y < 4; ++y) {
            for (int z = 0; z < 4; ++z) {
                wall.at(x, y, z) = std::int16_t(x < 4 ? 20 : 100);
            }
        }
    }
    wall.prepare(kWidth, kCentre, true);
    wall.light.lightPosition = {-50, 1, 1};
    wall.light.viewerPosition = {-50, 1, 1};
    // Entry (255, 0) at x = 4: opacity 0.5, colour (127.5, 127.5, 7), normal towards light and
    // viewer, so lit by 1.38; then the flat inside at x = 5: opaque (255, 0, 7), unshaded.
    // Red 0.5 * 127.5 * 1.38 + 0.5 * 255, green 0.5 * 127.5 * 1.38, blue 0.5 * 7 * 1.38 + 3.5.
    EXPECT_EQ(wall.cast(2, true, 1, 1), Pixel({215, 87, 8}));
    EXPECT_EQ(wall.cast(1, true, 1, 1), Pixel({191, 63, 7}));

    KernelRig<std::int16_t> mip(12, 4, 4, PIXEL_INT16);
    const int row[12] = {10, 30, 45, 50, 70, 50, 45, 30, 10, 10, 10, 10};
    for (int x = 0; x < 12; ++x) {
        mip.at(x, 1, 1) = std::int16_t(row[x]);
    }
    mip.prepare(kWidth, kCentre, true);
    // Index int((70 - 40) * 5.1) = 153: colour (153, 102, 7).
    EXPECT_EQ(mip.cast(3, false, 1, 1), Pixel({153, 102, 7}));
    EXPECT_EQ(mip.cast(3, true, 1, 1), Pixel({153, 102, 7}));
}

namespace {

// A volume of every pixel type with empty space, an opaque core, translucent noise and values
// below the window, and rays in packets that start, stop and leap apart: misses, rays starting
// inside, grazing a face, running backwards and diverging like a perspective fan.
template <typename T> void expectPacketsMatchRays(int pixelType, float scale) {
    KernelRig<T> rig(21, 18, 16, pixelType);
    std::uint32_t seed = 12345;
    for (int z = 0; z < 16; ++z) {
        for (int y = 0; y < 18; ++y) {
            for (int x = 0; x < 21; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const double r = std::sqrt((x - 10.0) * (x - 10.0) + (y - 9.0) * (y - 9.0) +
                                           (z - 7.0) * (z - 7.0));
                double v = r < 3.5 ? 100 : (r < 7 ? 45 + double(seed >> 28) : 10);
                if (x < 4 || z > 13) {
                    v = 0;
                }
                rig.at(x, y, z) = T(v * scale);
            }
        }
    }
    rig.prepare(kWidth * scale, kCentre * scale, true);
    rig.context.background[1] = 40;
    std::vector<isImageSDK::vrRayBlock> rays;
    for (int k = 0; k < 29; ++k) {
        const float a = 0.37f * float(k);
        isImageSDK::vrRayBlock ray{{-4.0f + 0.1f * float(k), 1.3f + 0.61f * float(k), 6.5f},
                                   {0.9f, 0.05f * std::sin(a), 0.07f * std::cos(a)},
                                   1000};
        if (k % 7 == 3) {
            ray.start[0] = 25.0f;
            ray.step[0] = -1.1f;
        }
        if (k % 9 == 5) {
            ray.start[1] = 40.0f;
        }
        if (k % 11 == 2) {
            ray.start[0] = 10.2f;
            ray.start[2] = 14.0f;
            ray.step[2] = 0.0f;
        }
        rays.push_back(ray);
    }
    // Rows of pixels along x looking along y, as a frontal view casts them: a packet's lanes lie
    // within a few voxels of one volume row (15 apart at most in the third row, 16 in the
    // second, whose far lanes cross the shell), and the third climbs to the volume's last
    // voxels.
    for (int k = 0; k < 27; ++k) {
        rays.push_back({{-1.5f + 0.8f * float(k), -2.0f, 5.2f}, {0.0f, 0.9f, 0.02f}, 1000});
    }
    for (int k = 0; k < 8; ++k) {
        rays.push_back({{0.2f + 2.3f * float(k), -2.0f, 7.0f}, {0.0f, 0.9f, 0.0f}, 1000});
    }
    for (int k = 0; k < 8; ++k) {
        rays.push_back({{0.3f + 2.2f * float(k), -2.0f, 7.3f}, {0.0f, 0.9f, 0.35f}, 1000});
    }
    // A light beside the volume and a near viewer, so that shading varies along every ray.
    rig.light.lightPosition = {-6.0f, 30.0f, 3.0f};
    rig.light.viewerPosition = {-20.0f, 9.0f, 20.0f};
    // Every mode with trilinear samples, and the fast caster's nearest composite.
    const std::pair<int, bool> kinds[] = {{0, true}, {1, true}, {2, true}, {3, true}, {0, false}};
    for (const auto& [mode, trilinear] : kinds) {
        const auto kernel = isImageSDK::vrSelectKernel(mode, pixelType, trilinear);
        std::vector<std::uint8_t> one(rays.size() * 3);
        for (std::size_t k = 0; k < rays.size(); ++k) {
            isImageSDK::cuLight light = rig.light;
            kernel(rig.context, rays[k], light, &one[3 * k]);
        }
        // With and without the processor's gather instructions.
        for (bool gathers : {true, false}) {
            const auto packet =
                isImageSDK::vrSelectPacketKernel(mode, pixelType, trilinear, gathers);
            ASSERT_NE(packet, nullptr);
            for (int size : {isImageSDK::kPacketRays, 5, 1}) {
                std::vector<std::uint8_t> packed(rays.size() * 3, 1);
                for (std::size_t k = 0; k < rays.size(); k += std::size_t(size)) {
                    const int count = std::min(size, int(rays.size() - k));
                    isImageSDK::cuLight light = rig.light;
                    packet(rig.context, &rays[k], count, light, &packed[3 * k]);
                }
                EXPECT_EQ(packed, one)
                    << "pixel type " << pixelType << " mode " << mode << " trilinear " << trilinear
                    << " packet " << size << " gathers " << gathers;
            }
        }
        std::set<std::vector<std::uint8_t>> distinct;
        for (std::size_t k = 0; k < rays.size(); ++k) {
            distinct.insert({one[3 * k], one[3 * k + 1], one[3 * k + 2]});
        }
        EXPECT_GT(distinct.size(), 5u)
            << "pixel type " << pixelType << " mode " << mode << " trilinear " << trilinear;
    }
}

}  // namespace

TEST(vrRayKernels, PacketsGiveTheBytesOfRaysCastOneByOne) {
    expectPacketsMatchRays<std::int16_t>(PIXEL_INT16, 1.0f);
    expectPacketsMatchRays<std::uint16_t>(PIXEL_UINT16, 400.0f);
    expectPacketsMatchRays<std::uint8_t>(PIXEL_UINT8, 2.0f);
    expectPacketsMatchRays<float>(PIXEL_FLOAT32, 0.013f);
}
