#include "imagesdk/data/isGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "imagesdk/data/isSliceInfo.h"

using cocos2d::Mat4;
using cocos2d::Vec3;
using cocos2d::Vec4;
using isImageSDK::isSliceInfo;

namespace {

struct Labels {
    std::string top, right, bottom, left;
};

Labels labelsOf(const Vec3& row, const Vec3& column, int headFeet, int orientation) {
    char raw[12];
    std::memset(raw, 'x', sizeof(raw));
    isImageSDK::computeOrientationLabels(row, column, headFeet, orientation, raw);
    return {raw, raw + 3, raw + 6, raw + 9};
}

int planeSum(const Labels& l) {
    return l.top[0] + l.right[0] + l.bottom[0] + l.left[0];
}

TEST(OrientationLabels, EdgesOfCommonPlanes) {
    const float s = std::sqrt(0.5f);
    struct Case {
        const char* name;
        Vec3 row, column;
        int headFeet, orientation;
        Labels expected;
    };
    const Case cases[] = {
        {"axial HFS", {1, 0, 0}, {0, 0, -1}, 0, 0, {"A", "L", "P", "R"}},
        {"coronal HFS", {1, 0, 0}, {0, -1, 0}, 0, 0, {"S", "L", "I", "R"}},
        {"sagittal HFS", {0, 0, -1}, {0, -1, 0}, 0, 0, {"S", "P", "I", "A"}},
        {"axial HFP", {1, 0, 0}, {0, 0, -1}, 0, 1, {"P", "R", "A", "L"}},
        {"axial HFDR", {1, 0, 0}, {0, 0, -1}, 0, 2, {"L", "P", "R", "A"}},
        {"axial FFS", {1, 0, 0}, {0, 0, -1}, 1, 0, {"A", "R", "P", "L"}},
        {"coronal FFS", {1, 0, 0}, {0, -1, 0}, 1, 0, {"I", "R", "S", "L"}},
        {"unknown is head-first supine", {1, 0, 0}, {0, 0, -1}, 2, 3, {"A", "L", "P", "R"}},
        {"orientation out of range", {1, 0, 0}, {0, 0, -1}, 0, 9, {"A", "L", "P", "R"}},
        {"oblique keeps two letters", {s, s, 0}, {0, 0, -1}, 0, 0, {"A", "LS", "P", "RI"}},
        {"tie swaps the row letters", {s, 0, s}, {-s, 0, s}, 0, 0, {"LP", "AL", "RA", "PR"}},
        {"tiny component ignored", {1, 1e-6f, 0}, {0, 0, -1}, 0, 0, {"A", "L", "P", "R"}},
        {"zero vectors", {0, 0, 0}, {0, 0, 0}, 0, 0, {"", "", "", ""}},
    };
    for (const Case& c : cases) {
        const Labels got = labelsOf(c.row, c.column, c.headFeet, c.orientation);
        EXPECT_EQ(got.top, c.expected.top) << c.name;
        EXPECT_EQ(got.right, c.expected.right) << c.name;
        EXPECT_EQ(got.bottom, c.expected.bottom) << c.name;
        EXPECT_EQ(got.left, c.expected.left) << c.name;
    }
}

TEST(OrientationLabels, PlaneSumsTellTheViewType) {
    EXPECT_EQ(planeSum(labelsOf({1, 0, 0}, {0, 0, -1}, 0, 0)), 303);
    EXPECT_EQ(planeSum(labelsOf({0, 0, -1}, {0, -1, 0}, 0, 0)), 301);
    EXPECT_EQ(planeSum(labelsOf({1, 0, 0}, {0, -1, 0}, 0, 0)), 314);
}

TEST(PatientAxes, FixedAxisTable) {
    struct Case {
        int headFeet, orientation;
        float expected[3];
    };
    // World position (1, 2, 3).
    const Case cases[] = {
        {0, 0, {1, -3, 2}},   {0, 1, {-1, 3, 2}}, {0, 2, {3, 1, 2}},   {0, 3, {-3, -1, 2}},
        {1, 0, {-1, -3, -2}}, {1, 1, {1, 3, -2}}, {1, 2, {3, -1, -2}}, {1, 3, {-3, 1, -2}},
        {2, 0, {1, -3, 2}},   {2, 2, {3, 1, 2}},  {0, 7, {1, -3, 2}},  {1, -1, {-1, -3, -2}},
    };
    for (const Case& c : cases) {
        isSliceInfo slice;
        slice.headFeetCode = c.headFeet;
        slice.orientationCode = c.orientation;
        float v[3] = {1, 2, 3};
        slice.toPatientAxes(v);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(v[i], c.expected[i])
                << c.headFeet << "/" << c.orientation << " [" << i << "]";
        }
    }
}

TEST(SliceRecord, CopiesKeepPixelsWhereTheyBelong) {
    isSliceInfo source;
    source.width = 7;
    source.modality = 1;
    source.path = "/a/b.dcm";
    source.loaded = false;
    source.matrix.m[12] = 5.0f;
    source.halfLife = 6586.2f;
    source.timeSlices = 3;
    int pixels = 0;
    source.data = &pixels;

    isSliceInfo full;
    source.copyTo(&full);
    EXPECT_EQ(full.data, nullptr);
    EXPECT_TRUE(full.loaded);
    EXPECT_EQ(full.width, 7);
    EXPECT_EQ(full.matrix.m[12], 5.0f);
    EXPECT_EQ(full.path, "/a/b.dcm");

    isSliceInfo header;
    header.width = 3;
    header.loaded = false;
    source.copyHeaderTo(&header);
    EXPECT_EQ(header.width, 3);
    EXPECT_EQ(header.matrix.m[12], 0.0f);
    EXPECT_FALSE(header.loaded);
    EXPECT_EQ(header.modality, 1);
    EXPECT_EQ(header.halfLife, 6586.2f);
    EXPECT_EQ(header.timeSlices, 3);
}

