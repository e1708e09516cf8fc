#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

// Keeps one press on a delete button to one deletion: a press is refused while a deletion it let
// through still runs, and within kRepeatInterval of the previous deletion, so that a double
// click never reaches the row that took the deleted one's place. Main thread, but for the
// function that `admit` hands out, which the deletion's worker calls when it is done.
class DeleteGuard {
public:
    // A desktop double click's second press comes well within this.
    static constexpr std::chrono::milliseconds kRepeatInterval{500};

    // True when a deletion may start now; it then counts as running until the returned
    // function is called (once, from any thread). False: the press does nothing.
    bool admit(std::function<void()>& finished);
    bool isRunning() const { return running->load() > 0; }

private:
    std::shared_ptr<std::atomic<int>> running = std::make_shared<std::atomic<int>>(0);
    std::chrono::steady_clock::time_point lastAdmitted;
    bool admittedBefore = false;
};
