#include "viewerscreen/ViewerMenus.h"

#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

#include "engine/base/AutoreleasePool.h"
#include "imagesdk/data/ProtocolList.h"
#include "imagesdk/data/WindowLevelPreset.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "tests/viewerscreen/ToolsFixture.h"
#include "toolkit/core/UIJson.h"

using namespace isImageSDK;

namespace {

int screen;
int windows;
int multi;

std::vector<std::string> titles(const std::vector<ViewerMenuItem>& items) {
    std::vector<std::string> out;
    for (const ViewerMenuItem& item : items) {
        out.push_back(item.title);
    }
    return out;
}

std::vector<std::string> values(const std::vector<ViewerMenuItem>& items) {
    std::vector<std::string> out;
    for (const ViewerMenuItem& item : items) {
        out.push_back(item.value);
    }
    return out;
}

}  // namespace

TEST(ViewerMenusTest, OnePhaseGivesOneItemAndEveryItemGoesToTheScreen) {
    const std::vector<ViewerMenuItem> one = phaseMenuItems(1, &screen);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].title, "Phase 1");
    EXPECT_EQ(one[0].value, "0");
    EXPECT_EQ(one[0].key, NOTIFY_PHASE_CHOSEN);
    EXPECT_EQ(one[0].target, &screen);
    const std::vector<ViewerMenuItem> three = phaseMenuItems(3, &screen);
    EXPECT_EQ(titles(three), (std::vector<std::string>{"Phase 1", "Phase 2", "Phase 3"}));
    EXPECT_EQ(values(three), (std::vector<std::string>{"0", "1", "2"}));
    EXPECT_TRUE(phaseMenuItems(-1, &screen).empty());
}

TEST(ViewerMenusTest, FixedMenusCarryTheirValuesKeysAndTargets) {
    const std::vector<ViewerMenuItem> window = windowMenuItems(&windows);
    EXPECT_EQ(values(window), (std::vector<std::string>{"1x1", "1x2", "2x1", "1x3", "3x1"}));
    EXPECT_EQ(window[3].title, "Window 1x3");
    EXPECT_EQ(window[3].icon, "res/app1x3.png");
    for (const ViewerMenuItem& item : window) {
        EXPECT_EQ(item.key, NOTIFY_WINDOW_LAYOUT);
        EXPECT_EQ(item.target, &windows);
    }

    const std::vector<ViewerMenuItem> flip = flipMenuItems(&multi);
    EXPECT_EQ(values(flip), (std::vector<std::string>{"", "", "1.5708", "-1.5708"}));
    EXPECT_EQ(flip[0].key, NOTIFY_FLIP_Y);
    EXPECT_EQ(flip[1].key, NOTIFY_FLIP_X);
    EXPECT_EQ(flip[2].key, NOTIFY_FLIP_ROTATE);

    const std::vector<ViewerMenuItem> slab = slabMenuItems(&multi);
    EXPECT_EQ(titles(slab), (std::vector<std::string>{"MIP", "AverageIP", "OriginThick", "2 mm",
                                                      "5 mm", "10 mm", "20 mm"}));
    EXPECT_EQ(values(slab), (std::vector<std::string>{"1", "2", "0", "2", "5", "10", "20"}));
    EXPECT_EQ(slab[1].key, NOTIFY_SLAB_MODE);
    EXPECT_EQ(slab[2].key, NOTIFY_SLAB_ORIGINAL);
    EXPECT_EQ(slab[6].key, NOTIFY_SLAB_ORIGINAL);

    const std::vector<ViewerMenuItem> clut = clutMenuItems(&multi);
    EXPECT_EQ(values(clut),
              (std::vector<std::string>{"bwInverse.plist", "HotMetal.plist", "GEcolor.plist",
                                        "Perfusion.plist", "noClut.plist"}));

    const std::vector<ViewerMenuItem> capture = captureMenuItems(&screen);
    EXPECT_EQ(capture[0].key, NOTIFY_CAPTURE_SCREEN);
    EXPECT_EQ(capture[2].key, NOTIFY_CAPTURE_VIEW);
    EXPECT_EQ(capture[2].target, &screen);

    // Hiding and showing the overlay's full information reaches every viewer: no target.
    const std::vector<ViewerMenuItem> dicom = dicomMenuItems(&screen);
    EXPECT_EQ(dicom[0].target, nullptr);
    EXPECT_EQ(dicom[1].target, nullptr);
    EXPECT_EQ(dicom[2].key, NOTIFY_DCM_INFO_OPEN);
    EXPECT_EQ(dicom[2].target, &screen);

    const std::vector<ViewerMenuItem> opacity = opacityMenuItems(&multi);
    EXPECT_EQ(opacity[2].key, NOTIFY_OPACITY_LOG10_INVERSE);
    EXPECT_EQ(opacity[2].icon, "imgs/Log10Inv.png");
}

