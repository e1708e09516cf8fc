#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/2d/Node.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/net/UIHttpPhisical.h"
#include "toolkit/widgets/UIControlBase.h"
#include "toolkit/widgets/UIControlGenerater.h"

namespace cocos2d {
namespace ui {
class Button;
}
}  // namespace cocos2d

// The account screen: one panel that shows the login form, the account view, the
// change-password form, the register form or the set-mail form inside "login.csb", and sends
// the account service's requests. The stored login state (user defaults) is read by the rest of
// the program through the static operations.
class login : public cocos2d::Node,
              public NSUI::UIControlGenerater,
              public NSUI::UILocalConfig,
              public NSUI::UIControlBase,
              public NSUI::UIJson,
              public NSUI::UIHttpPhisical {
public:
    enum ViewState {
        kLoginForm = 0,
        kAccountView = 1,
        kChangePasswordForm = 2,
        kRegisterForm = 3,
        kSetMailForm = 4,
    };

    // Opens the account screen: over `parent` in a full-window response window on the desktop,
    // as a scene of its own (loginScene) in the phone form.
    static login* show(cocos2d::Node* parent);
    static login* createWindow(cocos2d::Node* parent);
    // The initialised panel, autoreleased; null when init fails.
    static login* createPanel();

    // "app_logined" and "app_login_id", each "0" when unset.
    static void getLoginInfo(std::string& loggedIn, std::string& userId);
    // The login time stamp in microseconds since the epoch (see the cache below).
    static std::uint64_t getLoginTimestamp();
    // A log out by the service (signed in elsewhere or expired): posts 2034 with -1.
    static void logout();
    // True when the user logged out explicitly; the home screen's silent login then waits for
    // the next explicit login.
    static bool isSilentLoginSuppressed();
    // Forgets the process-wide time stamp cache (a new run, for tests).
    static void resetTimestampCache();
    // The body of an account service request: the fields, in order, as the Base64 of a flat
    // JSON object of strings.
    static std::string requestBody(const std::vector<std::pair<std::string, std::string>>& fields);

    ~login() override;

    bool init() override;
    void cleanup() override;
    bool onResponseReturn() override;
    void onResponse(NSUI::UIHttpResponse* response) override;

    void bindButtons();
    void layoutBackground();
    void showLoginForm();
    void showAccountView();
    void showChangePasswordForm();
    void showRegisterForm();
    void showSetMailForm();
    void onButtonClick(cocos2d::Ref* sender);
    void close();

    int getViewState() const { return viewState; }
    const std::string& getVerifyCode() const { return verifyCode; }
    // The language key (or fixed text) of the last message shown.
    const std::string& getLastMessage() const { return lastMessage; }
    cocos2d::Node* getLayout() const { return layout; }
    bool isHostedInScene() const { return isPhoneForm; }
    // The panel lives in a loginScene: closing pops that scene.
    void hostInScene() { isPhoneForm = true; }

protected:
    login() = default;

private:
    struct Row {
        const char* name;
        const char* placeholder;
        bool masked;
        // The stored setting that prefills the field; null for none.
        const char* prefill;
        bool codeButton;
    };

    // The steps every view builder shares; false when "bk", the layout or "login" is missing.
    bool buildView(const Row* rows, int rowCount, bool showSend, const char* sendTitle,
                   int changeVisibility, const std::string& loginTitle);
    // Gives the desktop panel `height`, its header kept at the top.
    void fitHeight(float height);
    void addCodeButton(cocos2d::ui::Button* mainButton, int rowHeight, float y);
    void addNicknameDisplay();
    std::string fieldText(const char* name, bool trimmed) const;
    void message(const std::string& keyOrText, bool translate = true);
    void showBusy();

    void requestCode();
    void requestLogin();
    void logOutHere();
    void requestPasswordChange();
    void requestRegister();
    void requestSetMail();
    void requestSendMail();
    void showPrivacyPage();
    // Posts the fields, in order, as the Base64 of a flat JSON object.
    void post(const char* path, const std::vector<std::pair<std::string, std::string>>& fields,
              const char* tag, bool busy);
    void probeReachability();
    // Back to the account view when logged in, else the login form.
    void showHomeView();
    bool isLoggedIn();

    cocos2d::Node* layout = nullptr;
    int viewState = kLoginForm;
    bool isPhoneForm = false;
    // Empty until the service sent a code: no typed code matches before that.
    std::string verifyCode;
    std::string lastMessage;
    // The new password of the change request in flight; stored once the service accepts it.
    std::string pendingPassword;
};
