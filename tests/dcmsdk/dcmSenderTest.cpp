#include "dcmsdk/dcmSender.h"

#include "LibraryEvents.h"
#include "OrthancPeer.h"
#include "dcmsdk/DcmLibrary.h"
#include "dcmsdk/DcmNetwork.h"
#include "tests/support/lib/ChildProcess.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/LoopbackPort.h"
#include "tests/support/lib/TempDir.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcxfer.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using bvtest::ChildProcess;
using bvtest::DicomFixture;
using bvtest::LibraryEvents;

namespace {

// A folder of a series in several transfer syntaxes, with a sub-folder and files that are not
// DICOM (caches and thumbnails lie beside the images in the storage folder).
std::vector<std::string> writeSeries(const bvtest::TempDir& dir, const std::string& seriesUid) {
    const E_TransferSyntax syntaxes[] = {EXS_LittleEndianExplicit, EXS_JPEGLSLossless,
                                         EXS_LittleEndianImplicit, EXS_RLELossless};
    std::vector<std::string> uids;
    DicomFixture fixture;
    fixture.studyInstanceUID = "1.5.6";
    fixture.seriesInstanceUID = seriesUid;
    std::filesystem::create_directories(dir / "series" / "nested");
    for (int i = 0; i < 4; ++i) {
        fixture.transferSyntax = syntaxes[i];
        fixture.sopInstanceUID = seriesUid + "." + std::to_string(i + 1);
        const std::string folder = i % 2 == 0 ? "series/" : "series/nested/";
        EXPECT_TRUE(fixture.write((dir / (folder + std::to_string(i) + ".dcm")).string()));
        uids.push_back(fixture.sopInstanceUID);
    }
    std::ofstream(dir / "series" / "thrumb0") << "not DICOM";
    std::ofstream(dir / "series" / "cache.prebin") << "not DICOM either";
    return uids;
}

int taskOf(const std::string& json) {
    const std::size_t at = json.find("\"taskID\":\"");
    return at == std::string::npos ? -1 : std::atoi(json.c_str() + at + 10);
}

void expectSendEvents(int taskId, std::size_t files, unsigned int last) {
    ASSERT_TRUE(LibraryEvents::waitFor([](const std::vector<LibraryEvents::Event>& events) {
        return std::any_of(events.begin(), events.end(),
                           [](const auto& e) { return e.type == 1 || e.type == 2; });
    }));
    const std::vector<LibraryEvents::Event> events = LibraryEvents::all();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().type, last);
    std::size_t progress = 0;
    for (const auto& event : events) {
        EXPECT_EQ(taskOf(event.text), taskId) << event.text;
        progress += event.type == 0 ? 1 : 0;
    }
    EXPECT_EQ(progress, files);
    if (files > 0) {
        EXPECT_NE(events[events.size() - 2].text.find("\"value\":\"100.0\""), std::string::npos);
    }
}

// The pixel data of a file decoded to explicit little endian, empty when it cannot be.
std::vector<Uint8> decodedPixels(const std::string& path) {
    DcmFileFormat file;
    if (file.loadFile(path.c_str()).bad()) {
        return {};
    }
    DcmDataset* dataset = file.getDataset();
    const Uint8* pixels = nullptr;
    unsigned long length = 0;
    if (dataset->chooseRepresentation(EXS_LittleEndianExplicit, nullptr).bad() ||
        dataset->findAndGetUint8Array(DCM_PixelData, pixels, &length).bad() || pixels == nullptr) {
        return {};
    }
    return std::vector<Uint8>(pixels, pixels + length);
}

// Sends the folder as task `taskId` to a storescp on loopback that keeps what it receives in
// `received` (its log beside the folder), then checks the task's events as expectSendEvents does.
void sendToStorescp(dcmSDK::dcmSender& sender, const std::filesystem::path& folder,
                    const bvtest::TempDir& received, int taskId, std::size_t files,
                    unsigned int last, const std::vector<std::string>& options = {}) {
    const int port = bvtest::freeLoopbackPort();
    std::vector<std::string> arguments = {"storescp", "-od", received.str()};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back(std::to_string(port));
    ChildProcess storescp;
    ASSERT_TRUE(storescp.start(arguments, (folder.parent_path() / "storescp.log").string()));
    ASSERT_TRUE(bvtest::waitForLoopbackPort(port));
    sender.setIP("127.0.0.1", std::to_string(port).c_str());
    ASSERT_TRUE(sender.send(taskId, folder.c_str()));
    expectSendEvents(taskId, files, last);
}

}  // namespace

