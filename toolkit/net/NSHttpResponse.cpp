#include "toolkit/net/NSHttpResponse.h"

namespace NSUI {

NSHttpResponse::NSHttpResponse(NSHttpRequest* request) : request(request) {
    request->retain();
    if (request->type == NSHttpRequest::Type::POST_TO_FILE) {
        file = std::fopen(request->filePath.c_str(), "wb");
    }
}

NSHttpResponse::~NSHttpResponse() {
    closeFile();
    request->release();
}

void NSHttpResponse::closeFile() {
    if (file != nullptr) {
        std::fclose(file);
        file = nullptr;
    }
}

}  // namespace NSUI
