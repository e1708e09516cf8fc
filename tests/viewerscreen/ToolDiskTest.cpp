#include "viewerscreen/toolDisk.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/2d/Label.h"
#include "engine/2d/Sprite.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "tests/viewerscreen/ToolsFixture.h"

namespace toolstest {
namespace {

using namespace isImageSDK;

const std::vector<int> kCommandKeys = {
    NOTIFY_EDIT_WW_OPEN, NOTIFY_WW_DEFAULT,     NOTIFY_VIEW_CMD_9035, NOTIFY_WW_BY_MOUSE,
    NOTIFY_WW_PRESET,    NOTIFY_OPACITY_LINEAR, NOTIFY_OPACITY_LOG10, NOTIFY_OPACITY_LOG10_INVERSE,
    NOTIFY_CLUT_SET,     NOTIFY_GRID_1X1,       NOTIFY_GRID_1X2,      NOTIFY_GRID_2X1,
    NOTIFY_GRID_2X2,     NOTIFY_ROI_ANGLE,      NOTIFY_ROI_POINT,     NOTIFY_ROI_POLYGON,
    NOTIFY_ROI_CIRCLE,   NOTIFY_ROI_LINE,       NOTIFY_ROI_LABEL,     NOTIFY_ROI_SELECT,
};

// A key no one in the program uses, to fill the one-per-pass queue ahead of a command.
constexpr int kFillerKey = 9003;

class ToolDiskTest : public ToolsTest {
protected:
    toolDisk* addDisk() {
        toolDisk* disk = toolDisk::create();
        EXPECT_NE(disk, nullptr);
        scene->addChild(disk);
        disk->setName("toolDisk");
        disk->setVisible(false);
        disk->setPosition(cocos2d::Vec2::ZERO);
        disk->target = reinterpret_cast<isImageSDK::isViewerMulti*>(&region);
        return disk;
    }

    void open(toolDisk* disk) {
        disk->show();
        frames(5);
        ASSERT_FLOAT_EQ(disk->getScale(), 1.0f);
    }

    static bool touch(toolDisk* disk, const cocos2d::Vec2& world) {
        cocos2d::Touch t;
        t.setLocation(world);
        const bool claimed = disk->onTouchBegan(&t, nullptr);
        if (claimed) {
            disk->onTouchEnded(&t, nullptr);
        }
        return claimed;
    }

    static bool touchButton(toolDisk* disk, const std::string& name) {
        const cocos2d::Node* button = disk->getChildByNameDeep(name);
        EXPECT_NE(button, nullptr) << name;
        return button != nullptr && touch(disk, worldAt(button, 0.5f, 0.5f));
    }

    static cocos2d::Vec2 centre() { return cocos2d::Vec2(kWidth * 0.5f, kHeight * 0.5f); }

    static cocos2d::Node* page(toolDisk* disk) {
        return disk->getChildByNameDeep("toolDiskDetail");
    }

