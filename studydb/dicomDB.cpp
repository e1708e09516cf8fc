#include "studydb/dicomDB.h"

#include "dcmsdk/DCM_MESSAGE.h"
#include "dcmsdk/dcmReadTag.h"
#include "dcmsdk/dcmReader.h"
#include "engine/audio/SimpleAudioEngine.h"
#include "engine/base/Base64.h"
#include "engine/platform/FileUtils.h"
#include "engine/platform/Image.h"
#include "imagesdk/io/FolderBuffer.h"
#include "studydb/AppLanguage.h"
#include "studydb/LocalNetwork.h"
#include "studydb/SqlLiteral.h"
#include "studydb/StudyPaths.h"
#include "studydb/dicomDBRequest.h"
#include "studydb/dicomDBThread.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/DebugLog.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/core/UILocalConfig.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

using studydb::parseRowId;
using studydb::sqlText;

namespace {

const char* const kTitle = "rivodavo";
// Separators closer together than this are refused.
const std::int64_t kSeparatorIntervalMicros = 30000000;

struct TableStatement {
    const char* name;
    const char* statement;
};

const TableStatement kTables[] = {
    {"patient",
     "create table patient (ID integer primary key autoincrement,name TEXT,sex  TEXT,birthday "
     "TEXT,patientIDHospital TEXT,updateTime TEXT);"},
    {"study", "create table study (ID integer primary key autoincrement,patientID integer,studyUID "
              "TEXT,studyIDHospital TEXT,studyDesc TEXT,date TEXT,time TEXT,updateTime TEXT);"},
    {"series",
     "create table series (ID integer primary key autoincrement,studyID integer,seriesUID "
     "TEXT,date TEXT,time TEXT,studyDesc,SeriesDesc TEXT,updateTime TEXT,path TEXT);"},
    {"image", "create table image (ID integer primary key autoincrement,seriesID integer,imageUID "
              "TEXT,instanceID TEXT,file TEXT);"},
    {"neighbor",
     "create table neighbor (ID integer primary key autoincrement,device integer,ip TEXT,port "
     "TEXT,name TEXT,saveType integer,lastTime TEXT,wifi TEXT,appid TEXT);"},
    {"favorite", "create table favorite (ID integer primary key autoincrement,type integer,message "
                 "TEXT,icon TEXT,image TEXT,valid integer,updateTime datetime,scale float);"},
    {"favoriteDetail",
     "create table favoriteDetail (ID integer primary key autoincrement,type integer,message "
     "TEXT,icon TEXT,image TEXT,valid integer,updateTime datetime,scale float,favoriteID "
     "integer not null);"},
};

std::mutex& portMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string& nodePort() {
    static std::string port = "4587";
    return port;
}

std::int64_t monotonicMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// DICOM date and time texts as "YYYY-MM-DD hh:mm:ss"; empty unless both are long enough.
std::string dicomDateTime(const std::string& date, const std::string& time) {
    if (date.size() < 8 || time.size() < 6) {
        return std::string();
    }
    return date.substr(0, 4) + "-" + date.substr(4, 2) + "-" + date.substr(6, 2) + " " +
           time.substr(0, 2) + ":" + time.substr(2, 2) + ":" + time.substr(4, 2);
}

std::string id(long long value) {
    return std::to_string(value);
}

// The flat JSON scanner has no escapes: a double quote inside a value would end it early.
std::string jsonSafe(const std::string& value) {
    std::string safe = value;
    for (char& c : safe) {
        if (c == '"') {
            c = '\'';
        }
    }
    return safe;
}

NSUI::NSNotificationCenter* centre() {
    return NSUI::NSNotificationCenter::getInstance();
}

}  // namespace

dicomDB::dicomDB() = default;

dicomDB::~dicomDB() {
    shutdown();
}

void dicomDB::setNodePort(const std::string& port) {
    std::lock_guard<std::mutex> guard(portMutex());
    nodePort() = port;
}

std::string dicomDB::getNodePort() {
    std::lock_guard<std::mutex> guard(portMutex());
    return nodePort();
}

bool dicomDB::init() {
    studyListLoaded = false;
    schemaVersion = kSchemaVersion;
    lastSeparatorTime = 0;
    hasSeparator = false;
    isReady = false;
    worker = new dicomDBThread();
    worker->database = this;
    worker->resultCallback = [this](NSUI::NSThreadRequest* request) { onRequestDone(request); };
    openStorage();
    auto handler = [this](cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data) {
        onNotification(sender, key, data);
    };
    for (const int key : {2016, 1004, 9126, 2039, 2040}) {
        centre()->addObserver(this, nullptr, handler, key);
    }
    newFavoriteCount = 0;
    return true;
}

