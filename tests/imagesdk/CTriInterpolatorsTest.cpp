#include "imagesdk/data/CTriInterpolators.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

using isImageSDK::CTriCubic;
using isImageSDK::CTriLinear;

namespace {

// A w x h x n volume of T whose voxel (x, y, z) is value(x, y, z).
template <typename T, typename Value> std::vector<T> fill(int w, int h, int n, Value value) {
    std::vector<T> voxels(std::size_t(w) * h * n);
    for (int z = 0; z < n; ++z) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                voxels[std::size_t(x) + std::size_t(w) * (y + std::size_t(h) * z)] =
                    T(value(x, y, z));
            }
        }
    }
    return voxels;
}

template <typename Sampler, typename T>
void setUp(Sampler& sampler, const std::vector<T>& voxels, int w, int h, int n,
           const float spacing[3], float background) {
    ASSERT_TRUE(sampler.setVolume(w, h, n, spacing, voxels.data(), background));
}

template <typename T> class InterpolatorTypes : public ::testing::Test {};
using VoxelTypes = ::testing::Types<unsigned char, short, unsigned short, float>;
TYPED_TEST_SUITE(InterpolatorTypes, VoxelTypes);

TYPED_TEST(InterpolatorTypes, VoxelCentresReturnTheVoxelExactly) {
    using T = TypeParam;
    // Spacings with exact inverses, so that a centre gives a zero fraction.
    const float spacing[3] = {0.5f, 0.25f, 2.0f};
    const auto voxels =
        fill<T>(5, 4, 3, [](int x, int y, int z) { return (x * 37 + y * 11 + z * 53) % 200; });
    CTriLinear<T> linear;
    CTriCubic<T> cubic;
    setUp(linear, voxels, 5, 4, 3, spacing, 0.0f);
    setUp(cubic, voxels, 5, 4, 3, spacing, 0.0f);
    for (int z = 0; z < 3; ++z) {
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 5; ++x) {
                const double expected = (x * 37 + y * 11 + z * 53) % 200;
                const float px = float(x) * spacing[0];
                const float py = float(y) * spacing[1];
                const float pz = float(z) * spacing[2];
                EXPECT_EQ(double(linear.getValue(px, py, pz)), expected) << x << y << z;
                EXPECT_EQ(double(cubic.getValue(px, py, pz)), expected) << x << y << z;
            }
        }
    }
}

TYPED_TEST(InterpolatorTypes, MidwayIsTheMeanAndFractionsTruncateTowardZero) {
    using T = TypeParam;
    const float spacing[3] = {1.0f, 1.0f, 1.0f};
    const auto voxels = fill<T>(2, 1, 1, [](int x, int, int) { return 100 * x; });
    CTriLinear<T> linear;
    setUp(linear, voxels, 2, 1, 1, spacing, 0.0f);
    EXPECT_EQ(double(linear.getValue(0.5f, 0.0f, 0.0f)), 50.0);
    const double nearly = double(linear.getValue(0.499999f, 0.0f, 0.0f));
    if (std::is_floating_point_v<T>) {
        EXPECT_NEAR(nearly, 49.9999, 1e-4);
    } else {
        EXPECT_EQ(nearly, 49.0);
    }
}

