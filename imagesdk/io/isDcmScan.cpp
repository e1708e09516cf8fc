#include "imagesdk/io/isDcmScan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>

#include "dcmsdk/dcmReader.h"
#include "engine/base/Utils.h"
#include "engine/math/Vec3.h"
#include "engine/platform/FileUtils.h"
#include "imagesdk/data/isGeometry.h"
#include "imagesdk/io/DcmTagRules.h"
#include "imagesdk/io/FolderBuffer.h"
#include "imagesdk/io/PrebinFile.h"
#include "toolkit/core/FileRoutines.h"
#include "toolkit/core/NSNotificationCenter.h"

namespace isImageSDK {

namespace {

// Folders up to this many files are read on the calling thread.
constexpr size_t kThreadedScanMinimum = 51;
constexpr int kScanThreads = 4;

constexpr float kSpacingTolerance = 0.001f;
constexpr float kDirectionTolerance = 0.0001f;
constexpr float kPositionTolerance = 0.01f;
constexpr double kStepTolerance = 0.01;
// Above this angle between the last normal and the stacking direction the order is reversed.
constexpr double kReverseAngle = 1.0;

void postProgress(int value) {
    NSUI::NSNotificationCenter::getInstance()->postInt(nullptr, NSUI::NOTIFY_ACTIVITY_PROGRESS,
                                                       value, nullptr, true);
}

// Stored matrices hold row direction, column direction, normal and position as columns.
cocos2d::Vec3 columnOf(const DcmFileRecord& record, int column) {
    return {record.matrixRows[column], record.matrixRows[4 + column],
            record.matrixRows[8 + column]};
}
cocos2d::Vec3 positionOf(const DcmFileRecord& record) {
    return columnOf(record, 3);
}
cocos2d::Vec3 normalOf(const DcmFileRecord& record) {
    return columnOf(record, 2);
}

bool sameShape(const DcmFileRecord& first, const DcmFileRecord& other) {
    if (other.width != first.width || other.height != first.height ||
        other.orientationCode != first.orientationCode ||
        other.headFeetCode != first.headFeetCode || other.modality != first.modality ||
        other.pixelType != first.pixelType) {
        return false;
    }
    if (std::fabs(other.spacingX - first.spacingX) > kSpacingTolerance ||
        std::fabs(other.spacingY - first.spacingY) > kSpacingTolerance) {
        return false;
    }
    for (int column = 0; column < 3; ++column) {
        for (int row = 0; row < 3; ++row) {
            const int i = row * 4 + column;
            if (std::fabs(other.matrixRows[i] - first.matrixRows[i]) > kDirectionTolerance) {
                return false;
            }
        }
    }
    return pointLineDistance(positionOf(other), positionOf(first), normalOf(first)) <=
           kPositionTolerance;
}

// Steps along the first normal, signed, so that a stack that turns back on itself (two phases
// at the same places, say) is not taken for an evenly spaced one.
bool evenlyStacked(const std::vector<DcmFileInfo*>& records) {
    cocos2d::Vec3 normal = normalOf(records[0]->file);
    const double length = normal.length();
    if (length == 0.0) {
        return false;
    }
    auto step = [&](size_t i) {
        const cocos2d::Vec3 delta = positionOf(records[i + 1]->file) - positionOf(records[i]->file);
        return double(delta.dot(normal)) / length;
    };
    const double first = step(0);
    if (first == 0.0) {
        return false;
    }
    for (size_t i = 1; i + 1 < records.size(); ++i) {
        const double next = step(i);
        if ((next > 0.0) != (first > 0.0) || std::fabs(next - first) > kStepTolerance) {
            return false;
        }
    }
    return true;
}

// Radians between two vectors; the cosine is clamped so rounding cannot leave acos's domain.
double angleBetween(const cocos2d::Vec3& a, const cocos2d::Vec3& b) {
    const double la = a.length();
    const double lb = b.length();
    if (la == 0.0 || lb == 0.0) {
        return 0.0;
    }
    const double cosine = double(a.dot(b)) / (la * lb);
    return std::acos(std::max(-1.0, std::min(1.0, cosine)));
}

bool readText(dcmSDK::dcmReader& reader, unsigned short group, unsigned short element,
              std::string& text) {
    char buffer[kTagTextSize];
    if (!reader.readDicomTagString(group, element, buffer, kTagTextSize)) {
        text.clear();
        return false;
    }
    text = buffer;
    return true;
}

bool readReal(dcmSDK::dcmReader& reader, unsigned short group, unsigned short element,
              float& value) {
    std::string text;
    if (!readText(reader, group, element, text)) {
        return false;
    }
    value = static_cast<float>(textToReal(text));
    return true;
}

std::int16_t readShort(dcmSDK::dcmReader& reader, unsigned short group, unsigned short element) {
    unsigned short value = 0;
    return reader.readDicomTagUint16(group, element, value) ? static_cast<std::int16_t>(value) : 0;
}

template <std::size_t N>
void readRecordText(dcmSDK::dcmReader& reader, unsigned short group, unsigned short element,
                    char (&field)[N]) {
    std::string text;
    readText(reader, group, element, text);
    setRecordText(field, text);
}

}  // namespace

bool isDcmScan::createBuffer(std::string folder) {
    folder = cocos2d::withTrailingSlash(folder);
    const std::string path = getFolderPrebinPath(folder);
    cocos2d::log("create buffer:%s", path.c_str());

    std::vector<std::string> listed;
    NSUI::listFiles(folder, listed, true, true);
    if (listed.empty()) {
        return true;
    }
    postProgress(2);
    // Equal values are posted once: a thousand files need not become a thousand label updates.
    int last = 2;
    std::vector<std::string> files;
    files.reserve(listed.size());
    const size_t count = listed.size();
    for (size_t t = 0; t < count; ++t) {
        const int value = static_cast<int>(2.0 + 10.0 * double(t) / double(count));
        if (value != last) {
            postProgress(value);
            last = value;
        }
        files.push_back(listed[t].substr(folder.size()));
    }
    if (!scan(folder, files)) {
        std::remove(path.c_str());
    }
    return true;
}

bool isDcmScan::scan(const std::string& folder, const std::vector<std::string>& files) {
    std::recursive_mutex mutex;
    int started = 0;
    int lastProgress = -1;
    const int threads = files.size() < kThreadedScanMinimum ? 1 : kScanThreads;
    std::vector<isDcmScan_scan> arguments(static_cast<size_t>(threads));
    for (isDcmScan_scan& argument : arguments) {
        argument.folder = folder;
        argument.mutex = &mutex;
        argument.started = &started;
        argument.total = static_cast<int>(files.size());
        argument.lastProgress = &lastProgress;
    }
    for (size_t j = 0; j < files.size(); ++j) {
        arguments[j % arguments.size()].files.push_back(files[j]);
    }
    if (threads == 1) {
        scanFile(&arguments[0]);
    } else {
        std::vector<std::thread> workers;
        for (isDcmScan_scan& argument : arguments) {
            workers.emplace_back(&isDcmScan::scanFile, &argument);
        }
        for (std::thread& worker : workers) {
            worker.join();
        }
    }

    std::vector<DcmFileInfo*> records;
    bool forceSeries = false;
    for (isDcmScan_scan& argument : arguments) {
        for (auto& record : argument.results) {
            records.push_back(record.get());
        }
        forceSeries = forceSeries || argument.forceSeries;
    }
    if (records.empty()) {
        return false;
    }
    const std::string path = getFolderPrebinPath(folder);
    if (forceSeries || records.size() == 1) {
        return writeSeriesBuffer(path, records);
    }
    return arrangeVolume(records) ? writeVolumeBuffer(path, records)
                                  : writeSeriesBuffer(path, records);
}

bool isDcmScan::arrangeVolume(std::vector<DcmFileInfo*>& records) {
    postProgress(94);
    bool volume = !records.empty();
    for (size_t i = 1; volume && i < records.size(); ++i) {
        volume = sameShape(records[0]->file, records[i]->file);
    }
    postProgress(97);
    std::stable_sort(records.begin(), records.end(),
                     [](const DcmFileInfo* a, const DcmFileInfo* b) {
                         return a->file.instanceNumber < b->file.instanceNumber;
                     });
    volume = volume && records.size() > 1 && evenlyStacked(records);
    postProgress(99);
    if (!volume) {
        return false;
    }
    const cocos2d::Vec3 direction =
        positionOf(records.back()->file) - positionOf(records.front()->file);
    if (angleBetween(normalOf(records.back()->file), direction) > kReverseAngle) {
        std::reverse(records.begin(), records.end());
    }
    return true;
}

void isDcmScan::scanFile(isDcmScan_scan* argument) {
    dcmSDK::dcmReader reader;
    for (const std::string& name : argument->files) {
        {
            std::lock_guard<std::recursive_mutex> guard(*argument->mutex);
            const int value = static_cast<int>(12.0 + 80.0 * double(*argument->started) /
                                                          double(argument->total));
            if (value != *argument->lastProgress) {
                postProgress(value);
                *argument->lastProgress = value;
            }
            *argument->started += 1;
        }
        const std::string path = argument->folder + name;
        if (!reader.setFile(path.c_str())) {
            continue;
        }
        auto info = std::make_unique<DcmFileInfo>();
        bool forceSeries = false;
        if (!readRecord(reader, info->file, forceSeries)) {
            continue;
        }
        info->name = name;
        info->folder = argument->folder;
        std::lock_guard<std::recursive_mutex> guard(*argument->mutex);
        argument->forceSeries = argument->forceSeries || forceSeries;
        argument->results.push_back(std::move(info));
    }
}

bool isDcmScan::readRecord(dcmSDK::dcmReader& reader, DcmFileRecord& record, bool& forceSeries) {
    dcmSDK::dcmReader::PixelType libraryType = dcmSDK::dcmReader::PIXEL_UINT8;
    if (!reader.readDicomPixelType(libraryType)) {
        return false;
    }
    std::string text;

    record.modality = readText(reader, 0x0008, 0x0060, text) ? modalityCode(text) : 0;
    const bool ctPetOrMr = record.modality == 0 || record.modality == 1 || record.modality == 3;
    int orientation = 0;
    int headFeet = 0;
    if (readText(reader, 0x0018, 0x5100, text)) {
        if (!patientPositionCodes(text, orientation, headFeet)) {
            orientation = 0;
            headFeet = 2;
        }
    } else if (ctPetOrMr) {
        headFeet = 2;
    }
    record.orientationCode = orientation;
    record.headFeetCode = headFeet;
    record.geometryValid = 1;

    double position[3] = {0.0, 0.0, 0.0};
    double row[3] = {1.0, 0.0, 0.0};
    double column[3] = {0.0, 1.0, 0.0};
    readText(reader, 0x0020, 0x0032, text);
    const std::vector<double> positionValues = splitDecimals(text);
    if (positionValues.size() == 3) {
        std::copy(positionValues.begin(), positionValues.end(), position);
    } else {
        record.geometryValid = 0;
        forceSeries = true;
    }
    readText(reader, 0x0020, 0x0037, text);
    const std::vector<double> orientationValues = splitDecimals(text);
    if (orientationValues.size() == 6) {
        std::copy(orientationValues.begin(), orientationValues.begin() + 3, row);
        std::copy(orientationValues.begin() + 3, orientationValues.end(), column);
    } else {
        record.geometryValid = 0;
        forceSeries = true;
    }
    matrixToRows(sliceFrameMatrix(row, column, position, orientation, headFeet), record.matrixRows);

    unsigned short columns = 0;
    unsigned short rows = 0;
    if (!reader.readDicomTagUint16(0x0028, 0x0011, columns) ||
        !reader.readDicomTagUint16(0x0028, 0x0010, rows)) {
        return false;
    }
    record.width = columns;
    record.height = rows;

    int frames = 1;
    if (readText(reader, 0x0028, 0x0008, text) && !framesFromText(text, frames)) {
        return false;
    }
    record.frames = static_cast<std::int16_t>(frames);
    if (frames > 1) {
        forceSeries = true;
    }

    record.spacingX = 1.0f;
    record.spacingY = 1.0f;
    if (readText(reader, 0x0028, 0x0030, text)) {
        const std::vector<double> spacing = splitDecimals(text);
        if (spacing.size() == 2) {
            record.spacingX = static_cast<float>(spacing[1]);
            record.spacingY = static_cast<float>(spacing[0]);
        }
    }

    if (readText(reader, 0x0010, 0x0040, text)) {
        record.sex = text == "F" ? 'F' : text == "M" ? 'M' : 'U';
    }
    readReal(reader, 0x0010, 0x1030, record.patientWeight);
    readReal(reader, 0x0010, 0x1020, record.patientSize);
    readRecordText(reader, 0x0018, 0x0022, record.scanOptions);
    record.triggerTime = readShort(reader, 0x0018, 0x1060);
    record.rrIntervals = readShort(reader, 0x0054, 0x0061);
    record.timeSlots = readShort(reader, 0x0054, 0x0071);
    record.slicesPerPhase = readShort(reader, 0x0054, 0x0081);
    record.timeSlices = readShort(reader, 0x0054, 0x0101);

    unsigned short bitsAllocated = 8;
    reader.readDicomTagUint16(0x0028, 0x0100, bitsAllocated);
    record.bitsAllocated = bitsAllocated;
    record.rescaleIntercept = 0.0f;
    record.rescaleSlope = 1.0f;
    readReal(reader, 0x0028, 0x1052, record.rescaleIntercept);
    readReal(reader, 0x0028, 0x1053, record.rescaleSlope);
    unsigned short representation = 0;
    reader.readDicomTagUint16(0x0028, 0x0103, representation);
    record.signCode = representation > 0 ? 1 : 0;
    if (readText(reader, 0x0028, 0x0004, text) && text == "MONOCHROME1") {
        record.signCode += 2;
    }
    const bool pet = record.modality == 1;
    record.windowCentre = pet ? 10000.0f : 128.0f;
    record.windowWidth = pet ? 20000.0f : 255.0f;
    readReal(reader, 0x0028, 0x1050, record.windowCentre);
    readReal(reader, 0x0028, 0x1051, record.windowWidth);

    if (pet) {
        readReal(reader, 0x0054, 0x1321, record.decayFactor);
        record.decayCorrection =
            readText(reader, 0x0054, 0x1102, text) ? decayCorrectionCode(text) : 4;
        readReal(reader, 0x0018, 0x1074, record.totalDose);
        readReal(reader, 0x7053, 0x1000, record.suvFactor);
        readReal(reader, 0x0018, 0x1075, record.halfLife);
        record.units = readText(reader, 0x0054, 0x1001, text) ? unitsCode(text) : 3;
        bool valid = false;
        readPetDates(reader, record.acquired, record.injected, valid);
        record.decayValid = valid ? 1 : 0;
    }

    readRecordText(reader, 0x0008, 0x0080, record.institutionName);
    readRecordText(reader, 0x0008, 0x103E, record.seriesDescription);
    if (readText(reader, 0x0008, 0x0021, text) && text.size() == 8) {
        parseDicomDate(text, record.seriesDateTime);
    }
    if (readText(reader, 0x0008, 0x0031, text) && text.size() > 5) {
        parseDicomTime(text, record.seriesDateTime);
    }
    readRecordText(reader, 0x0010, 0x0010, record.patientName);
    readRecordText(reader, 0x0010, 0x0020, record.patientID);
    readRecordText(reader, 0x0010, 0x1010, record.patientAge);
    readRecordText(reader, 0x0020, 0x0010, record.studyID);
    readRecordText(reader, 0x0020, 0x0011, record.seriesNumber);
    if (readText(reader, 0x0020, 0x0013, text)) {
        record.instanceNumber = static_cast<std::int16_t>(textToInt(text));
    } else {
        forceSeries = true;
    }

    record.pixelType =
        choosePixelType(record.bitsAllocated, libraryType, record.modality, record.rescaleSlope,
                        record.rescaleIntercept, record.signCode);
    return record.pixelType >= 0;
}

bool isDcmScan::writeSeriesBuffer(const std::string& path,
                                  const std::vector<DcmFileInfo*>& records) {
    return PrebinFile::writeSeriesBuffer(path, records);
}

bool isDcmScan::writeVolumeBuffer(const std::string& path,
                                  const std::vector<DcmFileInfo*>& records) {
    return PrebinFile::writeVolumeBuffer(path, records);
}

}  // namespace isImageSDK
