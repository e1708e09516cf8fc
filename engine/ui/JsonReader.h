#pragma once

#include <string>

#include "engine/base/Value.h"

namespace cocos2d {

// Reads JSON text (RFC 8259, parsed by nlohmann-json) into engine values: objects become maps,
// arrays vectors, numbers doubles (integers within the int range become ints), true/false
// booleans and null an empty value. The whole text must be one value; nesting is limited to
// 64 levels and numbers must be finite.
class JsonReader {
public:
    // False, with a message saying where, when the text is not valid JSON; `out` is then
    // left as it was.
    static bool parse(const std::string& text, Value* out, std::string* error);
};

}  // namespace cocos2d
