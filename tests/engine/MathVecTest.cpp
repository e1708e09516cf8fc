#include "engine/math/Vec2.h"
#include "engine/math/Vec3.h"
#include "engine/math/Vec4.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <set>

using cocos2d::Vec2;
using cocos2d::Vec3;
using cocos2d::Vec4;

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kTol = 1e-5f;

void expectVec2Near(const Vec2& expected, const Vec2& actual) {
    EXPECT_NEAR(expected.x, actual.x, kTol);
    EXPECT_NEAR(expected.y, actual.y, kTol);
}

void expectVec3Near(const Vec3& expected, const Vec3& actual) {
    EXPECT_NEAR(expected.x, actual.x, kTol);
    EXPECT_NEAR(expected.y, actual.y, kTol);
    EXPECT_NEAR(expected.z, actual.z, kTol);
}

}  // namespace

TEST(ClampfTest, ClampsIntoEitherOrderOfBounds) {
    struct Case {
        float value, a, b, expected;
    } cases[] = {
        {5.0f, 0.0f, 10.0f, 5.0f},  {-1.0f, 0.0f, 10.0f, 0.0f},  {11.0f, 0.0f, 10.0f, 10.0f},
        {-1.0f, 10.0f, 0.0f, 0.0f}, {11.0f, 10.0f, 0.0f, 10.0f}, {0.0f, 0.0f, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, cocos2d::clampf(c.value, c.a, c.b)) << c.value << " " << c.a;
    }
}

TEST(Vec2Test, LengthDistanceAndNormalization) {
    const Vec2 v(3.0f, 4.0f);
    EXPECT_FLOAT_EQ(5.0f, v.length());
    EXPECT_FLOAT_EQ(25.0f, v.lengthSquared());
    EXPECT_FLOAT_EQ(5.0f, Vec2::ZERO.distance(v));
    EXPECT_FLOAT_EQ(25.0f, v.getDistanceSq(Vec2::ZERO));
    expectVec2Near(Vec2(0.6f, 0.8f), v.getNormalized());
    EXPECT_EQ(Vec2(3.0f, 4.0f), v) << "getNormalized leaves the original alone";

    Vec2 zero;
    zero.normalize();
    EXPECT_TRUE(zero.isZero()) << "the zero vector has no direction and stays zero";
    EXPECT_EQ(Vec2(2.0f, 6.0f), Vec2(Vec2(1.0f, 2.0f), Vec2(3.0f, 8.0f)));
}

TEST(Vec2Test, ArithmeticOperators) {
    Vec2 v(1.0f, 2.0f);
    EXPECT_EQ(Vec2(4.0f, 7.0f), v + Vec2(3.0f, 5.0f));
    EXPECT_EQ(Vec2(-2.0f, -3.0f), v - Vec2(3.0f, 5.0f));
    EXPECT_EQ(Vec2(-1.0f, -2.0f), -v);
    EXPECT_EQ(Vec2(2.0f, 4.0f), v * 2.0f);
    EXPECT_EQ(Vec2(2.0f, 4.0f), 2.0f * v);
    EXPECT_EQ(Vec2(0.5f, 1.0f), v / 2.0f);
    v += Vec2(1.0f, 1.0f);
    v -= Vec2(0.0f, 2.0f);
    v *= 3.0f;
    v /= 2.0f;
    EXPECT_EQ(Vec2(3.0f, 1.5f), v);
    EXPECT_FLOAT_EQ(11.0f, Vec2(1.0f, 2.0f).dot(Vec2(3.0f, 4.0f)));
    EXPECT_FLOAT_EQ(-2.0f, Vec2(1.0f, 2.0f).cross(Vec2(3.0f, 4.0f)));
}

