#include "toolkit/core/SiteAddress.h"

#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>

#include "tests/support/lib/TempDir.h"

namespace {

TEST(SiteAddressTest, OnlyHttpsOrPlainHttpToThisMachineIsAServiceAddress) {
    const std::pair<const char*, bool> cases[] = {
        {"https://service.example.org", true},
        {"https://service.example.org:8443/base", true},
        {"http://127.0.0.1:8080", true},
        {"http://127.5.5.5/x", true},
        {"http://localhost:9/", true},
        {"http://[::1]:80", true},
        {"http://service.example.org", false},
        {"http://127.0.0.1.example.org/", false},
        {"http://127.0.0.1@evil.example.org/", false},
        {"https://user@service.example.org/", false},
        {"https://", false},
        {"ftp://127.0.0.1/", false},
        {"file:///etc/passwd", false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NSUI::isPermittedServiceUrl(c.first), c.second) << c.first;
    }
}

TEST(SiteAddressTest, EnvironmentThenConfigurationFileThenDefault) {
    const bvtest::TempDir folder("site");
    unsetenv("BRIMVALE_SITE_BASE");
    unsetenv("BRIMVALE_PROBE_URL");
    EXPECT_EQ(NSUI::resolveSiteBase(folder.str()), NSUI::kDefaultSiteBase);

    std::ofstream(folder / "brimvale.conf")
        << "# service\n site_base = https://conf.example.org/ \n"
        << "probe_url=http://example.org/\n";
    EXPECT_EQ(NSUI::resolveSiteBase(folder.str()), "https://conf.example.org");
    // A plain address to another machine is ignored.
    EXPECT_EQ(NSUI::resolveProbeUrl(folder.str(), "https://conf.example.org"),
              "https://conf.example.org");

    setenv("BRIMVALE_SITE_BASE", "https://env.example.org", 1);
    EXPECT_EQ(NSUI::resolveSiteBase(folder.str()), "https://env.example.org");
    setenv("BRIMVALE_SITE_BASE", "http://env.example.org", 1);
    EXPECT_EQ(NSUI::resolveSiteBase(folder.str()), "https://conf.example.org");
    unsetenv("BRIMVALE_SITE_BASE");
}

}  // namespace
