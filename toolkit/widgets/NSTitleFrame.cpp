#include "toolkit/widgets/NSTitleFrame.h"

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "engine/ui/Text.h"
#include "toolkit/core/AppConfig.h"

namespace NSUI {

cocos2d::Node* addTitleFrame(cocos2d::Scene* scene, const std::string& title,
                             std::function<void()> onBack) {
    cocos2d::Node* frame = cocos2d::CSLoader::createNode(kTitleFrameFile);
    if (frame == nullptr) {
        return nullptr;
    }
    AppConfig* config = AppConfig::getInstance();
    frame->setContentSize(cocos2d::Director::getInstance()->getWinSize());
    cocos2d::ui::Helper::doLayout(frame);
    config->setWidgetText(frame, "");
    scene->addChild(frame);
    if (auto* back = dynamic_cast<cocos2d::ui::Button*>(frame->getChildByNameDeep("goBack"))) {
        back->addClickEventListener([onBack = std::move(onBack)](cocos2d::Ref*) { onBack(); });
    }
    if (auto* text = dynamic_cast<cocos2d::ui::Text*>(frame->getChildByNameDeep("title"))) {
        text->setString(title);
    }
    return frame;
}

void placeBelowTitleBar(cocos2d::Node* panel) {
    const cocos2d::Size window = cocos2d::Director::getInstance()->getWinSize();
    panel->setContentSize(cocos2d::Size(window.width, window.height - kTitleBarHeight));
    panel->setPosition(cocos2d::Vec2::ZERO);
    panel->setAnchorPoint(cocos2d::Vec2::ZERO);
}

}  // namespace NSUI
