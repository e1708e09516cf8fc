#include "dcmsdk/dcmServer.h"

#include "LibraryEvents.h"
#include "PeerProcess.h"
#include "dcmsdk/DcmNames.h"
#include "dcmsdk/DcmNetwork.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/TempDir.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

using bvtest::DicomFixture;
using bvtest::LibraryEvents;
using bvtest::PeerProcess;

namespace {

std::vector<std::string> filesUnder(const std::filesystem::path& root) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files.push_back(std::filesystem::relative(entry.path(), root).string());
        }
    }
    return files;
}

// A running node on a free port with its storage folder, and the events it raised.
class NodeTest : public ::testing::Test {
protected:
    void SetUp() override {
        LibraryEvents::install();
        root_ = (storage_ / "dicom").string() + "/";
        std::filesystem::create_directories(root_);
        port_ = PeerProcess::freePort();
        server_.setRoot(root_.c_str());
        server_.setPort("localhost", std::to_string(port_).c_str(), "rivodavo");
        ASSERT_TRUE(server_.BeginDicomServer());
    }

    int storescu(const std::vector<std::string>& files, std::vector<std::string> options = {}) {
        std::vector<std::string> arguments = {"storescu", "-aec", "rivodavo", "+sd", "-R"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back("127.0.0.1");
        arguments.push_back(std::to_string(port_));
        arguments.insert(arguments.end(), files.begin(), files.end());
        std::string output;
        const int code = PeerProcess::run(arguments, output);
        last_output_ = output;
        return code;
    }

    // Files stored below the root, leaving out the partial-file folder.
    std::vector<std::string> stored() const {
        std::vector<std::string> files;
        for (const std::string& file : filesUnder(root_)) {
            if (file.rfind(".incoming", 0) != 0) {
                files.push_back(file);
            }
        }
        return files;
    }

    bvtest::TempDir storage_;
    bvtest::TempDir sources_;
    std::string root_;
    int port_ = 0;
    dcmSDK::dcmServer server_;
    std::string last_output_;
};

}  // namespace

TEST_F(NodeTest, AnswersVerificationAndStopsAndStartsAgain) {
    std::string output;
    EXPECT_EQ(PeerProcess::run({"echoscu", "127.0.0.1", std::to_string(port_)}, output), 0)
        << output;
    EXPECT_TRUE(server_.isRunning());
    server_.StopDicomServer();
    EXPECT_FALSE(server_.isRunning());
    EXPECT_NE(PeerProcess::run({"echoscu", "-to", "5", "127.0.0.1", std::to_string(port_)}, output),
              0);
    ASSERT_TRUE(server_.BeginDicomServer());
    EXPECT_EQ(PeerProcess::run({"echoscu", "127.0.0.1", std::to_string(port_)}, output), 0)
        << output;
}

TEST_F(NodeTest, StoresEveryTransferSyntaxOnceWithItsRecord) {
    // storescu proposes a compressed syntax only when told which one.
    const struct {
        E_TransferSyntax syntax;
        const char* option;
    } syntaxes[] = {{EXS_LittleEndianExplicit, "-xe"}, {EXS_LittleEndianImplicit, "-xi"},
                    {EXS_JPEGProcess14SV1, "-xs"},     {EXS_JPEGLSLossless, "-xt"},
                    {EXS_RLELossless, "-xr"},          {EXS_DeflatedLittleEndianExplicit, "-xd"}};
    std::vector<std::string> files;
    DicomFixture fixture;
    fixture.studyInstanceUID = "1.2.3.4";
    fixture.seriesInstanceUID = "1.2.3.4.5";
    fixture.patientName = "O'Brien, \"Pat\"^Jo";
    int instance = 1;
    for (const auto& c : syntaxes) {
        fixture.transferSyntax = c.syntax;
        fixture.instanceNumber = instance;
        fixture.sopInstanceUID = "1.2.3.4.5." + std::to_string(instance);
        const std::string path = (sources_ / ("f" + std::to_string(instance) + ".dcm")).string();
        ASSERT_TRUE(fixture.write(path));
        files.push_back(path);
        EXPECT_EQ(storescu({path}, {c.option}), 0) << c.option << ": " << last_output_;
        ++instance;
    }
    ASSERT_TRUE(LibraryEvents::waitForCount(3, files.size()));

    const std::vector<LibraryEvents::Event> records = LibraryEvents::ofType(3);
    ASSERT_EQ(records.size(), files.size());
    const std::string folder =
        dcmSDK::DcmNames::seriesFolder(fixture.patientName, "ID0001", "1.2.3.4", "1.2.3.4.5");
    for (const auto& event : records) {
        EXPECT_EQ(std::string(event.record.SeriesFolder), folder + "/");
        EXPECT_STREQ(event.record.PatientName, "O'Brien, \"Pat\"^Jo");
        EXPECT_STREQ(event.record.StudyInstanceUID, "1.2.3.4");
        EXPECT_STREQ(event.record.Modality, "CT");
        EXPECT_TRUE(
            std::filesystem::exists(root_ + event.record.SeriesFolder + event.record.FileName));
        EXPECT_EQ(std::string(event.record.FileName), event.record.SOPInstanceUID);
    }
    EXPECT_EQ(stored().size(), files.size());
}

