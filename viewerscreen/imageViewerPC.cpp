#include "viewerscreen/imageViewerPC.h"

#include <cstdlib>

#include "engine/2d/Camera.h"
#include "engine/2d/Label.h"
#include "engine/2d/Scene.h"
#include "engine/2d/Sprite.h"
#include "engine/base/Director.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "engine/ui/Text.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/data/isSharedObjects.h"
#include "imagesdk/io/isBinReader.h"
#include "imagesdk/viewers/appManager.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "imagesdk/viewers/winManager.h"
#include "online/statApplication.h"
#include "studydb/StudyNotifications.h"
#include "studydb/dataService.h"
#include "studydb/dicomDB.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/widgets/NSMenu.h"
#include "toolkit/widgets/UIScrollViewBase.h"
#include "viewerscreen/ViewerMenus.h"
#include "viewerscreen/toolDisk.h"

using cocos2d::Node;
using cocos2d::Vec2;

namespace {

constexpr int kStatEnter = 7;
constexpr int kStatLeave = 8;
constexpr int kTopButtonZ = 1000;
constexpr int kMadeButtonZ = 10000;
constexpr int kPanelButtonZ = 100;
constexpr int kMessagePanelZ = 1000;
constexpr float kMessageBottom = 100.0f;
constexpr int kBadgeZ = 10000;
constexpr int kBadgeLabelZ = 10002;
// The protocol icons are drawn 96 x 60: this makes them as tall as the bar's other buttons.
constexpr float kProtocolIconScale = 0.6f;

const char* const kPanelButtons[] = {
    "btnTile1x1",      "btnTile1x2",      "btnTile2x1",     "btnTile2x2",  "btnTileAuto",
    "btnViewAxial",    "btnViewSagittal", "btnViewCoronal", "btnViewVR",   "btnCmdSelection",
    "btnCmdMove",      "btnCmdZoom",      "btnCmdRotate",   "btnCmdFlipX", "btnCmdFlipY",
    "btnCmdPlay",      "btnCmdPrior",     "btnCmdNext",     "btnCmdOriS",  "btnCmdOriI",
    "btnCmdOriA",      "btnCmdOriP",      "btnCmdOriR",     "btnCmdOriL",  "btnCmdWL",
    "btnCmdClut",      "btnCmdWLOpaticy", "btnCmdSlab",     "btnCmdPoint", "btnCmdLine",
    "btnCmdAngle",     "btnCmdPolygon",   "btnCmdCircle",   "btnROILabel", "btnROISelection",
    "btnCmdRemoveROI", "btnCmdCapture"};

const char* const kPanelFiles[] = {"2DTool.csb", "3DTool.csb", "3DVRTool.csb"};

struct ObservedKey {
    int key;
    bool ownGroup;
};

const ObservedKey kObserved[] = {
    {isImageSDK::NOTIFY_SERIES_LOADED, true},      {isImageSDK::NOTIFY_WW_APPLY, false},
    {isImageSDK::NOTIFY_ACTIVE_CELL_VOLUME, true}, {isImageSDK::NOTIFY_DCM_INFO_OPEN, true},
    {isImageSDK::NOTIFY_SERIES_CACHED, false},     {NSUI::NOTIFY_CAPTURE_SAVED, false},
    {isImageSDK::NOTIFY_QUICK_TOOL_OPEN, false},   {isImageSDK::NOTIFY_QUICK_TOOL_ANCHOR, false},
    {isImageSDK::NOTIFY_VIEWER_REMOVED, false},    {isImageSDK::NOTIFY_PROTOCOL_SELECTED, true},
    {isImageSDK::NOTIFY_ROI_COUNT_CHANGED, false}, {isImageSDK::NOTIFY_CINE_PLAYING, true},
    {studydb::NOTIFY_SERIES_CHOSEN, true},         {studydb::NOTIFY_DICOM_MENU_OPEN, false},
    {studydb::NOTIFY_QUICK_CAPTURE, false},        {isImageSDK::NOTIFY_VIEW_CAPTURED, false},
    {isImageSDK::NOTIFY_FAVORITE_SAVED, false},    {isImageSDK::NOTIFY_CAPTURE_VIEW, true},
    {isImageSDK::NOTIFY_CAPTURE_ALL, true},        {isImageSDK::NOTIFY_CAPTURE_SCREEN, true},
    {isImageSDK::NOTIFY_VIEW_ACTIVATED, true},     {isImageSDK::NOTIFY_PHASE_CHOSEN, true},
    {isImageSDK::NOTIFY_SAVE_REFORMAT, false},     {isImageSDK::NOTIFY_EDIT_WW_OPEN, true},
    {isImageSDK::NOTIFY_CHOOSE_PATIENT, false},
};

cocos2d::ui::Button* makeTopButton(const char* name, const Vec2& anchor, const Vec2& position,
                                   const char* image, float scale) {
    cocos2d::ui::Button* button = cocos2d::ui::Button::create(image, image, image);
    if (!button) {
        return nullptr;
    }
    button->setName(name);
    button->setAnchorPoint(anchor);
    button->setPosition(position);
    button->setScale(scale);
    button->setPressedActionEnabled(true);
    return button;
}

}  // namespace

