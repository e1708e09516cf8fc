// What a sender was told is stored stays in the library: through an orderly shutdown in the
// middle of a transfer, through a crash of the node's process, and filed under the same patient
// as the folder import files it.
#include "ServiceFixture.h"
#include "dcmsdk/DcmNames.h"
#include "engine/platform/Application.h"
#include "imagesdk/io/SeriesFolderFiles.h"
#include "studydb/LibraryCallbacks.h"
#include "studydb/StoreReconciler.h"
#include "studydb/StudyNotifications.h"
#include "studydb/StudyPaths.h"
#include "studydb/dataService.h"
#include "studydb/importDcm.h"
#include "studydb/sniffer.h"
#include "tests/support/lib/ChildProcess.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/LoopbackPort.h"
#include "tests/support/lib/SmallDisk.h"
#include "toolkit/core/NSDBUtil.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/UILocalConfig.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>

namespace fs = std::filesystem;
using bvtest::ChildProcess;
using studydbtest::KeyRecorder;
using studydbtest::ServiceTest;

namespace {

const int kSenders = 8;
const int kFilesPerSender = 60;
const std::size_t kAcknowledgedBeforeFault = 100;

// Source files of several senders at once, each sender its own series, of its own patient
// unless one patient is named.
struct SenderFiles {
    std::vector<std::vector<std::string>> batches;
    std::map<std::string, std::string> sopOfFile;

    explicit SenderFiles(const std::string& folder, const std::string& patient = std::string()) {
        for (int s = 0; s < kSenders; ++s) {
            bvtest::DicomFixture fixture;
            fixture.rows = 32;
            fixture.columns = 32;
            fixture.patientName = patient.empty() ? "Sender^" + std::to_string(s) : patient;
            fixture.patientID = patient.empty() ? "S" + std::to_string(s) : "S";
            fixture.studyInstanceUID = "1.2.826.0.1.3680043.9.70." + std::to_string(s);
            fixture.seriesInstanceUID = fixture.studyInstanceUID + ".1";
            batches.emplace_back();
            for (int i = 0; i < kFilesPerSender; ++i) {
                fixture.sopInstanceUID = fixture.seriesInstanceUID + "." + std::to_string(i + 1);
                fixture.instanceNumber = i + 1;
                const std::string path =
                    folder + std::to_string(s) + "-" + std::to_string(i) + ".dcm";
                fixture.write(path);
                batches.back().push_back(path);
                sopOfFile[path] = fixture.sopInstanceUID;
            }
        }
    }

    // storescu processes sending every batch to the port, with their logs in folder.
    std::vector<std::unique_ptr<ChildProcess>> send(int port, const std::string& folder) const {
        std::vector<std::unique_ptr<ChildProcess>> senders;
        for (int s = 0; s < kSenders; ++s) {
            std::vector<std::string> arguments = {"storescu", "-v",        "-aec",
                                                  "rivodavo", "127.0.0.1", std::to_string(port)};
            arguments.insert(arguments.end(), batches[s].begin(), batches[s].end());
            senders.push_back(std::make_unique<ChildProcess>());
            senders.back()->start(arguments, logOf(folder, s), ChildProcess::LogMode::Append);
        }
        return senders;
    }

    // SOP instance UIDs whose C-STORE the senders' logs show answered with Success.
    std::set<std::string> acknowledged(const std::string& folder) const {
        std::set<std::string> uids;
        for (int s = 0; s < kSenders; ++s) {
            std::ifstream log(logOf(folder, s));
            std::string line;
            std::string sending;
            const std::string prefix = "I: Sending file: ";
            while (std::getline(log, line)) {
                if (line.rfind(prefix, 0) == 0) {
                    sending = line.substr(prefix.size());
                } else if (line.find("Received Store Response (Success)") != std::string::npos &&
                           !sending.empty()) {
                    uids.insert(sopOfFile.at(sending));
                    sending.clear();
                }
            }
        }
        return uids;
    }

    static std::string logOf(const std::string& folder, int sender) {
        return folder + "storescu-" + std::to_string(sender) + ".log";
    }
};

std::set<std::string> imageUids(dicomDB* db) {
    std::lock_guard<std::recursive_mutex> guard(db->getLock());
    NSUI::NSDBDataModel rows;
    db->getConnection().getRecords("select imageUID from image", &rows);
    std::set<std::string> uids;
    for (int r = 0; r < rows.getRowCount(); ++r) {
        uids.insert(rows.getValue(r, 0));
    }
    return uids;
}

void waitForAll(std::vector<std::unique_ptr<ChildProcess>>& processes) {
    for (auto& process : processes) {
        process->wait();
    }
}

bool portOpen(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool open = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    close(fd);
    return open;
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        files.push_back(entry.path().filename().string());
    }
    return files;
}

int successes(const std::string& log) {
    std::ifstream in(log);
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        count += line.find("Received Store Response (Success)") != std::string::npos ? 1 : 0;
    }
    return count;
}

