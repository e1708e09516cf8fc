#include "favourites/favoriteView.h"

#include "engine/base/Director.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "engine/ui/Text.h"
#include "favourites/FavoriteViewerTools.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/viewers/KeyViewProperty.h"
#include "imagesdk/viewers/appManager.h"
#include "imagesdk/viewers/isViewer.h"
#include "imagesdk/viewers/isViewerBrowser.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "studydb/dcmSend.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/CaptureRoutines.h"
#include "toolkit/core/NSLanguage.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/widgets/NSMenu.h"
#include "toolkit/widgets/NSResponseWindow.h"
#include "viewerscreen/toolDisk.h"

using cocos2d::Vec2;

namespace {

const char* const kToolButtons[] = {
    "btnCmdSelection", "btnCmdMove",    "btnCmdZoom",  "btnCmdSend",    "btnCmdRemoveDicom",
    "btnCmdFlipX",     "btnCmdFlipY",   "btnCmdWL",    "btnCmdClut",    "btnCmdWLOpaticy",
    "btnCmdPoint",     "btnCmdLine",    "btnCmdAngle", "btnCmdPolygon", "btnCmdCircle",
    "btnCmdRemoveROI", "btnCmdCapture",
};
const char* const kWindowLevelMenu = "windowLevelMenu";
const char* const kClutMenu = "clutMenu";
const char* const kOpacityMenu = "opacityMenu";
const char* const kDicomMenu = "dcmMenu";
const char* const kToolDisk = "toolDisk";
const int kToolButtonZOrder = 100;
const int kMenuZOrder = 200;
const int kMessageZOrder = 1000;
const int kMenuIconWidth = 200;
const float kIconRowHeight = 60.0f;
const char* const kPlayButton = "btnCmdPlay";
const int kPlayingTag = 2001;
const float kSendShift = 300.0f;

using MenuItem = NSUI::NSMenu::menuObject;

MenuItem* item(const std::string& title, const std::string& icon, const std::string& value,
               unsigned key) {
    auto* entry = new MenuItem();
    entry->autorelease();
    entry->title = title;
    entry->icon = icon;
    entry->value = value;
    entry->key = key;
    return entry;
}

// Links the items in order and returns the first; the menu keeps the items it lists.
MenuItem* chain(const std::vector<MenuItem*>& items) {
    for (size_t i = 0; i + 1 < items.size(); ++i) {
        items[i]->next = items[i + 1];
    }
    return items.empty() ? nullptr : items.front();
}

}  // namespace

favoriteView::~favoriteView() {
    CC_SAFE_RELEASE_NULL(region);
    presets.clear();
}

bool favoriteView::init() {
    if (!NSUI::NSLayout::init()) {
        return false;
    }
    setNotificationKey(static_cast<unsigned>(getRefID()), nullptr);
    region = isImageSDK::appManager::create();
    if (region == nullptr) {
        return false;
    }
    region->retain();
    // The region's viewers post under the panel's key.
    region->setNotificationKey(key, nullptr);
    toolPanel = nullptr;
    toolBarWidth = 80;
    setTouchEnabled(true);
    return true;
}

void favoriteView::setupTools() {
    auto* centre = NSUI::NSNotificationCenter::getInstance();
    const auto handler = [this](cocos2d::Ref* sender, unsigned key,
                                NSUI::NSNotificationData* data) {
        onNotification(sender, key, data);
    };
    centre->addObserver(this, nullptr, handler, isImageSDK::NOTIFY_WW_APPLY);
    centre->addObserver(this, this, handler, isImageSDK::NOTIFY_DCM_INFO_OPEN);
    centre->addObserver(this, nullptr, handler, isImageSDK::NOTIFY_ROI_COUNT_CHANGED);

    cocos2d::Node* panel = cocos2d::CSLoader::createNode(kToolLayout);
    if (panel == nullptr) {
        return;
    }
    const cocos2d::Size& size = getContentSize();
    toolPanel = panel;
    toolPanel->setAnchorPoint(Vec2::ZERO);
    toolPanel->setPosition(Vec2(size.width - static_cast<float>(toolBarWidth), 0.0f));
    toolPanel->setContentSize(cocos2d::Size(static_cast<float>(toolBarWidth), size.height));
    addChild(toolPanel);
    AppConfig::getInstance()->setWidgetText(toolPanel, "");
    if (auto* widget = dynamic_cast<cocos2d::ui::Widget*>(toolPanel)) {
        cocos2d::ui::Helper::doLayout(widget);
    }
    for (const char* name : kToolButtons) {
        auto* button = dynamic_cast<cocos2d::ui::Button*>(toolPanel->getChildByNameDeep(name));
        if (button == nullptr) {
            continue;
        }
        button->setPressedActionEnabled(true);
        button->addClickEventListener([this](cocos2d::Ref* sender) { onButtonClick(sender); });
        button->setLocalZOrder(kToolButtonZOrder);
        if (std::string(name) == "btnCmdRemoveROI") {
            button->setVisible(false);
        }
    }
}

