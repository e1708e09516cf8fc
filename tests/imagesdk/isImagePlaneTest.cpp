#include "imagesdk/data/isImagePlane.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "VolumeFixture.h"

using cocos2d::Mat4;
using imagesdktest::loadVoxel;
using imagesdktest::makeVolume;
using imagesdktest::pixelAt;
using imagesdktest::RefPtr;
using isImageSDK::isImageData;
using isImageSDK::isImagePlane;
using isImageSDK::isSliceInfo;

namespace {

const float kUnitSpacing[3] = {1.0f, 1.0f, 1.0f};

isImageData* pull(isImagePlane* plane) {
    auto* out = static_cast<isImageData*>(plane->getOutput());
    out->update();
    return out;
}

double typeLowest(int pixelType) {
    switch (pixelType) {
    case isImageSDK::PIXEL_INT16:
        return -32768.0;
    case isImageSDK::PIXEL_FLOAT32:
        return -3.35e38;
    default:
        return 0.0;
    }
}

double typeHighest(int pixelType) {
    switch (pixelType) {
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

double storedAs(double value, int pixelType) {
    return pixelType == isImageSDK::PIXEL_FLOAT32 ? double(float(value)) : std::trunc(value);
}

// The plane or slab written out step by step from voxel reads, as a flat row-major list.
std::vector<double> referencePlane(isImageData* v, int axis, int index, int samples, int mode) {
    const int w = v->width;
    const int h = v->height;
    const int n = v->sliceCount;
    const int type = v->pixelType;
    std::vector<const void*> slices;
    for (isSliceInfo* s : v->slices) {
        slices.push_back(s->data);
    }
    auto voxel = [&](int x, int y, int z) {
        return loadVoxel(slices[z], std::size_t(y) * w + x, type);
    };
    const int positions = axis == 0 ? n : (axis == 1 ? w : h);
    int start = index - (samples > 1 ? samples / 2 : 0);
    int end = start + samples - 1;
    start = std::min(std::max(start, 0), positions - 1);
    end = std::max(std::min(end, positions - 1), start);

    const int outW = axis == 0 ? w : n;
    const int outH = axis == 0 ? h : (axis == 1 ? h : w);
    std::vector<double> out(std::size_t(outW) * outH);
    for (int r = 0; r < outH; ++r) {
        for (int c = 0; c < outW; ++c) {
            auto at = [&](int p) {
                if (axis == 0) {
                    return voxel(c, r, p);
                }
                if (axis == 1) {
                    return voxel(w - 1 - p, r, c);
                }
                return voxel(r, p, c);
            };
            double value = at(start);
            double sum = value;
            for (int p = start + 1; p <= end; ++p) {
                const double next = at(p);
                if (mode == 0) {
                    value = std::min(value, next);
                } else if (mode == 1) {
                    value = std::max(value, next);
                }
                sum += next;
            }
            if (mode == 2) {
                value = storedAs(sum * (1.0 / (end - start + 1)), type);
            } else if (mode == 3) {
                value =
                    storedAs(std::min(std::max(sum, typeLowest(type)), typeHighest(type)), type);
            }
            out[std::size_t(r) * outW + c] = value;
        }
    }
    return out;
}

// Values spread over the whole range of the type, with extremes that make sums saturate.
double spreadValue(int pixelType, int x, int y, int z) {
    const std::uint32_t hash =
        std::uint32_t(x * 73856093) ^ std::uint32_t(y * 19349663) ^ std::uint32_t(z * 83492791);
    const double unit = double(hash % 10007) / 10006.0;
    switch (pixelType) {
    case isImageSDK::PIXEL_UINT8:
        return std::floor(unit * 255.0);
    case isImageSDK::PIXEL_INT16:
        return std::floor(unit * 65535.0) - 32768.0;
    case isImageSDK::PIXEL_UINT16:
        return std::floor(unit * 65535.0);
    default:
        return unit * 2e6 - 1e6 + 0.37;
    }
}

struct SlabCase {
    int pixelType;
    int axis;
    int mode;
    int samples;
};

std::string caseName(const ::testing::TestParamInfo<SlabCase>& info) {
    const char* types[] = {"u8", "s16", "f32", "u16"};
    const char* modes[] = {"min", "max", "mean", "sum"};
    return std::string(types[info.param.pixelType]) + "_axis" + std::to_string(info.param.axis) +
           "_" + modes[info.param.mode] + std::to_string(info.param.samples);
}

class PlaneAgainstReference : public ::testing::TestWithParam<SlabCase> {};

TEST_P(PlaneAgainstReference, EveryIndexMatchesTheStepByStepSlab) {
    const SlabCase c = GetParam();
    const float spacing[3] = {1.0f, 1.0f, 1.0f};
    RefPtr<isImageData> volume =
        makeVolume(7, 5, 6, c.pixelType, spacing,
                   [&](int x, int y, int z) { return spreadValue(c.pixelType, x, y, z); });
    RefPtr<isImagePlane> plane(isImagePlane::create());
    plane->setInputData(volume.get());
    plane->setAxis(c.axis);
    plane->setSlabMode(c.mode);
    plane->setSlabThickness(float(c.samples));
    ASSERT_EQ(plane->getSlabSamples(), c.samples);

    const int positions = plane->getNumberOfPositions();
    for (int index = 0; index < positions; ++index) {
        plane->setIndex(index);
        isImageData* out = pull(plane.get());
        isSliceInfo* slice = out->getSlice(0);
        ASSERT_NE(slice, nullptr) << index;
        const std::vector<double> expected =
            referencePlane(volume.get(), c.axis, index, c.samples, c.mode);
        ASSERT_EQ(std::size_t(slice->width) * slice->height, expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(loadVoxel(slice->data, i, c.pixelType), expected[i])
                << "index " << index << " element " << i;
        }
    }
}

std::vector<SlabCase> allSlabCases() {
    std::vector<SlabCase> cases;
    for (int type : {0, 1, 2, 3}) {
        for (int axis = 0; axis < 3; ++axis) {
            for (int mode = 0; mode < 4; ++mode) {
                for (int samples : {1, 3, 5}) {
                    cases.push_back({type, axis, mode, samples});
                }
            }
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Slabs, PlaneAgainstReference, ::testing::ValuesIn(allSlabCases()),
                         caseName);

TEST(PlaneGeometry, ColumnPlaneRunsFromTheLastColumnAndRowPlaneHoldsColumns) {
    const float spacing[3] = {0.5f, 0.75f, 2.0f};
    Mat4 frame;
    Mat4::createTranslation(10.0f, 20.0f, 30.0f, &frame);
    RefPtr<isImageData> volume = makeVolume(
        16, 8, 5, isImageSDK::PIXEL_UINT16, spacing,
        [](int x, int y, int z) { return x + 100 * y + 1000 * z; }, frame);
    volume->slices.front()->rescaleIntercept = -1024.0f;
    volume->slices.front()->windowCentre = 40.0f;
    RefPtr<isImagePlane> plane(isImagePlane::create());
    plane->setInputData(volume.get());
    plane->setAxis(1);

    for (int index : {0, 15}) {
        plane->setIndex(index);
        isSliceInfo* slice = pull(plane.get())->getSlice(0);
        ASSERT_NE(slice, nullptr);
        EXPECT_EQ(slice->width, 5);
        EXPECT_EQ(slice->height, 8);
        EXPECT_FLOAT_EQ(slice->pixelSpacingX, 2.0f);
        EXPECT_FLOAT_EQ(slice->pixelSpacingY, 0.75f);
        const int column = 15 - index;
        for (int z = 0; z < 5; ++z) {
            for (int y = 0; y < 8; ++y) {
                ASSERT_EQ(pixelAt(slice, z, y), column + 100 * y + 1000 * z);
            }
        }
        // Rows along the slices, columns down the rows, normal towards the first column.
        EXPECT_FLOAT_EQ(slice->matrix.m[2], 1.0f);
        EXPECT_FLOAT_EQ(slice->matrix.m[5], 1.0f);
        EXPECT_FLOAT_EQ(slice->matrix.m[8], -1.0f);
        EXPECT_FLOAT_EQ(slice->matrix.m[12], 10.0f + column * 0.5f);
        EXPECT_FLOAT_EQ(slice->matrix.m[13], 20.0f);
        EXPECT_FLOAT_EQ(slice->matrix.m[14], 30.0f);
        EXPECT_FLOAT_EQ(slice->rescaleIntercept, -1024.0f);
        EXPECT_FLOAT_EQ(slice->windowCentre, 40.0f);
    }

    plane->setAxis(2);
    plane->setIndex(3);
    isSliceInfo* slice = pull(plane.get())->getSlice(0);
    ASSERT_NE(slice, nullptr);
    EXPECT_EQ(slice->width, 5);
    EXPECT_EQ(slice->height, 16);
    EXPECT_FLOAT_EQ(slice->pixelSpacingX, 2.0f);
    EXPECT_FLOAT_EQ(slice->pixelSpacingY, 0.5f);
    for (int z = 0; z < 5; ++z) {
        for (int x = 0; x < 16; ++x) {
            ASSERT_EQ(pixelAt(slice, z, x), x + 300 + 1000 * z);
        }
    }
    EXPECT_FLOAT_EQ(slice->matrix.m[2], 1.0f);
    EXPECT_FLOAT_EQ(slice->matrix.m[4], 1.0f);
    EXPECT_FLOAT_EQ(slice->matrix.m[9], 1.0f);
    EXPECT_FLOAT_EQ(slice->matrix.m[13], 20.0f + 3 * 0.75f);
}

TEST(PlaneGeometry, StoredSliceKeepsItsRecordAndIndicesOutsideGiveNothing) {
    const float spacing[3] = {0.5f, 0.5f, 2.0f};
    RefPtr<isImageData> volume = makeVolume(4, 3, 6, isImageSDK::PIXEL_INT16, spacing,
                                            [](int x, int, int z) { return x - 100 * z; });
    auto it = std::next(volume->slices.begin(), 4);
    (*it)->loaded = false;
    (*it)->instanceNumber = 44;
    RefPtr<isImagePlane> plane(isImagePlane::create());
    plane->setInputData(volume.get());
    EXPECT_EQ(plane->getIndex(), 0);
    plane->setIndex(4);
    isSliceInfo* slice = pull(plane.get())->getSlice(0);
    ASSERT_NE(slice, nullptr);
    EXPECT_EQ(slice->instanceNumber, 44);
    EXPECT_FALSE(slice->loaded);
    EXPECT_FLOAT_EQ(slice->matrix.m[14], 8.0f);
    // Until its loader marks it, the slice's pixels are not read.
    EXPECT_EQ(pixelAt(slice, 3, 2), 0.0);
    (*it)->loaded = true;
    plane->markModified();
    slice = pull(plane.get())->getSlice(0);
    EXPECT_TRUE(slice->loaded);
    EXPECT_EQ(pixelAt(slice, 3, 2), 3 - 400);

    struct Outside {
        int axis;
        int index;
    };
    for (const Outside& c : {Outside{0, -1}, Outside{0, 6}, Outside{1, 4}, Outside{2, 3},
                             Outside{3, 0}, Outside{-1, 0}}) {
        plane->setAxis(c.axis);
        plane->setIndex(c.index);
        EXPECT_EQ(pull(plane.get())->getNumberOfSlices(), 0) << c.axis << " " << c.index;
    }
}

TEST(PlaneSlab, RangeIsClampedAtBothEndsOfTheVolume) {
    RefPtr<isImageData> volume = makeVolume(2, 2, 100, isImageSDK::PIXEL_INT16, kUnitSpacing,
                                            [](int, int, int z) { return 10 * z; });
    RefPtr<isImagePlane> plane(isImagePlane::create());
    plane->setInputData(volume.get());
    plane->setSlabThickness(5.0f);
    ASSERT_EQ(plane->getSlabSamples(), 5);
    plane->setIndex(1);
    EXPECT_EQ(pixelAt(pull(plane.get())->getSlice(0), 0, 0), (0 + 10 + 20 + 30) / 4);
    plane->setIndex(99);
    EXPECT_EQ(pixelAt(pull(plane.get())->getSlice(0), 0, 0), (970 + 980 + 990) / 3);
}

struct SaturationCase {
    const char* name;
    int pixelType;
    std::vector<double> values;
    int mode;
    double expected;
};

class PlaneSaturation : public ::testing::TestWithParam<SaturationCase> {};

TEST_P(PlaneSaturation, SumsAndMeansStayInRange) {
    const SaturationCase& c = GetParam();
    const int n = int(c.values.size());
    RefPtr<isImageData> volume = makeVolume(3, 2, n, c.pixelType, kUnitSpacing,
                                            [&](int, int, int z) { return c.values[z]; });
    RefPtr<isImagePlane> plane(isImagePlane::create());
    plane->setInputData(volume.get());
    plane->setIndex(n / 2);
    plane->setSlabThickness(float(n));
    ASSERT_EQ(plane->getSlabSamples(), n);
    plane->setSlabMode(c.mode);
    isSliceInfo* slice = pull(plane.get())->getSlice(0);
    ASSERT_NE(slice, nullptr);
    EXPECT_EQ(pixelAt(slice, 2, 1), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, PlaneSaturation,
    ::testing::Values(
        SaturationCase{"MeanU8", isImageSDK::PIXEL_UINT8, {200, 200, 200}, 2, 200},
        SaturationCase{"SumU8", isImageSDK::PIXEL_UINT8, {200, 200, 200}, 3, 255},
        SaturationCase{"SumS16High", isImageSDK::PIXEL_INT16, {20000, 20000, 20000}, 3, 32767},
        SaturationCase{"SumS16Low", isImageSDK::PIXEL_INT16, {-20000, -20000, -20000}, 3, -32768},
        SaturationCase{
            "MeanS16TowardZero", isImageSDK::PIXEL_INT16, {-1000, -1001, -1001}, 2, -1000},
        SaturationCase{"SumU16", isImageSDK::PIXEL_UINT16, {30000, 30000, 30000}, 3, 65535},
        SaturationCase{"MeanOfManyEqual", isImageSDK::PIXEL_UINT8, std::vector<double>(25, 100.0),
                       2, 100},
        SaturationCase{
            "SumF32", isImageSDK::PIXEL_FLOAT32, {3e38, 3e38, 3e38}, 3, double(3.35e38f)},
        SaturationCase{"MinS16", isImageSDK::PIXEL_INT16, {5, -7, 3}, 0, -7},
        SaturationCase{"MaxU16", isImageSDK::PIXEL_UINT16, {5, 65000, 3}, 1, 65000}),
    [](const ::testing::TestParamInfo<SaturationCase>& info) { return info.param.name; });

TEST(PlaneSlab, ThicknessGivesOddSampleCounts) {
    RefPtr<isImagePlane> plane(isImagePlane::create());
    plane->setSlabThickness(9.0f);
    EXPECT_EQ(plane->getSlabSamples(), 1);

    RefPtr<isImageData> volume = makeVolume(2, 2, 10, isImageSDK::PIXEL_UINT8, kUnitSpacing,
                                            [](int, int, int) { return 0; });
    plane->setInputData(volume.get());
    struct Case {
        float thickness;
        int samples;
    };
    for (const Case& c : {Case{3.0f, 3}, Case{0.9f, 1}, Case{-4.0f, 1}, Case{5.0f, 5},
                          Case{std::nanf(""), 1}, Case{1e30f, (1 << 29) + 1}}) {
        plane->setSlabThickness(c.thickness);
        EXPECT_EQ(plane->getSlabSamples(), c.samples) << c.thickness;
    }
}

TEST(PlaneStack, ServesStoredSlicesOnlyWithoutSlab) {
    RefPtr<isImageData> stack(isImageData::create());
    for (int i = 0; i < 4; ++i) {
        const int size[2] = {3 + i, 2};
        const float spacing[2] = {1.0f, 1.0f};
        Mat4 matrix;
        Mat4::createTranslation(0.0f, 0.0f, 5.0f * i * i, &matrix);
        isSliceInfo* slice =
            stack->addSlice(size, 1, spacing, isImageSDK::PIXEL_INT16, 0, 0, matrix);
        ASSERT_NE(slice, nullptr);
        slice->instanceNumber = std::int16_t(i + 1);
        static_cast<short*>(slice->data)[0] = short(-10 * i);
    }
    RefPtr<isImagePlane> plane(isImagePlane::create());
    plane->setInputData(stack.get());
    plane->setSlabThickness(5.0f);
    plane->setAxis(1);
    EXPECT_EQ(pull(plane.get())->getNumberOfSlices(), 0);

    plane->setAxis(0);
    plane->setIndex(2);
    isSliceInfo* slice = pull(plane.get())->getSlice(0);
    ASSERT_NE(slice, nullptr);
    EXPECT_EQ(slice->width, 5);
    EXPECT_EQ(slice->instanceNumber, 3);
    EXPECT_EQ(pixelAt(slice, 0, 0), -20);
    EXPECT_EQ(plane->getSlabSamples(), 1);
    EXPECT_EQ(plane->getSlabMode(), isImageSDK::SLAB_MAXIMUM);
}

TEST(PlaneRgb, CopiesThePlaneOfEveryAxisWithoutSlab) {
    RefPtr<isImageData> volume =
        makeVolume(5, 4, 3, isImageSDK::PIXEL_RGB24, kUnitSpacing,
                   [](int x, int y, int z) { return x + 10 * y + 50 * z; });
    RefPtr<isImagePlane> plane(isImagePlane::create());
    plane->setInputData(volume.get());
    plane->setSlabThickness(3.0f);
    plane->setIndex(1);
    isSliceInfo* slice = pull(plane.get())->getSlice(0);
    ASSERT_NE(slice, nullptr);
    EXPECT_EQ(plane->getSlabSamples(), 1);
    const auto* bytes = static_cast<const std::uint8_t*>(slice->data);
    EXPECT_EQ(bytes[(2 * 5 + 3) * 3 + 0], 3 + 20 + 50);
    EXPECT_EQ(bytes[(2 * 5 + 3) * 3 + 2], 3 + 20 + 50 + 2);

    plane->setAxis(1);
    slice = pull(plane.get())->getSlice(0);
    ASSERT_NE(slice, nullptr);
    bytes = static_cast<const std::uint8_t*>(slice->data);
    for (int z = 0; z < 3; ++z) {
        for (int y = 0; y < 4; ++y) {
            ASSERT_EQ(bytes[(y * 3 + z) * 3 + 1], (5 - 1 - 1) + 10 * y + 50 * z + 1);
        }
    }
    plane->setAxis(2);
    plane->setIndex(2);
    slice = pull(plane.get())->getSlice(0);
    ASSERT_NE(slice, nullptr);
    bytes = static_cast<const std::uint8_t*>(slice->data);
    for (int z = 0; z < 3; ++z) {
        for (int x = 0; x < 5; ++x) {
            ASSERT_EQ(bytes[(x * 3 + z) * 3], x + 20 + 50 * z);
        }
    }
}

TEST(PlanePositions, PointToIndexFindsThePlaneThroughAWorldPoint) {
    const float spacing[3] = {0.5f, 0.75f, 2.0f};
    Mat4 frame;
    Mat4::createRotationX(0.3f, &frame);
    frame.m[12] = -40.0f;
    frame.m[13] = 12.0f;
    frame.m[14] = 7.0f;
    RefPtr<isImageData> volume = makeVolume(
        20, 10, 12, isImageSDK::PIXEL_INT16, spacing, [](int, int, int) { return 0; }, frame);
    RefPtr<isImagePlane> plane(isImagePlane::create());
    EXPECT_EQ(plane->pointToIndex(0.0f, 0.0f, 0.0f), -1);
    EXPECT_EQ(plane->getNumberOfPositions(), -1);
    plane->setInputData(volume.get());

    const Mat4& seven = (*std::next(volume->slices.begin(), 7))->matrix;
    EXPECT_EQ(plane->pointToIndex(seven.m[12], seven.m[13], seven.m[14]), 7);
    EXPECT_EQ(plane->getNumberOfPositions(), 12);

    cocos2d::Vec3 world;
    frame.transformPoint(cocos2d::Vec3(3 * 0.5f, 6 * 0.75f, 5 * 2.0f), &world);
    plane->setAxis(1);
    EXPECT_EQ(plane->getNumberOfPositions(), 20);
    EXPECT_EQ(plane->pointToIndex(world.x, world.y, world.z), 20 - 1 - 3);
    plane->setAxis(2);
    EXPECT_EQ(plane->getNumberOfPositions(), 10);
    EXPECT_EQ(plane->pointToIndex(world.x, world.y, world.z), 6);
}

// Setters that change the output's shape mark both flags; those that change only its pixels
// mark only the information flag; a value that does not change marks nothing.
TEST(PlaneFlags, ShapeSettersMarkBothContentSettersOnlyInformation) {
    RefPtr<isImageData> volume =
        makeVolume(4, 4, 9, isImageSDK::PIXEL_UINT8, kUnitSpacing, [](int, int, int) { return 1; });
    RefPtr<isImagePlane> plane(isImagePlane::create());
    plane->setInputData(volume.get());
    EXPECT_TRUE(plane->isDataModified());
    EXPECT_TRUE(plane->isInformationModified());

    struct Case {
        const char* name;
        std::function<void(isImagePlane*)> set;
        bool data;
        bool information;
    };
    const Case cases[] = {
        {"axis", [](isImagePlane* p) { p->setAxis(1); }, true, true},
        {"same axis", [](isImagePlane* p) { p->setAxis(p->getAxis()); }, false, false},
        {"index", [](isImagePlane* p) { p->setIndex(p->getIndex() + 1); }, true, true},
        {"same index", [](isImagePlane* p) { p->setIndex(p->getIndex()); }, false, false},
        {"mode", [](isImagePlane* p) { p->setSlabMode((p->getSlabMode() + 1) % 4); }, false, true},
        {"same mode", [](isImagePlane* p) { p->setSlabMode(p->getSlabMode()); }, false, false},
        {"thickness", [](isImagePlane* p) { p->setSlabThickness(p->getSlabSamples() + 2.0f); },
         false, true},
        {"same samples", [](isImagePlane* p) { p->setSlabThickness(p->getSlabSamples() + 0.5f); },
         false, false},
    };
    for (const Case& c : cases) {
        pull(plane.get());
        ASSERT_FALSE(plane->isDataModified());
        ASSERT_FALSE(plane->isInformationModified());
        c.set(plane.get());
        EXPECT_EQ(plane->isDataModified(), c.data) << c.name;
        EXPECT_EQ(plane->isInformationModified(), c.information) << c.name;
    }
}

TEST(PlaneFlags, SlabChangeRefillsTheSameOutputSlice) {
    RefPtr<isImageData> volume = makeVolume(4, 4, 9, isImageSDK::PIXEL_FLOAT32, kUnitSpacing,
                                            [](int, int, int z) { return 0.5 * z; });
    RefPtr<isImagePlane> plane(isImagePlane::create());
    plane->setInputData(volume.get());
    plane->setIndex(4);
    isSliceInfo* before = pull(plane.get())->getSlice(0);
    ASSERT_NE(before, nullptr);
    EXPECT_EQ(pixelAt(before, 0, 0), 2.0);
    plane->setSlabThickness(3.0f);
    plane->setSlabMode(isImageSDK::SLAB_SUM);
    isSliceInfo* after = pull(plane.get())->getSlice(0);
    EXPECT_EQ(after, before);
    EXPECT_EQ(pixelAt(after, 0, 0), 1.5 + 2.0 + 2.5);
}

// A loader thread writes a slice's pixels and then marks it loaded while the plane is being
// recomputed on another thread: the plane reads a slice only once it is marked, and a slice
// still waiting reads as zeros.
TEST(PlaneLoading, SlicesStillLoadingReadAsZerosUntilTheirLoaderMarksThem) {
    const int w = 8, h = 4, n = 6;
    auto value = [](int x, int y, int z) { return 1 + x + 10 * y + 100 * z; };
    RefPtr<isImageData> volume =
        makeVolume(w, h, n, isImageSDK::PIXEL_INT16, kUnitSpacing, [](int, int, int) { return 0; });
    std::vector<isSliceInfo*> slices(volume->slices.begin(), volume->slices.end());
    for (isSliceInfo* slice : slices) {
        slice->loaded = false;
    }
    // A slice whose pixels are already there but not yet published reads as zeros.
    imagesdktest::storeVoxel(slices[2]->data, 0, isImageSDK::PIXEL_INT16, 77.0);
    RefPtr<isImagePlane> plane(isImagePlane::create());
    plane->setInputData(volume.get());
    plane->setAxis(1);
    plane->setIndex(w - 1);
    EXPECT_EQ(pixelAt(pull(plane.get())->getSlice(0), 2, 0), 0.0);

    std::thread loader([&] {
        for (int z = 0; z < n; ++z) {
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    imagesdktest::storeVoxel(slices[z]->data, std::size_t(y) * w + x,
                                             isImageSDK::PIXEL_INT16, value(x, y, z));
                }
            }
            slices[z]->loaded = true;
        }
    });
    bool allLoaded = false;
    while (!allLoaded) {
        allLoaded = std::all_of(slices.begin(), slices.end(),
                                [](const isSliceInfo* slice) { return bool(slice->loaded); });
        plane->markModified();
        isSliceInfo* column = pull(plane.get())->getSlice(0);
        ASSERT_NE(column, nullptr);
        for (int z = 0; z < n; ++z) {
            const double got = pixelAt(column, z, 1);
            ASSERT_TRUE(got == 0.0 || got == value(0, 1, z)) << "slice " << z << ": " << got;
            if (allLoaded) {
                ASSERT_EQ(got, value(0, 1, z)) << "slice " << z;
            }
        }
    }
    loader.join();
}

}  // namespace
