#include "imagesdk/viewers/viewTypeOfSlice.h"

#include <gtest/gtest.h>

#include <cmath>

#include "imagesdk/data/isSliceInfo.h"
#include "imagesdk/viewers/isViewer.h"

namespace {

using cocos2d::Vec3;
using isImageSDK::isSliceInfo;

isSliceInfo sliceWith(const Vec3& row, const Vec3& column, int headFeet, int orientation) {
    isSliceInfo slice;
    slice.matrix.m[0] = row.x;
    slice.matrix.m[1] = row.y;
    slice.matrix.m[2] = row.z;
    slice.matrix.m[4] = column.x;
    slice.matrix.m[5] = column.y;
    slice.matrix.m[6] = column.z;
    slice.headFeetCode = headFeet;
    slice.orientationCode = orientation;
    return slice;
}

TEST(ViewTypeOfSlice, EdgeLettersNameThePlaneWhateverTheirOrder) {
    const float s = std::sqrt(0.5f);
    struct Case {
        const char* name;
        Vec3 row, column;
        int headFeet, orientation;
        int expected;
    };
    const Case cases[] = {
        {"axial", {1, 0, 0}, {0, 0, -1}, 0, 0, isImageSDK::VIEW_AXIAL},
        {"axial flipped (R L P A)", {-1, 0, 0}, {0, 0, 1}, 0, 0, isImageSDK::VIEW_AXIAL},
        {"axial transposed", {0, 0, -1}, {1, 0, 0}, 0, 0, isImageSDK::VIEW_AXIAL},
        {"axial prone, feet first", {1, 0, 0}, {0, 0, -1}, 1, 1, isImageSDK::VIEW_AXIAL},
        {"sagittal", {0, 0, -1}, {0, -1, 0}, 0, 0, isImageSDK::VIEW_SAGITTAL},
        {"coronal", {1, 0, 0}, {0, -1, 0}, 0, 0, isImageSDK::VIEW_CORONAL},
        {"coronal upside down", {-1, 0, 0}, {0, 1, 0}, 0, 0, isImageSDK::VIEW_CORONAL},
        // Tilted 45 degrees, the first letters still name the plane the cut is nearest.
        {"axial tilted", {s, s, 0}, {0, 0, -1}, 0, 0, isImageSDK::VIEW_AXIAL},
        // Both edges lean mostly left-right: L R L R fits no plane.
        {"double oblique",
         {0.64f, 0.6f, 0.48f},
         {0.768f, -0.549f, -0.329f},
         0,
         0,
         isImageSDK::VIEW_SLICE},
    };
    for (const Case& c : cases) {
        const isSliceInfo slice = sliceWith(c.row, c.column, c.headFeet, c.orientation);
        EXPECT_EQ(isImageSDK::viewTypeOfSlice(&slice), c.expected) << c.name;
    }
    EXPECT_EQ(isImageSDK::viewTypeOfSlice(nullptr), isImageSDK::VIEW_SLICE);
}

}  // namespace
