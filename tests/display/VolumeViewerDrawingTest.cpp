#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/base/RefPtr.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/render/isCamera.h"
#include "imagesdk/viewers/isViewerVR.h"
#include "imagesdk/vr/isActorVR.h"
#include "imagesdk/vr/vrRayCaster.h"
#include "tests/display/DisplayFixture.h"
#include "tests/support/lib/FramePump.h"

using namespace cocos2d;
using isImageSDK::isViewerVR;

namespace {

constexpr int kSide = 48;

// A ball of soft tissue with a denser core inside an empty box, and a bright bar at the head
// end (the volume's y runs to the head), as 16-bit voxels.
RefPtr<isImageSDK::isImageData> phantom() {
    RefPtr<isImageSDK::isImageData> data(isImageSDK::isImageData::create());
    int dims[3] = {kSide, kSide, kSide};
    float spacing[3] = {1.0f, 1.0f, 1.0f};
    data->build(dims, spacing, isImageSDK::PIXEL_INT16, 0, 0, Mat4::IDENTITY);
    const float c = (kSide - 1) / 2.0f;
    int z = 0;
    for (isImageSDK::isSliceInfo* slice : data->slices) {
        auto* voxels = static_cast<std::int16_t*>(slice->data);
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) {
                const float r2 = (x - c) * (x - c) + (y - c) * (y - c) + (z - c) * (z - c);
                voxels[y * kSide + x] = r2 < 64.0f ? 1200 : r2 < 400.0f ? 300 : 0;
                if (y >= 44 && x >= 20 && x < 28) {
                    voxels[y * kSide + x] = 2000;
                }
            }
        }
        ++z;
    }
    return data;
}

using VolumeViewerDrawingTest = bvtest::DisplayFixture;

TEST_F(VolumeViewerDrawingTest, TheWindowShowsTheCastersFrameOfItsCamera) {
    Scene* scene = Scene::create();
    Director::getInstance()->runWithScene(scene);
    RefPtr<isImageSDK::isImageData> volume = phantom();
    isViewerVR* viewer = isViewerVR::create();
    viewer->setContentSize(Size(kWidth, kHeight));
    scene->addChild(viewer);
    viewer->setImageData(volume.get());
    viewer->setWindowLevel(1400.0f, 600.0f);
    isImageSDK::isActorVR* actor = viewer->getVRActor();
    ASSERT_NE(actor, nullptr);
    // Until the full-quality frame of the last view is shown and nothing more is asked for.
    int quietFrames = 0;
    int seen = -1;
    bvtest::runFramesUntil([&] {
        actor->waitUntilIdle();
        const int frames = actor->getFastFrames() + actor->getBestFrames();
        quietFrames = frames == seen ? quietFrames + 1 : 0;
        seen = frames;
        return actor->getBestFrames() > 0 && quietFrames >= 10;
    });
    ASSERT_GE(quietFrames, 10);

    // The same volume, table and camera through a caster of its own.
    isImageSDK::vrVolumeDesc desc;
    desc.data = volume->getVolumeBuffer();
    desc.width = desc.height = desc.depth = kSide;
    desc.pixelType = isImageSDK::PIXEL_INT16;
    isImageSDK::vrRayCaster reference;
    reference.setVolume(&desc);
    reference.setInterpolation(1);
    reference.setScaleFactor(1.0f);
    reference.setTargetTime(5000.0f);
    reference.setWindowLevel(1400.0f, 600.0f);
    reference.setColorTable(actor->getBestCaster().getColorTable());
    reference.setRenderMode(actor->getBestCaster().getRenderMode());
    isImageSDK::vrCamera view;
    const isImageSDK::isCamera* camera = viewer->getMainCamera();
    view.perspective = camera->isPerspective();
    view.fieldOfView = camera->getFieldOfView();
    view.viewportWidth = camera->getViewportWidth();
    view.viewportHeight = camera->getViewportHeight();
    view.nearPlane = camera->getNearPlane();
    view.farPlane = camera->getFarPlane();
    view.zoom = camera->getZoom();
    view.eye = camera->getPosition3D();
    view.centre = camera->getCenter();
    view.up = camera->getUp();
    reference.syncCamera(view, true);
    ASSERT_TRUE(reference.render());
    ASSERT_EQ(reference.getOutputWidth(), kWidth);
    ASSERT_EQ(reference.getOutputHeight(), kHeight);

    Image picture;
    ASSERT_TRUE(renderAndCapture("volume.png", &picture));
    const std::uint8_t* expected = reference.getOutput();
    int lit = 0;
    int worst = 0;
    for (int y = 0; y < kHeight; y += 3) {
        for (int x = 0; x < kWidth; x += 3) {
            const std::uint8_t* e = expected + ((kHeight - 1 - y) * kWidth + x) * 3;
            const Color3B shown = pixelAt(picture, x, y);
            worst = std::max({worst, std::abs(shown.r - e[0]), std::abs(shown.g - e[1]),
                              std::abs(shown.b - e[2])});
            lit += e[0] > 40 ? 1 : 0;
        }
    }
    // The ball is in the picture, and every sampled pixel matches.
    EXPECT_GT(lit, 100);
    EXPECT_LE(worst, 2);
    // Seen from the front with the head up: the bar is at the top, not the bottom.
    EXPECT_GT(pixelAt(picture, 160, kHeight - 10).r, 200);
    EXPECT_LT(pixelAt(picture, 160, 10).r, 60);
}

}  // namespace
