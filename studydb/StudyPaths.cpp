#include "studydb/StudyPaths.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace studydb {

namespace {

namespace fs = std::filesystem;

bool splitComponents(const std::string& relative, std::vector<std::string>& parts) {
    parts.clear();
    if (relative.empty() || relative.front() == '/' || relative.find('\\') != std::string::npos) {
        return false;
    }
    std::string text = relative;
    if (text.back() == '/') {
        text.pop_back();
    }
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find('/', start);
        const std::string part =
            text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
        parts.push_back(part);
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return true;
}

bool startsWithFolder(const fs::path& inner, const fs::path& outer) {
    auto innerIt = inner.begin();
    for (auto outerIt = outer.begin(); outerIt != outer.end(); ++outerIt, ++innerIt) {
        if (outerIt->empty()) {
            continue;
        }
        if (innerIt == inner.end() || *innerIt != *outerIt) {
            return false;
        }
    }
    return innerIt != inner.end();
}

}  // namespace

bool isRelativeFolder(const std::string& relative, int depth) {
    std::vector<std::string> parts;
    return splitComponents(relative, parts) && static_cast<int>(parts.size()) == depth;
}

std::string leadingComponents(const std::string& relative, int depth) {
    std::vector<std::string> parts;
    if (!splitComponents(relative, parts) || static_cast<int>(parts.size()) < depth) {
        return std::string();
    }
    std::string folder;
    for (int i = 0; i < depth; ++i) {
        folder += (i == 0 ? "" : "/") + parts[i];
    }
    return folder;
}

std::string folderInside(const std::string& root, const std::string& relative, int depth) {
    if (root.empty() || !isRelativeFolder(relative, depth)) {
        return std::string();
    }
    std::error_code error;
    const fs::path target = fs::path(root) / leadingComponents(relative, depth);
    const fs::path realRoot = fs::canonical(root, error);
    if (error) {
        return std::string();
    }
    const fs::path realTarget = fs::canonical(target, error);
    if (error || !startsWithFolder(realTarget, realRoot) ||
        std::distance(realRoot.begin(), realRoot.end()) + depth !=
            std::distance(realTarget.begin(), realTarget.end()) ||
        !fs::is_directory(fs::symlink_status(target, error))) {
        return std::string();
    }
    return realTarget.string();
}

void removeEmptyFoldersInside(const std::string& root, const std::string& relative, int depth) {
    const std::string folder = folderInside(root, relative, depth);
    if (folder.empty()) {
        return;
    }
    // Removing a folder that is not empty fails and leaves it and its parents.
    std::error_code error;
    fs::path empty = folder;
    for (int level = 0; level < depth && fs::remove(empty, error); ++level) {
        empty = empty.parent_path();
    }
}

}  // namespace studydb
