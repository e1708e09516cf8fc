#include "toolkit/net/NSHttpClient.h"

namespace NSUI {

namespace {
NSHttpClient* sharedClient = nullptr;
}

NSHttpClient* NSHttpClient::getInstance() {
    if (sharedClient == nullptr) {
        sharedClient = new NSHttpClient();
    }
    return sharedClient;
}

void NSHttpClient::destroyInstance() {
    delete sharedClient;
}

NSHttpClient::~NSHttpClient() {
    if (sharedClient == this) {
        sharedClient = nullptr;
    }
}

void NSHttpClient::cancelRequestsOf(cocos2d::Ref*) {
    // Requests are queued only by sending, and this client sends none: nothing is pending.
}

}  // namespace NSUI
