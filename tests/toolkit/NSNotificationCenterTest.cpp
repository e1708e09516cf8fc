#include "toolkit/core/NSNotificationCenter.h"

#include "engine/base/Director.h"
#include "engine/base/Scheduler.h"
#include "toolkit/core/NSNotificationData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace {

using NSUI::NSNotificationCenter;
using NSUI::NSNotificationData;

constexpr int kKey = 2001;
constexpr int kOtherKey = 2002;
constexpr float kFrame = 1.0f / 60.0f;

// A sender of posts, and a possible owner of observers.
class Sender : public cocos2d::Ref {
public:
    Sender() = default;
};

struct Received {
    cocos2d::Ref* sender;
    unsigned key;
    int value;
    std::thread::id thread;
};

class NSNotificationCenterTest : public ::testing::Test {
protected:
    void SetUp() override {
        center = NSNotificationCenter::getInstance();
        // Past the start-up delay of the delivery pass: from here on one pass per frame.
        frame(0.0f);
        frame(0.5f);
    }

    void TearDown() override {
        NSNotificationCenter::destroyInstance();
        frame(0.0f);
        for (NSNotificationData* data : dataObjects) {
            data->release();
        }
    }

    static void frame(float dt = kFrame) { cocos2d::Director::getInstance()->mainLoop(dt); }

    // Registers an observer that writes down every delivery it gets.
    void observe(void* owner, void* group, int key) {
        center->addObserver(
            owner, group,
            [this](cocos2d::Ref* sender, unsigned deliveredKey, NSNotificationData* data) {
                received.push_back(
                    {sender, deliveredKey, data ? data->intValue : -1, std::this_thread::get_id()});
            },
            key);
    }

    std::vector<int> values() const {
        std::vector<int> result;
        for (const Received& item : received) {
            result.push_back(item.value);
        }
        return result;
    }

    NSNotificationData* data(int value) {
        auto* made = new NSNotificationData();
        made->intValue = value;
        dataObjects.push_back(made);
        return made;
    }

    NSNotificationCenter* center = nullptr;
    std::vector<Received> received;
    std::vector<NSNotificationData*> dataObjects;
    int owner = 0;
    Sender sender;
};

TEST_F(NSNotificationCenterTest, OrdinaryPostsLeaveOnePerPassNextPassPostsAllAtOnce) {
    struct Post {
        int value;
        bool nextPass;
    };
    struct Case {
        const char* name;
        std::vector<Post> posts;
        std::vector<std::vector<int>> afterEachPass;
    };
    const std::vector<Case> cases = {
        {"ordinary", {{1, false}, {2, false}, {3, false}}, {{1}, {1, 2}, {1, 2, 3}, {1, 2, 3}}},
        {"next pass", {{1, true}, {2, true}, {3, true}}, {{1, 2, 3}, {1, 2, 3}}},
        {"mixed",
         {{1, false}, {2, true}, {3, false}, {4, true}},
         {{1, 2, 4}, {1, 2, 4, 3}, {1, 2, 4, 3}}},
    };
    observe(&owner, nullptr, kKey);
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        received.clear();
        for (const Post& post : test.posts) {
            center->postInt(&sender, kKey, post.value, nullptr, post.nextPass);
        }
        EXPECT_TRUE(received.empty());
        for (const std::vector<int>& expected : test.afterEachPass) {
            frame();
            EXPECT_EQ(values(), expected);
        }
    }
}

TEST_F(NSNotificationCenterTest, NothingIsDeliveredDuringTheFirstHalfSecond) {
    NSNotificationCenter::destroyInstance();
    frame(0.0f);
    center = NSNotificationCenter::getInstance();
    observe(&owner, nullptr, kKey);
    center->postInt(&sender, kKey, 7, nullptr, true);
    frame(0.0f);
    frame(0.25f);
    EXPECT_TRUE(received.empty());
    frame(0.25f);
    EXPECT_EQ(values(), std::vector<int>{7});
}

TEST_F(NSNotificationCenterTest, ACenterThatOutlivesItsDirectorDeliversOnTheNextOne) {
    cocos2d::Director::getInstance()->purgeDirector();
    frame(0.0f);
    center = NSNotificationCenter::getInstance();
    observe(&owner, nullptr, kKey);
    center->postInt(&sender, kKey, 7, nullptr, true);
    frame(0.0f);
    frame(0.5f);
    frame();
    EXPECT_EQ(values(), std::vector<int>{7});
}

TEST_F(NSNotificationCenterTest, PostsReachObserversOfTheirKeyAndExactGroupOnly) {
    int groupA = 0;
    int groupB = 0;
    struct Case {
        const char* name;
        void* observerGroup;
        int observerKey;
        void* postGroup;
        bool observerIsSender;
        bool delivered;
    };
    const std::vector<Case> cases = {
        {"null group to null group", nullptr, kKey, nullptr, false, true},
        {"same group", &groupA, kKey, &groupA, false, true},
        {"null group post to grouped observer", &groupA, kKey, nullptr, false, false},
        {"grouped post to null-group observer", nullptr, kKey, &groupA, false, false},
        {"other group", &groupA, kKey, &groupB, false, false},
        {"other key", nullptr, kOtherKey, nullptr, false, false},
        {"owner is the sender", nullptr, kKey, nullptr, true, false},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        received.clear();
        void* observerOwner = test.observerIsSender ? static_cast<void*>(&sender) : &owner;
        observe(observerOwner, test.observerGroup, test.observerKey);
        center->postInt(&sender, kKey, 1, test.postGroup, true);
        frame();
        EXPECT_EQ(received.size(), test.delivered ? 1u : 0u);
        center->removeObserver(observerOwner);
    }
}