// Sends `count` images of one series of the study to the node on `port` with storescu, its files
// and log in `folder`, and waits for it to end; how many stores the node answered with Success.
int sendSeries(int port, const std::string& studyUid, int count, const std::string& folder) {
    std::vector<std::string> arguments = {"storescu", "-v",        "-aec",
                                          "rivodavo", "127.0.0.1", std::to_string(port)};
    bvtest::DicomFixture fixture;
    fixture.studyInstanceUID = studyUid;
    fixture.seriesInstanceUID = studyUid + ".1";
    for (int i = 0; i < count; ++i) {
        fixture.sopInstanceUID = fixture.seriesInstanceUID + "." + std::to_string(i + 1);
        fixture.instanceNumber = i + 1;
        arguments.push_back(folder + std::to_string(i) + ".dcm");
        if (!fixture.write(arguments.back())) {
            return -1;
        }
    }
    const std::string log = folder + "storescu.log";
    ChildProcess::run(arguments, log);
    return successes(log);
}

// Stops the service, moves the library's database file (in `root`) into `disk` with a link in
// its place, and starts the service again.
dataService* restartWithTheDatabaseOn(const std::string& disk, const std::string& root) {
    const std::string database = root + "dicomDB";
    dataService::destroyInstance();
    fs::copy_file(database, disk + "dicomDB");
    fs::remove(database);
    fs::create_symlink(disk + "dicomDB", database);
    return dataService::getInstance();
}

// Every image row names a file that is there, and every object in a series folder has its row.
void expectRowsMatchFiles(dicomDB* db) {
    const std::string root = db->getDicomRoot();
    std::set<std::string> named;
    for (const auto& row : studydbtest::selectRows(
             db,
             "select series.path,image.file from image,series where image.seriesID=series.ID")) {
        named.insert(row[0] + row[1]);
        EXPECT_TRUE(fs::exists(root + row[0] + row[1])) << row[0] + row[1] << " has no file";
    }
    EXPECT_EQ(named.size(), studydbtest::selectRows(db, "select ID from image").size());
    for (fs::recursive_directory_iterator it(root), end; it != end; ++it) {
        const std::string name = it->path().filename().string();
        if (it.depth() == studydb::kSeriesFolderDepth && it->is_regular_file() &&
            !isImageSDK::isSeriesCompanionFile(name)) {
            const std::string relative = fs::relative(it->path(), root).string();
            EXPECT_EQ(named.count(relative), 1u) << relative << " has no row";
        }
    }
}

// The patient folder of a series folder.
std::string leadingFolder(const std::string& seriesFolder) {
    return seriesFolder.substr(0, seriesFolder.find('/'));
}

const char* const kChildFolder = "BV_NODE_CHILD_FOLDER";
const char* const kChildPort = "BV_NODE_CHILD_PORT";

}  // namespace

TEST_F(ServiceTest, OrderlyShutdownMidTransferFilesEveryAcknowledgedImage) {
    bvtest::TempDir source;
    const SenderFiles files(source.str());
    auto senders = files.send(port_, source.str());
    ASSERT_TRUE(studydbtest::pumpUntil(
        [&] { return files.acknowledged(source.str()).size() >= kAcknowledgedBeforeFault; },
        120.0));
    // The application's exit path, with the senders still sending.
    dataService::destroyInstance();
    waitForAll(senders);
    const std::set<std::string> acknowledged = files.acknowledged(source.str());

    service_ = dataService::getInstance();
    ASSERT_TRUE(db()->ready());
    const std::set<std::string> filed = imageUids(db());
    for (const std::string& uid : acknowledged) {
        EXPECT_EQ(filed.count(uid), 1u) << uid << " was acknowledged but is not in the library";
    }
}

// The study list's deletion of a patient while the node still receives its series: the
// images acknowledged once it returned keep their rows and files, and no row names a missing
// file nor a file lacks its row, before a restart and after it.
TEST_F(ServiceTest, APatientDeletedWhileItsSeriesArriveLeavesEveryRowWithItsFile) {
    bvtest::TempDir source;
    const SenderFiles files(source.str(), "Arriving^Patient");
    auto senders = files.send(port_, source.str());
    ASSERT_TRUE(studydbtest::pumpUntil(
        [&] {
            return files.acknowledged(source.str()).size() >= kAcknowledgedBeforeFault &&
                   rows("select ID from patient").size() == 1;
        },
        120.0));
    ASSERT_TRUE(db()->deletePatient(rows("select ID from patient")[0][0]));
    const std::set<std::string> whenDeleted = files.acknowledged(source.str());
    waitForAll(senders);
    const std::set<std::string> acknowledged = files.acknowledged(source.str());
    ASSERT_GT(acknowledged.size(), whenDeleted.size()) << "the transfer ended before the deletion";

    // The orderly exit files what the node announced.
    dataService::destroyInstance();
    service_ = dataService::getInstance();
    ASSERT_TRUE(db()->ready());
    const std::set<std::string> filed = imageUids(db());
    for (const std::string& uid : acknowledged) {
        if (whenDeleted.count(uid) == 0) {
            EXPECT_EQ(filed.count(uid), 1u) << uid << " was acknowledged after the deletion";
        }
    }
    expectRowsMatchFiles(db());
}

