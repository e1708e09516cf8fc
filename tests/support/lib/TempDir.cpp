#include "tests/support/lib/TempDir.h"

#include <cstdlib>
#include <stdexcept>

namespace bvtest {

TempDir::TempDir(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void TempDir::useAsWritablePath(const std::string& inside) const {
    const std::string folder = inside.empty() ? str() : str() + inside + "/";
    setenv("BRIMVALE_WRITABLE_PATH", folder.c_str(), 1);
}

}  // namespace bvtest
