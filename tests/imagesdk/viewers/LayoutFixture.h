#pragma once

#include <vector>

#include "engine/2d/Scene.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/RefPtr.h"
#include "imagesdk/data/PixelType.h"
#include "imagesdk/data/isImageData.h"
#include "tests/imagesdk/VolumeFixture.h"
#include "tests/imagesdk/render/WindowFixture.h"

namespace layouttest {

// The frame of an axial acquisition: rows run left to right, columns front to back, slices
// climb from the feet.
inline cocos2d::Mat4 axialFrame() {
    cocos2d::Mat4 frame = cocos2d::Mat4::IDENTITY;
    frame.m[5] = 0.0f;
    frame.m[6] = -1.0f;
    frame.m[9] = 1.0f;
    frame.m[10] = 0.0f;
    return frame;
}

// A small signed 16-bit axial volume whose voxel holds its slice number.
inline cocos2d::RefPtr<isImageSDK::isImageData> sliceNumberVolume(int slices = 20) {
    const float spacing[3] = {1.0f, 1.0f, 1.0f};
    return imagesdktest::makeVolume(
        16, 16, slices, isImageSDK::PIXEL_INT16, spacing, [](int, int, int z) { return z; },
        axialFrame());
}

// A running scene whose notification centre goes with the director. Viewers post many
// one-per-pass notifications, so waits run frames until the condition holds.
class LayoutTest : public rendertest::WindowTest {
protected:
    // Viewers post as they leave; they leave while the centre still stands, so that no post
    // makes a centre of its own during the teardown. Released objects go before the director
    // does: a volume actor joins its render threads when it dies.
    void TearDown() override {
        scene->removeAllChildrenWithCleanup(true);
        cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
        rendertest::WindowTest::TearDown();
    }
    template <typename Condition> static void drainUntil(Condition done, int frames = 400) {
        drain(2);
        for (int i = 0; i < frames && !done(); ++i) {
            frame(0.02f);
        }
    }
};

}  // namespace layouttest
