#pragma once

#include "dcmsdk/DCM_MESSAGE.h"
#include "engine/base/Ref.h"

#include <memory>

namespace NSUI {
class NSNotificationData;
}

namespace studydb {

// The record of one stored or imported file as NOTIFY_DICOM_FILE_RECEIVED carries it: in the
// data's object slot, freed with its last reference whether nobody or several observers listen.
// An observer that keeps it retains it.
class StoredFileRecord : public cocos2d::Ref {
public:
    // Posts the record for the next pass; a null record posts nothing.
    static void post(std::unique_ptr<dcmSDK::DCM_MESSAGE> message);
    // The record a notification carries; null when it carries none.
    static StoredFileRecord* from(const NSUI::NSNotificationData* data);

    // The message must not be null.
    explicit StoredFileRecord(std::unique_ptr<dcmSDK::DCM_MESSAGE> message);

    const dcmSDK::DCM_MESSAGE& message() const { return *message_; }

private:
    std::unique_ptr<dcmSDK::DCM_MESSAGE> message_;
};

}  // namespace studydb
