#pragma once

#include <atomic>
#include <functional>
#include <string>

#include <unzip.h>

namespace NSUI {

// Results of the command routines beyond minizip's own codes.
constexpr int kZipCancelled = -1000;
constexpr int kZipNoBuffer = -104;
constexpr int kZipPathNotBelowRoot = -105;
constexpr int kUnzipNoArchive = 1;
constexpr int kUnzipEntryMissing = 2;
constexpr int kUnzipBadEntryInfo = -1000;
constexpr int kUnzipNoBuffer = -1001;
constexpr int kUnzipCannotCreate = -1002;
constexpr int kUnzipWriteFailed = -1003;
// The entry's name would place it outside the destination folder (absolute path, drive
// prefix or a ".." component).
constexpr int kUnzipUnsafeName = -1004;
// The check byte of an encrypted entry did not match: wrong or missing password.
constexpr int kUnzipBadPassword = -106;
constexpr int kUnzipNextEntryFailed = -109;
// The entry inflated past the size its header declares (a zip bomb lying about its size).
constexpr int kUnzipEntryTooLarge = -1005;
// The entries' declared sizes add up to more than the destination's disk has free.
constexpr int kUnzipNoRoom = -1006;

// Above 0: packing stops before its next file. zipCommand clears it when it starts; the
// sharing screen raises it from the main thread.
extern std::atomic<int> zipCancelFlag;

// Packs a folder tree (entries named from the folder's own name on) or one file (named as the
// file) into a new archive, encrypted when the password is not empty. Creates the archive's
// folder first. Given `include`, a folder's files are packed only when it accepts their full
// paths. False for a folder with nothing to pack (no archive is written) or any failure.
bool zipFolder(const std::string& archive, const std::string& source, const std::string& password,
               const std::function<bool(const std::string& file)>& include = nullptr);
// Unpacks every entry below the folder, creating the folders that files need. An archive with
// an entry that would land outside the folder, or whose entries' declared sizes add up to more
// than the folder's disk has free, is refused before anything is written. A given result
// receives 0 or why it failed: kUnzipNoArchive, kUnzipBadEntryInfo, kUnzipUnsafeName,
// kUnzipNoRoom, kUnzipCannotCreate or unzipCommand's result.
bool unzipFile(const std::string& archive, const std::string& folder, const std::string& password,
               int* result = nullptr);

// Command-style packing: options ("-o" create, "-a" append (refused), "-0".."-9" level,
// "-p <password>"), then the archive, the root folder and the files; entry names are the file
// paths without the root and the separator after it. Progress goes out as NOTIFY_ACTIVITY_PROGRESS.
// 0 on success; see the constants above for the routine's own results.
int zipCommand(int argc, char* argv[]);
// Command-style unpacking: options ("-d <folder>" required, "-p <password>", "-e" without
// paths, "-o" overwrite), then the archive and optionally one entry to extract.
int unzipCommand(int argc, char* argv[]);

// Writes the archive's current entry below folder (a text ending in "/"). Existing files are
// replaced; once an entry has been opened the overwrite flag is raised. No entry writes more
// than its declared size: a plain one that holds more fails its CRC check, an encrypted one stops
// with kUnzipEntryTooLarge. A file whose extraction fails is removed.
int extractCurrentEntry(unzFile archive, const char* folder, int* withoutPath, int* overwrite,
                        const char* password);
// Every entry in order; stops at the first failure.
int extractAllEntries(unzFile archive, const char* folder, int withoutPath, int overwrite,
                      const char* password);

// CRC-32 of the whole file, read through the caller's buffer. -1 (crc 0) when the file cannot
// be opened, -1 when a read fails before its end.
int getFileCrc(const char* path, unsigned char* buffer, unsigned long bufferSize,
               unsigned long* crc);

}  // namespace NSUI
