#include "studydb/dicomDB.h"

#include "StudyDbFixture.h"
#include "engine/base/Base64.h"
#include "engine/platform/FileUtils.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/io/FolderBuffer.h"
#include "studydb/RemovalJournal.h"
#include "studydb/StoreReconciler.h"
#include "studydb/StudyListRows.h"
#include "studydb/StudyNotifications.h"
#include "tests/support/lib/DicomFixture.h"
#include "toolkit/core/NSDBUtil.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/core/UILocalConfig.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;
using studydbtest::StudyDbTest;

namespace {

const char* const kStudy = "1.2.3.4";

void touch(const fs::path& path) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "x";
}

// Writes the file of every image row.
void touchFiledImages(dicomDB* db) {
    for (const auto& row : studydbtest::selectRows(
             db,
             "select series.path,image.file from image,series where image.seriesID=series.ID")) {
        touch(db->getDicomRoot() + row[0] + row[1]);
    }
}

}  // namespace

TEST(dicomDBSchema, CreatesEveryTableAtVersionFourAndUpgradesVersionTwo) {
    bvtest::TempDir folder;
    const std::string dicom = folder.str() + "dicom/";
    fs::create_directories(dicom);
    {
        NSUI::NSDBUtil old;
        ASSERT_TRUE(old.openDatabase((dicom + "dicomDB").c_str()));
        ASSERT_TRUE(old.executeSql(
            "create table version (ID integer primary key autoincrement,version integer);"));
        ASSERT_TRUE(old.executeSql("insert into version(version) values (2)"));
        ASSERT_TRUE(old.executeSql("create table patient (ID integer primary key, name TEXT, "
                                   "extra TEXT);"));
        ASSERT_TRUE(old.executeSql("insert into patient(name, extra) values ('kept', 'x')"));
    }
    dicomDB db;
    ASSERT_TRUE(db.openDatabase(dicom));
    NSUI::NSDBDataModel rows;
    ASSERT_TRUE(db.getConnection().getRecords("select version from version", &rows));
    ASSERT_EQ(rows.getRowCount(), 1);
    EXPECT_EQ(rows.getValue(0, 0), "4");
    // The old table keeps its columns and rows; the missing ones exist now.
    ASSERT_TRUE(db.getConnection().getRecords("select name, extra from patient", &rows));
    ASSERT_EQ(rows.getRowCount(), 1);
    EXPECT_EQ(rows.getValue(0, 1), "x");
    for (const char* table :
         {"study", "series", "image", "neighbor", "favorite", "favoriteDetail"}) {
        EXPECT_TRUE(db.getConnection().isTableExist(table)) << table;
    }
    // Opening again leaves the version alone.
    ASSERT_TRUE(db.openDatabase(dicom));
    ASSERT_TRUE(db.getConnection().getRecords("select count() from version", &rows));
    EXPECT_EQ(rows.getValue(0, 0), "1");
}

// A library written by an older version: patient, series and favoriteDetail lack columns that
// the current statements create.
class UpgradedStudyDbTest : public StudyDbTest {
protected:
    void SetUp() override {
        const std::string dicom = storage_.str() + "dicom/";
        fs::create_directories(dicom);
        {
            NSUI::NSDBUtil old;
            ASSERT_TRUE(old.openDatabase((dicom + "dicomDB").c_str()));
            for (const char* statement : {
                     "create table version (ID integer primary key autoincrement,version "
                     "integer);",
                     "insert into version(version) values (2);",
                     "create table patient (ID integer primary key autoincrement,name "
                     "TEXT,patientIDHospital TEXT);",
                     "insert into patient(name,patientIDHospital) values ('Old^Ann','P0');",
                     "create table series (ID integer primary key autoincrement,studyID "
                     "integer,seriesUID TEXT,date TEXT,time TEXT);",
                     "create table favoriteDetail (ID integer primary key autoincrement,type "
                     "integer);",
                     "insert into favoriteDetail(type) values (3);",
                 }) {
                ASSERT_TRUE(old.executeSql(statement)) << statement;
            }
        }
        StudyDbTest::SetUp();
    }
};

