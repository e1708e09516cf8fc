#pragma once

#include <initializer_list>
#include <string>
#include <utility>

namespace dcmSDK {

// Builds the flat JSON texts of library events: every value a quoted string that the
// application's flat reader reads back whole.
class DcmEventText {
public:
    static std::string json(std::initializer_list<std::pair<const char*, std::string>> fields);
    static std::string escape(const std::string& value);  // a value made safe to quote
};

}  // namespace dcmSDK
