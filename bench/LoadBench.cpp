// Series load of 500 slices of 512 x 512 into a fresh volume, as a user's first open: slices per
// second through the loaders until every slice is stored, and until the load completes with
// its voxel cache written. Three encodings: CT as scanners write it (unsigned, 12 bits stored,
// rescale intercept -1024), uncompressed and JPEG-LS; signed 16-bit samples without rescale,
// uncompressed and JPEG lossless. The reference of each is DCMTK reading the same files into a
// fresh volume on 8 threads (uncompressed) or 4 (compressed), through DcmFileFormat and
// DicomImage's rescaled values, in the same run; the ratios are printed at the end, each row with
// the processor time of all threads per slice (the load's until every slice is stored, as its
// slices/s, and until complete beside it). Then the second open from the voxel cache, next to a
// plain read of that cache file into a fresh buffer.
//
// Each row measures the same thing in every run: the series files are on disk and in the page
// cache before any row (written, fsynced and read once), every repetition starts with an untimed
// warm-up load, and a row's figure is the median of its repetitions.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmimgle/dcmimage.h>
#include <dcmtk/dcmimgle/dipixel.h>
#include <dcmtk/dcmjpeg/djdecode.h>
#include <dcmtk/dcmjpls/djdecode.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/io/FolderBuffer.h"
#include "imagesdk/io/isBinReader.h"
#include "imagesdk/io/isDcmScan.h"
#include "tests/support/bench/MachineLoad.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/TempDir.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"

namespace {

constexpr int kSlices = 500;
constexpr int kSide = 512;

struct Series {
    std::string folder;
    std::string prebin;
    std::vector<std::string> files;
};

enum class Encoding { Signed, ScannerCt };

// Forces the file's bytes to disk, so that its writeback does not land inside a later row.
void syncFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Reads the file once, so that every row finds it in the page cache.
void readOnce(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        return;
    }
    std::vector<char> block(1 << 20);
    while (::read(fd, block.data(), block.size()) > 0) {
    }
    ::close(fd);
}

// The series written by the run: on disk, its folder entries too, and in the page cache.
void settle(const Series& series) {
    for (const std::string& file : series.files) {
        syncFile(file);
    }
    syncFile(series.prebin);
    syncFile(series.folder);
    for (const std::string& file : series.files) {
        readOnce(file);
    }
    readOnce(series.prebin);
}

Series makeSeries(const std::string& name, Encoding encoding, E_TransferSyntax syntax) {
    Series series;
    series.folder = cocos2d::FileUtils::getInstance()->getWritablePath() + name + "/";
    std::filesystem::create_directories(series.folder);
    isImageSDK::getFolderBufferPath(series.folder);
    bvtest::DicomFixture fixture;
    fixture.rows = kSide;
    fixture.columns = kSide;
    if (encoding == Encoding::ScannerCt) {
        fixture.pixels = bvtest::DicomFixture::Pixels::U16;
        fixture.bitsStored = 12;
        fixture.writeRescale = true;
        fixture.rescaleSlope = 1.0;
        fixture.rescaleIntercept = -1024.0;
    } else {
        fixture.pixels = bvtest::DicomFixture::Pixels::S16;
    }
    fixture.transferSyntax = syntax;
    series.files = fixture.writeSeries(series.folder, kSlices, 1.25);
    isImageSDK::isDcmScan().createBuffer(series.folder);
    series.prebin = isImageSDK::getFolderPrebinPath(series.folder);
    return series;
}

// Every series of the run, written and settled before the first row.
void settleAllSeries();

const Series& scannerCt() {
    static const Series series =
        makeSeries("scanner", Encoding::ScannerCt, EXS_LittleEndianExplicit);
    return series;
}

const Series& scannerJpegLs() {
    static const Series series = makeSeries("jpegls", Encoding::ScannerCt, EXS_JPEGLSLossless);
    return series;
}

const Series& signedPlain() {
    static const Series series = makeSeries("plain", Encoding::Signed, EXS_LittleEndianExplicit);
    return series;
}

const Series& signedJpegLossless() {
    static const Series series = makeSeries("jpeg", Encoding::Signed, EXS_JPEGProcess14SV1);
    return series;
}

void settleAllSeries() {
    static const bool settled = [] {
        for (const Series* series :
             {&scannerCt(), &scannerJpegLs(), &signedPlain(), &signedJpegLossless()}) {
            settle(*series);
        }
        return true;
    }();
    benchmark::DoNotOptimize(settled);
}

// Slices per second of each row's repetitions, for the ratios printed at the end.
std::map<std::string, std::vector<double>>& rates() {
    static std::map<std::string, std::vector<double>> table;
    return table;
}

