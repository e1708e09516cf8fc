#include "app/WidgetDump.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "imagesdk/viewers/appManager.h"
#include "tests/viewerscreen/ViewerScreenFixture.h"
#include "viewerscreen/imageViewerPC.h"

using viewerscreentest::ViewerScreenTest;

namespace {

// The lines of the dump that start with `kind`, without it.
std::multiset<std::string> linesOf(const std::string& dump, const std::string& kind) {
    std::multiset<std::string> found;
    std::istringstream lines(dump);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(kind + " ", 0) == 0) {
            found.insert(line.substr(kind.size() + 1));
        }
    }
    return found;
}

}  // namespace

// The end-to-end scenarios read the viewer screen's layout from the dump: its regions and the
// view type and rectangle of every cell, from the window's top left.
TEST_F(ViewerScreenTest, TheWidgetDumpListsTheRegionsAndTheirCells) {
    writeVolume("ct", 6);
    imageViewerPC* screen = pushScreen("ct");
    ASSERT_TRUE(pumpUntil([&] { return settled(screen); }));
    ASSERT_EQ(screen->currentRegion()->getProtocolCode(), isImageSDK::PROTOCOL_MPR);
    const std::string dump =
        WidgetDump::describe(cocos2d::Director::getInstance()->getRunningScene());
    EXPECT_EQ(linesOf(dump, "region"), (std::multiset<std::string>{"300 60 980 740"})) << dump;
    std::set<std::string> kinds;
    for (const std::string& cell : linesOf(dump, "viewer")) {
        kinds.insert(cell.substr(0, cell.find(' ')));
    }
    EXPECT_EQ(kinds, (std::set<std::string>{"Axial", "Sagittal", "Coronal"})) << dump;

    screen->currentRegion()->applyProtocol(isImageSDK::PROTOCOL_2DVIEW);
    const std::string single =
        WidgetDump::describe(cocos2d::Director::getInstance()->getRunningScene());
    for (const std::string& cell : linesOf(single, "viewer")) {
        EXPECT_EQ(cell.substr(cell.find(' ') + 1), "300 60 980 740") << single;
    }
    EXPECT_FALSE(linesOf(single, "viewer").empty()) << single;
}

// The scenarios wait for a menu to be open before they touch its rows, and for it to close.
TEST_F(ViewerScreenTest, TheWidgetDumpListsTheOpenMenus) {
    writeVolume("ct", 6);
    imageViewerPC* screen = pushScreen("ct");
    ASSERT_TRUE(pumpUntil([&] { return settled(screen); }));
    cocos2d::Scene* scene = cocos2d::Director::getInstance()->getRunningScene();
    EXPECT_TRUE(linesOf(WidgetDump::describe(scene), "menu").empty());
    ASSERT_NE(screen->showMenu("windowMenu", true), nullptr);
    const std::string open = WidgetDump::describe(scene);
    const std::multiset<std::string> menus = linesOf(open, "menu");
    ASSERT_EQ(menus.size(), 1u) << open;
    EXPECT_EQ(menus.begin()->rfind("windowMenu ", 0), 0u) << open;
    screen->showMenu("windowMenu", false);
    EXPECT_TRUE(linesOf(WidgetDump::describe(scene), "menu").empty());
}
