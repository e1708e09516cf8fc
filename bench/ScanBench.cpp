// Folder scan of 1,000 files of 512 x 512 signed 16-bit pixels, page cache warm: files per second
// through the scan (tags only, four threads), next to the same files read end to end with plain
// reads.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "imagesdk/io/FolderBuffer.h"
#include "imagesdk/io/isDcmScan.h"
#include "tests/support/bench/MachineLoad.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/TempDir.h"
#include "toolkit/core/NSNotificationCenter.h"

namespace {

constexpr int kFiles = 1000;

struct ScanFolder {
    std::string path;
    std::vector<std::string> files;
};

const ScanFolder& scanFolder() {
    static const ScanFolder folder = [] {
        ScanFolder made;
        made.path = cocos2d::FileUtils::getInstance()->getWritablePath() + "scan/";
        std::filesystem::create_directories(made.path);
        isImageSDK::getFolderBufferPath(made.path);
        bvtest::DicomFixture fixture;
        fixture.rows = 512;
        fixture.columns = 512;
        fixture.pixels = bvtest::DicomFixture::Pixels::S16;
        fixture.writeRescale = true;
        fixture.rescaleIntercept = -1024.0;
        made.files = fixture.writeSeries(made.path, kFiles, 1.25);
        return made;
    }();
    return folder;
}

void PlainReadOfEveryFile(benchmark::State& state) {
    const ScanFolder& folder = scanFolder();
    std::vector<char> buffer(1 << 20);
    std::size_t bytes = 0;
    for (auto _ : state) {
        for (const std::string& file : folder.files) {
            const int fd = ::open(file.c_str(), O_RDONLY);
            ssize_t got = 0;
            while ((got = ::read(fd, buffer.data(), buffer.size())) > 0) {
                bytes += static_cast<std::size_t>(got);
            }
            ::close(fd);
        }
    }
    benchmark::DoNotOptimize(bytes);
    state.counters["files/s"] = benchmark::Counter(
        double(state.iterations()) * double(folder.files.size()), benchmark::Counter::kIsRate);
}
BENCHMARK(PlainReadOfEveryFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void FolderScan(benchmark::State& state) {
    const ScanFolder& folder = scanFolder();
    for (auto _ : state) {
        isImageSDK::isDcmScan scanner;
        scanner.createBuffer(folder.path);
    }
    if (!isImageSDK::isPrebinValid(isImageSDK::getFolderPrebinPath(folder.path))) {
        state.SkipWithError("the scan wrote no cache");
    }
    state.counters["files/s"] = benchmark::Counter(
        double(state.iterations()) * double(folder.files.size()), benchmark::Counter::kIsRate);
}
BENCHMARK(FolderScan)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    const bvtest::TempDir writable("bvbench");
    writable.useAsWritablePath();
    cocos2d::Director::getInstance();
    NSUI::NSNotificationCenter::getInstance();
    benchmark::Initialize(&argc, argv);
    benchsupport::addLoadContext();
    benchmark::RunSpecifiedBenchmarks();
    benchsupport::printLoadAtEnd();
    benchmark::Shutdown();
    return 0;
}
