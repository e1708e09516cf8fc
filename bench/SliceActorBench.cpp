// A slab change on the image slice actor, end to end: the actor's filters recompute a 21-sample
// slab of a 512 x 512 x 400 signed 16-bit volume and its image node makes the texture in a real
// window frame (run it under a display, or headless through SDL's offscreen driver). Beside it,
// in the same run: the plane filter alone computing the same slabs, and the same frame drawn
// without a change (what presenting costs, which the filter's time does not hold). Each step
// switches the slab between mean and sum, which costs the kernel the same.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "engine/2d/Camera.h"
#include "engine/2d/Scene.h"
#include "engine/backend/GLViewImpl.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "imagesdk/data/SlabMode.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isImagePlane.h"
#include "imagesdk/render/isActorImage.h"
#include "imagesdk/render/isNodeImage.h"

namespace {

constexpr int kWidth = 512;
constexpr int kHeight = 512;
constexpr int kSlices = 400;
// 21 samples of 1 mm slices.
constexpr float kThickness = 21.0f;

isImageSDK::isImageData* volume() {
    static isImageSDK::isImageData* data = [] {
        auto* v = isImageSDK::isImageData::create();
        int dims[3] = {kWidth, kHeight, kSlices};
        float spacing[3] = {0.7f, 0.7f, 1.0f};
        v->build(dims, spacing, isImageSDK::PIXEL_INT16, 0, 0, cocos2d::Mat4::IDENTITY);
        auto* voxels = static_cast<std::int16_t*>(v->voxels);
        const std::size_t count = std::size_t(kWidth) * kHeight * kSlices;
        for (std::size_t i = 0; i < count; ++i) {
            voxels[i] = std::int16_t(int((i * 2654435761u) >> 20) % 3000 - 1024);
        }
        return v;
    }();
    return data;
}

int modeOf(int step) {
    return (step & 1) != 0 ? isImageSDK::SLAB_SUM : isImageSDK::SLAB_MEAN;
}

// With changeSlab false the same frames are drawn without a change: what presenting a frame
// costs on this display, beside the slab change's frame.
void actorFrames(benchmark::State& state, bool changeSlab) {
    using namespace cocos2d;
    GLViewImpl* view = GLViewImpl::createWithRect("bench", Rect(0, 0, kWidth, kHeight));
    if (view == nullptr) {
        state.SkipWithError("no window");
        return;
    }
    view->retain();
    Director* director = Director::getInstance();
    director->setOpenGLView(view);
    {
        auto* actor = isImageSDK::isActorImage::create();
        actor->retain();
        actor->setImageData(volume());
        actor->setSlabThickness(kThickness);
        actor->setSlabMode(isImageSDK::SLAB_MEAN);

        Scene* scene = Scene::create();
        Camera* camera = Camera::createOrthographic(kWidth, kHeight, -1000, 1000);
        camera->setCameraFlag(2);
        camera->setDepth(1);
        scene->addChild(camera);
        isImageSDK::isNodeImage* node = actor->getImageNode();
        node->setCameraMask(2, true);
        scene->addChild(node);
        director->runWithScene(scene);
        director->mainLoop(1.0f / 60.0f);

        int step = 0;
        for (auto _ : state) {
            if (changeSlab) {
                actor->setSlabMode(modeOf(++step));
            }
            director->mainLoop(1.0f / 60.0f);
            benchmark::DoNotOptimize(node->getTexture());
        }
        actor->cleanup();
        actor->release();
    }
    view->end();
    director->setOpenGLView(nullptr);
    view->release();
    director->purgeDirector();
    PoolManager::getInstance()->getCurrentPool()->clear();
}

void ActorSlabChangeToTexture(benchmark::State& state) {
    actorFrames(state, true);
}

void UnchangedFrameReference(benchmark::State& state) {
    actorFrames(state, false);
}

void PlaneSlabFilterReference(benchmark::State& state) {
    auto* plane = isImageSDK::isImagePlane::create();
    plane->setInputData(volume());
    plane->setAxis(0);
    plane->setIndex(plane->getNumberOfPositions() / 2);
    plane->setSlabThickness(kThickness);
    auto* out = static_cast<isImageSDK::isImageData*>(plane->getOutput());
    out->update();
    int step = 0;
    for (auto _ : state) {
        plane->setSlabMode(modeOf(++step));
        out->update();
        benchmark::DoNotOptimize(out->getSlice(0)->data);
    }
    plane->release();
}

}  // namespace

BENCHMARK(ActorSlabChangeToTexture)->Unit(benchmark::kMillisecond);
BENCHMARK(UnchangedFrameReference)->Unit(benchmark::kMillisecond);
BENCHMARK(PlaneSlabFilterReference)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
