#include "online/httpCenter.h"

#include "OnlineFixture.h"
#include "engine/2d/Label.h"
#include "engine/base/Touch.h"
#include "online/login.h"
#include "online/urlOpener.h"
#include "studydb/StudyNotifications.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/FileRoutines.h"
#include "toolkit/core/NSDataManager.h"
#include "toolkit/core/NSNotifyKeys.h"
#include "toolkit/widgets/NSActivity.h"
#include "toolkit/widgets/NSWebView.h"

namespace onlinetest {
namespace {

const std::int64_t kSecond = 1000000;
const std::int64_t kNow = 1900000000LL * kSecond;

class HttpCenterTest : public OnlineTest {
protected:
    void SetUp() override {
        OnlineTest::SetUp();
        login::resetTimestampCache();
        httpCenter::setClock([this] { return clockNow; });
        previousOpener = setUrlOpener([this](const std::string& url) {
            opened.push_back(url);
            return true;
        });
        watch(studydb::NOTIFY_LOGIN_CHANGED);
    }

    void TearDown() override {
        NSUI::NSDataManager::destroyInstance();
        httpCenter::setClock(nullptr);
        setUrlOpener(previousOpener);
        OnlineTest::TearDown();
    }

    httpCenter* makeCentre() {
        httpCenter* centre = httpCenter::create();
        centre->start();
        return centre;
    }

    void logIn(std::int64_t secondsAgo) {
        store("app_logined", "1");
        store("app_login_id", "55");
        store("app_login_time", "2030-03-14 09:26:53");
        store("app_login_timestamp", std::to_string(clockNow - secondsAgo * kSecond));
    }

    static void ticks(httpCenter* centre, int count) {
        for (int i = 0; i < count; ++i) {
            centre->tick(1.0f);
        }
    }

    std::int64_t clockNow = kNow;
    std::vector<std::string> opened;
    std::function<bool(const std::string&)> previousOpener;
};

TEST_F(HttpCenterTest, TheCheckGoesOutOnEveryTwentiethTickOnlyWhenStartedAndLoggedIn) {
    logIn(10);
    httpCenter* centre = httpCenter::create();
    ticks(centre, 40);
    frame();
    EXPECT_TRUE(server.requests("/lg/rlc.php").empty());

    centre->start();
    ticks(centre, 19);
    frame();
    EXPECT_TRUE(server.requests("/lg/rlc.php").empty());
    ticks(centre, 1);
    ASSERT_TRUE(arrived("/lg/rlc.php", 1));
    EXPECT_EQ(decodedBody(server.requests("/lg/rlc.php").front()),
              R"({"userid":"55","loginTime":"2030-03-14 09:26:53","isMobile":"0"})");
    ticks(centre, 20);
    EXPECT_TRUE(arrived("/lg/rlc.php", 2));

    store("app_logined", "0");
    ticks(centre, 20);
    frame();
    EXPECT_EQ(server.requests("/lg/rlc.php").size(), 2u);
}

TEST_F(HttpCenterTest, LoginAgeAndIdleTimeDecideBetweenCheckAndLogOut) {
    struct Case {
        const char* name;
        std::int64_t loginAgo;
        // Seconds since the last input; negative: no input since the start of the run.
        std::int64_t idle;
        std::int64_t runAgo;
        bool checked;
    };
    const Case cases[] = {
        // Nobody touched anything yet: the run's start counts, not the epoch.
        {"old login, run just started", 3 * 86400, -1, 5, true},
        {"fresh login", 172800, 90000, 0, true},
        {"old login, active", 3 * 86400, 25200, 0, true},
        {"old login, idle 8 h", 3 * 86400, 8 * 3600, 0, false},
        {"old login, at the limits", 172801, 25201, 0, false},
    };
    ASSERT_EQ(cocos2d::Touch::getTimeStamp(), 0) << "no input in this process yet";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        login::resetTimestampCache();
        server.clearRequests();
        posted.clear();
        if (c.idle >= 0) {
            // The engine stamps input with the system clock; the check runs `idle` later.
            cocos2d::Touch::updateTimeStamp();
            clockNow = cocos2d::Touch::getTimeStamp() + c.idle * kSecond;
        } else {
            clockNow = kNow;
        }
        const std::int64_t checkTime = clockNow;
        clockNow = checkTime - c.runAgo * kSecond;
        httpCenter* centre = makeCentre();
        clockNow = checkTime;
        logIn(c.loginAgo);
        ticks(centre, 20);
        if (c.checked) {
            EXPECT_TRUE(arrived("/lg/rlc.php", 1));
            EXPECT_EQ(setting("app_logined"), "1");
        } else {
            for (int i = 0; i < 12; ++i) {
                frame();
            }
            EXPECT_TRUE(server.requests("/lg/rlc.php").empty());
            EXPECT_EQ(setting("app_logined"), "0");
            ASSERT_TRUE(pumpUntil([&] { return !posted.empty(); }));
            EXPECT_EQ(posted.front().intValue, -1);
        }
        NSUI::NSDataManager::destroyInstance();
    }
}

TEST_F(HttpCenterTest, OnlyStatusZeroKeepsTheLogin) {
    const std::pair<const char*, CannedReply> cases[] = {
        {"0", {200, ServiceTestServer::base64(R"({"Status":"0"})")}},
        {"1", {200, ServiceTestServer::base64(R"({"Status":"1"})")}},
        {"missing", {200, ServiceTestServer::base64(R"({})")}},
        {"server error", {500, ServiceTestServer::base64(R"({"Status":"1"})")}},
    };
    httpCenter* centre = makeCentre();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        logIn(10);
        server.clearRequests();
        posted.clear();
        server.queue("/lg/rlc.php", c.second);
        ticks(centre, 20);
        ASSERT_TRUE(arrived("/lg/rlc.php", 1));
        const bool keeps = std::string(c.first) == "0" || std::string(c.first) == "server error";
        for (int i = 0; i < 12; ++i) {
            frame();
        }
        if (!keeps) {
            ASSERT_TRUE(pumpUntil([&] { return setting("app_logined") == "0"; }));
        }
        EXPECT_EQ(setting("app_logined"), keeps ? "1" : "0");
    }
}