void dicomDB::shutdown() {
    if (worker != nullptr) {
        stopThreadAndWait(worker);
        worker = nullptr;
    }
    centre()->removeObserver(this);
    server.StopDicomServer();
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    // Opening nothing closes the connection.
    connection.openDatabase(nullptr);
    isReady = false;
}

void dicomDB::makeDataPaths() {
    std::string base = cocos2d::FileUtils::getInstance()->getWritablePath();
    if (base.empty()) {
        base = (std::filesystem::temp_directory_path() / "brimvale").string() + "/";
    }
    dataRoot = base + "qn" + "/";
    dicomFolder = dataRoot + "dicom" + "/";
    const std::string chosen = NSUI::getEncodedUserDefault("app_dicom_path", "");
    if (!chosen.empty()) {
        dicomFolder = chosen.back() == '/' ? chosen : chosen + "/";
    }
    std::error_code error;
    if (!std::filesystem::is_directory(dicomFolder, error)) {
        std::filesystem::create_directories(dicomFolder, error);
        NSUI::debugLog(NSUI::formatString("dicom folder:%s", dicomFolder.c_str()).c_str());
    }
    if (!std::filesystem::is_directory(dicomFolder + "reformat", error)) {
        std::filesystem::create_directories(dicomFolder + "reformat", error);
    }
    server.setRoot(dicomFolder.c_str());
}

std::string dicomDB::getDicomRoot() const {
    return server.getRoot();
}

std::string dicomDB::getDataRoot() const {
    return dataRoot;
}

void dicomDB::reopenDatabase() {
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    const bool opened = openDatabase(dicomFolder);
    if (!opened) {
        NSUI::debugLog("failed to create dicomdb");
    }
    isReady = opened;
}

void dicomDB::openStorage() {
    makeDataPaths();
    {
        std::lock_guard<std::recursive_mutex> guard(dbLock);
        if (openDatabase(dicomFolder)) {
            isReady = true;
        } else {
            NSUI::debugLog("failed to create dicomdb");
        }
    }
    std::string host;
    std::string addresses;
    studydb::LocalNetwork::getNetworkInfo(host, addresses);
    if (host.empty()) {
        host = "Win32";
    }
    const std::string port = getNodePort();
    server.setPort(host.c_str(), port.c_str(), kTitle);
    server.setRoot(dicomFolder.c_str());
    server.BeginDicomServer();
    worker->connection = &connection;
}

bool dicomDB::openDatabase(const std::string& folder) {
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    if (!connection.openDatabase((folder + "dicomDB").c_str())) {
        NSUI::debugLog("failed to create dicomdb");
        return false;
    }
    // Every received file commits a transaction; the write-ahead log keeps that off the disk's
    // flush path while staying consistent after a crash.
    connection.executeSql("PRAGMA journal_mode=WAL;");
    connection.executeSql("PRAGMA synchronous=NORMAL;");
    const std::string version = std::to_string(kSchemaVersion);
    if (connection.isTableExist("version")) {
        NSUI::NSDBDataModel rows;
        if (!connection.getRecords("select version from version", &rows) ||
            rows.getRowCount() == 0 || rows.getColumnCount(0) == 0) {
            return false;
        }
        if (std::atoi(rows.getValue(0, 0).c_str()) < kSchemaVersion &&
            !connection.executeSql("update version set version=" + version)) {
            NSUI::debugLog("failed to update table 'version'.");
            return false;
        }
    } else if (!connection.createTable("create table version (ID integer primary key "
                                       "autoincrement,version integer);",
                                       "version") ||
               !connection.executeSql("insert into version(version) values (" + version + ")")) {
        NSUI::debugLog("failed to create table 'version'.");
        return false;
    }
    for (const TableStatement& table : kTables) {
        if (!connection.isTableExist(table.name) &&
            !connection.createTable(table.statement, table.name)) {
            NSUI::debugLog(NSUI::formatString("failed to create table '%s'.", table.name).c_str());
            return false;
        }
    }
    return true;
}

void dicomDB::getSeriesImages(NSUI::NSDBDataModel* out, const std::string& seriesId) {
    if (out == nullptr) {
        return;
    }
    out->clear();
    long long series = 0;
    if (!parseRowId(seriesId, series)) {
        NSUI::debugLog("failed to search DB.");
        return;
    }
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    if (!connection.getRecords("select instanceID,file from image where image.seriesID=" +
                                   id(series) + " order by CAST(instanceID as UNSIGNED)",
                               out)) {
        out->clear();
        NSUI::debugLog("failed to search DB.");
    }
}

