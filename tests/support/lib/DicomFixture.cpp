#include "tests/support/lib/DicomFixture.h"

#include <dcmtk/dcmdata/dcdeftag.h>
#include <dcmtk/dcmdata/dcfilefo.h>
#include <dcmtk/dcmdata/dcitem.h>
#include <dcmtk/dcmdata/dcrleerg.h>
#include <dcmtk/dcmdata/dcrlerp.h>
#include <dcmtk/dcmdata/dcuid.h>
#include <dcmtk/dcmjpeg/djencode.h>
#include <dcmtk/dcmjpeg/djrplol.h>
#include <dcmtk/dcmjpls/djencode.h>
#include <dcmtk/dcmjpls/djrparam.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <sstream>

namespace bvtest {

namespace {

void registerEncoders() {
    static std::once_flag registered;
    std::call_once(registered, [] {
        DJEncoderRegistration::registerCodecs();
        DJLSEncoderRegistration::registerCodecs();
        DcmRLEEncoderRegistration::registerCodecs();
    });
}

std::string joinNumbers(const std::vector<double>& values) {
    std::ostringstream text;
    text.precision(10);
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            text << '\\';
        }
        text << values[i];
    }
    return text.str();
}

std::string newUID(const char* root) {
    char buffer[100];
    return dcmGenerateUniqueIdentifier(buffer, root);
}

unsigned bitsAllocatedOf(DicomFixture::Pixels pixels) {
    return pixels == DicomFixture::Pixels::U16 || pixels == DicomFixture::Pixels::S16 ? 16 : 8;
}

bool isSignedType(DicomFixture::Pixels pixels) {
    return pixels == DicomFixture::Pixels::S8 || pixels == DicomFixture::Pixels::S16;
}

}  // namespace

std::vector<int> DicomFixture::effectiveSamples() const {
    if (!samples.empty()) {
        return samples;
    }
    const unsigned allocated = bitsAllocatedOf(pixels);
    const unsigned stored = bitsStored == 0 ? allocated : bitsStored;
    const int spp = pixels == Pixels::RGB8 ? 3 : 1;
    const std::size_t count = static_cast<std::size_t>(rows) * columns * frames * spp;
    const long range = 1L << stored;
    std::vector<int> values(count);
    for (std::size_t i = 0; i < count; ++i) {
        long value = static_cast<long>((i * 1237 + 11) % static_cast<std::size_t>(range));
        if (isSignedType(pixels)) {
            value -= range / 2;
        }
        values[i] = static_cast<int>(value);
    }
    return values;
}

