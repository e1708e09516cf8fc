// The account service's requests, their answers and the stored login state.
#include "online/login.h"

#include <cerrno>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "engine/base/Base64.h"
#include "engine/platform/FileUtils.h"
#include "studydb/StudyNotifications.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/SiteAddress.h"
#include "toolkit/core/TextChecks.h"
#include "toolkit/net/UIHttpResponse.h"
#include "toolkit/widgets/NSActivity.h"

namespace {

// 0 and 1 both mean that nothing is loaded yet.
std::uint64_t cachedTimestamp = 0;

const char kProbeTag[] = "reachability";
const char kNameCharacters[] = "The character in name must be A~Z or a~z or 0~9 or '.-_'";
const char kPasswordCharacters[] = "The character in password must be A~Z or a~z or 0~9 or '.-_'";
// Set by an explicit log out, cleared by the next explicit login.
const char kSilentLoginOff[] = "app_login_silent_off";

std::uint64_t nowMicroseconds() {
    const NSUI::TimeOfDay time = NSUI::getTimeOfDay();
    return static_cast<std::uint64_t>(time.seconds) * 1000000ULL +
           static_cast<std::uint64_t>(time.microseconds);
}

}  // namespace

void login::getLoginInfo(std::string& loggedIn, std::string& userId) {
    loggedIn = NSUI::getEncodedUserDefault("app_logined", "0");
    userId = NSUI::getEncodedUserDefault("app_login_id", "0");
}

std::uint64_t login::getLoginTimestamp() {
    if (cachedTimestamp > 1) {
        return cachedTimestamp;
    }
    const std::string stored = NSUI::getEncodedUserDefault("app_login_timestamp", "");
    if (stored.empty()) {
        cachedTimestamp = nowMicroseconds();
        return cachedTimestamp;
    }
    // Digits that do not fit count as no readable stamp: a login long ago.
    errno = 0;
    const unsigned long long parsed = std::strtoull(("0" + stored).c_str(), nullptr, 10);
    cachedTimestamp = errno == ERANGE ? 0 : parsed;
    return cachedTimestamp;
}

void login::resetTimestampCache() {
    cachedTimestamp = 0;
}

void login::logout() {
    NSUI::NSNotificationCenter::getInstance()->postInt(nullptr, studydb::NOTIFY_LOGIN_CHANGED, -1,
                                                       nullptr, false);
    NSUI::setEncodedUserDefault("app_logined", "0");
}

bool login::isSilentLoginSuppressed() {
    return NSUI::getEncodedUserDefault(kSilentLoginOff, "0") == "1";
}

