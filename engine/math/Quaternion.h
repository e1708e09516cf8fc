#pragma once

#include "engine/math/Vec3.h"

namespace cocos2d {

class Mat4;

// A rotation as the quaternion x i + y j + z k + w. Rotation operations expect unit length.
class Quaternion {
public:
    float x;
    float y;
    float z;
    float w;

    // The identity rotation (0, 0, 0, 1).
    constexpr Quaternion() : x(0.0f), y(0.0f), z(0.0f), w(1.0f) {}
    constexpr Quaternion(float xx, float yy, float zz, float ww) : x(xx), y(yy), z(zz), w(ww) {}
    // Reads x, y, z and w from the first four floats of array.
    explicit Quaternion(const float* array);
    // The rotation part of m (see createFromRotationMatrix).
    explicit Quaternion(const Mat4& m);
    Quaternion(const Vec3& axis, float angle);

    static const Quaternion& identity();
    static const Quaternion& zero();
    bool isIdentity() const;
    bool isZero() const;

    // The rotation part of m, scale removed; the identity when m has a zero scale.
    static void createFromRotationMatrix(const Mat4& m, Quaternion* dst);
    // Rotation by angle radians counter-clockwise about axis (need not be unit length).
    static void createFromAxisAngle(const Vec3& axis, float angle, Quaternion* dst);

    void conjugate();
    Quaternion getConjugated() const;
    // False, leaving the quaternion unchanged, when it is too close to zero to invert.
    bool inverse();
    // The inverse; an uninvertible quaternion is returned unchanged.
    Quaternion getInversed() const;

    // this := this * q, the rotation q followed by this one.
    void multiply(const Quaternion& q);
    static void multiply(const Quaternion& q1, const Quaternion& q2, Quaternion* dst);

    // Makes the quaternion unit length; one too close to zero stays as it is.
    void normalize();
    Quaternion getNormalized() const;

    void set(float xx, float yy, float zz, float ww);
    void set(const float* array);
    void set(const Mat4& m);
    void set(const Vec3& axis, float angle);
    void set(const Quaternion& q);
    void setIdentity();

    // Writes the unit rotation axis to axis and returns the angle in radians (0 .. 2 pi);
    // the identity gives the zero axis and angle 0.
    float toAxisAngle(Vec3* axis) const;

    Quaternion operator*(const Quaternion& q) const;
    Quaternion& operator*=(const Quaternion& q);
    // v rotated by this quaternion.
    Vec3 operator*(const Vec3& v) const;
    bool operator==(const Quaternion& q) const {
        return x == q.x && y == q.y && z == q.z && w == q.w;
    }
    bool operator!=(const Quaternion& q) const { return !(*this == q); }

    static const Quaternion ZERO;
};

}  // namespace cocos2d
