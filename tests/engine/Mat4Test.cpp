#include "engine/math/Mat4.h"
#include "engine/math/Quaternion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using cocos2d::Mat4;
using cocos2d::Quaternion;
using cocos2d::Vec3;
using cocos2d::Vec4;

namespace {

constexpr float kPi = 3.14159265f;

void expectMatNear(const Mat4& expected, const Mat4& actual, float tolerance = 1e-5f) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(expected.m[i], actual.m[i], tolerance) << "element m[" << i << "]";
    }
}

void expectVec3Near(const Vec3& expected, const Vec3& actual, float tolerance = 1e-5f) {
    EXPECT_NEAR(expected.x, actual.x, tolerance);
    EXPECT_NEAR(expected.y, actual.y, tolerance);
    EXPECT_NEAR(expected.z, actual.z, tolerance);
}

void expectVec4Near(const Vec4& expected, const Vec4& actual, float tolerance = 1e-5f) {
    EXPECT_NEAR(expected.x, actual.x, tolerance);
    EXPECT_NEAR(expected.y, actual.y, tolerance);
    EXPECT_NEAR(expected.z, actual.z, tolerance);
    EXPECT_NEAR(expected.w, actual.w, tolerance);
}

// A slice matrix as the image library builds them: unit direction columns,
// an oblique orientation and an origin hundreds of millimetres away.
Mat4 sliceMatrix() {
    const Vec3 row = Vec3(0.9f, 0.1f, -0.2f).getNormalized();
    const Vec3 col = row.getCrossed(Vec3(0.1f, 0.2f, 1.0f)).getNormalized();
    const Vec3 normal = row.getCrossed(col);
    return Mat4(row.x, col.x, normal.x, -187.4f, row.y, col.y, normal.y, 220.25f, row.z, col.z,
                normal.z, -1043.5f, 0.0f, 0.0f, 0.0f, 1.0f);
}

Mat4 composed(const Vec3& translation, const Quaternion& rotation, const Vec3& scale) {
    Mat4 t, r, s;
    Mat4::createTranslation(translation, &t);
    Mat4::createRotation(rotation, &r);
    Mat4::createScale(scale, &s);
    return t * r * s;
}

}  // namespace

TEST(Mat4Test, StorageIsColumnMajorAndGetElementTakesRowThenColumn) {
    // Written on paper row by row: element (r, c) = 10 r + c.
    const Mat4 paper(0.0f, 1.0f, 2.0f, 3.0f, 10.0f, 11.0f, 12.0f, 13.0f, 20.0f, 21.0f, 22.0f, 23.0f,
                     30.0f, 31.0f, 32.0f, 33.0f);
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            EXPECT_EQ(float(10 * row + column), paper.getElement(row, column)) << row << column;
            EXPECT_EQ(paper.getElement(row, column), paper.m[column * 4 + row]);
        }
    }
    const float columnMajor[16] = {0.0f, 10.0f, 20.0f, 30.0f, 1.0f, 11.0f, 21.0f, 31.0f,
                                   2.0f, 12.0f, 22.0f, 32.0f, 3.0f, 13.0f, 23.0f, 33.0f};
    EXPECT_EQ(paper, Mat4(columnMajor));

    Mat4 translation;
    Mat4::createTranslation(5.0f, 6.0f, 7.0f, &translation);
    EXPECT_EQ(5.0f, translation.getElement(0, 3));
    EXPECT_EQ(6.0f, translation.getElement(1, 3));
    EXPECT_EQ(7.0f, translation.getElement(2, 3));
    EXPECT_EQ(0.0f, translation.getElement(3, 0));
    EXPECT_EQ(5.0f, translation.m[12]);

    for (const auto& [row, column] : {std::pair{-1, 0}, {0, -1}, {4, 0}, {0, 4}}) {
        EXPECT_EQ(0.0f, paper.getElement(row, column)) << "outside: " << row << "," << column;
    }
}

TEST(Mat4Test, ConstantsAndDefaultConstruction) {
    EXPECT_TRUE(Mat4().isIdentity());
    EXPECT_EQ(Mat4::IDENTITY, Mat4());
    for (float e : Mat4::ZERO.m) {
        EXPECT_EQ(0.0f, e);
    }
    Mat4 m;
    m.setZero();
    EXPECT_EQ(Mat4::ZERO, m);
    m.setIdentity();
    EXPECT_TRUE(m.isIdentity());
}

