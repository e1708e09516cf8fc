#include "app/patientList.h"

#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdeftag.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/selectSeries.h"
#include "app/studyList.h"
#include "engine/2d/Label.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/base/InputRouter.h"
#include "engine/base/RefPtr.h"
#include "engine/base/Scheduler.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Button.h"
#include "engine/ui/Text.h"
#include "platform/FileDialogs.h"
#include "studydb/StudyNotifications.h"
#include "studydb/dataService.h"
#include "studydb/dcmSend.h"
#include "studydb/dicomDB.h"
#include "tests/app/AppFixture.h"
#include "tests/app/HomeScreenFixture.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/KeptResourcePaths.h"
#include "tests/support/lib/LoopbackPort.h"
#include "tests/support/lib/SmallDisk.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSDBUtil.h"
#include "toolkit/core/NSLanguage.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/core/ZipRoutines.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSResponseWindow.h"
#include "toolkit/widgets/NSTableViewCell.h"
#include "toolkit/widgets/NSTextField.h"

namespace fs = std::filesystem;
using cocos2d::Node;
using cocos2d::ui::Button;
using hometest::HomeScreenTest;
using hometest::pumpFrames;
using hometest::pumpUntil;

namespace {

std::string cellText(patientList* screen, ssize_t index, const std::string& name) {
    NSUI::NSTableViewCell* cell = screen->getTable()->cellAtIndex(index);
    if (cell == nullptr) {
        return "<no cell>";
    }
    auto* text = dynamic_cast<cocos2d::ui::Text*>(cell->getChildByNameDeep(name));
    return text != nullptr ? text->getString() : "<no " + name + ">";
}

bool cellMarked(patientList* screen, ssize_t index) {
    NSUI::NSTableViewCell* cell = screen->getTable()->cellAtIndex(index);
    Node* mark = cell != nullptr ? cell->getChildByNameDeep("newFiles") : nullptr;
    return mark != nullptr && mark->isVisible();
}

Button* button(patientList* screen, const std::string& name) {
    return dynamic_cast<Button*>(screen->getChildByNameDeep(name));
}

bool shown(Node* node) {
    return node != nullptr && node->isVisible();
}

// The study list of the patient beside the table, on a wide window.
studyList* sidePanel(patientList* screen) {
    return dynamic_cast<studyList*>(screen->getChildByName("studylistpc"));
}

// The patient IDs of the rows on screen that carry the selection's highlight.
std::vector<std::string> highlightedIds(patientList* screen) {
    std::vector<std::string> ids;
    for (NSUI::NSTableViewCell* cell : screen->getTable()->getUsedCells()) {
        if (cell->getChildByTag(10000) != nullptr) {
            ids.push_back(screen->getRow(cell->index)->patientID);
        }
    }
    return ids;
}

// Every patient of a series of `count` slices in `folder`.
void writeSeries(const std::string& folder, const std::string& id, const std::string& name,
                 int count) {
    fs::create_directories(folder);
    bvtest::DicomFixture fixture;
    fixture.patientID = id;
    fixture.patientName = name;
    fixture.rows = 8;
    fixture.columns = 8;
    ASSERT_EQ(fixture.writeSeries(folder, count, 1.0).size(), static_cast<size_t>(count));
}

}  // namespace

TEST_F(HomeScreenTest, AnswerRowsBecomeRowsNewestFirstWithTheirCellTexts) {
    showScreen();
    loadRows({answerRow("7", "Alpha^Ann", 2, 3, 40), answerRow("3", "Beta^Bob")});

    ASSERT_EQ(screen->getTable()->getItemCount(), 2);
    patientList::listObject* row = screen->getRow(0);
    EXPECT_EQ(row->patientID, "7");
    EXPECT_EQ(row->patientIDHospital, "H7");
    EXPECT_EQ(row->birthday, "1970.01.02");
    EXPECT_EQ(row->seriesDate, "2024-01-02 10:10:10");
    EXPECT_EQ(row->studyDesc, "CHEST");
    EXPECT_EQ(row->folder, "P7") << "the series folder loses its study and series components";
    EXPECT_EQ(row->orderKey, patientList::kFirstOrderKey);
    EXPECT_EQ(screen->getRow(1)->orderKey, patientList::kFirstOrderKey + 1);

    EXPECT_EQ(cellText(screen, 0, "name"), "Alpha^Ann");
    EXPECT_EQ(cellText(screen, 0, "id"), "H7");
    EXPECT_EQ(cellText(screen, 0, "seriesDate"), "2024-01-02 10:10:10");
    EXPECT_EQ(cellText(screen, 0, "imageNumber"), "2-3-40");
    EXPECT_FALSE(cellMarked(screen, 0));
}