TEST_F(HttpCenterTest, PackageRequestsDownloadOnlyFromPermittedAddressesIntoAFreshFolder) {
    makeCentre();
    NSUI::NSNotificationCenter* centre = NSUI::NSNotificationCenter::getInstance();
    const std::string folder = httpCenter::packageFolder();
    centre->postString(nullptr, studydb::NOTIFY_UPDATE_APK_REQUEST,
                       server.baseUrl() + "/pkg/app.apk", nullptr, false);
    ASSERT_TRUE(arrived("/pkg/app.apk", 1));
    ASSERT_TRUE(pumpUntil([&] { return NSUI::getSharedActivity() == nullptr; }));
    std::vector<std::string> files;
    NSUI::listFiles(folder, files, false, false);
    ASSERT_EQ(files.size(), 1u);

    centre->postString(nullptr, NSUI::NOTIFY_UPDATE_PANEL_SHOW, server.baseUrl() + "/pkg/app.apk",
                       nullptr, false);
    ASSERT_TRUE(arrived("/pkg/app.apk", 2));
    ASSERT_TRUE(pumpUntil([&] { return NSUI::getSharedActivity() == nullptr; }));
    files.clear();
    NSUI::listFiles(folder, files, false, false);
    EXPECT_EQ(files.size(), 1u);

    // A plain address to another machine is never fetched.
    centre->postString(nullptr, studydb::NOTIFY_UPDATE_APK_REQUEST,
                       "http://downloads.example.org/app.apk", nullptr, false);
    ASSERT_TRUE(pumpUntil([&] { return NSUI::getSharedActivity() == nullptr; }));
    for (int i = 0; i < 12; ++i) {
        frame();
    }
    EXPECT_EQ(server.requests("/pkg/app.apk").size(), 2u);
}

