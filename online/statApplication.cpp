#include "online/statApplication.h"

#include <nlohmann/json.hpp>

#include "engine/base/Base64.h"
#include "engine/platform/FileUtils.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/DebugLog.h"
#include "toolkit/core/SiteAddress.h"
#include "toolkit/net/NSHttpClient.h"
#include "toolkit/net/UIHttpResponse.h"

namespace {

statApplication* sharedStats = nullptr;

const int kTypeOffset = 30000;
const char kCreateVersion[] =
    "create table version (ID integer primary key autoincrement,version integer);";
const char kCreateStat[] = "create table stat (ID integer primary key autoincrement,type "
                           "integer,statTime  datetime,value text);";

// The start of the current local day, as the stored times are written.
std::string startOfToday() {
    return NSUI::getCurrentDateTime().substr(0, 10) + " 00:00:00";
}

}  // namespace

statApplication* statApplication::getInstance() {
    if (sharedStats == nullptr) {
        sharedStats = new statApplication();
        sharedStats->autorelease();
        sharedStats->retain();
    }
    return sharedStats;
}

bool statApplication::hasInstance() {
    return sharedStats != nullptr;
}

void statApplication::destroyInstance() {
    if (sharedStats == nullptr) {
        return;
    }
    statApplication* stats = sharedStats;
    sharedStats = nullptr;
    stats->shutdownStats();
    stats->release();
}

statApplication::statApplication() {
    owner = this;
}

statApplication::~statApplication() = default;

std::string statApplication::databasePath() {
    return cocos2d::FileUtils::getInstance()->getWritablePath() + "qn/stat/statDB";
}

bool statApplication::openStatDB() {
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    const std::string folder = files->getWritablePath() + "qn/stat/";
    if (!files->isDirectoryExist(folder)) {
        files->createDirectory(folder);
    }
    if (!database.openDatabase((folder + "statDB").c_str())) {
        NSUI::debugLog("failed to create statDB");
        return false;
    }
    if (database.isTableExist("version")) {
        NSUI::NSDBDataModel rows;
        if (!database.getRecords("select version from version", &rows) || rows.getRowCount() < 1) {
            return false;
        }
        if (std::atoi(rows.getValue(0, 0).c_str()) < schemaVersion) {
            if (!database.executeSql("update version set version=?", {schemaVersion})) {
                NSUI::debugLog("failed to update table 'version'.");
                return false;
            }
            database.dropTable("stat");
        }
    } else if (!database.createTable(kCreateVersion, "version") ||
               !database.executeSql("insert into version(version) values (?)", {schemaVersion})) {
        NSUI::debugLog("failed to create table 'version'.");
        return false;
    }
    if (!database.isTableExist("stat") && !database.createTable(kCreateStat, "stat")) {
        NSUI::debugLog("failed to create table 'stat'.");
        return false;
    }
    return true;
}

void statApplication::requestStatUrl() {
    if (!databaseOpened) {
        databaseOpened = true;
        openStatDB();
    }
    if (uploadUrl.empty()) {
        httpPost(getServerBaseUrl() + "/st/gi.php", "", "getStatUrl", "", "");
    }
}

void statApplication::addStat(int type, std::string value) {
    database.executeSql("insert into stat(type,statTime,value) values (?,?,?)",
                        {type + kTypeOffset, NSUI::getCurrentDateTime(), value});
    if (static_cast<unsigned>(type) <= 1) {
        uploadStats();
    }
}

void statApplication::uploadStats() {
    // A second upload would send the same rows again.
    if (uploadUrl.empty() || uploadInFlight) {
        return;
    }
    const std::string today = startOfToday();
    NSUI::NSDBDataModel rows;
    if (!database.getRecords("select ID,type,statTime,value from stat where statTime<? order by ID",
                             {today}, &rows) ||
        rows.getRowCount() == 0) {
        return;
    }
    nlohmann::ordered_json body;
    body["number"] = std::to_string(rows.getRowCount());
    body["appid"] = AppConfig::getInstance()->getAppIdentifier();
    std::int64_t highest = 0;
    for (int i = 0; i < rows.getRowCount(); ++i) {
        const std::string index = std::to_string(i);
        highest = std::max<std::int64_t>(highest, std::stoll("0" + rows.getValue(i, 0)));
        body["type" + index] = rows.getValue(i, 1);
        body["time" + index] = rows.getValue(i, 2);
        body["value" + index] = rows.getValue(i, 3);
    }
    const std::string text = body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    sentBefore = today;
    sentUpToId = highest;
    uploadInFlight = true;
    httpPost(uploadUrl, cocos2d::safeBase64EncodeString(text), "upload", "", "");
}

void statApplication::shutdownStats() {
    database.closeDatabase();
    NSUI::NSHttpClient::getInstance()->cancelRequestsOf(this);
    uploadInFlight = false;
}

void statApplication::onResponse(NSUI::UIHttpResponse* response) {
    onStatHttpResponse(response);
}

void statApplication::onStatHttpResponse(NSUI::UIHttpResponse* response) {
    if (response == nullptr) {
        return;
    }
    if (response->tag == "upload") {
        uploadInFlight = false;
    }
    if (!response->succeeded || response->responseCode != 200) {
        return;
    }
    const std::string answer = cocos2d::safeBase64DecodeString(response->body);
    if (response->tag == "getStatUrl") {
        // The address comes from the network: only a secure (or this machine's) service.
        if (!answer.empty() && NSUI::isPermittedServiceUrl(answer)) {
            uploadUrl = answer;
            uploadStats();
        }
    } else if (response->tag == "upload") {
        int start = 0;
        int end = 0;
        if (findValue(answer, "Status", start, end) && getInt(answer, "Status", -1) == 0) {
            deleteSentRows();
        }
    }
}

void statApplication::deleteSentRows() {
    if (!database.beginTransaction()) {
        return;
    }
    if (database.executeSql("delete from stat where statTime<? and ID<=?",
                            {sentBefore, static_cast<long long>(sentUpToId)})) {
        database.commit();
    } else {
        database.rollback();
    }
}
