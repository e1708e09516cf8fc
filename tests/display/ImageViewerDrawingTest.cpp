#include <gtest/gtest.h>

#include <cstdint>

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/base/RefPtr.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/render/isActorImage.h"
#include "imagesdk/viewers/isViewerImage.h"
#include "tests/display/DisplayFixture.h"

using namespace cocos2d;
using isImageSDK::isViewerImage;

namespace {

using ImageViewerDrawingTest = bvtest::DisplayFixture;

// Left half of each slice at one value, right half at another, the top rows brighter still.
RefPtr<isImageSDK::isImageData> halves(int side, int slices) {
    RefPtr<isImageSDK::isImageData> data(isImageSDK::isImageData::create());
    int dims[3] = {side, side, slices};
    float spacing[3] = {1.0f, 1.0f, 1.0f};
    data->build(dims, spacing, isImageSDK::PIXEL_INT16, 0, 0, Mat4::IDENTITY);
    for (isImageSDK::isSliceInfo* slice : data->slices) {
        auto* voxels = static_cast<std::int16_t*>(slice->data);
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                voxels[y * side + x] = y < 4 ? 200 : x < side / 2 ? 50 : 150;
            }
        }
    }
    return data;
}

TEST_F(ImageViewerDrawingTest, TheShownSliceFillsTheWindowUnderItsWindowLevel) {
    Scene* scene = Scene::create();
    Director::getInstance()->runWithScene(scene);
    RefPtr<isImageSDK::isImageData> volume = halves(32, 8);
    isViewerImage* viewer = isViewerImage::create();
    viewer->setContentSize(Size(kWidth, kHeight));
    scene->addChild(viewer);
    viewer->setImageData(volume.get());
    viewer->getImageActor()->setWindowLevel(200.0f, 100.0f);

    Image picture;
    ASSERT_TRUE(renderAndCapture("viewer.png", &picture));
    // Grey = (value - (centre - width / 2)) / width: 50 -> 64, 150 -> 191.
    const int y = kHeight / 2;
    EXPECT_TRUE(bvtest::colourNear(pixelAt(picture, kWidth / 2 - 40, y), Color3B(64, 64, 64), 2));
    EXPECT_TRUE(
        bvtest::colourNear(pixelAt(picture, kWidth / 2 + 40, y), Color3B(191, 191, 191), 2));
    // A coronal view: the volume's x runs to the patient's left, shown on the right; its y runs
    // to the head, so the first rows are at the bottom.
    EXPECT_TRUE(
        bvtest::colourNear(pixelAt(picture, kWidth / 2 + 40, 6), Color3B(255, 255, 255), 2));
    EXPECT_TRUE(bvtest::colourNear(pixelAt(picture, kWidth / 2 + 40, kHeight - 6),
                                   Color3B(191, 191, 191), 2));
}

}  // namespace
