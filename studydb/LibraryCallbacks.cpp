#include "studydb/LibraryCallbacks.h"

#include "dcmsdk/DCM_MESSAGE.h"
#include "dcmsdk/DcmCallbacks.h"
#include "dcmsdk/DcmPngWriter.h"
#include "engine/base/RefPtr.h"
#include "engine/base/Utils.h"
#include "studydb/StoredFileRecord.h"
#include "studydb/StudyNotifications.h"
#include "toolkit/core/FileRoutines.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/core/UIJson.h"

#include <cstdlib>
#include <cstring>

namespace {

NSUI::NSNotificationCenter* centre() {
    return NSUI::NSNotificationCenter::getInstance();
}

// What a notification of a library event carries.
enum class Payload { kText, kTaskId, kTaskProgress, kImportPath };

struct EventRoute {
    dcmSDK::DcmEvent event;
    int key;
    Payload payload;
    // Delivered at the next pass, or one per pass.
    bool nextPass;
};

// Library events and the notifications they become; a stored file's record travels apart
// (StoredFileRecord).
const EventRoute kEventRoutes[] = {
    {dcmSDK::kEventSendProgress, studydb::NOTIFY_SEND_PROGRESS, Payload::kTaskProgress, true},
    {dcmSDK::kEventSendDone, studydb::NOTIFY_SEND_DONE, Payload::kTaskId, true},
    {dcmSDK::kEventSendFailed, studydb::NOTIFY_SEND_FAILED, Payload::kTaskId, true},
    {dcmSDK::kEventEchoReply, studydb::NOTIFY_ECHO_REPLY, Payload::kText, false},
    {dcmSDK::kEventFindAnswer, studydb::NOTIFY_FIND_ANSWER, Payload::kText, false},
    {dcmSDK::kEventFindFailed, studydb::NOTIFY_FIND_FAILED, Payload::kText, false},
    {dcmSDK::kEventRetrieveProgress, studydb::NOTIFY_RETRIEVE_PROGRESS, Payload::kText, true},
    {dcmSDK::kEventFileToImport, studydb::NOTIFY_IMPORT_PATH, Payload::kImportPath, true},
    {dcmSDK::kEventFindReset, studydb::NOTIFY_FIND_RESET, Payload::kText, false},
    {dcmSDK::kEventRetrieveReady, studydb::NOTIFY_RETRIEVE_READY, Payload::kText, true},
    {dcmSDK::kEventRetrieveFailed, studydb::NOTIFY_RETRIEVE_FAILED, Payload::kText, true},
};

const EventRoute* routeOf(unsigned int type) {
    for (const EventRoute& route : kEventRoutes) {
        if (route.event == type) {
            return &route;
        }
    }
    return nullptr;
}

// "taskID" of a JSON event text; 0 when missing.
int taskId(const std::string& text) {
    return std::atoi(NSUI::UIJson::getString(text, "taskID").c_str());
}

// The text between the first "[" after the tag and the next "]"; empty when either is missing.
std::string bracketValue(const std::string& text, const char* tag) {
    const std::size_t at = text.find(tag);
    if (at == std::string::npos) {
        return std::string();
    }
    const std::size_t open = text.find('[', at);
    if (open == std::string::npos) {
        return std::string();
    }
    const std::size_t close = text.find(']', open + 1);
    if (close == std::string::npos) {
        return std::string();
    }
    return text.substr(open + 1, close - open - 1);
}

std::string formatFindDateTime(const std::string& joined) {
    if (joined.size() < 14) {
        return joined;
    }
    return joined.substr(0, 4) + "." + joined.substr(4, 2) + "." + joined.substr(6, 2) + " " +
           joined.substr(8, 2) + ":" + joined.substr(10, 2) + ":" + joined.substr(12, 2);
}

// The data holds its own reference to the row.
void postRow(int key, cocos2d::Ref* row) {
    auto* data = NSUI::NSNotificationData::create();
    data->setObject(row);
    centre()->postNotification(nullptr, key, data, nullptr, false);
}

}  // namespace

void onDcmLog(const char* text) {
    cocos2d::log("%s", text == nullptr ? "" : text);
}

