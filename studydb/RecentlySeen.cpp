#include "studydb/RecentlySeen.h"

#include "toolkit/core/DateTimeRoutines.h"

namespace studydb {

namespace {

const int kRecentSeconds = 10;

int secondsOfDay(const NSUI::DateTimeFields& time) {
    return time.hour * 3600 + time.minute * 60 + time.second;
}

}  // namespace

bool isRecentlySeen(const std::string& lastSeen, const NSUI::DateTimeFields& now) {
    NSUI::DateTimeFields seen;
    if (lastSeen.size() != 19 || !NSUI::parseDateTime(lastSeen, seen) || lastSeen[4] != '-' ||
        lastSeen[13] != ':' || seen.year != now.year || seen.month != now.month ||
        seen.day != now.day) {
        return false;
    }
    return secondsOfDay(now) - secondsOfDay(seen) < kRecentSeconds;
}

bool isRecentlySeen(const std::string& lastSeen) {
    NSUI::DateTimeFields now;
    NSUI::parseDateTime(NSUI::getCurrentDateTime(), now);
    return isRecentlySeen(lastSeen, now);
}

}  // namespace studydb