bool dicomDB::deleteSeries(const std::string& seriesId) {
    long long series = 0;
    if (!parseRowId(seriesId, series)) {
        return false;
    }
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    if (!connection.beginTransaction()) {
        return false;
    }
    const auto fail = [this] {
        connection.rollback();
        return false;
    };
    NSUI::NSDBDataModel rows;
    if (!connection.getRecords("select studyID,path from series where id=" + id(series), &rows) ||
        rows.getRowCount() == 0) {
        return fail();
    }
    const std::string studyId = rows.getValue(0, 0);
    const std::string path = rows.getValue(0, 1);
    long long study = 0;
    if (!parseRowId(studyId, study) ||
        !connection.getRecords("select patientID from study where id=" + id(study), &rows) ||
        rows.getRowCount() == 0) {
        return fail();
    }
    long long patient = 0;
    if (!parseRowId(rows.getValue(0, 0), patient)) {
        return fail();
    }
    bool patientGone = false;
    if (!connection.executeSql("delete from image where seriesID=" + id(series)) ||
        !connection.executeSql("delete from series where id=" + id(series)) ||
        !connection.getRecords("select id from series where studyID=" + id(study), &rows)) {
        return fail();
    }
    if (rows.getRowCount() == 0 &&
        !connection.executeSql("delete from study where id=" + id(study))) {
        return fail();
    }
    if (!connection.getRecords("select id from study where patientID=" + id(patient), &rows)) {
        return fail();
    }
    if (rows.getRowCount() == 0) {
        if (!connection.executeSql("delete from patient where id=" + id(patient))) {
            return fail();
        }
        patientGone = true;
    }
    if (!connection.commit()) {
        return fail();
    }
    removeSeriesFolder(path, patientGone);
    return true;
}

bool dicomDB::deletePatient(const std::string& patientId) {
    long long patient = 0;
    if (!parseRowId(patientId, patient)) {
        return false;
    }
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    if (!connection.beginTransaction()) {
        return false;
    }
    const auto fail = [this] {
        connection.rollback();
        return false;
    };
    NSUI::NSDBDataModel studies;
    if (!connection.getRecords("select id from study where patientID=" + id(patient), &studies)) {
        return fail();
    }
    std::vector<std::string> folders;
    for (int i = 0; i < studies.getRowCount(); ++i) {
        long long study = 0;
        if (!parseRowId(studies.getValue(i, 0), study)) {
            return fail();
        }
        NSUI::NSDBDataModel series;
        if (!connection.getRecords("select id,path from series where studyID=" + id(study),
                                   &series)) {
            return fail();
        }
        for (int s = 0; s < series.getRowCount(); ++s) {
            long long seriesId = 0;
            if (!parseRowId(series.getValue(s, 0), seriesId) ||
                !connection.executeSql("delete from image where seriesID=" + id(seriesId))) {
                return fail();
            }
            folders.push_back(series.getValue(s, 1));
        }
        if (!connection.executeSql("delete from series where studyID=" + id(study))) {
            return fail();
        }
    }
    if (!connection.executeSql("delete from study where patientID=" + id(patient)) ||
        !connection.executeSql("delete from patient where id=" + id(patient)) ||
        !connection.commit()) {
        return fail();
    }
    for (std::size_t i = 0; i < folders.size(); ++i) {
        removeSeriesFolder(folders[i], i + 1 == folders.size());
    }
    return true;
}

void dicomDB::removeSeriesFolder(const std::string& path, bool withPatient) {
    // Stored paths are data: only a series folder at its own depth is removed, and the patient
    // folder only when derived from one. The reformat folder is never a patient's.
    const std::string patient = studydb::leadingComponents(path, 1);
    if (!studydb::isRelativeFolder(path, studydb::kSeriesFolderDepth) || patient == "reformat") {
        return;
    }
    studydb::removeFolderInside(dicomFolder, path, studydb::kSeriesFolderDepth);
    if (withPatient) {
        studydb::removeFolderInside(dicomFolder, patient, 1);
    }
}

bool dicomDB::deleteFavorite(int favoriteId) {
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    if (!connection.beginTransaction()) {
        return false;
    }
    if (!connection.executeSql("delete from favorite where ID=" + id(favoriteId)) ||
        !connection.executeSql("delete from favoriteDetail where favoriteID=" + id(favoriteId)) ||
        !connection.commit()) {
        connection.rollback();
        return false;
    }
    return true;
}

bool dicomDB::patientExists(const std::string& patientId) {
    long long patient = 0;
    if (!parseRowId(patientId, patient)) {
        return false;
    }
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    if (!connection.beginTransaction()) {
        return false;
    }
    NSUI::NSDBDataModel rows;
    if (connection.getRecords("select id from patient where id=" + id(patient), &rows) &&
        rows.getRowCount() > 0) {
        connection.commit();
        return true;
    }
    connection.rollback();
    return false;
}

int dicomDB::getMaxId(const std::string& table, const std::string& column) {
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    NSUI::NSDBDataModel rows;
    // Table and column are the program's own names, never data.
    if (!connection.getRecords("select max(" + column + ") from " + table, &rows)) {
        NSUI::debugLog("failed to search DB.");
        connection.rollback();
        return 0;
    }
    if (rows.getRowCount() == 0 || rows.getColumnCount(0) == 0) {
        return 0;
    }
    return std::atoi(rows.getValue(0, 0).c_str());
}

