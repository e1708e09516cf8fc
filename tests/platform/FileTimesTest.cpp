#include "platform/FileTimes.h"

#include "tests/support/lib/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <fstream>

namespace {

bool fileSystemKeepsBirthTime(const std::string& path) {
    struct statx info = {};
    return statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME, &info) == 0 &&
           (info.stx_mask & STATX_BTIME) != 0;
}

void setModificationTime(const std::string& path, std::time_t seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(FileTimesTest, CreationTimeIsTheBirthOrElseTheModification) {
    bvtest::TempDir dir;
    const std::string path = (dir / "f.raw").string();
    const std::time_t before = std::time(nullptr);
    std::ofstream(path) << "data";
    const std::time_t after = std::time(nullptr);

    std::time_t created = 0;
    ASSERT_TRUE(platform::getFileCreationTime(path, created));
    EXPECT_GE(created, before - 1);
    EXPECT_LE(created, after + 1);

    // Moving the modification time a day back: a kept birth time stays, a missing one follows.
    const std::time_t dayBefore = before - 86400;
    setModificationTime(path, dayBefore);
    ASSERT_TRUE(platform::getFileCreationTime(path, created));
    if (fileSystemKeepsBirthTime(path)) {
        EXPECT_GE(created, before - 1);
        EXPECT_LE(created, after + 1);
    } else {
        EXPECT_EQ(created, dayBefore);
    }
}

TEST(FileTimesTest, MissingFileGivesFalse) {
    bvtest::TempDir dir;
    std::time_t created = 42;
    EXPECT_FALSE(platform::getFileCreationTime((dir / "none").string(), created));
    EXPECT_EQ(created, 42);
    EXPECT_FALSE(platform::getFileCreationTime("", created));
}

}  // namespace