// The overlay over the download reads "downloading" in white on its dark backdrop.
TEST_F(HttpCenterTest, TheDownloadOverlaySaysDownloadingInWhite) {
    httpCenter* centre = makeCentre();
    auto* data = NSUI::NSNotificationData::create();
    data->stringValue = server.baseUrl() + "/pkg/app.apk";
    centre->onNotification(nullptr, studydb::NOTIFY_UPDATE_APK_REQUEST, data);
    NSUI::NSActivity* activity = NSUI::getSharedActivity();
    ASSERT_NE(activity, nullptr);
    auto* label =
        dynamic_cast<cocos2d::Label*>(activity->getChildByTag(NSUI::NSActivity::kMessageTag));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->getString(), "downloading");
    EXPECT_EQ(label->getTextColor(), cocos2d::Color4B::WHITE);
    ASSERT_TRUE(pumpUntil([&] { return NSUI::getSharedActivity() == nullptr; }));
}

TEST_F(HttpCenterTest, OnlyWebAddressesAreHandedToTheBrowser) {
    makeCentre();
    NSUI::NSNotificationCenter* centre = NSUI::NSNotificationCenter::getInstance();
    // A page's link must not open local files, other schemes, or pass as an opener option.
    for (const char* refused : {"file:///etc/passwd", "--help", "javascript:alert(1)",
                                "smb://host/share", "/usr/bin/xterm", ""}) {
        centre->postString(nullptr, NSUI::NOTIFY_OPEN_URL, refused, nullptr, false);
    }
    for (const char* taken : {"http://example.org/a", "HTTPS://example.org/b"}) {
        centre->postString(nullptr, NSUI::NOTIFY_OPEN_URL, taken, nullptr, false);
    }
    ASSERT_TRUE(pumpUntil([&] { return opened.size() >= 2; }));
    EXPECT_EQ(opened, (std::vector<std::string>{"http://example.org/a", "HTTPS://example.org/b"}));
}

TEST_F(HttpCenterTest, OpenUrlAndTheNewVersionNotice) {
    makeCentre();
    NSUI::NSNotificationCenter* centre = NSUI::NSNotificationCenter::getInstance();
    centre->postString(nullptr, NSUI::NOTIFY_OPEN_URL, "https://example.org/page", nullptr, false);
    ASSERT_TRUE(pumpUntil([&] { return !opened.empty(); }));
    EXPECT_EQ(opened.front(), "https://example.org/page");

    CannedReply oneHeading;
    oneHeading.body = "<h2>only</h2><div><a>1</a><a>2</a></div>";
    server.queue("/ads/newversionPC.html", oneHeading);
    centre->postString(nullptr, studydb::NOTIFY_NEW_VERSION_CHECK,
                       server.baseUrl() + "/ads/newversionPC.html", nullptr, false);
    ASSERT_TRUE(arrived("/ads/newversionPC.html", 1));
    for (int i = 0; i < 12; ++i) {
        frame();
    }
    EXPECT_EQ(scene->getChildByTag(httpCenter::kNoticeTag), nullptr);

    centre->postString(nullptr, studydb::NOTIFY_NEW_VERSION_CHECK,
                       server.baseUrl() + "/ads/newversionPC.html", nullptr, false);
    ASSERT_TRUE(arrived("/ads/newversionPC.html", 2));
    ASSERT_TRUE(pumpUntil([&] { return scene->getChildByTag(httpCenter::kNoticeTag) != nullptr; }));
    auto* view = dynamic_cast<NSUI::NSWebView*>(scene->getChildByTag(httpCenter::kNoticeTag));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->getName(), "new_version");
    const std::string& page = view->getLoadedHtml();
    EXPECT_NE(page.find("<h2>2.10 is out"), std::string::npos);
    EXPECT_NE(page.find(R"(<a href="/pkg/app.apk">download</a>)"), std::string::npos);
    EXPECT_EQ(page.find("JS_URL"), std::string::npos);
    EXPECT_NE(page.find("qn/tmp/res/js/newversion.js"), std::string::npos);
}

}  // namespace
}  // namespace onlinetest
