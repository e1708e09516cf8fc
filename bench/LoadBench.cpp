// Series load of 400 slices of 512 x 512 signed 16-bit pixels into a fresh volume, as a user's
// first open: slices per second through the four loaders (uncompressed and JPEG lossless) until
// every slice is stored, and until the load completes with its voxel cache written; then the
// second open from the voxel cache, next to a plain read of that cache file into a fresh buffer.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/io/FolderBuffer.h"
#include "imagesdk/io/isBinReader.h"
#include "imagesdk/io/isDcmScan.h"
#include "tests/support/lib/DicomFixture.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"

namespace {

constexpr int kSlices = 400;

struct Series {
    std::string folder;
    std::string prebin;
};

Series makeSeries(const std::string& name, E_TransferSyntax syntax) {
    Series series;
    series.folder = cocos2d::FileUtils::getInstance()->getWritablePath() + name + "/";
    std::filesystem::create_directories(series.folder);
    isImageSDK::getFolderBufferPath(series.folder);
    bvtest::DicomFixture fixture;
    fixture.rows = 512;
    fixture.columns = 512;
    fixture.pixels = bvtest::DicomFixture::Pixels::S16;
    fixture.transferSyntax = syntax;
    fixture.writeSeries(series.folder, kSlices, 1.25);
    isImageSDK::isDcmScan().createBuffer(series.folder);
    series.prebin = isImageSDK::getFolderPrebinPath(series.folder);
    return series;
}

const Series& uncompressed() {
    static const Series series = makeSeries("plain", EXS_LittleEndianExplicit);
    return series;
}

const Series& jpegLossless() {
    static const Series series = makeSeries("jpeg", EXS_JPEGProcess14SV1);
    return series;
}

struct LoadRun {
    // Until every slice holds its pixels (the last progress post).
    double storedSeconds = 0.0;
    // Until the load reports complete: the voxel cache has been written.
    double completeSeconds = 0.0;
    // Processor time of all threads.
    double cpuSeconds = 0.0;
    bool complete = false;
};

double processCpuSeconds() {
    timespec now = {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Opens the series in a new reader, as a first open does, and waits until every slice is in.
LoadRun openAndLoad(const Series& series) {
    LoadRun run;
    bool stored = false;
    int observer = 0;
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        &observer, nullptr,
        [&stored](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
            stored = stored || (data && data->floatValue >= 1.0f);
        },
        isImageSDK::NOTIFY_LOADING_PROGRESS);
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = processCpuSeconds();
    auto seconds = [&start] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };

    isImageSDK::isBinReader* reader = isImageSDK::isBinReader::create();
    reader->setSource(series.folder, series.prebin);
    static_cast<isImageSDK::isImageData*>(reader->getOutput())->update();
    // Completion is asked for only once every slice is in (or at once, for an open from the
    // voxel cache), since the question waits while the cache is written.
    run.complete = reader->isLoadComplete();
    for (int polls = 0; !run.complete && polls < 600000; ++polls) {
        cocos2d::Director::getInstance()->mainLoop(0.1f);
        if (stored) {
            run.storedSeconds = seconds();
            while (!reader->isLoadComplete()) {
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            }
            run.complete = true;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    run.completeSeconds = seconds();
    run.cpuSeconds = processCpuSeconds() - cpuStart;
    if (run.storedSeconds == 0.0) {
        run.storedSeconds = run.completeSeconds;
    }
    reader->release();
    NSUI::NSNotificationCenter::getInstance()->removeObserver(&observer);
    return run;
}

// Timed to the moment every slice is stored; the voxel cache write that completes the load is
// reported beside it.
void loadThroughLoaders(benchmark::State& state, const Series& series) {
    const std::string raw = isImageSDK::getRawBufferPath(series.prebin);
    double complete = 0.0;
    double cpu = 0.0;
    for (auto _ : state) {
        std::filesystem::remove(raw);
        const LoadRun run = openAndLoad(series);
        if (!run.complete) {
            state.SkipWithError("the series did not load");
            return;
        }
        state.SetIterationTime(run.storedSeconds);
        complete += run.completeSeconds;
        cpu += run.cpuSeconds;
    }
    const double n = double(state.iterations());
    state.counters["slices/s"] = benchmark::Counter(n * kSlices, benchmark::Counter::kIsRate);
    state.counters["complete_ms"] = complete / n * 1e3;
    state.counters["slices/s_complete"] = kSlices * n / complete;
    state.counters["cpu_us/slice"] = cpu / n / kSlices * 1e6;
}

void LoadUncompressed(benchmark::State& state) {
    loadThroughLoaders(state, uncompressed());
}
BENCHMARK(LoadUncompressed)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

void LoadJpegLossless(benchmark::State& state) {
    loadThroughLoaders(state, jpegLossless());
}
BENCHMARK(LoadJpegLossless)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

void ReopenFromVoxelCache(benchmark::State& state) {
    const Series& series = uncompressed();
    if (!openAndLoad(series).complete) {
        state.SkipWithError("the series did not load");
        return;
    }
    for (auto _ : state) {
        const LoadRun run = openAndLoad(series);
        if (!run.complete) {
            state.SkipWithError("the series did not load");
            return;
        }
        state.SetIterationTime(run.completeSeconds);
    }
}
BENCHMARK(ReopenFromVoxelCache)->Unit(benchmark::kMillisecond)->UseManualTime();

// The floor under the reopen: the cache file read into a freshly allocated buffer.
void PlainReadOfVoxelCache(benchmark::State& state) {
    const Series& series = uncompressed();
    const std::string raw = isImageSDK::getRawBufferPath(series.prebin);
    if (!std::filesystem::exists(raw) && !openAndLoad(series).complete) {
        state.SkipWithError("the series did not load");
        return;
    }
    const std::size_t size = std::filesystem::file_size(raw);
    for (auto _ : state) {
        std::vector<char>* buffer = new std::vector<char>(size);
        const int fd = ::open(raw.c_str(), O_RDONLY);
        std::size_t done = 0;
        ssize_t got = 0;
        while (done < size && (got = ::read(fd, buffer->data() + done, size - done)) > 0) {
            done += static_cast<std::size_t>(got);
        }
        ::close(fd);
        benchmark::DoNotOptimize(buffer->data());
        delete buffer;
    }
}
BENCHMARK(PlainReadOfVoxelCache)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    std::string writable = (std::filesystem::temp_directory_path() / "bvbench-XXXXXX").string();
    if (!mkdtemp(writable.data())) {
        return 2;
    }
    setenv("BRIMVALE_WRITABLE_PATH", (writable + "/").c_str(), 1);
    cocos2d::Director::getInstance();
    NSUI::NSNotificationCenter::getInstance();
    // Past the notification centre's start-up delay.
    for (int i = 0; i < 4; ++i) {
        cocos2d::Director::getInstance()->mainLoop(0.2f);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(writable, ignored);
    return 0;
}
