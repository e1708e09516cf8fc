#pragma once

#include <string>

namespace studydb {

// An exclusive lock on a library folder for the life of the process that holds it: two copies
// of the program on one library would reconcile away each other's incoming files and file
// objects twice. The lock file keeps the holder's process id for the one refused.
class LibraryLock {
public:
    // The lock file's name inside the library folder.
    static constexpr const char* kFileName = ".lock";

    LibraryLock() = default;
    ~LibraryLock();
    LibraryLock(const LibraryLock&) = delete;
    LibraryLock& operator=(const LibraryLock&) = delete;

    // Takes the lock of folder (ending with a separator), letting go of any other first; the
    // lock it already holds (its folder renamed, or the same folder again) it keeps. False
    // when another process (or another lock of this one) holds it; holder is then its process
    // id, or 0 when unknown. A folder that cannot keep a lock file is not locked, and not
    // refused either.
    bool acquire(const std::string& folder, long& holder);
    void release();
    // Whether the folder of the last acquire is this lock's to write.
    bool owns() const { return owns_; }

private:
    int handle_ = -1;
    bool owns_ = false;
};

}  // namespace studydb
