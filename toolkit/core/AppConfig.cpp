#include "toolkit/core/AppConfig.h"

#include "engine/platform/Device.h"
#include "engine/platform/FileUtils.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/SiteAddress.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/core/ToolkitGlobals.h"
#include "toolkit/core/UILocalConfig.h"

namespace {

AppConfig* sharedConfig = nullptr;

const char* const kVersion = "2.9";

}  // namespace

AppConfig* AppConfig::getInstance() {
    if (sharedConfig == nullptr) {
        sharedConfig = new AppConfig();
        sharedConfig->init();
        sharedConfig->autorelease();
    }
    return sharedConfig;
}

AppConfig::AppConfig() : isPhone(false), winSize(960, 640), designSize(960, 640) {
    NSUI::setServerUrl(NSUI::resolveSiteBase(cocos2d::FileUtils::getInstance()->getWritablePath()));
}

AppConfig::~AppConfig() {
    if (sharedConfig == this) {
        sharedConfig = nullptr;
    }
}

bool AppConfig::init() {
    const int sizes[8] = {60, 50, 35, 30, 25, 20, 15, 10};
    for (int i = 0; i < 8; ++i) {
        fontSizes[i] = sizes[i];
    }
    const cocos2d::Color3B palette[7] = {{100, 100, 100}, {44, 44, 44},  {166, 166, 166},
                                         {44, 44, 44},    {0, 187, 253}, {255, 255, 255},
                                         {0, 0, 0}};
    for (int i = 0; i < 7; ++i) {
        colors[i] = palette[i];
    }
    fontName = "DFPGB_H3.TTF";
    fontNameLower = "DFPGB_H3.ttf";

    const std::string version = NSUI::getEncodedUserDefault("app_current_version", "");
    if (version.empty()) {
        NSUI::setEncodedUserDefault("app_current_version", kVersion);
        NSUI::setEncodedUserDefault("app_install_time", NSUI::getCurrentDateTime());
        NSUI::setEncodedUserDefault("app_init_db", "1");
    } else if (version != kVersion) {
        NSUI::setEncodedUserDefault("app_current_version", kVersion);
    }

    appIdentifier = NSUI::getEncodedUserDefault("app_identifier", "");
    if (appIdentifier.empty()) {
        appIdentifier =
            makeAppIdentifier(cocos2d::Device::getDeviceInfo(), NSUI::getCurrentDateTime());
        NSUI::setEncodedUserDefault("app_identifier", appIdentifier);
    }
    return true;
}

std::string AppConfig::makeAppIdentifier(const std::string& deviceInfo,
                                         const std::string& dateTime) {
    return NSUI::stableTextKey(deviceInfo + dateTime);
}

void AppConfig::loadLanguage() {
    language.load();
    NSUI::setSharedLanguage(&language);
}

std::string AppConfig::getText(const std::string& key) {
    return language.getString(key);
}

std::string AppConfig::getTextOrKey(const std::string& key) {
    const std::string text = getText(key);
    return text.empty() ? key : text;
}

void AppConfig::setWidgetText(cocos2d::Node* node, const std::string& prefix) {
    language.translateNode(node, prefix);
}

std::string getAppVersion() {
    return kVersion;
}

std::string getServerBaseUrl() {
    return NSUI::getServerUrl();
}

bool isMobilePlatform() {
    return false;
}
