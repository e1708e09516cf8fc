#include <cstdlib>

#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "imagesdk/data/ProtocolList.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isSliceInfo.h"
#include "imagesdk/viewers/KeyViewProperty.h"
#include "imagesdk/viewers/appManager.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/widgets/NSMenu.h"
#include "toolkit/widgets/UIScrollViewBase.h"
#include "viewerscreen/ViewerMenus.h"
#include "viewerscreen/imageViewerPC.h"
#include "viewerscreen/toolDisk.h"

using cocos2d::Node;

namespace {

constexpr int kMenuZ = 100200;
constexpr int k4DPanelZ = 200;
constexpr int kOtherPresets = 7;

}  // namespace

NSUI::NSMenu* imageViewerPC::showMenu(const std::string& name, bool show) {
    const ViewerMenuStyle* style = viewerMenuStyle(name);
    if (!style) {
        return nullptr;
    }
    auto* menu = dynamic_cast<NSUI::NSMenu*>(getChildByNameDeep(name));
    // A phase menu built for another phase count offers phases the series does not have.
    if (menu && show && name == "phaseMenu") {
        if (regionPhaseCount() != phaseMenuCount) {
            menu->removeFromParent();
            menu = nullptr;
        }
    }
    if (!menu) {
        if (!show) {
            return nullptr;
        }
        Node* parent = style->inToolColumn && toolScrollView ? static_cast<Node*>(toolScrollView)
                                                             : static_cast<Node*>(this);
        menu = NSUI::NSMenu::create();
        if (!menu) {
            return nullptr;
        }
        menu->setAnchorPoint(cocos2d::Vec2::ZERO);
        menu->setNotificationKey(key, nullptr);
        parent->addChild(menu, kMenuZ);
        if (style->rowHeight > 0.0f) {
            menu->rowHeight = style->rowHeight;
            menu->fontSize = style->rowHeight * 0.5f;
        }
        if (style->fontSize > 0.0f) {
            menu->fontSize = style->fontSize;
        }
        menu->removeOnClose = style->removeOnClose;
        buildMenuItems(menu, name);
        menu->setName(name);
    }
    if (show && style->targetsMultiViewer) {
        menu->setItemsTarget(currentMultiViewer());
    }
    menu->setVisible(show);
    return menu;
}

void imageViewerPC::buildMenuItems(NSUI::NSMenu* menu, const std::string& name) {
    const ViewerMenuStyle* style = viewerMenuStyle(name);
    void* multi = currentMultiViewer();
    std::vector<ViewerMenuItem> items;
    if (name == "phaseMenu") {
        phaseMenuCount = regionPhaseCount();
        items = phaseMenuItems(phaseMenuCount, this);
    } else if (name == "protocalMenu") {
        ProtocolQuery* query = regionQuery();
        items = protocolMenuItems(query ? *query : ProtocolQuery{}, windowManager);
    } else if (name == "windowMenu") {
        items = windowMenuItems(windowManager);
    } else if (name == "captureMenu") {
        items = captureMenuItems(this);
    } else if (name == "opacityMenu") {
        items = opacityMenuItems(multi);
    } else if (name == "dcmMenu") {
        items = dicomMenuItems(this);
    } else if (name == "clutMenu") {
        items = clutMenuItems(multi);
    } else if (name == "windowLevelMenu") {
        items = windowLevelMenuItems(windowLevelPresets, multi);
    } else if (name == "flipMenu") {
        items = flipMenuItems(multi);
    } else if (name == "slabMenu") {
        items = slabMenuItems(multi);
    }
    menu->setMenuItems(makeMenuChain(items), style->iconCap);
}

int imageViewerPC::regionPhaseCount() const {
    isImageSDK::appManager* region = currentRegion();
    return region ? region->getPhaseCount() : 0;
}

std::string imageViewerPC::openMenuName() {
    for (const char* name : viewerMenuNames()) {
        Node* menu = getChildByNameDeep(name);
        if (menu && menu->isVisible()) {
            return name;
        }
    }
    return "";
}

void imageViewerPC::closeMenus() {
    for (const char* name : {"clutMenu", "windowLevelMenu", "opacityMenu", "dcmMenu", "captureMenu",
                             "protocalMenu", "windowMenu", "phaseMenu", "slabMenu", "flipMenu"}) {
        showMenu(name, false);
    }
}

void imageViewerPC::refreshWindowLevelPresets() {
    int kind = kOtherPresets;
    isImageSDK::isViewerMulti* multi = currentMultiViewer();
    isImageSDK::KeyViewProperty* active = multi ? multi->getActiveProperty() : nullptr;
    if (isImageSDK::isImageData* series = active ? active->getSeries() : nullptr) {
        series->update();
        if (series->getNumberOfSlices() > 0) {
            kind = series->getSlice(0)->modality;
        }
    }
    isImageSDK::fillWindowLevelPresets(kind, windowLevelPresets);
    if (auto* disk = dynamic_cast<toolDisk*>(getChildByNameDeep("toolDisk"))) {
        disk->clearWindowLevelPresets();
    }
    if (Node* menu = getChildByNameDeep("windowLevelMenu")) {
        menu->removeFromParent();
    }
}

toolDisk* imageViewerPC::getToolDisk() {
    auto* disk = dynamic_cast<toolDisk*>(getChildByNameDeep("toolDisk"));
    if (!disk) {
        disk = toolDisk::create();
        if (!disk) {
            return nullptr;
        }
        addChild(disk);
        disk->setName("toolDisk");
        disk->setVisible(false);
        disk->setPosition(cocos2d::Vec2::ZERO);
    }
    disk->target = currentMultiViewer();
    if (disk->getPresets().empty()) {
        for (const isImageSDK::WindowLevelPreset& preset : windowLevelPresets) {
            disk->addWindowLevelPreset(preset.name, preset.width, preset.level);
        }
    }
    return disk;
}

void imageViewerPC::show4DPanel(bool show) {
    if (show) {
        isImageSDK::appManager* region = currentRegion();
        if (!region || region->getPhaseCount() < 2) {
            return;
        }
    }
    Node* panel = getChildByName("4DPlayUI");
    if (!panel) {
        if (!show) {
            return;
        }
        panel = cocos2d::CSLoader::createNode("4dPlay.csb");
        if (!panel) {
            return;
        }
        cocos2d::ui::Helper::doLayout(panel);
        addChild(panel, k4DPanelZ);
        panel->setName("4DPlayUI");
        panel->setAnchorPoint(cocos2d::Vec2(1.0f, 0.5f));
        panel->setPosition(
            cocos2d::Vec2(getContentSize().width - 200.0f, getContentSize().height - 30.0f));
        for (const char* name : {"btn4DPrior", "btn4DNext", "btn4DMenu"}) {
            if (auto* button =
                    dynamic_cast<cocos2d::ui::Button*>(panel->getChildByNameDeep(name))) {
                button->addClickEventListener([this](cocos2d::Ref* sender) { onClick(sender); });
            }
        }
    }
    panel->setVisible(show);
}

void imageViewerPC::onPhaseChosen(const std::string& value) {
    const int phase = std::atoi(value.c_str());
    if (auto* title = dynamic_cast<cocos2d::ui::Button*>(getChildByNameDeep("btn4DMenu"))) {
        title->setTitleText(NSUI::formatString("Phase %i", phase + 1));
    }
    if (isImageSDK::isViewerMulti* multi = currentMultiViewer()) {
        multi->setPhase(phase);
    }
}
