#include "toolkit/core/NSThread.h"
#include "toolkit/core/NSThreadRequest.h"
#include "toolkit/core/NSThreadSafeDestroy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

namespace {

using NSUI::NSThreadRequest;

// Holds its first request in `process` until released, so that the rest queue up behind it, and
// records the order in which requests were processed (by userValue1).
class GatedThread : public NSUI::NSThread {
public:
    void waitUntilHolding() {
        std::unique_lock<std::mutex> guard(mutex);
        condition.wait(guard, [this] { return holding; });
    }
    void release() {
        std::lock_guard<std::mutex> guard(mutex);
        released = true;
        condition.notify_all();
    }
    std::vector<std::int64_t> waitForProcessed(size_t count) {
        std::unique_lock<std::mutex> guard(mutex);
        condition.wait(guard, [&] { return processed.size() >= count; });
        return processed;
    }
    void reorder(const std::function<void(std::vector<NSThreadRequest*>&)>& order) {
        reorderRequests(order);
    }

protected:
    void process(NSThreadRequest* request) override {
        std::unique_lock<std::mutex> guard(mutex);
        if (processed.empty()) {
            holding = true;
            condition.notify_all();
            condition.wait(guard, [this] { return released; });
        }
        processed.push_back(request->userValue1);
        condition.notify_all();
    }

private:
    std::mutex mutex;
    std::condition_variable condition;
    bool holding = false;
    bool released = false;
    std::vector<std::int64_t> processed;
};

struct ReorderCase {
    const char* name;
    std::function<void(std::vector<NSThreadRequest*>&)> order;
    std::vector<std::int64_t> expected;
};

class NSThreadReorderTest : public ::testing::TestWithParam<ReorderCase> {};

TEST_P(NSThreadReorderTest, QueuedRequestsFollowTheNewOrderOnlyWhenItIsAPermutation) {
    const ReorderCase& testCase = GetParam();
    NSUI::NSThreadSafeDestroy holder;
    auto* thread = new GatedThread();
    for (int i = 0; i < 5; ++i) {
        auto* request = new NSThreadRequest();
        request->userValue1 = i;
        ASSERT_TRUE(thread->addRequest(request));
        request->release();
        if (i == 0) {
            thread->waitUntilHolding();
        }
    }
    thread->reorder(testCase.order);
    thread->release();
    EXPECT_EQ(thread->waitForProcessed(5), testCase.expected);
    holder.stopThreadAndWait(thread);
}

INSTANTIATE_TEST_SUITE_P(
    Orders, NSThreadReorderTest,
    ::testing::Values(ReorderCase{"Reversed",
                                  [](std::vector<NSThreadRequest*>& queued) {
                                      std::reverse(queued.begin(), queued.end());
                                  },
                                  {0, 4, 3, 2, 1}},
                      ReorderCase{"OneDropped",
                                  [](std::vector<NSThreadRequest*>& queued) { queued.pop_back(); },
                                  {0, 1, 2, 3, 4}},
                      ReorderCase{
                          "OneDuplicated",
                          [](std::vector<NSThreadRequest*>& queued) { queued[1] = queued[0]; },
                          {0, 1, 2, 3, 4}}),
    [](const ::testing::TestParamInfo<ReorderCase>& info) { return std::string(info.param.name); });

TEST(NSThreadReorder, NothingHappensBeforeTheWorkerStarts) {
    auto* thread = new GatedThread();
    bool called = false;
    thread->reorder([&](std::vector<NSThreadRequest*>&) { called = true; });
    EXPECT_FALSE(called);
    thread->stop();
}

}  // namespace
