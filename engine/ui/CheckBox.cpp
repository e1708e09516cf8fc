#include "engine/ui/CheckBox.h"

#include "engine/2d/Sprite.h"
#include "engine/base/Director.h"
#include "engine/renderer/Texture2D.h"
#include "engine/renderer/TextureCache.h"

namespace cocos2d {
namespace ui {

namespace {

// Puts the file's image into `sprite`; false when it cannot be loaded.
bool loadSprite(Sprite* sprite, const std::string& file) {
    Texture2D* texture =
        file.empty() ? nullptr : Director::getInstance()->getTextureCache()->addImage(file);
    if (texture == nullptr) {
        return false;
    }
    sprite->setTexture(texture);
    sprite->setTextureRect(Rect(Vec2::ZERO, texture->getContentSize()));
    return true;
}

}  // namespace

CheckBox* CheckBox::create() {
    auto* box = new CheckBox();
    if (box->init()) {
        box->autorelease();
        return box;
    }
    delete box;
    return nullptr;
}

CheckBox* CheckBox::create(const std::string& backGround, const std::string& cross,
                           TextureResType type) {
    auto* box = new CheckBox();
    if (box->init(backGround, cross, type)) {
        box->autorelease();
        return box;
    }
    delete box;
    return nullptr;
}

bool CheckBox::init() {
    return init("", "");
}

bool CheckBox::init(const std::string& backGround, const std::string& cross, TextureResType type) {
    if (!Widget::init()) {
        return false;
    }
    loadTextureBackGround(backGround, type);
    loadTextureFrontCross(cross, type);
    setSelected(false);
    setTouchEnabled(true);
    return true;
}

void CheckBox::initRenderer() {
    _backGroundBoxRenderer = Sprite::create();
    _frontCrossRenderer = Sprite::create();
    addProtectedChild(_backGroundBoxRenderer, -2, -1);
    addProtectedChild(_frontCrossRenderer, -1, -1);
}

void CheckBox::loadTextureBackGround(const std::string& backGround, TextureResType) {
    if (loadSprite(_backGroundBoxRenderer, backGround)) {
        _backGroundFileName = backGround;
        Widget::setContentSize(_customSize);
        placeRenderers();
    }
}

void CheckBox::loadTextureFrontCross(const std::string& cross, TextureResType) {
    if (loadSprite(_frontCrossRenderer, cross)) {
        _frontCrossFileName = cross;
        placeRenderers();
    }
}

void CheckBox::setSelected(bool selected) {
    _isSelected = selected;
    _frontCrossRenderer->setVisible(selected);
}

void CheckBox::releaseUpEvent() {
    Widget::releaseUpEvent();
    setSelected(!_isSelected);
    retain();
    if (_checkBoxEventCallback) {
        _checkBoxEventCallback(this, _isSelected ? EventType::SELECTED : EventType::UNSELECTED);
    }
    release();
}

void CheckBox::onPressStateChangedToNormal() {
    _backGroundBoxRenderer->setColor(Color3B::WHITE);
}

void CheckBox::onPressStateChangedToDisabled() {
    _backGroundBoxRenderer->setColor(Color3B::GRAY);
}

Node* CheckBox::getVirtualRenderer() {
    return _backGroundBoxRenderer;
}

Size CheckBox::getVirtualRendererSize() const {
    return _backGroundBoxRenderer->getContentSize();
}

void CheckBox::onSizeChanged() {
    Widget::onSizeChanged();
    placeRenderers();
}

void CheckBox::placeRenderers() {
    const Vec2 centre(_contentSize.width * 0.5f, _contentSize.height * 0.5f);
    for (Sprite* sprite : {_backGroundBoxRenderer, _frontCrossRenderer}) {
        const Size& size = sprite->getContentSize();
        sprite->setPosition(centre);
        if (!_ignoreSize && size.width > 0.0f && size.height > 0.0f) {
            sprite->setScaleX(_contentSize.width / size.width);
            sprite->setScaleY(_contentSize.height / size.height);
        } else {
            sprite->setScale(1.0f);
        }
    }
}

std::string CheckBox::getDescription() const {
    return "CheckBox";
}

Widget* CheckBox::createCloneInstance() {
    return CheckBox::create();
}

void CheckBox::copySpecialProperties(Widget* model) {
    auto* box = dynamic_cast<CheckBox*>(model);
    if (box == nullptr) {
        return;
    }
    loadTextureBackGround(box->_backGroundFileName);
    loadTextureFrontCross(box->_frontCrossFileName);
    setSelected(box->_isSelected);
    _checkBoxEventCallback = box->_checkBoxEventCallback;
}

}  // namespace ui
}  // namespace cocos2d
