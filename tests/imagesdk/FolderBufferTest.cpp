#include "imagesdk/io/FolderBuffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/platform/FileUtils.h"
#include "imagesdk/io/PrebinFile.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/TextRoutines.h"

using namespace isImageSDK;

namespace {

std::string writable() {
    return cocos2d::FileUtils::getInstance()->getWritablePath();
}

// Writes a one-record cache of kind "series" at path, belonging to owner.
bool writeCache(const std::string& path, const std::string& owner) {
    DcmFileInfo info;
    info.file.width = 1;
    info.file.height = 1;
    info.name = "IM1";
    info.folder = owner;
    return PrebinFile::writeSeriesBuffer(path, {&info});
}

void touch(const std::string& path, const std::string& text = "x") {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(FolderBufferTest, KeysOfFoldersBelowAndOutsideTheWritablePath) {
    const std::string below = writable() + "qn/dicom/P1/S1";
    EXPECT_EQ(getFolderKey(below), getFolderKey(below + "/"));
    EXPECT_EQ(getFolderKey(below), NSUI::stableTextKey("qn/dicom/P1/S1/"));
    EXPECT_EQ(getFolderHash(below), getFolderHash(below + "/"));

    // Outside the writable path the whole path is the key text, so folders that share a tail
    // of the writable path's length do not share a key.
    const std::string outside = "/mnt/archive/qn/dicom/P1/S1";
    EXPECT_EQ(getFolderKey(outside), NSUI::stableTextKey(outside + "/"));
    EXPECT_NE(getFolderKey(outside), getFolderKey("/mnt/archivX/qn/dicom/P1/S1"));

    for (const std::string& folder : {below, outside, std::string("/"), std::string("")}) {
        const std::string key = getFolderKey(folder);
        ASSERT_FALSE(key.empty());
        EXPECT_TRUE(NSUI::isNumeric(key)) << key;
        EXPECT_TRUE(key == "0" || key[0] != '0') << key;
        EXPECT_LE(std::stoull(key), 4294967295ULL);
        EXPECT_EQ(getFolderPrebinPath(folder), writable() + "qn/tmp/dcmbuf/" + key + ".prebin");
    }
}

TEST(FolderBufferTest, RawPathReplacesTheSuffix) {
    EXPECT_EQ(getRawBufferPath("/w/qn/tmp/dcmbuf/123.prebin"), "/w/qn/tmp/dcmbuf/123.raw");
}

TEST(FolderBufferTest, FolderBufferPathNeedsTheFolderOwnCache) {
    const std::string folder = writable() + "qn/dicom/find/S1/";
    std::filesystem::remove_all(getBufferDirectory());
    EXPECT_EQ(getFolderBufferPath(folder), "");
    EXPECT_TRUE(std::filesystem::is_directory(getBufferDirectory()));

    const std::string path = getFolderPrebinPath(folder);
    ASSERT_TRUE(writeCache(path, folder));
    EXPECT_EQ(getFolderBufferPath(folder), path);
    EXPECT_EQ(getFolderBufferPath(folder.substr(0, folder.size() - 1)), path);

    // The same key file written for another folder is not this folder's cache.
    ASSERT_TRUE(writeCache(path, writable() + "qn/dicom/find/S2/"));
    EXPECT_EQ(getFolderBufferPath(folder), "");

    // A damaged file is still found, so the caller's validity test sends it to a new scan.
    touch(path, "short");
    EXPECT_EQ(getFolderBufferPath(folder), path);
    std::filesystem::remove(path);
}

TEST(FolderBufferTest, PrebinValidityChecksMagicAndVersion) {
    const std::string folder = writable() + "qn/dicom/valid/S1/";
    getFolderBufferPath(folder);
    const std::string path = getFolderPrebinPath(folder);
    ASSERT_TRUE(writeCache(path, folder));
    EXPECT_TRUE(isPrebinValid(path));

    std::ifstream in(path, std::ios::binary);
    const std::string good((std::istreambuf_iterator<char>(in)), {});
    const struct {
        const char* label;
        std::string bytes;
    } cases[] = {
        {"67 bytes", good.substr(0, 67)},
        {"version", good.substr(0, 15) + "v2.0" + good.substr(19)},
        {"magic", "XS" + good.substr(2)},
        {"empty", ""},
    };
    for (const auto& c : cases) {
        touch(path, c.bytes);
        EXPECT_FALSE(isPrebinValid(path)) << c.label;
    }
    touch(path, good.substr(0, 68));
    EXPECT_TRUE(isPrebinValid(path));
    std::filesystem::remove(path);
    EXPECT_FALSE(isPrebinValid(path));
}

TEST(FolderBufferTest, RemovingDeletesBothFilesOfTheFolderOnly) {
    const std::string folder = writable() + "qn/dicom/remove/S1/";
    const std::string other = writable() + "qn/dicom/remove/S2/";
    getFolderBufferPath(folder);
    const std::string path = getFolderPrebinPath(folder);
    const std::string raw = getRawBufferPath(path);

    ASSERT_TRUE(writeCache(path, folder));
    touch(raw);
    removeFolderBuffer(folder);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(std::filesystem::exists(raw));

    touch(raw);
    removeFolderBufferRelative(folder);
    EXPECT_FALSE(std::filesystem::exists(raw));

    ASSERT_TRUE(writeCache(path, other));
    touch(raw);
    removeFolderBuffer(folder);
    removeFolderBufferRelative(folder);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_TRUE(std::filesystem::exists(raw));
    std::filesystem::remove(path);
    std::filesystem::remove(raw);

    std::filesystem::remove_all(getBufferDirectory());
    removeFolderBufferRelative(folder);
    EXPECT_FALSE(std::filesystem::exists(getBufferDirectory()));
    removeFolderBuffer(folder);
    EXPECT_TRUE(std::filesystem::is_directory(getBufferDirectory()));
}

TEST(FolderBufferTest, VoxelCachesExpireSevenCalendarDaysAfterCreation) {
    const struct {
        const char* created;
        const char* now;
        bool expired;
    } cases[] = {
        {"2024-02-22 10:00:00", "2024-02-29 10:00:00", true},
        {"2024-02-22 10:00:00", "2024-02-29 09:59:59", false},
        {"2024-02-22 10:00:01", "2024-02-29 10:00:00", false},
        {"2024-02-25 00:00:00", "2024-03-03 00:00:00", true},
        {"2024-02-25 00:00:00", "2024-03-02 23:59:59", false},
        {"2023-02-25 00:00:00", "2023-03-04 00:00:00", true},
        {"2023-02-25 00:00:00", "2023-03-03 23:59:59", false},
        {"2023-12-28 12:00:00", "2024-01-04 12:00:00", true},
        {"2023-12-28 12:00:00", "2024-01-04 11:00:00", false},
        {"2020-01-01 00:00:00", "2024-01-01 00:00:00", true},
        {"", "2024-01-01 00:00:00", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isBufferExpired(c.created, c.now), c.expired) << c.created << " / " << c.now;
    }
}

TEST(FolderBufferTest, ClearingKeepsFreshVoxelCachesAndEveryPrebin) {
    getFolderBufferPath(writable() + "qn/dicom/clear/");
    const std::string directory = getBufferDirectory();
    std::filesystem::create_directories(directory + "sub");
    const std::vector<std::string> files = {directory + "1.raw", directory + "sub/2.raw",
                                            directory + "1.prebin"};
    for (const std::string& file : files) {
        touch(file);
    }
    // Files on disk were created now: by the local clock they all have a week to go.
    EXPECT_FALSE(isBufferExpired(NSUI::getFileCreationTime(files[0]), NSUI::getCurrentDateTime()));
    clearExpiredBuffers();
    for (const std::string& file : files) {
        EXPECT_TRUE(std::filesystem::exists(file)) << file;
        std::filesystem::remove(file);
    }
}

}  // namespace
