#include "toolkit/core/NSDataManager.h"

#include "engine/base/Director.h"
#include "engine/base/Scheduler.h"

#include <new>

namespace NSUI {

namespace {

const char* const kTickKey = "_nsDataManager";
constexpr float kTickInterval = 1.0f;
constexpr float kFirstTickDelay = 0.5f;

NSDataManager* sharedManager = nullptr;

cocos2d::Scheduler* scheduler() {
    return cocos2d::Director::getInstance()->getScheduler();
}

}  // namespace

NSDataManager* NSDataManager::getInstance() {
    if (sharedManager == nullptr) {
        auto* manager = new (std::nothrow) NSDataManager();
        if (manager == nullptr || !manager->init()) {
            delete manager;
            return nullptr;
        }
        manager->autorelease();
        manager->retain();
        sharedManager = manager;
    }
    return sharedManager;
}

void NSDataManager::destroyInstance() {
    if (sharedManager == nullptr) {
        return;
    }
    NSDataManager* manager = sharedManager;
    sharedManager = nullptr;
    manager->removeAll();
    manager->release();
}

NSDataManager::~NSDataManager() {
    unscheduleTick();
}

bool NSDataManager::init() {
    updateEnabled = false;
    return true;
}

void NSDataManager::removeAll() {
    // A source may touch the list while it cancels; work on the detached sources instead.
    cocos2d::Vector<NSDatas*> removed = std::move(items);
    items.clear();
    for (NSDatas* source : removed) {
        source->cancelRequests();
    }
    removed.clear();
    unscheduleTick();
}

void NSDataManager::setUpdateEnabled(bool enable) {
    if (enable == updateEnabled) {
        return;
    }
    if (enable) {
        scheduler()->schedule([this](float dt) { tick(dt); }, this, kTickInterval,
                              CC_REPEAT_FOREVER, kFirstTickDelay, false, kTickKey);
        updateEnabled = true;
    } else {
        unscheduleTick();
    }
}

void NSDataManager::tick(float dt) {
    // A source may register or remove sources while it updates: walk a retained snapshot.
    const cocos2d::Vector<NSDatas*> sources = items;
    for (NSDatas* source : sources) {
        source->update(dt);
    }
}

void NSDataManager::unscheduleTick() {
    if (!updateEnabled) {
        return;
    }
    scheduler()->unschedule(kTickKey, this);
    updateEnabled = false;
}

}  // namespace NSUI
