#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/base/Ref.h"

namespace isImageSDK {
class isBinReader;
}

// The readers one load made, in series-list order. It travels in the object slot of
// NOTIFY_SERIES_LOADED; the screen registers the readers of its current load and the rest go
// with this object.
class LoadedSeries : public cocos2d::Ref {
public:
    explicit LoadedSeries(unsigned generation) : generation(generation) {}
    ~LoadedSeries() override;
    LoadedSeries(const LoadedSeries&) = delete;
    LoadedSeries& operator=(const LoadedSeries&) = delete;

    // The load this result belongs to; a screen drops the results of loads it replaced.
    const unsigned generation;
    // One reference each.
    std::vector<std::pair<std::string, isImageSDK::isBinReader*>> readers;
};

// Everything a load job reads, copied on the main thread when the load starts: the job never
// looks at the screen that asked for it.
struct SeriesLoadRequest {
    std::vector<std::string> keys;
    // Ends in "/"; the series keys are folders below it.
    std::string dicomRoot;
    // The screen's notification key: the readers carry it in their progress and completion posts.
    unsigned notificationKey = 0;
    // The group of the result post (the screen); only compared, never dereferenced.
    void* group = nullptr;
    unsigned generation = 0;
    // Set by the screen when it no longer wants the result: the job stops at its next step (a
    // folder scan before its next file, writing no cache) and posts nothing.
    std::shared_ptr<std::atomic<bool>> cancelled = std::make_shared<std::atomic<bool>>(false);
};

// The worker-thread body of a series load. Scans every folder whose series cache is missing or
// stale, makes one reader per series and starts its pixel loading, reporting the stage through
// NOTIFY_ACTIVITY_TEXT. Ends with one NOTIFY_SERIES_LOADED post (no sender, the request's group,
// next pass) holding a LoadedSeries: int -1 when a scan or a reader failed, else 0.
void runSeriesLoad(const SeriesLoadRequest& request);
