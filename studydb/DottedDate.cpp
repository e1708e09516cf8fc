#include "studydb/DottedDate.h"

namespace studydb {

std::string dottedDate(const std::string& date) {
    if (date.size() != 8) {
        return date;
    }
    return date.substr(0, 4) + "." + date.substr(4, 2) + "." + date.substr(6, 2);
}

}  // namespace studydb
