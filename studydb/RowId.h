#pragma once

#include <string>

namespace studydb {

// A text as an SQL string literal: in single quotes, with every inner single quote doubled, so
// that no value can end the literal or be read as a column name.
std::string sqlText(const std::string& value);

// A row id given as text; false unless it is a plain decimal number that fits 63 bits.
bool parseRowId(const std::string& text, long long& id);

}  // namespace studydb
