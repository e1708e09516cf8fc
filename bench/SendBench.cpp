// Sending a series to a peer: 200 uncompressed CT slices of 512 x 512 from one folder to DCMTK's
// storescp on loopback, through the program's sender (one association, C-STORE per file, the
// progress event per file), beside DCMTK's storescu sending the same folder to the same storescp
// in the same run. Files per second of each, and the ratio at the end.
#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "dcmsdk/DcmCallbacks.h"
#include "dcmsdk/DcmEvents.h"
#include "dcmsdk/dcmSender.h"
#include "tests/support/bench/MachineLoad.h"
#include "tests/support/lib/ChildProcess.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/LoopbackPort.h"
#include "tests/support/lib/TempDir.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 200;
constexpr int kSide = 512;

std::string& workFolder() {
    static std::string folder;
    return folder;
}

const std::string& sourceFolder() {
    static const std::string folder = [] {
        const std::string path = workFolder() + "source/";
        fs::create_directories(path);
        bvtest::DicomFixture fixture;
        fixture.rows = kSide;
        fixture.columns = kSide;
        fixture.pixels = bvtest::DicomFixture::Pixels::S16;
        fixture.writeSeries(path, kFiles, 1.25);
        return path;
    }();
    return folder;
}

// storescp writing every file it receives; started once, shared by both rows.
int peerPort() {
    static bvtest::ChildProcess server;
    static const int port = [] {
        const std::string output = workFolder() + "received/";
        fs::create_directories(output);
        const int free = bvtest::freeLoopbackPort();
        if (!server.start({"storescp", "-od", output, std::to_string(free)},
                          workFolder() + "storescp.log") ||
            !bvtest::waitForLoopbackPort(free)) {
            return 0;
        }
        return free;
    }();
    return port;
}

// Files per second of each row, for the ratio printed at the end.
double& rate(const std::string& row) {
    static std::map<std::string, double> rates;
    return rates[row];
}

// The sender's end of task: done, failed, or still running.
struct SendOutcome {
    std::mutex mutex;
    std::condition_variable changed;
    unsigned int type = dcmSDK::kEventSendFailed;
    bool ended = false;
};

SendOutcome& outcome() {
    static SendOutcome shared;
    return shared;
}

void onEvent(unsigned int type, const char*) {
    if (type != dcmSDK::kEventSendDone && type != dcmSDK::kEventSendFailed) {
        return;
    }
    SendOutcome& o = outcome();
    {
        std::lock_guard<std::mutex> lock(o.mutex);
        o.type = type;
        o.ended = true;
    }
    o.changed.notify_all();
}

void SendWithOurSender(benchmark::State& state) {
    const std::string& source = sourceFolder();
    const int port = peerPort();
    if (port == 0) {
        state.SkipWithError("storescp did not start");
        return;
    }
    dcmSDK::setMsgCallback(onEvent);
    dcmSDK::dcmSender sender;
    sender.setIP("127.0.0.1", std::to_string(port).c_str());
    int task = 0;
    double total = 0.0;
    for (auto _ : state) {
        SendOutcome& o = outcome();
        {
            std::lock_guard<std::mutex> lock(o.mutex);
            o.ended = false;
        }
        const auto start = std::chrono::steady_clock::now();
        if (!sender.send(++task, source.c_str())) {
            state.SkipWithError("the sender was busy");
            break;
        }
        std::unique_lock<std::mutex> lock(o.mutex);
        o.changed.wait(lock, [&o] { return o.ended; });
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (o.type != dcmSDK::kEventSendDone) {
            state.SkipWithError("the send failed");
            break;
        }
        state.SetIterationTime(seconds);
        total += seconds;
    }
    sender.stopping = true;
    sender.stopThreads();
    dcmSDK::setMsgCallback(nullptr);
    state.counters["files/s"] =
        benchmark::Counter(double(state.iterations()) * kFiles, benchmark::Counter::kIsRate);
    rate("sender") = total > 0.0 ? double(state.iterations()) * kFiles / total : 0.0;
}

void StorescuSend(benchmark::State& state) {
    const std::string& source = sourceFolder();
    const int port = peerPort();
    if (port == 0) {
        state.SkipWithError("storescp did not start");
        return;
    }
    double total = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int code = bvtest::ChildProcess::run(
            {"storescu", "+sd", "127.0.0.1", std::to_string(port), source},
            workFolder() + "storescu.log");
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (code != 0) {
            state.SkipWithError("storescu failed");
            break;
        }
        state.SetIterationTime(seconds);
        total += seconds;
    }
    state.counters["files/s"] =
        benchmark::Counter(double(state.iterations()) * kFiles, benchmark::Counter::kIsRate);
    rate("storescu") = total > 0.0 ? double(state.iterations()) * kFiles / total : 0.0;
}

BENCHMARK(SendWithOurSender)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(StorescuSend)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    const bvtest::TempDir work("bvbench");
    workFolder() = work.str();
    work.useAsWritablePath("writable");
    benchmark::Initialize(&argc, argv);
    benchsupport::addLoadContext();
    benchmark::RunSpecifiedBenchmarks();
    if (rate("sender") > 0.0 && rate("storescu") > 0.0) {
        std::printf("send %.0f files/s  storescu %.0f files/s  ratio %.2f\n", rate("sender"),
                    rate("storescu"), rate("sender") / rate("storescu"));
    }
    benchsupport::printLoadAtEnd();
    benchmark::Shutdown();
    return 0;
}
