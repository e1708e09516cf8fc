#include "toolkit/widgets/UIControlBase.h"

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/ui/Layout.h"
#include "engine/ui/Text.h"

namespace NSUI {

namespace {

const char kMessageBoxName[] = "messageBox";
const char kMessageTextName[] = "messageBox.text";
const char kMessageViewName[] = "ns_fun_messageBox";
const int kMessageBoxZOrder = 300000;
const int kMessageTextZOrder = 300010;
const float kMessageBoxHeight = 80.0f;

}  // namespace

cocos2d::Node* UIControlBase::showMessage(const std::string& text, float seconds) {
    cocos2d::Director* director = cocos2d::Director::getInstance();
    cocos2d::Scene* scene = director->getRunningScene();
    if (scene == nullptr) {
        return nullptr;
    }
    cocos2d::Node* box = scene->getChildByName(kMessageBoxName);
    if (box == nullptr) {
        box = createMessageBox();
        if (box == nullptr) {
            return nullptr;
        }
        scene->addChild(box);
        box->setName(kMessageBoxName);
        const cocos2d::Size& win = director->getWinSize();
        box->setPosition(cocos2d::Vec2(win.width * 0.5f, win.height * 0.15f));
        box->setContentSize(cocos2d::Size(win.width * 0.8f, kMessageBoxHeight));
        box->setAnchorPoint(cocos2d::Vec2(0.5f, 0.5f));
        box->setLocalZOrder(kMessageBoxZOrder);
    }
    if (auto* label = dynamic_cast<cocos2d::ui::Text*>(box->getChildByNameDeep(kMessageTextName))) {
        label->setString(text);
    }
    if (!box->isVisible()) {
        box->setVisible(true);
    }
    scene->setMessageNode(box, seconds);
    return box;
}

cocos2d::Node* UIControlBase::createMessageBox() {
    cocos2d::ui::Layout* box = cocos2d::ui::Layout::create();
    if (box == nullptr) {
        return nullptr;
    }
    box->setBackGroundColorType(cocos2d::ui::Layout::BackGroundColorType::SOLID);
    box->setBackGroundColor(cocos2d::Color3B(88, 88, 88));
    box->setBackGroundColorOpacity(233);
    box->setName(kMessageBoxName);

    cocos2d::ui::Text* label = cocos2d::ui::Text::create("", "", 23.0f);
    if (label == nullptr) {
        return nullptr;
    }
    label->setName(kMessageTextName);
    label->setTextColor(cocos2d::Color4B::WHITE);
    label->setAnchorPoint(cocos2d::Vec2(0.5f, 0.5f));
    label->enableShadow(cocos2d::Color4B::BLACK, cocos2d::Size(1.0f, -1.0f), 0);
    label->setPositionPercent(cocos2d::Vec2(0.5f, 0.5f));
    label->setPositionType(cocos2d::ui::Widget::PositionType::PERCENT);
    box->addChild(label, kMessageTextZOrder);
    return box;
}

void UIControlBase::setRelativeAlign(int align, const std::string& relativeName,
                                     const cocos2d::ui::Margin& margin) {
    using Align = cocos2d::ui::RelativeLayoutParameter::RelativeAlign;
    auto* widget = dynamic_cast<cocos2d::ui::Widget*>(owner);
    if (widget == nullptr || align < static_cast<int>(Align::PARENT_TOP_LEFT) ||
        align > static_cast<int>(Align::PARENT_RIGHT_BOTTOM)) {
        return;
    }
    auto* parameter = cocos2d::ui::RelativeLayoutParameter::create();
    parameter->setAlign(static_cast<Align>(align));
    widget->setLayoutParameter(parameter);
    parameter->setRelativeName(relativeName);
    parameter->setMargin(margin);
}

messageView* messageView::create() {
    auto* view = new messageView();
    if (!view->init()) {
        delete view;
        return nullptr;
    }
    view->autorelease();
    return view;
}

messageView::~messageView() {
    cocos2d::Node::cleanup();
}

cocos2d::Node* showMessageBox(const std::string& text, float seconds) {
    cocos2d::Scene* scene = cocos2d::Director::getInstance()->getRunningScene();
    if (scene == nullptr) {
        return nullptr;
    }
    auto* view = dynamic_cast<messageView*>(scene->getChildByName(kMessageViewName));
    if (view == nullptr) {
        view = messageView::create();
        if (view == nullptr) {
            return nullptr;
        }
        view->setName(kMessageViewName);
        scene->addChild(view);
        view->owner = scene;
    }
    return view->showMessage(text, seconds);
}

}  // namespace NSUI
