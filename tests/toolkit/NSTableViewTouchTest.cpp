#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/toolkit/TableViewFixture.h"

using namespace tabletest;
using cocos2d::Vec2;

namespace {

// 20 rows of 40 points at the top of the view: row i spans world y 300 - 40 (i + 1) to
// 300 - 40 i, x 100 to 400.
class TableTouchTest : public TableViewTest {
protected:
    void SetUp() override {
        TableViewTest::SetUp();
        table = makeTable(20, 40.0f);
        delegate.log.clear();
    }
    static float rowY(int row) { return 280.0f - 40.0f * row; }
    void tapRow(int row) { tap(250.0f, rowY(row)); }
    std::vector<std::string> selectedNames() const {
        std::vector<std::string> names;
        for (cocos2d::Ref* item : table->selection) {
            names.push_back(static_cast<Row*>(item)->name);
        }
        return names;
    }

    TestTable* table = nullptr;
};

class TableSwipeTest : public TableTouchTest {
protected:
    // Presses row 0 at `startX`, drags sideways by `travel` (the first 2 points lock the axis)
    // and releases.
    void swipe(float startX, float travel) {
        const float y = rowY(0);
        press(startX, y);
        drag(startX + (travel > 0.0f ? 2.0f : -2.0f), y);
        drag(startX + travel, y);
        release(startX + travel, y);
    }
    NSUI::NSTableViewCell* rowCell() const { return table->cellAtIndex(0); }
};

}  // namespace

TEST_F(TableTouchTest, ATapHighlightsOnPressThenUnhighlightsAndReportsOnRelease) {
    press(250.0f, rowY(1));
    EXPECT_EQ(std::vector<std::string>{"highlight r1"}, delegate.log);
    release(250.0f, rowY(1));
    EXPECT_EQ((std::vector<std::string>{"highlight r1", "unhighlight r1", "touched r1"}),
              delegate.log);
    EXPECT_EQ(Vec2(150.0f, 20.0f), delegate.lastPoint);
    EXPECT_EQ(std::vector<std::string>{"r1"}, selectedNames());
    EXPECT_EQ(table->cellAtIndex(1), table->getSelectedCell());

    // The next press takes the highlight off the row touched before.
    delegate.log.clear();
    tapRow(3);
    EXPECT_EQ((std::vector<std::string>{"unhighlight r1", "highlight r3", "unhighlight r3",
                                        "touched r3"}),
              delegate.log);
    EXPECT_EQ(std::vector<std::string>{"r3"}, selectedNames());
}

TEST_F(TableTouchTest, AVerticalDragOfMoreThanFivePointsIsNoTap) {
    struct Case {
        float travel;
        bool tapped;
    };
    for (const Case& c : {Case{4.0f, true}, Case{6.0f, false}, Case{-6.0f, false}}) {
        SCOPED_TRACE(c.travel);
        press(250.0f, rowY(2));
        delegate.log.clear();
        drag(250.0f, rowY(2) + c.travel / 2.0f);
        drag(250.0f, rowY(2) + c.travel);
        release(250.0f, rowY(2) + c.travel);
        EXPECT_EQ(!c.tapped, table->isDragged());
        EXPECT_EQ(1u, delegate.entries("unhighlight r2").size());
        EXPECT_EQ(c.tapped ? 1u : 0u, delegate.entries("touched").size());
        table->jumpToDestination(Vec2(0.0f, -600.0f));
    }
}

TEST_F(TableTouchTest, KeepSelectionLeavesTheRowHighlightedAcrossRecycling) {
    table->keepSelection = true;
    tapRow(1);
    EXPECT_EQ(1u, delegate.entries("highlight r1").size());
    EXPECT_TRUE(delegate.entries("unhighlight").empty());

    // Row 1 scrolls out and back in: its new cell is highlighted again, the others are not.
    table->scrollChildren(0.0f, 200.0f);
    EXPECT_EQ(nullptr, table->cellAtIndex(1));
    delegate.log.clear();
    table->scrollChildren(0.0f, -200.0f);
    EXPECT_EQ(1u, delegate.entries("highlight r1").size());
    EXPECT_EQ(1u, delegate.entries("unhighlight r0").size());
}

