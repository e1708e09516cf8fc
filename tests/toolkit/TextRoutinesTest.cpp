#include "toolkit/core/TextRoutines.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

namespace {

using namespace NSUI;

TEST(TextRoutinesTest, TrimRemovesOnlyAsciiWhiteSpace) {
    struct Case {
        std::string input;
        std::string left;
        std::string right;
        std::string both;
    };
    const Case cases[] = {
        {" \t\n\v\f\rab c \r\n", "ab c \r\n", " \t\n\v\f\rab c", "ab c"},
        {"", "", "", ""},
        {"   ", "", "", ""},
        {"x", "x", "x", "x"},
        // 0xA0 (no-break space in Latin-1) and UTF-8 lead bytes are never white space.
        {"\xA0 a \xA0", "\xA0 a \xA0", "\xA0 a \xA0", "\xA0 a \xA0"},
        {" \xE4\xB8\xAD ", "\xE4\xB8\xAD ", " \xE4\xB8\xAD", "\xE4\xB8\xAD"},
    };
    for (const Case& c : cases) {
        std::string left = c.input;
        std::string right = c.input;
        std::string both = c.input;
        EXPECT_EQ(&trimLeft(left), &left);
        EXPECT_EQ(left, c.left);
        EXPECT_EQ(trimRight(right), c.right);
        EXPECT_EQ(trim(both), c.both);
    }
}

TEST(TextRoutinesTest, SplitKeepsEmptyPiecesAndAppends) {
    struct Case {
        std::string text;
        std::string delimiter;
        std::vector<std::string> pieces;
    };
    const Case cases[] = {
        {"a,,b", ",", {"a", "", "b"}},
        {"abc", ",", {"abc"}},
        {"", ",", {""}},
        {",", ",", {"", ""}},
        {"a,b,", ",", {"a", "b", ""}},
        {"1::2::::3", "::", {"1", "2", "", "3"}},
        {"a:::b", "::", {"a", ":b"}},
        {"abc", "", {"abc"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> pieces = {"kept"};
        splitString(c.text, c.delimiter, pieces);
        std::vector<std::string> expected = {"kept"};
        expected.insert(expected.end(), c.pieces.begin(), c.pieces.end());
        EXPECT_EQ(pieces, expected) << c.text << " / " << c.delimiter;
    }
}

TEST(TextRoutinesTest, ReplaceAllNeverRescansItsReplacement) {
    struct Case {
        std::string text;
        std::string search;
        std::string replacement;
        std::string expected;
    };
    const Case cases[] = {
        {"a-b-c", "-", "+", "a+b+c"},
        {"aaa", "a", "aa", "aaaaaa"},
        {"aaaa", "aa", "a", "aa"},
        {"x", "", "y", "x"},
        {"abab", "ab", "", ""},
        {"", "a", "b", ""},
        {"C:\\dir\\f", "\\", "/", "C:/dir/f"},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(replaceAll(text, c.search, c.replacement), c.expected) << c.text;
    }
}

TEST(TextRoutinesTest, FormatStringFormatsUpToTheLimit) {
    EXPECT_EQ(formatString("%s-%03d-%.2f", "ab", 7, 1.5), "ab-007-1.50");
    EXPECT_EQ(formatString("%s", ""), "");
    EXPECT_EQ(formatString(nullptr), "");

    const std::string exact(kFormatLimit, 'x');
    EXPECT_EQ(formatString("%s", exact.c_str()), exact);
    const std::string over(kFormatLimit + 1, 'x');
    EXPECT_EQ(formatString("%s", over.c_str()), "");
    EXPECT_EQ(formatString("%s!", exact.c_str()), "");
    EXPECT_EQ(formatString("%65533d", 1).size(), kFormatLimit);
}

TEST(TextRoutinesTest, FormatStringFromManyThreadsAtOnce) {
    constexpr int kThreads = 8;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            const std::string filler(1000 + t * 4000, static_cast<char>('a' + t));
            for (int i = 0; i < 300; ++i) {
                const std::string text = formatString("%d:%s:%d", t, filler.c_str(), i);
                const std::string expected =
                    std::to_string(t) + ":" + filler + ":" + std::to_string(i);
                if (text != expected) {
                    ++failures[t];
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(failures[t], 0) << "thread " << t;
    }
}

TEST(TextRoutinesTest, NumbersAsText) {
    struct Case {
        float value;
        int decimals;
        const char* expected;
    };
    const Case cases[] = {
        {1.5f, 3, "1.5"},    {2.0f, 2, "2"},  {10.0f, 0, "10"},
        {100.0f, 2, "100"},  {0.0f, 3, "0"},  {-0.25f, 2, "-0.25"},
        {0.125f, 2, "0.12"}, {3.0f, -1, "3"}, {1.0f / 3, 6, "0.333333"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatFloat(c.value, c.decimals), c.expected) << c.value << " " << c.decimals;
    }
    EXPECT_EQ(intToString(-42), "-42");
    EXPECT_EQ(intToString(0), "0");
    EXPECT_TRUE(isNumeric(""));
    EXPECT_TRUE(isNumeric("0123456789"));
    EXPECT_FALSE(isNumeric("12a"));
    EXPECT_FALSE(isNumeric("-1"));
    EXPECT_FALSE(isNumeric("1.5"));
    EXPECT_FALSE(isNumeric(" 1"));
}

TEST(TextRoutinesTest, TextConversions) {
    EXPECT_EQ(ansiToUtf8("\xD6\xD0\xCE\xC4"), "\xE4\xB8\xAD\xE6\x96\x87");
    EXPECT_EQ(ansiToUtf8("ascii"), "ascii");

    const char* texts[] = {"", "abc", "\xE4\xB8\xAD\xE6\x96\x87", "\xF0\x9F\x98\x80", "a\xFF"};
    for (const char* text : texts) {
        char16_t* wide = utf8ToWide(text);
        ASSERT_NE(wide, nullptr);
        const size_t bytes = std::char_traits<char>::length(text);
        // Zero-filled to byte length + 2 units.
        EXPECT_EQ(wide[bytes], u'\0');
        EXPECT_EQ(wide[bytes + 1], u'\0');
        const std::string back = wideToUtf8(wide);
        if (std::string(text) == "a\xFF") {
            EXPECT_EQ(back, "a\xEF\xBF\xBD");
        } else {
            EXPECT_EQ(back, text);
        }
        std::free(wide);
    }
    EXPECT_EQ(utf8ToWide(nullptr), nullptr);
    EXPECT_EQ(wideToUtf8(nullptr), "");
}

TEST(TextRoutinesTest, MatrixTakesTheValuesInOrder) {
    float values[16];
    for (int i = 0; i < 16; ++i) {
        values[i] = static_cast<float>(i) * 0.5f;
    }
    const cocos2d::Mat4 matrix = makeMat4(values);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(matrix.m[i], values[i]);
    }
}

TEST(TextRoutinesTest, FoldedHashIsStable) {
    struct Case {
        std::string text;
        uint32_t hash;
        const char* key;
    };
    const Case cases[] = {
        {"", 1339080641u, "1339080641"},
        {"a", 694300864u, "694300864"},
        {"foobar", 1923950233u, "1923950233"},
        {"qn/dicom/1/", 711212092u, "711212092"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(foldedHash(c.text), c.hash) << c.text;
        EXPECT_EQ(stableTextKey(c.text), c.key) << c.text;
    }
    EXPECT_EQ(sharePlatformText(), "");
}

TEST(TextRoutinesTest, ParentDirectory) {
    const std::pair<std::string, std::string> cases[] = {
        {"a/b/c.txt", "a/b"}, {"a/b//", "a"},  {"name", "name"},
        {"a\\b", "a"},        {"", ""},        {"///", ""},
        {"/a", ""},           {"/a/b/", "/a"}, {"a/b\\c", "a/b"},
        {"a\\b/c", "a\\b"},
    };
    for (const auto& [path, parent] : cases) {
        EXPECT_EQ(getParentDirectory(path), parent) << path;
    }
}

TEST(TextRoutinesTest, ACutTextEndsInAnEllipsis) {
    struct Case {
        std::string text;
        size_t count;
        std::string shown;
    };
    const Case cases[] = {
        {"REMOTE01", 7, "REMOTE0\u2026"},
        {"REMOTE0", 7, "REMOTE0"},
        {"", 7, ""},
        {"abc", 0, "\u2026"},
        // Characters, not bytes: a cut never splits one.
        {"\u4e2d\u6587\u5b57", 2, "\u4e2d\u6587\u2026"},
        {"a\u00e9", 1, "a\u2026"},
        {"a\u00e9", 2, "a\u00e9"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cutText(c.text, c.count), c.shown) << c.text << " " << c.count;
    }
}

TEST(TextRoutinesTest, SharedFormattingBufferLivesFromCreateToFree) {
    freeSharedFormattingBuffer();
    EXPECT_FALSE(hasSharedFormattingBuffer());
    createSharedFormattingBuffer();
    createSharedFormattingBuffer();
    EXPECT_TRUE(hasSharedFormattingBuffer());
    freeSharedFormattingBuffer();
    EXPECT_FALSE(hasSharedFormattingBuffer());
    freeSharedFormattingBuffer();
    EXPECT_EQ(formatString("%d", 5), "5");
}

}  // namespace
