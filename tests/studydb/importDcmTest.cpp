#include "studydb/importDcm.h"

#include "StudyDbFixture.h"
#include "studydb/StudyNotifications.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/SmallDisk.h"
#include "tests/support/lib/TempDir.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using studydbtest::KeyRecorder;
using studydbtest::StudyDbTest;

namespace {

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ImportTest : public StudyDbTest {
protected:
    void SetUp() override {
        StudyDbTest::SetUp();
        importer_ = importDcm::create();
        importer_->retain();
        importer_->setDicomRoot(root());
    }
    void TearDown() override {
        importer_->shutdown();
        importer_->release();
        StudyDbTest::TearDown();
    }

    // Imports and waits until the database holds `images` image rows.
    void importAndWait(const std::string& path, bool move, std::size_t images) {
        importer_->importPath(path, move);
        ASSERT_TRUE(
            studydbtest::pumpUntil([&] { return rows("select ID from image").size() >= images; }));
        studydbtest::pumpFrames(4);
    }

    bvtest::DicomFixture fixture(const std::string& sop) const {
        bvtest::DicomFixture value;
        value.studyInstanceUID = "1.2.826.0.1.3680043.9.3";
        value.seriesInstanceUID = "1.2.826.0.1.3680043.9.3.1";
        value.sopInstanceUID = sop;
        return value;
    }

    importDcm* importer_ = nullptr;
    bvtest::TempDir source_;
};

}  // namespace

TEST_F(ImportTest, NestedFoldersAreImportedAndOtherFilesSkipped) {
    KeyRecorder announced(studydb::NOTIFY_DB_PATIENTS_READY);
    fs::create_directories(source_ / "a" / "b");
    fs::create_directories(source_ / ".hidden");
    ASSERT_TRUE(fixture("1.2.3.1").write((source_ / "top.dcm").string()));
    ASSERT_TRUE(fixture("1.2.3.2").write((source_ / "a" / "b" / "deep.dcm").string()));
    ASSERT_TRUE(fixture("1.2.3.3").write((source_ / ".hidden" / "skip.dcm").string()));
    std::ofstream(source_ / "a" / "notes.txt") << "not dicom";
    std::ofstream(source_ / "a" / "empty.dcm");
    importAndWait(source_.str(), false, 2);
    const auto images = rows("select imageUID, file, path from image, series where "
                             "image.seriesID=series.ID order by imageUID");
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0][1], "1.2.3.1");
    EXPECT_EQ(images[1][1], "1.2.3.2");
    EXPECT_TRUE(fs::is_regular_file(root() + images[1][2] + images[1][1]));
    EXPECT_TRUE(fs::exists(source_ / "top.dcm"));
    // Both are announced, and nothing else is.
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return announced.texts.size() >= 2; }));
    studydbtest::pumpFrames(4);
    EXPECT_EQ(announced.texts.size(), 2u);
}

TEST_F(ImportTest, OnlyObjectsTheNodeWouldTakeAreFiledAndSameUidsMeetInOneFile) {
    const std::string nul("1.2.3\0.9", 8);
    const struct {
        const char* name;
        std::function<void(DcmDataset&)> change;
    } refused[] = {
        {"SOP UID with a NUL inside",
         [&](DcmDataset& d) { d.putAndInsertString(DCM_SOPInstanceUID, nul.c_str(), Uint32{8}); }},
        {"SOP UID that is a path",
         [](DcmDataset& d) { d.putAndInsertString(DCM_SOPInstanceUID, "../x"); }},
        {"no SOP UID", [](DcmDataset& d) { d.findAndDeleteElement(DCM_SOPInstanceUID); }},
        {"study UID with a NUL inside",
         [&](DcmDataset& d) {
             d.putAndInsertString(DCM_StudyInstanceUID, nul.c_str(), Uint32{8});
         }},
        {"series UID of letters",
         [](DcmDataset& d) { d.putAndInsertString(DCM_SeriesInstanceUID, "series"); }},
    };
    ASSERT_TRUE(fixture("1.2.3.1").write((source_ / "one.dcm").string()));
    ASSERT_TRUE(fixture("1.2.3.1").write((source_ / "again.dcm").string()));
    for (std::size_t i = 0; i < std::size(refused); ++i) {
        bvtest::DicomFixture odd = fixture("1.2.3." + std::to_string(i + 10));
        odd.customise = refused[i].change;
        ASSERT_TRUE(odd.write((source_ / ("odd" + std::to_string(i) + ".dcm")).string()))
            << refused[i].name;
    }
    KeyRecorder posted(studydb::NOTIFY_DICOM_FILE_RECEIVED);
    importer_->importPath(source_.str(), false);
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return posted.texts.size() >= 2; }));
    // Joining the worker: every file was taken or refused.
    importer_->shutdown();
    studydbtest::pumpFrames(8);
    EXPECT_EQ(posted.texts.size(), 2u);
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return rows("select ID from image").size() >= 1; }));
    const auto images = rows("select imageUID, file, path from image, series where "
                             "image.seriesID=series.ID order by image.ID");
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0][1], "1.2.3.1");
    const auto storedFiles = [&] {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(root())) {
            const std::string name = entry.path().filename().string();
            if (entry.is_regular_file() && name.rfind("dicomDB", 0) != 0 && name[0] != '.') {
                names.push_back(name);
            }
        }
        return names;
    };
    // The second copy comes in beside the first; its filing, on the database's worker, puts it
    // in the image's place.
    std::vector<std::string> stored;
    studydbtest::pumpUntil([&] {
        stored = storedFiles();
        return stored == std::vector<std::string>{"1.2.3.1"};
    });
    EXPECT_EQ(stored, std::vector<std::string>{"1.2.3.1"});
    EXPECT_FALSE(fs::exists(fs::path(root()).parent_path() / "x"));
}

