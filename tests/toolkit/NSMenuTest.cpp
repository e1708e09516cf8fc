#include "toolkit/widgets/NSMenu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/2d/Label.h"
#include "engine/2d/Scene.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/base/InputRouter.h"
#include "engine/base/Macros.h"
#include "engine/platform/FileUtils.h"
#include "tests/support/lib/TempDir.h"
#include "tests/support/lib/WidgetFixtures.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSTableViewCell.h"

namespace {

using cocos2d::Director;
using cocos2d::EventMouse;
using cocos2d::Size;
using cocos2d::Vec2;
using NSUI::NSMenu;
using NSUI::NSNotificationCenter;
using NSUI::NSNotificationData;
using menuObject = NSUI::NSMenu::menuObject;

constexpr float kWinHeight = 640.0f;
constexpr int kIconTag = 100;
constexpr int kTitleTag = 101;

struct Delivery {
    cocos2d::Ref* sender;
    unsigned key;
    std::string value;
    unsigned dataKey;
};

class NSMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        Director::getInstance()->setWinSize(Size(960.0f, kWinHeight));
        scene = cocos2d::Scene::create();
        Director::getInstance()->runWithScene(scene);
        center = NSNotificationCenter::getInstance();
        // Past the start-up delay of the delivery pass: from here on one pass per frame.
        frame(0.0f);
        frame(0.5f);
    }
    void TearDown() override {
        NSNotificationCenter::destroyInstance();
        Director::getInstance()->purgeDirector();
        cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
    }

    static void frame(float dt = 1.0f / 60.0f) { Director::getInstance()->mainLoop(dt); }

    static menuObject* item(const std::string& title, const std::string& value = "",
                            const std::string& icon = "") {
        auto* entry = new menuObject();
        entry->autorelease();
        entry->title = title;
        entry->value = value;
        entry->icon = icon;
        return entry;
    }

    // Links the items in order and returns the first.
    static menuObject* chain(const std::vector<menuObject*>& items) {
        for (size_t i = 0; i + 1 < items.size(); ++i) {
            items[i]->next = items[i + 1];
        }
        return items.empty() ? nullptr : items.front();
    }

    static NSMenu* menuOf(menuObject* first, int maxIconWidth = 60) {
        NSMenu* menu = NSMenu::create();
        menu->setMenuItems(first, maxIconWidth);
        return menu;
    }

    void observe(void* group, unsigned key) {
        center->addObserver(
            &observerOwner, group,
            [this](cocos2d::Ref* sender, unsigned deliveredKey, NSNotificationData* data) {
                received.push_back(Delivery{sender, deliveredKey,
                                            data != nullptr ? data->stringValue : "<none>",
                                            data != nullptr ? data->key : 0u});
            },
            static_cast<int>(key));
    }

    // Presses and releases the left button on the middle of a row of a menu shown at `origin`.
    static void tapRow(NSMenu* menu, const Vec2& origin, int row) {
        const float worldY = origin.y + menu->getMenuHeight() - menu->rowHeight * (row + 0.5f);
        const float x = origin.x + 10.0f;
        cocos2d::InputRouter router;
        router.mouseDown(x, kWinHeight - worldY, EventMouse::MouseButton::BUTTON_LEFT);
        router.mouseUp(x, kWinHeight - worldY, EventMouse::MouseButton::BUTTON_LEFT);
    }

    static cocos2d::Node* rowChild(NSMenu* menu, ssize_t row, int tag) {
        NSUI::NSTableViewCell* cell = menu->listView->cellAtIndex(row);
        return cell != nullptr ? cell->getChildByTag(tag) : nullptr;
    }

    cocos2d::Scene* scene = nullptr;
    NSNotificationCenter* center = nullptr;
    int observerOwner = 0;
    std::vector<Delivery> received;
};

