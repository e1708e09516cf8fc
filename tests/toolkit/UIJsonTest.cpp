#include "toolkit/core/UIJson.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using NSUI::UIJson;

struct LookupCase {
    const char* json;
    const char* key;
    bool found;
    const char* value;  // the bytes inside findValue's range
};

TEST(UIJsonTest, LookupFollowsTheScannerRules) {
    const LookupCase cases[] = {
        {R"({"a":"x","b":"y"})", "b", true, "y"},
        {R"({"a":"x","b":"y"})", "c", false, ""},
        {R"({"n":12,"m":"3"})", "n", true, "12"},
        {R"({"n":12,"m":"3"})", "m", true, "3"},
        {R"({"a":"","b":"y"})", "a", true, ""},
        // A quoted value is cut at a delimiter inside it: the range is the ':' and the ','.
        {R"({"a":"x,y"})", "a", true, "\"x"},
        {R"({"a":"x}"})", "a", true, "\"x"},
        // No escapes: the backslash is kept and the escaped quote ends the value.
        {R"({"a":"x\"y","b":"z"})", "a", true, "x\\"},
        // Arrays are skipped whole, nested objects are not recognised.
        {R"({"list":[{"a":"1"}],"a":"2"})", "a", true, "2"},
        {R"({"list":[[1,2],[3]],"k":"v"})", "k", true, "v"},
        {R"({"o":{"k":"in"},"k":"out"})", "k", false, ""},
        // A key is matched only where the scan expects one: here "b" is a's value.
        {R"({"a":"b","b":"c"})", "b", true, "c"},
        {R"({"x":"b"})", "b", false, ""},
        // A value cut at a delimiter throws the scan out of step: "neg" is taken for a value.
        {R"({"cut":"7,5","neg":-4})", "neg", false, ""},
        // The first key wins.
        {R"({"a":"1","a":"2"})", "a", true, "1"},
        // Hostile shapes.
        {"", "a", false, ""},
        {"\"", "a", false, ""},
        {R"({"a)", "a", false, ""},
        {R"({"a":"x)", "a", false, ""},
        {R"({"a":)", "a", false, ""},
        {R"({"a")", "a", false, ""},
        {R"("a":"v")", "a", false, ""},
        {R"("a":"v"})", "a", true, "v"},
        {R"({"a":[1,2})", "b", false, ""},
        {R"({"z":[[[[,"a":"v"})", "a", true, "v"},
        // An unclosed '[' before x's value does not hide the closed one after x: that array is
        // skipped, "v" becomes a key, and the scan runs past a.
        {R"({"k":1,["x"[]:"v","a":"w"})", "a", false, ""},
        {R"({"":"empty"})", "", true, "empty"},
        {R"({"a" : "v" })", "a", true, "v"},
    };
    for (const LookupCase& c : cases) {
        int start = -7;
        int end = -7;
        const bool found = UIJson::findValue(c.json, c.key, start, end);
        EXPECT_EQ(found, c.found) << c.json << " key " << c.key;
        EXPECT_EQ(UIJson::getString(c.json, c.key), c.value) << c.json << " key " << c.key;
        if (found) {
            EXPECT_LE(0, start);
            EXPECT_LT(start, end);
            EXPECT_LT(end, static_cast<int>(std::string(c.json).size()));
        } else {
            EXPECT_EQ(UIJson::getStringWithDefault(c.json, c.key, "dflt"), "dflt");
        }
    }
}

