#include "platform/FileTimes.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace platform {

bool getFileCreationTime(const std::string& path, std::time_t& seconds) {
    struct statx info = {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &info) != 0) {
        return false;
    }
    if ((info.stx_mask & STATX_BTIME) != 0) {
        seconds = static_cast<std::time_t>(info.stx_btime.tv_sec);
        return true;
    }
    if ((info.stx_mask & STATX_MTIME) != 0) {
        seconds = static_cast<std::time_t>(info.stx_mtime.tv_sec);
        return true;
    }
    return false;
}

}  // namespace platform