cocos2d::Scene* imageViewerPC::createScene(const std::string& seriesText) {
    cocos2d::Scene* scene = cocos2d::Scene::create();
    scene->enableAndroidReturnKey(true);
    imageViewerPC* screen = imageViewerPC::create();
    if (!screen) {
        return scene;
    }
    screen->setPosition(Vec2::ZERO);
    screen->setContentSize(AppConfig::getInstance()->getDesignSize());
    scene->addChild(screen);
    screen->bindControls();
    screen->setName("imageViewPC");
    screen->setSeriesList(seriesText);
    return scene;
}

imageViewerPC::~imageViewerPC() {
    if (!cleanedUp) {
        cleanup();
    }
}

bool imageViewerPC::init() {
    if (!NSUI::NSLayout::init()) {
        return false;
    }
    statApplication::getInstance()->addStat(kStatEnter, "");
    setNotificationKey(static_cast<unsigned>(getRefID()), nullptr);
    waitingForCache = false;
    windowManager = isImageSDK::winManager::create();
    if (windowManager) {
        windowManager->retain();
        windowManager->screen = this;
        windowManager->setNotificationKey(key, nullptr);
    }
    protocolCode = 0;
    firstEntry = true;
    toolScrollView = nullptr;
    toolPanelKind = -1;
    pendingSliceIndex = -1;
    lastFrame = 0;
    toolPanelWidth = 300;
    Node* root = cocos2d::CSLoader::createNode("singleViewPC.csb");
    if (root) {
        root->setName("root");
        root->setContentSize(AppConfig::getInstance()->getWinSize());
        AppConfig::getInstance()->setWidgetText(root, "");
        cocos2d::ui::Helper::doLayout(root);
        addChild(root);
        setTouchEnabled(true);
        if (Node* tool = root->getChildByName("tool")) {
            tool->setVisible(false);
            toolPanelWidth = static_cast<int>(tool->getContentSize().width);
        }
        setFavoriteToolsVisible(false);
    }
    return true;
}

void imageViewerPC::bindControls() {
    const float w = getContentSize().width;
    const float h = getContentSize().height;
    const auto click = [this](cocos2d::Ref* sender) { onClick(sender); };
    if (auto* back = dynamic_cast<cocos2d::ui::Button*>(getChildByNameDeep("goBack"))) {
        back->addClickEventListener(click);
        back->setLocalZOrder(kTopButtonZ);
    }
    topBarHeight = kTopBarHeight;
    for (const char* name : {"btnCmdToolbox", "btnCmdFavorite"}) {
        if (auto* button = dynamic_cast<cocos2d::ui::Button*>(getChildByNameDeep(name))) {
            button->addClickEventListener(click);
            button->setLocalZOrder(kTopButtonZ);
            button->setPressedActionEnabled(true);
        }
    }
    const Vec2 middleRight(1.0f, 0.5f);
    const Vec2 middleLeft(0.0f, 0.5f);
    const float y = h - topBarHeight * 0.5f;
    struct Made {
        const char* name;
        Vec2 anchor;
        Vec2 position;
        const char* image;
        float scale;
    };
    const Made made[] = {
        {"btnCmdProtocal", middleRight, Vec2(w - 120, y), "protocal/2dview.png",
         kProtocolIconScale},
        {"btnCmdProtocalArrow", middleRight, Vec2(w - 80, y), "res/arrowDown.png", 0.6f},
        {"btnCmdChoosePatient", middleLeft, Vec2(400, y), "res/patient.png", 0.7f},
        {"btnCmdWindowArrow", middleLeft, Vec2(340, y), "res/arrowDown.png", 0.6f},
        {"btnCmdWindow", middleLeft, Vec2(300, y), "res/app1x2.png", 0.7f},
    };
    for (const Made& m : made) {
        if (auto* button = makeTopButton(m.name, m.anchor, m.position, m.image, m.scale)) {
            button->addClickEventListener(click);
            addChild(button, kMadeButtonZ);
        }
    }
    if (windowManager) {
        // Regions made later join the parent of the first region's multi-viewer.
        if (isImageSDK::appManager* region = currentRegion()) {
            attachViewerMulti(region->getViewerMulti());
        }
        windowManager->setRect(
            cocos2d::Rect(toolPanelWidth, 0, w - toolPanelWidth, h - topBarHeight));
    }
    NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getInstance();
    const auto handler = [this](cocos2d::Ref* sender, unsigned k, NSUI::NSNotificationData* d) {
        onNotification(sender, k, d);
    };
    for (const ObservedKey& observed : kObserved) {
        center->addObserver(this, observed.ownGroup ? this : nullptr, handler, observed.key);
    }
}