void favoriteView::openFile(const std::string& path) {
    filePath.clear();
    if (path.empty()) {
        showMessagePanel(kSelectFile);
        return;
    }
    int kind = -1;
    isImageSDK::isImageData* data = favouriteViewer::readFile(path, &kind);
    if (data == nullptr) {
        showMessagePanel(kNotValid);
        return;
    }
    filePath = path;
    showMessagePanel("");
    const cocos2d::Size& size = getContentSize();
    viewerMulti = favouriteViewer::showImage(
        this, this, region, viewerMulti, data,
        cocos2d::Rect(0.0f, 0.0f, size.width - static_cast<float>(toolBarWidth), size.height),
        [this](cocos2d::Ref* sender, unsigned notificationKey, NSUI::NSNotificationData* posted) {
            onNotification(sender, notificationKey, posted);
        });
    refreshWindowLevelPresets(kind);
    data->release();
}

void favoriteView::refreshWindowLevelPresets(int kind) {
    if (cocos2d::Node* menu = getChildByNameDeep(kWindowLevelMenu)) {
        menu->removeFromParent();
    }
    presets.clear();
    isImageSDK::fillWindowLevelPresets(kind, presets);
}

void favoriteView::showMessagePanel(const std::string& text) {
    if (favouriteViewer::showMessage(this, kMessageName, kMessageZOrder, text) &&
        viewerMulti != nullptr) {
        viewerMulti->setVisible(false);
    }
}

void favoriteView::showMenu(const char* name, bool show) {
    cocos2d::Node* existing = getChildByNameDeep(name);
    if (existing == nullptr && !show) {
        return;
    }
    if (existing == nullptr) {
        if (toolPanel == nullptr) {
            return;
        }
        NSUI::NSMenu* menu = NSUI::NSMenu::create();
        menu->setAnchorPoint(Vec2::ZERO);
        menu->setNotificationKey(key, nullptr);
        std::vector<MenuItem*> items;
        const std::string menuName = name;
        if (menuName == kOpacityMenu) {
            menu->rowHeight = kIconRowHeight;
            items = {item("", "imgs/Linear.png", "", isImageSDK::NOTIFY_OPACITY_LINEAR),
                     item("", "imgs/Log10.png", "", isImageSDK::NOTIFY_OPACITY_LOG10),
                     item("", "imgs/Log10Inv.png", "", isImageSDK::NOTIFY_OPACITY_LOG10_INVERSE)};
        } else if (menuName == kClutMenu) {
            menu->rowHeight = kIconRowHeight;
            for (const auto& clut : std::vector<std::pair<const char*, const char*>>{
                     {"imgs/bwInverse.png", "bwInverse.plist"},
                     {"imgs/hotMetal.png", "HotMetal.plist"},
                     {"imgs/geColor.png", "GEcolor.plist"},
                     {"imgs/perfusion.png", "Perfusion.plist"},
                     {"imgs/noClut.png", "noClut.plist"}}) {
                items.push_back(item("", clut.first, clut.second, isImageSDK::NOTIFY_CLUT_SET));
            }
        } else {
            items = {item(NSUI::getLocalizedString("tool_ww_Input"), "", "",
                          isImageSDK::NOTIFY_EDIT_WW_OPEN),
                     item(NSUI::getLocalizedString("tool_ww_ByMouse"), "", "",
                          isImageSDK::NOTIFY_WW_BY_MOUSE),
                     item(NSUI::getLocalizedString("tool_ww_Default"), "", "",
                          isImageSDK::NOTIFY_WW_DEFAULT)};
            for (const isImageSDK::WindowLevelPreset& preset : presets) {
                std::string value;
                NSUI::UIJson::setString(value, "ww", NSUI::formatFloat(preset.width, 6));
                NSUI::UIJson::setString(value, "wl", NSUI::formatFloat(preset.level, 6));
                items.push_back(item(preset.name, "", value, isImageSDK::NOTIFY_WW_PRESET));
            }
        }
        for (MenuItem* entry : items) {
            entry->target = viewerMulti;
        }
        toolPanel->addChild(menu, kMenuZOrder, name);
        menu->setMenuItems(chain(items), kMenuIconWidth);
        existing = menu;
    }
    existing->setVisible(show);
}

