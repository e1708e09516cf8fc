#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace NSUI {

// The whole file in a new buffer 10 bytes longer than its content; the caller releases it with
// free(). With rawData the bytes as stored and *length their count; otherwise the text up to its
// first NUL byte, NUL-terminated, and *length its length. An empty or unreadable file gives null
// and leaves *length untouched.
unsigned char* readFileData(const std::string& path, ssize_t* length, bool rawData);

// Writes the file anew, creating its parent folder with its ancestors first: into a hidden file
// beside it, renamed over it once whole. False when the folder cannot be made, the file cannot be
// created or fewer bytes were written; the file is then as it was and nothing is left beside it.
bool writeBufferToFile(const std::string& path, const unsigned char* bytes, size_t length);
bool writeStringToFile(const std::string& path, const std::string& text);

// Whole-file copy; true at once for equal paths, false for an empty or unreadable source.
bool copyFile(const std::string& source, const std::string& destination);
// Copies every file of the tree below source into the same sub-folders below destination;
// empty and unreadable files are passed over. True at once for equal paths.
bool copyDirectory(const std::string& source, const std::string& destination);

// Appends the files of a folder (sorted by name, folder by folder), optionally of its whole tree
// (sub-folders whose names start with '.' are skipped), as full paths or as bare names.
void listFiles(const std::string& folder, std::vector<std::string>& files, bool recurse,
               bool fullPath);
// Appends the full paths of the immediate sub-folders whose names do not start with '.'.
void listSubdirectories(const std::string& folder, std::vector<std::string>& folders);

// Asks for a path to save to: a file (with an overwrite question) or, when file is false, a
// folder, starting at and afterwards remembering the last folder chosen. An empty text when
// cancelled.
std::string chooseSavePath(bool file);

}  // namespace NSUI
