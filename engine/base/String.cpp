#include "engine/base/String.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace cocos2d {

__String::__String(const char* str) : _string(str ? str : "") {}

__String::__String(const std::string& str) : _string(str) {}

__String* __String::create(const std::string& str) {
    auto* created = new (std::nothrow) __String(str);
    if (created != nullptr) {
        created->autorelease();
    }
    return created;
}

__String* __String::createWithFormat(const char* format, ...) {
    std::string text;
    if (format != nullptr) {
        va_list args;
        va_start(args, format);
        va_list sizing;
        va_copy(sizing, args);
        const int length = std::vsnprintf(nullptr, 0, format, sizing);
        va_end(sizing);
        if (length > 0) {
            text.resize(static_cast<std::size_t>(length) + 1);
            std::vsnprintf(text.data(), text.size(), format, args);
            text.resize(static_cast<std::size_t>(length));
        }
        va_end(args);
    }
    return create(text);
}

__String* __String::createWithData(const unsigned char* data, std::size_t length) {
    if (data == nullptr) {
        return create(std::string());
    }
    return create(std::string(reinterpret_cast<const char*>(data), length));
}

int __String::compare(const char* str) const {
    return std::strcmp(getCString(), str ? str : "");
}

int __String::intValue() const {
    const long long value = std::strtoll(_string.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

unsigned int __String::uintValue() const {
    return static_cast<unsigned int>(std::strtoul(_string.c_str(), nullptr, 10));
}

float __String::floatValue() const {
    return std::strtof(_string.c_str(), nullptr);
}

double __String::doubleValue() const {
    return std::strtod(_string.c_str(), nullptr);
}

bool __String::boolValue() const {
    return !(_string.empty() || _string == "0" || _string == "false");
}

bool __String::isEqual(const Ref* object) const {
    const auto* other = dynamic_cast<const __String*>(object);
    return other != nullptr && other->_string == _string;
}

}  // namespace cocos2d
