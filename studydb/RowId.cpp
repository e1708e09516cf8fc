#include "studydb/RowId.h"

#include <cerrno>
#include <cstdlib>

namespace studydb {

bool parseRowId(const std::string& text, long long& id) {
    if (text.empty() || text.size() > 18) {
        return false;
    }
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    errno = 0;
    id = std::strtoll(text.c_str(), nullptr, 10);
    return errno == 0;
}

}  // namespace studydb
