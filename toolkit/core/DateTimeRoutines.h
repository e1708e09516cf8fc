#pragma once

#include <cstdint>
#include <string>

namespace NSUI {

// The fields behind a date-time text "%d-%02d-%02d %02d:%02d:%02d" (2015-03-07 09:05:00).
struct DateTimeFields {
    int32_t year = 0;
    int32_t month = 0;  // 1-12
    int32_t day = 0;    // 1-31
    int32_t hour = 0;
    int32_t minute = 0;
    int32_t second = 0;
};

struct TimeOfDay {
    int32_t seconds = 0;
    int32_t microseconds = 0;
};

// Local time now as a date-time text.
std::string getCurrentDateTime();
std::string formatDateTime(const DateTimeFields& fields);
// Reads the numbers at the fixed offsets of a date-time text; separators are not examined.
// False when the text is shorter than 19 bytes.
bool parseDateTime(const std::string& text, DateTimeFields& fields);
// True when a is the same instant as b or later; false when either does not parse.
bool isDateTimeNotEarlier(const std::string& a, const std::string& b);
// Moves to the next calendar day.
void advanceDate(int& year, int& month, int& day);
// 28-31; 0 for a month outside 1-12.
int getDaysInMonth(int year, int month);

// Seconds x 1,000,000 + microseconds of the time of day in 32-bit arithmetic: it wraps about
// every 71.6 minutes, so only differences of nearby stamps are meaningful.
int32_t getTimestamp();
TimeOfDay getTimeOfDay();
// getTimestamp as decimal text; it names capture, favourite and reformat files and the series
// a reformat makes.
std::string getTimestampString();
// A stamp as the 32-bit microsecond count it holds: a stamp past the sign bit is a large
// count, never a negative or sign-extended one.
std::string formatTimestamp(int32_t stamp);

// When the file was created, as a date-time text in local time (the base of getCurrentDateTime,
// so the two compare). An empty path gives an empty text; a file that cannot be examined gives
// the current time.
std::string getFileCreationTime(const std::string& path);

// Blocks the calling thread for seconds plus whole milliseconds of the nanoseconds.
void sleepFor(uint64_t seconds, uint64_t nanoseconds);

}  // namespace NSUI