// A second copy of a filed image, received while the library's lock keeps the worker from
// filing it, then the patient's deletion, then the filing: the copy was received before the
// deletion removed the image's file and is filed after the deletion's commit, the window in which
// a copy that took the file's name lost its file to the deletion and kept a row naming nothing.
TEST_F(ServiceTest, ASecondCopyReceivedBesideAFileBeingDeletedKeepsItsRowAndFile) {
    bvtest::TempDir source;
    bvtest::DicomFixture fixture;
    fixture.studyInstanceUID = "1.2.826.0.1.3680043.9.77.1";
    fixture.seriesInstanceUID = fixture.studyInstanceUID + ".1";
    fixture.sopInstanceUID = fixture.seriesInstanceUID + ".1";
    const std::string path = source.str() + "one.dcm";
    ASSERT_TRUE(fixture.write(path));
    const std::vector<std::string> send = {
        "storescu", "-v", "-aec", "rivodavo", "127.0.0.1", std::to_string(port_), path};
    ASSERT_EQ(ChildProcess::run(send, source.str() + "first.log"), 0);
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return rows("select ID from image").size() == 1; }));
    const std::string patient = rows("select ID from patient")[0][0];
    {
        std::lock_guard<std::recursive_mutex> hold(db()->getLock());
        ChildProcess::run(send, source.str() + "second.log");
        ASSERT_EQ(successes(source.str() + "second.log"), 1);
        ASSERT_TRUE(db()->deletePatient(patient));
    }
    EXPECT_TRUE(studydbtest::pumpUntil([&] {
        return rows("select imageUID from image") ==
               std::vector<std::vector<std::string>>{{fixture.sopInstanceUID}};
    }));
    expectRowsMatchFiles(db());
}

// A second copy of a filed image takes its file's place, through the node, the import and the
// reconcile of a start after a kill that came before it was filed: one row, one file, the
// newest copy.
TEST_F(ServiceTest, ASecondCopyOfAFiledImageTakesItsPlace) {
    const std::string library = root();
    bvtest::TempDir source;
    const auto folderOf = [&](const bvtest::DicomFixture& fixture) {
        return library +
               dcmSDK::DcmNames::seriesFolder(fixture.patientName, fixture.patientID,
                                              fixture.studyInstanceUID, fixture.seriesInstanceUID) +
               "/";
    };
    const auto filesOf = [&](const std::string& folder) {
        std::vector<std::string> objects;
        for (const std::string& name : filesIn(folder)) {
            if (!isImageSDK::isSeriesCompanionFile(name)) {
                objects.push_back(name);
            }
        }
        return objects;
    };
    enum Way { kNode, kImport, kReconcile };
    const struct {
        const char* what;
        Way way;
    } cases[] = {{"through the node", kNode},
                 {"through the import", kImport},
                 {"through a start after a kill", kReconcile}};
    importDcm* importer = importDcm::create();
    importer->retain();
    importer->setDicomRoot(library);
    for (std::size_t c = 0; c < std::size(cases); ++c) {
        bvtest::DicomFixture fixture;
        fixture.studyInstanceUID = "1.2.826.0.1.3680043.9.78." + std::to_string(c);
        fixture.seriesInstanceUID = fixture.studyInstanceUID + ".1";
        fixture.sopInstanceUID = fixture.seriesInstanceUID + ".1";
        const std::string first = source.str() + std::to_string(c) + "-first.dcm";
        ASSERT_TRUE(fixture.write(first));
        // The same object as another sender encoded it: a larger file.
        fixture.rows = 48;
        const std::string second = source.str() + std::to_string(c) + "-second.dcm";
        ASSERT_TRUE(fixture.write(second));
        const std::string folder = folderOf(fixture);
        const auto sendOne = [&](const std::string& file) {
            ChildProcess::run(
                {"storescu", "-aec", "rivodavo", "127.0.0.1", std::to_string(port_), file},
                source.str() + "storescu.log");
        };
        sendOne(first);
        ASSERT_TRUE(studydbtest::pumpUntil([&] {
            return rows("select ID from image").size() == c + 1;
        })) << cases[c].what;
        const std::uintmax_t firstSize = fs::file_size(folder + fixture.sopInstanceUID);
        KeyRecorder received(studydb::NOTIFY_DICOM_FILE_RECEIVED);
        if (cases[c].way == kNode) {
            sendOne(second);
        } else if (cases[c].way == kImport) {
            importer->importPath(second, false);
        } else {
            dataService::destroyInstance();
            fs::copy_file(second, folder + fixture.sopInstanceUID + "-1");
            studydb::StoreReconciler::markRunning(library);
            service_ = dataService::getInstance();
            ASSERT_TRUE(db()->ready());
        }
        if (cases[c].way != kReconcile) {
            ASSERT_TRUE(studydbtest::pumpUntil([&] { return received.texts.size() == 1; }));
            // The worker answers in order: once the patients are read, the copy is filed.
            bool answered = false;
            db()->requestPatients([&](NSUI::NSDBDataModel*) { answered = true; });
            ASSERT_TRUE(studydbtest::pumpUntil([&] { return answered; }));
        }
        EXPECT_EQ(filesOf(folder), std::vector<std::string>{fixture.sopInstanceUID})
            << cases[c].what;
        std::error_code error;
        EXPECT_GT(fs::file_size(folder + fixture.sopInstanceUID, error), firstSize)
            << cases[c].what;
        EXPECT_EQ(rows("select ID from image").size(), c + 1) << cases[c].what;
    }
    importer->shutdown();
    importer->release();
    expectRowsMatchFiles(db());
}

