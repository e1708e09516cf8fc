#include <gtest/gtest.h>

#include <atomic>
#include <utility>
#include <vector>

#include "engine/base/AutoreleasePool.h"
#include "engine/base/RefPtr.h"

namespace {

using cocos2d::PoolManager;
using cocos2d::Ref;
using cocos2d::RefPtr;

class Tracked : public Ref {
public:
    explicit Tracked(std::atomic<int>* destroyed) : _destroyed(destroyed) {}
    ~Tracked() override { _destroyed->fetch_add(1); }

private:
    std::atomic<int>* _destroyed;
};

class Derived : public Tracked {
public:
    using Tracked::Tracked;
};

TEST(RefPtrTest, AdoptsOnConstructionAndReleasesOnceWhenGone) {
    std::atomic<int> destroyed{0};
    {
        RefPtr<Tracked> held(new Tracked(&destroyed));
        EXPECT_EQ(held->getReferenceCount(), 1u);
    }
    EXPECT_EQ(destroyed.load(), 1);
}

TEST(RefPtrTest, RetainedTakesAReferenceOfItsOwn) {
    std::atomic<int> destroyed{0};
    auto* object = new Tracked(&destroyed);
    {
        auto held = RefPtr<Tracked>::retained(object);
        EXPECT_EQ(object->getReferenceCount(), 2u);
    }
    EXPECT_EQ(object->getReferenceCount(), 1u);
    EXPECT_EQ(destroyed.load(), 0);
    object->release();
    EXPECT_EQ(destroyed.load(), 1);
}

TEST(RefPtrTest, KeepsAnAutoreleasedObjectAliveAcrossTheDrain) {
    std::atomic<int> destroyed{0};
    auto* object = new Tracked(&destroyed);
    object->autorelease();
    auto held = RefPtr<Tracked>::retained(object);
    PoolManager::getInstance()->getCurrentPool()->clear();
    EXPECT_EQ(destroyed.load(), 0);
    EXPECT_EQ(held->getReferenceCount(), 1u);
    held.reset();
    EXPECT_EQ(destroyed.load(), 1);
}

TEST(RefPtrTest, CopiesShareAndMovesHandOn) {
    std::atomic<int> destroyed{0};
    RefPtr<Tracked> first(new Tracked(&destroyed));
    RefPtr<Tracked> copy = first;
    EXPECT_EQ(copy, first);
    EXPECT_EQ(first->getReferenceCount(), 2u);

    RefPtr<Tracked> moved = std::move(copy);
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(moved->getReferenceCount(), 2u);

    first = moved;  // same object: the count must not drop to zero on the way
    EXPECT_EQ(first->getReferenceCount(), 2u);
    const RefPtr<Tracked>& alias = first;
    first = alias;
    EXPECT_EQ(first->getReferenceCount(), 2u);

    moved = nullptr;
    EXPECT_EQ(first->getReferenceCount(), 1u);
    EXPECT_EQ(destroyed.load(), 0);
    first = RefPtr<Tracked>(new Tracked(&destroyed));
    EXPECT_EQ(destroyed.load(), 1);
    first.reset();
    EXPECT_EQ(destroyed.load(), 2);
    EXPECT_FALSE(first);
}

TEST(RefPtrTest, DetachHandsTheReferenceToTheCaller) {
    std::atomic<int> destroyed{0};
    RefPtr<Tracked> held(new Tracked(&destroyed));
    Tracked* raw = held.detach();
    EXPECT_EQ(held.get(), nullptr);
    EXPECT_EQ(raw->getReferenceCount(), 1u);
    EXPECT_EQ(destroyed.load(), 0);
    raw->release();
    EXPECT_EQ(destroyed.load(), 1);
}

TEST(RefPtrTest, ConvertsToABaseHolder) {
    std::atomic<int> destroyed{0};
    RefPtr<Derived> derived(new Derived(&destroyed));
    RefPtr<Ref> base = derived;
    EXPECT_EQ(derived->getReferenceCount(), 2u);
    RefPtr<Ref> taken = std::move(derived);
    EXPECT_EQ(derived, nullptr);
    EXPECT_EQ(taken->getReferenceCount(), 2u);
    base.reset();
    taken.reset();
    EXPECT_EQ(destroyed.load(), 1);
}

TEST(RefPtrTest, AContainerOfHoldersReleasesEachOnce) {
    std::atomic<int> destroyed{0};
    {
        std::vector<RefPtr<Tracked>> objects;
        for (int i = 0; i < 20; ++i) {
            objects.emplace_back(new Tracked(&destroyed));
            objects.push_back(objects.back());
        }
        objects.erase(objects.begin(), objects.begin() + 10);
        EXPECT_EQ(destroyed.load(), 5);
    }
    EXPECT_EQ(destroyed.load(), 20);
}

}  // namespace
