#include "studydb/StoredFileRecord.h"

#include "engine/base/RefPtr.h"
#include "studydb/StudyNotifications.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"

namespace studydb {

void StoredFileRecord::post(std::unique_ptr<dcmSDK::DCM_MESSAGE> message) {
    if (!message) {
        return;
    }
    // Posted from worker and library threads, whose autorelease pools drain only when they end.
    cocos2d::RefPtr<StoredFileRecord> record(new StoredFileRecord(std::move(message)));
    cocos2d::RefPtr<NSUI::NSNotificationData> data(new NSUI::NSNotificationData());
    data->setObject(record.get());
    NSUI::NSNotificationCenter::getInstance()->postNotification(nullptr, NOTIFY_DICOM_FILE_RECEIVED,
                                                                data.get(), nullptr, true);
}

StoredFileRecord* StoredFileRecord::from(const NSUI::NSNotificationData* data) {
    return data == nullptr ? nullptr : dynamic_cast<StoredFileRecord*>(data->object);
}

StoredFileRecord::StoredFileRecord(std::unique_ptr<dcmSDK::DCM_MESSAGE> message)
    : message_(std::move(message)) {}

}  // namespace studydb
