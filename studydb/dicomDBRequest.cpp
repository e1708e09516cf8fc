#include "studydb/dicomDBRequest.h"

#include "studydb/StoredFileRecord.h"
#include "toolkit/core/NSDBUtil.h"
#include "toolkit/core/TextRoutines.h"

dicomDBRequest::~dicomDBRequest() {
    setRecord(nullptr);
    delete result;
}

void dicomDBRequest::setRecord(studydb::StoredFileRecord* record) {
    if (record != nullptr) {
        record->retain();
    }
    if (record_ != nullptr) {
        record_->release();
    }
    record_ = record;
}

const dcmSDK::DCM_MESSAGE* dicomDBRequest::message() const {
    return record_ == nullptr ? nullptr : &record_->message();
}

std::int32_t dicomDBRequest::keyFor(const std::string& text) {
    return static_cast<std::int32_t>(NSUI::foldedHash(text));
}
