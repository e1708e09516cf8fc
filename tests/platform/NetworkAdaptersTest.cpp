#include "platform/NetworkAdapters.h"

#include <arpa/inet.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(NetworkAdaptersTest, OneDottedAddressAndMaskPerAdapter) {
    std::set<std::string> names;
    for (const platform::AdapterAddress& adapter : platform::listIPv4Adapters()) {
        in_addr parsed = {};
        EXPECT_EQ(inet_pton(AF_INET, adapter.address.c_str(), &parsed), 1) << adapter.address;
        EXPECT_EQ(inet_pton(AF_INET, adapter.mask.c_str(), &parsed), 1) << adapter.mask;
        EXPECT_TRUE(names.insert(adapter.adapter).second) << adapter.adapter;
    }
}

TEST(NetworkAdaptersTest, HostNameIsTheSystemsName) {
    char expected[256] = {};
    ASSERT_EQ(gethostname(expected, sizeof(expected) - 1), 0);
    std::string name;
    ASSERT_TRUE(platform::getHostName(name));
    EXPECT_EQ(name, expected);
}

}  // namespace