TEST_F(UpgradedStudyDbTest, FilingIntoAnUpgradedVersionTwoLibraryWorks) {
    EXPECT_EQ(rows("select version from version"), (std::vector<std::vector<std::string>>{{"4"}}));
    // Old rows stay, with NULL in the added columns (the NOT NULL one takes its zero).
    EXPECT_EQ(rows("select name, sex, updateTime from patient"),
              (std::vector<std::vector<std::string>>{{"Old^Ann", "None", "None"}}));
    EXPECT_EQ(rows("select type, favoriteID from favoriteDetail"),
              (std::vector<std::vector<std::string>>{{"3", "0"}}));

    studydbtest::KeyRecorder announced(studydb::NOTIFY_DB_PATIENTS_READY);
    dcmSDK::DCM_MESSAGE* message = record("Doe^Jane", "P1", kStudy, "1.2.3.4.1", "1.7.1");
    const std::string folder = message->SeriesFolder;
    file(message);
    const auto patients = rows("select name, sex, birthday, patientIDHospital from patient "
                               "where name='Doe^Jane'");
    ASSERT_EQ(patients.size(), 1u);
    EXPECT_EQ(patients[0][1], "F");
    EXPECT_EQ(patients[0][3], "P1");
    const auto series = rows("select seriesUID, studyDesc, updateTime, path from series");
    ASSERT_EQ(series.size(), 1u);
    EXPECT_EQ(series[0][0], "1.2.3.4.1");
    EXPECT_EQ(series[0][3], folder);
    EXPECT_EQ(rows("select ID from image").size(), 1u);
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return !announced.texts.empty(); }));
    EXPECT_EQ(NSUI::UIJson::getString(announced.texts[0], "name"), "Doe^Jane");

    // The patient list reads the filed patient from the upgraded tables.
    std::vector<std::string> listed;
    db_->requestPatients([&listed](NSUI::NSDBDataModel* model) {
        for (int i = 0; i < model->getRowCount(); ++i) {
            listed.push_back(model->getValue(i, 2));
        }
    });
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return !listed.empty(); }));
    EXPECT_EQ(listed, (std::vector<std::string>{"Doe^Jane"}));
}

TEST(dicomDBSchema, VersionTableWithoutRowsFailsTheOpen) {
    bvtest::TempDir folder;
    {
        NSUI::NSDBUtil old;
        ASSERT_TRUE(old.openDatabase((folder.str() + "dicomDB").c_str()));
        ASSERT_TRUE(old.executeSql("create table version (ID integer primary key, version int);"));
    }
    dicomDB db;
    EXPECT_FALSE(db.openDatabase(folder.str()));
}

TEST_F(StudyDbTest, InitMakesTheFoldersAndRunsTheNode) {
    EXPECT_EQ(root(), storage_.str() + "dicom/");
    EXPECT_TRUE(fs::is_directory(root() + "reformat"));
    EXPECT_TRUE(fs::exists(root() + "dicomDB"));
    EXPECT_TRUE(db_->getServer().isRunning());
}

TEST_F(StudyDbTest, SeriesImagesAreOrderedByInstanceNumberAsANumber) {
    for (const char* instance : {"10", "2", "1", "33"}) {
        file(record("Doe^Jane", "P1", kStudy, "1.2.3.4.5", std::string("1.9.") + instance,
                    instance));
    }
    const auto series = rows("select ID from series");
    ASSERT_EQ(series.size(), 1u);
    NSUI::NSDBDataModel images;
    db_->getSeriesImages(&images, series[0][0]);
    ASSERT_EQ(images.getRowCount(), 4);
    EXPECT_EQ(images.getValue(0, 0), "1");
    EXPECT_EQ(images.getValue(1, 0), "2");
    EXPECT_EQ(images.getValue(2, 0), "10");
    EXPECT_EQ(images.getValue(3, 0), "33");
    EXPECT_EQ(images.getValue(2, 1), "1.9.10");
    // An id that is not a number reads nothing instead of reaching the statement.
    db_->getSeriesImages(&images, "1 or 1=1");
    EXPECT_EQ(images.getRowCount(), 0);
}

// Names that would end a double-quoted literal or read as a column name.
TEST_F(StudyDbTest, OddNamesAreFiledExactlyAndFoundAgain) {
    const std::vector<std::string> names = {"name", "O\"Brien",         "O'Brien",
                                            "a,b",  "x\" or \"1\"=\"1", "patientIDHospital"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string uid = "1.5." + std::to_string(i);
        file(record(names[i], names[i], uid, uid + ".1", uid + ".1.1"));
        // The second copy is recognised as known.
        file(record(names[i], names[i], uid, uid + ".1", uid + ".1.1"));
    }
    const auto patients = rows("select name, patientIDHospital from patient order by ID");
    ASSERT_EQ(patients.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(patients[i][0], names[i]);
        EXPECT_EQ(patients[i][1], names[i]);
    }
    EXPECT_EQ(rows("select ID from image").size(), names.size());
    EXPECT_EQ(rows("select ID from study").size(), names.size());
}

TEST_F(StudyDbTest, NamesThatDifferOnlyByTrailingEmptyComponentsAreOnePatient) {
    const struct {
        const char* name;
        const char* id;
        const char* patient;  // the stored name of the patient it is filed under
    } cases[] = {
        {"DOE^JOHN^^^", "7", "DOE^JOHN^^^"}, {"DOE^JOHN", "7", "DOE^JOHN^^^"},
        {"DOE^JOHN  ", "7", "DOE^JOHN^^^"},  {"DOE^JOHN^^=", "7", "DOE^JOHN^^^"},
        {"DOE^JOHNNY", "7", "DOE^JOHNNY"},   {"DOE^JOHN", "8", "DOE^JOHN"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string uid = "1.6." + std::to_string(i);
        file(record(cases[i].name, cases[i].id, uid, uid + ".1", uid + ".1.1"));
    }
    const auto patients = rows("select name, patientIDHospital from patient order by ID");
    ASSERT_EQ(patients.size(), 3u);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string uid = "1.6." + std::to_string(i);
        EXPECT_EQ(rows("select patient.name from patient,study where study.patientID=patient.ID "
                       "and study.studyUID='" +
                       uid + "' and patient.patientIDHospital='" + cases[i].id + "'"),
                  std::vector<std::vector<std::string>>{{cases[i].patient}})
            << cases[i].name;
    }
}