TEST(UIJsonTest, NumbersAreReadFromTheValueText) {
    const std::string json = R"({"n":12,"m":"3","f":"2.5","neg":-4,"big":"99999999999"})";
    EXPECT_EQ(UIJson::getInt(json, "n", -1), 12);
    EXPECT_EQ(UIJson::getInt(json, "m", -1), 3);
    EXPECT_EQ(UIJson::getInt(json, "neg", 0), -4);
    EXPECT_EQ(UIJson::getInt(json, "big", 0), 2147483647);
    EXPECT_EQ(UIJson::getInt(json, "none", 42), 42);
    EXPECT_FLOAT_EQ(UIJson::getFloat(json, "f", 0.0f), 2.5f);
    EXPECT_FLOAT_EQ(UIJson::getFloat(json, "n", 0.0f), 12.0f);
    // A value cut at a ',' reads as "7 (with its opening quote), which is no number.
    EXPECT_EQ(UIJson::getInt(R"({"cut":"7,5"})", "cut", -1), 0);
    EXPECT_FLOAT_EQ(UIJson::getFloat(R"({"cut":"7,5"})", "cut", 1.0f), 0.0f);
    EXPECT_FLOAT_EQ(UIJson::getFloat(json, "none", 1.5f), 1.5f);
}

struct TokenCase {
    const char* json;
    int kind;
    int from;
    bool found;
    int start;
    int end;
};

TEST(UIJsonTest, TokensOfEachKind) {
    const TokenCase cases[] = {
        {R"(x "ab" "c")", UIJson::kQuoted, 0, true, 2, 5},
        {R"(x "ab" "c")", UIJson::kQuoted, 3, true, 5, 7},
        {R"(x "ab)", UIJson::kQuoted, 0, false, 0, 0},
        {R"(a\"b")", UIJson::kQuoted, 0, true, 2, 4},
        {"[a[b]c]d", UIJson::kBrackets, 0, true, 0, 6},
        {"x[a[b]c", UIJson::kBrackets, 0, false, 0, 0},
        {R"([ "]" ])", UIJson::kBrackets, 0, true, 0, 3},  // brackets inside quotes count
        {"no brackets", UIJson::kBrackets, 0, false, 0, 0},
        {R"("a":12})", UIJson::kBare, 0, true, 3, 6},
        {R"("a":12)", UIJson::kBare, 0, false, 0, 0},
        {R"("a"12,)", UIJson::kBare, 0, false, 0, 0},
        {R"("a":"v",)", UIJson::kValue, 0, true, 4, 6},
        {R"("a":12,"b")", UIJson::kValue, 0, true, 3, 6},
        {R"("a":"v,w")", UIJson::kValue, 0, true, 3, 6},
        {R"("a" "v")", UIJson::kValue, 0, false, 0, 0},
        {R"("a":"v")", 2, 0, false, 0, 0},
        {R"("a":"v")", 5, 0, false, 0, 0},
        {R"("a":"v")", UIJson::kQuoted, -1, false, 0, 0},
        {R"("a":"v")", UIJson::kQuoted, 7, false, 0, 0},
        {R"("a":"v")", UIJson::kQuoted, 1000, false, 0, 0},
    };
    for (const TokenCase& c : cases) {
        int start = 0;
        int end = 0;
        EXPECT_EQ(UIJson::findToken(c.json, c.kind, c.from, start, end), c.found)
            << c.json << " kind " << c.kind << " from " << c.from;
        if (c.found) {
            EXPECT_EQ(start, c.start) << c.json << " kind " << c.kind;
            EXPECT_EQ(end, c.end) << c.json << " kind " << c.kind;
        }
    }
}

TEST(UIJsonTest, SetBuildsReplacesAndAppends) {
    std::string json;
    UIJson::setString(json, "k", "v");
    EXPECT_EQ(json, R"({"k":"v"})");
    UIJson::setString(json, "j", "w");
    EXPECT_EQ(json, R"({"k":"v","j":"w"})");
    UIJson::setString(json, "k", "z");
    EXPECT_EQ(json, R"({"k":"z","j":"w"})");
    UIJson::setString(json, "j", "");
    EXPECT_EQ(json, R"({"k":"z","j":""})");
    UIJson::setFloat(json, "f", 1.5f);
    EXPECT_EQ(json, R"({"k":"z","j":"","f":"1.500000"})");
    UIJson::setInt(json, "i", -3);
    EXPECT_EQ(json, R"({"k":"z","j":"","f":"1.500000","i":"-3"})");
    EXPECT_EQ(UIJson::getInt(json, "i", 0), -3);
    EXPECT_FLOAT_EQ(UIJson::getFloat(json, "f", 0.0f), 1.5f);
}

