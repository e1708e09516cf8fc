#include "toolkit/core/DateTimeRoutines.h"

#include "engine/base/Utils.h"
#include "platform/FileTimes.h"
#include "toolkit/core/TextRoutines.h"

#include <sys/time.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <thread>

namespace NSUI {

namespace {

std::string formatLocalTime(std::time_t seconds) {
    std::tm local = {};
    if (localtime_r(&seconds, &local) == nullptr) {
        return std::string();
    }
    return formatString("%d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                        local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
}

std::string twoDigits(int32_t value) {
    std::string text = formatString("%i", value);
    if (text.size() < 2) {
        text.insert(0, "0");
    }
    return text;
}

int atoiAt(const std::string& text, size_t offset, size_t length) {
    return std::atoi(text.substr(offset, length).c_str());
}

}  // namespace

std::string getCurrentDateTime() {
    return formatLocalTime(std::time(nullptr));
}

std::string formatDateTime(const DateTimeFields& fields) {
    return formatString("%i", fields.year) + "-" + twoDigits(fields.month) + "-" +
           twoDigits(fields.day) + " " + twoDigits(fields.hour) + ":" + twoDigits(fields.minute) +
           ":" + twoDigits(fields.second);
}

bool parseDateTime(const std::string& text, DateTimeFields& fields) {
    if (text.size() < 19) {
        return false;
    }
    fields.year = atoiAt(text, 0, 4);
    fields.month = atoiAt(text, 5, 2);
    fields.day = atoiAt(text, 8, 2);
    fields.hour = atoiAt(text, 11, 2);
    fields.minute = atoiAt(text, 14, 2);
    fields.second = atoiAt(text, 17, 2);
    return true;
}

bool isDateTimeNotEarlier(const std::string& a, const std::string& b) {
    DateTimeFields first{1900, 1, 1, 0, 0, 0};
    DateTimeFields second{1900, 1, 1, 0, 0, 0};
    if (!parseDateTime(a, first) || !parseDateTime(b, second)) {
        return false;
    }
    const int32_t left[] = {first.year, first.month,  first.day,
                            first.hour, first.minute, first.second};
    const int32_t right[] = {second.year, second.month,  second.day,
                             second.hour, second.minute, second.second};
    for (size_t i = 0; i < 6; ++i) {
        if (left[i] != right[i]) {
            return left[i] > right[i];
        }
    }
    return true;
}

void advanceDate(int& year, int& month, int& day) {
    if (day < getDaysInMonth(year, month)) {
        ++day;
        return;
    }
    day = 1;
    if (month >= 12) {
        month = 1;
        ++year;
    } else {
        ++month;
    }
}

int getDaysInMonth(int year, int month) {
    switch (month) {
    case 2:
        return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0 ? 29 : 28;
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    case 1:
    case 3:
    case 5:
    case 7:
    case 8:
    case 10:
    case 12:
        return 31;
    default:
        return 0;
    }
}

TimeOfDay getTimeOfDay() {
    struct timeval now = {};
    cocos2d::gettimeofday(&now, nullptr);
    TimeOfDay result;
    result.seconds = static_cast<int32_t>(now.tv_sec);
    result.microseconds = static_cast<int32_t>(now.tv_usec);
    return result;
}

int32_t getTimestamp() {
    const TimeOfDay now = getTimeOfDay();
    const uint32_t stamp =
        static_cast<uint32_t>(now.seconds) * 1000000u + static_cast<uint32_t>(now.microseconds);
    return static_cast<int32_t>(stamp);
}

std::string getTimestampString() {
    return formatTimestamp(getTimestamp());
}

std::string formatTimestamp(int32_t stamp) {
    std::ostringstream text;
    text << static_cast<uint32_t>(stamp);
    return text.str();
}

std::string getFileCreationTime(const std::string& path) {
    if (path.empty()) {
        return std::string();
    }
    std::time_t created = 0;
    if (!platform::getFileCreationTime(path, created)) {
        return getCurrentDateTime();
    }
    const std::string text = formatLocalTime(created);
    return text.empty() ? getCurrentDateTime() : text;
}

void sleepFor(uint64_t seconds, uint64_t nanoseconds) {
    // Long waits go in chunks so that the millisecond count never overflows.
    constexpr uint64_t kChunkSeconds = 4294966;
    for (uint64_t i = 0; i < seconds / kChunkSeconds; ++i) {
        std::this_thread::sleep_for(std::chrono::seconds(kChunkSeconds));
    }
    const uint64_t milliseconds = (seconds % kChunkSeconds) * 1000 + nanoseconds / 1000000;
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace NSUI