// A series filed before the patient folder was hashed from the name's key keeps receiving into
// its recorded folder, through the node and through the reconcile of an unclean start.
TEST_F(ServiceTest, NewInstancesOfASeriesFiledUnderTheOlderFolderRuleJoinItsFolder) {
    const std::string library = root();
    const std::string study = "1.2.826.0.1.3680043.9.74.1";
    const std::string series = study + ".1";
    const std::string legacy = "Doe^Jane^_P5/" + study + "/" + series + "/";
    bvtest::DicomFixture fixture;
    fixture.patientName = "Doe^Jane^";
    fixture.patientID = "P5";
    fixture.studyInstanceUID = study;
    fixture.seriesInstanceUID = series;
    fixture.sopInstanceUID = series + ".1";
    fs::create_directories(library + legacy);
    ASSERT_TRUE(fixture.write(library + legacy + dcmSDK::DcmNames::fileNameFor(series + ".1")));
    {
        std::lock_guard<std::recursive_mutex> guard(db()->getLock());
        NSUI::NSDBUtil& connection = db()->getConnection();
        ASSERT_TRUE(connection.executeSql(
            "insert into patient(name,patientIDHospital,updateTime) values (?,?,?)",
            {"Doe^Jane^", "P5", "2020-01-01 00:00:00"}));
        ASSERT_TRUE(connection.executeSql(
            "insert into study(patientID,studyUID,updateTime) select ID,?,? from patient",
            {study, "2020-01-01 00:00:00"}));
        ASSERT_TRUE(connection.executeSql(
            "insert into series(studyID,seriesUID,updateTime,path) select ID,?,?,? from study",
            {series, "2020-01-01 00:00:00", legacy}));
        ASSERT_TRUE(
            connection.executeSql("insert into image(seriesID,imageUID,instanceID,file) "
                                  "select ID,?,'1',? from series",
                                  {series + ".1", dcmSDK::DcmNames::fileNameFor(series + ".1")}));
    }
    const std::string hashed =
        dcmSDK::DcmNames::seriesFolder("Doe^Jane", "P5", study, series) + "/";

    bvtest::TempDir source;
    fixture.patientName = "Doe^Jane";
    fixture.sopInstanceUID = series + ".2";
    fixture.instanceNumber = 2;
    ASSERT_TRUE(fixture.write(source.str() + "2.dcm"));
    const std::string log = source.str() + "storescu.log";
    ChildProcess::run({"storescu", "-aec", "rivodavo", "127.0.0.1", std::to_string(port_),
                       source.str() + "2.dcm"},
                      log);
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return rows("select ID from image").size() == 2; }));

    // An object the node acknowledged into the hashed folder before a kill.
    dataService::destroyInstance();
    fixture.sopInstanceUID = series + ".3";
    fixture.instanceNumber = 3;
    fs::create_directories(library + hashed);
    ASSERT_TRUE(fixture.write(library + hashed + dcmSDK::DcmNames::fileNameFor(series + ".3")));
    studydb::StoreReconciler::markRunning(library);
    service_ = dataService::getInstance();
    ASSERT_TRUE(db()->ready());

    EXPECT_EQ(rows("select series.path,image.imageUID from image,series where "
                   "image.seriesID=series.ID order by image.imageUID"),
              (std::vector<std::vector<std::string>>{
                  {legacy, series + ".1"}, {legacy, series + ".2"}, {legacy, series + ".3"}}));
    EXPECT_FALSE(fs::exists(library + leadingFolder(hashed)));
    expectRowsMatchFiles(db());
}

// Writes into a series folder cut off by a kill leave their temporaries; the start after it
// removes them and keeps the folder's own files.
TEST_F(ServiceTest, AStartAfterAKillRemovesCutOffWritesFromSeriesFolders) {
    const std::string library = root();
    bvtest::TempDir source;
    bvtest::DicomFixture fixture;
    ASSERT_TRUE(fixture.write(source.str() + "1.dcm"));
    ChildProcess::run({"storescu", "-aec", "rivodavo", "127.0.0.1", std::to_string(port_),
                       source.str() + "1.dcm"},
                      source.str() + "storescu.log");
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return rows("select ID from image").size() == 1; }));
    const std::string folder = library + rows("select path from series")[0][0];
    dataService::destroyInstance();

    const struct {
        std::string name;
        bool kept;
    } cases[] = {{".1.2.3.dcm.4242-7.tmp", false},
                 {"thrumb0.part", false},
                 {"thrumb0", true},
                 {".hidden", true},
                 {"1.2.3.part", true}};
    for (const auto& one : cases) {
        std::ofstream(folder + one.name) << "x";
    }
    studydb::StoreReconciler::markRunning(library);
    service_ = dataService::getInstance();
    ASSERT_TRUE(db()->ready());
    for (const auto& one : cases) {
        EXPECT_EQ(fs::exists(folder + one.name), one.kept) << one.name;
    }
    EXPECT_EQ(rows("select ID from image").size(), 1u);
}

