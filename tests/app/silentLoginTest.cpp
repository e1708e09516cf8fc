#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "engine/base/Base64.h"
#include "engine/ui/Button.h"
#include "online/login.h"
#include "studydb/StudyNotifications.h"
#include "tests/app/HomeScreenFixture.h"
#include "tests/onlineservice/ServiceTestServer.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/ToolkitGlobals.h"
#include "toolkit/core/UILocalConfig.h"

namespace {

class SilentLoginTest : public hometest::HomeScreenTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.isRunning());
        setenv("BRIMVALE_SITE_BASE", server.baseUrl().c_str(), 1);
        hometest::HomeScreenTest::SetUp();
        NSUI::setServerUrl(server.baseUrl());
    }
    void TearDown() override {
        hometest::HomeScreenTest::TearDown();
        unsetenv("BRIMVALE_SITE_BASE");
        for (const char* key : {"app_logined", "app_login_id", "app_login_string",
                                "app_login_password", "app_login_silent_off"}) {
            NSUI::setEncodedUserDefault(key, "");
        }
    }

    static void becomeActive() {
        NSUI::NSNotificationCenter::getInstance()->postInt(nullptr, studydb::NOTIFY_APP_ACTIVE, 0,
                                                           nullptr, false);
    }

    static std::string loggedIn() {
        std::string flag;
        std::string id;
        login::getLoginInfo(flag, id);
        return flag;
    }

    onlinetest::ServiceTestServer server;
};

TEST_F(SilentLoginTest, StoredCredentialsLogInUntilTheUserLogsOutExplicitly) {
    NSUI::setEncodedUserDefault("app_login_string", "tester");
    NSUI::setEncodedUserDefault("app_login_password", "pw");
    showScreen();
    becomeActive();
    ASSERT_TRUE(hometest::pumpUntil([&] { return loggedIn() == "1"; }));
    ASSERT_EQ(server.requests("/lg/lg.php").size(), 1u);
    EXPECT_EQ(cocos2d::safeBase64DecodeString(server.requests("/lg/lg.php").front().body)
                  .find(R"({"ismail":"0","nickname":"tester","password":"pw")"),
              0u);

    // The user logs out in the account view: the next activation must not log back in.
    login* panel = login::createWindow(screen);
    ASSERT_NE(panel, nullptr);
    ASSERT_EQ(panel->getViewState(), login::kAccountView);
    panel->onButtonClick(panel->getLayout()->getChildByNameDeep("login"));
    EXPECT_EQ(loggedIn(), "0");
    becomeActive();
    hometest::pumpFrames(30);
    EXPECT_EQ(server.requests("/lg/lg.php").size(), 1u);
    EXPECT_EQ(loggedIn(), "0");
}

// A stored password holding a quote or a backslash reaches the service as written, in a body
// that stays one well-formed flat object.
TEST_F(SilentLoginTest, QuotesAndBackslashesInTheStoredPasswordTravelEscaped) {
    NSUI::setEncodedUserDefault("app_login_string", "tess");
    NSUI::setEncodedUserDefault("app_login_password", R"(pa"ss\w)");
    showScreen();
    becomeActive();
    ASSERT_TRUE(hometest::pumpUntil([&] { return server.requests("/lg/lg.php").size() == 1u; }));
    const std::string body =
        cocos2d::safeBase64DecodeString(server.requests("/lg/lg.php").front().body);
    const nlohmann::json parsed = nlohmann::json::parse(body, nullptr, false);
    ASSERT_FALSE(parsed.is_discarded()) << body;
    EXPECT_EQ(parsed.value("nickname", ""), "tess");
    EXPECT_EQ(parsed.value("password", ""), R"(pa"ss\w)");
    EXPECT_EQ(body.find(R"({"ismail":"0","nickname":"tess","password":"pa\"ss\\w","loginTime":")"),
              0u);  // The answer is handled before the test ends: a login it made later would reach
                    // the next one.
    EXPECT_TRUE(hometest::pumpUntil([&] { return loggedIn() == "1"; }));
}

}  // namespace
