#pragma once

#include <cstdint>
#include <string>

namespace isImageSDK {

// Where the cache files of the series folders live, below the engine's writable path.
constexpr const char* kBufferFolderName = "qn/tmp/dcmbuf/";

// The engine's writable path followed by kBufferFolderName.
std::string getBufferDirectory();

// 64-bit FNV-1a of a series folder's key text: the folder with a trailing "/", less the
// writable path it lies below; a folder that does not lie below the writable path is keyed by
// its whole path, so two such folders never share a key by their tails. The cache header keeps
// this value.
std::uint64_t getFolderHash(std::string folder);
// The folded hash as unsigned decimal text: the base name of the folder's cache files.
std::string getFolderKey(std::string folder);
// The folder's ".prebin" path whether or not the file exists; creates nothing.
std::string getFolderPrebinPath(std::string folder);
// The voxel cache beside a ".prebin" path: the suffix ".prebin" replaced by ".raw".
std::string getRawBufferPath(const std::string& prebinPath);

// The folder's ".prebin" path when that file exists and does not belong to another folder of
// the same key, else "". Creates the cache folder when it is missing.
std::string getFolderBufferPath(std::string folder);
// The file opens, holds a whole header and starts with the magic and version of the current
// format.
bool isPrebinValid(std::string path);
// Deletes the folder's ".prebin" file and the ".raw" file of the same key when they exist.
void removeFolderBuffer(std::string folder);
// removeFolderBuffer without creating the cache folder.
void removeFolderBufferRelative(std::string folder);

// Deletes the ".raw" files of the cache folder (recursively) that are seven days old or older,
// logging "Clear Buffer:%s" for each; ".prebin" files never expire.
void clearExpiredBuffers();
// Whether a voxel cache created at `created` has expired at `now`; both are local date-time
// texts "%d-%02d-%02d %02d:%02d:%02d" (the time base of getCurrentDateTime and
// getFileCreationTime). A text that does not parse counts as now.
bool isBufferExpired(const std::string& created, const std::string& now);

}  // namespace isImageSDK