TEST(Vec2Test, EqualsIsToleranceBasedWhileOperatorIsExact) {
    const Vec2 a(1.0f, 2.0f);
    const Vec2 nudged(1.0f + FLT_EPSILON / 4.0f, 2.0f);
    EXPECT_TRUE(a.equals(nudged));
    EXPECT_FALSE(a.equals(Vec2(1.001f, 2.0f)));
    EXPECT_TRUE(a == Vec2(1.0f, 2.0f));
    EXPECT_TRUE(a != Vec2(1.001f, 2.0f));

    struct Case {
        Vec2 other;
        float variance;
        bool expected;
    } cases[] = {
        {Vec2(1.5f, 2.0f), 0.5f, true},   // on the bound
        {Vec2(1.6f, 2.0f), 0.5f, false},  // beyond it in x
        {Vec2(1.0f, 1.4f), 0.5f, false},  // beyond it in y
        {Vec2(0.6f, 2.4f), 0.5f, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, a.fuzzyEquals(c.other, c.variance)) << c.other.x << "," << c.other.y;
    }
}

TEST(Vec2Test, AnglesUnsignedSignedAndDirectional) {
    struct Case {
        Vec2 from, to;
        float unsignedAngle, signedAngle;
    } cases[] = {
        {Vec2(1.0f, 0.0f), Vec2(0.0f, 1.0f), kPi / 2.0f, kPi / 2.0f},
        {Vec2(1.0f, 0.0f), Vec2(0.0f, -3.0f), kPi / 2.0f, -kPi / 2.0f},
        {Vec2(2.0f, 0.0f), Vec2(5.0f, 0.0f), 0.0f, 0.0f},
        {Vec2(1.0f, 1.0f), Vec2(-1.0f, -1.0f), kPi, kPi},
        {Vec2(1.0f, 0.0f), Vec2(1.0f, 1.0f), kPi / 4.0f, kPi / 4.0f},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(c.unsignedAngle, Vec2::angle(c.from, c.to), kTol);
        EXPECT_NEAR(std::fabs(c.signedAngle), std::fabs(c.from.getAngle(c.to)), kTol);
        if (std::fabs(c.signedAngle) < kPi - kTol) {
            EXPECT_NEAR(c.signedAngle, c.from.getAngle(c.to), kTol);
        }
    }
    EXPECT_NEAR(3.0f * kPi / 4.0f, Vec2(-1.0f, 1.0f).getAngle(), kTol);
    EXPECT_NEAR(-kPi / 2.0f, Vec2(0.0f, -2.0f).getAngle(), kTol);
    expectVec2Near(Vec2(0.0f, 1.0f), Vec2::forAngle(kPi / 2.0f));
}

TEST(Vec2Test, RotationsAboutOriginAndPivot) {
    Vec2 p(2.0f, 1.0f);
    p.rotate(Vec2(1.0f, 1.0f), kPi / 2.0f);
    expectVec2Near(Vec2(1.0f, 2.0f), p);

    Vec2 q(1.0f, 0.0f);
    q.rotate(Vec2::ZERO, kPi);
    expectVec2Near(Vec2(-1.0f, 0.0f), q);

    expectVec2Near(Vec2(1.0f, 2.0f), Vec2(2.0f, 1.0f).rotateByAngle(Vec2(1.0f, 1.0f), kPi / 2.0f));
    // Complex multiplication: (1 + 2i)(3 + 4i) = -5 + 10i; unrotate undoes a unit rotation.
    expectVec2Near(Vec2(-5.0f, 10.0f), Vec2(1.0f, 2.0f).rotate(Vec2(3.0f, 4.0f)));
    const Vec2 unit = Vec2::forAngle(0.7f);
    expectVec2Near(Vec2(1.0f, 2.0f), Vec2(1.0f, 2.0f).rotate(unit).unrotate(unit));
    EXPECT_EQ(Vec2(-2.0f, 1.0f), Vec2(1.0f, 2.0f).getPerp());
    EXPECT_EQ(Vec2(2.0f, -1.0f), Vec2(1.0f, 2.0f).getRPerp());
}

