#include "imagesdk/render/isROIStatistics.h"

#include <algorithm>
#include <vector>

#include "imagesdk/data/PixelType.h"
#include "imagesdk/data/SaturatingCast.h"
#include "imagesdk/data/isGeometry.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/TextRoutines.h"

namespace isImageSDK {

namespace {

constexpr float kPi = 3.1415926f;

std::string number(float value) {
    return NSUI::formatFloat(value, 2);
}

// Slice-plane millimetres of a world point; false when the slice matrix has no inverse.
bool toSlicePlane(const isSliceInfo& slice, const cocos2d::Vec3& world, cocos2d::Vec3* plane) {
    cocos2d::Mat4 toPlane = slice.matrix;
    if (!toPlane.inverse()) {
        return false;
    }
    toPlane.transformPoint(world, plane);
    return true;
}

bool measurable(const isSliceInfo* slice) {
    return slice && slice->data && slice->pixelType != PIXEL_RGB24 && slice->width > 0 &&
           slice->height > 0;
}

std::string areaText(float area, float width, float height, const RegionStatistics& s) {
    return "Area:" + number(area) + ",W:" + number(width) + " H:" + number(height) +
           " Unit:cm\nAvg:" + number(s.mean) + ",StdDev:" + number(s.deviation) +
           ",Total:" + number(s.sum) + "\nMin:" + number(s.minimum) + ",Max:" + number(s.maximum);
}

bool polygonText(const isSliceInfo& slice, int frame, ROIData* roi, std::string* text) {
    const int n = roi->getPointCount();
    std::vector<cocos2d::Vec2> plane;
    plane.reserve(std::size_t(std::max(n, 0)));
    for (int i = 0; i < n; ++i) {
        cocos2d::Vec3 p;
        if (!toSlicePlane(slice, roi->getPoint(i), &p)) {
            return false;
        }
        plane.emplace_back(p.x, p.y);
    }
    float box[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    if (!plane.empty()) {
        box[0] = box[1] = plane[0].x;
        box[2] = box[3] = plane[0].y;
    }
    for (const cocos2d::Vec2& p : plane) {
        box[0] = std::min(box[0], p.x);
        box[1] = std::max(box[1], p.x);
        box[2] = std::min(box[2], p.y);
        box[3] = std::max(box[3], p.y);
    }
    const float area = polygonArea(plane);
    const float sx = slice.pixelSpacingX;
    const float sy = slice.pixelSpacingY;
    std::vector<cocos2d::Vec2> pixels;
    pixels.reserve(plane.size());
    for (const cocos2d::Vec2& p : plane) {
        pixels.emplace_back(p.x / sx + 0.5f, p.y / sy + 0.5f);
    }
    const float pixelBox[4] = {box[0] / sx + 0.5f, box[1] / sx + 0.5f, box[2] / sy + 0.5f,
                               box[3] / sy + 0.5f};
    RegionStatistics statistics;
    if (!slice.polygonStatistics(pixels, pixelBox, frame, &statistics)) {
        return false;
    }
    *text = areaText(area * 0.01f, (box[1] - box[0]) * 0.1f, (box[3] - box[2]) * 0.1f, statistics);
    return true;
}

bool circleText(const isSliceInfo& slice, int frame, ROIData* roi, std::string* text) {
    const cocos2d::Vec3 centre = roi->getPoint(0);
    const float radius = centre.distance(roi->getPoint(1));
    cocos2d::Vec3 c;
    if (!toSlicePlane(slice, centre, &c)) {
        return false;
    }
    RegionStatistics statistics;
    if (!slice.circleStatistics(c.x, c.y, radius, frame, &statistics)) {
        return false;
    }
    const float diameter = 2.0f * radius * 0.1f;
    *text = areaText(kPi * radius * radius * 0.01f, diameter, diameter, statistics);
    return true;
}

}  // namespace

bool isROIStatistics::pixelValue(const isSliceInfo* slice, int frame, const cocos2d::Vec3& world,
                                 float* value) {
    if (!measurable(slice)) {
        return false;
    }
    cocos2d::Vec3 p;
    if (!toSlicePlane(*slice, world, &p)) {
        return false;
    }
    const int column = truncateToInt(p.x / slice->pixelSpacingX + 0.5f, -1);
    const int row = truncateToInt(p.y / slice->pixelSpacingY + 0.5f, -1);
    if (column < 0 || column >= slice->width || row < 0 || row >= slice->height) {
        return false;
    }
    const int frames = std::max<int>(slice->frames, 1);
    const std::size_t offset = std::size_t(std::clamp(frame, 0, frames - 1)) *
                                   std::size_t(slice->width) * std::size_t(slice->height) +
                               std::size_t(row) * std::size_t(slice->width) + std::size_t(column);
    switch (slice->pixelType) {
    case PIXEL_UINT8:
        *value = float(static_cast<const unsigned char*>(slice->data)[offset]);
        return true;
    case PIXEL_UINT16:
        *value = float(static_cast<const unsigned short*>(slice->data)[offset]);
        return true;
    case PIXEL_INT16:
        *value = float(static_cast<const short*>(slice->data)[offset]);
        return true;
    case PIXEL_FLOAT32:
        *value = static_cast<const float*>(slice->data)[offset];
        return true;
    default:
        return false;
    }
}

bool isROIStatistics::measure(const isSliceInfo* slice, int frame, ROIData* roi,
                              std::string* text) {
    if (!measurable(slice) || !roi || !text) {
        return false;
    }
    switch (roi->type) {
    case ROIData::POLYGON:
        return polygonText(*slice, frame, roi, text);
    case ROIData::CIRCLE:
        return circleText(*slice, frame, roi, text);
    case ROIData::POINT: {
        const cocos2d::Vec3 p = roi->getPoint(0);
        float value = 0.0f;
        if (pixelValue(slice, frame, p, &value)) {
            // The reader's x, y and z are the patient's, not those of the turned world frame;
            // adding 0 turns the -0 of a negated axis into 0.
            float patient[3] = {p.x, p.y, p.z};
            slice->toPatientAxes(patient);
            *text = "Value:" + number(value) + "\nx=" + number(patient[0] + 0.0f) +
                    ",y=" + number(patient[1] + 0.0f) + ",z=" + number(patient[2] + 0.0f);
        } else {
            *text = "Unknown";
        }
        return true;
    }
    default:
        return false;
    }
}

bool isROIStatistics::answer(cocos2d::Ref* sender, void* group, const isSliceInfo* slice, int frame,
                             NSUI::NSNotificationData* request) {
    if (!request) {
        return false;
    }
    std::string text;
    if (!measure(slice, frame, dynamic_cast<ROIData*>(request->object), &text)) {
        return false;
    }
    auto* reply = NSUI::NSNotificationData::create();
    reply->stringValue = text;
    reply->intValue = request->intValue;
    reply->intValue2 = request->intValue2;
    NSUI::NSNotificationCenter::getInstance()->postNotification(sender, NOTIFY_ROI_DATA_CHANGED,
                                                                reply, group, true);
    return true;
}

}  // namespace isImageSDK
