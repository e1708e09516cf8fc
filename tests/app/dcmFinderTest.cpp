// The query/retrieve screen opened from the home screen: its rows from query answers, the state
// of its download buttons through the start and end of retrievals, and, against an Orthanc on
// loopback, a search, a retrieval into the library and a retrieval that loses part of a series.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "dcmsdk/DcmFilePlacer.h"
#include "dcmsdk/DcmNames.h"
#include "dcmsdk/DcmNetwork.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/base/RefPtr.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Button.h"
#include "engine/ui/Text.h"
#include "studydb/LibraryCallbacks.h"
#include "studydb/StudyNotifications.h"
#include "studydb/dataService.h"
#include "studydb/dcmFinder.h"
#include "studydb/dicomDB.h"
#include "tests/app/HomeScreenFixture.h"
#include "tests/dcmsdk/OrthancPeer.h"
#include "tests/studydb/StudyDbFixture.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/LoopbackPort.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSResponseWindow.h"
#include "toolkit/widgets/NSTableViewCell.h"
#include "toolkit/widgets/NSTextField.h"

namespace fs = std::filesystem;
using hometest::pumpFrames;
using hometest::pumpUntil;
using Row = dcmFinder::listObject;

namespace {

// A one-line picture of the list: "P:name" for a patient row, "S:number" for a series row.
std::vector<std::string> listing(const dcmFinder* finder) {
    std::vector<std::string> rows;
    for (ssize_t i = 0; i < finder->getTable()->getItemCount(); ++i) {
        const Row* row = finder->getRow(i);
        rows.push_back(row->isPatient ? "P:" + row->text(Row::kPatientName)
                                      : "S:" + row->text(Row::kSeriesNumber));
    }
    return rows;
}

void postPatient(const std::string& name, const std::string& studyUid) {
    cocos2d::RefPtr<findPatientRow> row(new findPatientRow());
    row->patientName = name;
    row->patientID = "ID-" + name;
    row->studyInstanceUID = studyUid;
    row->dateTime = "2024.03.15 08:15:30";
    auto* data = NSUI::NSNotificationData::create();
    data->setObject(row.get());
    NSUI::NSNotificationCenter::getInstance()->postNotification(
        nullptr, studydb::NOTIFY_FIND_PATIENT_ROW, data, nullptr, true);
}

void postSeries(const std::string& studyUid, const std::string& number) {
    cocos2d::RefPtr<findSeriesRow> row(new findSeriesRow());
    row->studyInstanceUID = studyUid;
    row->seriesInstanceUID = studyUid + "." + number;
    row->seriesNumber = number;
    row->modality = "CT";
    row->instanceCount = "3";
    auto* data = NSUI::NSNotificationData::create();
    data->setObject(row.get());
    NSUI::NSNotificationCenter::getInstance()->postNotification(
        nullptr, studydb::NOTIFY_FIND_SERIES_ROW, data, nullptr, true);
}

void postText(int key, const std::string& text) {
    NSUI::NSNotificationCenter::getInstance()->postString(nullptr, key, text, nullptr, true);
    pumpFrames(2);
}

class FinderTest : public hometest::HomeScreenTest {
protected:
    void SetUp() override {
        HomeScreenTest::SetUp();
        for (const char* key : {"dicomServerIP", "dicomServerPort", "dicomServerTitle"}) {
            NSUI::setEncodedUserDefault(key, "");
        }
        registerDcmCallbacks();
        // The service's own messages are kept apart from the screen's toast.
        dataService::setMessagePresenter(
            [this](const std::string& text, float) { serviceMessages.push_back(text); });
    }

    void TearDown() override {
        HomeScreenTest::TearDown();
        dataService::setMessagePresenter(nullptr);
    }

