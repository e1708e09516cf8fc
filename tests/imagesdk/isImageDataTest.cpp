#include "imagesdk/data/isImageData.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <list>
#include <string>

#include "NotificationRecorder.h"
#include "VoxelAllocatorGuard.h"
#include "engine/base/RefPtr.h"

using cocos2d::Mat4;
using cocos2d::Vec3;
using imagesdktest::NotificationRecorder;
using imagesdktest::VoxelAllocatorGuard;
using isImageSDK::isImageData;
using isImageSDK::isSliceInfo;

namespace {

Mat4 translation(float x, float y, float z) {
    Mat4 m;
    Mat4::createTranslation(x, y, z, &m);
    return m;
}

Vec3 originOf(const Mat4& m) {
    return Vec3(m.m[12], m.m[13], m.m[14]);
}

bool allZero(const void* data, std::size_t bytes) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < bytes; ++i) {
        if (p[i] != 0) {
            return false;
        }
    }
    return true;
}

using DataPtr = cocos2d::RefPtr<isImageData>;

DataPtr makeData() {
    return DataPtr(isImageData::create());
}

isSliceInfo* addPlainSlice(isImageData* data, int w, int h, const Mat4& matrix, int type = 0) {
    const int size[2] = {w, h};
    const float spacing[2] = {0.5f, 0.5f};
    return data->addSlice(size, 1, spacing, type, 0, 0, matrix);
}

TEST(ImageDataBuild, VolumeLiesInOneZeroedBufferAlongTheNormal) {
    DataPtr data = makeData();
    int dims[3] = {4, 3, 5};
    float spacing[3] = {0.5f, 0.7f, 2.5f};
    Mat4 frame = translation(10.0f, 20.0f, 30.0f);
    ASSERT_TRUE(data->build(dims, spacing, isImageSDK::PIXEL_INT16, 1, 0, frame));

    int outDims[3];
    data->getDimensions(outDims);
    EXPECT_EQ(outDims[0], 4);
    EXPECT_EQ(outDims[1], 3);
    EXPECT_EQ(outDims[2], 5);
    EXPECT_TRUE(data->isVolume());
    EXPECT_TRUE(data->singleBuffer);
    auto* buffer = static_cast<std::uint8_t*>(data->getVolumeBuffer());
    ASSERT_NE(buffer, nullptr);
    EXPECT_TRUE(allZero(buffer, 4 * 3 * 5 * 2));
    for (int i = 0; i < 5; ++i) {
        isSliceInfo* slice = data->getSlice(i);
        ASSERT_NE(slice, nullptr);
        EXPECT_EQ(slice->data, buffer + i * 4 * 3 * 2);
        EXPECT_EQ(slice->orientationCode, 1);
        EXPECT_EQ(originOf(slice->matrix), Vec3(10.0f, 20.0f, 30.0f + 2.5f * i));
    }
    EXPECT_EQ(data->getSlice(5), nullptr);
    EXPECT_EQ(data->getSlice(-1), nullptr);
}

TEST(ImageDataBuild, EdgeShapes) {
    DataPtr data = makeData();
    int dims[3] = {2, 2, 3};
    float spacing[3] = {1.0f, 1.0f, -4.0f};
    bool noMemory = true;
    ASSERT_TRUE(data->build(dims, spacing, 0, 0, 0, Mat4::IDENTITY, &noMemory));
    EXPECT_FALSE(noMemory);
    EXPECT_EQ(spacing[2], 1.0f);

    int single[3] = {2, 2, 1};
    ASSERT_TRUE(data->build(single, spacing, 0, 0, 0, Mat4::IDENTITY));
    EXPECT_FALSE(data->isVolume());
    EXPECT_EQ(data->getNumberOfSlices(), 1);
    EXPECT_EQ(data->getVolumeBuffer(), nullptr);

    // A refused shape is not a memory shortage.
    int empty[3] = {2, 2, 0};
    noMemory = true;
    EXPECT_FALSE(data->build(empty, spacing, 0, 0, 0, Mat4::IDENTITY, &noMemory));
    EXPECT_FALSE(noMemory);
    EXPECT_EQ(data->getNumberOfSlices(), 0);
}