TEST_F(StudyDbTest, DeletingSeriesCascadesToStudyAndPatientWithTheirFolders) {
    file(record("Doe^Jane", "P1", kStudy, "1.2.3.4.1", "1.7.1"));
    file(record("Doe^Jane", "P1", kStudy, "1.2.3.4.2", "1.7.2"));
    file(record("Roe^Rick", "P2", "1.2.9", "1.2.9.1", "1.8.1"));
    const auto series = rows("select ID, path from series order by ID");
    ASSERT_EQ(series.size(), 3u);
    touchFiledImages(db_);
    const fs::path patientFolder = fs::path(root() + series[0][1]).parent_path().parent_path();

    ASSERT_TRUE(db_->deleteSeries(series[0][0]));
    EXPECT_FALSE(fs::exists(root() + series[0][1]));
    EXPECT_TRUE(fs::exists(root() + series[1][1] + "1.7.2"));
    EXPECT_EQ(rows("select ID from study").size(), 2u);
    EXPECT_EQ(rows("select ID from patient").size(), 2u);
    EXPECT_EQ(rows("select ID from image").size(), 2u);

    ASSERT_TRUE(db_->deleteSeries(series[1][0]));
    EXPECT_FALSE(fs::exists(patientFolder));
    EXPECT_EQ(rows("select name from patient"),
              (std::vector<std::vector<std::string>>{{"Roe^Rick"}}));
    EXPECT_EQ(rows("select ID from study").size(), 1u);
    EXPECT_TRUE(fs::exists(root() + series[2][1] + "1.8.1"));

    EXPECT_FALSE(db_->deleteSeries(series[1][0]));
    EXPECT_FALSE(db_->deleteSeries("2; drop table patient"));
}

TEST_F(StudyDbTest, DeletingAPatientRemovesItsRowsAndFoldersOnly) {
    file(record("Doe^Jane", "P1", kStudy, "1.2.3.4.1", "1.7.1"));
    file(record("Doe^Jane", "P1", "1.2.3.5", "1.2.3.5.1", "1.7.2"));
    file(record("Roe^Rick", "P2", "1.2.9", "1.2.9.1", "1.8.1"));
    const auto jane = rows("select ID from patient where name='Doe^Jane'");
    ASSERT_EQ(jane.size(), 1u);
    const auto paths = rows("select path from series order by ID");
    touchFiledImages(db_);
    // An object the node stored into the second series after the rows were read: not the
    // deletion's, so it stays with its folder, while the series' thumbnail goes.
    touch(root() + paths[1][0] + "1.7.9");
    touch(root() + paths[1][0] + "thrumb0");
    ASSERT_TRUE(db_->patientExists(jane[0][0]));
    ASSERT_TRUE(db_->deletePatient(jane[0][0]));
    EXPECT_FALSE(db_->patientExists(jane[0][0]));
    EXPECT_FALSE(fs::exists(fs::path(root() + paths[0][0]).parent_path().parent_path()));
    EXPECT_FALSE(fs::exists(root() + paths[1][0] + "1.7.2"));
    EXPECT_FALSE(fs::exists(root() + paths[1][0] + "thrumb0"));
    EXPECT_TRUE(fs::exists(root() + paths[1][0] + "1.7.9"));
    EXPECT_TRUE(fs::exists(root() + paths[2][0] + "1.8.1"));
    EXPECT_EQ(rows("select ID from series").size(), 1u);
    EXPECT_EQ(rows("select ID from image").size(), 1u);
}

