// One window/level step on a 512 x 512 signed 16-bit slice in a real window (run it under a
// display, or headless through SDL's offscreen driver): the shader node changes uniforms only,
// the CPU image node rebuilds its texture; each step is a whole frame. The counter "uploads"
// is the number of texture uploads per step, read from the engine's texture layer.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "engine/renderer/Texture2D.h"
#include "imagesdk/data/isClut.h"
#include "imagesdk/data/isSliceInfo.h"
#include "imagesdk/render/isNodeImage.h"
#include "imagesdk/render/isNodeImageByShader.h"
#include "tests/support/bench/BenchWindow.h"
#include "tests/support/bench/MachineLoad.h"
#include "tests/support/bench/NoiseVolume.h"

namespace {

constexpr int kSize = 512;

void windowLevelStep(benchmark::State& state, bool shader) {
    benchsupport::BenchWindow window(kSize, kSize);
    if (!window.isOpen()) {
        state.SkipWithError("no window");
        return;
    }
    std::vector<std::int16_t> pixels = benchsupport::noisePixels(std::size_t(kSize) * kSize);
    isImageSDK::isSliceInfo record;
    record.data = pixels.data();
    record.width = kSize;
    record.height = kSize;
    record.pixelType = 1;
    cocos2d::Mat4::createTranslation(0.5f, 0.5f, 0.0f, &record.matrix);

    isImageSDK::isNodeImage* node =
        shader ? isImageSDK::isNodeImageByShader::create() : isImageSDK::isNodeImage::create();
    isImageSDK::isClut* clut = isImageSDK::isClut::create();
    node->setClut(clut);
    node->setSliceInfo(&record);
    window.show(node);

    const unsigned long long start = cocos2d::Texture2D::getUploadCount();
    int step = 0;
    for (auto _ : state) {
        ++step;
        clut->setWindowLevel(400.0f + float(step % 50), 40.0f + float(step % 30));
        node->onWindowLevelChanged();
        window.frame();
    }
    state.counters["uploads"] = double(cocos2d::Texture2D::getUploadCount() - start) /
                                double(state.iterations() > 0 ? state.iterations() : 1);
}

void shaderStep(benchmark::State& state) {
    windowLevelStep(state, true);
}

// Reference: the same step on the CPU path.
void cpuStep(benchmark::State& state) {
    windowLevelStep(state, false);
}

}  // namespace

BENCHMARK(shaderStep)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(cpuStep)->Unit(benchmark::kMillisecond)->MinTime(1.0);

BV_BENCHMARK_MAIN()
