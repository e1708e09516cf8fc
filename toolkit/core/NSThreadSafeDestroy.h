#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace NSUI {

class NSThread;

// Mixin of owners that must not outlive their worker: the owner stops its NSThread and blocks
// until the worker has ended. One-job threads use `done` as their finished flag.
class NSThreadSafeDestroy {
public:
    NSThreadSafeDestroy();
    ~NSThreadSafeDestroy();

    // Stops the thread and returns once its worker has ended; the thread object is gone then.
    void stopThreadAndWait(NSThread* thread);

    std::recursive_mutex lock;
    std::condition_variable_any condition;
    // Polled from other threads.
    std::atomic<bool> done{true};

private:
    NSThreadSafeDestroy(const NSThreadSafeDestroy&) = delete;
    NSThreadSafeDestroy& operator=(const NSThreadSafeDestroy&) = delete;
};

}  // namespace NSUI
