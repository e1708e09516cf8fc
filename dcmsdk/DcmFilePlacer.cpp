#include "dcmsdk/DcmFilePlacer.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace dcmSDK {

namespace {

// Moves source to target unless target exists; errno tells why not.
bool moveUnlessTaken(const std::string& source, const std::string& target) {
    if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL) {
        return false;
    }
    // A file system without that rename: a link never replaces either.
    if (link(source.c_str(), target.c_str()) != 0) {
        return false;
    }
    unlink(source.c_str());
    return true;
}

}  // namespace

std::string DcmFilePlacer::place(const std::string& source, const std::string& folder,
                                 const std::string& name, std::error_code& error) {
    error.clear();
    for (int copy = 0; copy < kMaxCopies; ++copy) {
        const std::string candidate = copy == 0 ? name : name + "-" + std::to_string(copy);
        if (moveUnlessTaken(source, folder + candidate)) {
            return candidate;
        }
        if (errno != EEXIST) {
            error = std::error_code(errno, std::generic_category());
            return std::string();
        }
    }
    error = std::make_error_code(std::errc::file_exists);
    return std::string();
}

}  // namespace dcmSDK
