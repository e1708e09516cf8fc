#include "online/httpCenter.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "engine/2d/Scene.h"
#include "engine/base/Base64.h"
#include "engine/base/Director.h"
#include "engine/base/Touch.h"
#include "engine/platform/FileUtils.h"
#include "online/login.h"
#include "online/urlOpener.h"
#include "studydb/StudyNotifications.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/NSDataManager.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/NSNotifyKeys.h"
#include "toolkit/core/SiteAddress.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/core/ToolkitGlobals.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/net/NSHttpClient.h"
#include "toolkit/net/UIHttpResponse.h"
#include "toolkit/widgets/NSActivity.h"
#include "toolkit/widgets/NSWebView.h"
#include "toolkit/widgets/UIControlBase.h"

namespace {

const int kTickInterval = 20;
const float kMessageSeconds = 5.0f;
const char kDownloadFailed[] = "Failed to download the APK file.\nCheck your network.";

httpCenter::Clock& centreClock() {
    static httpCenter::Clock current;
    return current;
}

std::int64_t now() {
    if (centreClock()) {
        return centreClock()();
    }
    const NSUI::TimeOfDay time = NSUI::getTimeOfDay();
    return static_cast<std::int64_t>(time.seconds) * 1000000LL + time.microseconds;
}

// Addresses from pages reach the system's opener only as web addresses: a local file or another
// scheme could start a program, and a leading '-' would be read as an option.
bool isWebAddress(const std::string& url) {
    for (const char* scheme : {"http://", "https://"}) {
        const std::size_t length = std::char_traits<char>::length(scheme);
        if (url.size() > length &&
            std::equal(scheme, scheme + length, url.begin(), [](char expected, char actual) {
                return expected == std::tolower(static_cast<unsigned char>(actual));
            })) {
            return true;
        }
    }
    return false;
}

std::string jsFolder() {
    return cocos2d::FileUtils::getInstance()->getWritablePath() + "qn/tmp/res/js";
}

}  // namespace

httpCenter* httpCenter::create() {
    auto* centre = new httpCenter();
    if (!centre->init()) {
        delete centre;
        return nullptr;
    }
    centre->autorelease();
    return centre;
}

void httpCenter::setClock(Clock next) {
    centreClock() = std::move(next);
}

httpCenter::~httpCenter() {
    shutdown();
}

bool httpCenter::init() {
    if (!NSDatas::init()) {
        return false;
    }
    started = false;
    startTime = now();
    NSUI::NSDataManager::getInstance()->items.pushBack(this);
    updatePeriod = kTickInterval;
    NSUI::NSNotificationCenter* centre = NSUI::NSNotificationCenter::getInstance();
    auto handler = [this](cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data) {
        onNotification(sender, key, data);
    };
    for (int key : {studydb::NOTIFY_UPDATE_APK_REQUEST, NSUI::NOTIFY_UPDATE_PANEL_SHOW,
                    NSUI::NOTIFY_OPEN_URL, studydb::NOTIFY_NEW_VERSION_CHECK}) {
        centre->addObserver(this, nullptr, handler, key);
    }
    return true;
}

void httpCenter::shutdown() {
    NSUI::NSHttpClient::getInstance()->cancelRequestsOf(this);
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
}

void httpCenter::cancelRequests() {
    shutdown();
}

void httpCenter::update(float dt) {
    tick(dt);
}

void httpCenter::tick(float) {
    ++tickCount;
    if (tickCount < updatePeriod) {
        return;
    }
    tickCount = 0;
    if (!started) {
        return;
    }
    std::string loggedIn;
    std::string userId;
    login::getLoginInfo(loggedIn, userId);
    if (loggedIn != "1") {
        return;
    }
    const std::int64_t current = now();
    const std::int64_t sinceLogin =
        (current - static_cast<std::int64_t>(login::getLoginTimestamp())) / 1000000;
    std::int64_t lastInput = cocos2d::Touch::getTimeStamp();
    if (lastInput <= 0) {
        lastInput = startTime;
    }
    const std::int64_t sinceInput = (current - lastInput) / 1000000;
    if (sinceLogin < kLoginLifetime || sinceInput < kIdleLimit) {
        sendReLoginCheck(userId);
    } else {
        login::logout();
    }
}

void httpCenter::sendReLoginCheck(const std::string& userId) {
    std::string loginTime = NSUI::getEncodedUserDefault("app_login_time", "");
    if (loginTime.empty()) {
        loginTime = NSUI::getCurrentDateTime();
    }
    std::string json;
    setString(json, "userid", userId);
    setString(json, "loginTime", loginTime);
    setString(json, "isMobile", NSUI::formatString("%i", 0));
    httpPost(getServerBaseUrl() + "/lg/rlc.php", cocos2d::safeBase64EncodeString(json),
             "reLoginCheck", "", "");
}

