#pragma once

#include <list>
#include <string>
#include <vector>

#include "toolkit/widgets/NSMenu.h"

struct ProtocolQuery;
namespace isImageSDK {
struct WindowLevelPreset;
}

// One item of a viewer-screen pop-up menu before it becomes a menu object.
struct ViewerMenuItem {
    std::string title;
    std::string icon;
    std::string value;
    int key = 0;
    void* target = nullptr;
};

// How each pop-up menu of the viewer screen is made and where it lives.
struct ViewerMenuStyle {
    const char* name;
    // In the tool column's scroll view rather than on the screen.
    bool inToolColumn;
    // 0: the menu's own default.
    float rowHeight;
    float fontSize;
    bool removeOnClose;
    int iconCap;
    // Its items go to the current region's multi-viewer, re-aimed at every opening.
    bool targetsMultiViewer;
};

// The style of the menu of that name; null for a name that is no menu of the screen.
const ViewerMenuStyle* viewerMenuStyle(const std::string& name);
// The menus a click closes, in the order they are looked at.
const std::vector<const char*>& viewerMenuNames();

std::vector<ViewerMenuItem> phaseMenuItems(int phaseCount, void* screen);
std::vector<ViewerMenuItem> protocolMenuItems(const ProtocolQuery& query, void* windowManager);
std::vector<ViewerMenuItem> windowMenuItems(void* windowManager);
std::vector<ViewerMenuItem> captureMenuItems(void* screen);
std::vector<ViewerMenuItem> opacityMenuItems(void* multiViewer);
std::vector<ViewerMenuItem> dicomMenuItems(void* screen);
std::vector<ViewerMenuItem> clutMenuItems(void* multiViewer);
std::vector<ViewerMenuItem>
windowLevelMenuItems(const std::list<isImageSDK::WindowLevelPreset>& presets, void* multiViewer);
std::vector<ViewerMenuItem> flipMenuItems(void* multiViewer);
std::vector<ViewerMenuItem> slabMenuItems(void* multiViewer);

// The items as a linked chain of autoreleased menu objects; null for no items.
NSUI::NSMenu::menuObject* makeMenuChain(const std::vector<ViewerMenuItem>& items);
