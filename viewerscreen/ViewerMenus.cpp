#include "viewerscreen/ViewerMenus.h"

#include "imagesdk/data/ProtocolList.h"
#include "imagesdk/data/WindowLevelPreset.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "toolkit/core/NSLanguage.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/core/UIJson.h"

namespace {

using namespace isImageSDK;

constexpr float kHalfTurn = 1.5707963f;

const ViewerMenuStyle kStyles[] = {
    {"windowLevelMenu", true, 40.0f, 0.0f, false, 200, true},
    {"clutMenu", true, 60.0f, 0.0f, false, 200, true},
    {"opacityMenu", true, 60.0f, 0.0f, false, 200, true},
    {"dcmMenu", false, 0.0f, 0.0f, false, 200, false},
    {"captureMenu", true, 0.0f, 0.0f, false, 200, false},
    {"protocalMenu", false, 60.0f, 0.0f, true, 60, false},
    {"windowMenu", false, 60.0f, 0.0f, false, 60, false},
    {"phaseMenu", false, 0.0f, 0.0f, false, 60, false},
    {"flipMenu", false, 50.0f, 22.0f, false, 200, true},
    {"slabMenu", true, 50.0f, 22.0f, false, 200, true},
};

ViewerMenuItem item(const std::string& title, const std::string& icon, const std::string& value,
                    int key, void* target) {
    return ViewerMenuItem{title, icon, value, key, target};
}

}  // namespace

const ViewerMenuStyle* viewerMenuStyle(const std::string& name) {
    for (const ViewerMenuStyle& style : kStyles) {
        if (name == style.name) {
            return &style;
        }
    }
    return nullptr;
}

const std::vector<const char*>& viewerMenuNames() {
    static const std::vector<const char*> names = {
        "windowLevelMenu", "clutMenu",   "opacityMenu", "dcmMenu",  "captureMenu",
        "protocalMenu",    "windowMenu", "phaseMenu",   "flipMenu", "slabMenu"};
    return names;
}

std::vector<ViewerMenuItem> phaseMenuItems(int phaseCount, void* screen) {
    std::vector<ViewerMenuItem> items;
    for (int i = 0; i < phaseCount; ++i) {
        items.push_back(item(NSUI::formatString("Phase %i", i + 1), "", std::to_string(i),
                             NOTIFY_PHASE_CHOSEN, screen));
    }
    return items;
}

std::vector<ViewerMenuItem> protocolMenuItems(const ProtocolQuery& query, void* windowManager) {
    loadProtocols();
    std::list<ProtocolEntry*> entries;
    matchProtocols(query, entries);
    std::vector<ViewerMenuItem> items;
    for (const ProtocolEntry* entry : entries) {
        items.push_back(
            item(entry->title, entry->file, entry->type, NOTIFY_PROTOCOL_SELECTED, windowManager));
    }
    return items;
}

std::vector<ViewerMenuItem> windowMenuItems(void* windowManager) {
    std::vector<ViewerMenuItem> items;
    for (const char* layout : {"1x1", "1x2", "2x1", "1x3", "3x1"}) {
        items.push_back(item(std::string("Window ") + layout,
                             std::string("res/app") + layout + ".png", layout, NOTIFY_WINDOW_LAYOUT,
                             windowManager));
    }
    return items;
}

std::vector<ViewerMenuItem> captureMenuItems(void* screen) {
    return {item("Whole Screen", "", "", NOTIFY_CAPTURE_SCREEN, screen),
            item("All Image", "", "", NOTIFY_CAPTURE_ALL, screen),
            item("Current View", "", "", NOTIFY_CAPTURE_VIEW, screen)};
}

std::vector<ViewerMenuItem> opacityMenuItems(void* multiViewer) {
    return {item("", "imgs/Linear.png", "", NOTIFY_OPACITY_LINEAR, multiViewer),
            item("", "imgs/Log10.png", "", NOTIFY_OPACITY_LOG10, multiViewer),
            item("", "imgs/Log10Inv.png", "", NOTIFY_OPACITY_LOG10_INVERSE, multiViewer)};
}

