#pragma once

#include "engine/math/MathUtil.h"

namespace cocos2d {

// A 2D point or direction; also the anchor points of nodes (ANCHOR_* constants).
class Vec2 {
public:
    float x;
    float y;

    constexpr Vec2() : x(0.0f), y(0.0f) {}
    constexpr Vec2(float xx, float yy) : x(xx), y(yy) {}
    // Reads x and y from the first two floats of array.
    explicit Vec2(const float* array);
    // The vector from p1 to p2.
    Vec2(const Vec2& p1, const Vec2& p2);

    bool isZero() const { return x == 0.0f && y == 0.0f; }
    bool isOne() const { return x == 1.0f && y == 1.0f; }

    // Unsigned angle between two vectors, in radians (0 .. pi).
    static float angle(const Vec2& v1, const Vec2& v2);

    void add(const Vec2& v);
    static void add(const Vec2& v1, const Vec2& v2, Vec2* dst);

    // Clamps each component into [min, max] of that component.
    void clamp(const Vec2& min, const Vec2& max);
    static void clamp(const Vec2& v, const Vec2& min, const Vec2& max, Vec2* dst);

    float distance(const Vec2& v) const;
    float distanceSquared(const Vec2& v) const;
    float dot(const Vec2& v) const { return x * v.x + y * v.y; }
    static float dot(const Vec2& v1, const Vec2& v2) { return v1.dot(v2); }
    float length() const;
    float lengthSquared() const { return x * x + y * y; }

    void negate();
    // Makes the vector unit length; a vector too short to have a direction stays as it is.
    void normalize();
    Vec2 getNormalized() const;

    void scale(float scalar);
    void scale(const Vec2& scale);

    // Rotates this point about point by angle radians, counter-clockwise.
    void rotate(const Vec2& point, float angle);

    void set(float xx, float yy);
    void set(const float* array);
    void set(const Vec2& v);
    void set(const Vec2& p1, const Vec2& p2);
    void setZero();

    void subtract(const Vec2& v);
    static void subtract(const Vec2& v1, const Vec2& v2, Vec2* dst);

    // Both components differ by less than FLT_EPSILON.
    bool equals(const Vec2& target) const;
    // Both components lie within variance of target's, bounds included.
    bool fuzzyEquals(const Vec2& target, float variance) const;

    float getLength() const { return length(); }
    float getLengthSq() const { return lengthSquared(); }
    float getDistance(const Vec2& other) const { return distance(other); }
    float getDistanceSq(const Vec2& other) const { return distanceSquared(other); }
    // Direction of the vector, atan2(y, x).
    float getAngle() const;
    // Signed angle from this vector to other, in radians (-pi .. pi).
    float getAngle(const Vec2& other) const;
    // z component of the 3D cross product.
    float cross(const Vec2& other) const { return x * other.y - y * other.x; }

    Vec2 getPerp() const { return Vec2(-y, x); }
    Vec2 getRPerp() const { return Vec2(y, -x); }
    Vec2 getMidpoint(const Vec2& other) const;
    Vec2 getClampPoint(const Vec2& min, const Vec2& max) const;
    // Linear interpolation: this at alpha 0, other at alpha 1.
    Vec2 lerp(const Vec2& other, float alpha) const;
    // Projection of this vector onto other; zero when other is the zero vector.
    Vec2 project(const Vec2& other) const;
    // Complex multiplication: rotates this by the angle of other and scales by its length.
    Vec2 rotate(const Vec2& other) const;
    // Complex multiplication by the conjugate of other.
    Vec2 unrotate(const Vec2& other) const;
    // This point rotated about pivot by angle radians, counter-clockwise.
    Vec2 rotateByAngle(const Vec2& pivot, float angle) const;
    // Unit vector at angle radians from the x axis.
    static Vec2 forAngle(float a);

    Vec2 operator+(const Vec2& v) const { return Vec2(x + v.x, y + v.y); }
    Vec2& operator+=(const Vec2& v);
    Vec2 operator-(const Vec2& v) const { return Vec2(x - v.x, y - v.y); }
    Vec2& operator-=(const Vec2& v);
    Vec2 operator-() const { return Vec2(-x, -y); }
    Vec2 operator*(float s) const { return Vec2(x * s, y * s); }
    Vec2& operator*=(float s);
    Vec2 operator/(float s) const { return Vec2(x / s, y / s); }
    Vec2& operator/=(float s);
    // Orders by x, then by y, so that Vec2 can key ordered containers.
    bool operator<(const Vec2& v) const;
    bool operator>(const Vec2& v) const;
    // Exact comparison; equals and fuzzyEquals compare with a tolerance.
    bool operator==(const Vec2& v) const { return x == v.x && y == v.y; }
    bool operator!=(const Vec2& v) const { return !(*this == v); }

    static const Vec2 ZERO;
    static const Vec2 ONE;
    static const Vec2 UNIT_X;
    static const Vec2 UNIT_Y;
    static const Vec2 ANCHOR_MIDDLE;
    static const Vec2 ANCHOR_BOTTOM_LEFT;
    static const Vec2 ANCHOR_TOP_LEFT;
    static const Vec2 ANCHOR_BOTTOM_RIGHT;
    static const Vec2 ANCHOR_TOP_RIGHT;
    static const Vec2 ANCHOR_MIDDLE_RIGHT;
    static const Vec2 ANCHOR_MIDDLE_LEFT;
    static const Vec2 ANCHOR_MIDDLE_TOP;
    static const Vec2 ANCHOR_MIDDLE_BOTTOM;
};

inline Vec2 operator*(float s, const Vec2& v) {
    return v * s;
}

using Point = Vec2;

}  // namespace cocos2d
