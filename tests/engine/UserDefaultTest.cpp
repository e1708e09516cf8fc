#include "engine/base/UserDefault.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/platform/FileUtils.h"
#include "tests/support/lib/TempDir.h"

using cocos2d::FileUtils;
using cocos2d::UserDefault;

namespace fs = std::filesystem;

namespace {

class UserDefaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        UserDefault::destroyInstance();
        FileUtils::destroyInstance();
        FileUtils::getInstance()->setWritablePath(folder.str());
    }
    void TearDown() override {
        UserDefault::destroyInstance();
        FileUtils::destroyInstance();
    }

    // Drops the in-memory store so that the next use reads the file again.
    static UserDefault* reload() {
        UserDefault::destroyInstance();
        return UserDefault::getInstance();
    }

    bvtest::TempDir folder;
};

TEST_F(UserDefaultTest, EveryTypeSurvivesAReload) {
    UserDefault* settings = UserDefault::getInstance();
    EXPECT_EQ(settings->getFilePath(), folder.str() + "UserDefault.xml");
    settings->setBoolForKey("bool", true);
    settings->setIntegerForKey("int", -123456);
    settings->setFloatForKey("float", 0.1f);
    settings->setDoubleForKey("double", 0.1);
    settings->setStringForKey("string", "text");

    settings = reload();
    EXPECT_TRUE(settings->getBoolForKey("bool"));
    EXPECT_EQ(settings->getIntegerForKey("int"), -123456);
    EXPECT_EQ(settings->getFloatForKey("float"), 0.1f);
    EXPECT_EQ(settings->getDoubleForKey("double"), 0.1);
    EXPECT_EQ(settings->getStringForKey("string"), "text");
}

TEST_F(UserDefaultTest, MissingKeysGiveTheDefault) {
    UserDefault* settings = UserDefault::getInstance();
    EXPECT_TRUE(settings->getBoolForKey("none", true));
    EXPECT_EQ(settings->getIntegerForKey("none", 7), 7);
    EXPECT_EQ(settings->getFloatForKey("none", 1.5f), 1.5f);
    EXPECT_EQ(settings->getDoubleForKey("none", 2.5), 2.5);
    EXPECT_EQ(settings->getStringForKey("none", "fallback"), "fallback");
    EXPECT_EQ(settings->getStringForKey(nullptr, "fallback"), "fallback");
    settings->setStringForKey(nullptr, "ignored");
    EXPECT_FALSE(fs::exists(settings->getFilePath()));
}

TEST_F(UserDefaultTest, StoredTextConvertsToOtherTypes) {
    UserDefault* settings = UserDefault::getInstance();
    settings->setStringForKey("n", "12");
    settings->setStringForKey("zero", "0");
    settings->setIntegerForKey("i", 5);
    EXPECT_EQ(settings->getIntegerForKey("n"), 12);
    EXPECT_FALSE(settings->getBoolForKey("zero", true));
    EXPECT_EQ(settings->getStringForKey("i"), "5");
}

TEST_F(UserDefaultTest, OddKeysAndValuesSurviveAReload) {
    const std::vector<std::pair<std::string, std::string>> entries = {
        {"empty value", ""},
        {"", "empty key"},
        {"utf8 Grüße 日本", "värde 😀"},
        {"a+b/c==", "QUJD+/=="},
        {"<key>&amp;", "<string>&lt;</string>"},
        {"spaces", "  leading and trailing  "},
        {"blank", " \t "},
        {"lines", "one\r\ntwo\nthree\r"},
        {"controls", std::string("\x01\x1b[0m\x7f", 6)},
        {"long", std::string(1 << 20, 'x') + "end"},
    };
    UserDefault* settings = UserDefault::getInstance();
    for (const auto& [key, value] : entries) {
        settings->setStringForKey(key.c_str(), value);
    }
    settings = reload();
    for (const auto& [key, value] : entries) {
        EXPECT_EQ(settings->getStringForKey(key.c_str(), "missing"), value) << key;
    }
}