TEST(ImageDataMemory, RequestsFollowTheBufferLimits) {
    struct Case {
        const char* name;
        bool viaBuild;
        int width, height, depth, pixelType;
        std::size_t firstRequest;  // 0: nothing is requested
    };
    const Case cases[] = {
        {"volume just above the single limit", true, 512, 512, 2317, 0, 607387648u},
        {"volume beyond the single limit", true, 512, 512, 4634, 0, 262144u},
        {"large slice within the limit", false, 17000, 17000, 1, 1, 578000000u},
        {"slice beyond the limit", false, 18000, 18000, 1, 1, 0u},
    };
    for (const Case& c : cases) {
        NotificationRecorder outOfMemory(isImageSDK::NOTIFY_OUT_OF_MEMORY);
        VoxelAllocatorGuard refuseAll([](std::size_t, std::size_t) { return true; });
        DataPtr data = makeData();
        if (c.viaBuild) {
            int dims[3] = {c.width, c.height, c.depth};
            float spacing[3] = {1.0f, 1.0f, 1.0f};
            // Still true, as the pipeline expects, but the shortage is told apart.
            bool noMemory = false;
            EXPECT_TRUE(data->build(dims, spacing, c.pixelType, 0, 0, Mat4::IDENTITY, &noMemory))
                << c.name;
            EXPECT_TRUE(noMemory) << c.name;
        } else {
            EXPECT_EQ(addPlainSlice(data.get(), c.width, c.height, Mat4::IDENTITY, c.pixelType),
                      nullptr)
                << c.name;
        }
        if (c.firstRequest == 0) {
            EXPECT_TRUE(refuseAll.requests.empty()) << c.name;
        } else {
            ASSERT_FALSE(refuseAll.requests.empty()) << c.name;
            EXPECT_EQ(refuseAll.requests.front(), c.firstRequest) << c.name;
        }
        EXPECT_EQ(data->getNumberOfSlices(), 0) << c.name;
        EXPECT_FALSE(data->hasData) << c.name;
        outOfMemory.drain();
        ASSERT_EQ(outOfMemory.received.size(), 1u) << c.name;
        EXPECT_EQ(outOfMemory.received[0].sender, nullptr);
        EXPECT_FALSE(outOfMemory.received[0].hasData);
    }
}

TEST(ImageDataMemory, DefaultAllocatorRefusesWhatTheMachineCannotBack) {
    const std::uint64_t available = isImageSDK::isVoxelAllocator::availableMemory();
    ASSERT_GT(available, 0u);
    EXPECT_EQ(isImageSDK::isVoxelAllocator::systemAllocate(available + (1ull << 30)), nullptr);
    void* small = isImageSDK::isVoxelAllocator::allocate(4096);
    ASSERT_NE(small, nullptr);
    EXPECT_TRUE(allZero(small, 4096));
    std::free(small);
}

TEST(ImageDataMemory, VolumeFallsBackToZeroedSliceBuffers) {
    VoxelAllocatorGuard refuseLarge([](std::size_t bytes, std::size_t) { return bytes > 1000; });
    DataPtr data = makeData();
    int dims[3] = {10, 10, 20};
    float spacing[3] = {1.0f, 1.0f, 1.0f};
    bool noMemory = true;
    ASSERT_TRUE(data->build(dims, spacing, 0, 0, 0, Mat4::IDENTITY, &noMemory));
    EXPECT_FALSE(noMemory);
    EXPECT_EQ(data->getNumberOfSlices(), 20);
    EXPECT_FALSE(data->singleBuffer);
    EXPECT_EQ(data->getVolumeBuffer(), nullptr);
    for (int i = 0; i < 20; ++i) {
        ASSERT_NE(data->getSlice(i)->data, nullptr);
        EXPECT_TRUE(allZero(data->getSlice(i)->data, 100));
    }
}

TEST(ImageDataMemory, FailedSliceIsDroppedAndTheRestStays) {
    NotificationRecorder outOfMemory(isImageSDK::NOTIFY_OUT_OF_MEMORY);
    VoxelAllocatorGuard refuseThird([](std::size_t, std::size_t index) { return index == 2; });
    DataPtr data = makeData();
    for (int i = 0; i < 4; ++i) {
        isSliceInfo* slice = addPlainSlice(data.get(), 8, 8, translation(0, 0, float(i)));
        EXPECT_EQ(slice == nullptr, i == 2);
        if (slice) {
            EXPECT_TRUE(allZero(slice->data, 64));
        }
    }
    EXPECT_EQ(data->getNumberOfSlices(), 3);
    EXPECT_EQ(originOf(data->getSlice(2)->matrix).z, 3.0f);
    outOfMemory.drain();
    EXPECT_EQ(outOfMemory.received.size(), 1u);
}