TEST(Mat4Test, ProductAppliesTheRightOperandFirst) {
    Mat4 t, s;
    Mat4::createTranslation(10.0f, 0.0f, 0.0f, &t);
    Mat4::createScale(2.0f, 3.0f, 4.0f, &s);
    Vec3 p;
    (t * s).transformPoint(Vec3(1.0f, 1.0f, 1.0f), &p);
    EXPECT_EQ(Vec3(12.0f, 3.0f, 4.0f), p) << "scale, then translate";
    (s * t).transformPoint(Vec3(1.0f, 1.0f, 1.0f), &p);
    EXPECT_EQ(Vec3(22.0f, 3.0f, 4.0f), p) << "translate, then scale";

    Mat4 aliased = t;
    Mat4::multiply(aliased, s, &aliased);
    EXPECT_EQ(t * s, aliased);
    aliased = s;
    Mat4::multiply(t, aliased, &aliased);
    EXPECT_EQ(t * s, aliased);
    Mat4 inPlace = t;
    inPlace *= s;
    EXPECT_EQ(t * s, inPlace);
}

TEST(Mat4Test, InstanceTransformsMultiplyOnTheRight) {
    const Mat4 base = sliceMatrix();
    Mat4 t, r, s, rq;
    Mat4::createTranslation(1.0f, -2.0f, 3.0f, &t);
    Mat4::createRotation(Vec3(1.0f, 1.0f, 0.0f), 0.4f, &r);
    Mat4::createScale(2.0f, 0.5f, 3.0f, &s);
    const Quaternion q(Vec3(0.0f, 0.0f, 1.0f), 0.3f);
    Mat4::createRotation(q, &rq);

    Mat4 m = base;
    m.translate(1.0f, -2.0f, 3.0f);
    expectMatNear(base * t, m);
    m = base;
    m.rotate(Vec3(1.0f, 1.0f, 0.0f), 0.4f);
    expectMatNear(base * r, m);
    m = base;
    m.scale(2.0f, 0.5f, 3.0f);
    expectMatNear(base * s, m);
    m = base;
    m.rotate(q);
    expectMatNear(base * rq, m);

    Mat4 dst;
    base.translate(Vec3(1.0f, -2.0f, 3.0f), &dst);
    expectMatNear(base * t, dst);
}

TEST(Mat4Test, RotationsTurnCounterClockwiseAndAgreeAcrossForms) {
    struct Case {
        std::string name;
        Vec3 axis;
        void (*single)(float, Mat4*);
        Vec3 in, out;  // in turned by 90 degrees
    } cases[] = {
        {"x", Vec3::UNIT_X, &Mat4::createRotationX, Vec3::UNIT_Y, Vec3::UNIT_Z},
        {"y", Vec3::UNIT_Y, &Mat4::createRotationY, Vec3::UNIT_Z, Vec3::UNIT_X},
        {"z", Vec3::UNIT_Z, &Mat4::createRotationZ, Vec3::UNIT_X, Vec3::UNIT_Y},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Mat4 single, axisAngle, fromQuat;
        c.single(kPi / 2.0f, &single);
        Mat4::createRotation(c.axis * 5.0f, kPi / 2.0f, &axisAngle);
        Mat4::createRotation(Quaternion(c.axis, kPi / 2.0f), &fromQuat);
        expectMatNear(single, axisAngle);
        expectMatNear(single, fromQuat);
        Vec3 turned;
        single.transformVector(c.in, &turned);
        expectVec3Near(c.out, turned);

        Mat4 twice = single;
        c.single(kPi / 2.0f, &axisAngle);
        twice.multiply(axisAngle);
        Mat4 half;
        c.single(kPi, &half);
        expectMatNear(half, twice);
    }

    Mat4 general;
    Mat4::createRotation(Vec3(1.0f, 1.0f, 1.0f), 2.0f * kPi / 3.0f, &general);
    Vec3 turned;
    general.transformVector(Vec3::UNIT_X, &turned);
    // A third of a turn about (1, 1, 1) cycles the axes.
    expectVec3Near(Vec3::UNIT_Y, turned);

    Mat4 zeroAxis = Mat4::ZERO;
    Mat4::createRotation(Vec3::ZERO, 1.0f, &zeroAxis);
    EXPECT_TRUE(zeroAxis.isIdentity());
}

