#pragma once

#include <string>

#include "engine/base/Ref.h"

namespace cocos2d {

// A reference-counted text, the string object held by __Array and __Dictionary.
class __String : public Ref {
public:
    __String() = default;
    explicit __String(const char* str);
    explicit __String(const std::string& str);

    static __String* create(const std::string& str);
    static __String* createWithFormat(const char* format, ...)
        __attribute__((format(printf, 1, 2)));
    static __String* createWithData(const unsigned char* data, std::size_t length);

    const char* getCString() const { return _string.c_str(); }
    int length() const { return static_cast<int>(_string.length()); }
    int compare(const char* str) const;

    // Numbers are parsed like atoi/atof: leading digits only, 0 when there are none.
    int intValue() const;
    unsigned int uintValue() const;
    float floatValue() const;
    double doubleValue() const;
    // False for the empty text, "0" and "false"; true otherwise.
    bool boolValue() const;

    void append(const std::string& str) { _string.append(str); }

    // Equal texts; false when the other object is not a __String.
    bool isEqual(const Ref* object) const;

    std::string _string;
};

}  // namespace cocos2d
