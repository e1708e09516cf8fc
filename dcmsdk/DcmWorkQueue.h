#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace dcmSDK {

// Runs jobs on up to a fixed number of threads, started when work arrives. Stopping drops the
// jobs not yet begun, waits for the running ones and joins every thread; posting afterwards starts
// afresh.
class DcmWorkQueue {
public:
    explicit DcmWorkQueue(int maxThreads);
    ~DcmWorkQueue();
    DcmWorkQueue(const DcmWorkQueue&) = delete;
    DcmWorkQueue& operator=(const DcmWorkQueue&) = delete;

    void post(std::function<void()> job);
    void stop();
    // Jobs queued or running.
    int pending() const;

private:
    void run();

    const int maxThreads_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    int idle_ = 0;
    int running_ = 0;
    bool stopping_ = false;
};

}  // namespace dcmSDK
