#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace cocos2d {

class Value;

using ValueVector = std::vector<Value>;
using ValueMap = std::unordered_map<std::string, Value>;
using ValueMapIntKey = std::unordered_map<int, Value>;

// A tagged value: a number, a flag, a text, or a nested list or map of values.
//
// Scalar conversions follow the usual engine rules: texts are parsed as numbers (unparsable
// text gives 0), "0" and "false" are the only false texts, numbers become texts in fixed
// notation (7 decimals for FLOAT, 16 for DOUBLE). Containers and NONE convert to 0, false and
// the empty text. Container accessors of a value of another type: the const form gives an
// empty container; the mutable form first turns the value into an empty container of that type
// so that writes through the reference stay in the value.
class Value {
public:
    enum class Type {
        NONE = 0,
        BYTE,
        INTEGER,
        UNSIGNED,
        FLOAT,
        DOUBLE,
        BOOLEAN,
        STRING,
        VECTOR,
        MAP,
        INT_KEY_MAP
    };

    static const Value Null;

    Value();
    explicit Value(unsigned char v);
    explicit Value(int v);
    explicit Value(unsigned int v);
    explicit Value(float v);
    explicit Value(double v);
    explicit Value(bool v);
    explicit Value(const char* v);
    explicit Value(const std::string& v);
    explicit Value(const ValueVector& v);
    explicit Value(ValueVector&& v);
    explicit Value(const ValueMap& v);
    explicit Value(ValueMap&& v);
    explicit Value(const ValueMapIntKey& v);
    explicit Value(ValueMapIntKey&& v);
    Value(const Value& other);
    Value(Value&& other) noexcept;
    ~Value();

    Value& operator=(const Value& other);
    Value& operator=(Value&& other) noexcept;
    Value& operator=(unsigned char v);
    Value& operator=(int v);
    Value& operator=(unsigned int v);
    Value& operator=(float v);
    Value& operator=(double v);
    Value& operator=(bool v);
    Value& operator=(const char* v);
    Value& operator=(const std::string& v);
    Value& operator=(const ValueVector& v);
    Value& operator=(ValueVector&& v);
    Value& operator=(const ValueMap& v);
    Value& operator=(ValueMap&& v);
    Value& operator=(const ValueMapIntKey& v);
    Value& operator=(ValueMapIntKey&& v);

    // Same type and equal content; FLOAT and DOUBLE compare within a small tolerance.
    bool operator==(const Value& other) const;
    bool operator!=(const Value& other) const { return !(*this == other); }

    unsigned char asByte() const;
    int asInt() const;
    unsigned int asUnsignedInt() const;
    float asFloat() const;
    double asDouble() const;
    bool asBool() const;
    std::string asString() const;

    ValueVector& asValueVector();
    const ValueVector& asValueVector() const;
    ValueMap& asValueMap();
    const ValueMap& asValueMap() const;
    ValueMapIntKey& asIntKeyMap();
    const ValueMapIntKey& asIntKeyMap() const;

    bool isNull() const { return _type == Type::NONE; }
    Type getType() const { return _type; }

    // A readable dump of the value and everything in it, for logs.
    std::string getDescription() const;

    void clear();

private:
    void reset(Type type);
    void copyFrom(const Value& other);

    union {
        unsigned char byteVal;
        int intVal;
        unsigned int unsignedVal;
        float floatVal;
        double doubleVal;
        bool boolVal;
        std::string* strVal;
        ValueVector* vectorVal;
        ValueMap* mapVal;
        ValueMapIntKey* intKeyMapVal;
    } _field;
    Type _type;
};

}  // namespace cocos2d
