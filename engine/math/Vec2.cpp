#include "engine/math/Vec2.h"

#include <cfloat>
#include <cmath>

namespace cocos2d {

const Vec2 Vec2::ZERO(0.0f, 0.0f);
const Vec2 Vec2::ONE(1.0f, 1.0f);
const Vec2 Vec2::UNIT_X(1.0f, 0.0f);
const Vec2 Vec2::UNIT_Y(0.0f, 1.0f);
const Vec2 Vec2::ANCHOR_MIDDLE(0.5f, 0.5f);
const Vec2 Vec2::ANCHOR_BOTTOM_LEFT(0.0f, 0.0f);
const Vec2 Vec2::ANCHOR_TOP_LEFT(0.0f, 1.0f);
const Vec2 Vec2::ANCHOR_BOTTOM_RIGHT(1.0f, 0.0f);
const Vec2 Vec2::ANCHOR_TOP_RIGHT(1.0f, 1.0f);
const Vec2 Vec2::ANCHOR_MIDDLE_RIGHT(1.0f, 0.5f);
const Vec2 Vec2::ANCHOR_MIDDLE_LEFT(0.0f, 0.5f);
const Vec2 Vec2::ANCHOR_MIDDLE_TOP(0.5f, 1.0f);
const Vec2 Vec2::ANCHOR_MIDDLE_BOTTOM(0.5f, 0.0f);

Vec2::Vec2(const float* array) {
    set(array);
}

Vec2::Vec2(const Vec2& p1, const Vec2& p2) {
    set(p1, p2);
}

float Vec2::angle(const Vec2& v1, const Vec2& v2) {
    // The small bias keeps atan2 off (0, 0) for parallel vectors.
    return std::atan2(std::fabs(v1.cross(v2)) + MATH_FLOAT_SMALL, dot(v1, v2));
}

void Vec2::add(const Vec2& v) {
    x += v.x;
    y += v.y;
}

void Vec2::add(const Vec2& v1, const Vec2& v2, Vec2* dst) {
    dst->x = v1.x + v2.x;
    dst->y = v1.y + v2.y;
}

void Vec2::clamp(const Vec2& min, const Vec2& max) {
    clamp(*this, min, max, this);
}

void Vec2::clamp(const Vec2& v, const Vec2& min, const Vec2& max, Vec2* dst) {
    dst->x = clampf(v.x, min.x, max.x);
    dst->y = clampf(v.y, min.y, max.y);
}

float Vec2::distance(const Vec2& v) const {
    return std::sqrt(distanceSquared(v));
}

float Vec2::distanceSquared(const Vec2& v) const {
    const float dx = v.x - x;
    const float dy = v.y - y;
    return dx * dx + dy * dy;
}

float Vec2::length() const {
    return std::sqrt(lengthSquared());
}

void Vec2::negate() {
    x = -x;
    y = -y;
}

void Vec2::normalize() {
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
}

Vec2 Vec2::getNormalized() const {
    Vec2 v(*this);
    v.normalize();
    return v;
}

void Vec2::scale(float scalar) {
    x *= scalar;
    y *= scalar;
}

void Vec2::scale(const Vec2& scale) {
    x *= scale.x;
    y *= scale.y;
}

void Vec2::rotate(const Vec2& point, float angle) {
    const float s = std::sin(angle);
    const float c = std::cos(angle);
    const float dx = x - point.x;
    const float dy = y - point.y;
    x = dx * c - dy * s + point.x;
    y = dy * c + dx * s + point.y;
}

void Vec2::set(float xx, float yy) {
    x = xx;
    y = yy;
}

void Vec2::set(const float* array) {
    x = array[0];
    y = array[1];
}

void Vec2::set(const Vec2& v) {
    x = v.x;
    y = v.y;
}

void Vec2::set(const Vec2& p1, const Vec2& p2) {
    x = p2.x - p1.x;
    y = p2.y - p1.y;
}

void Vec2::setZero() {
    x = 0.0f;
    y = 0.0f;
}

void Vec2::subtract(const Vec2& v) {
    x -= v.x;
    y -= v.y;
}

void Vec2::subtract(const Vec2& v1, const Vec2& v2, Vec2* dst) {
    dst->x = v1.x - v2.x;
    dst->y = v1.y - v2.y;
}

bool Vec2::equals(const Vec2& target) const {
    return std::fabs(x - target.x) < FLT_EPSILON && std::fabs(y - target.y) < FLT_EPSILON;
}

bool Vec2::fuzzyEquals(const Vec2& target, float variance) const {
    return x - variance <= target.x && target.x <= x + variance && y - variance <= target.y &&
           target.y <= y + variance;
}

float Vec2::getAngle() const {
    return std::atan2(y, x);
}

float Vec2::getAngle(const Vec2& other) const {
    const Vec2 a = getNormalized();
    const Vec2 b = other.getNormalized();
    const float result = std::atan2(a.cross(b), a.dot(b));
    return std::fabs(result) < FLT_EPSILON ? 0.0f : result;
}

Vec2 Vec2::getMidpoint(const Vec2& other) const {
    return Vec2((x + other.x) / 2.0f, (y + other.y) / 2.0f);
}

Vec2 Vec2::getClampPoint(const Vec2& min, const Vec2& max) const {
    return Vec2(clampf(x, min.x, max.x), clampf(y, min.y, max.y));
}

Vec2 Vec2::lerp(const Vec2& other, float alpha) const {
    return *this * (1.0f - alpha) + other * alpha;
}

Vec2 Vec2::project(const Vec2& other) const {
    const float lengthSq = other.lengthSquared();
    if (lengthSq == 0.0f) {
        return ZERO;
    }
    return other * (dot(other) / lengthSq);
}

Vec2 Vec2::rotate(const Vec2& other) const {
    return Vec2(x * other.x - y * other.y, x * other.y + y * other.x);
}

Vec2 Vec2::unrotate(const Vec2& other) const {
    return Vec2(x * other.x + y * other.y, y * other.x - x * other.y);
}

Vec2 Vec2::rotateByAngle(const Vec2& pivot, float angle) const {
    return pivot + (*this - pivot).rotate(forAngle(angle));
}

Vec2 Vec2::forAngle(float a) {
    return Vec2(std::cos(a), std::sin(a));
}

Vec2& Vec2::operator+=(const Vec2& v) {
    add(v);
    return *this;
}

Vec2& Vec2::operator-=(const Vec2& v) {
    subtract(v);
    return *this;
}

Vec2& Vec2::operator*=(float s) {
    scale(s);
    return *this;
}

Vec2& Vec2::operator/=(float s) {
    x /= s;
    y /= s;
    return *this;
}

bool Vec2::operator<(const Vec2& v) const {
    return x == v.x ? y < v.y : x < v.x;
}

bool Vec2::operator>(const Vec2& v) const {
    return x == v.x ? y > v.y : x > v.x;
}

}  // namespace cocos2d
