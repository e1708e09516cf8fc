#pragma once

#include <string>

namespace studydb {

// A row id given as text; false unless it is a plain decimal number that fits 63 bits.
bool parseRowId(const std::string& text, long long& id);

}  // namespace studydb
