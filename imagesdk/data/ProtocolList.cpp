#include "imagesdk/data/ProtocolList.h"

#include <cstdio>

#include "engine/base/Value.h"
#include "engine/platform/FileUtils.h"

namespace {

const char* const kProtocolFile = "protocal/protocal.xml";

std::list<ProtocolEntry*>& protocolList() {
    static std::list<ProtocolEntry*> entries;
    return entries;
}

std::string textValue(const cocos2d::ValueMap& map, const std::string& key) {
    auto found = map.find(key);
    if (found == map.end() || found->second.getType() != cocos2d::Value::Type::STRING) {
        return std::string();
    }
    return found->second.asString();
}

std::string indexedKey(int index, const char* field) {
    char key[64];
    std::snprintf(key, sizeof(key), "protocal.%i.%s", index, field);
    return key;
}

}  // namespace

std::list<ProtocolEntry*>& loadProtocols() {
    std::list<ProtocolEntry*>& entries = protocolList();
    if (!entries.empty()) {
        return entries;
    }
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    const std::string path = files->fullPathForFilename(kProtocolFile);
    if (path.empty()) {
        return entries;
    }
    const cocos2d::ValueMap map = files->getValueMapFromFile(path);
    auto number = map.find("protocal.number");
    if (number == map.end()) {
        return entries;
    }
    const int count = number->second.asInt();
    for (int i = 1; i <= count; ++i) {
        auto* entry = new ProtocolEntry();
        entry->type = textValue(map, indexedKey(i, "type"));
        entry->title = textValue(map, indexedKey(i, "title"));
        entry->file = textValue(map, indexedKey(i, "file"));
        entries.push_back(entry);
    }
    return entries;
}

void releaseProtocols() {
    std::list<ProtocolEntry*>& entries = protocolList();
    for (ProtocolEntry* entry : entries) {
        delete entry;
    }
    entries.clear();
}
