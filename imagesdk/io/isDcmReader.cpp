#include "imagesdk/io/isDcmReader.h"

#include <cstdint>
#include <new>
#include <utility>

#include "dcmsdk/dcmReader.h"
#include "imagesdk/io/DcmTagRules.h"

namespace isImageSDK {

namespace {

// A file's unknown values are the slice record's own, and a file that cannot say how the patient
// lay loses its geometry (see DicomHeaderRules).
const DicomHeaderRules kSingleFileRules = {7, -1.0f, DicomDateTime(), true, false};

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
    DicomHeader header;
    if (!readDicomHeader(reader, kSingleFileRules, header)) {
        return;
    }
    isSliceInfo slice;
    slice.path = fileName;
    slice.modality = header.modality;
    slice.orientationCode = header.orientationCode;
    slice.headFeetCode = header.headFeetCode;
    slice.geometryValid = header.geometryValid;
    slice.matrix = header.matrix;
    slice.width = header.width;
    slice.height = header.height;
    slice.frames = static_cast<std::int16_t>(header.frames);
    slice.hasPixelSpacing = header.hasPixelSpacing;
    slice.pixelSpacingX = header.spacingX;
    slice.pixelSpacingY = header.spacingY;
    slice.sex = static_cast<std::int16_t>(sexCode(header.sex));
    slice.patientWeight = header.patientWeight;
    slice.patientSize = header.patientSize;
    slice.scanOptions = header.scanOptions.substr(0, 9);
    slice.triggerTime = header.triggerTime;
    slice.rescaleIntercept = header.rescaleIntercept;
    slice.rescaleSlope = header.rescaleSlope;
    slice.signCode = header.signCode;
    slice.windowCentre = header.windowCentre;
    slice.windowWidth = header.windowWidth;
    if (header.modality == 1) {
        slice.decayFactor = header.decayFactor;
        slice.decayCorrection = header.decayCorrection;
        slice.totalDose = header.totalDose;
        slice.suvFactor = header.suvFactor;
        slice.halfLife = header.halfLife;
        slice.units = header.units;
        slice.acquired = header.acquired;
        slice.injected = header.injected;
        slice.decayValid = header.decayValid;
    }

    dcmSDK::dcmReader::PixelType libraryType = dcmSDK::dcmReader::PIXEL_UINT8;
    int count = 0;
    const char* pixels = reader.readDicomPixelPointer(libraryType, count);
    // The conversion reads exactly frames x rows x columns samples of the library's buffer.
    const std::int64_t expected =
        static_cast<std::int64_t>(header.frames) * header.width * header.height;
    if (!pixels || count <= 0 || count != expected) {
        return;
    }
    slice.pixelType = choosePixelType(header.bitsAllocated, libraryType, slice.modality,
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
