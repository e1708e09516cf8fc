#include "imagesdk/data/isImageReslice2D.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "VolumeFixture.h"
#include "VoxelAllocatorGuard.h"
#include "imagesdk/data/BandPool.h"
#include "imagesdk/data/isImagePlane.h"

using cocos2d::Mat4;
using cocos2d::Vec3;
using imagesdktest::loadVoxel;
using imagesdktest::makeVolume;
using imagesdktest::pixelAt;
using imagesdktest::RefPtr;
using imagesdktest::VoxelAllocatorGuard;
using isImageSDK::isImageData;
using isImageSDK::isImagePlane;
using isImageSDK::isImageReslice2D;
using isImageSDK::isSliceInfo;

namespace {

isSliceInfo* pullSlice(isImageSDK::isImageFilter* filter) {
    auto* out = static_cast<isImageData*>(filter->getOutput());
    out->update();
    return out->getSlice(0);
}

Mat4 translation(float x, float y, float z) {
    Mat4 m;
    Mat4::createTranslation(x, y, z, &m);
    return m;
}

// Columns given as the plane's x direction, y direction, normal and origin.
Mat4 frameOf(const Vec3& x, const Vec3& y, const Vec3& normal, const Vec3& origin) {
    Mat4 m;
    const Vec3* columns[4] = {&x, &y, &normal, &origin};
    for (int c = 0; c < 4; ++c) {
        m.m[4 * c + 0] = columns[c]->x;
        m.m[4 * c + 1] = columns[c]->y;
        m.m[4 * c + 2] = columns[c]->z;
    }
    return m;
}

double typeLowest(int type) {
    return type == isImageSDK::PIXEL_INT16 ? -32768.0
                                           : (type == isImageSDK::PIXEL_FLOAT32 ? -3.35e38 : 0.0);
}
double typeHighest(int type) {
    switch (type) {
    case isImageSDK::PIXEL_UINT8:
        return 255.0;
    case isImageSDK::PIXEL_INT16:
        return 32767.0;
    case isImageSDK::PIXEL_UINT16:
        return 65535.0;
    default:
        return 3.35e38;
    }
}

// The value a sample takes in the output: truncated toward zero into the type's range.
double stored(float value, int type) {
    if (type == isImageSDK::PIXEL_FLOAT32) {
        return value;
    }
    if (!(value == value)) {
        return typeLowest(type);
    }
    return std::trunc(std::min(std::max(double(value), typeLowest(type)), typeHighest(type)));
}

// Straightforward samplers written from the formulas, reading voxels one by one.
struct ReferenceVolume {
    const void* voxels;
    int type;
    int w, h, n;
    float sx, sy, sz;
    float background;

    double voxel(int x, int y, int z) const {
        x = std::min(std::max(x, 0), w - 1);
        y = std::min(std::max(y, 0), h - 1);
        z = std::min(std::max(z, 0), n - 1);
        return loadVoxel(voxels, std::size_t(x) + std::size_t(w) * (y + std::size_t(h) * z), type);
    }

    double linear(float x, float y, float z) const {
        const float xMax = float(w - 1) * sx;
        const float yMax = float(h - 1) * sy;
        const float zMax = float(n - 1) * sz;
        if (!(x >= 0.0f && x <= xMax && y >= 0.0f && y <= yMax && z >= 0.0f && z <= zMax)) {
            return background;
        }
        const float fx = x * (1.0f / sx);
        const float fy = y * (1.0f / sy);
        const float fz = z * (1.0f / sz);
        const int i = std::min(int(fx), w - 1);
        const int j = std::min(int(fy), h - 1);
        const int k = std::min(int(fz), n - 1);
        const float tx = fx - float(i);
        const float ty = fy - float(j);
        const float tz = fz - float(k);
        const float wz[2] = {1.0f - tz, tz};
        const float wy0 = 1.0f - ty;
        const float wx0 = 1.0f - tx;
        float sum = 0.0f;
        for (int s = 0; s < 2; ++s) {
            const int kk = k + s;
            const float v00 = float(voxel(i, j, kk));
            const float v10 = float(voxel(i + 1, j, kk));
            const float v01 = float(voxel(i, j + 1, kk));
            const float v11 = float(voxel(i + 1, j + 1, kk));
            sum += wz[s] * (wy0 * wx0 * v00 + tx * wy0 * v10 + ty * wx0 * v01 + ty * tx * v11);
        }
        return stored(sum, type);
    }

    static void catmullRom(float t, float out[4]) {
        const float t2 = t * t;
        const float t3 = t2 * t;
        out[0] = 0.0f + -0.5f * t + 1.0f * t2 + -0.5f * t3;
        out[1] = 1.0f + 0.0f * t + -2.5f * t2 + 1.5f * t3;
        out[2] = 0.0f + 0.5f * t + 2.0f * t2 + -1.5f * t3;
        out[3] = 0.0f + 0.0f * t + -0.5f * t2 + 0.5f * t3;
    }

