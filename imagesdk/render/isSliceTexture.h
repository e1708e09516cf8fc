#pragma once

#include <cstdint>
#include <vector>

#include "engine/math/Vec2.h"

namespace isImageSDK {

class isClut;
class isSliceInfo;

// The texels of one frame of a slice, built on the CPU for a texture: either coloured through
// a colour table (RGB, the image node's own path) or as stored 16-bit values that the
// window/level shader colours on the GPU. The buffer is kept between builds, so that a node
// rebuilding a slice of the same size does not reallocate.
class isSliceTexture {
public:
    // Colours every pixel of `frame` through the table (float data through the table's window
    // and curve) into RGB texels. Slices at least `maxTextureSize` wide or high are decimated
    // by the smallest whole factor per axis that brings them below it, taking every n-th pixel
    // from the first. Unloaded slices give a uniform picture: white for PT and NM, else black.
    // The table is retuned to the slice's pixel type first and its grey levels rebuilt when
    // dirty. False (nothing built) without a table or a record, for an empty slice or an
    // unknown pixel type.
    bool buildColour(const isSliceInfo* record, int frame, isClut* clut, int maxTextureSize);

    // Stores `frame` as two-byte texels (low byte first) for the shader: 8-bit values as they
    // are, signed values + 32768, unsigned 16-bit values as they are, float values scaled onto
    // 0..65535 over the frame's range (`valueSlope`, `valueIntercept`); RGB slices as their
    // three bytes. An unloaded slice stores zeros. False without a record, for an empty slice
    // or an unknown pixel type.
    bool buildStored(const isSliceInfo* record, int frame);

    std::vector<std::uint8_t> texels;
    int width = 0;
    int height = 0;
    // 3 for RGB texels, 2 for stored two-byte values.
    int bytesPerTexel = 3;
    // Millimetres per texel along x and y.
    cocos2d::Vec2 scale;
    // Float data: stored value = value x slope + intercept. Other types: 1 and 0.
    float valueSlope = 1.0f;
    float valueIntercept = 0.0f;

private:
    void fillUniform(std::uint8_t value);

    // Colour of every value of an integer type, rebuilt per colour build.
    std::vector<std::uint32_t> colours;
};

}  // namespace isImageSDK
