#include "engine/base/UserDefault.h"

#include <utility>

#include "engine/base/Utils.h"
#include "engine/platform/FileUtils.h"

namespace cocos2d {

namespace {

std::mutex s_instanceMutex;
UserDefault* s_sharedUserDefault = nullptr;

}  // namespace

UserDefault* UserDefault::getInstance() {
    std::lock_guard<std::mutex> lock(s_instanceMutex);
    if (s_sharedUserDefault == nullptr) {
        s_sharedUserDefault = new UserDefault();
    }
    return s_sharedUserDefault;
}

void UserDefault::destroyInstance() {
    std::lock_guard<std::mutex> lock(s_instanceMutex);
    delete s_sharedUserDefault;
    s_sharedUserDefault = nullptr;
}

UserDefault::UserDefault() {
    FileUtils* files = FileUtils::getInstance();
    const std::string folder = files->getWritablePath();
    if (folder.empty()) {
        return;
    }
    _filePath = folder + "UserDefault.xml";
    _values = files->getValueMapFromFile(_filePath);
}

UserDefault::~UserDefault() {
    if (_dirty) {
        save();
    }
}

const Value* UserDefault::find(const char* key) const {
    if (key == nullptr) {
        return nullptr;
    }
    const auto it = _values.find(key);
    return it == _values.end() ? nullptr : &it->second;
}

bool UserDefault::getBoolForKey(const char* key, bool defaultValue) {
    std::lock_guard<std::mutex> lock(_mutex);
    const Value* value = find(key);
    return value ? value->asBool() : defaultValue;
}

int UserDefault::getIntegerForKey(const char* key, int defaultValue) {
    std::lock_guard<std::mutex> lock(_mutex);
    const Value* value = find(key);
    return value ? value->asInt() : defaultValue;
}

float UserDefault::getFloatForKey(const char* key, float defaultValue) {
    std::lock_guard<std::mutex> lock(_mutex);
    const Value* value = find(key);
    return value ? value->asFloat() : defaultValue;
}

double UserDefault::getDoubleForKey(const char* key, double defaultValue) {
    std::lock_guard<std::mutex> lock(_mutex);
    const Value* value = find(key);
    return value ? value->asDouble() : defaultValue;
}

std::string UserDefault::getStringForKey(const char* key, const std::string& defaultValue) {
    std::lock_guard<std::mutex> lock(_mutex);
    const Value* value = find(key);
    return value ? value->asString() : defaultValue;
}

void UserDefault::setBoolForKey(const char* key, bool value) {
    store(key, Value(value));
}

void UserDefault::setIntegerForKey(const char* key, int value) {
    store(key, Value(value));
}

void UserDefault::setFloatForKey(const char* key, float value) {
    store(key, Value(value));
}

void UserDefault::setDoubleForKey(const char* key, double value) {
    store(key, Value(value));
}

void UserDefault::setStringForKey(const char* key, const std::string& value) {
    store(key, Value(value));
}

void UserDefault::store(const char* key, Value value) {
    if (key == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> lock(_mutex);
    _values[key] = std::move(value);
    save();
}

void UserDefault::deleteValueForKey(const char* key) {
    if (key == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> lock(_mutex);
    if (_values.erase(key) > 0) {
        save();
    }
}

void UserDefault::flush() {
    std::lock_guard<std::mutex> lock(_mutex);
    if (_dirty) {
        save();
    }
}

void UserDefault::save() {
    // The defaults hold the stored login password: only the owner may read them.
    _dirty = _filePath.empty() ||
             !FileUtils::getInstance()->writeValueMapToFile(_values, _filePath, 0600);
    if (_dirty) {
        log("UserDefault: cannot write %s", _filePath.c_str());
    }
}

}  // namespace cocos2d
