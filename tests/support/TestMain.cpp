// Entry point of every test suite: each test process gets a private writable folder so that
// suites run side by side without sharing settings, databases or caches.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    std::string pattern = (std::filesystem::temp_directory_path() / "bvtest-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        return 2;
    }
    const std::string writable = pattern + "/";
    setenv("BRIMVALE_WRITABLE_PATH", writable.c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
    return result;
}
