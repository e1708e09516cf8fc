#include "toolkit/core/FileRoutines.h"

#include "engine/base/UserDefault.h"
#include "engine/base/Utils.h"
#include "engine/platform/FileUtils.h"
#include "platform/DirectoryListing.h"
#include "platform/FileDialogs.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace NSUI {

namespace {

const char* const kSavePathKey = "__savePath__";

std::string parentFolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
        return path.substr(0, slash);
    }
    const size_t backslash = path.find_last_of('\\');
    if (backslash != std::string::npos && backslash > 0) {
        return path.substr(0, backslash);
    }
    return std::string();
}

std::string withoutTrailingSlash(const std::string& folder) {
    if (!folder.empty() && folder.back() == '/') {
        return folder.substr(0, folder.size() - 1);
    }
    return folder;
}

void collectFiles(const std::string& folder, std::vector<std::string>& files, bool recurse,
                  bool fullPath) {
    std::vector<platform::DirectoryEntry> entries;
    platform::listDirectory(folder + "/", entries);
    for (const platform::DirectoryEntry& entry : entries) {
        const std::string path = folder + "/" + entry.name;
        if (entry.isDirectory) {
            // Links to folders are not followed, so a link back up the tree cannot loop.
            if (recurse && entry.name[0] != '.' && !entry.isSymlink) {
                collectFiles(path, files, recurse, fullPath);
            }
            continue;
        }
        files.push_back(fullPath ? path : entry.name);
    }
}

}  // namespace

unsigned char* readFileData(const std::string& path, ssize_t* length, bool rawData) {
    auto* files = cocos2d::FileUtils::getInstance();
    if (rawData) {
        const cocos2d::Data data = files->getDataFromFile(path);
        if (data.getSize() < 1) {
            return nullptr;
        }
        const size_t size = static_cast<size_t>(data.getSize());
        auto* buffer = static_cast<unsigned char*>(std::calloc(size + 10, 1));
        if (buffer == nullptr) {
            return nullptr;
        }
        std::memcpy(buffer, data.getBytes(), size);
        if (length != nullptr) {
            *length = data.getSize();
        }
        return buffer;
    }
    const std::string content = files->getStringFromFile(path);
    const size_t textLength = std::strlen(content.c_str());
    if (textLength == 0) {
        return nullptr;
    }
    auto* buffer = static_cast<unsigned char*>(std::calloc(textLength + 10, 1));
    if (buffer == nullptr) {
        return nullptr;
    }
    std::memcpy(buffer, content.c_str(), textLength + 1);
    if (length != nullptr) {
        *length = static_cast<ssize_t>(textLength);
    }
    return buffer;
}

bool writeBufferToFile(const std::string& path, const unsigned char* bytes, size_t length) {
    if (path.empty() || (bytes == nullptr && length > 0)) {
        return false;
    }
    const std::string parent = parentFolderOf(path);
    if (!parent.empty() && !cocos2d::FileUtils::getInstance()->createDirectory(parent)) {
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "wb+");
    if (file == nullptr) {
        return false;
    }
    const size_t written = length > 0 ? std::fwrite(bytes, 1, length, file) : 0;
    const bool closed = std::fclose(file) == 0;
    if (written < length) {
        cocos2d::log("writeBufferToFile: faild, size=%i,writeSize=%i", static_cast<int>(length),
                     static_cast<int>(written));
        return false;
    }
    return closed;
}

bool writeStringToFile(const std::string& path, const std::string& text) {
    return writeBufferToFile(path, reinterpret_cast<const unsigned char*>(text.data()),
                             text.size());
}

bool copyFile(const std::string& source, const std::string& destination) {
    if (source == destination) {
        return true;
    }
    ssize_t length = 0;
    unsigned char* bytes = readFileData(source, &length, true);
    if (bytes == nullptr) {
        return false;
    }
    const bool written = writeBufferToFile(destination, bytes, static_cast<size_t>(length));
    std::free(bytes);
    if (!written) {
        cocos2d::log("copy file: faild");
    }
    return written;
}

bool copyDirectory(const std::string& source, const std::string& destination) {
    if (source == destination) {
        return true;
    }
    const std::string from = cocos2d::withTrailingSlash(source);
    const std::string to = cocos2d::withTrailingSlash(destination);
    std::vector<std::string> files;
    listFiles(from, files, true, true);
    auto* fileUtils = cocos2d::FileUtils::getInstance();
    for (const std::string& file : files) {
        const size_t lastSlash = file.find_last_of('/');
        const std::string subFolder = file.substr(from.size(), lastSlash + 1 - from.size());
        const std::string targetFolder = to + subFolder;
        if (!fileUtils->createDirectory(targetFolder)) {
            return false;
        }
        ssize_t length = 0;
        unsigned char* bytes = readFileData(file, &length, true);
        if (bytes == nullptr) {
            continue;
        }
        const bool written = writeBufferToFile(targetFolder + file.substr(lastSlash + 1), bytes,
                                               static_cast<size_t>(length));
        std::free(bytes);
        if (!written) {
            return false;
        }
    }
    return true;
}

void listFiles(const std::string& folder, std::vector<std::string>& files, bool recurse,
               bool fullPath) {
    if (folder.empty()) {
        return;
    }
    collectFiles(withoutTrailingSlash(folder), files, recurse, fullPath);
}

void listSubdirectories(const std::string& folder, std::vector<std::string>& folders) {
    if (folder.empty()) {
        return;
    }
    const std::string base = withoutTrailingSlash(folder);
    std::vector<platform::DirectoryEntry> entries;
    platform::listDirectory(base + "/", entries);
    for (const platform::DirectoryEntry& entry : entries) {
        if (entry.isDirectory && entry.name[0] != '.') {
            folders.push_back(base + "/" + entry.name);
        }
    }
}

std::string chooseSavePath(bool file) {
    platform::FileDialogRequest request;
    if (file) {
        request.kind = platform::FileDialogKind::SaveFile;
        request.filterName = "All Files";
        request.filterPattern = "*.*";
        request.confirmOverwrite = true;
        return platform::showFileDialog(request).value_or(std::string());
    }
    auto* defaults = cocos2d::UserDefault::getInstance();
    request.kind = platform::FileDialogKind::ChooseFolder;
    request.title = "Choose Path to Save:";
    request.startFolder = defaults->getStringForKey(kSavePathKey, "");
    const std::optional<std::string> chosen = platform::showFileDialog(request);
    if (!chosen || chosen->empty()) {
        return std::string();
    }
    defaults->setStringForKey(kSavePathKey, *chosen);
    return *chosen;
}

}  // namespace NSUI