// An object that the folder its series row records can never take is set aside, out of the
// series folders, through the reconcile of an unclean start and through the node: what can be
// filed is, the run ends clean, and the next start reconciles nothing.
TEST_F(ServiceTest, AnObjectThatCanNeverBeFiledIsSetAsideAndHoldsNoStartToAReconcile) {
    const std::string library = root();
    const struct {
        const char* what;
        std::string recorded;  // the series row's folder
        std::string blocker;   // a plain file where that folder would go
    } cases[] = {
        {"a row of an older library without a folder", "", ""},
        {"a folder the library refuses", "reformat/x/y/", ""},
        {"a plain file where the folder goes", "Blocked_P2/s/x/", "Blocked_P2"},
    };
    const std::string study = "1.2.826.0.1.3680043.9.75.";
    const auto seriesOf = [&](std::size_t c) { return study + std::to_string(c) + ".1"; };
    const auto fixtureOf = [&](std::size_t c, int instance) {
        bvtest::DicomFixture fixture;
        fixture.patientName = "Refused^" + std::to_string(c);
        fixture.patientID = "R" + std::to_string(c);
        fixture.studyInstanceUID = study + std::to_string(c);
        fixture.seriesInstanceUID = seriesOf(c);
        fixture.sopInstanceUID = seriesOf(c) + "." + std::to_string(instance);
        fixture.instanceNumber = instance;
        return fixture;
    };
    const auto arrivalFolder = [&](const bvtest::DicomFixture& fixture) {
        return dcmSDK::DcmNames::seriesFolder(fixture.patientName, fixture.patientID,
                                              fixture.studyInstanceUID, fixture.seriesInstanceUID) +
               "/";
    };
    {
        std::lock_guard<std::recursive_mutex> guard(db()->getLock());
        NSUI::NSDBUtil& connection = db()->getConnection();
        for (std::size_t c = 0; c < std::size(cases); ++c) {
            const bvtest::DicomFixture fixture = fixtureOf(c, 1);
            ASSERT_TRUE(connection.executeSql(
                "insert into patient(name,patientIDHospital,updateTime) values (?,?,?)",
                {fixture.patientName, fixture.patientID, "2020-01-01 00:00:00"}));
            ASSERT_TRUE(connection.executeSql(
                "insert into study(patientID,studyUID,updateTime) "
                "select ID,?,? from patient where "
                "patientIDHospital=?",
                {fixture.studyInstanceUID, "2020-01-01 00:00:00", fixture.patientID}));
            ASSERT_TRUE(
                cases[c].recorded.empty()
                    ? connection.executeSql("insert into series(studyID,seriesUID,updateTime) "
                                            "select ID,?,? from study where studyUID=?",
                                            {fixture.seriesInstanceUID, "2020-01-01 00:00:00",
                                             fixture.studyInstanceUID})
                    : connection.executeSql(
                          "insert into series(studyID,seriesUID,updateTime,path) select "
                          "ID,?,?,? from study where studyUID=?",
                          {fixture.seriesInstanceUID, "2020-01-01 00:00:00", cases[c].recorded,
                           fixture.studyInstanceUID}));
            if (!cases[c].blocker.empty()) {
                std::ofstream(library + cases[c].blocker) << "not a folder";
            }
        }
    }
    dataService::destroyInstance();
    // Acknowledged before a kill: one object of each refused series, and one of a new series.
    std::map<std::string, std::uintmax_t> sizes;
    for (std::size_t c = 0; c < std::size(cases); ++c) {
        const bvtest::DicomFixture fixture = fixtureOf(c, 1);
        const std::string file = arrivalFolder(fixture) + fixture.sopInstanceUID;
        fs::create_directories(library + arrivalFolder(fixture));
        ASSERT_TRUE(fixture.write(library + file));
        sizes[file] = fs::file_size(library + file);
    }
    bvtest::DicomFixture good;
    good.studyInstanceUID = "1.2.826.0.1.3680043.9.75.9";
    good.seriesInstanceUID = good.studyInstanceUID + ".1";
    good.sopInstanceUID = good.seriesInstanceUID + ".1";
    fs::create_directories(library + arrivalFolder(good));
    ASSERT_TRUE(good.write(library + arrivalFolder(good) + good.sopInstanceUID));
    studydb::StoreReconciler::markRunning(library);

    service_ = dataService::getInstance();
    ASSERT_TRUE(db()->ready());
    EXPECT_EQ(rows("select imageUID from image"),
              (std::vector<std::vector<std::string>>{{good.sopInstanceUID}}));
    // A second object of the first refused series, through the node.
    bvtest::TempDir source;
    const bvtest::DicomFixture sent = fixtureOf(0, 2);
    ASSERT_TRUE(sent.write(source.str() + "sent.dcm"));
    const std::string log = source.str() + "storescu.log";
    ChildProcess::run({"storescu", "-v", "-aec", "rivodavo", "127.0.0.1", std::to_string(port_),
                       source.str() + "sent.dcm"},
                      log);
    ASSERT_EQ(successes(log), 1);
    const std::string sentFile = arrivalFolder(sent) + sent.sopInstanceUID;
    const std::string sentPatient = library + leadingFolder(arrivalFolder(sent));
    EXPECT_TRUE(studydbtest::pumpUntil(
        [&] { return fs::exists(library + ".unfiled/" + sentFile) && !fs::exists(sentPatient); }));
    for (std::size_t c = 0; c < std::size(cases); ++c) {
        EXPECT_FALSE(fs::exists(library + leadingFolder(arrivalFolder(fixtureOf(c, 1)))))
            << cases[c].what;
    }
    for (const auto& [file, size] : sizes) {
        std::error_code error;
        EXPECT_EQ(fs::file_size(library + ".unfiled/" + file, error), size) << file;
    }
    dataService::destroyInstance();
    EXPECT_FALSE(studydb::StoreReconciler::lastRunEndedUnclean(library));

    // A partial file only a reconcile removes: the next start leaves it.
    fs::create_directories(library + ".incoming");
    std::ofstream(library + ".incoming/left.part") << "left";
    service_ = dataService::getInstance();
    ASSERT_TRUE(db()->ready());
    EXPECT_TRUE(fs::exists(library + ".incoming/left.part"));
    EXPECT_EQ(rows("select imageUID from image"),
              (std::vector<std::vector<std::string>>{{good.sopInstanceUID}}));
    expectRowsMatchFiles(db());
}

