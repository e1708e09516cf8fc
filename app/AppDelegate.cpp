#include "app/AppDelegate.h"

#include "app/OwnedJobs.h"

#include "app/HomeScene.h"
#include "app/WidgetDump.h"
#include "app/WindowRect.h"
#include "app/choosePath.h"
#include "dcmsdk/DcmLibrary.h"
#include "engine/2d/Scene.h"
#include "engine/audio/SimpleAudioEngine.h"
#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "engine/platform/GLView.h"
#include "engine/ui/CSLoader.h"
#include "imagesdk/data/isSharedObjects.h"
#include "online/adsApplication.h"
#include "online/httpCenter.h"
#include "online/login.h"
#include "online/statApplication.h"
#include "online/updateService.h"
#include "platform/DesktopArea.h"
#include "studydb/LibraryCallbacks.h"
#include "studydb/StudyNotifications.h"
#include "studydb/dataService.h"
#include "studydb/dcmSend.h"
#include "studydb/sniffer.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSDataManager.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/ToolkitGlobals.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/widgets/UIControlBase.h"

namespace {

AppDelegate::WindowFactory& windowFactory() {
    static AppDelegate::WindowFactory factory;
    return factory;
}

// The delegate's reference to the configuration, taken at start-up and dropped at exit.
AppConfig* heldConfig = nullptr;

// Statistics events of the delegate.
enum : int { kStatLaunch = 0, kStatForeground = 1, kStatBackground = 2 };
// Occasions of the ad controller.
enum : int { kAdLaunch = 0, kAdForeground = 1 };

void postAppActive() {
    NSUI::NSNotificationCenter::getInstance()->postNotification(nullptr, studydb::NOTIFY_APP_ACTIVE,
                                                                nullptr, nullptr, true);
}

void makeWindow(AppConfig* config) {
    cocos2d::Director* director = cocos2d::Director::getInstance();
    if (director->getOpenGLView() != nullptr) {
        return;
    }
    const cocos2d::Rect rect = mainWindowRect(metricsOfDesktop(platform::getDesktopArea()));
    cocos2d::GLView* view = nullptr;
    if (windowFactory()) {
        view = windowFactory()(config->getText("appName"), rect);
    }
    if (view != nullptr) {
        director->setOpenGLView(view);
    } else {
        director->setWinSize(rect.size);
    }
}

void setUpResolution(AppConfig* config) {
    cocos2d::Director* director = cocos2d::Director::getInstance();
    cocos2d::GLView* view = director->getOpenGLView();
    if (view != nullptr) {
        config->getDesignSize() = view->getFrameSize();
        view->setDesignResolutionSize(config->getDesignSize().width, config->getDesignSize().height,
                                      cocos2d::ResolutionPolicy::FIXED_HEIGHT);
    } else {
        config->getDesignSize() = director->getWinSize();
    }
    director->setContentScaleFactor(1.0f);
    config->setWinSize(director->getWinSize());
}

void registerServiceHooks(AppConfig* config) {
    // Messages of the DICOM services reach the user as the toolkit's message box.
    dataService::setMessagePresenter(
        [](const std::string& text, float seconds) { NSUI::showMessageBox(text, seconds); });
    // The discovery threads read these; both values are fixed for the run.
    const std::string identifier = config->getAppIdentifier();
    NSUI::sniffer::setAppIdentifierSource([identifier] { return identifier; });
    dcmSend::setStatisticRecorder([](int event, const std::string& value) {
        statApplication::getInstance()->addStat(event, value);
    });
    NSUI::sniffer::setLoginSource([](std::string& loginId) {
        std::string loggedIn;
        login::getLoginInfo(loggedIn, loginId);
        return loggedIn == "1";
    });
}

}  // namespace

void AppDelegate::setWindowFactory(const WindowFactory& factory) {
    windowFactory() = factory;
}

void AppDelegate::initGLContextAttrs() {
    cocos2d::GLContextAttrs attrs{8, 8, 8, 8, 24, 8};
    cocos2d::GLView::setGLContextAttrs(attrs);
}

