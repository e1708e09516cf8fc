#include "toolkit/net/UIHttpResponse.h"

namespace NSUI {

UIHttpResponse* UIHttpResponse::create() {
    auto* response = new UIHttpResponse();
    if (!response->reset()) {
        delete response;
        return nullptr;
    }
    response->autorelease();
    return response;
}

bool UIHttpResponse::reset() {
    tag = "-1";
    succeeded = false;
    responseCode = -1;
    body.clear();
    return true;
}

}  // namespace NSUI