// A received file raises the counts of its patient's one row wherever that row is (shown or
// waiting behind the filter); a patient not listed gets a new row at the top.
TEST_F(HomeScreenTest, ReceivedFileUpdatesItsPatientsRowOrInsertsOneAtTheTop) {
    struct Case {
        const char* what;
        const char* id;
        const char* filter;
        int newStudy;
        int newSeries;
        std::vector<std::string> shownAfter;
        std::string countsOfPatient;
    };
    const std::vector<Case> cases = {
        {"listed patient", "2", "", 0, 1, {"Anna", "Bert", "Carl"}, "1-2-2"},
        {"new patient", "9", "", 1, 1, {"Dora", "Anna", "Bert", "Carl"}, "1-1-1"},
        {"patient hidden by the filter", "2", "AN", 1, 0, {"Anna"}, "2-1-2"},
        {"new patient while filtered", "9", "AN", 1, 1, {"Dora", "Anna"}, "1-1-1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        showScreen();
        loadRows({answerRow("1", "Anna"), answerRow("2", "Bert"), answerRow("3", "Carl")});
        if (*c.filter != '\0') {
            screen->applyFilter(button(screen, "filter"), c.filter);
        }
        postReceived(c.id, c.id == std::string("9") ? "Dora" : "Bert", c.newStudy, c.newSeries);
        EXPECT_EQ(visibleNames(), c.shownAfter);

        screen->applyFilter(button(screen, "filter"), "");
        int rowsOfPatient = 0;
        for (ssize_t i = 0; i < screen->getTable()->getItemCount(); ++i) {
            patientList::listObject* row = screen->getRow(i);
            if (row->patientID == c.id) {
                ++rowsOfPatient;
                EXPECT_TRUE(row->newFiles);
                EXPECT_EQ(std::to_string(row->studyCount) + "-" + std::to_string(row->seriesCount) +
                              "-" + std::to_string(row->imageCount),
                          c.countsOfPatient);
                EXPECT_TRUE(cellMarked(screen, i));
            }
        }
        EXPECT_EQ(rowsOfPatient, 1);
    }
}

TEST_F(HomeScreenTest, RemovingTheFilterRestoresLoadingOrderWithNewRowsOnTop) {
    showScreen();
    loadRows({answerRow("1", "Anna"), answerRow("2", "Bert"), answerRow("3", "Hanna"),
              answerRow("4", "Dan")});
    NSUI::NSTextField* field = screen->getFilterField();
    ASSERT_NE(field, nullptr);
    field->setString("an");
    screen->onFilterFieldEvent(field, 4);
    EXPECT_EQ(visibleNames(), (std::vector<std::string>{"Anna", "Hanna", "Dan"}));
    EXPECT_EQ(button(screen, "filter")->getUserString(), "1");
    EXPECT_EQ(button(screen, "filter")->getNormalFile(), "imgs/removefilter.png");

    postReceived("8", "Zed", 1, 1);
    screen->onFilterFieldEvent(field, 1);
    EXPECT_EQ(visibleNames(), (std::vector<std::string>{"Zed", "Anna", "Hanna", "Dan"}))
        << "typing without Enter changes nothing; a new row shows unfiltered";

    screen->onButtonClick(button(screen, "filter"));
    EXPECT_EQ(field->getString(), "");
    EXPECT_EQ(button(screen, "filter")->getUserString(), "0");
    EXPECT_EQ(button(screen, "filter")->getNormalFile(), "imgs/filter.png");
    EXPECT_EQ(visibleNames(), (std::vector<std::string>{"Zed", "Anna", "Bert", "Hanna", "Dan"}));
    EXPECT_TRUE(screen->getHiddenRows().empty());
}

TEST_F(HomeScreenTest, HelpAndPromptsShowUpToTwoRowsAndGoAtThree) {
    showScreen();
    auto help = [&] { return screen->getChildByNameDeep("wifihelp"); };
    auto prompts = [&] { return screen->getChildByTag(patientList::kPromptTag); };
    EXPECT_TRUE(shown(help()) && shown(help()->getParent()));
    EXPECT_TRUE(shown(prompts()));

    loadRows({answerRow("1", "Anna"), answerRow("2", "Bert")});
    EXPECT_TRUE(shown(help()->getParent()));
    EXPECT_TRUE(shown(prompts()));

    postReceived("3", "Carl", 1, 1);
    EXPECT_FALSE(shown(help()->getParent()));
    EXPECT_FALSE(shown(prompts()));
}

TEST_F(HomeScreenTest, FavouriteAndPeerBadgesFollowTheirCounts) {
    showScreen();
    Button* favourites = button(screen, "btnFavorite");
    ASSERT_NE(favourites, nullptr);
    NSUI::NSNotificationCenter::getInstance()->postString(
        nullptr, NSUI::NOTIFY_CAPTURE_SAVED, storage_.str() + "none.jpg", nullptr, true);
    pumpFrames(2);
    screen->updateFavoriteBadge(-1);
    auto* count =
        dynamic_cast<cocos2d::Label*>(favourites->getParent()->getChildByName("favoriteNodes"));
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->getString(), "2");
    EXPECT_TRUE(shown(favourites->getParent()->getChildByName("favoriteNodesBK")));
    screen->updateFavoriteBadge(0);
    EXPECT_FALSE(shown(count));
    EXPECT_FALSE(shown(favourites->getParent()->getChildByName("favoriteNodesBK")));

    // The service's own peer counts would race the ones given here.
    cocos2d::Director::getInstance()->getScheduler()->unschedule("_dataServiceDataManager",
                                                                 dataService::getInstance());
    Button* wifi = button(screen, "wifi");
    const float tableY = screen->getTable()->getPositionY();
    NSUI::NSNotificationCenter::getInstance()->postInt(nullptr, studydb::NOTIFY_PEER_COUNT, -1,
                                                       nullptr, true);
    pumpFrames(6);
    EXPECT_EQ(wifi->getNormalFile(), "imgs/Wi-Fi-Red.png");
    EXPECT_TRUE(shown(screen->getChildByTag(patientList::kWifiWarningTag)));
    EXPECT_FLOAT_EQ(screen->getTable()->getPositionY(), tableY - 100.0f);

    screen->updatePeerCount(3);
    pumpFrames(6);
    EXPECT_EQ(wifi->getNormalFile(), "imgs/Wi-Fi-Green.png");
    auto* peers = dynamic_cast<cocos2d::Label*>(wifi->getParent()->getChildByName("activeNodes"));
    ASSERT_NE(peers, nullptr);
    EXPECT_EQ(peers->getString(), "3");
    EXPECT_TRUE(shown(peers));
    EXPECT_FALSE(shown(screen->getChildByTag(patientList::kWifiWarningTag)));
    EXPECT_FLOAT_EQ(screen->getTable()->getPositionY(), tableY);

    screen->updatePeerCount(0);
    EXPECT_FALSE(shown(peers));
    EXPECT_FALSE(shown(wifi->getParent()->getChildByName("activeNodesBK")));
}

