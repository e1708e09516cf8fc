// Volume rendering of a 512 x 512 x 500 signed 16-bit CT-like phantom into a 512 x 512 viewport,
// frontal orthographic view, 1 mm steps: composite trilinear at full size, pre-integrated with
// shading, maximum intensity, and the fast caster at the size it settles on for 30 ms a frame,
// each with 1, 2, 4 and 8 workers. Beside them, in the same run, a plain reference caster that
// takes every sample inside the volume (no empty-space skipping, no early ray end) with as many
// threads. Msamples/s counts the samples of a full traversal, the reference's count, for both.
// Built with -DBV_BENCH_VTK=ON it also times VTK's CPU ray caster on the same volume and view
// (run it under xvfb-run: VTK draws through a window).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "imagesdk/data/PixelType.h"
#include "imagesdk/vr/vrRayCaster.h"
#include "tests/imagesdk/vr/ReferenceCaster.h"
#include "tests/support/bench/MachineLoad.h"

#ifdef BV_VTK_REFERENCE
#include <vtkCamera.h>
#include <vtkColorTransferFunction.h>
#include <vtkFixedPointVolumeRayCastMapper.h>
#include <vtkImageData.h>
#include <vtkNew.h>
#include <vtkPiecewiseFunction.h>
#include <vtkPointData.h>
#include <vtkRenderWindow.h>
#include <vtkRenderer.h>
#include <vtkRendererCollection.h>
#include <vtkShortArray.h>
#include <vtkSmartPointer.h>
#include <vtkVolume.h>
#include <vtkVolumeProperty.h>

#include <cstdlib>
#endif