bool DicomFixture::write(const std::string& path, std::string* error) const {
    DcmFileFormat file;
    DcmDataset* ds = file.getDataset();
    const unsigned allocated = bitsAllocatedOf(pixels);
    const unsigned stored = bitsStored == 0 ? allocated : bitsStored;
    const unsigned high = highBit == 0xFFFF ? stored - 1 : highBit;
    const bool rgb = pixels == Pixels::RGB8;

    if (!specificCharacterSet.empty()) {
        ds->putAndInsertString(DCM_SpecificCharacterSet, specificCharacterSet.c_str());
    }
    ds->putAndInsertString(DCM_SOPClassUID,
                           rgb ? UID_SecondaryCaptureImageStorage : UID_CTImageStorage);
    ds->putAndInsertString(DCM_SOPInstanceUID, sopInstanceUID.empty()
                                                   ? newUID(SITE_INSTANCE_UID_ROOT).c_str()
                                                   : sopInstanceUID.c_str());
    ds->putAndInsertString(DCM_StudyDate, studyDate.c_str());
    ds->putAndInsertString(DCM_StudyTime, studyTime.c_str());
    ds->putAndInsertString(DCM_Modality, modality.c_str());
    ds->putAndInsertString(DCM_PatientName, patientName.c_str());
    ds->putAndInsertString(DCM_PatientID, patientID.c_str());
    if (!patientPosition.empty()) {
        ds->putAndInsertString(DCM_PatientPosition, patientPosition.c_str());
    }
    if (sliceThickness != 0.0) {
        ds->putAndInsertString(DCM_SliceThickness, joinNumbers({sliceThickness}).c_str());
    }
    ds->putAndInsertString(DCM_StudyInstanceUID, studyInstanceUID.empty()
                                                     ? newUID(SITE_STUDY_UID_ROOT).c_str()
                                                     : studyInstanceUID.c_str());
    ds->putAndInsertString(DCM_SeriesInstanceUID, seriesInstanceUID.empty()
                                                      ? newUID(SITE_SERIES_UID_ROOT).c_str()
                                                      : seriesInstanceUID.c_str());
    ds->putAndInsertString(DCM_StudyID, studyID.c_str());
    ds->putAndInsertString(DCM_SeriesNumber, seriesNumber.c_str());
    ds->putAndInsertString(DCM_InstanceNumber, std::to_string(instanceNumber).c_str());
    if (!imagePosition.empty()) {
        ds->putAndInsertString(DCM_ImagePositionPatient, joinNumbers(imagePosition).c_str());
    }
    if (!imageOrientation.empty()) {
        ds->putAndInsertString(DCM_ImageOrientationPatient, joinNumbers(imageOrientation).c_str());
    }
    if (pet) {
        DcmItem* target = ds;
        if (petInSequence) {
            ds->findOrCreateSequenceItem(DCM_RadiopharmaceuticalInformationSequence, target, 0);
        }
        target->putAndInsertString(DCM_RadionuclideTotalDose, totalDose.c_str());
        target->putAndInsertString(DCM_RadionuclideHalfLife, halfLife.c_str());
        target->putAndInsertString(DCM_RadiopharmaceuticalStartTime, startTime.c_str());
        if (!startDateTime.empty()) {
            target->putAndInsertString(DCM_RadiopharmaceuticalStartDateTime, startDateTime.c_str());
        }
        ds->putAndInsertString(DCM_Units, units.c_str());
        ds->putAndInsertString(DCM_DecayCorrection, decayCorrection.c_str());
        ds->putAndInsertString(DCM_DecayFactor, decayFactor.c_str());
    }
    if (!triggerTime.empty()) {
        ds->putAndInsertString(DCM_TriggerTime, triggerTime.c_str());
    }
    ds->putAndInsertUint16(DCM_SamplesPerPixel, rgb ? 3 : 1);
    ds->putAndInsertString(DCM_PhotometricInterpretation, rgb ? "RGB" : "MONOCHROME2");
    if (rgb) {
        ds->putAndInsertUint16(DCM_PlanarConfiguration, planar ? 1 : 0);
    }
    if (frames > 1) {
        ds->putAndInsertString(DCM_NumberOfFrames, std::to_string(frames).c_str());
    }
    ds->putAndInsertUint16(DCM_Rows, rows);
    ds->putAndInsertUint16(DCM_Columns, columns);
    if (!pixelSpacing.empty()) {
        ds->putAndInsertString(DCM_PixelSpacing, joinNumbers(pixelSpacing).c_str());
    }
    ds->putAndInsertUint16(DCM_BitsAllocated, static_cast<Uint16>(allocated));
    ds->putAndInsertUint16(DCM_BitsStored, static_cast<Uint16>(stored));
    ds->putAndInsertUint16(DCM_HighBit, static_cast<Uint16>(high));
    ds->putAndInsertUint16(DCM_PixelRepresentation, isSignedType(pixels) ? 1 : 0);
    if (writeWindow) {
        ds->putAndInsertString(DCM_WindowCenter, joinNumbers({windowCentre}).c_str());
        ds->putAndInsertString(DCM_WindowWidth, joinNumbers({windowWidth}).c_str());
    }
    if (writeRescale) {
        ds->putAndInsertString(DCM_RescaleIntercept, joinNumbers({rescaleIntercept}).c_str());
        ds->putAndInsertString(DCM_RescaleSlope, joinNumbers({rescaleSlope}).c_str());
    }

    const std::vector<int> values = effectiveSamples();
    const unsigned shift = high + 1 - stored;
    const unsigned mask = (1U << stored) - 1U;
    if (allocated == 8) {
        std::vector<Uint8> bytes(values.size());
        const std::size_t planeSize = static_cast<std::size_t>(rows) * columns;
        for (std::size_t i = 0; i < values.size(); ++i) {
            std::size_t target = i;
            if (rgb && planar) {
                const std::size_t frame = i / (planeSize * 3);
                const std::size_t within = i % (planeSize * 3);
                target = frame * planeSize * 3 + (within % 3) * planeSize + within / 3;
            }
            bytes[target] = static_cast<Uint8>((static_cast<unsigned>(values[i]) & mask) << shift);
        }
        ds->putAndInsertUint8Array(DCM_PixelData, bytes.data(),
                                   static_cast<unsigned long>(bytes.size()));
    } else {
        std::vector<Uint16> words(values.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            words[i] = static_cast<Uint16>((static_cast<unsigned>(values[i]) & mask) << shift);
        }
        ds->putAndInsertUint16Array(DCM_PixelData, words.data(),
                                    static_cast<unsigned long>(words.size()));
    }
    if (customise) {
        customise(*ds);
    }

    OFCondition status = EC_Normal;
    if (DcmXfer(transferSyntax).isEncapsulated()) {
        registerEncoders();
        std::unique_ptr<DcmRepresentationParameter> parameters;
        if (transferSyntax == EXS_JPEGProcess14SV1 || transferSyntax == EXS_JPEGProcess14) {
            parameters.reset(new DJ_RPLossless(1, 0));
        } else if (transferSyntax == EXS_JPEGLSLossless) {
            parameters.reset(new DJLSRepresentationParameter(0, OFTrue));
        } else if (transferSyntax == EXS_RLELossless) {
            parameters.reset(new DcmRLERepresentationParameter());
        }
        status = ds->chooseRepresentation(transferSyntax, parameters.get());
        if (status.good() && !ds->canWriteXfer(transferSyntax)) {
            status = EC_CannotChangeRepresentation;
        }
    }
    if (status.good()) {
        status = file.saveFile(path.c_str(), transferSyntax);
    }
    if (status.bad() && error != nullptr) {
        *error = status.text();
    }
    return status.good();
}

