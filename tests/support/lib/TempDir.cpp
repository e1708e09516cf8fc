#include "tests/support/lib/TempDir.h"

#include <cstdlib>
#include <stdexcept>

namespace bvtest {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "bvtmp-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace bvtest
