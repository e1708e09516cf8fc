#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/base/Base64.h"

namespace {

using namespace cocos2d;

struct KnownCase {
    std::string plain;
    std::string encoded;
};

class Base64KnownTest : public ::testing::TestWithParam<KnownCase> {};

TEST_P(Base64KnownTest, EncodesAndDecodesTheStandardVectors) {
    const KnownCase& c = GetParam();
    EXPECT_EQ(safeBase64EncodeString(c.plain), c.encoded);
    EXPECT_EQ(safeBase64DecodeString(c.encoded), c.plain);

    char* classic = nullptr;
    const int length = base64Encode(reinterpret_cast<const unsigned char*>(c.plain.data()),
                                    static_cast<unsigned int>(c.plain.size()), &classic);
    ASSERT_NE(classic, nullptr);
    EXPECT_EQ(std::string(classic, length), c.encoded);
    EXPECT_EQ(classic[length], '\0');
    std::free(classic);
}

INSTANTIATE_TEST_SUITE_P(Rfc4648, Base64KnownTest,
                         ::testing::Values(KnownCase{"", ""}, KnownCase{"f", "Zg=="},
                                           KnownCase{"fo", "Zm8="}, KnownCase{"foo", "Zm9v"},
                                           KnownCase{"foob", "Zm9vYg=="},
                                           KnownCase{"fooba", "Zm9vYmE="},
                                           KnownCase{"foobar", "Zm9vYmFy"},
                                           KnownCase{std::string("\0\xff\xfe", 3), "AP/+"}));

struct StrictCase {
    const char* name;
    std::string input;
    bool accepted;
    std::string decoded;
};

class Base64StrictTest : public ::testing::TestWithParam<StrictCase> {};

TEST_P(Base64StrictTest, AcceptsOnlyWellFormedInput) {
    const StrictCase& c = GetParam();
    unsigned char* out = reinterpret_cast<unsigned char*>(1);
    const int length = safeBase64Decode(reinterpret_cast<const unsigned char*>(c.input.data()),
                                        static_cast<unsigned int>(c.input.size()), &out);
    if (c.accepted) {
        ASSERT_GT(length, 0);
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(out), length), c.decoded);
        EXPECT_EQ(out[length], 0) << "the buffer is zero-terminated past the length";
    } else {
        EXPECT_LE(length, 0);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(safeBase64DecodeString(c.input), "");
    }
    delete[] out;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Base64StrictTest,
    ::testing::Values(
        StrictCase{"plain", "aGVsbG8=", true, "hello"},
        StrictCase{"line_breaks", "aGVs\r\nbG8=\n", true, "hello"},
        StrictCase{"spaces_and_tabs", " aG Vs\tbG8 = ", true, "hello"},
        StrictCase{"empty", "", false, ""}, StrictCase{"only_space", " \n\t", false, ""},
        StrictCase{"missing_padding", "aGVsbG8", false, ""},
        StrictCase{"missing_both_pads", "Zg", false, ""},
        StrictCase{"one_pad_short", "Zg=", false, ""},
        StrictCase{"too_much_padding", "Zg===", false, ""},
        StrictCase{"padding_first", "=Zg=", false, ""},
        StrictCase{"pad_after_one_char", "Z===", false, ""},
        StrictCase{"data_after_padding", "Zg==Zg==", false, ""},
        StrictCase{"padding_inside", "Zm=9v", false, ""}, StrictCase{"lone_char", "Z", false, ""},
        StrictCase{"url_alphabet", "-_-_", false, ""},
        StrictCase{"punctuation", "aGVs*bG8=", false, ""},
        StrictCase{"nul_byte", std::string("aGVs\0bG8=", 9), false, ""},
        StrictCase{"high_byte", "aGVs\xc3\xa9", false, ""},
        StrictCase{"nonzero_pad_bits_one", "Zh==", false, ""},
        StrictCase{"nonzero_pad_bits_two", "Zm9=", false, ""},
        StrictCase{"plist_text", "<?xml version=\"1.0\"?><plist><dict/></plist>", false, ""},
        StrictCase{"four_letter_word", "abcd", true, "i\xb7\x1d"}),
    [](const ::testing::TestParamInfo<StrictCase>& info) { return std::string(info.param.name); });

TEST(Base64Test, RoundTripsEveryByteAtEveryLength) {
    std::string bytes;
    for (int length = 0; length < 70; ++length) {
        const std::string encoded = safeBase64EncodeString(bytes);
        EXPECT_EQ(encoded.size() % 4, 0u);
        EXPECT_EQ(safeBase64DecodeString(encoded), bytes) << "length " << length;
        bytes.push_back(static_cast<char>((length * 37 + 11) & 0xFF));
    }
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(safeBase64DecodeString(safeBase64EncodeString(all)), all);
}

TEST(Base64Test, SafeEncodeGivesAnArrayBufferOrNothing) {
    const unsigned char text[] = "abc";
    char* out = nullptr;
    const int length = safeBase64Encode(text, 3, &out);
    ASSERT_EQ(length, 4);
    EXPECT_STREQ(out, "YWJj");
    delete[] out;

    out = reinterpret_cast<char*>(1);
    EXPECT_LE(safeBase64Encode(text, 0, &out), 0);
    EXPECT_EQ(out, nullptr);
    EXPECT_LE(safeBase64Encode(nullptr, 3, &out), 0);
    EXPECT_EQ(out, nullptr);
}

TEST(Base64Test, ClassicDecoderSkipsForeignCharactersAndStopsAtPadding) {
    const std::string text = "aGVs*bG8=trailing";
    unsigned char* out = nullptr;
    const int length = base64Decode(reinterpret_cast<const unsigned char*>(text.data()),
                                    static_cast<unsigned int>(text.size()), &out);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), length), "hello");
    std::free(out);
}

}  // namespace
