#include "studydb/LibraryLock.h"

#include "toolkit/core/DebugLog.h"
#include "toolkit/core/TextRoutines.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace studydb {

namespace {

const char* const kLockName = ".lock";

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
    release();
    holder = 0;
    const std::string path = folder + kLockName;
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
