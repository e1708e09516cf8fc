#include "tests/support/lib/SmallDisk.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace bvtest {

SmallDisk::SmallDisk(const std::string& folder, const std::string& size) : folder_(folder) {
    mounted_ = mount("tmpfs", folder.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
}

SmallDisk::~SmallDisk() {
    if (mounted_) {
        umount2(folder_.c_str(), MNT_DETACH);
    }
}

void SmallDisk::fill(const std::string& path) const {
    const int handle = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (handle < 0) {
        return;
    }
    const std::string block(4096, 'x');
    while (write(handle, block.data(), block.size()) > 0) {
    }
    close(handle);
}

}  // namespace bvtest
