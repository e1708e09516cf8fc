// The layouts' two paging paths on a 512 x 512 x 400 signed 16-bit volume, headless, to the
// point where every shown slice is computed on the CPU and ready for its texture:
// - one wheel step on linked axial, sagittal and coronal cells of a multi-viewer, beside the
//   three plain plane extractions of the same planes;
// - one page of a 5 x 5 light-box, beside 25 plain copies of a 512 x 512 slice.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/2d/Node.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isImagePlane.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isActorImage.h"
#include "imagesdk/viewers/isViewer.h"
#include "imagesdk/viewers/isViewerBrowser.h"
#include "imagesdk/viewers/isViewerImage.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "tests/support/bench/MachineLoad.h"
#include "tests/support/bench/NoiseVolume.h"
#include "toolkit/core/NSNotificationCenter.h"

namespace {

constexpr int kGrid = 5;

// An axial acquisition: rows left to right, columns front to back, slices from the feet.
cocos2d::Mat4 axialFrame() {
    cocos2d::Mat4 frame = cocos2d::Mat4::IDENTITY;
    frame.m[5] = 0.0f;
    frame.m[6] = -1.0f;
    frame.m[9] = 1.0f;
    frame.m[10] = 0.0f;
    return frame;
}

isImageSDK::isImageData* volume() {
    static isImageSDK::isImageData* data = benchsupport::makeNoiseVolume(axialFrame());
    return data;
}

// Pulls every tile's slice as a frame would before it uploads the texture.
void computeShownSlices(isImageSDK::isViewerBrowser* browser) {
    for (isImageSDK::isViewerImage* tile : browser->getTiles()) {
        benchmark::DoNotOptimize(tile->getShownSlice());
    }
}

// Delivers what the viewers queued, outside the timed part, so queues do not grow.
void pumpFrames() {
    cocos2d::Director::getInstance()->mainLoop(0.6f);
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
}

void MprWheelStep(benchmark::State& state) {
    using namespace isImageSDK;
    cocos2d::Director::getInstance()->setWinSize(cocos2d::Size(1536, 512));
    cocos2d::Node* parent = cocos2d::Node::create();
    parent->retain();
    isViewerMulti* multi = isViewerMulti::create();
    multi->setContentSize(cocos2d::Size(1536, 512));
    parent->addChild(multi);
    multi->addViewer(VIEW_AXIAL, true, cocos2d::Rect(0, 0, 510, 512), volume());
    multi->addViewer(VIEW_SAGITTAL, true, cocos2d::Rect(512, 0, 510, 512), volume());
    multi->addViewer(VIEW_CORONAL, true, cocos2d::Rect(1024, 0, 512, 512), volume());
    std::vector<isViewerBrowser*> cells;
    for (KeyViewProperty* property : multi->allProperties()) {
        cells.push_back(isViewerMulti::browserOf(property));
        computeShownSlices(cells.back());
    }
    // A step must move the axial cell, or the figure would time nothing.
    isActorImage* axial = cells[0]->getTiles().at(0)->getImageActor();
    const int before = axial->getSliceIndex();
    multi->runCommand(NOTIFY_WHEEL_UP, nullptr);
    if (axial->getSliceIndex() != before + 1) {
        state.SkipWithError("the wheel step did not page the axial cell");
    }
    int step = 0;
    for (auto _ : state) {
        multi->runCommand((step++ & 1) != 0 ? NOTIFY_WHEEL_UP : NOTIFY_WHEEL_DOWN, nullptr);
        for (isViewerBrowser* cell : cells) {
            computeShownSlices(cell);
        }
        state.PauseTiming();
        pumpFrames();
        state.ResumeTiming();
    }
    parent->removeAllChildrenWithCleanup(true);
    parent->release();
    pumpFrames();
}

// The same three planes cut by plain plane filters, the axial one stepping as the wheel does.
void ThreePlaneExtractions(benchmark::State& state) {
    std::vector<isImageSDK::isImagePlane*> planes;
    for (int axis = 0; axis < 3; ++axis) {
        auto* plane = isImageSDK::isImagePlane::create();
        plane->setInputData(volume());
        plane->setAxis(axis);
        plane->setIndex(plane->getNumberOfPositions() / 2);
        planes.push_back(plane);
    }
    const int middle = planes[0]->getNumberOfPositions() / 2;
    int step = 0;
    for (auto _ : state) {
        const int index = middle + (step++ & 1);
        for (std::size_t axis = 0; axis < planes.size(); ++axis) {
            // Each plane recomputes, as each cell's slice is pulled after a step.
            planes[axis]->setIndex(
                axis == 0 ? index : planes[axis]->getNumberOfPositions() / 2 + (step & 1));
            auto* out = static_cast<isImageSDK::isImageData*>(planes[axis]->getOutput());
            out->update();
            benchmark::DoNotOptimize(out->getSlice(0)->data);
        }
    }
    for (auto* plane : planes) {
        plane->release();
    }
}

void LightBoxPage(benchmark::State& state) {
    using namespace isImageSDK;
    cocos2d::Director::getInstance()->setWinSize(cocos2d::Size(1280, 1280));
    cocos2d::Node* parent = cocos2d::Node::create();
    parent->retain();
    isViewerBrowser* browser = isViewerBrowser::create();
    browser->setContentSize(cocos2d::Size(1280, 1280));
    parent->addChild(browser);
    browser->setOwner(parent);
    browser->setImageData(volume());
    browser->setViewType(VIEW_AXIAL);
    browser->setGrid(kGrid, kGrid);
    browser->layoutTiles();
    computeShownSlices(browser);
    int page = 0;
    for (auto _ : state) {
        browser->setFirstSlice((page++ % 8) * kGrid * kGrid);
        computeShownSlices(browser);
        state.PauseTiming();
        pumpFrames();
        state.ResumeTiming();
    }
    parent->removeAllChildrenWithCleanup(true);
    parent->release();
    pumpFrames();
}

void TwentyFiveSliceCopies(benchmark::State& state) {
    const std::size_t bytes = std::size_t(benchsupport::kVolumeWidth) *
                              benchsupport::kVolumeHeight * sizeof(std::int16_t);
    std::vector<char> target(bytes * kGrid * kGrid);
    const char* source = static_cast<const char*>(volume()->voxels);
    int page = 0;
    for (auto _ : state) {
        const char* first = source + bytes * std::size_t((page++ % 8) * kGrid * kGrid);
        for (int i = 0; i < kGrid * kGrid; ++i) {
            std::memcpy(target.data() + bytes * i, first + bytes * i, bytes);
        }
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(MprWheelStep)->Unit(benchmark::kMillisecond);
BENCHMARK(ThreePlaneExtractions)->Unit(benchmark::kMillisecond);
BENCHMARK(LightBoxPage)->Unit(benchmark::kMillisecond);
BENCHMARK(TwentyFiveSliceCopies)->Unit(benchmark::kMillisecond);

BV_BENCHMARK_MAIN()
