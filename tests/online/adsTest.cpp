#include "online/adsApplication.h"

#include <fstream>

#include "OnlineFixture.h"
#include "online/updateService.h"
#include "online/urlOpener.h"

namespace onlinetest {
namespace {

class AdsTest : public OnlineTest {
protected:
    void SetUp() override {
        OnlineTest::SetUp();
        previousOpener = setUrlOpener([this](const std::string& url) {
            opened.push_back(url);
            return true;
        });
        // Pages are found through the search path, as the update folders provide them.
        pages = writable.str() + "pages/";
        cocos2d::FileUtils::getInstance()->createDirectory(pages);
        for (const char* name : {"start.html", "product.html", "back.html"}) {
            std::ofstream(pages + name) << "<html></html>";
        }
        cocos2d::FileUtils::getInstance()->addSearchPath(pages, true);
    }

    void TearDown() override {
        ADS::adsApplication::destroyInstance();
        setUrlOpener(previousOpener);
        OnlineTest::TearDown();
    }

    ADS::adsApplication* withConfig(const std::string& config) {
        store("app_config_ini", config);
        ADS::adsApplication* ads = ADS::adsApplication::getInstance();
        ads->reloadConfig();
        return ads;
    }

    std::string pages;
    std::vector<std::string> opened;
    std::function<bool(const std::string&)> previousOpener;
};

TEST_F(AdsTest, EachOccasionShowsTheFirstSwitchedOnKindWithATypeAndAPage) {
    const std::string allOn =
        R"({"ads_enable_startupForceShow":"1","adsStartupForceShowType":"1",)"
        R"("adsStartupForceShowUrl":"start.html","ads_enable_productShow":"1",)"
        R"("adsProductShowType":"2","adsProductShowUrl":"product.html",)"
        R"("ads_enable_enterForegroundForceShow":"1","adsEnterForegroundForceShowType":"0",)"
        R"("adsEnterForegroundForceShowUrl":"back.html"})";
    struct Case {
        const char* name;
        std::string config;
        int occasion;
        const char* page;
    };
    const Case cases[] = {
        {"launch prefers start-up", allOn, ADS::kLaunch, "start.html"},
        {"foreground kind with type 0 is skipped", allOn, ADS::kForeground, "product.html"},
        {"a series opened shows nothing", allOn, ADS::kSeriesOpened, nullptr},
        {"unknown occasion", allOn, 7, nullptr},
        {"switched off",
         R"({"ads_enable_startupForceShow":"0","adsStartupForceShowType":"1",)"
         R"("adsStartupForceShowUrl":"start.html"})",
         ADS::kLaunch, nullptr},
        {"page that does not resolve",
         R"({"ads_enable_startupForceShow":"1","adsStartupForceShowType":"1",)"
         R"("adsStartupForceShowUrl":"missing.html"})",
         ADS::kLaunch, nullptr},
        {"empty configuration", "", ADS::kLaunch, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        opened.clear();
        withConfig(c.config)->showAd(c.occasion);
        if (c.page == nullptr) {
            EXPECT_TRUE(opened.empty());
        } else {
            EXPECT_EQ(opened, std::vector<std::string>{"file://" + pages + c.page});
        }
    }
}

TEST_F(AdsTest, APageOutsideTheDownloadedResourcesIsNeverOpened) {
    // Files that exist, reached by a name from the downloaded configuration.
    std::ofstream(writable.str() + "outside.desktop") << "[Desktop Entry]";
    for (const std::string& page :
         {std::string("../outside.desktop"), writable.str() + "outside.desktop"}) {
        SCOPED_TRACE(page);
        opened.clear();
        withConfig(R"({"ads_enable_startupForceShow":"1","adsStartupForceShowType":"1",)"
                   R"("adsStartupForceShowUrl":")" +
                   page + R"("})")
            ->showAd(ADS::kLaunch);
        EXPECT_TRUE(opened.empty());
    }
}

TEST_F(AdsTest, VersionsCompareAsThreeNumbers) {
    struct Case {
        const char* latest;
        const char* current;
        bool newer;
    };
    const Case cases[] = {
        {"2.10", "2.9", true},   {"2.9.1", "2.9", true},    {"3", "2.9", true},
        {"2.8.9", "2.9", false}, {"2.9", "2.9", false},     {"2.9.0", "2.9", false},
        {"1.0", "2.9", false},   {"10.0", "9.99.99", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ADS::adsApplication::isNewerVersion(c.latest, c.current), c.newer)
            << c.latest << " against " << c.current;
    }
}

TEST_F(AdsTest, TheNewVersionNoticeOpensOncePerReportedVersion) {
    const std::string config =
        R"({"ads_enable_newVersion":"1","adsNewVersionType":"1","adsNewVersionUrl":"x"})";
    store("app_latest_version", "2.10");
    ADS::adsApplication* ads = withConfig(config);
    for (int start = 0; start < 3; ++start) {
        ads->showNewVersionAd();
    }
    EXPECT_EQ(opened, std::vector<std::string>{server.baseUrl() + "/ads/newversionPC.html"});
    EXPECT_EQ(setting("app_ver_check_count"), "1");

    // A notice switched off by its type still uses up that version's one showing.
    opened.clear();
    store("app_ver_check_count", "0");
    ads = withConfig(R"({"ads_enable_newVersion":"1","adsNewVersionType":"0"})");
    ads->showNewVersionAd();
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(setting("app_ver_check_count"), "1");
}

}  // namespace
}  // namespace onlinetest