TEST_F(NodeTest, ServesSeveralSendersAtOnceWithEachFileStoredOnce) {
    const int senders = 4;
    const int perSender = 15;
    std::vector<std::vector<std::string>> batches(senders);
    DicomFixture fixture;
    for (int s = 0; s < senders; ++s) {
        fixture.seriesInstanceUID = "1.9." + std::to_string(s + 1);
        for (int i = 0; i < perSender; ++i) {
            fixture.sopInstanceUID = fixture.seriesInstanceUID + "." + std::to_string(i + 1);
            const std::string path =
                (sources_ / (std::to_string(s) + "-" + std::to_string(i) + ".dcm")).string();
            ASSERT_TRUE(fixture.write(path));
            batches[s].push_back(path);
        }
    }
    std::vector<std::unique_ptr<PeerProcess>> processes;
    for (int s = 0; s < senders; ++s) {
        std::vector<std::string> arguments = {"storescu", "-aec", "rivodavo", "127.0.0.1",
                                              std::to_string(port_)};
        arguments.insert(arguments.end(), batches[s].begin(), batches[s].end());
        processes.push_back(std::make_unique<PeerProcess>());
        ASSERT_TRUE(
            processes.back()->start(arguments, (sources_ / ("log" + std::to_string(s))).string()));
    }
    for (auto& process : processes) {
        EXPECT_EQ(process->wait(), 0);
    }
    ASSERT_TRUE(LibraryEvents::waitForCount(3, senders * perSender));
    std::map<std::string, int> seen;
    for (const auto& event : LibraryEvents::ofType(3)) {
        ++seen[event.record.SOPInstanceUID];
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(senders * perSender));
    for (const auto& entry : seen) {
        EXPECT_EQ(entry.second, 1) << entry.first;
    }
    EXPECT_EQ(stored().size(), static_cast<std::size_t>(senders * perSender));
}

TEST_F(NodeTest, RefusesObjectsWithUnusableUidsAndStoresNothingForThem) {
    const struct {
        const char* name;
        std::string sop;
        std::string study;
        std::string series;
    } cases[] = {
        {"path in SOP UID", "../x", "1.2", "1.2.3"},
        {"letters in study UID", "1.2.3.4", "1.2.abc", "1.2.3"},
        {"series UID too long", "1.2.3.5", "1.2", "1." + std::string(70, '2')},
        {"empty component", "1..2", "1.2", "1.2.3"},
    };
    for (const auto& c : cases) {
        DicomFixture fixture;
        fixture.sopInstanceUID = c.sop;
        fixture.studyInstanceUID = c.study;
        fixture.seriesInstanceUID = c.series;
        const std::string path = (sources_ / "bad.dcm").string();
        ASSERT_TRUE(fixture.write(path)) << c.name;
        EXPECT_NE(storescu({path}), 0) << c.name << ": " << last_output_;
    }
    DicomFixture good;
    good.sopInstanceUID = "1.2.3.99";
    const std::string path = (sources_ / "good.dcm").string();
    ASSERT_TRUE(good.write(path));
    ASSERT_EQ(storescu({path}), 0) << last_output_;
    ASSERT_TRUE(LibraryEvents::waitForCount(3, 1));
    EXPECT_EQ(LibraryEvents::ofType(3).size(), 1u);
    const std::vector<std::string> files = stored();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(std::filesystem::path(files[0]).filename().string(), "1.2.3.99");
    EXPECT_TRUE(filesUnder(storage_.path() / "dicom" / ".incoming").empty());
    EXPECT_EQ(filesUnder(storage_.path()).size(), 1u);
}

TEST(dcmServer, FolderOfASeriesIsThreeSafeLevelsAndStable) {
    char buffer[1024];
    ASSERT_TRUE(dcmSDK::dcmServer::getDicomFolder("../../etc", "a/b", "1.2.3", "../x", buffer));
    const std::string folder = buffer;
    EXPECT_EQ(folder.find(".."), std::string::npos);
    EXPECT_EQ(std::count(folder.begin(), folder.end(), '/'), 2);
    EXPECT_EQ(folder.substr(folder.find('/') + 1, 6), "1.2.3/");
    EXPECT_NE(folder.back(), '/');
    char again[1024];
    dcmSDK::dcmServer::getDicomFolder("../../etc", "a/b", "1.2.3", "../x", again);
    EXPECT_STREQ(buffer, again);
    dcmSDK::dcmServer::getDicomFolder("../../et", "ca/b", "1.2.3", "../x", again);
    EXPECT_STRNE(buffer, again);
}
