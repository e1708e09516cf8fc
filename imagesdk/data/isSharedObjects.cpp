#include "imagesdk/data/isSharedObjects.h"

#include <algorithm>
#include <new>

#include "imagesdk/data/ProtocolList.h"
#include "imagesdk/data/isROIManager.h"
#include "imagesdk/viewers/isSeriesInfoReader.h"

namespace isImageSDK {

namespace {

std::mutex instanceLock;
isSharedObjects* sharedRegistry = nullptr;

bool hasName(cocos2d::Ref* object, const std::string& name) {
    auto* named = dynamic_cast<isObject*>(object);
    return named && named->getName() == name;
}

}  // namespace

isSharedObjects* isSharedObjects::getInstance() {
    std::lock_guard<std::mutex> guard(instanceLock);
    if (!sharedRegistry) {
        // The creation reference is the one the global pointer keeps; no autorelease pool is
        // involved, since the first caller may be a worker thread.
        auto* registry = new (std::nothrow) isSharedObjects();
        if (registry && registry->init()) {
            sharedRegistry = registry;
        } else {
            delete registry;
        }
    }
    return sharedRegistry;
}

isSharedObjects::~isSharedObjects() = default;

bool isSharedObjects::init() {
    return true;
}

void isSharedObjects::clear() {
    std::vector<cocos2d::Ref*> listed;
    {
        std::lock_guard<std::mutex> guard(lock);
        listed.swap(objects);
    }
    for (cocos2d::Ref* object : listed) {
        object->release();
    }
}

bool isSharedObjects::addObject(cocos2d::Ref* object) {
    if (!object) {
        return false;
    }
    std::lock_guard<std::mutex> guard(lock);
    if (std::any_of(objects.begin(), objects.end(),
                    [object](cocos2d::Ref* listed) { return listed->equal(object); })) {
        return true;
    }
    object->retain();
    objects.push_back(object);
    return false;
}

isObject* isSharedObjects::getObject(const std::string& name) {
    std::lock_guard<std::mutex> guard(lock);
    for (cocos2d::Ref* object : objects) {
        if (hasName(object, name)) {
            return dynamic_cast<isObject*>(object);
        }
    }
    return nullptr;
}

void isSharedObjects::removeObject(const std::string& name) {
    cocos2d::Ref* removed = nullptr;
    {
        std::lock_guard<std::mutex> guard(lock);
        auto found = std::find_if(objects.begin(), objects.end(),
                                  [&name](cocos2d::Ref* object) { return hasName(object, name); });
        if (found == objects.end()) {
            return;
        }
        removed = *found;
        objects.erase(found);
    }
    removed->release();
}

void releaseSharedObjects() {
    // The overlay readers hold series; none may outlive the registry or the director.
    isSeriesInfoReader::instance().shutdown();
    isSharedObjects* registry = nullptr;
    {
        std::lock_guard<std::mutex> guard(instanceLock);
        registry = sharedRegistry;
        sharedRegistry = nullptr;
    }
    if (registry) {
        registry->clear();
        registry->release();
    }
    isROIManager::destroyInstance();
    ::releaseProtocols();
}

}  // namespace isImageSDK
