#include "toolkit/core/NetworkRoutines.h"

#include "platform/NetworkAdapters.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/TextRoutines.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <memory>
#include <mutex>
#include <thread>

namespace NSUI {

namespace {

// The colon-test cache, shared by callers and the background check.
std::atomic<int32_t> lastColonCheck{0};
std::atomic<bool> colonCheckRunning{false};
std::atomic<bool> colonCheckResult{false};

struct ColonCheckSources {
    std::function<std::string()> addressList;
    std::function<int32_t()> clock;
};

// The replaceable sources. Never destroyed: a detached check may still read them at exit.
struct ColonSourcesState {
    // Guards the fields; the sources are called outside it.
    std::mutex lock;
    std::shared_ptr<const ColonCheckSources> sources;
    // Counts source changes, so that a check started before one stores nothing.
    unsigned generation = 0;
};

ColonSourcesState& colonSourcesState() {
    static auto* state = new ColonSourcesState();
    return *state;
}

std::string adapterAddressList() {
    std::string hostName;
    std::string addresses;
    std::string masks;
    getNetworkInfo(hostName, addresses, masks);
    return addresses;
}

int32_t colonClock(const ColonCheckSources* sources) {
    return sources && sources->clock ? sources->clock() : getTimestamp();
}

constexpr uint32_t kColonCheckInterval = 60000000;

uint32_t toHostOrder(uint32_t parsed) {
    return ((parsed & 0xFFu) << 24) | ((parsed & 0xFF00u) << 8) | ((parsed >> 8) & 0xFF00u) |
           (parsed >> 24);
}

void appendListed(std::string& list, const std::string& item) {
    if (!list.empty()) {
        list += ",";
    }
    list += item;
}

bool usableNeighbour(uint32_t candidate, uint32_t first, uint32_t last) {
    const uint32_t lowByte = candidate & 0xFFu;
    return candidate >= first && candidate <= last && lowByte != 0 && lowByte != 255;
}

// `generation` is the one the caller saw: a check that starts only after the sources were
// replaced must neither use the new sources nor store anything.
void runColonCheck(unsigned generation) {
    ColonSourcesState& state = colonSourcesState();
    std::shared_ptr<const ColonCheckSources> sources;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        if (generation != state.generation) {
            return;
        }
        sources = state.sources;
        colonCheckRunning = true;
    }
    const int32_t started = colonClock(sources.get());
    const std::string addresses =
        sources && sources->addressList ? sources->addressList() : adapterAddressList();
    std::lock_guard<std::mutex> guard(state.lock);
    if (generation != state.generation) {
        return;
    }
    // The result goes last, so that a caller who sees it also sees the check's time.
    lastColonCheck = started;
    colonCheckRunning = false;
    colonCheckResult = addresses.find(':') != std::string::npos;
}

}  // namespace

void getNetworkInfo(std::string& hostName, std::string& addresses, std::string& masks) {
    hostName.clear();
    addresses.clear();
    masks.clear();
    for (const platform::AdapterAddress& adapter : platform::listIPv4Adapters()) {
        if (adapter.address == "127.0.0.1" || adapter.address == "0.0.0.0") {
            continue;
        }
        appendListed(addresses, adapter.address);
        appendListed(masks, adapter.mask);
    }
    if (!platform::getHostName(hostName)) {
        hostName = "Win32";
    }
    hostName = makeHostNameJsonSafe(hostName);
}

std::string makeHostNameJsonSafe(const std::string& name) {
    std::string safe;
    for (const char c : name) {
        if (c == '"' || c == ':' || c == '{' || c == '}' || c == '[' || c == ']') {
            continue;
        }
        safe += c == ',' ? '_' : c;
    }
    return safe;
}

void getLocalSubnetAddresses(std::vector<std::string>& addresses) {
    addresses.clear();
    std::string hostName;
    std::string addressList;
    std::string maskList;
    getNetworkInfo(hostName, addressList, maskList);
    listSubnetAddresses(addressList, maskList, addresses);
}

