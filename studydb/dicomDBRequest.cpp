#include "studydb/dicomDBRequest.h"

#include "toolkit/core/NSDBUtil.h"
#include "toolkit/core/TextRoutines.h"

dicomDBRequest::~dicomDBRequest() {
    delete result;
}

void dicomDBRequest::setRecord(studydb::StoredFileRecord* record) {
    record_ = cocos2d::RefPtr<studydb::StoredFileRecord>::retained(record);
}

const dcmSDK::DCM_MESSAGE* dicomDBRequest::message() const {
    return record_ ? &record_->message() : nullptr;
}

std::int32_t dicomDBRequest::keyFor(const std::string& text) {
    return static_cast<std::int32_t>(NSUI::foldedHash(text));
}