TEST(ImageDataContent, SliceCopyCarriesHeaderPixelsAndLoadedFlag) {
    DataPtr source = makeData();
    isSliceInfo* original = addPlainSlice(source.get(), 3, 2, translation(1, 2, 3), 1);
    ASSERT_NE(original, nullptr);
    original->modality = 0;
    original->windowWidth = 400.0f;
    original->path = "/data/a.dcm";
    original->loaded = false;
    for (int i = 0; i < 6; ++i) {
        static_cast<std::int16_t*>(original->data)[i] = std::int16_t(-100 * i);
    }
    isSliceInfo bare;
    bare.width = 2;
    bare.height = 2;
    bare.pixelType = 0;

    DataPtr copy = makeData();
    isSliceInfo* copied = copy->addSliceCopy(original);
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->modality, 0);
    EXPECT_EQ(copied->windowWidth, 400.0f);
    EXPECT_EQ(copied->path, "/data/a.dcm");
    EXPECT_FALSE(copied->loaded);
    EXPECT_EQ(copied->matrix, original->matrix);
    EXPECT_NE(copied->data, original->data);
    EXPECT_EQ(std::memcmp(copied->data, original->data, 12), 0);

    isSliceInfo* fromBare = copy->addSliceCopy(&bare);
    ASSERT_NE(fromBare, nullptr);
    EXPECT_TRUE(allZero(fromBare->data, 4));
    EXPECT_EQ(copy->getNumberOfSlices(), 2);
}

TEST(ImageDataContent, UserMatrixAccumulatesOnStacksAndReplacesOnVolumes) {
    const Mat4 shift = translation(1.0f, 0.0f, 0.0f);
    DataPtr stack = makeData();
    addPlainSlice(stack.get(), 2, 2, translation(0, 0, 0));
    addPlainSlice(stack.get(), 2, 2, translation(0, 0, 5));
    stack->setUserMatrix(shift);
    stack->setUserMatrix(shift);
    EXPECT_EQ(originOf(stack->getSlice(1)->matrix), Vec3(2.0f, 0.0f, 5.0f));

    DataPtr volume = makeData();
    int dims[3] = {2, 2, 3};
    float spacing[3] = {1.0f, 1.0f, 2.0f};
    volume->build(dims, spacing, 0, 0, 0, Mat4::IDENTITY);
    volume->setUserMatrix(shift);
    volume->setUserMatrix(shift);
    EXPECT_EQ(originOf(volume->worldMatrix), Vec3(1.0f, 0.0f, 0.0f));
    EXPECT_EQ(originOf(volume->getSlice(2)->matrix), Vec3(1.0f, 0.0f, 4.0f));
}

TEST(ImageDataContent, WindowLevelAndMonochromeComeFromTheFirstSlice) {
    DataPtr data = makeData();
    float width = -1.0f;
    float centre = -1.0f;
    data->getWindowLevel(&width, &centre);
    EXPECT_EQ(width, -1.0f);
    EXPECT_FALSE(data->isMonochrome1());

    isSliceInfo* slice = addPlainSlice(data.get(), 2, 2, Mat4::IDENTITY);
    slice->windowWidth = 80.0f;
    slice->windowCentre = 40.0f;
    slice->signCode = 2;
    data->getWindowLevel(&width, &centre);
    EXPECT_EQ(width, 80.0f);
    EXPECT_EQ(centre, 40.0f);
    EXPECT_TRUE(data->isMonochrome1());
}

