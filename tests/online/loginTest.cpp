#include "online/login.h"

#include <nlohmann/json.hpp>

#include "OnlineFixture.h"
#include "engine/ui/Button.h"
#include "engine/ui/Text.h"
#include "online/loginScene.h"
#include "studydb/StudyNotifications.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/widgets/NSResponseWindow.h"
#include "toolkit/widgets/NSTextField.h"

namespace onlinetest {
namespace {

const char kJsonType[] = "application/json; charset=utf-8";

void clickButton(login* panel, const char* name) {
    auto* button = dynamic_cast<cocos2d::ui::Button*>(panel->getLayout()->getChildByNameDeep(name));
    ASSERT_NE(button, nullptr) << name;
    panel->onButtonClick(button);
}

class LoginTest : public OnlineTest {
protected:
    void SetUp() override {
        OnlineTest::SetUp();
        login::resetTimestampCache();
        watch(studydb::NOTIFY_LOGIN_CHANGED);
    }

    login* open() {
        login* panel = login::createWindow(scene);
        frame();
        return panel;
    }

    static void type(login* panel, const char* field, const std::string& text) {
        auto* input = dynamic_cast<NSUI::NSTextField*>(panel->getLayout()->getChildByName(field));
        ASSERT_NE(input, nullptr) << field;
        input->setString(text);
    }

    static void click(login* panel, const char* name) { clickButton(panel, name); }

    bool panelOpen() const {
        for (cocos2d::Node* child : scene->getChildren()) {
            if (dynamic_cast<NSUI::NSResponseWindow*>(child) != nullptr) {
                return true;
            }
        }
        return false;
    }

    // Waits for the panel's message after `count` requests of `path`, or for the panel to close
    // (which frees it, so that is asked first).
    bool answered(login* panel, const std::string& path, std::size_t count) {
        EXPECT_TRUE(arrived(path, count));
        return pumpUntil([&] { return !panelOpen() || !panel->getLastMessage().empty(); });
    }
};

TEST_F(LoginTest, EveryRequestCarriesItsFieldsInOrderAsBase64JsonWithOneContentType) {
    store("app_login_nickname", "doc");
    struct Case {
        int view;
        std::vector<std::pair<const char*, const char*>> typed;
        const char* button;
        const char* path;
        const char* json;
    };
    const Case cases[] = {
        {login::kLoginForm,
         {{"email", " anna@example.org "}, {"password", "pw1"}},
         "login",
         "/lg/lg.php",
         nullptr},
        {login::kLoginForm,
         {{"email", "anna@example.org"}},
         "send",
         "/lg/sd.php",
         R"({"mail":"anna@example.org"})"},
        {login::kChangePasswordForm,
         {{"old", "old1"}, {"password1", "new.2"}, {"password2", "new.2"}},
         "login",
         "/lg/cg.php",
         R"({"old":"old1","new":"new.2","nickname":"doc"})"},
        {login::kRegisterForm,
         {{"name", "bob"}, {"password", "pw_3"}},
         "login",
         "/lg/rg.php",
         R"({"mail":"","nickname":"bob","password":"pw_3"})"},
        {login::kRegisterForm,
         {{"email", "bob@example.org"}},
         "getCode",
         "/lg/sdvr.php",
         R"({"mail":"bob@example.org"})"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        // Each case starts logged out as "doc", whatever the answer to the one before did.
        store("app_logined", "0");
        store("app_login_nickname", "doc");
        login* panel = open();
        if (c.view == login::kChangePasswordForm) {
            panel->showChangePasswordForm();
        } else if (c.view == login::kRegisterForm) {
            panel->showRegisterForm();
        }
        for (const auto& field : c.typed) {
            type(panel, field.first, field.second);
        }
        server.clearRequests();
        click(panel, c.button);
        // The answer is handled before the next case opens a panel of its own.
        ASSERT_TRUE(answered(panel, c.path, 1));
        const RecordedRequest request = server.requests(c.path).front();
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.contentTypes, std::vector<std::string>{kJsonType});
        if (c.json != nullptr) {
            EXPECT_EQ(decodedBody(request), c.json);
        } else {
            // The stored login time travels with the request.
            EXPECT_EQ(decodedBody(request),
                      R"({"ismail":"1","mail":"anna@example.org","password":"pw1","loginTime":")" +
                          setting("app_login_time") + R"(","isMobile":"0"})");
        }
        pumpUntil([&] { return NSUI::NSHttpClient::getInstance() != nullptr; });
        scene->removeAllChildren();
        NSUI::NSHttpClient::destroyInstance();
    }
}

