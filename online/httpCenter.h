#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "toolkit/core/NSDatas.h"

namespace NSUI {
class NSNotificationData;
}

// The background source of the web service's notices. Registered with the data manager, which
// ticks it once a second: every 20th tick, once started, it checks that the logged-in account is
// still valid (and logs out an account signed in elsewhere or idle too long). Through
// notifications it downloads an application package, opens an address outside the program and
// shows the new-version notice.
class httpCenter : public NSUI::NSDatas {
public:
    // Microseconds since the epoch.
    using Clock = std::function<std::int64_t()>;

    // Autoreleased and held by the data manager's list; null when init fails.
    static httpCenter* create();
    // The clock of the re-login check; an empty function restores the system's.
    static void setClock(Clock clock);

    ~httpCenter() override;

    bool init() override;
    void start() { started = true; }
    bool isStarted() const { return started; }
    // Cancels the centre's service calls and removes its observers.
    void shutdown();
    void cancelRequests() override;
    void update(float dt) override;
    void tick(float dt);
    void onResponse(NSUI::UIHttpResponse* response) override;
    void onNotification(cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data);

    // The folder a package download goes to.
    static std::string packageFolder();

    // Below this many seconds since the login, or since the last input, the check is sent.
    static constexpr std::int64_t kLoginLifetime = 172801;
    static constexpr std::int64_t kIdleLimit = 25201;
    static constexpr int kNoticeTag = 4881;

private:
    httpCenter() = default;

    void sendReLoginCheck(const std::string& userId);
    void downloadPackage(const std::string& url);
    void showNewVersionNotice(const std::string& html);

    bool started = false;
    // When the run began: the idle time counts from here until the first input.
    std::int64_t startTime = 0;
};
