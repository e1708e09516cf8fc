#include "toolkit/core/DateTimeRoutines.h"

#include "tests/support/lib/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <fstream>

namespace {

using namespace NSUI;

bool looksLikeDateTime(const std::string& text) {
    const std::string shape = "dddd-dd-dd dd:dd:dd";
    if (text.size() != shape.size()) {
        return false;
    }
    for (size_t i = 0; i < shape.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (shape[i] == 'd' ? !digit : text[i] != shape[i]) {
            return false;
        }
    }
    return true;
}

TEST(DateTimeRoutinesTest, FormatPadsAllButTheYear) {
    struct Case {
        DateTimeFields fields;
        const char* text;
    };
    const Case cases[] = {
        {{2015, 3, 7, 9, 5, 0}, "2015-03-07 09:05:00"},
        {{15, 3, 7, 9, 5, 0}, "15-03-07 09:05:00"},
        {{2024, 12, 31, 23, 59, 59}, "2024-12-31 23:59:59"},
        {{2024, 1, 1, 0, 0, -1}, "2024-01-01 00:00:-1"},
        {{2024, 100, 1, 0, 0, 0}, "2024-100-01 00:00:00"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatDateTime(c.fields), c.text);
    }
}

TEST(DateTimeRoutinesTest, ParseReadsFixedOffsets) {
    DateTimeFields fields;
    ASSERT_TRUE(parseDateTime("2015-03-07 09:05:00", fields));
    EXPECT_EQ(fields.year, 2015);
    EXPECT_EQ(fields.month, 3);
    EXPECT_EQ(fields.day, 7);
    EXPECT_EQ(fields.hour, 9);
    EXPECT_EQ(fields.minute, 5);
    EXPECT_EQ(fields.second, 0);

    // Separators are not examined; the 19-byte minimum is.
    ASSERT_TRUE(parseDateTime("2015x03x07x09x05x00 and more", fields));
    EXPECT_EQ(fields.second, 0);
    EXPECT_EQ(fields.month, 3);
    DateTimeFields untouched{1, 2, 3, 4, 5, 6};
    EXPECT_FALSE(parseDateTime("2015-03-07 09:05:0", untouched));
    EXPECT_FALSE(parseDateTime("", untouched));
    EXPECT_EQ(untouched.year, 1);
    EXPECT_EQ(untouched.second, 6);
}

TEST(DateTimeRoutinesTest, NotEarlierComparesFieldByField) {
    struct Case {
        const char* a;
        const char* b;
        bool notEarlier;
    };
    const Case cases[] = {
        {"2015-03-07 09:05:00", "2015-03-07 09:05:00", true},
        {"2015-03-07 09:05:01", "2015-03-07 09:05:00", true},
        {"2015-03-07 09:05:00", "2015-03-07 09:05:01", false},
        {"2016-01-01 00:00:00", "2015-12-31 23:59:59", true},
        {"2015-12-31 23:59:59", "2016-01-01 00:00:00", false},
        {"2015-04-01 00:00:00", "2015-03-31 23:59:59", true},
        {"short", "2015-03-07 09:05:00", false},
        {"2015-03-07 09:05:00", "short", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isDateTimeNotEarlier(c.a, c.b), c.notEarlier) << c.a << " vs " << c.b;
    }
}

TEST(DateTimeRoutinesTest, AdvanceDateRollsOverMonthsAndYears) {
    struct Case {
        int from[3];
        int to[3];
    };
    const Case cases[] = {
        {{2012, 2, 28}, {2012, 2, 29}}, {{2012, 2, 29}, {2012, 3, 1}},
        {{2100, 2, 28}, {2100, 3, 1}},  {{2000, 2, 28}, {2000, 2, 29}},
        {{2015, 12, 31}, {2016, 1, 1}}, {{2015, 4, 30}, {2015, 5, 1}},
        {{2015, 1, 30}, {2015, 1, 31}}, {{2015, 13, 5}, {2016, 1, 1}},
    };
    for (const Case& c : cases) {
        int year = c.from[0];
        int month = c.from[1];
        int day = c.from[2];
        advanceDate(year, month, day);
        EXPECT_EQ(year, c.to[0]) << c.from[0] << "-" << c.from[1] << "-" << c.from[2];
        EXPECT_EQ(month, c.to[1]) << c.from[0] << "-" << c.from[1] << "-" << c.from[2];
        EXPECT_EQ(day, c.to[2]) << c.from[0] << "-" << c.from[1] << "-" << c.from[2];
    }
    EXPECT_EQ(getDaysInMonth(2015, 0), 0);
    EXPECT_EQ(getDaysInMonth(2015, 13), 0);
    EXPECT_EQ(getDaysInMonth(2015, 9), 30);
    EXPECT_EQ(getDaysInMonth(2015, 8), 31);
}

TEST(DateTimeRoutinesTest, CurrentTimeAndStamps) {
    const std::string now = getCurrentDateTime();
    EXPECT_TRUE(looksLikeDateTime(now)) << now;
    const std::time_t seconds = std::time(nullptr);
    std::tm local = {};
    localtime_r(&seconds, &local);
    DateTimeFields fields;
    ASSERT_TRUE(parseDateTime(now, fields));
    EXPECT_EQ(fields.year, local.tm_year + 1900);

    const TimeOfDay day = getTimeOfDay();
    EXPECT_GE(day.microseconds, 0);
    EXPECT_LT(day.microseconds, 1000000);

    // The stamp string is the 32-bit microsecond count, whichever side of the sign bit it lies.
    const std::string text = getTimestampString();
    ASSERT_FALSE(text.empty());
    EXPECT_LE(text.size(), 10u) << text;
    EXPECT_LE(std::stoull(text), 4294967295ull) << text;
}

// Names are made from stamps: one past the sign bit is the large count it holds, never a
// sign-extended 20-digit number.
TEST(DateTimeRoutinesTest, StampsPrintAsTheirThirtyTwoBitCount) {
    struct Case {
        int32_t stamp;
        const char* text;
    };
    const Case cases[] = {
        {0, "0"},           {123456789, "123456789"},        {2147483647, "2147483647"},
        {-1, "4294967295"}, {-2147483647 - 1, "2147483648"}, {-1721762560, "2573204736"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatTimestamp(c.stamp), c.text) << c.stamp;
    }
}

TEST(DateTimeRoutinesTest, FileCreationTimeSharesTheCurrentTimeBase) {
    bvtest::TempDir dir;
    const std::string path = (dir / "cache.raw").string();
    const std::string before = getCurrentDateTime();
    std::ofstream(path) << "x";
    const std::string created = getFileCreationTime(path);
    const std::string after = getCurrentDateTime();
    EXPECT_TRUE(looksLikeDateTime(created)) << created;
    EXPECT_TRUE(isDateTimeNotEarlier(created, before)) << created << " before " << before;
    EXPECT_TRUE(isDateTimeNotEarlier(after, created)) << created << " after " << after;

    EXPECT_EQ(getFileCreationTime(""), "");
    const std::string missing = getFileCreationTime((dir / "missing").string());
    EXPECT_TRUE(isDateTimeNotEarlier(missing, before));
    EXPECT_TRUE(isDateTimeNotEarlier(getCurrentDateTime(), missing));
}

}  // namespace
