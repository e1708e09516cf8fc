#include "app/FavoriteBadge.h"

#include <cstdlib>
#include <string>

#include "engine/2d/Label.h"
#include "engine/2d/Sprite.h"
#include "engine/ui/Button.h"

void updateFavoriteBadge(cocos2d::Node* screen, int value) {
    cocos2d::Node* button = screen != nullptr ? screen->getChildByNameDeep("btnFavorite") : nullptr;
    cocos2d::Node* parent = button != nullptr ? button->getParent() : nullptr;
    if (parent == nullptr) {
        return;
    }
    const int count = value < 0 ? std::atoi(button->getUserString().c_str()) + 1 : value;
    button->setUserString(std::to_string(count));
    auto* label = dynamic_cast<cocos2d::Label*>(parent->getChildByName("favoriteNodes"));
    cocos2d::Node* background = parent->getChildByName("favoriteNodesBK");
    if (label == nullptr) {
        const cocos2d::Vec2 at(button->getPositionX() - 10.0f, button->getPositionY() + 15.0f);
        if (background == nullptr) {
            background = cocos2d::Sprite::create("imgs/newFiles.png");
            if (background != nullptr) {
                background->setScale(2.0f);
                background->setAnchorPoint(cocos2d::Vec2(0.5f, 0.5f));
                background->setPosition(at);
                background->setName("favoriteNodesBK");
                parent->addChild(background, button->getLocalZOrder() + 1);
            }
        }
        label = cocos2d::Label::createWithSystemFont("", "", 15.0f);
        if (label == nullptr) {
            return;
        }
        label->setTextColor(cocos2d::Color4B::WHITE);
        label->setAnchorPoint(cocos2d::Vec2(0.5f, 0.5f));
        label->setPosition(at);
        label->setName("favoriteNodes");
        parent->addChild(label, button->getLocalZOrder() + 2);
    }
    const bool shown = count >= 1;
    label->setVisible(shown);
    label->setString(std::to_string(count));
    if (background != nullptr) {
        background->setVisible(shown);
    }
}

cocos2d::Label* countBadge(cocos2d::Node* button, const std::string& name, float dx) {
    cocos2d::Node* parent = button->getParent();
    if (auto* existing = dynamic_cast<cocos2d::Label*>(parent->getChildByName(name))) {
        return existing;
    }
    const cocos2d::Vec2 at(button->getPositionX() + dx, button->getPositionY() + 15.0f);
    if (cocos2d::Sprite* back = cocos2d::Sprite::create("imgs/newFiles.png")) {
        back->setScale(2.0f);
        back->setAnchorPoint(cocos2d::Vec2(0.5f, 0.5f));
        back->setPosition(at);
        back->setName(name + "BK");
        parent->addChild(back, button->getLocalZOrder() + 1);
    }
    cocos2d::Label* count = cocos2d::Label::createWithSystemFont("", "", 15.0f);
    count->setTextColor(cocos2d::Color4B::WHITE);
    count->setAnchorPoint(cocos2d::Vec2(0.5f, 0.5f));
    count->setPosition(at);
    count->setName(name);
    parent->addChild(count, button->getLocalZOrder() + 2);
    return count;
}
