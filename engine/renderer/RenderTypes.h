#pragma once

#include "engine/base/Types.h"
#include "engine/math/Vec3.h"

namespace cocos2d {

// Source and destination factors of GL blending, as GL enum values.
struct BlendFunc {
    unsigned int src;
    unsigned int dst;

    static const BlendFunc DISABLE;
    static const BlendFunc ALPHA_PREMULTIPLIED;
    static const BlendFunc ALPHA_NON_PREMULTIPLIED;
    static const BlendFunc ADDITIVE;

    bool operator==(const BlendFunc& other) const { return src == other.src && dst == other.dst; }
    bool operator!=(const BlendFunc& other) const { return !(*this == other); }
};

struct Tex2F {
    float u = 0.0f;
    float v = 0.0f;
};

// One vertex of a triangle batch: position, colour, texture coordinates.
struct V3F_C4B_T2F {
    Vec3 vertices;
    Color4B colors;
    Tex2F texCoords;
};

}  // namespace cocos2d