// A start whose reconcile finds the database's disk too full to file anything keeps what it could
// not file and files it once room is made, in the same run, which then ends clean.
TEST_F(ServiceTest, ObjectsAStartCouldNotFileOnAFullDiskAreFiledOnceThereIsRoom) {
    bvtest::TempDir disk;
    const bvtest::SmallDisk small(disk.str());
    if (!small.mounted()) {
        GTEST_SKIP() << "mounting a tmpfs needs root";
    }
    const std::string library = root();
    const std::string database = library + "dicomDB";
    dataService::destroyInstance();
    fs::copy_file(database, disk.str() + "dicomDB");
    fs::remove(database);
    fs::create_symlink(disk.str() + "dicomDB", database);
    const std::size_t count = 3;
    bvtest::DicomFixture fixture;
    fixture.studyInstanceUID = "1.2.826.0.1.3680043.9.76.1";
    fixture.seriesInstanceUID = fixture.studyInstanceUID + ".1";
    const std::string folder =
        library +
        dcmSDK::DcmNames::seriesFolder(fixture.patientName, fixture.patientID,
                                       fixture.studyInstanceUID, fixture.seriesInstanceUID) +
        "/";
    fs::create_directories(folder);
    for (std::size_t i = 0; i < count; ++i) {
        fixture.sopInstanceUID = fixture.seriesInstanceUID + "." + std::to_string(i + 1);
        ASSERT_TRUE(fixture.write(folder + fixture.sopInstanceUID));
    }
    studydb::StoreReconciler::markRunning(library);
    // Room to open the database (its shared-memory file), none to write a transaction.
    const std::string filler = disk.str() + "filler";
    small.fill(filler);
    fs::resize_file(filler, fs::file_size(filler) - 40 * 1024);

    service_ = dataService::getInstance();
    ASSERT_TRUE(db()->ready());
    ASSERT_EQ(rows("select ID from image").size(), 0u);
    fs::remove(filler);
    EXPECT_TRUE(
        studydbtest::pumpUntil([&] { return rows("select ID from image").size() == count; }));
    dataService::destroyInstance();
    service_ = nullptr;
    EXPECT_FALSE(studydb::StoreReconciler::lastRunEndedUnclean(library));
}

TEST_F(ServiceTest, ImagesAcknowledgedWhileTheDatabaseDiskIsFullAreFiledAtTheNextStart) {
    bvtest::TempDir source;
    bvtest::TempDir disk;
    const bvtest::SmallDisk small(disk.str());
    if (!small.mounted()) {
        GTEST_SKIP() << "mounting a tmpfs needs root";
    }
    // The database moves to the small disk, which fills up once it is open; the objects still
    // fit on theirs.
    service_ = restartWithTheDatabaseOn(disk.str(), root());
    ASSERT_TRUE(db()->ready());
    small.fill(disk.str() + "filler");

    const int count = 4;
    ASSERT_EQ(sendSeries(port_, "1.2.826.0.1.3680043.9.72.1", count, source.str()), count);

    // An orderly exit (which files what the node announced), space freed, and a start.
    dataService::destroyInstance();
    fs::remove(disk.str() + "filler");
    service_ = dataService::getInstance();
    ASSERT_TRUE(db()->ready());
    EXPECT_EQ(rows("select ID from image").size(), static_cast<std::size_t>(count));
    dataService::destroyInstance();
    service_ = nullptr;
}

