#pragma once

#include <functional>
#include <string>
#include <vector>

namespace studydb {

// What the DICOM services learn about the machine's network: host name, adapter addresses and the
// neighbour addresses that the sweeps and discovery passes contact. By default it is the
// toolkit's view of the adapters; a test replaces it so that nothing leaves loopback.
class LocalNetwork {
public:
    struct Source {
        // Host name and the comma-separated IPv4 addresses of the adapters.
        std::function<void(std::string& hostName, std::string& addresses)> info;
        // Host addresses of the local subnets, nearest first.
        std::function<void(std::vector<std::string>& addresses)> subnetAddresses;
        // Whether the adapter address list holds a ':'.
        std::function<bool()> hasColon;
    };

    static void getNetworkInfo(std::string& hostName, std::string& addresses);
    static void getLocalSubnetAddresses(std::vector<std::string>& addresses);
    static bool addressListHasColon();

    // Replaces the source; a source with an empty function keeps the default for that part.
    // Returns the source in use before.
    static Source setSource(const Source& source);
};

}  // namespace studydb
