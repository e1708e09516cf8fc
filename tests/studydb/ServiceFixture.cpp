#include "ServiceFixture.h"

#include "engine/2d/Scene.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "studydb/LibraryCallbacks.h"
#include "studydb/dicomDB.h"
#include "studydb/sniffer.h"
#include "tests/support/lib/LoopbackPort.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/UILocalConfig.h"

namespace studydbtest {

void ServiceTest::SetUp() {
    NSUI::NSNotificationCenter::getInstance();
    NSUI::setEncodedUserDefault("app_dicom_path", storage_.str() + "dicom/");
    port_ = bvtest::freeLoopbackPort();
    dicomDB::setNodePort(std::to_string(port_));
    const auto udp = static_cast<uint16_t>(bvtest::freeLoopbackPort(true));
    NSUI::sniffer::setDefaultPorts(udp, udp);
    dataService::setMessagePresenter(
        [this](const std::string& text, float) { messages_.push_back(text); });
    registerDcmCallbacks();
    service_ = dataService::getInstance();
    ASSERT_TRUE(db()->ready());
}

void ServiceTest::TearDown() {
    pumpFrames();
    dataService::destroyInstance();
    NSUI::sniffer::stop();
    pumpFrames();
    dataService::setMessagePresenter(nullptr);
    NSUI::setEncodedUserDefault("app_dicom_path", "");
}

std::vector<std::vector<std::string>> ServiceTest::rows(const std::string& sql) {
    return selectRows(db(), sql);
}

void SceneServiceTest::SetUp() {
    ServiceTest::SetUp();
    cocos2d::FileUtils::getInstance()->addSearchPath("res/pad");
    cocos2d::Director* director = cocos2d::Director::getInstance();
    director->setWinSize(cocos2d::Size(width_, height_));
    scene = cocos2d::Scene::create();
    director->runWithScene(scene);
    director->mainLoop(0.0f);
}

void SceneServiceTest::TearDown() {
    // As the program ends: the screens first, then the services, whose threads hand their
    // results to the director's scheduler, and the director last.
    cocos2d::Director::getInstance()->endScenes();
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
    releaseAfterScene();
    ServiceTest::TearDown();
    cocos2d::Director::getInstance()->purgeDirector();
    NSUI::NSNotificationCenter::destroyInstance();
}

}  // namespace studydbtest