TEST(Vec2Test, ProjectLerpMidpointAndClamp) {
    expectVec2Near(Vec2(3.0f, 0.0f), Vec2(3.0f, 4.0f).project(Vec2(10.0f, 0.0f)));
    expectVec2Near(Vec2(1.0f, 1.0f), Vec2(2.0f, 0.0f).project(Vec2(1.0f, 1.0f)));
    EXPECT_EQ(Vec2::ZERO, Vec2(3.0f, 4.0f).project(Vec2::ZERO)) << "no direction to project on";

    const Vec2 a(0.0f, 10.0f);
    const Vec2 b(10.0f, 20.0f);
    EXPECT_EQ(a, a.lerp(b, 0.0f));
    EXPECT_EQ(b, a.lerp(b, 1.0f));
    expectVec2Near(Vec2(2.5f, 12.5f), a.lerp(b, 0.25f));
    EXPECT_EQ(Vec2(5.0f, 15.0f), a.getMidpoint(b));

    EXPECT_EQ(Vec2(0.0f, 5.0f),
              Vec2(-3.0f, 9.0f).getClampPoint(Vec2(0.0f, 0.0f), Vec2(5.0f, 5.0f)));
    Vec2 c(7.0f, -1.0f);
    c.clamp(Vec2(0.0f, 0.0f), Vec2(5.0f, 5.0f));
    EXPECT_EQ(Vec2(5.0f, 0.0f), c);
}

TEST(Vec2Test, ConstantsAndOrdering) {
    EXPECT_EQ(Vec2(0.0f, 0.0f), Vec2::ANCHOR_BOTTOM_LEFT);
    EXPECT_EQ(Vec2(1.0f, 0.0f), Vec2::ANCHOR_BOTTOM_RIGHT);
    EXPECT_EQ(Vec2(0.0f, 1.0f), Vec2::ANCHOR_TOP_LEFT);
    EXPECT_EQ(Vec2(1.0f, 1.0f), Vec2::ANCHOR_TOP_RIGHT);
    EXPECT_EQ(Vec2(0.5f, 0.5f), Vec2::ANCHOR_MIDDLE);
    EXPECT_EQ(Vec2(0.0f, 0.5f), Vec2::ANCHOR_MIDDLE_LEFT);
    EXPECT_EQ(Vec2(1.0f, 0.5f), Vec2::ANCHOR_MIDDLE_RIGHT);
    EXPECT_EQ(Vec2(0.5f, 1.0f), Vec2::ANCHOR_MIDDLE_TOP);
    EXPECT_EQ(Vec2(0.5f, 0.0f), Vec2::ANCHOR_MIDDLE_BOTTOM);
    EXPECT_TRUE(Vec2::ONE.isOne());
    EXPECT_TRUE(Vec2::ZERO.isZero());

    const std::set<Vec2> points{Vec2(1.0f, 2.0f), Vec2(0.0f, 5.0f), Vec2(1.0f, 1.0f),
                                Vec2(1.0f, 2.0f)};
    ASSERT_EQ(3u, points.size());
    auto it = points.begin();
    EXPECT_EQ(Vec2(0.0f, 5.0f), *it++);
    EXPECT_EQ(Vec2(1.0f, 1.0f), *it++);
    EXPECT_EQ(Vec2(1.0f, 2.0f), *it);
    EXPECT_TRUE(Vec2(2.0f, 0.0f) > Vec2(1.0f, 9.0f));
}

TEST(Vec3Test, CrossProductIsRightHandedAndAliasSafe) {
    struct Case {
        Vec3 a, b, expected;
    } cases[] = {
        {Vec3::UNIT_X, Vec3::UNIT_Y, Vec3::UNIT_Z},
        {Vec3::UNIT_Y, Vec3::UNIT_Z, Vec3::UNIT_X},
        {Vec3::UNIT_Z, Vec3::UNIT_X, Vec3::UNIT_Y},
        {Vec3::UNIT_Y, Vec3::UNIT_X, -Vec3::UNIT_Z},
        {Vec3(1.0f, 2.0f, 3.0f), Vec3(4.0f, 5.0f, 6.0f), Vec3(-3.0f, 6.0f, -3.0f)},
        {Vec3(2.0f, 2.0f, 2.0f), Vec3(1.0f, 1.0f, 1.0f), Vec3::ZERO},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, c.a.getCrossed(c.b));
        Vec3 inPlace = c.a;
        inPlace.cross(c.b);
        EXPECT_EQ(c.expected, inPlace);
        Vec3 aliased = c.b;
        Vec3::cross(c.a, aliased, &aliased);
        EXPECT_EQ(c.expected, aliased);
    }
}

