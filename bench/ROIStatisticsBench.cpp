// Region statistics on a 512 x 512 int16 slice, through the text the shapes show: a 400-vertex
// polygon covering half of the slice and a circle of radius 200 pixels, next to one plain pass
// summing the whole slice (double accumulation, as the statistics sum) in the same run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/base/AutoreleasePool.h"
#include "imagesdk/data/PixelType.h"
#include "imagesdk/data/ROIData.h"
#include "imagesdk/render/isROIStatistics.h"
#include "tests/support/bench/MachineLoad.h"
#include "tests/support/bench/NoiseVolume.h"

namespace {

constexpr int kSize = 512;

struct Slice {
    Slice() : pixels(benchsupport::noisePixels(std::size_t(kSize) * kSize)) {
        record.pixelType = isImageSDK::PIXEL_INT16;
        record.width = kSize;
        record.height = kSize;
        record.data = pixels.data();
    }
    ~Slice() { record.data = nullptr; }

    std::vector<std::int16_t> pixels;
    isImageSDK::isSliceInfo record;
};

Slice& slice() {
    static Slice s;
    return s;
}

void measure(benchmark::State& state, isImageSDK::ROIData* roi) {
    std::string text;
    for (auto _ : state) {
        isImageSDK::isROIStatistics::measure(&slice().record, 0, roi, &text);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetLabel(text.substr(0, text.find('\n')));
}

// A wavy outline round the centre whose area is half the slice's.
void Polygon400HalfSlice(benchmark::State& state) {
    auto* polygon = isImageSDK::ROIPolygon::create();
    const double mean = std::sqrt(0.5 * kSize * kSize / 3.14159265358979);
    for (int i = 0; i < 400; ++i) {
        const double a = 2.0 * 3.14159265358979 * i / 400.0;
        const double r = mean * (1.0 + 0.05 * std::sin(7.0 * a));
        polygon->vertices.emplace_back(float(256.0 + r * std::cos(a)),
                                       float(256.0 + r * std::sin(a)), 0.0f);
    }
    measure(state, polygon);
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
}

void CircleRadius200(benchmark::State& state) {
    auto* circle = isImageSDK::ROICircle::create();
    circle->setPoint(0, {256.0f, 256.0f, 0.0f});
    circle->setPoint(1, {456.0f, 256.0f, 0.0f});
    measure(state, circle);
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
}

void ReferenceSumWholeSlice(benchmark::State& state) {
    const std::vector<std::int16_t>& pixels = slice().pixels;
    for (auto _ : state) {
        double sum = 0.0;
        for (std::int16_t v : pixels) {
            sum += double(v);
        }
        benchmark::DoNotOptimize(sum);
    }
}

}  // namespace

BENCHMARK(Polygon400HalfSlice)->Unit(benchmark::kMicrosecond);
BENCHMARK(CircleRadius200)->Unit(benchmark::kMicrosecond);
BENCHMARK(ReferenceSumWholeSlice)->Unit(benchmark::kMicrosecond);

BV_BENCHMARK_MAIN()
