#pragma once

#include <string>
#include <vector>

namespace platform {

struct DirectoryEntry {
    std::string name;
    bool isDirectory = false;  // also for a symbolic link that points at a folder
    bool isSymlink = false;
};

// The entries of one folder without "." and "..", sorted by name (byte order) so that every
// listing of the same folder comes out in the same order. False when the folder cannot be read;
// the entries are then empty.
bool listDirectory(const std::string& folder, std::vector<DirectoryEntry>& entries);

}  // namespace platform
