#pragma once

#include "engine/math/Vec2.h"

namespace cocos2d {

// Width and height of a node, a view or a rectangle.
class Size {
public:
    float width;
    float height;

    constexpr Size() : width(0.0f), height(0.0f) {}
    constexpr Size(float w, float h) : width(w), height(h) {}
    // Width from x, height from y.
    explicit Size(const Vec2& point);

    // x = width, y = height.
    operator Vec2() const { return Vec2(width, height); }

    Size operator+(const Size& right) const {
        return Size(width + right.width, height + right.height);
    }
    Size operator-(const Size& right) const {
        return Size(width - right.width, height - right.height);
    }
    Size operator*(float a) const { return Size(width * a, height * a); }
    Size operator/(float a) const { return Size(width / a, height / a); }

    void setSize(float w, float h);
    // Both dimensions differ by less than FLT_EPSILON.
    bool equals(const Size& target) const;
    bool operator==(const Size& s) const { return width == s.width && height == s.height; }
    bool operator!=(const Size& s) const { return !(*this == s); }

    static const Size ZERO;
};

// An axis-aligned rectangle: origin is the bottom-left corner (y grows upwards), size its
// extent. The edge tests below count the border as inside.
class Rect {
public:
    Vec2 origin;
    Size size;

    constexpr Rect() = default;
    constexpr Rect(float x, float y, float width, float height)
        : origin(x, y), size(width, height) {}
    constexpr Rect(const Vec2& pos, const Size& dimension) : origin(pos), size(dimension) {}

    void setRect(float x, float y, float width, float height);

    float getMinX() const { return origin.x; }
    float getMidX() const { return origin.x + size.width / 2.0f; }
    float getMaxX() const { return origin.x + size.width; }
    float getMinY() const { return origin.y; }
    float getMidY() const { return origin.y + size.height / 2.0f; }
    float getMaxY() const { return origin.y + size.height; }

    // Origin and size each equal within FLT_EPSILON.
    bool equals(const Rect& rect) const;
    // True for points inside or on the border (min <= p <= max on both axes). Hit areas that
    // must exclude their border test the coordinates themselves.
    bool containsPoint(const Vec2& point) const;
    // True when the rectangles overlap or touch along an edge or at a corner.
    bool intersectsRect(const Rect& rect) const;
    // Smallest rectangle holding both; a negative width or height counts as extending the
    // other way from the origin.
    Rect unionWithRect(const Rect& rect) const;
    // this := unionWithRect(rect).
    void merge(const Rect& rect);

    bool operator==(const Rect& r) const { return origin == r.origin && size == r.size; }
    bool operator!=(const Rect& r) const { return !(*this == r); }

    static const Rect ZERO;
};

}  // namespace cocos2d
