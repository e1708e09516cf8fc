#include "platform/DirectoryListing.h"

#include "tests/support/lib/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

TEST(DirectoryListingTest, EntriesComeSortedByNameWithTheirKinds) {
    bvtest::TempDir dir;
    for (const char* name : {"b.dcm", "dir", "a.dcm", "C.dcm", ".hidden", "a0"}) {
        std::ofstream(dir / name) << "x";
    }
    fs::remove(dir / "dir");
    fs::create_directory(dir / "dir");
    fs::create_directory_symlink(dir / "dir", dir / "link");

    std::vector<platform::DirectoryEntry> entries;
    ASSERT_TRUE(platform::listDirectory(dir.str(), entries));
    std::vector<std::string> names;
    for (const auto& entry : entries) {
        names.push_back(entry.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{".hidden", "C.dcm", "a.dcm", "a0", "b.dcm", "dir",
                                               "link"}));
    EXPECT_FALSE(entries[1].isDirectory);
    EXPECT_TRUE(entries[5].isDirectory);
    EXPECT_FALSE(entries[5].isSymlink);
    EXPECT_TRUE(entries[6].isDirectory);
    EXPECT_TRUE(entries[6].isSymlink);
}

TEST(DirectoryListingTest, UnreadableFolderGivesFalseAndNoEntries) {
    bvtest::TempDir dir;
    std::ofstream(dir / "file") << "x";
    std::vector<platform::DirectoryEntry> entries(3);
    EXPECT_FALSE(platform::listDirectory((dir / "missing").string(), entries));
    EXPECT_TRUE(entries.empty());
    EXPECT_FALSE(platform::listDirectory((dir / "file").string(), entries));
    EXPECT_TRUE(entries.empty());
}

}  // namespace
