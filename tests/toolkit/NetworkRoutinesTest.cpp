#include "toolkit/core/NetworkRoutines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace {

using namespace NSUI;

TEST(NetworkRoutinesTest, ParseAndFormatAddresses) {
    struct Case {
        const char* text;
        uint32_t value;
    };
    const Case cases[] = {
        {"192.168.1.10", 0x0A01A8C0u},
        {"0.0.0.0", 0u},
        {"255.255.255.0", 0x00FFFFFFu},
        {"1.2.3.4.5", 0x04030206u},  // a fifth number wraps to the lowest byte
        {"1.2.3.4 ", 0x04030201u},   // white space ends the text
        {"1.2.3.4\n", 0x04030201u},
        {"1.2.3.4x", 0u},     // anything else spoils it
        {"256.0.0.0", 256u},  // numbers are not limited
        {"", 0u},
        {"7", 7u},
        {"1..2", 0x00020001u},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseIPv4(c.text), c.value) << c.text;
    }
    EXPECT_EQ(formatIPv4(0xC0A8010Au), "192.168.1.10");
    EXPECT_EQ(formatIPv4(0u), "0.0.0.0");
    EXPECT_EQ(formatIPv4(0xFFFFFFFFu), "255.255.255.255");
}

TEST(NetworkRoutinesTest, SubnetNeighboursNearestFirst) {
    std::vector<std::string> addresses;
    listSubnetAddresses("192.168.1.10", "255.255.255.0", addresses);
    ASSERT_EQ(addresses.size(), 253u);
    const std::vector<std::string> head(addresses.begin(), addresses.begin() + 4);
    EXPECT_EQ(head, (std::vector<std::string>{"192.168.1.11", "192.168.1.9", "192.168.1.12",
                                              "192.168.1.8"}));
    EXPECT_EQ(addresses.back(), "192.168.1.254");
    const std::set<std::string> unique(addresses.begin(), addresses.end());
    EXPECT_EQ(unique.size(), addresses.size());
    for (const char* never : {"192.168.1.0", "192.168.1.255", "192.168.1.10"}) {
        EXPECT_EQ(unique.count(never), 0u) << never;
    }
}

TEST(NetworkRoutinesTest, SubnetRulesForMasksAndPairs) {
    struct Case {
        const char* addresses;
        const char* masks;
        size_t count;
        const char* first;
        const char* last;
    };
    const Case cases[] = {
        // /30: only low bytes 0 and 255 are left out, so the whole block 10.0.0.4-7 but the own
        // address is pinged.
        {"10.0.0.6", "255.255.255.252", 3, "10.0.0.7", "10.0.0.4"},
        // /31 has the one other address; /32 has no host part (bit 0 of the mask is set).
        {"10.0.0.6", "255.255.255.254", 1, "10.0.0.7", "10.0.0.7"},
        {"10.0.0.6", "255.255.255.255", 0, "", ""},
        // More than 22 host bits: nothing, and the pairs after it are never reached.
        {"10.1.2.3,192.168.1.10", "255.0.0.0,255.255.255.0", 0, "", ""},
        // A /23 spans two low bytes: .0 and .255 of each are skipped.
        {"10.0.1.1", "255.255.254.0", 507, "10.0.1.2", "10.0.0.1"},
        // Pairs position by position, as many as the shorter list.
        {"192.168.1.1,192.168.2.1", "255.255.255.0", 253, "192.168.1.2", "192.168.1.254"},
        {"", "255.255.255.0", 0, "", ""},
        {"192.168.1.1", "", 0, "", ""},
        // The own address at the top of the block: only the lower side runs.
        {"192.168.1.254", "255.255.255.0", 253, "192.168.1.253", "192.168.1.1"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> addresses;
        listSubnetAddresses(c.addresses, c.masks, addresses);
        ASSERT_EQ(addresses.size(), c.count) << c.addresses << " / " << c.masks;
        if (c.count > 0) {
            EXPECT_EQ(addresses.front(), c.first) << c.addresses;
            EXPECT_EQ(addresses.back(), c.last) << c.addresses;
        }
        for (const std::string& address : addresses) {
            const std::string last = address.substr(address.rfind('.') + 1);
            EXPECT_NE(last, "0") << address;
            EXPECT_NE(last, "255") << address;
        }
    }
}

TEST(NetworkRoutinesTest, HostNameIsMadeSafeForJson) {
    EXPECT_EQ(makeHostNameJsonSafe("pc{1},a"), "pc1_a");
    EXPECT_EQ(makeHostNameJsonSafe("\"a\":[b]"), "ab");
    EXPECT_EQ(makeHostNameJsonSafe("plain-host.local"), "plain-host.local");
}

TEST(NetworkRoutinesTest, NetworkInfoListsAdaptersWithoutLoopback) {
    std::string host = "stale";
    std::string addresses = "stale";
    std::string masks = "stale";
    getNetworkInfo(host, addresses, masks);
    EXPECT_FALSE(host.empty());
    EXPECT_EQ(host.find_first_of("\":{}[],"), std::string::npos);
    EXPECT_EQ(std::count(addresses.begin(), addresses.end(), ','),
              std::count(masks.begin(), masks.end(), ','));
    EXPECT_EQ(addresses.find("127.0.0.1"), std::string::npos);
    EXPECT_EQ(addresses.find(':'), std::string::npos);
    EXPECT_EQ(addresses.empty(), masks.empty());
}

TEST(NetworkRoutinesTest, ColonTestOfTheAdaptersIsFalseForIPv4Lists) {
    // IPv4 lists never hold a ':'; the first call starts the background check and answers the
    // cached false at once.
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(addressListHasColon());
    }
}

