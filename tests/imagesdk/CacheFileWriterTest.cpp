#include "imagesdk/io/CacheFileWriter.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tests/support/lib/TempDir.h"

using isImageSDK::CacheFileWriter;

namespace {

std::string contentOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

TEST(CacheFileWriterTest, FileAppearsWhole) {
    bvtest::TempDir dir;
    const std::filesystem::path path = dir / "1.raw";
    std::ofstream(path) << "old";
    {
        CacheFileWriter writer(path.string());
        ASSERT_TRUE(writer.isOpen());
        EXPECT_TRUE(writer.write("new ", 4));
        EXPECT_TRUE(writer.write("bytes", 5));
        // Until commit readers still find the earlier file.
        EXPECT_EQ(contentOf(path), "old");
        EXPECT_EQ(namesIn(dir.path()).size(), 2u);
        EXPECT_TRUE(writer.commit());
    }
    EXPECT_EQ(contentOf(path), "new bytes");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"1.raw"});
}

TEST(CacheFileWriterTest, AbandonedWriteLeavesNothing) {
    bvtest::TempDir dir;
    {
        CacheFileWriter writer((dir / "1.prebin").string());
        ASSERT_TRUE(writer.isOpen());
        EXPECT_TRUE(writer.write("partial", 7));
    }
    EXPECT_TRUE(namesIn(dir.path()).empty());
}

TEST(CacheFileWriterTest, UnwritableFolderFailsEveryStep) {
    bvtest::TempDir dir;
    CacheFileWriter writer((dir / "missing" / "1.raw").string());
    EXPECT_FALSE(writer.isOpen());
    EXPECT_FALSE(writer.write("x", 1));
    EXPECT_FALSE(writer.commit());
    EXPECT_TRUE(namesIn(dir.path()).empty());
}

// A full disk: the file size limit makes the write fail part way, in a child process so that
// the limit stays there.
TEST(CacheFileWriterTest, FailedWriteKeepsTheEarlierFileAndRemovesTheTemporaryOne) {
    bvtest::TempDir dir;
    const std::filesystem::path path = dir / "1.raw";
    std::ofstream(path) << "old";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit = {1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
        const std::string bytes(4000, 'v');
        CacheFileWriter writer(path.string());
        const bool written = writer.isOpen() && writer.write(bytes.data(), bytes.size());
        const bool committed = writer.commit();
        _exit(!written && !committed ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(contentOf(path), "old");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"1.raw"});
}

}  // namespace
