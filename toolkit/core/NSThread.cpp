#include "toolkit/core/NSThread.h"

#include <algorithm>
#include <chrono>

#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/base/Scheduler.h"

namespace NSUI {

namespace {

cocos2d::Scheduler* mainScheduler() {
    return cocos2d::Director::getInstance()->getScheduler();
}

// Releases the thread's own reference of every request (the vector's goes with clear).
void dropAll(cocos2d::Vector<NSThreadRequest*>& list) {
    for (NSThreadRequest* request : list) {
        request->release();
    }
    list.clear();
}

}  // namespace

NSThread::NSThread() : sentinel(new NSThreadRequest()) {}

NSThread::~NSThread() {
    CC_SAFE_RELEASE_NULL(sentinel);
    if (workerThreadId != std::thread::id()) {
        cocos2d::PoolManager::getInstance()->removeThread(workerThreadId);
    }
    // The callback may hold what the owner frees once it has been told the thread is gone.
    resultCallback = nullptr;
    if (safeDestroyLock && safeDestroyCondition && safeDestroyDone) {
        std::lock_guard<std::recursive_mutex> guard(*safeDestroyLock);
        *safeDestroyDone = true;
        safeDestroyCondition->notify_one();
    }
}

bool NSThread::addRequest(NSThreadRequest* request) {
    std::lock_guard<std::recursive_mutex> queueGuard(queueLock);
    // Tested under the queue lock: stop appends the sentinel under it, so nothing lands behind.
    if (stopping) {
        return false;
    }
    if (!requests) {
        startWorker();
    }
    if (!request) {
        return false;
    }
    request->retain();
    requests->pushBack(request);
    wakeCondition.notify_one();
    return true;
}

void NSThread::stop() {
    std::unique_lock<std::recursive_mutex> queueGuard(queueLock);
    if (!requests) {
        stopping = true;
        queueGuard.unlock();
        removeHandBacks();
        delete this;
        return;
    }
    {
        std::lock_guard<std::recursive_mutex> resultGuard(resultLock);
        std::lock_guard<std::recursive_mutex> stateGuard(stateLock);
        dropAll(*requests);
        dropAll(*results);
        stopping = true;
        // stopThreadAndWait has taken the handle to join it; otherwise nobody waits.
        if (workerThread.joinable()) {
            workerThread.detach();
        }
    }
    queueGuard.unlock();
    // No lock held: called off the main thread, removal waits for a hand-back that is running
    // there, and that one takes resultLock. Nothing new is queued once stopping is set, and the
    // object stays alive until the sentinel below is queued.
    removeHandBacks();
    queueGuard.lock();
    requests->pushBack(sentinel);
    wakeCondition.notify_one();
}

void NSThread::moveRequestToFront(int requestId) {
    std::lock_guard<std::recursive_mutex> queueGuard(queueLock);
    if (!requests) {
        return;
    }
    for (ssize_t i = 0; i < requests->size(); ++i) {
        NSThreadRequest* request = requests->at(i);
        if (request->requestId != requestId) {
            continue;
        }
        if (i > 0) {
            request->retain();
            requests->erase(i);
            requests->insert(0, request);
            request->release();
        }
        return;
    }
}

void NSThread::cancelAllRequests() {
    std::lock_guard<std::recursive_mutex> queueGuard(queueLock);
    // After stop the queue holds the sentinel, which must reach the worker.
    if (!requests || stopping) {
        return;
    }
    std::lock_guard<std::recursive_mutex> resultGuard(resultLock);
    std::lock_guard<std::recursive_mutex> stateGuard(stateLock);
    dropAll(*requests);
    dropAll(*results);
    if (running) {
        running->cancelled = true;
    }
}

void NSThread::waitUntilIdle() {
    for (;;) {
        {
            std::lock_guard<std::recursive_mutex> queueGuard(queueLock);
            std::lock_guard<std::recursive_mutex> resultGuard(resultLock);
            std::lock_guard<std::recursive_mutex> stateGuard(stateLock);
            if (!requests || stopping || (requests->empty() && running == nullptr)) {
                return;
            }
        }
        // Only shutdown paths wait here; a short sleep keeps the worker's loop free of signals.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void NSThread::process(NSThreadRequest*) {}

void NSThread::reorderRequests(const std::function<void(std::vector<NSThreadRequest*>&)>& order) {
    std::lock_guard<std::recursive_mutex> queueGuard(queueLock);
    // After stop the queue ends in the sentinel, which must stay last.
    if (!requests || stopping || !order) {
        return;
    }
    const std::vector<NSThreadRequest*> before(requests->begin(), requests->end());
    std::vector<NSThreadRequest*> after(before);
    order(after);
    std::vector<NSThreadRequest*> sortedBefore(before);
    std::vector<NSThreadRequest*> sortedAfter(after);
    std::sort(sortedBefore.begin(), sortedBefore.end());
    std::sort(sortedAfter.begin(), sortedAfter.end());
    if (sortedBefore != sortedAfter) {
        return;
    }
    // addRequest's own reference keeps every request alive while the queue lets go of it.
    cocos2d::Vector<NSThreadRequest*> reordered(static_cast<ssize_t>(after.size()));
    for (NSThreadRequest* request : after) {
        reordered.pushBack(request);
    }
    *requests = std::move(reordered);
}

bool NSThread::startWorker() {
    requests = new cocos2d::Vector<NSThreadRequest*>();
    results = new cocos2d::Vector<NSThreadRequest*>();
    workerThread = std::thread(&NSThread::workerLoop, this);
    workerThreadId = workerThread.get_id();
    cocos2d::PoolManager::getInstance()->addThread(workerThreadId);
    return true;
}

void NSThread::workerLoop(NSThread* thread) {
    thread->runQueue();
    delete thread;
}

void NSThread::runQueue() {
    for (;;) {
        NSThreadRequest* request = nullptr;
        {
            std::unique_lock<std::recursive_mutex> queueGuard(queueLock);
            wakeCondition.wait(queueGuard, [this] { return !requests->empty(); });
            request = requests->front();
            // The reference taken by addRequest keeps it alive past the queue's release.
            requests->erase(0);
            running = request;
        }
        if (request == sentinel) {
            break;
        }
        {
            std::lock_guard<std::recursive_mutex> stateGuard(stateLock);
            busy = true;
        }
        process(request);
        bool dropped = false;
        {
            std::lock_guard<std::recursive_mutex> stateGuard(stateLock);
            if (stopping) {
                dropped = true;
                busy = false;
                running = nullptr;
            }
        }
        if (dropped) {
            request->release();
            continue;
        }
        {
            std::lock_guard<std::recursive_mutex> resultGuard(resultLock);
            running = nullptr;
            if (stopping) {
                dropped = true;
            } else {
                results->pushBack(request);
                if (cocos2d::Scheduler* scheduler = mainScheduler()) {
                    scheduler->performFunctionInCocosThread(this, [this] { deliverResult(); });
                }
            }
        }
        if (dropped) {
            request->release();
        }
        {
            std::lock_guard<std::recursive_mutex> stateGuard(stateLock);
            busy = false;
        }
    }

    CC_SAFE_RELEASE_NULL(sentinel);
    std::lock_guard<std::recursive_mutex> queueGuard(queueLock);
    std::lock_guard<std::recursive_mutex> resultGuard(resultLock);
    dropAll(*requests);
    delete requests;
    requests = nullptr;
    delete results;
    results = nullptr;
}

void NSThread::deliverResult() {
    NSThreadRequest* request = nullptr;
    std::function<void(NSThreadRequest*)> callback;
    {
        std::lock_guard<std::recursive_mutex> resultGuard(resultLock);
        if (stopping || !results || results->empty()) {
            return;
        }
        request = results->front();
        results->erase(0);
        callback = resultCallback;
    }
    // The callback may stop the thread, even wait for it to end: from here on only locals.
    if (callback) {
        callback(request);
    }
    request->release();
}

void NSThread::removeHandBacks() {
    if (cocos2d::Scheduler* scheduler = mainScheduler()) {
        scheduler->removeFunctionInCocosThread(this, nullptr);
    }
}

}  // namespace NSUI