void imageViewerPC::showToolPanel(int kind) {
    if (kind == toolPanelKind) {
        return;
    }
    toolPanelKind = kind;
    const float h = getContentSize().height;
    if (!toolScrollView) {
        Node* root = getChildByName("root");
        if (!root || !root->getChildByName("tool")) {
            return;
        }
        const cocos2d::Size size(toolPanelWidth, h - topBarHeight);
        toolScrollView = NSUI::UIScrollViewBase::create();
        toolScrollView->setContentSize(size);
        toolScrollView->setAnchorPoint(Vec2::ZERO);
        auto* holder = cocos2d::ui::Layout::create();
        holder->setAnchorPoint(Vec2::ZERO);
        holder->setPosition(Vec2::ZERO);
        holder->setContentSize(size);
        holder->addChild(toolScrollView);
        addChild(holder);
        toolScrollView->setDirection(NSUI::scrollVertical);
        toolScrollView->setName("imageTool");
    }
    toolScrollView->removeAllChildren();
    if (kind < 0 || kind > 2) {
        return;
    }
    Node* panel = cocos2d::CSLoader::createNode(kPanelFiles[kind]);
    if (!panel) {
        return;
    }
    AppConfig::getInstance()->setWidgetText(panel, "");
    if (h - topBarHeight > panel->getContentSize().height) {
        panel->setContentSize(cocos2d::Size(panel->getContentSize().width, h - topBarHeight));
        cocos2d::ui::Helper::doLayout(panel);
    }
    panel->setPosition(Vec2::ZERO);
    toolScrollView->addChild(panel);
    toolScrollView->setInnerContainerSize(panel->getContentSize());
    const auto click = [this](cocos2d::Ref* sender) { onClick(sender); };
    for (const char* name : kPanelButtons) {
        if (auto* button = dynamic_cast<cocos2d::ui::Button*>(panel->getChildByNameDeep(name))) {
            button->setPressedActionEnabled(true);
            button->addClickEventListener(click);
            button->setLocalZOrder(kPanelButtonZ);
        }
    }
    if (Node* play = panel->getChildByNameDeep("btnCmdPlay")) {
        play->setTag(kNotPlaying);
    }
    if (auto* slider =
            dynamic_cast<cocos2d::ui::Slider*>(panel->getChildByNameDeep("sliderSlice"))) {
        slider->setTouchScaled(1.0f, 2.0f);
        slider->setLocalZOrder(kPanelButtonZ);
        slider->addEventListener(
            [this](cocos2d::Ref* sender, cocos2d::ui::Slider::EventType event) {
                onSliceSlider(sender, event);
            });
    }
    if (Node* list = panel->getChildByNameDeep("roiList")) {
        list->setVisible(false);
    }
    if (Node* remove = getChildByNameDeep("btnCmdRemoveROI")) {
        remove->setVisible(false);
    }
}

void imageViewerPC::setFavoriteToolsVisible(bool visible) {
    Node* root = getChildByName("root");
    if (!root) {
        return;
    }
    for (const char* name : {"Image_5", "btnCmdFavorite", "btnCmdToolbox", "selectLine"}) {
        if (Node* node = root->getChildByNameDeep(name)) {
            node->setVisible(visible);
        }
    }
}

void imageViewerPC::updateFavoriteBadge(int count) {
    Node* root = getChildByName("root");
    Node* button = root ? root->getChildByNameDeep("btnCmdFavorite") : nullptr;
    Node* parent = button ? button->getParent() : nullptr;
    if (!parent) {
        return;
    }
    const int value = count < 0 ? std::atoi(button->getUserString().c_str()) + 1 : count;
    button->setUserString(NSUI::formatString("%i", value));
    auto* label = dynamic_cast<cocos2d::Label*>(parent->getChildByName("favoriteNodes"));
    Node* background = parent->getChildByName("favoriteNodesBK");
    if (!label) {
        const Vec2 at(button->getPositionX() - 10.0f, button->getPositionY() + 15.0f);
        if (!background) {
            if ((background = cocos2d::Sprite::create("imgs/newFiles.png"))) {
                background->setName("favoriteNodesBK");
                background->setAnchorPoint(Vec2(0.5f, 0.5f));
                background->setPosition(at);
                background->setScale(2.0f);
                parent->addChild(background, button->getLocalZOrder() + kBadgeZ);
            }
        }
        label = cocos2d::Label::createWithSystemFont("", "", 15.0f);
        label->setName("favoriteNodes");
        label->setTextColor(cocos2d::Color4B::WHITE);
        label->setAnchorPoint(Vec2(0.5f, 0.5f));
        label->setPosition(at);
        parent->addChild(label, button->getLocalZOrder() + kBadgeLabelZ);
    }
    const bool shown = value >= 1;
    label->setVisible(shown);
    label->setString(NSUI::formatString("%i", value));
    if (background) {
        background->setVisible(shown);
    }
}

