#pragma once

#include <string>
#include <system_error>

namespace dcmSDK {

// Moves a whole file into a series folder without ever taking another file's place: a name that
// a row or a deletion's journal already gives to a file there keeps meaning that file, so a
// deletion under way cannot remove a new arrival, nor a new arrival become a file a deletion
// removes.
class DcmFilePlacer {
public:
    // More copies of one name than this waiting beside each other to be filed is no arrival.
    static constexpr int kMaxCopies = 100;

    // Moves source into folder (ending in "/") as name or, while a file of that name is there,
    // as name + "-1", name + "-2", ... up to kMaxCopies names; the name it took. Empty, with
    // error set, when it could not be moved; source is then as it was.
    static std::string place(const std::string& source, const std::string& folder,
                             const std::string& name, std::error_code& error);
};

}  // namespace dcmSDK
