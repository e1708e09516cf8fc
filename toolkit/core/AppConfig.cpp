#include "toolkit/core/AppConfig.h"

namespace {
AppConfig* sharedConfig = nullptr;
}

AppConfig* AppConfig::getInstance() {
    if (sharedConfig == nullptr) {
        sharedConfig = new AppConfig();
        sharedConfig->init();
        sharedConfig->autorelease();
    }
    return sharedConfig;
}

AppConfig::AppConfig() : isPhone(false) {}

AppConfig::~AppConfig() {
    if (sharedConfig == this) {
        sharedConfig = nullptr;
    }
}

bool AppConfig::init() {
    return true;
}
