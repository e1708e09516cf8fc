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

int protocolTypeCode(const std::string& type) {
    static const char* const kTypes[] = {"2dview", "browser2d", "mpr3d",     "mpr",
                                         "mpr2",   "2dslice",   "compare2d", "compare4d"};
    for (int i = 0; i < 8; ++i) {
        if (type == kTypes[i]) {
            return i + 1;
        }
    }
    return 0;
}

void matchProtocols(const ProtocolQuery& query, std::list<ProtocolEntry*>& out) {
    for (ProtocolEntry* entry : loadProtocols()) {
        const int code = protocolTypeCode(entry->type);
        bool suits = false;
        if (query.seriesCount >= 2) {
            suits = code == 7 || (code == 8 && query.imageCount > 50);
        } else if (query.isVolume) {
            if (query.imageCount <= 4) {
                suits = code == 2;
            } else {
                suits = code != 7 && code != 6 && (code != 8 || query.is4D);
            }
        } else {
            suits = code == 6 || code == 7;
        }
        if (suits) {
            out.push_back(entry);
        }
    }
}

void releaseProtocols() {
    std::list<ProtocolEntry*>& entries = protocolList();
    for (ProtocolEntry* entry : entries) {
        delete entry;
    }
    entries.clear();
}
