#include "favourites/favoriteViewPhone.h"

#include "engine/2d/Scene.h"
#include "engine/audio/SimpleAudioEngine.h"
#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "engine/ui/Text.h"
#include "favourites/FavoriteViewerTools.h"
#include "favourites/favoriteList.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/viewers/appManager.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "studydb/dcmSend.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/CaptureRoutines.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "viewerscreen/toolDisk.h"

using cocos2d::Vec2;

namespace {

const char* const kToolNames[] = {"dcmInfo",   "arrow",         "view",          "wwwl",
                                  "roi",       "favoriteDicom", "captureScreen", "remove",
                                  "favorite",  "removeImage",   "nextImage",     "priorImage",
                                  "btnCmdSend"};
const int kButtonZOrder = 1000;
const char* const kCaptureSound = "res/dingdong.wav";
// The capture leaves out the tool rows at the bottom and the title bar at the top.
const float kCaptureBottom = 70.0f;
const float kCaptureTrim = 130.0f;
// The viewer region leaves the title bar and the tool rows free.
const float kRegionBottom = 69.0f;
const float kRegionTrim = 130.0f;

}  // namespace

cocos2d::Scene* favoriteViewPhone::createScene() {
    cocos2d::Scene* scene = cocos2d::Scene::create();
    scene->enableAndroidReturnKey(true);
    favoriteViewPhone* viewer = favoriteViewPhone::create();
    scene->addChild(viewer);
    viewer->setPosition(Vec2::ZERO);
    viewer->setContentSize(cocos2d::Director::getInstance()->getWinSize());
    viewer->setupObservers();
    viewer->setTag(kViewerTag);
    return scene;
}

favoriteViewPhone::~favoriteViewPhone() {
    CC_SAFE_RELEASE_NULL(region);
}

bool favoriteViewPhone::init() {
    if (!NSUI::NSLayout::init()) {
        return false;
    }
    setNotificationKey(static_cast<unsigned>(getRefID()), nullptr);
    region = isImageSDK::appManager::create();
    if (region == nullptr) {
        return false;
    }
    region->retain();
    region->setNotificationKey(key, nullptr);
    activeViewerId = 0;
    firstEnter = true;
    if (cocos2d::Node* root = cocos2d::CSLoader::createNode(kLayoutFile)) {
        root->setName("root");
        root->setContentSize(cocos2d::Director::getInstance()->getWinSize());
        if (auto* widget = dynamic_cast<cocos2d::ui::Widget*>(root)) {
            cocos2d::ui::Helper::doLayout(widget);
        }
        addChild(root);
    }
    setTouchEnabled(true);
    return true;
}

void favoriteViewPhone::setupObservers() {
    if (auto* back = dynamic_cast<cocos2d::ui::Button*>(getChildByNameDeep("goBack"))) {
        back->addClickEventListener([this](cocos2d::Ref* sender) { onButtonClick(sender); });
        back->setLocalZOrder(kButtonZOrder);
    }
    auto* centre = NSUI::NSNotificationCenter::getInstance();
    const auto handler = [this](cocos2d::Ref* sender, unsigned key,
                                NSUI::NSNotificationData* data) {
        onNotification(sender, key, data);
    };
    centre->addObserver(this, nullptr, handler, isImageSDK::NOTIFY_WW_APPLY);
    centre->addObserver(this, nullptr, handler, isImageSDK::NOTIFY_QUICK_TOOL_OPEN);
    setupTools();
}

void favoriteViewPhone::setupTools() {
    for (const char* name : kToolNames) {
        auto* button = dynamic_cast<cocos2d::ui::Button*>(getChildByNameDeep(name));
        if (button == nullptr) {
            continue;
        }
        button->setPressedActionEnabled(true);
        button->addClickEventListener([this](cocos2d::Ref* sender) { onButtonClick(sender); });
        button->setLocalZOrder(kButtonZOrder);
    }
}

void favoriteViewPhone::openFile(const std::string& path) {
    filePath.clear();
    if (!cocos2d::FileUtils::getInstance()->isFileExist(path)) {
        return;
    }
    int kind = -1;
    isImageSDK::isImageData* data = favouriteViewer::readFile(path, &kind);
    if (data == nullptr) {
        return;
    }
    filePath = path;
    const bool first = viewerMulti == nullptr;
    const cocos2d::Size& size = getContentSize();
    viewerMulti = favouriteViewer::showImage(
        this, this, region, viewerMulti, data,
        cocos2d::Rect(0.0f, kRegionBottom, size.width, size.height - kRegionTrim),
        [this](cocos2d::Ref* sender, unsigned notificationKey, NSUI::NSNotificationData* posted) {
            onNotification(sender, notificationKey, posted);
        });
    if (first && viewerMulti != nullptr) {
        // The active viewer refreshes its page buttons.
        viewerMulti->runCommand(isImageSDK::NOTIFY_FAVORITE_CMD, nullptr);
    }
    isImageSDK::fillWindowLevelPresets(kind, presets);
    data->release();
}

