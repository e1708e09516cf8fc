// The thumbnails of the study list: up to six PNG pictures of evenly spaced images of a series,
// made once per series folder on a worker and shown beside the rows.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/studyList.h"
#include "dcmsdk/dcmReader.h"
#include "engine/2d/Sprite.h"
#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "engine/renderer/Texture2D.h"
#include "engine/renderer/TextureCache.h"
#include "studydb/StudyNotifications.h"
#include "studydb/dicomDB.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSDBUtil.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/widgets/NSListView.h"

namespace {

constexpr int kThumbnails = 6;
// Files whose doubled size passes this are not read for a thumbnail.
constexpr float kSizeLimit = 1214752256.0f;

std::string thumbnailName(int n) {
    return "thrumb" + std::to_string(n);
}

bool fileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

bool studyList::hasThumbnails(const std::string& path) {
    return fileExists(path + thumbnailName(0));
}

std::vector<int> studyList::thumbnailRows(int count) {
    std::vector<int> rows;
    if (count <= 0) {
        return rows;
    }
    const float step = static_cast<float>(count) / 6.0f;
    int previous = -1;
    for (int i = 0; i < kThumbnails; ++i) {
        const int m = static_cast<int>(static_cast<float>(i) * step + 0.1f);
        if (m != previous && m < count) {
            rows.push_back(m);
            previous = m;
        }
    }
    return rows;
}

void studyList::showSeriesThumbnails(listObject* row) {
    if (row == nullptr || row->type != 1 || database.get() == nullptr) {
        return;
    }
    requestThumbnails(row->seriesID, seriesPath(row->folder), false);
}

void studyList::requestThumbnails(const std::string& seriesId, const std::string& path,
                                  bool remake) {
    // The job's own end (its NOTIFY_THUMBNAIL_READY) serves what waits, so a request is never
    // lost to a running job.
    if (isThumbnailJobBusy()) {
        // The latest request wins, but a remake of the same folder is not lost to a plain one.
        queuedThumbnailRemake = (queuedThumbnailPath == path && queuedThumbnailRemake) || remake;
        queuedThumbnailId = seriesId;
        queuedThumbnailPath = path;
        return;
    }
    if (!remake && hasThumbnails(path)) {
        showThumbnails(path);
        return;
    }
    // The job reads the series' images as they are now, so a remake waiting for this folder
    // would only repeat it.
    if (remakePath == path) {
        unschedule("thumbnailRemake");
        remakePath.clear();
        remakeSeriesId.clear();
    }
    thumbnailJobBusy->store(true);
    // The sprites are hidden while the job runs; its answer shows the folder again even when
    // it is the one that was on show.
    showThumbnails("");
    thumbnailFolder.clear();
    thumbnailJobFolder = path;
    std::string json;
    setString(json, "id", seriesId);
    setString(json, "folder", path);
    std::shared_ptr<std::atomic<bool>> busy = thumbnailJobBusy;
    cocos2d::RefPtr<dicomDB> held = database;
    jobs.start([held, json, busy] { makeThumbnailsJob(held.get(), json, busy); });
}

void studyList::serveQueuedThumbnails() {
    if (queuedThumbnailPath.empty() || isThumbnailJobBusy()) {
        return;
    }
    const std::string id = queuedThumbnailId;
    const std::string path = queuedThumbnailPath;
    const bool remake = queuedThumbnailRemake;
    queuedThumbnailId.clear();
    queuedThumbnailPath.clear();
    queuedThumbnailRemake = false;
    requestThumbnails(id, path, remake);
}

void studyList::followShownSeries(const listObject* row) {
    if (row == nullptr || row->type != 1 || row->folder.empty()) {
        return;
    }
    // The series on show is the one the latest request was for: waiting, being made or shown.
    const std::string& shown = !queuedThumbnailPath.empty()  ? queuedThumbnailPath
                               : !thumbnailJobFolder.empty() ? thumbnailJobFolder
                                                             : thumbnailFolder;
    const std::string path = seriesPath(row->folder);
    if (shown.empty() || path != shown) {
        return;
    }
    remakeSeriesId = row->seriesID;
    remakePath = path;
    // Each new image starts the pause again: the series is made once when its images stop.
    unschedule("thumbnailRemake");
    scheduleOnce(
        [this](float) {
            const std::string id = remakeSeriesId;
            const std::string folder = remakePath;
            remakeSeriesId.clear();
            remakePath.clear();
            requestThumbnails(id, folder, true);
        },
        kThumbnailSettle, "thumbnailRemake");
}

void studyList::forgetThumbnails() {
    showThumbnails("");
    thumbnailFolder.clear();
    thumbnailJobFolder.clear();
    queuedThumbnailId.clear();
    queuedThumbnailPath.clear();
    queuedThumbnailRemake = false;
    unschedule("thumbnailRemake");
    remakeSeriesId.clear();
    remakePath.clear();
}

void studyList::makeThumbnailsJob(dicomDB* db, const std::string& json,
                                  const std::shared_ptr<std::atomic<bool>>& busy) {
    const std::string id = getString(json, "id");
    const std::string folder = getString(json, "folder");
    NSUI::NSDBDataModel images;
    db->getSeriesImages(&images, id);
    const int count = images.getRowCount();
    const std::string& base = folder;
    dcmSDK::dcmReader reader;
    int n = 0;
    for (const int m : thumbnailRows(count)) {
        if (images.getColumnCount(m) < 2) {
            continue;
        }
        const std::string path = base + images.getValue(m, 1);
        std::error_code error;
        const auto size = std::filesystem::file_size(path, error);
        if (!error && static_cast<float>(size) * 2.0f > kSizeLimit) {
            continue;
        }
        // Written under a temporary name and renamed, so that the list never loads a half-written
        // picture.
        const std::string target = base + thumbnailName(n);
        const std::string temporary = target + ".part";
        ++n;
        if (reader.setFile(path.c_str()) && reader.convertToPngFile(temporary.c_str(), true)) {
            std::filesystem::rename(temporary, target, error);
        }
        std::filesystem::remove(temporary, error);
    }
    // Cleared first: the list serves what waits for the job when this notice arrives.
    busy->store(false);
    NSUI::NSNotificationCenter::getInstance()->postString(nullptr, studydb::NOTIFY_THUMBNAIL_READY,
                                                          base, nullptr, false);
}

void studyList::showThumbnails(const std::string& path) {
    if (path.empty()) {
        for (int i = 0; i < kThumbnails; ++i) {
            if (cocos2d::Node* sprite = getChildByNameDeep(thumbnailName(i))) {
                sprite->setVisible(false);
            }
        }
        return;
    }
    if (path == thumbnailFolder) {
        return;
    }
    thumbnailFolder = path;
    const cocos2d::Size size = getContentSize();
    const cocos2d::Size table = rowTable != nullptr ? rowTable->getContentSize() : cocos2d::Size();
    const bool phone = AppConfig::getInstance()->isPhone;
    const float edge =
        phone ? std::min(size.width / 3.0f, (size.height - table.height - 60.0f) * 0.5f) - 10.0f
              : std::min((size.width - table.width) * 0.5f, table.height / 3.0f) - 30.0f;
    cocos2d::TextureCache* cache = cocos2d::Director::getInstance()->getTextureCache();
    for (int i = 0; i < kThumbnails; ++i) {
        auto* sprite = dynamic_cast<cocos2d::Sprite*>(getChildByNameDeep(thumbnailName(i)));
        if (sprite == nullptr) {
            continue;
        }
        const std::string file = path + thumbnailName(i);
        if (!fileExists(file)) {
            sprite->setVisible(false);
            continue;
        }
        // A picture made again under the same path must not come from the cache.
        cache->removeTextureForKey(file);
        cocos2d::Texture2D* texture = cache->addImage(file);
        if (texture == nullptr) {
            sprite->setVisible(false);
            continue;
        }
        sprite->setTexture(texture);
        sprite->setTextureRect(cocos2d::Rect(cocos2d::Vec2::ZERO, texture->getContentSize()));
        const float pixels =
            static_cast<float>(std::max(texture->getPixelsWide(), texture->getPixelsHigh()));
        sprite->setScale(pixels > 0.0f ? edge / pixels : 1.0f);
        sprite->setVisible(true);
    }
}