TEST_F(HomeScreenTest, NarrowWindowsOpenARowOnlyFromItsRightEnd) {
    showScreen();
    loadRows({answerRow("1", "Anna")});
    postReceived("1", "Anna", 0, 0);
    NSUI::NSListView* table = screen->getTable();
    NSUI::NSTableViewCell* cell = table->cellAtIndex(0);
    ASSERT_NE(cell, nullptr);
    const float width = table->getContentSize().width;
    screen->tableCellTouched(table, cell, cocos2d::Vec2(width - 65.0f, 50.0f));
    EXPECT_TRUE(screen->getRow(0)->newFiles) << "the left part of a row does nothing";
    screen->tableCellTouched(table, cell, cocos2d::Vec2(width - 10.0f, 50.0f));
    EXPECT_FALSE(screen->getRow(0)->newFiles);
}

TEST_F(HomeScreenTest, ImportPathTellsFoldersArchivesFilesAndMissingPathsApart) {
    const std::string base = storage_.str() + "imports/";
    fs::create_directories(base + "folder");
    for (const char* name : {"scan.ZIP", "scan.zip.dcm", "plain.dcm"}) {
        std::ofstream(base + name) << "x";
    }
    struct Case {
        std::string path;
        patientList::ImportKind kind;
        std::string resolved;
    };
    const std::vector<Case> cases = {
        {base + "folder", patientList::ImportKind::Folder, base + "folder"},
        {base + "scan.ZIP", patientList::ImportKind::Archive, base + "scan.ZIP"},
        {base + "scan.zip.dcm", patientList::ImportKind::File, base + "scan.zip.dcm"},
        {base + "plain.dcm", patientList::ImportKind::File, base + "plain.dcm"},
        {"file:///storage/a/b.zip", patientList::ImportKind::Missing, "/storage/a/b.zip"},
        {"file://" + base + "scan.ZIP", patientList::ImportKind::Missing,
         "file://" + base + "scan.ZIP"},
        {base + "missing.zip", patientList::ImportKind::Missing, base + "missing.zip"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const patientList::ImportTarget target = patientList::classifyImport(c.path);
        EXPECT_EQ(target.kind, c.kind);
        EXPECT_EQ(target.path, c.resolved);
    }
}

// A zip archive of a series becomes a patient row through the real import and database; a
// second archive while the first is unpacked is refused, and the unpacked files are gone after.
TEST_F(HomeScreenTest, ArchiveImportAddsItsPatientAndRefusesASecondMeanwhile) {
    showScreen();
    const std::string source = storage_.str() + "zipsource/Series1/";
    writeSeries(source, "ZIP-1", "Zipped^Zoe", 3);
    const std::string archive = storage_.str() + "study.Zip";
    ASSERT_TRUE(NSUI::zipFolder(archive, source, ""));

    screen->importPath(archive, false);
    EXPECT_TRUE(screen->isArchiveImportRunning());
    screen->importPath(archive, false);
    Node* toast =
        cocos2d::Director::getInstance()->getRunningScene()->getChildByName("ns_fun_messageBox");
    EXPECT_NE(toast, nullptr) << "the second archive is refused with a message";

    ASSERT_TRUE(pumpUntil([&] {
        const auto names = visibleNames();
        return std::find(names.begin(), names.end(), "Zipped^Zoe") != names.end();
    }));
    ASSERT_TRUE(pumpUntil([&] { return screen->getRow(0)->imageCount == 3; }));
    EXPECT_FALSE(screen->isArchiveImportRunning());
    EXPECT_EQ(visibleNames().size(), 1u) << "one archive, one patient row";
    const std::string unzipped =
        cocos2d::FileUtils::getInstance()->getWritablePath() + "qn/tmp/unzip/";
    ASSERT_TRUE(pumpUntil([&] {
        for (const auto& entry : fs::recursive_directory_iterator(unzipped)) {
            if (entry.is_regular_file()) {
                return false;
            }
        }
        return true;
    }));
    EXPECT_TRUE(fs::exists(archive)) << "the archive itself is kept";
}

// An archive import that fails says why where its overlay was, imports nothing and leaves
// nothing unpacked: a damaged archive, then one whose files need more room than the disk of the
// unzip folder has free (a small tmpfs mounted over it).
TEST_F(HomeScreenTest, AFailedArchiveImportSaysWhy) {
    showScreen();
    const auto toast = [] {
        auto* text = dynamic_cast<cocos2d::ui::Text*>(
            cocos2d::Director::getInstance()->getRunningScene()->getChildByNameDeep(
                "messageBox.text"));
        return text != nullptr && text->isVisible() ? text->getString() : std::string();
    };
    const std::string unzip =
        cocos2d::FileUtils::getInstance()->getWritablePath() + "qn/tmp/unzip/";
    const std::string damaged = storage_.str() + "damaged.zip";
    std::ofstream(damaged) << "PK not an archive";
    bvtest::DicomFixture large;
    large.patientName = "Large^Lou";
    large.rows = 400;
    large.columns = 400;
    fs::create_directories(storage_.str() + "large/");
    ASSERT_TRUE(large.write(storage_.str() + "large/1.dcm"));
    const std::string tooLarge = storage_.str() + "large.zip";
    ASSERT_TRUE(NSUI::zipFolder(tooLarge, storage_.str() + "large/", ""));
    const struct {
        const char* what;
        std::string archive;
        const char* key;
        const char* text;
        bool smallDisk;
    } cases[] = {{"a damaged archive", damaged, "decompressFail",
                  "The archive was not imported: it could not be unpacked.", false},
                 {"an archive larger than the free space", tooLarge, "decompressNoRoom",
                  "The archive was not imported: its files need more disk space than is free.",
                  true}};
    NSUI::NSLanguage language;
    language.load();
    for (const auto& one : cases) {
        std::optional<bvtest::SmallDisk> disk;
        if (one.smallDisk) {
            fs::create_directories(unzip);
            disk.emplace(unzip);
            if (!disk->mounted()) {
                GTEST_SKIP() << "mounting a tmpfs needs root";
            }
        }
        screen->importPath(one.archive, false);
        ASSERT_TRUE(pumpUntil([&] { return !screen->isArchiveImportRunning(); })) << one.what;
        EXPECT_EQ(toast(), AppConfig::getInstance()->getTextOrKey(one.key)) << one.what;
        EXPECT_EQ(language.getString(one.key), one.text) << one.what;
        EXPECT_TRUE(visibleNames().empty()) << one.what;
        std::size_t left = 0;
        for (const auto& entry : fs::recursive_directory_iterator(unzip)) {
            left += entry.is_regular_file() ? 1 : 0;
        }
        EXPECT_EQ(left, 0u) << one.what;
    }
}

// A second archive started the moment the first one is unpacked must not take the first one's
// files away while they still wait for the import worker: both studies arrive whole, and the
// unpacked files go once each import has taken them.
TEST_F(HomeScreenTest, ASecondArchiveStartedAtOnceLeavesTheFirstOnesFilesToItsImport) {
    showScreen();
    const std::string first = storage_.str() + "first.zip";
    const std::string second = storage_.str() + "second.zip";
    writeSeries(storage_.str() + "zipA/Series1/", "ZIP-A", "First^Archive", 40);
    writeSeries(storage_.str() + "zipB/Series1/", "ZIP-B", "Second^Archive", 3);
    ASSERT_TRUE(NSUI::zipFolder(first, storage_.str() + "zipA/Series1/", ""));
    ASSERT_TRUE(NSUI::zipFolder(second, storage_.str() + "zipB/Series1/", ""));

    // Registered after the screen, so it runs right behind the screen's own handling of the
    // first archive's end, in the same delivery pass.
    int finished = 0;
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        &finished, nullptr,
        [&](cocos2d::Ref*, unsigned, NSUI::NSNotificationData*) {
            if (++finished == 1) {
                screen->importPath(second, false);
            }
        },
        studydb::NOTIFY_IMPORT_FINISHED);
    screen->importPath(first, false);
    ASSERT_TRUE(pumpUntil([&] { return finished == 2 && !screen->isArchiveImportRunning(); }));

    const auto images = [&](const char* name) {
        for (int i = 0; i < screen->getTable()->getItemCount(); ++i) {
            if (screen->getRow(i)->name == name) {
                return screen->getRow(i)->imageCount;
            }
        }
        return 0;
    };
    ASSERT_TRUE(pumpUntil([&] {
        return images("First^Archive") == 40 && images("Second^Archive") == 3;
    })) << "first "
        << images("First^Archive") << ", second " << images("Second^Archive");
    const std::string unzipped =
        cocos2d::FileUtils::getInstance()->getWritablePath() + "qn/tmp/unzip/";
    ASSERT_TRUE(pumpUntil([&] { return fs::is_empty(unzipped); }))
        << "each archive's folder goes once its import has taken every file";
    NSUI::NSNotificationCenter::getInstance()->removeObserver(&finished);
}

