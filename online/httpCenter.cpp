#include "online/httpCenter.h"

#include "toolkit/core/NSDataManager.h"

httpCenter* httpCenter::create() {
    auto* centre = new httpCenter();
    if (!centre->init()) {
        delete centre;
        return nullptr;
    }
    centre->autorelease();
    return centre;
}

httpCenter::~httpCenter() {
    shutdown();
}

bool httpCenter::init() {
    if (!NSDatas::init()) {
        return false;
    }
    started = false;
    updatePeriod = 20;
    NSUI::NSDataManager::getInstance()->items.pushBack(this);
    return true;
}

void httpCenter::shutdown() {
    cancelRequests();
}

void httpCenter::update(float dt) {
    (void)dt;
}