    // Presses the home screen's search button and returns the finder of the pop-up it opens.
    void openFinder() {
        showScreen();
        auto* search = dynamic_cast<cocos2d::ui::Button*>(screen->getChildByNameDeep("search"));
        ASSERT_NE(search, nullptr);
        screen->onButtonClick(search);
        for (cocos2d::Node* child : screen->getChildren()) {
            if (dynamic_cast<NSUI::NSResponseWindow*>(child) != nullptr) {
                window = child;
                finder = dcmFinder::finderIn(child);
            }
        }
        ASSERT_NE(finder, nullptr);
        pumpFrames(2);
    }

    void type(const char* field, const std::string& text) {
        NSUI::NSTextField* edit = finder->getField(field);
        ASSERT_NE(edit, nullptr) << field;
        edit->setString(text);
    }

    void press(const char* name) {
        auto* button = dynamic_cast<cocos2d::ui::Button*>(finder->getChildByNameDeep(name));
        ASSERT_NE(button, nullptr) << name;
        finder->onButtonClick(button);
    }

    // The toast's text on the running scene; empty when none has been shown.
    static std::string toast() {
        cocos2d::Node* box =
            cocos2d::Director::getInstance()->getRunningScene()->getChildByNameDeep(
                "messageBox.text");
        auto* text = dynamic_cast<cocos2d::ui::Text*>(box);
        return text != nullptr && text->isVisible() ? text->getString() : std::string();
    }

    static void clearToast() {
        if (auto* text = dynamic_cast<cocos2d::ui::Text*>(
                cocos2d::Director::getInstance()->getRunningScene()->getChildByNameDeep(
                    "messageBox.text"))) {
            text->setString("");
        }
    }

    // The download button a row's cell shows, made for the row when it is out of view.
    cocos2d::ui::Button* downloadButtonOf(ssize_t index) {
        NSUI::NSTableViewCell* cell = finder->getTable()->getCellAtIndex(index);
        cocos2d::Node* series =
            cell != nullptr ? cell->getChildByTag(dcmFinder::kSeriesTag) : nullptr;
        return series != nullptr
                   ? dynamic_cast<cocos2d::ui::Button*>(series->getChildByNameDeep("btnDownload"))
                   : nullptr;
    }

    ssize_t indexOfSeries(const std::string& number) const {
        for (ssize_t i = 0; i < finder->getTable()->getItemCount(); ++i) {
            const Row* row = finder->getRow(i);
            if (!row->isPatient && row->text(Row::kSeriesNumber) == number) {
                return i;
            }
        }
        return -1;
    }

    static std::vector<std::vector<std::string>> rows(const std::string& sql) {
        return studydbtest::selectRows(dataService::getInstance()->getDatabase(), sql);
    }

    cocos2d::Node* window = nullptr;
    dcmFinder* finder = nullptr;
    std::vector<std::string> serviceMessages;
};

}  // namespace

