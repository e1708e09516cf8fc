#pragma once

#include <sys/types.h>

#include <string>

namespace bvtest {

// A child process that takes a library folder's lock as a second copy of the program would, and
// holds it until released; released and reaped when the object goes, also when the test fails.
class LockingChild {
public:
    // Forks the child, which takes the folder's lock with studydb::LibraryLock (recording its
    // process id in the lock file), and waits for its answer.
    explicit LockingChild(const std::string& folder);
    ~LockingChild();
    LockingChild(const LockingChild&) = delete;
    LockingChild& operator=(const LockingChild&) = delete;

    // Whether the child took the lock.
    bool held() const { return held_; }
    pid_t pid() const { return pid_; }
    // Lets the child end, which lets the lock go, and reaps it; whether it exited cleanly.
    bool release();

    // Whether a child process takes the folder's lock now. It lets go at once and leaves the
    // lock file's content as it was.
    static bool canTake(const std::string& folder);

private:
    pid_t pid_ = -1;
    int release_ = -1;  // the child holds the lock until this end closes
    bool held_ = false;
};

}  // namespace bvtest
