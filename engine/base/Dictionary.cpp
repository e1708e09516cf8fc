#include "engine/base/Dictionary.h"

#include <algorithm>
#include <new>

#include "engine/base/Array.h"
#include "engine/base/Macros.h"
#include "engine/base/String.h"
#include "engine/platform/FileUtils.h"

namespace cocos2d {

namespace {

Ref* objectFromValue(const Value& value);

__Array* arrayFromVector(const ValueVector& values) {
    __Array* array = __Array::createWithCapacity(static_cast<ssize_t>(values.size()));
    for (const Value& value : values) {
        array->addObject(objectFromValue(value));
    }
    return array;
}

Ref* objectFromValue(const Value& value) {
    switch (value.getType()) {
    case Value::Type::MAP:
        return __Dictionary::createWithValueMap(value.asValueMap());
    case Value::Type::VECTOR:
        return arrayFromVector(value.asValueVector());
    default:
        return __String::create(value.asString());
    }
}

}  // namespace

__Dictionary::~__Dictionary() {
    removeAllObjects();
}

__Dictionary* __Dictionary::create() {
    auto* created = new (std::nothrow) __Dictionary();
    if (created != nullptr) {
        created->autorelease();
    }
    return created;
}

__Dictionary* __Dictionary::createWithValueMap(const ValueMap& map) {
    __Dictionary* dictionary = create();
    for (const auto& entry : map) {
        dictionary->setObject(objectFromValue(entry.second), entry.first);
    }
    return dictionary;
}

__Dictionary* __Dictionary::createWithContentsOfFile(const char* fileName) {
    if (fileName == nullptr) {
        return nullptr;
    }
    const ValueMap map = FileUtils::getInstance()->getValueMapFromFile(fileName);
    if (map.empty()) {
        return nullptr;
    }
    return createWithValueMap(map);
}

Ref* __Dictionary::objectForKey(const std::string& key) const {
    const auto found = _elements.find(key);
    return found == _elements.end() ? nullptr : found->second;
}

const __String* __Dictionary::valueForKey(const std::string& key) const {
    const auto* text = dynamic_cast<const __String*>(objectForKey(key));
    if (text != nullptr) {
        return text;
    }
    return __String::create(std::string());
}

__Array* __Dictionary::allKeys() const {
    __Array* keys = __Array::createWithCapacity(static_cast<ssize_t>(_keys.size()));
    for (const std::string& key : _keys) {
        keys->addObject(__String::create(key));
    }
    return keys;
}

void __Dictionary::setObject(Ref* object, const std::string& key) {
    CCASSERT(object != nullptr, "a __Dictionary does not hold null");
    if (object == nullptr) {
        return;
    }
    object->retain();
    const auto found = _elements.find(key);
    if (found == _elements.end()) {
        _keys.push_back(key);
        _elements.emplace(key, object);
        return;
    }
    Ref* previous = found->second;
    found->second = object;
    previous->release();
}

void __Dictionary::removeObjectForKey(const std::string& key) {
    const auto found = _elements.find(key);
    if (found == _elements.end()) {
        return;
    }
    Ref* removed = found->second;
    _elements.erase(found);
    _keys.erase(std::find(_keys.begin(), _keys.end(), key));
    removed->release();
}

void __Dictionary::removeAllObjects() {
    std::unordered_map<std::string, Ref*> released;
    released.swap(_elements);
    _keys.clear();
    for (auto& entry : released) {
        entry.second->release();
    }
}

}  // namespace cocos2d
