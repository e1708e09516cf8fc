#include "toolkit/core/ToolkitGlobals.h"

#include "toolkit/core/NSDataManager.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/net/NSHttpClient.h"

namespace NSUI {

namespace {
std::string serverUrl;
NSActivity* sharedActivity = nullptr;
void (*sharedActivityRemover)() = nullptr;
}  // namespace

void setServerUrl(const std::string& url) {
    serverUrl = url;
}

std::string getServerUrl() {
    return serverUrl;
}

NSActivity* getSharedActivity() {
    return sharedActivity;
}

void setSharedActivity(NSActivity* activity) {
    sharedActivity = activity;
}

void setSharedActivityRemover(void (*remover)()) {
    sharedActivityRemover = remover;
}

void purgeToolkitSingletons() {
    // Before the centre goes: the indicator unregisters itself there.
    if (sharedActivityRemover != nullptr) {
        sharedActivityRemover();
    }
    NSDataManager::destroyInstance();
    NSHttpClient::destroyInstance();
    NSNotificationCenter::destroyInstance();
    freeSharedFormattingBuffer();
}

}  // namespace NSUI
