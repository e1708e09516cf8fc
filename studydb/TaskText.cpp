#include "studydb/TaskText.h"

#include <algorithm>

namespace studydb {

std::string taskField(const std::string& text) {
    std::string field = text;
    std::replace(field.begin(), field.end(), ',', ' ');
    std::replace(field.begin(), field.end(), '@', ' ');
    return field;
}

}  // namespace studydb