void dicomDB::saveNeighbor(int device, const std::string& name, const std::string& ip,
                           const std::string& port, const std::string& appid) {
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    if (!connection.beginTransaction()) {
        return;
    }
    const std::string now = NSUI::getCurrentDateTime();
    NSUI::NSDBDataModel rows;
    bool done =
        connection.getRecords("select ID from neighbor where appid=" + sqlText(appid), &rows);
    long long row = 0;
    if (done && rows.getRowCount() > 0 && parseRowId(rows.getValue(0, 0), row)) {
        done = connection.executeSql("update neighbor set device=" + id(device) +
                                     ",name=" + sqlText(name) + ",wifi=" + sqlText(now) +
                                     ",port=" + sqlText(port) + ",ip=" + sqlText(ip) +
                                     "  where ID=" + id(row));
    } else if (done) {
        done = connection.executeSql(
            "insert into neighbor(device,name,lastTime,saveType,ip,port,appid,wifi) values (" +
            id(device) + "," + sqlText(name) + ",'',3," + sqlText(ip) + "," + sqlText(port) + "," +
            sqlText(appid) + "," + sqlText(now) + ")");
    }
    if (done) {
        connection.commit();
    } else {
        connection.rollback();
    }
}

void dicomDB::getNeighbors(std::vector<neighborInfo>& out) {
    out.clear();
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    NSUI::NSDBDataModel rows;
    if (!connection.getRecords("select device,name,lastTime,saveType,ip,ID,wifi,appid,port from "
                               "neighbor order by wifi desc",
                               &rows)) {
        return;
    }
    for (int i = 0; i < rows.getRowCount(); ++i) {
        if (rows.getColumnCount(i) < 9) {
            continue;
        }
        neighborInfo info;
        info.device = std::atoi(rows.getValue(i, 0).c_str());
        info.name = rows.getValue(i, 1);
        info.lastTime = rows.getValue(i, 2);
        info.saveType = std::atoi(rows.getValue(i, 3).c_str());
        info.ip = rows.getValue(i, 4);
        info.id = std::atoi(rows.getValue(i, 5).c_str());
        info.wifi = rows.getValue(i, 6);
        info.appid = rows.getValue(i, 7);
        info.port = rows.getValue(i, 8);
        info.selected = 0;
        out.push_back(info);
    }
}

void dicomDB::setNeighborWifi(const std::string& appid) {
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    if (!connection.beginTransaction()) {
        return;
    }
    NSUI::NSDBDataModel rows;
    long long row = 0;
    if (!connection.getRecords("select ID from neighbor where appid=" + sqlText(appid), &rows) ||
        rows.getRowCount() == 0 || !parseRowId(rows.getValue(0, 0), row)) {
        connection.rollback();
        return;
    }
    NSUI::DateTimeFields today;
    NSUI::parseDateTime(NSUI::getCurrentDateTime(), today);
    today.hour = 0;
    today.minute = 0;
    today.second = 0;
    if (connection.executeSql("update neighbor set wifi=" + sqlText(NSUI::formatDateTime(today)) +
                              "  where ID=" + id(row))) {
        connection.commit();
    } else {
        connection.rollback();
    }
}

bool dicomDB::queue(dicomDBRequest* request, bool toFront) {
    if (!isReady || worker == nullptr) {
        return false;
    }
    if (!worker->addRequest(request)) {
        return false;
    }
    if (toFront) {
        worker->moveRequestToFront(request->requestId);
    }
    return true;
}

void dicomDB::requestPatients(const std::function<void(NSUI::NSDBDataModel*)>& callback) {
    if (!isReady) {
        return;
    }
    auto* request = new dicomDBRequest();
    request->type = dicomDBRequest::kPatients;
    request->callback = callback;
    request->requestId = dicomDBRequest::keyFor("db");
    queue(request, false);
    request->release();
}

void dicomDB::requestStudies(const std::function<void(NSUI::NSDBDataModel*)>& callback,
                             const std::string& patientId, void* owner) {
    if (!isReady || patientId.empty()) {
        return;
    }
    auto* request = new dicomDBRequest();
    request->type = dicomDBRequest::kStudies;
    request->callback = callback;
    request->text = patientId;
    request->owner = owner;
    request->requestId = dicomDBRequest::keyFor(patientId);
    queue(request, true);
    request->release();
}

void dicomDB::requestFavorites(const std::function<void(NSUI::NSDBDataModel*)>& callback) {
    if (!isReady) {
        return;
    }
    auto* request = new dicomDBRequest();
    request->type = dicomDBRequest::kFavorites;
    request->callback = callback;
    queue(request, false);
    request->release();
}