// A password or name holding a quote or a backslash reaches the service as written, in a body
// that stays one well-formed flat object.
TEST_F(LoginTest, QuotesAndBackslashesInFieldsTravelEscaped) {
    login* panel = open();
    type(panel, "email", "tess");
    type(panel, "password", R"(pa"ss\w)");
    server.clearRequests();
    click(panel, "login");
    ASSERT_TRUE(answered(panel, "/lg/lg.php", 1));
    const std::string body = decodedBody(server.requests("/lg/lg.php").front());
    EXPECT_EQ(body, R"({"ismail":"0","nickname":"tess","password":"pa\"ss\\w","loginTime":")" +
                        setting("app_login_time") + R"(","isMobile":"0"})");
    const nlohmann::json parsed = nlohmann::json::parse(body, nullptr, false);
    ASSERT_FALSE(parsed.is_discarded());
    EXPECT_EQ(parsed.value("password", ""), R"(pa"ss\w)");
    pumpUntil([&] { return NSUI::NSHttpClient::getInstance() != nullptr; });
    scene->removeAllChildren();
    NSUI::NSHttpClient::destroyInstance();
}

TEST_F(LoginTest, LoginWritesItsKeysBeforeSendingAndASuccessClosesTheScreen) {
    login* panel = open();
    EXPECT_EQ(panel->getViewState(), login::kLoginForm);
    type(panel, "email", "tester");
    type(panel, "password", "secret");
    server.queue("/lg/lg.php",
                 CannedReply{500, "", "text/plain", std::chrono::milliseconds(0), false});
    click(panel, "login");
    // Written before the answer: a failed login still prefills the form next time.
    EXPECT_EQ(setting("app_login_string"), "tester");
    EXPECT_EQ(setting("app_login_password"), "secret");
    EXPECT_FALSE(setting("app_login_timestamp").empty());
    EXPECT_EQ(login::getLoginTimestamp(), std::stoull(setting("app_login_timestamp")));
    ASSERT_TRUE(answered(panel, "/lg/lg.php", 1));
    EXPECT_EQ(panel->getLastMessage(), "net_check_status");
    EXPECT_EQ(setting("app_logined", "0"), "0");

    panel->showLoginForm();
    EXPECT_EQ(
        dynamic_cast<NSUI::NSTextField*>(panel->getLayout()->getChildByName("email"))->getString(),
        "tester");
    server.queueJson("/lg/lg.php", R"({"Status":"0","userid":"77","nickname":"Tess"})");
    click(panel, "login");
    ASSERT_TRUE(pumpUntil([&] { return !panelOpen(); }));
    std::string loggedIn;
    std::string id;
    login::getLoginInfo(loggedIn, id);
    EXPECT_EQ(loggedIn, "1");
    EXPECT_EQ(id, "77");
    EXPECT_EQ(setting("app_login_nickname"), "Tess");
    ASSERT_TRUE(pumpUntil([&] { return !posted.empty(); }));
    EXPECT_EQ(posted.front().intValue, 1);
}

