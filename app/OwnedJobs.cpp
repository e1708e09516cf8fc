#include "app/OwnedJobs.h"

#include <utility>

OwnedJobs::~OwnedJobs() {
    joinAll();
}

void OwnedJobs::start(std::function<void()> job) {
    reapFinished();
    jobs.emplace_back();
    Job& slot = jobs.back();
    std::shared_ptr<std::atomic<bool>> done = slot.done;
    slot.thread = std::thread([job = std::move(job), done]() {
        job();
        done->store(true);
    });
}

void OwnedJobs::joinAll() {
    for (Job& job : jobs) {
        if (job.thread.joinable()) {
            job.thread.join();
        }
    }
    jobs.clear();
}

void OwnedJobs::handOverTo(OwnedJobs& keeper) {
    reapFinished();
    keeper.reapFinished();
    keeper.jobs.splice(keeper.jobs.end(), jobs);
}

OwnedJobs& OwnedJobs::leftBehind() {
    static OwnedJobs keeper;
    return keeper;
}

void OwnedJobs::reapFinished() {
    for (auto it = jobs.begin(); it != jobs.end();) {
        if (it->done->load()) {
            it->thread.join();
            it = jobs.erase(it);
        } else {
            ++it;
        }
    }
}
