#include "studydb/dicomDBRequest.h"

#include "dcmsdk/DCM_MESSAGE.h"
#include "toolkit/core/NSDBUtil.h"
#include "toolkit/core/TextRoutines.h"

dicomDBRequest::~dicomDBRequest() {
    delete message;
    delete result;
}

std::int32_t dicomDBRequest::keyFor(const std::string& text) {
    return static_cast<std::int32_t>(NSUI::foldedHash(text));
}