TEST(Vec3Test, LengthsAnglesAndInterpolation) {
    const Vec3 v(2.0f, 3.0f, 6.0f);
    EXPECT_FLOAT_EQ(7.0f, v.length());
    EXPECT_FLOAT_EQ(49.0f, v.lengthSquared());
    EXPECT_FLOAT_EQ(7.0f, v.distance(Vec3::ZERO));
    expectVec3Near(Vec3(2.0f / 7.0f, 3.0f / 7.0f, 6.0f / 7.0f), v.getNormalized());
    Vec3 zero;
    zero.normalize();
    EXPECT_TRUE(zero.isZero());

    EXPECT_NEAR(kPi / 2.0f, Vec3::angle(Vec3::UNIT_X, Vec3(0.0f, 0.0f, -4.0f)), kTol);
    EXPECT_NEAR(0.0f, Vec3::angle(v, v * 3.0f), kTol);
    EXPECT_NEAR(kPi, Vec3::angle(v, -v), kTol);

    expectVec3Near(Vec3(1.0f, 1.5f, 3.0f), Vec3::ZERO.lerp(v, 0.5f));
    EXPECT_EQ(Vec3(1.0f, 1.0f, 1.0f), Vec3(Vec3(1.0f, 2.0f, 3.0f), Vec3(2.0f, 3.0f, 4.0f)));
    EXPECT_EQ(Vec3(3.0f, 5.0f, 7.0f), Vec3(1.0f, 2.0f, 3.0f) + Vec3(2.0f, 3.0f, 4.0f));
    EXPECT_EQ(Vec3(4.0f, 6.0f, 12.0f), 2.0f * v - Vec3(0.0f, 0.0f, 0.0f));
    EXPECT_FLOAT_EQ(32.0f, Vec3::dot(Vec3(1.0f, 2.0f, 3.0f), Vec3(4.0f, 5.0f, 6.0f)));

    EXPECT_TRUE(v.fuzzyEquals(Vec3(2.05f, 2.95f, 6.0f), 0.1f));
    EXPECT_FALSE(v.fuzzyEquals(Vec3(2.0f, 3.0f, 6.2f), 0.1f));

    Vec3 c(-1.0f, 5.0f, 10.0f);
    c.clamp(Vec3::ZERO, Vec3(4.0f, 4.0f, 4.0f));
    EXPECT_EQ(Vec3(0.0f, 4.0f, 4.0f), c);
}

TEST(Vec4Test, ArithmeticAndLength) {
    const Vec4 v(1.0f, 2.0f, 2.0f, 4.0f);
    EXPECT_FLOAT_EQ(5.0f, v.length());
    EXPECT_FLOAT_EQ(25.0f, Vec4::dot(v, v));
    EXPECT_EQ(Vec4(2.0f, 4.0f, 4.0f, 8.0f), v + v);
    EXPECT_EQ(Vec4::ZERO, v - v);
    EXPECT_EQ(Vec4(-1.0f, -2.0f, -2.0f, -4.0f), -v);
    EXPECT_EQ(Vec4(0.5f, 1.0f, 1.0f, 2.0f), v / 2.0f);
    EXPECT_FLOAT_EQ(1.0f, v.getNormalized().length());
    EXPECT_FLOAT_EQ(5.0f, v.distance(Vec4::ZERO));
    EXPECT_TRUE(Vec4::UNIT_W.fuzzyEquals(Vec4(0.0f, 0.0f, 0.001f, 1.0f), 0.01f));
}

TEST(Vec4Test, AngleComparesHomogeneousPointsAndDirections) {
    // (2, 0, 0, 2) and (0, 3, 0, 3) stand for the points (1, 0, 0) and (0, 1, 0).
    EXPECT_NEAR(kPi / 2.0f, Vec4::angle(Vec4(2.0f, 0.0f, 0.0f, 2.0f), Vec4(0.0f, 3.0f, 0.0f, 3.0f)),
                kTol);
    EXPECT_NEAR(kPi / 2.0f, Vec4::angle(Vec4::UNIT_X, Vec4::UNIT_Z), kTol)
        << "directions (w = 0) must not divide by zero";
    EXPECT_NEAR(0.0f, Vec4::angle(Vec4(1.0f, 1.0f, 0.0f, 1.0f), Vec4(2.0f, 2.0f, 0.0f, 0.0f)),
                kTol);
}
