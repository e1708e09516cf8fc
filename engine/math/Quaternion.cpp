#include "engine/math/Quaternion.h"

#include "engine/math/Mat4.h"

#include <cmath>

namespace cocos2d {

const Quaternion Quaternion::ZERO(0.0f, 0.0f, 0.0f, 0.0f);

namespace {
constexpr Quaternion kIdentity(0.0f, 0.0f, 0.0f, 1.0f);
}  // namespace

Quaternion::Quaternion(const float* array) {
    set(array);
}

Quaternion::Quaternion(const Mat4& m) {
    set(m);
}

Quaternion::Quaternion(const Vec3& axis, float angle) {
    set(axis, angle);
}

const Quaternion& Quaternion::identity() {
    return kIdentity;
}

const Quaternion& Quaternion::zero() {
    return ZERO;
}

bool Quaternion::isIdentity() const {
    return *this == kIdentity;
}

bool Quaternion::isZero() const {
    return *this == ZERO;
}

void Quaternion::createFromRotationMatrix(const Mat4& m, Quaternion* dst) {
    if (!m.getRotation(dst)) {
        dst->setIdentity();
    }
}

void Quaternion::createFromAxisAngle(const Vec3& axis, float angle, Quaternion* dst) {
    const float halfAngle = angle * 0.5f;
    const float sinHalf = std::sin(halfAngle);
    const Vec3 n = axis.getNormalized();
    dst->x = n.x * sinHalf;
    dst->y = n.y * sinHalf;
    dst->z = n.z * sinHalf;
    dst->w = std::cos(halfAngle);
}

void Quaternion::conjugate() {
    x = -x;
    y = -y;
    z = -z;
}

Quaternion Quaternion::getConjugated() const {
    Quaternion q(*this);
    q.conjugate();
    return q;
}

bool Quaternion::inverse() {
    float n = x * x + y * y + z * z + w * w;
    if (n == 1.0f) {
        conjugate();
        return true;
    }
    if (n < MATH_TOLERANCE) {
        return false;
    }
    n = 1.0f / n;
    x = -x * n;
    y = -y * n;
    z = -z * n;
    w = w * n;
    return true;
}

Quaternion Quaternion::getInversed() const {
    Quaternion q(*this);
    q.inverse();
    return q;
}

void Quaternion::multiply(const Quaternion& q) {
    multiply(*this, q, this);
}

void Quaternion::multiply(const Quaternion& q1, const Quaternion& q2, Quaternion* dst) {
    // Through temporaries: dst may alias either operand.
    const float rx = q1.w * q2.x + q1.x * q2.w + q1.y * q2.z - q1.z * q2.y;
    const float ry = q1.w * q2.y - q1.x * q2.z + q1.y * q2.w + q1.z * q2.x;
    const float rz = q1.w * q2.z + q1.x * q2.y - q1.y * q2.x + q1.z * q2.w;
    const float rw = q1.w * q2.w - q1.x * q2.x - q1.y * q2.y - q1.z * q2.z;
    dst->set(rx, ry, rz, rw);
}

void Quaternion::normalize() {
    float n = x * x + y * y + z * z + w * w;
    if (n == 1.0f) {
        return;
    }
    n = std::sqrt(n);
    if (n < MATH_TOLERANCE) {
        return;
    }
    n = 1.0f / n;
    x *= n;
    y *= n;
    z *= n;
    w *= n;
}

Quaternion Quaternion::getNormalized() const {
    Quaternion q(*this);
    q.normalize();
    return q;
}

void Quaternion::set(float xx, float yy, float zz, float ww) {
    x = xx;
    y = yy;
    z = zz;
    w = ww;
}

void Quaternion::set(const float* array) {
    set(array[0], array[1], array[2], array[3]);
}

void Quaternion::set(const Mat4& m) {
    createFromRotationMatrix(m, this);
}

void Quaternion::set(const Vec3& axis, float angle) {
    createFromAxisAngle(axis, angle, this);
}

void Quaternion::set(const Quaternion& q) {
    *this = q;
}

void Quaternion::setIdentity() {
    *this = kIdentity;
}

float Quaternion::toAxisAngle(Vec3* axis) const {
    const Quaternion q = getNormalized();
    axis->set(q.x, q.y, q.z);
    axis->normalize();
    // Rounding can push a unit w just past 1, where acos has no value.
    return 2.0f * std::acos(clampf(q.w, -1.0f, 1.0f));
}

Quaternion Quaternion::operator*(const Quaternion& q) const {
    Quaternion result;
    multiply(*this, q, &result);
    return result;
}

Quaternion& Quaternion::operator*=(const Quaternion& q) {
    multiply(q);
    return *this;
}

Vec3 Quaternion::operator*(const Vec3& v) const {
    const Vec3 axis(x, y, z);
    Vec3 uv = axis.getCrossed(v);
    Vec3 uuv = axis.getCrossed(uv);
    uv *= 2.0f * w;
    uuv *= 2.0f;
    return v + uv + uuv;
}

}  // namespace cocos2d