TEST(dcmSender, SendsAFolderToStorescpWithProgressPerFile) {
    LibraryEvents::install();
    bvtest::TempDir sources;
    bvtest::TempDir received;
    const std::vector<std::string> uids = writeSeries(sources, "1.5.6.7");
    dcmSDK::dcmSender sender;
    ASSERT_NO_FATAL_FAILURE(
        sendToStorescp(sender, sources / "series", received, 42, uids.size(), 1, {"+xa"}));
    EXPECT_FALSE(sender.isSending());
    std::size_t stored = 0;
    for (const auto& entry : std::filesystem::directory_iterator(received.path())) {
        stored += entry.is_regular_file() ? 1 : 0;
    }
    EXPECT_EQ(stored, uids.size());
}

TEST(dcmSender, SendsToOrthancWhichThenHoldsEveryImage) {
    LibraryEvents::install();
    bvtest::TempDir sources;
    const std::vector<std::string> uids = writeSeries(sources, "1.5.6.8");
    bvtest::OrthancPeer orthanc;
    ASSERT_TRUE(orthanc.start(bvtest::freeLoopbackPort()));
    dcmSDK::DcmNetwork::setDefaultCalledAETitle("ORTHANC");
    dcmSDK::dcmSender sender;
    sender.setIP("127.0.0.1", std::to_string(orthanc.port()).c_str());
    ASSERT_TRUE(sender.send(7, (sources / "series").c_str()));
    expectSendEvents(7, uids.size(), 1);
    std::vector<std::string> held = orthanc.instancesOf("1.5.6", "1.5.6.8");
    std::sort(held.begin(), held.end());
    EXPECT_EQ(held, uids);
}

TEST(dcmSender, ReportsFailureForAnUnreachableNodeOrAFolderWithoutImages) {
    bvtest::TempDir sources;
    writeSeries(sources, "1.5.6.9");
    std::filesystem::create_directories(sources / "empty");
    std::ofstream(sources / "empty" / "notes.txt") << "text";
    const int closedPort = bvtest::freeLoopbackPort();
    for (const std::string& path : {(sources / "series").string(), (sources / "empty").string()}) {
        LibraryEvents::install();
        dcmSDK::dcmSender sender;
        sender.setIP("127.0.0.1", std::to_string(closedPort).c_str());
        ASSERT_TRUE(sender.send(3, path.c_str()));
        expectSendEvents(3, 0, 2);
    }
}

// A peer that accepts only uncompressed syntaxes gets every JPEG lossless file decoded, each
// stored with the pixels the source decodes to.
TEST(dcmSender, DecodesJpegLosslessForAPeerThatAcceptsOnlyUncompressedSyntaxes) {
    dcmSDK::dcmsdk_init();
    LibraryEvents::install();
    bvtest::TempDir sources;
    bvtest::TempDir received;
    std::filesystem::create_directories(sources / "series");
    DicomFixture fixture;
    fixture.studyInstanceUID = "1.5.7";
    fixture.seriesInstanceUID = "1.5.7.1";
    const E_TransferSyntax syntaxes[] = {EXS_JPEGProcess14SV1, EXS_JPEGProcess14,
                                         EXS_JPEGProcess14SV1, EXS_LittleEndianExplicit};
    std::vector<std::string> sourcesByUid(4);
    for (int i = 0; i < 4; ++i) {
        fixture.transferSyntax = syntaxes[i];
        fixture.sopInstanceUID = "1.5.7.1." + std::to_string(i + 1);
        sourcesByUid[i] = (sources / ("series/" + std::to_string(i) + ".dcm")).string();
        ASSERT_TRUE(fixture.write(sourcesByUid[i]));
    }
    dcmSDK::dcmSender sender;
    ASSERT_NO_FATAL_FAILURE(sendToStorescp(sender, sources / "series", received, 5, 4, 1));
    std::size_t matched = 0;
    for (const auto& entry : std::filesystem::directory_iterator(received.path())) {
        DcmFileFormat file;
        ASSERT_TRUE(file.loadFile(entry.path().c_str()).good()) << entry.path();
        OFString uid;
        file.getDataset()->findAndGetOFString(DCM_SOPInstanceUID, uid);
        const std::string prefix = "1.5.7.1.";
        ASSERT_EQ(uid.substr(0, prefix.size()).c_str(), prefix) << uid;
        const std::size_t index = std::stoul(uid.substr(prefix.size()).c_str()) - 1;
        ASSERT_LT(index, sourcesByUid.size());
        const std::vector<Uint8> expected = decodedPixels(sourcesByUid[index]);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(decodedPixels(entry.path().string()), expected) << entry.path();
        ++matched;
    }
    EXPECT_EQ(matched, sourcesByUid.size());
}