// Sources for the colon test that the test steers. Static: a detached check may outlive a test.
std::atomic<int32_t> fakeNow{0};
std::atomic<int> listReads{0};
// While closed, a check that reads the list waits until it opens (at most five seconds).
std::mutex listGateLock;
std::condition_variable listGateOpened;
bool listGateOpen = true;
std::mutex fakeListLock;
std::string fakeList;

void setListGate(bool open) {
    {
        std::lock_guard<std::mutex> guard(listGateLock);
        listGateOpen = open;
    }
    listGateOpened.notify_all();
}

void setFakeList(const std::string& list) {
    std::lock_guard<std::mutex> guard(fakeListLock);
    fakeList = list;
}

std::string readFakeList() {
    listReads.fetch_add(1);
    {
        std::unique_lock<std::mutex> gate(listGateLock);
        listGateOpened.wait_for(gate, std::chrono::seconds(5), [] { return listGateOpen; });
    }
    std::lock_guard<std::mutex> guard(fakeListLock);
    return fakeList;
}

// Polls the colon test until it answers `expected`, at most five seconds.
bool colonAnswerBecomes(bool expected) {
    for (int i = 0; i < 1000; ++i) {
        if (addressListHasColon() == expected) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// Gives a check started by the last call time to read the list (it must not have started).
void settle() {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

TEST(NetworkRoutinesTest, ColonTestAnswersFromItsCache) {
    const int32_t start = 60000000;
    fakeNow = start;
    setFakeList("192.168.1.5,fe80::1");
    setColonCheckSources(readFakeList, [] { return fakeNow.load(); });

    // The first call answers the empty cache at once and starts the one check that fills it.
    setListGate(false);
    EXPECT_FALSE(addressListHasColon());
    setListGate(true);
    ASSERT_TRUE(colonAnswerBecomes(true));
    settle();
    EXPECT_EQ(listReads.load(), 1);

    // Within the minute the cache answers, whatever the list says now.
    setFakeList("192.168.1.5");
    fakeNow = start + 59999999;
    EXPECT_TRUE(addressListHasColon());
    settle();
    EXPECT_TRUE(addressListHasColon());
    EXPECT_EQ(listReads.load(), 1);

    // A minute after the last check the call still answers from the cache and refreshes it.
    fakeNow = start + 60000000;
    setListGate(false);
    EXPECT_TRUE(addressListHasColon());
    setListGate(true);
    ASSERT_TRUE(colonAnswerBecomes(false));
    settle();
    EXPECT_EQ(listReads.load(), 2);

    // The clock wrapping past its 32-bit end is no time at all.
    setFakeList("fe80::2");
    fakeNow = std::numeric_limits<int32_t>::max() - 10;
    ASSERT_TRUE(colonAnswerBecomes(true));
    EXPECT_EQ(listReads.load(), 3);
    setFakeList("10.0.0.1");
    fakeNow = std::numeric_limits<int32_t>::min() + 100;
    EXPECT_TRUE(addressListHasColon());
    settle();
    EXPECT_TRUE(addressListHasColon());
    EXPECT_EQ(listReads.load(), 3);

    setColonCheckSources(nullptr, nullptr);
}

}  // namespace