TEST(ImageDataGrid, RegularGridTolerances) {
    struct Case {
        const char* name;
        std::function<void(isSliceInfo*)> change;  // applied to slice 2
        bool regular;
    };
    const Case cases[] = {
        {"unchanged", [](isSliceInfo*) {}, true},
        {"spacing within tolerance", [](isSliceInfo* s) { s->pixelSpacingX += 0.0005f; }, true},
        {"spacing off", [](isSliceInfo* s) { s->pixelSpacingY += 0.01f; }, false},
        {"origin off the line", [](isSliceInfo* s) { s->matrix.m[12] += 0.05f; }, false},
        {"uneven gap", [](isSliceInfo* s) { s->matrix.m[14] += 0.05f; }, false},
        {"tilted", [](isSliceInfo* s) { s->matrix.m[1] += 0.001f; }, false},
        {"other modality", [](isSliceInfo* s) { s->modality = 3; }, false},
    };
    for (const Case& c : cases) {
        DataPtr data = makeData();
        for (int i = 0; i < 4; ++i) {
            addPlainSlice(data.get(), 4, 4, translation(0, 0, 2.0f * i));
        }
        c.change(data->getSlice(2));
        EXPECT_EQ(data->isRegularGrid(4), c.regular) << c.name;
        EXPECT_TRUE(data->isRegularGrid(2)) << c.name;
    }
}

// Two phases of 30 slices acquired phase by phase; slice k of a phase lies at z = position(k).
DataPtr makeTwoPhaseStack(bool byTimeSlots, const std::function<float(int)>& position) {
    DataPtr data = makeData();
    for (int i = 0; i < 60; ++i) {
        isSliceInfo* slice = addPlainSlice(data.get(), 4, 4, translation(0, 0, position(i % 30)));
        slice->slicesPerPhase = 30;
        slice->timeSlices = byTimeSlots ? 1 : 2;
        slice->timeSlots = byTimeSlots ? 2 : 0;
        slice->instanceNumber = std::int16_t(i);
        std::memset(slice->data, i, 16);
    }
    return data;
}

TEST(ImageDataPhases, SplitIntoTwoChainedVolumes) {
    struct Case {
        const char* name;
        bool byTimeSlots;
        bool descending;
    };
    const Case cases[] = {
        {"time slices", false, false},
        {"time slots", true, false},
        {"descending positions", false, true},
    };
    for (const Case& c : cases) {
        DataPtr data = makeTwoPhaseStack(
            c.byTimeSlots, [&c](int k) { return c.descending ? 2.0f * (29 - k) : 2.0f * k; });
        data->setDataName("17,4");
        data->setLabel("arterial");
        EXPECT_EQ(data->getPhaseLayout(), c.byTimeSlots ? 2 : 1) << c.name;
        data->splitPhases();

        EXPECT_TRUE(data->isMultiPhase()) << c.name;
        EXPECT_EQ(data->getNumberOfPhases(), 2) << c.name;
        EXPECT_EQ(data->getPhase(0), data.get());
        isImageData* second = data->getPhase(1);
        ASSERT_NE(second, nullptr) << c.name;
        EXPECT_EQ(data->getPhase(2), nullptr);
        EXPECT_EQ(second->getFirstPhase(), data.get());
        EXPECT_EQ(second->getDataName(), "17,4");
        EXPECT_EQ(second->getLabel(), "arterial");
        float spacing[3];
        data->getSpacing(spacing);
        EXPECT_FLOAT_EQ(spacing[2], 2.0f) << c.name;
        for (int phase = 0; phase < 2; ++phase) {
            isImageData* volume = data->getPhase(phase);
            EXPECT_TRUE(volume->isVolume()) << c.name;
            ASSERT_EQ(volume->getNumberOfSlices(), 30) << c.name;
            for (int k = 0; k < 30; ++k) {
                isSliceInfo* slice = volume->getSlice(k);
                // Slices run along the normal from the lowest position, whatever the file order.
                EXPECT_FLOAT_EQ(originOf(slice->matrix).z, 2.0f * k) << c.name;
                const int record = phase * 30 + (c.descending ? 29 - k : k);
                EXPECT_EQ(slice->instanceNumber, record) << c.name;
                EXPECT_EQ(static_cast<std::uint8_t*>(slice->data)[15], record) << c.name;
            }
        }
    }
}

TEST(ImageDataPhases, LayoutNeedsConsistentCounts) {
    DataPtr data = makeTwoPhaseStack(false, [](int k) { return 2.0f * k; });
    data->getSlice(59)->timeSlices = 3;
    EXPECT_EQ(data->getPhaseLayout(), 0);
    data->splitPhases();
    EXPECT_FALSE(data->isMultiPhase());
    EXPECT_EQ(data->getNumberOfSlices(), 60);

    DataPtr shifted = makeTwoPhaseStack(false, [](int k) { return 2.0f * k; });
    shifted->getSlice(40)->matrix.m[12] = 1.0f;
    EXPECT_EQ(shifted->getPhaseLayout(), 0);
}

