#include "toolkit/widgets/NSWebView.h"

#include "engine/base/Director.h"

#include <utility>

using namespace cocos2d;

namespace NSUI {

namespace {
constexpr int kWebViewZOrder = 100000;
const char* const kActionPageRoot = "http://localhost/";
}  // namespace

NSWebView* NSWebView::create() {
    auto* view = new NSWebView();
    if (!view->init()) {
        delete view;
        return nullptr;
    }
    view->autorelease();
    return view;
}

NSWebView::~NSWebView() {
    NSWebView::cleanup();
}

void NSWebView::onEnterTransitionDidFinish() {
    Node::onEnterTransitionDidFinish();
    firstEnter = false;
}

void NSWebView::onExitTransitionDidStart() {}

void NSWebView::cleanup() {
    removeAllChildren();
    Node::cleanup();
}

bool NSWebView::init() {
    if (!Node::init()) {
        return false;
    }
    setPosition(Vec2::ZERO);
    setAnchorPoint(Vec2::ANCHOR_BOTTOM_LEFT);
    setContentSize(Director::getInstance()->getWinSize());
    setLocalZOrder(kWebViewZOrder);
    firstEnter = true;
    const std::string root = kActionPageRoot;
    retryUrl = root + "retry.html";
    backToMainUrl = root + "backToMain.html";
    removeUrl = root + "remove.html";
    updateApkUrl = root + "updateapk.html";
    openUrlUrl = root + "openurl.html";
    return true;
}

bool NSWebView::isShowing() {
    return isVisible();
}

bool NSWebView::onNavigate(std::string /*url*/) {
    return false;
}

void NSWebView::loadURL(std::string url) {
    loadedUrl = std::move(url);
    loadedHtml.clear();
}

void NSWebView::loadHTMLString(std::string html, std::string baseUrl) {
    loadedHtml = std::move(html);
    loadedUrl = std::move(baseUrl);
}

}  // namespace NSUI
