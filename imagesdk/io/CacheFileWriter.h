#pragma once

#include <cstddef>
#include <string>

namespace isImageSDK {

// Writes a cache file so that readers only ever see a complete one: the bytes go to a fresh
// temporary file in the same folder, which commit renames into place. Until commit succeeds the
// file at the final path is untouched, and a writer destroyed without commit (or whose commit
// fails) leaves no temporary file behind. Used for both the ".prebin" and the ".raw" caches.
class CacheFileWriter {
public:
    explicit CacheFileWriter(const std::string& path);
    ~CacheFileWriter();
    CacheFileWriter(const CacheFileWriter&) = delete;
    CacheFileWriter& operator=(const CacheFileWriter&) = delete;

    // False when the temporary file could not be made (an unwritable folder).
    bool isOpen() const { return fd_ >= 0; }
    // False, and every later call false, when not all bytes could be written.
    bool write(const void* bytes, std::size_t length);
    // Closes the temporary file and renames it to the final path; false when anything failed
    // before or now.
    bool commit();

private:
    void discard();

    std::string path_;
    std::string tempPath_;
    int fd_ = -1;
    bool failed_ = false;
};

}  // namespace isImageSDK
