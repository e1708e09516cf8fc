#include "online/adsWebView.h"

#include "OnlineFixture.h"
#include "online/advice.h"
#include "studydb/StudyNotifications.h"

namespace onlinetest {
namespace {

class AdsWebViewTest : public OnlineTest {
protected:
    void SetUp() override {
        OnlineTest::SetUp();
        watch(studydb::NOTIFY_UPDATE_APK_REQUEST);
    }
};

TEST_F(AdsWebViewTest, TheHookConsumesReservedPagesAndHandsOnlyPackageAddressesOn) {
    const std::string link = "http://localhost/updateapk.html";
    const std::string package = "https://downloads.example.org/brimvale.apk";
    struct Case {
        std::string url;
        bool consumed;
        bool closes;
        const char* posted;
    };
    const Case cases[] = {
        {link + "?" + ServiceTestServer::base64(package), true, true, package.c_str()},
        {link + "?", true, true, ""},
        // The bare link carries no package: nothing to fetch.
        {link, true, false, nullptr},
        {"http://localhost/updateapk.htm", false, false, nullptr},
        {"http://localhost/retry.html", true, false, nullptr},
        {"http://localhost/openurl.html?aHR0cHM6Ly9leGFtcGxlLm9yZw==", true, false, nullptr},
        {"http://localhost/backToMain.html", true, false, nullptr},
        {"http://localhost/remove.html", true, false, nullptr},
        {"https://example.org/?next=" + link + "?eA==", false, false, nullptr},
        {"https://example.org/page.html", false, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        posted.clear();
        for (adsWebView* view :
             {adsWebView::create(), static_cast<adsWebView*>(advice::create())}) {
            scene->addChild(view);
            EXPECT_EQ(view->onNavigate(c.url), c.consumed);
            const bool stillThere = view->getParent() == scene;
            EXPECT_EQ(!stillThere, c.closes);
            if (stillThere) {
                view->removeFromParent();
            }
        }
        for (int i = 0; i < 12; ++i) {
            frame();
        }
        if (c.posted == nullptr) {
            EXPECT_TRUE(posted.empty());
        } else {
            ASSERT_EQ(posted.size(), 2u);
            EXPECT_EQ(posted[0].text, c.posted);
            EXPECT_EQ(posted[1].text, c.posted);
        }
    }
}

TEST_F(AdsWebViewTest, FeedbackPageFillsEveryScriptPlaceholderOnce) {
    EXPECT_EQ(advice::preparePage("a JS_URL b JS_URL/x.js JS_URLJS_URL", "/w/js"),
              "a /w/js b /w/js/x.js /w/js/w/js");
    // A folder that itself holds the placeholder is not replaced again.
    EXPECT_EQ(advice::preparePage("JS_URL|JS_URL", "/JS_URL/"), "/JS_URL/|/JS_URL/");

    cocos2d::Scene* page = advice::createScene();
    ASSERT_NE(page, nullptr);
    cocos2d::Director::getInstance()->pushScene(page);
    advice* view = nullptr;
    ASSERT_TRUE(pumpUntil([&] {
        for (cocos2d::Node* child : page->getChildren()) {
            for (cocos2d::Node* inner : child->getChildren()) {
                if (auto* found = dynamic_cast<advice*>(inner)) {
                    view = found;
                }
            }
        }
        return view != nullptr && !view->getLoadedHtml().empty();
    }));
    const std::string& html = view->getLoadedHtml();
    EXPECT_EQ(html.find("JS_URL"), std::string::npos);
    EXPECT_NE(html.find(writable.str() + "qn/tmp/res/js/advice.js"), std::string::npos);
    EXPECT_EQ(view->getContentSize(), cocos2d::Size(960.0f, 580.0f));
}

}  // namespace
}  // namespace onlinetest
