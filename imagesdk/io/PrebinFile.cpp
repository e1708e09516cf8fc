#include "imagesdk/io/PrebinFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <sys/stat.h>

#include "imagesdk/io/CacheFileWriter.h"
#include "imagesdk/io/FolderBuffer.h"
#include "toolkit/core/DateTimeRoutines.h"

namespace isImageSDK {

namespace {

constexpr char kMagic[] = "ISImage.prebin";
constexpr char kVersion[] = "v3.0";
constexpr char kKindSeries[] = "series";
constexpr char kKindVolume[] = "volume";

template <typename T> void append(std::string& bytes, const T& value) {
    bytes.append(reinterpret_cast<const char*>(&value), sizeof(value));
}

DicomDateTime creationTime() {
    NSUI::DateTimeFields now;
    if (!NSUI::parseDateTime(NSUI::getCurrentDateTime(), now)) {
        return DicomDateTime{1900, 1, 1, 0, 0, 0};
    }
    return DicomDateTime{now.year, now.month, now.day, now.hour, now.minute, now.second};
}

float sliceSpacingOf(const std::vector<DcmFileInfo*>& records) {
    if (records.size() < 2) {
        return 0.0f;
    }
    double sum = 0.0;
    for (size_t i = 1; i < records.size(); ++i) {
        const float* a = records[i - 1]->file.matrixRows;
        const float* b = records[i]->file.matrixRows;
        const double dx = static_cast<double>(b[3]) - a[3];
        const double dy = static_cast<double>(b[7]) - a[7];
        const double dz = static_cast<double>(b[11]) - a[11];
        sum += std::sqrt(dx * dx + dy * dy + dz * dz);
    }
    return static_cast<float>(sum / static_cast<double>(records.size() - 1));
}

PrebinVolumeInfo volumeInfoOf(const std::vector<DcmFileInfo*>& records) {
    const DcmFileRecord& first = records.front()->file;
    PrebinVolumeInfo info;
    info.width = first.width;
    info.height = first.height;
    info.sliceCount = static_cast<std::int32_t>(records.size());
    info.spacingX = first.spacingX;
    info.spacingY = first.spacingY;
    info.sliceSpacing = sliceSpacingOf(records);
    info.orientationCode = first.orientationCode;
    info.headFeetCode = first.headFeetCode;
    std::copy(std::begin(first.matrixRows), std::end(first.matrixRows), info.matrixRows);
    info.modality = first.modality;
    std::copy(std::begin(first.institutionName), std::end(first.institutionName),
              info.institutionName);
    std::copy(std::begin(first.seriesDescription), std::end(first.seriesDescription),
              info.seriesDescription);
    info.seriesDateTime = first.seriesDateTime;
    std::copy(std::begin(first.patientName), std::end(first.patientName), info.patientName);
    std::copy(std::begin(first.patientID), std::end(first.patientID), info.patientID);
    info.sex = first.sex;
    std::copy(std::begin(first.patientAge), std::end(first.patientAge), info.patientAge);
    info.patientWeight = first.patientWeight;
    info.patientSize = first.patientSize;
    std::copy(std::begin(first.studyID), std::end(first.studyID), info.studyID);
    std::copy(std::begin(first.seriesNumber), std::end(first.seriesNumber), info.seriesNumber);
    info.pixelType = first.pixelType;
    info.windowWidth = first.windowWidth;
    info.windowCentre = first.windowCentre;
    info.extra = first.extra;
    return info;
}

PrebinSliceInfo sliceInfoOf(const DcmFileRecord& record) {
    PrebinSliceInfo slice;
    slice.instanceNumber = record.instanceNumber;
    slice.bitsAllocated = record.bitsAllocated;
    slice.rescaleIntercept = record.rescaleIntercept;
    slice.rescaleSlope = record.rescaleSlope;
    slice.signCode = record.signCode;
    slice.acquired = record.acquired;
    slice.injected = record.injected;
    slice.decayValid = record.decayValid;
    slice.halfLife = record.halfLife;
    slice.decayCorrection = record.decayCorrection;
    slice.decayFactor = record.decayFactor;
    slice.totalDose = record.totalDose;
    slice.units = record.units;
    slice.suvFactor = record.suvFactor;
    return slice;
}

bool writeBuffer(const std::string& path, const std::vector<DcmFileInfo*>& records, bool volume) {
    if (records.empty() || records.size() > static_cast<size_t>(PrebinFile::kMaxRecords)) {
        return false;
    }
    std::vector<std::string> names;
    names.reserve(records.size());
    for (const DcmFileInfo* record : records) {
        if (!record) {
            return false;
        }
        names.push_back(record->name);
    }
    const std::string namesText = PrebinFile::joinNames(names);
    if (namesText.size() > static_cast<size_t>(std::numeric_limits<std::int32_t>::max())) {
        return false;
    }

    PrebinHeader header;
    setRecordText(header.magic, kMagic);
    setRecordText(header.version, kVersion);
    header.created = creationTime();
    setRecordText(header.kind, volume ? kKindVolume : kKindSeries);
    header.setFolderHash(getFolderHash(records.front()->folder));
    header.count = static_cast<std::int16_t>(records.size());

    std::string bytes;
    append(bytes, header);
    if (volume) {
        append(bytes, volumeInfoOf(records));
        for (const DcmFileInfo* record : records) {
            append(bytes, sliceInfoOf(record->file));
        }
    } else {
        for (const DcmFileInfo* record : records) {
            append(bytes, record->file);
        }
    }
    PrebinNamesTrailer trailer;
    trailer.namesLength = static_cast<std::int32_t>(namesText.size());
    append(bytes, trailer);
    bytes += namesText;

    CacheFileWriter writer(path);
    return writer.write(bytes.data(), bytes.size()) && writer.commit();
}

// Reads exactly the bytes of one value; false on a short read.
template <typename T> bool readValue(std::FILE* file, T& value) {
    return std::fread(&value, 1, sizeof(T), file) == sizeof(T);
}

template <typename T> bool readValues(std::FILE* file, std::vector<T>& values, size_t count) {
    values.resize(count);
    return std::fread(values.data(), sizeof(T), count, file) == count;
}

PrebinReadResult readOpen(std::FILE* file, long long fileSize, const std::string& folder,
                          PrebinContents& contents) {
    PrebinHeader& header = contents.header;
    if (!readValue(file, header)) {
        return PrebinReadResult::Damaged;
    }
    if (recordText(header.magic) != kMagic || recordText(header.version) != kVersion) {
        return PrebinReadResult::NotCache;
    }
    if (std::memcmp(header.kind, kKindVolume, sizeof(kKindVolume)) == 0) {
        contents.volume = true;
    } else if (std::memcmp(header.kind, kKindSeries, sizeof(kKindSeries)) != 0) {
        return PrebinReadResult::NotCache;
    }
    if (header.folderHash() != getFolderHash(folder) || header.count < 1) {
        return PrebinReadResult::Damaged;
    }
    const size_t count = static_cast<size_t>(header.count);
    if (contents.volume) {
        if (!readValue(file, contents.volumeInfo) ||
            contents.volumeInfo.sliceCount != header.count ||
            !readValues(file, contents.slices, count)) {
            return PrebinReadResult::Damaged;
        }
    } else if (!readValues(file, contents.records, count)) {
        return PrebinReadResult::Damaged;
    }
    PrebinNamesTrailer trailer;
    if (!readValue(file, trailer) || trailer.namesLength < 1) {
        return PrebinReadResult::Damaged;
    }
    const long long position = std::ftell(file);
    // The names end the file: a record count that disagrees with the records present moves
    // the trailer and is caught here.
    if (position < 0 || trailer.namesLength != fileSize - position) {
        return PrebinReadResult::Damaged;
    }
    std::string text(static_cast<size_t>(trailer.namesLength), '\0');
    if (std::fread(&text[0], 1, text.size(), file) != text.size() ||
        text.find('\0') != std::string::npos || !PrebinFile::splitNames(text, contents.names) ||
        contents.names.size() != count) {
        return PrebinReadResult::Damaged;
    }
    return PrebinReadResult::Loaded;
}

}  // namespace

bool PrebinFile::writeSeriesBuffer(const std::string& path,
                                   const std::vector<DcmFileInfo*>& records) {
    return writeBuffer(path, records, false);
}

bool PrebinFile::writeVolumeBuffer(const std::string& path,
                                   const std::vector<DcmFileInfo*>& records) {
    return writeBuffer(path, records, true);
}

PrebinReadResult PrebinFile::read(const std::string& path, const std::string& folder,
                                  PrebinContents& contents) {
    contents = PrebinContents();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return PrebinReadResult::NoFile;
    }
    struct stat info = {};
    PrebinReadResult result = PrebinReadResult::NoFile;
    if (::fstat(fileno(file), &info) == 0) {
        result = readOpen(file, static_cast<long long>(info.st_size), folder, contents);
    }
    std::fclose(file);
    if (result != PrebinReadResult::Loaded) {
        contents = PrebinContents();
    }
    return result;
}

std::string PrebinFile::joinNames(const std::vector<std::string>& names) {
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            text += ',';
        }
        for (const char c : names[i]) {
            if (c == ',' || c == '\\') {
                text += '\\';
            }
            text += c;
        }
    }
    return text;
}

bool PrebinFile::splitNames(const std::string& text, std::vector<std::string>& names) {
    names.assign(1, std::string());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ',') {
            names.emplace_back();
        } else if (c == '\\') {
            if (++i == text.size()) {
                names.clear();
                return false;
            }
            names.back() += text[i];
        } else {
            names.back() += c;
        }
    }
    return true;
}

}  // namespace isImageSDK
