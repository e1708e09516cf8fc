#include "toolkit/widgets/NSWebView.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/2d/Scene.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"

using namespace cocos2d;
using NSUI::NSWebView;

namespace {

class NSWebViewTest : public ::testing::Test {
protected:
    void SetUp() override { Director::getInstance()->setWinSize(Size(800.0f, 600.0f)); }
    void TearDown() override {
        Director::getInstance()->purgeDirector();
        PoolManager::getInstance()->getCurrentPool()->clear();
    }
};

TEST_F(NSWebViewTest, CreatedViewCoversTheWindowFromTheOriginAboveEverything) {
    NSWebView* view = NSWebView::create();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->getContentSize(), Size(800.0f, 600.0f));
    EXPECT_EQ(view->getPosition(), Vec2::ZERO);
    EXPECT_EQ(view->getAnchorPoint(), Vec2::ANCHOR_BOTTOM_LEFT);
    EXPECT_EQ(view->getLocalZOrder(), 100000);
    EXPECT_TRUE(view->firstEnter);
    EXPECT_TRUE(view->isShowing());
    view->setVisible(false);
    EXPECT_FALSE(view->isShowing());
}

TEST_F(NSWebViewTest, ActionPagesAreDirectlyUnderTheLocalHostRoot) {
    NSWebView* view = NSWebView::create();
    const struct {
        const std::string& url;
        const char* page;
    } pages[] = {
        {view->retryUrl, "retry.html"},     {view->backToMainUrl, "backToMain.html"},
        {view->removeUrl, "remove.html"},   {view->updateApkUrl, "updateapk.html"},
        {view->openUrlUrl, "openurl.html"},
    };
    for (const auto& page : pages) {
        EXPECT_EQ(page.url, std::string("http://localhost/") + page.page);
    }
}

TEST_F(NSWebViewTest, BaseViewConsumesNoNavigationAndLoadsNothing) {
    NSWebView* view = NSWebView::create();
    view->addChild(Node::create());
    const std::string addresses[] = {
        view->retryUrl,
        view->updateApkUrl + "?aGVsbG8=",
        view->openUrlUrl + "?x",
        "https://example.org/index.html",
        "",
        "not an address",
    };
    for (const std::string& address : addresses) {
        EXPECT_FALSE(view->onNavigate(address)) << address;
        view->loadURL(address);
        view->loadHTMLString("<html><body>" + address + "</body></html>", address);
    }
    EXPECT_EQ(view->getChildrenCount(), 1);
    EXPECT_EQ(view->getContentSize(), Size(800.0f, 600.0f));
    EXPECT_EQ(view->getPosition(), Vec2::ZERO);
    EXPECT_TRUE(view->isShowing());
}

TEST_F(NSWebViewTest, FirstEnterIsClearedOnceTheViewHasEnteredTheStage) {
    Scene* scene = Scene::create();
    Director::getInstance()->runWithScene(scene);
    Director::getInstance()->mainLoop(0.0f);

    NSWebView* view = NSWebView::create();
    view->retain();
    Node* detached = Node::create();
    detached->addChild(view);
    EXPECT_TRUE(view->firstEnter);

    view->removeFromParentAndCleanup(false);
    scene->addChild(view);
    Director::getInstance()->mainLoop(0.0f);
    EXPECT_FALSE(view->firstEnter);

    view->removeFromParentAndCleanup(false);
    scene->addChild(view);
    EXPECT_FALSE(view->firstEnter);
    view->release();
}

TEST_F(NSWebViewTest, CleanupDropsTheChildren) {
    NSWebView* view = NSWebView::create();
    Node* holder = Node::create();
    holder->addChild(view);
    view->addChild(Node::create());
    view->addChild(Node::create());
    view->retain();
    view->removeFromParent();
    EXPECT_EQ(view->getChildrenCount(), 0);
    view->release();
}

}  // namespace
