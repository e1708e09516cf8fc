#include "toolkit/core/ToolkitGlobals.h"

#include "toolkit/core/NSDataManager.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/net/NSHttpClient.h"

namespace NSUI {

namespace {
std::string serverUrl;
}

void setServerUrl(const std::string& url) {
    serverUrl = url;
}

std::string getServerUrl() {
    return serverUrl;
}

void purgeToolkitSingletons() {
    NSDataManager::destroyInstance();
    NSHttpClient::destroyInstance();
    NSNotificationCenter::destroyInstance();
    freeSharedFormattingBuffer();
}

}  // namespace NSUI