// Room made while the program runs: what was acknowledged while the database's disk was full is
// filed without a restart.
TEST_F(ServiceTest, ImagesAcknowledgedWhileTheDatabaseDiskIsFullAreFiledOnceThereIsRoom) {
    bvtest::TempDir source;
    bvtest::TempDir disk;
    const bvtest::SmallDisk small(disk.str());
    if (!small.mounted()) {
        GTEST_SKIP() << "mounting a tmpfs needs root";
    }
    service_ = restartWithTheDatabaseOn(disk.str(), root());
    ASSERT_TRUE(db()->ready());
    // A favourite row, so that reading the favourites answers.
    ASSERT_GT(db()->insertTextNote("note"), 0);
    small.fill(disk.str() + "filler");
    studydbtest::KeyRecorder received(studydb::NOTIFY_DICOM_FILE_RECEIVED);

    const std::size_t count = 4;
    ASSERT_EQ(
        sendSeries(port_, "1.2.826.0.1.3680043.9.72.2", static_cast<int>(count), source.str()),
        static_cast<int>(count));
    // The worker answers in order: once the favourites are read, it has tried every image.
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return received.texts.size() == count; }));
    bool answered = false;
    db()->requestFavorites([&](NSUI::NSDBDataModel*) { answered = true; });
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return answered; }));
    ASSERT_EQ(rows("select ID from image").size(), 0u);

    fs::remove(disk.str() + "filler");
    EXPECT_TRUE(
        studydbtest::pumpUntil([&] { return rows("select ID from image").size() == count; }));
    // Filed in this run, the run ends clean.
    const std::string folder = root();
    dataService::destroyInstance();
    service_ = nullptr;
    EXPECT_FALSE(studydb::StoreReconciler::lastRunEndedUnclean(folder));
}

// The node of the crash test, run in a process of its own until the test kills it.
TEST(NodeChild, ServesUntilKilled) {
    const char* folder = std::getenv(kChildFolder);
    const char* port = std::getenv(kChildPort);
    if (folder == nullptr || port == nullptr) {
        GTEST_SKIP() << "runs only as the node of the crash test";
    }
    studydbtest::LoopbackNetwork network;
    NSUI::NSNotificationCenter::getInstance();
    NSUI::setEncodedUserDefault("app_dicom_path", folder);
    dicomDB::setNodePort(port);
    const auto udp = static_cast<uint16_t>(bvtest::freeLoopbackPort(true));
    NSUI::sniffer::setDefaultPorts(udp, udp);
    registerDcmCallbacks();
    dataService::getInstance();
    studydbtest::pumpUntil([] { return false; }, 300.0);
    dataService::destroyInstance();
}

TEST(NodeCrash, RestartFilesAcknowledgedImagesAndDropsPartialFiles) {
    bvtest::TempDir storage;
    bvtest::TempDir source;
    const std::string folder = storage.str() + "dicom/";
    const int port = bvtest::freeLoopbackPort();
    const SenderFiles files(source.str());

    setenv(kChildFolder, folder.c_str(), 1);
    setenv(kChildPort, std::to_string(port).c_str(), 1);
    ChildProcess node;
    const bool started =
        node.start({"/proc/self/exe", "--gtest_filter=NodeChild.ServesUntilKilled"},
                   source.str() + "node.log", ChildProcess::LogMode::Append);
    unsetenv(kChildFolder);
    unsetenv(kChildPort);
    ASSERT_TRUE(started);
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return portOpen(port); }, 60.0));
    auto senders = files.send(port, source.str());
    ASSERT_TRUE(studydbtest::pumpUntil(
        [&] { return files.acknowledged(source.str()).size() >= kAcknowledgedBeforeFault; },
        120.0));
    node.kill();
    waitForAll(senders);
    const std::set<std::string> acknowledged = files.acknowledged(source.str());
    // A transfer the crash cut off half-way, whatever the kill itself left behind.
    std::ofstream(folder + ".incoming/0-0.part") << "never acknowledged";

    studydbtest::LoopbackNetwork network;
    NSUI::setEncodedUserDefault("app_dicom_path", folder);
    dicomDB::setNodePort(std::to_string(bvtest::freeLoopbackPort()));
    auto* db = new dicomDB();
    ASSERT_TRUE(db->init());
    ASSERT_TRUE(db->ready());
    const std::set<std::string> filed = imageUids(db);
    for (const std::string& uid : acknowledged) {
        EXPECT_EQ(filed.count(uid), 1u) << uid << " was acknowledged but is not in the library";
    }
    EXPECT_TRUE(filesIn(folder + ".incoming").empty());
    EXPECT_TRUE(studydb::StoreReconciler::lastRunEndedUnclean(folder));
    db->shutdown();
    EXPECT_FALSE(studydb::StoreReconciler::lastRunEndedUnclean(folder));
    db->release();
    NSUI::setEncodedUserDefault("app_dicom_path", "");
}

