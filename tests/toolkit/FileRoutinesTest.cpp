#include "toolkit/core/FileRoutines.h"

#include "engine/base/UserDefault.h"
#include "platform/FileDialogs.h"
#include "tests/support/lib/SmallDisk.h"
#include "tests/support/lib/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace NSUI;
namespace fs = std::filesystem;

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

bool runningAsRoot() {
    return geteuid() == 0;
}

class FileRoutinesTest : public ::testing::Test {
protected:
    bvtest::TempDir dir;
};

TEST_F(FileRoutinesTest, ReadGivesRawBytesOrTextUpToNul) {
    const std::string bytes("ab\0cd", 5);
    writeFile(dir / "f.bin", bytes);

    ssize_t length = -1;
    unsigned char* raw = readFileData((dir / "f.bin").string(), &length, true);
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(length, 5);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(raw), 5), bytes);
    std::free(raw);

    unsigned char* text = readFileData((dir / "f.bin").string(), &length, false);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(length, 2);
    EXPECT_STREQ(reinterpret_cast<char*>(text), "ab");
    std::free(text);

    writeFile(dir / "empty", "");
    writeFile(dir / "nul", std::string("\0x", 2));
    length = 77;
    EXPECT_EQ(readFileData((dir / "empty").string(), &length, true), nullptr);
    EXPECT_EQ(readFileData((dir / "nul").string(), &length, false), nullptr);
    EXPECT_EQ(readFileData((dir / "missing").string(), &length, true), nullptr);
    EXPECT_EQ(length, 77);
}

TEST_F(FileRoutinesTest, WriteCreatesParentFoldersAndReplacesContent) {
    const fs::path target = dir / "a" / "b" / "c.txt";
    EXPECT_TRUE(writeStringToFile(target.string(), "first version"));
    EXPECT_TRUE(writeStringToFile(target.string(), "second"));
    EXPECT_EQ(readAll(target), "second");
    EXPECT_TRUE(writeBufferToFile((dir / "zero").string(), nullptr, 0));
    EXPECT_TRUE(fs::exists(dir / "zero"));
    EXPECT_EQ(fs::file_size(dir / "zero"), 0u);
    EXPECT_FALSE(writeBufferToFile((dir / "null").string(), nullptr, 3));
}

TEST_F(FileRoutinesTest, ReplacingAFileKeepsItsMode) {
    for (const fs::perms mode : {fs::perms::owner_read | fs::perms::owner_write,
                                 fs::perms::owner_all | fs::perms::group_read}) {
        const fs::path target = dir / "kept.txt";
        writeFile(target, "old");
        fs::permissions(target, mode);
        ASSERT_TRUE(writeStringToFile(target.string(), "new"));
        EXPECT_EQ(readAll(target), "new");
        EXPECT_EQ(fs::status(target).permissions(), mode);
    }
}

TEST_F(FileRoutinesTest, WriteWithoutSeparatorUsesTheCurrentFolder) {
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    EXPECT_TRUE(writeStringToFile("plain.txt", "here"));
    fs::current_path(previous);
    EXPECT_EQ(readAll(dir / "plain.txt"), "here");
}

TEST_F(FileRoutinesTest, WriteFailures) {
    writeFile(dir / "file", "x");
    // The parent is a file, so the folder cannot be made.
    EXPECT_FALSE(writeStringToFile((dir / "file" / "inner.txt").string(), "y"));
    // The target is a folder, so it cannot be opened.
    fs::create_directory(dir / "folder");
    EXPECT_FALSE(writeStringToFile((dir / "folder").string(), "y"));
    EXPECT_FALSE(writeStringToFile("", "y"));
}

TEST_F(FileRoutinesTest, WriteReportsAFullDevice) {
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    const std::string big(1 << 16, 'x');
    EXPECT_FALSE(writeStringToFile("/dev/full", big));
}