TEST_F(NSNotificationCenterTest, DeliveryCarriesSenderObserverKeyAndRunsOnTheMainThread) {
    observe(&owner, nullptr, kKey);
    center->postNotification(&sender, kKey, nullptr, nullptr, true);
    frame();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].sender, &sender);
    EXPECT_EQ(received[0].key, static_cast<unsigned>(kKey));
    EXPECT_EQ(received[0].value, -1);
    EXPECT_EQ(received[0].thread, std::this_thread::get_id());
}

TEST_F(NSNotificationCenterTest, SecondRegistrationOfTheSameObserverIsIgnored) {
    std::vector<std::string> calls;
    center->addObserver(
        &owner, nullptr,
        [&](cocos2d::Ref*, unsigned, NSNotificationData*) { calls.push_back("first"); }, kKey);
    center->addObserver(
        &owner, nullptr,
        [&](cocos2d::Ref*, unsigned, NSNotificationData*) { calls.push_back("second"); }, kKey);
    center->postInt(&sender, kKey, 1, nullptr, true);
    frame();
    EXPECT_EQ(calls, std::vector<std::string>{"first"});
}

TEST_F(NSNotificationCenterTest, TypedPostsFillTheirOwnField) {
    struct Fields {
        cocos2d::Ref* sender;
        unsigned key;
        std::string stringValue;
        int intValue;
        float floatValue;
        int indexValue;
        int intValue2;
    };
    std::vector<Fields> seen;
    const auto record = [&](cocos2d::Ref* from, unsigned key, NSNotificationData* data) {
        seen.push_back({from, key, data->stringValue, data->intValue, data->floatValue,
                        data->indexValue, data->intValue2});
    };
    int group = 0;
    center->addObserver(&owner, nullptr, record, kKey);
    center->addObserver(&owner, &group, record, NSUI::NOTIFY_SLICE_READY);
    center->postString(&sender, kKey, "text", nullptr, false);
    center->postFloat(&sender, kKey, 0.5f, nullptr, false);
    center->broadcastInt(kKey, 42);
    center->postLoadedIndex(&sender, 17, &group);
    for (int i = 0; i < 3; ++i) {
        frame();
    }
    ASSERT_EQ(seen.size(), 4u);
    // The next-pass posts come with the first ordinary one, in posting order.
    EXPECT_EQ(seen[0].stringValue, "text");
    EXPECT_EQ(seen[1].intValue2, 42);
    EXPECT_EQ(seen[1].sender, nullptr);
    EXPECT_EQ(seen[2].indexValue, 17);
    EXPECT_EQ(seen[2].key, unsigned(NSUI::NOTIFY_SLICE_READY));
    EXPECT_EQ(seen[2].sender, &sender);
    EXPECT_EQ(seen[3].floatValue, 0.5f);
    for (const Fields& fields : seen) {
        EXPECT_EQ(fields.intValue, 0);
    }
}

TEST_F(NSNotificationCenterTest, CancelledDeliveriesAreSkippedAndFreeTheirData) {
    int group = 0;
    int otherOwner = 0;
    observe(&owner, nullptr, kKey);
    observe(&otherOwner, &group, kKey);
    NSNotificationData* cancelled = data(1);
    NSNotificationData* kept = data(2);
    NSNotificationData* ownerCancelled = data(3);
    center->postNotification(&sender, kKey, cancelled, nullptr, false);
    center->postNotification(&sender, kKey, kept, &group, false);
    center->postNotification(&sender, kKey, ownerCancelled, &group, false);
    EXPECT_EQ(cancelled->getReferenceCount(), 2u);

    center->cancelPending(&sender, kKey, nullptr);
    center->cancelPending(&sender, kOtherKey, &group);
    frame();
    // The cancelled delivery is dropped; the next one goes out in its place.
    EXPECT_EQ(values(), std::vector<int>{2});
    EXPECT_EQ(cancelled->getReferenceCount(), 1u);

    center->cancelPendingForOwner(&otherOwner);
    frame();
    EXPECT_EQ(values(), std::vector<int>{2});
    EXPECT_EQ(ownerCancelled->getReferenceCount(), 1u);
    EXPECT_EQ(kept->getReferenceCount(), 1u);
}