TEST(ImageDataPhases, SplitStopsCleanlyWhenALaterPhaseFindsNoMemory) {
    NotificationRecorder outOfMemory(isImageSDK::NOTIFY_OUT_OF_MEMORY);
    // The 60 slices take requests 0-59, phase 0 request 60; phase 1 is refused.
    VoxelAllocatorGuard refuse([](std::size_t, std::size_t index) { return index >= 61; });
    DataPtr data = makeTwoPhaseStack(false, [](int k) { return 2.0f * k; });
    data->splitPhases();
    EXPECT_FALSE(data->isMultiPhase());
    EXPECT_EQ(data->phaseCount, 1);
    EXPECT_EQ(data->nextPhase, nullptr);
    EXPECT_EQ(data->getNumberOfSlices(), 30);
    outOfMemory.drain();
    EXPECT_GE(outOfMemory.received.size(), 1u);
}

TEST(ImageDataPhases, SplitLeavesNothingWhenTheFirstPhaseFindsNoMemory) {
    VoxelAllocatorGuard refuse([](std::size_t, std::size_t index) { return index >= 60; });
    DataPtr data = makeTwoPhaseStack(false, [](int k) { return 2.0f * k; });
    data->splitPhases();
    EXPECT_EQ(data->getNumberOfSlices(), 0);
    EXPECT_FALSE(data->hasData);
}

DataPtr makeVolume(int depth, float z0 = 0.0f) {
    DataPtr data = makeData();
    int dims[3] = {3, 3, depth};
    float spacing[3] = {1.0f, 1.0f, 2.0f};
    data->build(dims, spacing, 0, 0, 0, translation(0, 0, z0));
    return data;
}

TEST(ImageDataPhases, MergeChainsMatchingVolumesAndReleaseDropsTheChain) {
    DataPtr head = makeVolume(4);
    DataPtr second = makeVolume(4);
    DataPtr third = makeVolume(4);
    const std::list<isImageData*> list = {head.get(), second.get(), third.get()};
    ASSERT_EQ(isImageSDK::mergeImageDataPhases(list), head.get());
    EXPECT_TRUE(third->isMultiPhase());
    EXPECT_EQ(third->getPhase(2), third.get());
    EXPECT_EQ(head->getPhase(1), second.get());
    EXPECT_EQ(second->getReferenceCount(), 2u);
    EXPECT_EQ(third->getReferenceCount(), 2u);

    head->releaseVoxels();
    EXPECT_EQ(head->nextPhase, nullptr);
    EXPECT_EQ(second->getReferenceCount(), 1u);
    EXPECT_EQ(third->getReferenceCount(), 2u);
    second->releaseVoxels();
    EXPECT_EQ(third->getReferenceCount(), 1u);
}

TEST(ImageDataPhases, MergeRefusesMismatchedOrRepeatedEntries) {
    DataPtr head = makeVolume(4);
    DataPtr shorter = makeVolume(3);
    DataPtr moved = makeVolume(4, 1.0f);
    DataPtr stack = makeData();
    addPlainSlice(stack.get(), 3, 3, Mat4::IDENTITY);
    const std::list<isImageData*> cases[] = {
        {head.get(), shorter.get()},
        {head.get(), moved.get()},
        {head.get(), stack.get()},
        {head.get(), head.get()},
    };
    for (const auto& list : cases) {
        EXPECT_EQ(isImageSDK::mergeImageDataPhases(list), nullptr);
        EXPECT_FALSE(head->isMultiPhase());
        EXPECT_EQ(head->nextPhase, nullptr);
    }
}

TEST(ImageDataPhases, PhaseGettersOfAPlainDataSet) {
    DataPtr data = makeVolume(2);
    EXPECT_EQ(data->getFirstPhase(), data.get());
    EXPECT_EQ(data->getPhase(0), data.get());
    EXPECT_EQ(data->getPhase(5), data.get());
    EXPECT_FALSE(data->isMultiPhase());
    EXPECT_EQ(data->getNumberOfPhases(), 1);
}

}  // namespace
