#include "platform/NetworkAdapters.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <unistd.h>

#include <algorithm>

namespace platform {

namespace {

std::string dotted(const sockaddr* address) {
    char text[INET_ADDRSTRLEN] = {};
    const auto* in = reinterpret_cast<const sockaddr_in*>(address);
    if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof(text)) == nullptr) {
        return std::string();
    }
    return text;
}

}  // namespace

std::vector<AdapterAddress> listIPv4Adapters() {
    std::vector<AdapterAddress> adapters;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return adapters;
    }
    for (const ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET ||
            it->ifa_name == nullptr) {
            continue;
        }
        const std::string name = it->ifa_name;
        const bool seen = std::any_of(adapters.begin(), adapters.end(),
                                      [&](const AdapterAddress& a) { return a.adapter == name; });
        if (seen) {
            continue;
        }
        AdapterAddress entry;
        entry.adapter = name;
        entry.address = dotted(it->ifa_addr);
        entry.mask = it->ifa_netmask != nullptr ? dotted(it->ifa_netmask) : std::string("0.0.0.0");
        if (!entry.address.empty()) {
            adapters.push_back(std::move(entry));
        }
    }
    freeifaddrs(list);
    return adapters;
}

bool getHostName(std::string& name) {
    char buffer[256] = {};
    if (gethostname(buffer, sizeof(buffer) - 1) != 0) {
        return false;
    }
    name = buffer;
    return true;
}

}  // namespace platform