TEST_F(TableTouchTest, MultiSelectReplacesOnPlainPressAndTogglesWithCtrl) {
    table->multiSelect = true;
    table->setKeyboardEnabled(true);

    tapRow(1);
    tapRow(2);
    EXPECT_EQ(std::vector<std::string>{"r2"}, selectedNames());
    EXPECT_EQ(1u, delegate.entries("unhighlight r1").size());

    router.keyDown(cocos2d::EventKeyboard::KeyCode::KEY_LEFT_CTRL);
    ASSERT_TRUE(table->ctrlHeld);
    tapRow(4);
    EXPECT_EQ((std::vector<std::string>{"r2", "r4"}), selectedNames());

    // A Ctrl-press on a selected row deselects it while two rows are selected; the tap that
    // follows names the row touched before, which stays selected.
    delegate.log.clear();
    press(250.0f, rowY(2));
    EXPECT_EQ((std::vector<std::string>{"unhighlight r2", "touched r4"}), delegate.log);
    release(250.0f, rowY(2));
    EXPECT_EQ(std::vector<std::string>{"r4"}, selectedNames());
    EXPECT_EQ(1u, delegate.entries("touched").size());

    // The last selected row stays selected.
    tapRow(4);
    tapRow(4);
    EXPECT_EQ(std::vector<std::string>{"r4"}, selectedNames());

    router.keyUp(cocos2d::EventKeyboard::KeyCode::KEY_LEFT_CTRL);
    EXPECT_FALSE(table->ctrlHeld);
    tapRow(0);
    EXPECT_EQ(std::vector<std::string>{"r0"}, selectedNames());
}

TEST_F(TableTouchTest, SelectingByIndexAndTheSelectedCell) {
    table->selectCellAtIndex(3);
    EXPECT_EQ(std::vector<std::string>{"highlight r3"}, delegate.log);
    EXPECT_EQ(table->cellAtIndex(3), table->getSelectedCell());
    EXPECT_EQ(std::vector<std::string>{"r3"}, selectedNames());

    // Without a cell for the row nothing is selected; the selected cell falls back to the
    // cell of the first selected item.
    table->selectCellAtIndex(15);
    EXPECT_EQ(nullptr, table->getTouchedCell());
    EXPECT_EQ(std::vector<std::string>{"r3"}, selectedNames());
    EXPECT_EQ(table->cellAtIndex(3), table->getSelectedCell());

    // Once the row is out of view there is no selected cell, not a cell showing another row.
    table->scrollChildren(0.0f, 400.0f);
    EXPECT_EQ(nullptr, table->getSelectedCell());
}

TEST_F(TableTouchTest, AKeptSelectionMovedByIndexLeavesOneRowHighlighted) {
    delegate.highlightEnabled = true;
    table->keepSelection = true;
    auto lit = [this] {
        std::vector<int> rows;
        for (NSUI::NSTableViewCell* cell : table->getUsedCells()) {
            // The delegate's highlight layer.
            if (cell->getChildByTag(10000) != nullptr) {
                rows.push_back(static_cast<int>(cell->index));
            }
        }
        return rows;
    };
    tapRow(1);
    EXPECT_EQ(std::vector<int>{1}, lit());
    table->selectCellAtIndex(3);
    EXPECT_EQ(std::vector<int>{3}, lit());
    EXPECT_EQ(std::vector<std::string>{"r3"}, selectedNames());
}

TEST_F(TableTouchTest, SuppressedCellTouchesNeitherHighlightNorReport) {
    table->suppressCellTouch();
    tapRow(1);
    EXPECT_TRUE(delegate.log.empty());
    EXPECT_EQ(nullptr, table->getTouchedCell());
    EXPECT_TRUE(table->selection.empty());

    table->suppressCellTouch(false);
    tapRow(1);
    EXPECT_EQ(1u, delegate.entries("touched r1").size());
}

