#include "studydb/StoredFileRecord.h"

#include "studydb/StudyNotifications.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"

namespace studydb {

void StoredFileRecord::post(std::unique_ptr<dcmSDK::DCM_MESSAGE> message) {
    if (!message) {
        return;
    }
    // Posted from worker and library threads, whose autorelease pools drain only when they end.
    auto* record = new StoredFileRecord(std::move(message));
    auto* data = new NSUI::NSNotificationData();
    data->setObject(record);
    record->release();
    NSUI::NSNotificationCenter::getInstance()->postNotification(nullptr, NOTIFY_DICOM_FILE_RECEIVED,
                                                                data, nullptr, true);
    data->release();
}

StoredFileRecord* StoredFileRecord::from(const NSUI::NSNotificationData* data) {
    return data == nullptr ? nullptr : dynamic_cast<StoredFileRecord*>(data->object);
}

StoredFileRecord::StoredFileRecord(std::unique_ptr<dcmSDK::DCM_MESSAGE> message)
    : message_(std::move(message)) {}

}  // namespace studydb
