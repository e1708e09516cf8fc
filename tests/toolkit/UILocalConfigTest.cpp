#include "toolkit/core/UILocalConfig.h"

#include "engine/base/Base64.h"
#include "engine/base/UserDefault.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using cocos2d::UserDefault;

class UILocalConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        UserDefault::getInstance();
        const std::string file = UserDefault::getInstance()->getFilePath();
        UserDefault::destroyInstance();
        std::filesystem::remove(file);
    }

    void TearDown() override { UserDefault::destroyInstance(); }

    // Drops the store and loads it again from its file.
    static void reload() { UserDefault::destroyInstance(); }

    static std::string fileText() {
        std::ifstream in(UserDefault::getInstance()->getFilePath());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static std::string encoded(const std::string& text) {
        return cocos2d::safeBase64EncodeString(text);
    }

    NSUI::UILocalConfig config;
};

TEST_F(UILocalConfigTest, SettingsSurviveAReloadAndAreBase64OnDisk) {
    const std::vector<std::pair<std::string, std::string>> settings = {
        {"app_dicom_path", "/home/reader/DICOM/"},
        {"dicomServerTitle", "PACS ÄÖ 影像"},
        {"config_layout_msg", "<layout a=\"1\"> & 'more'\n"},
        {"app_login_id", std::string(3000, 'x')},
    };
    for (const auto& [key, value] : settings) {
        config.setStringForKey(key.c_str(), value);
    }
    reload();

    const std::string onDisk = fileText();
    for (const auto& [key, value] : settings) {
        EXPECT_EQ(config.getStringForKey(key.c_str(), "unset"), value) << key;
        EXPECT_NE(onDisk.find(encoded(key)), std::string::npos) << key;
        EXPECT_NE(onDisk.find(encoded(value)), std::string::npos) << key;
        EXPECT_EQ(onDisk.find(key), std::string::npos) << key;
        EXPECT_EQ(UserDefault::getInstance()->getStringForKey(encoded(key).c_str()),
                  encoded(value));
    }
}

TEST_F(UILocalConfigTest, EmptyValueIsStoredAndMissingOneGivesTheDefault) {
    config.setStringForKey("app_login_string", "");
    reload();
    EXPECT_EQ(config.getStringForKey("app_login_string", "fallback"), "");
    EXPECT_EQ(
        UserDefault::getInstance()->getStringForKey(encoded("app_login_string").c_str(), "absent"),
        "");
    EXPECT_EQ(config.getStringForKey("never_written", "fallback"), "fallback");
}

TEST_F(UILocalConfigTest, StoredTextEqualToTheDefaultComesBackUndecoded) {
    config.setStringForKey("app_logined", "1");
    EXPECT_EQ(config.getStringForKey("app_logined", encoded("1")), encoded("1"));
    EXPECT_EQ(config.getStringForKey("app_logined", "0"), "1");
}

TEST_F(UILocalConfigTest, ValueEndsAtItsFirstZeroByte) {
    config.setStringForKey("app_login_nickname", std::string("ab\0cd", 5));
    EXPECT_EQ(config.getStringForKey("app_login_nickname", ""), "ab");
}

TEST_F(UILocalConfigTest, IntegersAreDecimalText) {
    config.setIntegerForKey("update_now", -17);
    reload();
    EXPECT_EQ(config.getIntegerForKey("update_now", 5), -17);
    EXPECT_EQ(UserDefault::getInstance()->getStringForKey(encoded("update_now").c_str()),
              encoded("-17"));

    const std::vector<std::pair<std::string, int>> texts = {
        {"12abc", 12}, {"", 0}, {"abc", 0}, {"2147483647", 2147483647}};
    for (const auto& [text, number] : texts) {
        config.setStringForKey("update_hasValidUpdate", text);
        EXPECT_EQ(config.getIntegerForKey("update_hasValidUpdate", 9), number) << text;
    }
    EXPECT_EQ(config.getIntegerForKey("never_written", 9), 9);
}

TEST_F(UILocalConfigTest, MixinAndFreeRoutinesShareTheStorageForm) {
    NSUI::setEncodedUserDefault("app_login_time", "2015-03-07 09:05:00");
    UserDefault::getInstance()->flush();
    reload();
    EXPECT_EQ(config.getStringForKey("app_login_time", ""), "2015-03-07 09:05:00");

    config.setIntegerForKey("app_logined", 1);
    EXPECT_EQ(NSUI::getEncodedUserDefault("app_logined", "0"), "1");
    EXPECT_EQ(NSUI::getEncodedUserDefault("never_written", "0"), "0");
}

TEST_F(UILocalConfigTest, PlainOrBrokenStoredTextReadsEmpty) {
    for (const char* stored : {"not base64!", "QQ", "C:\\DICOM\\"}) {
        UserDefault::getInstance()->setStringForKey(encoded("app_dicom_path").c_str(), stored);
        EXPECT_EQ(config.getStringForKey("app_dicom_path", "fallback"), "") << stored;
        EXPECT_EQ(NSUI::getEncodedUserDefault("app_dicom_path", "fallback"), "") << stored;
    }
}

TEST_F(UILocalConfigTest, EmptyKeyIsNeverStored) {
    config.setStringForKey("", "value");
    config.setStringForKey(nullptr, "value");
    NSUI::setEncodedUserDefault("", "value");
    reload();
    EXPECT_EQ(config.getStringForKey("", "fallback"), "fallback");
    EXPECT_EQ(config.getStringForKey(nullptr, "fallback"), "fallback");
    EXPECT_EQ(NSUI::getEncodedUserDefault("", "fallback"), "fallback");
    EXPECT_EQ(fileText().find(encoded("value")), std::string::npos);
}

TEST_F(UILocalConfigTest, FullDicomInfoIsShownUnlessSwitchedToZero) {
    EXPECT_FALSE(config.isDcmFullInfoShown());
    const std::vector<std::pair<std::string, bool>> cases = {
        {"1", true}, {"0", false}, {"", true}, {"00", true}};
    for (const auto& [value, shown] : cases) {
        config.setStringForKey("sdk_show_dcmFullInfo", value);
        EXPECT_EQ(config.isDcmFullInfoShown(), shown) << value;
    }
}

TEST_F(UILocalConfigTest, PlainSavePathLivesBesideEncodedSettings) {
    UserDefault::getInstance()->setStringForKey("__savePath__", "/home/reader/exports");
    config.setStringForKey("app_dicom_path", "/home/reader/DICOM/");
    reload();

    EXPECT_EQ(UserDefault::getInstance()->getStringForKey("__savePath__"), "/home/reader/exports");
    EXPECT_NE(fileText().find("/home/reader/exports"), std::string::npos);
    EXPECT_EQ(config.getStringForKey("__savePath__", "unset"), "unset");
    EXPECT_EQ(config.getStringForKey("app_dicom_path", ""), "/home/reader/DICOM/");
}

}  // namespace
