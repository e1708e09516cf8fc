#include "studydb/ReceivedFileJson.h"

#include "dcmsdk/DCM_MESSAGE.h"
#include "studydb/dicomDB.h"
#include "toolkit/core/UIJson.h"

namespace studydb {

namespace {

// The flat JSON scanner has no escapes: a double quote inside a value would end it early.
std::string jsonSafe(const std::string& value) {
    std::string safe = value;
    for (char& c : safe) {
        if (c == '"') {
            c = '\'';
        }
    }
    return safe;
}

}  // namespace

std::string ReceivedFileJson::dateTime(const std::string& date, const std::string& time) {
    if (date.size() < 8 || time.size() < 6) {
        return std::string();
    }
    return date.substr(0, 4) + "-" + date.substr(4, 2) + "-" + date.substr(6, 2) + " " +
           time.substr(0, 2) + ":" + time.substr(2, 2) + ":" + time.substr(4, 2);
}

std::string ReceivedFileJson::describe(const dcmSDK::DCM_MESSAGE& record, const recordIds& before,
                                       const recordIds& after) {
    std::string json;
    NSUI::UIJson::setString(json, "patientID", after.patientId);
    NSUI::UIJson::setString(json, "studyID", after.studyId);
    NSUI::UIJson::setString(json, "seriesID", after.seriesId);
    if (!before.patient) {
        NSUI::UIJson::setString(json, "studyIDHospital", jsonSafe(record.StudyID));
        NSUI::UIJson::setString(json, "patientIDHospital", jsonSafe(record.PatientID));
        NSUI::UIJson::setString(json, "name", jsonSafe(record.PatientName));
        NSUI::UIJson::setString(json, "sex", jsonSafe(record.PatientSex));
        NSUI::UIJson::setString(json, "birthday", jsonSafe(record.PatientBirthDate));
        NSUI::UIJson::setString(json, "updateTime", after.patientUpdateTime);
        NSUI::UIJson::setString(json, "studyDate",
                                jsonSafe(dateTime(record.StudyDate, record.StudyTime)));
        NSUI::UIJson::setString(json, "studyDesc", jsonSafe(record.StudyDescription));
    }
    NSUI::UIJson::setString(json, "studyNumber", before.study ? "0" : "1");
    NSUI::UIJson::setString(json, "seriesNumber", before.series ? "0" : "1");
    if (!before.patient) {
        NSUI::UIJson::setString(json, "dcmFolder", jsonSafe(record.SeriesFolder));
    }
    return json;
}

}  // namespace studydb
