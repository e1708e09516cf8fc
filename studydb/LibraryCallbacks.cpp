#include "studydb/LibraryCallbacks.h"

#include "dcmsdk/DcmCallbacks.h"
#include "engine/base/Utils.h"
#include "toolkit/core/FileRoutines.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/core/UIJson.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

NSUI::NSNotificationCenter* centre() {
    return NSUI::NSNotificationCenter::getInstance();
}

void postText(int key, const char* text, bool nextTick) {
    auto* data = NSUI::NSNotificationData::create();
    data->stringValue = text;
    centre()->postNotification(nullptr, key, data, nullptr, nextTick);
}

// The text between the first "[" after the tag and the next "]"; empty when either is missing.
std::string bracketValue(const std::string& text, const char* tag) {
    const std::size_t at = text.find(tag);
    if (at == std::string::npos) {
        return std::string();
    }
    const std::size_t open = text.find('[', at);
    if (open == std::string::npos) {
        return std::string();
    }
    const std::size_t close = text.find(']', open + 1);
    if (close == std::string::npos) {
        return std::string();
    }
    return text.substr(open + 1, close - open - 1);
}

std::string formatFindDateTime(const std::string& joined) {
    if (joined.size() < 14) {
        return joined;
    }
    return joined.substr(0, 4) + "." + joined.substr(4, 2) + "." + joined.substr(6, 2) + " " +
           joined.substr(8, 2) + ":" + joined.substr(10, 2) + ":" + joined.substr(12, 2);
}

void postRow(int key, cocos2d::Ref* row) {
    auto* data = NSUI::NSNotificationData::create();
    data->setObject(row);
    row->release();
    centre()->postNotification(nullptr, key, data, nullptr, false);
}

struct PngFile {
    FILE* file = nullptr;
    ~PngFile() {
        if (file != nullptr) {
            std::fclose(file);
        }
    }
};

bool writePng(FILE* file, int width, int height, const unsigned char* pixels) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    for (int row = 0; row < height; ++row) {
        png_write_row(png, const_cast<png_bytep>(pixels + stride * static_cast<std::size_t>(row)));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

void onDcmLog(const char* text) {
    cocos2d::log("%s", text == nullptr ? "" : text);
}

void onDcmMessage(unsigned int type, const char* text) {
    const std::string value = text == nullptr || type == 3 ? std::string() : std::string(text);
    const auto taskId = [&value] {
        return std::atoi(NSUI::UIJson::getString(value, "taskID").c_str());
    };
    switch (type) {
    case 0: {
        auto* data = NSUI::NSNotificationData::create();
        data->intValue2 = taskId();
        data->floatValue =
            static_cast<float>(std::atof(NSUI::UIJson::getString(value, "value").c_str()));
        centre()->postNotification(nullptr, 2012, data, nullptr, true);
        return;
    }
    case 1:
        centre()->broadcastInt(2013, taskId());
        return;
    case 2:
        centre()->broadcastInt(2014, taskId());
        return;
    case 3: {
        // The record passes on as it is; the study database takes it over.
        auto* data = NSUI::NSNotificationData::create();
        data->setBuffer(const_cast<char*>(text));
        centre()->postNotification(nullptr, 2016, data, nullptr, true);
        return;
    }
    case 4:
        postText(2003, value.c_str(), false);
        return;
    case 5:
        postText(2008, value.c_str(), false);
        return;
    case 6:
        postText(2009, value.c_str(), false);
        return;
    case 7:
        postText(2004, value.c_str(), true);
        return;
    case 8: {
        auto* data = NSUI::NSNotificationData::create();
        data->stringValue = value;
        data->intValue2 = 1;
        centre()->postNotification(nullptr, 2025, data, nullptr, true);
        return;
    }
    case 9:
        postText(2005, value.c_str(), false);
        return;
    case 10:
        postText(2006, value.c_str(), true);
        return;
    case 11:
        postText(2007, value.c_str(), true);
        return;
    default:
        return;
    }
}

void onDcmGb2Utf8(const char* source, char* target, int size) {
    if (target == nullptr || size <= 0) {
        return;
    }
    std::memset(target, 0, static_cast<std::size_t>(size));
    const std::string converted = NSUI::ansiToUtf8(source == nullptr ? "" : source);
    std::memcpy(target, converted.data(),
                std::min(converted.size(), static_cast<std::size_t>(size - 1)));
}

char* onDcmReadFile(const char* path, int& size, bool text) {
    if (path == nullptr) {
        return nullptr;
    }
    ssize_t length = 0;
    unsigned char* bytes = NSUI::readFileData(path, &length, !text);
    if (bytes == nullptr || length <= 0) {
        std::free(bytes);
        return nullptr;
    }
    // The library frees with delete[].
    char* copy = new char[static_cast<std::size_t>(length) + 10]();
    std::memcpy(copy, bytes, static_cast<std::size_t>(length));
    std::free(bytes);
    size = static_cast<int>(length);
    return copy;
}

bool onDcmSavePng(int width, int height, const unsigned char* pixels, const char* path) {
    if (width <= 0 || height <= 0 || pixels == nullptr || path == nullptr) {
        return false;
    }
    PngFile png;
    png.file = std::fopen(path, "wb");
    if (png.file == nullptr) {
        return false;
    }
    const bool written = writePng(png.file, width, height, pixels);
    const int closed = std::fclose(png.file);
    png.file = nullptr;
    return written && closed == 0;
}

void registerDcmCallbacks() {
    dcmSDK::setLogCallback(onDcmLog);
    dcmSDK::setMsgCallback(onDcmMessage);
    dcmSDK::setgb2utf8Callback(onDcmGb2Utf8);
    dcmSDK::setReadFileCallback(onDcmReadFile);
    dcmSDK::setSavePngCallback(onDcmSavePng);
}

void parseFindResult(const std::string& text) {
    if (text.find("0008,0060") != std::string::npos) {
        auto* row = new findSeriesRow();
        row->dateTime =
            formatFindDateTime(bracketValue(text, "0008,0021") + bracketValue(text, "0008,0031"));
        row->modality = bracketValue(text, "0008,0060");
        row->seriesDescription = bracketValue(text, "0008,103e");
        row->studyInstanceUID = bracketValue(text, "0020,000d");
        row->seriesInstanceUID = bracketValue(text, "0020,000e");
        row->seriesNumber = bracketValue(text, "0020,0011");
        row->instanceCount = bracketValue(text, "0020,1209");
        if (row->seriesInstanceUID.empty() || row->studyInstanceUID.empty()) {
            row->release();
            return;
        }
        postRow(2011, row);
        return;
    }
    if (text.find("0010,0010") != std::string::npos) {
        auto* row = new findPatientRow();
        row->dateTime =
            formatFindDateTime(bracketValue(text, "0008,0020") + bracketValue(text, "0008,0030"));
        row->institution = bracketValue(text, "0008,0080");
        row->studyDescription = bracketValue(text, "0008,1030");
        row->patientName = bracketValue(text, "0010,0010");
        row->patientID = bracketValue(text, "0010,0020");
        row->birthDate = bracketValue(text, "0010,0030");
        row->sex = bracketValue(text, "0010,0040");
        row->studyInstanceUID = bracketValue(text, "0020,000d");
        row->studyID = bracketValue(text, "0020,0010");
        if (row->patientName.empty() || row->studyInstanceUID.empty()) {
            row->release();
            return;
        }
        postRow(2010, row);
    }
}
