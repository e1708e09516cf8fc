#include "viewerscreen/FavoriteDicomWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "dcmsdk/dcmConvertor.h"
#include "imagesdk/data/PixelType.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/data/isSliceInfo.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"

namespace {

// The organisation's UID roots that name the series of a favourite.
constexpr const char* kSeriesRoot = "2.25.181232187398161245830212683041";
constexpr const char* kSeriesRoot2 = "2.25.181232187398161245830212683041.7";
constexpr float kFloatRange = 32000.0f;
constexpr float kSmallestScaledRange = 0.01f;
constexpr int kNameAttempts = 1000;

void copyText(char* slot, std::size_t size, const std::string& text) {
    std::snprintf(slot, size, "%s", text.c_str());
}

bool fileExists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

}  // namespace

FavoriteSamples favoriteSamples(const isImageSDK::isSliceInfo& slice) {
    FavoriteSamples samples;
    const std::size_t n =
        static_cast<std::size_t>(std::max(0, slice.width)) * std::max(0, slice.height);
    samples.pixels = slice.data;
    samples.isSigned =
        slice.pixelType == isImageSDK::PIXEL_INT16 || slice.pixelType == isImageSDK::PIXEL_FLOAT32;
    switch (slice.pixelType) {
    case isImageSDK::PIXEL_FLOAT32: {
        const auto* values = static_cast<const float*>(slice.data);
        float lo = 99999.0f;
        float hi = -99999.0f;
        for (std::size_t i = 0; i < n; ++i) {
            lo = std::min(lo, values[i]);
            hi = std::max(hi, values[i]);
        }
        const float magnitude = std::max(std::fabs(lo), std::fabs(hi));
        const float scale = magnitude < kSmallestScaledRange ? 1.0f : kFloatRange / magnitude;
        samples.widened.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            samples.widened[i] = static_cast<std::int16_t>(values[i] * scale);
        }
        samples.pixels = samples.widened.data();
        samples.rescaleSlope = 1.0f / scale;
        break;
    }
    case isImageSDK::PIXEL_UINT8: {
        const auto* values = static_cast<const std::uint8_t*>(slice.data);
        samples.widened.assign(values, values + n);
        samples.pixels = samples.widened.data();
        break;
    }
    case isImageSDK::PIXEL_RGB24:
        samples.rgb = true;
        break;
    default:
        break;
    }
    return samples;
}

std::string writeFavoriteDicom(const isImageSDK::isSliceInfo& slice, const std::string& dataRoot,
                               const std::string& stamp) {
    if (!slice.data || slice.width <= 0 || slice.height <= 0) {
        return "";
    }
    const FavoriteSamples samples = favoriteSamples(slice);
    auto record = std::make_unique<dcmSDK::PIXEL_Mem_ConvertorData>();
    std::memset(record.get(), 0, sizeof(*record));
    record->pixels = samples.pixels;
    copyText(record->sourcePath, sizeof(record->sourcePath), slice.path);
    copyText(record->seriesText, sizeof(record->seriesText), kSeriesRoot);
    copyText(record->seriesText2, sizeof(record->seriesText2), kSeriesRoot2);
    copyText(record->instanceNumber, sizeof(record->instanceNumber), "1");
    copyText(record->seriesDescription, sizeof(record->seriesDescription), "1");
    copyText(record->seriesNumber, sizeof(record->seriesNumber), "9000");
    NSUI::DateTimeFields now;
    if (!NSUI::parseDateTime(NSUI::getCurrentDateTime(), now)) {
        now = NSUI::DateTimeFields{1900, 1, 1, 0, 0, 0};
    }
    std::snprintf(record->date, sizeof(record->date), "%i%02d%02d", now.year, now.month, now.day);
    std::snprintf(record->time, sizeof(record->time), "%02d%02d%02d", now.hour, now.minute,
                  now.second);
    record->rows = slice.height;
    record->columns = slice.width;
    record->windowWidth = slice.windowWidth;
    record->windowCentre = slice.windowCentre;
    record->spacingX = slice.pixelSpacingX;
    record->spacingY = slice.pixelSpacingY;
    const float* m = slice.matrix.m;
    for (int i = 0; i < 3; ++i) {
        record->origin[i] = m[12 + i];
        record->rowDirection[i] = m[i];
        record->columnDirection[i] = m[4 + i];
    }
    slice.toPatientAxes(record->origin);
    slice.toPatientAxes(record->rowDirection);
    slice.toPatientAxes(record->columnDirection);
    record->highBit = samples.rgb ? dcmSDK::dcmConvertor::kRgb8 : dcmSDK::dcmConvertor::kGrey16;
    record->rescaleSlope = samples.rescaleSlope;
    record->rescaleIntercept = 0.0f;
    record->isSigned = samples.isSigned ? 1 : 0;

    const std::string folder = dataRoot + "favorite/";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    dcmSDK::dcmConvertor convertor;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string path =
            folder + stamp + (attempt == 0 ? "" : "-" + std::to_string(attempt)) + ".dcm";
        if (fileExists(path)) {
            continue;
        }
        copyText(record->outputPath, sizeof(record->outputPath), path);
        if (convertor.convert(record.get())) {
            return path;
        }
        // The convertor never replaces a file: one that appeared meanwhile means another name.
        if (!fileExists(path)) {
            return "";
        }
    }
    return "";
}

void saveFavoriteDicom(isImageSDK::isSliceInfo* record, const std::string& dataRoot) {
    if (!record) {
        return;
    }
    const std::string path = writeFavoriteDicom(*record, dataRoot, NSUI::getTimestampString());
    if (!path.empty()) {
        auto* data = new NSUI::NSNotificationData();
        data->stringValue = path;
        data->floatValue =
            record->pixelSpacingY != 0.0f ? record->pixelSpacingX / record->pixelSpacingY : 1.0f;
        NSUI::NSNotificationCenter::getInstance()->postNotification(
            nullptr, isImageSDK::NOTIFY_FAVORITE_SAVED, data, nullptr, false);
        data->release();
    }
    std::free(record->data);
    delete record;
}