// A storage node that could not take its port is shown on the home screen with the reason, in
// place of the waiting line's green promise; the warning goes once the node listens.
TEST_F(HomeScreenTest, ANodeThatCannotListenIsShownWithItsReason) {
    const apptest::LoopbackOnly network;
    dcmSDK::dcmServer& server = dataService::getInstance()->getDatabase()->getServer();
    server.StopDicomServer();
    const int port = std::stoi(dicomDB::getNodePort());
    bvtest::TakenPort other(port);
    ASSERT_TRUE(other.taken());
    ASSERT_FALSE(server.BeginDicomServer());
    showScreen();
    const auto bar = [&] {
        return screen->getTable()->getParent()->getChildByTag(patientList::kWifiWarningTag);
    };
    const auto barText = [&] {
        auto* text = dynamic_cast<cocos2d::ui::Text*>(bar()->getChildByName("wifiWarningText"));
        return text != nullptr ? text->getString() : std::string("<no text>");
    };
    ASSERT_TRUE(pumpUntil([&] { return shown(bar()); }));
    EXPECT_EQ(barText().rfind("The DICOM node is not running: cannot listen on port " +
                                  std::to_string(port) + ": ",
                              0),
              0u)
        << barText();
    EXPECT_EQ(button(screen, "wifi")->getNormalFile(), "imgs/Wi-Fi-Red.png");
    ASSERT_TRUE(shown(button(screen, "wifihelp"))) << "the empty library's help";
    EXPECT_EQ(button(screen, "wifihelp")->getNormalFile(), "imgs/Wi-Fi-Red.png")
        << "the help's waiting line under the red bar";

    other.release();
    ASSERT_TRUE(server.BeginDicomServer());
    ASSERT_TRUE(pumpUntil([&] { return !shown(bar()); }));
    EXPECT_EQ(button(screen, "wifi")->getNormalFile(), "imgs/Wi-Fi-Green.png");
    EXPECT_EQ(button(screen, "wifihelp")->getNormalFile(), "imgs/Wi-Fi-Green.png");
}

