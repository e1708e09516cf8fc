#include "engine/math/Quaternion.h"
#include "engine/math/Mat4.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using cocos2d::Mat4;
using cocos2d::Quaternion;
using cocos2d::Vec3;

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kTol = 1e-5f;

void expectVec3Near(const Vec3& expected, const Vec3& actual) {
    EXPECT_NEAR(expected.x, actual.x, kTol);
    EXPECT_NEAR(expected.y, actual.y, kTol);
    EXPECT_NEAR(expected.z, actual.z, kTol);
}

// q and -q are the same rotation.
void expectSameRotation(const Quaternion& expected, const Quaternion& actual) {
    const float sign = expected.x * actual.x + expected.y * actual.y + expected.z * actual.z +
                                   expected.w * actual.w <
                               0.0f
                           ? -1.0f
                           : 1.0f;
    EXPECT_NEAR(expected.x, sign * actual.x, kTol);
    EXPECT_NEAR(expected.y, sign * actual.y, kTol);
    EXPECT_NEAR(expected.z, sign * actual.z, kTol);
    EXPECT_NEAR(expected.w, sign * actual.w, kTol);
}

Mat4 rotationOf(const Quaternion& q) {
    Mat4 m;
    Mat4::createRotation(q, &m);
    return m;
}

}  // namespace

TEST(QuaternionTest, DefaultIsIdentity) {
    EXPECT_TRUE(Quaternion().isIdentity());
    EXPECT_EQ(Quaternion(0.0f, 0.0f, 0.0f, 1.0f), Quaternion::identity());
    EXPECT_TRUE(Quaternion::ZERO.isZero());
    EXPECT_EQ(Quaternion::ZERO, Quaternion::zero());
    EXPECT_TRUE(rotationOf(Quaternion()).isIdentity());
    Quaternion q(1.0f, 2.0f, 3.0f, 4.0f);
    q.setIdentity();
    EXPECT_TRUE(q.isIdentity());
}

TEST(QuaternionTest, AxisAngleRoundTrips) {
    struct Case {
        Vec3 axis;
        float angle;
    } cases[] = {
        {Vec3::UNIT_X, kPi / 2.0f},
        {Vec3(0.0f, 5.0f, 0.0f), 0.3f},  // axis need not be unit
                                         // length
        {Vec3(1.0f, 2.0f, 3.0f), 2.5f},
        {Vec3(-1.0f, 0.5f, 0.0f), kPi},
        {Vec3::UNIT_Z, 1.5f * kPi},
    };
    for (const Case& c : cases) {
        Quaternion q;
        Quaternion::createFromAxisAngle(c.axis, c.angle, &q);
        EXPECT_NEAR(1.0f, q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w, kTol);
        Vec3 axis;
        EXPECT_NEAR(c.angle, q.toAxisAngle(&axis), 1e-4f);
        expectVec3Near(c.axis.getNormalized(), axis);
        EXPECT_EQ(q, Quaternion(c.axis, c.angle));
    }
    Vec3 axis(9.0f, 9.0f, 9.0f);
    EXPECT_EQ(0.0f, Quaternion().toAxisAngle(&axis));
    EXPECT_TRUE(axis.isZero());
    // Not unit length: the angle comes from the normalised quaternion.
    EXPECT_NEAR(kPi / 2.0f, Quaternion(0.0f, 0.0f, 3.0f, 3.0f).toAxisAngle(&axis), kTol);
    expectVec3Near(Vec3::UNIT_Z, axis);
}

TEST(QuaternionTest, ProductComposesLikeMatrices) {
    const Quaternion a(Vec3(1.0f, 0.0f, 1.0f), 0.7f);
    const Quaternion b(Vec3(0.0f, 1.0f, -2.0f), 1.9f);
    const Mat4 expected = rotationOf(a) * rotationOf(b);
    const Mat4 actual = rotationOf(a * b);
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(expected.m[i], actual.m[i], kTol) << i;
    }
    Quaternion inPlace = a;
    inPlace *= b;
    EXPECT_EQ(a * b, inPlace);
    Quaternion aliased = b;
    Quaternion::multiply(a, aliased, &aliased);
    EXPECT_EQ(a * b, aliased);
    // Quarter turns about z then x: x goes to y (z turn), then y goes to z (x turn).
    const Quaternion zThenX =
        Quaternion(Vec3::UNIT_X, kPi / 2.0f) * Quaternion(Vec3::UNIT_Z, kPi / 2.0f);
    expectVec3Near(Vec3::UNIT_Z, zThenX * Vec3::UNIT_X);
}

TEST(QuaternionTest, RotatingAVectorMatchesTheMatrix) {
    const Quaternion q(Vec3(2.0f, -1.0f, 0.5f), 1.2f);
    const Mat4 m = rotationOf(q);
    for (const Vec3& v : {Vec3::UNIT_X, Vec3::UNIT_Y, Vec3(3.0f, -4.0f, 5.0f)}) {
        Vec3 expected;
        m.transformVector(v, &expected);
        expectVec3Near(expected, q * v);
    }
    expectVec3Near(Vec3::UNIT_Y, Quaternion(Vec3::UNIT_Z, kPi / 2.0f) * Vec3::UNIT_X);
}

TEST(QuaternionTest, InverseUndoesTheRotation) {
    const Quaternion unit(Vec3(1.0f, 1.0f, 0.0f), 0.9f);
    const Quaternion scaled(0.2f, -0.4f, 0.6f, 2.0f);
    for (const Quaternion& q : {unit, scaled}) {
        const Quaternion product = q * q.getInversed();
        expectSameRotation(Quaternion(), product);
    }
    EXPECT_EQ(unit.getConjugated(), unit.getInversed());

    Quaternion zero = Quaternion::ZERO;
    EXPECT_FALSE(zero.inverse());
    EXPECT_TRUE(zero.isZero());
}

TEST(QuaternionTest, NormalizeLeavesZeroAlone) {
    Quaternion q(0.0f, 3.0f, 0.0f, 4.0f);
    q.normalize();
    EXPECT_NEAR(0.6f, q.y, kTol);
    EXPECT_NEAR(0.8f, q.w, kTol);
    Quaternion zero = Quaternion::ZERO;
    zero.normalize();
    EXPECT_TRUE(zero.isZero());
}

TEST(QuaternionTest, FromRotationMatrixCoversEveryBranch) {
    // The half turns give a negative trace, each led by a different diagonal element.
    struct Case {
        std::string name;
        Quaternion q;
    } cases[] = {
        {"identity", Quaternion()},
        {"small", Quaternion(Vec3(1.0f, 2.0f, 3.0f), 0.4f)},
        {"half x", Quaternion(Vec3::UNIT_X, kPi)},
        {"half y", Quaternion(Vec3::UNIT_Y, kPi)},
        {"half z", Quaternion(Vec3::UNIT_Z, kPi)},
        {"near half", Quaternion(Vec3(1.0f, -3.0f, 2.0f), 3.0f)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Mat4 m = rotationOf(c.q);
        m.scale(2.0f, 3.0f, 0.5f);
        m.m[12] = 40.0f;
        Quaternion q;
        Quaternion::createFromRotationMatrix(m, &q);
        expectSameRotation(c.q, q);
        expectSameRotation(c.q, Quaternion(m));
    }
    Mat4 flat;
    Mat4::createScale(0.0f, 1.0f, 1.0f, &flat);
    Quaternion q(1.0f, 2.0f, 3.0f, 4.0f);
    Quaternion::createFromRotationMatrix(flat, &q);
    EXPECT_TRUE(q.isIdentity()) << "a matrix without rotation gives the identity";
}