TEST_F(NSMenuTest, DesktopMenuSizeFollowsTheLongestTitleInBytesAndTheRowCount) {
    struct Case {
        const char* what;
        std::vector<std::string> titles;
        Size size;
        bool noText;
    };
    // Desktop rows are 40 high with a 20-point font: each title byte is 12 points wide, plus 10,
    // plus 20 for a menu without icons. The height stops at 600.
    const std::vector<Case> cases = {
        {"two titles", {"Open", "Close"}, Size(90.0f, 80.0f), false},
        {"four three-byte characters count 12",
         {"\xe5\x9b\x9b\xe4\xb8\xaa\xe6\xb1\x89\xe5\xad\x97"},
         Size(174.0f, 40.0f),
         false},
        {"twenty rows", std::vector<std::string>(20, "Row"), Size(66.0f, 600.0f), false},
        {"no titles", {"", ""}, Size(30.0f, 80.0f), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<menuObject*> items;
        for (const std::string& title : c.titles) {
            items.push_back(item(title));
        }
        NSMenu* menu = menuOf(chain(items));
        EXPECT_FLOAT_EQ(menu->rowHeight, 40.0f);
        EXPECT_FLOAT_EQ(menu->fontSize, 20.0f);
        EXPECT_EQ(menu->iconWidth, 0);
        EXPECT_TRUE(menu->noIcons);
        EXPECT_EQ(menu->noText, c.noText);
        EXPECT_EQ(menu->getMenuSize(), c.size);
        EXPECT_EQ(menu->getMenuHeight(), static_cast<int>(c.size.height));
        EXPECT_EQ(menu->getContentSize(), c.size);
        ASSERT_NE(menu->listView, nullptr);
        EXPECT_EQ(menu->listView->getParent(), menu);
        EXPECT_EQ(menu->listView->getItemCount(), static_cast<ssize_t>(c.titles.size()));
        // All rows are there to scroll to, even when the menu is shorter.
        EXPECT_FLOAT_EQ(menu->listView->getInnerContainer()->getContentSize().height,
                        40.0f * static_cast<float>(c.titles.size()));
        // Without icons the titles are centred and the icon views hidden.
        auto* title = dynamic_cast<cocos2d::Label*>(rowChild(menu, 0, kTitleTag));
        ASSERT_NE(title, nullptr);
        EXPECT_EQ(title->getString(), c.titles.front());
        EXPECT_EQ(title->getAnchorPoint(), Vec2(0.5f, 0.5f));
        EXPECT_EQ(title->getPosition(), Vec2(c.size.width * 0.5f, 20.0f));
        cocos2d::Node* icon = rowChild(menu, 0, kIconTag);
        ASSERT_NE(icon, nullptr);
        EXPECT_FALSE(icon->isVisible());
    }
}

TEST_F(NSMenuTest, APhoneMenuHasRowsOf100) {
    AppConfig* config = AppConfig::getInstance();
    config->isPhone = true;
    NSMenu* menu = menuOf(chain({item("ab"), item("cd")}));
    config->isPhone = false;
    EXPECT_FLOAT_EQ(menu->rowHeight, 100.0f);
    EXPECT_FLOAT_EQ(menu->fontSize, 50.0f);
    EXPECT_EQ(menu->getMenuSize(), Size(10.0f + 2 * 30.0f + 20.0f, 200.0f));
}

TEST_F(NSMenuTest, TheFirstLoadableIconSetsTheIconWidthUpToTheCap) {
    bvtest::TempDir dir;
    const std::string wide = (dir / "wide.png").string();
    const std::string narrow = (dir / "narrow.png").string();
    ASSERT_TRUE(bvtest::writeSolidPng(wide, 200, 20, cocos2d::Color4B(0, 0, 255, 255)));
    ASSERT_TRUE(bvtest::writeSolidPng(narrow, 30, 20, cocos2d::Color4B(0, 255, 0, 255)));
    struct Case {
        const char* what;
        std::string firstIcon;
        int cap;
        int iconWidth;
    };
    const std::vector<Case> cases = {
        {"capped", wide, 60, 60},
        {"under the cap", wide, 200, 200},
        {"the first icon decides", narrow, 200, 30},
        {"a missing picture gives way to the next", (dir / "missing.png").string(), 60, 60},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NSMenu* menu = menuOf(
            chain({item("plain"), item("one", "", c.firstIcon), item("two", "", wide)}), c.cap);
        EXPECT_EQ(menu->iconWidth, c.iconWidth);
        EXPECT_FALSE(menu->noIcons);
        EXPECT_EQ(menu->getMenuSize(), Size(c.iconWidth + 10.0f + 5 * 12.0f, 120.0f));
        // Titles follow the icon column; rows without an icon hide their icon view.
        cocos2d::Node* title = rowChild(menu, 0, kTitleTag);
        ASSERT_NE(title, nullptr);
        EXPECT_EQ(title->getAnchorPoint(), Vec2(0.0f, 0.5f));
        EXPECT_EQ(title->getPosition(), Vec2(c.iconWidth + 10.0f, 20.0f));
        ASSERT_NE(rowChild(menu, 0, kIconTag), nullptr);
        EXPECT_FALSE(rowChild(menu, 0, kIconTag)->isVisible());
        cocos2d::Node* icon = rowChild(menu, 2, kIconTag);
        ASSERT_NE(icon, nullptr);
        EXPECT_TRUE(icon->isVisible());
        EXPECT_EQ(icon->getContentSize(), Size(static_cast<float>(c.iconWidth), 30.0f));
        EXPECT_EQ(icon->getPosition(), Vec2(5.0f, 20.0f));
    }
}

TEST_F(NSMenuTest, IconsOfAMenuWithoutTitlesAreCentred) {
    bvtest::TempDir dir;
    const std::string icon = (dir / "icon.png").string();
    ASSERT_TRUE(bvtest::writeSolidPng(icon, 40, 40, cocos2d::Color4B(255, 0, 0, 255)));
    NSMenu* menu = menuOf(chain({item("", "a", icon), item("", "b", icon)}));
    EXPECT_TRUE(menu->noText);
    EXPECT_EQ(menu->getMenuSize(), Size(50.0f, 80.0f));
    cocos2d::Node* view = rowChild(menu, 1, kIconTag);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->getAnchorPoint(), Vec2(0.5f, 0.5f));
    EXPECT_EQ(view->getPosition(), Vec2(25.0f, 20.0f));
}

