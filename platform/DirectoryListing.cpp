#include "platform/DirectoryListing.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace platform {

bool listDirectory(const std::string& folder, std::vector<DirectoryEntry>& entries) {
    namespace fs = std::filesystem;
    entries.clear();
    std::error_code ec;
    fs::directory_iterator it(fs::path(folder), ec);
    if (ec) {
        return false;
    }
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) {
            entries.clear();
            return false;
        }
        DirectoryEntry entry;
        entry.name = it->path().filename().string();
        std::error_code typeError;
        entry.isSymlink = it->is_symlink(typeError);
        entry.isDirectory = it->is_directory(typeError);
        entries.push_back(std::move(entry));
    }
    if (ec) {
        entries.clear();
        return false;
    }
    std::sort(entries.begin(), entries.end(),
              [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
    return true;
}

}  // namespace platform