void favoriteViewPhone::showMessagePanel(const std::string& text) {
    favouriteViewer::showMessage(this, kMessageName, 0, text);
}

void favoriteViewPhone::onButtonClick(cocos2d::Ref* sender) {
    auto* button = dynamic_cast<cocos2d::ui::Button*>(sender);
    if (button == nullptr) {
        return;
    }
    const std::string& name = button->getName();
    cocos2d::Director* director = cocos2d::Director::getInstance();
    if (name == "favorite") {
        cocos2d::Scene* scene = cocos2d::Scene::create();
        scene->addChild(favoriteList::create());
        scene->enableAndroidReturnKey(true);
        director->pushScene(scene);
    } else if (name == "btnCmdSend") {
        if (filePath.empty()) {
            return;
        }
        cocos2d::Scene* scene = dcmSend::createScene();
        if (auto* send = dynamic_cast<dcmSend*>(scene->getChildByNameDeep("dcmSend"))) {
            send->setSendSource(filePath, "favoriteDicom");
        }
        director->pushScene(scene);
    } else if (name == "goBack") {
        director->popScene();
    } else if (name == "dcmInfo") {
        favouriteViewer::openTagList(this, viewerMulti);
    } else if (name == "arrow" || name == "remove") {
        if (viewerMulti != nullptr) {
            viewerMulti->runCommand(name == "arrow" ? isImageSDK::NOTIFY_TOOL_SELECT
                                                    : isImageSDK::NOTIFY_ROI_REMOVE,
                                    nullptr);
        }
    } else if (name == "wwwl" || name == "roi") {
        toolDisk* disk = favouriteViewer::toolDiskOf(this, viewerMulti, presets);
        if (name == "wwwl") {
            disk->showWindowLevelPage();
        } else {
            disk->showROIPage();
        }
        disk->show();
    } else if (name == "favoriteDicom") {
        auto* data = NSUI::NSNotificationData::create();
        data->setNotificationKey(key, nullptr);
        data->intValue2 = static_cast<int>(activeViewerId);
        NSUI::NSNotificationCenter::getInstance()->postNotification(
            nullptr, isImageSDK::NOTIFY_QUICK_FAVORITE, data, nullptr, false);
    } else if (name == "captureScreen") {
        const cocos2d::Size& window = director->getWinSize();
        NSUI::captureScreenToJpeg(0, static_cast<int>(kCaptureBottom),
                                  static_cast<int>(window.width),
                                  static_cast<int>(window.height - kCaptureTrim));
        CocosDenshion::SimpleAudioEngine::getInstance()->playEffect(kCaptureSound, false, 1.0f,
                                                                    0.0f, 1.0f);
    }
}

void favoriteViewPhone::onNotification(cocos2d::Ref* /*sender*/, unsigned notificationKey,
                                       NSUI::NSNotificationData* data) {
    switch (notificationKey) {
    case isImageSDK::NOTIFY_QUICK_TOOL_OPEN:
        if (data != nullptr && data->key == key && data->object != nullptr) {
            activeViewerId = static_cast<unsigned>(data->object->getRefID());
        }
        return;
    case isImageSDK::NOTIFY_WW_APPLY:
        favouriteViewer::applyWindowLevel(viewerMulti, data, key);
        return;
    case isImageSDK::NOTIFY_EDIT_WW_OPEN:
        favouriteViewer::openWindowLevelEntry(this, viewerMulti, key);
        return;
    default:
        return;
    }
}

bool favoriteViewPhone::onTouchBegan(cocos2d::Touch* touch, cocos2d::Event* event) {
    if (NSUI::NSLayout::onTouchBegan(touch, event)) {
        auto* disk = dynamic_cast<toolDisk*>(getChildByNameDeep("toolDisk"));
        if (disk != nullptr && disk->isVisible()) {
            disk->hide();
        }
    }
    return false;
}

void favoriteViewPhone::onEnterTransitionDidFinish() {
    NSUI::NSLayout::onEnterTransitionDidFinish();
    firstEnter = false;
}

void favoriteViewPhone::cleanup() {
    NSUI::NSLayout::cleanup();
    if (region != nullptr) {
        region->teardown();
        region->release();
        region = nullptr;
    }
    viewerMulti = nullptr;
    filePath.clear();
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
}