void favoriteView::showWindowLevelMenu(bool show) {
    showMenu(kWindowLevelMenu, show);
}

void favoriteView::showClutMenu(bool show) {
    showMenu(kClutMenu, show);
}

void favoriteView::showOpacityMenu(bool show) {
    showMenu(kOpacityMenu, show);
}

void favoriteView::hideDicomMenu() {
    if (cocos2d::Node* menu = getChildByNameDeep(kDicomMenu)) {
        menu->setVisible(false);
    }
}

toolDisk* favoriteView::getToolDisk() {
    return favouriteViewer::toolDiskOf(this, viewerMulti, presets);
}

void favoriteView::placeMenu(const char* name, cocos2d::Node* button, const Vec2& offset) {
    if (cocos2d::Node* menu = getChildByNameDeep(name)) {
        menu->setPosition(button->getPosition() + offset);
    }
}

void favoriteView::post(int notificationKey) {
    NSUI::NSNotificationCenter::getInstance()->postNotification(this, notificationKey, nullptr,
                                                                viewerMulti, true);
}

void favoriteView::capture() {
    const cocos2d::Size& window = cocos2d::Director::getInstance()->getWinSize();
    cocos2d::Rect rect(0.0f, 0.0f, window.width, window.height);
    cocos2d::Rect cell;
    if (viewerMulti->getActiveProperty() != nullptr && viewerMulti->getCurrentViewerRect(cell)) {
        rect = cell;
    }
    NSUI::captureScreenToJpeg(static_cast<int>(rect.origin.x), static_cast<int>(rect.origin.y),
                              static_cast<int>(rect.size.width),
                              static_cast<int>(rect.size.height));
}