TEST_F(TableTouchTest, ACancelledTouchUnhighlightsWithoutATap) {
    press(250.0f, rowY(2));
    router.cancelTouch();
    EXPECT_EQ((std::vector<std::string>{"highlight r2", "unhighlight r2"}), delegate.log);
}

TEST_F(TableTouchTest, TouchesOnAnInvisibleTableOrOutsideTheRowsDoNothing) {
    table->setVisible(false);
    tapRow(1);
    EXPECT_TRUE(delegate.log.empty());
    table->setVisible(true);

    // Below the last row of a short table: no row.
    table->removeAllItems();
    table->items.pushBack(Row::create("only", 40.0f));
    table->reloadData();
    delegate.log.clear();
    tapRow(3);
    EXPECT_TRUE(delegate.entries("touched").empty());
    EXPECT_EQ(nullptr, table->getTouchedCell());
}

TEST_F(TableSwipeTest, ReleasedMenusSnapOpenOrClosedByTheShareOfTheirWidth) {
    delegate.leftMenuWidth = 100.0f;
    struct Case {
        float travel;
        bool staysOpen;
        float halfwayX;
        float finalX;
    };
    // 40 % of the menu closes over 0.4 x 0.5 s; 60 % opens over the remaining 0.4 x 0.5 s.
    for (const Case& c : {Case{40.0f, false, 20.0f, 0.0f}, Case{60.0f, true, 80.0f, 100.0f}}) {
        SCOPED_TRACE(c.travel);
        delegate.log.clear();
        swipe(150.0f, c.travel);
        EXPECT_EQ(std::vector<std::string>{"left menu r0"}, delegate.entries("left menu"));
        EXPECT_TRUE(delegate.entries("touched").empty());
        NSUI::NSTableViewCell* cell = rowCell();
        ASSERT_NE(nullptr, cell->getChildByName("leftMenu"));
        EXPECT_EQ(Vec2(-100.0f, 0.0f), cell->getChildByName("leftMenu")->getPosition());
        EXPECT_FLOAT_EQ(c.travel, cell->getPositionX());
        EXPECT_EQ(c.staysOpen, table->isLeftMenuOpen());

        step(0.0f);
        step(0.1f);
        EXPECT_NEAR(c.halfwayX, cell->getPositionX(), 0.5f);
        step(0.09f);
        EXPECT_NE(c.finalX, cell->getPositionX());
        step(0.02f);
        step(0.0f);
        EXPECT_FLOAT_EQ(c.finalX, cell->getPositionX());
        EXPECT_EQ(c.staysOpen, cell->getChildByName("leftMenu") != nullptr);

        // The next press anywhere on the table closes an open menu over its full width.
        tapRow(4);
        step(0.0f);
        step(0.6f);
        EXPECT_FLOAT_EQ(0.0f, cell->getPositionX());
        EXPECT_EQ(nullptr, cell->getChildByName("leftMenu"));
        EXPECT_FALSE(table->isLeftMenuOpen());
    }
}

TEST_F(TableSwipeTest, RightMenusOpenFromTheRightZoneAndTheMiddleOpensNothing) {
    delegate.leftMenuWidth = 100.0f;
    delegate.rightMenuWidth = 80.0f;
    swipe(370.0f, -60.0f);
    EXPECT_EQ(std::vector<std::string>{"right menu r0"}, delegate.entries("right menu"));
    NSUI::NSTableViewCell* cell = rowCell();
    ASSERT_NE(nullptr, cell->getChildByName("rightMenu"));
    EXPECT_EQ(Vec2(300.0f, 0.0f), cell->getChildByName("rightMenu")->getPosition());
    EXPECT_TRUE(table->isRightMenuOpen());
    EXPECT_EQ(cell, table->getMenuCell());
    step(0.0f);
    step(1.0f);
    EXPECT_FLOAT_EQ(-80.0f, cell->getPositionX());

    // Closing at once leaves the menu node in place.
    table->closeCellMenu(true);
    EXPECT_FLOAT_EQ(0.0f, cell->getPositionX());
    EXPECT_NE(nullptr, cell->getChildByName("rightMenu"));
    EXPECT_FALSE(table->isRightMenuOpen());
    EXPECT_EQ(nullptr, table->getMenuCell());

    delegate.log.clear();
    swipe(250.0f, 60.0f);
    EXPECT_TRUE(delegate.entries("left menu").empty());
    EXPECT_TRUE(delegate.entries("right menu").empty());
}