void httpCenter::onResponse(NSUI::UIHttpResponse* response) {
    if (response == nullptr) {
        return;
    }
    const bool ok = response->succeeded && response->responseCode == 200;
    if (response->tag == "reLoginCheck") {
        if (!ok) {
            return;
        }
        const std::string answer = cocos2d::safeBase64DecodeString(response->body);
        if (getStringWithDefault(answer, "Status", "") != "0") {
            login::logout();
            NSUI::UILocalConfig texts;
            showMessageBox(texts.getLanguageText("login_second_device_info"), kMessageSeconds);
        }
    } else if (response->tag == "updateApp") {
        if (NSUI::getSharedActivity() != nullptr) {
            NSUI::NSActivity::hideActivity();
        }
        if (response->responseCode != 200) {
            showMessageBox(kDownloadFailed, kMessageSeconds);
        }
    } else if (response->tag == "newversion" && ok) {
        showNewVersionNotice(response->body);
    }
}

void httpCenter::showNewVersionNotice(const std::string& html) {
    std::string page = cocos2d::FileUtils::getInstance()->getStringFromFile("res/newversion.html");
    NSUI::replaceAll(page, "JS_URL", jsFolder());

    std::string description;
    std::string link;
    const std::size_t firstHeading = html.find("<h2");
    const std::size_t heading =
        firstHeading == std::string::npos ? std::string::npos : html.find("<h2", firstHeading + 1);
    const std::size_t division =
        heading == std::string::npos ? std::string::npos : html.find("<div", heading);
    if (division != std::string::npos) {
        const std::size_t firstAnchor = html.find("<a", division);
        const std::size_t anchor =
            firstAnchor == std::string::npos ? std::string::npos : html.find("<a", firstAnchor + 1);
        if (anchor != std::string::npos) {
            description = html.substr(heading, division - heading);
            const std::size_t close = html.find("</div>", anchor);
            link = html.substr(anchor,
                               close == std::string::npos ? std::string::npos : close - anchor);
        }
    }
    if (link.empty()) {
        return;
    }
    NSUI::replaceAll(page, "UPDATE_URL", link);
    NSUI::replaceAll(page, "NEWVERSION_DESC", description);
    cocos2d::Scene* scene = cocos2d::Director::getInstance()->getRunningScene();
    if (scene == nullptr) {
        return;
    }
    auto* view = dynamic_cast<NSUI::NSWebView*>(scene->getChildByTag(kNoticeTag));
    if (view == nullptr) {
        view = NSUI::NSWebView::create();
        if (view == nullptr) {
            return;
        }
        const cocos2d::Size size = view->getContentSize();
        view->setAnchorPoint(cocos2d::Vec2(0.5f, 0.5f));
        view->setPosition(cocos2d::Vec2(size.width / 2.0f, size.height / 2.0f));
        view->setContentSize(cocos2d::Size(size.width / 2.0f, size.height));
        view->setTag(kNoticeTag);
        view->setName("new_version");
        view->setLocalZOrder(10000);
        scene->addChild(view);
    }
    view->loadHTMLString(page);
    view->setVisible(true);
}

std::string httpCenter::packageFolder() {
    return cocos2d::FileUtils::getInstance()->getWritablePath() + "qn/tmp/updateapp/";
}

void httpCenter::downloadPackage(const std::string& url) {
    if (cocos2d::Scene* scene = cocos2d::Director::getInstance()->getRunningScene()) {
        if (NSUI::NSActivity* activity = NSUI::NSActivity::show(scene)) {
            activity->enableBKColor(true, cocos2d::Color3B::BLACK, 0.45f);
            activity->textColor = cocos2d::Color4B::WHITE;
            activity->setMessage("downloading");
        }
    }
    // A package is only taken over a verified connection (or from this machine).
    if (!NSUI::isPermittedServiceUrl(url)) {
        NSUI::NSActivity::hideActivity();
        showMessageBox(kDownloadFailed, kMessageSeconds);
        return;
    }
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    const std::string folder = packageFolder();
    if (files->isDirectoryExist(folder)) {
        files->removeDirectory(folder);
    }
    files->createDirectory(folder);
    downloadToFile(url, "", folder + NSUI::getTimestampString() + ".apk", "updateApp", false, "",
                   "");
}

void httpCenter::onNotification(cocos2d::Ref*, unsigned key, NSUI::NSNotificationData* data) {
    const std::string text = data == nullptr ? "" : data->stringValue;
    switch (static_cast<int>(key)) {
    case NSUI::NOTIFY_UPDATE_PANEL_SHOW:
    case studydb::NOTIFY_UPDATE_APK_REQUEST:
        downloadPackage(text);
        break;
    case NSUI::NOTIFY_OPEN_URL:
        if (isWebAddress(text)) {
            openExternalUrl(text);
        }
        break;
    case studydb::NOTIFY_NEW_VERSION_CHECK:
        if (NSUI::isPermittedServiceUrl(text)) {
            httpGet(text, "", "newversion", "", "");
        }
        break;
    default:
        break;
    }
}