TEST_F(UserDefaultTest, DeletedValuesStayDeleted) {
    UserDefault* settings = UserDefault::getInstance();
    settings->setStringForKey("keep", "1");
    settings->setStringForKey("drop", "2");
    settings->deleteValueForKey("drop");
    settings->deleteValueForKey("never there");
    settings = reload();
    EXPECT_EQ(settings->getStringForKey("keep"), "1");
    EXPECT_EQ(settings->getStringForKey("drop", "gone"), "gone");
}

TEST_F(UserDefaultTest, ChangesReachTheFileWithoutAPurge) {
    UserDefault* settings = UserDefault::getInstance();
    settings->setStringForKey("written", "now");
    settings->flush();
    const auto onDisk = FileUtils::getInstance()->getValueMapFromFile(settings->getFilePath());
    ASSERT_EQ(onDisk.count("written"), 1u);
    EXPECT_EQ(onDisk.at("written").asString(), "now");
    // Only the settings file: the temporary file of the atomic write is gone.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST_F(UserDefaultTest, FlushRetriesAWriteThatFailed) {
    const std::string sub = folder.str() + "sub/";
    FileUtils::getInstance()->setWritablePath(sub);
    UserDefault* settings = UserDefault::getInstance();
    fs::remove_all(sub);
    settings->setStringForKey("pending", "value");
    EXPECT_FALSE(fs::exists(settings->getFilePath()));
    fs::create_directories(sub);
    settings->flush();
    settings = reload();
    EXPECT_EQ(settings->getStringForKey("pending"), "value");
}

TEST_F(UserDefaultTest, UnreadableFileStartsEmptyAndIsReplaced) {
    {
        std::ofstream out(folder / "UserDefault.xml");
        out << "<plist><dict><key>half";
    }
    UserDefault* settings = UserDefault::getInstance();
    EXPECT_EQ(settings->getStringForKey("half", "none"), "none");
    settings->setStringForKey("fresh", "1");
    settings = reload();
    EXPECT_EQ(settings->getStringForKey("fresh"), "1");
}

TEST_F(UserDefaultTest, ConcurrentWritersLoseNothing) {
    constexpr int kThreads = 4;
    constexpr int kKeys = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            UserDefault* settings = UserDefault::getInstance();
            for (int k = 0; k < kKeys; ++k) {
                const std::string key = std::to_string(t) + "/" + std::to_string(k);
                settings->setIntegerForKey(key.c_str(), t * 1000 + k);
                EXPECT_EQ(settings->getIntegerForKey(key.c_str()), t * 1000 + k);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    UserDefault* settings = reload();
    for (int t = 0; t < kThreads; ++t) {
        for (int k = 0; k < kKeys; ++k) {
            const std::string key = std::to_string(t) + "/" + std::to_string(k);
            EXPECT_EQ(settings->getIntegerForKey(key.c_str(), -1), t * 1000 + k) << key;
        }
    }
}

}  // namespace

// The defaults hold the stored login password: the file is the owner's alone, also when an
// older build left it readable by others.
TEST_F(UserDefaultTest, TheFileIsReadableByItsOwnerOnly) {
    const fs::perms othersAndGroup = fs::perms::group_all | fs::perms::others_all;
    UserDefault* settings = UserDefault::getInstance();
    settings->setStringForKey("app_login_password", "secret");
    EXPECT_EQ(fs::status(settings->getFilePath()).permissions() & othersAndGroup, fs::perms::none);

    fs::permissions(settings->getFilePath(), fs::perms::group_read | fs::perms::others_read,
                    fs::perm_options::add);
    settings = reload();
    settings->setStringForKey("app_login_password", "other");
    EXPECT_EQ(fs::status(settings->getFilePath()).permissions() & othersAndGroup, fs::perms::none);
    EXPECT_NE(fs::status(settings->getFilePath()).permissions() & fs::perms::owner_read,
              fs::perms::none);
}
