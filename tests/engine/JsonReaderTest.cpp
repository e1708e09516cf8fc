#include <gtest/gtest.h>

#include <string>

#include "engine/ui/JsonReader.h"

using namespace cocos2d;

TEST(JsonReaderTest, ReadsValuesOfEveryKind) {
    Value value;
    std::string error;
    ASSERT_TRUE(JsonReader::parse(
        R"( {"a": [1, -2.5, 3e2, true, false, null], "s": "x\"\\\/\n\u00e9\ud83d\ude00",
            "o": {}, "e": [], "big": 4000000000} )",
        &value, &error))
        << error;
    const ValueMap& map = value.asValueMap();
    const ValueVector& a = map.at("a").asValueVector();
    ASSERT_EQ(a.size(), 6u);
    EXPECT_EQ(a[0].getType(), Value::Type::INTEGER);
    EXPECT_EQ(a[0].asInt(), 1);
    EXPECT_DOUBLE_EQ(a[1].asDouble(), -2.5);
    EXPECT_DOUBLE_EQ(a[2].asDouble(), 300.0);
    EXPECT_TRUE(a[3].asBool());
    EXPECT_FALSE(a[4].asBool());
    EXPECT_TRUE(a[5].isNull());
    EXPECT_EQ(map.at("s").asString(), "x\"\\/\n\xc3\xa9\xf0\x9f\x98\x80");
    EXPECT_TRUE(map.at("o").asValueMap().empty());
    EXPECT_TRUE(map.at("e").asValueVector().empty());
    EXPECT_EQ(map.at("big").getType(), Value::Type::DOUBLE);
}

TEST(JsonReaderTest, RefusesMalformedTextAndKeepsTheOutput) {
    const std::string bad[] = {"",        "{",           "{\"a\" 1}", "[1,]",
                               "01",      "1.",          "-",         "\"abc",
                               "\"\\x\"", "\"\\ud800\"", "tru",       "{} {}",
                               "{1: 2}",  "\"a\nb\"",    "1e400",     std::string(100, '[')};
    for (const std::string& text : bad) {
        Value value(7);
        std::string error;
        EXPECT_FALSE(JsonReader::parse(text, &value, &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
        EXPECT_EQ(value.asInt(), 7) << text;
    }
}