// A run killed while a committed deletion was removing its folders: the next start finishes the
// removal, and the patient does not come back from the files that were still there.
TEST_F(StudyDbTest, ADeletionCutOffBeforeItsFoldersWentIsFinishedAtTheNextStart) {
    file(record("Doe^Jane", "P1", kStudy, "1.2.3.4.1", "1.7.1"));
    file(record("Doe^Jane", "P1", kStudy, "1.2.3.4.2", "1.7.2"));
    const auto paths = rows("select path from series order by ID");
    ASSERT_EQ(paths.size(), 2u);
    const std::string jane = rows("select ID from patient")[0][0];
    const std::string library = root();
    // The first folder takes a while to remove; the second holds an object a start could file.
    const std::string slow = library + paths[0][0];
    const int kSlowFiles = 20000;
    fs::create_directories(slow);
    fs::create_directories(library + paths[1][0]);
    for (int i = 0; i < kSlowFiles; ++i) {
        std::ofstream(slow + std::to_string(i)) << "x";
    }
    {
        std::lock_guard<std::recursive_mutex> guard(db_->getLock());
        ASSERT_TRUE(db_->getConnection().executeSql(
            "with recursive n(i) as (select 0 union all select i+1 from n where i<" +
            std::to_string(kSlowFiles - 1) +
            ") insert into image(seriesID,imageUID,instanceID,file) select series.ID,'9.'||i,i,"
            "''||i from n,series where series.path='" +
            paths[0][0] + "'"));
    }
    bvtest::DicomFixture fixture;
    fixture.patientName = "Doe^Jane";
    fixture.patientID = "P1";
    fixture.studyInstanceUID = kStudy;
    fixture.seriesInstanceUID = "1.2.3.4.2";
    fixture.sopInstanceUID = "1.7.2";
    ASSERT_TRUE(fixture.write(library + paths[1][0] + "1.7.2"));
    db_->shutdown();
    db_->release();
    db_ = nullptr;

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto* db = new dicomDB();
        if (!db->init() || !db->ready()) {
            _exit(2);
        }
        db->deletePatient(jane);
        _exit(3);
    }
    // Killed once the removal has begun, which follows the commit: a file has gone aside.
    bool killed = false;
    int status = 0;
    while (!killed && waitpid(child, &status, WNOHANG) == 0) {
        std::error_code error;
        int left = 0;
        for (fs::directory_iterator it(slow, error), end; !error && it != end;
             it.increment(error)) {
            left += it->path().filename().string()[0] != '.';
        }
        if (left < kSlowFiles) {
            kill(child, SIGKILL);
            ASSERT_EQ(waitpid(child, &status, 0), child);
            killed = true;
        }
    }
    ASSERT_TRUE(killed) << "the deletion ended before it could be cut off";
    ASSERT_TRUE(fs::exists(library + paths[1][0] + "1.7.2")) << "cut off too late";

    db_ = new dicomDB();
    ASSERT_TRUE(db_->init());
    ASSERT_TRUE(db_->ready());
    EXPECT_FALSE(db_->patientExists(jane));
    EXPECT_TRUE(rows("select ID from image").empty());
    EXPECT_TRUE(rows("select ID from patient").empty());
    EXPECT_FALSE(fs::exists(slow));
    EXPECT_FALSE(fs::exists(library + paths[1][0]));
}

// A start after a run cut off amid a committed deletion, while the node stored copies of the
// deleted objects: the replay removes only the deletion's own files. A copy filed again (its
// row inserted after the commit) keeps its file and row; a copy stored under a name the deletion
// had freed, not yet filed, is filed by the start; a listed file with neither goes.
TEST_F(StudyDbTest, AnInterruptedDeletionsReplayKeepsTheCopiesStoredSince) {
    const std::string series = "1.2.3.4.1";
    const std::vector<std::string> sops = {"1.7.1", "1.7.2", "1.7.3"};
    for (const std::string& sop : sops) {
        file(record("Doe^Jane", "P1", kStudy, series, sop));
    }
    const std::string path = rows("select path from series")[0][0];
    const std::string folder = root() + path;
    const auto writeObject = [&](const std::string& sop, const std::string& name) {
        bvtest::DicomFixture fixture;
        fixture.patientName = "Doe^Jane";
        fixture.patientID = "P1";
        fixture.studyInstanceUID = kStudy;
        fixture.seriesInstanceUID = series;
        fixture.sopInstanceUID = sop;
        fs::create_directories(folder);
        return fixture.write(folder + name);
    };
    for (const std::string& sop : sops) {
        ASSERT_TRUE(writeObject(sop, sop));
    }
    ASSERT_TRUE(db_->deletePatient(rows("select ID from patient")[0][0]));

    // As the kill left it: the journal of the deletion; the first object received again and
    // filed; the second still the deletion's; the third set aside and received again.
    ASSERT_TRUE(studydb::RemovalJournal::write(root(), {{path, sops}}));
    file(record("Doe^Jane", "P1", kStudy, series, sops[0]));
    ASSERT_EQ(rows("select path from series"), (std::vector<std::vector<std::string>>{{path}}));
    ASSERT_TRUE(writeObject(sops[0], sops[0]));
    ASSERT_TRUE(writeObject(sops[1], sops[1]));
    ASSERT_TRUE(writeObject(sops[2], studydb::RemovalJournal::setAsideName(sops[2])));
    ASSERT_TRUE(writeObject(sops[2], sops[2]));
    const std::string library = root();
    db_->shutdown();
    db_->release();
    db_ = nullptr;
    studydb::StoreReconciler::markRunning(library);

    db_ = new dicomDB();
    ASSERT_TRUE(db_->init());
    ASSERT_TRUE(db_->ready());
    EXPECT_TRUE(studydb::RemovalJournal::read(library).empty());
    EXPECT_EQ(rows("select image.imageUID,image.file from image order by imageUID"),
              (std::vector<std::vector<std::string>>{{sops[0], sops[0]}, {sops[2], sops[2]}}));
    EXPECT_TRUE(fs::exists(folder + sops[0]));
    EXPECT_FALSE(fs::exists(folder + sops[1]));
    EXPECT_TRUE(fs::exists(folder + sops[2]));
    EXPECT_FALSE(fs::exists(folder + studydb::RemovalJournal::setAsideName(sops[2])));
}