// Processor microseconds per slice of each row's repetitions, until every slice is stored.
std::map<std::string, std::vector<double>>& cpuPerSlice() {
    static std::map<std::string, std::vector<double>> table;
    return table;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

struct LoadRun {
    // Until every slice holds its pixels (the last progress post).
    double storedSeconds = 0.0;
    // Until the load reports complete: the voxel cache has been written.
    double completeSeconds = 0.0;
    // Processor time of all threads until every slice is stored, and until the load completes.
    double storedCpuSeconds = 0.0;
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
        isImageSDK::NOTIFY_LOAD_PROGRESS);
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
            run.storedCpuSeconds = processCpuSeconds() - cpuStart;
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
        run.storedCpuSeconds = run.cpuSeconds;
    }
    reader->release();
    NSUI::NSNotificationCenter::getInstance()->removeObserver(&observer);
    return run;
}

// Timed to the moment every slice is stored; the voxel cache write that completes the load is
// reported beside it.
void loadThroughLoaders(benchmark::State& state, const Series& series, const char* row) {
    settleAllSeries();
    const std::string raw = isImageSDK::getRawBufferPath(series.prebin);
    std::filesystem::remove(raw);
    if (!openAndLoad(series).complete) {
        state.SkipWithError("the series did not load");
        return;
    }
    double stored = 0.0;
    double complete = 0.0;
    double cpu = 0.0;
    double storedCpu = 0.0;
    for (auto _ : state) {
        std::filesystem::remove(raw);
        const LoadRun run = openAndLoad(series);
        if (!run.complete) {
            state.SkipWithError("the series did not load");
            return;
        }
        state.SetIterationTime(run.storedSeconds);
        stored += run.storedSeconds;
        complete += run.completeSeconds;
        cpu += run.cpuSeconds;
        storedCpu += run.storedCpuSeconds;
    }
    const double n = double(state.iterations());
    state.counters["slices/s"] = benchmark::Counter(n * kSlices, benchmark::Counter::kIsRate);
    rates()[row].push_back(n * kSlices / stored);
    state.counters["complete_ms"] = complete / n * 1e3;
    state.counters["slices/s_complete"] = kSlices * n / complete;
    state.counters["cpu_us/slice"] = storedCpu / n / kSlices * 1e6;
    state.counters["cpu_us/slice_complete"] = cpu / n / kSlices * 1e6;
    cpuPerSlice()[row].push_back(storedCpu / n / kSlices * 1e6);
    // Dropped rather than left for the writeback to run under the next row.
    std::filesystem::remove(raw);
}

// DCMTK on its own: each thread takes the next file, loads it, lets DicomImage decode and rescale
// it, and copies the rescaled values into its slice of a freshly allocated volume.
bool dcmtkRead(const Series& series, int threads) {
    const std::size_t sliceSamples = std::size_t(kSide) * kSide;
    std::unique_ptr<Sint16[]> volume(new Sint16[series.files.size() * sliceSamples]);
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    auto work = [&] {
        for (std::size_t i = next++; i < series.files.size(); i = next++) {
            DcmFileFormat file;
            if (file.loadFile(series.files[i].c_str()).bad()) {
                failed = true;
                return;
            }
            DicomImage image(&file, file.getDataset()->getOriginalXfer());
            const DiPixel* values = image.getInterData();
            if (image.getStatus() != EIS_Normal || !values || values->getCount() != sliceSamples) {
                failed = true;
                return;
            }
            Sint16* slice = volume.get() + i * sliceSamples;
            if (values->getRepresentation() == EPR_Sint16) {
                std::memcpy(slice, values->getData(), sliceSamples * sizeof(Sint16));
            } else if (values->getRepresentation() == EPR_Uint16) {
                const auto* from = static_cast<const Uint16*>(values->getData());
                for (std::size_t k = 0; k < sliceSamples; ++k) {
                    slice[k] = Sint16(from[k]);
                }
            } else {
                failed = true;
                return;
            }
        }
    };
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) {
        pool.emplace_back(work);
    }
    for (std::thread& thread : pool) {
        thread.join();
    }
    benchmark::DoNotOptimize(volume.get());
    return !failed;
}

void readWithDcmtk(benchmark::State& state, const Series& series, const char* row) {
    settleAllSeries();
    if (!dcmtkRead(series, int(state.range(0)))) {
        state.SkipWithError("DCMTK could not read the series");
        return;
    }
    double total = 0.0;
    double cpu = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = processCpuSeconds();
        if (!dcmtkRead(series, int(state.range(0)))) {
            state.SkipWithError("DCMTK could not read the series");
            return;
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
        cpu += processCpuSeconds() - cpuStart;
    }
    const double n = double(state.iterations());
    state.counters["slices/s"] = benchmark::Counter(n * kSlices, benchmark::Counter::kIsRate);
    state.counters["cpu_us/slice"] = cpu / n / kSlices * 1e6;
    rates()[row].push_back(n * kSlices / total);
    cpuPerSlice()[row].push_back(cpu / n / kSlices * 1e6);
}

