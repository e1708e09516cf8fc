#include "online/advice.h"

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "engine/ui/Text.h"

namespace {
const float kTitleBarHeight = 60.0f;
const char kPlaceholder[] = "JS_URL";
}  // namespace

advice* advice::create() {
    auto* view = new advice();
    if (!view->init()) {
        delete view;
        return nullptr;
    }
    view->autorelease();
    return view;
}

cocos2d::Scene* advice::createScene() {
    cocos2d::Scene* scene = cocos2d::Scene::create();
    scene->enableAndroidReturnKey();
    cocos2d::Node* frame = cocos2d::CSLoader::createNode("bkScene.csb", true);
    if (frame == nullptr) {
        return nullptr;
    }
    const cocos2d::Size& win = cocos2d::Director::getInstance()->getWinSize();
    frame->setContentSize(win);
    cocos2d::ui::Helper::doLayout(frame);
    scene->addChild(frame);
    if (auto* back = dynamic_cast<cocos2d::ui::Button*>(frame->getChildByNameDeep("goBack"))) {
        back->addClickEventListener(
            [](cocos2d::Ref*) { cocos2d::Director::getInstance()->popScene(0); });
    }
    if (auto* title = dynamic_cast<cocos2d::ui::Text*>(frame->getChildByNameDeep("title"))) {
        title->setString("Advice");
    }
    if (advice* view = advice::create()) {
        frame->addChild(view);
        view->setContentSize(cocos2d::Size(win.width, win.height - kTitleBarHeight));
        view->setPosition(cocos2d::Vec2(0.0f, 0.0f));
        view->setAnchorPoint(cocos2d::Vec2(0.0f, 0.0f));
    }
    return scene;
}

std::string advice::preparePage(std::string page, const std::string& folder) {
    const std::size_t length = sizeof(kPlaceholder) - 1;
    for (std::size_t at = page.find(kPlaceholder); at != std::string::npos;
         at = page.find(kPlaceholder, at + folder.size())) {
        page.replace(at, length, folder);
    }
    return page;
}

void advice::onEnterTransitionDidFinish() {
    adsWebView::onEnterTransitionDidFinish();
    cocos2d::FileUtils* files = cocos2d::FileUtils::getInstance();
    const std::string folder = files->getWritablePath() + "qn/tmp/res/js";
    loadHTMLString(preparePage(files->getStringFromFile("pay/advice.htm"), folder));
    setVisible(true);
}
