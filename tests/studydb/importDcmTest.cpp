#include "studydb/importDcm.h"

#include "StudyDbFixture.h"
#include "studydb/StudyNotifications.h"
#include "tests/support/lib/DicomFixture.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

namespace fs = std::filesystem;
using studydbtest::KeyRecorder;
using studydbtest::StudyDbTest;

namespace {

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

TEST_F(ImportTest, NamesComeFromPlainUidsOnlyAndSameUidsMeetInOneFile) {
    ASSERT_TRUE(fixture("1.2.3.1").write((source_ / "one.dcm").string()));
    ASSERT_TRUE(fixture("1.2.3.1").write((source_ / "again.dcm").string()));
    ASSERT_TRUE(fixture("../x").write((source_ / "evil.dcm").string()));
    bvtest::DicomFixture bare = fixture("");
    bare.customise = [](DcmDataset& dataset) { dataset.findAndDeleteElement(DCM_SOPInstanceUID); };
    ASSERT_TRUE(bare.write((source_ / "bare.dcm").string()));
    importAndWait(source_.str(), false, 3);
    const auto images = rows("select imageUID, file, path from image, series where "
                             "image.seriesID=series.ID order by image.ID");
    ASSERT_EQ(images.size(), 3u);
    std::set<std::string> files;
    for (const auto& image : images) {
        files.insert(image[1]);
        EXPECT_TRUE(fs::is_regular_file(root() + image[2] + image[1])) << image[1];
        EXPECT_EQ(image[1].find('/'), std::string::npos);
    }
    EXPECT_EQ(files.count("1.2.3.1"), 1u);
    EXPECT_EQ(files.count("bare.dcm"), 1u);
    const std::string series = root() + images[0][2];
    std::size_t stored = 0;
    for (const auto& entry : fs::directory_iterator(series)) {
        stored += entry.is_regular_file() ? 1 : 0;
    }
    EXPECT_EQ(stored, 3u);
    EXPECT_FALSE(fs::exists(fs::path(root()).parent_path() / "x"));
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