TEST(Mat4Test, PointsTakeTranslationAndVectorsDoNot) {
    const Mat4 m = composed(Vec3(10.0f, 20.0f, 30.0f), Quaternion(Vec3::UNIT_Z, kPi / 2.0f),
                            Vec3(2.0f, 2.0f, 2.0f));
    Vec3 point(1.0f, 0.0f, 0.0f);
    m.transformPoint(&point);
    expectVec3Near(Vec3(10.0f, 22.0f, 30.0f), point);
    Vec3 vector(1.0f, 0.0f, 0.0f);
    m.transformVector(&vector);
    expectVec3Near(Vec3(0.0f, 2.0f, 0.0f), vector);
    expectVec3Near(Vec3(0.0f, 2.0f, 0.0f), m * Vec3(1.0f, 0.0f, 0.0f));
    Vec3 weighted;
    m.transformVector(1.0f, 0.0f, 0.0f, 0.5f, &weighted);
    expectVec3Near(Vec3(5.0f, 12.0f, 15.0f), weighted);

    Vec4 homogeneous(1.0f, 0.0f, 0.0f, 1.0f);
    m.transformVector(&homogeneous);
    expectVec4Near(Vec4(10.0f, 22.0f, 30.0f, 1.0f), homogeneous);
    expectVec4Near(Vec4(0.0f, 2.0f, 0.0f, 0.0f), m * Vec4(1.0f, 0.0f, 0.0f, 0.0f));
    Vec4 aliased(0.0f, 1.0f, 0.0f, 1.0f);
    m.transformVector(aliased, &aliased);
    expectVec4Near(Vec4(8.0f, 20.0f, 30.0f, 1.0f), aliased);

    // Projections carry a w of their own, which the Vec4 form keeps.
    Mat4 projection;
    Mat4::createPerspective(90.0f, 1.0f, 1.0f, 3.0f, &projection);
    expectVec4Near(Vec4(0.0f, 0.0f, 3.0f, 3.0f), projection * Vec4(0.0f, 0.0f, -3.0f, 1.0f));
}

