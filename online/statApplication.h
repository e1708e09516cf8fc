#pragma once

#include <string>

#include "engine/base/Ref.h"

// Usage statistics. This build records nothing and uploads nothing; the calls exist so that
// screens and the delegate record their events where they happen.
class statApplication : public cocos2d::Ref {
public:
    // Made on first use and held by the accessor until destroyInstance.
    static statApplication* getInstance();
    // Whether the service was made and not yet destroyed.
    static bool hasInstance();
    // shutdownStats, then drops the held reference; nothing when none exists.
    static void destroyInstance();

    // Asks the web service where to upload; nothing to ask in this build.
    void requestStatUrl();
    // Records one usage event (type as the screens number them) with its value text.
    void addStat(int type, std::string value);
    void uploadStats();
    void shutdownStats();

private:
    statApplication() = default;
};
