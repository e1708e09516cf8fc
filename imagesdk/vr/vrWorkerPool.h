#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace isImageSDK {

// Helper threads that stay alive between frames. run hands one job to the calling thread and to
// as many helpers as asked, and returns when every one of them has finished it. The pool starts
// helpers on demand and joins them all when it is destroyed.
class vrWorkerPool {
public:
    vrWorkerPool() = default;
    ~vrWorkerPool();

    // Runs job(index) for index 0 .. count - 1 at once; index 0 runs on the caller.
    void run(int count, const std::function<void(int)>& job);

private:
    vrWorkerPool(const vrWorkerPool&) = delete;
    vrWorkerPool& operator=(const vrWorkerPool&) = delete;

    void loop(int index);

    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable finished;
    std::vector<std::thread> helpers;
    const std::function<void(int)>* job = nullptr;
    int active = 0;
    int pending = 0;
    std::uint64_t generation = 0;
    bool stopping = false;
};

}  // namespace isImageSDK
