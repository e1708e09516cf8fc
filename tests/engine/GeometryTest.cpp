#include "engine/math/Geometry.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <string>

using cocos2d::Rect;
using cocos2d::Size;
using cocos2d::Vec2;

TEST(SizeTest, ArithmeticAndComparison) {
    const Size s(40.0f, 30.0f);
    EXPECT_EQ(Size(50.0f, 35.0f), s + Size(10.0f, 5.0f));
    EXPECT_EQ(Size(30.0f, 25.0f), s - Size(10.0f, 5.0f));
    EXPECT_EQ(Size(80.0f, 60.0f), s * 2.0f);
    EXPECT_EQ(Size(20.0f, 15.0f), s / 2.0f);
    EXPECT_FALSE(Size(1.0f, 1.0f).equals(Size(1.0f, 1.001f)));
    EXPECT_TRUE(Size(1.0f, 1.0f).equals(Size(1.0f + FLT_EPSILON / 4.0f, 1.0f)));
    EXPECT_EQ(Size(0.0f, 0.0f), Size::ZERO);
    EXPECT_EQ(Size::ZERO, Size());

    const Vec2 asPoint = s;
    EXPECT_EQ(Vec2(40.0f, 30.0f), asPoint);
    EXPECT_EQ(s, Size(Vec2(40.0f, 30.0f)));
    Size changed;
    changed.setSize(3.0f, 4.0f);
    EXPECT_EQ(Size(3.0f, 4.0f), changed);
}

TEST(RectTest, Extremes) {
    const Rect r(10.0f, 20.0f, 100.0f, 50.0f);
    EXPECT_EQ(10.0f, r.getMinX());
    EXPECT_EQ(60.0f, r.getMidX());
    EXPECT_EQ(110.0f, r.getMaxX());
    EXPECT_EQ(20.0f, r.getMinY());
    EXPECT_EQ(45.0f, r.getMidY());
    EXPECT_EQ(70.0f, r.getMaxY());
    EXPECT_EQ(r, Rect(Vec2(10.0f, 20.0f), Size(100.0f, 50.0f)));
    EXPECT_EQ(Rect(0.0f, 0.0f, 0.0f, 0.0f), Rect::ZERO);
    Rect set;
    set.setRect(10.0f, 20.0f, 100.0f, 50.0f);
    EXPECT_EQ(r, set);
    EXPECT_TRUE(r.equals(Rect(10.0f, 20.0f + FLT_EPSILON / 2.0f, 100.0f, 50.0f)));
    EXPECT_FALSE(r.equals(Rect(10.0f, 20.0f, 100.5f, 50.0f)));
}

TEST(RectTest, ContainsPointCountsTheBorderAsInside) {
    const Rect r(0.0f, 0.0f, 100.0f, 50.0f);
    struct Case {
        Vec2 p;
        bool inside;
    } cases[] = {
        {Vec2(50.0f, 25.0f), true},   {Vec2(0.0f, 0.0f), true},      {Vec2(100.0f, 50.0f), true},
        {Vec2(0.0f, 25.0f), true},    {Vec2(100.0f, 25.0f), true},   {Vec2(50.0f, 50.0f), true},
        {Vec2(-0.01f, 25.0f), false}, {Vec2(100.01f, 25.0f), false}, {Vec2(50.0f, -0.01f), false},
        {Vec2(50.0f, 50.01f), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.inside, r.containsPoint(c.p)) << c.p.x << "," << c.p.y;
    }
    EXPECT_TRUE(Rect::ZERO.containsPoint(Vec2::ZERO)) << "a point rectangle holds its own point";
}

TEST(RectTest, IntersectsRectIncludesTouchingEdges) {
    const Rect r(0.0f, 0.0f, 10.0f, 10.0f);
    struct Case {
        std::string name;
        Rect other;
        bool expected;
    } cases[] = {
        {"overlap", Rect(5.0f, 5.0f, 10.0f, 10.0f), true},
        {"inside", Rect(2.0f, 2.0f, 1.0f, 1.0f), true},
        {"around", Rect(-5.0f, -5.0f, 30.0f, 30.0f), true},
        {"touching right edge", Rect(10.0f, 0.0f, 5.0f, 5.0f), true},
        {"touching corner", Rect(10.0f, 10.0f, 5.0f, 5.0f), true},
        {"left of", Rect(-6.0f, 0.0f, 5.0f, 5.0f), false},
        {"above", Rect(0.0f, 10.5f, 5.0f, 5.0f), false},
        {"below", Rect(0.0f, -20.0f, 5.0f, 5.0f), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, r.intersectsRect(c.other)) << c.name;
        EXPECT_EQ(c.expected, c.other.intersectsRect(r)) << c.name << " (reversed)";
    }
}

TEST(RectTest, UnionCoversBothRectangles) {
    struct Case {
        std::string name;
        Rect a, b, expected;
    } cases[] = {
        {"disjoint", Rect(0.0f, 0.0f, 10.0f, 10.0f), Rect(20.0f, 30.0f, 5.0f, 5.0f),
         Rect(0.0f, 0.0f, 25.0f, 35.0f)},
        {"contained", Rect(0.0f, 0.0f, 10.0f, 10.0f), Rect(2.0f, 2.0f, 1.0f, 1.0f),
         Rect(0.0f, 0.0f, 10.0f, 10.0f)},
        {"negative origin", Rect(-5.0f, -5.0f, 2.0f, 2.0f), Rect(1.0f, 1.0f, 2.0f, 2.0f),
         Rect(-5.0f, -5.0f, 8.0f, 8.0f)},
        {"negative extent", Rect(10.0f, 10.0f, -10.0f, -10.0f), Rect(10.0f, 10.0f, 5.0f, 5.0f),
         Rect(0.0f, 0.0f, 15.0f, 15.0f)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, c.a.unionWithRect(c.b)) << c.name;
        EXPECT_EQ(c.expected, c.b.unionWithRect(c.a)) << c.name << " (reversed)";
        Rect merged = c.a;
        merged.merge(c.b);
        EXPECT_EQ(c.expected, merged) << c.name;
    }
}
