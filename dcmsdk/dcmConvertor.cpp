#include "dcmsdk/dcmConvertor.h"

#include "dcmsdk/DcmCallbacks.h"
#include "dcmsdk/DcmLibrary.h"
#include "dcmsdk/DcmNames.h"
#include "dcmsdk/internal/DcmFileLoader.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcuid.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace dcmSDK {

static_assert(sizeof(PIXEL_Mem_ConvertorData) == 3264, "the record is exchanged as 3264 bytes");
static_assert(offsetof(PIXEL_Mem_ConvertorData, pixels) == 1024 &&
                  offsetof(PIXEL_Mem_ConvertorData, sameSeries) == 1032 &&
                  offsetof(PIXEL_Mem_ConvertorData, sourcePath) == 1033 &&
                  offsetof(PIXEL_Mem_ConvertorData, seriesText) == 2057 &&
                  offsetof(PIXEL_Mem_ConvertorData, seriesText2) == 2313 &&
                  offsetof(PIXEL_Mem_ConvertorData, instanceText) == 2569 &&
                  offsetof(PIXEL_Mem_ConvertorData, instanceNumber) == 2825 &&
                  offsetof(PIXEL_Mem_ConvertorData, seriesDescription) == 2925 &&
                  offsetof(PIXEL_Mem_ConvertorData, seriesNumber) == 3025 &&
                  offsetof(PIXEL_Mem_ConvertorData, date) == 3125 &&
                  offsetof(PIXEL_Mem_ConvertorData, time) == 3155 &&
                  offsetof(PIXEL_Mem_ConvertorData, rows) == 3188 &&
                  offsetof(PIXEL_Mem_ConvertorData, windowWidth) == 3196 &&
                  offsetof(PIXEL_Mem_ConvertorData, spacingX) == 3204 &&
                  offsetof(PIXEL_Mem_ConvertorData, origin) == 3212 &&
                  offsetof(PIXEL_Mem_ConvertorData, rowDirection) == 3224 &&
                  offsetof(PIXEL_Mem_ConvertorData, columnDirection) == 3236 &&
                  offsetof(PIXEL_Mem_ConvertorData, highBit) == 3248 &&
                  offsetof(PIXEL_Mem_ConvertorData, rescaleSlope) == 3252 &&
                  offsetof(PIXEL_Mem_ConvertorData, rescaleIntercept) == 3256 &&
                  offsetof(PIXEL_Mem_ConvertorData, isSigned) == 3260,
              "the record's writers use fixed offsets");

namespace {

// The patient and study attributes that make the new image part of the source's study.
const DcmTagKey kCopied[] = {
    DCM_SpecificCharacterSet,
    DCM_PatientName,
    DCM_PatientID,
    DCM_PatientBirthDate,
    DCM_PatientSex,
    DCM_PatientAge,
    DCM_StudyInstanceUID,
    DCM_StudyDate,
    DCM_StudyTime,
    DCM_ReferringPhysicianName,
    DCM_StudyID,
    DCM_AccessionNumber,
    DCM_StudyDescription,
    DCM_FrameOfReferenceUID,
};
// Attributes the images of this kind must carry, even when empty.
const DcmTagKey kRequired[] = {
    DCM_PatientName,    DCM_PatientID, DCM_PatientBirthDate,       DCM_PatientSex,
    DCM_StudyDate,      DCM_StudyTime, DCM_ReferringPhysicianName, DCM_StudyID,
    DCM_AccessionNumber};

std::string field(const char* text, std::size_t size) {
    return std::string(text, strnlen(text, size));
}

bool isInteger(const std::string& text) {
    if (text.empty() || text.size() > 12) {
        return false;
    }
    std::size_t start = text[0] == '-' ? 1 : 0;
    if (start == text.size()) {
        return false;
    }
    for (std::size_t i = start; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    return true;
}

// Seven significant digits: all a float carries.
std::string decimal(float value) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.7g", static_cast<double>(value));
    return text;
}

std::string vector3(const float* values) {
    return decimal(values[0]) + "\\" + decimal(values[1]) + "\\" + decimal(values[2]);
}

void copySource(const std::string& path, DcmDataset& target) {
    DcmFileFormat source;
    if (path.empty() || DcmFileLoader::load(path, source).bad()) {
        return;
    }
    DcmDataset* dataset = source.getDataset();
    for (const DcmTagKey& key : kCopied) {
        DcmElement* element = nullptr;
        if (dataset->findAndGetElement(key, element).good() && element != nullptr) {
            target.insert(static_cast<DcmElement*>(element->clone()), true);
        }
    }
    OFString modality;
    if (dataset->findAndGetOFString(DCM_Modality, modality).good() && !modality.empty()) {
        target.putAndInsertOFStringArray(DCM_Modality, modality);
    }
}

}  // namespace

