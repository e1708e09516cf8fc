#include "imagesdk/io/isDcmReader.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

#include "dcmsdk/dcmReader.h"
#include "imagesdk/io/DcmTagRules.h"

namespace isImageSDK {

namespace {

bool readText(dcmSDK::dcmReader& reader, unsigned short group, unsigned short element,
              std::string& text) {
    char buffer[kTagTextSize];
    if (!reader.readDicomTagString(group, element, buffer, kTagTextSize)) {
        return false;
    }
    text = buffer;
    return true;
}

// The real value of a tag, or fallback when it is absent.
float readReal(dcmSDK::dcmReader& reader, unsigned short group, unsigned short element,
               float fallback) {
    std::string text;
    return readText(reader, group, element, text) ? static_cast<float>(textToReal(text)) : fallback;
}

}  // namespace

isDcmReader* isDcmReader::create() {
    auto* reader = new (std::nothrow) isDcmReader();
    if (reader && !reader->init()) {
        delete reader;
        return nullptr;
    }
    return reader;
}

isDcmReader::~isDcmReader() = default;

bool isDcmReader::init() {
    isImageFilter::init();
    fileName.clear();
    return true;
}

void isDcmReader::setFileName(std::string path) {
    fileName = std::move(path);
    dataModified = true;
    informationModified = true;
}

void isDcmReader::updateOutput(isImageData*, isImageData*) {}

void isDcmReader::execute() {
    if (!dataModified && !(input && input->isDataModified())) {
        return;
    }
    isFilterObject::execute();
    isImageData* data = outputData;
    if (!data) {
        return;
    }
    data->releaseVoxels();
    data->resetGeometry();
    dcmSDK::dcmReader reader;
    if (reader.setFile(fileName.c_str())) {
        readSlice(reader, data);
    }
}

void isDcmReader::readSlice(dcmSDK::dcmReader& reader, isImageData* data) {
    isSliceInfo slice;
    slice.path = fileName;
    slice.geometryValid = true;
    std::string text;

    slice.modality = readText(reader, 0x0008, 0x0060, text) ? modalityCode(text) : 7;
    const bool pet = slice.modality == 1;

    int orientation = 0;
    int headFeet = 2;
    if (readText(reader, 0x0018, 0x5100, text)) {
        if (!patientPositionCodes(text, orientation, headFeet)) {
            slice.geometryValid = false;
        }
    } else if (slice.modality != 0 && slice.modality != 1 && slice.modality != 3) {
        headFeet = 0;
        slice.geometryValid = false;
    }
    slice.orientationCode = orientation;
    slice.headFeetCode = headFeet;

    double position[3] = {0.0, 0.0, 0.0};
    std::vector<double> values;
    if (readText(reader, 0x0020, 0x0032, text) && (values = splitDecimals(text)).size() == 3) {
        std::copy(values.begin(), values.end(), position);
    } else {
        slice.geometryValid = false;
    }
    double row[3] = {1.0, 0.0, 0.0};
    double column[3] = {0.0, 1.0, 0.0};
    if (readText(reader, 0x0020, 0x0037, text) && (values = splitDecimals(text)).size() == 6) {
        std::copy(values.begin(), values.begin() + 3, row);
        std::copy(values.begin() + 3, values.end(), column);
    } else {
        slice.geometryValid = false;
    }

    unsigned short columns = 0;
    unsigned short rows = 0;
    if (!reader.readDicomTagUint16(0x0028, 0x0011, columns) ||
        !reader.readDicomTagUint16(0x0028, 0x0010, rows)) {
        return;
    }
    slice.width = columns;
    slice.height = rows;

    int frames = 1;
    if (readText(reader, 0x0028, 0x0008, text) && !framesFromText(text, frames)) {
        return;
    }
    slice.frames = static_cast<std::int16_t>(frames);

    if (readText(reader, 0x0028, 0x0030, text)) {
        values = splitDecimals(text);
        if (values.size() == 2) {
            slice.pixelSpacingX = static_cast<float>(values[1]);
            slice.pixelSpacingY = static_cast<float>(values[0]);
        }
    } else {
        slice.hasPixelSpacing = false;
    }

    slice.sex =
        static_cast<std::int16_t>(readText(reader, 0x0010, 0x0040, text) ? sexCode(text) : 3);
    slice.patientWeight = readReal(reader, 0x0010, 0x1030, slice.patientWeight);
    slice.patientSize = readReal(reader, 0x0010, 0x1020, slice.patientSize);
    if (slice.modality == 0 && readText(reader, 0x0018, 0x0022, text)) {
        slice.scanOptions = text.substr(0, 9);
    }
    unsigned short value = 0;
    if (pet && reader.readDicomTagUint16(0x0018, 0x1060, value)) {
        slice.triggerTime = static_cast<std::int16_t>(value);
    }
    unsigned short bitsAllocated = 8;
    reader.readDicomTagUint16(0x0028, 0x0100, bitsAllocated);
    slice.rescaleIntercept = readReal(reader, 0x0028, 0x1052, 0.0f);
    slice.rescaleSlope = readReal(reader, 0x0028, 0x1053, 1.0f);
    unsigned short representation = 0;
    reader.readDicomTagUint16(0x0028, 0x0103, representation);
    slice.signCode = representation > 1 ? 1 : representation;
    if (readText(reader, 0x0028, 0x0004, text) && text == "MONOCHROME1") {
        slice.signCode += 2;
    }
    slice.windowCentre = readReal(reader, 0x0028, 0x1050, pet ? 10000.0f : 128.0f);
    slice.windowWidth = readReal(reader, 0x0028, 0x1051, pet ? 20000.0f : 255.0f);

    if (pet) {
        slice.decayFactor = readReal(reader, 0x0054, 0x1321, 0.0f);
        slice.decayCorrection =
            readText(reader, 0x0054, 0x1102, text) ? decayCorrectionCode(text) : 4;
        slice.totalDose = readReal(reader, 0x0018, 0x1074, 0.0f);
        slice.suvFactor = readReal(reader, 0x7053, 0x1000, 0.0f);
        slice.halfLife = readReal(reader, 0x0018, 0x1075, 0.0f);
        slice.units = readText(reader, 0x0054, 0x1001, text) ? unitsCode(text) : 3;
        readPetDates(reader, slice.acquired, slice.injected, slice.decayValid);
    }

    slice.matrix = sliceFrameMatrix(row, column, position, orientation, headFeet);

    dcmSDK::dcmReader::PixelType libraryType = dcmSDK::dcmReader::PIXEL_UINT8;
    int count = 0;
    const char* pixels = reader.readDicomPixelPointer(libraryType, count);
    // The conversion reads exactly frames x rows x columns samples of the library's buffer.
    const std::int64_t expected = static_cast<std::int64_t>(frames) * rows * columns;
    if (!pixels || count <= 0 || count != expected) {
        return;
    }
    slice.pixelType = choosePixelType(bitsAllocated, libraryType, slice.modality,
                                      slice.rescaleSlope, slice.rescaleIntercept, slice.signCode);
    // Each slice type reads a fixed sample width: one byte, three interleaved or two.
    const int libraryFor[] = {0, 1, 1, 1, 2};
    if (slice.pixelType < 0 || libraryFor[slice.pixelType] != libraryType) {
        return;
    }

    isSliceInfo* added = data->addSliceCopy(&slice);
    if (!added) {
        return;
    }
    added->geometryValid = slice.geometryValid;
    added->hasPixelSpacing = slice.hasPixelSpacing;
    convertPixels(pixels, static_cast<std::size_t>(count), slice.pixelType, slice.rescaleSlope,
                  slice.rescaleIntercept, slice.signCode, added->data);
    added->loaded = true;
}

}  // namespace isImageSDK
