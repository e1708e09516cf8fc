// Layouts drawn in a real window: three linked MPR cells side by side and a light-box grid,
// each checked at the centre of what it shows against the plane cut on the CPU.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/base/RefPtr.h"
#include "engine/platform/Image.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isImagePlane.h"
#include "imagesdk/render/isActorImage.h"
#include "imagesdk/viewers/isViewer.h"
#include "imagesdk/viewers/isViewerBrowser.h"
#include "imagesdk/viewers/isViewerImage.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "tests/display/DisplayFixture.h"
#include "tests/imagesdk/VolumeFixture.h"
#include "toolkit/core/NSNotificationCenter.h"

using namespace cocos2d;
using bvtest::colourNear;
using isImageSDK::isViewerBrowser;
using isImageSDK::isViewerMulti;

namespace {

constexpr int kSide = 33;
constexpr float kWindowWidth = 2000.0f;
constexpr float kWindowCentre = 1000.0f;

// An axial acquisition: rows left to right, columns front to back, slices from the feet.
Mat4 axialFrame() {
    Mat4 frame = Mat4::IDENTITY;
    frame.m[5] = 0.0f;
    frame.m[6] = -1.0f;
    frame.m[9] = 1.0f;
    frame.m[10] = 0.0f;
    return frame;
}

RefPtr<isImageSDK::isImageData> phantom(const imagesdktest::VoxelValue& value, int slices) {
    const float spacing[3] = {1.0f, 1.0f, 1.0f};
    return imagesdktest::makeVolume(kSide, kSide, slices, isImageSDK::PIXEL_INT16, spacing, value,
                                    axialFrame());
}

std::uint8_t greyOf(double value) {
    const double low = kWindowCentre - kWindowWidth * 0.5;
    const double grey = (value - low) / kWindowWidth * 255.0;
    return static_cast<std::uint8_t>(std::lround(std::min(255.0, std::max(0.0, grey))));
}

// The value at the centre of the plane the tile shows, cut again by a plane filter of its own.
double cpuCentreValue(isImageSDK::isImageData* volume, isImageSDK::isViewerImage* tile) {
    isImageSDK::isImagePlane* shown = tile->getImageActor()->getPlane();
    auto* plane = isImageSDK::isImagePlane::create();
    plane->setInputData(volume);
    plane->setAxis(shown->getAxis());
    plane->setIndex(shown->getIndex());
    auto* out = static_cast<isImageSDK::isImageData*>(plane->getOutput());
    out->update();
    const isImageSDK::isSliceInfo* slice = out->getSlice(0);
    const double value = imagesdktest::pixelAt(slice, slice->width / 2, slice->height / 2);
    plane->release();
    return value;
}

class LayoutDrawingTest : public bvtest::DisplayFixture {
protected:
    void TearDown() override {
        if (scene != nullptr) {
            scene->removeAllChildrenWithCleanup(true);
        }
        NSUI::NSNotificationCenter::destroyInstance();
        DisplayFixture::TearDown();
    }
    void run() {
        scene = Scene::create();
        Director::getInstance()->runWithScene(scene);
    }
    // Frames for the tiles to lay themselves out and upload their slices.
    static void settle() {
        for (int i = 0; i < 4; ++i) {
            Director::getInstance()->mainLoop(1.0f / 60.0f);
        }
    }
    static Vec2 centreOf(const Rect& rect) {
        return Vec2(rect.origin.x + rect.size.width * 0.5f,
                    rect.origin.y + rect.size.height * 0.5f);
    }

    Scene* scene = nullptr;
};

TEST_F(LayoutDrawingTest, ThreeLinkedMprCellsShowTheirPlanesUnderOneWindow) {
    // Gentle slopes along all three axes: a pixel off the centre moves the grey by under one
    // level, while the three cells, each on another slice, differ by several.
    RefPtr<isImageSDK::isImageData> volume =
        phantom([](int x, int y, int z) { return 200 + 4 * x + 2 * y + 3 * z; }, kSide);
    run();
    isViewerMulti* multi = isViewerMulti::create();
    multi->setContentSize(Size(kWidth, kHeight));
    scene->addChild(multi);
    const Rect cells[3] = {Rect(0, 0, 104, kHeight), Rect(108, 0, 104, kHeight),
                           Rect(216, 0, 104, kHeight)};
    const int types[3] = {isImageSDK::VIEW_AXIAL, isImageSDK::VIEW_SAGITTAL,
                          isImageSDK::VIEW_CORONAL};
    const int slices[3] = {8, 24, 27};
    for (int i = 0; i < 3; ++i) {
        multi->addViewer(types[i], true, cells[i], volume.get());
    }
    const auto properties = multi->allProperties();
    ASSERT_EQ(properties.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        isViewerBrowser* browser = isViewerMulti::browserOf(properties[i]);
        browser->setFirstSlice(slices[i]);
    }
    multi->setWindowLevel(kWindowWidth, kWindowCentre);
    settle();

    Image picture;
    ASSERT_TRUE(renderAndCapture("mpr.png", &picture));
    std::vector<int> greys;
    for (int i = 0; i < 3; ++i) {
        isImageSDK::isViewerImage* tile = isViewerMulti::browserOf(properties[i])->getTiles().at(0);
        ASSERT_EQ(tile->getImageActor()->getSliceIndex(), slices[i]) << i;
        const std::uint8_t expected = greyOf(cpuCentreValue(volume.get(), tile));
        const Vec2 centre = centreOf(cells[i]);
        const Color3B shown = pixelAt(picture, int(centre.x), int(centre.y));
        EXPECT_TRUE(colourNear(shown, Color3B(expected, expected, expected), 1)) << "cell " << i;
        greys.push_back(shown.r);
    }
    EXPECT_NE(greys[0], greys[1]);
    EXPECT_NE(greys[1], greys[2]);
}

TEST_F(LayoutDrawingTest, EachLightBoxTileShowsItsSlice) {
    // Every slice is flat, ten grey levels above the one before.
    RefPtr<isImageSDK::isImageData> volume = phantom([](int, int, int z) { return 80.0 * z; }, 20);
    run();
    isViewerBrowser* browser = isViewerBrowser::create();
    browser->setContentSize(Size(kWidth, kHeight));
    scene->addChild(browser);
    browser->setImageData(volume.get());
    browser->setGrid(3, 3);
    browser->setFirstSlice(5);
    browser->setWindowLevel(kWindowWidth, kWindowCentre);
    settle();

    Image picture;
    ASSERT_TRUE(renderAndCapture("lightbox.png", &picture));
    for (int k = 0; k < 9; ++k) {
        isImageSDK::isViewerImage* tile = browser->getTiles().at(k);
        const Rect rect(tile->getPosition(), tile->getContentSize());
        const Vec2 centre = centreOf(rect);
        const std::uint8_t expected = greyOf(80.0 * (5 + k));
        EXPECT_TRUE(colourNear(pixelAt(picture, int(centre.x), int(centre.y)),
                               Color3B(expected, expected, expected), 1))
            << "tile " << k;
    }
}

}  // namespace
