#include "online/adsApplication.h"

#include "online/updateService.h"
#include "toolkit/core/UILocalConfig.h"

namespace ADS {

namespace {
adsApplication* sharedAds = nullptr;
}

adsApplication* adsApplication::getInstance() {
    if (sharedAds == nullptr) {
        sharedAds = new adsApplication();
        sharedAds->init();
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
    ads->releaseAll();
    ads->release();
}

adsApplication::~adsApplication() {
    releaseAll();
}

bool adsApplication::init() {
    setUpdateService(updateService::create());
    reloadConfig();
    return true;
}

void adsApplication::reloadConfig() {
    configText = NSUI::getEncodedUserDefault("app_config_ini", "");
}

void adsApplication::showAd(int occasion) {
    (void)occasion;
}

void adsApplication::showNewVersionAd() {}

bool adsApplication::isAdEnabled(int kind) const {
    (void)kind;
    return false;
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

void adsApplication::releaseAll() {
    setUpdateService(nullptr);
}

}  // namespace ADS
