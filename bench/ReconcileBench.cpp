// Start-up after an unclean exit: the study library compares its storage folder with its image
// rows before the node takes new files. Measured with 10,000 stored files that all have their
// rows, beside a plain walk of the same folder tree in the same run.
#include "dcmsdk/dcmServer.h"
#include "studydb/LocalNetwork.h"
#include "studydb/StoreReconciler.h"
#include "studydb/dicomDB.h"
#include "tests/support/bench/MachineLoad.h"
#include "tests/support/lib/DicomFixture.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/UILocalConfig.h"

#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const int kPatients = 20;
const int kSeriesPerPatient = 5;
const int kFilesPerSeries = 100;
const int kFiles = kPatients * kSeriesPerPatient * kFilesPerSeries;

std::string& workFolder() {
    static std::string folder;
    return folder;
}

int freePort() {
    const int socketId = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int port = 0;
    if (bind(socketId, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
        socklen_t length = sizeof(address);
        getsockname(socketId, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    close(socketId);
    return port;
}

// A library whose storage folder holds kFiles small CT slices, every one filed.
dicomDB* library() {
    static dicomDB* db = [] {
        studydb::LocalNetwork::Source offline;
        offline.info = [](std::string& host, std::string& addresses) {
            host = "bench";
            addresses.clear();
        };
        offline.subnetAddresses = [](std::vector<std::string>& addresses) { addresses.clear(); };
        offline.hasColon = [] { return false; };
        studydb::LocalNetwork::setSource(offline);
        NSUI::NSNotificationCenter::getInstance();
        const std::string root = workFolder() + "dicom/";
        NSUI::setEncodedUserDefault("app_dicom_path", root);
        dicomDB::setNodePort(std::to_string(freePort()));
        for (int patient = 0; patient < kPatients; ++patient) {
            bvtest::DicomFixture fixture;
            fixture.rows = 8;
            fixture.columns = 8;
            fixture.patientName = "Bench^" + std::to_string(patient);
            fixture.patientID = "B" + std::to_string(patient);
            fixture.studyInstanceUID = "1.2.826.0.1.3680043.9.80." + std::to_string(patient);
            for (int series = 0; series < kSeriesPerPatient; ++series) {
                fixture.seriesInstanceUID =
                    fixture.studyInstanceUID + "." + std::to_string(series + 1);
                char folder[1024];
                dcmSDK::dcmServer::getDicomFolder(
                    fixture.patientName.c_str(), fixture.patientID.c_str(),
                    fixture.studyInstanceUID.c_str(), fixture.seriesInstanceUID.c_str(), folder);
                fs::create_directories(root + folder);
                for (int file = 0; file < kFilesPerSeries; ++file) {
                    fixture.sopInstanceUID =
                        fixture.seriesInstanceUID + "." + std::to_string(file + 1);
                    fixture.instanceNumber = file + 1;
                    fixture.write(root + folder + "/" + fixture.sopInstanceUID);
                }
            }
        }
        auto* opened = new dicomDB();
        opened->init();
        // Files them all: from here on nothing is missing.
        studydb::StoreReconciler::reconcile(*opened, dcmSDK::LanguageType::ENGLISH);
        return opened;
    }();
    return db;
}

void BM_DirectoryWalk(benchmark::State& state) {
    const std::string root = library()->getDicomRoot();
    for (auto _ : state) {
        int files = 0;
        std::error_code error;
        for (fs::recursive_directory_iterator it(root, error), end; !error && it != end;
             it.increment(error)) {
            files += it->is_regular_file(error) ? 1 : 0;
        }
        benchmark::DoNotOptimize(files);
    }
    state.counters["files"] = kFiles;
}

void BM_ReconcileNothingMissing(benchmark::State& state) {
    dicomDB* db = library();
    for (auto _ : state) {
        const auto outcome =
            studydb::StoreReconciler::reconcile(*db, dcmSDK::LanguageType::ENGLISH);
        if (outcome.filed != 0 || outcome.unreadable != 0) {
            state.SkipWithError("the library was not complete");
            return;
        }
    }
    state.counters["files"] = kFiles;
}

BENCHMARK(BM_DirectoryWalk)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReconcileNothingMissing)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    std::string pattern = (fs::temp_directory_path() / "bvbench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        return 2;
    }
    workFolder() = pattern + "/";
    setenv("BRIMVALE_WRITABLE_PATH", (workFolder() + "writable/").c_str(), 1);
    benchmark::Initialize(&argc, argv);
    benchsupport::addLoadContext();
    benchmark::RunSpecifiedBenchmarks();
    benchsupport::printLoadAtEnd();
    benchmark::Shutdown();
    library()->shutdown();
    library()->release();
    NSUI::setEncodedUserDefault("app_dicom_path", "");
    std::error_code ignored;
    fs::remove_all(pattern, ignored);
    return 0;
}