void listSubnetAddresses(const std::string& addressList, const std::string& maskList,
                         std::vector<std::string>& addresses) {
    if (addressList.empty() || maskList.empty()) {
        return;
    }
    std::vector<std::string> ips;
    std::vector<std::string> masks;
    splitString(addressList, ",", ips);
    splitString(maskList, ",", masks);
    const size_t pairs = std::min(ips.size(), masks.size());
    for (size_t i = 0; i < pairs; ++i) {
        const uint32_t address = toHostOrder(parseIPv4(ips[i]));
        const uint32_t mask = toHostOrder(parseIPv4(masks[i]));
        if ((mask & 1u) != 0 || (mask & 0x7FFFFFu) == 0) {
            return;
        }
        int hostBits = 0;
        while ((mask & (1u << hostBits)) == 0) {
            ++hostBits;
        }
        const uint32_t blockSize = 1u << hostBits;
        uint32_t first = address & mask;
        if ((first & 0xFFu) == 0) {
            ++first;
        }
        uint32_t last = (first & ~(blockSize - 1)) + blockSize - 1;
        if ((last & 0xFFu) == 255) {
            --last;
        }
        const uint32_t span = std::max(address - first + 1, last - address + 1);
        for (uint32_t d = 1; d < span; ++d) {
            if (usableNeighbour(address + d, first, last)) {
                addresses.push_back(formatIPv4(address + d));
            }
            if (usableNeighbour(address - d, first, last)) {
                addresses.push_back(formatIPv4(address - d));
            }
        }
    }
}

bool addressListHasColon() {
    ColonSourcesState& state = colonSourcesState();
    std::shared_ptr<const ColonCheckSources> sources;
    unsigned generation = 0;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        sources = state.sources;
        generation = state.generation;
    }
    const int32_t now = colonClock(sources.get());
    int32_t last = lastColonCheck.load();
    const uint32_t elapsed = static_cast<uint32_t>(now) - static_cast<uint32_t>(last);
    if (elapsed >= kColonCheckInterval && !colonCheckRunning.load() &&
        lastColonCheck.compare_exchange_strong(last, now)) {
        // Detached on purpose: the check touches only the cache above and never blocks a caller.
        std::thread(runColonCheck, generation).detach();
    }
    return colonCheckResult.load();
}

void setColonCheckSources(std::function<std::string()> addressList,
                          std::function<int32_t()> clock) {
    auto sources = std::make_shared<ColonCheckSources>();
    sources->addressList = std::move(addressList);
    sources->clock = std::move(clock);
    ColonSourcesState& state = colonSourcesState();
    std::lock_guard<std::mutex> guard(state.lock);
    state.sources = std::move(sources);
    ++state.generation;
    lastColonCheck = 0;
    colonCheckRunning = false;
    colonCheckResult = false;
}

uint32_t parseIPv4(const std::string& text) {
    uint32_t result = 0;
    uint32_t number = 0;
    unsigned index = 0;
    const char* p = text.c_str();
    for (; *p != '\0'; ++p) {
        const char c = *p;
        if (c >= '0' && c <= '9') {
            number = number * 10u + static_cast<uint32_t>(c - '0');
        } else if (c == '.') {
            result += number << (8 * (index % 4));
            ++index;
            number = 0;
        } else {
            break;
        }
    }
    if (*p != '\0' && std::isspace(static_cast<unsigned char>(*p)) == 0) {
        return 0;
    }
    return result + (number << (8 * (index % 4)));
}

std::string formatIPv4(uint32_t address) {
    return formatString("%d.%d.%d.%d", static_cast<int>((address >> 24) & 0xFFu),
                        static_cast<int>((address >> 16) & 0xFFu),
                        static_cast<int>((address >> 8) & 0xFFu),
                        static_cast<int>(address & 0xFFu));
}

}  // namespace NSUI
