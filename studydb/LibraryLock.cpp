#include "studydb/LibraryLock.h"

#include "toolkit/core/DebugLog.h"
#include "toolkit/core/TextRoutines.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace studydb {

namespace {

long readHolder(int handle) {
    char text[32] = {};
    const ssize_t got = pread(handle, text, sizeof(text) - 1, 0);
    return got > 0 ? std::strtol(text, nullptr, 10) : 0;
}

}  // namespace

LibraryLock::~LibraryLock() {
    release();
}

bool LibraryLock::acquire(const std::string& folder, long& holder) {
    holder = 0;
    const std::string path = folder + kFileName;
    // The lock already held, as after a rename of its folder: letting go first would leave the
    // library unlocked for a moment, and a second lock of this process would be refused.
    struct stat held {};
    struct stat named {};
    if (handle_ >= 0 && fstat(handle_, &held) == 0 && stat(path.c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
        owns_ = true;
        return true;
    }
    release();
    const int handle = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (handle < 0) {
        NSUI::debugLog(NSUI::formatString("library lock %s not made", path.c_str()).c_str());
        owns_ = true;
        return true;
    }
    if (flock(handle, LOCK_EX | LOCK_NB) != 0) {
        holder = errno == EWOULDBLOCK ? readHolder(handle) : 0;
        close(handle);
        return false;
    }
    const std::string pid = std::to_string(getpid()) + "\n";
    if (ftruncate(handle, 0) != 0 || pwrite(handle, pid.data(), pid.size(), 0) < 0) {
        NSUI::debugLog("library lock: process id not written");
    }
    handle_ = handle;
    owns_ = true;
    return true;
}

void LibraryLock::release() {
    if (handle_ >= 0) {
        close(handle_);
        handle_ = -1;
    }
    owns_ = false;
}

}  // namespace studydb
