#include "studydb/LocalNetwork.h"

#include "toolkit/core/NetworkRoutines.h"

#include <mutex>

namespace studydb {

namespace {

std::mutex& sourceMutex() {
    static std::mutex mutex;
    return mutex;
}

LocalNetwork::Source& currentSource() {
    static LocalNetwork::Source source;
    return source;
}

LocalNetwork::Source snapshot() {
    std::lock_guard<std::mutex> guard(sourceMutex());
    return currentSource();
}

}  // namespace

void LocalNetwork::getNetworkInfo(std::string& hostName, std::string& addresses) {
    const Source source = snapshot();
    if (source.info) {
        source.info(hostName, addresses);
        return;
    }
    std::string masks;
    NSUI::getNetworkInfo(hostName, addresses, masks);
}

void LocalNetwork::getLocalSubnetAddresses(std::vector<std::string>& addresses) {
    const Source source = snapshot();
    if (source.subnetAddresses) {
        addresses.clear();
        source.subnetAddresses(addresses);
        return;
    }
    NSUI::getLocalSubnetAddresses(addresses);
}

bool LocalNetwork::addressListHasColon() {
    const Source source = snapshot();
    return source.hasColon ? source.hasColon() : NSUI::addressListHasColon();
}

LocalNetwork::Source LocalNetwork::setSource(const Source& source) {
    std::lock_guard<std::mutex> guard(sourceMutex());
    Source previous = currentSource();
    currentSource() = source;
    return previous;
}

}  // namespace studydb
