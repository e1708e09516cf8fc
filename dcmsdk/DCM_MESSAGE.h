#pragma once

#include <cstddef>
#include <memory>

namespace dcmSDK {

class dcmReadTag;

// The record of one stored file, 6144 bytes: every field a NUL-terminated UTF-8 text in a fixed
// slot, cut to fit. Raised with event 3 by the storage node; the receiver frees it with delete.
struct DCM_MESSAGE {
    char Modality[256];
    char StudyInstanceUID[256];
    char StudyID[256];
    char StudyDate[256];
    char StudyTime[256];  // first 6 characters
    char SeriesInstanceUID[256];
    char SeriesDate[256];
    char SeriesTime[256];  // first 6 characters
    char StudyDescription[256];
    char SeriesDescription[256];
    char SOPInstanceUID[256];
    char PatientName[256];
    char PatientID[256];
    char PatientBirthDate[256];
    char PatientSex[256];  // "F", "M" or "U"
    char InstanceNumber[256];
    char FileName[1024];      // name inside the series folder
    char SeriesFolder[1024];  // relative to the storage root, ending in "/"

    // All fields empty.
    DCM_MESSAGE();

    // Takes over the record that a kEventFileStored event hands to the message routine in place
    // of its text; null for null.
    static std::unique_ptr<DCM_MESSAGE> adoptEventRecord(const char* eventText);
    // The record as the text of a kEventFileStored event; the receiver adopts it.
    const char* asEventText() const;

    // Copies text into a slot, cut at a character boundary so that it ends with a zero byte.
    static void setText(char* slot, std::size_t capacity, const char* text);
    // Fills the tag fields from an open tag reader, with the defaults of a missing value
    // ("unknownStudy", "unknownSeries", "unknownImageUID", "ANONYMOUS", "EmptyID", sex "U",
    // instance number "0").
    void fillFrom(dcmReadTag& tags);
};

}  // namespace dcmSDK
