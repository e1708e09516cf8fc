#include "engine/base/Value.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <iomanip>
#include <sstream>
#include <utility>

namespace cocos2d {

namespace {

const ValueVector kEmptyVector;
const ValueMap kEmptyMap;
const ValueMapIntKey kEmptyIntKeyMap;

long long parseInteger(const std::string& text) {
    return std::strtoll(text.c_str(), nullptr, 10);
}

int clampToInt(long long v) {
    if (v > INT_MAX) {
        return INT_MAX;
    }
    if (v < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(v);
}

// Float-to-integer conversion is undefined outside the target's range; clamp first.
int clampToInt(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    if (v >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    if (v <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<int>(v);
}

// Negative values wrap as the integer conversion does; values past the range saturate.
unsigned int clampToUnsigned(long long v) {
    return v > static_cast<long long>(UINT_MAX) ? UINT_MAX : static_cast<unsigned int>(v);
}

unsigned int clampToUnsigned(double v) {
    if (std::isnan(v) || v <= 0.0) {
        return 0;
    }
    if (v >= static_cast<double>(UINT_MAX)) {
        return UINT_MAX;
    }
    return static_cast<unsigned int>(v);
}

void describe(const Value& value, int depth, std::ostringstream& out);

void indent(int depth, std::ostringstream& out) {
    for (int i = 0; i < depth; ++i) {
        out << '\t';
    }
}

template <class Map> void describeMap(const Map& map, int depth, std::ostringstream& out) {
    out << "{\n";
    for (const auto& entry : map) {
        indent(depth + 1, out);
        out << entry.first << ": ";
        describe(entry.second, depth + 1, out);
    }
    indent(depth, out);
    out << "}\n";
}

void describe(const Value& value, int depth, std::ostringstream& out) {
    switch (value.getType()) {
    case Value::Type::VECTOR:
        out << "[\n";
        for (const Value& element : value.asValueVector()) {
            indent(depth + 1, out);
            describe(element, depth + 1, out);
        }
        indent(depth, out);
        out << "]\n";
        break;
    case Value::Type::MAP:
        describeMap(value.asValueMap(), depth, out);
        break;
    case Value::Type::INT_KEY_MAP:
        describeMap(value.asIntKeyMap(), depth, out);
        break;
    case Value::Type::NONE:
        out << "null\n";
        break;
    default:
        out << value.asString() << "\n";
        break;
    }
}

}  // namespace

const Value Value::Null;

Value::Value() : _type(Type::NONE) {
    _field.intVal = 0;
}

Value::Value(unsigned char v) : _type(Type::BYTE) {
    _field.byteVal = v;
}
Value::Value(int v) : _type(Type::INTEGER) {
    _field.intVal = v;
}
Value::Value(unsigned int v) : _type(Type::UNSIGNED) {
    _field.unsignedVal = v;
}
Value::Value(float v) : _type(Type::FLOAT) {
    _field.floatVal = v;
}
Value::Value(double v) : _type(Type::DOUBLE) {
    _field.doubleVal = v;
}
Value::Value(bool v) : _type(Type::BOOLEAN) {
    _field.boolVal = v;
}
Value::Value(const char* v) : _type(Type::STRING) {
    _field.strVal = new std::string(v ? v : "");
}
Value::Value(const std::string& v) : _type(Type::STRING) {
    _field.strVal = new std::string(v);
}
Value::Value(const ValueVector& v) : _type(Type::VECTOR) {
    _field.vectorVal = new ValueVector(v);
}
Value::Value(ValueVector&& v) : _type(Type::VECTOR) {
    _field.vectorVal = new ValueVector(std::move(v));
}
Value::Value(const ValueMap& v) : _type(Type::MAP) {
    _field.mapVal = new ValueMap(v);
}
Value::Value(ValueMap&& v) : _type(Type::MAP) {
    _field.mapVal = new ValueMap(std::move(v));
}
Value::Value(const ValueMapIntKey& v) : _type(Type::INT_KEY_MAP) {
    _field.intKeyMapVal = new ValueMapIntKey(v);
}
Value::Value(ValueMapIntKey&& v) : _type(Type::INT_KEY_MAP) {
    _field.intKeyMapVal = new ValueMapIntKey(std::move(v));
}

Value::Value(const Value& other) : _type(Type::NONE) {
    copyFrom(other);
}

Value::Value(Value&& other) noexcept : _field(other._field), _type(other._type) {
    other._type = Type::NONE;
    other._field.intVal = 0;
}

Value::~Value() {
    clear();
}

Value& Value::operator=(const Value& other) {
    if (this != &other) {
        Value copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Value& Value::operator=(Value&& other) noexcept {
    if (this != &other) {
        clear();
        _field = other._field;
        _type = other._type;
        other._type = Type::NONE;
        other._field.intVal = 0;
    }
    return *this;
}

Value& Value::operator=(unsigned char v) {
    return *this = Value(v);
}
Value& Value::operator=(int v) {
    return *this = Value(v);
}
Value& Value::operator=(unsigned int v) {
    return *this = Value(v);
}
Value& Value::operator=(float v) {
    return *this = Value(v);
}
Value& Value::operator=(double v) {
    return *this = Value(v);
}
Value& Value::operator=(bool v) {
    return *this = Value(v);
}
Value& Value::operator=(const char* v) {
    return *this = Value(v);
}
Value& Value::operator=(const std::string& v) {
    return *this = Value(v);
}
Value& Value::operator=(const ValueVector& v) {
    return *this = Value(v);
}
Value& Value::operator=(ValueVector&& v) {
    return *this = Value(std::move(v));
}
Value& Value::operator=(const ValueMap& v) {
    return *this = Value(v);
}
Value& Value::operator=(ValueMap&& v) {
    return *this = Value(std::move(v));
}
Value& Value::operator=(const ValueMapIntKey& v) {
    return *this = Value(v);
}
Value& Value::operator=(ValueMapIntKey&& v) {
    return *this = Value(std::move(v));
}

bool Value::operator==(const Value& other) const {
    if (this == &other) {
        return true;
    }
    if (_type != other._type) {
        return false;
    }
    switch (_type) {
    case Type::NONE:
        return true;
    case Type::BYTE:
        return _field.byteVal == other._field.byteVal;
    case Type::INTEGER:
        return _field.intVal == other._field.intVal;
    case Type::UNSIGNED:
        return _field.unsignedVal == other._field.unsignedVal;
    case Type::FLOAT:
        return std::fabs(_field.floatVal - other._field.floatVal) <= FLT_EPSILON;
    case Type::DOUBLE:
        return std::fabs(_field.doubleVal - other._field.doubleVal) <= DBL_EPSILON;
    case Type::BOOLEAN:
        return _field.boolVal == other._field.boolVal;
    case Type::STRING:
        return *_field.strVal == *other._field.strVal;
    case Type::VECTOR:
        return *_field.vectorVal == *other._field.vectorVal;
    case Type::MAP:
        return *_field.mapVal == *other._field.mapVal;
    case Type::INT_KEY_MAP:
        return *_field.intKeyMapVal == *other._field.intKeyMapVal;
    }
    return false;
}

unsigned char Value::asByte() const {
    switch (_type) {
    case Type::BYTE:
        return _field.byteVal;
    case Type::INTEGER:
        return static_cast<unsigned char>(_field.intVal);
    case Type::UNSIGNED:
        return static_cast<unsigned char>(_field.unsignedVal);
    case Type::STRING:
        return static_cast<unsigned char>(parseInteger(*_field.strVal));
    case Type::FLOAT:
    case Type::DOUBLE:
        return static_cast<unsigned char>(clampToInt(asDouble()));
    case Type::BOOLEAN:
        return _field.boolVal ? 1 : 0;
    default:
        return 0;
    }
}

int Value::asInt() const {
    switch (_type) {
    case Type::BYTE:
        return _field.byteVal;
    case Type::INTEGER:
        return _field.intVal;
    case Type::UNSIGNED:
        return static_cast<int>(_field.unsignedVal);
    case Type::STRING:
        return clampToInt(parseInteger(*_field.strVal));
    case Type::FLOAT:
    case Type::DOUBLE:
        return clampToInt(asDouble());
    case Type::BOOLEAN:
        return _field.boolVal ? 1 : 0;
    default:
        return 0;
    }
}

unsigned int Value::asUnsignedInt() const {
    switch (_type) {
    case Type::BYTE:
        return _field.byteVal;
    case Type::INTEGER:
        return static_cast<unsigned int>(_field.intVal);
    case Type::UNSIGNED:
        return _field.unsignedVal;
    case Type::STRING:
        return clampToUnsigned(parseInteger(*_field.strVal));
    case Type::FLOAT:
    case Type::DOUBLE:
        return clampToUnsigned(asDouble());
    case Type::BOOLEAN:
        return _field.boolVal ? 1u : 0u;
    default:
        return 0;
    }
}

float Value::asFloat() const {
    switch (_type) {
    case Type::FLOAT:
        return _field.floatVal;
    case Type::STRING:
        return std::strtof(_field.strVal->c_str(), nullptr);
    default:
        return static_cast<float>(asDouble());
    }
}

double Value::asDouble() const {
    switch (_type) {
    case Type::BYTE:
        return _field.byteVal;
    case Type::INTEGER:
        return _field.intVal;
    case Type::UNSIGNED:
        return _field.unsignedVal;
    case Type::FLOAT:
        return _field.floatVal;
    case Type::DOUBLE:
        return _field.doubleVal;
    case Type::STRING:
        return std::strtod(_field.strVal->c_str(), nullptr);
    case Type::BOOLEAN:
        return _field.boolVal ? 1.0 : 0.0;
    default:
        return 0.0;
    }
}

bool Value::asBool() const {
    switch (_type) {
    case Type::BYTE:
        return _field.byteVal != 0;
    case Type::INTEGER:
        return _field.intVal != 0;
    case Type::UNSIGNED:
        return _field.unsignedVal != 0;
    case Type::FLOAT:
        return _field.floatVal != 0.0f;
    case Type::DOUBLE:
        return _field.doubleVal != 0.0;
    case Type::BOOLEAN:
        return _field.boolVal;
    case Type::STRING:
        return !(*_field.strVal == "0" || *_field.strVal == "false");
    default:
        return false;
    }
}

std::string Value::asString() const {
    std::ostringstream out;
    switch (_type) {
    case Type::STRING:
        return *_field.strVal;
    case Type::BYTE:
        out << static_cast<unsigned int>(_field.byteVal);
        break;
    case Type::INTEGER:
        out << _field.intVal;
        break;
    case Type::UNSIGNED:
        out << _field.unsignedVal;
        break;
    case Type::FLOAT:
        out << std::fixed << std::setprecision(7) << _field.floatVal;
        break;
    case Type::DOUBLE:
        out << std::fixed << std::setprecision(16) << _field.doubleVal;
        break;
    case Type::BOOLEAN:
        return _field.boolVal ? "true" : "false";
    default:
        break;
    }
    return out.str();
}

ValueVector& Value::asValueVector() {
    if (_type != Type::VECTOR) {
        reset(Type::VECTOR);
    }
    return *_field.vectorVal;
}

const ValueVector& Value::asValueVector() const {
    return _type == Type::VECTOR ? *_field.vectorVal : kEmptyVector;
}

ValueMap& Value::asValueMap() {
    if (_type != Type::MAP) {
        reset(Type::MAP);
    }
    return *_field.mapVal;
}

const ValueMap& Value::asValueMap() const {
    return _type == Type::MAP ? *_field.mapVal : kEmptyMap;
}

ValueMapIntKey& Value::asIntKeyMap() {
    if (_type != Type::INT_KEY_MAP) {
        reset(Type::INT_KEY_MAP);
    }
    return *_field.intKeyMapVal;
}

const ValueMapIntKey& Value::asIntKeyMap() const {
    return _type == Type::INT_KEY_MAP ? *_field.intKeyMapVal : kEmptyIntKeyMap;
}

std::string Value::getDescription() const {
    std::ostringstream out;
    out << "\n";
    describe(*this, 0, out);
    return out.str();
}

void Value::clear() {
    switch (_type) {
    case Type::STRING:
        delete _field.strVal;
        break;
    case Type::VECTOR:
        delete _field.vectorVal;
        break;
    case Type::MAP:
        delete _field.mapVal;
        break;
    case Type::INT_KEY_MAP:
        delete _field.intKeyMapVal;
        break;
    default:
        break;
    }
    _type = Type::NONE;
    _field.intVal = 0;
}

void Value::reset(Type type) {
    clear();
    switch (type) {
    case Type::STRING:
        _field.strVal = new std::string();
        break;
    case Type::VECTOR:
        _field.vectorVal = new ValueVector();
        break;
    case Type::MAP:
        _field.mapVal = new ValueMap();
        break;
    case Type::INT_KEY_MAP:
        _field.intKeyMapVal = new ValueMapIntKey();
        break;
    default:
        break;
    }
    _type = type;
}

void Value::copyFrom(const Value& other) {
    switch (other._type) {
    case Type::STRING:
        _field.strVal = new std::string(*other._field.strVal);
        break;
    case Type::VECTOR:
        _field.vectorVal = new ValueVector(*other._field.vectorVal);
        break;
    case Type::MAP:
        _field.mapVal = new ValueMap(*other._field.mapVal);
        break;
    case Type::INT_KEY_MAP:
        _field.intKeyMapVal = new ValueMapIntKey(*other._field.intKeyMapVal);
        break;
    default:
        _field = other._field;
        break;
    }
    _type = other._type;
}

}  // namespace cocos2d
