#include "imagesdk/data/BandPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

using isImageSDK::BandPool;

// Every band runs exactly once per job, job after job, on as many threads as the pool has.
TEST(BandPool, EveryBandRunsOnceOnThePoolsThreads) {
    for (int threads : {1, 3, 8}) {
        BandPool pool(threads);
        EXPECT_EQ(pool.threadCount(), threads);
        std::vector<std::atomic<int>> calls(257);
        std::mutex seenLock;
        std::set<std::thread::id> seen;
        for (int job = 0; job < 40; ++job) {
            pool.run(int(calls.size()), [&](int band) {
                calls[std::size_t(band)].fetch_add(1);
                std::lock_guard<std::mutex> lock(seenLock);
                seen.insert(std::this_thread::get_id());
            });
        }
        for (const auto& count : calls) {
            ASSERT_EQ(count.load(), 40);
        }
        EXPECT_LE(int(seen.size()), threads);
    }
}

TEST(BandPool, NoBandsAndTooFewThreadsAreHarmless) {
    BandPool none(0);
    EXPECT_EQ(none.threadCount(), 1);
    int calls = 0;
    none.run(3, [&](int) { ++calls; });
    EXPECT_EQ(calls, 3);
    BandPool pool(4);
    pool.run(0, [&](int) { ++calls; });
    pool.run(-2, [&](int) { ++calls; });
    EXPECT_EQ(calls, 3);
}