    int region = 0;
};

struct Expected {
    int key;
    std::string text;
    bool nextPass;
};

struct CommandCase {
    void (toolDisk::*loader)();
    const char* button;
    std::vector<Expected> posts;
};

TEST_F(ToolDiskTest, EveryButtonPostsItsCommandsToTheTargetAndCloses) {
    const std::vector<CommandCase> cases = {
        {&toolDisk::showWindowLevelPage,
         "Default",
         {{NOTIFY_WW_DEFAULT, "", false}, {NOTIFY_VIEW_CMD_9035, "", false}}},
        {&toolDisk::showWindowLevelPage, "ByTouch", {{NOTIFY_WW_BY_MOUSE, "", true}}},
        {&toolDisk::showOpacityPage, "Linear", {{NOTIFY_OPACITY_LINEAR, "", true}}},
        {&toolDisk::showOpacityPage, "Log10", {{NOTIFY_OPACITY_LOG10, "", true}}},
        {&toolDisk::showOpacityPage, "Log10Inverse", {{NOTIFY_OPACITY_LOG10_INVERSE, "", true}}},
        {&toolDisk::showClutPage, "bwInverse", {{NOTIFY_CLUT_SET, "bwInverse.plist", true}}},
        {&toolDisk::showClutPage, "hotMetal", {{NOTIFY_CLUT_SET, "HotMetal.plist", true}}},
        {&toolDisk::showClutPage, "geColor", {{NOTIFY_CLUT_SET, "GEcolor.plist", true}}},
        {&toolDisk::showClutPage, "perfusion", {{NOTIFY_CLUT_SET, "Perfusion.plist", true}}},
        {&toolDisk::showClutPage, "noClut", {{NOTIFY_CLUT_SET, "noClut.plist", true}}},
        {&toolDisk::showLayoutPage, "win1x1", {{NOTIFY_GRID_1X1, "", false}}},
        {&toolDisk::showLayoutPage, "win1x2", {{NOTIFY_GRID_1X2, "", false}}},
        {&toolDisk::showLayoutPage, "win2x1", {{NOTIFY_GRID_2X1, "", false}}},
        {&toolDisk::showLayoutPage, "win2x2", {{NOTIFY_GRID_2X2, "", false}}},
        {&toolDisk::showROIPage, "angle", {{NOTIFY_ROI_ANGLE, "", true}}},
        {&toolDisk::showROIPage, "cross", {{NOTIFY_ROI_POINT, "", true}}},
        {&toolDisk::showROIPage, "polygon", {{NOTIFY_ROI_POLYGON, "", true}}},
        {&toolDisk::showROIPage, "circle", {{NOTIFY_ROI_CIRCLE, "", true}}},
        {&toolDisk::showROIPage, "line", {{NOTIFY_ROI_LINE, "", true}}},
        {&toolDisk::showROIPage, "label", {{NOTIFY_ROI_LABEL, "", true}}},
        {&toolDisk::showROIPage, "select", {{NOTIFY_ROI_SELECT, "", true}}},
        {&toolDisk::showPresetPage,
         "Chest",
         {{NOTIFY_WW_PRESET, "{\"ww\":\"400.000000\",\"wl\":\"40.000000\"}", true},
          {NOTIFY_VIEW_CMD_9035, "", false}}},
    };
    toolDisk* disk = addDisk();
    disk->addWindowLevelPreset("Chest", 400.0f, 40.0f);
    PostRecorder filler({kFillerKey}, nullptr);
    for (const CommandCase& c : cases) {
        PostRecorder recorder(kCommandKeys, &region);
        PostRecorder elsewhere(kCommandKeys, nullptr);
        (disk->*c.loader)();
        open(disk);
        // Two posts ahead in the one-per-pass queue: a next-pass post arrives in the first pass,
        // a queued one only in the third.
        for (int i = 0; i < 2; ++i) {
            NSUI::NSNotificationCenter::getInstance()->postNotification(nullptr, kFillerKey,
                                                                        nullptr, nullptr, false);
        }
        ASSERT_TRUE(touchButton(disk, c.button)) << c.button;
        frames(1);
        size_t expectedFirst = 0;
        for (const Expected& e : c.posts) {
            expectedFirst += e.nextPass ? 1 : 0;
        }
        EXPECT_EQ(recorder.posts.size(), expectedFirst) << c.button;
        frames(12);
        ASSERT_EQ(recorder.posts.size(), c.posts.size()) << c.button;
        for (size_t i = 0; i < c.posts.size(); ++i) {
            EXPECT_EQ(recorder.posts[i].key, c.posts[i].key) << c.button;
            EXPECT_EQ(recorder.posts[i].text, c.posts[i].text) << c.button;
            EXPECT_EQ(recorder.posts[i].sender, disk) << c.button;
        }
        EXPECT_TRUE(elsewhere.posts.empty()) << c.button;
        EXPECT_FALSE(disk->isVisible()) << c.button << " closes the disk";
    }
}

TEST_F(ToolDiskTest, PageButtonsSwitchPagesAndKeepTheDiskOpen) {
    const struct {
        const char* button;
        int page;
    } cases[] = {
        {"WL_WW", toolDisk::kPagePreset},
        {"Opacity", toolDisk::kPageOpacity},
        {"ClutList", toolDisk::kPageClut},
    };
    toolDisk* disk = addDisk();
    PostRecorder recorder(kCommandKeys, &region);
    for (const auto& c : cases) {
        disk->showWindowLevelPage();
        open(disk);
        ASSERT_TRUE(touchButton(disk, c.button));
        frames(10);
        EXPECT_EQ(disk->getPageMode(), c.page) << c.button;
        EXPECT_TRUE(disk->isVisible()) << c.button;
        EXPECT_FLOAT_EQ(disk->getScale(), 1.0f) << c.button;
    }
    EXPECT_TRUE(recorder.posts.empty());
}

TEST_F(ToolDiskTest, InputHidesAtOnceAndAsksForTheEntryOnly) {
    toolDisk* disk = addDisk();
    PostRecorder recorder(kCommandKeys, &region);
    open(disk);
    ASSERT_TRUE(touchButton(disk, "Input"));
    EXPECT_FALSE(disk->isVisible());
    EXPECT_FLOAT_EQ(disk->getScale(), 1.0f) << "no closing animation";
    frames(10);
    EXPECT_EQ(recorder.keys(), std::vector<int>({NOTIFY_EDIT_WW_OPEN}));
}

TEST_F(ToolDiskTest, ClaimsOnlyTouchesStrictlyInsideThePageAndItsButtons) {
    toolDisk* disk = addDisk();
    const cocos2d::Node* detail = page(disk);
    ASSERT_NE(detail, nullptr);
    EXPECT_FALSE(touch(disk, centre())) << "an invisible disk claims nothing";
    open(disk);
    const cocos2d::Size size = detail->getContentSize();
    const struct {
        float fx, fy;
        bool claimed;
    } pageCases[] = {
        {0.5f, 0.5f, true},  {0.0f, 0.5f, false}, {1.0f, 0.5f, false},
        {0.5f, 0.0f, false}, {0.5f, 1.0f, false}, {-0.2f, 0.5f, false},
    };
    for (const auto& c : pageCases) {
        cocos2d::Touch t;
        t.setLocation(worldAt(detail, c.fx, c.fy));
        EXPECT_EQ(disk->onTouchBegan(&t, nullptr), c.claimed) << c.fx << "," << c.fy;
    }
    EXPECT_GT(size.width, 0.0f);

    // A touch on a button's edge is no hit: the disk stays open and posts nothing.
    PostRecorder recorder(kCommandKeys, &region);
    const cocos2d::Node* byTouch = disk->getChildByNameDeep("ByTouch");
    ASSERT_NE(byTouch, nullptr);
    for (const cocos2d::Vec2 f : {cocos2d::Vec2(0.0f, 0.5f), cocos2d::Vec2(1.0f, 0.5f),
                                  cocos2d::Vec2(0.5f, 0.0f), cocos2d::Vec2(0.5f, 1.0f)}) {
        EXPECT_TRUE(touch(disk, worldAt(byTouch, f.x, f.y)));
    }
    frames(10);
    EXPECT_TRUE(recorder.posts.empty());
    EXPECT_TRUE(disk->isVisible());
}

TEST_F(ToolDiskTest, TheReturnAreaEndsStrictlyAtSixtyFromTheCentre) {
    const struct {
        void (toolDisk::*loader)();
        cocos2d::Vec2 offset;
        bool returns;
    } cases[] = {
        {&toolDisk::showClutPage, {59.9f, 0.0f}, true},
        {&toolDisk::showClutPage, {60.0f, 0.0f}, false},
        {&toolDisk::showClutPage, {0.0f, -60.0f}, false},
        {&toolDisk::showPresetPage, {-59.9f, 59.9f}, true},
        {&toolDisk::showOpacityPage, {0.0f, 59.9f}, true},
        {&toolDisk::showOpacityPage, {-60.0f, 0.0f}, false},
        // The first pages have no return arrow: the centre does nothing there.
        {&toolDisk::showLayoutPage, {0.0f, 0.0f}, false},
        {&toolDisk::showROIPage, {0.0f, 0.0f}, false},
    };
    toolDisk* disk = addDisk();
    for (const auto& c : cases) {
        (disk->*c.loader)();
        const int before = disk->getPageMode();
        open(disk);
        EXPECT_TRUE(touch(disk, centre() + c.offset));
        EXPECT_EQ(disk->getPageMode(), c.returns ? int(toolDisk::kPageWindowLevel) : before)
            << c.offset.x << "," << c.offset.y;
        EXPECT_TRUE(disk->isVisible());
    }
}

TEST_F(ToolDiskTest, RingPlacesButtonsCounterClockwiseFromTheRightOrTheTop) {
    toolDisk* disk = addDisk();
    const cocos2d::Size size = page(disk)->getContentSize();
    const float cx = size.width * 0.5f;
    const float cy = size.height * 0.5f;
    const struct {
        int n;
        float firstDegrees;
    } cases[] = {{1, 0.0f}, {3, 90.0f}, {4, 90.0f}, {5, 90.0f}, {6, 0.0f}, {7, 0.0f}};
    for (const auto& c : cases) {
        std::vector<cocos2d::Node*> nodes;
        for (int i = 0; i < c.n; ++i) {
            nodes.push_back(cocos2d::Node::create());
        }
        disk->arrangeOnRing(nodes);
        for (int i = 0; i < c.n; ++i) {
            const double a = (c.firstDegrees + 360.0 * i / c.n) * M_PI / 180.0;
            EXPECT_NEAR(nodes[i]->getPosition().x, cx + 110.0 * std::cos(a), 1e-3)
                << c.n << " #" << i;
            EXPECT_NEAR(nodes[i]->getPosition().y, cy + 110.0 * std::sin(a), 1e-3)
                << c.n << " #" << i;
        }
    }
    // The layout page: 1x1 at the top, 1x2 left, 2x1 at the bottom, 2x2 right.
    disk->showLayoutPage();
    const cocos2d::Vec2 top = disk->getChildByNameDeep("win1x1")->getPosition();
    const cocos2d::Vec2 left = disk->getChildByNameDeep("win1x2")->getPosition();
    const cocos2d::Vec2 bottom = disk->getChildByNameDeep("win2x1")->getPosition();
    const cocos2d::Vec2 right = disk->getChildByNameDeep("win2x2")->getPosition();
    EXPECT_GT(top.y, cy + 100.0f);
    EXPECT_LT(left.x, cx - 100.0f);
    EXPECT_LT(bottom.y, cy - 100.0f);
    EXPECT_GT(right.x, cx + 100.0f);
}

TEST_F(ToolDiskTest, PagesAreBuiltOnceAndLabelsCarryTheirLanguageTexts) {
    toolDisk* disk = addDisk();
    EXPECT_EQ(disk->getPageMode(), int(toolDisk::kPageWindowLevel));
    cocos2d::Node* first = page(disk);
    cocos2d::Node* input = disk->getChildByNameDeep("Input");
    disk->showWindowLevelPage();
    EXPECT_EQ(page(disk), first) << "opening the open page rebuilds nothing";
    EXPECT_EQ(disk->getChildByNameDeep("Input"), input);
    auto* clut = dynamic_cast<cocos2d::Label*>(disk->getChildByNameDeep("ClutList"));
    ASSERT_NE(clut, nullptr);
    EXPECT_EQ(clut->getString(), "Colour\ntables");
    EXPECT_EQ(dynamic_cast<cocos2d::Label*>(disk->getChildByNameDeep("Default"))->getString(),
              "Default");

    // The preset page keeps the list it was built with until another page replaces it.
    disk->addWindowLevelPreset("Soft tissue", 400.0f, 40.0f);
    disk->showPresetPage();
    cocos2d::Node* presets = page(disk);
    auto* soft = dynamic_cast<cocos2d::Label*>(disk->getChildByNameDeep("Soft tissue"));
    ASSERT_NE(soft, nullptr);
    EXPECT_EQ(soft->getString(), "Soft tissue") << "preset names keep their spaces";
    disk->addWindowLevelPreset("Lung", 1500.0f, -600.0f);
    disk->showPresetPage();
    EXPECT_EQ(page(disk), presets);
    EXPECT_EQ(disk->getChildByNameDeep("Lung"), nullptr);
    disk->showOpacityPage();
    disk->showPresetPage();
    EXPECT_NE(disk->getChildByNameDeep("Lung"), nullptr);
    EXPECT_EQ(disk->getChildByNameDeep("Input"), nullptr) << "one page at a time";
}

TEST_F(ToolDiskTest, PresetsAreHitInListOrderAndAnEmptyListShowsOnlyTheArrow) {
    toolDisk* disk = addDisk();
    disk->showPresetPage();
    ASSERT_EQ(page(disk)->getChildrenCount(), 1);
    EXPECT_NE(dynamic_cast<cocos2d::Sprite*>(page(disk)->getChildren().at(0)), nullptr);

    toolDisk* second = addDisk();
    second->addWindowLevelPreset("Same", 400.0f, 40.0f);
    second->addWindowLevelPreset("Same", 1500.0f, -600.0f);
    second->showPresetPage();
    PostRecorder recorder({NOTIFY_WW_PRESET}, &region);
    open(second);
    ASSERT_TRUE(touchButton(second, "Same"));
    frames(10);
    ASSERT_EQ(recorder.posts.size(), 1u);
    EXPECT_EQ(recorder.posts[0].text, "{\"ww\":\"400.000000\",\"wl\":\"40.000000\"}");
}

TEST_F(ToolDiskTest, ShowAndHideIgnoreTheStateTheyWouldReach) {
    toolDisk* disk = addDisk();
    disk->hide();
    EXPECT_FALSE(disk->isVisible());
    EXPECT_EQ(disk->getNumberOfRunningActions(), 0);
    open(disk);
    disk->hide();
    frames(2);
    const float midway = disk->getScale();
    EXPECT_LT(midway, 1.0f);
    disk->show();
    EXPECT_FLOAT_EQ(disk->getScale(), midway) << "show while closing changes nothing";
    frames(10);
    EXPECT_FALSE(disk->isVisible());
    // The next show starts afresh, on the page left open.
    disk->show();
    EXPECT_FLOAT_EQ(disk->getScale(), 0.1f);
    EXPECT_FLOAT_EQ(disk->getRotation(), 0.0f);
    EXPECT_EQ(disk->getPosition(), cocos2d::Vec2::ZERO);
    EXPECT_EQ(disk->getPageMode(), int(toolDisk::kPageWindowLevel));
}

}  // namespace
}  // namespace toolstest
