#include "imagesdk/render/isRegionCrop.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "imagesdk/data/PixelType.h"
#include "imagesdk/data/isImagePlane.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/NSNotificationCenter.h"

namespace isImageSDK {

namespace {

// Corners placed by projecting the window's edges land a rounding error beside whole pixels;
// such a value counts as the whole pixel, so that a corner on the last column keeps it.
constexpr double kWholePixelTolerance = 1e-3;

int truncatedPixel(double value) {
    const double whole = std::nearbyint(value);
    if (std::fabs(value - whole) < kWholePixelTolerance) {
        value = whole;
    }
    return int(std::clamp(value, -1e9, 1e9));
}

void freeSlice(isSliceInfo* slice) {
    if (slice) {
        std::free(slice->data);
        delete slice;
    }
}

}  // namespace

isCropSliceData::~isCropSliceData() {
    freeSlice(static_cast<isSliceInfo*>(buffer));
    buffer = nullptr;
}

void RegionCropRequest::setDisplayedSlice(const isSliceInfo& shown) {
    hasDisplayedSlice = true;
    sliceMatrix = shown.matrix;
    sliceWidth = shown.width;
    sliceHeight = shown.height;
    spacingX = shown.pixelSpacingX;
    spacingY = shown.pixelSpacingY;
}

isRegionCrop* isRegionCrop::create() {
    auto* crop = new (std::nothrow) isRegionCrop();
    if (crop) {
        crop->autorelease();
    }
    return crop;
}

isRegionCrop::~isRegionCrop() {
    cancel();
    wait();
    releaseView();
}

bool isRegionCrop::regionOf(const RegionCropRequest& request, int region[4]) {
    cocos2d::Mat4 toPlane = request.sliceMatrix;
    if (!request.hasDisplayedSlice || !toPlane.inverse() || request.spacingX == 0.0f ||
        request.spacingY == 0.0f) {
        return false;
    }
    int minX = 99999;
    int minY = 99999;
    int maxX = -9999;
    int maxY = -9999;
    for (const cocos2d::Vec3& corner : request.corners) {
        cocos2d::Vec3 p;
        toPlane.transformPoint(corner, &p);
        const double x = double(p.x) / double(request.spacingX);
        const double y = double(p.y) / double(request.spacingY);
        if (!(x == x) || !(y == y)) {
            return false;
        }
        const int cx = truncatedPixel(x);
        const int cy = truncatedPixel(y);
        minX = std::min(minX, cx);
        maxX = std::max(maxX, cx);
        minY = std::min(minY, cy);
        maxY = std::max(maxY, cy);
    }
    region[0] = std::max(minX, 0);
    region[1] = std::max(minY, 0);
    region[2] = std::min(maxX, request.sliceWidth - 1);
    region[3] = std::min(maxY, request.sliceHeight - 1);
    return region[2] >= region[0] && region[3] >= region[1];
}

isImageData* isRegionCrop::makeView(isImageData* data) {
    isImageData* copy = isImageData::create();
    if (!copy) {
        return nullptr;
    }
    copy->width = data->width;
    copy->height = data->height;
    copy->sliceCount = data->sliceCount;
    std::copy(data->spacing, data->spacing + 3, copy->spacing);
    copy->regularVolume = data->regularVolume;
    copy->pixelType = data->pixelType;
    copy->orientationCode = data->orientationCode;
    copy->headFeetCode = data->headFeetCode;
    copy->frameMatrix = data->frameMatrix;
    copy->userMatrix = data->userMatrix;
    copy->worldMatrix = data->worldMatrix;
    copy->hasData = data->hasData;
    copy->phaseAware = false;
    for (const isSliceInfo* slice : data->slices) {
        copy->slices.push_back(new isSliceInfo(*slice));
    }
    return copy;
}

bool isRegionCrop::start(const RegionCropRequest& cropRequest) {
    if (started) {
        return false;
    }
    started = true;
    request = cropRequest;
    identity = NSUI::getTimestampString();
    // Made here, on the main thread, before the run posts from its own.
    NSUI::NSNotificationCenter::getInstance();
    regionValid = request.orthogonal && request.data && regionOf(request, region);
    if (regionValid) {
        isImageData* data = request.data.get();
        complete = std::all_of(data->slices.begin(), data->slices.end(),
                               [](const isSliceInfo* slice) { return slice->loaded; });
        view = makeView(data);
        plane = view ? isImagePlane::create() : nullptr;
        regionValid = plane != nullptr;
    }
    if (plane) {
        plane->setInputData(view);
        plane->setAxis(request.axis);
        plane->setSlabMode(request.slabMode);
        plane->setSlabThickness(request.slabThickness);
    }
    worker = std::thread(&isRegionCrop::run, this);
    return true;
}

void isRegionCrop::cancel() {
    cancelled = true;
}

void isRegionCrop::wait() {
    if (worker.joinable()) {
        worker.join();
    }
}

void isRegionCrop::releaseView() {
    if (view) {
        // The view's records point into the data set's own pixels.
        for (isSliceInfo* slice : view->slices) {
            slice->data = nullptr;
        }
        view->voxels = nullptr;
    }
    if (plane) {
        plane->release();
        plane = nullptr;
    }
    if (view) {
        view->release();
        view = nullptr;
    }
}

void isRegionCrop::post(isSliceInfo* slice, int remaining) {
    auto* data = new (std::nothrow) isCropSliceData();
    if (!data) {
        freeSlice(slice);
        return;
    }
    data->init();
    data->setBuffer(slice);
    data->stringValue = identity;
    data->intValue = remaining;
    data->setNotificationKey(request.notificationKey, nullptr);
    NSUI::NSNotificationCenter::getInstance()->postNotification(
        request.sender, NOTIFY_SAVE_REFORMAT, data, nullptr, true);
    data->release();
}

void isRegionCrop::run() {
    int lastPosted = -1;
    const int positions = regionValid ? plane->getNumberOfPositions() : 0;
    std::string path;
    bool pathTaken = false;
    const int bytes = bytesPerPixel(request.data ? request.data->pixelType : 0);
    for (int u = 0; u < positions && !cancelled; ++u) {
        // Planes across the slices read every slice: only once all of them have their pixels.
        if (request.axis != 0 && !complete) {
            break;
        }
        plane->setIndex(u);
        plane->update();
        isImageData* out = plane->getOutputImage();
        const isSliceInfo* source = out && !out->slices.empty() ? out->slices.front() : nullptr;
        if (!source || !source->loaded || !source->data) {
            continue;
        }
        const int left = region[0];
        const int top = region[1];
        const int right = std::min(region[2], source->width - 1);
        const int bottom = std::min(region[3], source->height - 1);
        if (right < left || bottom < top || bytesPerPixel(source->pixelType) != bytes) {
            continue;
        }
        const int width = right - left + 1;
        const int height = bottom - top + 1;
        void* pixels = std::malloc(std::size_t(width) * std::size_t(height) * std::size_t(bytes));
        auto* slice = pixels ? new (std::nothrow) isSliceInfo() : nullptr;
        if (!slice) {
            std::free(pixels);
            continue;
        }
        source->copyTo(slice);
        slice->data = pixels;
        slice->width = width;
        slice->height = height;
        cocos2d::Mat4 shift;
        cocos2d::Mat4::createTranslation(float(left) * request.spacingX,
                                         float(top) * request.spacingY, 0.0f, &shift);
        slice->matrix = source->matrix * shift;
        slice->instanceNumber = std::int16_t(u + 1);
        slice->frames = 1;
        slice->windowWidth = request.windowWidth;
        slice->windowCentre = request.windowCentre;
        if (!pathTaken) {
            path = source->path;
            pathTaken = true;
        }
        slice->path = path;
        const auto* from = static_cast<const unsigned char*>(source->data);
        auto* to = static_cast<unsigned char*>(pixels);
        const std::size_t rowBytes = std::size_t(width) * std::size_t(bytes);
        for (int r = 0; r < height; ++r) {
            std::memcpy(
                to + std::size_t(r) * rowBytes,
                from + (std::size_t(top + r) * std::size_t(source->width) + std::size_t(left)) *
                           std::size_t(bytes),
                rowBytes);
        }
        lastPosted = positions - 1 - u;
        post(slice, lastPosted);
    }
    if (lastPosted != 0) {
        post(nullptr, 0);
    }
    finished = true;
}

}  // namespace isImageSDK