TEST(ViewerMenusTest, WindowLevelItemsFollowThePresetsOfTheKind) {
    std::list<WindowLevelPreset> presets;
    fillWindowLevelPresets(0, presets);
    const std::vector<ViewerMenuItem> ct = windowLevelMenuItems(presets, &multi);
    ASSERT_EQ(ct.size(), 3u + presets.size());
    EXPECT_EQ(ct[0].key, NOTIFY_EDIT_WW_OPEN);
    EXPECT_EQ(ct[1].key, NOTIFY_WW_BY_MOUSE);
    EXPECT_EQ(ct[2].key, NOTIFY_WW_DEFAULT);
    EXPECT_EQ(ct[3].title, "Abdomen");
    EXPECT_EQ(ct[3].key, NOTIFY_WW_PRESET);
    EXPECT_EQ(NSUI::UIJson::getString(ct[3].value, "ww"), "1500.000000");
    EXPECT_EQ(NSUI::UIJson::getString(ct[3].value, "wl"), "-700.000000");

    fillWindowLevelPresets(1, presets);
    const std::vector<ViewerMenuItem> pet = windowLevelMenuItems(presets, &multi);
    EXPECT_EQ(pet[3].title, "10K");
    EXPECT_EQ(NSUI::UIJson::getString(pet[3].value, "wl"), "5000.000000");

    fillWindowLevelPresets(7, presets);
    EXPECT_EQ(windowLevelMenuItems(presets, &multi)[3].title, "20/40");
}

// With the shipped language table every fixed row of the window/level menu has its text.
class ViewerMenusTextTest : public toolstest::ToolsTest {};

TEST_F(ViewerMenusTextTest, TheWindowLevelMenuRowsShowTheirTexts) {
    const std::list<WindowLevelPreset> none;
    const std::vector<ViewerMenuItem> items = windowLevelMenuItems(none, &multi);
    EXPECT_EQ(titles(items), (std::vector<std::string>{"Type in", "By mouse", "Default"}));
}

TEST(ViewerMenusTest, ProtocolItemsAreTheMatchesOfTheRegion) {
    ProtocolQuery query;
    query.seriesCount = 1;
    query.imageCount = 3;
    query.isVolume = false;
    const std::vector<ViewerMenuItem> flat = protocolMenuItems(query, &windows);
    std::vector<std::string> types = values(flat);
    EXPECT_EQ(types, (std::vector<std::string>{"2dslice", "compare2d"}));
    for (const ViewerMenuItem& item : flat) {
        EXPECT_EQ(item.key, NOTIFY_PROTOCOL_SELECTED);
        EXPECT_EQ(item.target, &windows);
        EXPECT_FALSE(item.icon.empty());
    }
    query.seriesCount = 2;
    query.imageCount = 60;
    EXPECT_EQ(values(protocolMenuItems(query, &windows)),
              (std::vector<std::string>{"compare2d", "compare4d"}));
    releaseProtocols();
}

TEST(ViewerMenusTest, StylesAndTheChainOfMenuObjects) {
    const ViewerMenuStyle* protocol = viewerMenuStyle("protocalMenu");
    ASSERT_NE(protocol, nullptr);
    EXPECT_TRUE(protocol->removeOnClose);
    EXPECT_EQ(protocol->iconCap, 60);
    const ViewerMenuStyle* slab = viewerMenuStyle("slabMenu");
    ASSERT_NE(slab, nullptr);
    EXPECT_TRUE(slab->inToolColumn);
    EXPECT_FLOAT_EQ(slab->fontSize, 22.0f);
    EXPECT_EQ(viewerMenuStyle("noSuchMenu"), nullptr);
    EXPECT_EQ(viewerMenuNames().size(), 10u);
    for (const char* name : viewerMenuNames()) {
        EXPECT_NE(viewerMenuStyle(name), nullptr) << name;
    }

    NSUI::NSMenu::menuObject* first = makeMenuChain(slabMenuItems(&multi));
    int count = 0;
    for (NSUI::NSMenu::menuObject* item = first; item; item = item->next) {
        EXPECT_EQ(item->target, &multi);
        ++count;
    }
    EXPECT_EQ(count, 7);
    EXPECT_EQ(first->title, "MIP");
    EXPECT_EQ(first->key, static_cast<uint32_t>(NOTIFY_SLAB_MODE));
    EXPECT_EQ(makeMenuChain({}), nullptr);
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
}