void onDcmMessage(unsigned int type, const char* text) {
    const EventRoute* route = routeOf(type);
    if (route == nullptr) {
        if (type == dcmSDK::kEventFileStored) {
            studydb::StoredFileRecord::post(dcmSDK::DCM_MESSAGE::adoptEventRecord(text));
        }
        return;
    }
    const std::string value = text == nullptr ? std::string() : std::string(text);
    // May run on a library thread, whose autorelease pool drains only when it ends.
    cocos2d::RefPtr<NSUI::NSNotificationData> data(new NSUI::NSNotificationData());
    switch (route->payload) {
    case Payload::kText:
        data->stringValue = value;
        break;
    case Payload::kTaskId:
        data->intValue2 = taskId(value);
        break;
    case Payload::kTaskProgress:
        data->intValue2 = taskId(value);
        data->floatValue =
            static_cast<float>(std::atof(NSUI::UIJson::getString(value, "value").c_str()));
        break;
    case Payload::kImportPath:
        data->stringValue = value;
        // The retrieved copy is deleted once it is imported.
        data->intValue2 = 1;
        break;
    }
    centre()->postNotification(nullptr, route->key, data.get(), nullptr, route->nextPass);
}

void onDcmGb2Utf8(const char* source, char* target, int size) {
    if (target == nullptr || size <= 0) {
        return;
    }
    std::memset(target, 0, static_cast<std::size_t>(size));
    const std::string converted = NSUI::ansiToUtf8(source == nullptr ? "" : source);
    std::size_t length = std::min(converted.size(), static_cast<std::size_t>(size - 1));
    // A cut text ends before the character that does not fit, not inside it.
    while (length > 0 && length < converted.size() &&
           (static_cast<unsigned char>(converted[length]) & 0xC0) == 0x80) {
        --length;
    }
    std::memcpy(target, converted.data(), length);
}

char* onDcmReadFile(const char* path, int& size, bool text) {
    if (path == nullptr) {
        return nullptr;
    }
    ssize_t length = 0;
    unsigned char* bytes = NSUI::readFileData(path, &length, !text);
    if (bytes == nullptr || length <= 0) {
        std::free(bytes);
        return nullptr;
    }
    // The library frees with delete[].
    char* copy = new char[static_cast<std::size_t>(length) + 10]();
    std::memcpy(copy, bytes, static_cast<std::size_t>(length));
    std::free(bytes);
    size = static_cast<int>(length);
    return copy;
}

bool onDcmSavePng(int width, int height, const unsigned char* pixels, const char* path) {
    return path != nullptr && dcmSDK::DcmPngWriter::write(width, height, pixels, path);
}

void registerDcmCallbacks() {
    dcmSDK::setLogCallback(onDcmLog);
    dcmSDK::setMsgCallback(onDcmMessage);
    dcmSDK::setgb2utf8Callback(onDcmGb2Utf8);
    dcmSDK::setReadFileCallback(onDcmReadFile);
    dcmSDK::setSavePngCallback(onDcmSavePng);
}

void parseFindResult(const std::string& text) {
    if (text.find("0008,0060") != std::string::npos) {
        cocos2d::RefPtr<findSeriesRow> row(new findSeriesRow());
        row->dateTime =
            formatFindDateTime(bracketValue(text, "0008,0021") + bracketValue(text, "0008,0031"));
        row->modality = bracketValue(text, "0008,0060");
        row->seriesDescription = bracketValue(text, "0008,103e");
        row->studyInstanceUID = bracketValue(text, "0020,000d");
        row->seriesInstanceUID = bracketValue(text, "0020,000e");
        row->seriesNumber = bracketValue(text, "0020,0011");
        row->instanceCount = bracketValue(text, "0020,1209");
        if (row->seriesInstanceUID.empty() || row->studyInstanceUID.empty()) {
            return;
        }
        postRow(studydb::NOTIFY_FIND_SERIES_ROW, row.get());
        return;
    }
    if (text.find("0010,0010") != std::string::npos) {
        cocos2d::RefPtr<findPatientRow> row(new findPatientRow());
        row->dateTime =
            formatFindDateTime(bracketValue(text, "0008,0020") + bracketValue(text, "0008,0030"));
        row->institution = bracketValue(text, "0008,0080");
        row->studyDescription = bracketValue(text, "0008,1030");
        row->patientName = bracketValue(text, "0010,0010");
        row->patientID = bracketValue(text, "0010,0020");
        row->birthDate = bracketValue(text, "0010,0030");
        row->sex = bracketValue(text, "0010,0040");
        row->studyInstanceUID = bracketValue(text, "0020,000d");
        row->studyID = bracketValue(text, "0020,0010");
        if (row->patientName.empty() || row->studyInstanceUID.empty()) {
            return;
        }
        postRow(studydb::NOTIFY_FIND_PATIENT_ROW, row.get());
    }
}
