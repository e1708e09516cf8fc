#include "online/updateService.h"

updateService* updateService::create() {
    auto* service = new updateService();
    service->init();
    service->autorelease();
    return service;
}

bool updateService::init() {
    busy = false;
    return true;
}

void updateService::shutdown() {
    busy = false;
}
