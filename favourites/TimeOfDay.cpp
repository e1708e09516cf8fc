#include "favourites/TimeOfDay.h"

#include <chrono>

TimeOfDay systemTimeOfDay() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
    TimeOfDay time;
    time.seconds = micros / 1000000;
    time.micros = static_cast<int>(micros % 1000000);
    return time;
}
