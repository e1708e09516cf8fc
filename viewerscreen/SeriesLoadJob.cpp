#include "viewerscreen/SeriesLoadJob.h"

#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/io/FolderBuffer.h"
#include "imagesdk/io/isBinReader.h"
#include "imagesdk/io/isDcmScan.h"
#include "toolkit/core/DebugLog.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/TextRoutines.h"

namespace {

void postStage(const char* text) {
    NSUI::NSNotificationCenter::getInstance()->postString(nullptr, NSUI::NOTIFY_ACTIVITY_TEXT, text,
                                                          nullptr, false);
}

void postResult(const SeriesLoadRequest& request, LoadedSeries* result, bool failed) {
    auto* data = new NSUI::NSNotificationData();
    data->setNotificationKey(request.notificationKey, request.group);
    data->intValue = failed ? -1 : 0;
    data->setObject(result);
    // On the next pass: behind the scan's progress posts, which go one per pass, the result
    // would wait a frame for each of them.
    NSUI::NSNotificationCenter::getInstance()->postNotification(
        nullptr, isImageSDK::NOTIFY_SERIES_LOADED, data, request.group, true);
    data->release();
}

// The folder's valid cache path, scanning the folder when it has none; "" when the scan fails
// or is stopped by the request's cancellation.
std::string validCache(const std::string& folder, const SeriesLoadRequest& request) {
    std::string cache = isImageSDK::getFolderBufferPath(folder);
    if (!cache.empty() && isImageSDK::isPrebinValid(cache)) {
        return cache;
    }
    isImageSDK::isDcmScan scan([cancelled = request.cancelled] { return cancelled->load(); });
    scan.createBuffer(folder);
    if (scan.wasStopped()) {
        return "";
    }
    cache = isImageSDK::getFolderBufferPath(folder);
    if (cache.empty() || !isImageSDK::isPrebinValid(cache)) {
        NSUI::debugLog(NSUI::formatString("failed to scan dicom:%s", folder.c_str()).c_str());
        return "";
    }
    return cache;
}

}  // namespace

LoadedSeries::~LoadedSeries() {
    for (auto& entry : readers) {
        CC_SAFE_RELEASE(entry.second);
    }
}

void runSeriesLoad(const SeriesLoadRequest& request) {
    const auto cancelled = [&request] { return request.cancelled->load(); };
    auto* result = new LoadedSeries(request.generation);
    const auto finish = [&](bool failed) {
        if (!cancelled()) {
            postResult(request, result, failed);
        }
        result->release();
    };

    postStage("Scan Dicoms");
    std::vector<std::pair<std::string, std::string>> work;
    for (const std::string& key : request.keys) {
        if (cancelled()) {
            return finish(false);
        }
        const std::string folder = request.dicomRoot + key;
        const std::string cache = validCache(folder, request);
        if (cache.empty()) {
            return finish(!cancelled());
        }
        work.emplace_back(key, cache);
    }

    postStage("Loading dicoms");
    for (const auto& [key, cache] : work) {
        if (cancelled()) {
            return finish(false);
        }
        isImageSDK::isBinReader* reader = isImageSDK::isBinReader::create();
        if (!reader) {
            return finish(true);
        }
        reader->setNotificationKey(request.notificationKey, nullptr);
        reader->setName(key);
        if (!reader->setSource(request.dicomRoot + key, cache) || !reader->isBufferValid()) {
            NSUI::debugLog(NSUI::formatString("failed to read dicom in foloder:%s",
                                              (request.dicomRoot + key).c_str())
                               .c_str());
            reader->release();
            return finish(true);
        }
        reader->update();
        result->readers.emplace_back(key, reader);
    }
    finish(false);
}
