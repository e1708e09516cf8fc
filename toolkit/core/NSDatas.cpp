#include "toolkit/core/NSDatas.h"

#include "toolkit/net/NSHttpClient.h"

namespace NSUI {

NSDatas::~NSDatas() {
    cancelOwnRequests();
}

bool NSDatas::init() {
    owner = this;
    statusText.clear();
    updatePeriod = 1;
    tickCount = 0;
    successCallback = nullptr;
    failureCallback = nullptr;
    return true;
}

void NSDatas::cancelRequests() {
    cancelOwnRequests();
}

void NSDatas::update(float) {}

void NSDatas::setSuccessCallback(const Callback& callback) {
    successCallback = callback;
}

void NSDatas::setFailureCallback(const Callback& callback) {
    failureCallback = callback;
}

void NSDatas::cancelOwnRequests() {
    NSHttpClient::getInstance()->cancelRequestsOf(this);
}

}  // namespace NSUI
