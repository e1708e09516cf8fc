#include "imagesdk/viewers/viewTypeOfSlice.h"

#include "imagesdk/data/isGeometry.h"
#include "imagesdk/data/isSliceInfo.h"
#include "imagesdk/viewers/isViewer.h"

namespace isImageSDK {

namespace {

constexpr int kAxialSum = 'L' + 'R' + 'A' + 'P';
constexpr int kSagittalSum = 'A' + 'P' + 'S' + 'I';
constexpr int kCoronalSum = 'L' + 'R' + 'S' + 'I';

}  // namespace

int viewTypeOfSlice(const isSliceInfo* slice) {
    if (slice == nullptr) {
        return VIEW_SLICE;
    }
    const cocos2d::Mat4& m = slice->matrix;
    const cocos2d::Vec3 row(m.m[0], m.m[1], m.m[2]);
    const cocos2d::Vec3 column(m.m[4], m.m[5], m.m[6]);
    char labels[12] = {};
    computeOrientationLabels(row, column, slice->headFeetCode, slice->orientationCode, labels);
    switch (labels[0] + labels[3] + labels[6] + labels[9]) {
    case kAxialSum:
        return VIEW_AXIAL;
    case kSagittalSum:
        return VIEW_SAGITTAL;
    case kCoronalSum:
        return VIEW_CORONAL;
    default:
        return VIEW_SLICE;
    }
}

}  // namespace isImageSDK
