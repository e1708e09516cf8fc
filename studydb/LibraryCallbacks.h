#pragma once

#include "engine/base/Ref.h"

#include <string>

// A series answer of a remote query (NOTIFY_FIND_SERIES_ROW).
class findSeriesRow : public cocos2d::Ref {
public:
    std::string dateTime;
    std::string modality;
    std::string seriesDescription;
    std::string studyInstanceUID;
    std::string seriesInstanceUID;
    std::string seriesNumber;
    std::string instanceCount;
};

// A patient-level study answer of a remote query (NOTIFY_FIND_PATIENT_ROW).
class findPatientRow : public cocos2d::Ref {
public:
    std::string dateTime;
    std::string institution;
    std::string studyDescription;
    std::string patientName;
    std::string patientID;
    std::string birthDate;
    std::string sex;
    std::string studyInstanceUID;
    std::string studyID;
};

// The five routines the application hands to the DICOM library at start-up. The library may call
// them on its own threads: they only log, convert, read, write or queue notifications.
void onDcmLog(const char* text);
// Maps one library event to one notification (the table kEventRoutes).
void onDcmMessage(unsigned int type, const char* text);
void onDcmGb2Utf8(const char* source, char* target, int size);
char* onDcmReadFile(const char* path, int& size, bool text);
bool onDcmSavePng(int width, int height, const unsigned char* pixels, const char* path);

// Registers the five routines with the library.
void registerDcmCallbacks();

// Turns a query answer into a series row (NOTIFY_FIND_SERIES_ROW) or a patient row
// (NOTIFY_FIND_PATIENT_ROW), posted one per tick with the row as the data's object: the data
// owns it.
void parseFindResult(const std::string& text);
