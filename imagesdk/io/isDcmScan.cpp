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
#include "imagesdk/io/SeriesFolderFiles.h"
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

template <std::size_t N>
void readRecordText(dcmSDK::dcmReader& reader, DicomTag tag, char (&field)[N]) {
    std::string text;
    readTagText(reader, tag, text);
    setRecordText(field, text);
}

// The cache record's unknown values are zeros, and only position and orientation decide its
// geometry (see DicomHeaderRules).
const DicomHeaderRules kScanRules = {0, 0.0f, kZeroDateTime, false, true};

}  // namespace

bool isDcmScan::createBuffer(std::string folder) {
    stopped = false;
    folder = cocos2d::withTrailingSlash(folder);
    const std::string path = getFolderPrebinPath(folder);
    cocos2d::log("create buffer:%s", path.c_str());

    std::vector<std::string> all;
    NSUI::listFiles(folder, all, true, true);
    std::vector<std::string> listed;
    listed.reserve(all.size());
    for (std::string& file : all) {
        if (!isSeriesCompanionFile(file.substr(file.find_last_of('/') + 1))) {
            listed.push_back(std::move(file));
        }
    }
    if (listed.empty()) {
        return true;
    }
    if (stopRequested()) {
        stopped = true;
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
    if (!scan(folder, files) && !stopped) {
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
        argument.stop = stop ? &stop : nullptr;
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
    stopped = false;
    for (isDcmScan_scan& argument : arguments) {
        for (auto& record : argument.results) {
            records.push_back(record.get());
        }
        forceSeries = forceSeries || argument.forceSeries;
        stopped = stopped || argument.stopped;
    }
    if (stopped || records.empty()) {
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
        if (argument->stop && (*argument->stop)()) {
            argument->stopped = true;
            return;
        }
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
    DicomHeader header;
    if (!readDicomHeader(reader, kScanRules, header)) {
        return false;
    }
    record.modality = header.modality;
    record.orientationCode = header.orientationCode;
    record.headFeetCode = header.headFeetCode;
    record.geometryValid = header.geometryValid ? 1 : 0;
    // A file that cannot be placed cannot be part of a volume.
    if (!header.geometryValid) {
        forceSeries = true;
    }
    matrixToRows(header.matrix, record.matrixRows);
    record.width = header.width;
    record.height = header.height;
    record.frames = static_cast<std::int16_t>(header.frames);
    if (header.frames > 1) {
        forceSeries = true;
    }
    record.spacingX = header.spacingX;
    record.spacingY = header.spacingY;
    if (!header.sex.empty()) {
        record.sex = header.sex == "F" ? 'F' : header.sex == "M" ? 'M' : 'U';
    }
    record.patientWeight = header.patientWeight;
    record.patientSize = header.patientSize;
    setRecordText(record.scanOptions, header.scanOptions);
    record.triggerTime = header.triggerTime;
    record.rrIntervals = header.rrIntervals;
    record.timeSlots = header.timeSlots;
    record.slicesPerPhase = header.slicesPerPhase;
    record.timeSlices = header.timeSlices;
    record.bitsAllocated = header.bitsAllocated;
    record.rescaleIntercept = header.rescaleIntercept;
    record.rescaleSlope = header.rescaleSlope;
    record.signCode = header.signCode;
    record.windowCentre = header.windowCentre;
    record.windowWidth = header.windowWidth;
    if (header.modality == 1) {
        record.decayFactor = header.decayFactor;
        record.decayCorrection = header.decayCorrection;
        record.totalDose = header.totalDose;
        record.suvFactor = header.suvFactor;
        record.halfLife = header.halfLife;
        record.units = header.units;
        record.acquired = header.acquired;
        record.injected = header.injected;
        record.decayValid = header.decayValid ? 1 : 0;
    }

    std::string text;
    readRecordText(reader, dicomTags::InstitutionName, record.institutionName);
    readRecordText(reader, dicomTags::SeriesDescription, record.seriesDescription);
    if (readTagText(reader, dicomTags::SeriesDate, text) && text.size() == 8) {
        parseDicomDate(text, record.seriesDateTime);
    }
    if (readTagText(reader, dicomTags::SeriesTime, text) && text.size() > 5) {
        parseDicomTime(text, record.seriesDateTime);
    }
    readRecordText(reader, dicomTags::PatientName, record.patientName);
    readRecordText(reader, dicomTags::PatientID, record.patientID);
    readRecordText(reader, dicomTags::PatientAge, record.patientAge);
    readRecordText(reader, dicomTags::StudyID, record.studyID);
    readRecordText(reader, dicomTags::SeriesNumber, record.seriesNumber);
    if (readTagText(reader, dicomTags::InstanceNumber, text)) {
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
