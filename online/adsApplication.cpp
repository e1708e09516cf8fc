#include "online/adsApplication.h"

#include <cstdlib>
#include <vector>

#include "engine/assets/AssetsManagerEx.h"
#include "engine/base/UserDefault.h"
#include "engine/platform/FileUtils.h"
#include "online/updateService.h"
#include "online/urlOpener.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/TextRoutines.h"

namespace ADS {

namespace {

adsApplication* sharedAds = nullptr;

struct AdKeys {
    int kind;
    const char* enable;
    const char* type;
    const char* page;
};

const AdKeys kAdKeys[] = {
    {kStartupForceShow, "ads_enable_startupForceShow", "adsStartupForceShowType",
     "adsStartupForceShowUrl"},
    {kEnterForegroundForceShow, "ads_enable_enterForegroundForceShow",
     "adsEnterForegroundForceShowType", "adsEnterForegroundForceShowUrl"},
    {kProductShow, "ads_enable_productShow", "adsProductShowType", "adsProductShowUrl"},
};

const AdKeys* keysOf(int kind) {
    for (const AdKeys& keys : kAdKeys) {
        if (keys.kind == kind) {
            return &keys;
        }
    }
    return nullptr;
}

std::vector<int> kindsOf(int occasion) {
    switch (occasion) {
    case kLaunch:
        return {kStartupForceShow, kProductShow};
    case kForeground:
        return {kEnterForegroundForceShow, kProductShow};
    default:
        return {};
    }
}

void versionParts(const std::string& version, int (&parts)[3]) {
    std::vector<std::string> pieces;
    NSUI::splitString(version, ".", pieces);
    for (int i = 0; i < 3; ++i) {
        parts[i] = i < static_cast<int>(pieces.size()) ? std::atoi(pieces[i].c_str()) : 0;
    }
}

}  // namespace

adsApplication* adsApplication::getInstance() {
    if (sharedAds == nullptr) {
        sharedAds = new adsApplication();
        sharedAds->init();
        sharedAds->autorelease();
        sharedAds->retain();
    }
    return sharedAds;
}

bool adsApplication::hasInstance() {
    return sharedAds != nullptr;
}

void adsApplication::destroyInstance() {
    if (sharedAds == nullptr) {
        return;
    }
    adsApplication* ads = sharedAds;
    sharedAds = nullptr;
    ads->releaseMembers();
    ads->release();
}

adsApplication::~adsApplication() {
    releaseMembers();
}

bool adsApplication::init() {
    setUpdateService(updateService::create());
    reloadConfig();
    return true;
}

void adsApplication::reloadConfig() {
    configText = getStringForKey("app_config_ini", "");
}

bool adsApplication::isAdEnabled(int kind) const {
    const AdKeys* keys = keysOf(kind);
    return keys != nullptr && getInt(configText, keys->enable, 0) == 1;
}

void adsApplication::showAd(int occasion) {
    if (occasion < kLaunch || occasion > kSeriesOpened || update == nullptr || configText.empty()) {
        return;
    }
    std::string page;
    for (int kind : kindsOf(occasion)) {
        const AdKeys* keys = keysOf(kind);
        if (!isAdEnabled(kind) || getInt(configText, keys->type, -1) < 1) {
            continue;
        }
        page = getStringWithDefault(configText, keys->page, "");
        if (!page.empty()) {
            break;
        }
    }
    // The name comes with the downloaded configuration: only a page among the downloaded
    // resources is handed to the browser, never another file of this machine.
    if (page.empty() || !cocos2d::extension::AssetsManagerEx::isSafeRelativePath(page)) {
        return;
    }
    const std::string full = cocos2d::FileUtils::getInstance()->fullPathForFilename(page);
    if (!full.empty()) {
        openExternalUrl("file://" + full);
    }
}

bool adsApplication::isNewerVersion(const std::string& latest, const std::string& current) {
    int newer[3];
    int now[3];
    versionParts(latest, newer);
    versionParts(current, now);
    for (int i = 0; i < 3; ++i) {
        if (now[i] != newer[i]) {
            return now[i] < newer[i];
        }
    }
    return false;
}

void adsApplication::showNewVersionAd() {
    if (getInt(configText, "ads_enable_newVersion", 0) != 1) {
        return;
    }
    const std::string latest = getStringForKey("app_latest_version", "1.0");
    if (!isNewerVersion(latest, getAppVersion())) {
        return;
    }
    const int count = std::atoi(getStringForKey("app_ver_check_count", "0").c_str());
    if (count >= 1) {
        return;
    }
    setStringForKey("app_ver_check_count", NSUI::formatString("%i", count + 1));
    cocos2d::UserDefault::getInstance()->flush();
    if (getInt(configText, "adsNewVersionType", -1) <= 0 ||
        getStringWithDefault(configText, "adsNewVersionUrl", "").empty()) {
        return;
    }
    openExternalUrl(getServerBaseUrl() + "/ads/newversionPC.html");
}

void adsApplication::setUpdateService(updateService* service) {
    if (service != nullptr) {
        service->retain();
    }
    if (update != nullptr) {
        update->shutdown();
        update->release();
    }
    update = service;
}

void adsApplication::releaseMembers() {
    setUpdateService(nullptr);
}

}  // namespace ADS
