#include "imagesdk/viewers/ViewerColorTable.h"

#include <cstring>
#include <utility>

#include "engine/base/Value.h"
#include "engine/platform/FileUtils.h"

namespace isImageSDK {

namespace {

constexpr int kLevels = 256;
constexpr const char* kInvertedName = "bwInverse.plist";
constexpr const char* kPlainName = "noClut.plist";
// Colour tables ship in this resource folder; a bare name is looked up there too.
constexpr const char* kTableFolder = "imageSDK/";

std::string tablePath(const std::string& name) {
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    std::string path = files->fullPathForFilename(name);
    if (path.empty() || !files->isFileExist(path)) {
        path = files->fullPathForFilename(kTableFolder + name);
    }
    return path;
}

}  // namespace

void fillGreyTable(bool inverted, unsigned char table[kColorTableBytes]) {
    for (int i = 0; i < kLevels; ++i) {
        const auto level = static_cast<unsigned char>(inverted ? 255 - i : i);
        table[i * 3] = level;
        table[i * 3 + 1] = level;
        table[i * 3 + 2] = level;
    }
}

bool loadColorTable(const std::string& name, bool redFromBlue,
                    unsigned char table[kColorTableBytes]) {
    if (name.size() < 2) {
        return false;
    }
    if (name == kInvertedName || name == kPlainName) {
        fillGreyTable(name == kInvertedName, table);
        return true;
    }
    const std::string path = tablePath(name);
    if (path.empty()) {
        return false;
    }
    const cocos2d::ValueMap map = cocos2d::FileUtils::getInstance()->getValueMapFromFile(path);
    const char* channels[3] = {"Red", "Green", "Blue"};
    if (redFromBlue) {
        std::swap(channels[0], channels[2]);
    }
    unsigned char read[kColorTableBytes];
    for (int channel = 0; channel < 3; ++channel) {
        const auto found = map.find(channels[channel]);
        if (found == map.end() || found->second.getType() != cocos2d::Value::Type::VECTOR) {
            return false;
        }
        const cocos2d::ValueVector& levels = found->second.asValueVector();
        if (levels.size() != kLevels) {
            return false;
        }
        for (int i = 0; i < kLevels; ++i) {
            read[i * 3 + channel] = static_cast<unsigned char>(levels[i].asInt());
        }
    }
    std::memcpy(table, read, sizeof(read));
    return true;
}

}  // namespace isImageSDK
