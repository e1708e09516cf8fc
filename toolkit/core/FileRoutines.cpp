#include "toolkit/core/FileRoutines.h"

#include "engine/base/UserDefault.h"
#include "engine/base/Utils.h"
#include "engine/platform/FileUtils.h"
#include "platform/DirectoryListing.h"
#include "platform/FileDialogs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace NSUI {

namespace {

const char* const kSavePathKey = "__savePath__";

bool writeAll(int handle, const unsigned char* bytes, size_t length) {
    size_t written = 0;
    while (written < length) {
        const ssize_t step = write(handle, bytes + written, length - written);
        if (step < 0 && errno == EINTR) {
            continue;
        }
        if (step <= 0) {
            return false;
        }
        written += static_cast<size_t>(step);
    }
    return true;
}

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
    // A link is written through to its file.
    std::string target = path;
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* resolved = realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    // Anything but a plain file (a device, a pipe) is written in place.
    const bool replacing = stat(target.c_str(), &info) == 0;
    if (replacing && !S_ISREG(info.st_mode)) {
        const int handle = open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        const bool whole = handle >= 0 && writeAll(handle, bytes, length);
        return handle >= 0 && close(handle) == 0 && whole;
    }
    // Written beside the file under a hidden name and renamed over it: a failed write (a full
    // disk) leaves the file as it was, never cut short.
    static std::atomic<unsigned long> counter{0};
    const size_t slash = target.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string partial = folder + "." + name + "." + std::to_string(getpid()) + "-" +
                                std::to_string(++counter) + ".tmp";
    const int handle = open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (handle < 0) {
        return false;
    }
    // A replaced file keeps its mode; the bytes reach the disk before the rename, and the
    // folder after it, so a power cut leaves the old file or the new one, never an empty one.
    const bool moded = !replacing || fchmod(handle, info.st_mode & 07777) == 0;
    const bool whole = moded && writeAll(handle, bytes, length) && fsync(handle) == 0;
    const bool closed = close(handle) == 0;
    if (!whole || !closed || std::rename(partial.c_str(), target.c_str()) != 0) {
        cocos2d::log("writeBufferToFile: %s not written", target.c_str());
        std::remove(partial.c_str());
        return false;
    }
    const int folderHandle =
        open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderHandle >= 0) {
        fsync(folderHandle);
        close(folderHandle);
    }
    return true;
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
