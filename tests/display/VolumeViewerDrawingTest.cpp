#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/base/InputRouter.h"
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

// Frames until the full-quality frame of the last view is shown and nothing more is asked for;
// false when that never happens.
bool settle(isImageSDK::isActorVR* actor) {
    int quietFrames = 0;
    int seen = -1;
    const int bestBefore = actor->getBestFrames();
    bvtest::runFramesUntil([&] {
        actor->waitUntilIdle();
        const int frames = actor->getFastFrames() + actor->getBestFrames();
        quietFrames = frames == seen ? quietFrames + 1 : 0;
        seen = frames;
        return actor->getBestFrames() > bestBefore && quietFrames >= 10;
    });
    return quietFrames >= 10;
}

class VolumeViewerDrawingTest : public bvtest::DisplayFixture {
protected:
    // The same volume, table and camera as the viewer's, through a caster of its own at full
    // quality: the frame the window should show, top row first.
    static std::vector<std::uint8_t> castOfTheViewersCamera(isViewerVR* viewer,
                                                            isImageSDK::isImageData* volume) {
        isImageSDK::isActorVR* actor = viewer->getVRActor();
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
        if (!reference.render() || reference.getOutputWidth() != kWidth ||
            reference.getOutputHeight() != kHeight) {
            return {};
        }
        const std::uint8_t* p = reference.getOutput();
        return {p, p + std::size_t(reference.getOutputWidth()) * reference.getOutputHeight() * 3};
    }

    // The largest channel difference over every third pixel of the picture, and how many of those
    // pixels are lit in the expected frame.
    static void compare(Image& picture, const std::vector<std::uint8_t>& expected, int& worst,
                        int& lit) {
        worst = 0;
        lit = 0;
        for (int y = 0; y < kHeight; y += 3) {
            for (int x = 0; x < kWidth; x += 3) {
                const std::uint8_t* e = expected.data() + ((kHeight - 1 - y) * kWidth + x) * 3;
                const Color3B shown = pixelAt(picture, x, y);
                worst = std::max({worst, std::abs(shown.r - e[0]), std::abs(shown.g - e[1]),
                                  std::abs(shown.b - e[2])});
                lit += e[0] > 40 ? 1 : 0;
            }
        }
    }

    // A viewer filling a new running scene over `volume` at the reference cast's window, in the
    // volume look when `vrMode`, else in its default one.
    static isViewerVR* showVolume(isImageSDK::isImageData* volume, bool vrMode) {
        Scene* scene = Scene::create();
        Director::getInstance()->runWithScene(scene);
        isViewerVR* viewer = isViewerVR::create();
        viewer->setContentSize(Size(kWidth, kHeight));
        scene->addChild(viewer);
        viewer->setImageData(volume);
        if (vrMode) {
            viewer->setVRMode();
        }
        viewer->setWindowLevel(1400.0f, 600.0f);
        return viewer;
    }

    // The window's picture, kept as `name`, shows the ball, and every sampled pixel matches the
    // reference cast of the viewer's camera.
    void expectShowsTheCast(isViewerVR* viewer, isImageSDK::isImageData* volume,
                            const std::string& name, Image* picture) {
        const std::vector<std::uint8_t> expected = castOfTheViewersCamera(viewer, volume);
        ASSERT_FALSE(expected.empty());
        ASSERT_TRUE(renderAndCapture(name, picture));
        int worst = 0;
        int lit = 0;
        compare(*picture, expected, worst, lit);
        EXPECT_GT(lit, 100);
        EXPECT_LE(worst, 2);
    }
};

TEST_F(VolumeViewerDrawingTest, TheWindowShowsTheCastersFrameOfItsCamera) {
    RefPtr<isImageSDK::isImageData> volume = phantom();
    isViewerVR* viewer = showVolume(volume.get(), false);
    isImageSDK::isActorVR* actor = viewer->getVRActor();
    ASSERT_NE(actor, nullptr);
    ASSERT_TRUE(settle(actor));

    Image picture;
    ASSERT_NO_FATAL_FAILURE(expectShowsTheCast(viewer, volume.get(), "volume.png", &picture));
    // Seen from the front with the head up: the bar is at the top, not the bottom.
    EXPECT_GT(pixelAt(picture, 160, kHeight - 10).r, 200);
    EXPECT_LT(pixelAt(picture, 160, 10).r, 60);
}

TEST_F(VolumeViewerDrawingTest, ADragShowsFastFramesAndTheRestTheBestOne) {
    RefPtr<isImageSDK::isImageData> volume = phantom();
    isViewerVR* viewer = showVolume(volume.get(), true);
    isImageSDK::isActorVR* actor = viewer->getVRActor();
    ASSERT_NE(actor, nullptr);
    ASSERT_TRUE(settle(actor));
    const Vec3 eyeBefore = viewer->getMainCamera()->getPosition3D();
    const int fastBefore = actor->getFastFrames();

    // The left button dragged across the picture; each turn of the view is shown by the fast
    // caster, as the window's next frames pick it up.
    InputRouter router;
    router.mouseDown(kWidth / 2.0f, kHeight / 2.0f, EventMouse::MouseButton::BUTTON_LEFT);
    for (int step = 1; step <= 4; ++step) {
        const int shown = actor->getFastFrames();
        router.mouseMove(kWidth / 2.0f + 20.0f * step, kHeight / 2.0f);
        bvtest::runFramesUntil([&] {
            actor->waitUntilIdle();
            return actor->getFastFrames() > shown;
        });
        EXPECT_GT(actor->getFastFrames(), shown) << "move " << step;
    }
    router.mouseUp(kWidth / 2.0f + 80.0f, kHeight / 2.0f, EventMouse::MouseButton::BUTTON_LEFT);
    const Vec3 eyeAfter = viewer->getMainCamera()->getPosition3D();
    EXPECT_GT(eyeAfter.distance(eyeBefore), 1.0f);
    EXPECT_GE(actor->getFastFrames(), fastBefore + 4);

    // At rest the full-quality frame of the turned view is what the window shows.
    ASSERT_TRUE(settle(actor));
    Image picture;
    expectShowsTheCast(viewer, volume.get(), "dragged.png", &picture);
}

}  // namespace