cocos2d::Scene* AppDelegate::createFirstScene() {
    if (NSUI::getEncodedUserDefault("win32_choose_dicom_path", "0") == "0") {
        cocos2d::Scene* scene = choosePath::createScene();
        NSUI::setEncodedUserDefault("win32_choose_dicom_path", "1");
        return scene;
    }
    return createHomeScene();
}

bool AppDelegate::applicationDidFinishLaunching() {
    AppConfig* config = AppConfig::getInstance();
    if (heldConfig == nullptr) {
        heldConfig = config;
        heldConfig->retain();
    }
    config->loadLanguage();
    makeWindow(config);

    cocos2d::FileUtils::getInstance()->setSearchPaths(
        {"res/pad", "imageSDK", "dcmtk", "UIRes", "test"});
    setUpResolution(config);

    registerDcmCallbacks();
    registerServiceHooks(config);

    NSUI::NSDataManager::getInstance()->setUpdateEnabled(true);
    if (httpCenter* centre = httpCenter::create()) {
        centre->start();
    }
    statApplication::getInstance()->requestStatUrl();

    cocos2d::Director* director = cocos2d::Director::getInstance();
    director->setDisplayStats(false);
    director->setAnimationInterval(1.0f / 30.0f);
    director->runWithScene(createFirstScene());
    WidgetDump::install();

    ADS::adsApplication* ads = ADS::adsApplication::getInstance();
    ads->reloadConfig();
    ads->showNewVersionAd();
    ads->showAd(kAdLaunch);

    NSUI::sniffer::getInstance()->startPing();
    dataService::getInstance()->echoPeers(2);
    statApplication::getInstance()->addStat(kStatLaunch, "");

    CocosDenshion::SimpleAudioEngine* audio = CocosDenshion::SimpleAudioEngine::getInstance();
    audio->preloadEffect("res/dingdong.wav");
    audio->preloadEffect("res/waterfall.wav");

    postAppActive();
    return true;
}

void AppDelegate::applicationDidEnterBackground() {
    cocos2d::Director::getInstance()->stopAnimation();
    statApplication::getInstance()->addStat(kStatBackground, "");
}

void AppDelegate::applicationWillEnterForeground() {
    cocos2d::Director::getInstance()->startAnimation();
    NSUI::sniffer::getInstance()->startPing();

    ADS::adsApplication* ads = ADS::adsApplication::getInstance();
    updateService* update = ads->getUpdateService();
    if (update == nullptr || !update->isBusy()) {
        ads->setUpdateService(updateService::create());
    }
    ads->reloadConfig();
    ads->showNewVersionAd();
    ads->showAd(kAdForeground);

    dataService::getInstance()->echoPeers(1);
    statApplication::getInstance()->addStat(kStatForeground, "");
    postAppActive();
}

void AppDelegate::applicationWillExit() {
    CocosDenshion::SimpleAudioEngine::end();
    NSUI::sniffer::stop();
    // The screens end their own workers in their cleanup, while every service they use lives.
    cocos2d::Director::getInstance()->endScenes();
    OwnedJobs::leftBehind().joinAll();
    isImageSDK::releaseSharedObjects();
    dataService::destroyInstance();
    ADS::adsApplication::destroyInstance();
    dcmSDK::dcmsdk_destroy();
    cocos2d::CSLoader::destroyInstance();
    if (heldConfig != nullptr) {
        AppConfig* config = heldConfig;
        heldConfig = nullptr;
        config->release();
    }
    statApplication::destroyInstance();
    NSUI::purgeToolkitSingletons();
}

void AppDelegate::openFile(const char* path) {
    postOpenFile(path == nullptr || path[0] == '\0' ? std::string() : std::string(path));
}

void AppDelegate::postOpenFile(const std::string& path) {
    NSUI::NSNotificationCenter::getInstance()->postString(nullptr, studydb::NOTIFY_IMPORT_PATH,
                                                          path, nullptr, false);
}