// The first run copies and imports the example archive; the next run removes its unpacked copy.
TEST_F(HomeScreenTest, ExampleDataIsImportedOnTheFirstRunAndRemovedOnTheNext) {
    const bvtest::TempDir resources("bvexample");
    const std::string series = resources.str() + "src/CT/";
    writeSeries(series, "EX-1", "Example^Phantom", 2);
    ASSERT_TRUE(NSUI::zipFolder(resources.str() + "example.zip", series, ""));
    const bvtest::KeptResourcePaths kept;
    cocos2d::FileUtils::getInstance()->addSearchPath(resources.str(), true);
    NSUI::setEncodedUserDefault("app_init_db", "1");

    showScreen();
    NSUI::UILocalConfig config;
    EXPECT_EQ(config.getIntegerForKey("app_init_db", 9), 0);
    ASSERT_TRUE(pumpUntil([&] {
        return screen->getTable()->getItemCount() == 1 && screen->getRow(0)->imageCount == 2;
    }));
    EXPECT_EQ(screen->getRow(0)->name, "Example^Phantom");
    const std::string example =
        cocos2d::FileUtils::getInstance()->getWritablePath() + "qn/tmp/example/";
    EXPECT_TRUE(fs::exists(example));
    EXPECT_FALSE(fs::exists(example + "1.tmp")) << "the archive copy is not imported";

    showScreen();
    EXPECT_FALSE(fs::exists(example));
    ASSERT_TRUE(pumpUntil([&] { return screen->getTable()->getItemCount() == 1; }))
        << "the example patient stays in the library";
}

TEST_F(HomeScreenTest, DeletingARowRemovesThePatientFromTheLibrary) {
    showScreen();
    const std::string folder = storage_.str() + "toImport/Series1/";
    writeSeries(folder, "DEL-1", "Delete^Me", 2);
    screen->importPath(folder, false);
    // Both images filed: one filed after the deletion would bring the patient back.
    ASSERT_TRUE(pumpUntil([&] {
        return screen->getTable()->getItemCount() == 1 && screen->getRow(0)->imageCount == 2;
    }));
    const std::string patientId = screen->getRow(0)->patientID;
    const std::string patientFolder = screen->getDicomRoot() + screen->getRow(0)->folder;
    ASSERT_TRUE(fs::is_directory(patientFolder)) << patientFolder;
    dicomDB* database = dataService::getInstance()->getDatabase();
    ASSERT_TRUE(database->patientExists(patientId));

    screen->deleteRow(5);
    EXPECT_EQ(screen->getTable()->getItemCount(), 1) << "no such row: nothing happens";
    screen->deleteRow(0);
    EXPECT_EQ(screen->getTable()->getItemCount(), 0);
    ASSERT_TRUE(pumpUntil([&] { return !database->patientExists(patientId); }));
    // The files go after the rows' removal is committed.
    EXPECT_TRUE(pumpUntil([&] { return !fs::exists(patientFolder); })) << patientFolder;
}

TEST_F(HomeScreenTest, AFirstRowArrivingInAnEmptyListSitsAtTheTop) {
    showScreen();
    postReceived("5", "Eve", 1, 1);
    NSUI::NSListView* table = screen->getTable();
    NSUI::NSTableViewCell* cell = table->cellAtIndex(0);
    ASSERT_NE(cell, nullptr);
    const cocos2d::Vec2 corner = cell->convertToWorldSpace(cocos2d::Vec2::ZERO);
    EXPECT_FLOAT_EQ(corner.y + patientList::kRowHeight, 800.0f - patientList::kTopBarHeight);

    postReceived("6", "Fay", 1, 1);
    ASSERT_NE(table->cellAtIndex(1), nullptr);
    EXPECT_FLOAT_EQ(table->cellAtIndex(1)->convertToWorldSpace(cocos2d::Vec2::ZERO).y +
                        2 * patientList::kRowHeight,
                    800.0f - patientList::kTopBarHeight);
}

TEST_F(HomeScreenTest, TheNodeButtonOpensTheNodeScreenWithTheSelectedPatient) {
    showScreen();
    loadRows({answerRow("1", "Anna")});
    screen->getTable()->selectCellAtIndex(0);
    screen->onButtonClick(button(screen, "wifi"));
    auto* window = dynamic_cast<NSUI::NSResponseWindow*>(
        screen->getChildren().empty() ? nullptr : screen->getChildren().back());
    ASSERT_NE(window, nullptr);
    auto* nodes = dynamic_cast<dcmSend*>(window->getChildByName("dcmSend"));
    ASSERT_NE(nodes, nullptr);
    EXPECT_EQ(nodes->getSendPath(), screen->getDicomRoot() + "P1");
    EXPECT_EQ(nodes->getSendLabel(), "Anna (H1)") << "the patient's name and ID";
    pumpFrames(2);
    EXPECT_TRUE(nodes->getChildByNameDeep("dcmNode_send")->isVisible());
    const auto held = cocos2d::RefPtr<NSUI::NSResponseWindow>::retained(window);
    nodes->onClick(nodes->getChildByNameDeep("btn_back"));
    EXPECT_EQ(held->getParent(), nullptr);
}

