#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "engine/base/RefPtr.h"
#include "engine/math/Mat4.h"
#include "engine/math/Vec3.h"
#include "imagesdk/data/SlabMode.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isSliceInfo.h"
#include "toolkit/core/NSNotificationData.h"

namespace isImageSDK {

class isImagePlane;

// What a region crop needs from the window that shows the slices, taken on the main thread when
// it starts, so that the run never reads the viewer while it works.
struct RegionCropRequest {
    // The data set (the current phase) whose stack is cut; held for the run.
    cocos2d::RefPtr<isImageData> data;
    // Oblique views are not cropped: the run ends at once.
    bool orthogonal = true;
    // 0 axial, 1 sagittal, 2 coronal; the slab as shown.
    int axis = 0;
    int slabMode = SLAB_MEAN;
    float slabThickness = 1.0f;
    // Stored in every new slice record.
    float windowWidth = 255.0f;
    float windowCentre = 128.0f;
    // The displayed slice: the region's corners are placed on it.
    bool hasDisplayedSlice = false;
    cocos2d::Mat4 sliceMatrix = cocos2d::Mat4::IDENTITY;
    int sliceWidth = 0;
    int sliceHeight = 0;
    float spacingX = 1.0f;
    float spacingY = 1.0f;
    // World points.
    cocos2d::Vec3 corners[4];
    // Posts go out from this sender (never dereferenced by the run) with this notification key.
    cocos2d::Ref* sender = nullptr;
    unsigned notificationKey = 0;

    // Takes the displayed slice's placement, size and pixel spacing from its record.
    void setDisplayedSlice(const isSliceInfo& shown);
};

// The data of one NOTIFY_SAVE_REFORMAT post: buffer = a new slice record (isSliceInfo with a
// malloc'ed pixel buffer) that a receiver takes over by taking the buffer and clearing the field;
// a record nobody took is freed with the data. The last post of a run may carry no record.
class isCropSliceData : public NSUI::NSNotificationData {
public:
    ~isCropSliceData() override;
};

// Cuts a rectangle out of every slice of the shown orthogonal stack, with the shown slab, on a
// thread of its own, and hands each piece on by NOTIFY_SAVE_REFORMAT (no group, next pass):
// text = an identity shared by the run, intValue = the positions still to come. Every run ends
// with a post whose intValue is 0, also when it stops early, is cancelled or crops nothing.
// The owner keeps the object for the run; releasing it cancels the run and waits for it.
class isRegionCrop : public cocos2d::Ref {
public:
    // Autoreleased.
    static isRegionCrop* create();
    ~isRegionCrop() override;

    // Main thread. Starts the run; false when this object has run already.
    bool start(const RegionCropRequest& request);
    // Stops the run after the slice in hand; it still ends with its last post.
    void cancel();
    // Waits for the run to end.
    void wait();
    bool isFinished() const { return finished; }

    // The region in pixels of the displayed slice: left, top, right, bottom, inclusive and
    // clipped to it; false when it lies wholly off the slice.
    static bool regionOf(const RegionCropRequest& request, int region[4]);

protected:
    isRegionCrop() = default;

private:
    void run();
    // The run's private copy of the data set's description over the same pixels.
    static isImageData* makeView(isImageData* data);
    void post(isSliceInfo* slice, int remaining);
    void releaseView();

    RegionCropRequest request;
    int region[4] = {0, 0, -1, -1};
    bool regionValid = false;
    std::string identity;
    isImageData* view = nullptr;
    isImagePlane* plane = nullptr;
    // Whether every slice had its pixels when the run started.
    bool complete = true;
    std::thread worker;
    std::atomic<bool> cancelled{false};
    std::atomic<bool> finished{false};
    bool started = false;
};

}  // namespace isImageSDK
