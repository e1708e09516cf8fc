#include "imagesdk/vr/vrWorkerPool.h"

namespace isImageSDK {

vrWorkerPool::~vrWorkerPool() {
    {
        std::lock_guard<std::mutex> hold(mutex);
        stopping = true;
    }
    wake.notify_all();
    for (std::thread& helper : helpers) {
        helper.join();
    }
}

void vrWorkerPool::run(int count, const std::function<void(int)>& work) {
    if (count < 1) {
        count = 1;
    }
    {
        std::lock_guard<std::mutex> hold(mutex);
        while (int(helpers.size()) < count - 1) {
            // A new helper has seen no generation yet; it starts from the current one.
            int index = int(helpers.size()) + 1;
            helpers.emplace_back([this, index] { loop(index); });
        }
        job = &work;
        active = count;
        pending = count - 1;
        ++generation;
    }
    wake.notify_all();
    work(0);
    std::unique_lock<std::mutex> hold(mutex);
    finished.wait(hold, [this] { return pending == 0; });
    job = nullptr;
}

void vrWorkerPool::loop(int index) {
    std::unique_lock<std::mutex> hold(mutex);
    std::uint64_t seen = generation - 1;
    for (;;) {
        wake.wait(hold, [&] { return stopping || generation != seen; });
        if (stopping) {
            return;
        }
        seen = generation;
        if (index >= active) {
            continue;
        }
        const std::function<void(int)>* work = job;
        hold.unlock();
        (*work)(index);
        hold.lock();
        if (--pending == 0) {
            finished.notify_all();
        }
    }
}

}  // namespace isImageSDK