TEST_F(HomeScreenTest, AClickOnTheFeedbackButtonOpensTheFeedbackPage) {
    showScreen();
    Button* advice = button(screen, "writeAdvice");
    ASSERT_NE(advice, nullptr);
    ASSERT_TRUE(advice->isVisible());
    // Inside the top bar, clear of the account button and the title.
    const cocos2d::Rect box = advice->getBoundingBox();
    const cocos2d::Vec2 corner = advice->getParent()->convertToWorldSpace(box.origin);
    EXPECT_GE(corner.y, 800.0f - patientList::kTopBarHeight);
    EXPECT_LE(corner.y + box.size.height, 800.0f);
    for (const char* other : {"logo", "homeTitle"}) {
        Node* neighbour = screen->getChildByNameDeep(other);
        ASSERT_NE(neighbour, nullptr) << other;
        EXPECT_FALSE(box.intersectsRect(neighbour->getBoundingBox())) << other;
    }

    cocos2d::Director* director = cocos2d::Director::getInstance();
    cocos2d::Scene* home = director->getRunningScene();
    const cocos2d::Vec2 centre = corner + cocos2d::Vec2(box.size.width, box.size.height) * 0.5f;
    cocos2d::InputRouter router;
    router.mouseDown(centre.x, 800.0f - centre.y, cocos2d::EventMouse::MouseButton::BUTTON_LEFT);
    router.mouseUp(centre.x, 800.0f - centre.y, cocos2d::EventMouse::MouseButton::BUTTON_LEFT);
    ASSERT_TRUE(pumpUntil([&] { return director->getRunningScene() != home; }));
    EXPECT_NE(director->getRunningScene()->getChildByNameDeep("title"), nullptr)
        << "the feedback page's title bar";
    director->popScene();
    pumpFrames(2);
}

// On a wide window the selected row is the patient beside the table: at start, after a click,
// after a delete and after rows that arrive.
TEST_F(HomeScreenTest, TheSelectedRowIsHighlightedAndShownBesideTheTable) {
    showScreen(1920.0f, 1080.0f);
    NSUI::NSListView* table = screen->getTable();
    auto sidePatient = [&] {
        studyList* side = sidePanel(screen);
        return side != nullptr ? side->getPatientId() : std::string("<no panel>");
    };
    loadRows({answerRow("7", "Alpha^Ann"), answerRow("3", "Beta^Bob"), answerRow("5", "Cy")});
    EXPECT_EQ(sidePatient(), "7") << "row 0 opens at once";
    EXPECT_EQ(highlightedIds(screen), std::vector<std::string>{"7"});

    // A click on the third row, through the window's input.
    NSUI::NSTableViewCell* third = table->cellAtIndex(2);
    ASSERT_NE(third, nullptr);
    const cocos2d::Vec2 point = third->convertToWorldSpace(cocos2d::Vec2(100.0f, 50.0f));
    cocos2d::InputRouter router;
    router.mouseDown(point.x, 1080.0f - point.y, cocos2d::EventMouse::MouseButton::BUTTON_LEFT);
    router.mouseUp(point.x, 1080.0f - point.y, cocos2d::EventMouse::MouseButton::BUTTON_LEFT);
    EXPECT_TRUE(pumpUntil([&] { return sidePatient() == "5"; })) << sidePatient();
    EXPECT_EQ(highlightedIds(screen), std::vector<std::string>{"5"})
        << "the selection stays in sight";

    // A row that arrives keeps the selection where it is.
    postReceived("9", "New^Nina", 1, 1);
    ASSERT_TRUE(pumpUntil([&] { return table->getItemCount() == 4; }));
    EXPECT_EQ(sidePatient(), "5");
    EXPECT_EQ(highlightedIds(screen), std::vector<std::string>{"5"});

    // Deleting the selected row selects and shows the row that takes its place.
    screen->onButtonClick(button(screen, "btnDel"));
    ASSERT_EQ(table->getItemCount(), 3);
    EXPECT_EQ(screen->getRow(2)->patientID, "3");
    EXPECT_EQ(highlightedIds(screen), std::vector<std::string>{"3"});
    EXPECT_TRUE(pumpUntil([&] { return sidePatient() == "3"; })) << sidePatient();
    pumpFrames(4);
    EXPECT_EQ(sidePatient(), "3") << "the deleted patient's notice leaves the panel alone";
}

// A row shows a patient's ID and name whole where it has room, else cut with "…", never cut
// unmarked; a 21-character ID has the room at both window sizes.
TEST_F(HomeScreenTest, RowsShowIdsAndNamesWholeOrEndedWithAnEllipsis) {
    const std::string longId = "RMT-2024-000123456789";
    const std::string hugeId(64, '7');
    const std::string hugeName = "Verylongfamilyname^" + std::string(60, 'x');
    for (const cocos2d::Size window : {cocos2d::Size(1280, 800), cocos2d::Size(1920, 1080)}) {
        SCOPED_TRACE(window.width);
        showScreen(window.width, window.height);
        std::vector<std::string> first = answerRow("1", "Short^Sam");
        first[1] = longId;
        std::vector<std::string> second = answerRow("2", hugeName);
        second[1] = hugeId;
        loadRows({first, second});
        EXPECT_EQ(cellText(screen, 0, "id"), longId);
        EXPECT_EQ(cellText(screen, 0, "name"), "Short^Sam");
        for (const char* name : {"id", "name"}) {
            const std::string shown = cellText(screen, 1, name);
            ASSERT_GE(shown.size(), 4u) << name;
            EXPECT_EQ(shown.substr(shown.size() - 3), "\u2026") << name << ": " << shown;
            auto* text = dynamic_cast<cocos2d::ui::Text*>(
                screen->getTable()->cellAtIndex(1)->getChildByNameDeep(name));
            cocos2d::Label* probe = cocos2d::Label::createWithSystemFont(shown, text->getFontName(),
                                                                         text->getFontSize());
            EXPECT_LE(probe->getContentSize().width, text->getTextAreaSize().width) << name;
        }
        // The ID's field ends before the description begins.
        NSUI::NSTableViewCell* cell = screen->getTable()->cellAtIndex(0);
        auto* idText = dynamic_cast<cocos2d::ui::Text*>(cell->getChildByNameDeep("id"));
        ASSERT_NE(idText, nullptr);
        const cocos2d::Rect id = idText->getBoundingBox();
        const cocos2d::Rect description = cell->getChildByNameDeep("desc")->getBoundingBox();
        EXPECT_LT(id.getMaxX(), description.getMinX());
        // Its text is drawn in that field: the label spans the field from the row's left
        // margin, not centred on a narrower field and pushed past the row's left edge.
        Node* label = idText->getVirtualRenderer();
        const float labelWidth = label->getContentSize().width;
        const float labelLeft = label->getPositionX() - label->getAnchorPoint().x * labelWidth;
        EXPECT_NEAR(labelLeft, 0.0f, 0.5f);
        EXPECT_NEAR(labelWidth, idText->getContentSize().width, 0.5f);
        const cocos2d::Vec2 start = idText->convertToWorldSpace(cocos2d::Vec2(labelLeft, 0.0f));
        const cocos2d::Vec2 rowStart = cell->convertToWorldSpace(cocos2d::Vec2::ZERO);
        EXPECT_NEAR(start.x - rowStart.x, 24.0f, 0.5f);
    }
}