TEST_F(ImportTest, ReimportOntoAFullDiskKeepsTheStoredFilesWhole) {
    bvtest::TempDir disk;
    const bvtest::SmallDisk small(disk.str(), "1m");
    if (!small.mounted()) {
        GTEST_SKIP() << "mounting a tmpfs needs root";
    }
    importer_->setDicomRoot(disk.str());
    bvtest::DicomFixture object = fixture("1.2.3.1");
    object.rows = 128;
    object.columns = 128;
    ASSERT_TRUE(object.write((source_ / "one.dcm").string()));
    importAndWait((source_ / "one.dcm").string(), false, 1);
    const auto images = rows("select file, path from image, series where "
                             "image.seriesID=series.ID");
    ASSERT_EQ(images.size(), 1u);
    const fs::path stored = disk.str() + images[0][1] + images[0][0];
    const std::string before = readAll(stored);
    ASSERT_FALSE(before.empty());
    small.fill(disk.str() + "filler");

    // The same object again, as another sender encoded it: a little larger. Then the stored
    // file itself, which is announced without a write: once it is, the re-import was tried.
    object.rows = 160;
    ASSERT_TRUE(object.write((source_ / "one.dcm").string()));
    KeyRecorder posted(studydb::NOTIFY_DICOM_FILE_RECEIVED);
    importer_->importPath((source_ / "one.dcm").string(), false);
    importer_->importPath(stored.string(), false);
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return !posted.texts.empty(); }));
    studydbtest::pumpFrames(4);
    EXPECT_EQ(posted.texts.size(), 1u);
    EXPECT_TRUE(readAll(stored) == before) << "the stored file changed";
    std::vector<std::string> beside;
    for (const auto& entry : fs::directory_iterator(stored.parent_path())) {
        beside.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(beside, std::vector<std::string>{images[0][0]});
}

TEST_F(ImportTest, MovingRemovesTheSourceButNeverTheTargetItself) {
    ASSERT_TRUE(fixture("1.2.3.1").write((source_ / "one.dcm").string()));
    importAndWait((source_ / "one.dcm").string(), true, 1);
    EXPECT_FALSE(fs::exists(source_ / "one.dcm"));
    const auto images = rows("select file, path from image, series where "
                             "image.seriesID=series.ID");
    ASSERT_EQ(images.size(), 1u);
    const std::string stored = root() + images[0][1] + images[0][0];
    ASSERT_TRUE(fs::is_regular_file(stored));
    const auto size = fs::file_size(stored);

    // Importing the stored file itself with the move flag keeps it.
    KeyRecorder posted(studydb::NOTIFY_DICOM_FILE_RECEIVED);
    importer_->importPath(stored, true);
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return posted.texts.size() == 1; }));
    // Joining the worker: whatever the import does to the file is done.
    importer_->shutdown();
    studydbtest::pumpFrames(8);
    EXPECT_TRUE(fs::is_regular_file(stored));
    EXPECT_EQ(fs::file_size(stored), size);
    EXPECT_EQ(rows("select ID from image").size(), 1u);
}
