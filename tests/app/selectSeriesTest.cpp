#include "app/selectSeries.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/patientList.h"
#include "engine/2d/Scene.h"
#include "engine/ui/Button.h"
#include "studydb/StudyNotifications.h"
#include "tests/app/StudyListFixture.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSTableViewCell.h"
#include "toolkit/widgets/NSTextField.h"

namespace apptest {
namespace {

using studydbtest::pumpFrames;
using studydbtest::pumpUntil;

// Stands in for the home screen's answer to the chooser's request: its patient table with the
// selected row, sent to the asking chooser's group.
class HomeTable : public NSUI::NSTableViewDelegate {
public:
    HomeTable(cocos2d::Node* parent, const std::vector<std::pair<std::string, std::string>>& rows,
              int selected) {
        table = NSUI::NSListView::create();
        table->setDelegate(this);
        table->keepSelection = true;
        table->setContentSize(cocos2d::Size(400, 600));
        parent->addChild(table);
        for (const auto& [id, name] : rows) {
            patientList::listObject* row = patientList::listObject::create();
            row->patientID = id;
            row->patientIDHospital = "H" + id;
            row->name = name;
            row->seriesDate = "2024-01-02 10:10:10.000";
            row->studyDesc = "A study description longer than thirty characters";
            table->pushBackItem(row);
        }
        table->reloadData();
        if (selected >= 0) {
            table->selectCellAtIndex(selected);
        }
        NSUI::NSNotificationCenter::getInstance()->addObserver(
            this, nullptr,
            [this](cocos2d::Ref* sender, unsigned, NSUI::NSNotificationData*) {
                ++requests;
                auto* answer = NSUI::NSNotificationData::create();
                answer->setNotificationKey(studydb::NOTIFY_SERIES_PICKER_DATA, sender);
                answer->setObject(table);
                NSUI::NSNotificationCenter::getInstance()->postNotification(
                    nullptr, studydb::NOTIFY_SERIES_PICKER_DATA, answer, sender, true);
            },
            studydb::NOTIFY_SERIES_PICKER_REQUEST);
    }
    ~HomeTable() override {
        NSUI::NSNotificationCenter::getInstance()->removeObserver(this);
        // The table goes while its delegate still exists.
        table->removeFromParent();
    }

    cocos2d::Size tableCellSizeForIndex(NSUI::NSTableView*, ssize_t, cocos2d::Ref*) override {
        return cocos2d::Size(400, 100);
    }
    NSUI::NSTableViewCell* tableCellAtIndex(NSUI::NSTableView* t, ssize_t index,
                                            const cocos2d::Size&) override {
        NSUI::NSTableViewCell* cell = t->cellAtIndex(index);
        return cell != nullptr ? cell : NSUI::NSTableViewCell::create();
    }

    NSUI::NSListView* table = nullptr;
    int requests = 0;
};

class SelectSeriesTest : public StudyListTest {
protected:
    selectSeries* open() {
        selectSeries* chooser = selectSeries::create();
        chooser->setContentSize(cocos2d::Size(500, 700));
        scene->addChild(chooser, 100010);
        EXPECT_TRUE(chooser->initWithMode(0));
        chooser->setOwner(&opener);
        return chooser;
    }

    void click(selectSeries* chooser, const std::string& name) {
        chooser->onButtonClick(chooser->getChildByNameDeep(name));
    }

    std::vector<std::string> patientNames(selectSeries* chooser) {
        std::vector<std::string> names;
        for (cocos2d::Ref* item : chooser->getPatientTable()->items) {
            names.push_back(static_cast<selectSeries::listObject*>(item)->name);
        }
        return names;
    }

    int opener = 0;
};

TEST_F(SelectSeriesTest, AsksTheHomeScreenAndAnnouncesTheChosenSeriesToItsOpener) {
    addSeries("P1", "1.9.1", "1.9.1.1", "1", 1);
    const std::string folder = addSeries("P2", "1.9.2", "1.9.2.1", "4", 2, "MR", "T2 axial");
    HomeTable home(scene, {{patientKey("P1"), "Abc"}, {patientKey("P2"), "Cab"}}, 1);
    studydbtest::KeyRecorder chosenElsewhere(studydb::NOTIFY_SERIES_CHOSEN);
    std::vector<std::string> chosen;
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        &chosen, &opener,
        [&chosen](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
            chosen.push_back(data->stringValue);
        },
        studydb::NOTIFY_SERIES_CHOSEN);

