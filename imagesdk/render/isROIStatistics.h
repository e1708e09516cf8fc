#pragma once

#include <string>

#include "engine/base/Ref.h"
#include "engine/math/Vec3.h"
#include "imagesdk/data/ROIData.h"
#include "imagesdk/data/isSliceInfo.h"
#include "toolkit/core/NSNotificationData.h"

namespace isImageSDK {

// The measurements of the point, circle and polygon shapes on the slice a window shows. The
// shapes ask by NOTIFY_ROI_DATA_CHANGED; the window's image actor answers through answer with
// its displayed slice record and the frame it shows. Values are the stored pixel values: no
// rescale is applied. Main thread.
class isROIStatistics {
public:
    // The stored value of the pixel under a world point: column int(x / sx + 0.5) and row
    // int(y / sy + 0.5) of the point in slice-plane mm. False off the slice, for RGB slices and
    // without pixels.
    static bool pixelValue(const isSliceInfo* slice, int frame, const cocos2d::Vec3& world,
                           float* value);
    // The text a measuring shape shows for its ROI; false (text unchanged) when the slice or
    // the ROI's type gets no answer: RGB slices, slices without pixels, other ROI types.
    static bool measure(const isSliceInfo* slice, int frame, ROIData* roi, std::string* text);
    // Answers one request whose object is a copy of the shape's ROI: a new data with the text
    // and the request's intValue and intValue2, posted by sender in group on the next pass.
    // False when nothing was posted.
    static bool answer(cocos2d::Ref* sender, void* group, const isSliceInfo* slice, int frame,
                       NSUI::NSNotificationData* request);
};

}  // namespace isImageSDK