TEST(LibraryLock, ASecondProcessOnTheLibraryNeitherReconcilesNorWrites) {
    bvtest::TempDir storage;
    bvtest::TempDir source;
    const std::string folder = storage.str() + "dicom/";
    const int port = bvtest::freeLoopbackPort();
    setenv(kChildFolder, folder.c_str(), 1);
    setenv(kChildPort, std::to_string(port).c_str(), 1);
    ChildProcess first;
    const bool started =
        first.start({"/proc/self/exe", "--gtest_filter=NodeChild.ServesUntilKilled"},
                    source.str() + "node.log", ChildProcess::LogMode::Append);
    unsetenv(kChildFolder);
    unsetenv(kChildPort);
    ASSERT_TRUE(started);
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return portOpen(port); }, 60.0));
    // The first one's transfer in flight, and the marker of its run.
    fs::create_directories(folder + ".incoming");
    std::ofstream(folder + ".incoming/0-0.part") << "in flight";
    ASSERT_TRUE(studydb::StoreReconciler::lastRunEndedUnclean(folder));

    studydbtest::LoopbackNetwork network;
    NSUI::setEncodedUserDefault("app_dicom_path", folder);
    const int secondPort = bvtest::freeLoopbackPort();
    dicomDB::setNodePort(std::to_string(secondPort));
    auto* second = new dicomDB();
    ASSERT_TRUE(second->init());
    EXPECT_FALSE(second->ready());
    EXPECT_GT(second->libraryInUseBy(), 0);
    EXPECT_NE(second->libraryInUseBy(), static_cast<long>(getpid()));
    EXPECT_FALSE(portOpen(secondPort));
    EXPECT_EQ(filesIn(folder + ".incoming"), std::vector<std::string>{"0-0.part"});
    second->shutdown();
    second->release();
    EXPECT_TRUE(studydb::StoreReconciler::lastRunEndedUnclean(folder));

    // The first one still files what it is sent.
    bvtest::DicomFixture fixture;
    const std::string path = source.str() + "one.dcm";
    ASSERT_TRUE(fixture.write(path));
    EXPECT_EQ(
        ChildProcess::run({"storescu", "-aec", "rivodavo", "127.0.0.1", std::to_string(port), path},
                          source.str() + "storescu.log"),
        0);
    first.kill();
    // Once it is gone, the library is this process's to open.
    auto* after = new dicomDB();
    ASSERT_TRUE(after->init());
    EXPECT_TRUE(after->ready());
    EXPECT_EQ(after->libraryInUseBy(), 0);
    after->shutdown();
    after->release();
    NSUI::setEncodedUserDefault("app_dicom_path", "");
}

namespace {

// An application whose language is Chinese, as a user's would be.
class ChineseApplication : public cocos2d::Application {
public:
    bool applicationDidFinishLaunching() override { return true; }
    void applicationDidEnterBackground() override {}
    void applicationWillEnterForeground() override {}
    cocos2d::LanguageType getCurrentLanguage() override { return cocos2d::LanguageType::CHINESE; }
};

class ChineseServiceTest : public ServiceTest {
protected:
    void SetUp() override {
        application_ = std::make_unique<ChineseApplication>();
        ServiceTest::SetUp();
    }
    void TearDown() override {
        ServiceTest::TearDown();
        application_.reset();
    }

    std::unique_ptr<ChineseApplication> application_;
};

}  // namespace

TEST_F(ChineseServiceTest, AFileWithoutCharacterSetSentAndImportedIsOnePatient) {
    bvtest::TempDir source;
    bvtest::DicomFixture fixture;
    fixture.patientName = "Wang^\xcd\xf5";  // GB18030, and no Specific Character Set says so
    fixture.sopInstanceUID = "1.2.826.0.1.3680043.9.71.1";
    const std::string path = source.str() + "wang.dcm";
    ASSERT_TRUE(fixture.write(path));
    ASSERT_EQ(ChildProcess::run(
                  {"storescu", "-aec", "rivodavo", "127.0.0.1", std::to_string(port_), path},
                  source.str() + "storescu.log"),
              0);
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return !rows("select ID from image").empty(); }));

    KeyRecorder imported(2016);
    importDcm* importer = importDcm::create();
    importer->retain();
    importer->setDicomRoot(root());
    importer->importPath(path, false);
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return !imported.texts.empty(); }));
    // The worker runs in order: once a later request is answered, the import is filed.
    bool answered = false;
    db()->requestPatients([&answered](NSUI::NSDBDataModel*) { answered = true; });
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return answered; }));
    importer->shutdown();
    importer->release();

    const auto patients = rows("select name from patient");
    ASSERT_EQ(patients.size(), 1u);
    EXPECT_EQ(patients[0][0], "Wang^\xe7\x8e\x8b");
    EXPECT_EQ(rows("select ID from image").size(), 1u);
}
