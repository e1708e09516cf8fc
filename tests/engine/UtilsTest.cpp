#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "engine/base/Utils.h"

namespace {

using namespace cocos2d;

TEST(UtilsTest, FormatHasNoLengthLimit) {
    EXPECT_EQ(StringUtils::format("%d-%s-%.2f", 7, "x", 1.5), "7-x-1.50");
    EXPECT_EQ(StringUtils::format("%s", ""), "");
    const std::string big(100000, 'q');
    EXPECT_EQ(StringUtils::format("<%s>", big.c_str()), "<" + big + ">");
}

TEST(UtilsTest, FormatIsSafeFromManyThreads) {
    std::vector<std::thread> threads;
    std::vector<int> ok(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&ok, t] {
            int all = 1;
            for (int i = 0; i < 1000; ++i) {
                all = all && StringUtils::format("%d:%d", t, i) ==
                                 std::to_string(t) + ":" + std::to_string(i);
            }
            ok[t] = all;
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (int each : ok) {
        EXPECT_TRUE(each);
    }
}

struct Utf8Case {
    const char* name;
    std::string text;
    long count;
};

class Utf8CountTest : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8CountTest, CountsCodePointsOrRejects) {
    const Utf8Case& c = GetParam();
    EXPECT_EQ(StringUtils::getCharacterCountInUTF8String(c.text), c.count);
    std::u32string wide;
    EXPECT_EQ(StringUtils::UTF8ToUTF32(c.text, wide), c.count >= 0);
    if (c.count >= 0) {
        EXPECT_EQ(static_cast<long>(wide.size()), c.count);
    } else {
        EXPECT_TRUE(wide.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Table, Utf8CountTest,
                         ::testing::Values(Utf8Case{"empty", "", 0}, Utf8Case{"ascii", "abc", 3},
                                           Utf8Case{"two_byte", "\xc3\xa9t\xc3\xa9", 3},
                                           Utf8Case{"three_byte", "\xe4\xb8\xad\xe6\x96\x87", 2},
                                           Utf8Case{"four_byte", "\xf0\x9f\x98\x80!", 2},
                                           Utf8Case{"overlong_slash", "\xc0\xaf", -1},
                                           Utf8Case{"surrogate", "\xed\xa0\x80", -1},
                                           Utf8Case{"past_max", "\xf4\x90\x80\x80", -1},
                                           Utf8Case{"truncated", "ab\xe4\xb8", -1},
                                           Utf8Case{"stray_continuation", "\x80", -1},
                                           Utf8Case{"latin1", "caf\xe9", -1}),
                         [](const ::testing::TestParamInfo<Utf8Case>& info) {
                             return std::string(info.param.name);
                         });

TEST(UtilsTest, Utf16RoundTripWithSurrogatePairs) {
    const std::string text = "a\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80";
    std::u16string utf16;
    ASSERT_TRUE(StringUtils::UTF8ToUTF16(text, utf16));
    EXPECT_EQ(utf16, (std::u16string{u'a', 0x00E9, 0x4E2D, 0xD83D, 0xDE00}));
    std::string back;
    ASSERT_TRUE(StringUtils::UTF16ToUTF8(utf16, back));
    EXPECT_EQ(back, text);

    std::string out = "stale";
    EXPECT_FALSE(StringUtils::UTF16ToUTF8(std::u16string{u'a', 0xD83D}, out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(StringUtils::UTF16ToUTF8(std::u16string{0xDE00, u'a'}, out));
    std::u16string utf16Out = u"stale";
    EXPECT_FALSE(StringUtils::UTF8ToUTF16("\xff", utf16Out));
    EXPECT_TRUE(utf16Out.empty());
    EXPECT_FALSE(StringUtils::UTF32ToUTF8(std::u32string{0x110000}, out));
    EXPECT_FALSE(StringUtils::UTF32ToUTF8(std::u32string{0xD800}, out));
}

TEST(UtilsTest, LogWritesOneLineUnlessSilenced) {
    unsetenv("BRIMVALE_QUIET_LOG");
    ::testing::internal::CaptureStderr();
    cocos2d::log("value=%d %s", 42, "end");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "value=42 end\n");

    setenv("BRIMVALE_QUIET_LOG", "1", 1);
    ::testing::internal::CaptureStderr();
    cocos2d::log("hidden");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");

    setenv("BRIMVALE_QUIET_LOG", "0", 1);
    ::testing::internal::CaptureStderr();
    cocos2d::log("shown");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "shown\n");
    unsetenv("BRIMVALE_QUIET_LOG");
}

TEST(UtilsTest, GettimeofdayGivesTheWallClock) {
    struct timeval engine {};
    struct timeval system {};
    ::gettimeofday(&system, nullptr);
    ASSERT_EQ(cocos2d::gettimeofday(&engine, nullptr), 0);
    EXPECT_GE(engine.tv_sec, system.tv_sec);
    EXPECT_LE(engine.tv_sec - system.tv_sec, 5);
    EXPECT_GE(engine.tv_usec, 0);
    EXPECT_LT(engine.tv_usec, 1000000);
}

}  // namespace
