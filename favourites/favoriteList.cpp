#include "favourites/favoriteList.h"

#include <algorithm>

#include "app/spriteViewScene.h"
#include "engine/2d/Scene.h"
#include "engine/2d/Sprite.h"
#include "engine/2d/Transition.h"
#include "engine/base/Director.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "favourites/captureList.h"
#include "favourites/editMsg.h"
#include "favourites/favoriteView.h"
#include "favourites/favoriteViewPhone.h"
#include "online/statApplication.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/NSNotifyKeys.h"
#include "toolkit/widgets/NSSpriteView.h"

using cocos2d::Size;
using cocos2d::Vec2;

namespace {

const float kTitleBarHeight = 60.0f;
const float kDesktopBarHeight = 100.0f;
const float kPhoneBarHeight = 80.0f;
const int kBarZOrder = 1000;
const float kFlipSeconds = 0.5f;

void recordStat(int type) {
    statApplication::getInstance()->addStat(type, "");
}

// Loads a screen's layout at the window size and adds it; null when the file is missing.
cocos2d::Node* loadRoot(NSUI::NSLayout* screen, const char* file, const Size& window) {
    cocos2d::Node* root = cocos2d::CSLoader::createNode(file);
    if (root == nullptr) {
        return nullptr;
    }
    root->setContentSize(window);
    AppConfig::getInstance()->setWidgetText(root, "");
    if (auto* widget = dynamic_cast<cocos2d::ui::Widget*>(root)) {
        cocos2d::ui::Helper::doLayout(widget);
    }
    screen->addChild(root);
    return root;
}

// The buttons and the tick-all box of either form.
template <class Screen> void bindControls(Screen* screen, cocos2d::Node* root) {
    for (const char* name : {"btnShare", "btnRemove", "goBack"}) {
        if (auto* button = dynamic_cast<cocos2d::ui::Button*>(root->getChildByNameDeep(name))) {
            button->setPressedActionEnabled(true);
            button->addClickEventListener(
                [screen](cocos2d::Ref* sender) { screen->onButtonClick(sender); });
        }
    }
    if (auto* all = dynamic_cast<cocos2d::ui::CheckBox*>(root->getChildByNameDeep("chkAll"))) {
        all->addEventListener(
            [screen](cocos2d::Ref* sender, cocos2d::ui::CheckBox::EventType event) {
                screen->onCheckAll(sender, event);
            });
        all->setSelected(false);
    }
}

void handleButton(captureList* list, cocos2d::Ref* sender) {
    auto* button = dynamic_cast<cocos2d::ui::Button*>(sender);
    if (button == nullptr) {
        return;
    }
    const std::string& name = button->getName();
    if (name == "btnShare" && list != nullptr) {
        list->shareChecked();
    } else if (name == "btnRemove" && list != nullptr) {
        list->removeChecked();
    } else if (name == "goBack") {
        cocos2d::Director::getInstance()->popScene();
    }
}

void handleCheckAll(captureList* list, cocos2d::Ref* sender) {
    auto* box = dynamic_cast<cocos2d::ui::CheckBox*>(sender);
    if (box != nullptr && list != nullptr) {
        list->setAllChecked(box->isSelected());
    }
}

}  // namespace

// favoriteList

cocos2d::Scene* favoriteList::createScene() {
    cocos2d::Scene* scene = cocos2d::Scene::create();
    scene->addChild(favoriteList::create());
    scene->enableAndroidReturnKey(true);
    return scene;
}

bool favoriteList::init() {
    if (!NSUI::NSLayout::init()) {
        return false;
    }
    recordStat(kStatFavouritesOpened);
    leftWidth = 300;
    const Size window = cocos2d::Director::getInstance()->getWinSize();
    const float left = static_cast<float>(leftWidth);
    setContentSize(window);
    cocos2d::Node* root = loadRoot(this, kLayoutFile, window);
    if (root == nullptr) {
        return true;
    }

    messageBar = editMsg::create();
    messageBar->setPosition(Vec2::ZERO);
    messageBar->setAnchorPoint(Vec2::ZERO);
    messageBar->setLocalZOrder(kBarZOrder);
    messageBar->setContentSize(Size(left, kDesktopBarHeight));
    messageBar->setupLayout();
    addChild(messageBar);

    list = captureList::create();
    list->setPosition(Vec2(0.0f, kDesktopBarHeight));
    list->setContentSize(Size(left, window.height - kTitleBarHeight - kDesktopBarHeight));
    list->loadFavorites();
    list->onRowChosen = [this](const std::string& path, int kind) { onRowSelected(path, kind); };
    root->addChild(list);

    bindControls(this, root);

    const Size right(window.width - left, window.height);
    viewer = favoriteView::create();
    viewer->setPosition(Vec2(left, 0.0f));
    viewer->setContentSize(right);
    root->addChild(viewer);
    viewer->setVisible(false);
    viewer->setupTools();

    pictureView = NSUI::NSSpriteView::create();
    pictureView->setContentSize(right);
    pictureView->setAnchorPoint(Vec2::ZERO);
    pictureView->setPosition(Vec2(left, 0.0f));
    root->addChild(pictureView);

    background = cocos2d::Sprite::create(kBackground);
    if (background != nullptr) {
        root->addChild(background, -200);
        background->setAnchorPoint(Vec2(0.5f, 0.5f));
        background->setPosition(Vec2(right.width / 2.0f + left, window.height / 2.0f));
        const Size& texture = background->getContentSize();
        if (texture.width > 0.0f && texture.height > 0.0f) {
            background->setScale(
                std::max(window.height / texture.height, right.width / texture.width));
        }
    }
    return true;
}