std::string login::requestBody(const std::vector<std::pair<std::string, std::string>>& fields) {
    // Written by a JSON writer, not spliced: a quote or backslash in a password or a name must
    // reach the service as that character, not end the text early. Plain values give the same
    // bytes as a hand-written flat object.
    nlohmann::ordered_json body = nlohmann::ordered_json::object();
    for (const auto& field : fields) {
        body[field.first] = field.second;
    }
    return cocos2d::safeBase64EncodeString(
        body.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
}

void login::post(const char* path, const std::vector<std::pair<std::string, std::string>>& fields,
                 const char* tag, bool busy) {
    httpPost(getServerBaseUrl() + path, requestBody(fields), tag, "", "");
    if (busy) {
        showBusy();
    }
}

void login::showBusy() {
    if (NSUI::NSActivity* activity = NSUI::NSActivity::show(this)) {
        activity->setMessage("");
    }
}

void login::requestCode() {
    const std::string mail = fieldText("email", true);
    if (!NSUI::isValidEmail(mail)) {
        message("login_check_mail");
        return;
    }
    post("/lg/sdvr.php", {{"mail", mail}}, "getCode", false);
}

void login::requestLogin() {
    const std::string name = fieldText("email", true);
    const std::string password = fieldText("password", true);
    const bool byMail = name.find('@') != std::string::npos;
    if (byMail && !NSUI::isValidEmail(name)) {
        message("login_check_mail");
        return;
    }
    if (password.empty()) {
        message("login_input");
        return;
    }
    const std::string now = NSUI::getCurrentDateTime();
    setStringForKey("app_login_string", name);
    setStringForKey("app_login_password", password);
    setStringForKey("app_login_time", now);
    cachedTimestamp = nowMicroseconds();
    setStringForKey("app_login_timestamp", std::to_string(cachedTimestamp));
    setStringForKey(kSilentLoginOff, "0");

    post("/lg/lg.php",
         {{"ismail", byMail ? "1" : "0"},
          {byMail ? "mail" : "nickname", name},
          {"password", password},
          {"loginTime", now},
          {"isMobile", "0"}},
         "login", true);
}

void login::logOutHere() {
    NSUI::NSNotificationCenter::getInstance()->postInt(this, studydb::NOTIFY_LOGIN_CHANGED, -1,
                                                       nullptr, false);
    setIntegerForKey("app_logined", 0);
    // The user asked to leave: the home screen must not log the account straight back in.
    setStringForKey(kSilentLoginOff, "1");
    close();
}

void login::requestPasswordChange() {
    const std::string old = fieldText("old", false);
    const std::string fresh = fieldText("password1", false);
    const std::string confirm = fieldText("password2", false);
    if (fresh != confirm || fresh.empty() || old.empty()) {
        message("login_confirm_password");
        return;
    }
    if (!NSUI::isValidAccountName(old) || !NSUI::isValidAccountName(fresh)) {
        message(kPasswordCharacters, false);
        return;
    }
    post("/lg/cg.php",
         {{"old", old}, {"new", fresh}, {"nickname", getStringForKey("app_login_nickname", "")}},
         "change", true);
    pendingPassword = fresh;
}

void login::requestRegister() {
    const std::string mail = fieldText("email", true);
    const std::string name = fieldText("name", true);
    const std::string password = fieldText("password", true);
    const std::string code = fieldText("confirm", true);
    if (!mail.empty() && !NSUI::isValidEmail(mail)) {
        message("login_check_mail");
        return;
    }
    if (!mail.empty() && (verifyCode.empty() || code != verifyCode)) {
        message("login_vcode_wrong");
        return;
    }
    if (password.empty() || name.empty()) {
        message("login_input");
        return;
    }
    if (!NSUI::isValidAccountName(name)) {
        message(kNameCharacters, false);
        return;
    }
    if (!NSUI::isValidAccountName(password)) {
        message(kPasswordCharacters, false);
        return;
    }
    post("/lg/rg.php", {{"mail", mail}, {"nickname", name}, {"password", password}}, "register",
         true);
}

void login::requestSetMail() {
    const std::string mail = fieldText("email", true);
    const std::string code = fieldText("confirm", true);
    if (!NSUI::isValidEmail(mail)) {
        message("login_check_mail");
        return;
    }
    if (verifyCode.empty() || code != verifyCode) {
        message("login_vcode_wrong");
        return;
    }
    post("/lg/sm.php", {{"mail", mail}, {"nickname", getStringForKey("app_login_nickname", "")}},
         "setMail", true);
}

void login::requestSendMail() {
    const std::string mail = fieldText("email", true);
    if (mail.empty()) {
        message("Enter your email", false);
        return;
    }
    if (mail.find('@') == std::string::npos) {
        message("Enter your email, NOT name", false);
        return;
    }
    if (!NSUI::isValidEmail(mail)) {
        message("login_check_mail");
        return;
    }
    post("/lg/sd.php", {{"mail", mail}}, "send", false);
}

void login::probeReachability() {
    const std::string probe = NSUI::resolveProbeUrl(
        cocos2d::FileUtils::getInstance()->getWritablePath(), getServerBaseUrl());
    httpPost(probe, "", kProbeTag, "", "");
}

void login::onResponse(NSUI::UIHttpResponse* response) {
    if (response == nullptr) {
        return;
    }
    const std::string& tag = response->tag;
    const bool counts = response->succeeded && response->responseCode == 200;
    if (!counts) {
        if (tag == "login" && response->responseCode < 0) {
            probeReachability();
            return;
        }
        if (tag == "login" || tag == "change" || tag == kProbeTag || tag == "register" ||
            tag == "setMail") {
            NSUI::NSActivity::hideActivity();
        }
        message("net_check_status");
        return;
    }
    const std::string answer = cocos2d::safeBase64DecodeString(response->body);
    const std::string status = getStringWithDefault(answer, "Status", "");
    if (tag == "login") {
        NSUI::NSActivity::hideActivity();
        const std::string userId = getStringWithDefault(answer, "userid", "");
        if (status == "0" && !userId.empty()) {
            NSUI::NSNotificationCenter::getInstance()->postInt(this, studydb::NOTIFY_LOGIN_CHANGED,
                                                               1, nullptr, false);
            setIntegerForKey("app_logined", 1);
            setStringForKey("app_login_id", userId);
            setStringForKey("app_login_nickname", getStringWithDefault(answer, "nickname", ""));
            close();
        } else {
            message("login_login_fail");
        }
    } else if (tag == "register") {
        NSUI::NSActivity::hideActivity();
        if (status == "0") {
            message("login_reg_ok");
            showLoginForm();
        } else {
            message(status == "1" ? "login_nickname_fail" : "net_check_status");
        }
    } else if (tag == "change") {
        NSUI::NSActivity::hideActivity();
        if (status == "0") {
            // The silent login must use the password the service now expects.
            setStringForKey("app_login_password", pendingPassword);
            showAccountView();
            message("login_change_ok");
        } else {
            message("login_change_fail");
        }
    } else if (tag == "setMail") {
        NSUI::NSActivity::hideActivity();
        if (status == "0") {
            message("login_setmail_ok");
            showHomeView();
        } else {
            message("net_check_status");
        }
    } else if (tag == "getCode") {
        const std::string code = getStringWithDefault(answer, "code", "");
        if (status == "0" && !code.empty()) {
            verifyCode = code;
            message("login_setmail_getcode");
        } else {
            message("login_check_mail");
        }
    } else if (tag == "send") {
        message(status == "0" ? "login_sendMail" : "login_check_mail");
    } else if (tag == kProbeTag) {
        NSUI::NSActivity::hideActivity();
        message("net_check_status");
    }
}