    double cubic(float x, float y, float z) const {
        const float fx = x * (1.0f / sx);
        const float fy = y * (1.0f / sy);
        const float fz = z * (1.0f / sz);
        if (!(fx > -1.0f && fy > -1.0f && fz > -1.0f)) {
            return background;
        }
        const int i = int(fx);
        const int j = int(fy);
        const int k = int(fz);
        if (i > w - 1 || j > h - 1 || k > n - 1) {
            return background;
        }
        float wx[4];
        float wy[4];
        float wz[4];
        catmullRom(fx - float(i), wx);
        catmullRom(fy - float(j), wy);
        catmullRom(fz - float(k), wz);
        float sum = 0.0f;
        for (int c = 0; c < 4; ++c) {
            for (int b = 0; b < 4; ++b) {
                for (int a = 0; a < 4; ++a) {
                    sum += wz[c] * wy[b] * wx[a] * float(voxel(i - 1 + a, j - 1 + b, k - 1 + c));
                }
            }
        }
        return stored(sum, type);
    }
};

// The reslice written out step by step: each plane's start and each row's start computed from the
// origin in double precision, the walk along a row carried in single precision, slabs folded
// through a double buffer.
std::vector<double> referenceReslice(isImageData* v, const isImageReslice2D* filter) {
    ReferenceVolume ref{
        v->voxels,     v->pixelType,  v->width,
        v->height,     v->sliceCount, v->spacing[0],
        v->spacing[1], v->spacing[2], float(stored(filter->getBackground(), v->pixelType))};
    const Mat4& m = filter->getResliceMatrix();
    const int width = filter->getOutputWidth();
    const int height = filter->getOutputHeight();
    const int samples = filter->getSlabSamples();
    const int mode = filter->getSlabMode();
    const bool tricubic = filter->getInterpolation() == isImageSDK::INTERPOLATION_TRICUBIC;
    float X[3], Y[3], Z[3];
    for (int c = 0; c < 3; ++c) {
        X[c] = filter->getOutputSpacingX() * m.m[c];
        Y[c] = filter->getOutputSpacingY() * m.m[4 + c];
        Z[c] = filter->getSlabStep() * m.m[8 + c];
    }
    const int planes = samples < 2 ? 1 : samples;
    std::vector<double> out(std::size_t(width) * height);
    std::vector<double> sums(out.size());
    for (int plane = 0; plane < planes; ++plane) {
        float start[3];
        for (int c = 0; c < 3; ++c) {
            const double offset = samples < 2 ? 0.0 : double(plane) - samples * 0.5;
            start[c] = float(double(m.m[12 + c]) + offset * double(Z[c]));
        }
        for (int j = 0; j < height; ++j) {
            float p[3];
            for (int c = 0; c < 3; ++c) {
                p[c] = float(double(start[c]) + double(j) * double(Y[c]));
            }
            for (int i = 0; i < width; ++i) {
                const double s =
                    tricubic ? ref.cubic(p[0], p[1], p[2]) : ref.linear(p[0], p[1], p[2]);
                double& o = out[std::size_t(j) * width + i];
                if (plane == 0) {
                    o = s;
                    sums[std::size_t(j) * width + i] = s;
                } else if (mode == 1) {
                    o = std::max(o, s);
                } else if (mode == 0) {
                    o = std::min(o, s);
                } else {
                    sums[std::size_t(j) * width + i] += s;
                }
                for (int c = 0; c < 3; ++c) {
                    p[c] += X[c];
                }
            }
        }
    }
    if (samples >= 2 && (mode == 2 || mode == 3)) {
        const bool isFloat = v->pixelType == isImageSDK::PIXEL_FLOAT32;
        for (std::size_t i = 0; i < out.size(); ++i) {
            const double value = mode == 3 ? std::min(std::max(sums[i], typeLowest(v->pixelType)),
                                                      typeHighest(v->pixelType))
                                           : sums[i] * (1.0 / samples);
            out[i] = isFloat ? double(float(value)) : std::trunc(value);
        }
    }
    return out;
}

double spreadValue(int type, int x, int y, int z) {
    const std::uint32_t hash =
        std::uint32_t(x) * 73856093u ^ std::uint32_t(y) * 19349663u ^ std::uint32_t(z) * 83492791u;
    const double unit = double(hash % 10007) / 10006.0;
    switch (type) {
    case isImageSDK::PIXEL_UINT8:
        return std::floor(unit * 255.0);
    case isImageSDK::PIXEL_INT16:
        return std::floor(unit * 65535.0) - 32768.0;
    case isImageSDK::PIXEL_UINT16:
        return std::floor(unit * 65535.0);
    default:
        return unit * 2e4 - 1e4 + 0.37;
    }
}

struct ObliqueCase {
    int pixelType;
    int interpolation;
    int mode;
    float thickness;
};

class ResliceAgainstReference : public ::testing::TestWithParam<ObliqueCase> {};

TEST_P(ResliceAgainstReference, EveryPixelMatchesTheStepByStepResult) {
    const ObliqueCase c = GetParam();
    const float spacing[3] = {0.7f, 0.9f, 1.3f};
    RefPtr<isImageData> volume =
        makeVolume(9, 8, 7, c.pixelType, spacing,
                   [&](int x, int y, int z) { return spreadValue(c.pixelType, x, y, z); });
    RefPtr<isImageReslice2D> filter(isImageReslice2D::create());
    filter->setInputData(volume.get());
    filter->setInterpolation(c.interpolation);
    filter->setSlabMode(c.mode);

    Mat4 tilted;
    Mat4::createRotation(Vec3(1.0f, 2.0f, 3.0f), 0.5f, &tilted);
    Mat4 turned;
    Mat4::createRotation(Vec3(0.0f, 1.0f, 0.0f), 1.5707964f, &turned);
    Mat4 steep;
    Mat4::createRotation(Vec3(-1.0f, 0.2f, 0.1f), 2.4f, &steep);
    const Mat4 matrices[] = {Mat4::IDENTITY, translation(2.8f, 3.6f, 3.9f) * tilted,
                             translation(3.0f, 3.0f, 4.0f) * turned,
                             translation(2.0f, 4.0f, 2.5f) * steep};
    for (const Mat4& matrix : matrices) {
        filter->setResliceMatrix(matrix);
        filter->setSlabThickness(c.thickness);
        isSliceInfo* slice = pullSlice(filter.get());
        ASSERT_NE(slice, nullptr);
        const std::vector<double> expected = referenceReslice(volume.get(), filter.get());
        ASSERT_EQ(std::size_t(slice->width) * slice->height, expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(loadVoxel(slice->data, i, c.pixelType), expected[i]) << "element " << i;
        }
    }
}

std::vector<ObliqueCase> obliqueCases() {
    std::vector<ObliqueCase> cases;
    for (int type : {0, 1, 2, 3}) {
        for (int interpolation : {1, 2}) {
            cases.push_back({type, interpolation, 1, 0.01f});
            for (int mode = 0; mode < 4; ++mode) {
                cases.push_back({type, interpolation, mode, 5.0f});
            }
        }
    }
    return cases;
}

std::string obliqueName(const ::testing::TestParamInfo<ObliqueCase>& info) {
    const char* types[] = {"u8", "s16", "f32", "u16"};
    const char* modes[] = {"min", "max", "mean", "sum"};
    return std::string(types[info.param.pixelType]) +
           (info.param.interpolation == 2 ? "_cubic_" : "_linear_") +
           (info.param.thickness < 1.0f ? std::string("plane") : modes[info.param.mode]);
}

INSTANTIATE_TEST_SUITE_P(Oblique, ResliceAgainstReference, ::testing::ValuesIn(obliqueCases()),
                         obliqueName);

// Outputs many pixels wide and high, and slabs of dozens of planes, so that the kernel's
// partition of the work (and the position carried across it) is crossed in every direction.
TEST(ResliceWideOutput, TilesAndThickSlabsMatchTheStepByStepResult) {
    const float spacing[3] = {0.7f, 0.6f, 0.8f};
    RefPtr<isImageData> volume =
        makeVolume(83, 71, 45, isImageSDK::PIXEL_INT16, spacing, [](int x, int y, int z) {
            return double((x * 7919 + y * 104729 + z * 1299709) % 65536 - 32768);
        });
    RefPtr<isImageReslice2D> filter(isImageReslice2D::create());
    filter->setInputData(volume.get());
    Mat4 tilted;
    Mat4::createRotation(Vec3(1.0f, 0.6f, 0.2f), 0.6f, &tilted);
    const struct {
        int mode;
        float thickness;
    } slabs[] = {{isImageSDK::SLAB_MAXIMUM, 0.01f},
                 {isImageSDK::SLAB_MAXIMUM, 45.0f},
                 {isImageSDK::SLAB_MINIMUM, 45.0f},
                 {isImageSDK::SLAB_MEAN, 45.0f},
                 {isImageSDK::SLAB_SUM, 45.0f}};
    for (const auto& slab : slabs) {
        filter->setSlabMode(slab.mode);
        filter->setResliceMatrix(translation(29.0f, 21.0f, 17.0f) * tilted);
        filter->setSlabThickness(slab.thickness);
        ASSERT_GT(filter->getOutputWidth(), 64);
        ASSERT_GT(filter->getOutputHeight(), 64);
        isSliceInfo* slice = pullSlice(filter.get());
        ASSERT_NE(slice, nullptr);
        const std::vector<double> expected = referenceReslice(volume.get(), filter.get());
        ASSERT_EQ(std::size_t(slice->width) * slice->height, expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(loadVoxel(slice->data, i, isImageSDK::PIXEL_INT16), expected[i])
                << "mode " << slab.mode << " samples " << filter->getSlabSamples() << " element "
                << i;
        }
    }
}

struct FrameCase {
    const char* name;
    Mat4 matrix;
    int width;
    int height;
    float spacingX;
    float spacingY;
    float step;
};

class ResliceFrame : public ::testing::TestWithParam<FrameCase> {};

TEST_P(ResliceFrame, OutputCoversTheVolumeOnePixelPerDominantVoxel) {
    const FrameCase& c = GetParam();
    const float spacing[3] = {0.5f, 0.5f, 2.0f};
    RefPtr<isImageData> volume =
        makeVolume(256, 256, 40, isImageSDK::PIXEL_INT16, spacing, [](int, int, int) { return 0; });
    RefPtr<isImageReslice2D> filter(isImageReslice2D::create());
    filter->setInputData(volume.get());
    filter->setResliceMatrix(c.matrix);
    EXPECT_EQ(filter->getOutputWidth(), c.width);
    EXPECT_EQ(filter->getOutputHeight(), c.height);
    EXPECT_FLOAT_EQ(filter->getOutputSpacingX(), c.spacingX);
    EXPECT_FLOAT_EQ(filter->getOutputSpacingY(), c.spacingY);
    EXPECT_FLOAT_EQ(filter->getSlabStep(), c.step);
    EXPECT_FLOAT_EQ(filter->getSampleSpacing(), c.step);
    EXPECT_EQ(filter->getSlabSamples(), 1);

    isSliceInfo* slice = pullSlice(filter.get());
    ASSERT_NE(slice, nullptr);
    EXPECT_EQ(slice->width, c.width);
    EXPECT_EQ(slice->height, c.height);
    EXPECT_FLOAT_EQ(slice->pixelSpacingX, c.spacingX);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, ResliceFrame,
    ::testing::Values(FrameCase{"Identity", Mat4::IDENTITY, 255, 255, 0.5f, 0.5f, 2.0f},
                      FrameCase{"TurnedAboutZ",
                                frameOf(Vec3(0.6f, 0.8f, 0.0f), Vec3(-0.8f, 0.6f, 0.0f),
                                        Vec3(0.0f, 0.0f, 1.0f), Vec3(0.0f, 0.0f, 0.0f)),
                                286, 286, 0.625f, 0.625f, 2.0f},
                      // Every column's dominant component is negative: spacings stay positive.
                      FrameCase{"Reversed",
                                frameOf(Vec3(-1.0f, 0.0f, 0.0f), Vec3(0.0f, -1.0f, 0.0f),
                                        Vec3(0.0f, 0.0f, 1.0f), Vec3(0.0f, 0.0f, 0.0f)),
                                255, 255, 0.5f, 0.5f, 2.0f},
                      FrameCase{"Sagittal",
                                frameOf(Vec3(0.0f, 0.0f, 1.0f), Vec3(0.0f, 1.0f, 0.0f),
                                        Vec3(-1.0f, 0.0f, 0.0f), Vec3(0.0f, 0.0f, 0.0f)),
                                39, 255, 2.0f, 0.5f, 0.5f}),
    [](const ::testing::TestParamInfo<FrameCase>& info) { return info.param.name; });

TEST(ResliceFrame, ReversedFrameStartsAtTheFarCorner) {
    const float spacing[3] = {0.5f, 0.5f, 2.0f};
    RefPtr<isImageData> volume = makeVolume(8, 6, 4, isImageSDK::PIXEL_UINT8, spacing,
                                            [](int x, int y, int z) { return x + 10 * y + z; });
    RefPtr<isImageReslice2D> filter(isImageReslice2D::create());
    filter->setInputData(volume.get());
    filter->setResliceMatrix(frameOf(Vec3(-1.0f, 0.0f, 0.0f), Vec3(0.0f, -1.0f, 0.0f),
                                     Vec3(0.0f, 0.0f, 1.0f), Vec3(0.0f, 0.0f, 2.0f)));
    const Mat4& m = filter->getResliceMatrix();
    EXPECT_FLOAT_EQ(m.m[12], 3.5f);
    EXPECT_FLOAT_EQ(m.m[13], 2.5f);
    EXPECT_FLOAT_EQ(m.m[14], 2.0f);
    isSliceInfo* slice = pullSlice(filter.get());
    ASSERT_NE(slice, nullptr);
    ASSERT_EQ(slice->width, 7);
    ASSERT_EQ(slice->height, 5);
    for (int j = 0; j < 5; ++j) {
        for (int i = 0; i < 7; ++i) {
            ASSERT_EQ(pixelAt(slice, i, j), (7 - i) + 10 * (5 - j) + 1);
        }
    }
}

TEST(ResliceSlab, ThicknessSetsSamplesAndStep) {
    const float spacing[3] = {1.0f, 1.0f, 2.0f};
    RefPtr<isImageData> volume =
        makeVolume(4, 4, 8, isImageSDK::PIXEL_INT16, spacing, [](int, int, int) { return 0; });
    RefPtr<isImageReslice2D> filter(isImageReslice2D::create());
    filter->setInputData(volume.get());
    filter->setSlabThickness(10.0f);
    EXPECT_EQ(filter->getSlabSamples(), 5);
    EXPECT_FLOAT_EQ(filter->getSlabStep(), 2.5f);

    // The thickness survives a new matrix; the step is recomputed from it.
    filter->setResliceMatrix(translation(0.0f, 0.0f, 4.0f));
    EXPECT_EQ(filter->getSlabSamples(), 5);
    EXPECT_FLOAT_EQ(filter->getSlabStep(), 2.5f);

    const float unit[3] = {1.0f, 1.0f, 1.0f};
    RefPtr<isImageData> fine =
        makeVolume(4, 4, 8, isImageSDK::PIXEL_INT16, unit, [](int, int, int) { return 0; });
    filter->setInputData(fine.get());
    filter->setSlabThickness(1.9f);
    EXPECT_EQ(filter->getSlabSamples(), 1);
    EXPECT_FLOAT_EQ(filter->getSlabStep(), 1.0f);
    filter->setSlabThickness(-3.0f);
    EXPECT_LT(filter->getSlabSamples(), 2);
}

struct SlabCase {
    const char* name;
    int pixelType;
    std::vector<double> values;  // slices k0 - r .. k0 + r of the slab
    int mode;
    double expected;
};

class ResliceSlabOnGrid : public ::testing::TestWithParam<SlabCase> {};

// Planes placed exactly on slices, so every sample is a voxel value.
TEST_P(ResliceSlabOnGrid, FoldsTheSlicesOfTheSlab) {
    const SlabCase& c = GetParam();
    const int samples = int(c.values.size());
    const int n = samples + 4;
    const float spacing[3] = {1.0f, 1.0f, 2.0f};
    RefPtr<isImageData> volume = makeVolume(5, 4, n, c.pixelType, spacing, [&](int, int, int z) {
        return z >= 2 && z < 2 + samples ? c.values[z - 2] : 0.0;
    });
    RefPtr<isImageReslice2D> filter(isImageReslice2D::create());
    filter->setInputData(volume.get());
    filter->setSlabMode(c.mode);
    const int centre = 2 + samples / 2;
    filter->setResliceMatrix(translation(0.0f, 0.0f, (float(centre) + 0.5f) * 2.0f));
    filter->setSlabThickness(float(samples - 1) * 2.0f);
    ASSERT_EQ(filter->getSlabSamples(), samples);
    ASSERT_FLOAT_EQ(filter->getSlabStep(), 2.0f);
    isSliceInfo* slice = pullSlice(filter.get());
    ASSERT_NE(slice, nullptr);
    EXPECT_EQ(pixelAt(slice, 2, 1), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ResliceSlabOnGrid,
    ::testing::Values(
        SlabCase{"MaxS16", isImageSDK::PIXEL_INT16, {-5, 90, 7}, 1, 90},
        SlabCase{"MinU8", isImageSDK::PIXEL_UINT8, {50, 9, 70, 40, 60}, 0, 9},
        SlabCase{"MeanTowardZero", isImageSDK::PIXEL_INT16, {-1000, -1001, -1001}, 2, -1000},
        SlabCase{"SumU16", isImageSDK::PIXEL_UINT16, {30000, 30000, 30000}, 3, 65535},
        SlabCase{"SumS16High", isImageSDK::PIXEL_INT16, {20000, 20000, 20000}, 3, 32767},
        SlabCase{"SumS16Low", isImageSDK::PIXEL_INT16, {-20000, -20000, -20000}, 3, -32768},
        SlabCase{"SumU8", isImageSDK::PIXEL_UINT8, {100, 100, 100}, 3, 255},
        SlabCase{"MeanF32", isImageSDK::PIXEL_FLOAT32, {0.5, 1.0, 3.0}, 2, double(4.5f / 3.0f)}),
    [](const ::testing::TestParamInfo<SlabCase>& info) { return info.param.name; });

class ResliceEqualsPlanes : public ::testing::TestWithParam<int> {};

// Axis-aligned reslices sample on the grid, so they reproduce the orthogonal planes over the
// area they cover (one pixel short of the volume on each side).
TEST_P(ResliceEqualsPlanes, AxialSagittalAndCoronal) {
    const int type = GetParam();
    const float spacing[3] = {0.5f, 0.25f, 2.0f};
    const int w = 12;
    const int h = 10;
    const int n = 7;
    RefPtr<isImageData> volume = makeVolume(
        w, h, n, type, spacing, [&](int x, int y, int z) { return spreadValue(type, x, y, z); });
    RefPtr<isImagePlane> plane(isImagePlane::create());
    plane->setInputData(volume.get());
    RefPtr<isImageReslice2D> filter(isImageReslice2D::create());
    filter->setInputData(volume.get());

    struct View {
        int axis;
        int index;
        Mat4 matrix;
    };
    const View views[] = {
        {0, 0, Mat4::IDENTITY},
        {0, 4, translation(0.0f, 0.0f, 4 * 2.0f)},
        {1, 3,
         frameOf(Vec3(0.0f, 0.0f, 1.0f), Vec3(0.0f, 1.0f, 0.0f), Vec3(-1.0f, 0.0f, 0.0f),
                 Vec3((w - 1 - 3) * 0.5f, 0.0f, 0.0f))},
        {2, 6,
         frameOf(Vec3(0.0f, 0.0f, 1.0f), Vec3(1.0f, 0.0f, 0.0f), Vec3(0.0f, 1.0f, 0.0f),
                 Vec3(0.0f, 6 * 0.25f, 0.0f))},
    };
    for (const View& view : views) {
        plane->setAxis(view.axis);
        plane->setIndex(view.index);
        isSliceInfo* expected = pullSlice(plane.get());
        filter->setResliceMatrix(view.matrix);
        isSliceInfo* actual = pullSlice(filter.get());
        ASSERT_NE(expected, nullptr);
        ASSERT_NE(actual, nullptr);
        ASSERT_EQ(actual->width, expected->width - 1) << view.axis;
        ASSERT_EQ(actual->height, expected->height - 1) << view.axis;
        for (int y = 0; y < actual->height; ++y) {
            for (int x = 0; x < actual->width; ++x) {
                ASSERT_EQ(pixelAt(actual, x, y), pixelAt(expected, x, y))
                    << "axis " << view.axis << " at " << x << "," << y;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(PixelTypes, ResliceEqualsPlanes, ::testing::Values(0, 1, 2, 3));

struct BackgroundCase {
    int pixelType;
    double expected;
};

class ResliceBackground : public ::testing::TestWithParam<BackgroundCase> {};

TEST_P(ResliceBackground, SamplesOutsideTheVolumeTakeTheTypeBackground) {
    const BackgroundCase& c = GetParam();
    const float spacing[3] = {1.0f, 1.0f, 1.0f};
    RefPtr<isImageData> volume =
        makeVolume(10, 10, 10, c.pixelType, spacing, [](int, int, int) { return 77; });
    RefPtr<isImageReslice2D> filter(isImageReslice2D::create());
    filter->setInputData(volume.get());
    Mat4 turned;
    Mat4::createRotationZ(0.7853982f, &turned);
    filter->setResliceMatrix(translation(0.0f, 0.0f, 4.0f) * turned);
    isSliceInfo* slice = pullSlice(filter.get());
    ASSERT_NE(slice, nullptr);
    EXPECT_EQ(pixelAt(slice, 0, 0), c.expected);
    EXPECT_EQ(pixelAt(slice, slice->width / 2, slice->height / 2), 77);
}

INSTANTIATE_TEST_SUITE_P(PixelTypes, ResliceBackground,
                         ::testing::Values(BackgroundCase{isImageSDK::PIXEL_INT16, -1024},
                                           BackgroundCase{isImageSDK::PIXEL_UINT8, 0},
                                           BackgroundCase{isImageSDK::PIXEL_UINT16, 0},
                                           BackgroundCase{isImageSDK::PIXEL_FLOAT32, 0}));

TEST(ResliceOutput, RecordCarriesThePlaneFrameAndTheFirstSliceValues) {
    const float spacing[3] = {0.5f, 0.5f, 2.0f};
    Mat4 world = translation(-20.0f, 10.0f, 5.0f);
    RefPtr<isImageData> volume = makeVolume(
        8, 8, 4, isImageSDK::PIXEL_INT16, spacing, [](int, int, int) { return 1; }, world);
    isSliceInfo* first = volume->slices.front();
    first->modality = 0;
    first->rescaleIntercept = -1024.0f;
    first->rescaleSlope = 2.0f;
    first->windowWidth = 350.0f;
    first->windowCentre = 40.0f;
    first->signCode = 3;
    first->extra = 9;
    first->path = "/data/first.dcm";
    first->orientationCode = 1;

    RefPtr<isImageReslice2D> filter(isImageReslice2D::create());
    filter->setInputData(volume.get());
    filter->setResliceMatrix(translation(0.0f, 0.0f, 2.0f));
    isSliceInfo* slice = pullSlice(filter.get());
    ASSERT_NE(slice, nullptr);
    EXPECT_FLOAT_EQ(slice->matrix.m[12], -20.0f);
    EXPECT_FLOAT_EQ(slice->matrix.m[14], 7.0f);
    EXPECT_EQ(slice->modality, 0);
    EXPECT_FLOAT_EQ(slice->rescaleIntercept, -1024.0f);
    EXPECT_FLOAT_EQ(slice->rescaleSlope, 2.0f);
    EXPECT_FLOAT_EQ(slice->windowWidth, 350.0f);
    EXPECT_FLOAT_EQ(slice->windowCentre, 40.0f);
    EXPECT_EQ(slice->signCode, 3);
    EXPECT_EQ(slice->extra, 9);
    EXPECT_EQ(slice->orientationCode, 1);
    EXPECT_TRUE(slice->path.empty());
}

TEST(ResliceOutput, RgbGivesNoSliceAndPerSliceVolumeStaysZero) {
    const float spacing[3] = {1.0f, 1.0f, 1.0f};
    RefPtr<isImageData> rgb =
        makeVolume(4, 4, 4, isImageSDK::PIXEL_RGB24, spacing, [](int, int, int) { return 5; });
    RefPtr<isImageReslice2D> filter(isImageReslice2D::create());
    filter->setInputData(rgb.get());
    EXPECT_EQ(pullSlice(filter.get()), nullptr);

    RefPtr<isImageData> perSlice;
    {
        // Refusing the one big buffer makes the volume fall back to a buffer per slice.
        VoxelAllocatorGuard guard(
            [](std::size_t, std::size_t requestIndex) { return requestIndex == 0; });
        perSlice =
            makeVolume(4, 4, 4, isImageSDK::PIXEL_UINT16, spacing, [](int, int, int) { return 5; });
    }
    ASSERT_TRUE(perSlice->isVolume());
    ASSERT_FALSE(perSlice->singleBuffer);
    filter->setInputData(perSlice.get());
    isSliceInfo* slice = pullSlice(filter.get());
    ASSERT_NE(slice, nullptr);
    for (int y = 0; y < slice->height; ++y) {
        for (int x = 0; x < slice->width; ++x) {
            ASSERT_EQ(pixelAt(slice, x, y), 0);
        }
    }
}

TEST(ResliceOutput, FlatMatrixGivesOneZeroPixel) {
    const float spacing[3] = {1.0f, 1.0f, 1.0f};
    RefPtr<isImageData> volume =
        makeVolume(4, 4, 4, isImageSDK::PIXEL_UINT8, spacing, [](int, int, int) { return 5; });
    RefPtr<isImageReslice2D> filter(isImageReslice2D::create());
    filter->setInputData(volume.get());
    Mat4 flat;
    flat.setZero();
    filter->setResliceMatrix(flat);
    isSliceInfo* slice = pullSlice(filter.get());
    ASSERT_NE(slice, nullptr);
    EXPECT_EQ(slice->width, 1);
    EXPECT_EQ(slice->height, 1);
    EXPECT_EQ(pixelAt(slice, 0, 0), 0);
}

TEST(ResliceFlags, MatrixMarksBothContentSettersOnlyInformation) {
    const float spacing[3] = {1.0f, 1.0f, 1.0f};
    RefPtr<isImageData> volume =
        makeVolume(4, 4, 4, isImageSDK::PIXEL_INT16, spacing, [](int, int, int) { return 5; });
    RefPtr<isImageReslice2D> filter(isImageReslice2D::create());
    EXPECT_EQ(filter->getSlabMode(), isImageSDK::SLAB_MAXIMUM);
    EXPECT_EQ(filter->getInterpolation(), isImageSDK::INTERPOLATION_TRILINEAR);
    EXPECT_FLOAT_EQ(filter->getBackground(), 0.0f);
    filter->setInputData(volume.get());
    EXPECT_FLOAT_EQ(filter->getBackground(), -1024.0f);

    struct Case {
        const char* name;
        std::function<void(isImageReslice2D*)> set;
        bool data;
        bool information;
    };
    const Case cases[] = {
        {"matrix", [](isImageReslice2D* f) { f->setResliceMatrix(translation(0, 0, 1)); }, true,
         true},
        {"thickness", [](isImageReslice2D* f) { f->setSlabThickness(2.0f); }, false, true},
        {"mode", [](isImageReslice2D* f) { f->setSlabMode(isImageSDK::SLAB_MEAN); }, false, true},
        {"same mode", [](isImageReslice2D* f) { f->setSlabMode(isImageSDK::SLAB_MEAN); }, false,
         false},
        {"interpolation",
         [](isImageReslice2D* f) { f->setInterpolation(isImageSDK::INTERPOLATION_TRICUBIC); },
         false, true},
    };
    for (const Case& c : cases) {
        isSliceInfo* before = pullSlice(filter.get());
        ASSERT_FALSE(filter->isDataModified());
        ASSERT_FALSE(filter->isInformationModified());
        c.set(filter.get());
        EXPECT_EQ(filter->isDataModified(), c.data) << c.name;
        EXPECT_EQ(filter->isInformationModified(), c.information) << c.name;
        isSliceInfo* after = pullSlice(filter.get());
        if (!c.data) {
            EXPECT_EQ(after, before) << c.name;
        }
    }
}

}  // namespace

// A 512 x 512 request through the centre of the volume, turned 50 degrees about x and then 40
// degrees about y, with the given slab.
isImageSDK::ResliceRequest steepRequest(isImageData* volume, void* out, int samples, int mode) {
    Mat4 aboutX;
    Mat4::createRotationX(0.87266463f, &aboutX);
    Mat4 aboutY;
    Mat4::createRotationY(0.6981317f, &aboutY);
    Mat4 frame = aboutY * aboutX;
    const float half = 256.0f * 0.35f;
    Vec3 corner;
    frame.transformVector(Vec3(-half, -half, 0.0f), &corner);
    for (int c = 0; c < 3; ++c) {
        const float centre = 0.5f *
                             float((c == 0   ? volume->width
                                    : c == 1 ? volume->height
                                             : volume->sliceCount) -
                                   1) *
                             volume->spacing[c];
        frame.m[12 + c] = centre + (&corner.x)[c];
    }
    isImageSDK::ResliceRequest request;
    request.slice.width = 512;
    request.slice.height = 512;
    request.slice.pixelSpacingX = 0.35f;
    request.slice.pixelSpacingY = 0.35f;
    request.slice.pixelType = volume->pixelType;
    request.slice.data = out;
    request.slice.matrix = frame;
    request.slabMode = mode;
    request.slabSamples = samples;
    request.slabStep = 1.0f;
    request.interpolation = isImageSDK::INTERPOLATION_TRILINEAR;
    request.background = -1.0f;
    return request;
}

// Volumes whose voxels hold their own x, y or z position in millimetres: trilinear sampling then
// returns the position it sampled at, which a double-precision walk can check.
TEST(ResliceObliquePositions, EveryPixelSamplesWhereTheExactFrameSaysAtASteepAngle) {
    const float spacing[3] = {0.7f, 0.7f, 1.25f};
    std::vector<std::vector<float>> sampled;
    isImageSDK::ResliceRequest request;
    for (int axis = 0; axis < 3; ++axis) {
        RefPtr<isImageData> volume =
            makeVolume(128, 128, 80, isImageSDK::PIXEL_FLOAT32, spacing, [&](int x, int y, int z) {
                const int at[3] = {x, y, z};
                return double(float(at[axis]) * spacing[axis]);
            });
        sampled.emplace_back(std::size_t(512) * 512);
        request = steepRequest(volume.get(), sampled.back().data(), 1, isImageSDK::SLAB_MAXIMUM);
        isImageSDK::resliceVolume<float>(volume.get(), &request);
        request.slice.data = nullptr;
    }
    const Mat4& m = request.slice.matrix;
    const double extent[3] = {127 * 0.7, 127 * 0.7, 79 * 1.25};
    int inside = 0;
    for (int j = 0; j < 512; ++j) {
        for (int i = 0; i < 512; ++i) {
            double p[3];
            bool clear = true;
            for (int c = 0; c < 3; ++c) {
                p[c] = double(m.m[12 + c]) + i * double(0.35f * m.m[c]) +
                       j * double(0.35f * m.m[4 + c]);
                clear = clear && p[c] > 0.01 && p[c] < extent[c] - 0.01;
            }
            if (!clear) {
                continue;
            }
            ++inside;
            for (int c = 0; c < 3; ++c) {
                ASSERT_NEAR(sampled[c][std::size_t(j) * 512 + i], p[c], 0.01)
                    << "axis " << c << " at (" << i << ", " << j << ")";
            }
        }
    }
    EXPECT_GT(inside, 512 * 512 / 4);
}

// Every voxel a different value: each plane of a slab must be sampled exactly where a single
// plane with that plane's origin would be.
TEST(ResliceObliquePositions, ThirtySampleSlabEqualsItsThirtyPlanesFoldedExactly) {
    const float spacing[3] = {0.7f, 0.7f, 1.25f};
    RefPtr<isImageData> volume =
        makeVolume(128, 128, 80, isImageSDK::PIXEL_FLOAT32, spacing,
                   [](int x, int y, int z) { return double(x) + 128.0 * y + 128.0 * 128.0 * z; });
    constexpr int kSamples = 30;
    const std::size_t count = std::size_t(512) * 512;
    std::vector<std::vector<float>> planes(kSamples, std::vector<float>(count));
    for (int k = 0; k < kSamples; ++k) {
        isImageSDK::ResliceRequest single =
            steepRequest(volume.get(), planes[k].data(), 1, isImageSDK::SLAB_MAXIMUM);
        Mat4& m = single.slice.matrix;
        for (int c = 0; c < 3; ++c) {
            const float step = 1.0f * m.m[8 + c];
            m.m[12 + c] = float(double(m.m[12 + c]) + (k - kSamples * 0.5) * double(step));
        }
        isImageSDK::resliceVolume<float>(volume.get(), &single);
        single.slice.data = nullptr;
    }
    for (int mode : {isImageSDK::SLAB_MAXIMUM, isImageSDK::SLAB_MEAN}) {
        std::vector<float> slab(count);
        isImageSDK::ResliceRequest request =
            steepRequest(volume.get(), slab.data(), kSamples, mode);
        isImageSDK::resliceVolume<float>(volume.get(), &request);
        request.slice.data = nullptr;
        int differing = 0;
        for (std::size_t i = 0; i < count; ++i) {
            float expected = planes[0][i];
            double sum = planes[0][i];
            for (int k = 1; k < kSamples; ++k) {
                expected = std::max(expected, planes[k][i]);
                sum += planes[k][i];
            }
            if (mode == isImageSDK::SLAB_MEAN) {
                expected = float(sum * (1.0 / kSamples));
            }
            differing += slab[i] != expected;
        }
        EXPECT_EQ(differing, 0) << "mode " << mode;
    }
}

// The output rows shared out over threads give the single thread's result to the bit, for every
// kernel and fold.
TEST(ResliceThreads, OneTwoFourAndEightThreadsGiveTheSameBits) {
    const float spacing[3] = {0.7f, 0.7f, 1.25f};
    RefPtr<isImageData> volume =
        makeVolume(96, 90, 60, isImageSDK::PIXEL_INT16, spacing, [](int x, int y, int z) {
            return double((x * 7919 + y * 104729 + z * 1299709) % 4096 - 1024);
        });
    const struct {
        int interpolation;
        int samples;
        int mode;
    } runs[] = {{isImageSDK::INTERPOLATION_TRILINEAR, 1, isImageSDK::SLAB_MAXIMUM},
                {isImageSDK::INTERPOLATION_TRICUBIC, 1, isImageSDK::SLAB_MAXIMUM},
                {isImageSDK::INTERPOLATION_TRILINEAR, 30, isImageSDK::SLAB_MAXIMUM},
                {isImageSDK::INTERPOLATION_TRILINEAR, 30, isImageSDK::SLAB_MINIMUM},
                {isImageSDK::INTERPOLATION_TRILINEAR, 30, isImageSDK::SLAB_MEAN},
                {isImageSDK::INTERPOLATION_TRICUBIC, 5, isImageSDK::SLAB_SUM}};
    const std::size_t count = std::size_t(512) * 512;
    for (const auto& run : runs) {
        std::vector<std::int16_t> single(count);
        isImageSDK::ResliceRequest request =
            steepRequest(volume.get(), single.data(), run.samples, run.mode);
        request.interpolation = run.interpolation;
        isImageSDK::resliceVolume<short>(volume.get(), &request);
        for (int threads : {1, 2, 4, 8}) {
            isImageSDK::BandPool pool(threads);
            std::vector<std::int16_t> shared(count, 7);
            request.slice.data = shared.data();
            isImageSDK::resliceVolume<short>(volume.get(), &request, &pool);
            EXPECT_TRUE(shared == single)
                << "threads " << threads << " interpolation " << run.interpolation << " samples "
                << run.samples << " mode " << run.mode;
        }
        request.slice.data = nullptr;
    }
}

// Through the filter: its own threads, the same pixels as one thread.
TEST(ResliceThreads, FilterWithItsThreadsMatchesOneThread) {
    const float spacing[3] = {0.7f, 0.9f, 1.3f};
    RefPtr<isImageData> volume =
        makeVolume(70, 64, 50, isImageSDK::PIXEL_UINT16, spacing,
                   [](int x, int y, int z) { return double((x * 31 + y * 17 + z * 101) % 4000); });
    Mat4 tilted;
    Mat4::createRotation(Vec3(1.0f, 0.6f, 0.2f), 0.6f, &tilted);
    std::vector<double> results[2];
    for (int pass = 0; pass < 2; ++pass) {
        RefPtr<isImageReslice2D> filter(isImageReslice2D::create());
        filter->setThreadCount(pass == 0 ? 1 : 8);
        filter->setInputData(volume.get());
        filter->setResliceMatrix(translation(20.0f, 18.0f, 15.0f) * tilted);
        filter->setSlabMode(isImageSDK::SLAB_MEAN);
        filter->setSlabThickness(20.0f);
        isSliceInfo* slice = pullSlice(filter.get());
        ASSERT_NE(slice, nullptr);
        for (int i = 0; i < slice->width * slice->height; ++i) {
            results[pass].push_back(loadVoxel(slice->data, std::size_t(i), slice->pixelType));
        }
    }
    EXPECT_GT(results[0].size(), 64u * 64u);
    EXPECT_TRUE(results[0] == results[1]);
}

// Fingerprints of today's kernels: each pixel type, interpolation and fold on a steep 512 x 512
// plane through a volume of spread values (edges, background and the saturation ends included),
// on 1, 2, 4 and 8 threads. A faster kernel must give these bits, not merely values close to them.
TEST(ResliceFingerprints, EveryTypeKernelAndFoldKeepsItsBits) {
    const struct {
        int pixelType;
        int interpolation;
        int samples;
        int mode;
        std::uint64_t fingerprint;
    } cases[] = {
        {isImageSDK::PIXEL_UINT8, isImageSDK::INTERPOLATION_TRILINEAR, 1, isImageSDK::SLAB_MAXIMUM,
         11115250520217321892ull},
        {isImageSDK::PIXEL_UINT8, isImageSDK::INTERPOLATION_TRICUBIC, 1, isImageSDK::SLAB_MAXIMUM,
         4496011955102620960ull},
        {isImageSDK::PIXEL_UINT8, isImageSDK::INTERPOLATION_TRILINEAR, 30, isImageSDK::SLAB_MEAN,
         16031005427207092254ull},
        {isImageSDK::PIXEL_INT16, isImageSDK::INTERPOLATION_TRILINEAR, 1, isImageSDK::SLAB_MAXIMUM,
         16756520381978505904ull},
        {isImageSDK::PIXEL_INT16, isImageSDK::INTERPOLATION_TRICUBIC, 1, isImageSDK::SLAB_MAXIMUM,
         106462528096194693ull},
        {isImageSDK::PIXEL_INT16, isImageSDK::INTERPOLATION_TRILINEAR, 30, isImageSDK::SLAB_MAXIMUM,
         12905525318873314066ull},
        {isImageSDK::PIXEL_INT16, isImageSDK::INTERPOLATION_TRILINEAR, 30, isImageSDK::SLAB_MINIMUM,
         9263207865479612188ull},
        {isImageSDK::PIXEL_INT16, isImageSDK::INTERPOLATION_TRILINEAR, 30, isImageSDK::SLAB_MEAN,
         17626722030779725736ull},
        {isImageSDK::PIXEL_INT16, isImageSDK::INTERPOLATION_TRICUBIC, 5, isImageSDK::SLAB_SUM,
         10222439095758998457ull},
        {isImageSDK::PIXEL_INT16, isImageSDK::INTERPOLATION_TRICUBIC, 7, isImageSDK::SLAB_MAXIMUM,
         14699311172505640367ull},
        {isImageSDK::PIXEL_UINT16, isImageSDK::INTERPOLATION_TRILINEAR, 1, isImageSDK::SLAB_MAXIMUM,
         14896362373484153286ull},
        {isImageSDK::PIXEL_UINT16, isImageSDK::INTERPOLATION_TRICUBIC, 1, isImageSDK::SLAB_MAXIMUM,
         6515385660715587160ull},
        {isImageSDK::PIXEL_UINT16, isImageSDK::INTERPOLATION_TRILINEAR, 30, isImageSDK::SLAB_SUM,
         9847829019593248082ull},
        {isImageSDK::PIXEL_FLOAT32, isImageSDK::INTERPOLATION_TRILINEAR, 1,
         isImageSDK::SLAB_MAXIMUM, 13197359475486123495ull},
        {isImageSDK::PIXEL_FLOAT32, isImageSDK::INTERPOLATION_TRICUBIC, 1, isImageSDK::SLAB_MAXIMUM,
         6121213583635358406ull},
        {isImageSDK::PIXEL_FLOAT32, isImageSDK::INTERPOLATION_TRILINEAR, 30, isImageSDK::SLAB_MEAN,
         1169879240344351799ull},
        {isImageSDK::PIXEL_FLOAT32, isImageSDK::INTERPOLATION_TRICUBIC, 5, isImageSDK::SLAB_MINIMUM,
         12156478611689834924ull},
    };
    const float spacing[3] = {0.7f, 0.7f, 1.25f};
    const std::size_t count = std::size_t(512) * 512;
    const std::size_t bytes[] = {1, 2, 4, 2};
    for (const auto& c : cases) {
        RefPtr<isImageData> volume =
            makeVolume(96, 90, 60, c.pixelType, spacing,
                       [&](int x, int y, int z) { return spreadValue(c.pixelType, x, y, z); });
        for (int threads : {1, 2, 4, 8}) {
            std::vector<unsigned char> out(count * bytes[c.pixelType], 0x5a);
            isImageSDK::ResliceRequest request =
                steepRequest(volume.get(), out.data(), c.samples, c.mode);
            request.interpolation = c.interpolation;
            isImageSDK::BandPool pool(threads);
            isImageSDK::BandPool* bands = threads > 1 ? &pool : nullptr;
            switch (c.pixelType) {
            case isImageSDK::PIXEL_UINT8:
                isImageSDK::resliceVolume<unsigned char>(volume.get(), &request, bands);
                break;
            case isImageSDK::PIXEL_INT16:
                isImageSDK::resliceVolume<short>(volume.get(), &request, bands);
                break;
            case isImageSDK::PIXEL_UINT16:
                isImageSDK::resliceVolume<unsigned short>(volume.get(), &request, bands);
                break;
            default:
                isImageSDK::resliceVolume<float>(volume.get(), &request, bands);
                break;
            }
            request.slice.data = nullptr;
            // FNV-1a over the output's bytes.
            std::uint64_t hash = 14695981039346656037ull;
            for (unsigned char byte : out) {
                hash = (hash ^ byte) * 1099511628211ull;
            }
            EXPECT_EQ(hash, c.fingerprint)
                << "type " << c.pixelType << " interpolation " << c.interpolation << " samples "
                << c.samples << " mode " << c.mode << " threads " << threads;
        }
    }
}