// Stored paths are data: a row pointing outside the DICOM folder, or at the wrong depth, never
// leads to a removal there.
TEST_F(StudyDbTest, DeletesNeverLeaveTheDicomFolder) {
    bvtest::TempDir elsewhere;
    touch(elsewhere / "victim" / "keep.txt");
    file(record("Doe^Jane", "P1", kStudy, "1.2.3.4.1", "1.7.1"));
    const auto series = rows("select ID, path from series");
    const std::string outside =
        fs::relative(elsewhere.path() / "victim", fs::path(root())).string() + "/";
    const std::vector<std::string> paths = {outside, "../../../", "/",
                                            "a/b/",  "a/../b/c/", "reformat/"};
    for (const std::string& path : paths) {
        touch(root() + "reformat/r.dcm");
        std::lock_guard<std::recursive_mutex> guard(db_->getLock());
        ASSERT_TRUE(db_->getConnection().executeSql(
            "insert into series(studyID,seriesUID,path) select studyID,'9.9'," + std::string("'") +
            path + "' from series where ID=" + series[0][0]));
    }
    ASSERT_TRUE(db_->deleteSeries(series[0][0]));
    const auto rest = rows("select ID from series");
    for (const auto& row : rest) {
        ASSERT_TRUE(db_->deleteSeries(row[0]));
    }
    EXPECT_TRUE(fs::exists(elsewhere / "victim" / "keep.txt"));
    EXPECT_TRUE(fs::exists(root() + "reformat/r.dcm"));
    EXPECT_TRUE(fs::exists(root() + "dicomDB"));
}

TEST_F(StudyDbTest, NeighboursAreUpsertedByAppIdAndListedByLastContact) {
    db_->saveNeighbor(5, "ward", "10.0.0.7", "104", "ward-app");
    db_->saveNeighbor(5, "lab\"1", "10.0.0.8", "4587", "lab-app");
    std::vector<neighborInfo> list;
    db_->getNeighbors(list);
    ASSERT_EQ(list.size(), 2u);
    const std::string firstSeen = list[0].wifi;

    // A failed contact moves the lab to the start of today: it sorts last.
    db_->setNeighborWifi("ward-app");
    db_->saveNeighbor(5, "lab\"1", "10.0.0.9", "11112", "lab-app");
    db_->getNeighbors(list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].appid, "lab-app");
    EXPECT_EQ(list[0].name, "lab\"1");
    EXPECT_EQ(list[0].ip, "10.0.0.9");
    EXPECT_EQ(list[0].port, "11112");
    EXPECT_EQ(list[0].lastTime, "");
    EXPECT_EQ(list[0].saveType, 3);
    EXPECT_GE(list[0].wifi, firstSeen);
    EXPECT_EQ(list[1].appid, "ward-app");
    EXPECT_EQ(list[1].wifi.substr(10), " 00:00:00");
    EXPECT_EQ(list[1].device, 5);
}

TEST_F(StudyDbTest, MaxIdOfAnEmptyTableIsZero) {
    EXPECT_EQ(db_->getMaxId("favorite", "ID"), 0);
    file(record("Doe^Jane", "P1", kStudy, "1.2.3.4.1", "1.7.1"));
    EXPECT_EQ(db_->getMaxId("image", "ID"), 1);
}

TEST_F(StudyDbTest, PatientListSkipsPatientsWithoutSeries) {
    file(record("Doe^Jane", "P1", kStudy, "1.2.3.4.1", "1.7.1"));
    file(record("Doe^Jane", "P1", kStudy, "1.2.3.4.1", "1.7.2"));
    {
        std::lock_guard<std::recursive_mutex> guard(db_->getLock());
        ASSERT_TRUE(db_->getConnection().executeSql(
            "insert into patient(name,patientIDHospital,updateTime) values ('Empty','P9','')"));
    }
    std::vector<std::vector<std::string>> got;
    db_->requestPatients([&got](NSUI::NSDBDataModel* model) {
        for (int r = 0; r < model->getRowCount(); ++r) {
            std::vector<std::string> row;
            for (int c = 0; c < model->getColumnCount(r); ++c) {
                row.push_back(model->getValue(r, c));
            }
            got.push_back(row);
        }
    });
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return !got.empty(); }));
    ASSERT_EQ(got.size(), 1u);
    ASSERT_EQ(got[0].size(), 12u);
    EXPECT_EQ(got[0][2], "Doe^Jane");
    EXPECT_EQ(got[0][9], "1");
    EXPECT_EQ(got[0][10], "1");
    EXPECT_EQ(got[0][11], "2");
}

