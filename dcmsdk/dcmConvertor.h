#pragma once

namespace dcmSDK {

// Writes pixel memory as a new Secondary Capture DICOM file that belongs to the patient and study
// of a source file.
class dcmConvertor {
public:
    // The conversion record, 3264 bytes, zero-filled by the caller; texts are NUL-terminated.
    struct PIXEL_Mem_ConvertorData {
        char outputPath[1024];  // never overwritten: an existing file makes the conversion fail
        const void* pixels;     // rows x columns samples, rows top first (see highBit)
        // 1: the image is one slice of a new series named by seriesText and seriesText2, so that
        // slices converted with the same texts share one series UID; 0: a series of its own.
        unsigned char sameSeries;
        char sourcePath[1024];  // the patient and study attributes are copied from this file
        char seriesText[256];
        char seriesText2[256];
        char instanceText[256];    // the caller's own; not written
        char instanceNumber[100];  // written when it is an integer
        char seriesDescription[100];
        char seriesNumber[100];  // written when it is an integer
        char date[30];           // YYYYMMDD
        char time[33];           // hhmmss
        int rows;
        int columns;
        float windowWidth;
        float windowCentre;
        float spacingX;  // between columns
        float spacingY;  // between rows
        float origin[3];
        float rowDirection[3];
        float columnDirection[3];
        // High bit of a sample: 15 for 16-bit grey samples, 7 for 8-bit RGB triplets.
        int highBit;
        float rescaleSlope;
        float rescaleIntercept;
        int isSigned;  // 16-bit grey samples are signed
    };

    static const int kGrey16 = 15;
    static const int kRgb8 = 7;

    // True when the new file was written.
    bool convert(const PIXEL_Mem_ConvertorData* data);
};

typedef dcmConvertor::PIXEL_Mem_ConvertorData PIXEL_Mem_ConvertorData;

}  // namespace dcmSDK
