#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>

#include "engine/base/Value.h"

namespace {

using cocos2d::Value;
using cocos2d::ValueMap;
using cocos2d::ValueMapIntKey;
using cocos2d::ValueVector;

struct ConversionCase {
    const char* name;
    Value value;
    Value::Type type;
    int asInt;
    unsigned int asUnsigned;
    double asDouble;
    bool asBool;
    std::string asString;
};

class ValueConversionTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(ValueConversionTest, Converts) {
    const ConversionCase& c = GetParam();
    EXPECT_EQ(c.value.getType(), c.type);
    EXPECT_EQ(c.value.asInt(), c.asInt);
    EXPECT_EQ(c.value.asUnsignedInt(), c.asUnsigned);
    EXPECT_DOUBLE_EQ(c.value.asDouble(), c.asDouble);
    EXPECT_FLOAT_EQ(c.value.asFloat(), static_cast<float>(c.asDouble));
    EXPECT_EQ(c.value.asBool(), c.asBool);
    EXPECT_EQ(c.value.asString(), c.asString);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ValueConversionTest,
    ::testing::Values(
        ConversionCase{"none", Value(), Value::Type::NONE, 0, 0, 0.0, false, ""},
        ConversionCase{"byte", Value(static_cast<unsigned char>(200)), Value::Type::BYTE, 200, 200,
                       200.0, true, "200"},
        ConversionCase{"integer", Value(-42), Value::Type::INTEGER, -42,
                       static_cast<unsigned int>(-42), -42.0, true, "-42"},
        ConversionCase{"zero", Value(0), Value::Type::INTEGER, 0, 0, 0.0, false, "0"},
        ConversionCase{"unsigned", Value(7u), Value::Type::UNSIGNED, 7, 7, 7.0, true, "7"},
        ConversionCase{"float", Value(2.5f), Value::Type::FLOAT, 2, 2, 2.5, true, "2.5000000"},
        ConversionCase{"double", Value(-1.25), Value::Type::DOUBLE, -1, 0, -1.25, true,
                       "-1.2500000000000000"},
        ConversionCase{"huge double", Value(1e12), Value::Type::DOUBLE, INT_MAX, UINT_MAX, 1e12,
                       true, "1000000000000.0000000000000000"},
        ConversionCase{"true", Value(true), Value::Type::BOOLEAN, 1, 1, 1.0, true, "true"},
        ConversionCase{"false", Value(false), Value::Type::BOOLEAN, 0, 0, 0.0, false, "false"},
        ConversionCase{"numeric text", Value("12.75"), Value::Type::STRING, 12, 12, 12.75, true,
                       "12.75"},
        ConversionCase{"text zero", Value(std::string("0")), Value::Type::STRING, 0, 0, 0.0, false,
                       "0"},
        ConversionCase{"text false", Value("false"), Value::Type::STRING, 0, 0, 0.0, false,
                       "false"},
        ConversionCase{"plain text", Value("abc"), Value::Type::STRING, 0, 0, 0.0, true, "abc"},
        ConversionCase{"overflowing text", Value("99999999999"), Value::Type::STRING, INT_MAX,
                       UINT_MAX, 99999999999.0, true, "99999999999"},
        ConversionCase{"vector", Value(ValueVector{Value(1)}), Value::Type::VECTOR, 0, 0, 0.0,
                       false, ""},
        ConversionCase{"map", Value(ValueMap{{"k", Value(1)}}), Value::Type::MAP, 0, 0, 0.0, false,
                       ""}),
    [](const ::testing::TestParamInfo<ConversionCase>& info) {
        std::string name = info.param.name;
        for (char& ch : name) {
            if (ch == ' ') {
                ch = '_';
            }
        }
        return name;
    });

TEST(ValueTest, NestedContainersCopyDeeply) {
    ValueMap inner{{"x", Value(1)}};
    ValueMap outer{{"inner", Value(inner)}, {"list", Value(ValueVector{Value("a"), Value(2)})}};
    Value original(outer);
    Value copy(original);
    copy.asValueMap()["inner"].asValueMap()["x"] = 5;
    copy.asValueMap()["list"].asValueVector().push_back(Value(true));

    EXPECT_EQ(original.asValueMap().at("inner").asValueMap().at("x").asInt(), 1);
    EXPECT_EQ(original.asValueMap().at("list").asValueVector().size(), 2u);
    EXPECT_EQ(copy.asValueMap().at("inner").asValueMap().at("x").asInt(), 5);
    EXPECT_NE(original, copy);

    Value intKeys(ValueMapIntKey{{3, Value("three")}});
    EXPECT_EQ(intKeys.getType(), Value::Type::INT_KEY_MAP);
    EXPECT_EQ(intKeys.asIntKeyMap().at(3).asString(), "three");
}

TEST(ValueTest, MoveLeavesTheSourceNull) {
    Value source(std::string("text"));
    Value moved(std::move(source));
    EXPECT_TRUE(source.isNull());
    EXPECT_EQ(moved.asString(), "text");

    Value target(ValueVector{Value(1)});
    target = std::move(moved);
    EXPECT_EQ(target.getType(), Value::Type::STRING);
    EXPECT_TRUE(moved.isNull());
}

TEST(ValueTest, AssignmentChangesType) {
    Value v(ValueMap{{"a", Value(1)}});
    v = 3.5f;
    EXPECT_EQ(v.getType(), Value::Type::FLOAT);
    v = "now text";
    EXPECT_EQ(v.asString(), "now text");
    v = v;
    EXPECT_EQ(v.asString(), "now text");
    v.clear();
    EXPECT_TRUE(v.isNull());
}

TEST(ValueTest, ContainerAccessOnOtherTypes) {
    const Value number(4);
    EXPECT_TRUE(number.asValueMap().empty());
    EXPECT_TRUE(number.asValueVector().empty());
    EXPECT_TRUE(number.asIntKeyMap().empty());
    EXPECT_TRUE(Value::Null.isNull());

    Value writable(4);
    writable.asValueMap()["k"] = Value("v");
    EXPECT_EQ(writable.getType(), Value::Type::MAP);
    EXPECT_EQ(writable.asValueMap().at("k").asString(), "v");
}

TEST(ValueTest, EqualityNeedsSameTypeAndContent) {
    EXPECT_EQ(Value(1), Value(1));
    EXPECT_NE(Value(1), Value(1u));
    EXPECT_NE(Value(1), Value("1"));
    EXPECT_EQ(Value(0.1f), Value(0.1f));
    EXPECT_EQ(Value(), Value::Null);
    EXPECT_EQ(Value(ValueVector{Value(1), Value("a")}), Value(ValueVector{Value(1), Value("a")}));
    EXPECT_NE(Value(ValueVector{Value(1)}), Value(ValueVector{Value(2)}));
}

TEST(ValueTest, DescriptionShowsNestedContent) {
    Value v(ValueMap{{"key", Value(ValueVector{Value(7), Value()})}});
    const std::string description = v.getDescription();
    EXPECT_NE(description.find("key"), std::string::npos);
    EXPECT_NE(description.find("7"), std::string::npos);
    EXPECT_NE(description.find("null"), std::string::npos);
}

}  // namespace
