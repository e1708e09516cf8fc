#include "engine/math/Vec4.h"

#include "engine/math/Vec3.h"

#include <cmath>

namespace cocos2d {

const Vec4 Vec4::ZERO(0.0f, 0.0f, 0.0f, 0.0f);
const Vec4 Vec4::ONE(1.0f, 1.0f, 1.0f, 1.0f);
const Vec4 Vec4::UNIT_X(1.0f, 0.0f, 0.0f, 0.0f);
const Vec4 Vec4::UNIT_Y(0.0f, 1.0f, 0.0f, 0.0f);
const Vec4 Vec4::UNIT_Z(0.0f, 0.0f, 1.0f, 0.0f);
const Vec4 Vec4::UNIT_W(0.0f, 0.0f, 0.0f, 1.0f);

Vec4::Vec4(const float* array) {
    set(array);
}

Vec4::Vec4(const Vec4& p1, const Vec4& p2) {
    set(p1, p2);
}

namespace {

// The point a homogeneous vector stands for; a direction (w = 0) stands for itself.
Vec3 spatialPart(const Vec4& v) {
    const float k = v.w != 0.0f ? 1.0f / v.w : 1.0f;
    return {v.x * k, v.y * k, v.z * k};
}

}  // namespace

float Vec4::angle(const Vec4& v1, const Vec4& v2) {
    const Vec3 a = spatialPart(v1);
    const Vec3 b = spatialPart(v2);
    return Vec3::angle(a, b);
}

void Vec4::add(const Vec4& v) {
    x += v.x;
    y += v.y;
    z += v.z;
    w += v.w;
}

void Vec4::add(const Vec4& v1, const Vec4& v2, Vec4* dst) {
    dst->x = v1.x + v2.x;
    dst->y = v1.y + v2.y;
    dst->z = v1.z + v2.z;
    dst->w = v1.w + v2.w;
}

void Vec4::clamp(const Vec4& min, const Vec4& max) {
    clamp(*this, min, max, this);
}

void Vec4::clamp(const Vec4& v, const Vec4& min, const Vec4& max, Vec4* dst) {
    dst->x = clampf(v.x, min.x, max.x);
    dst->y = clampf(v.y, min.y, max.y);
    dst->z = clampf(v.z, min.z, max.z);
    dst->w = clampf(v.w, min.w, max.w);
}

float Vec4::distance(const Vec4& v) const {
    return std::sqrt(distanceSquared(v));
}

float Vec4::distanceSquared(const Vec4& v) const {
    const float dx = v.x - x;
    const float dy = v.y - y;
    const float dz = v.z - z;
    const float dw = v.w - w;
    return dx * dx + dy * dy + dz * dz + dw * dw;
}

float Vec4::length() const {
    return std::sqrt(lengthSquared());
}

void Vec4::negate() {
    x = -x;
    y = -y;
    z = -z;
    w = -w;
}

void Vec4::normalize() {
    float n = lengthSquared();
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

Vec4 Vec4::getNormalized() const {
    Vec4 v(*this);
    v.normalize();
    return v;
}

void Vec4::scale(float scalar) {
    x *= scalar;
    y *= scalar;
    z *= scalar;
    w *= scalar;
}

void Vec4::set(float xx, float yy, float zz, float ww) {
    x = xx;
    y = yy;
    z = zz;
    w = ww;
}

void Vec4::set(const float* array) {
    x = array[0];
    y = array[1];
    z = array[2];
    w = array[3];
}

void Vec4::set(const Vec4& v) {
    *this = v;
}

void Vec4::set(const Vec4& p1, const Vec4& p2) {
    x = p2.x - p1.x;
    y = p2.y - p1.y;
    z = p2.z - p1.z;
    w = p2.w - p1.w;
}

void Vec4::setZero() {
    x = y = z = w = 0.0f;
}

void Vec4::subtract(const Vec4& v) {
    x -= v.x;
    y -= v.y;
    z -= v.z;
    w -= v.w;
}

void Vec4::subtract(const Vec4& v1, const Vec4& v2, Vec4* dst) {
    dst->x = v1.x - v2.x;
    dst->y = v1.y - v2.y;
    dst->z = v1.z - v2.z;
    dst->w = v1.w - v2.w;
}

bool Vec4::fuzzyEquals(const Vec4& target, float variance) const {
    return std::fabs(x - target.x) <= variance && std::fabs(y - target.y) <= variance &&
           std::fabs(z - target.z) <= variance && std::fabs(w - target.w) <= variance;
}

Vec4 Vec4::lerp(const Vec4& target, float alpha) const {
    return *this * (1.0f - alpha) + target * alpha;
}

Vec4& Vec4::operator+=(const Vec4& v) {
    add(v);
    return *this;
}

Vec4& Vec4::operator-=(const Vec4& v) {
    subtract(v);
    return *this;
}

Vec4& Vec4::operator*=(float s) {
    scale(s);
    return *this;
}

Vec4& Vec4::operator/=(float s) {
    x /= s;
    y /= s;
    z /= s;
    w /= s;
    return *this;
}

}  // namespace cocos2d
