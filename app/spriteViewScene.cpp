#include "app/spriteViewScene.h"

#include "engine/base/Director.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "engine/ui/Text.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/widgets/NSSpriteView.h"

cocos2d::Scene* spriteViewScene::createScene() {
    auto* scene = new spriteViewScene();
    if (!scene->init()) {
        delete scene;
        return nullptr;
    }
    scene->autorelease();
    scene->enableAndroidReturnKey(true);

    cocos2d::Node* layout = cocos2d::CSLoader::createNode(kLayoutFile);
    if (layout == nullptr) {
        return scene;
    }
    const cocos2d::Size window = cocos2d::Director::getInstance()->getWinSize();
    layout->setContentSize(window);
    cocos2d::ui::Helper::doLayout(layout);
    AppConfig::getInstance()->setWidgetText(layout, "");
    scene->addChild(layout);

    if (auto* back = dynamic_cast<cocos2d::ui::Widget*>(layout->getChildByNameDeep("goBack"))) {
        back->addClickEventListener([scene](cocos2d::Ref*) { scene->onResponseReturn(); });
        auto* share = cocos2d::ui::Button::create(kShareImage, kShareImage, "");
        share->setLocalZOrder(back->getLocalZOrder());
        share->setAnchorPoint(cocos2d::Vec2(1.0f, 1.0f));
        share->setPosition(cocos2d::Vec2(window.width, window.height));
        share->addClickEventListener([scene](cocos2d::Ref*) { scene->shareImage(); });
        back->getParent()->addChild(share);
    }
    if (auto* title = dynamic_cast<cocos2d::ui::Text*>(layout->getChildByNameDeep("title"))) {
        title->setString("");
    }

    NSUI::NSSpriteView* view = NSUI::NSSpriteView::create();
    layout->addChild(view);
    scene->enableAndroidReturnKey(true);
    view->setContentSize(cocos2d::Size(window.width, window.height - kTitleBarHeight));
    view->setTag(kPictureTag);
    return scene;
}

bool spriteViewScene::onResponseReturn() {
    cocos2d::Director::getInstance()->popScene();
    return true;
}

void spriteViewScene::shareImage() {
    // The desktop's share hook takes no picture: it is asked and answers with an empty text.
    NSUI::sharePlatformText();
}