TEST(Mat4Test, InverseRoundTrips) {
    Mat4 perspective;
    Mat4::createPerspective(60.0f, 4.0f / 3.0f, 1.0f, 1000.0f, &perspective);
    Mat4 ortho;
    Mat4::createOrthographicOffCenter(-400.0f, 400.0f, -300.0f, 300.0f, 1.0f, 1000.0f, &ortho);
    Mat4 lookAt;
    Mat4::createLookAt(Vec3(3.0f, 4.0f, 5.0f), Vec3(0.0f, 1.0f, 0.0f), Vec3::UNIT_Y, &lookAt);
    const Mat4 general(2.0f, 1.0f, 0.0f, 4.0f, 1.0f, 3.0f, 1.0f, -2.0f, 0.0f, 1.0f, 4.0f, 1.0f,
                       1.0f, 0.0f, 2.0f, 5.0f);
    // Row 0 has a zero pivot: the inversion must exchange rows.
    const Mat4 needsPivot(0.0f, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f,
                          0.0f, 0.0f, 1.0f, 0.0f);
    const Mat4 smallSpacing = sliceMatrix() * [] {
        Mat4 s;
        Mat4::createScale(0.05f, 0.05f, 0.1f, &s);
        return s;
    }();
    struct Case {
        std::string name;
        Mat4 m;
        float tolerance;
    } cases[] = {
        {"identity", Mat4::IDENTITY, 0.0f},
        // The float products themselves lose digits against translations of a kilometre.
        {"slice", sliceMatrix(), 2e-4f},
        {"small spacing", smallSpacing, 1e-3f},
        {"trs",
         composed(Vec3(5.0f, -6.0f, 7.0f), Quaternion(Vec3(1.0f, 2.0f, 3.0f), 0.8f),
                  Vec3(2.0f, 0.5f, -3.0f)),
         1e-5f},
        {"perspective", perspective, 1e-5f},
        {"orthographic", ortho, 1e-5f},
        {"look-at", lookAt, 1e-5f},
        {"general", general, 1e-5f},
        {"pivoting", needsPivot, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Mat4 inv = c.m;
        ASSERT_TRUE(inv.inverse());
        EXPECT_EQ(inv, c.m.getInversed());
        expectMatNear(Mat4::IDENTITY, c.m * inv, c.tolerance);
        expectMatNear(Mat4::IDENTITY, inv * c.m, c.tolerance);
        expectMatNear(c.m, inv.getInversed(), c.tolerance);
    }

    // Hand-computed: the inverse of the scale-translate T(1, 2, 3) S(2, 4, 8).
    const Mat4 st(2.0f, 0.0f, 0.0f, 1.0f, 0.0f, 4.0f, 0.0f, 2.0f, 0.0f, 0.0f, 8.0f, 3.0f, 0.0f,
                  0.0f, 0.0f, 1.0f);
    const Mat4 expected(0.5f, 0.0f, 0.0f, -0.5f, 0.0f, 0.25f, 0.0f, -0.5f, 0.0f, 0.0f, 0.125f,
                        -0.375f, 0.0f, 0.0f, 0.0f, 1.0f);
    EXPECT_EQ(expected, st.getInversed());
}

TEST(Mat4Test, SingularMatricesAreNotInverted) {
    Mat4 flat;
    Mat4::createScale(1.0f, 0.0f, 1.0f, &flat);
    const Mat4 dependentRows(1.0f, 2.0f, 3.0f, 4.0f, 2.0f, 4.0f, 6.0f, 8.0f, 0.0f, 1.0f, 0.0f, 1.0f,
                             1.0f, 0.0f, 0.0f, 1.0f);
    for (const Mat4& singular : {Mat4::ZERO, flat, dependentRows}) {
        EXPECT_EQ(0.0f, singular.determinant());
        Mat4 m = singular;
        EXPECT_FALSE(m.inverse());
        EXPECT_EQ(singular, m) << "a failed inversion leaves the matrix as it was";
        EXPECT_EQ(singular, singular.getInversed());
    }
}

TEST(Mat4Test, Determinants) {
    Mat4 rotation;
    Mat4::createRotation(Vec3(1.0f, -2.0f, 0.5f), 1.1f, &rotation);
    Mat4 mirror;
    Mat4::createScale(-1.0f, 1.0f, 1.0f, &mirror);
    struct Case {
        std::string name;
        Mat4 m;
        float expected;
    } cases[] = {
        {"identity", Mat4::IDENTITY, 1.0f},
        {"scale",
         [] {
             Mat4 s;
             Mat4::createScale(2.0f, 3.0f, 4.0f, &s);
             return s;
         }(),
         24.0f},
        {"rotation", rotation, 1.0f},
        {"mirror", mirror, -1.0f},
        {"row swap",
         Mat4(0.0f, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f,
              0.0f, 1.0f),
         -1.0f},
        {"upper triangular",
         Mat4(2.0f, 7.0f, -1.0f, 3.0f, 0.0f, 3.0f, 5.0f, 1.0f, 0.0f, 0.0f, -1.0f, 8.0f, 0.0f, 0.0f,
              0.0f, 0.5f),
         -3.0f},
        {"general",
         Mat4(2.0f, 1.0f, 0.0f, 4.0f, 1.0f, 3.0f, 1.0f, -2.0f, 0.0f, 1.0f, 4.0f, 1.0f, 1.0f, 0.0f,
              2.0f, 5.0f),
         11.0f},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(c.expected, c.m.determinant(), 1e-5f) << c.name;
        EXPECT_NEAR(c.expected, c.m.getTransposed().determinant(), 1e-5f) << c.name;
    }
}

TEST(Mat4Test, PerspectiveMatchesHandComputedValues) {
    // 90 degrees, aspect 2, near 1, far 3: f = 1 / tan(45) = 1.
    Mat4 p;
    Mat4::createPerspective(90.0f, 2.0f, 1.0f, 3.0f, &p);
    const Mat4 expected(0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, -2.0f, -3.0f,
                        0.0f, 0.0f, -1.0f, 0.0f);
    expectMatNear(expected, p);

    struct Case {
        Vec4 eyePoint;
        Vec3 ndc;
    } cases[] = {
        {Vec4(0.0f, 0.0f, -1.0f, 1.0f), Vec3(0.0f, 0.0f, -1.0f)},  // near plane centre
        {Vec4(0.0f, 0.0f, -3.0f, 1.0f), Vec3(0.0f, 0.0f, 1.0f)},   // far plane centre
        {Vec4(2.0f, 1.0f, -1.0f, 1.0f), Vec3(1.0f, 1.0f, -1.0f)},  // top right near corner
        {Vec4(-6.0f, -3.0f, -3.0f, 1.0f), Vec3(-1.0f, -1.0f, 1.0f)},
    };
    for (const Case& c : cases) {
        const Vec4 clip = p * c.eyePoint;
        expectVec3Near(c.ndc, Vec3(clip.x, clip.y, clip.z) / clip.w);
    }

    Mat4 fov60;
    Mat4::createPerspective(60.0f, 1.0f, 1.0f, 1000.0f, &fov60);
    EXPECT_NEAR(1.0f / std::tan(kPi / 6.0f), fov60.m[5], 1e-5f);
}

TEST(Mat4Test, DegenerateProjectionsLeaveTheDestinationAlone) {
    const Mat4 marker = sliceMatrix();
    struct Case {
        std::string name;
        void (*make)(Mat4*);
    } cases[] = {
        {"zero fov", [](Mat4* m) { Mat4::createPerspective(0.0f, 1.0f, 1.0f, 10.0f, m); }},
        {"zero aspect", [](Mat4* m) { Mat4::createPerspective(60.0f, 0.0f, 1.0f, 10.0f, m); }},
        {"equal planes", [](Mat4* m) { Mat4::createPerspective(60.0f, 1.0f, 5.0f, 5.0f, m); }},
        {"flat ortho x",
         [](Mat4* m) { Mat4::createOrthographicOffCenter(1.0f, 1.0f, 0.0f, 1.0f, 0.0f, 1.0f, m); }},
        {"flat ortho y",
         [](Mat4* m) { Mat4::createOrthographicOffCenter(0.0f, 1.0f, 2.0f, 2.0f, 0.0f, 1.0f, m); }},
        {"flat ortho z",
         [](Mat4* m) { Mat4::createOrthographicOffCenter(0.0f, 1.0f, 0.0f, 1.0f, 3.0f, 3.0f, m); }},
    };
    for (const Case& c : cases) {
        Mat4 m = marker;
        c.make(&m);
        EXPECT_EQ(marker, m) << c.name;
    }
}

TEST(Mat4Test, OrthographicMatchesHandComputedValues) {
    // The box -400..400 x -300..300 x 1..1000 of a camera with viewport 400 x 300 and zoom 2.
    Mat4 o;
    Mat4::createOrthographicOffCenter(-400.0f, 400.0f, -300.0f, 300.0f, 1.0f, 1000.0f, &o);
    const Mat4 expected(1.0f / 400.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f / 300.0f, 0.0f, 0.0f, 0.0f,
                        0.0f, -2.0f / 999.0f, -1001.0f / 999.0f, 0.0f, 0.0f, 0.0f, 1.0f);
    expectMatNear(expected, o);

    Mat4 centred;
    Mat4::createOrthographic(800.0f, 600.0f, 1.0f, 1000.0f, &centred);
    EXPECT_EQ(o, centred);

    Mat4 offCentre;
    Mat4::createOrthographicOffCenter(0.0f, 200.0f, 100.0f, 150.0f, -1.0f, 1.0f, &offCentre);
    struct Case {
        Vec3 point, ndc;
    } cases[] = {
        {Vec3(0.0f, 100.0f, 1.0f), Vec3(-1.0f, -1.0f, -1.0f)},
        {Vec3(200.0f, 150.0f, -1.0f), Vec3(1.0f, 1.0f, 1.0f)},
        {Vec3(100.0f, 125.0f, 0.0f), Vec3(0.0f, 0.0f, 0.0f)},
    };
    for (const Case& c : cases) {
        Vec3 ndc;
        offCentre.transformPoint(c.point, &ndc);
        expectVec3Near(c.ndc, ndc);
    }
}

TEST(Mat4Test, LookAtIsTheInverseOfTheCameraFrame) {
    Mat4 view;
    Mat4::createLookAt(Vec3(0.0f, 0.0f, 5.0f), Vec3::ZERO, Vec3::UNIT_Y, &view);
    Mat4 back;
    Mat4::createTranslation(0.0f, 0.0f, -5.0f, &back);
    expectMatNear(back, view);

    const Vec3 eye(3.0f, 4.0f, 5.0f);
    const Vec3 target(0.0f, 1.0f, -1.0f);
    Mat4::createLookAt(eye, target, Vec3(0.0f, 2.0f, 0.3f), &view);
    Vec3 p;
    view.transformPoint(eye, &p);
    expectVec3Near(Vec3::ZERO, p);
    view.transformPoint(target, &p);
    expectVec3Near(Vec3(0.0f, 0.0f, -eye.distance(target)), p, 1e-4f);
    Vec3 upInView;
    view.transformVector(Vec3(0.0f, 2.0f, 0.3f), &upInView);
    EXPECT_NEAR(0.0f, upInView.x, 1e-5f) << "the up vector stays in the view's y-z plane";
    EXPECT_GT(upInView.y, 0.0f);
    EXPECT_NEAR(1.0f, view.determinant(), 1e-5f);
}

TEST(Mat4Test, DecomposeRecoversScaleRotationAndTranslation) {
    struct Case {
        std::string name;
        Vec3 translation;
        Quaternion rotation;
        Vec3 scale;
    } cases[] = {
        {"identity", Vec3::ZERO, Quaternion(), Vec3::ONE},
        {"small turn", Vec3(1.0f, 2.0f, 3.0f), Quaternion(Vec3(1.0f, 2.0f, 3.0f), 0.5f),
         Vec3(2.0f, 3.0f, 4.0f)},
        {"half turn about x", Vec3(-5.0f, 0.0f, 9.0f), Quaternion(Vec3::UNIT_X, kPi),
         Vec3(1.0f, 1.0f, 1.0f)},
        {"half turn about y", Vec3::ZERO, Quaternion(Vec3::UNIT_Y, kPi), Vec3(0.5f, 0.5f, 2.0f)},
        {"half turn about z", Vec3::ZERO, Quaternion(Vec3::UNIT_Z, kPi), Vec3(3.0f, 1.0f, 1.0f)},
        {"mirrored", Vec3(7.0f, 8.0f, 9.0f), Quaternion(Vec3(0.0f, 1.0f, 1.0f), 2.0f),
         Vec3(1.0f, 2.0f, -3.0f)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Mat4 m = composed(c.translation, c.rotation, c.scale);
        Vec3 scale, translation;
        Quaternion rotation;
        ASSERT_TRUE(m.decompose(&scale, &rotation, &translation));
        expectVec3Near(c.scale, scale);
        expectVec3Near(c.translation, translation);
        // q and -q are the same rotation: compare the matrices they make.
        expectMatNear(composed(c.translation, c.rotation, c.scale),
                      composed(translation, rotation, scale));

        Vec3 single;
        m.getScale(&single);
        EXPECT_EQ(scale, single);
        m.getTranslation(&single);
        EXPECT_EQ(translation, single);
        Quaternion alone;
        ASSERT_TRUE(m.getRotation(&alone));
        EXPECT_EQ(rotation, alone);
    }

    Mat4 flat;
    Mat4::createScale(1.0f, 0.0f, 1.0f, &flat);
    flat.m[12] = 4.0f;
    Vec3 scale, translation;
    Quaternion rotation(1.0f, 2.0f, 3.0f, 4.0f);
    EXPECT_FALSE(flat.decompose(&scale, &rotation, &translation));
    EXPECT_EQ(Quaternion(1.0f, 2.0f, 3.0f, 4.0f), rotation) << "no rotation to be had";
    EXPECT_EQ(Vec3(4.0f, 0.0f, 0.0f), translation);
    EXPECT_EQ(Vec3(1.0f, 0.0f, 1.0f), scale);
}

TEST(Mat4Test, TransposeArithmeticAndNegation) {
    const Mat4 a(1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7.0f, 8.0f, 9.0f, 10.0f, 11.0f, 12.0f, 13.0f,
                 14.0f, 15.0f, 16.0f);
    const Mat4 t = a.getTransposed();
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            EXPECT_EQ(a.getElement(row, column), t.getElement(column, row));
        }
    }
    Mat4 twice = t;
    twice.transpose();
    EXPECT_EQ(a, twice);

    Mat4 doubled = a;
    doubled.multiply(2.0f);
    EXPECT_EQ(a + a, doubled);
    EXPECT_EQ(Mat4::ZERO, a - a);
    EXPECT_EQ(Mat4::ZERO, a + (-a));
    Mat4 shifted = a;
    shifted.add(1.0f);
    EXPECT_EQ(2.0f, shifted.getElement(0, 0));
    EXPECT_EQ(17.0f, shifted.getElement(3, 3));
    shifted -= a;
    shifted += a;
    shifted.subtract(a);
    Mat4 ones = Mat4::ZERO;
    ones.add(1.0f);
    EXPECT_EQ(ones, shifted);
}