TEST_F(FileRoutinesTest, ReplacingAFileOnAFullDiskKeepsItWholeAndLeavesNothingBeside) {
    const bvtest::SmallDisk disk(dir.str());
    if (!disk.mounted()) {
        GTEST_SKIP() << "mounting a tmpfs needs root";
    }
    const fs::path stored = dir / "series" / "1.2.3";
    writeFile(stored, "the stored object");
    disk.fill((dir / "filler").string());
    EXPECT_FALSE(writeStringToFile(stored.string(), std::string(1 << 16, 'y')));
    EXPECT_EQ(readAll(stored), "the stored object");
    std::vector<std::string> beside;
    for (const auto& entry : fs::directory_iterator(stored.parent_path())) {
        beside.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(beside, std::vector<std::string>{"1.2.3"});
    // Through a link, the linked file is replaced and the link stays.
    fs::remove(dir / "filler");
    fs::create_symlink(stored, dir / "link");
    EXPECT_TRUE(writeStringToFile((dir / "link").string(), "new"));
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(readAll(stored), "new");
}

TEST_F(FileRoutinesTest, CopyFile) {
    writeFile(dir / "src.bin", std::string("\x01\x00\x02", 3));
    EXPECT_TRUE(copyFile((dir / "src.bin").string(), (dir / "out" / "dst.bin").string()));
    EXPECT_EQ(readAll(dir / "out" / "dst.bin"), std::string("\x01\x00\x02", 3));

    // Equal paths succeed without touching anything, even for a missing file.
    EXPECT_TRUE(copyFile((dir / "nothing").string(), (dir / "nothing").string()));
    EXPECT_FALSE(fs::exists(dir / "nothing"));

    EXPECT_FALSE(copyFile((dir / "missing").string(), (dir / "x").string()));
    writeFile(dir / "empty", "");
    EXPECT_FALSE(copyFile((dir / "empty").string(), (dir / "y").string()));
    EXPECT_FALSE(fs::exists(dir / "y"));
    writeFile(dir / "blocker", "x");
    EXPECT_FALSE(copyFile((dir / "src.bin").string(), (dir / "blocker" / "z").string()));
}

TEST_F(FileRoutinesTest, CopyDirectoryCopiesTheTreeAndPassesOverEmptyFiles) {
    const fs::path source = dir / "src";
    writeFile(source / "top.dcm", "top");
    writeFile(source / "s1" / "a.dcm", "a");
    writeFile(source / "s1" / "s2" / "b.dcm", "b");
    writeFile(source / "s1" / "empty.dcm", "");
    writeFile(source / ".hidden" / "h.dcm", "h");

    const fs::path target = dir / "dst";
    ASSERT_TRUE(copyDirectory(source.string(), target.string()));
    EXPECT_EQ(readAll(target / "top.dcm"), "top");
    EXPECT_EQ(readAll(target / "s1" / "a.dcm"), "a");
    EXPECT_EQ(readAll(target / "s1" / "s2" / "b.dcm"), "b");
    EXPECT_FALSE(fs::exists(target / "s1" / "empty.dcm"));
    EXPECT_FALSE(fs::exists(target / ".hidden"));

    // With trailing slashes on both sides the result is the same.
    ASSERT_TRUE(copyDirectory(source.string() + "/", (dir / "dst2").string() + "/"));
    EXPECT_EQ(readAll(dir / "dst2" / "s1" / "s2" / "b.dcm"), "b");
    EXPECT_TRUE(copyDirectory(source.string(), source.string()));
}

TEST_F(FileRoutinesTest, CopyDirectoryStopsWhenATargetFolderCannotBeMade) {
    const fs::path source = dir / "src";
    writeFile(source / "sub" / "a.dcm", "a");
    writeFile(dir / "dst" / "sub", "a file where the folder should go");
    EXPECT_FALSE(copyDirectory(source.string(), (dir / "dst").string()));
}

TEST_F(FileRoutinesTest, ListFilesIsSortedPerFolderAndSkipsDotFolders) {
    const fs::path root = dir / "root";
    writeFile(root / "b.dcm", "b");
    writeFile(root / "a.dcm", "a");
    writeFile(root / "m" / "z.dcm", "z");
    writeFile(root / "m" / "c.dcm", "c");
    writeFile(root / ".git" / "config", "x");
    writeFile(root / ".dotfile", "d");
    fs::create_directory(root / "emptydir");
    fs::create_directory_symlink(root, root / "m" / "loop");

    std::vector<std::string> full;
    listFiles(root.string() + "/", full, true, true);
    const std::string r = root.string();
    EXPECT_EQ(full, (std::vector<std::string>{r + "/.dotfile", r + "/a.dcm", r + "/b.dcm",
                                              r + "/m/c.dcm", r + "/m/z.dcm"}));

    std::vector<std::string> names = {"kept"};
    listFiles(r, names, true, false);
    EXPECT_EQ(names,
              (std::vector<std::string>{"kept", ".dotfile", "a.dcm", "b.dcm", "c.dcm", "z.dcm"}));

    std::vector<std::string> flat;
    listFiles(r, flat, false, false);
    EXPECT_EQ(flat, (std::vector<std::string>{".dotfile", "a.dcm", "b.dcm"}));

    std::vector<std::string> none;
    listFiles("", none, true, true);
    listFiles((dir / "missing").string(), none, true, true);
    EXPECT_TRUE(none.empty());

    std::vector<std::string> folders;
    listSubdirectories(r + "/", folders);
    EXPECT_EQ(folders, (std::vector<std::string>{r + "/emptydir", r + "/m"}));
}

TEST_F(FileRoutinesTest, ListingMatchesTheSameOrderEveryTime) {
    for (int i = 0; i < 50; ++i) {
        writeFile(dir / ("f" + std::to_string((i * 37) % 50)), "x");
    }
    std::vector<std::string> first;
    std::vector<std::string> second;
    listFiles(dir.str(), first, false, false);
    listFiles(dir.str(), second, false, false);
    EXPECT_EQ(first.size(), 50u);
    EXPECT_EQ(first, second);
    EXPECT_TRUE(std::is_sorted(first.begin(), first.end()));
}

TEST_F(FileRoutinesTest, UnreadableFolderIsPassedOver) {
    if (runningAsRoot()) {
        GTEST_SKIP() << "permissions do not apply to root";
    }
    writeFile(dir / "open" / "a", "a");
    writeFile(dir / "closed" / "b", "b");
    chmod((dir / "closed").c_str(), 0);
    std::vector<std::string> files;
    listFiles(dir.str(), files, true, false);
    chmod((dir / "closed").c_str(), 0755);
    EXPECT_EQ(files, std::vector<std::string>{"a"});
}

class SavePathTest : public ::testing::Test {
protected:
    void SetUp() override {
        cocos2d::UserDefault::getInstance()->setStringForKey("__savePath__", "");
    }
    void TearDown() override { platform::setFileDialogProvider(nullptr); }

    void answerWith(std::optional<std::string> answer) {
        requests.clear();
        platform::setFileDialogProvider([this, answer](const platform::FileDialogRequest& r) {
            requests.push_back(r);
            return answer;
        });
    }

    std::vector<platform::FileDialogRequest> requests;
};

TEST_F(SavePathTest, FileModeAsksToSaveAndOverwrite) {
    answerWith(std::string("/data/out.zip"));
    EXPECT_EQ(chooseSavePath(true), "/data/out.zip");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, platform::FileDialogKind::SaveFile);
    EXPECT_EQ(requests[0].filterName, "All Files");
    EXPECT_EQ(requests[0].filterPattern, "*.*");
    EXPECT_TRUE(requests[0].confirmOverwrite);
    EXPECT_EQ(cocos2d::UserDefault::getInstance()->getStringForKey("__savePath__", ""), "");

    answerWith(std::nullopt);
    EXPECT_EQ(chooseSavePath(true), "");
}

TEST_F(SavePathTest, FolderModeStartsAtAndRemembersTheLastFolder) {
    auto* defaults = cocos2d::UserDefault::getInstance();
    answerWith(std::string("/data/\xE4\xB8\xAD"));
    EXPECT_EQ(chooseSavePath(false), "/data/\xE4\xB8\xAD");
    EXPECT_EQ(defaults->getStringForKey("__savePath__", ""), "/data/\xE4\xB8\xAD");

    answerWith(std::string("/other"));
    EXPECT_EQ(chooseSavePath(false), "/other");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, platform::FileDialogKind::ChooseFolder);
    EXPECT_EQ(requests[0].title, "Choose Path to Save:");
    EXPECT_EQ(requests[0].startFolder, "/data/\xE4\xB8\xAD");

    // A cancel leaves the remembered folder as it was.
    answerWith(std::nullopt);
    EXPECT_EQ(chooseSavePath(false), "");
    EXPECT_EQ(defaults->getStringForKey("__savePath__", ""), "/other");
}

TEST_F(SavePathTest, WithoutDisplayOrProviderTheDialogsCancel) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    EXPECT_EQ(chooseSavePath(true), "");
    EXPECT_EQ(chooseSavePath(false), "");
}

}  // namespace