TEST_F(StudyDbTest, StudiesListReadsTheFirstFileAndHonoursDetachedOwners) {
    bvtest::DicomFixture fixture;
    fixture.modality = "CT";
    fixture.customise = [](DcmDataset& dataset) {
        dataset.putAndInsertString(DCM_KVP, "120");
        dataset.putAndInsertString(DCM_XRayTubeCurrent, "250");
        dataset.putAndInsertString(DCM_SeriesNumber, "7");
    };
    dcmSDK::DCM_MESSAGE* message = record("Doe^Jane", "P1", kStudy, "1.2.3.4.1", "1.7.1");
    const std::string folder = root() + message->SeriesFolder;
    fs::create_directories(folder);
    ASSERT_TRUE(fixture.write(folder + "1.7.1"));
    file(message);
    const std::string patient = rows("select ID from patient")[0][0];

    int ignored = 0;
    int owner = 0;
    db_->requestStudies([&ignored](NSUI::NSDBDataModel*) { ++ignored; }, patient, &ignored);
    db_->detachRequestOwner(&ignored);
    std::vector<std::vector<std::string>> got;
    db_->requestStudies(
        [&got](NSUI::NSDBDataModel* model) {
            for (int r = 0; r < model->getRowCount(); ++r) {
                std::vector<std::string> row;
                for (int c = 0; c < model->getColumnCount(r); ++c) {
                    row.push_back(model->getValue(r, c));
                }
                got.push_back(row);
            }
        },
        patient, &owner);
    int emptyAnswers = -1;
    db_->requestStudies(
        [&emptyAnswers](NSUI::NSDBDataModel* model) { emptyAnswers = model->getRowCount(); },
        "999999", &owner);
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return !got.empty() && emptyAnswers >= 0; }));
    studydbtest::pumpFrames(4);
    EXPECT_EQ(ignored, 0);
    // A patient without rows is answered too, with an empty model.
    EXPECT_EQ(emptyAnswers, 0);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0][0], "study");
    EXPECT_EQ(got[0][4], "2024.01.02");
    ASSERT_EQ(got[1].size(), 12u);
    EXPECT_EQ(got[1][1], patient);
    EXPECT_EQ(got[1][5], "1");
    EXPECT_EQ(got[1][6], "4");
    EXPECT_EQ(got[1][7], "4");
    EXPECT_EQ(got[1][8], "Unknown Institution");
    EXPECT_EQ(got[1][9], "CT");
    EXPECT_EQ(got[1][10], "120kV 250mA");
    EXPECT_EQ(got[1][11], "7");
    EXPECT_TRUE(db_->studyListLoaded.load());
}

// Once the study list has been loaded, a file of a new series also reaches it as a one-row
// series model in the data's object slot; the observer that keeps it holds the last reference.
TEST_F(StudyDbTest, NewSeriesReachTheLoadedStudyListAsRowsTheirDataOwns) {
    std::vector<studydb::StudyListRows*> kept;
    std::vector<std::string> texts;
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        this, nullptr,
        [&](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
            texts.push_back(data->stringValue);
            if (auto* rows = dynamic_cast<studydb::StudyListRows*>(data->object)) {
                rows->retain();
                kept.push_back(rows);
            }
        },
        studydb::NOTIFY_DB_STUDIES_READY);
    db_->studyListLoaded = true;
    bvtest::DicomFixture fixture;
    fixture.modality = "CT";
    fixture.customise = [](DcmDataset& dataset) {
        dataset.putAndInsertString(DCM_KVP, "120");
        dataset.putAndInsertString(DCM_XRayTubeCurrent, "250");
        dataset.putAndInsertString(DCM_SeriesNumber, "7");
    };
    dcmSDK::DCM_MESSAGE* message = record("Doe^Jane", "P1", kStudy, "1.2.3.4.1", "1.7.1");
    const std::string path = message->SeriesFolder;
    fs::create_directories(root() + path);
    ASSERT_TRUE(fixture.write(root() + path + "1.7.1"));
    file(message);
    // A second series whose file is not on disk: its row ends after the image count.
    file(record("Doe^Jane", "P1", kStudy, "1.2.3.4.2", "1.7.2"));
    // A further image of a known series brings an empty model.
    file(record("Doe^Jane", "P1", kStudy, "1.2.3.4.1", "1.7.3"));
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return kept.size() == 3; }));
    studydbtest::pumpFrames(4);
    NSUI::NSNotificationCenter::getInstance()->removeObserver(this);

    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(NSUI::UIJson::getString(texts[0], "seriesNumber"), "1");
    const NSUI::NSDBDataModel& first = kept[0]->rows();
    ASSERT_EQ(first.getRowCount(), 1);
    ASSERT_EQ(first.getColumnCount(0), 11);
    // Series ID, date and time, description, folder, images, Columns, Rows, institution,
    // modality, exposure, series number.
    const std::vector<std::string> expected = {
        rows("select ID from series where seriesUID='1.2.3.4.1'")[0][0],
        " ",
        "",
        path,
        "1",
        "4",
        "4",
        "",
        "CT",
        "120kV 250mA",
        "7"};
    for (int c = 0; c < 11; ++c) {
        EXPECT_EQ(first.getValue(0, c), expected[c]) << c;
    }
    ASSERT_EQ(kept[1]->rows().getRowCount(), 1);
    EXPECT_EQ(kept[1]->rows().getColumnCount(0), 5);
    EXPECT_EQ(kept[2]->rows().getRowCount(), 0);
    for (studydb::StudyListRows* rows : kept) {
        EXPECT_EQ(rows->getReferenceCount(), 1u);
        rows->release();
    }
}

