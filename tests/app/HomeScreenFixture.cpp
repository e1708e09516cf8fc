#include "tests/app/HomeScreenFixture.h"

#include "engine/2d/Scene.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "studydb/StudyNotifications.h"
#include "studydb/dataService.h"
#include "studydb/dicomDB.h"
#include "studydb/sniffer.h"
#include "tests/support/lib/FramePump.h"
#include "tests/support/lib/LoopbackPort.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSDBUtil.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/ToolkitGlobals.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/widgets/NSListView.h"

namespace hometest {

bool pumpUntil(const std::function<bool()>& condition, double seconds) {
    return bvtest::runFramesUntil(condition, seconds, 0.05f);
}

void pumpFrames(int frames) {
    bvtest::runFrames(frames, 0.1f);
}

void HomeScreenTest::SetUp() {
    NSUI::NSNotificationCenter::getInstance();
    cocos2d::FileUtils::getInstance()->addSearchPath("res/pad");
    NSUI::setEncodedUserDefault("app_dicom_path", storage_.str() + "dicom/");
    // The configuration's first use marks a first run, which would import the example study.
    AppConfig::getInstance();
    NSUI::setEncodedUserDefault("app_init_db", "0");
    dicomDB::setNodePort(std::to_string(bvtest::freeLoopbackPort()));
    const auto udp = static_cast<uint16_t>(bvtest::freeLoopbackPort());
    NSUI::sniffer::setDefaultPorts(udp, udp);
    ASSERT_TRUE(dataService::getInstance()->getDatabase()->ready());
}

void HomeScreenTest::TearDown() {
    // As the program ends: the screens first, then the services, whose threads hand their
    // results to the director's scheduler, and the director last.
    cocos2d::Director::getInstance()->endScenes();
    screen = nullptr;
    dataService::destroyInstance();
    NSUI::sniffer::stop();
    cocos2d::Director::getInstance()->purgeDirector();
    // The next test's director needs a centre that schedules its delivery pass on it.
    NSUI::purgeToolkitSingletons();
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
    NSUI::setEncodedUserDefault("app_dicom_path", "");
}

void HomeScreenTest::showScreen(float width, float height) {
    cocos2d::Director* director = cocos2d::Director::getInstance();
    director->setWinSize(cocos2d::Size(width, height));
    screen = nullptr;
    cocos2d::Scene* scene = patientList::createScene();
    ASSERT_NE(scene, nullptr);
    for (cocos2d::Node* child : scene->getChildren()) {
        if (auto* home = dynamic_cast<patientList*>(child)) {
            screen = home;
        }
    }
    ASSERT_NE(screen, nullptr);
    if (director->getRunningScene() == nullptr) {
        director->runWithScene(scene);
    } else {
        director->replaceScene(scene);
    }
    // The notification centre's first delivery pass comes half a second after it was made.
    pumpFrames(6);
    ASSERT_NE(screen->getTable(), nullptr) << "the layout did not load";
}

std::vector<std::string> HomeScreenTest::answerRow(const std::string& id, const std::string& name,
                                                   int studies, int series, int images) {
    return {id,
            "H" + id,
            name,
            "1970.01.02",
            "F",
            "2024-01-02 10:10:10",
            "2024-01-02 10:10:10.123",
            "CHEST",
            "P" + id + "/ST1/SE1",
            std::to_string(studies),
            std::to_string(series),
            std::to_string(images)};
}

void HomeScreenTest::loadRows(const std::vector<std::vector<std::string>>& rows) {
    NSUI::NSDBDataModel model;
    for (const auto& row : rows) {
        for (const std::string& value : row) {
            model.addValue(value);
        }
        model.commitRow();
    }
    screen->onPatientsLoaded(&model);
}

void HomeScreenTest::postReceived(const std::string& id, const std::string& name, int newStudy,
                                  int newSeries) {
    std::string json;
    NSUI::UIJson::setString(json, "patientID", id);
    NSUI::UIJson::setString(json, "name", name);
    NSUI::UIJson::setString(json, "patientIDHospital", "H" + id);
    NSUI::UIJson::setString(json, "birthday", "1980.05.06");
    NSUI::UIJson::setString(json, "sex", "M");
    NSUI::UIJson::setString(json, "updateTime", "2024-03-04 05:06:07.890");
    NSUI::UIJson::setString(json, "studyDate", "2024-03-04 05:06:07.890");
    NSUI::UIJson::setString(json, "studyDesc", "HEAD");
    NSUI::UIJson::setInt(json, "studyNumber", newStudy);
    NSUI::UIJson::setInt(json, "seriesNumber", newSeries);
    NSUI::UIJson::setString(json, "dcmFolder", "P" + id + "/ST2/SE9");
    auto* data = NSUI::NSNotificationData::create();
    data->stringValue = json;
    NSUI::NSNotificationCenter::getInstance()->postNotification(
        nullptr, studydb::NOTIFY_DB_PATIENTS_READY, data, nullptr, true);
    pumpFrames(2);
}

std::vector<std::string> HomeScreenTest::visibleNames() const {
    std::vector<std::string> names;
    for (ssize_t i = 0; i < screen->getTable()->getItemCount(); ++i) {
        names.push_back(screen->getRow(i)->name);
    }
    return names;
}

}  // namespace hometest
