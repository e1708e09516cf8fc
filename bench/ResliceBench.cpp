// One 512 x 512 oblique plane through a 512 x 512 x 400 int16 volume, trilinear and tricubic,
// and a 20-plane trilinear maximum slab, each next to a plain gather of the nearest voxel at
// the same positions measured in the same run. Single-threaded.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/math/Mat4.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isImageReslice2D.h"

namespace {

constexpr int kWidth = 512;
constexpr int kHeight = 512;
constexpr int kSlices = 400;
constexpr int kOut = 512;
const float kSpacing[3] = {0.7f, 0.7f, 1.0f};

isImageSDK::isImageData* volume() {
    static isImageSDK::isImageData* data = [] {
        auto* v = isImageSDK::isImageData::create();
        int dims[3] = {kWidth, kHeight, kSlices};
        float spacing[3] = {kSpacing[0], kSpacing[1], kSpacing[2]};
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

// A plane tilted about two axes through the volume's centre, its 512 x 512 pixels inside the
// volume for the most part.
cocos2d::Mat4 obliqueFrame() {
    cocos2d::Mat4 rotation;
    cocos2d::Mat4::createRotation(cocos2d::Vec3(1.0f, 0.6f, 0.2f), 0.6f, &rotation);
    const float half = 0.5f * kOut * 0.7f;
    cocos2d::Vec3 corner;
    rotation.transformVector(cocos2d::Vec3(-half, -half, 0.0f), &corner);
    const cocos2d::Vec3 centre(0.5f * (kWidth - 1) * kSpacing[0],
                               0.5f * (kHeight - 1) * kSpacing[1],
                               0.5f * (kSlices - 1) * kSpacing[2]);
    rotation.m[12] = centre.x + corner.x;
    rotation.m[13] = centre.y + corner.y;
    rotation.m[14] = centre.z + corner.z;
    return rotation;
}

void runKernel(benchmark::State& state, int interpolation, int samples) {
    std::vector<std::int16_t> out(std::size_t(kOut) * kOut);
    isImageSDK::ResliceRequest request;
    request.slice.width = kOut;
    request.slice.height = kOut;
    request.slice.pixelSpacingX = 0.7f;
    request.slice.pixelSpacingY = 0.7f;
    request.slice.pixelType = isImageSDK::PIXEL_INT16;
    request.slice.data = out.data();
    request.slice.matrix = obliqueFrame();
    request.slabMode = isImageSDK::SLAB_MAXIMUM;
    request.slabSamples = samples;
    request.slabStep = 1.0f;
    request.interpolation = interpolation;
    request.background = -1024.0f;
    isImageSDK::isImageData* input = volume();
    for (auto _ : state) {
        isImageSDK::resliceVolume<short>(input, &request);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.counters["samples/s"] =
        benchmark::Counter(double(state.iterations()) * kOut * kOut * (samples < 2 ? 1 : samples),
                           benchmark::Counter::kIsRate);
    request.slice.data = nullptr;
}

// The same positions, one nearest-voxel read each with the matrix applied per pixel.
void runGather(benchmark::State& state, int planes) {
    std::vector<std::int16_t> out(std::size_t(kOut) * kOut);
    const cocos2d::Mat4 m = obliqueFrame();
    const auto* voxels = static_cast<const std::int16_t*>(volume()->voxels);
    for (auto _ : state) {
        for (int p = 0; p < planes; ++p) {
            for (int j = 0; j < kOut; ++j) {
                for (int i = 0; i < kOut; ++i) {
                    cocos2d::Vec3 pos;
                    m.transformPoint(cocos2d::Vec3(i * 0.7f, j * 0.7f, float(p - planes / 2)),
                                     &pos);
                    const int x = int(std::lround(pos.x / kSpacing[0]));
                    const int y = int(std::lround(pos.y / kSpacing[1]));
                    const int z = int(std::lround(pos.z / kSpacing[2]));
                    std::int16_t v = -1024;
                    if (x >= 0 && x < kWidth && y >= 0 && y < kHeight && z >= 0 && z < kSlices) {
                        v = voxels[std::size_t(x) +
                                   std::size_t(kWidth) * (y + std::size_t(kHeight) * z)];
                    }
                    std::int16_t& o = out[std::size_t(j) * kOut + i];
                    o = p == 0 || v > o ? v : o;
                }
            }
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

void ObliqueTrilinear(benchmark::State& state) {
    runKernel(state, isImageSDK::INTERPOLATION_TRILINEAR, 1);
}
void ObliqueTricubic(benchmark::State& state) {
    runKernel(state, isImageSDK::INTERPOLATION_TRICUBIC, 1);
}
void ObliqueReferenceNearestGather(benchmark::State& state) {
    runGather(state, 1);
}
void MipSlab20Trilinear(benchmark::State& state) {
    runKernel(state, isImageSDK::INTERPOLATION_TRILINEAR, 20);
}
void MipSlab20ReferenceNearestGather(benchmark::State& state) {
    runGather(state, 20);
}

}  // namespace

BENCHMARK(ObliqueTrilinear)->Unit(benchmark::kMillisecond);
BENCHMARK(ObliqueTricubic)->Unit(benchmark::kMillisecond);
BENCHMARK(ObliqueReferenceNearestGather)->Unit(benchmark::kMillisecond);
BENCHMARK(MipSlab20Trilinear)->Unit(benchmark::kMillisecond);
BENCHMARK(MipSlab20ReferenceNearestGather)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
