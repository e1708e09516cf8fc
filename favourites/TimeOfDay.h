#pragma once

#include <functional>

// The wall-clock time of day in whole seconds and microseconds, as the note rules count it: a
// length is the difference of the whole seconds, whatever the microseconds.
struct TimeOfDay {
    long long seconds = 0;
    int micros = 0;
};

using TimeOfDayClock = std::function<TimeOfDay()>;

TimeOfDay systemTimeOfDay();
