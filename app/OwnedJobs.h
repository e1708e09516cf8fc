#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <thread>

// Threads a screen starts for one job each and joins before it goes: finished ones are joined
// when the next job starts, the rest by joinAll (and by the destructor). Main thread only.
class OwnedJobs {
public:
    OwnedJobs() = default;
    ~OwnedJobs();
    OwnedJobs(const OwnedJobs&) = delete;
    OwnedJobs& operator=(const OwnedJobs&) = delete;

    void start(std::function<void()> job);
    // Waits for every job.
    void joinAll();
    // Moves the jobs not yet joined to `keeper`, which joins them from then on: a screen that
    // goes while a job of its own still runs need not wait for it on the main thread.
    void handOverTo(OwnedJobs& keeper);

    // The keeper of jobs whose screens have gone; joined at shutdown, while every service they
    // post to still lives.
    static OwnedJobs& leftBehind();
    // Jobs started and not yet joined.
    size_t size() const { return jobs.size(); }

private:
    struct Job {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done = std::make_shared<std::atomic<bool>>(false);
    };
    void reapFinished();

    std::list<Job> jobs;
};
