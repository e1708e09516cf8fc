#include "engine/math/Vec3.h"

#include <cmath>

namespace cocos2d {

const Vec3 Vec3::ZERO(0.0f, 0.0f, 0.0f);
const Vec3 Vec3::ONE(1.0f, 1.0f, 1.0f);
const Vec3 Vec3::UNIT_X(1.0f, 0.0f, 0.0f);
const Vec3 Vec3::UNIT_Y(0.0f, 1.0f, 0.0f);
const Vec3 Vec3::UNIT_Z(0.0f, 0.0f, 1.0f);

Vec3::Vec3(const float* array) {
    set(array);
}

Vec3::Vec3(const Vec3& p1, const Vec3& p2) {
    set(p1, p2);
}

float Vec3::angle(const Vec3& v1, const Vec3& v2) {
    const Vec3 c = v1.getCrossed(v2);
    // The small bias keeps atan2 off (0, 0) for parallel vectors.
    return std::atan2(c.length() + MATH_FLOAT_SMALL, dot(v1, v2));
}

void Vec3::add(const Vec3& v) {
    x += v.x;
    y += v.y;
    z += v.z;
}

void Vec3::add(float xx, float yy, float zz) {
    x += xx;
    y += yy;
    z += zz;
}

void Vec3::add(const Vec3& v1, const Vec3& v2, Vec3* dst) {
    dst->x = v1.x + v2.x;
    dst->y = v1.y + v2.y;
    dst->z = v1.z + v2.z;
}

void Vec3::clamp(const Vec3& min, const Vec3& max) {
    clamp(*this, min, max, this);
}

void Vec3::clamp(const Vec3& v, const Vec3& min, const Vec3& max, Vec3* dst) {
    dst->x = clampf(v.x, min.x, max.x);
    dst->y = clampf(v.y, min.y, max.y);
    dst->z = clampf(v.z, min.z, max.z);
}

void Vec3::cross(const Vec3& v) {
    cross(*this, v, this);
}

void Vec3::cross(const Vec3& v1, const Vec3& v2, Vec3* dst) {
    // Through temporaries: dst may alias either operand.
    const float cx = v1.y * v2.z - v1.z * v2.y;
    const float cy = v1.z * v2.x - v1.x * v2.z;
    const float cz = v1.x * v2.y - v1.y * v2.x;
    dst->set(cx, cy, cz);
}

Vec3 Vec3::getCrossed(const Vec3& v) const {
    Vec3 result;
    cross(*this, v, &result);
    return result;
}

float Vec3::distance(const Vec3& v) const {
    return std::sqrt(distanceSquared(v));
}

float Vec3::distanceSquared(const Vec3& v) const {
    const float dx = v.x - x;
    const float dy = v.y - y;
    const float dz = v.z - z;
    return dx * dx + dy * dy + dz * dz;
}

float Vec3::length() const {
    return std::sqrt(lengthSquared());
}

void Vec3::negate() {
    x = -x;
    y = -y;
    z = -z;
}

void Vec3::normalize() {
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
}

Vec3 Vec3::getNormalized() const {
    Vec3 v(*this);
    v.normalize();
    return v;
}

void Vec3::scale(float scalar) {
    x *= scalar;
    y *= scalar;
    z *= scalar;
}

void Vec3::set(float xx, float yy, float zz) {
    x = xx;
    y = yy;
    z = zz;
}

void Vec3::set(const float* array) {
    x = array[0];
    y = array[1];
    z = array[2];
}

void Vec3::set(const Vec3& v) {
    x = v.x;
    y = v.y;
    z = v.z;
}

void Vec3::set(const Vec3& p1, const Vec3& p2) {
    x = p2.x - p1.x;
    y = p2.y - p1.y;
    z = p2.z - p1.z;
}

void Vec3::setZero() {
    x = y = z = 0.0f;
}

void Vec3::subtract(const Vec3& v) {
    x -= v.x;
    y -= v.y;
    z -= v.z;
}

void Vec3::subtract(const Vec3& v1, const Vec3& v2, Vec3* dst) {
    dst->x = v1.x - v2.x;
    dst->y = v1.y - v2.y;
    dst->z = v1.z - v2.z;
}

bool Vec3::fuzzyEquals(const Vec3& target, float variance) const {
    return std::fabs(x - target.x) <= variance && std::fabs(y - target.y) <= variance &&
           std::fabs(z - target.z) <= variance;
}

Vec3 Vec3::lerp(const Vec3& target, float alpha) const {
    return *this * (1.0f - alpha) + target * alpha;
}

Vec3& Vec3::operator+=(const Vec3& v) {
    add(v);
    return *this;
}

Vec3& Vec3::operator-=(const Vec3& v) {
    subtract(v);
    return *this;
}

Vec3& Vec3::operator*=(float s) {
    scale(s);
    return *this;
}

Vec3& Vec3::operator/=(float s) {
    x /= s;
    y /= s;
    z /= s;
    return *this;
}

}  // namespace cocos2d