TEST(SliceRecord, Defaults) {
    isSliceInfo slice;
    EXPECT_EQ(slice.windowWidth, 255.0f);
    EXPECT_EQ(slice.windowCentre, 128.0f);
    EXPECT_EQ(slice.modality, 7);
    EXPECT_EQ(slice.frames, 1);
    EXPECT_EQ(slice.acquired.year, 1900);
    EXPECT_EQ(slice.totalDose, -1.0f);
    EXPECT_EQ(slice.matrix, Mat4::IDENTITY);
}

TEST(LineRoutines, DistanceProjectionAndIntersection) {
    EXPECT_FLOAT_EQ(isImageSDK::pointLineDistance({3, 4, 0}, {0, 0, 0}, {0, 0, 2}), 5.0f);
    EXPECT_FLOAT_EQ(isImageSDK::pointLineDistance({1, 1, 7}, {1, 1, 0}, {0, 0, 1}), 0.0f);

    Vec3 foot;
    isImageSDK::projectPointOnLine({1, 0, 0}, {5, 3, 0}, {2, 0, 0}, foot);
    EXPECT_EQ(foot, Vec3(5, 0, 0));

    Vec3 hit;
    isImageSDK::intersectLinePlane({0, 0, 10}, {0, 0, -1}, {0, 0, 1}, 2.0f, hit);
    EXPECT_EQ(hit, Vec3(0, 0, 2));
    isImageSDK::intersectLinePlane({0, 0, 10}, {1, 0, 0}, {0, 0, 1}, 2.0f, hit);
    EXPECT_FALSE(std::isfinite(hit.x));
}

TEST(MatrixRoutines, EulerAnglesInvertTheRotationMatrix) {
    float x, y, z;
    isImageSDK::matrixToEulerAngles(Mat4::IDENTITY, x, y, z);
    EXPECT_FLOAT_EQ(x, 0.0f);
    EXPECT_FLOAT_EQ(y, 0.0f);
    EXPECT_FLOAT_EQ(z, 0.0f);

    const float angles[][3] = {{10, 20, 30}, {-45, 5, 170}, {0, 0, -90}, {60, -30, 0}};
    for (const auto& a : angles) {
        Mat4 m;
        isImageSDK::makeRotationMatrix({1, 2, 3}, a[0], a[1], a[2], m);
        EXPECT_EQ(m.m[12], 1.0f);
        EXPECT_EQ(m.m[15], 1.0f);
        isImageSDK::matrixToEulerAngles(m, x, y, z);
        EXPECT_NEAR(x, a[0], 1e-3f);
        EXPECT_NEAR(y, a[1], 1e-3f);
        EXPECT_NEAR(z, a[2], 1e-3f);
    }
}

TEST(MatrixRoutines, RotationMatrixAgreesWithEngineAxisRotations) {
    Mat4 ours;
    isImageSDK::makeRotationMatrix({0, 0, 0}, 10, 20, 30, ours);
    Mat4 rx, ry, rz;
    const float toRadians = 3.14159265f / 180.0f;
    Mat4::createRotationX(10 * toRadians, &rx);
    Mat4::createRotationY(20 * toRadians, &ry);
    Mat4::createRotationZ(30 * toRadians, &rz);
    const Mat4 expected = rz * ry * rx;
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(ours.m[i], expected.m[i], 1e-5f) << i;
    }
}

TEST(MatrixRoutines, LookAtBuildsTheCameraFrame) {
    Mat4 m;
    isImageSDK::makeLookAtMatrix({0, 0, 10}, {0, 0, 0}, {0, 2, 0}, m);
    const Mat4 expected(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 10, 0, 0, 0, 1);
    EXPECT_EQ(m, expected);

    isImageSDK::makeLookAtMatrix({10, 0, 0}, {0, 0, 0}, {0, 0, 1}, m);
    EXPECT_EQ(Vec3(m.m[0], m.m[1], m.m[2]), Vec3(0, 1, 0));
    EXPECT_EQ(Vec3(m.m[8], m.m[9], m.m[10]), Vec3(1, 0, 0));
}

TEST(MatrixRoutines, AxisRotationsMultiplyOnTheRight) {
    Mat4 m;
    Mat4::createTranslation(5, 0, 0, &m);
    isImageSDK::rotateMatrixX(m, 3.14159265f / 2);
    EXPECT_NEAR(m.m[6], 1.0f, 1e-6f);  // column 1 turns to +z
    EXPECT_NEAR(m.m[9], -1.0f, 1e-6f);
    EXPECT_EQ(m.m[12], 5.0f);

    Mat4 n = Mat4::IDENTITY;
    isImageSDK::rotateMatrixY(n, 3.14159265f / 2);
    EXPECT_NEAR(n.m[2], -1.0f, 1e-6f);  // column 0 turns to -z
    EXPECT_NEAR(n.m[8], 1.0f, 1e-6f);
}

TEST(MatrixRoutines, TransformVec4) {
    Mat4 m;
    Mat4::createTranslation(1, 2, 3, &m);
    EXPECT_EQ(isImageSDK::transformVec4(m, Vec4(1, 1, 1, 1)), Vec4(2, 3, 4, 1));
    EXPECT_EQ(isImageSDK::transformVec4(m, Vec4(1, 1, 1, 0)), Vec4(1, 1, 1, 0));
}

}  // namespace
