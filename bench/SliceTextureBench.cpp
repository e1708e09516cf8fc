// The image node's CPU window/level path: one signed 16-bit frame coloured through the colour
// table into RGB texels, 512 x 512 and 4096 x 3000 (no decimation), each next to a plain copy
// of the frame's bytes measured in the same run. Single-threaded.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/base/AutoreleasePool.h"
#include "imagesdk/data/isClut.h"
#include "imagesdk/data/isSliceInfo.h"
#include "imagesdk/render/isSliceTexture.h"
#include "tests/support/bench/MachineLoad.h"
#include "tests/support/bench/NoiseVolume.h"

namespace {

struct Frame {
    Frame(int w, int h) : pixels(benchsupport::noisePixels(std::size_t(w) * h)) {
        record.data = pixels.data();
        record.width = w;
        record.height = h;
        record.pixelType = 1;
    }
    std::vector<std::int16_t> pixels;
    isImageSDK::isSliceInfo record;
};

void colourBuild(benchmark::State& state) {
    Frame frame(int(state.range(0)), int(state.range(1)));
    isImageSDK::isClut* clut = isImageSDK::isClut::create();
    clut->retain();
    clut->setPixelType(1);
    clut->setWindowLevel(400.0f, 40.0f);
    isImageSDK::isSliceTexture texture;
    for (auto _ : state) {
        texture.buildColour(&frame.record, 0, clut, 16384);
        benchmark::DoNotOptimize(texture.texels.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * frame.pixels.size() * 2));
    clut->release();
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
}

void copyReference(benchmark::State& state) {
    Frame frame(int(state.range(0)), int(state.range(1)));
    std::vector<std::int16_t> target(frame.pixels.size());
    for (auto _ : state) {
        std::memcpy(target.data(), frame.pixels.data(), frame.pixels.size() * 2);
        benchmark::DoNotOptimize(target.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * frame.pixels.size() * 2));
}

}  // namespace

BENCHMARK(colourBuild)->Args({512, 512})->Args({4096, 3000})->Unit(benchmark::kMillisecond);
BENCHMARK(copyReference)->Args({512, 512})->Args({4096, 3000})->Unit(benchmark::kMillisecond);

BV_BENCHMARK_MAIN()
