#include "toolkit/core/NSThreadSafeDestroy.h"

#include <thread>

#include "toolkit/core/NSThread.h"

namespace NSUI {

NSThreadSafeDestroy::NSThreadSafeDestroy() = default;

NSThreadSafeDestroy::~NSThreadSafeDestroy() = default;

void NSThreadSafeDestroy::stopThreadAndWait(NSThread* thread) {
    if (!thread) {
        return;
    }
    done = false;
    std::thread worker;
    {
        std::lock_guard<std::recursive_mutex> queueGuard(thread->queueLock);
        thread->safeDestroyLock = &lock;
        thread->safeDestroyCondition = &condition;
        thread->safeDestroyDone = &done;
        // Joined below rather than detached by stop, so that the worker has really ended.
        worker = std::move(thread->workerThread);
    }
    thread->stop();
    {
        std::unique_lock<std::recursive_mutex> guard(lock);
        condition.wait(guard, [this] { return done.load(); });
    }
    if (worker.joinable()) {
        worker.join();
    }
}

}  // namespace NSUI
