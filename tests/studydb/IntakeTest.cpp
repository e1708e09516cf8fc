#include "ServiceFixture.h"
#include "studydb/StudyNotifications.h"
#include "tests/support/lib/ChildProcess.h"
#include "tests/support/lib/DicomFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

namespace fs = std::filesystem;
using bvtest::ChildProcess;
using studydbtest::KeyRecorder;
using studydbtest::ServiceTest;

namespace {

struct SentSeries {
    std::string patientName;
    std::string patientID;
    E_TransferSyntax syntax;
    const char* proposal;  // storescu's option for that transfer syntax
};

}  // namespace

// Files sent by DCMTK's storescu reach the node, the disk and the database exactly once, also
// when they come again and over several associations at once.
TEST_F(ServiceTest, ReceivedFilesAreFiledExactlyOnce) {
    bvtest::TempDir source;
    const std::vector<SentSeries> sent = {
        {"Doe^Jane", "P1", EXS_LittleEndianExplicit, "-xe"},
        {"O\"Hara^name", "P\"2", EXS_LittleEndianImplicit, "-xi"},
        {"name", "name", EXS_JPEGProcess14SV1, "-xs"},
    };
    const int perSeries = 6;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        bvtest::DicomFixture fixture;
        fixture.patientName = sent[i].patientName;
        fixture.patientID = sent[i].patientID;
        fixture.transferSyntax = sent[i].syntax;
        fixture.studyInstanceUID = "1.2.826.0.1.3680043.9.1." + std::to_string(i);
        fixture.seriesInstanceUID = fixture.studyInstanceUID + ".1";
        const std::string folder = (source / std::to_string(i)).string() + "/";
        fs::create_directories(folder);
        for (const std::string& file : fixture.writeSeries(folder, perSeries, 1.0)) {
            files.push_back(file);
        }
    }
    KeyRecorder announced(studydb::NOTIFY_DB_PATIENTS_READY);
    const std::string log = source.str() + "storescu.log";
    std::vector<std::unique_ptr<ChildProcess>> senders;
    for (int copy = 0; copy < 2; ++copy) {
        for (std::size_t i = 0; i < sent.size(); ++i) {
            auto process = std::make_unique<ChildProcess>();
            ASSERT_TRUE(process->start({"storescu", "-aec", "rivodavo", sent[i].proposal, "+sd",
                                        "-R", "127.0.0.1", std::to_string(port_),
                                        source.str() + std::to_string(i)},
                                       log, ChildProcess::LogMode::Append));
            senders.push_back(std::move(process));
        }
    }
    ASSERT_TRUE(studydbtest::pumpUntil(
        [&] {
            for (auto& process : senders) {
                if (!process->finished()) {
                    return false;
                }
            }
            return true;
        },
        120.0));
    for (auto& process : senders) {
        ASSERT_EQ(process->wait(), 0) << "see " << log;
    }
    ASSERT_TRUE(studydbtest::pumpUntil(
        [&] { return rows("select ID from image").size() >= files.size(); }, 120.0));
    studydbtest::pumpFrames(20);

    const auto images =
        rows("select imageUID, file, path from image, series where image.seriesID=series.ID");
    ASSERT_EQ(images.size(), files.size());
    std::set<std::string> uids;
    for (const auto& image : images) {
        uids.insert(image[0]);
        EXPECT_TRUE(fs::is_regular_file(root() + image[2] + image[1])) << image[2] + image[1];
    }
    EXPECT_EQ(uids.size(), files.size());
    const auto patients = rows("select name, patientIDHospital from patient order by ID");
    ASSERT_EQ(patients.size(), sent.size());
    std::set<std::string> names;
    for (const auto& patient : patients) {
        names.insert(patient[0] + "|" + patient[1]);
    }
    for (const SentSeries& series : sent) {
        EXPECT_EQ(names.count(series.patientName + "|" + series.patientID), 1u)
            << series.patientName;
    }
    // One announcement per stored image; copies are known and announce nothing.
    ASSERT_TRUE(
        studydbtest::pumpUntil([&] { return announced.texts.size() >= files.size(); }, 60.0));
    studydbtest::pumpFrames(8);
    EXPECT_EQ(announced.texts.size(), files.size());
}