void imageViewerPC::showMessagePanel(const std::string& text) {
    Node* panel = getChildByName("imageViewerMsg");
    if (!panel) {
        if (text.empty()) {
            return;
        }
        panel = cocos2d::CSLoader::createNode("noSupport.csb");
        if (!panel) {
            return;
        }
        cocos2d::ui::Helper::doLayout(panel);
        const float w = getContentSize().width;
        const float h = getContentSize().height;
        const cocos2d::Size size = panel->getContentSize();
        panel->setAnchorPoint(Vec2::ZERO);
        panel->setPosition(Vec2((w - toolPanelWidth - size.width) * 0.5f + toolPanelWidth,
                                (h - kMessageBottom - size.height) * 0.5f + kMessageBottom));
        panel->setName("imageViewerMsg");
        addChild(panel, kMessagePanelZ);
    }
    if (auto* intro = dynamic_cast<cocos2d::ui::Text*>(panel->getChildByNameDeep("intro"))) {
        intro->setString(text);
    }
    panel->setVisible(!text.empty());
    // An empty text gives the viewers back their place, so one failed load hides nothing later.
    if (isImageSDK::isViewerMulti* multi = currentMultiViewer()) {
        multi->setVisible(text.empty());
    }
}

void imageViewerPC::onEnterTransitionDidFinish() {
    NSUI::NSLayout::onEnterTransitionDidFinish();
    if (firstEntry) {
        showBusyOverlay();
        startLoad();
        firstEntry = false;
    }
    if (dataService* service = dataService::getInstance()) {
        updateFavoriteBadge(service->getDatabase()->newFavoriteCount.load());
    }
}

void imageViewerPC::open(const std::string& seriesText, const std::string& protocol) {
    cocos2d::Scene* scene = createScene(seriesText);
    if (auto* screen = dynamic_cast<imageViewerPC*>(scene->getChildByName("imageViewPC"))) {
        screen->setProtocol(protocol);
    }
    cocos2d::Director::getInstance()->pushScene(scene);
}

void imageViewerPC::onExit() {
    NSUI::NSLayout::onExit();
    statApplication::getInstance()->addStat(kStatLeave, "");
}

void imageViewerPC::cleanup() {
    NSUI::NSLayout::cleanup();
    cancelLoad();
    jobs.joinAll();
    if (windowManager) {
        windowManager->teardown();
        windowManager->release();
        windowManager = nullptr;
    }
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
    unregisterSeries(seriesList);
    unregisterSeries(previousSeriesList);
    seriesList.clear();
    previousSeriesList.clear();
    if (statApplication::hasInstance()) {
        statApplication::getInstance()->addStat(kStatLeave, "");
    }
    cleanedUp = true;
}

bool imageViewerPC::onTouchBegan(cocos2d::Touch* touch, cocos2d::Event* event) {
    if (!cocos2d::ui::Layout::onTouchBegan(touch, event)) {
        return false;
    }
    closeMenus();
    if (auto* disk = dynamic_cast<toolDisk*>(getChildByNameDeep("toolDisk"))) {
        if (disk->isVisible()) {
            disk->hide();
        }
    }
    return false;
}

isImageSDK::appManager* imageViewerPC::currentRegion() const {
    return windowManager ? windowManager->getCurrentAppManager() : nullptr;
}

isImageSDK::isViewerMulti* imageViewerPC::currentMultiViewer() const {
    isImageSDK::appManager* region = currentRegion();
    return region ? region->getViewerMulti() : nullptr;
}

isImageSDK::isBinReader* imageViewerPC::readerOf(const std::string& key) {
    return dynamic_cast<isImageSDK::isBinReader*>(
        isImageSDK::isSharedObjects::getInstance()->getObject(key));
}

void imageViewerPC::unregisterSeries(const std::vector<std::string>& keys) {
    isImageSDK::isSharedObjects* registry = isImageSDK::isSharedObjects::getInstance();
    for (const std::string& key : keys) {
        registry->removeObject(key);
    }
}