TEST_F(NSNotificationCenterTest, CancelPostedInFrameSparesEarlierFrames) {
    observe(&owner, nullptr, kKey);
    observe(&owner, nullptr, kOtherKey);
    center->postInt(&sender, kKey, 1, nullptr, false);
    center->postInt(&sender, kOtherKey, 2, nullptr, false);
    frame();
    center->postInt(&sender, kOtherKey, 3, nullptr, false);
    center->cancelPostedInFrame(&sender, kOtherKey, nullptr);
    for (int i = 0; i < 3; ++i) {
        frame();
    }
    EXPECT_EQ(values(), (std::vector<int>{1, 2}));
}

TEST_F(NSNotificationCenterTest, RemovingAnObserverCancelsItsQueuedDeliveriesAtOnce) {
    int group = 0;
    int otherOwner = 0;
    observe(&owner, &group, kKey);
    observe(&otherOwner, nullptr, kKey);
    NSNotificationData* byGroup = data(1);
    NSNotificationData* kept = data(2);
    center->postNotification(&sender, kKey, byGroup, &group, false);
    center->postNotification(&sender, kKey, kept, nullptr, false);
    // Removal by group reaches the observer that the owner registered.
    center->removeObserverForKey(kOtherKey, &group);
    EXPECT_EQ(byGroup->getReferenceCount(), 2u);
    center->removeObserverForKey(kKey, &group);
    EXPECT_EQ(byGroup->getReferenceCount(), 1u);
    frame();
    frame();
    EXPECT_EQ(values(), std::vector<int>{2});
}

TEST_F(NSNotificationCenterTest, CallbacksMayRemoveObserversOfTheSamePass) {
    int first = 0;
    int second = 0;
    std::vector<std::string> calls;
    const std::string label = "first called";
    center->addObserver(
        &first, nullptr,
        [&, label](cocos2d::Ref*, unsigned, NSNotificationData*) {
            center->removeObserver(&first);
            center->removeObserver(&second);
            // The running function survives the removal of its own observer.
            calls.push_back(label);
        },
        kKey);
    center->addObserver(
        &second, nullptr,
        [&](cocos2d::Ref*, unsigned, NSNotificationData*) { calls.push_back("second called"); },
        kKey);
    center->postInt(&sender, kKey, 1, nullptr, true);
    center->postInt(&sender, kKey, 2, nullptr, true);
    frame();
    frame();
    EXPECT_EQ(calls, std::vector<std::string>{"first called"});
}

TEST_F(NSNotificationCenterTest, CallbacksMayPostAgain) {
    center->addObserver(
        &owner, nullptr,
        [&](cocos2d::Ref*, unsigned, NSNotificationData* data) {
            received.push_back({nullptr, kKey, data->intValue, std::this_thread::get_id()});
            if (data->intValue < 3) {
                center->postInt(nullptr, kKey, data->intValue + 1, nullptr, true);
            }
        },
        kKey);
    center->postInt(nullptr, kKey, 1, nullptr, true);
    frame();
    EXPECT_EQ(values(), std::vector<int>{1});
    frame();
    frame();
    EXPECT_EQ(values(), (std::vector<int>{1, 2, 3}));
}

TEST_F(NSNotificationCenterTest, PostsFromWorkerThreadsArriveOnTheMainThreadInPostingOrder) {
    constexpr int kWorkers = 4;
    constexpr int kEach = 25;
    observe(&owner, nullptr, kKey);
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([w] {
            NSNotificationCenter* shared = NSNotificationCenter::getInstance();
            for (int i = 0; i < kEach; ++i) {
                // Half of them ordinary, half for the next pass.
                shared->postInt(nullptr, kKey, w * 1000 + i, nullptr, i % 2 == 0);
                shared->cancelPending(nullptr, kOtherKey, nullptr);
            }
        });
    }
    while (received.size() < static_cast<std::size_t>(kWorkers * kEach)) {
        frame();
        std::this_thread::yield();
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    for (const Received& item : received) {
        EXPECT_EQ(item.thread, std::this_thread::get_id());
    }
    // Each worker's ordinary posts keep their order, and so do its next-pass ones.
    for (int w = 0; w < kWorkers; ++w) {
        std::vector<int> ordinary;
        std::vector<int> nextPass;
        for (const Received& item : received) {
            if (item.value / 1000 == w) {
                (item.value % 2 == 0 ? nextPass : ordinary).push_back(item.value % 1000);
            }
        }
        EXPECT_TRUE(std::is_sorted(ordinary.begin(), ordinary.end()));
        EXPECT_TRUE(std::is_sorted(nextPass.begin(), nextPass.end()));
        EXPECT_EQ(ordinary.size() + nextPass.size(), static_cast<std::size_t>(kEach));
    }
}

TEST_F(NSNotificationCenterTest, DestroyingTheCenterReleasesQueuedData) {
    observe(&owner, nullptr, kKey);
    NSNotificationData* queued = data(1);
    center->postNotification(&sender, kKey, queued, nullptr, false);
    center->postNotification(&sender, kKey, queued, nullptr, true);
    EXPECT_EQ(queued->getReferenceCount(), 3u);
    NSNotificationCenter::destroyInstance();
    frame(0.0f);
    EXPECT_EQ(queued->getReferenceCount(), 1u);
    EXPECT_TRUE(received.empty());
}

}  // namespace