void dicomDB::detachRequestOwner(void* list) {
    if (worker != nullptr && list != nullptr) {
        worker->detachOwner(list);
    }
}

void dicomDB::onRequestDone(NSUI::NSThreadRequest* done) {
    auto* request = dynamic_cast<dicomDBRequest*>(done);
    if (request == nullptr) {
        return;
    }
    NSUI::NSDBDataModel* rows = request->result;
    request->result = nullptr;
    if (request->cancelled) {
        delete rows;
        return;
    }
    if (request->type == dicomDBRequest::kReceivedFile) {
        if (request->imageInserted) {
            clearSeriesCaches(request->seriesFolder);
        }
        if (request->text.empty()) {
            delete rows;
            return;
        }
        auto* data = NSUI::NSNotificationData::create();
        data->stringValue = request->text;
        centre()->postNotification(this, 2002, data, nullptr, true);
        if (rows != nullptr) {
            auto* listData = NSUI::NSNotificationData::create();
            listData->stringValue = request->text;
            // The study list takes the row set over.
            listData->setBuffer(rows);
            centre()->postNotification(this, 2001, listData, nullptr, true);
        }
        return;
    }
    const bool wanted =
        request->type != dicomDBRequest::kStudies || request->owner.load() != nullptr;
    if (wanted && rows != nullptr && request->callback && rows->getRowCount() > 0) {
        request->callback(rows);
    }
    delete rows;
}

void dicomDB::clearSeriesCaches(const std::string& relativeFolder) {
    if (!studydb::isRelativeFolder(relativeFolder, studydb::kSeriesFolderDepth)) {
        return;
    }
    const std::string folder =
        dicomFolder + studydb::leadingComponents(relativeFolder, studydb::kSeriesFolderDepth);
    isImageSDK::removeFolderBufferRelative(folder);
    // Looked up first: an unlink takes the folder's lock even for a missing file, and the node is
    // writing into this folder.
    std::error_code error;
    for (int i = 0; i <= 5; ++i) {
        const std::string thumbnail = folder + "/thrumb" + std::to_string(i);
        if (std::filesystem::exists(thumbnail, error)) {
            std::remove(thumbnail.c_str());
        }
    }
}

void dicomDB::onNotification(cocos2d::Ref*, unsigned key, NSUI::NSNotificationData* data) {
    if (data == nullptr) {
        return;
    }
    switch (key) {
    case 2016: {
        auto* record = static_cast<dcmSDK::DCM_MESSAGE*>(data->buffer);
        data->buffer = nullptr;
        if (record == nullptr) {
            return;
        }
        if (!isReady) {
            delete record;
            return;
        }
        auto* request = new dicomDBRequest();
        request->type = dicomDBRequest::kReceivedFile;
        request->message = record;
        request->requestId = dicomDBRequest::keyFor(record->SeriesFolder);
        queue(request, false);
        request->release();
        return;
    }
    case 1004: {
        if (data->stringValue.empty()) {
            return;
        }
        float ratio = 1.0f;
        cocos2d::Image image;
        if (image.initWithImageFile(data->stringValue) && image.getHeight() > 0) {
            ratio = static_cast<float>(image.getWidth()) / static_cast<float>(image.getHeight());
        }
        const int favoriteId = insertImageFavorite(data->stringValue, ratio);
        if (favoriteId >= 0) {
            auto* saved = NSUI::NSNotificationData::create();
            saved->stringValue = data->stringValue;
            saved->floatValue = ratio;
            saved->intValue = favoriteId;
            centre()->postNotification(nullptr, 1007, saved, nullptr, false);
        }
        onFavoriteAdded();
        return;
    }
    case 9126: {
        if (data->stringValue.empty()) {
            return;
        }
        float scale = data->floatValue;
        if (data->intValue == 100) {
            dcmSDK::dcmReadTag tags;
            scale = tags.setFile(data->stringValue.c_str()) ? tags.getImageScale() : 1.0f;
        }
        insertDicomFavorite(data->stringValue, scale);
        onFavoriteAdded();
        return;
    }
    case 2039:
        insertTextNote(data->stringValue);
        return;
    case 2040:
        insertVoiceNote(data->intValue, data->stringValue);
        return;
    default:
        return;
    }
}

void dicomDB::onFavoriteAdded() {
    ++newFavoriteCount;
    CocosDenshion::SimpleAudioEngine::getInstance()->playEffect("res/waterfall.wav", false, 1.0f,
                                                                0.0f, 1.0f);
}

