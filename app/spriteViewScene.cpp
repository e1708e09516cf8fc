#include "app/spriteViewScene.h"

#include "engine/base/Director.h"
#include "engine/ui/Button.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/widgets/NSSpriteView.h"
#include "toolkit/widgets/NSTitleFrame.h"

cocos2d::Scene* spriteViewScene::createScene() {
    auto* scene = new spriteViewScene();
    if (!scene->init()) {
        delete scene;
        return nullptr;
    }
    scene->autorelease();
    scene->enableAndroidReturnKey(true);

    cocos2d::Node* layout = NSUI::addTitleFrame(scene, "", [scene] { scene->onResponseReturn(); });
    if (layout == nullptr) {
        return scene;
    }
    const cocos2d::Size window = cocos2d::Director::getInstance()->getWinSize();
    if (cocos2d::Node* back = layout->getChildByNameDeep("goBack")) {
        auto* share = cocos2d::ui::Button::create(kShareImage, kShareImage, "");
        share->setLocalZOrder(back->getLocalZOrder());
        share->setAnchorPoint(cocos2d::Vec2(1.0f, 1.0f));
        share->setPosition(cocos2d::Vec2(window.width, window.height));
        share->addClickEventListener([scene](cocos2d::Ref*) { scene->shareImage(); });
        back->getParent()->addChild(share);
    }

    NSUI::NSSpriteView* view = NSUI::NSSpriteView::create();
    layout->addChild(view);
    scene->enableAndroidReturnKey(true);
    view->setContentSize(cocos2d::Size(window.width, window.height - NSUI::kTitleBarHeight));
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
