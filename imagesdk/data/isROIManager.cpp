#include "imagesdk/data/isROIManager.h"

#include <algorithm>
#include <new>

namespace isImageSDK {

namespace {

isROIManager* sharedManager = nullptr;

}  // namespace

isROIManager* isROIManager::getInstance() {
    if (!sharedManager) {
        // The creation reference is the one the global pointer keeps.
        auto* manager = new (std::nothrow) isROIManager();
        if (manager && manager->init()) {
            sharedManager = manager;
        } else {
            delete manager;
        }
    }
    return sharedManager;
}

void isROIManager::destroyInstance() {
    isROIManager* manager = sharedManager;
    sharedManager = nullptr;
    if (manager) {
        manager->clear();
        manager->release();
    }
}

isROIManager::~isROIManager() = default;

bool isROIManager::init() {
    return true;
}

void isROIManager::clear() {
    std::vector<cocos2d::Ref*> listed;
    listed.swap(rois);
    for (cocos2d::Ref* roi : listed) {
        roi->release();
    }
}

bool isROIManager::addROI(cocos2d::Ref* roi) {
    if (!roi) {
        return false;
    }
    if (std::any_of(rois.begin(), rois.end(), [roi](cocos2d::Ref* r) { return r->equal(roi); })) {
        return true;
    }
    roi->retain();
    rois.push_back(roi);
    return false;
}

bool isROIManager::removeROI(cocos2d::Ref* roi) {
    auto found = std::find(rois.begin(), rois.end(), roi);
    if (!roi || found == rois.end()) {
        return false;
    }
    rois.erase(found);
    roi->release();
    return true;
}

}  // namespace isImageSDK
