#include "app/AppDelegate.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/choosePath.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "online/adsApplication.h"
#include "online/statApplication.h"
#include "online/updateService.h"
#include "studydb/StudyNotifications.h"
#include "studydb/dataService.h"
#include "studydb/dicomDB.h"
#include "studydb/sniffer.h"
#include "tests/app/AppFixture.h"
#include "tests/support/lib/LoopbackPort.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/UILocalConfig.h"

namespace {

int threadCount() {
    int count = 0;
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(tasks)) {
            count += entry->d_name[0] != '.' ? 1 : 0;
        }
        closedir(tasks);
    }
    return count;
}

bool tcpPortFree(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    const int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    close(fd);
    return bound;
}

// Texts of the posts of one key made without a group, while it lives.
struct Recorder {
    explicit Recorder(int key) {
        NSUI::NSNotificationCenter::getInstance()->addObserver(
            this, nullptr,
            [this](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
                texts.push_back(data != nullptr ? data->stringValue : "<no data>");
            },
            key);
    }
    ~Recorder() { NSUI::NSNotificationCenter::getInstance()->removeObserver(this); }
    std::vector<std::string> texts;
};

bool showsChooser() {
    cocos2d::Scene* scene = cocos2d::Director::getInstance()->getRunningScene();
    if (scene == nullptr) {
        return false;
    }
    for (cocos2d::Node* child : scene->getChildren()) {
        if (dynamic_cast<choosePath*>(child) != nullptr) {
            return true;
        }
    }
    return false;
}

class AppDelegateTest : public ::testing::Test {
protected:
    void SetUp() override {
        nodePort = bvtest::freeLoopbackPort();
        dicomDB::setNodePort(std::to_string(nodePort));
        const int udp = bvtest::freeLoopbackPort();
        NSUI::sniffer::setDefaultPorts(static_cast<uint16_t>(udp), static_cast<uint16_t>(udp));
    }

    apptest::FreshWritable writable;
    apptest::LoopbackOnly network;
    int nodePort = 0;
};

TEST_F(AppDelegateTest, FirstRunShowsTheChooserAndShutdownJoinsEveryServiceThread) {
    // A sanitizer's runtime starts a helper thread of its own with the first thread the process
    // creates: let that happen before the count.
    std::thread([] {}).join();
    const int before = threadCount();
    {
        AppDelegate app;
        auto active = std::make_unique<Recorder>(studydb::NOTIFY_APP_ACTIVE);
        ASSERT_TRUE(app.applicationDidFinishLaunching());
        apptest::pumpFrames(3);
        EXPECT_TRUE(showsChooser());
        // The marker is stored at once: a program closed on the chooser starts at home.
        EXPECT_EQ(NSUI::getEncodedUserDefault("win32_choose_dicom_path", ""), "1");
        EXPECT_EQ(AppConfig::getInstance()->getDesignSize().width,
                  cocos2d::Director::getInstance()->getWinSize().width);
        EXPECT_TRUE(dataService::getInstance()->getDatabase()->ready());
        EXPECT_TRUE(statApplication::hasInstance());
        EXPECT_TRUE(ADS::adsApplication::hasInstance());

        EXPECT_EQ(active->texts.size(), 1u);
        app.applicationDidEnterBackground();
        EXPECT_FALSE(cocos2d::Director::getInstance()->isAnimationRunning());
        // A cycle that has ended is replaced by a new one; one still busy (its first check may
        // still be waiting on the unreachable site) is kept. The old one is held, so that a
        // replacement cannot be made at its address.
        updateService* update = ADS::adsApplication::getInstance()->getUpdateService();
        ASSERT_NE(update, nullptr);
        update->retain();
        const bool busy = update->isBusy();
        app.applicationWillEnterForeground();
        EXPECT_TRUE(cocos2d::Director::getInstance()->isAnimationRunning());
        EXPECT_NE(ADS::adsApplication::getInstance()->getUpdateService(), nullptr);
        EXPECT_EQ(ADS::adsApplication::getInstance()->getUpdateService() == update, busy);
        update->release();
        apptest::pumpFrames(3);
        EXPECT_EQ(active->texts.size(), 2u);
        active.reset();
        EXPECT_FALSE(tcpPortFree(nodePort));

        // The DICOM services' messages reach the screen as the toolkit's message box.
        NSUI::NSNotificationCenter::getInstance()->postString(
            nullptr, studydb::NOTIFY_RETRIEVE_READY, "Doe^John", nullptr, false);
        cocos2d::Scene* scene = cocos2d::Director::getInstance()->getRunningScene();
        EXPECT_TRUE(apptest::pumpUntil(
            [&] { return scene->getChildByName("ns_fun_messageBox") != nullptr; }, 5.0));

        app.applicationWillExit();
        EXPECT_EQ(cocos2d::Director::getInstance()->getRunningScene(), nullptr);
        EXPECT_FALSE(statApplication::hasInstance());
        EXPECT_FALSE(ADS::adsApplication::hasInstance());
        EXPECT_TRUE(tcpPortFree(nodePort));
    }
    EXPECT_TRUE(apptest::pumpUntil([&] { return threadCount() <= before; }, 5.0))
        << threadCount() << " threads, " << before << " before the start";

    // The second start goes to the home screen.
    AppDelegate again;
    ASSERT_TRUE(again.applicationDidFinishLaunching());
    apptest::pumpFrames(1);
    EXPECT_NE(cocos2d::Director::getInstance()->getRunningScene(), nullptr);
    EXPECT_FALSE(showsChooser());
    again.applicationWillExit();
}

TEST_F(AppDelegateTest, AnyStoredMarkerButZeroLeadsHome) {
    for (const char* marker : {"1", "2", "yes"}) {
        NSUI::setEncodedUserDefault("win32_choose_dicom_path", marker);
        cocos2d::Scene* scene = AppDelegate::createFirstScene();
        ASSERT_NE(scene, nullptr);
        for (cocos2d::Node* child : scene->getChildren()) {
            EXPECT_EQ(dynamic_cast<choosePath*>(child), nullptr) << marker;
        }
        apptest::pumpFrames(1);
    }
    NSUI::sniffer::stop();
    dataService::destroyInstance();
}

TEST_F(AppDelegateTest, OpenFilePostsTheImportPathEvenWhenEmpty) {
    Recorder imports(studydb::NOTIFY_IMPORT_PATH);
    AppDelegate app;
    app.openFile("");
    app.openFile("/data/scan.zip");
    apptest::pumpFrames(4);
    EXPECT_EQ(imports.texts, (std::vector<std::string>{"", "/data/scan.zip"}));
}

}  // namespace
