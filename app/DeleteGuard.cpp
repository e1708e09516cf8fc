#include "app/DeleteGuard.h"

bool DeleteGuard::admit(std::function<void()>& finished) {
    const auto now = std::chrono::steady_clock::now();
    if (isRunning() || (admittedBefore && now - lastAdmitted < kRepeatInterval)) {
        return false;
    }
    admittedBefore = true;
    lastAdmitted = now;
    running->fetch_add(1);
    std::shared_ptr<std::atomic<int>> count = running;
    finished = [count] { count->fetch_sub(1); };
    return true;
}
