#include "imagesdk/render/isNodeOverlaySprite.h"

#include "engine/ui/Layout.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"

namespace isImageSDK {

bool isNodeOverlaySprite::init() {
    if (!cocos2d::ui::Button::init()) {
        return false;
    }
    size = 10;
    imageHeight = 10;
    overlayKind = kButton;
    bound = 0;
    scaleFactor = 1.0f;
    overlayId = NOTIFY_OVERLAY_FIXED_LABEL;
    setAnchorPoint(cocos2d::Vec2(1.0f, 0.0f));
    return true;
}

void isNodeOverlaySprite::cleanup() {
    cocos2d::ui::Button::cleanup();
    // The corner texts' actor takes its buttons out with cleanup also while the program ends.
    if (NSUI::NSNotificationCenter* centre = NSUI::NSNotificationCenter::getExistingInstance()) {
        centre->removeObserver(this);
    }
}

void isNodeOverlaySprite::observe(int key) {
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        this, group,
        [this](cocos2d::Ref*, unsigned received, NSUI::NSNotificationData* data) {
            onNotification(received, data);
        },
        key);
}

void isNodeOverlaySprite::bindNotification(const std::string& normalImage,
                                           const std::string& pressedImage, unsigned id,
                                           const std::string& disabledImage) {
    NSUI::NSNotificationCenter::getInstance()->removeObserver(this);
    bound = 1;
    overlayId = id;
    switch (id) {
    case NOTIFY_CINE_BUTTON:
        observe(NOTIFY_CINE_BUTTON);
        observe(NOTIFY_CINE_STATE_A);
        break;
    case NOTIFY_OVERLAY_PRIOR:
        observe(NOTIFY_CINE_STATE_B);
        break;
    case NOTIFY_OVERLAY_NEXT:
        observe(NOTIFY_CINE_STATE_C);
        break;
    default:
        break;
    }
    loadTextures(normalImage, pressedImage, disabledImage);
    // An image that failed to load keeps the last height, so the scale never divides by 0.
    if (_normalTextureSize.height >= 1.0f) {
        imageHeight = static_cast<int>(_normalTextureSize.height);
    }
    if (group != nullptr) {
        setGlobalZOrder(group->getGlobalZOrder() + 1.0f);
    }
    relayout();
}

void isNodeOverlaySprite::setButtonSize(int size) {
    this->size = size;
    const float height = static_cast<float>(imageHeight);
    float scale = 0.0f;
    if (AppConfig::getInstance()->isPhone) {
        scale = static_cast<float>(size) * scaleFactor / height;
        setTouchScaled(1.0f, scale * 1.5f);
        reportedSize.width = static_cast<float>(size) * 1.5f * scaleFactor;
    } else {
        scale = static_cast<float>(size) / height * 0.8f;
        setTouchScaled(1.0f, 1.0f / scale);
        reportedSize.width = static_cast<float>(size) * 1.5f;
    }
    setScale(scale);
    reportedSize.height = static_cast<float>(size);
}

const cocos2d::Size& isNodeOverlaySprite::getContentSize() const {
    return reportedSize;
}

void isNodeOverlaySprite::relayout() {
    if (auto* layout = dynamic_cast<cocos2d::ui::Layout*>(getParent())) {
        layout->requestDoLayout();
    }
}

void isNodeOverlaySprite::onNotification(unsigned key, NSUI::NSNotificationData* data) {
    const int value = data != nullptr ? data->intValue : 0;
    switch (key) {
    case NOTIFY_CINE_BUTTON:
        if (value > 0) {
            loadTextures(kPauseImage, kPauseImage, "");
        } else {
            loadTextures(kPlayImage, kPlayImage, "");
        }
        break;
    case NOTIFY_CINE_STATE_A:
    case NOTIFY_CINE_STATE_B:
    case NOTIFY_CINE_STATE_C:
        setVisible(value > 0);
        break;
    default:
        break;
    }
}

bool isNodeOverlaySprite::onTouchBegan(cocos2d::Touch* touch, cocos2d::Event* event) {
    const bool began = cocos2d::ui::Button::onTouchBegan(touch, event);
    if (!began) {
        return false;
    }
    int command = 0;
    switch (overlayId) {
    case NOTIFY_CINE_BUTTON:
        command = NOTIFY_CINE_TOGGLE;
        break;
    case NOTIFY_OVERLAY_PRIOR:
    case NOTIFY_OVERLAY_NEXT:
        command = static_cast<int>(overlayId);
        break;
    default:
        break;
    }
    if (command != 0) {
        NSUI::NSNotificationCenter::getInstance()->postNotification(this, command, nullptr, group,
                                                                    true);
    }
    return true;
}

}  // namespace isImageSDK
