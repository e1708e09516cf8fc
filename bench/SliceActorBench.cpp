// A slab change on the image slice actor, end to end: the actor's filters recompute a 21-sample
// slab of a 512 x 512 x 400 signed 16-bit volume and its image node makes the texture in a real
// window frame (run it under a display, or headless through SDL's offscreen driver). Beside it,
// in the same run: the plane filter alone computing the same slabs, and the same frame drawn
// without a change (what presenting costs, which the filter's time does not hold). Each step
// switches the slab between mean and sum, which costs the kernel the same.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "imagesdk/data/SlabMode.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isImagePlane.h"
#include "imagesdk/render/isActorImage.h"
#include "imagesdk/render/isNodeImage.h"
#include "tests/support/bench/BenchWindow.h"
#include "tests/support/bench/MachineLoad.h"
#include "tests/support/bench/NoiseVolume.h"

namespace {

// 21 samples of 1 mm slices.
constexpr float kThickness = 21.0f;

int modeOf(int step) {
    return (step & 1) != 0 ? isImageSDK::SLAB_SUM : isImageSDK::SLAB_MEAN;
}

// With changeSlab false the same frames are drawn without a change: what presenting a frame
// costs on this display, beside the slab change's frame.
void actorFrames(benchmark::State& state, bool changeSlab) {
    benchsupport::BenchWindow window(benchsupport::kVolumeWidth, benchsupport::kVolumeHeight);
    if (!window.isOpen()) {
        state.SkipWithError("no window");
        return;
    }
    auto* actor = isImageSDK::isActorImage::create();
    actor->retain();
    actor->setImageData(benchsupport::noiseVolume());
    actor->setSlabThickness(kThickness);
    actor->setSlabMode(isImageSDK::SLAB_MEAN);
    isImageSDK::isNodeImage* node = actor->getImageNode();
    window.show(node);

    int step = 0;
    for (auto _ : state) {
        if (changeSlab) {
            actor->setSlabMode(modeOf(++step));
        }
        window.frame();
        benchmark::DoNotOptimize(node->getTexture());
    }
    actor->cleanup();
    actor->release();
}

void ActorSlabChangeToTexture(benchmark::State& state) {
    actorFrames(state, true);
}

void UnchangedFrameReference(benchmark::State& state) {
    actorFrames(state, false);
}

void PlaneSlabFilterReference(benchmark::State& state) {
    auto* plane = isImageSDK::isImagePlane::create();
    plane->setInputData(benchsupport::noiseVolume());
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

BV_BENCHMARK_MAIN()
