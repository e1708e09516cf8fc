#include "toolkit/core/NSRunableThread.h"

#include <chrono>

#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/base/Scheduler.h"
#include "toolkit/core/NSThreadSafeDestroy.h"

namespace NSUI {

NSRunableThread::NSRunableThread() = default;

NSRunableThread::NSRunableThread(const std::function<void(void*)>& work, void* data) {
    start(work, data, nullptr);
}

NSRunableThread::NSRunableThread(const std::function<void(void*)>& work, void* data,
                                 NSThreadSafeDestroy* finishedHolder,
                                 const std::function<void()>& completion)
    : completion(completion), hasCompletion(static_cast<bool>(completion)) {
    start(work, data, finishedHolder);
}

NSRunableThread* NSRunableThread::create(const std::function<void(void*)>& work, void* data,
                                         NSThreadSafeDestroy* finishedHolder,
                                         const std::function<void()>& completion) {
    return new NSRunableThread(work, data, finishedHolder, completion);
}

NSRunableThread::~NSRunableThread() {
    // Whatever the job captured goes before the owner learns that the thread has finished.
    work = nullptr;
    completion = nullptr;
    if (finishedFlag) {
        *finishedFlag = true;
    }
}

void NSRunableThread::start(const std::function<void(void*)>& work, void* data,
                            NSThreadSafeDestroy* finishedHolder) {
    this->work = work;
    this->data = data;
    released = false;
    thread = std::thread(&NSRunableThread::jobBody, this);
    threadId = thread.get_id();
    cocos2d::PoolManager::getInstance()->addThread(threadId);
    if (finishedHolder) {
        finishedFlag = &finishedHolder->done;
        *finishedFlag = false;
    }
    if (autoRelease) {
        releaseThread();
    }
}

void NSRunableThread::releaseThread() {
    // Detached first: once released, the job may delete the object at any moment.
    thread.detach();
    released = true;
}

void NSRunableThread::jobBody(NSRunableThread* runable) {
    while (!runable->released) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (runable->work) {
        runable->work(runable->data);
    }
    cocos2d::PoolManager::getInstance()->removeThread(runable->threadId);
    if (runable->hasCompletion) {
        if (cocos2d::Scheduler* scheduler = cocos2d::Director::getInstance()->getScheduler()) {
            // Unkeyed: the key would outlive the object, and a later object at the same address
            // removing its own hand-backs would drop this completion.
            scheduler->performFunctionInCocosThread(runable->completion);
        }
    }
    delete runable;
}

}  // namespace NSUI
