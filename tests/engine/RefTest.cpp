#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "engine/base/Ref.h"

namespace {

using cocos2d::Ref;

class Tracked : public Ref {
public:
    explicit Tracked(std::atomic<int>* destroyed) : _destroyed(destroyed) {}
    Tracked(const Tracked& other) = default;
    Tracked& operator=(const Tracked& other) = default;
    ~Tracked() override { _destroyed->fetch_add(1); }

private:
    std::atomic<int>* _destroyed;
};

TEST(RefTest, CountsReferencesAndDeletesOnLastRelease) {
    std::atomic<int> destroyed{0};
    auto* object = new Tracked(&destroyed);
    EXPECT_EQ(object->getReferenceCount(), 1u);
    object->retain();
    object->retain();
    EXPECT_EQ(object->getReferenceCount(), 3u);
    object->release();
    object->release();
    EXPECT_EQ(object->getReferenceCount(), 1u);
    EXPECT_EQ(destroyed.load(), 0);
    object->release();
    EXPECT_EQ(destroyed.load(), 1);
}

TEST(RefTest, IdsAreUniqueAndNeverReused) {
    std::atomic<int> destroyed{0};
    std::set<std::uint64_t> seen;
    for (int i = 0; i < 100; ++i) {
        auto* object = new Tracked(&destroyed);
        EXPECT_TRUE(seen.insert(object->getRefID()).second);
        object->release();
    }
    EXPECT_EQ(destroyed.load(), 100);
}

TEST(RefTest, CopyIsANewObjectWithItsOwnCountAndId) {
    std::atomic<int> destroyed{0};
    auto* original = new Tracked(&destroyed);
    original->retain();
    auto* copy = new Tracked(*original);
    EXPECT_EQ(copy->getReferenceCount(), 1u);
    EXPECT_NE(copy->getRefID(), original->getRefID());

    const std::uint64_t copyId = copy->getRefID();
    *copy = *original;
    EXPECT_EQ(copy->getReferenceCount(), 1u);
    EXPECT_EQ(copy->getRefID(), copyId);

    copy->release();
    original->release();
    original->release();
    EXPECT_EQ(destroyed.load(), 2);
}

TEST(RefTest, EqualIsIdentity) {
    std::atomic<int> destroyed{0};
    auto* a = new Tracked(&destroyed);
    auto* b = new Tracked(*a);
    EXPECT_TRUE(a->equal(a));
    EXPECT_FALSE(a->equal(b));
    EXPECT_FALSE(a->equal(nullptr));
    EXPECT_TRUE(Ref::equal(a, a));
    EXPECT_FALSE(Ref::equal(a, b));
    EXPECT_FALSE(Ref::equal(nullptr, a));
    EXPECT_TRUE(Ref::equal(nullptr, nullptr));
    a->release();
    b->release();
}

TEST(RefTest, ConcurrentRetainReleaseKeepsTheCount) {
    std::atomic<int> destroyed{0};
    auto* object = new Tracked(&destroyed);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([object] {
            for (int i = 0; i < 10000; ++i) {
                object->retain();
                object->release();
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(object->getReferenceCount(), 1u);
    EXPECT_EQ(destroyed.load(), 0);
    object->release();
    EXPECT_EQ(destroyed.load(), 1);
}

TEST(RefTest, LastReleaseOnAnyThreadDeletesExactlyOnce) {
    for (int round = 0; round < 50; ++round) {
        std::atomic<int> destroyed{0};
        auto* object = new Tracked(&destroyed);
        constexpr int kThreads = 4;
        for (int t = 0; t < kThreads; ++t) {
            object->retain();
        }
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([object] { object->release(); });
        }
        object->release();
        for (auto& thread : threads) {
            thread.join();
        }
        EXPECT_EQ(destroyed.load(), 1);
    }
}

TEST(RefTest, IdsFromManyThreadsAreDistinct) {
    constexpr int kThreads = 4;
    constexpr int kPerThread = 500;
    std::vector<std::vector<std::uint64_t>> ids(kThreads);
    std::atomic<int> destroyed{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                auto* object = new Tracked(&destroyed);
                ids[t].push_back(object->getRefID());
                object->release();
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    std::set<std::uint64_t> all;
    for (const auto& list : ids) {
        all.insert(list.begin(), list.end());
    }
    EXPECT_EQ(all.size(), static_cast<std::size_t>(kThreads * kPerThread));
    EXPECT_EQ(destroyed.load(), kThreads * kPerThread);
}

}  // namespace