void favoriteList::onButtonClick(cocos2d::Ref* sender) {
    handleButton(list, sender);
}

void favoriteList::onCheckAll(cocos2d::Ref* sender, cocos2d::ui::CheckBox::EventType /*event*/) {
    handleCheckAll(list, sender);
}

void favoriteList::onRowSelected(const std::string& path, int kind) {
    if (kind == kFavoriteDicom) {
        if (pictureView != nullptr) {
            pictureView->setVisible(false);
        }
        if (viewer != nullptr) {
            viewer->setVisible(true);
        }
        if (background != nullptr) {
            background->setVisible(false);
        }
        if (viewer != nullptr) {
            viewer->openFile(path);
        }
    } else if (kind == kFavoriteCapture) {
        if (background != nullptr) {
            background->setVisible(true);
        }
        if (pictureView != nullptr) {
            pictureView->setVisible(true);
        }
        if (viewer != nullptr) {
            viewer->setVisible(false);
        }
        if (pictureView != nullptr) {
            pictureView->setImage(path);
        }
    }
}

void favoriteList::onExit() {
    NSUI::NSLayout::onExit();
    recordStat(kStatFavouritesLeft);
}

void favoriteList::cleanup() {
    NSUI::NSLayout::cleanup();
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
}

// favoriteListPhone

bool favoriteListPhone::init() {
    if (!NSUI::NSLayout::init()) {
        return false;
    }
    recordStat(kStatFavouritesOpened);
    const Size window = cocos2d::Director::getInstance()->getWinSize();
    setContentSize(window);
    cocos2d::Node* root = loadRoot(this, kLayoutFile, window);
    if (root == nullptr) {
        return true;
    }
    editMsg* bar = editMsg::create();
    bar->setPosition(Vec2::ZERO);
    bar->setAnchorPoint(Vec2::ZERO);
    bar->setLocalZOrder(kBarZOrder);
    bar->setContentSize(Size(window.width, kPhoneBarHeight));
    bar->setupLayout();
    addChild(bar);

    list = captureList::create();
    list->setPosition(Vec2(0.0f, kPhoneBarHeight));
    list->setContentSize(Size(window.width, window.height - kTitleBarHeight - kPhoneBarHeight));
    list->loadFavorites();
    list->onRowChosen = [this](const std::string& path, int kind) { onRowSelected(path, kind); };
    root->addChild(list);

    bindControls(this, root);
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        this, nullptr,
        [this](cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data) {
            onNotification(sender, key, data);
        },
        NSUI::NOTIFY_IMAGE_RATIO_READY);
    return true;
}

void favoriteListPhone::onButtonClick(cocos2d::Ref* sender) {
    handleButton(list, sender);
}

void favoriteListPhone::onCheckAll(cocos2d::Ref* sender,
                                   cocos2d::ui::CheckBox::EventType /*event*/) {
    handleCheckAll(list, sender);
}

void favoriteListPhone::onRowSelected(const std::string& path, int kind) {
    cocos2d::Director* director = cocos2d::Director::getInstance();
    if (kind == kFavoriteDicom) {
        cocos2d::Scene* scene = favoriteViewPhone::createScene();
        if (auto* viewer = dynamic_cast<favoriteViewPhone*>(
                scene->getChildByTag(favoriteViewPhone::kViewerTag))) {
            viewer->openFile(path);
        }
        director->pushScene(scene);
    } else if (kind == kFavoriteCapture) {
        cocos2d::Scene* scene = spriteViewScene::createScene();
        if (auto* view = dynamic_cast<NSUI::NSSpriteView*>(
                scene->getChildByTagDeep(spriteViewScene::kPictureTag))) {
            view->setImage(path);
        }
        director->pushScene(cocos2d::TransitionFlipX::create(kFlipSeconds, scene));
    }
}

void favoriteListPhone::onNotification(cocos2d::Ref* /*sender*/, unsigned key,
                                       NSUI::NSNotificationData* data) {
    if (key != NSUI::NOTIFY_IMAGE_RATIO_READY || data == nullptr || data->stringValue.empty() ||
        list == nullptr) {
        return;
    }
    list->addImageRow(data->stringValue, data->floatValue, data->intValue);
}

void favoriteListPhone::onExit() {
    NSUI::NSLayout::onExit();
    recordStat(kStatFavouritesLeft);
}

void favoriteListPhone::cleanup() {
    NSUI::NSLayout::cleanup();
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
}
