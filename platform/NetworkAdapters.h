#pragma once

#include <string>
#include <vector>

namespace platform {

struct AdapterAddress {
    std::string adapter;  // interface name
    std::string address;  // dotted IPv4
    std::string mask;     // dotted IPv4
};

// The first IPv4 address of every network interface, in the order the system lists them.
std::vector<AdapterAddress> listIPv4Adapters();

// The host name; false when it cannot be read.
bool getHostName(std::string& name);

}  // namespace platform
