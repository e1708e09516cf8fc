#include "studydb/dataServiceThread.h"

#include "imagesdk/data/PixelType.h"
#include "imagesdk/data/isSliceInfo.h"
#include "studydb/StudyNotifications.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>
#include <vector>

namespace {

void freeSlice(isImageSDK::isSliceInfo* slice) {
    if (slice != nullptr) {
        std::free(slice->data);
        delete slice;
    }
}

void copyText(char* slot, std::size_t size, const std::string& text) {
    std::snprintf(slot, size, "%s", text.c_str());
}

void storeVector(float* out, float x, float y, float z, const isImageSDK::isSliceInfo& slice) {
    float v[3] = {x, y, z};
    slice.toPatientAxes(v);
    out[0] = v[0];
    out[1] = v[1];
    out[2] = v[2];
}

// A file name of the reformat folder that no file has yet: the time stamp, moved on while taken.
std::string freshName(const std::string& folder) {
    std::string name = NSUI::getTimestampString();
    std::error_code error;
    for (int attempt = 1; std::filesystem::exists(folder + name + ".dcm", error); ++attempt) {
        name = NSUI::getTimestampString() + "_" + std::to_string(attempt);
    }
    return name;
}

}  // namespace

reformatSaveRequest::reformatSaveRequest(isImageSDK::isSliceInfo* slice,
                                         const std::string& seriesId)
    : slice_(slice) {
    text = seriesId;
}

reformatSaveRequest::~reformatSaveRequest() {
    freeSlice(slice_);
}

isImageSDK::isSliceInfo* reformatSaveRequest::takeSlice() {
    isImageSDK::isSliceInfo* slice = slice_;
    slice_ = nullptr;
    return slice;
}

dataServiceThread::dataServiceThread(std::function<std::string()> rootSource)
    : rootSource_(std::move(rootSource)) {}

void dataServiceThread::process(NSUI::NSThreadRequest* request) {
    if (auto* save = dynamic_cast<reformatSaveRequest*>(request)) {
        run(save->takeSlice(), save->text);
    }
}

std::string dataServiceThread::run(isImageSDK::isSliceInfo* slice, const std::string& seriesId) {
    if (slice == nullptr) {
        return std::string();
    }
    const int width = std::max(0, slice->width);
    const int height = std::max(0, slice->height);
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (slice->data == nullptr || count == 0) {
        freeSlice(slice);
        return std::string();
    }

    // No root: the library is not this process's, and a relative folder would be the
    // working folder.
    const std::string root = rootSource_ ? rootSource_() : std::string();
    if (root.empty()) {
        freeSlice(slice);
        return std::string();
    }
    dcmSDK::PIXEL_Mem_ConvertorData record;
    std::memset(&record, 0, sizeof(record));
    const std::string folder = root + "reformat/";
    const std::string output = folder + freshName(folder) + ".dcm";
    copyText(record.outputPath, sizeof(record.outputPath), output);
    record.sameSeries = 1;
    copyText(record.sourcePath, sizeof(record.sourcePath), slice->path);
    copyText(record.seriesText, sizeof(record.seriesText), seriesId);
    copyText(record.seriesText2, sizeof(record.seriesText2), seriesId);
    copyText(record.instanceText, sizeof(record.instanceText), NSUI::getTimestampString());
    std::snprintf(record.instanceNumber, sizeof(record.instanceNumber), "%i",
                  static_cast<int>(slice->instanceNumber));
    std::snprintf(record.seriesDescription, sizeof(record.seriesDescription), "se%s",
                  seriesId.c_str());
    std::snprintf(record.seriesNumber, sizeof(record.seriesNumber), "st%s", seriesId.c_str());
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::snprintf(record.date, sizeof(record.date), "%i%02d%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday);
    std::snprintf(record.time, sizeof(record.time), "%02d%02d%02d", local.tm_hour, local.tm_min,
                  local.tm_sec);
    record.rows = height;
    record.columns = width;
    record.windowWidth = slice->windowWidth;
    record.windowCentre = slice->windowCentre;
    record.spacingX = slice->pixelSpacingX;
    record.spacingY = slice->pixelSpacingY;
    const float* m = slice->matrix.m;
    storeVector(record.origin, m[12], m[13], m[14], *slice);
    storeVector(record.rowDirection, m[0], m[1], m[2], *slice);
    storeVector(record.columnDirection, m[4], m[5], m[6], *slice);
    record.highBit = dcmSDK::dcmConvertor::kGrey16;
    record.rescaleSlope = 1.0f;
    record.rescaleIntercept = 0.0f;
    record.isSigned =
        slice->pixelType == isImageSDK::PIXEL_INT16 || slice->pixelType == isImageSDK::PIXEL_FLOAT32
            ? 1
            : 0;

    std::vector<std::int16_t> converted;
    switch (slice->pixelType) {
    case isImageSDK::PIXEL_FLOAT32: {
        const float* values = static_cast<const float*>(slice->data);
        float smallest = 99999.0f;
        float largest = -99999.0f;
        for (std::size_t i = 0; i < count; ++i) {
            if (std::isfinite(values[i])) {
                smallest = std::min(smallest, values[i]);
                largest = std::max(largest, values[i]);
            }
        }
        const float magnitude = std::max(std::fabs(smallest), std::fabs(largest));
        const float scale = magnitude < 0.01f ? 1.0f : 32000.0f / magnitude;
        converted.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            // Samples that are not numbers become 0; the rest already lie within ±32000.
            const float scaled = std::isfinite(values[i]) ? values[i] * scale : 0.0f;
            converted[i] = static_cast<std::int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
        }
        record.rescaleSlope = 1.0f / scale;
        record.pixels = converted.data();
        break;
    }
    case isImageSDK::PIXEL_UINT8: {
        const std::uint8_t* values = static_cast<const std::uint8_t*>(slice->data);
        converted.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            converted[i] = values[i];
        }
        record.pixels = converted.data();
        break;
    }
    case isImageSDK::PIXEL_RGB24:
        // Triplets stay triplets: read as 16-bit samples they would be half the image.
        record.highBit = dcmSDK::dcmConvertor::kRgb8;
        record.pixels = slice->data;
        break;
    default:
        record.pixels = slice->data;
        break;
    }

    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(output).parent_path(), error);
    const bool written = convertor_.convert(&record);
    if (written) {
        auto* data = NSUI::NSNotificationData::create();
        data->stringValue = output;
        data->intValue2 = 1;
        NSUI::NSNotificationCenter::getInstance()->postNotification(
            nullptr, studydb::NOTIFY_IMPORT_PATH, data, nullptr, true);
    }
    freeSlice(slice);
    return written ? output : std::string();
}
