// Receiving under load: 8 storescu processes send 2,000 files at once, first to DCMTK's storescp
// (the reference, writing files only, one forked process per association as a production
// storescp runs), then to the task service's node, which also files every
// image into the study database. Both figures are files per second of the same run.
#include "engine/base/Director.h"
#include "studydb/LibraryCallbacks.h"
#include "studydb/LocalNetwork.h"
#include "studydb/dataService.h"
#include "studydb/dicomDB.h"
#include "studydb/sniffer.h"
#include "tests/support/bench/MachineLoad.h"
#include "tests/support/lib/ChildProcess.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/LoopbackPort.h"
#include "tests/support/lib/TempDir.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/UILocalConfig.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

const int kSenders = 8;
const int kFiles = 2000;

std::string& workFolder() {
    static std::string folder;
    return folder;
}

// Starts a DCMTK tool with Nagle's algorithm off; its output goes to the log.
bvtest::ChildProcess spawn(const std::vector<std::string>& arguments) {
    bvtest::ChildProcess process;
    process.start(arguments, workFolder() + "tools.log", bvtest::ChildProcess::LogMode::Append);
    return process;
}

// 2,000 small CT slices in 8 folders, one per sender, 4 patients with 2 series each.
const std::string& sourceFolder() {
    static const std::string folder = [] {
        const std::string root = workFolder() + "source/";
        for (int sender = 0; sender < kSenders; ++sender) {
            bvtest::DicomFixture fixture;
            fixture.rows = 64;
            fixture.columns = 64;
            fixture.patientName = "Load^" + std::to_string(sender / 2);
            fixture.patientID = "L" + std::to_string(sender / 2);
            fixture.studyInstanceUID = "1.2.826.0.1.3680043.9.50." + std::to_string(sender / 2);
            fixture.seriesInstanceUID = fixture.studyInstanceUID + "." + std::to_string(sender);
            const std::string folder = root + std::to_string(sender) + "/";
            fs::create_directories(folder);
            fixture.writeSeries(folder, kFiles / kSenders, 1.0);
        }
        return root;
    }();
    return folder;
}

std::vector<bvtest::ChildProcess> startSenders(int port) {
    std::vector<bvtest::ChildProcess> senders;
    for (int sender = 0; sender < kSenders; ++sender) {
        senders.push_back(spawn({"storescu", "-aec", "rivodavo", "+sd", "127.0.0.1",
                                 std::to_string(port), sourceFolder() + std::to_string(sender)}));
    }
    return senders;
}

std::size_t countFiles(const std::string& folder) {
    std::size_t count = 0;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(folder, error)) {
        count += entry.is_regular_file() ? 1 : 0;
    }
    return count;
}

void BM_StorescpReceive(benchmark::State& state) {
    sourceFolder();
    for (auto _ : state) {
        const std::string output = workFolder() + "storescp/";
        fs::remove_all(output);
        fs::create_directories(output);
        const int port = bvtest::freeLoopbackPort();
        bvtest::ChildProcess server =
            spawn({"storescp", "--fork", "-od", output, std::to_string(port)});
        if (!server.running() || !bvtest::waitForLoopbackPort(port)) {
            state.SkipWithError("storescp did not start");
            return;
        }
        const auto start = std::chrono::steady_clock::now();
        bool clean = true;
        for (bvtest::ChildProcess& sender : startSenders(port)) {
            clean = sender.wait() == 0 && clean;
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        server.stop();
        if (!clean || countFiles(output) != static_cast<std::size_t>(kFiles)) {
            state.SkipWithError("storescp did not receive every file");
            return;
        }
        state.SetIterationTime(seconds);
        state.counters["files_per_second"] = kFiles / seconds;
    }
}

std::size_t imageRows(dicomDB* db) {
    std::lock_guard<std::recursive_mutex> guard(db->getLock());
    NSUI::NSDBDataModel rows;
    db->getConnection().getRecords("select count() from image", &rows);
    return rows.getRowCount() > 0 ? std::strtoul(rows.getValue(0, 0).c_str(), nullptr, 10) : 0;
}

void BM_NodeReceiveAndFile(benchmark::State& state) {
    sourceFolder();
    studydb::LocalNetwork::Source offline;
    offline.info = [](std::string& host, std::string& addresses) {
        host = "bench";
        addresses.clear();
    };
    offline.subnetAddresses = [](std::vector<std::string>& addresses) { addresses.clear(); };
    offline.hasColon = [] { return false; };
    studydb::LocalNetwork::setSource(offline);
    registerDcmCallbacks();
    NSUI::NSNotificationCenter::getInstance();
    cocos2d::Director* director = cocos2d::Director::getInstance();
    for (auto _ : state) {
        const std::string storage = workFolder() + "node/";
        fs::remove_all(storage);
        NSUI::setEncodedUserDefault("app_dicom_path", storage);
        const int port = bvtest::freeLoopbackPort();
        dicomDB::setNodePort(std::to_string(port));
        NSUI::sniffer::setDefaultPorts(0, 0);
        dataService* service = dataService::getInstance();
        dicomDB* db = service->getDatabase();
        const auto start = std::chrono::steady_clock::now();
        std::vector<bvtest::ChildProcess> senders = startSenders(port);
        bool clean = true;
        double sendSeconds = 0.0;
        const auto deadline = start + std::chrono::minutes(5);
        while ((!senders.empty() || imageRows(db) < static_cast<std::size_t>(kFiles)) &&
               std::chrono::steady_clock::now() < deadline) {
            director->mainLoop(1.0f / 60.0f);
            for (auto it = senders.begin(); it != senders.end();) {
                if (it->finished()) {
                    clean = clean && it->exitCode() == 0;
                    it = senders.erase(it);
                    sendSeconds =
                        std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
                            .count();
                } else {
                    ++it;
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const std::size_t filed = imageRows(db);
        for (bvtest::ChildProcess& sender : senders) {
            sender.kill();
        }
        dataService::destroyInstance();
        NSUI::sniffer::stop();
        NSUI::setEncodedUserDefault("app_dicom_path", "");
        if (!clean || filed != static_cast<std::size_t>(kFiles)) {
            state.SkipWithError("the node did not file every image");
            return;
        }
        state.SetIterationTime(seconds);
        state.counters["files_per_second"] = kFiles / seconds;
        state.counters["received_per_second"] = kFiles / sendSeconds;
    }
}

BENCHMARK(BM_StorescpReceive)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NodeReceiveAndFile)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const bvtest::TempDir work("bvbench");
    workFolder() = work.str();
    work.useAsWritablePath("writable");
    benchmark::Initialize(&argc, argv);
    benchsupport::addLoadContext();
    benchmark::RunSpecifiedBenchmarks();
    benchsupport::printLoadAtEnd();
    benchmark::Shutdown();
    return 0;
}
