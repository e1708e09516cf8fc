#include "imagesdk/data/isClut.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <new>
#include <string>

#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/UIJson.h"

namespace isImageSDK {

namespace {

constexpr int kPaletteSize = 256;

// Truncation toward zero that saturates instead of overflowing on absurd window values.
int truncateToInt(double value) {
    if (!(value > double(INT_MIN))) {
        return INT_MIN;
    }
    if (value >= double(INT_MAX)) {
        return INT_MAX;
    }
    return int(value);
}

}  // namespace

isClut* isClut::create() {
    auto* clut = new (std::nothrow) isClut();
    if (clut && clut->init()) {
        clut->autorelease();
        return clut;
    }
    delete clut;
    return nullptr;
}

isClut::~isClut() {
    freeTables();
}

void isClut::freeTables() {
    delete[] palette;
    palette = nullptr;
    delete[] lut;
    lut = nullptr;
}

void isClut::cleanup() {
    freeTables();
}

bool isClut::init() {
    isObject::init();
    freeTables();
    pixelType = 0;
    lutSize = 256;
    outputTop = 255;
    outputBottom = 0;
    inputMax = 255;
    inputMin = 0;
    level = 128.0f;
    width = 255.0f;
    palette = new std::uint32_t[kPaletteSize];
    for (std::uint32_t i = 0; i < kPaletteSize; ++i) {
        palette[i] = i << 24 | i << 16 | i << 8 | 255u;
    }
    lutDirty = true;
    autoRebuild = true;
    group = nullptr;
    curve = 0;
    buildLut();
    return true;
}

void isClut::announce(const char* widthText, const char* levelText) {
    std::string text;
    NSUI::UIJson::setString(text, "ww", widthText);
    NSUI::UIJson::setString(text, "wl", levelText);

    auto* data = new NSUI::NSNotificationData();
    data->init();
    data->stringValue = text;
    NSUI::NSNotificationCenter* centre = NSUI::NSNotificationCenter::getInstance();
    centre->cancelPending(this, NOTIFY_WWWL_TEXT, group);
    centre->postNotification(this, NOTIFY_WWWL_TEXT, data, group, false);
    data->release();
}

void isClut::setWindowLevel(float windowWidth, float windowLevel) {
    if (pixelType != 2) {
        setWindowLevelInteger(truncateToInt(windowWidth), truncateToInt(windowLevel));
        return;
    }
    width = windowWidth;
    level = windowLevel;
    char widthText[64];
    char levelText[64];
    std::snprintf(widthText, sizeof(widthText), "%.1f", windowWidth);
    std::snprintf(levelText, sizeof(levelText), "%.1f", windowLevel);
    announce(widthText, levelText);
}

void isClut::setWindowLevelInteger(int windowWidth, int windowLevel) {
    if (std::fabs(float(windowLevel) - level) >= 0.01f ||
        std::fabs(float(windowWidth) - width) >= 0.01f) {
        width = float(windowWidth);
        level = float(windowLevel);
        lutDirty = true;
        if (autoRebuild) {
            buildLut();
        }
    }
    char widthText[32];
    char levelText[32];
    std::snprintf(widthText, sizeof(widthText), "%i", windowWidth);
    std::snprintf(levelText, sizeof(levelText), "%i", windowLevel);
    announce(widthText, levelText);
}

void isClut::setPixelType(std::int32_t type) {
    pixelType = type;
    switch (type) {
    case 0:
        inputMin = 0;
        inputMax = 255;
        lutSize = 256;
        break;
    case 1:
        inputMin = -32768;
        inputMax = 32767;
        lutSize = 65536;
        break;
    default:
        inputMin = 0;
        inputMax = 65535;
        lutSize = 65536;
        break;
    }
    lutDirty = true;
    if (autoRebuild) {
        buildLut();
    }
}

void isClut::getIntegerWindow(long long& low, long long& high) const {
    // Also catches NaN.
    const double windowWidth = width >= 1.0f ? double(width) : 1.0;
    const double half = windowWidth * 0.5;
    low = truncateToInt(double(level) - half);
    high = truncateToInt(double(level) + half);
    if (low >= high) {
        high = low + 1;
    }
}

void isClut::buildLut() {
    if (!lutDirty) {
        return;
    }
    delete[] lut;
    lut = nullptr;
    const int size = lutSize > 0 ? lutSize : 0;
    // Zeroed, so that float images read defined bytes although they never use the table.
    lut = new std::uint8_t[size > 0 ? size : 1]();
    lutDirty = false;
    if (pixelType == 2) {
        return;
    }
    long long lo = 0;
    long long hi = 0;
    getIntegerWindow(lo, hi);
    // The slope comes from the whole window, not from the part inside the input range: a
    // window wider than the data must lower the contrast, not stretch the data to full range.
    const long long n = hi - lo;
    const long long span = outputTop - outputBottom;
    const float step = 9.0f / float(n);
    for (int index = 0; index < size; ++index) {
        const long long value = index + static_cast<long long>(inputMin);
        int grey = 0;
        if (value > hi) {
            grey = 255;
        } else if (value >= lo) {
            const long long i = value - lo;
            switch (curve) {
            case 1:
                grey = int(std::log10(float(i) * step + 1.0f) * 255.0f);
                break;
            case 2:
                grey = int((1.0f - std::log10(float(n - i) * step + 1.0f)) * 255.0f);
                break;
            default:
                // Exact integer arithmetic: the shader reproduces these levels bit for bit.
                grey = int(outputBottom + i * span / n);
                break;
            }
        }
        lut[index] = static_cast<std::uint8_t>(std::clamp(grey, 0, 255));
    }
}

void isClut::getPaletteRGB(std::uint8_t* out) const {
    for (int i = 0; i < kPaletteSize; ++i) {
        const std::uint32_t colour = palette ? palette[i] : 0u;
        out[i * 3] = static_cast<std::uint8_t>(colour >> 24);
        out[i * 3 + 1] = static_cast<std::uint8_t>(colour >> 16);
        out[i * 3 + 2] = static_cast<std::uint8_t>(colour >> 8);
    }
}

}  // namespace isImageSDK