    selectSeries* chooser = open();
    chooser->retain();
    ASSERT_TRUE(pumpUntil([&] { return chooser->getSeriesTable()->getItemCount() == 1; }));
    EXPECT_EQ(home.requests, 1);
    // The selected patient comes first; the chooser opens on its series, the first selected.
    EXPECT_EQ(patientNames(chooser), (std::vector<std::string>{"Cab", "Abc"}));
    auto* patient = static_cast<selectSeries::listObject*>(chooser->getPatientTable()->getItem(0));
    EXPECT_EQ(patient->rowId, selectSeries::kRowIdBase + 1);
    EXPECT_EQ(patient->studyDesc, "A study description longer tha\u2026");
    auto* series = static_cast<selectSeries::studyObject*>(chooser->getSeriesTable()->getItem(0));
    EXPECT_EQ(series->seriesNumber, "4");
    EXPECT_EQ(series->imageCount, 2);
    EXPECT_TRUE(chooser->isSeriesPage());
    ASSERT_NE(chooser->getSeriesTable()->getSelectedCell(), nullptr);

    const std::string key = series->folder;
    EXPECT_EQ(key.rfind(folder, 0), 0u);
    click(chooser, "btnSelectSeries");
    EXPECT_EQ(chooser->getParent(), nullptr);
    ASSERT_TRUE(pumpUntil([&] { return !chosen.empty(); }));
    pumpFrames(4);
    EXPECT_EQ(chosen, std::vector<std::string>{key});
    EXPECT_TRUE(chosenElsewhere.texts.empty());
    EXPECT_EQ(home.requests, 1);
    chooser->release();
    NSUI::NSNotificationCenter::getInstance()->removeObserver(&chosen);
}

TEST_F(SelectSeriesTest, ALateAnswerNeverReachesAClosedChooser) {
    addSeries("P1", "1.10.1", "1.10.1.1", "1", 3);
    HomeTable home(scene, {{patientKey("P1"), "Abc"}}, 0);
    // Closed and still held by someone, so that what reaches it can be seen; or closed and
    // freed.
    for (const bool held : {true, false}) {
        SCOPED_TRACE(held ? "held" : "freed");
        selectSeries* chooser = open();
        if (held) {
            chooser->retain();
        }
        // The answer arrives and the request for the series is made; the chooser closes before
        // the database answers.
        auto* answer = NSUI::NSNotificationData::create();
        answer->setObject(home.table);
        chooser->onNotification(nullptr, studydb::NOTIFY_SERIES_PICKER_DATA, answer);
        click(chooser, "goBack");
        click(chooser, "goBack");
        ASSERT_EQ(chooser->getParent(), nullptr);
        // Queued behind the chooser's request, so answered after it.
        bool later = false;
        db()->requestPatients([&later](NSUI::NSDBDataModel*) { later = true; });
        EXPECT_TRUE(pumpUntil([&] { return later; }));
        pumpFrames(4);
        if (held) {
            EXPECT_EQ(chooser->getSeriesTable()->getItemCount(), 0);
            chooser->release();
        }
    }
}

TEST_F(SelectSeriesTest, TheFilterHidesAndRestoresPatientsInTheirOrder) {
    HomeTable home(scene, {{"1", "Abc"}, {"2", "Cde"}, {"3", "Cab"}, {"4", ""}}, 0);
    selectSeries* chooser = open();
    ASSERT_TRUE(pumpUntil([&] { return chooser->getPatientTable()->getItemCount() == 4; }));
    auto* filter = dynamic_cast<cocos2d::ui::Button*>(chooser->getChildByNameDeep("filter"));
    ASSERT_NE(filter, nullptr);
    auto* field = dynamic_cast<NSUI::NSTextField*>(chooser->getChildByNameDeep("editFilter"));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->cursorImage, "UIRes/cursor.png") << "a light caret on the dark field";
    chooser->applyFilter(filter, "AB");
    EXPECT_EQ(patientNames(chooser), (std::vector<std::string>{"Abc", "Cab"}));
    EXPECT_EQ(filter->getUserString(), "1");
    chooser->applyFilter(filter, "C");
    EXPECT_EQ(patientNames(chooser), (std::vector<std::string>{"Abc", "Cde", "Cab"}));
    chooser->applyFilter(filter, "");
    EXPECT_EQ(patientNames(chooser), (std::vector<std::string>{"Abc", "Cde", "Cab", ""}));
    EXPECT_EQ(filter->getUserString(), "0");
    EXPECT_TRUE(chooser->getHiddenRows().empty());
    EXPECT_EQ(chooser->getSeriesTable()->getItemCount(), 0);
}

TEST(SelectSeriesText, FormatsSeriesTimes) {
    EXPECT_EQ(selectSeries::formatSeriesTime("20240102 101112"), "2024-01-02 10:11:12");
    EXPECT_EQ(selectSeries::formatSeriesTime("20240102 1011"), "20240102 1011");
    EXPECT_EQ(selectSeries::formatSeriesTime(""), "");
}

}  // namespace
}  // namespace apptest
