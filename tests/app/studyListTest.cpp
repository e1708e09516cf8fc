#include "app/studyList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/ViewerScreenLink.h"
#include "engine/2d/Sprite.h"
#include "engine/base/Director.h"
#include "engine/renderer/Texture2D.h"
#include "engine/renderer/TextureCache.h"
#include "engine/ui/Button.h"
#include "engine/ui/Text.h"
#include "studydb/StudyNotifications.h"
#include "studydb/dcmSend.h"
#include "studydb/dicomDB.h"
#include "tests/app/StudyListFixture.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSResponseWindow.h"
#include "toolkit/widgets/NSTableViewCell.h"
#include "toolkit/widgets/NSTableViewMenu.h"

namespace apptest {
namespace {

using studydbtest::pumpFrames;
using studydbtest::pumpUntil;

std::vector<std::string> rowNames(studyList* list) {
    std::vector<std::string> names;
    for (ssize_t i = 0; i < list->getRowTable()->getItemCount(); ++i) {
        const studyList::listObject* row = list->getRow(i);
        names.push_back(row->type == 0 ? "study " + row->studyID : row->seriesNumber);
    }
    return names;
}

std::vector<std::string> stripTypes(studyList* list) {
    std::vector<std::string> types;
    for (cocos2d::Ref* item : list->getProtocolStrip()->items) {
        types.push_back(static_cast<studyList::protocalObject*>(item)->type);
    }
    return types;
}

TEST_F(StudyListTest, InsertRowOrdersSeriesByNumberWithinTheirStudy) {
    struct Case {
        std::vector<std::string> arrival;
        std::vector<std::string> shown;
    };
    const std::vector<Case> cases = {
        {{"10", "", "9"}, {"", "9", "10"}},
        {{"9", "10", ""}, {"", "9", "10"}},
        {{"1a", "10"}, {"10", "1a"}},
        {{"10", "1a", "2"}, {"2", "10", "1a"}},
        {{"007", "7", "6"}, {"6", "007", "7"}},
        {{"123456789012345678901", "99"}, {"99", "123456789012345678901"}},
    };
    for (const Case& c : cases) {
        studyList* list = addList();
        list->insertRow("A", studyRow("A"));
        list->insertRow("B", studyRow("B"));
        for (const std::string& number : c.arrival) {
            list->insertRow("A", seriesRow(number));
        }
        list->insertRow("B", seriesRow("1"));
        list->insertRow("", seriesRow("lost"));
        std::vector<std::string> expected = {"study A"};
        expected.insert(expected.end(), c.shown.begin(), c.shown.end());
        expected.push_back("study B");
        expected.push_back("1");
        EXPECT_EQ(rowNames(list), expected) << c.arrival.front();
        list->removeFromParent();
    }
}

TEST_F(StudyListTest, ShowsTheStudiesOfThePatientAndAnswersAnEmptyPatient) {
    addSeries("P1", "1.2.1", "1.2.1.1", "2", 2);
    addSeries("P1", "1.2.1", "1.2.1.2", "1", 3);
    studyList* list = addList(patientKey("P1"));
    ASSERT_TRUE(pumpUntil([&] { return list->isRowsLoaded(); }));
    EXPECT_EQ(rowNames(list),
              (std::vector<std::string>{"study " + list->getRow(0)->studyID, "1", "2"}));
    EXPECT_EQ(list->getRow(1)->imageCount, 3);
    EXPECT_EQ(list->getRow(1)->modality, "CT");
    EXPECT_FALSE(list->isLoading());

    // A patient without rows is answered too: the list is free for the next patient.
    list->setPatient("424242");
    EXPECT_TRUE(list->isLoading());
    ASSERT_TRUE(pumpUntil([&] { return !list->isLoading(); }));
    EXPECT_TRUE(list->isRowsLoaded());
    EXPECT_EQ(list->getRowTable()->getItemCount(), 0);
    list->setPatient(patientKey("P1"));
    ASSERT_TRUE(pumpUntil([&] { return !list->isLoading(); }));
    EXPECT_EQ(list->getRowTable()->getItemCount(), 3);
}

TEST_F(StudyListTest, ThePatientAskedForLastIsShownAfterTheRunningRequest) {
    addSeries("P1", "1.3.1", "1.3.1.1", "1", 1);
    addSeries("P2", "1.3.2", "1.3.2.1", "1", 1);
    addSeries("P3", "1.3.3", "1.3.3.1", "1", 1);
    studyList* list = addList(patientKey("P1"));
    pumpFrames(1);
    ASSERT_TRUE(pumpUntil([&] { return !list->isLoading(); }));

    list->setPatient(patientKey("P2"));
    ASSERT_TRUE(list->isLoading());
    list->setPatient(patientKey("P3"));
    list->setPatient(patientKey("P1"));
    list->setPatient(patientKey("P3"));
    EXPECT_EQ(list->getQueuedPatientId(), patientKey("P3"));
    ASSERT_TRUE(
        pumpUntil([&] { return !list->isLoading() && list->getPatientId() == patientKey("P3"); }));
    EXPECT_TRUE(list->getQueuedPatientId().empty());
    ASSERT_EQ(list->getRowTable()->getItemCount(), 2);
    EXPECT_EQ(list->getRow(1)->patientID, patientKey("P3"));
}

TEST_F(StudyListTest, FollowsFilesThatArriveWhileItIsOpen) {
    addSeries("P1", "1.4.1", "1.4.1.1", "3", 2);
    addSeries("P9", "1.4.9", "1.4.9.1", "1", 1);
    studyList* list = addList(patientKey("P1"));
    ASSERT_TRUE(pumpUntil([&] { return list->isRowsLoaded(); }));
    const std::string study = list->getRow(0)->studyID;

    // A further image of a series on show raises its count only.
    addSeries("P1", "1.4.1", "1.4.1.1", "3", 1, "CT", "", 3);
    ASSERT_TRUE(pumpUntil([&] { return list->getRow(1)->imageCount == 3; }));
    EXPECT_EQ(list->getRowTable()->getItemCount(), 2);

    // A new series of the study goes right under its title row, filled from the database.
    addSeries("P1", "1.4.1", "1.4.1.2", "8", 1, "MR", "T1 Loc");
    ASSERT_TRUE(pumpUntil([&] { return list->getRowTable()->getItemCount() == 3; }));
    pumpFrames(2);
    EXPECT_EQ(list->getRow(1)->seriesNumber, "8");
    EXPECT_EQ(list->getRow(1)->modality, "MR");
    EXPECT_EQ(list->getRow(1)->seriesDesc, "T1 Loc");
    EXPECT_FALSE(list->getRow(1)->folder.empty());

    // A new study comes at the top with its title row.
    addSeries("P1", "1.4.2", "1.4.2.1", "1", 1);
    ASSERT_TRUE(pumpUntil([&] { return list->getRowTable()->getItemCount() == 5; }));
    EXPECT_EQ(list->getRow(0)->type, 0);
    EXPECT_NE(list->getRow(0)->studyID, study);
    EXPECT_EQ(list->getRow(2)->studyID, study);

    // Another patient's files never enter the list.
    addSeries("P9", "1.4.9", "1.4.9.2", "2", 1);
    pumpFrames(6);
    EXPECT_EQ(list->getRowTable()->getItemCount(), 5);
}

TEST_F(StudyListTest, FilesOfAnEmptyListWaitForTheFirstRowsAndKeepToTheirPatient) {
    addSeries("P1", "1.5.1", "1.5.1.1", "1", 1);
    studyList* list = addList(patientKey("P1"));
    ASSERT_TRUE(pumpUntil([&] { return list->isRowsLoaded(); }));

    // The patient's rows are gone (deleted from the home screen): later files wait until the
    // next request has built the rows again.
    NSUI::NSNotificationCenter::getInstance()->postString(nullptr, studydb::NOTIFY_PATIENT_DELETED,
                                                          patientKey("P1"), nullptr, false);
    ASSERT_TRUE(pumpUntil([&] { return !list->isRowsLoaded(); }));
    EXPECT_EQ(list->getRowTable()->getItemCount(), 0);
    addSeries("P1", "1.5.1", "1.5.1.2", "2", 1);
    ASSERT_TRUE(pumpUntil([&] { return list->getPendingCount() == 1; }));
    EXPECT_EQ(list->getRowTable()->getItemCount(), 0);
}

TEST_F(StudyListTest, DeletingTheLastSeriesOfAStudyTakesItsTitleRowAlong) {
    const std::string first = addSeries("P1", "1.8.1", "1.8.1.1", "1", 1);
    addSeries("P1", "1.8.1", "1.8.1.2", "2", 1);
    const std::string patient = patientKey("P1");
    studyList* list = addList(patient);
    ASSERT_TRUE(pumpUntil([&] { return list->isRowsLoaded(); }));
    ASSERT_EQ(list->getRowTable()->getItemCount(), 3);
    studydbtest::KeyRecorder changed(studydb::NOTIFY_PATIENT_CHANGED);

    list->deleteRow(1);
    EXPECT_EQ(rowNames(list), (std::vector<std::string>{"study " + list->getRow(0)->studyID, "2"}));
    list->deleteRow(1);
    EXPECT_EQ(list->getRowTable()->getItemCount(), 0);
    // A title row is no series: nothing happens.
    list->insertRow("A", studyRow("A"));
    list->deleteRow(0);
    EXPECT_EQ(list->getRowTable()->getItemCount(), 1);

    ASSERT_TRUE(pumpUntil([&] { return changed.texts.size() == 2; }));
    list->joinJobs();
    EXPECT_EQ(changed.texts, (std::vector<std::string>{patient, patient}));
    EXPECT_TRUE(rows("select ID from series").empty());
    EXPECT_FALSE(std::filesystem::exists(root() + first));
}

// A study's title row shows its ID and description whole or ended with "…".
TEST_F(StudyListTest, TitleRowTextsTooLongForTheirFieldsEndInAnEllipsis) {
    studyList* list = addList("");
    ASSERT_NE(list->getRowTable(), nullptr);
    studyList::listObject* title = studyRow("A");
    title->studyIDHospital = "ST-2024";
    title->studyDesc = "CHEST";
    list->insertRow("A", title);
    studyList::listObject* longTitle = studyRow("B");
    longTitle->studyIDHospital = "STUDY-" + std::string(40, '9');
    longTitle->studyDesc = "Thorax " + std::string(60, 'x');
    list->insertRow("B", longTitle);
    pumpFrames(2);
    auto text = [&](ssize_t index, const char* name) {
        NSUI::NSTableViewCell* cell = list->getRowTable()->cellAtIndex(index);
        auto* widget = cell != nullptr
                           ? dynamic_cast<cocos2d::ui::Text*>(cell->getChildByNameDeep(name))
                           : nullptr;
        return widget != nullptr ? widget->getString() : std::string("<none>");
    };
    EXPECT_EQ(text(0, "id"), "ST-2024");
    EXPECT_EQ(text(0, "desc"), "CHEST");
    for (const char* name : {"id", "desc"}) {
        const std::string shown = text(1, name);
        ASSERT_GE(shown.size(), 3u) << name;
        EXPECT_EQ(shown.substr(shown.size() - 3), "\u2026") << name << ": " << shown;
    }
}

// A double click on a series' delete deletes that series, not the one that takes its row.
TEST_F(StudyListTest, ADoubleClickOnASeriesDeleteDeletesOneSeries) {
    addSeries("P1", "1.7.1", "1.7.1.1", "1", 1);
    addSeries("P1", "1.7.1", "1.7.1.2", "2", 1);
    addSeries("P1", "1.7.1", "1.7.1.3", "3", 1);
    studyList* list = addList(patientKey("P1"));
    ASSERT_TRUE(pumpUntil([&] { return list->isRowsLoaded(); }));
    ASSERT_EQ(list->getRowTable()->getItemCount(), 4);
    auto* menu = NSUI::NSTableViewMenu::create();
    menu->setContentSize(cocos2d::Size(100.0f, 100.0f));
    menu->cell = list->getRowTable()->cellAtIndex(1);
    ASSERT_NE(menu->cell, nullptr);
    menu->index = 1;
    list->tableCellLeftMenu(list->getRowTable(), menu);
    auto* del = dynamic_cast<cocos2d::ui::Button*>(menu->getChildByNameDeep("del"));
    ASSERT_NE(del, nullptr);

    for (int i = 0; i < 2; ++i) {
        list->onDeletePress(del, cocos2d::ui::Widget::TouchEventType::BEGAN);
        list->onButtonClick(del);
    }
    EXPECT_EQ(rowNames(list),
              (std::vector<std::string>{"study " + list->getRow(0)->studyID, "2", "3"}));
    list->joinJobs();
    EXPECT_EQ(rows("select ID from series").size(), 2u);
}

TEST_F(StudyListTest, TheStripOffersTheProtocolsThatSuitTheSelection) {
    studyList* list = addList();
    list->insertRow("A", studyRow("A"));
    for (studyList::listObject* row : {seriesRow("1", 51), seriesRow("2", 120, "MR", "Loc T2"),
                                       seriesRow("3", 120, "MR", "T2 Loc"), seriesRow("4", 5),
                                       seriesRow("5", 50, "MRI", "loc Loc")}) {
        list->insertRow("A", row);
    }
    list->getRowTable()->reloadData();
    const std::vector<std::string> volume = {"2dview", "browser2d", "mpr3d", "mpr", "mpr2"};
    const std::vector<std::string> flat = {"2dslice", "compare2d"};
    struct Case {
        std::vector<int> selected;  // the first one is focused
        std::vector<std::string> types;
    };
    const std::vector<Case> cases = {
        {{1}, volume},
        {{2}, flat},
        {{3}, flat},
        {{4}, flat},
        {{5}, volume},
        {{1, 5}, {"compare2d", "compare4d"}},
        {{5, 1}, {"compare2d"}},
        {{0}, {}},
        {{0, 1}, {}},
        {{3, 1, 4}, {"compare2d", "compare4d"}},
    };
    NSUI::NSListView* rows = list->getRowTable();
    for (const Case& c : cases) {
        rows->selectCellAtIndex(c.selected.front());
        rows->selection.clear();
        for (int index : c.selected) {
            rows->selection.pushBack(rows->getItem(index));
        }
        list->updateProtocols();
        EXPECT_EQ(stripTypes(list), c.types) << "row " << c.selected.front();
    }

    // The last case: three series open the viewer with the series text in selection order.
    const int before = lastViewerRequest().count;
    NSUI::NSTableViewCell* stripCell = list->getProtocolStrip()->cellAtIndex(0);
    ASSERT_NE(stripCell, nullptr);
    list->tableCellTouched(list->getProtocolStrip(), stripCell, cocos2d::Vec2(50, 50));
    EXPECT_EQ(lastViewerRequest().count, before + 1);
    EXPECT_EQ(lastViewerRequest().protocol, "compare2d");
    EXPECT_EQ(lastViewerRequest().seriesText,
              "{\"series1\":\"folder/3\",\"series2\":\"folder/1\",\"series3\":\"folder/4\","
              "\"num\":\"3\"}");

    // The right end of a series row opens it at once, without a protocol; of a title row not.
    const float width = rows->getContentSize().width;
    list->tableCellTouched(rows, rows->cellAtIndex(2), cocos2d::Vec2(width - 10, 50));
    EXPECT_EQ(lastViewerRequest().count, before + 2);
    EXPECT_EQ(lastViewerRequest().seriesText, "folder/2");
    EXPECT_EQ(lastViewerRequest().protocol, "");
    list->tableCellTouched(rows, rows->cellAtIndex(0), cocos2d::Vec2(width - 10, 25));
    EXPECT_EQ(lastViewerRequest().count, before + 2);
}

TEST_F(StudyListTest, ThumbnailRowsAreEvenlySpaced) {
    const std::vector<std::pair<int, std::vector<int>>> cases = {
        {0, {}},
        {1, {0}},
        {3, {0, 1, 2}},
        {6, {0, 1, 2, 3, 4, 5}},
        {7, {0, 1, 2, 3, 4, 5}},
        {12, {0, 2, 4, 6, 8, 10}},
        {100, {0, 16, 33, 50, 66, 83}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(studyList::thumbnailRows(c.first), c.second) << c.first;
    }
}

TEST_F(StudyListTest, ThumbnailsAreMadeOnceAndAgainAfterANewImage) {
    const std::string folder = addSeries("P1", "1.6.1", "1.6.1.1", "1", 3);
    const std::string path = root() + folder + (folder.back() == '/' ? "" : "/");
    studyList* list = addList(patientKey("P1"));
    // The first rows show the first series' thumbnails: made by the job, then shown.
    ASSERT_TRUE(pumpUntil([&] { return list->getThumbnailFolder() == path; }));
    EXPECT_FALSE(list->isThumbnailJobBusy());
    for (int i = 0; i < 6; ++i) {
        const std::string name = "thrumb" + std::to_string(i);
        EXPECT_EQ(std::filesystem::exists(path + name), i < 3) << name;
        EXPECT_FALSE(std::filesystem::exists(path + name + ".part")) << name;
        cocos2d::Node* sprite = list->getChildByNameDeep(name);
        ASSERT_NE(sprite, nullptr);
        EXPECT_EQ(sprite->isVisible(), i < 3) << name;
    }
    auto* first = dynamic_cast<cocos2d::Sprite*>(list->getChildByNameDeep("thrumb0"));
    cocos2d::Texture2D* oldTexture = first->getTexture();
    ASSERT_NE(oldTexture, nullptr);
    oldTexture->retain();

    // A new image deletes them; touching the series makes them again, loaded afresh.
    addSeries("P1", "1.6.1", "1.6.1.1", "1", 1, "CT", "", 4);
    ASSERT_TRUE(pumpUntil([&] { return !std::filesystem::exists(path + "thrumb0"); }));
    list->showSeriesThumbnails(list->getRow(1));
    ASSERT_TRUE(pumpUntil(
        [&] { return !list->isThumbnailJobBusy() && list->getThumbnailFolder() == path; }));
    EXPECT_TRUE(std::filesystem::exists(path + "thrumb3"));
    EXPECT_TRUE(list->getChildByNameDeep("thrumb3")->isVisible());
    EXPECT_NE(first->getTexture(), oldTexture);
    EXPECT_EQ(
        cocos2d::Director::getInstance()->getTextureCache()->getTextureForKey(path + "thrumb0"),
        first->getTexture());
    oldTexture->release();
}

namespace {

int visibleThumbnails(studyList* list) {
    int shown = 0;
    for (int i = 0; i < 6; ++i) {
        cocos2d::Node* sprite = list->getChildByNameDeep("thrumb" + std::to_string(i));
        shown += sprite != nullptr && sprite->isVisible() ? 1 : 0;
    }
    return shown;
}

// The list is done with thumbnails: no job, nothing waiting, the folder on show.
bool thumbnailsSettledOn(studyList* list, const std::string& path) {
    return !list->isThumbnailJobBusy() && !list->hasThumbnailWork() &&
           list->getThumbnailFolder() == path;
}

}  // namespace

TEST_F(StudyListTest, TheThumbnailsFollowASeriesThatGrowsWhileItIsShown) {
    const std::string folder = addSeries("P1", "1.6.2", "1.6.2.1", "1", 2);
    const std::string path = root() + folder + (folder.back() == '/' ? "" : "/");
    studyList* list = addList(patientKey("P1"));
    ASSERT_TRUE(pumpUntil([&] { return list->isRowsLoaded(); }));

    // Images that come while the first job may still run, and images that come after the first
    // two thumbnails are shown: each time the list ends with the thumbnails of the whole series.
    addSeries("P1", "1.6.2", "1.6.2.1", "1", 4, "CT", "", 3);
    ASSERT_TRUE(pumpUntil([&] { return list->getRow(1)->imageCount == 6; }));
    ASSERT_TRUE(
        pumpUntil([&] { return thumbnailsSettledOn(list, path) && visibleThumbnails(list) == 6; }));
    addSeries("P1", "1.6.2", "1.6.2.1", "1", 6, "CT", "", 7);
    ASSERT_TRUE(pumpUntil([&] { return list->getRow(1)->imageCount == 12; }));
    ASSERT_TRUE(pumpUntil([&] { return thumbnailsSettledOn(list, path); }));
    EXPECT_EQ(visibleThumbnails(list), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(std::filesystem::exists(path + "thrumb" + std::to_string(i))) << i;
    }
}

TEST_F(StudyListTest, AThumbnailRequestThatComesWhileTheJobRunsIsServedAfterIt) {
    addSeries("P1", "1.6.3", "1.6.3.1", "1", 3);
    addSeries("P1", "1.6.3", "1.6.3.2", "2", 4);
    studyList* list = addList(patientKey("P1"));
    ASSERT_TRUE(pumpUntil([&] { return list->isRowsLoaded(); }));
    ASSERT_EQ(list->getRowTable()->getItemCount(), 3);
    const auto pathOf = [&](const studyList::listObject* row) {
        return root() + row->folder + (row->folder.back() == '/' ? "" : "/");
    };
    const std::string first = pathOf(list->getRow(1));
    const std::string second = pathOf(list->getRow(2));
    ASSERT_TRUE(pumpUntil([&] { return thumbnailsSettledOn(list, first); }));

    // The second series is touched while the first one's thumbnails are being made again.
    std::filesystem::remove(first + "thrumb0");
    list->showSeriesThumbnails(list->getRow(1));
    ASSERT_TRUE(list->isThumbnailJobBusy());
    list->showSeriesThumbnails(list->getRow(2));
    EXPECT_TRUE(list->hasThumbnailWork());
    ASSERT_TRUE(pumpUntil([&] { return thumbnailsSettledOn(list, second); }));
    EXPECT_EQ(visibleThumbnails(list), 4);
    EXPECT_TRUE(std::filesystem::exists(first + "thrumb0"));
}

TEST_F(StudyListTest, AListThatGoesAwayWhileItsJobRunsIsNotReached) {
    addSeries("P1", "1.7.1", "1.7.1.1", "1", 6);
    studyList* list = addList(patientKey("P1"));
    ASSERT_TRUE(pumpUntil([&] { return list->isRowsLoaded(); }));
    const std::string folder = root() + list->getRow(1)->folder + "/";
    // Taken off the scene (and freed) while its thumbnail job runs: cleanup waits for the job,
    // whose answer then reaches nobody.
    list->removeFromParent();
    pumpFrames(8);
    EXPECT_TRUE(std::filesystem::exists(folder + "thrumb0"));
}

TEST_F(StudyListTest, TheSendButtonOfASeriesOpensTheNodeScreenWithThatSeries) {
    const std::string folder = addSeries("P1", "1.9.1", "1.9.1.1", "1", 2);
    studyList* list = addList(patientKey("P1"));
    ASSERT_TRUE(pumpUntil([&] { return list->isRowsLoaded(); }));
    // The list stands where the home screen's side panel does.
    list->setPositionX(640.0f);
    NSUI::NSTableViewCell* seriesCell = list->getRowTable()->cellAtIndex(1);
    ASSERT_NE(seriesCell, nullptr);
    auto* menu = NSUI::NSTableViewMenu::create();
    menu->setContentSize(cocos2d::Size(100.0f, 100.0f));
    menu->cell = seriesCell;
    menu->index = 1;
    list->tableCellLeftMenu(list->getRowTable(), menu);
    auto* send = dynamic_cast<cocos2d::ui::Button*>(menu->getChildByNameDeep("send"));
    ASSERT_NE(send, nullptr);

    list->onButtonClick(send);
    auto* window = dynamic_cast<NSUI::NSResponseWindow*>(list->getChildren().back());
    ASSERT_NE(window, nullptr) << "the node screen opens over the list";
    EXPECT_FLOAT_EQ(window->convertToWorldSpace(cocos2d::Vec2::ZERO).x, 0.0f);
    auto* nodes = dynamic_cast<dcmSend*>(window->getChildByName("dcmSend"));
    ASSERT_NE(nodes, nullptr);
    EXPECT_EQ(nodes->getSendPath(), root() + folder + "/");
    EXPECT_EQ(nodes->getSendLabel(), AppConfig::getInstance()->getTextOrKey("Series") + " 1 CT")
        << "the series as the reader knows it";
    pumpFrames(2);
    EXPECT_TRUE(nodes->getChildByNameDeep("dcmNode_send")->isVisible());
}

}  // namespace
}  // namespace apptest
