#include "imagesdk/io/isBinReader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <new>
#include <thread>

#include "engine/platform/FileUtils.h"
#include "imagesdk/io/CacheFileWriter.h"
#include "imagesdk/io/DcmTagRules.h"
#include "imagesdk/io/FolderBuffer.h"
#include "imagesdk/io/PrebinFile.h"
#include "imagesdk/io/dcmLoadingThread.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/NSThreadSafeDestroy.h"
#include "toolkit/core/TextRoutines.h"

namespace isImageSDK {

namespace {

constexpr char kPrebinMagic[] = "ISImage.prebin";

std::int16_t sliceSexCode(char sex) {
    return sex == 'M' ? 1 : sex == 'F' ? 2 : 3;
}

std::uint64_t sliceBytes(const isSliceInfo* slice) {
    if (slice->width <= 0 || slice->height <= 0 || slice->frames <= 0) {
        return 0;
    }
    return std::uint64_t(slice->width) * std::uint64_t(slice->height) *
           std::uint64_t(slice->frames) * std::uint64_t(bytesPerPixel(slice->pixelType));
}

bool holdsOneBuffer(const isImageData* output) {
    return output->singleBuffer && output->voxels;
}

// The bytes the voxel cache of the output holds.
std::uint64_t voxelBytes(const isImageData* output) {
    if (holdsOneBuffer(output)) {
        return std::uint64_t(output->width) * std::uint64_t(output->height) *
               std::uint64_t(output->slices.size()) *
               std::uint64_t(bytesPerPixel(output->pixelType));
    }
    std::uint64_t total = 0;
    for (const isSliceInfo* slice : output->slices) {
        total += sliceBytes(slice);
    }
    return total;
}

bool readFully(int fd, void* buffer, std::uint64_t length) {
    auto* next = static_cast<char*>(buffer);
    while (length > 0) {
        const ssize_t got = ::read(fd, next, length);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        next += got;
        length -= static_cast<std::uint64_t>(got);
    }
    return true;
}

// Whether the decoded samples have the layout the slice's pixel type is converted from.
bool layoutMatches(int libraryType, int pixelType) {
    switch (libraryType) {
    case dcmSDK::dcmReader::PIXEL_UINT8:
        return pixelType == PIXEL_UINT8;
    case dcmSDK::dcmReader::PIXEL_INT16:
        return pixelType == PIXEL_INT16 || pixelType == PIXEL_UINT16 || pixelType == PIXEL_FLOAT32;
    case dcmSDK::dcmReader::PIXEL_RGB:
        return pixelType == PIXEL_RGB24;
    default:
        return false;
    }
}

}  // namespace

isBinReader* isBinReader::create() {
    auto* reader = new (std::nothrow) isBinReader();
    if (reader && !reader->init()) {
        delete reader;
        return nullptr;
    }
    return reader;
}

isBinReader::~isBinReader() {
    isBinReader::cleanup();
}

bool isBinReader::init() {
    isImageFilter::init();
    prebinPath.clear();
    folder.clear();
    cacheValid = false;
    loadedCount = 0;
    failedCount = 0;
    ensureWorkers();
    return true;
}

int isBinReader::loaderCountFor(unsigned cores) {
    return cores > unsigned(kMinimumLoaderCount) ? int(cores) - 1 : kMinimumLoaderCount;
}

int isBinReader::loaderCount() {
    static const int count = loaderCountFor(std::thread::hardware_concurrency());
    return count;
}

void isBinReader::ensureWorkers() {
    if (!workers.empty()) {
        return;
    }
    workers.resize(std::size_t(loaderCount()));
    for (dcmLoadingThread*& worker : workers) {
        worker = new dcmLoadingThread();
    }
}

void isBinReader::cancelAllWorkers() {
    for (dcmLoadingThread* worker : workers) {
        worker->cancelAllRequests();
    }
}

void isBinReader::cleanup() {
    std::vector<dcmLoadingThread*> ending;
    {
        std::lock_guard<std::recursive_mutex> guard(lock);
        waiters.clear();
        ending.swap(workers);
    }
    // Without the lock: a loader may be waiting for it to store its slice.
    for (dcmLoadingThread* worker : ending) {
        NSUI::NSThreadSafeDestroy holder;
        holder.stopThreadAndWait(worker);
    }
    isImageFilter::cleanup();
}

bool isBinReader::isReader() {
    return true;
}

bool isBinReader::isBufferValid() {
    return cacheValid;
}

bool isBinReader::setSource(std::string newFolder, std::string newPrebinPath) {
    newFolder = cocos2d::withTrailingSlash(newFolder);
    if (newPrebinPath == prebinPath) {
        return !newPrebinPath.empty();
    }
    cancelAllWorkers();
    {
        std::lock_guard<std::mutex> cache(cacheLock);
        std::lock_guard<std::recursive_mutex> guard(lock);
        outputRebuilt();
        isImageData* output = outputImage();
        if (output) {
            output->releaseVoxels();
            output->resetGeometry();
        }
        dataModified = true;
        informationModified = true;
        cacheValid = false;
        loadedCount = 0;
        failedCount = 0;
        folder = newFolder;
        prebinPath = newPrebinPath;
    }
    std::FILE* file = std::fopen(newPrebinPath.c_str(), "rb");
    if (!file) {
        return false;
    }
    PrebinHeader header;
    const bool whole = std::fread(&header, sizeof(header), 1, file) == 1;
    std::fclose(file);
    if (whole && recordText(header.magic) == kPrebinMagic) {
        cacheValid = true;
    }
    return true;
}

void isBinReader::execute() {
    if (!isDataModified()) {
        return;
    }
    isImageFilter::execute();
    isImageData* output = outputData;
    if (!output || !cacheValid) {
        return;
    }
    cancelAllWorkers();
    {
        std::lock_guard<std::mutex> cache(cacheLock);
        std::lock_guard<std::recursive_mutex> guard(lock);
        outputRebuilt();
        output->releaseVoxels();
        output->resetGeometry();
        loadedCount = 0;
        failedCount = 0;
    }
    PrebinContents contents;
    const PrebinReadResult result = PrebinFile::read(prebinPath, folder, contents);
    if (result == PrebinReadResult::Damaged) {
        std::remove(prebinPath.c_str());
    }
    if (result != PrebinReadResult::Loaded) {
        return;
    }
    std::lock_guard<std::recursive_mutex> guard(lock);
    if (contents.volume) {
        buildVolume(output, contents);
    } else {
        buildSeries(output, contents);
    }
}

void isBinReader::buildVolume(isImageData* output, const PrebinContents& contents) {
    const PrebinVolumeInfo& volume = contents.volumeInfo;
    int dims[3] = {volume.width, volume.height, volume.sliceCount};
    float spacing[3] = {volume.spacingX, volume.spacingY, volume.sliceSpacing};
    bool outOfMemory = false;
    const bool built =
        output->build(dims, spacing, volume.pixelType, volume.orientationCode, volume.headFeetCode,
                      matrixFromRows(volume.matrixRows), &outOfMemory);
    // A cache whose slice list disagrees with its volume description builds nothing either.
    if (!built || outOfMemory || output->slices.size() != contents.slices.size()) {
        output->releaseVoxels();
        output->resetGeometry();
        return;
    }
    output->setDataName(NSUI::formatString("%s,%s", recordText(volume.studyID).c_str(),
                                           recordText(volume.seriesNumber).c_str()));
    size_t i = 0;
    for (isSliceInfo* slice : output->slices) {
        const PrebinSliceInfo& record = contents.slices[i];
        slice->windowWidth = volume.windowWidth;
        slice->windowCentre = volume.windowCentre;
        slice->extra = volume.extra;
        slice->modality = volume.modality;
        slice->sex = sliceSexCode(volume.sex);
        slice->patientWeight = volume.patientWeight;
        slice->patientSize = volume.patientSize;
        slice->rescaleIntercept = record.rescaleIntercept;
        slice->rescaleSlope = record.rescaleSlope;
        slice->signCode = record.signCode;
        slice->acquired = record.acquired;
        slice->injected = record.injected;
        slice->decayValid = record.decayValid != 0;
        slice->halfLife = record.halfLife;
        slice->decayCorrection = record.decayCorrection;
        slice->decayFactor = record.decayFactor;
        slice->totalDose = record.totalDose;
        slice->units = record.units;
        slice->suvFactor = record.suvFactor;
        slice->instanceNumber = record.instanceNumber;
        slice->path = folder + contents.names[i];
        slice->loaded = false;
        ++i;
    }
}

void isBinReader::buildSeries(isImageData* output, const PrebinContents& contents) {
    for (size_t i = 0; i < contents.records.size(); ++i) {
        const DcmFileRecord& record = contents.records[i];
        const int size[2] = {record.width, record.height};
        const float spacing[2] = {record.spacingX, record.spacingY};
        isSliceInfo* slice =
            output->addSlice(size, record.frames, spacing, record.pixelType, record.orientationCode,
                             record.headFeetCode, matrixFromRows(record.matrixRows));
        if (!slice) {
            output->releaseVoxels();
            output->resetGeometry();
            return;
        }
        slice->geometryValid = record.geometryValid != 0;
        slice->instanceNumber = record.instanceNumber;
        slice->modality = record.modality;
        slice->extra = record.extra;
        slice->windowWidth = record.windowWidth;
        slice->windowCentre = record.windowCentre;
        slice->rescaleSlope = record.rescaleSlope;
        slice->rescaleIntercept = record.rescaleIntercept;
        slice->signCode = record.signCode;
        slice->sex = sliceSexCode(record.sex);
        slice->patientWeight = record.patientWeight;
        slice->patientSize = record.patientSize;
        slice->decayFactor = record.decayFactor;
        slice->decayCorrection = record.decayCorrection;
        slice->totalDose = record.totalDose;
        slice->units = record.units;
        slice->suvFactor = record.suvFactor;
        slice->acquired = record.acquired;
        slice->injected = record.injected;
        slice->decayValid = record.decayValid != 0;
        slice->halfLife = record.halfLife;
        slice->scanOptions = recordText(record.scanOptions);
        slice->triggerTime = record.triggerTime;
        slice->rrIntervals = record.rrIntervals;
        slice->timeSlots = record.timeSlots;
        slice->slicesPerPhase = record.slicesPerPhase;
        slice->timeSlices = record.timeSlices;
        slice->path = folder + contents.names[i];
        slice->loaded = false;
        if (i == 0) {
            output->setDataName(NSUI::formatString("%s,%s", recordText(record.studyID).c_str(),
                                                   recordText(record.seriesNumber).c_str()));
        }
    }
}

void isBinReader::updateOutput(isImageData*, isImageData* output) {
    if (prebinPath.empty() || !cacheValid || !output) {
        return;
    }
    if (output->getNumberOfSlices() < 1) {
        return;
    }
    if (readRawBuffer()) {
        return;
    }
    ensureWorkers();
    cancelAllWorkers();
    std::vector<loadingRequest*> requests;
    {
        std::lock_guard<std::recursive_mutex> guard(lock);
        // Slices already holding their pixels keep them; only the others are read, failed ones
        // included.
        loadedCount = 0;
        failedCount = 0;
        int index = 0;
        for (isSliceInfo* slice : output->slices) {
            if (slice->loaded) {
                ++loadedCount;
            } else {
                slice->loadFailed = false;
                auto* request = new loadingRequest();
                request->text = slice->path;
                request->userValue1 = index;
                request->requestId = static_cast<std::int32_t>(NSUI::foldedHash(slice->path));
                // Below the slice buffer limit, so it fits.
                request->expectedPixels = static_cast<std::int32_t>(std::int64_t(slice->frames) *
                                                                    slice->width * slice->height);
                request->owner = this;
                requests.push_back(request);
            }
            ++index;
        }
    }
    for (loadingRequest* request : requests) {
        workers[std::size_t(request->userValue1) % workers.size()]->addRequest(request);
        request->release();
    }
}

bool isBinReader::readRawBuffer() {
    std::lock_guard<std::mutex> cache(cacheLock);
    std::lock_guard<std::recursive_mutex> guard(lock);
    isImageData* output = outputData;
    if (!output || prebinPath.empty()) {
        return false;
    }
    const std::uint64_t expected = voxelBytes(output);
    if (expected < 1) {
        return true;
    }
    const std::string rawPath = getRawBufferPath(prebinPath);
    const int fd = ::open(rawPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info = {};
    bool complete = ::fstat(fd, &info) == 0 && std::uint64_t(info.st_size) == expected;
    if (complete && holdsOneBuffer(output)) {
        complete = readFully(fd, output->voxels, expected);
    } else if (complete) {
        for (isSliceInfo* slice : output->slices) {
            if (!slice->data || !readFully(fd, slice->data, sliceBytes(slice))) {
                complete = false;
                break;
            }
        }
    }
    ::close(fd);
    if (!complete) {
        ::unlink(rawPath.c_str());
        return false;
    }
    for (isSliceInfo* slice : output->slices) {
        slice->loaded = true;
        slice->loadFailed = false;
    }
    loadedCount = static_cast<int>(output->slices.size());
    failedCount = 0;
    return true;
}

isSliceInfo* isBinReader::requestedSlice(loadingRequest* request) {
    isImageData* output = outputData;
    if (!output || prebinPath.empty() || !cacheValid || request->cancelled) {
        return nullptr;
    }
    const std::int64_t index = request->userValue1;
    if (index < 0 || index >= static_cast<std::int64_t>(output->slices.size())) {
        return nullptr;
    }
    isSliceInfo* slice = *std::next(output->slices.begin(), static_cast<std::ptrdiff_t>(index));
    if (slice->path != request->text || !slice->data ||
        std::int64_t(slice->frames) * slice->width * slice->height != request->expectedPixels) {
        return nullptr;
    }
    return slice;
}

void isBinReader::setBeforeEachSlice(std::function<void()> hook) {
    beforeEachSlice = std::move(hook);
}

void isBinReader::onSliceLoaded(loadingRequest* request) {
    if (beforeEachSlice) {
        beforeEachSlice();
    }
    const std::size_t count = static_cast<std::size_t>(request->expectedPixels);
    int pixelType = 0;
    float slope = 1.0f;
    float intercept = 0.0f;
    int signCode = 0;
    bool mayConvert = false;
    bool finishAfterUnlock = false;
    std::uint64_t generation = 0;
    {
        std::lock_guard<std::recursive_mutex> guard(lock);
        isSliceInfo* slice = requestedSlice(request);
        if (!slice) {
            return;
        }
        if (slice->loaded) {
            notifyWaiters(request->requestId);
            return;
        }
        generation = outputGeneration;
        // Decoded samples of another layout than the scan found cannot fill the slice.
        if (!layoutMatches(request->libraryPixelType, slice->pixelType)) {
            if (failSlice(slice)) {
                finishAfterUnlock = true;
            }
        } else {
            pixelType = slice->pixelType;
            slope = slice->rescaleSlope;
            intercept = slice->rescaleIntercept;
            signCode = slice->signCode;
            mayConvert = true;
        }
    }
    if (!mayConvert) {
        if (finishAfterUnlock) {
            finishLoad(generation);
        }
        return;
    }
    // The conversion, the costly part, runs without the lock into the loader's own buffer.
    const void* ready = request->pixels;
    const std::size_t bytes = count * std::size_t(bytesPerPixel(pixelType));
    if (!convertsAsCopy(pixelType, slope, intercept)) {
        if (!request->scratch) {
            return;
        }
        request->scratch->resize(bytes);
        convertPixels(request->pixels, count, pixelType, slope, intercept, signCode,
                      request->scratch->data());
        ready = request->scratch->data();
    }
    bool last = false;
    {
        std::lock_guard<std::recursive_mutex> guard(lock);
        isSliceInfo* slice = requestedSlice(request);
        if (!slice || generation != outputGeneration) {
            return;
        }
        if (!slice->loaded) {
            std::memcpy(slice->data, ready, bytes);
            slice->loaded = true;
            loadedCount += 1;
            isImageData* output = outputData;
            auto* progress = new NSUI::NSNotificationData();
            progress->floatValue = float(loadedCount) / float(output->slices.size());
            progress->indexValue = static_cast<int>(NSUI::foldedHash(output->dataName));
            NSUI::NSNotificationCenter::getInstance()->postNotification(this, NOTIFY_LOAD_PROGRESS,
                                                                        progress, nullptr, true);
            progress->release();
            last = loadedCount + failedCount == static_cast<int>(output->slices.size());
            writingCache = writingCache || last;
        }
        notifyWaiters(request->requestId);
    }
    if (last) {
        finishLoad(generation);
    }
}

void isBinReader::finishLoad(std::uint64_t built) {
    std::lock_guard<std::mutex> cache(cacheLock);
    isImageData* output = nullptr;
    int failed = 0;
    {
        std::lock_guard<std::recursive_mutex> guard(lock);
        if (built != outputGeneration) {
            return;
        }
        output = outputData;
        failed = failedCount;
    }
    // Every slice is stored and none is written again; the voxels stay while the cache lock is
    // held, so the write needs no other lock. A voxel cache with failed slices would pass their
    // zeros off as pixels at the next open: none is written then.
    const bool written = failed > 0 || writeRawBuffer(output);
    std::lock_guard<std::recursive_mutex> guard(lock);
    if (built != outputGeneration) {
        return;
    }
    writingCache = false;
    if (written) {
        auto* complete = new NSUI::NSNotificationData();
        complete->setNotificationKey(key, nullptr);
        complete->intValue = failed;
        NSUI::NSNotificationCenter::getInstance()->postNotification(this, NOTIFY_SERIES_CACHED,
                                                                    complete, nullptr, false);
        complete->release();
    }
}

void isBinReader::onSliceFailed(loadingRequest* request) {
    if (beforeEachSlice) {
        beforeEachSlice();
    }
    std::uint64_t generation = 0;
    {
        std::lock_guard<std::recursive_mutex> guard(lock);
        isSliceInfo* slice = requestedSlice(request);
        if (!slice || !failSlice(slice)) {
            return;
        }
        generation = outputGeneration;
    }
    finishLoad(generation);
}

bool isBinReader::failSlice(isSliceInfo* slice) {
    if (slice->loaded || slice->loadFailed) {
        return false;
    }
    slice->loadFailed = true;
    failedCount += 1;
    const bool last = loadedCount + failedCount == static_cast<int>(outputData->slices.size());
    writingCache = writingCache || last;
    return last;
}

void isBinReader::outputRebuilt() {
    ++outputGeneration;
    writingCache = false;
}

void isBinReader::notifyWaiters(int requestId) {
    for (auto waiter = waiters.begin(); waiter != waiters.end();) {
        if (waiter->second == requestId) {
            NSUI::NSNotificationCenter::getInstance()->postLoadedIndex(this, requestId,
                                                                       waiter->first);
            waiter = waiters.erase(waiter);
        } else {
            ++waiter;
        }
    }
}

bool isBinReader::writeRawBuffer(isImageData* output) {
    const std::string rawPath = getRawBufferPath(prebinPath);
    if (::access(rawPath.c_str(), F_OK) == 0) {
        return true;
    }
    CacheFileWriter writer(rawPath);
    if (holdsOneBuffer(output)) {
        writer.write(output->voxels, voxelBytes(output));
    } else {
        for (const isSliceInfo* slice : output->slices) {
            writer.write(slice->data, sliceBytes(slice));
        }
    }
    return writer.commit();
}

void isBinReader::prioritize(cocos2d::Ref* requester, std::string path) {
    if (workers.empty()) {
        return;
    }
    const int requestId = static_cast<int>(NSUI::foldedHash(path));
    for (dcmLoadingThread* worker : workers) {
        worker->prioritizeRequest(requestId);
    }
    std::lock_guard<std::recursive_mutex> guard(lock);
    // A slice that arrived since the requester looked is announced now, not never.
    if (outputData) {
        for (const isSliceInfo* slice : outputData->slices) {
            if (slice->path == path) {
                if (slice->loaded) {
                    NSUI::NSNotificationCenter::getInstance()->postLoadedIndex(this, requestId,
                                                                               requester);
                    return;
                }
                break;
            }
        }
    }
    for (const auto& waiter : waiters) {
        if (waiter.first == requester && waiter.second == requestId) {
            return;
        }
    }
    waiters.emplace_back(requester, requestId);
}

bool isBinReader::isLoadComplete() {
    isImageData* output = outputData;
    if (!output || prebinPath.empty() || !cacheValid) {
        return false;
    }
    const int slices = output->getNumberOfSlices();
    std::lock_guard<std::recursive_mutex> guard(lock);
    return slices > 0 && loadedCount >= slices && !writingCache;
}

bool isBinReader::isLoadFinished() {
    isImageData* output = outputData;
    if (!output || prebinPath.empty() || !cacheValid) {
        return false;
    }
    const int slices = output->getNumberOfSlices();
    std::lock_guard<std::recursive_mutex> guard(lock);
    return slices > 0 && loadedCount + failedCount >= slices && !writingCache;
}

int isBinReader::getFailedSliceCount() {
    std::lock_guard<std::recursive_mutex> guard(lock);
    return failedCount;
}

}  // namespace isImageSDK
