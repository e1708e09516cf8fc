#pragma once

#include <cstdint>

#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/data/isObject.h"

namespace isImageSDK {

// Window/level state of one displayed image with its grey-level lookup table (integer images
// only; float images are windowed in the shader) and its 256-colour palette. The owner that
// draws the image tunes the open fields together when the pixel type of the shown slice
// changes. Main thread only.
class isClut : public isObject {
public:
    // Autoreleased; null when init fails.
    static isClut* create();

    ~isClut() override;
    void cleanup() override;
    bool init() override;

    // Float images keep and announce the values; others go through the integer path.
    void setWindowLevel(float windowWidth, float windowLevel);
    // Stores and rebuilds only on a real change, but always announces.
    void setWindowLevelInteger(int windowWidth, int windowLevel);
    // Rebuilds the table when it is marked dirty.
    void buildLut();
    // Tunes the input range and table size to a pixel type (8-bit 0..255, signed 16-bit
    // -32768..32767, anything else 0..65535), marks the table dirty and rebuilds it when
    // `autoRebuild` is set.
    void setPixelType(std::int32_t type);
    // The window of integer images in input values: the table maps `low` to black and `high`
    // to white, with `high` > `low`. A width below 1 counts as 1, so that no window divides
    // by zero. Float images use `width` and `level` as they are.
    void getIntegerWindow(long long& low, long long& high) const;
    // 256 R, G, B triples (768 bytes).
    void getPaletteRGB(std::uint8_t* out) const;

    std::int32_t pixelType = 0;
    // One grey level per input value, indexed by value - inputMin. The window maps onto the
    // grey levels as it is, also where it reaches past the input range.
    std::uint8_t* lut = nullptr;
    std::int32_t lutSize = 256;
    std::int32_t outputTop = 255;
    std::int32_t outputBottom = 0;
    std::int32_t inputMax = 255;
    std::int32_t inputMin = 0;
    float level = 128.0f;
    float width = 255.0f;
    // 256 words 0xRRGGBBAA.
    std::uint32_t* palette = nullptr;
    bool lutDirty = true;
    bool autoRebuild = true;
    // Notification group of the announcements.
    void* group = nullptr;
    // 0 linear, 1 log10, 2 inverse log10.
    std::int32_t curve = 0;

protected:
    isClut() = default;

private:
    void announce(const char* widthText, const char* levelText);
    void freeTables();
};

}  // namespace isImageSDK