TEST_F(StudyDbTest, NotesWithinThirtySecondsShareOneSeparator) {
    studydbtest::KeyRecorder separators(studydb::NOTIFY_FAVORITE_LIST_CHANGED);
    studydbtest::KeyRecorder notes(studydb::NOTIFY_FAVORITE_ADDED);
    const int first = db_->insertTextNote("first note");
    const int second = db_->insertTextNote("second \"note\"");
    EXPECT_GT(second, first);
    studydbtest::pumpFrames();
    EXPECT_EQ(separators.ints.size(), 1u);
    EXPECT_EQ(notes.texts, (std::vector<std::string>{"first note", "second \"note\""}));
    const auto favorites = rows("select ID, type, message from favorite order by ID");
    ASSERT_EQ(favorites.size(), 3u);
    EXPECT_EQ(favorites[0][0], "1");
    EXPECT_EQ(favorites[0][1], "3");
    EXPECT_EQ(favorites[2][2], cocos2d::safeBase64EncodeString("second \"note\""));

    std::vector<std::string> messages;
    db_->requestFavorites([&messages](NSUI::NSDBDataModel* model) {
        for (int r = 0; r < model->getRowCount(); ++r) {
            messages.push_back(model->getValue(r, 2));
        }
    });
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return !messages.empty(); }));
    EXPECT_EQ(messages.back(), "second \"note\"");
    ASSERT_TRUE(db_->deleteFavorite(first));
    EXPECT_EQ(rows("select ID from favorite").size(), 2u);
}

// Every image row inserted into a series folder clears its caches and thumbnails, not only the
// first of a new patient; a copy that is already known leaves them alone.
TEST_F(StudyDbTest, InsertedImagesClearTheirSeriesCaches) {
    studydbtest::KeyRecorder announced(studydb::NOTIFY_DB_PATIENTS_READY);
    dcmSDK::DCM_MESSAGE* first = record("Doe^Jane", "P1", kStudy, "1.2.3.4.1", "1.7.1");
    const std::string relative = first->SeriesFolder;
    const std::string folder = root() + relative;
    file(first);
    const std::string seriesFolder = folder.substr(0, folder.size() - 1);
    const std::string prebin = isImageSDK::getFolderPrebinPath(seriesFolder);
    const auto makeCaches = [&] {
        touch(prebin);
        for (int i = 0; i <= 5; ++i) {
            touch(folder + "thrumb" + std::to_string(i));
        }
    };
    makeCaches();
    file(record("Doe^Jane", "P1", kStudy, "1.2.3.4.1", "1.7.2"));
    EXPECT_FALSE(fs::exists(prebin));
    for (int i = 0; i <= 5; ++i) {
        EXPECT_FALSE(fs::exists(folder + "thrumb" + std::to_string(i))) << i;
    }
    makeCaches();
    file(record("Doe^Jane", "P1", kStudy, "1.2.3.4.1", "1.7.2"));
    EXPECT_TRUE(fs::exists(prebin));
    EXPECT_TRUE(fs::exists(folder + "thrumb0"));

    ASSERT_TRUE(studydbtest::pumpUntil([&] { return announced.texts.size() >= 2; }));
    studydbtest::pumpFrames(4);
    ASSERT_EQ(announced.texts.size(), 2u);
    EXPECT_EQ(NSUI::UIJson::getString(announced.texts[0], "name"), "Doe^Jane");
    EXPECT_EQ(NSUI::UIJson::getString(announced.texts[0], "studyDate"), "2024-01-02 10:10:10");
    EXPECT_EQ(NSUI::UIJson::getString(announced.texts[0], "dcmFolder"), relative);
    EXPECT_EQ(NSUI::UIJson::getString(announced.texts[1], "studyNumber"), "0");
    EXPECT_EQ(NSUI::UIJson::getString(announced.texts[1], "seriesNumber"), "0");
    EXPECT_EQ(NSUI::UIJson::getString(announced.texts[1], "dcmFolder"), "");
}

