#include "engine/math/Geometry.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace cocos2d {

const Size Size::ZERO(0.0f, 0.0f);
const Rect Rect::ZERO(0.0f, 0.0f, 0.0f, 0.0f);

Size::Size(const Vec2& point) : width(point.x), height(point.y) {}

void Size::setSize(float w, float h) {
    width = w;
    height = h;
}

bool Size::equals(const Size& target) const {
    return std::fabs(width - target.width) < FLT_EPSILON &&
           std::fabs(height - target.height) < FLT_EPSILON;
}

void Rect::setRect(float x, float y, float width, float height) {
    origin.set(x, y);
    size.setSize(width, height);
}

bool Rect::equals(const Rect& rect) const {
    return origin.equals(rect.origin) && size.equals(rect.size);
}

bool Rect::containsPoint(const Vec2& point) const {
    return point.x >= getMinX() && point.x <= getMaxX() && point.y >= getMinY() &&
           point.y <= getMaxY();
}

bool Rect::intersectsRect(const Rect& rect) const {
    return !(getMaxX() < rect.getMinX() || rect.getMaxX() < getMinX() ||
             getMaxY() < rect.getMinY() || rect.getMaxY() < getMinY());
}

Rect Rect::unionWithRect(const Rect& rect) const {
    const float left = std::min({getMinX(), getMaxX(), rect.getMinX(), rect.getMaxX()});
    const float right = std::max({getMinX(), getMaxX(), rect.getMinX(), rect.getMaxX()});
    const float bottom = std::min({getMinY(), getMaxY(), rect.getMinY(), rect.getMaxY()});
    const float top = std::max({getMinY(), getMaxY(), rect.getMinY(), rect.getMaxY()});
    return Rect(left, bottom, right - left, top - bottom);
}

void Rect::merge(const Rect& rect) {
    *this = unionWithRect(rect);
}

}  // namespace cocos2d
