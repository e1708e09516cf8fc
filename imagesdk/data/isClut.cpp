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

void isClut::buildLut() {
    if (!lutDirty) {
        return;
    }
    delete[] lut;
    lut = nullptr;
    const int size = lutSize > 0 ? lutSize : 0;
    // Zeroed, so that a window above the input range leaves black and float images read
    // defined bytes although they never use the table.
    lut = new std::uint8_t[size > 0 ? size : 1]();
    lutDirty = false;
    if (pixelType == 2) {
        return;
    }
    const float half = width * 0.5f;
    const long long lo = std::max(truncateToInt(level - half), inputMin);
    long long hi = std::min(inputMax, truncateToInt(level + half));
    if (lo >= hi) {
        hi = lo + 1;
    }
    auto put = [this, size](long long value, int grey) {
        const long long index = value - inputMin;
        if (index >= 0 && index < size) {
            lut[index] = static_cast<std::uint8_t>(grey);
        }
    };
    for (long long index = 0; index < size && index + inputMin < lo; ++index) {
        lut[index] = 0;
    }
    for (long long index = std::max(0ll, hi + 1 - inputMin); index < size; ++index) {
        lut[index] = 255;
    }
    const int n = int(hi - lo);
    switch (curve) {
    case 1: {
        const float step = 9.0f / float(n);
        for (int i = 0; i <= n; ++i) {
            put(lo + i, int(std::log10(float(i) * step + 1.0f) * 255.0f));
        }
        break;
    }
    case 2: {
        const float step = 9.0f / float(n);
        for (int i = 0; i <= n; ++i) {
            put(lo + i, int((1.0f - std::log10(float(n - i) * step + 1.0f)) * 255.0f));
        }
        break;
    }
    default: {
        const double slope = double(outputTop - outputBottom) / double(hi - lo);
        const double offset =
            (double(outputBottom) * double(hi) - double(outputTop) * double(lo)) / double(hi - lo);
        for (long long value = lo; value <= hi; ++value) {
            put(value, int(double(value) * slope + offset));
        }
        break;
    }
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
