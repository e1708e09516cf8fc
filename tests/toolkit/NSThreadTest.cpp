#include "toolkit/core/NSThread.h"
#include "toolkit/core/NSRunableThread.h"
#include "toolkit/core/NSThreadRequest.h"
#include "toolkit/core/NSThreadSafeDestroy.h"

#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "tests/support/lib/Latch.h"
#include "toolkit/core/NSNotificationData.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using bvtest::Latch;
using NSUI::NSThreadRequest;

// A worker whose processing the test scripts, and which says when it is gone.
class ScriptedThread : public NSUI::NSThread {
public:
    explicit ScriptedThread(Latch* destroyed = nullptr) : destroyed(destroyed) {}

    std::function<void(NSThreadRequest*)> onProcess;

    bool hasWorker() {
        std::lock_guard<std::recursive_mutex> guard(queueLock);
        return requests != nullptr;
    }
    ssize_t waitingResults() {
        std::lock_guard<std::recursive_mutex> guard(resultLock);
        return results ? results->size() : 0;
    }
    bool isStopping() const { return stopping; }

protected:
    ~ScriptedThread() override {
        if (destroyed) {
            destroyed->open();
        }
    }
    void process(NSThreadRequest* request) override {
        if (onProcess) {
            onProcess(request);
        }
    }

private:
    Latch* destroyed;
};

NSThreadRequest* makeRequest(const std::string& text, int id = 0) {
    auto* request = new NSThreadRequest();
    request->text = text;
    if (id != 0) {
        request->requestId = id;
    }
    return request;
}