TEST_F(LoginTest, AnswersThatDoNotCountEndInTheirMessages) {
    struct Case {
        const char* name;
        CannedReply reply;
        const char* message;
    };
    const Case cases[] = {
        {"status 1",
         {200, ServiceTestServer::base64(R"({"Status":"1","userid":"5"})")},
         "login_login_fail"},
        {"no user id", {200, ServiceTestServer::base64(R"({"Status":"0"})")}, "login_login_fail"},
        {"server error", {500, ""}, "net_check_status"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        login* panel = open();
        type(panel, "email", "tester");
        type(panel, "password", "secret");
        server.queue("/lg/lg.php", c.reply);
        click(panel, "login");
        ASSERT_TRUE(answered(panel, "/lg/lg.php", 1));
        EXPECT_EQ(panel->getLastMessage(), c.message);
        EXPECT_EQ(setting("app_logined", "0"), "0");
        scene->removeAllChildren();
        server.clearRequests();
    }
}

TEST_F(LoginTest, AClosedConnectionGetsNoStatusAndSendsOneReachabilityProbe) {
    login* panel = open();
    type(panel, "email", "tester");
    type(panel, "password", "secret");
    CannedReply dropped;
    dropped.closeConnection = true;
    server.queue("/lg/lg.php", dropped);
    click(panel, "login");
    ASSERT_TRUE(arrived("/", 1));
    ASSERT_TRUE(pumpUntil([&] { return !panel->getLastMessage().empty(); }));
    EXPECT_EQ(panel->getLastMessage(), "net_check_status");
    EXPECT_EQ(server.requests("/").size(), 1u);
    EXPECT_EQ(server.requests("/").front().body, "");
}

TEST_F(LoginTest, ChecksRefuseBeforeAnythingIsSent) {
    struct Case {
        int view;
        std::vector<std::pair<const char*, const char*>> typed;
        const char* button;
        const char* message;
    };
    const Case cases[] = {
        {login::kLoginForm, {{"email", "a@b"}}, "login", "login_check_mail"},
        {login::kLoginForm, {{"email", "anna"}}, "login", "login_input"},
        {login::kLoginForm, {}, "send", "Enter your email"},
        {login::kLoginForm, {{"email", "anna"}}, "send", "Enter your email, NOT name"},
        {login::kChangePasswordForm,
         {{"old", "a"}, {"password1", "b"}, {"password2", "c"}},
         "login",
         "login_confirm_password"},
        {login::kChangePasswordForm,
         {{"old", "a b"}, {"password1", "b"}, {"password2", "b"}},
         "login",
         "The character in password must be A~Z or a~z or 0~9 or '.-_'"},
        {login::kRegisterForm,
         {{"email", "x@example.org"}, {"name", "n"}, {"password", "p"}},
         "login",
         "login_vcode_wrong"},
        {login::kRegisterForm,
         {{"name", "n m"}, {"password", "p"}},
         "login",
         "The character in name must be A~Z or a~z or 0~9 or '.-_'"},
        {login::kSetMailForm, {{"email", "x@example.org"}}, "login", "login_vcode_wrong"},
        {login::kSetMailForm, {{"email", "bad"}}, "getCode", "login_check_mail"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        login* panel = open();
        if (c.view == login::kChangePasswordForm) {
            panel->showChangePasswordForm();
        } else if (c.view == login::kRegisterForm) {
            panel->showRegisterForm();
        } else if (c.view == login::kSetMailForm) {
            panel->showSetMailForm();
        }
        for (const auto& field : c.typed) {
            type(panel, field.first, field.second);
        }
        click(panel, c.button);
        EXPECT_EQ(panel->getLastMessage(), c.message);
        scene->removeAllChildren();
    }
    frame();
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(LoginTest, NoCodeMatchesUntilTheServiceSentOne) {
    login* panel = open();
    panel->showRegisterForm();
    EXPECT_TRUE(panel->getVerifyCode().empty());
    type(panel, "email", "x@example.org");
    type(panel, "name", "nick");
    type(panel, "password", "pw");
    // Neither an empty code nor the panel's creation time passes.
    for (const std::string& code : {std::string(), NSUI::getCurrentDateTime()}) {
        type(panel, "confirm", code);
        click(panel, "login");
        EXPECT_EQ(panel->getLastMessage(), "login_vcode_wrong");
    }
    server.queueJson("/lg/sdvr.php", R"({"Status":"0"})");
    click(panel, "getCode");
    ASSERT_TRUE(arrived("/lg/sdvr.php", 1));
    ASSERT_TRUE(pumpUntil([&] { return panel->getLastMessage() == "login_check_mail"; }));
    EXPECT_TRUE(panel->getVerifyCode().empty());

    click(panel, "getCode");
    ASSERT_TRUE(arrived("/lg/sdvr.php", 2));
    ASSERT_TRUE(pumpUntil([&] { return panel->getVerifyCode() == "4711"; }));
    type(panel, "confirm", "4711");
    click(panel, "login");
    ASSERT_TRUE(arrived("/lg/rg.php", 1));
    ASSERT_TRUE(pumpUntil([&] { return panel->getLastMessage() == "login_reg_ok"; }));
}

TEST_F(LoginTest, RegisterAnswersByStatus) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({"Status":"0"})", "login_reg_ok"},
        {R"({"Status":"1"})", "login_nickname_fail"},
        {R"({"Status":"7"})", "net_check_status"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        login* panel = open();
        panel->showRegisterForm();
        type(panel, "name", "nick");
        type(panel, "password", "pw");
        server.queueJson("/lg/rg.php", c.first);
        click(panel, "login");
        ASSERT_TRUE(answered(panel, "/lg/rg.php", 1));
        EXPECT_EQ(panel->getLastMessage(), c.second);
        EXPECT_EQ(panel->getViewState(), std::string(c.second) == "login_reg_ok"
                                             ? login::kLoginForm
                                             : login::kRegisterForm);
        scene->removeAllChildren();
        server.clearRequests();
    }
}

TEST_F(LoginTest, ExplicitLogOutSticksAndKeepsTheOtherKeys) {
    store("app_logined", "1");
    store("app_login_id", "42");
    store("app_login_password", "pw");
    login* panel = open();
    EXPECT_EQ(panel->getViewState(), login::kAccountView);
    EXPECT_FALSE(login::isSilentLoginSuppressed());
    click(panel, "login");
    EXPECT_FALSE(panelOpen());
    std::string loggedIn;
    std::string id;
    login::getLoginInfo(loggedIn, id);
    EXPECT_EQ(loggedIn, "0");
    EXPECT_EQ(id, "42");
    EXPECT_TRUE(login::isSilentLoginSuppressed());
    ASSERT_TRUE(pumpUntil([&] { return !posted.empty(); }));
    EXPECT_EQ(posted.front().intValue, -1);
    EXPECT_EQ(posted.front().sender, panel);

    // The next explicit login lifts it.
    panel = open();
    type(panel, "email", "tester");
    type(panel, "password", "pw");
    click(panel, "login");
    EXPECT_FALSE(login::isSilentLoginSuppressed());
}

TEST_F(LoginTest, AcceptedPasswordChangeIsStoredForTheSilentLogin) {
    store("app_logined", "1");
    store("app_login_password", "old1");
    login* panel = open();
    click(panel, "change");
    EXPECT_EQ(panel->getViewState(), login::kChangePasswordForm);
    type(panel, "old", "old1");
    type(panel, "password1", "new2");
    type(panel, "password2", "new2");
    server.queueJson("/lg/cg.php", R"({"Status":"3"})");
    click(panel, "login");
    ASSERT_TRUE(answered(panel, "/lg/cg.php", 1));
    EXPECT_EQ(panel->getLastMessage(), "login_change_fail");
    EXPECT_EQ(setting("app_login_password"), "old1");

    click(panel, "login");
    ASSERT_TRUE(arrived("/lg/cg.php", 2));
    ASSERT_TRUE(pumpUntil([&] { return panel->getLastMessage() == "login_change_ok"; }));
    EXPECT_EQ(setting("app_login_password"), "new2");
    EXPECT_EQ(panel->getViewState(), login::kAccountView);
}

TEST_F(LoginTest, ReturnKeyGoesBackFromSubFormsAndClosesFromTheTop) {
    login* panel = open();
    click(panel, "new");
    EXPECT_EQ(panel->getViewState(), login::kRegisterForm);
    EXPECT_TRUE(panel->onResponseReturn());
    EXPECT_EQ(panel->getViewState(), login::kLoginForm);
    EXPECT_TRUE(panelOpen());
    click(panel, "change");
    EXPECT_EQ(panel->getViewState(), login::kLoginForm);
    panel->onResponseReturn();
    EXPECT_FALSE(panelOpen());
}

TEST_F(LoginTest, TimestampWithNothingStoredIsTakenOnceForTheRun) {
    const std::uint64_t first = login::getLoginTimestamp();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(login::getLoginTimestamp(), first);
    EXPECT_GT(first, 1u);
}

TEST_F(LoginTest, AnUnreadableStoredTimestampCountsAsLongAgo) {
    // A damaged settings file must not stop the program at every check of the account.
    for (const char* stored : {"123456789012345678901234567890", "-5", "abc"}) {
        SCOPED_TRACE(stored);
        login::resetTimestampCache();
        store("app_login_timestamp", stored);
        std::uint64_t taken = 1;
        EXPECT_NO_THROW(taken = login::getLoginTimestamp());
        EXPECT_EQ(taken, 0u);
    }
}

// The centre goes before the panel: closing the panel then must not make a new centre, which
// would outlive the director's scheduler and deliver nothing.
TEST_F(LoginTest, ClosingThePanelAfterTheCentreWentMakesNoNewCentre) {
    login* panel = open();
    NSUI::NSNotificationCenter::destroyInstance();
    panel->removeFromParent();
    EXPECT_EQ(NSUI::NSNotificationCenter::getExistingInstance(), nullptr);
}

TEST_F(LoginTest, ServiceLogOutPostsWithoutSender) {
    store("app_logined", "1");
    login::logout();
    EXPECT_EQ(setting("app_logined"), "0");
    ASSERT_TRUE(pumpUntil([&] { return !posted.empty(); }));
    EXPECT_EQ(posted.front().intValue, -1);
    EXPECT_EQ(posted.front().sender, nullptr);
    EXPECT_FALSE(login::isSilentLoginSuppressed());
}

}  // namespace
}  // namespace onlinetest

