#pragma once

#include "engine/math/MathUtil.h"

namespace cocos2d {

// A 3D point or direction.
class Vec3 {
public:
    float x;
    float y;
    float z;

    constexpr Vec3() : x(0.0f), y(0.0f), z(0.0f) {}
    constexpr Vec3(float xx, float yy, float zz) : x(xx), y(yy), z(zz) {}
    // Reads x, y and z from the first three floats of array.
    explicit Vec3(const float* array);
    // The vector from p1 to p2.
    Vec3(const Vec3& p1, const Vec3& p2);

    bool isZero() const { return x == 0.0f && y == 0.0f && z == 0.0f; }
    bool isOne() const { return x == 1.0f && y == 1.0f && z == 1.0f; }

    // Unsigned angle between two vectors, in radians (0 .. pi).
    static float angle(const Vec3& v1, const Vec3& v2);

    void add(const Vec3& v);
    void add(float xx, float yy, float zz);
    static void add(const Vec3& v1, const Vec3& v2, Vec3* dst);

    // Clamps each component into [min, max] of that component.
    void clamp(const Vec3& min, const Vec3& max);
    static void clamp(const Vec3& v, const Vec3& min, const Vec3& max, Vec3* dst);

    void cross(const Vec3& v);
    static void cross(const Vec3& v1, const Vec3& v2, Vec3* dst);
    Vec3 getCrossed(const Vec3& v) const;

    float distance(const Vec3& v) const;
    float distanceSquared(const Vec3& v) const;
    float dot(const Vec3& v) const { return x * v.x + y * v.y + z * v.z; }
    static float dot(const Vec3& v1, const Vec3& v2) { return v1.dot(v2); }
    float length() const;
    float lengthSquared() const { return x * x + y * y + z * z; }

    void negate();
    // Makes the vector unit length; a vector too short to have a direction stays as it is.
    void normalize();
    Vec3 getNormalized() const;

    void scale(float scalar);

    void set(float xx, float yy, float zz);
    void set(const float* array);
    void set(const Vec3& v);
    void set(const Vec3& p1, const Vec3& p2);
    void setZero();

    void subtract(const Vec3& v);
    static void subtract(const Vec3& v1, const Vec3& v2, Vec3* dst);

    // Every component lies within variance of target's, bounds included.
    bool fuzzyEquals(const Vec3& target, float variance) const;
    // Linear interpolation: this at alpha 0, target at alpha 1.
    Vec3 lerp(const Vec3& target, float alpha) const;

    Vec3 operator+(const Vec3& v) const { return Vec3(x + v.x, y + v.y, z + v.z); }
    Vec3& operator+=(const Vec3& v);
    Vec3 operator-(const Vec3& v) const { return Vec3(x - v.x, y - v.y, z - v.z); }
    Vec3& operator-=(const Vec3& v);
    Vec3 operator-() const { return Vec3(-x, -y, -z); }
    Vec3 operator*(float s) const { return Vec3(x * s, y * s, z * s); }
    Vec3& operator*=(float s);
    Vec3 operator/(float s) const { return Vec3(x / s, y / s, z / s); }
    Vec3& operator/=(float s);
    // Exact comparison; fuzzyEquals compares with a tolerance.
    bool operator==(const Vec3& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const Vec3& v) const { return !(*this == v); }

    static const Vec3 ZERO;
    static const Vec3 ONE;
    static const Vec3 UNIT_X;
    static const Vec3 UNIT_Y;
    static const Vec3 UNIT_Z;
};

inline Vec3 operator*(float s, const Vec3& v) {
    return v * s;
}

}  // namespace cocos2d
