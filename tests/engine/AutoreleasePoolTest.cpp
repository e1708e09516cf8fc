#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/base/AutoreleasePool.h"
#include "engine/base/Ref.h"

namespace {

using cocos2d::AutoreleasePool;
using cocos2d::PoolManager;
using cocos2d::Ref;

class Tracked : public Ref {
public:
    explicit Tracked(std::atomic<int>* destroyed) : _destroyed(destroyed) {}
    ~Tracked() override { _destroyed->fetch_add(1); }

private:
    std::atomic<int>* _destroyed;
};

// Autoreleases a new object from its destructor, as objects that build replacements do.
class Spawning : public Ref {
public:
    explicit Spawning(std::atomic<int>* destroyed) : _destroyed(destroyed) {}
    ~Spawning() override { (new Tracked(_destroyed))->autorelease(); }

private:
    std::atomic<int>* _destroyed;
};

class AutoreleasePoolTest : public ::testing::Test {
protected:
    void SetUp() override { PoolManager::getInstance()->getCurrentPool()->clear(); }
    void TearDown() override { PoolManager::getInstance()->getCurrentPool()->clear(); }

    std::atomic<int> destroyed{0};
};

TEST_F(AutoreleasePoolTest, ClearReleasesOneReferencePerAutorelease) {
    auto* kept = new Tracked(&destroyed);
    kept->retain();
    kept->autorelease();
    auto* twice = new Tracked(&destroyed);
    twice->retain();
    twice->autorelease();
    twice->autorelease();
    auto* dropped = new Tracked(&destroyed);
    EXPECT_EQ(dropped->autorelease(), dropped);

    AutoreleasePool* pool = PoolManager::getInstance()->getCurrentPool();
    EXPECT_TRUE(pool->contains(kept));
    EXPECT_TRUE(PoolManager::getInstance()->isObjectInPools(dropped));
    pool->clear();

    EXPECT_EQ(destroyed.load(), 2);
    EXPECT_EQ(kept->getReferenceCount(), 1u);
    EXPECT_FALSE(pool->contains(kept));
    kept->release();
    EXPECT_EQ(destroyed.load(), 3);
}

TEST_F(AutoreleasePoolTest, ScopedPoolIsCurrentUntilDestroyed) {
    AutoreleasePool* outer = PoolManager::getInstance()->getCurrentPool();
    auto* inOuter = new Tracked(&destroyed);
    inOuter->autorelease();
    {
        AutoreleasePool scoped("scoped");
        EXPECT_EQ(PoolManager::getInstance()->getCurrentPool(), &scoped);
        EXPECT_EQ(scoped.getName(), "scoped");
        (new Tracked(&destroyed))->autorelease();
        EXPECT_TRUE(outer->contains(inOuter));
    }
    EXPECT_EQ(destroyed.load(), 1);
    EXPECT_EQ(PoolManager::getInstance()->getCurrentPool(), outer);
    outer->clear();
    EXPECT_EQ(destroyed.load(), 2);
}

TEST_F(AutoreleasePoolTest, ObjectsAutoreleasedWhileClearingWaitForTheNextClear) {
    AutoreleasePool* pool = PoolManager::getInstance()->getCurrentPool();
    (new Spawning(&destroyed))->autorelease();
    pool->clear();
    EXPECT_EQ(destroyed.load(), 0);
    pool->clear();
    EXPECT_EQ(destroyed.load(), 1);
}

TEST_F(AutoreleasePoolTest, ScopedPoolHandsObjectsMadeWhileClearingToThePoolBelow) {
    AutoreleasePool* outer = PoolManager::getInstance()->getCurrentPool();
    {
        AutoreleasePool scoped;
        (new Spawning(&destroyed))->autorelease();
    }
    EXPECT_EQ(destroyed.load(), 0);
    outer->clear();
    EXPECT_EQ(destroyed.load(), 1);
}

TEST_F(AutoreleasePoolTest, RegisteredThreadKeepsItsObjectsUntilRemoved) {
    std::mutex mutex;
    std::condition_variable changed;
    int stage = 0;
    Tracked* made = nullptr;
    AutoreleasePool* workerPool = nullptr;

    std::thread worker([&] {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return stage == 1; });
        made = new Tracked(&destroyed);
        made->autorelease();
        workerPool = PoolManager::getInstance()->getCurrentPool();
        stage = 2;
        changed.notify_all();
        changed.wait(lock, [&] { return stage == 3; });
        PoolManager::getInstance()->removeThread(std::this_thread::get_id());
        stage = 4;
        changed.notify_all();
        changed.wait(lock, [&] { return stage == 5; });
    });
    PoolManager::getInstance()->addThread(worker.get_id());

    std::unique_lock<std::mutex> lock(mutex);
    stage = 1;
    changed.notify_all();
    changed.wait(lock, [&] { return stage == 2; });
    AutoreleasePool* mainPool = PoolManager::getInstance()->getCurrentPool();
    EXPECT_NE(workerPool, mainPool);
    EXPECT_FALSE(mainPool->contains(made));
    mainPool->clear();
    EXPECT_EQ(destroyed.load(), 0) << "a main-loop clear must not free a worker's object";

    stage = 3;
    changed.notify_all();
    changed.wait(lock, [&] { return stage == 4; });
    EXPECT_EQ(destroyed.load(), 1);
    stage = 5;
    changed.notify_all();
    lock.unlock();
    worker.join();
}

