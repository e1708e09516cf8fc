#pragma once

#include <cstdint>
#include <string>

#include "engine/base/Ref.h"
#include "toolkit/core/NSDBUtil.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/core/UILocalConfig.h"
#include "toolkit/net/UIHttpPhisical.h"

// Usage statistics: events recorded as rows of "qn/stat/statDB" and, once their day is over,
// sent to the statistics service as one upload, deleted when the service confirms it.
class statApplication : public cocos2d::Ref,
                        public NSUI::UILocalConfig,
                        public NSUI::UIHttpPhisical,
                        public NSUI::UIJson {
public:
    // Made on first use and held by the accessor until destroyInstance.
    static statApplication* getInstance();
    // Whether the service was made and not yet destroyed.
    static bool hasInstance();
    // shutdownStats, then drops the held reference; nothing when none exists.
    static void destroyInstance();

    // Opens the database (first call only) and, while no upload address is known, asks for it.
    void requestStatUrl();
    // Records one event: the type (as the screens number them) and its value text.
    void addStat(int type, std::string value);
    // Sends every row dated before today, unless an upload is still unanswered.
    void uploadStats();
    // Closes the database and drops the service's pending calls.
    void shutdownStats();
    void onResponse(NSUI::UIHttpResponse* response) override;

    const std::string& getUploadUrl() const { return uploadUrl; }
    bool isUploadInFlight() const { return uploadInFlight; }
    // The statistics database file.
    static std::string databasePath();

private:
    statApplication();
    ~statApplication() override;

    bool openStatDB();
    void onStatHttpResponse(NSUI::UIHttpResponse* response);
    void deleteSentRows();

    std::string uploadUrl;
    int schemaVersion = 2;
    bool databaseOpened = false;
    NSUI::NSDBUtil database;
    bool uploadInFlight = false;
    // What the unanswered upload covered: rows before this day, up to this row key.
    std::string sentBefore;
    std::int64_t sentUpToId = 0;
};
