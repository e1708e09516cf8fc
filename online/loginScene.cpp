#include "online/loginScene.h"

#include "engine/2d/Transition.h"
#include "engine/base/Director.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "engine/ui/Text.h"
#include "online/login.h"
#include "toolkit/core/AppConfig.h"

namespace {
const int kFrameTag = 100;
const float kTitleBarHeight = 60.0f;
const float kSlideSeconds = 0.5f;
}  // namespace

login* loginScene::create() {
    auto* scene = new loginScene();
    if (!scene->init()) {
        delete scene;
        return nullptr;
    }
    scene->autorelease();
    scene->enableAndroidReturnKey();
    cocos2d::Node* frame = cocos2d::CSLoader::createNode("bkScene.csb", true);
    if (frame == nullptr) {
        return nullptr;
    }
    const cocos2d::Size& win = cocos2d::Director::getInstance()->getWinSize();
    frame->setTag(kFrameTag);
    frame->setContentSize(win);
    cocos2d::ui::Helper::doLayout(frame);
    AppConfig::getInstance()->setWidgetText(frame, "");
    scene->addChild(frame);
    if (auto* title = dynamic_cast<cocos2d::ui::Text*>(frame->getChildByNameDeep("title"))) {
        title->setString("Welcome");
    }
    login* panel = login::createPanel();
    if (panel == nullptr) {
        return nullptr;
    }
    if (auto* back = dynamic_cast<cocos2d::ui::Button*>(frame->getChildByNameDeep("goBack"))) {
        back->addClickEventListener([scene](cocos2d::Ref*) { scene->onResponseReturn(); });
    }
    frame->addChild(panel);
    panel->setContentSize(cocos2d::Size(win.width, win.height - kTitleBarHeight));
    panel->setPosition(cocos2d::Vec2(0.0f, 0.0f));
    panel->setAnchorPoint(cocos2d::Vec2(0.0f, 0.0f));
    if (cocos2d::Node* layout = panel->getLayout()) {
        layout->setContentSize(panel->getContentSize());
        cocos2d::ui::Helper::doLayout(layout);
    }
    panel->hostInScene();
    panel->bindButtons();
    panel->layoutBackground();
    cocos2d::Director::getInstance()->pushScene(
        cocos2d::TransitionMoveInLeftTop::create(kSlideSeconds, scene));
    return panel;
}

bool loginScene::onResponseReturn() {
    cocos2d::Node* frame = getChildByTag(kFrameTag);
    auto* panel =
        frame == nullptr ? nullptr : dynamic_cast<login*>(frame->getChildByName("login_view"));
    if (panel != nullptr) {
        return panel->onResponseReturn();
    }
    cocos2d::Director::getInstance()->popScene(1);
    return true;
}
