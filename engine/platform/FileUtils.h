#pragma once

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/base/Data.h"
#include "engine/base/Value.h"

namespace cocos2d {

// The folder path with "/" appended unless it already ends in one; an empty path becomes "/".
std::string withTrailingSlash(std::string folder);

// Finds resource files and reads and writes files and property lists.
//
// A relative file name is looked up in each search path in turn and finally in the resource
// root; absolute names are used as they are. The resource root is, in this order: the one set
// with `setDefaultResourceRootPath`, $BRIMVALE_RESOURCE_ROOT, or the one found from the
// executable's folder (`resourceRootBesideExecutable`), so that a build folder or an installed
// copy runs wherever it is put.
//
// Property lists are the XML form: dict, array, string, integer, real, true, false, date and
// data. Dates and data are read as strings (data as its Base64 text without white space).
//
// Safe to use from any thread: lookups and the search-path list share one lock, and file
// operations keep no state.
class FileUtils {
public:
    static FileUtils* getInstance();
    // Deletes the shared instance; the next `getInstance` starts from the defaults.
    static void destroyInstance();

    FileUtils(const FileUtils&) = delete;
    FileUtils& operator=(const FileUtils&) = delete;

    // Resource root of a program whose executable lies in `executableFolder`: its
    // "resources/" subfolder when there is one (a self-contained copy), else
    // "../share/brimvale/resources/" from there (an install prefix, or a build folder, which
    // keeps its copy there). Relative "resources/" when the folder is unknown.
    static std::string resourceRootBesideExecutable(const std::string& executableFolder);

    // Folder of the program's resources, ending in "/".
    std::string getDefaultResourceRootPath() const;
    void setDefaultResourceRootPath(const std::string& path);

    // Relative entries are taken below the resource root. The stored entries are absolute and
    // end in "/"; the resource root is always searched last.
    void setSearchPaths(const std::vector<std::string>& searchPaths);
    void addSearchPath(const std::string& path, bool front = false);
    std::vector<std::string> getSearchPaths() const;

    // The full path of an existing file, or "" when no search path holds it. Results of
    // relative names are cached until the search paths or the root change.
    std::string fullPathForFilename(const std::string& filename) const;
    void purgeCachedEntries();

    bool isAbsolutePath(const std::string& path) const;

    // "" or empty Data when the file cannot be read.
    std::string getStringFromFile(const std::string& filename) const;
    Data getDataFromFile(const std::string& filename) const;

    // Empty when the file cannot be read or is not a property list with that root.
    ValueMap getValueMapFromFile(const std::string& filename) const;
    ValueMap getValueMapFromData(const char* filedata, int filesize) const;
    ValueVector getValueVectorFromFile(const std::string& filename) const;

    // Written whole to a temporary file that then replaces the target, so a failed write
    // leaves any previous file intact. False on failure. The new file gets `permissions`
    // (less the process's umask); a file holding secrets passes 0600.
    bool writeValueMapToFile(const ValueMap& dict, const std::string& fullPath,
                             unsigned permissions = 0644) const;
    bool writeValueVectorToFile(const ValueVector& array, const std::string& fullPath) const;
    bool writeStringToFile(const std::string& text, const std::string& fullPath) const;
    bool writeDataToFile(const Data& data, const std::string& fullPath) const;

    // Relative names go through the search paths.
    bool isFileExist(const std::string& filename) const;
    bool isDirectoryExist(const std::string& dirPath) const;
    // Size in bytes, or -1 when there is no such file.
    long getFileSize(const std::string& filepath) const;

    // Creates the folder with its missing ancestors; true when it exists afterwards.
    bool createDirectory(const std::string& dirPath) const;
    // Removes the folder and everything below it; false when there was none or part remains.
    bool removeDirectory(const std::string& dirPath) const;
    bool removeFile(const std::string& filepath) const;
    // Replaces an existing target file. False across file systems.
    bool renameFile(const std::string& path, const std::string& oldname,
                    const std::string& name) const;
    bool renameFile(const std::string& oldfullpath, const std::string& newfullpath) const;

    // Folder for settings, databases and caches, ending in "/", created on first use:
    // $BRIMVALE_WRITABLE_PATH, else $XDG_DATA_HOME/brimvale/, else ~/.local/share/brimvale/;
    // "" when none of these can be formed.
    std::string getWritablePath() const;
    void setWritablePath(const std::string& path);

private:
    FileUtils() = default;
    ~FileUtils() = default;

    std::string resolveSearchPath(const std::string& path) const;
    std::string findInSearchPaths(const std::string& name, bool wantDirectory) const;
    bool writeAtomically(const void* bytes, size_t size, const std::string& fullPath,
                         unsigned permissions = 0644) const;

    mutable std::mutex _mutex;
    std::string _resourceRoot;
    std::vector<std::string> _searchPaths;
    mutable std::unordered_map<std::string, std::string> _fullPathCache;
    std::string _writablePath;
};

}  // namespace cocos2d
