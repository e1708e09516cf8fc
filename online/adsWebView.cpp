#include "online/adsWebView.h"

#include "engine/base/Base64.h"
#include "studydb/StudyNotifications.h"
#include "toolkit/core/NSNotificationCenter.h"

adsWebView* adsWebView::create() {
    auto* view = new adsWebView();
    if (!view->init()) {
        delete view;
        return nullptr;
    }
    view->autorelease();
    return view;
}

bool adsWebView::init() {
    if (!NSWebView::init()) {
        return false;
    }
    updateLink = updateApkUrl;
    return true;
}

void adsWebView::onEnterTransitionDidFinish() {
    Node::onEnterTransitionDidFinish();
    firstEnter = false;
}

bool adsWebView::onNavigate(std::string url) {
    const std::size_t length = updateLink.size();
    if (url.size() > length && url.compare(0, length, updateLink) == 0) {
        const std::string address = cocos2d::safeBase64DecodeString(url.substr(length + 1));
        retain();
        NSUI::NSNotificationCenter::getInstance()->postString(
            this, studydb::NOTIFY_UPDATE_APK_REQUEST, address, nullptr, false);
        removeFromParent();
        release();
        return true;
    }
    // The bare update link carries no package: nothing to fetch, but it is not a page either.
    for (const std::string* reserved :
         {&retryUrl, &backToMainUrl, &removeUrl, &updateApkUrl, &openUrlUrl}) {
        const std::size_t size = reserved->size();
        if (url.compare(0, size, *reserved) == 0 && (url.size() == size || url[size] == '?')) {
            return true;
        }
    }
    return false;
}