TEST_F(StudyDbTest, DicomFavouritesAreStoredRelativeToTheWritablePath) {
    const std::string writable = cocos2d::FileUtils::getInstance()->getWritablePath();
    bvtest::DicomFixture fixture;
    fixture.columns = 8;
    fixture.rows = 4;
    const std::string path = writable + "fav/a.dcm";
    fs::create_directories(writable + "fav");
    ASSERT_TRUE(fixture.write(path));
    int chimes = 0;
    db_->setFavoriteAddedHandler([&chimes] { ++chimes; });
    auto* data = NSUI::NSNotificationData::create();
    data->stringValue = path;
    data->intValue = 100;
    db_->onNotification(nullptr, isImageSDK::NOTIFY_FAVORITE_SAVED, data);
    data->intValue = 0;
    data->floatValue = 0.75f;
    db_->onNotification(nullptr, isImageSDK::NOTIFY_FAVORITE_SAVED, data);
    EXPECT_EQ(db_->newFavoriteCount.load(), 2);
    EXPECT_EQ(chimes, 2);
    const auto favorites = rows("select type, image, scale from favorite order by ID");
    ASSERT_EQ(favorites.size(), 3u);
    EXPECT_EQ(favorites[0][0], "3");
    EXPECT_EQ(favorites[1], (std::vector<std::string>{"2", "fav/a.dcm", "2.0"}));
    EXPECT_EQ(favorites[2], (std::vector<std::string>{"2", "fav/a.dcm", "0.75"}));
    fs::remove_all(writable + "fav");
}

TEST_F(StudyDbTest, FilesOutsideTheWritableFolderAreNotFiledAsFavourites) {
    const std::string writable = cocos2d::FileUtils::getInstance()->getWritablePath();
    // Longer than the writable path, so that cutting its length off still leaves a name.
    bvtest::TempDir outside;
    const std::string folder = outside.str() + std::string(writable.size(), 'x') + "/";
    fs::create_directories(folder);
    bvtest::DicomFixture fixture;
    ASSERT_TRUE(fixture.write(folder + "a.dcm"));
    auto* data = NSUI::NSNotificationData::create();
    data->stringValue = folder + "a.dcm";
    data->floatValue = 1.0f;
    db_->onNotification(nullptr, isImageSDK::NOTIFY_FAVORITE_SAVED, data);
    data->stringValue = folder + "capture.png";
    db_->onNotification(nullptr, NSUI::NOTIFY_CAPTURE_SAVED, data);
    EXPECT_TRUE(rows("select image from favorite where type in (1,2)").empty());
    EXPECT_EQ(db_->newFavoriteCount.load(), 0);
}

// Rows written in the same second come back in the order they were written, whatever the order
// SQLite keeps them in; only rows with a file get an absolute path.
TEST_F(StudyDbTest, FavouritesOfOneSecondKeepTheirWritingOrder) {
    const std::string writable = cocos2d::FileUtils::getInstance()->getWritablePath();
    ASSERT_TRUE(db_->getConnection().executeSql(
        "insert into favorite(ID,type,message,icon,image,valid,updateTime,scale) values "
        "(7,5,'','','',1,'2024-05-01 10:00:00',1),"
        "(6,3,'','','',1,'2024-05-01 10:00:00',1),"
        "(9,6,'3','','qn/favorite/voice/1.aac',1,'2024-05-01 10:00:00',1),"
        "(2,3,'','','',1,'2024-05-01 10:00:01',1),"
        "(8,3,'','','',0,'2024-05-01 09:00:00',1)"));
    std::vector<std::vector<std::string>> got;
    db_->requestFavorites([&got](NSUI::NSDBDataModel* model) {
        for (int r = 0; r < model->getRowCount(); ++r) {
            got.push_back({model->getValue(r, 0), model->getValue(r, 4)});
        }
    });
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return !got.empty(); }));
    EXPECT_EQ(got,
              (std::vector<std::vector<std::string>>{
                  {"6", ""}, {"7", ""}, {"9", writable + "qn/favorite/voice/1.aac"}, {"2", ""}}));
}

TEST_F(StudyDbTest, AStoredVoiceNotePostsItsSecondsInTheSecondIntSlot) {
    int seconds = -1;
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        this, nullptr,
        [&seconds](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
            seconds = data->intValue2;
        },
        studydb::NOTIFY_FAVORITE_DETAIL_ADDED);
    auto* data = NSUI::NSNotificationData::create();
    data->stringValue = "qn/favorite/voice/5.aac";
    data->intValue = 12;
    db_->onNotification(nullptr, studydb::NOTIFY_FAVORITE_VOICE_NOTE, data);
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return seconds >= 0; }));
    EXPECT_EQ(seconds, 12);
    NSUI::NSNotificationCenter::getInstance()->removeObserver(this);
}

TEST_F(StudyDbTest, AnEmptyFavouritesTableStillAnswers) {
    int answers = 0;
    int rowsSeen = -1;
    db_->requestFavorites([&](NSUI::NSDBDataModel* model) {
        ++answers;
        rowsSeen = model->getRowCount();
    });
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return answers > 0; }));
    EXPECT_EQ(rowsSeen, 0);
}
