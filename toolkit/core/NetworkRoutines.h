#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace NSUI {

// The host name (made safe for flat JSON texts: '"', ':', '{', '}', '[' and ']' removed, ','
// turned into '_'; "Win32" when it cannot be read) and the comma-separated IPv4 addresses and
// masks of the adapters, position by position; 127.0.0.1 and 0.0.0.0 are left out.
void getNetworkInfo(std::string& hostName, std::string& addresses, std::string& masks);

// Replaces the list with the addresses of each adapter's subnet that discovery pings, nearest
// to the own address first (above before below): never the own address, never one ending in
// .0 or .255. Stops at the first adapter whose subnet has no host bits or more than 22.
void getLocalSubnetAddresses(std::vector<std::string>& addresses);

// The neighbour addresses of getLocalSubnetAddresses for given comma-separated address and mask
// lists (pairs taken position by position).
void listSubnetAddresses(const std::string& addressList, const std::string& maskList,
                         std::vector<std::string>& addresses);

// A host name with '"', ':', '{', '}', '[' and ']' removed and ',' turned into '_'.
std::string makeHostNameJsonSafe(const std::string& name);

// Whether the adapter address list contains ':'. Answers from a cache at once; when the cache is
// a minute old, a background check refreshes it for later calls.
bool addressListHasColon();

// What the colon test reads: the comma-separated adapter address list (getNetworkInfo's by
// default) and the 32-bit microsecond clock (getTimestamp by default). Replacing them, or
// restoring the defaults with empty functions, empties the cache as at start; a check still
// running from before stores nothing.
void setColonCheckSources(std::function<std::string()> addressList, std::function<int32_t()> clock);

// Dotted text to a 32-bit value with the first number in the lowest byte (network order in
// memory). Numbers are not limited; a fifth number wraps to the lowest byte. Reading stops at the
// first byte that is neither digit nor '.', and the result is 0 unless that is the end or white
// space.
uint32_t parseIPv4(const std::string& text);
// "%d.%d.%d.%d" of bits 31-24, 23-16, 15-8 and 7-0 of a host-order value.
std::string formatIPv4(uint32_t address);

}  // namespace NSUI