TEST_F(FinderTest, AnswersBecomeStudyRowsWithTheirSeriesUnderThem) {
    openFinder();
    cocos2d::Node* help = finder->getChildByNameDeep("help");
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());

    postPatient("Abcdefghijklmnop", "1.1");
    pumpFrames(2);
    EXPECT_FALSE(help->isVisible()) << "the first study hides the help";
    postPatient("Bee^Beth", "1.2");
    postSeries("1.1", "1");
    postSeries("1.2", "7");
    postSeries("1.1", "2");
    postSeries("9.9", "5");
    pumpFrames(4);
    // A study's series follow it, the latest answer first; a series of no listed study ends
    // the list.
    EXPECT_EQ(listing(finder), (std::vector<std::string>{"P:Abcdefghijklmnop", "S:2", "S:1",
                                                         "P:Bee^Beth", "S:7", "S:5"}));
    EXPECT_EQ(finder->getRow(5)->text(Row::kPatientName), "");
    EXPECT_EQ(finder->getRow(1)->text(Row::kPatientName), "Abcdefghijklmnop");
    EXPECT_EQ(finder->getRow(1)->text(Row::kSeriesUid), "1.1.2");

    NSUI::NSTableViewCell* first = finder->getTable()->getCellAtIndex(0);
    ASSERT_NE(first, nullptr);
    cocos2d::Node* patient = first->getChildByTag(dcmFinder::kPatientTag);
    ASSERT_NE(patient, nullptr);
    EXPECT_TRUE(patient->isVisible());
    EXPECT_FALSE(first->getChildByTag(dcmFinder::kSeriesTag)->isVisible());
    auto* name = dynamic_cast<cocos2d::ui::Text*>(patient->getChildByNameDeep("name"));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->getString(), "Abcdefghijk\u2026") << "a cut name says it is cut";
    auto* id = dynamic_cast<cocos2d::ui::Text*>(patient->getChildByNameDeep("id"));
    ASSERT_NE(id, nullptr);
    EXPECT_EQ(id->getString(), "ID-Abcdefghijklmnop") << "the ID column has room for it";
    EXPECT_LT(id->getBoundingBox().getMaxX(),
              patient->getChildByNameDeep("sex")->getBoundingBox().getMinX());

    // A search without a port a node can listen on changes nothing; with one, it starts over
    // at that node.
    type("editIP", "127.0.0.1");
    for (const char* port : {"", "0", "65536", "142422", "104a", "-1"}) {
        clearToast();
        type("editPort", port);
        press("btnSearch");
        EXPECT_EQ(toast(), "Check the IP and PORT") << port;
        EXPECT_EQ(finder->getTable()->getItemCount(), 6) << port;
    }
    type("editPort", std::to_string(bvtest::freeLoopbackPort()));
    type("editTitle", "ARCHIVE");
    press("btnSearch");
    EXPECT_EQ(finder->getTable()->getItemCount(), 0);
    EXPECT_FALSE(help->isVisible()) << "a new search leaves the help hidden";
    EXPECT_EQ(finder->getSearchNode().title, "ARCHIVE");
    EXPECT_EQ(NSUI::getEncodedUserDefault("dicomServerIP", ""), "127.0.0.1");
    EXPECT_EQ(NSUI::getEncodedUserDefault("dicomServerTitle", ""), "ARCHIVE");
}

TEST_F(FinderTest, SavedNodeFillsTheFieldsAndTheBackButtonCloses) {
    NSUI::setEncodedUserDefault("dicomServerIP", "10.1.2.3");
    NSUI::setEncodedUserDefault("dicomServerPort", "11112");
    NSUI::setEncodedUserDefault("dicomServerTitle", "PACS");
    openFinder();
    EXPECT_EQ(finder->getField("editIP")->getString(), "10.1.2.3");
    EXPECT_EQ(finder->getField("editPort")->getString(), "11112");
    EXPECT_EQ(finder->getField("editTitle")->getString(), "PACS");
    EXPECT_EQ(finder->getField("editPatient")->getString(), "");
    press("btn_back");
    pumpFrames(1);
    for (cocos2d::Node* child : screen->getChildren()) {
        EXPECT_EQ(dynamic_cast<NSUI::NSResponseWindow*>(child), nullptr) << "the pop-up is gone";
    }
}