bool dicomDB::findRecordIds(const dcmSDK::DCM_MESSAGE& record, recordIds& ids) {
    ids = recordIds();
    if (!isReady) {
        return false;
    }
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    NSUI::NSDBDataModel rows;
    if (!connection.getRecords(
            "select ID,updateTime from patient where name=" + sqlText(record.PatientName) +
                " and patientIDHospital=" + sqlText(record.PatientID),
            &rows)) {
        return false;
    }
    if (rows.getRowCount() == 0) {
        return true;
    }
    ids.patient = true;
    ids.patientId = rows.getValue(0, 0);
    ids.patientUpdateTime = rows.getValue(0, 1);
    if (!connection.getRecords(
            "select ID from study where studyUID=" + sqlText(record.StudyInstanceUID) +
                " and patientID=" + ids.patientId,
            &rows)) {
        return false;
    }
    if (rows.getRowCount() == 0) {
        return true;
    }
    ids.study = true;
    ids.studyId = rows.getValue(0, 0);
    if (!connection.getRecords(
            "select ID from series where seriesUID=" + sqlText(record.SeriesInstanceUID) +
                " and studyID=" + ids.studyId,
            &rows)) {
        return false;
    }
    if (rows.getRowCount() == 0) {
        return true;
    }
    ids.series = true;
    ids.seriesId = rows.getValue(0, 0);
    if (!connection.getRecords("select ID from image where imageUID=" +
                                   sqlText(record.SOPInstanceUID) + " and seriesID=" + ids.seriesId,
                               &rows)) {
        return false;
    }
    if (rows.getRowCount() > 0) {
        ids.image = true;
        ids.imageId = rows.getValue(0, 0);
    }
    return true;
}

bool dicomDB::insertReceivedFile(const dcmSDK::DCM_MESSAGE& record, recordIds& ids) {
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    if (!isReady || !connection.beginTransaction()) {
        return false;
    }
    const std::string now = NSUI::getCurrentDateTime();
    std::string studyTime = dicomDateTime(record.StudyDate, record.StudyTime);
    std::string seriesTime = dicomDateTime(record.SeriesDate, record.SeriesTime);
    if (studyTime.empty()) {
        studyTime = now;
    }
    if (seriesTime.empty()) {
        seriesTime = now;
    }
    NSUI::NSDBDataModel rows;
    // Runs an insert, then the select that reads its ID back.
    const auto insert = [&](const std::string& statement, const std::string& select,
                            std::string& newId, const char* table) {
        if (!connection.executeSql(statement)) {
            NSUI::debugLog(NSUI::formatString("failed to insert record into %s.", table).c_str());
            return false;
        }
        if (!connection.getRecords(select, &rows)) {
            NSUI::debugLog("failed to search DB.");
            return false;
        }
        if (rows.getRowCount() == 0) {
            NSUI::debugLog(NSUI::formatString("failed to insert record into %s.", table).c_str());
            return false;
        }
        newId = rows.getValue(0, 0);
        return true;
    };
    const auto update = [&](const std::string& statement, const char* table) {
        if (connection.executeSql(statement)) {
            return true;
        }
        NSUI::debugLog(NSUI::formatString("failed to insert record into %s.", table).c_str());
        return false;
    };
    const auto fail = [this] {
        connection.rollback();
        return false;
    };
    long long checked = 0;
    if (ids.patient) {
        if (!parseRowId(ids.patientId, checked) ||
            !update("update patient set updateTime=" + sqlText(now) + " where ID=" + ids.patientId,
                    "patient")) {
            return fail();
        }
    } else {
        const std::string who = sqlText(record.PatientName);
        const std::string hospitalId = sqlText(record.PatientID);
        if (!insert("insert into patient(name,patientIDHospital,birthday,sex,updateTime) values "
                    "(" +
                        who + "," + hospitalId + "," + sqlText(record.PatientBirthDate) + "," +
                        sqlText(record.PatientSex) + "," + sqlText(now) + ")",
                    "select ID from patient where name=" + who +
                        " and patientIDHospital=" + hospitalId,
                    ids.patientId, "patient")) {
            return fail();
        }
        ids.patient = true;
    }
    ids.patientUpdateTime = now;
    if (ids.study) {
        if (!parseRowId(ids.studyId, checked) ||
            !update("update study set updateTime=" + sqlText(studyTime) +
                        " where ID=" + ids.studyId,
                    "study")) {
            return fail();
        }
    } else {
        const std::string uid = sqlText(record.StudyInstanceUID);
        if (!insert("insert into study(patientID,studyUID,studyIDHospital,studyDesc,date,time,"
                    "updateTime) values (" +
                        ids.patientId + "," + uid + "," + sqlText(record.StudyID) + "," +
                        sqlText(record.StudyDescription) + "," + sqlText(record.StudyDate) + "," +
                        sqlText(record.StudyTime) + "," + sqlText(studyTime) + ")",
                    "select ID from study where studyUID=" + uid +
                        " and patientID=" + ids.patientId,
                    ids.studyId, "study")) {
            return fail();
        }
        ids.study = true;
    }
    if (ids.series) {
        if (!parseRowId(ids.seriesId, checked) ||
            !update("update series set updateTime=" + sqlText(seriesTime) +
                        " where ID=" + ids.seriesId,
                    "series")) {
            return fail();
        }
    } else {
        const std::string uid = sqlText(record.SeriesInstanceUID);
        if (!insert("insert into series(studyID,seriesUID,date,time,studyDesc,seriesDesc,"
                    "updateTime,path) values (" +
                        ids.studyId + "," + uid + "," + sqlText(record.SeriesDate) + "," +
                        sqlText(record.SeriesTime) + "," + sqlText(record.StudyDescription) + "," +
                        sqlText(record.SeriesDescription) + "," + sqlText(seriesTime) + "," +
                        sqlText(record.SeriesFolder) + ")",
                    "select ID from series where seriesUID=" + uid + " and studyID=" + ids.studyId,
                    ids.seriesId, "series")) {
            return fail();
        }
        ids.series = true;
    }
    if (!ids.image) {
        const std::string uid = sqlText(record.SOPInstanceUID);
        if (!insert("insert into image(seriesID,imageUID,instanceID,file) values (" + ids.seriesId +
                        "," + uid + "," + sqlText(record.InstanceNumber) + "," +
                        sqlText(record.FileName) + ")",
                    "select ID from image where imageUID=" + uid + " and seriesID=" + ids.seriesId,
                    ids.imageId, "image")) {
            return fail();
        }
        ids.image = true;
    }
    if (!connection.commit()) {
        return fail();
    }
    return true;
}