std::vector<std::string> DicomFixture::writeSeries(const std::string& folder, int count,
                                                   double spacing) const {
    DicomFixture slice = *this;
    if (slice.studyInstanceUID.empty()) {
        slice.studyInstanceUID = newUID(SITE_STUDY_UID_ROOT);
    }
    if (slice.seriesInstanceUID.empty()) {
        slice.seriesInstanceUID = newUID(SITE_SERIES_UID_ROOT);
    }
    const std::vector<double> origin =
        imagePosition.size() == 3 ? imagePosition : std::vector<double>{0.0, 0.0, 0.0};
    std::vector<double> normal = {0.0, 0.0, 1.0};
    if (imageOrientation.size() == 6) {
        const std::vector<double>& o = imageOrientation;
        normal = {o[1] * o[5] - o[2] * o[4], o[2] * o[3] - o[0] * o[5], o[0] * o[4] - o[1] * o[3]};
    }
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        slice.instanceNumber = i + 1;
        slice.sopInstanceUID.clear();
        slice.imagePosition = {origin[0] + normal[0] * spacing * i,
                               origin[1] + normal[1] * spacing * i,
                               origin[2] + normal[2] * spacing * i};
        char name[32];
        std::snprintf(name, sizeof(name), "IM%04d.dcm", i + 1);
        const std::string path =
            folder + (folder.empty() || folder.back() == '/' ? "" : "/") + name;
        if (slice.write(path)) {
            paths.push_back(path);
        }
    }
    return paths;
}

}  // namespace bvtest