// Rows move through requested, in progress and back to idle by the library's start and end
// events, in view or not; the button shows the record's state whenever its cell is made.
TEST_F(FinderTest, DownloadStateFollowsTheStartAndEndOfRetrievals) {
    openFinder();
    postPatient("Doe^Jo", "2.1");
    pumpFrames(2);
    // More series than the list shows at once.
    for (int number = 1; number <= 30; ++number) {
        postSeries("2.1", std::to_string(number));
    }
    pumpFrames(4);
    ASSERT_EQ(finder->getTable()->getItemCount(), 31);
    Row* top = finder->getRow(indexOfSeries("30"));
    const ssize_t bottomIndex = indexOfSeries("1");
    Row* bottom = finder->getRow(bottomIndex);
    bool bottomInView = false;
    for (NSUI::NSTableViewCell* cell : finder->getTable()->getUsedCells()) {
        bottomInView = bottomInView || cell->index == bottomIndex;
    }
    ASSERT_FALSE(bottomInView);

    struct Step {
        const char* what;
        int key;
        std::string text;
        bool topRequested, topInProgress, bottomRequested, bottomInProgress;
        const char* message;
    };
    top->requested = true;
    bottom->requested = true;
    const Step steps[] = {
        {"the top row starts", studydb::NOTIFY_FIND_RESET, "2.1.30", true, true, true, false, ""},
        {"four fields", studydb::NOTIFY_RETRIEVE_PROGRESS, "2.1.30|0|3|0", true, true, true, false,
         ""},
        {"six fields", studydb::NOTIFY_RETRIEVE_PROGRESS, "2.1.30|0|3|0|0|0", true, true, true,
         false, ""},
        {"not the end yet", studydb::NOTIFY_RETRIEVE_PROGRESS, "2.1.30|2|1|0|0", true, true, true,
         false, ""},
        {"the bottom row starts, ending the top one", studydb::NOTIFY_FIND_RESET, "2.1.1", false,
         false, true, true, ""},
        {"the bottom row loses an image", studydb::NOTIFY_RETRIEVE_PROGRESS, "2.1.1|0|2|1|0", false,
         false, false, false, "Failed to download the whole series"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        clearToast();
        postText(step.key, step.text);
        EXPECT_EQ(top->requested, step.topRequested);
        EXPECT_EQ(top->inProgress, step.topInProgress);
        EXPECT_EQ(bottom->requested, step.bottomRequested);
        EXPECT_EQ(bottom->inProgress, step.bottomInProgress);
        EXPECT_EQ(toast(), step.message);
        // What the cell shows when it comes into view.
        cocos2d::ui::Button* button = downloadButtonOf(bottomIndex);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->getActionByTag(7301) != nullptr, step.bottomRequested);
        EXPECT_EQ(button->getColor() == cocos2d::Color3B::RED, step.bottomInProgress);
    }

    // An end delivered before its start ends the row all the same; the late start then finds
    // nothing to start.
    top->requested = true;
    postText(studydb::NOTIFY_RETRIEVE_PROGRESS, "2.1.30|0|3|0|0");
    EXPECT_FALSE(top->requested);
    postText(studydb::NOTIFY_FIND_RESET, "2.1.30");
    EXPECT_FALSE(top->inProgress);
    cocos2d::ui::Button* button = downloadButtonOf(indexOfSeries("30"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->getActionByTag(7301), nullptr);
    EXPECT_EQ(button->getOpacity(), 255);
}

// A retrieval from a node that does not answer still ends, so the row stops waiting; a series
// the library refuses to queue never waits at all.
TEST_F(FinderTest, RetrievalsThatCannotRunLeaveTheRowIdle) {
    openFinder();
    type("editIP", "127.0.0.1");
    type("editPort", std::to_string(bvtest::freeLoopbackPort()));
    press("btnSearch");
    pumpFrames(2);
    postPatient("Closed^Port", "3.1");
    pumpFrames(2);
    postSeries("3.1", "4");
    pumpFrames(4);
    const ssize_t index = indexOfSeries("4");
    ASSERT_GE(index, 0);
    Row* row = finder->getRow(index);
    cocos2d::ui::Button* button = downloadButtonOf(index);
    ASSERT_NE(button, nullptr);
    finder->onButtonClick(button);
    EXPECT_TRUE(row->requested);
    EXPECT_NE(button->getActionByTag(7301), nullptr);
    ASSERT_TRUE(pumpUntil([&] { return !row->requested && !row->inProgress; }, 60.0));
    EXPECT_EQ(downloadButtonOf(index)->getActionByTag(7301), nullptr);

    clearToast();
    row->texts[Row::kSeriesUid] = "../outside";
    finder->onButtonClick(downloadButtonOf(index));
    EXPECT_FALSE(row->requested);
    EXPECT_EQ(toast(), "This series is already being downloaded or cannot be downloaded");
}

namespace {

// Orthanc on loopback holding two patients: one study of two series, one study of one series,
// three images each.
class RemoteFinderTest : public FinderTest {
protected:
    void SetUp() override {
        FinderTest::SetUp();
        ASSERT_TRUE(orthanc_.start(bvtest::freeLoopbackPort()));
        struct Study {
            const char* patient;
            const char* id;
            const char* uid;
            int seriesCount;
        };
        std::vector<std::string> files;
        for (const Study& study :
             {Study{"Ames, Ann", "Q-1", "1.3.7.1", 2}, Study{"Birch^Bo", "Q-2", "1.3.7.2", 1}}) {
            bvtest::DicomFixture fixture;
            fixture.patientName = study.patient;
            fixture.patientID = study.id;
            fixture.studyInstanceUID = study.uid;
            for (int series = 1; series <= study.seriesCount; ++series) {
                fixture.seriesInstanceUID = std::string(study.uid) + "." + std::to_string(series);
                fixture.seriesNumber = std::to_string(series);
                fixture.modality = series == 1 ? "CT" : "MR";
                for (int i = 1; i <= 3; ++i) {
                    fixture.instanceNumber = i;
                    fixture.sopInstanceUID = fixture.seriesInstanceUID + "." + std::to_string(i);
                    const std::string path =
                        (sources_ / (fixture.sopInstanceUID + ".dcm")).string();
                    ASSERT_TRUE(fixture.write(path));
                    files.push_back(path);
                }
            }
        }
        ASSERT_TRUE(orthanc_.store(files));
        openFinder();
        type("editIP", "127.0.0.1");
        type("editPort", std::to_string(orthanc_.port()));
        type("editTitle", "ORTHANC");
        type("editPatient", "*");
        press("btnSearch");
        ASSERT_TRUE(pumpUntil([&] { return finder->getTable()->getItemCount() == 5; }, 60.0))
            << ::testing::PrintToString(listing(finder));
    }

    // Presses the series' download button and waits until its row is idle again.
    void retrieve(const std::string& seriesUid) {
        ssize_t index = -1;
        for (ssize_t i = 0; i < finder->getTable()->getItemCount(); ++i) {
            if (finder->getRow(i)->text(Row::kSeriesUid) == seriesUid) {
                index = i;
            }
        }
        ASSERT_GE(index, 0);
        Row* row = finder->getRow(index);
        finder->onButtonClick(downloadButtonOf(index));
        ASSERT_TRUE(row->requested);
        ASSERT_TRUE(pumpUntil([&] { return !row->requested && !row->inProgress; }, 60.0));
    }

    std::string downloadFolder() const {
        return cocos2d::FileUtils::getInstance()->getWritablePath() + dcmFinder::kDownloadFolder;
    }

    bvtest::TempDir sources_;
    bvtest::OrthancPeer orthanc_;
};

}  // namespace

TEST_F(RemoteFinderTest, SearchForEveryoneListsBothPatientsWithTheirSeries) {
    const std::vector<std::string> list = listing(finder);
    // Each study is followed by exactly its own series.
    ASSERT_EQ(list.size(), 5u);
    std::vector<std::string> blocks;
    std::string patient;
    for (ssize_t i = 0; i < finder->getTable()->getItemCount(); ++i) {
        const Row* row = finder->getRow(i);
        if (row->isPatient) {
            patient = row->text(Row::kPatientName);
            blocks.push_back(patient + ":");
        } else {
            EXPECT_EQ(row->text(Row::kStudyUid), finder->getRow(i - 1)->text(Row::kStudyUid))
                << "a series follows its study or a sibling";
            EXPECT_EQ(row->text(Row::kPatientName), patient);
            blocks.back() += " " + row->text(Row::kModality) + row->text(Row::kImageCount);
        }
    }
    std::sort(blocks.begin(), blocks.end());
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_TRUE(blocks[0] == "Ames, Ann: CT3 MR3" || blocks[0] == "Ames, Ann: MR3 CT3")
        << blocks[0];
    EXPECT_EQ(blocks[1], "Birch^Bo: CT3");
    for (ssize_t i = 0; i < finder->getTable()->getItemCount(); ++i) {
        EXPECT_EQ(finder->getRow(i)->node.title, "ORTHANC");
    }
}

TEST_F(RemoteFinderTest, RetrievalBringsEveryImageIntoTheLibrary) {
    // The fields may change meanwhile: the rows keep the node they came from.
    type("editPort", "1");
    retrieve("1.3.7.1.2");
    EXPECT_EQ(toast(), "");
    const std::vector<std::string> expected = orthanc_.instancesOf("1.3.7.1", "1.3.7.1.2");
    ASSERT_EQ(expected.size(), 3u);
    ASSERT_TRUE(pumpUntil(
        [&] {
            return rows("select imageUID from image order by imageUID").size() == expected.size();
        },
        60.0));
    std::vector<std::string> filed;
    for (const auto& row : rows("select imageUID from image order by imageUID")) {
        filed.push_back(row[0]);
    }
    EXPECT_EQ(filed, expected);
    const std::string root = dataService::getInstance()->getDatabase()->getDicomRoot();
    std::set<std::string> stored;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        stored.insert(entry.path().filename().string());
    }
    for (const std::string& uid : expected) {
        EXPECT_EQ(stored.count(dcmSDK::DcmNames::fileNameFor(uid)), 1u) << uid;
    }
    EXPECT_EQ(rows("select ID from patient").size(), 1u);
}