void LoadScannerCt(benchmark::State& state) {
    loadThroughLoaders(state, scannerCt(), "LoadScannerCt");
}
void DcmtkReadScannerCt(benchmark::State& state) {
    readWithDcmtk(state, scannerCt(), "DcmtkReadScannerCt");
}
void LoadScannerCtJpegLs(benchmark::State& state) {
    loadThroughLoaders(state, scannerJpegLs(), "LoadScannerCtJpegLs");
}
void DcmtkReadScannerCtJpegLs(benchmark::State& state) {
    readWithDcmtk(state, scannerJpegLs(), "DcmtkReadScannerCtJpegLs");
}
void LoadSigned(benchmark::State& state) {
    loadThroughLoaders(state, signedPlain(), "LoadSigned");
}
void DcmtkReadSigned(benchmark::State& state) {
    readWithDcmtk(state, signedPlain(), "DcmtkReadSigned");
}
void LoadSignedJpegLossless(benchmark::State& state) {
    loadThroughLoaders(state, signedJpegLossless(), "LoadSignedJpegLossless");
}
void DcmtkReadSignedJpegLossless(benchmark::State& state) {
    readWithDcmtk(state, signedJpegLossless(), "DcmtkReadSignedJpegLossless");
}

// Five repetitions of each row, reported as their mean, median and spread.
void repeated(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->UseManualTime()->Repetitions(5)->ReportAggregatesOnly(true);
}

void dcmtkOnEight(benchmark::internal::Benchmark* b) {
    b->Arg(8)->ArgName("threads");
    repeated(b);
}

void dcmtkOnFour(benchmark::internal::Benchmark* b) {
    b->Arg(4)->ArgName("threads");
    repeated(b);
}

BENCHMARK(LoadScannerCt)->Apply(repeated)->Iterations(5);
BENCHMARK(DcmtkReadScannerCt)->Apply(dcmtkOnEight)->Iterations(5);
BENCHMARK(LoadScannerCtJpegLs)->Apply(repeated)->Iterations(2);
BENCHMARK(DcmtkReadScannerCtJpegLs)->Apply(dcmtkOnFour)->Iterations(2);
BENCHMARK(LoadSigned)->Apply(repeated)->Iterations(5);
BENCHMARK(DcmtkReadSigned)->Apply(dcmtkOnEight)->Iterations(5);
BENCHMARK(LoadSignedJpegLossless)->Apply(repeated)->Iterations(2);
BENCHMARK(DcmtkReadSignedJpegLossless)->Apply(dcmtkOnFour)->Iterations(2);

// Our first open against DCMTK's read of the same files, from the rows of this run: the median
// of each row's repetitions, with their lowest and highest slices/s.
void printRatios() {
    const struct {
        const char* ours;
        const char* reference;
    } pairs[] = {
        {"LoadScannerCt", "DcmtkReadScannerCt"},
        {"LoadScannerCtJpegLs", "DcmtkReadScannerCtJpegLs"},
        {"LoadSigned", "DcmtkReadSigned"},
        {"LoadSignedJpegLossless", "DcmtkReadSignedJpegLossless"},
    };
    for (const auto& pair : pairs) {
        const auto ours = rates().find(pair.ours);
        const auto reference = rates().find(pair.reference);
        if (ours == rates().end() || reference == rates().end()) {
            continue;
        }
        const double ourRate = median(ours->second);
        const double referenceRate = median(reference->second);
        std::printf("%-24s %6.0f slices/s (%.0f-%.0f) %5.0f us/slice %5.0f us CPU/slice  DCMTK "
                    "%6.0f slices/s (%.0f-%.0f) %5.0f us/slice %5.0f us CPU/slice  ratio %.2f\n",
                    pair.ours, ourRate, *std::min_element(ours->second.begin(), ours->second.end()),
                    *std::max_element(ours->second.begin(), ours->second.end()), 1e6 / ourRate,
                    median(cpuPerSlice()[pair.ours]), referenceRate,
                    *std::min_element(reference->second.begin(), reference->second.end()),
                    *std::max_element(reference->second.begin(), reference->second.end()),
                    1e6 / referenceRate, median(cpuPerSlice()[pair.reference]),
                    ourRate / referenceRate);
    }
}

void ReopenFromVoxelCache(benchmark::State& state) {
    const Series& series = scannerCt();
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
    const Series& series = scannerCt();
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
    const bvtest::TempDir writable("bvbench");
    writable.useAsWritablePath();
    cocos2d::Director::getInstance();
    NSUI::NSNotificationCenter::getInstance();
    // Past the notification centre's start-up delay.
    for (int i = 0; i < 4; ++i) {
        cocos2d::Director::getInstance()->mainLoop(0.2f);
    }
    DJDecoderRegistration::registerCodecs();
    DJLSDecoderRegistration::registerCodecs();
    benchmark::Initialize(&argc, argv);
    benchsupport::addLoadContext();
    benchmark::RunSpecifiedBenchmarks();
    printRatios();
    benchsupport::printLoadAtEnd();
    benchmark::Shutdown();
    return 0;
}