void dicomDB::storeReceivedFile(dicomDBRequest* request, dcmSDK::dcmReader& reader) {
    std::unique_ptr<dcmSDK::DCM_MESSAGE> record(request->message);
    request->message = nullptr;
    if (!record) {
        return;
    }
    recordIds ids;
    if (!findRecordIds(*record, ids)) {
        NSUI::debugLog("failed to search DB.");
        return;
    }
    if (ids.image) {
        return;
    }
    const recordIds before = ids;
    if (!insertReceivedFile(*record, ids)) {
        NSUI::debugLog("failed to save new dicom record to DB");
        return;
    }
    request->imageInserted = true;
    request->seriesFolder = record->SeriesFolder;

    std::string json;
    NSUI::UIJson::setString(json, "patientID", ids.patientId);
    NSUI::UIJson::setString(json, "studyID", ids.studyId);
    NSUI::UIJson::setString(json, "seriesID", ids.seriesId);
    if (!before.patient) {
        NSUI::UIJson::setString(json, "studyIDHospital", jsonSafe(record->StudyID));
        NSUI::UIJson::setString(json, "patientIDHospital", jsonSafe(record->PatientID));
        NSUI::UIJson::setString(json, "name", jsonSafe(record->PatientName));
        NSUI::UIJson::setString(json, "sex", jsonSafe(record->PatientSex));
        NSUI::UIJson::setString(json, "birthday", jsonSafe(record->PatientBirthDate));
        NSUI::UIJson::setString(json, "updateTime", ids.patientUpdateTime);
        NSUI::UIJson::setString(json, "studyDate",
                                jsonSafe(dicomDateTime(record->StudyDate, record->StudyTime)));
        NSUI::UIJson::setString(json, "studyDesc", jsonSafe(record->StudyDescription));
    }
    NSUI::UIJson::setString(json, "studyNumber", before.study ? "0" : "1");
    NSUI::UIJson::setString(json, "seriesNumber", before.series ? "0" : "1");
    if (!before.patient) {
        NSUI::UIJson::setString(json, "dcmFolder", jsonSafe(record->SeriesFolder));
    }
    request->text = json;

    if (!studyListLoaded) {
        return;
    }
    auto rows = std::make_unique<NSUI::NSDBDataModel>();
    if (!before.series) {
        NSUI::NSDBDataModel series;
        NSUI::NSDBDataModel images;
        if (!connection.getRecords("select series.ID,series.seriesUID,series.date,series.time,"
                                   "seriesDesc,path from series where series.ID=" +
                                       ids.seriesId,
                                   &series) ||
            !connection.getRecords("select image.ID,imageUID,file from series,image where "
                                   "image.seriesID=series.ID and series.ID=" +
                                       ids.seriesId,
                                   &images)) {
            NSUI::debugLog("failed to search DB.");
            return;
        }
        if (series.getRowCount() > 0 && series.getColumnCount(0) >= 6) {
            const std::string path = series.getValue(0, 5);
            rows->addValue(series.getValue(0, 0));
            rows->addValue(series.getValue(0, 2) + " " + series.getValue(0, 3));
            rows->addValue(series.getValue(0, 4));
            rows->addValue(path);
            rows->addIntValue(images.getRowCount());
            if (images.getRowCount() > 0 && images.getColumnCount(0) >= 3) {
                reader.setLanguage(studydb::currentLanguage());
                const std::string file = dicomFolder + path + "/" + images.getValue(0, 2);
                if (reader.setFile(file.c_str())) {
                    char text[1024];
                    const auto tag = [&](unsigned short group, unsigned short element) {
                        return reader.readDicomTagString(group, element, text, sizeof(text))
                                   ? std::string(text)
                                   : std::string();
                    };
                    const std::string modality = tag(0x0008, 0x0060);
                    rows->addValue(tag(0x0028, 0x0011));
                    rows->addValue(tag(0x0028, 0x0010));
                    rows->addValue(tag(0x0008, 0x0080));
                    rows->addValue(modality);
                    rows->addValue(modality == "CT"
                                       ? tag(0x0018, 0x0060) + "kV " + tag(0x0018, 0x1151) + "mA"
                                       : std::string());
                    rows->addValue(tag(0x0020, 0x0011));
                }
            }
            rows->commitRow();
        }
    }
    request->result = rows.release();
}