// A bad file among good ones fails the run, but every file after it is still sent: one cut off
// inside its pixel data (a damaged image, not a file to pass over), one of a class the peer
// refuses.
TEST(dcmSender, ABadFileInTheMiddleDoesNotStopTheFilesAfterIt) {
    dcmSDK::dcmsdk_init();
    struct Case {
        const char* name;
        std::function<void(DicomFixture&)> prepare;
        std::function<void(const std::string&)> spoil;
    };
    const std::vector<Case> cases = {
        {"cut inside its pixel data", [](DicomFixture&) {},
         [](const std::string& path) {
             std::filesystem::resize_file(path, std::filesystem::file_size(path) - 2000);
         }},
        {"of a class the peer refuses",
         [](DicomFixture& fixture) {
             fixture.customise = [](DcmDataset& dataset) {
                 dataset.putAndInsertString(DCM_SOPClassUID, "1.2.826.0.1.3680043.10.999.1");
             };
         },
         [](const std::string&) {}},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(bad.name);
        LibraryEvents::install();
        bvtest::TempDir sources;
        bvtest::TempDir received;
        std::filesystem::create_directories(sources / "series");
        for (int i = 0; i < 5; ++i) {
            DicomFixture fixture;
            fixture.rows = 64;
            fixture.columns = 64;
            fixture.studyInstanceUID = "1.5.8";
            fixture.seriesInstanceUID = "1.5.8.1";
            fixture.sopInstanceUID = "1.5.8.1." + std::to_string(i + 1);
            if (i == 2) {
                bad.prepare(fixture);
            }
            const std::string path = (sources / ("series/" + std::to_string(i) + ".dcm")).string();
            ASSERT_TRUE(fixture.write(path));
            if (i == 2) {
                bad.spoil(path);
            }
        }
        // A half-written temporary of the node is hidden and is no image of the series.
        const std::filesystem::path temporary = sources / "series" / ".0.dcm.1-1.tmp";
        std::filesystem::copy_file(sources / "series" / "0.dcm", temporary);
        std::filesystem::resize_file(temporary, std::filesystem::file_size(temporary) - 2000);
        dcmSDK::dcmSender sender;
        ASSERT_NO_FATAL_FAILURE(sendToStorescp(sender, sources / "series", received, 9, 5, 2));
        std::vector<std::string> stored;
        for (const auto& entry : std::filesystem::directory_iterator(received.path())) {
            DcmFileFormat file;
            ASSERT_TRUE(file.loadFile(entry.path().c_str()).good()) << entry.path();
            OFString uid;
            file.getDataset()->findAndGetOFString(DCM_SOPInstanceUID, uid);
            stored.push_back(uid.c_str());
        }
        std::sort(stored.begin(), stored.end());
        EXPECT_EQ(stored,
                  (std::vector<std::string>{"1.5.8.1.1", "1.5.8.1.2", "1.5.8.1.4", "1.5.8.1.5"}));
    }
}