// The second image of the series cannot be stored here (every place it could take is taken by
// a folder): the node reports a failed sub-operation and the screen says the series is
// incomplete.
TEST_F(RemoteFinderTest, RetrievalThatLosesAnImageSaysSo) {
    const std::string folder =
        downloadFolder() +
        dcmSDK::DcmNames::seriesFolder("Birch^Bo", "Q-2", "1.3.7.2", "1.3.7.2.1") + "/" +
        dcmSDK::DcmNames::fileNameFor("1.3.7.2.1.2");
    for (int copy = 0; copy < dcmSDK::DcmFilePlacer::kMaxCopies; ++copy) {
        fs::create_directories(folder + (copy == 0 ? "" : "-" + std::to_string(copy)) +
                               "/occupied");
    }
    retrieve("1.3.7.2.1");
    EXPECT_EQ(toast(), "Failed to download the whole series");
    ASSERT_TRUE(pumpUntil([&] { return !serviceMessages.empty(); }));
    EXPECT_EQ(serviceMessages.back(), "Failed to download Birch^Bo(1,CT)");
    ASSERT_TRUE(pumpUntil([&] { return rows("select ID from image").size() == 2; }, 60.0));
    fs::remove_all(downloadFolder());
}

// The phone form: the common title bar over a finder that fills the rest of the window, with
// the taller rows of that form.
TEST_F(FinderTest, PhoneFormIsASceneUnderTheCommonTitleBar) {
    showScreen(720.0f, 1280.0f);
    struct PhoneForm {
        PhoneForm() { AppConfig::getInstance()->isPhone = true; }
        ~PhoneForm() { AppConfig::getInstance()->isPhone = false; }
    } phoneForm;
    cocos2d::Scene* scene = dcmFinder::createScene();
    ASSERT_NE(scene, nullptr);
    dcmFinder* phone = dcmFinder::finderIn(scene);
    ASSERT_NE(phone, nullptr);
    auto* title = dynamic_cast<cocos2d::ui::Text*>(scene->getChildByNameDeep("title"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->getString(), "Search Patients");
    EXPECT_EQ(phone->getContentSize(), cocos2d::Size(720.0f, 1220.0f));
    EXPECT_EQ(phone->getTable()->getContentSize(), cocos2d::Size(700.0f, 1045.0f));
    Row* patient = Row::create();
    patient->isPatient = true;
    EXPECT_EQ(phone->tableCellSizeForIndex(phone->getTable(), 0, patient).height, 140.0f);
    EXPECT_EQ(phone->tableCellSizeForIndex(phone->getTable(), 0, Row::create()).height, 80.0f);
}
