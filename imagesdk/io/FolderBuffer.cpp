#include "imagesdk/io/FolderBuffer.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "engine/base/Utils.h"
#include "engine/platform/FileUtils.h"
#include "imagesdk/io/PrebinRecords.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/FileRoutines.h"

namespace isImageSDK {

namespace {

constexpr std::uint64_t kFnvOffsetBasis = 0xcbf29ce484222325ULL;
constexpr std::uint64_t kFnvPrime = 0x100000001b3ULL;
constexpr const char* kPrebinSuffix = ".prebin";
constexpr const char* kRawSuffix = ".raw";

std::string keyText(std::string folder) {
    folder = cocos2d::withTrailingSlash(folder);
    const std::string writable = cocos2d::FileUtils::getInstance()->getWritablePath();
    if (!writable.empty() && folder.compare(0, writable.size(), writable) == 0) {
        return folder.substr(writable.size());
    }
    return folder;
}

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool fileExists(const std::string& path) {
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// A complete header of the current format naming a folder other than this one. A file too short
// or of another format is not claimed by anyone else: it stays this folder's (invalid) cache.
bool belongsToAnotherFolder(const std::string& prebinPath, std::uint64_t folderHash) {
    std::FILE* file = std::fopen(prebinPath.c_str(), "rb");
    if (!file) {
        return false;
    }
    PrebinHeader header;
    const bool whole = std::fread(&header, 1, sizeof(header), file) == sizeof(header);
    std::fclose(file);
    return whole && recordText(header.magic) == "ISImage.prebin" &&
           recordText(header.version) == "v3.0" && header.folderHash() != folderHash;
}

void removeBuffers(const std::string& folder) {
    const std::string prebin = getFolderPrebinPath(folder);
    if (belongsToAnotherFolder(prebin, getFolderHash(folder))) {
        return;
    }
    ::unlink(prebin.c_str());
    ::unlink(getRawBufferPath(prebin).c_str());
}

}  // namespace

std::string getBufferDirectory() {
    return cocos2d::FileUtils::getInstance()->getWritablePath() + kBufferFolderName;
}

std::uint64_t getFolderHash(std::string folder) {
    std::uint64_t hash = kFnvOffsetBasis;
    for (const char c : keyText(folder)) {
        hash ^= static_cast<unsigned char>(c);
        hash *= kFnvPrime;
    }
    return hash;
}

std::string getFolderKey(std::string folder) {
    const std::uint64_t hash = getFolderHash(folder);
    char text[16];
    std::snprintf(text, sizeof(text), "%lu",
                  static_cast<unsigned long>(static_cast<std::uint32_t>(hash ^ (hash >> 32))));
    return text;
}

std::string getFolderPrebinPath(std::string folder) {
    return getBufferDirectory() + getFolderKey(folder) + kPrebinSuffix;
}

std::string getRawBufferPath(const std::string& prebinPath) {
    if (!endsWith(prebinPath, kPrebinSuffix)) {
        return prebinPath + kRawSuffix;
    }
    return prebinPath.substr(0, prebinPath.size() - std::strlen(kPrebinSuffix)) + kRawSuffix;
}

std::string getFolderBufferPath(std::string folder) {
    folder = cocos2d::withTrailingSlash(folder);
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    const std::string directory = getBufferDirectory();
    if (!files->isDirectoryExist(directory)) {
        files->createDirectory(directory);
    }
    const std::string prebin = getFolderPrebinPath(folder);
    if (!fileExists(prebin) || belongsToAnotherFolder(prebin, getFolderHash(folder))) {
        return std::string();
    }
    return prebin;
}

bool isPrebinValid(std::string path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return false;
    }
    PrebinHeader header;
    const bool whole = std::fread(&header, 1, sizeof(header), file) == sizeof(header);
    std::fclose(file);
    return whole && recordText(header.magic) == "ISImage.prebin" &&
           recordText(header.version) == "v3.0";
}

void removeFolderBuffer(std::string folder) {
    getFolderBufferPath(folder);
    removeBuffers(folder);
}

void removeFolderBufferRelative(std::string folder) {
    removeBuffers(folder);
}

bool isBufferExpired(const std::string& created, const std::string& now) {
    NSUI::DateTimeFields current;
    NSUI::parseDateTime(now, current);
    NSUI::DateTimeFields expiry;
    if (!NSUI::parseDateTime(created, expiry)) {
        expiry = current;
    }
    for (int i = 0; i < 7; ++i) {
        NSUI::advanceDate(expiry.year, expiry.month, expiry.day);
    }
    const std::int32_t left[] = {current.year, current.month,  current.day,
                                 current.hour, current.minute, current.second};
    const std::int32_t right[] = {expiry.year, expiry.month,  expiry.day,
                                  expiry.hour, expiry.minute, expiry.second};
    for (int i = 0; i < 6; ++i) {
        if (left[i] != right[i]) {
            return left[i] > right[i];
        }
    }
    return true;
}

void clearExpiredBuffers() {
    std::vector<std::string> files;
    NSUI::listFiles(getBufferDirectory(), files, true, true);
    const std::string now = NSUI::getCurrentDateTime();
    for (const std::string& path : files) {
        if (!endsWith(path, kRawSuffix)) {
            continue;
        }
        if (isBufferExpired(NSUI::getFileCreationTime(path), now)) {
            ::unlink(path.c_str());
            cocos2d::log("Clear Buffer:%s", path.c_str());
        }
    }
}

}  // namespace isImageSDK
