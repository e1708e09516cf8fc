#include <gtest/gtest.h>

#include <atomic>
#include <utility>
#include <vector>

#include "engine/base/Macros.h"
#include "engine/base/Ref.h"
#include "engine/base/Vector.h"

namespace {

using cocos2d::Ref;
using cocos2d::Vector;

class Item : public Ref {
public:
    explicit Item(std::atomic<int>* destroyed = nullptr) : _destroyed(destroyed) {}
    ~Item() override {
        if (_destroyed != nullptr) {
            _destroyed->fetch_add(1);
        }
    }

private:
    std::atomic<int>* _destroyed;
};

// Three items owned by the fixture (one reference each), so reference counts show exactly
// what the vector holds.
class VectorTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (auto*& item : items) {
            item = new Item();
        }
    }
    void TearDown() override {
        for (auto* item : items) {
            EXPECT_EQ(item->getReferenceCount(), 1u);
            item->release();
        }
    }

    Item* items[3] = {};
    Item*& a = items[0];
    Item*& b = items[1];
    Item*& c = items[2];
};

TEST_F(VectorTest, InsertingRetainsAndErasingReleases) {
    Vector<Item*> v;
    v.pushBack(a);
    v.pushBack(b);
    v.insert(0, c);
    EXPECT_EQ(v.size(), 3);
    EXPECT_EQ(a->getReferenceCount(), 2u);
    EXPECT_EQ(v.at(0), c);
    EXPECT_EQ(v.front(), c);
    EXPECT_EQ(v.back(), b);

    v.erase(1);
    EXPECT_EQ(a->getReferenceCount(), 1u);
    EXPECT_EQ(v.getIndex(a), CC_INVALID_INDEX);
    EXPECT_FALSE(v.contains(a));

    auto next = v.erase(v.begin());
    EXPECT_EQ(*next, b);
    EXPECT_EQ(c->getReferenceCount(), 1u);

    v.popBack();
    EXPECT_TRUE(v.empty());
    EXPECT_EQ(b->getReferenceCount(), 1u);
}

TEST_F(VectorTest, SameObjectTwiceHoldsTwoReferences) {
    Vector<Item*> v;
    v.pushBack(a);
    v.pushBack(b);
    v.pushBack(a);
    EXPECT_EQ(a->getReferenceCount(), 3u);
    EXPECT_EQ(v.getIndex(a), 0);

    v.eraseObject(a);
    EXPECT_EQ(a->getReferenceCount(), 2u);
    EXPECT_EQ(v.getIndex(a), 1);

    v.pushBack(a);
    v.eraseObject(a, true);
    EXPECT_EQ(a->getReferenceCount(), 1u);
    EXPECT_EQ(v.size(), 1);
    v.eraseObject(c);
    EXPECT_EQ(v.size(), 1);
}

TEST_F(VectorTest, CopiesRetainAgainAndMovesDoNot) {
    Vector<Item*> v{a, b};
    {
        Vector<Item*> copy(v);
        EXPECT_EQ(a->getReferenceCount(), 3u);
        EXPECT_TRUE(copy.equals(v));
        Vector<Item*> assigned;
        assigned.pushBack(c);
        assigned = v;
        EXPECT_EQ(c->getReferenceCount(), 1u);
        EXPECT_EQ(b->getReferenceCount(), 4u);
        assigned = assigned;
        EXPECT_EQ(b->getReferenceCount(), 4u);
    }
    EXPECT_EQ(a->getReferenceCount(), 2u);

    Vector<Item*> moved(std::move(v));
    EXPECT_EQ(a->getReferenceCount(), 2u);
    EXPECT_EQ(moved.size(), 2);
    Vector<Item*> target{c};
    target = std::move(moved);
    EXPECT_EQ(c->getReferenceCount(), 1u);
    EXPECT_EQ(a->getReferenceCount(), 2u);
    EXPECT_EQ(target.size(), 2);
}

TEST_F(VectorTest, AppendingAVectorToItselfDoublesIt) {
    Vector<Item*> v{a, b};
    v.pushBack(v);
    EXPECT_EQ(v.size(), 4);
    EXPECT_EQ(v.at(2), a);
    EXPECT_EQ(a->getReferenceCount(), 3u);
    v.clear();
    EXPECT_EQ(a->getReferenceCount(), 1u);
}

TEST_F(VectorTest, ReplaceAndSwap) {
    Vector<Item*> v{a, b};
    v.replace(0, c);
    EXPECT_EQ(a->getReferenceCount(), 1u);
    EXPECT_EQ(c->getReferenceCount(), 2u);
    v.replace(0, c);
    EXPECT_EQ(c->getReferenceCount(), 2u);

    v.swap(c, b);
    EXPECT_EQ(v.at(0), b);
    EXPECT_EQ(v.at(1), c);
    v.swap(0, 1);
    EXPECT_EQ(v.at(0), c);
    v.swap(a, b);
    v.swap(0, 5);
    EXPECT_EQ(v.at(0), c);
    v.reverse();
    EXPECT_EQ(v.at(0), b);
}

TEST_F(VectorTest, OutOfRangeAndNullAreRefused) {
    Vector<Item*> v;
    EXPECT_EQ(v.at(0), nullptr);
    EXPECT_EQ(v.front(), nullptr);
    EXPECT_EQ(v.back(), nullptr);
    v.popBack();
    v.erase(0);
    v.pushBack(nullptr);
    v.insert(0, nullptr);
    EXPECT_TRUE(v.empty());

    v.pushBack(a);
    v.insert(2, b);
    v.insert(-1, b);
    v.replace(1, b);
    v.replace(0, nullptr);
    EXPECT_EQ(v.size(), 1);
    EXPECT_EQ(v.at(-1), nullptr);
    EXPECT_EQ(v.at(1), nullptr);
    EXPECT_EQ(b->getReferenceCount(), 1u);
    EXPECT_EQ(v.erase(7), v.end());

    v.insert(1, b);
    EXPECT_EQ(v.at(1), b);
}

TEST_F(VectorTest, EraseRangeReleasesEachElement) {
    Vector<Item*> v{a, b, c, a};
    auto next = v.erase(v.begin() + 1, v.begin() + 3);
    EXPECT_EQ(*next, a);
    EXPECT_EQ(b->getReferenceCount(), 1u);
    EXPECT_EQ(c->getReferenceCount(), 1u);
    EXPECT_EQ(a->getReferenceCount(), 3u);
}

TEST(VectorLifetimeTest, DestroyingTheVectorFreesElementsItAloneHeld) {
    std::atomic<int> destroyed{0};
    {
        Vector<Item*> v(4);
        EXPECT_GE(v.capacity(), 4);
        for (int i = 0; i < 4; ++i) {
            auto* item = new Item(&destroyed);
            v.pushBack(item);
            item->release();
        }
        int count = 0;
        for (Item* item : v) {
            count += item->getReferenceCount();
        }
        EXPECT_EQ(count, 4);
        v.eraseObject(v.at(0));
        EXPECT_EQ(destroyed.load(), 1);
    }
    EXPECT_EQ(destroyed.load(), 4);
}

}  // namespace
