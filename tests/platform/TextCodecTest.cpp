#include "platform/TextCodec.h"

#include <gtest/gtest.h>

namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

TEST(TextCodecTest, Utf8RoundTripsThroughUtf16) {
    const std::string texts[] = {
        "",
        "plain ascii",
        "\xE4\xB8\xAD\xE6\x96\x87 mixed",    // CJK
        "\xF0\x9F\x98\x80 outside the BMP",  // needs a surrogate pair
        std::string("embedded\0nul", 12),
        std::string(100000, 'x') + "\xC3\xA9",  // longer than one conversion chunk
    };
    for (const std::string& text : texts) {
        EXPECT_EQ(platform::utf16ToUtf8(platform::utf8ToUtf16(text)), text) << text.size();
    }
    EXPECT_EQ(platform::utf8ToUtf16("\xF0\x9F\x98\x80"), std::u16string(u"\xD83D\xDE00"));
}

TEST(TextCodecTest, GbTextBecomesUtf8) {
    EXPECT_EQ(platform::gbToUtf8("\xD6\xD0\xCE\xC4"), "\xE4\xB8\xAD\xE6\x96\x87");
    EXPECT_EQ(platform::gbToUtf8("abc 123"), "abc 123");
    EXPECT_EQ(platform::gbToUtf8(""), "");
}

TEST(TextCodecTest, InvalidInputIsReplacedNotDropped) {
    struct Case {
        std::string input;
        std::string expected;
    };
    const Case utf8Cases[] = {
        {"a\xFF"
         "b",
         "a" + kReplacement + "b"},
        {"\xC3", kReplacement},                     // cut off at the end
        {"\xE4\xB8", kReplacement + kReplacement},  // two bytes of a three-byte form
        {"\x80x", kReplacement + "x"},              // stray continuation byte
        {"\xC0\xAF", kReplacement + kReplacement},  // overlong form of '/'
    };
    for (const Case& c : utf8Cases) {
        EXPECT_EQ(platform::utf16ToUtf8(platform::utf8ToUtf16(c.input)), c.expected)
            << c.input.size();
    }
    EXPECT_EQ(platform::utf16ToUtf8(std::u16string(u"a\xD800"
                                                   u"b")),
              "a" + kReplacement + "b");
    EXPECT_EQ(platform::utf16ToUtf8(std::u16string(1, u'\xDC00')), kReplacement);
    EXPECT_EQ(platform::gbToUtf8("x\x81"), "x" + kReplacement);
}

}  // namespace
