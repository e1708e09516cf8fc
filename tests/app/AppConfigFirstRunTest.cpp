#include "toolkit/core/AppConfig.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/app/AppFixture.h"
#include "toolkit/core/UILocalConfig.h"

namespace {

// A configuration made afresh on the current user defaults, dropped with the test.
struct ConfigUnderTest {
    ConfigUnderTest() : config(AppConfig::getInstance()) { config->retain(); }
    ~ConfigUnderTest() {
        config->release();
        apptest::pumpFrames(1);
    }
    AppConfig* config;
};

TEST(AppConfigFirstRunTest, FirstRunRecordsVersionInstallTimeMarkerAndIdentifier) {
    apptest::FreshWritable writable;
    ConfigUnderTest made;
    EXPECT_EQ(NSUI::getEncodedUserDefault("app_current_version", ""), "2.9");
    const std::string installed = NSUI::getEncodedUserDefault("app_install_time", "");
    EXPECT_EQ(installed.size(), 19u) << installed;
    EXPECT_EQ(NSUI::getEncodedUserDefault("app_init_db", ""), "1");
    const std::string id = NSUI::getEncodedUserDefault("app_identifier", "");
    ASSERT_FALSE(id.empty());
    EXPECT_EQ(id.find_first_not_of("0123456789"), std::string::npos);
    EXPECT_LT(std::strtoull(id.c_str(), nullptr, 10), 4294967296ull);
    EXPECT_EQ(made.config->getAppIdentifier(), id);
    EXPECT_EQ(made.config->getDesignSize().width, 960);
    EXPECT_EQ(made.config->fontName, "DFPGB_H3.TTF");
    EXPECT_EQ(made.config->fontNameLower, "DFPGB_H3.ttf");
    EXPECT_EQ(made.config->fontSizes[0], 60);
    EXPECT_EQ(made.config->colors[4], cocos2d::Color3B(0, 187, 253));
}

TEST(AppConfigFirstRunTest, LaterRunOnlyUpdatesTheVersion) {
    apptest::FreshWritable writable;
    NSUI::setEncodedUserDefault("app_current_version", "2.8");
    NSUI::setEncodedUserDefault("app_install_time", "2020-01-02 03:04:05");
    NSUI::setEncodedUserDefault("app_init_db", "0");
    NSUI::setEncodedUserDefault("app_identifier", "12345");
    ConfigUnderTest made;
    EXPECT_EQ(NSUI::getEncodedUserDefault("app_current_version", ""), "2.9");
    EXPECT_EQ(NSUI::getEncodedUserDefault("app_install_time", ""), "2020-01-02 03:04:05");
    EXPECT_EQ(NSUI::getEncodedUserDefault("app_init_db", ""), "0");
    EXPECT_EQ(made.config->getAppIdentifier(), "12345");
}

TEST(AppConfigFirstRunTest, IdentifierIsTheFoldedHashOfDeviceAndTime) {
    // FNV-1a 64 of "a": 0xaf63dc4c8601ec8c; folded: 0xaf63dc4c ^ 0x8601ec8c = 0x296230c0.
    EXPECT_EQ(AppConfig::makeAppIdentifier("a", ""), "694300864");
    EXPECT_NE(AppConfig::makeAppIdentifier("host", "2026-01-01 00:00:00"),
              AppConfig::makeAppIdentifier("host", "2026-01-01 00:00:01"));
}

TEST(AppConfigFirstRunTest, TextsComeFromTheLanguageTable) {
    apptest::FreshWritable writable;
    ConfigUnderTest made;
    made.config->loadLanguage();
    EXPECT_FALSE(made.config->getText("appName").empty());
    EXPECT_EQ(made.config->getText("no such key"), "");
    EXPECT_EQ(made.config->getTextOrKey("appName"), made.config->getText("appName"));
    EXPECT_EQ(made.config->getTextOrKey("no such key"), "no such key");
    EXPECT_EQ(getAppVersion(), "2.9");
    EXPECT_FALSE(isMobilePlatform());
    EXPECT_FALSE(getServerBaseUrl().empty());
}

}  // namespace