namespace {

constexpr int kWidth = 512;
constexpr int kHeight = 512;
constexpr int kDepth = 500;
constexpr int kViewport = 512;
const float kSpacing[3] = {0.7f, 0.7f, 1.0f};

// Bone: transparent up to -16 HU, opacity 0.72 at 641 HU, so opaque from about 896 HU.
constexpr float kBoneWidth = 657.0f / 0.72f;
constexpr float kBoneCentre = -16.0f + kBoneWidth / 2.0f;
// Grey ramp over -1000 .. 1500 HU for the maximum intensity.
constexpr float kMipWidth = 2500.0f;
constexpr float kMipCentre = 250.0f;

std::uint32_t mix(std::uint32_t v) {
    v ^= v >> 16;
    v *= 0x7feb352du;
    v ^= v >> 15;
    v *= 0x846ca68bu;
    v ^= v >> 16;
    return v;
}

// Air, a torso of soft tissue, a shell of ribs, a spine and noise with sigma about 10 HU.
const std::vector<std::int16_t>& phantom() {
    static const std::vector<std::int16_t> voxels = [] {
        std::vector<std::int16_t> v(std::size_t(kWidth) * kHeight * kDepth);
        const double cx = (kWidth - 1) * kSpacing[0] / 2, cy = (kHeight - 1) * kSpacing[1] / 2;
        for (int z = 0; z < kDepth; ++z) {
            const double bulge = 1.0 - 0.15 * std::pow((z - kDepth / 2.0) / (kDepth / 2.0), 2);
            for (int y = 0; y < kHeight; ++y) {
                for (int x = 0; x < kWidth; ++x) {
                    const double px = x * kSpacing[0] - cx, py = y * kSpacing[1] - cy;
                    const double body = std::pow(px / (160 * bulge), 2) + std::pow(py / 110, 2);
                    double hu = -1000;
                    if (body <= 1.0) {
                        hu = 40;
                        const double ribs = std::pow(px / (140 * bulge), 2) + std::pow(py / 92, 2);
                        const bool ribLevel = (z / 12) % 2 == 0;
                        if (ribLevel && ribs <= 1.0 && ribs >= 0.86) {
                            hu = 700;
                        }
                        const double spine = std::pow(px / 18, 2) + std::pow((py - 65) / 16, 2);
                        if (spine <= 1.0) {
                            hu = spine >= 0.6 ? 1100 : 300;
                        }
                    }
                    std::uint32_t r =
                        mix(std::uint32_t(x) * 73856093u ^ std::uint32_t(y) * 19349663u ^
                            std::uint32_t(z) * 83492791u);
                    // Sum of four uniforms: roughly normal, sigma 10.
                    double noise = 0;
                    for (int k = 0; k < 4; ++k) {
                        noise += double((r >> (8 * k)) & 0xff) / 255.0 - 0.5;
                    }
                    hu += noise * 10.0 / std::sqrt(4.0 / 12.0);
                    v[std::size_t(x) + std::size_t(kWidth) * (y + std::size_t(kHeight) * z)] =
                        std::int16_t(std::lround(hu));
                }
            }
        }
        return v;
    }();
    return voxels;
}

isImageSDK::vrVolumeDesc& volume() {
    static isImageSDK::vrVolumeDesc desc = [] {
        isImageSDK::vrVolumeDesc d;
        d.data = phantom().data();
        d.width = kWidth;
        d.height = kHeight;
        d.depth = kDepth;
        for (int a = 0; a < 3; ++a) {
            d.spacing[a] = kSpacing[a];
        }
        d.pixelType = isImageSDK::PIXEL_INT16;
        return d;
    }();
    return desc;
}

// Looking from the front (along +y), head up, the whole width in view.
isImageSDK::vrCamera frontal() {
    isImageSDK::vrCamera camera;
    const float c[3] = {(kWidth - 1) * kSpacing[0] / 2, (kHeight - 1) * kSpacing[1] / 2,
                        (kDepth - 1) * kSpacing[2] / 2};
    camera.viewportWidth = camera.viewportHeight = float(kViewport);
    camera.zoom = 1.05f * kWidth * kSpacing[0] / kViewport;
    camera.centre = {c[0], c[1], c[2]};
    camera.eye = {c[0], c[1] - 600.0f, c[2]};
    camera.up = {0, 0, 1};
    return camera;
}

vrtest::ReferenceView referenceView() {
    const isImageSDK::vrCamera camera = frontal();
    vrtest::ReferenceView view;
    view.viewportWidth = view.viewportHeight = kViewport;
    view.zoom = camera.zoom;
    view.eye = {camera.eye.x, camera.eye.y, camera.eye.z};
    view.centre = {camera.centre.x, camera.centre.y, camera.centre.z};
    view.up = {0, 0, 1};
    return view;
}

std::vector<std::uint8_t> boneColours() {
    std::vector<std::uint8_t> colours(768);
    for (int i = 0; i < 256; ++i) {
        colours[std::size_t(3 * i)] = std::uint8_t(std::min(255, 120 + i));
        colours[std::size_t(3 * i + 1)] = std::uint8_t(std::min(255, 60 + i));
        colours[std::size_t(3 * i + 2)] = std::uint8_t(30 + i * 200 / 255);
    }
    colours[0] = colours[1] = colours[2] = 0;
    return colours;
}

std::vector<std::uint8_t> greyColours() {
    std::vector<std::uint8_t> colours(768);
    for (int i = 0; i < 768; ++i) {
        colours[std::size_t(i)] = std::uint8_t(i / 3);
    }
    return colours;
}

struct Style {
    int mode;
    float width;
    float centre;
    bool grey;
};
const Style kComposite{0, kBoneWidth, kBoneCentre, false};
const Style kShaded{2, kBoneWidth, kBoneCentre, false};
const Style kMip{3, kMipWidth, kMipCentre, true};

long long fullTraversalSamples() {
    static const long long samples = [] {
        vrtest::ReferenceVolume v;
        v.voxels = phantom().data();
        v.dims[0] = kWidth;
        v.dims[1] = kHeight;
        v.dims[2] = kDepth;
        for (int a = 0; a < 3; ++a) {
            v.spacing[a] = kSpacing[a];
        }
        return vrtest::ReferenceCaster(v, vrtest::ReferenceStyle()).countSamples(referenceView());
    }();
    return samples;
}

std::unique_ptr<isImageSDK::vrRayCaster> makeCaster(const Style& style, int workers,
                                                    bool trilinear) {
    auto caster = std::make_unique<isImageSDK::vrRayCaster>();
    caster->setVolume(&volume());
    const auto colours = style.grey ? greyColours() : boneColours();
    caster->setColorTable(colours.data());
    caster->setRenderMode(style.mode);
    caster->setInterpolation(trilinear ? 1 : 0);
    caster->setWindowLevel(style.width, style.centre);
    caster->setStepLength(1.0f);
    caster->setWorkerCount(workers);
    caster->syncCamera(frontal(), true);
    return caster;
}

void report(benchmark::State& state, double samplesPerFrame) {
    state.counters["Msamples/s"] = benchmark::Counter(
        samplesPerFrame * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

// The full-quality caster: trilinear at full size.
void runBest(benchmark::State& state, const Style& style) {
    auto caster = makeCaster(style, int(state.range(0)), true);
    caster->setScaleFactor(1.0f);
    caster->setTargetTime(5000.0f);
    caster->render();
    for (auto _ : state) {
        caster->setScaleFactor(1.0f);
        caster->render();
        benchmark::DoNotOptimize(caster->getOutput());
    }
    report(state, double(fullTraversalSamples()));
}

void runReference(benchmark::State& state, const Style& style) {
    vrtest::ReferenceVolume v;
    v.voxels = phantom().data();
    v.dims[0] = kWidth;
    v.dims[1] = kHeight;
    v.dims[2] = kDepth;
    for (int a = 0; a < 3; ++a) {
        v.spacing[a] = kSpacing[a];
    }
    vrtest::ReferenceStyle refStyle;
    refStyle.mode = style.mode;
    refStyle.windowWidth = style.width;
    refStyle.windowCentre = style.centre;
    const auto colours = style.grey ? greyColours() : boneColours();
    std::copy(colours.begin(), colours.end(), refStyle.colours);
    vrtest::ReferenceCaster reference(v, refStyle);
    const vrtest::ReferenceView view = referenceView();
    for (auto _ : state) {
        auto image = reference.render(view, int(state.range(0)));
        benchmark::DoNotOptimize(image.data());
    }
    report(state, double(fullTraversalSamples()));
}

void Composite(benchmark::State& state) {
    runBest(state, kComposite);
}
void CompositeReference(benchmark::State& state) {
    runReference(state, kComposite);
}
void Shaded(benchmark::State& state) {
    runBest(state, kShaded);
}
void ShadedReference(benchmark::State& state) {
    runReference(state, kShaded);
}
void Mip(benchmark::State& state) {
    runBest(state, kMip);
}
void MipReference(benchmark::State& state) {
    runReference(state, kMip);
}

// The fast caster (nearest samples, composite) left to settle on its 30 ms target; the figure is
// the time of a settled frame and the factor it settled on.
void FastSettled(benchmark::State& state) {
    auto caster = makeCaster(kComposite, int(state.range(0)), false);
    caster->setScaleFactor(0.1f);
    caster->setTargetTime(30.0f);
    int frames = 0;
    float previous = 0.0f;
    while (frames < 20 && std::fabs(caster->getScaleFactor() - previous) > 0.005f) {
        previous = caster->getScaleFactor();
        caster->render();
        ++frames;
    }
    double factorSum = 0;
    for (auto _ : state) {
        caster->render();
        factorSum += caster->getScaleFactor();
    }
    const double factor = factorSum / double(state.iterations());
    state.counters["factor"] = factor;
    state.counters["frames to settle"] = frames;
    report(state, double(fullTraversalSamples()) * factor * factor);
}

// A new caster's first frame: grid build, tables and the frame itself.
void FirstRender(benchmark::State& state) {
    for (auto _ : state) {
        auto caster = makeCaster(kComposite, int(state.range(0)), true);
        caster->setScaleFactor(1.0f);
        caster->render();
        benchmark::DoNotOptimize(caster->getOutput());
    }
}

#ifdef BV_VTK_REFERENCE
// VTK's CPU ray caster on the same volume, viewport, view and step with the transfer functions
// the figures above use, on all eight cores and, for a like-for-like figure on a busy machine,
// on four. It draws through a render window, so it needs a
// display (run the benchmark under xvfb-run).
struct VtkScene {
    vtkSmartPointer<vtkRenderWindow> window;
    vtkSmartPointer<vtkRenderer> renderer;
};

VtkScene vtkScene(const Style& style, int threads) {
    static vtkImageData* image = [] {
        auto* data = vtkImageData::New();
        data->SetDimensions(kWidth, kHeight, kDepth);
        data->SetSpacing(kSpacing[0], kSpacing[1], kSpacing[2]);
        data->SetOrigin(0.0, 0.0, 0.0);
        vtkNew<vtkShortArray> scalars;
        scalars->SetArray(const_cast<std::int16_t*>(phantom().data()),
                          vtkIdType(kWidth) * kHeight * kDepth, 1);
        data->GetPointData()->SetScalars(scalars);
        return data;
    }();
    vtkNew<vtkFixedPointVolumeRayCastMapper> mapper;
    mapper->SetInputData(image);
    mapper->SetSampleDistance(1.0f);
    mapper->SetInteractiveSampleDistance(1.0f);
    mapper->SetImageSampleDistance(1.0f);
    mapper->SetAutoAdjustSampleDistances(0);
    mapper->SetNumberOfThreads(threads);
    vtkNew<vtkPiecewiseFunction> opacity;
    vtkNew<vtkColorTransferFunction> colour;
    vtkNew<vtkVolumeProperty> property;
    property->SetInterpolationTypeToLinear();
    if (style.mode == 3) {
        mapper->SetBlendModeToMaximumIntensity();
        opacity->AddPoint(-3024, 1.0);
        opacity->AddPoint(3071, 1.0);
        colour->AddRGBPoint(-1000, 0, 0, 0);
        colour->AddRGBPoint(1500, 1, 1, 1);
    } else {
        mapper->SetBlendModeToComposite();
        opacity->AddPoint(-3024, 0.0);
        opacity->AddPoint(-16, 0.0);
        opacity->AddPoint(641, 0.72);
        opacity->AddPoint(3071, 0.72);
        colour->AddRGBPoint(-16, 0.73, 0.25, 0.30);
        colour->AddRGBPoint(641, 0.90, 0.82, 0.56);
        colour->AddRGBPoint(3071, 1, 1, 1);
        if (style.mode == 2) {
            property->ShadeOn();
            property->SetAmbient(0.15);
            property->SetDiffuse(0.9);
            property->SetSpecular(0.3);
            property->SetSpecularPower(15.0);
        }
    }
    property->SetScalarOpacity(opacity);
    property->SetColor(colour);
    vtkNew<vtkVolume> volume;
    volume->SetMapper(mapper);
    volume->SetProperty(property);

    // One window for every scene: the X server refuses connections after a few windows.
    static vtkRenderWindow* window = [] {
        auto* w = vtkRenderWindow::New();
        w->SetOffScreenRendering(1);
        w->SetSize(kViewport, kViewport);
        return w;
    }();
    VtkScene scene;
    scene.renderer = vtkSmartPointer<vtkRenderer>::New();
    scene.renderer->AddVolume(volume);
    scene.window = window;
    window->GetRenderers()->RemoveAllItems();
    window->AddRenderer(scene.renderer);
    const isImageSDK::vrCamera view = frontal();
    vtkCamera* camera = scene.renderer->GetActiveCamera();
    camera->ParallelProjectionOn();
    camera->SetFocalPoint(view.centre.x, view.centre.y, view.centre.z);
    camera->SetPosition(view.eye.x, view.eye.y, view.eye.z);
    camera->SetViewUp(view.up.x, view.up.y, view.up.z);
    camera->SetParallelScale(0.5 * view.zoom * kViewport);
    scene.renderer->ResetCameraClippingRange();
    return scene;
}

bool haveDisplay(benchmark::State& state) {
    if (std::getenv("DISPLAY")) {
        return true;
    }
    state.SkipWithError("VTK's ray caster draws through a window: run under xvfb-run");
    return false;
}

// Every frame turns the view by a hundredth of a degree and back, so that each one is cast.
void runVtk(benchmark::State& state, const Style& style) {
    if (!haveDisplay(state)) {
        return;
    }
    VtkScene scene = vtkScene(style, int(state.range(0)));
    scene.window->Render();
    double turn = 0.01;
    for (auto _ : state) {
        scene.renderer->GetActiveCamera()->Azimuth(turn);
        turn = -turn;
        scene.window->Render();
    }
    report(state, double(fullTraversalSamples()));
}

void CompositeVtk(benchmark::State& state) {
    runVtk(state, kComposite);
}
void ShadedVtk(benchmark::State& state) {
    runVtk(state, kShaded);
}
void MipVtk(benchmark::State& state) {
    runVtk(state, kMip);
}

// VTK's first frame of a new volume, its gradients for shading included.
void FirstRenderVtk(benchmark::State& state) {
    if (!haveDisplay(state)) {
        return;
    }
    for (auto _ : state) {
        VtkScene scene = vtkScene(kComposite, int(state.range(0)));
        scene.window->Render();
    }
}
#endif

std::string cpuModel() {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("model name", 0) == 0) {
            return line.substr(line.find(':') + 2);
        }
    }
    return "unknown";
}

void workerCounts(benchmark::internal::Benchmark* b) {
    for (int workers : {1, 2, 4, 8}) {
        b->Arg(workers);
    }
    b->ArgName("workers")->Unit(benchmark::kMillisecond)->UseRealTime();
}

void referenceCounts(benchmark::internal::Benchmark* b) {
    workerCounts(b);
    b->Iterations(1);
}

}  // namespace

