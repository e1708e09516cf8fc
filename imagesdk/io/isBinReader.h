#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "imagesdk/data/isImageFilter.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "toolkit/core/NSNotificationKey.h"

namespace isImageSDK {

class dcmLoadingThread;
class loadingRequest;
struct PrebinContents;

// The pipeline source of a scanned series. Its output is built at once from the series cache
// file (geometry and per-slice values, no pixels); the pixels then come either in one read from
// the voxel cache or slice by slice from loaderCount() loader threads, slice i on loader i mod
// that count. Each loaded slice is announced (NOTIFY_LOAD_PROGRESS, and NOTIFY_SLICE_READY to the
// viewers waiting for it); after the last one the voxels are written to the voxel cache and
// NOTIFY_SERIES_CACHED is posted.
//
// The main thread runs the pipeline operations, prioritize and cleanup. A loader converts its
// slice into its own buffer without any lock and then copies it into the volume under the
// reader's lock, which also guards the loaded count, the waiters and the paths. The last loader
// writes the voxel cache holding only the cache lock, which the main thread takes before it
// releases or rebuilds the voxels; viewers asking about the load never wait for the write.
class isBinReader : public isImageFilter, public NSUI::NSNotificationKey {
public:
    // The fewest loaders a reader runs, however few processors the machine has.
    static constexpr int kMinimumLoaderCount = 4;

    // Loaders of a reader on a machine with `cores` processors (0 when unknown): one per
    // processor but the one left to the screen's thread, never fewer than kMinimumLoaderCount.
    static int loaderCountFor(unsigned cores);
    // loaderCountFor this machine's processors.
    static int loaderCount();

    // Not autoreleased: the caller receives the one reference. Null when init fails.
    static isBinReader* create();

    ~isBinReader() override;

    // Ends the loaders, waiting for each, then drops the output.
    void cleanup() override;
    bool init() override;
    // Builds the output's slices from the series cache file.
    void execute() override;
    bool isReader() override;
    // The requester shows the slice of that file: its load goes first, and the requester gets
    // NOTIFY_SLICE_READY (its group, indexValue the file's request id) once the slice is loaded.
    void prioritize(cocos2d::Ref* requester, std::string path) override;
    // Loads the pixels: from the voxel cache when it fits, else through the loaders.
    void updateOutput(isImageData* input, isImageData* output) override;
    // Whether the series cache file starts with the cache magic.
    virtual bool isBufferValid();

    // Points the reader at a series folder and its cache file. The same cache path again keeps
    // what is loaded. False when the cache file cannot be opened.
    bool setSource(std::string folder, std::string prebinPath);
    // Every slice of a non-empty output is loaded (and the voxel cache has been written).
    bool isLoadComplete();
    // Every slice of a non-empty output is loaded or failed: no loader works for it any more.
    bool isLoadFinished();
    // Slices of the current load whose files could not give their pixels (isSliceInfo::loadFailed).
    int getFailedSliceCount();

    // Fills every slice from the voxel cache; false (deleting a cache of the wrong size or one
    // that reads short) when the loaders must do it.
    bool readRawBuffer();
    // A loader decoded the request's file: store its pixels in the slice. On the loader thread;
    // the request's scratch buffer, when set, takes the converted pixels.
    void onSliceLoaded(loadingRequest* request);
    // A loader could not read or decode the request's file: the slice is marked failed. On the
    // loader thread.
    void onSliceFailed(loadingRequest* request);
    // Called on a loader before it stores or fails each slice: how a test holds a load at a
    // known point (the program sets none). Set it before the load starts.
    void setBeforeEachSlice(std::function<void()> hook);

protected:
    isBinReader() = default;

private:
    isBinReader(const isBinReader&) = delete;
    isBinReader& operator=(const isBinReader&) = delete;

    void ensureWorkers();
    void cancelAllWorkers();
    void buildVolume(isImageData* output, const PrebinContents& contents);
    void buildSeries(isImageData* output, const PrebinContents& contents);
    // The slice the request loads, when the request still stands for it; under the lock.
    isSliceInfo* requestedSlice(loadingRequest* request);
    // Writes the voxels of the output built as generation `built` to the voxel cache (unless a
    // slice failed) and posts 9133, unless the output was rebuilt meanwhile. On the loader that
    // stored or failed the last slice.
    void finishLoad(std::uint64_t built);
    // Holding the cache lock. False when nothing could be written.
    bool writeRawBuffer(isImageData* output);
    // Under the lock: the voxels are about to be released or rebuilt.
    void outputRebuilt();
    void notifyWaiters(int requestId);
    // Under the lock: marks an unloaded slice failed; true when that ends the load.
    bool failSlice(isSliceInfo* slice);

    std::atomic<bool> cacheValid{false};
    std::string prebinPath;
    std::string folder;
    // Slice i goes to workers[i mod size]; empty until started and after cleanup.
    std::vector<dcmLoadingThread*> workers;
    std::list<std::pair<cocos2d::Ref*, int>> waiters;
    std::function<void()> beforeEachSlice;
    // Slices that went from unloaded to loaded since the output was built.
    int loadedCount = 0;
    // Slices marked failed since the loaders were last started.
    int failedCount = 0;
    // Counts the builds and releases of the output's voxels, so that a loader can tell that the
    // slice it converted for is gone. Under the lock.
    std::uint64_t outputGeneration = 0;
    // The voxel cache is being written; the load is complete only after it. Under the lock.
    bool writingCache = false;
    std::recursive_mutex lock;
    // Taken before the lock by whoever releases the voxels and, alone, by the cache writer.
    std::mutex cacheLock;
};

}  // namespace isImageSDK