std::vector<ViewerMenuItem> dicomMenuItems(void* screen) {
    return {item("Hide Private Info", "", "", NOTIFY_DCM_INFO_HIDE, nullptr),
            item("Show Full Info", "", "", NOTIFY_DCM_INFO_SHOW, nullptr),
            item("Dicom Meta Info", "", "", NOTIFY_DCM_INFO_OPEN, screen)};
}

std::vector<ViewerMenuItem> clutMenuItems(void* multiViewer) {
    std::vector<ViewerMenuItem> items;
    const std::pair<const char*, const char*> tables[] = {{"imgs/bwInverse.png", "bwInverse.plist"},
                                                          {"imgs/hotMetal.png", "HotMetal.plist"},
                                                          {"imgs/geColor.png", "GEcolor.plist"},
                                                          {"imgs/perfusion.png", "Perfusion.plist"},
                                                          {"imgs/noClut.png", "noClut.plist"}};
    for (const auto& [icon, table] : tables) {
        items.push_back(item("", icon, table, NOTIFY_CLUT_SET, multiViewer));
    }
    return items;
}

std::vector<ViewerMenuItem>
windowLevelMenuItems(const std::list<isImageSDK::WindowLevelPreset>& presets, void* multiViewer) {
    std::vector<ViewerMenuItem> items = {
        item(NSUI::getLocalizedString("tool_ww_Input"), "", "", NOTIFY_EDIT_WW_OPEN, multiViewer),
        item(NSUI::getLocalizedString("tool_ww_ByMouse"), "", "", NOTIFY_WW_BY_MOUSE, multiViewer),
        item(NSUI::getLocalizedString("tool_ww_Default"), "", "", NOTIFY_WW_DEFAULT, multiViewer)};
    for (const isImageSDK::WindowLevelPreset& preset : presets) {
        std::string value;
        NSUI::UIJson::setString(value, "ww", NSUI::formatString("%.6f", preset.width));
        NSUI::UIJson::setString(value, "wl", NSUI::formatString("%.6f", preset.level));
        items.push_back(item(preset.name, "", value, NOTIFY_WW_PRESET, multiViewer));
    }
    return items;
}

std::vector<ViewerMenuItem> flipMenuItems(void* multiViewer) {
    return {item("Vertical", "", "", NOTIFY_FLIP_Y, multiViewer),
            item("Horizontal", "", "", NOTIFY_FLIP_X, multiViewer),
            item("Rotate 90", "", NSUI::formatString("%.4f", kHalfTurn), NOTIFY_FLIP_ROTATE,
                 multiViewer),
            item("Rotate -90", "", NSUI::formatString("%.4f", -kHalfTurn), NOTIFY_FLIP_ROTATE,
                 multiViewer)};
}

std::vector<ViewerMenuItem> slabMenuItems(void* multiViewer) {
    std::vector<ViewerMenuItem> items = {
        item("MIP", "", "1", NOTIFY_SLAB_MODE, multiViewer),
        item("AverageIP", "", "2", NOTIFY_SLAB_MODE, multiViewer),
        item("OriginThick", "", "0", NOTIFY_SLAB_ORIGINAL, multiViewer)};
    for (const char* thickness : {"2", "5", "10", "20"}) {
        items.push_back(
            item(std::string(thickness) + " mm", "", thickness, NOTIFY_SLAB_ORIGINAL, multiViewer));
    }
    return items;
}

NSUI::NSMenu::menuObject* makeMenuChain(const std::vector<ViewerMenuItem>& items) {
    NSUI::NSMenu::menuObject* first = nullptr;
    NSUI::NSMenu::menuObject* last = nullptr;
    for (const ViewerMenuItem& entry : items) {
        auto* object = new NSUI::NSMenu::menuObject();
        object->autorelease();
        object->title = entry.title;
        object->icon = entry.icon;
        object->value = entry.value;
        object->key = static_cast<uint32_t>(entry.key);
        object->target = entry.target;
        (last ? last->next : first) = object;
        last = object;
    }
    return first;
}
