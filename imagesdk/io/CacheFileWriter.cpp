#include "imagesdk/io/CacheFileWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace isImageSDK {

CacheFileWriter::CacheFileWriter(const std::string& path) : path_(path) {
    // mkstemp gives a name no other writer of the same cache (another thread or process) uses.
    std::vector<char> name(path.begin(), path.end());
    const std::string suffix = ".tmp.XXXXXX";
    name.insert(name.end(), suffix.begin(), suffix.end());
    name.push_back('\0');
    fd_ = mkstemp(name.data());
    if (fd_ >= 0) {
        tempPath_ = name.data();
    }
}

CacheFileWriter::~CacheFileWriter() {
    discard();
}

bool CacheFileWriter::write(const void* bytes, std::size_t length) {
    if (fd_ < 0 || failed_) {
        failed_ = true;
        return false;
    }
    const char* next = static_cast<const char*>(bytes);
    while (length > 0) {
        const ssize_t written = ::write(fd_, next, length);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            failed_ = true;
            return false;
        }
        next += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

bool CacheFileWriter::commit() {
    if (fd_ < 0 || failed_) {
        discard();
        return false;
    }
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0 || std::rename(tempPath_.c_str(), path_.c_str()) != 0) {
        discard();
        return false;
    }
    tempPath_.clear();
    return true;
}

void CacheFileWriter::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
    failed_ = true;
}

}  // namespace isImageSDK
