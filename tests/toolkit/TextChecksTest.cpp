#include "toolkit/core/TextChecks.h"

#include <gtest/gtest.h>

#include <random>

// GCC 12 reports a false maybe-uninitialized inside std::regex when built with sanitizers.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <regex>
#pragma GCC diagnostic pop

namespace {

using namespace NSUI;

TEST(TextChecksTest, IPAddresses) {
    const std::pair<const char*, bool> cases[] = {
        {"192.168.1.1", true},
        {"0.0.0.0", true},
        {"255.255.255.255", true},
        {"1..2.3", true},
        {"...1", true},
        {"001.002.003.004", true},
        {"192.168.1", false},
        {"192.168.1.", false},
        {"256.1.1.1", false},
        {"1.1.1.256", false},
        {"1.2.3.4.5", false},
        {"", false},
        {"1.2.3.a", false},
        {" 1.2.3.4", false},
        {"1.2.3.4 ", false},
        {"-1.2.3.4", false},
        {"99999999999999999999.1.1.1", false},
    };
    for (const auto& [text, valid] : cases) {
        EXPECT_EQ(isValidIPAddress(text), valid) << text;
    }
}

const char* const kEmailPattern =
    R"(([0-9A-Za-z\-_\.]+)@([0-9A-Za-z]+\.[a-z0-9A-Z]{2,5}(\.[a-z0-9A-Z]{2,5})?))";
const char* const kAccountPattern = R"([0-9A-Za-z\-_\.]+)";

TEST(TextChecksTest, Ports) {
    for (const char* port : {"1", "104", "4587", "65535", "00080"}) {
        EXPECT_TRUE(isValidPort(port)) << port;
    }
    for (const char* port : {"", "0", "65536", "142422", "104a", "-1", " 104", "+80", "000000"}) {
        EXPECT_FALSE(isValidPort(port)) << port;
    }
}

TEST(TextChecksTest, EmailAndAccountNames) {
    const std::pair<const char*, bool> emails[] = {
        {"john.doe-1_x@example.com", true},
        {"a@b.co", true},
        {"a@b.co.uk", true},
        {"a@b.abcde.fghij", true},
        {"a@localhost", false},
        {"a@b.com ", false},
        {"a@b.c", false},
        {"a@b.abcdef", false},
        {"a@b.co.uk.org", false},
        {"@b.com", false},
        {"a@@b.com", false},
        {"a@.com", false},
        {"a b@c.com", false},
        {"a@b_c.com", false},
        {"", false},
        {"a@b.com.", false},
    };
    for (const auto& [text, valid] : emails) {
        EXPECT_EQ(isValidEmail(text), valid) << text;
    }
    const std::pair<const char*, bool> accounts[] = {
        {"user_1.name-x", true}, {"", false}, {"a b", false}, {"name@", false}, {"\xE4", false},
    };
    for (const auto& [text, valid] : accounts) {
        EXPECT_EQ(isValidAccountName(text), valid) << text;
    }
}

TEST(TextChecksTest, MatchersAgreeWithTheRegularExpressions) {
    const std::regex email(kEmailPattern);
    const std::regex account(kAccountPattern);
    std::mt19937 random(2024);
    const char alphabet[] = "aZ9._-@ .x";
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof(alphabet)) - 2);
    std::uniform_int_distribution<int> length(0, 14);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (int n = length(random); n > 0; --n) {
            text += alphabet[pick(random)];
        }
        ASSERT_EQ(isValidEmail(text), std::regex_match(text, email)) << text;
        ASSERT_EQ(isValidAccountName(text), std::regex_match(text, account)) << text;
    }
}

TEST(TextChecksTest, LongInputsAreCheckedWithoutExhaustingTheStack) {
    const std::string longName(1 << 20, 'a');
    EXPECT_TRUE(isValidAccountName(longName));
    EXPECT_TRUE(isValidEmail(longName + "@example.com"));
    EXPECT_FALSE(isValidEmail(longName));
    EXPECT_FALSE(isValidIPAddress(std::string(1 << 20, '1')));
}

}  // namespace
