// Orthogonal planes and a mean slab cut from a 512 x 512 x 400 int16 volume, each next to a
// plain copy of the same number of bytes measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isImagePlane.h"
#include "tests/support/bench/MachineLoad.h"
#include "tests/support/bench/NoiseVolume.h"

namespace {

// Alternates between two indices so that every pull recomputes the plane.
void runPlane(benchmark::State& state, int axis, float thickness) {
    auto* plane = isImageSDK::isImagePlane::create();
    plane->setInputData(benchsupport::noiseVolume());
    plane->setAxis(axis);
    plane->setSlabMode(isImageSDK::SLAB_MEAN);
    plane->setSlabThickness(thickness);
    auto* out = static_cast<isImageSDK::isImageData*>(plane->getOutput());
    const int positions = plane->getNumberOfPositions();
    int step = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        plane->setIndex(positions / 2 + (step++ & 1));
        out->update();
        isImageSDK::isSliceInfo* slice = out->getSlice(0);
        benchmark::DoNotOptimize(slice->data);
        bytes = std::size_t(slice->width) * slice->height * sizeof(std::int16_t);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * bytes));
    plane->release();
}

void copyReference(benchmark::State& state, std::size_t bytes) {
    std::vector<char> target(bytes);
    const char* source = static_cast<const char*>(benchsupport::noiseVolume()->voxels);
    for (auto _ : state) {
        std::memcpy(target.data(), source, bytes);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * bytes));
}

void Axial(benchmark::State& state) {
    runPlane(state, 0, 0.0f);
}
void AxialReferenceMemcpy(benchmark::State& state) {
    copyReference(state, std::size_t(benchsupport::kVolumeWidth) * benchsupport::kVolumeHeight * 2);
}
void Sagittal(benchmark::State& state) {
    runPlane(state, 1, 0.0f);
}
void Coronal(benchmark::State& state) {
    runPlane(state, 2, 0.0f);
}
void SagittalCoronalReferenceMemcpy(benchmark::State& state) {
    copyReference(state,
                  std::size_t(benchsupport::kVolumeSlices) * benchsupport::kVolumeHeight * 2);
}
// 21 samples of 1.0 mm slices.
void MeanSlab21(benchmark::State& state) {
    runPlane(state, 0, 21.0f);
}
void MeanSlab21ReferenceMemcpy(benchmark::State& state) {
    copyReference(state,
                  std::size_t(benchsupport::kVolumeWidth) * benchsupport::kVolumeHeight * 2 * 21);
}

}  // namespace

BENCHMARK(Axial)->Unit(benchmark::kMillisecond);
BENCHMARK(AxialReferenceMemcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(Sagittal)->Unit(benchmark::kMillisecond);
BENCHMARK(Coronal)->Unit(benchmark::kMillisecond);
BENCHMARK(SagittalCoronalReferenceMemcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(MeanSlab21)->Unit(benchmark::kMillisecond);
BENCHMARK(MeanSlab21ReferenceMemcpy)->Unit(benchmark::kMillisecond);

BV_BENCHMARK_MAIN()