TEST_F(TableSwipeTest, AMenuOpenedAgainReplacesTheNodeAnEarlierOneLeftBehind) {
    delegate.rightMenuWidth = 80.0f;
    for (int round = 0; round < 3; ++round) {
        swipe(370.0f, -60.0f);
        table->closeCellMenu(true);
    }
    int menus = 0;
    for (cocos2d::Node* child : rowCell()->getChildren()) {
        menus += child->getName() == "rightMenu" ? 1 : 0;
    }
    EXPECT_EQ(1, menus);
}

TEST_F(TableSwipeTest, AHiddenMenuOpensNothingAndTheRowDoesNotSlide) {
    swipe(150.0f, 60.0f);
    // Each move asks again while no menu is open.
    const std::vector<std::string> asked = delegate.entries("left menu");
    EXPECT_FALSE(asked.empty());
    EXPECT_EQ(asked.size(), delegate.entries("left menu r0").size());
    EXPECT_EQ(nullptr, rowCell()->getChildByName("leftMenu"));
    EXPECT_FLOAT_EQ(0.0f, rowCell()->getPositionX());
    EXPECT_FALSE(table->isLeftMenuOpen());
}

TEST_F(TableSwipeTest, AVerticalDragNeverSlidesTheRow) {
    delegate.leftMenuWidth = 100.0f;
    const float y = rowY(1);
    press(150.0f, y);
    drag(150.0f, y + 3.0f);
    drag(190.0f, y + 20.0f);
    NSUI::NSTableViewCell* cell = table->cellAtIndex(1);
    EXPECT_FLOAT_EQ(0.0f, cell->getPositionX());
    release(190.0f, y + 20.0f);
    step(0.0f);
    step(1.0f);
    EXPECT_FLOAT_EQ(0.0f, cell->getPositionX());
    EXPECT_EQ(nullptr, cell->getChildByName("leftMenu"));
    EXPECT_TRUE(delegate.entries("touched").empty());
}

TEST_F(TableSwipeTest, ARecycledMenuCellIsForgotten) {
    delegate.leftMenuWidth = 100.0f;
    swipe(150.0f, 80.0f);
    ASSERT_NE(nullptr, table->getMenuCell());
    table->scrollChildren(0.0f, 300.0f);
    EXPECT_EQ(nullptr, table->getMenuCell());
    // Closing a menu whose cell is gone only clears the flags.
    table->closeCellMenu(false);
    EXPECT_FALSE(table->isLeftMenuOpen());
}

TEST_F(TableViewTest, AHorizontalTableNeverOpensMenusNorCountsDrags) {
    delegate.leftMenuWidth = 100.0f;
    delegate.rightMenuWidth = 100.0f;
    TestTable* table = makeTable(20, 60.0f, NSUI::scrollHorizontal);
    delegate.log.clear();
    press(130.0f, 200.0f);
    drag(132.0f, 210.0f);
    drag(140.0f, 220.0f);
    EXPECT_FALSE(table->isDragged());
    release(140.0f, 220.0f);
    EXPECT_TRUE(delegate.entries("left menu").empty());
    EXPECT_TRUE(delegate.entries("right menu").empty());
    EXPECT_EQ(1u, delegate.entries("touched r0").size());
}