// A filter that hides the chosen patient takes it out of the selection and the side panel; the
// buttons that act on the selection then say that none is chosen. One it shows stays chosen.
TEST_F(HomeScreenTest, AFilterThatHidesTheChosenPatientLeavesNothingChosen) {
    showScreen(1920.0f, 1080.0f);
    NSUI::NSListView* table = screen->getTable();
    loadRows({answerRow("7", "Alpha^Ann"), answerRow("3", "Beta^Bob"), answerRow("5", "Cy")});
    auto toastText = [] {
        return dynamic_cast<cocos2d::ui::Text*>(
            cocos2d::Director::getInstance()->getRunningScene()->getChildByNameDeep(
                "messageBox.text"));
    };
    auto toast = [&] {
        cocos2d::ui::Text* text = toastText();
        return text != nullptr && text->isVisible() ? text->getString() : std::string();
    };
    Button* filter = button(screen, "filter");
    ASSERT_NE(sidePanel(screen), nullptr);
    ASSERT_EQ(sidePanel(screen)->getPatientId(), "7");

    screen->applyFilter(filter, "ALPHA");
    EXPECT_EQ(highlightedIds(screen), std::vector<std::string>{"7"})
        << "a shown patient stays chosen";
    ASSERT_NE(sidePanel(screen), nullptr);
    EXPECT_EQ(sidePanel(screen)->getPatientId(), "7");

    screen->applyFilter(filter, "BETA");
    EXPECT_EQ(sidePanel(screen), nullptr) << "the hidden patient leaves the panel";
    EXPECT_TRUE(highlightedIds(screen).empty());
    EXPECT_EQ(table->getSelectedCell(), nullptr);
    for (const char* name : {"btnDel", "btnShare"}) {
        if (cocos2d::ui::Text* text = toastText()) {
            text->setString("");
        }
        screen->onButtonClick(button(screen, name));
        EXPECT_EQ(toast(), AppConfig::getInstance()->getTextOrKey("selectPatientFirst")) << name;
    }
    NSUI::NSLanguage language;
    language.load();
    EXPECT_EQ(language.getString("selectPatientFirst"), "Select a patient first.");
    EXPECT_EQ(table->getItemCount(), 1);
    EXPECT_EQ(screen->getHiddenRows().size(), 2u) << "nothing was deleted";
    EXPECT_FALSE(screen->isDeletionRunning());

    screen->applyFilter(filter, "");
    EXPECT_EQ(table->getItemCount(), 3);
    EXPECT_TRUE(highlightedIds(screen).empty());
    EXPECT_EQ(sidePanel(screen), nullptr) << "the highlight and the panel agree";
}

// The trash deletes the patient the reader chose: a press deletes nothing when the highlight
// moved while it lasted, and a double click deletes one patient, not the row in its place.
TEST_F(HomeScreenTest, ATrashPressDeletesOnlyThePatientHighlightedWhenItBegan) {
    showScreen(1920.0f, 1080.0f);
    NSUI::NSListView* table = screen->getTable();
    loadRows({answerRow("7", "Alpha^Ann"), answerRow("3", "Beta^Bob"), answerRow("5", "Cy")});
    Button* trash = button(screen, "btnDel");
    ASSERT_NE(trash, nullptr);
    const cocos2d::Rect box = trash->getBoundingBox();
    const cocos2d::Vec2 centre = trash->getParent()->convertToWorldSpace(
        box.origin + cocos2d::Vec2(box.size.width, box.size.height) * 0.5f);
    const float x = centre.x;
    const float y = 1080.0f - centre.y;
    const auto left = cocos2d::EventMouse::MouseButton::BUTTON_LEFT;
    cocos2d::InputRouter router;
    auto ids = [&] {
        std::vector<std::string> kept;
        for (ssize_t i = 0; i < table->getItemCount(); ++i) {
            kept.push_back(screen->getRow(i)->patientID);
        }
        return kept;
    };

    router.mouseDown(x, y, left);
    table->selectCellAtIndex(1);
    router.mouseUp(x, y, left);
    EXPECT_EQ(ids(), (std::vector<std::string>{"7", "3", "5"}))
        << "the press began on another patient";

    for (int i = 0; i < 2; ++i) {
        router.mouseDown(x, y, left);
        router.mouseUp(x, y, left);
    }
    EXPECT_EQ(ids(), (std::vector<std::string>{"7", "5"})) << "one patient per double click";
    ASSERT_NE(table->getSelectedCell(), nullptr);
    EXPECT_EQ(table->getSelectedCell()->index, 1);
    EXPECT_TRUE(pumpUntil([&] { return !screen->isDeletionRunning(); }));
}

