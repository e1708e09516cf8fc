#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/base/Vector.h"
#include "toolkit/core/NSThreadRequest.h"

namespace NSUI {

// A long-lived worker with a queue of requests. A subclass implements `process`; every processed
// request is handed back to the engine's main thread and given to `resultCallback` there, in the
// order the worker finished them.
//
// The worker starts with the first `addRequest`. Once started, the object deletes itself on the
// worker thread after `stop`; before that it is deleted by `stop` itself. Owners never delete it.
// Locks, wherever more than one is held: queueLock, then resultLock, then stateLock.
class NSThread {
public:
    NSThread();

    // Takes a reference on the request until it is delivered or dropped. False while stopping or
    // for a null request (which still starts the worker).
    virtual bool addRequest(NSThreadRequest* request);

    // Drops every queued request and waiting result, lets a running `process` finish without
    // handing it back, and ends the worker. The caller must not touch the object afterwards.
    void stop();
    // Moves the first queued request with that id to the head of the queue.
    void moveRequestToFront(int requestId);
    // Drops every queued request and waiting result and marks the running request cancelled.
    void cancelAllRequests();
    // Blocks until every request queued so far has been processed (not yet handed back), or
    // until the worker stops. Not on the worker thread.
    void waitUntilIdle();

protected:
    virtual ~NSThread();
    // Runs on the worker thread with no lock held.
    virtual void process(NSThreadRequest* request);
    // Lets a subclass put the queued requests in a new order: `order` gets them head first and
    // runs under the queue lock, so it must not block. A result that is not a permutation of
    // what it was given is ignored. Nothing happens before the worker has started.
    void reorderRequests(const std::function<void(std::vector<NSThreadRequest*>&)>& order);

    std::recursive_mutex queueLock;
    std::recursive_mutex resultLock;
    std::recursive_mutex stateLock;
    std::condition_variable_any wakeCondition;
    cocos2d::Vector<NSThreadRequest*>* requests = nullptr;
    cocos2d::Vector<NSThreadRequest*>* results = nullptr;
    NSThreadRequest* sentinel = nullptr;
    NSThreadRequest* running = nullptr;

public:
    // Called on the main thread with each processed request; set before adding requests.
    std::function<void(NSThreadRequest*)> resultCallback;

protected:
    std::atomic<bool> stopping{false};
    std::atomic<bool> busy{false};
    std::recursive_mutex* safeDestroyLock = nullptr;
    std::condition_variable_any* safeDestroyCondition = nullptr;
    std::atomic<bool>* safeDestroyDone = nullptr;
    std::thread workerThread;
    std::thread::id workerThreadId;

private:
    friend class NSThreadSafeDestroy;

    NSThread(const NSThread&) = delete;
    NSThread& operator=(const NSThread&) = delete;

    bool startWorker();
    static void workerLoop(NSThread* thread);
    void runQueue();
    void deliverResult();
    void removeHandBacks();
};

}  // namespace NSUI