// The batch samplers against getValue, bit for bit, over positions inside, on and beyond every
// face and edge, not-a-number and infinite ones, mixed within each group of lanes, with counts
// that leave a remainder.
TYPED_TEST(InterpolatorTypes, BatchSamplesEqualSingleSamplesToTheBit) {
    using T = TypeParam;
    const float spacing[3] = {0.7f, 0.9f, 1.3f};
    const int w = 7;
    const int h = 6;
    const int n = 5;
    const auto voxels = fill<T>(w, h, n, [](int x, int y, int z) {
        return std::is_floating_point_v<T> ? (x * 7919 + y * 104729 + z * 1299709) % 20011 - 1e4
                                           : double((x * 7919 + y * 104729 + z * 1299709) % 256);
    });
    CTriLinear<T> linear;
    CTriCubic<T> cubic;
    setUp(linear, voxels, w, h, n, spacing, 3.0f);
    setUp(cubic, voxels, w, h, n, spacing, 3.0f);
    const float extent[3] = {float(w - 1) * spacing[0], float(h - 1) * spacing[1],
                             float(n - 1) * spacing[2]};
    const float special[] = {std::nanf(""), std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(), -1e30f, 1e30f};
    std::vector<float> at[3];
    unsigned seed = 12345;
    for (int p = 0; p < 1003; ++p) {
        for (int c = 0; c < 3; ++c) {
            seed = seed * 1103515245u + 12345u;
            const unsigned pick = (seed >> 16) % 16;
            float v = 0.0f;
            if (pick == 0) {
                v = special[(seed >> 8) % 5];
            } else if (pick < 4) {
                // A face: on it, or a spacing's hair beyond or before it.
                const float face = (pick & 1) ? extent[c] : 0.0f;
                v = face + float(int((seed >> 4) % 3) - 1) * 1e-4f;
            } else {
                v = (float((seed >> 4) % 10000) / 10000.0f) * (extent[c] + 2.0f * spacing[c]) -
                    spacing[c];
            }
            at[c].push_back(v);
        }
    }
    for (int count : {0, 1, 3, 4, 7, 1003}) {
        std::vector<T> batch(std::size_t(count) + 1, T(77));
        linear.getValues(at[0].data(), at[1].data(), at[2].data(), count, batch.data());
        for (int i = 0; i < count; ++i) {
            const T single = T(linear.getValue(at[0][i], at[1][i], at[2][i]));
            ASSERT_EQ(std::memcmp(&batch[i], &single, sizeof(T)), 0)
                << "linear " << i << " at " << at[0][i] << " " << at[1][i] << " " << at[2][i];
        }
        EXPECT_EQ(batch[std::size_t(count)], T(77));
        cubic.getValues(at[0].data(), at[1].data(), at[2].data(), count, batch.data());
        for (int i = 0; i < count; ++i) {
            const T single = T(cubic.getValue(at[0][i], at[1][i], at[2][i]));
            ASSERT_EQ(std::memcmp(&batch[i], &single, sizeof(T)), 0)
                << "cubic " << i << " at " << at[0][i] << " " << at[1][i] << " " << at[2][i];
        }
        EXPECT_EQ(batch[std::size_t(count)], T(77));
    }
}

TEST(TriLinear, BoxBoundsAreInsideAndAHairBeyondIsBackground) {
    const float spacing[3] = {0.5f, 0.25f, 2.0f};
    const auto voxels =
        fill<short>(4, 3, 5, [](int x, int y, int z) { return x + 10 * y + 100 * z; });
    CTriLinear<short> linear;
    setUp(linear, voxels, 4, 3, 5, spacing, -1024.0f);
    const float xMax = 3 * 0.5f;
    const float yMax = 2 * 0.25f;
    const float zMax = 4 * 2.0f;
    EXPECT_EQ(linear.getValue(xMax, yMax, zMax), 3 + 20 + 400);
    EXPECT_EQ(linear.getValue(0.0f, 0.0f, 0.0f), 0);

    struct Outside {
        float x, y, z;
    };
    const float hair = 1e-4f;
    const Outside cases[] = {
        {-hair, 0.0f, 0.0f},         {xMax + hair, 0.0f, 0.0f},
        {0.0f, -hair, 0.0f},         {0.0f, yMax + hair, 0.0f},
        {0.0f, 0.0f, -hair},         {0.0f, 0.0f, zMax + hair},
        {std::nanf(""), 0.0f, 0.0f}, {0.0f, std::numeric_limits<float>::infinity(), 0.0f},
    };
    for (const Outside& c : cases) {
        EXPECT_EQ(linear.getValue(c.x, c.y, c.z), -1024) << c.x << " " << c.y << " " << c.z;
    }
}

TEST(TriCubic, AcceptsDownToJustAboveOneVoxelBeforeTheFirst) {
    const float spacing[3] = {2.0f, 1.0f, 1.0f};
    const auto voxels = fill<unsigned short>(6, 4, 4, [](int x, int, int) { return 1000 + x; });
    CTriCubic<unsigned short> cubic;
    setUp(cubic, voxels, 6, 4, 4, spacing, 7.0f);
    // Linear data is reproduced by Catmull-Rom away from the clamped edge.
    EXPECT_EQ(cubic.getValue(2.0f * 2.5f, 1.0f, 1.0f), 1002);
    EXPECT_NE(cubic.getValue(-0.5f * 2.0f, 1.0f, 1.0f), 7);
    EXPECT_EQ(cubic.getValue(-1.0f * 2.0f, 1.0f, 1.0f), 7);
    EXPECT_NE(cubic.getValue(5.5f * 2.0f, 1.0f, 1.0f), 7);
    EXPECT_EQ(cubic.getValue(6.0f * 2.0f, 1.0f, 1.0f), 7);
    EXPECT_EQ(cubic.getValue(1.0f, std::nanf(""), 1.0f), 7);
    EXPECT_EQ(cubic.getValue(1.0f, 1.0f, -std::numeric_limits<float>::infinity()), 7);
}