TEST_F(HomeScreenTest, AFirstPatientArrivingInAnEmptyLibraryIsSelectedAndShown) {
    showScreen(1920.0f, 1080.0f);
    loadRows({});
    EXPECT_EQ(screen->getChildByName("studylistpc"), nullptr);
    postReceived("4", "First^Fred", 1, 1);
    ASSERT_TRUE(pumpUntil([&] { return screen->getTable()->getItemCount() == 1; }));
    ASSERT_NE(screen->getTable()->getSelectedCell(), nullptr);
    EXPECT_EQ(screen->getTable()->getSelectedCell()->index, 0);
    studyList* side = sidePanel(screen);
    ASSERT_NE(side, nullptr);
    EXPECT_EQ(side->getPatientId(), "4");
    EXPECT_TRUE(screen->getRow(0)->newFiles) << "shown, not yet touched";
}

// A row made from a file filed just now reads as the same patient's row after a restart.
TEST_F(HomeScreenTest, ALiveRowShowsItsDatesAndCodesAsALoadedRowDoes) {
    showScreen();
    const std::string folder = storage_.str() + "dates/Series1/";
    fs::create_directories(folder);
    bvtest::DicomFixture fixture;
    fixture.patientID = "DATE-1";
    fixture.patientName = "Date^Dora";
    fixture.rows = 8;
    fixture.columns = 8;
    fixture.customise = [](DcmDataset& set) {
        set.putAndInsertString(DCM_PatientBirthDate, "19700101");
        set.putAndInsertString(DCM_PatientSex, "O");
    };
    ASSERT_EQ(fixture.writeSeries(folder, 1, 1.0).size(), 1u);
    screen->importPath(folder, false);
    ASSERT_TRUE(pumpUntil([&] { return screen->getTable()->getItemCount() == 1; }));
    EXPECT_EQ(cellText(screen, 0, "birthday"), "1970.01.01");

    NSUI::NSDBDataModel loaded;
    bool answered = false;
    dataService::getInstance()->getDatabase()->requestPatients([&](NSUI::NSDBDataModel* rows) {
        loaded = *rows;
        answered = true;
    });
    ASSERT_TRUE(pumpUntil([&] { return answered; }));
    ASSERT_EQ(loaded.getRowCount(), 1);
    patientList::listObject* live = screen->getRow(0);
    EXPECT_EQ(live->birthday, loaded.getValue(0, 3));
    EXPECT_EQ(live->sex, loaded.getValue(0, 4));
}

TEST_F(HomeScreenTest, TheImportPromptSaysThatTheChosenFilesFolderIsImported) {
    showScreen();
    const std::string folder = storage_.str() + "prompt/Series1/";
    writeSeries(folder, "FOLDER-1", "Folder^Fay", 2);
    writeSeries(storage_.str() + "prompt/Series2/", "FOLDER-2", "Other^Otto", 1);
    std::vector<platform::FileDialogRequest> asked;
    platform::setFileDialogProvider([&](const platform::FileDialogRequest& request) {
        asked.push_back(request);
        return std::optional<std::string>(folder + "IM0001.dcm");
    });
    screen->onButtonClick(button(screen, "importImage"));
    platform::setFileDialogProvider(nullptr);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].kind, platform::FileDialogKind::OpenFile);
    EXPECT_EQ(asked[0].title, AppConfig::getInstance()->getTextOrKey("importFolderOfFile"));
    NSUI::NSLanguage language;
    language.load();
    ASSERT_TRUE(language.isLoaded());
    const std::string title = language.getString("importFolderOfFile");
    EXPECT_NE(title.find("folder of the chosen file"), std::string::npos) << title;
    // Only the chosen file's folder: its patient, not the one beside it.
    ASSERT_TRUE(pumpUntil([&] {
        return screen->getTable()->getItemCount() == 1 && screen->getRow(0)->imageCount == 2;
    }));
    pumpFrames(10);
    EXPECT_EQ(screen->getTable()->getItemCount(), 1);
    EXPECT_EQ(screen->getRow(0)->name, "Folder^Fay");
}

// The series chooser asks the home screen for its patients: the screen's answer gives the
// chooser its rows with the selected patient first.
TEST_F(HomeScreenTest, TheSeriesChooserGetsThePatientsWithTheSelectedOneFirst) {
    showScreen();
    loadRows({answerRow("1", "Anna"), answerRow("2", "Bert"), answerRow("3", "Carl")});
    const std::vector<std::string> shown = visibleNames();
    ASSERT_EQ(shown.size(), 3u);
    screen->getTable()->selectCellAtIndex(1);

    selectSeries* chooser = selectSeries::create();
    chooser->setContentSize(cocos2d::Size(500, 700));
    cocos2d::Director::getInstance()->getRunningScene()->addChild(chooser, 100010);
    ASSERT_TRUE(chooser->initWithMode(0));
    const auto names = [chooser] {
        std::vector<std::string> found;
        for (cocos2d::Ref* item : chooser->getPatientTable()->items) {
            found.push_back(static_cast<selectSeries::listObject*>(item)->name);
        }
        return found;
    };
    ASSERT_TRUE(pumpUntil([&] { return names().size() == 3; }));
    EXPECT_EQ(names(), (std::vector<std::string>{shown[1], shown[0], shown[2]}));
    chooser->removeFromParent();
}