void favoriteView::onButtonClick(cocos2d::Ref* sender) {
    auto* button = dynamic_cast<cocos2d::ui::Button*>(sender);
    if (viewerMulti == nullptr || button == nullptr) {
        return;
    }
    for (const char* menu : {kWindowLevelMenu, kClutMenu, kOpacityMenu, kDicomMenu}) {
        cocos2d::Node* open = getChildByNameDeep(menu);
        if (open != nullptr && open->isVisible()) {
            open->setVisible(false);
            return;
        }
    }
    cocos2d::Node* play = getChildByNameDeep(kPlayButton);
    const bool playing = play != nullptr && play->getTag() == kPlayingTag;
    const std::string& name = button->getName();
    // Posts of the measurement tools, and the commands run on the viewers directly.
    const std::pair<const char*, int> posts[] = {{"btnCmdAngle", isImageSDK::NOTIFY_ROI_ANGLE},
                                                 {"btnCmdPolygon", isImageSDK::NOTIFY_ROI_POLYGON},
                                                 {"btnCmdPoint", isImageSDK::NOTIFY_ROI_POINT},
                                                 {"btnCmdCircle", isImageSDK::NOTIFY_ROI_CIRCLE}};
    const struct {
        const char* name;
        int key;
        bool whilePlaying;
    } commands[] = {{"btnCmdSelection", isImageSDK::NOTIFY_TOOL_SELECT, false},
                    {"btnCmdMove", isImageSDK::NOTIFY_TOOL_MOVE, true},
                    {"btnCmdZoom", isImageSDK::NOTIFY_TOOL_ZOOM, true},
                    {"btnCmdFlipX", isImageSDK::NOTIFY_FLIP_X, true},
                    {"btnCmdFlipY", isImageSDK::NOTIFY_FLIP_Y, true},
                    {"btnCmdRemoveROI", isImageSDK::NOTIFY_ROI_REMOVE, false}};
    for (const auto& entry : posts) {
        if (name == entry.first) {
            if (!playing) {
                post(entry.second);
            }
            return;
        }
    }
    for (const auto& entry : commands) {
        if (name == entry.name) {
            if (entry.whilePlaying || !playing) {
                viewerMulti->runCommand(entry.key, nullptr);
            }
            return;
        }
    }
    if (name == "btnCmdSend") {
        NSUI::NSResponseWindow* window = dcmSend::createWindow();
        if (window != nullptr) {
            addChild(window);
            window->setPositionX(window->getPositionX() - kSendShift);
            if (auto* send = dynamic_cast<dcmSend*>(window->getChildByNameDeep("dcmSend"))) {
                send->setSendSource(filePath, "favoriteDicom");
            }
        }
    } else if (name == "btnCmdLine") {
        if (!playing) {
            toolDisk* disk = getToolDisk();
            disk->showROIPage();
            disk->show();
        }
    } else if (name == "btnCmdCapture") {
        if (!playing) {
            capture();
        }
    } else if (name == "btnCmdWL") {
        showWindowLevelMenu(true);
        placeMenu(kWindowLevelMenu, button, Vec2(-100.0f, -250.0f));
    } else if (name == "btnCmdClut") {
        showClutMenu(true);
        placeMenu(kClutMenu, button, Vec2(-100.0f, -120.0f));
    } else if (name == "btnCmdWLOpaticy") {
        showOpacityMenu(true);
        placeMenu(kOpacityMenu, button, Vec2(-100.0f, 20.0f));
    }
}

void favoriteView::onNotification(cocos2d::Ref* /*sender*/, unsigned notificationKey,
                                  NSUI::NSNotificationData* data) {
    switch (notificationKey) {
    case isImageSDK::NOTIFY_ROI_COUNT_CHANGED: {
        cocos2d::Node* remove = getChildByNameDeep("btnCmdRemoveROI");
        if (remove == nullptr) {
            return;
        }
        isImageSDK::KeyViewProperty* active =
            viewerMulti != nullptr ? viewerMulti->getActiveProperty() : nullptr;
        isImageSDK::isViewerBrowser* browser =
            active != nullptr && active->getViewType() <= isImageSDK::VIEW_OBLIQUE
                ? isImageSDK::isViewerMulti::browserOf(active)
                : nullptr;
        remove->setVisible(browser != nullptr && browser->hasSelectedROI());
        return;
    }
    case isImageSDK::NOTIFY_DCM_INFO_OPEN:
        favouriteViewer::openTagList(this, viewerMulti);
        return;
    case isImageSDK::NOTIFY_WW_APPLY:
        // Entries opened by other screens answer under their own keys.
        favouriteViewer::applyWindowLevel(viewerMulti, data, key);
        return;
    case isImageSDK::NOTIFY_EDIT_WW_OPEN:
        favouriteViewer::openWindowLevelEntry(this, viewerMulti, key);
        return;
    default:
        return;
    }
}

bool favoriteView::onTouchBegan(cocos2d::Touch* touch, cocos2d::Event* event) {
    if (NSUI::NSLayout::onTouchBegan(touch, event)) {
        showClutMenu(false);
        showWindowLevelMenu(false);
        showOpacityMenu(false);
        hideDicomMenu();
        if (auto* disk = dynamic_cast<toolDisk*>(getChildByNameDeep(kToolDisk))) {
            if (disk->isVisible()) {
                disk->hide();
            }
        }
    }
    return false;
}

void favoriteView::cleanup() {
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
