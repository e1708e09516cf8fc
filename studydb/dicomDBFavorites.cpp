#include "dcmsdk/dcmReadTag.h"
#include "engine/base/Base64.h"
#include "engine/platform/FileUtils.h"
#include "engine/platform/Image.h"
#include "studydb/StudyNotifications.h"
#include "studydb/dicomDB.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/DebugLog.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/TextRoutines.h"

#include <chrono>

// Favourites, time separators and notes: rows of the favorite table.

namespace {

// Separators closer together than this are refused.
const std::int64_t kSeparatorIntervalMicros = 30000000;

enum FavoriteType { kCapture = 1, kDicomFile = 2, kSeparator = 3, kTextNote = 5, kVoiceNote = 6 };

std::int64_t monotonicMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The path below the writable path; "" for a path outside it.
std::string belowWritablePath(const std::string& path) {
    const std::string writable = cocos2d::FileUtils::getInstance()->getWritablePath();
    return path.size() > writable.size() && path.compare(0, writable.size(), writable) == 0
               ? path.substr(writable.size())
               : std::string();
}

NSUI::NSNotificationCenter* centre() {
    return NSUI::NSNotificationCenter::getInstance();
}

}  // namespace

bool dicomDB::insertFavoriteRow(int type, const std::string& message, const std::string& image,
                                const NSUI::NSDBValue& scale, int& favoriteId) {
    favoriteId = -1;
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    if (!isReady || !connection.beginTransaction()) {
        return false;
    }
    const int next = getMaxId("favorite", "ID") + 1;
    if (!connection.executeSql("insert into favorite(ID,type,message,icon,image,valid,updateTime,"
                               "scale) values (?,?,?,'',?,1,?,?)",
                               {next, type, message, image, NSUI::getCurrentDateTime(), scale}) ||
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
    insertFavoriteRow(kSeparator, "", "", 1.0, separatorId);
    return separatorId;
}

int dicomDB::insertImageFavorite(const std::string& path, float ratio) {
    // Rows name their file below the writable folder; any other file cannot be named.
    const std::string relative = belowWritablePath(path);
    if (relative.empty()) {
        return -1;
    }
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    insertFavorite();
    int favoriteId = -1;
    insertFavoriteRow(kCapture, "", relative, NSUI::formatFloat(ratio, 2), favoriteId);
    return favoriteId;
}

int dicomDB::insertDicomFavorite(const std::string& path, float scale) {
    const std::string relative = belowWritablePath(path);
    if (relative.empty()) {
        return -1;
    }
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    insertFavorite();
    int favoriteId = -1;
    insertFavoriteRow(kDicomFile, "", relative, NSUI::formatFloat(scale, 2), favoriteId);
    return favoriteId;
}

int dicomDB::insertTextNote(const std::string& text) {
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    const int separatorId = insertFavorite();
    if (separatorId > 0) {
        auto* separator = NSUI::NSNotificationData::create();
        separator->intValue = separatorId;
        centre()->postNotification(this, studydb::NOTIFY_FAVORITE_LIST_CHANGED, separator, nullptr,
                                   true);
    }
    int favoriteId = -1;
    if (insertFavoriteRow(kTextNote, cocos2d::safeBase64EncodeString(text), "", 1, favoriteId)) {
        auto* note = NSUI::NSNotificationData::create();
        note->stringValue = text;
        note->intValue = favoriteId;
        centre()->postNotification(this, studydb::NOTIFY_FAVORITE_ADDED, note, nullptr, true);
    }
    return favoriteId;
}

int dicomDB::insertVoiceNote(int seconds, const std::string& path) {
    std::lock_guard<std::recursive_mutex> guard(dbLock);
    const int separatorId = insertFavorite();
    if (separatorId > 0) {
        auto* separator = NSUI::NSNotificationData::create();
        separator->intValue = separatorId;
        centre()->postNotification(this, studydb::NOTIFY_FAVORITE_LIST_CHANGED, separator, nullptr,
                                   true);
    }
    int favoriteId = -1;
    if (insertFavoriteRow(kVoiceNote, std::to_string(seconds), path, 1, favoriteId)) {
        auto* note = NSUI::NSNotificationData::create();
        note->stringValue = path;
        note->intValue = favoriteId;
        note->intValue2 = seconds;
        centre()->postNotification(this, studydb::NOTIFY_FAVORITE_DETAIL_ADDED, note, nullptr,
                                   true);
    }
    return favoriteId;
}

void dicomDB::addCaptureFavorite(const std::string& path) {
    if (path.empty()) {
        return;
    }
    float ratio = 1.0f;
    cocos2d::Image image;
    if (image.initWithImageFile(path) && image.getHeight() > 0) {
        ratio = static_cast<float>(image.getWidth()) / static_cast<float>(image.getHeight());
    }
    const int favoriteId = insertImageFavorite(path, ratio);
    if (favoriteId >= 0) {
        auto* saved = NSUI::NSNotificationData::create();
        saved->stringValue = path;
        saved->floatValue = ratio;
        saved->intValue = favoriteId;
        centre()->postNotification(nullptr, NSUI::NOTIFY_IMAGE_RATIO_READY, saved, nullptr, false);
        onFavoriteAdded();
    }
}

void dicomDB::addDicomFavorite(const std::string& path, int mode, float scale) {
    if (path.empty()) {
        return;
    }
    // Mode 100 asks for the scale stored in the file itself.
    if (mode == 100) {
        dcmSDK::dcmReadTag tags;
        scale = tags.setFile(path.c_str()) ? tags.getImageScale() : 1.0f;
    }
    if (insertDicomFavorite(path, scale) >= 0) {
        onFavoriteAdded();
    }
}

void dicomDB::onFavoriteAdded() {
    ++newFavoriteCount;
    if (favoriteAdded) {
        favoriteAdded();
    }
}
