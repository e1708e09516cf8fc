#pragma once

#include <string>

#include "engine/base/Ref.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/core/UILocalConfig.h"

class updateService;

namespace ADS {

// Ad kinds and the switches, types and pages of the server configuration text.
enum AdType { kStartupForceShow = 1, kEnterForegroundForceShow = 3, kProductShow = 7 };
// The moments an ad may be shown.
enum AdOccasion { kLaunch = 0, kForeground = 1, kSeriesOpened = 2 };

// The ad controller: at launch and on return to the foreground shows the page the server
// configuration text ("app_config_ini") names for the moment, in the desktop's browser, and
// the new-version notice once per newly reported version. Owns the update service.
class adsApplication : public cocos2d::Ref, public NSUI::UILocalConfig, public NSUI::UIJson {
public:
    // Made on first use and held by the accessor until destroyInstance.
    static adsApplication* getInstance();
    static bool hasInstance();
    // releaseMembers, then drops the held reference; nothing when none exists.
    static void destroyInstance();

    ~adsApplication() override;

    bool init();
    void reloadConfig();
    void showAd(int occasion);
    void showNewVersionAd();
    bool isAdEnabled(int kind) const;
    // Drops the update service after its shutdown.
    void releaseMembers();

    updateService* getUpdateService() const { return update; }
    // Keeps `service` (retained) in place of the current one.
    void setUpdateService(updateService* service);

    // Whether `latest` is a later program version than `current`: the first three dot-separated
    // parts compared as numbers, missing parts 0.
    static bool isNewerVersion(const std::string& latest, const std::string& current);

private:
    adsApplication() = default;
    updateService* update = nullptr;
    std::string configText;
};

}  // namespace ADS
