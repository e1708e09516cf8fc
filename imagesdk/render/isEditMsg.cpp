#include "imagesdk/render/isEditMsg.h"

#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "engine/ui/Layout.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/widgets/NSTextField.h"

namespace isImageSDK {

bool isEditMsg::init() {
    if (!NSUI::NSLayout::init()) {
        return false;
    }
    editField = nullptr;
    group = nullptr;
    root = nullptr;
    return true;
}

void isEditMsg::cleanup() {
    NSUI::NSLayout::cleanup();
    // An open pop-up is also cleaned up while its window goes: a centre made then would be tied
    // to a scheduler about to be purged and would deliver nothing ever after.
    if (NSUI::NSNotificationCenter* centre = NSUI::NSNotificationCenter::getExistingInstance()) {
        centre->removeObserver(this);
    }
}

void isEditMsg::buildLayout() {
    root = cocos2d::CSLoader::createNode(kLayoutFile);
    if (root == nullptr) {
        return;
    }
    layoutSize = root->getContentSize();
    setContentSize(layoutSize);
    addChild(root);
    cocos2d::ui::Helper::doLayout(root);

    auto* ok = dynamic_cast<cocos2d::ui::Button*>(root->getChildByNameDeep("ok"));
    if (ok != nullptr) {
        ok->setPressedActionEnabled(true);
        ok->addClickEventListener([this](cocos2d::Ref* sender) {
            auto* clicked = dynamic_cast<cocos2d::Node*>(sender);
            if (clicked != nullptr && clicked->getName() == "ok") {
                finish();
            }
        });
    }

    cocos2d::Node* placeholder = root->getChildByNameDeep("edit");
    if (placeholder == nullptr) {
        return;
    }
    const cocos2d::Size size = placeholder->getContentSize();
    editField = NSUI::NSTextField::createWithPlaceHolder("", cocos2d::Size(190.0f, 25.0f));
    if (editField == nullptr) {
        return;
    }
    editField->setContentSize(size);
    editField->setClippingRect(cocos2d::Rect(0.0f, 0.0f, size.width, size.height));
    editField->setTextColor(cocos2d::Color3B(88, 88, 88));
    editField->setFontSize(15);
    editField->setPlaceHolderFontSize(12);
    editField->setPlaceHolderColor(cocos2d::Color3B(155, 155, 155));
    editField->setPlaceHolder("Text");
    cocos2d::Node* fieldParent = ok != nullptr ? ok->getParent() : placeholder->getParent();
    const int z = ok != nullptr ? ok->getLocalZOrder() + 1000 : placeholder->getLocalZOrder();
    editField->setPosition(placeholder->getPosition());
    editField->setAnchorPoint(placeholder->getAnchorPoint());
    fieldParent->addChild(editField, z);
    // The height of one typed line, not of the smaller placeholder: the pop-up grows only from
    // a second line on.
    editField->setString("M");
    initialFieldHeight = static_cast<int>(editField->getContentSize().height);
    editField->setString("");
    editField->setEventCallback(
        [this](cocos2d::Ref*, NSUI::NSTextField::EventType event) { onFieldEvent(event); });
    placeholder->removeFromParent();
}

void isEditMsg::onFieldEvent(int event) {
    switch (event) {
    case NSUI::TextFieldEvent::SIZE_CHANGED: {
        if (root == nullptr || editField == nullptr) {
            return;
        }
        const float height = editField->getContentSize().height;
        if (height <= static_cast<float>(initialFieldHeight)) {
            return;
        }
        const cocos2d::Size grown(getContentSize().width,
                                  layoutSize.height + height -
                                      static_cast<float>(initialFieldHeight));
        setContentSize(grown);
        root->setContentSize(grown);
        cocos2d::ui::Helper::doLayout(root);
        editField->setClippingRect(
            cocos2d::Rect(0.0f, 0.0f, editField->getContentSize().width, grown.height));
        break;
    }
    case NSUI::TextFieldEvent::ENTER:
        finish();
        break;
    default:
        break;
    }
}

void isEditMsg::finish() {
    const std::string text = editField != nullptr ? editField->getString() : std::string();
    if (!text.empty()) {
        NSUI::NSNotificationCenter::getInstance()->postString(this, NOTIFY_LABEL_TEXT_DONE, text,
                                                              group, true);
    }
    // Called from the field's own event: the pop-up and its field outlive this frame's callbacks.
    retain();
    removeFromParent();
    autorelease();
}

void isEditMsg::editBoxReturn(cocos2d::ui::EditBox*) {
    finish();
}

cocos2d::Node* isEditMsg::findHost(cocos2d::Node* parent) {
    cocos2d::Node* host = parent;
    for (int climb = 0; climb < 2 && host != nullptr; ++climb) {
        if (host->getContentSize().width >= kMinHostWidth || host->getParent() == nullptr) {
            break;
        }
        host = host->getParent();
    }
    return host;
}

isEditMsg* isEditMsg::openOn(cocos2d::Node* host, void* group, const std::string& text) {
    if (host == nullptr) {
        return nullptr;
    }
    // A double click taps twice: a second pop-up under the first would outlive its OK and post
    // the text it was opened with.
    for (cocos2d::Node* child : host->getChildren()) {
        auto* open = dynamic_cast<isEditMsg*>(child);
        if (open != nullptr && open->getGroup() == group) {
            return open;
        }
    }
    isEditMsg* popup = create();
    if (popup == nullptr) {
        return nullptr;
    }
    host->addChild(popup, 100000);
    popup->setAnchorPoint(cocos2d::Vec2(0.5f, 1.0f));
    const cocos2d::Size& hostSize = host->getContentSize();
    popup->setPosition(cocos2d::Vec2(hostSize.width * 0.5f, hostSize.height));
    popup->buildLayout();
    popup->setRelativeAlign(2, "", cocos2d::ui::Margin());
    popup->setGroup(group);
    if (popup->editField != nullptr) {
        popup->editField->setString(text);
        popup->editField->startEditing();
    }
    return popup;
}

}  // namespace isImageSDK
