#pragma once

#include <condition_variable>
#include <mutex>

namespace bvtest {

// A one-way signal between threads: waiters block until it is opened, and stay free after.
class Latch {
public:
    void open() {
        std::lock_guard<std::mutex> guard(mutex);
        opened = true;
        condition.notify_all();
    }
    void wait() {
        std::unique_lock<std::mutex> guard(mutex);
        condition.wait(guard, [this] { return opened; });
    }
    bool isOpen() {
        std::lock_guard<std::mutex> guard(mutex);
        return opened;
    }

private:
    std::mutex mutex;
    std::condition_variable condition;
    bool opened = false;
};

}  // namespace bvtest