TEST(Interpolators, OneSliceVolumeSamplesOnlyItsPlane) {
    const float spacing[3] = {1.0f, 1.0f, 3.0f};
    const auto voxels = fill<unsigned char>(3, 3, 1, [](int, int, int) { return 90; });
    CTriLinear<unsigned char> linear;
    CTriCubic<unsigned char> cubic;
    setUp(linear, voxels, 3, 3, 1, spacing, 5.0f);
    setUp(cubic, voxels, 3, 3, 1, spacing, 5.0f);
    EXPECT_EQ(linear.getValue(1.0f, 1.0f, 0.0f), 90);
    EXPECT_EQ(linear.getValue(1.0f, 1.0f, 0.01f), 5);
    EXPECT_EQ(linear.getValue(1.0f, 1.0f, -0.01f), 5);
    EXPECT_NEAR(cubic.getValue(1.0f, 1.0f, 2.9f), 90, 1);
    EXPECT_NEAR(cubic.getValue(1.0f, 1.0f, -2.9f), 90, 1);
    EXPECT_EQ(cubic.getValue(1.0f, 1.0f, 3.0f), 5);
    EXPECT_EQ(cubic.getValue(1.0f, 1.0f, -3.0f), 5);
}

TEST(Interpolators, RefuseSpacingThatIsNotPositiveAndFinite) {
    const auto voxels = fill<short>(2, 2, 2, [](int, int, int) { return 1; });
    const float bad[][3] = {{0.0f, 1.0f, 1.0f},
                            {1.0f, -1.0f, 1.0f},
                            {1.0f, 1.0f, std::numeric_limits<float>::infinity()},
                            {std::nanf(""), 1.0f, 1.0f}};
    for (const auto& spacing : bad) {
        CTriLinear<short> linear;
        EXPECT_FALSE(linear.setVolume(2, 2, 2, spacing, voxels.data(), 0.0f));
    }
    const float good[3] = {1.0f, 1.0f, 1.0f};
    CTriCubic<short> cubic;
    EXPECT_FALSE(cubic.setVolume(0, 2, 2, good, voxels.data(), 0.0f));
    EXPECT_FALSE(cubic.setVolume(2, 2, 2, good, nullptr, 0.0f));
}

// Catmull-Rom overshoots next to a step; integer results saturate rather than wrap.
struct OvershootCase {
    double low;
    double high;
    bool rising;
};

template <typename T>
void checkOvershootSaturates(const OvershootCase& c, double lowest, double highest) {
    const float spacing[3] = {1.0f, 1.0f, 1.0f};
    // Along x: low, high, high, high, high (rising) or high, low, low, low, low.
    const auto voxels = fill<T>(5, 2, 2, [&](int x, int, int) {
        return c.rising ? (x == 0 ? c.low : c.high) : (x == 0 ? c.high : c.low);
    });
    CTriCubic<T> cubic;
    setUp(cubic, voxels, 5, 2, 2, spacing, 0.0f);
    const double value = double(cubic.getValue(1.5f, 0.0f, 0.0f));
    EXPECT_EQ(value, c.rising ? highest : lowest);
}

TEST(TriCubic, OvershootSaturatesAtTheTypeRange) {
    const OvershootCase rising8{0, 255, true};
    const OvershootCase falling8{0, 255, false};
    checkOvershootSaturates<unsigned char>(rising8, 0, 255);
    checkOvershootSaturates<unsigned char>(falling8, 0, 255);
    const OvershootCase rising16{-32768, 32767, true};
    const OvershootCase falling16{-32768, 32767, false};
    checkOvershootSaturates<short>(rising16, -32768, 32767);
    checkOvershootSaturates<short>(falling16, -32768, 32767);
    const OvershootCase risingU16{0, 65535, true};
    const OvershootCase fallingU16{0, 65535, false};
    checkOvershootSaturates<unsigned short>(risingU16, 0, 65535);
    checkOvershootSaturates<unsigned short>(fallingU16, 0, 65535);
}

TEST(TriCubic, FloatOvershootIsKept) {
    const float spacing[3] = {1.0f, 1.0f, 1.0f};
    const auto voxels = fill<float>(5, 2, 2, [](int x, int, int) { return x == 0 ? 0.0 : 100.0; });
    CTriCubic<float> cubic;
    setUp(cubic, voxels, 5, 2, 2, spacing, 0.0f);
    // w0(0.5) = -0.0625, so the value is 100 x 1.0625.
    EXPECT_NEAR(cubic.getValue(1.5f, 0.0f, 0.0f), 106.25f, 1e-3f);
}

}  // namespace
