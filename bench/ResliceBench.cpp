// Oblique reslicing of a 512 x 512 x 400 int16 volume at the angle users drag to (30 degrees
// about x, then 30 degrees about y) onto a 512 x 512 plane through its centre: one trilinear
// plane, one tricubic plane and 30-sample maximum and mean slabs, each on 1 and 8 threads.
// The reference in the same run is VTK's vtkImageReslice with its default threading when the
// build has BV_BENCH_VTK; without it, the 1-thread rows are the reference for the 8-thread rows.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <ctime>
#include <vector>

#include "engine/math/Mat4.h"
#include "imagesdk/data/BandPool.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isImageReslice2D.h"
#include "tests/support/bench/MachineLoad.h"
#include "tests/support/bench/NoiseVolume.h"

#ifdef BV_VTK_REFERENCE
#include <vtkImageData.h>
#include <vtkImageReslice.h>
#include <vtkMatrix4x4.h>
#include <vtkNew.h>
#include <vtkPointData.h>
#include <vtkShortArray.h>
#endif

namespace {

// Processor time of all the process's threads: what a run costs per core, whichever threads ran
// it, and steadier than elapsed time on a busy machine.
double processCpuSeconds() {
    timespec now = {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

void countCpu(benchmark::State& state, double cpuSeconds) {
    state.counters["all_threads_cpu_ms"] = cpuSeconds / double(state.iterations()) * 1e3;
}

constexpr int kOut = 512;
constexpr float kOutSpacing = 0.7f;
constexpr int kSlabSamples = 30;

// 30 degrees about x, then 30 degrees about y, the output's centre at the volume's centre.
cocos2d::Mat4 obliqueFrame() {
    constexpr float kThirty = 0.52359878f;
    cocos2d::Mat4 aboutX;
    cocos2d::Mat4::createRotationX(kThirty, &aboutX);
    cocos2d::Mat4 aboutY;
    cocos2d::Mat4::createRotationY(kThirty, &aboutY);
    cocos2d::Mat4 frame = aboutY * aboutX;
    const float half = 0.5f * float(kOut - 1) * kOutSpacing;
    cocos2d::Vec3 corner;
    frame.transformVector(cocos2d::Vec3(-half, -half, 0.0f), &corner);
    frame.m[12] =
        0.5f * (benchsupport::kVolumeWidth - 1) * benchsupport::kVolumeSpacing[0] + corner.x;
    frame.m[13] =
        0.5f * (benchsupport::kVolumeHeight - 1) * benchsupport::kVolumeSpacing[1] + corner.y;
    frame.m[14] =
        0.5f * (benchsupport::kVolumeSlices - 1) * benchsupport::kVolumeSpacing[2] + corner.z;
    return frame;
}

void runKernel(benchmark::State& state, int interpolation, int samples, int mode) {
    const int threads = int(state.range(0));
    isImageSDK::BandPool pool(threads);
    std::vector<std::int16_t> out(std::size_t(kOut) * kOut);
    isImageSDK::ResliceRequest request;
    request.slice.width = kOut;
    request.slice.height = kOut;
    request.slice.pixelSpacingX = kOutSpacing;
    request.slice.pixelSpacingY = kOutSpacing;
    request.slice.pixelType = isImageSDK::PIXEL_INT16;
    request.slice.data = out.data();
    request.slice.matrix = obliqueFrame();
    request.slabMode = mode;
    request.slabSamples = samples;
    request.slabStep = 1.0f;
    request.interpolation = interpolation;
    request.background = -1024.0f;
    isImageSDK::isImageData* input = benchsupport::noiseVolume();
    const double cpuStart = processCpuSeconds();
    for (auto _ : state) {
        isImageSDK::resliceVolume<short>(input, &request, threads > 1 ? &pool : nullptr);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    countCpu(state, processCpuSeconds() - cpuStart);
    state.counters["samples/s"] = benchmark::Counter(
        double(state.iterations()) * kOut * kOut * samples, benchmark::Counter::kIsRate);
    request.slice.data = nullptr;
}

void ObliqueTrilinear(benchmark::State& state) {
    runKernel(state, isImageSDK::INTERPOLATION_TRILINEAR, 1, isImageSDK::SLAB_MAXIMUM);
}
void ObliqueTricubic(benchmark::State& state) {
    runKernel(state, isImageSDK::INTERPOLATION_TRICUBIC, 1, isImageSDK::SLAB_MAXIMUM);
}
void Slab30MaxTrilinear(benchmark::State& state) {
    runKernel(state, isImageSDK::INTERPOLATION_TRILINEAR, kSlabSamples, isImageSDK::SLAB_MAXIMUM);
}
void Slab30MeanTrilinear(benchmark::State& state) {
    runKernel(state, isImageSDK::INTERPOLATION_TRILINEAR, kSlabSamples, isImageSDK::SLAB_MEAN);
}

#ifdef BV_VTK_REFERENCE
// The same volume, plane and slab through vtkImageReslice; range(0) 0 keeps VTK's default
// threading, any other value sets its thread count.
void runVtk(benchmark::State& state, int interpolation, int samples, int mode) {
    static vtkImageData* image = [] {
        auto* data = vtkImageData::New();
        data->SetDimensions(benchsupport::kVolumeWidth, benchsupport::kVolumeHeight,
                            benchsupport::kVolumeSlices);
        data->SetSpacing(benchsupport::kVolumeSpacing[0], benchsupport::kVolumeSpacing[1],
                         benchsupport::kVolumeSpacing[2]);
        data->SetOrigin(0.0, 0.0, 0.0);
        vtkNew<vtkShortArray> scalars;
        scalars->SetArray(static_cast<short*>(benchsupport::noiseVolume()->voxels),
                          vtkIdType(benchsupport::kVolumeWidth) * benchsupport::kVolumeHeight *
                              benchsupport::kVolumeSlices,
                          1);
        data->GetPointData()->SetScalars(scalars);
        return data;
    }();
    const cocos2d::Mat4 frame = obliqueFrame();
    vtkNew<vtkMatrix4x4> axes;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            axes->SetElement(row, column, frame.m[4 * column + row]);
        }
    }
    vtkNew<vtkImageReslice> reslice;
    reslice->SetInputData(image);
    reslice->SetResliceAxes(axes);
    reslice->SetOutputSpacing(kOutSpacing, kOutSpacing, 1.0);
    reslice->SetOutputOrigin(0.0, 0.0, 0.0);
    reslice->SetOutputExtent(0, kOut - 1, 0, kOut - 1, 0, 0);
    reslice->SetBackgroundLevel(-1024.0);
    if (interpolation == isImageSDK::INTERPOLATION_TRICUBIC) {
        reslice->SetInterpolationModeToCubic();
    } else {
        reslice->SetInterpolationModeToLinear();
    }
    if (samples > 1) {
        reslice->SetSlabNumberOfSlices(samples);
        if (mode == isImageSDK::SLAB_MEAN) {
            reslice->SetSlabModeToMean();
        } else {
            reslice->SetSlabModeToMax();
        }
    }
    if (state.range(0) > 0) {
        // The thread count holds only for VTK's own threader; its SMP path takes every core.
        reslice->SetEnableSMP(false);
        reslice->SetNumberOfThreads(int(state.range(0)));
    }
    const double cpuStart = processCpuSeconds();
    for (auto _ : state) {
        reslice->Modified();
        reslice->Update();
        benchmark::DoNotOptimize(reslice->GetOutput()->GetScalarPointer());
    }
    countCpu(state, processCpuSeconds() - cpuStart);
    state.counters["samples/s"] = benchmark::Counter(
        double(state.iterations()) * kOut * kOut * samples, benchmark::Counter::kIsRate);
}

void VtkObliqueTrilinear(benchmark::State& state) {
    runVtk(state, isImageSDK::INTERPOLATION_TRILINEAR, 1, isImageSDK::SLAB_MAXIMUM);
}
void VtkObliqueTricubic(benchmark::State& state) {
    runVtk(state, isImageSDK::INTERPOLATION_TRICUBIC, 1, isImageSDK::SLAB_MAXIMUM);
}
void VtkSlab30MaxTrilinear(benchmark::State& state) {
    runVtk(state, isImageSDK::INTERPOLATION_TRILINEAR, kSlabSamples, isImageSDK::SLAB_MAXIMUM);
}
void VtkSlab30MeanTrilinear(benchmark::State& state) {
    runVtk(state, isImageSDK::INTERPOLATION_TRILINEAR, kSlabSamples, isImageSDK::SLAB_MEAN);
}
#endif

}  // namespace

BENCHMARK(ObliqueTrilinear)
    ->Arg(1)
    ->Arg(8)
    ->ArgName("threads")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(ObliqueTricubic)
    ->Arg(1)
    ->Arg(8)
    ->ArgName("threads")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(Slab30MaxTrilinear)
    ->Arg(1)
    ->Arg(8)
    ->ArgName("threads")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(Slab30MeanTrilinear)
    ->Arg(1)
    ->Arg(8)
    ->ArgName("threads")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
#ifdef BV_VTK_REFERENCE
// threads:0 is VTK's default threading.
BENCHMARK(VtkObliqueTrilinear)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("threads")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(VtkObliqueTricubic)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("threads")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(VtkSlab30MaxTrilinear)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("threads")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(VtkSlab30MeanTrilinear)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("threads")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
#endif

BV_BENCHMARK_MAIN()
