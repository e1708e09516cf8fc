#include "imagesdk/render/isNodeText.h"

#include "engine/base/Touch.h"
#include "engine/ui/LayoutParameter.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isEditMsg.h"
#include "toolkit/core/NSNotificationCenter.h"

namespace isImageSDK {

bool isNodeText::init() {
    if (!Text::init()) {
        return false;
    }
    setFontName("");
    setTouchEnabled(false);
    _moved = 0;
    _tap = 1;
    _background = cocos2d::ui::Layout::create();
    _background->setBackGroundColorType(cocos2d::ui::Layout::BackGroundColorType::SOLID);
    _background->setBackGroundColor(cocos2d::Color3B::BLACK);
    _background->setBackGroundColorOpacity(150);
    _background->setContentSize(getContentSize());
    addChild(_background, -100);
    _editable = 0;
    _group = nullptr;
    return true;
}

void isNodeText::onSizeChanged() {
    Text::onSizeChanged();
    if (_background != nullptr) {
        _background->setContentSize(getContentSize());
    }
}

void isNodeText::setPosition(const cocos2d::Vec2& position) {
    Text::setPosition(position);
    cocos2d::ui::LayoutParameter* parameter = getLayoutParameter();
    if (parameter != nullptr &&
        parameter->getLayoutType() == cocos2d::ui::LayoutParameter::Type::RELATIVE) {
        parameter->setMargin(cocos2d::ui::Margin(position.x, 0.0f, 0.0f, position.y));
    }
}

bool isNodeText::onTouchBegan(cocos2d::Touch* touch, cocos2d::Event* event) {
    _tap = 1;
    _touchStart = touch->getLocation();
    _touchOnNode = Text::onTouchBegan(touch, event);
    return _touchOnNode;
}

void isNodeText::onTouchMoved(cocos2d::Touch* touch, cocos2d::Event* event) {
    Text::onTouchMoved(touch, event);
    _tap = 0;
    cocos2d::Node* parent = getParent();
    if (!_touchOnNode || parent == nullptr) {
        return;
    }
    const cocos2d::Vec2 now = parent->convertToNodeSpace(touch->getLocation());
    const cocos2d::Vec2 before = parent->convertToNodeSpace(touch->getPreviousLocation());
    setPosition(getPosition() + (now - before));
    _moved = 1;
    NSUI::NSNotificationCenter::getInstance()->postNotification(this, NOTIFY_LABEL_MOVED, nullptr,
                                                                parent, false);
}

void isNodeText::onTouchEnded(cocos2d::Touch* touch, cocos2d::Event* event) {
    Text::onTouchEnded(touch, event);
    NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getInstance();
    if (_touchOnNode && _group != nullptr) {
        center->postNotification(this, NOTIFY_LABEL_EDITED, nullptr, _group, false);
    }
    if (_touchOnNode && _tap != 0 && _editable != 0) {
        cocos2d::Node* parent = getParent();
        if (cocos2d::Node* host = isEditMsg::findHost(parent)) {
            isEditMsg::openOn(host, _group, getString());
        }
        _moved = 0;
        center->postNotification(this, NOTIFY_TEXT_NODE_TO_VIEW, nullptr, parent, false);
    }
    _touchOnNode = false;
    _tap = 1;
}

void isNodeText::onTouchCancelled(cocos2d::Touch* touch, cocos2d::Event* event) {
    Text::onTouchCancelled(touch, event);
    _tap = 1;
    _touchOnNode = false;
}

}  // namespace isImageSDK