TEST(UIJsonTest, SetHandlesBareValuesAndLooseObjects) {
    struct Case {
        const char* before;
        const char* key;
        const char* value;
        const char* after;
    };
    const Case cases[] = {
        {R"({"n":12,"m":"3"})", "n", "5", R"({"n":"5","m":"3"})"},
        {R"({"n":12})", "n", "5", R"({"n":"5"})"},
        {"{}", "k", "v", R"({"k":"v"})"},
        {"{ }", "k", "v", R"({"k":"v"})"},
        {"{\"a\":\"1\"}\n  ", "k", "v", R"({"a":"1","k":"v"})"},
        {R"({"a":"1" })", "k", "v", R"({"a":"1","k":"v"})"},
    };
    for (const Case& c : cases) {
        std::string json = c.before;
        UIJson::setString(json, c.key, c.value);
        EXPECT_EQ(json, c.after) << c.before;
        EXPECT_EQ(UIJson::getString(json, c.key), c.value) << c.before;
    }
}

TEST(UIJsonTest, HugeTextsAreScannedToTheEnd) {
    std::string json = "{";
    for (int i = 0; i < 100000; ++i) {
        json += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
    }
    json += "\"last\":\"yes\"}";
    EXPECT_EQ(UIJson::getString(json, "last"), "yes");
    EXPECT_EQ(UIJson::getInt(json, "k99999", -1), 99999);
    EXPECT_EQ(UIJson::getString(json, "absent"), "");

    const std::string quotes(1 << 20, '"');
    EXPECT_FALSE(UIJson::getString(quotes, "x").size() > 0);
    const std::string brackets = std::string(1 << 20, '[') + "\"a\":\"v\"}";
    EXPECT_EQ(UIJson::getString(brackets, "a"), "v");
}

// The key scan composed step by step from the public tokens, without any shortcut.
bool scanForKey(const std::string& json, const std::string& key, int& start, int& end) {
    int position = 0;
    for (;;) {
        int open = 0;
        int close = 0;
        if (!UIJson::findToken(json, UIJson::kQuoted, position, open, close)) {
            return false;
        }
        if (json.substr(open + 1, close - open - 1) == key) {
            return UIJson::findToken(json, UIJson::kValue, close + 1, start, end);
        }
        int vs = 0;
        int ve = 0;
        int bs = 0;
        int be = 0;
        const bool hasValue = UIJson::findToken(json, UIJson::kValue, close + 1, vs, ve);
        const bool hasBrackets = UIJson::findToken(json, UIJson::kBrackets, close + 1, bs, be);
        if (!hasValue && !hasBrackets) {
            return false;
        }
        position = hasBrackets && (!hasValue || vs >= bs) ? be + 1 : ve + 1;
    }
}

TEST(UIJsonTest, RandomTextsScanLikeTheStepByStepScanAndStayInside) {
    std::mt19937 random(12345);
    const char alphabet[] = "\"{}[]:,ab \\1";
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof(alphabet)) - 2);
    std::uniform_int_distribution<int> length(0, 40);
    for (int round = 0; round < 20000; ++round) {
        std::string json;
        for (int n = length(random); n > 0; --n) {
            json += alphabet[pick(random)];
        }
        for (const char* key : {"a", "b", "", "ab"}) {
            int start = 0;
            int end = 0;
            int expectedStart = 0;
            int expectedEnd = 0;
            const bool found = UIJson::findValue(json, key, start, end);
            ASSERT_EQ(found, scanForKey(json, key, expectedStart, expectedEnd)) << json;
            if (found) {
                ASSERT_EQ(start, expectedStart) << json;
                ASSERT_EQ(end, expectedEnd) << json;
                ASSERT_LE(0, start) << json;
                ASSERT_LT(start, end) << json;
                ASSERT_LT(end, static_cast<int>(json.size())) << json;
            }
            std::string copy = json;
            UIJson::setString(copy, key, "v");
            ASSERT_FALSE(copy.empty());
        }
    }
}

}  // namespace
