#include "tests/support/studydb/LockingChild.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "studydb/LibraryLock.h"

namespace bvtest {

namespace {

// The child's status once it ended; false when it did not exit with 0.
bool reapedCleanly(pid_t child) {
    int status = 0;
    pid_t got = -1;
    do {
        got = waitpid(child, &status, 0);
    } while (got < 0 && errno == EINTR);
    return got == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

LockingChild::LockingChild(const std::string& folder) {
    int taken[2];
    int release[2];
    // Close-on-exec: a program the test starts meanwhile must not keep the child alive.
    if (pipe2(taken, O_CLOEXEC) != 0) {
        return;
    }
    if (pipe2(release, O_CLOEXEC) != 0) {
        close(taken[0]);
        close(taken[1]);
        return;
    }
    pid_ = fork();
    if (pid_ == 0) {
        close(taken[0]);
        close(release[1]);
        studydb::LibraryLock lock;
        long holder = 0;
        const char held = lock.acquire(folder, holder) ? 1 : 0;
        if (write(taken[1], &held, 1) != 1) {
            _exit(2);
        }
        char done = 0;
        while (read(release[0], &done, 1) > 0) {
        }
        _exit(0);
    }
    close(taken[1]);
    close(release[0]);
    if (pid_ < 0) {
        close(taken[0]);
        close(release[1]);
        return;
    }
    release_ = release[1];
    char held = 0;
    ssize_t got = -1;
    do {
        got = read(taken[0], &held, 1);
    } while (got < 0 && errno == EINTR);
    close(taken[0]);
    held_ = got == 1 && held == 1;
}

LockingChild::~LockingChild() {
    release();
}

bool LockingChild::release() {
    if (release_ >= 0) {
        close(release_);
        release_ = -1;
    }
    if (pid_ <= 0) {
        return false;
    }
    const pid_t child = pid_;
    pid_ = -1;
    return reapedCleanly(child);
}

bool LockingChild::canTake(const std::string& folder) {
    const std::string path = folder + studydb::LibraryLock::kFileName;
    const pid_t child = fork();
    if (child == 0) {
        const int handle = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        _exit(handle >= 0 && flock(handle, LOCK_EX | LOCK_NB) == 0 ? 0 : 1);
    }
    return child > 0 && reapedCleanly(child);
}

}  // namespace bvtest
