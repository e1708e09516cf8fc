#include "imagesdk/data/isImageSlice.h"

#include <gtest/gtest.h>

#include "VolumeFixture.h"
#include "imagesdk/data/isImagePlane.h"

using imagesdktest::makeVolume;
using imagesdktest::pixelAt;
using imagesdktest::RefPtr;
using isImageSDK::isImageData;
using isImageSDK::isImagePlane;
using isImageSDK::isImageSlice;
using isImageSDK::isSliceInfo;

namespace {

isImageData* outputOf(isImageSDK::isImageFilter* filter) {
    return static_cast<isImageData*>(filter->getOutput());
}

TEST(ImageSlice, CopiesTheFirstRecordAndItsPixelsIntoABufferOfItsOwn) {
    RefPtr<isImageData> stack(isImageData::create());
    const int size[2] = {3, 2};
    const float spacing[2] = {0.7f, 0.9f};
    cocos2d::Mat4 matrix;
    cocos2d::Mat4::createTranslation(5.0f, 6.0f, 7.0f, &matrix);
    isSliceInfo* source = stack->addSlice(size, 1, spacing, isImageSDK::PIXEL_UINT16, 2, 1, matrix);
    ASSERT_NE(source, nullptr);
    source->rescaleSlope = 2.5f;
    source->windowWidth = 400.0f;
    source->modality = 3;
    source->loaded = false;
    auto* pixels = static_cast<unsigned short*>(source->data);
    for (int i = 0; i < 6; ++i) {
        pixels[i] = static_cast<unsigned short>(1000 + i);
    }

    RefPtr<isImageSlice> filter(isImageSlice::create());
    filter->setInputData(stack.get());
    isSliceInfo* copy = outputOf(filter.get())->getSlice(0);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->data, source->data);
    EXPECT_EQ(copy->width, 3);
    EXPECT_EQ(copy->height, 2);
    EXPECT_FLOAT_EQ(copy->pixelSpacingX, 0.7f);
    EXPECT_FLOAT_EQ(copy->pixelSpacingY, 0.9f);
    EXPECT_EQ(copy->pixelType, isImageSDK::PIXEL_UINT16);
    EXPECT_EQ(copy->orientationCode, 2);
    EXPECT_EQ(copy->headFeetCode, 1);
    EXPECT_FLOAT_EQ(copy->matrix.m[13], 6.0f);
    EXPECT_FLOAT_EQ(copy->rescaleSlope, 2.5f);
    EXPECT_FLOAT_EQ(copy->windowWidth, 400.0f);
    EXPECT_EQ(copy->modality, 3);
    EXPECT_FALSE(copy->loaded);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(static_cast<unsigned short*>(copy->data)[i], 1000 + i);
    }

    pixels[0] = 7;
    EXPECT_EQ(static_cast<unsigned short*>(copy->data)[0], 1000);
}

TEST(ImageSlice, InputWithoutSlicesGivesOutputWithoutSlices) {
    RefPtr<isImageData> empty(isImageData::create());
    RefPtr<isImageSlice> filter(isImageSlice::create());
    filter->setInputData(empty.get());
    isImageData* out = outputOf(filter.get());
    out->update();
    EXPECT_EQ(out->getNumberOfSlices(), 0);
    EXPECT_EQ(out->getSlice(0), nullptr);
}

TEST(ImageSlice, ContentChangeUpstreamRefreshesPixelsInTheSameRecord) {
    const float spacing[3] = {1.0f, 1.0f, 1.0f};
    RefPtr<isImageData> volume = makeVolume(4, 3, 5, isImageSDK::PIXEL_INT16, spacing,
                                            [](int, int, int z) { return 10.0 * z; });
    RefPtr<isImagePlane> plane(isImagePlane::create());
    plane->setInputData(volume.get());
    plane->setIndex(2);
    plane->setSlabThickness(3.0f);
    plane->setSlabMode(isImageSDK::SLAB_MAXIMUM);
    RefPtr<isImageSlice> filter(isImageSlice::create());
    filter->setInputData(outputOf(plane.get()));

    isSliceInfo* record = outputOf(filter.get())->getSlice(0);
    ASSERT_NE(record, nullptr);
    void* buffer = record->data;
    EXPECT_EQ(pixelAt(record, 1, 1), 30.0);

    plane->setSlabMode(isImageSDK::SLAB_MINIMUM);
    EXPECT_FALSE(filter->isDataModified());
    EXPECT_TRUE(filter->isInformationModified());
    isSliceInfo* refreshed = outputOf(filter.get())->getSlice(0);
    EXPECT_EQ(refreshed, record);
    EXPECT_EQ(refreshed->data, buffer);
    EXPECT_EQ(pixelAt(refreshed, 1, 1), 10.0);

    plane->setIndex(4);
    EXPECT_TRUE(filter->isDataModified());
    refreshed = outputOf(filter.get())->getSlice(0);
    ASSERT_NE(refreshed, nullptr);
    EXPECT_EQ(pixelAt(refreshed, 1, 1), 30.0);
}

// Turning the plane to another axis, or moving it to another position of the same shape, gives
// the copy the new plane's record, not only its pixels.
TEST(ImageSlice, APlaneOfAnotherAxisOrPositionBringsItsRecordAlong) {
    const float spacing[3] = {0.5f, 0.75f, 2.0f};
    RefPtr<isImageData> volume =
        makeVolume(6, 4, 6, isImageSDK::PIXEL_INT16, spacing,
                   [](int x, int y, int z) { return x + 10 * y + 100 * z; });
    RefPtr<isImagePlane> plane(isImagePlane::create());
    plane->setInputData(volume.get());
    RefPtr<isImageSlice> filter(isImageSlice::create());
    filter->setInputData(outputOf(plane.get()));
    struct Step {
        int axis;
        int index;
    };
    for (const Step& step : {Step{0, 1}, Step{1, 2}, Step{2, 1}, Step{2, 3}, Step{0, 5}}) {
        plane->setAxis(step.axis);
        plane->setIndex(step.index);
        // Whoever moves the plane may bring it up to date first, as the slice actor does.
        plane->update();
        isImageData* out = outputOf(filter.get());
        out->update();
        const isSliceInfo* shown = outputOf(plane.get())->getSlice(0);
        const isSliceInfo* copy = out->getSlice(0);
        ASSERT_NE(shown, nullptr);
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->width, shown->width) << step.axis << " " << step.index;
        EXPECT_EQ(copy->height, shown->height) << step.axis << " " << step.index;
        EXPECT_FLOAT_EQ(copy->pixelSpacingX, shown->pixelSpacingX) << step.axis;
        EXPECT_FLOAT_EQ(copy->pixelSpacingY, shown->pixelSpacingY) << step.axis;
        for (int i = 0; i < 16; ++i) {
            EXPECT_FLOAT_EQ(copy->matrix.m[i], shown->matrix.m[i])
                << step.axis << " " << step.index << " element " << i;
        }
        EXPECT_EQ(pixelAt(copy, 1, 1), pixelAt(shown, 1, 1)) << step.axis << " " << step.index;
    }
}

}  // namespace
