#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace NSUI {

class NSThreadSafeDestroy;

// Runs one job on a thread of its own, then queues its completion on the engine's main thread
// and deletes itself. An owner that must know when it has finished passes a holder whose `done`
// is cleared when the job is launched and set when the object is deleted.
class NSRunableThread {
public:
    NSRunableThread(const std::function<void(void*)>& work, void* data);
    NSRunableThread(const std::function<void(void*)>& work, void* data,
                    NSThreadSafeDestroy* finishedHolder, const std::function<void()>& completion);
    // The object deletes itself: the caller neither keeps nor deletes the pointer.
    static NSRunableThread* create(const std::function<void(void*)>& work, void* data,
                                   NSThreadSafeDestroy* finishedHolder,
                                   const std::function<void()>& completion);

    virtual ~NSRunableThread();
    // Launches the thread; it waits until released, which happens at once when autoRelease is
    // set.
    virtual void start(const std::function<void(void*)>& work, void* data,
                       NSThreadSafeDestroy* finishedHolder);
    // Lets a thread started held run its job. The object may be gone when this returns.
    void releaseThread();

protected:
    // For subclasses that start the thread themselves, possibly held (autoRelease cleared).
    // An object that was never started is deleted by its owner.
    NSRunableThread();

    std::function<void(void*)> work;
    void* data = nullptr;
    std::thread::id threadId;
    std::atomic<bool> released{false};
    std::thread thread;
    bool autoRelease = true;
    std::atomic<bool>* finishedFlag = nullptr;
    std::function<void()> completion;
    bool hasCompletion = false;

private:
    NSRunableThread(const NSRunableThread&) = delete;
    NSRunableThread& operator=(const NSRunableThread&) = delete;

    static void jobBody(NSRunableThread* runable);
};

}  // namespace NSUI