bool dcmConvertor::convert(const PIXEL_Mem_ConvertorData* data) {
    if (data == nullptr || data->pixels == nullptr || data->rows <= 0 || data->columns <= 0 ||
        data->rows > 65535 || data->columns > 65535 ||
        (data->highBit != kGrey16 && data->highBit != kRgb8)) {
        logMessage("convert: unusable conversion record");
        return false;
    }
    const std::string output = field(data->outputPath, sizeof(data->outputPath));
    if (output.empty() || access(output.c_str(), F_OK) == 0) {
        logMessage("convert: %s exists or is not named", output.c_str());
        return false;
    }
    const bool rgb = data->highBit == kRgb8;
    const unsigned long long pixelCount = static_cast<unsigned long long>(data->rows) *
                                          static_cast<unsigned long long>(data->columns);
    const unsigned long long bytes = pixelCount * (rgb ? 3ULL : 2ULL);
    if (bytes > kMaxBufferBytes) {
        logMessage("convert: image larger than the single-buffer limit");
        return false;
    }
    dcmsdk_init();
    DcmFileFormat file;
    DcmDataset& dataset = *file.getDataset();
    copySource(field(data->sourcePath, sizeof(data->sourcePath)), dataset);
    OFString study;
    if (dataset.findAndGetOFString(DCM_StudyInstanceUID, study).bad() ||
        !DcmNames::isValidUid(study.c_str())) {
        dataset.putAndInsertString(DCM_StudyInstanceUID, DcmNames::newUid().c_str());
    }
    for (const DcmTagKey& key : kRequired) {
        if (!dataset.tagExists(key)) {
            dataset.insertEmptyElement(key);
        }
    }
    if (!dataset.tagExists(DCM_Modality)) {
        dataset.putAndInsertString(DCM_Modality, "OT");
    }
    const std::string seriesUid =
        data->sameSeries != 0
            ? DcmNames::uidFromText(study.c_str() + std::string("|") +
                                    field(data->seriesText, sizeof(data->seriesText)) + "|" +
                                    field(data->seriesText2, sizeof(data->seriesText2)))
            : DcmNames::newUid();
    const std::string sopUid = DcmNames::newUid();
    const std::string date = field(data->date, sizeof(data->date));
    const std::string time = field(data->time, sizeof(data->time));
    const std::string instanceNumber = field(data->instanceNumber, sizeof(data->instanceNumber));
    const std::string seriesNumber = field(data->seriesNumber, sizeof(data->seriesNumber));
    std::string description = field(data->seriesDescription, sizeof(data->seriesDescription));
    if (description.size() > 64) {
        description.resize(64);
    }

    dataset.putAndInsertString(DCM_SOPClassUID, UID_SecondaryCaptureImageStorage);
    dataset.putAndInsertString(DCM_SOPInstanceUID, sopUid.c_str());
    dataset.putAndInsertString(DCM_SeriesInstanceUID, seriesUid.c_str());
    dataset.putAndInsertString(DCM_SeriesNumber,
                               isInteger(seriesNumber) ? seriesNumber.c_str() : "");
    dataset.putAndInsertString(DCM_SeriesDescription, description.c_str());
    dataset.putAndInsertString(DCM_ConversionType, "WSD");
    dataset.putAndInsertString(DCM_InstanceNumber,
                               isInteger(instanceNumber) ? instanceNumber.c_str() : "");
    dataset.putAndInsertString(DCM_PatientOrientation, "");
    if (!dataset.tagExists(DCM_Laterality)) {
        dataset.insertEmptyElement(DCM_Laterality);
    }
    if (date.size() == 8) {
        dataset.putAndInsertString(DCM_ContentDate, date.c_str());
        dataset.putAndInsertString(DCM_DateOfSecondaryCapture, date.c_str());
    }
    if (time.size() == 6) {
        dataset.putAndInsertString(DCM_ContentTime, time.c_str());
        dataset.putAndInsertString(DCM_TimeOfSecondaryCapture, time.c_str());
    }
    if (data->spacingX > 0.0f && data->spacingY > 0.0f) {
        const std::string spacing = decimal(data->spacingY) + "\\" + decimal(data->spacingX);
        dataset.putAndInsertString(DCM_PixelSpacing, spacing.c_str());
    }
    dataset.putAndInsertString(DCM_ImagePositionPatient, vector3(data->origin).c_str());
    dataset.putAndInsertString(
        DCM_ImageOrientationPatient,
        (vector3(data->rowDirection) + "\\" + vector3(data->columnDirection)).c_str());

    dataset.putAndInsertUint16(DCM_Rows, static_cast<Uint16>(data->rows));
    dataset.putAndInsertUint16(DCM_Columns, static_cast<Uint16>(data->columns));
    if (rgb) {
        dataset.putAndInsertUint16(DCM_SamplesPerPixel, 3);
        dataset.putAndInsertString(DCM_PhotometricInterpretation, "RGB");
        dataset.putAndInsertUint16(DCM_PlanarConfiguration, 0);
        dataset.putAndInsertUint16(DCM_BitsAllocated, 8);
        dataset.putAndInsertUint16(DCM_BitsStored, 8);
        dataset.putAndInsertUint16(DCM_HighBit, 7);
        dataset.putAndInsertUint16(DCM_PixelRepresentation, 0);
        dataset.putAndInsertUint8Array(DCM_PixelData, static_cast<const Uint8*>(data->pixels),
                                       static_cast<unsigned long>(bytes));
    } else {
        dataset.putAndInsertUint16(DCM_SamplesPerPixel, 1);
        dataset.putAndInsertString(DCM_PhotometricInterpretation, "MONOCHROME2");
        dataset.putAndInsertUint16(DCM_BitsAllocated, 16);
        dataset.putAndInsertUint16(DCM_BitsStored, 16);
        dataset.putAndInsertUint16(DCM_HighBit, 15);
        dataset.putAndInsertUint16(DCM_PixelRepresentation, data->isSigned != 0 ? 1 : 0);
        dataset.putAndInsertUint16Array(DCM_PixelData, static_cast<const Uint16*>(data->pixels),
                                        static_cast<unsigned long>(pixelCount));
        const float slope = data->rescaleSlope != 0.0f ? data->rescaleSlope : 1.0f;
        dataset.putAndInsertString(DCM_RescaleIntercept, decimal(data->rescaleIntercept).c_str());
        dataset.putAndInsertString(DCM_RescaleSlope, decimal(slope).c_str());
        dataset.putAndInsertString(DCM_RescaleType, "US");
        if (data->windowWidth >= 1.0f) {
            dataset.putAndInsertString(DCM_WindowCenter, decimal(data->windowCentre).c_str());
            dataset.putAndInsertString(DCM_WindowWidth, decimal(data->windowWidth).c_str());
        }
    }

    // Written beside the target and then linked to its name, which fails rather than replace a
    // file that appeared meanwhile.
    const std::string partial = output + ".part" + std::to_string(getpid()) + "-" +
                                std::to_string(reinterpret_cast<std::uintptr_t>(data));
    const OFCondition status = file.saveFile(OFFilename(partial.c_str()), EXS_LittleEndianExplicit,
                                             EET_ExplicitLength, EGL_recalcGL, EPD_withoutPadding);
    if (status.bad()) {
        logMessage("convert: cannot write %s: %s", output.c_str(), status.text());
        unlink(partial.c_str());
        return false;
    }
    const bool linked = link(partial.c_str(), output.c_str()) == 0;
    unlink(partial.c_str());
    if (!linked) {
        logMessage("convert: %s exists or cannot be created", output.c_str());
    }
    return linked;
}

}  // namespace dcmSDK