BENCHMARK(Composite)->Apply(workerCounts);
BENCHMARK(CompositeReference)->Apply(referenceCounts);
BENCHMARK(Shaded)->Apply(workerCounts);
BENCHMARK(ShadedReference)->Apply(referenceCounts);
BENCHMARK(Mip)->Apply(workerCounts);
BENCHMARK(MipReference)->Apply(referenceCounts);
BENCHMARK(FastSettled)->Apply(workerCounts);
BENCHMARK(FirstRender)
    ->Arg(4)
    ->ArgName("workers")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

#ifdef BV_VTK_REFERENCE
void vtkThreads(benchmark::internal::Benchmark* b) {
    b->Arg(8)->Arg(4)->ArgName("threads")->Unit(benchmark::kMillisecond)->UseRealTime();
}
BENCHMARK(CompositeVtk)->Apply(vtkThreads);
BENCHMARK(ShadedVtk)->Apply(vtkThreads);
BENCHMARK(MipVtk)->Apply(vtkThreads);
BENCHMARK(FirstRenderVtk)->Apply(vtkThreads)->Iterations(3);
#endif

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("cpu_model", cpuModel());
    benchsupport::addLoadContext();
    benchmark::RunSpecifiedBenchmarks();
    benchsupport::printLoadAtEnd();
    benchmark::Shutdown();
    return 0;
}
