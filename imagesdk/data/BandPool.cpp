#include "imagesdk/data/BandPool.h"

#include <algorithm>

namespace isImageSDK {

BandPool::BandPool(int threads) : threads_(std::max(1, threads)) {}

BandPool::~BandPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
}

void BandPool::run(int count, const std::function<void(int)>& band) {
    if (count < 1) {
        return;
    }
    if (threads_ == 1 || count == 1) {
        for (int i = 0; i < count; ++i) {
            band(i);
        }
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        while (static_cast<int>(workers_.size()) < threads_ - 1) {
            workers_.emplace_back(&BandPool::work, this);
        }
        job_ = &band;
        count_ = count;
        next_.store(0, std::memory_order_relaxed);
        busy_ = static_cast<int>(workers_.size());
        ++generation_;
    }
    wake_.notify_all();
    takeBands();
    // Every worker checks in, so none is left holding the job when it goes out of scope.
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return busy_ == 0; });
    job_ = nullptr;
}

void BandPool::takeBands() {
    const std::function<void(int)>& band = *job_;
    for (int i = next_.fetch_add(1); i < count_; i = next_.fetch_add(1)) {
        band(i);
    }
}

void BandPool::work() {
    std::uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
        wake_.wait(lock, [this, seen] { return stopping_ || generation_ != seen; });
        if (stopping_) {
            return;
        }
        seen = generation_;
        lock.unlock();
        takeBands();
        lock.lock();
        if (--busy_ == 0) {
            done_.notify_one();
        }
    }
}

}  // namespace isImageSDK