bool dicomDB::insertFavoriteRow(const std::string& valuesAfterId, int& favoriteId) {
    favoriteId = -1;
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    if (!isReady || !connection.beginTransaction()) {
        return false;
    }
    const int next = getMaxId("favorite", "ID") + 1;
    if (!connection.executeSql(
            "insert into favorite(ID,type,message,icon,image,valid,updateTime,scale) values (" +
            id(next) + valuesAfterId + ")") ||
        !connection.commit()) {
        NSUI::debugLog("failed to insert record into favorite.");
        connection.rollback();
        return false;
    }
    favoriteId = next;
    return true;
}

int dicomDB::insertFavorite() {
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    if (!isReady) {
        return -1;
    }
    const std::int64_t now = monotonicMicros();
    if (hasSeparator && now - lastSeparatorTime < kSeparatorIntervalMicros) {
        return -1;
    }
    lastSeparatorTime = now;
    hasSeparator = true;
    int separatorId = -1;
    insertFavoriteRow(",3,'','','',1," + sqlText(NSUI::getCurrentDateTime()) + ",1.0", separatorId);
    return separatorId;
}

int dicomDB::insertImageFavorite(const std::string& path, float ratio) {
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    insertFavorite();
    const std::string writable = cocos2d::FileUtils::getInstance()->getWritablePath();
    const std::string relative =
        path.size() >= writable.size() ? path.substr(writable.size()) : std::string();
    int favoriteId = -1;
    insertFavoriteRow(",1,'',''," + sqlText(relative) + ",1," +
                          sqlText(NSUI::getCurrentDateTime()) + "," +
                          sqlText(NSUI::formatFloat(ratio, 2)),
                      favoriteId);
    return favoriteId;
}

void dicomDB::insertDicomFavorite(const std::string& path, float scale) {
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    insertFavorite();
    const std::string writable = cocos2d::FileUtils::getInstance()->getWritablePath();
    const std::string relative =
        path.size() >= writable.size() ? path.substr(writable.size()) : std::string();
    int favoriteId = -1;
    insertFavoriteRow(",2,'',''," + sqlText(relative) + ",1," +
                          sqlText(NSUI::getCurrentDateTime()) + "," +
                          sqlText(NSUI::formatFloat(scale, 2)),
                      favoriteId);
}

int dicomDB::insertTextNote(const std::string& text) {
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    const int separatorId = insertFavorite();
    if (separatorId > 0) {
        auto* separator = NSUI::NSNotificationData::create();
        separator->intValue = separatorId;
        centre()->postNotification(this, 2041, separator, nullptr, true);
    }
    int favoriteId = -1;
    if (insertFavoriteRow(",5," + sqlText(cocos2d::safeBase64EncodeString(text)) + ",'','',1," +
                              sqlText(NSUI::getCurrentDateTime()) + ",1",
                          favoriteId)) {
        auto* note = NSUI::NSNotificationData::create();
        note->stringValue = text;
        note->intValue = favoriteId;
        centre()->postNotification(this, 2037, note, nullptr, true);
    }
    return favoriteId;
}

int dicomDB::insertVoiceNote(int seconds, const std::string& path) {
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    const int separatorId = insertFavorite();
    if (separatorId > 0) {
        auto* separator = NSUI::NSNotificationData::create();
        separator->intValue = separatorId;
        centre()->postNotification(this, 2041, separator, nullptr, true);
    }
    int favoriteId = -1;
    if (insertFavoriteRow(",6," + sqlText(std::to_string(seconds)) + ",''," + sqlText(path) +
                              ",1," + sqlText(NSUI::getCurrentDateTime()) + ",1",
                          favoriteId)) {
        auto* note = NSUI::NSNotificationData::create();
        note->stringValue = path;
        note->intValue = favoriteId;
        note->indexValue = seconds;
        centre()->postNotification(this, 2038, note, nullptr, true);
    }
    return favoriteId;
}
