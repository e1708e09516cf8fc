#pragma once

#include "engine/math/MathUtil.h"

namespace cocos2d {

// A 4D vector: homogeneous points (w = 1) and directions (w = 0).
class Vec4 {
public:
    float x;
    float y;
    float z;
    float w;

    constexpr Vec4() : x(0.0f), y(0.0f), z(0.0f), w(0.0f) {}
    constexpr Vec4(float xx, float yy, float zz, float ww) : x(xx), y(yy), z(zz), w(ww) {}
    // Reads x, y, z and w from the first four floats of array.
    explicit Vec4(const float* array);
    // The vector from p1 to p2.
    Vec4(const Vec4& p1, const Vec4& p2);

    bool isZero() const { return x == 0.0f && y == 0.0f && z == 0.0f && w == 0.0f; }
    bool isOne() const { return x == 1.0f && y == 1.0f && z == 1.0f && w == 1.0f; }

    // Unsigned angle, in radians (0 .. pi), between the points two vectors stand for (xyz
    // divided by w); a vector with w = 0 counts as the direction xyz.
    static float angle(const Vec4& v1, const Vec4& v2);

    void add(const Vec4& v);
    static void add(const Vec4& v1, const Vec4& v2, Vec4* dst);

    // Clamps each component into [min, max] of that component.
    void clamp(const Vec4& min, const Vec4& max);
    static void clamp(const Vec4& v, const Vec4& min, const Vec4& max, Vec4* dst);

    float distance(const Vec4& v) const;
    float distanceSquared(const Vec4& v) const;
    float dot(const Vec4& v) const { return x * v.x + y * v.y + z * v.z + w * v.w; }
    static float dot(const Vec4& v1, const Vec4& v2) { return v1.dot(v2); }
    float length() const;
    float lengthSquared() const { return x * x + y * y + z * z + w * w; }

    void negate();
    // Makes the vector unit length; a vector too short to have a direction stays as it is.
    void normalize();
    Vec4 getNormalized() const;

    void scale(float scalar);

    void set(float xx, float yy, float zz, float ww);
    void set(const float* array);
    void set(const Vec4& v);
    void set(const Vec4& p1, const Vec4& p2);
    void setZero();

    void subtract(const Vec4& v);
    static void subtract(const Vec4& v1, const Vec4& v2, Vec4* dst);

    // Every component lies within variance of target's, bounds included.
    bool fuzzyEquals(const Vec4& target, float variance) const;
    // Linear interpolation: this at alpha 0, target at alpha 1.
    Vec4 lerp(const Vec4& target, float alpha) const;

    Vec4 operator+(const Vec4& v) const { return Vec4(x + v.x, y + v.y, z + v.z, w + v.w); }
    Vec4& operator+=(const Vec4& v);
    Vec4 operator-(const Vec4& v) const { return Vec4(x - v.x, y - v.y, z - v.z, w - v.w); }
    Vec4& operator-=(const Vec4& v);
    Vec4 operator-() const { return Vec4(-x, -y, -z, -w); }
    Vec4 operator*(float s) const { return Vec4(x * s, y * s, z * s, w * s); }
    Vec4& operator*=(float s);
    Vec4 operator/(float s) const { return Vec4(x / s, y / s, z / s, w / s); }
    Vec4& operator/=(float s);
    // Exact comparison; fuzzyEquals compares with a tolerance.
    bool operator==(const Vec4& v) const { return x == v.x && y == v.y && z == v.z && w == v.w; }
    bool operator!=(const Vec4& v) const { return !(*this == v); }

    static const Vec4 ZERO;
    static const Vec4 ONE;
    static const Vec4 UNIT_X;
    static const Vec4 UNIT_Y;
    static const Vec4 UNIT_Z;
    static const Vec4 UNIT_W;
};

inline Vec4 operator*(float s, const Vec4& v) {
    return v * s;
}

}  // namespace cocos2d
