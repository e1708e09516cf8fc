#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace isImageSDK {

// Spreads the bands of one job over a fixed number of threads: the caller's own and the pool's
// workers, started with the first job and joined when the pool is destroyed. Bands are taken in
// order by whichever thread is free, so each band must be independent of the others. One job at
// a time, posted from one thread.
class BandPool {
public:
    // threads counts the caller's thread; values below 1 mean 1 (no workers).
    explicit BandPool(int threads);
    ~BandPool();
    BandPool(const BandPool&) = delete;
    BandPool& operator=(const BandPool&) = delete;

    int threadCount() const { return threads_; }
    // Calls band(i) once for every i in [0, count) and returns when all calls have returned.
    void run(int count, const std::function<void(int)>& band);

private:
    void work();
    void takeBands();

    const int threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::vector<std::thread> workers_;
    // Guarded by mutex_: the job of the current generation and the workers still on it.
    const std::function<void(int)>* job_ = nullptr;
    std::uint64_t generation_ = 0;
    int busy_ = 0;
    bool stopping_ = false;
    // Set before the generation is published, read by the threads taking bands.
    int count_ = 0;
    std::atomic<int> next_{0};
};

}  // namespace isImageSDK