TEST_F(AutoreleasePoolTest, RemovingAThreadFromOutsideDrainsItsPool) {
    std::thread worker([&] {
        PoolManager::getInstance()->addThread(std::this_thread::get_id());
        (new Tracked(&destroyed))->autorelease();
        (new Tracked(&destroyed))->autorelease();
        PoolManager::getInstance()->removeThread(std::this_thread::get_id());
        (new Tracked(&destroyed))->autorelease();
    });
    worker.join();
    EXPECT_EQ(destroyed.load(), 3) << "objects autoreleased after removal are drained at exit";
}

TEST_F(AutoreleasePoolTest, UnannouncedThreadIsDrainedWhenItEnds) {
    std::thread worker([&] {
        for (int i = 0; i < 10; ++i) {
            (new Tracked(&destroyed))->autorelease();
        }
        (new Spawning(&destroyed))->autorelease();
        EXPECT_EQ(destroyed.load(), 0);
    });
    worker.join();
    EXPECT_EQ(destroyed.load(), 11);
}

TEST_F(AutoreleasePoolTest, RemovingUnknownOrMainThreadChangesNothing) {
    auto* object = new Tracked(&destroyed);
    object->autorelease();
    PoolManager* manager = PoolManager::getInstance();
    manager->removeThread(std::thread::id());
    manager->removeThread(std::this_thread::get_id());
    manager->addThread(std::this_thread::get_id());
    std::thread other([] {});
    const std::thread::id gone = other.get_id();
    other.join();
    manager->removeThread(gone);
    EXPECT_TRUE(manager->getCurrentPool()->contains(object));
    EXPECT_EQ(destroyed.load(), 0);
}

TEST_F(AutoreleasePoolTest, DestroyingTheManagerDrainsEveryPool) {
    (new Tracked(&destroyed))->autorelease();
    std::thread worker([] { PoolManager::getInstance()->addThread(std::this_thread::get_id()); });
    worker.join();
    PoolManager::destroyInstance();
    EXPECT_EQ(destroyed.load(), 1);

    auto* object = new Tracked(&destroyed);
    object->autorelease();
    EXPECT_TRUE(PoolManager::getInstance()->isObjectInPools(object));
}

TEST_F(AutoreleasePoolTest, WorkersAutoreleaseWhileTheMainLoopClears) {
    constexpr int kWorkers = 4;
    constexpr int kPerWorker = 2000;
    constexpr int kMainFrames = 2000;
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&] {
            PoolManager::getInstance()->addThread(std::this_thread::get_id());
            for (int i = 0; i < kPerWorker; ++i) {
                auto* object = new Tracked(&destroyed);
                object->autorelease();
                // Touch the object after other threads had a chance to clear pools.
                object->retain();
                object->release();
            }
            PoolManager::getInstance()->removeThread(std::this_thread::get_id());
        });
    }
    for (int frame = 0; frame < kMainFrames; ++frame) {
        (new Tracked(&destroyed))->autorelease();
        PoolManager::getInstance()->getCurrentPool()->clear();
    }
    for (auto& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(destroyed.load(), kWorkers * kPerWorker + kMainFrames);
}

}  // namespace