TEST_F(NSMenuTest, ChoosingARowPostsItsValueToItsTargetAtTheNextPassAndHidesTheMenu) {
    int viewer = 0;
    int elsewhere = 0;
    menuObject* grid = item("Grid 2x2", "2x2");
    grid->key = 7101;
    grid->target = &viewer;
    menuObject* phase = item("Phase", "arterial");
    phase->key = 7102;
    phase->target = &elsewhere;
    NSMenu* menu = menuOf(chain({phase, grid}));
    menu->setNotificationKey(55u, nullptr);
    menu->setPosition(Vec2(100.0f, 100.0f));
    scene->addChild(menu);
    frame();
    observe(&viewer, 7101);
    observe(&viewer, 7102);
    observe(&elsewhere, 7101);

    tapRow(menu, Vec2(100.0f, 100.0f), 1);
    EXPECT_TRUE(received.empty()) << "delivered at the next pass, not at the tap";
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(menu->getParent(), scene);
    frame();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].sender, menu);
    EXPECT_EQ(received[0].key, 7101u);
    EXPECT_EQ(received[0].value, "2x2");
    EXPECT_EQ(received[0].dataKey, 55u);

    // A kept menu is shown again with its list and works as before.
    menu->setVisible(true);
    ASSERT_NE(menu->listView, nullptr);
    EXPECT_EQ(menu->listView->getItemCount(), 2);
    menu->setItemsTarget(&viewer);
    tapRow(menu, Vec2(100.0f, 100.0f), 0);
    frame();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].key, 7102u);
    EXPECT_EQ(received[1].value, "arterial");
}

TEST_F(NSMenuTest, AMenuThatRemovesOnCloseLeavesItsParent) {
    struct Case {
        const char* what;
        std::function<void(NSMenu*)> close;
    };
    const std::vector<Case> cases = {
        {"by a choice", [](NSMenu* menu) { tapRow(menu, Vec2(0.0f, 0.0f), 0); }},
        {"by hiding", [](NSMenu* menu) { menu->setVisible(false); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NSMenu* menu = menuOf(chain({item("Close", "x")}));
        menu->removeOnClose = true;
        scene->addChild(menu);
        frame();
        menu->retain();
        c.close(menu);
        EXPECT_EQ(menu->getParent(), nullptr);
        EXPECT_EQ(scene->getChildren().getIndex(menu), -1);
        menu->release();
        frame();
    }
}

TEST_F(NSMenuTest, AMenuOwnedOnlyByItsParentOutlivesTheTouchThatRemovesIt) {
    int target = 0;
    menuObject* only = item("Only", "chosen");
    only->key = 7301;
    only->target = &target;
    NSMenu* menu = menuOf(chain({only}));
    menu->removeOnClose = true;
    scene->addChild(menu);
    observe(&target, 7301);
    // The frame drains the pool: from here on the scene holds the only reference.
    frame();
    ASSERT_EQ(menu->getReferenceCount(), 1u);
    tapRow(menu, Vec2(0.0f, 0.0f), 0);
    // Still alive until the pool drains at the end of the frame.
    EXPECT_EQ(menu->getParent(), nullptr);
    EXPECT_EQ(scene->getChildren().getIndex(menu), -1);
    frame();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].value, "chosen");
}

TEST_F(NSMenuTest, ARowOutsideTheItemsPostsNothingButStillCloses) {
    int target = 0;
    menuObject* only = item("Only", "v");
    only->key = 7201;
    only->target = &target;
    NSMenu* menu = menuOf(chain({only}));
    scene->addChild(menu);
    observe(&target, 7201);
    NSUI::NSTableViewCell* stray = NSUI::NSTableViewCell::create();
    stray->index = 5;
    menu->tableCellTouched(menu->listView, stray, Vec2::ZERO);
    frame();
    EXPECT_TRUE(received.empty());
    EXPECT_FALSE(menu->isVisible());
}

TEST_F(NSMenuTest, NewItemsReplaceTheListOfEarlierOnes) {
    NSMenu* menu = menuOf(chain({item("one"), item("two"), item("three")}));
    menu->setMenuItems(chain({item("four")}), 60);
    int lists = 0;
    for (cocos2d::Node* child : menu->getChildren()) {
        lists += dynamic_cast<NSUI::NSListView*>(child) != nullptr ? 1 : 0;
    }
    EXPECT_EQ(lists, 1);
    EXPECT_EQ(menu->listView->getItemCount(), 1);
    EXPECT_EQ(menu->getMenuHeight(), 40);
}

TEST_F(NSMenuTest, AMenuWithoutItemsHasNoList) {
    NSMenu* menu = menuOf(nullptr);
    EXPECT_EQ(menu->listView, nullptr);
    EXPECT_EQ(menu->getMenuSize(), Size::ZERO);
    EXPECT_EQ(menu->getMenuHeight(), 0);
}

}  // namespace