namespace onlinetest {
namespace {

class LoginSceneTest : public OnlineTest {
protected:
    void TearDown() override {
        AppConfig::getInstance()->isPhone = false;
        OnlineTest::TearDown();
    }
};

TEST_F(LoginSceneTest, ThePhoneFormIsAScenePoppedWhereTheWindowWouldClose) {
    AppConfig::getInstance()->isPhone = true;
    store("app_logined", "1");
    store("app_login_nickname", "Tess");
    login* panel = login::show(scene);
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isHostedInScene());
    ASSERT_TRUE(pumpUntil([&] {
        return cocos2d::Director::getInstance()->getRunningScene() != scene &&
               dynamic_cast<loginScene*>(cocos2d::Director::getInstance()->getRunningScene());
    }));
    auto* hosted = cocos2d::Director::getInstance()->getRunningScene();
    auto* title =
        dynamic_cast<cocos2d::ui::Text*>(hosted->getChildByTag(100)->getChildByNameDeep("title"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->getString(), "Tess");
    EXPECT_EQ(panel->getViewState(), login::kAccountView);

    clickButton(panel, "setMail");
    EXPECT_EQ(panel->getViewState(), login::kSetMailForm);
    EXPECT_TRUE(hosted->onResponseReturn());
    EXPECT_EQ(panel->getViewState(), login::kAccountView);
    hosted->onResponseReturn();
    ASSERT_TRUE(
        pumpUntil([&] { return cocos2d::Director::getInstance()->getRunningScene() == scene; }));
}

}  // namespace
}  // namespace onlinetest
