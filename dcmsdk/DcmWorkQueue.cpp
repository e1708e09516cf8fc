#include "dcmsdk/DcmWorkQueue.h"

namespace dcmSDK {

DcmWorkQueue::DcmWorkQueue(int maxThreads) : maxThreads_(maxThreads > 0 ? maxThreads : 1) {}

DcmWorkQueue::~DcmWorkQueue() {
    stop();
}

void DcmWorkQueue::post(std::function<void()> job) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) {
        return;
    }
    jobs_.push_back(std::move(job));
    if (idle_ == 0 && static_cast<int>(threads_.size()) < maxThreads_) {
        threads_.emplace_back(&DcmWorkQueue::run, this);
    } else {
        wake_.notify_one();
    }
}

void DcmWorkQueue::stop() {
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) {
            return;
        }
        stopping_ = true;
        jobs_.clear();
        threads.swap(threads_);
    }
    wake_.notify_all();
    for (std::thread& thread : threads) {
        thread.join();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    idle_ = 0;
    stopping_ = false;
}

int DcmWorkQueue::pending() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(jobs_.size()) + running_;
}

void DcmWorkQueue::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
        ++idle_;
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        --idle_;
        if (stopping_) {
            return;
        }
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        ++running_;
        lock.unlock();
        job();
        lock.lock();
        --running_;
    }
}

}  // namespace dcmSDK
