#pragma once

#include <dcmtk/dcmdata/dcxfer.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class DcmDataset;

namespace bvtest {

// Writes synthetic DICOM files with DCMTK at test time: every attribute the readers look at can be
// chosen, and the pixels either given or generated from a repeatable pattern.
struct DicomFixture {
    enum class Pixels { U8, S8, U16, S16, RGB8 };

    std::uint16_t rows = 4;
    std::uint16_t columns = 4;
    int frames = 1;  // Number of Frames is written when above 1
    Pixels pixels = Pixels::U16;
    std::uint16_t bitsStored = 0;    // 0: as allocated
    std::uint16_t highBit = 0xFFFF;  // 0xFFFF: bits stored - 1
    bool planar = false;             // RGB planar configuration 1

    std::string modality = "CT";
    std::string patientPosition = "HFS";  // empty: not written
    std::vector<double> imagePosition = {0.0, 0.0, 0.0};
    std::vector<double> imageOrientation = {1.0, 0.0, 0.0, 0.0, 1.0, 0.0};
    std::vector<double> pixelSpacing = {1.0, 1.0};  // row spacing, column spacing; empty: absent
    double sliceThickness = 1.0;                    // 0: absent

    bool writeRescale = false;
    double rescaleSlope = 1.0;
    double rescaleIntercept = 0.0;
    bool writeWindow = false;
    double windowCentre = 128.0;
    double windowWidth = 256.0;

    // PET values; with petInSequence they go into item 0 of (0054,0016) instead of the top level.
    bool pet = false;
    bool petInSequence = true;
    std::string totalDose = "370000000";
    std::string halfLife = "6586.2";
    std::string startTime = "101500";
    std::string startDateTime = "";
    std::string units = "BQML";
    std::string decayCorrection = "START";
    std::string decayFactor = "1.02";
    std::string triggerTime;  // empty: absent

    int instanceNumber = 1;
    std::string studyInstanceUID;   // empty: generated
    std::string seriesInstanceUID;  // empty: generated
    std::string sopInstanceUID;     // empty: generated
    std::string studyID = "S1";
    std::string seriesNumber = "1";
    std::string studyDate = "20240102";
    std::string studyTime = "101010";

    std::string patientName = "Doe^John";  // raw bytes in the chosen character set
    std::string patientID = "ID0001";
    std::string specificCharacterSet;  // empty: absent

    // One value per sample (all frames, interleaved for RGB). Empty: pattern().
    std::vector<int> samples;

    E_TransferSyntax transferSyntax = EXS_LittleEndianExplicit;

    // Last word on the data set before it is written.
    std::function<void(DcmDataset&)> customise;

    // The samples written: samples when given, else a pattern that covers the type's range.
    std::vector<int> effectiveSamples() const;

    // Writes the file; false (with a test failure message in error) when DCMTK refuses.
    bool write(const std::string& path, std::string* error = nullptr) const;

    // Writes count slices along the normal, instance numbers 1..count, into folder (which must
    // exist); returns the paths.
    std::vector<std::string> writeSeries(const std::string& folder, int count,
                                         double spacing) const;
};

}  // namespace bvtest
