#include "toolkit/widgets/NSMenu.h"

#include <algorithm>

#include "engine/2d/Label.h"
#include "engine/2d/Sprite.h"
#include "engine/renderer/Texture2D.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSSpriteView.h"
#include "toolkit/widgets/NSTableView.h"

namespace NSUI {

using cocos2d::Size;
using cocos2d::Vec2;

namespace {

constexpr int kIconTag = 100;
constexpr int kTitleTag = 101;
constexpr float kMaxMenuHeight = 600.0f;

}  // namespace

NSMenu::menuObject::~menuObject() = default;

NSMenu* NSMenu::create() {
    auto* menu = new NSMenu();
    if (!menu->init()) {
        delete menu;
        return nullptr;
    }
    menu->autorelease();
    return menu;
}

NSMenu::NSMenu() {
    highlightColor = cocos2d::Color4B(255, 255, 0, 55);
    highlightEnabled = false;
}

NSMenu::~NSMenu() {
    // The node base releases the list only after this object's delegate part is gone; the list
    // must not call back into it while it empties itself.
    if (listView != nullptr) {
        listView->setDelegate(nullptr);
    }
}

bool NSMenu::init() {
    if (!cocos2d::Layer::init()) {
        return false;
    }
    rowHeight = AppConfig::getInstance()->isPhone ? 100.0f : 40.0f;
    noIcons = true;
    noText = true;
    iconWidth = 0;
    listView = nullptr;
    removeOnClose = false;
    owner = this;
    fontSize = rowHeight * 0.5f;
    return true;
}

void NSMenu::setVisible(bool visible) {
    cocos2d::Layer::setVisible(visible);
    if (!visible && removeOnClose) {
        leaveParent();
    }
}

void NSMenu::leaveParent() {
    if (getParent() == nullptr) {
        return;
    }
    retain();
    autorelease();
    removeFromParent();
}

void NSMenu::setMenuItems(menuObject* first, int maxIconWidth) {
    iconWidth = 0;
    if (first == nullptr) {
        return;
    }
    int count = 0;
    size_t longest = 0;
    for (menuObject* item = first; item != nullptr; item = item->next) {
        ++count;
        if (iconWidth < 1 && !item->icon.empty()) {
            auto* probe = cocos2d::Sprite::create();
            probe->setTexture(item->icon);
            if (probe->getTexture() != nullptr) {
                iconWidth = std::min(probe->getTexture()->getPixelsWide(), maxIconWidth);
            }
        }
        longest = std::max(longest, item->title.size());
    }
    noText = longest < 1;
    noIcons = iconWidth <= 0;

    Size size(iconWidth + 10 + longest * fontSize * 0.6f,
              std::min(count * rowHeight, kMaxMenuHeight));
    if (noIcons) {
        size.width += 20.0f;
    }

    if (listView != nullptr) {
        listView->setDelegate(nullptr);
        removeChild(listView, true);
    }
    listView = NSListView::create();
    addChild(listView);
    listView->setContentSize(size);
    listView->setAnchorPoint(Vec2(0.0f, 0.0f));
    listView->setLocalZOrder(1000);
    listView->setDelegate(this);
    highlightEnabled = true;
    listView->reloadData();
    listView->setGlobalZOrder(100);
    for (menuObject* item = first; item != nullptr; item = item->next) {
        listView->insertItem(listView->getItemCount(), item);
    }
    setContentSize(size);
}

void NSMenu::setItemsTarget(void* target) {
    if (listView == nullptr) {
        return;
    }
    for (cocos2d::Ref* entry : listView->items) {
        if (auto* item = dynamic_cast<menuObject*>(entry)) {
            item->target = target;
        }
    }
}

Size NSMenu::getMenuSize() {
    return listView != nullptr ? listView->getContentSize() : Size::ZERO;
}

int NSMenu::getMenuHeight() {
    return listView != nullptr ? static_cast<int>(listView->getContentSize().height) : 0;
}

void NSMenu::tableCellTouched(NSTableView* table, NSTableViewCell* cell, const Vec2&) {
    auto* item = cell != nullptr ? dynamic_cast<menuObject*>(table->getItem(cell->index)) : nullptr;
    if (item != nullptr) {
        auto* data = new NSNotificationData();
        data->init();
        data->stringValue = item->value;
        data->setNotificationKey(key, nullptr);
        NSNotificationCenter::getInstance()->postNotification(this, static_cast<int>(item->key),
                                                              data, item->target, true);
        data->release();
    }
    if (removeOnClose) {
        leaveParent();
    } else {
        setVisible(false);
    }
}

Size NSMenu::tableCellSizeForIndex(NSTableView*, ssize_t, cocos2d::Ref*) {
    return Size(getContentSize().width, rowHeight);
}

NSTableViewCell* NSMenu::tableCellAtIndex(NSTableView* table, ssize_t index, const Size& cellSize) {
    auto* item = dynamic_cast<menuObject*>(table->getItem(index));
    NSTableViewCell* cell = table->reusableCell(index);
    if (cell == nullptr) {
        cell = NSTableViewCell::create();

        if (auto* background = cocos2d::Sprite::create("UIRes/greyHigh.png")) {
            const Size textureSize = background->getTextureRect().size;
            background->setPosition(Vec2(0.0f, 0.0f));
            background->setAnchorPoint(Vec2(0.0f, 0.0f));
            background->setScale(cellSize.width / textureSize.width,
                                 cellSize.height / textureSize.height);
            background->setOpacity(240);
            cell->addChild(background, -105);
        }

        auto* iconView = NSSpriteView::create();
        iconView->setContentSize(Size(static_cast<float>(iconWidth), cellSize.height - 10.0f));
        iconView->setTouchEnabled(false);
        iconView->setTag(kIconTag);
        if (noText) {
            iconView->setAnchorPoint(Vec2(0.5f, 0.5f));
            iconView->setPosition(Vec2(cellSize.width * 0.5f, cellSize.height * 0.5f));
        } else {
            iconView->setAnchorPoint(Vec2(0.0f, 0.5f));
            iconView->setPosition(Vec2(5.0f, cellSize.height * 0.5f));
        }
        cell->addChild(iconView);

        auto* title =
            cocos2d::Label::create("", "", fontSize, Size::ZERO, cocos2d::TextHAlignment::LEFT,
                                   cocos2d::TextVAlignment::TOP);
        if (title != nullptr) {
            title->setTag(kTitleTag);
            title->setTextColor(cocos2d::Color4B(220, 220, 220, 255));
            if (noIcons) {
                title->setAnchorPoint(Vec2(0.5f, 0.5f));
                title->setPosition(Vec2(cellSize.width * 0.5f, cellSize.height * 0.5f));
            } else {
                title->setAnchorPoint(Vec2(0.0f, 0.5f));
                title->setPosition(Vec2(iconWidth + 10.0f, cellSize.height * 0.5f));
            }
            cell->addChild(title);
        }
    }

    if (auto* iconView = dynamic_cast<NSSpriteView*>(cell->getChildByTag(kIconTag))) {
        if (item != nullptr && !item->icon.empty()) {
            iconView->setImage(item->icon);
            iconView->setVisible(true);
        } else {
            iconView->setVisible(false);
        }
    }
    if (auto* title = dynamic_cast<cocos2d::Label*>(cell->getChildByTag(kTitleTag))) {
        title->setString(item != nullptr ? item->title : std::string());
    }
    return cell;
}

}  // namespace NSUI
