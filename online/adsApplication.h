#pragma once

#include <string>

#include "engine/base/Ref.h"

class updateService;

namespace ADS {

// The ad controller: decides at launch and on return to the foreground whether an ad or the
// new-version notice is shown, and keeps the current update service. No ad kind is switched on
// in this build ("app_config_ini" is empty), so nothing is ever shown.
class adsApplication : public cocos2d::Ref {
public:
    // Made on first use and held by the accessor until destroyInstance.
    static adsApplication* getInstance();
    static bool hasInstance();
    // releaseAll, then drops the held reference; nothing when none exists.
    static void destroyInstance();

    ~adsApplication() override;

    bool init();
    void reloadConfig();
    // 0 launch, 1 return to the foreground, 2 a series opened.
    void showAd(int occasion);
    void showNewVersionAd();
    bool isAdEnabled(int kind) const;

    updateService* getUpdateService() const { return update; }
    // Keeps `service` (retained) in place of the current one.
    void setUpdateService(updateService* service);
    // Drops the update service after its shutdown.
    void releaseAll();

private:
    adsApplication() = default;
    updateService* update = nullptr;
    std::string configText;
};

}  // namespace ADS