void waitFor(const std::function<bool()>& condition) {
    while (!condition()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

class NSThreadTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (NSThreadRequest* request : owned) {
            request->release();
        }
        frame();
    }

    static void frame() { cocos2d::Director::getInstance()->mainLoop(1.0f / 60.0f); }

    // Runs frames until the condition holds.
    static void pumpUntil(const std::function<bool()>& condition) {
        while (!condition()) {
            frame();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    NSThreadRequest* request(const std::string& text, int id = 0) {
        owned.push_back(makeRequest(text, id));
        return owned.back();
    }

    // Each request's reference count, in creation order.
    std::vector<unsigned> counts() const {
        std::vector<unsigned> result;
        for (NSThreadRequest* item : owned) {
            result.push_back(item->getReferenceCount());
        }
        return result;
    }

    const std::thread::id mainThread = std::this_thread::get_id();
    std::vector<NSThreadRequest*> owned;
};

TEST_F(NSThreadTest, ThreadThatNeverStartedIsDeletedByStop) {
    Latch destroyed;
    auto* thread = new ScriptedThread(&destroyed);
    thread->stop();
    EXPECT_TRUE(destroyed.isOpen());

    Latch waited;
    NSUI::NSThreadSafeDestroy holder;
    EXPECT_TRUE(holder.done);
    holder.stopThreadAndWait(new ScriptedThread(&waited));
    EXPECT_TRUE(waited.isOpen());
    EXPECT_TRUE(holder.done);
}

TEST_F(NSThreadTest, NullRequestStartsTheWorkerAndIsRefused) {
    auto* thread = new ScriptedThread();
    EXPECT_FALSE(thread->hasWorker());
    EXPECT_FALSE(thread->addRequest(nullptr));
    EXPECT_TRUE(thread->hasWorker());
    NSUI::NSThreadSafeDestroy holder;
    holder.stopThreadAndWait(thread);
    EXPECT_TRUE(holder.done);
}

TEST_F(NSThreadTest, ResultsReachTheCallbackOnTheMainThreadInQueueOrder) {
    Latch gate;
    std::vector<std::string> processed;
    std::vector<std::string> delivered;
    std::vector<std::thread::id> callbackThreads;
    auto* thread = new ScriptedThread();
    thread->onProcess = [&](NSThreadRequest* item) {
        if (item->text == "a") {
            gate.wait();
        }
        processed.push_back(item->text);
    };
    thread->resultCallback = [&](NSThreadRequest* item) {
        delivered.push_back(item->text);
        callbackThreads.push_back(std::this_thread::get_id());
    };
    for (const char* text : {"a", "b", "c"}) {
        ASSERT_TRUE(thread->addRequest(request(text)));
    }
    gate.open();
    // All three wait for the main thread before it runs a frame: one frame hands back each of
    // them through its own queued call.
    waitFor([&] { return thread->waitingResults() == 3; });
    EXPECT_EQ(processed, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(counts(), (std::vector<unsigned>{3, 3, 3}));
    frame();
    EXPECT_EQ(delivered, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(callbackThreads, std::vector<std::thread::id>(3, mainThread));
    EXPECT_EQ(counts(), (std::vector<unsigned>{1, 1, 1}));

    NSUI::NSThreadSafeDestroy holder;
    holder.stopThreadAndWait(thread);
}

TEST_F(NSThreadTest, StopWhileProcessingDropsEverythingAndHandsNothingBack) {
    Latch entered;
    Latch gate;
    Latch destroyed;
    int callbacks = 0;
    auto* thread = new ScriptedThread(&destroyed);
    thread->onProcess = [&](NSThreadRequest* item) {
        if (item->text == "waiting") {
            return;
        }
        entered.open();
        gate.wait();
    };
    thread->resultCallback = [&](NSThreadRequest*) { ++callbacks; };
    // A result that waits for the main thread, a request in process and one still queued.
    ASSERT_TRUE(thread->addRequest(request("waiting")));
    waitFor([&] { return thread->waitingResults() == 1; });
    ASSERT_TRUE(thread->addRequest(request("running")));
    ASSERT_TRUE(thread->addRequest(request("queued")));
    entered.wait();

    thread->stop();
    // The worker is held in process, so the object is still there to refuse new work.
    NSThreadRequest* late = request("late");
    EXPECT_FALSE(thread->addRequest(late));
    EXPECT_EQ(counts(), (std::vector<unsigned>{1, 2, 1, 1}));

    gate.open();
    destroyed.wait();
    EXPECT_EQ(counts(), (std::vector<unsigned>{1, 1, 1, 1}));
    for (int i = 0; i < 3; ++i) {
        frame();
    }
    EXPECT_EQ(callbacks, 0);
}

TEST_F(NSThreadTest, StopThreadAndWaitReturnsOnceTheWorkerHasEnded) {
    Latch entered;
    Latch destroyed;
    auto* thread = new ScriptedThread(&destroyed);
    cocos2d::Ref* autoreleased = nullptr;
    thread->onProcess = [&](NSThreadRequest*) {
        // Lives in the worker's own pool, which is drained when the worker ends.
        autoreleased = NSUI::NSNotificationData::create();
        autoreleased->retain();
        entered.open();
        // Still processing when the owner stops the thread.
        waitFor([&] { return thread->isStopping(); });
    };
    ASSERT_TRUE(thread->addRequest(request("running")));
    ASSERT_TRUE(thread->addRequest(request("queued")));
    entered.wait();

    NSUI::NSThreadSafeDestroy holder;
    holder.stopThreadAndWait(thread);
    EXPECT_TRUE(destroyed.isOpen());
    EXPECT_TRUE(holder.done);
    EXPECT_EQ(counts(), (std::vector<unsigned>{1, 1}));
    EXPECT_EQ(autoreleased->getReferenceCount(), 1u);
    autoreleased->release();
}

TEST_F(NSThreadTest, ResultCallbackMayStopAndWaitForItsOwnThread) {
    std::vector<std::string> delivered;
    auto* thread = new ScriptedThread();
    NSUI::NSThreadSafeDestroy holder;
    thread->resultCallback = [&](NSThreadRequest* item) {
        delivered.push_back(item->text);
        holder.stopThreadAndWait(thread);
        // The callback object itself must have survived the thread.
        delivered.push_back("after stop");
    };
    ASSERT_TRUE(thread->addRequest(request("first")));
    ASSERT_TRUE(thread->addRequest(request("second")));
    waitFor([&] { return thread->waitingResults() == 2; });
    frame();
    frame();
    EXPECT_EQ(delivered, (std::vector<std::string>{"first", "after stop"}));
    EXPECT_TRUE(holder.done);
    EXPECT_EQ(counts(), (std::vector<unsigned>{1, 1}));
}

TEST_F(NSThreadTest, CancelAllRequestsDropsWaitingWorkAndMarksTheRunningRequest) {
    Latch entered;
    Latch gate;
    std::vector<std::string> delivered;
    bool sawCancelled = false;
    auto* thread = new ScriptedThread();
    thread->onProcess = [&](NSThreadRequest* item) {
        if (item->text != "running") {
            return;
        }
        entered.open();
        gate.wait();
        sawCancelled = item->cancelled;
    };
    thread->resultCallback = [&](NSThreadRequest* item) { delivered.push_back(item->text); };
    ASSERT_TRUE(thread->addRequest(request("waiting")));
    waitFor([&] { return thread->waitingResults() == 1; });
    ASSERT_TRUE(thread->addRequest(request("running")));
    ASSERT_TRUE(thread->addRequest(request("queued")));
    entered.wait();

    thread->cancelAllRequests();
    EXPECT_EQ(counts(), (std::vector<unsigned>{1, 2, 1}));
    gate.open();
    // The cancelled request still travels the normal way back.
    pumpUntil([&] { return !delivered.empty(); });
    frame();
    EXPECT_TRUE(sawCancelled);
    EXPECT_EQ(delivered, std::vector<std::string>{"running"});
    EXPECT_EQ(counts(), (std::vector<unsigned>{1, 1, 1}));

    // The thread goes on taking work.
    ASSERT_TRUE(thread->addRequest(request("later")));
    pumpUntil([&] { return delivered.size() == 2; });
    EXPECT_EQ(delivered.back(), "later");
    NSUI::NSThreadSafeDestroy holder;
    holder.stopThreadAndWait(thread);
}

TEST_F(NSThreadTest, MoveRequestToFrontMovesTheFirstQueuedRequestWithTheId) {
    struct Case {
        int id;
        std::vector<std::string> order;
    };
    // Queued b(1), c(2), d(2), e(3) behind a request in process.
    const std::vector<Case> cases = {
        {2, {"c", "b", "d", "e"}},
        {3, {"e", "b", "c", "d"}},
        {1, {"b", "c", "d", "e"}},
        {9, {"b", "c", "d", "e"}},
    };
    for (const Case& movement : cases) {
        SCOPED_TRACE(movement.id);
        Latch entered;
        Latch gate;
        std::vector<std::string> processed;
        auto* thread = new ScriptedThread();
        thread->moveRequestToFront(movement.id);
        thread->onProcess = [&](NSThreadRequest* item) {
            if (item->text == "a") {
                entered.open();
                gate.wait();
                return;
            }
            processed.push_back(item->text);
        };
        ASSERT_TRUE(thread->addRequest(request("a", 7)));
        entered.wait();
        ASSERT_TRUE(thread->addRequest(request("b", 1)));
        ASSERT_TRUE(thread->addRequest(request("c", 2)));
        ASSERT_TRUE(thread->addRequest(request("d", 2)));
        ASSERT_TRUE(thread->addRequest(request("e", 3)));
        thread->moveRequestToFront(movement.id);
        gate.open();
        waitFor([&] { return thread->waitingResults() == 5; });
        EXPECT_EQ(processed, movement.order);
        NSUI::NSThreadSafeDestroy holder;
        holder.stopThreadAndWait(thread);
    }
}

TEST_F(NSThreadTest, ThreadsOfSeveralProducersAllGetTheirResults) {
    std::atomic<int> processed{0};
    int delivered = 0;
    auto* thread = new ScriptedThread();
    thread->onProcess = [&](NSThreadRequest*) { ++processed; };
    thread->resultCallback = [&](NSThreadRequest*) { ++delivered; };
    constexpr int kProducers = 4;
    constexpr int kEach = 50;
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([thread] {
            for (int i = 0; i < kEach; ++i) {
                NSThreadRequest* item = makeRequest("item");
                EXPECT_TRUE(thread->addRequest(item));
                thread->moveRequestToFront(item->requestId);
                item->release();
            }
        });
    }
    pumpUntil([&] { return delivered == kProducers * kEach; });
    for (std::thread& producer : producers) {
        producer.join();
    }
    EXPECT_EQ(processed.load(), kProducers * kEach);
    NSUI::NSThreadSafeDestroy holder;
    holder.stopThreadAndWait(thread);
}

TEST_F(NSThreadTest, RunableThreadRunsItsJobThenItsCompletionOnTheMainThread) {
    Latch gate;
    std::thread::id workThread;
    std::vector<std::thread::id> completions;
    int data = 5;
    int seen = 0;
    NSUI::NSThreadSafeDestroy holder;
    NSUI::NSRunableThread::create(
        [&](void* argument) {
            gate.wait();
            workThread = std::this_thread::get_id();
            seen = *static_cast<int*>(argument);
        },
        &data, &holder, [&] { completions.push_back(std::this_thread::get_id()); });
    EXPECT_FALSE(holder.done);
    gate.open();
    waitFor([&] { return holder.done.load(); });
    EXPECT_EQ(seen, 5);
    EXPECT_NE(workThread, mainThread);
    EXPECT_TRUE(completions.empty());
    frame();
    EXPECT_EQ(completions, std::vector<std::thread::id>{mainThread});
}

TEST_F(NSThreadTest, RunableThreadWithoutCompletionDeletesItselfAndDrainsItsPool) {
    cocos2d::Ref* autoreleased = nullptr;
    NSUI::NSThreadSafeDestroy holder;
    NSUI::NSRunableThread::create(
        [&](void*) {
            autoreleased = NSUI::NSNotificationData::create();
            autoreleased->retain();
        },
        nullptr, &holder, nullptr);
    waitFor([&] { return holder.done.load(); });
    EXPECT_EQ(autoreleased->getReferenceCount(), 1u);
    autoreleased->release();
    frame();
}

// Starts its job held, as a caller does that releases several threads together.
class HeldThread : public NSUI::NSRunableThread {
public:
    HeldThread(const std::function<void(void*)>& job, NSUI::NSThreadSafeDestroy* holder) {
        autoRelease = false;
        start(job, nullptr, holder);
    }
};

TEST_F(NSThreadTest, HeldRunableThreadWaitsUntilReleased) {
    std::atomic<bool> ran{false};
    NSUI::NSThreadSafeDestroy holder;
    auto* thread = new HeldThread([&](void*) { ran = true; }, &holder);
    EXPECT_FALSE(holder.done);
    EXPECT_FALSE(ran);
    thread->releaseThread();
    waitFor([&] { return holder.done.load(); });
    EXPECT_TRUE(ran);
}

}  // namespace
