#pragma once

#include <string>

namespace studydb {

// A stored DICOM date as the lists show it, the same for a row read from the library and for
// one made from a file filed just now: 8 characters as YYYY.MM.DD, any other text as it stands.
std::string dottedDate(const std::string& date);

}  // namespace studydb
