#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/2d/Layer.h"
#include "tests/toolkit/TableViewFixture.h"

using namespace tabletest;
using cocos2d::Size;
using cocos2d::Vec2;

namespace {

// Rows of 40, 30 and 50 points: boundaries at 40, 70 and 120 along the axis.
void loadThreeRows(TestTable* table) {
    table->items.pushBack(Row::create("a", 40.0f));
    table->items.pushBack(Row::create("b", 30.0f));
    table->items.pushBack(Row::create("c", 50.0f));
    table->reloadData();
}

class TableGeometryTest : public TableViewTest {};
class TableRecyclingTest : public TableViewTest {};
class TableEditTest : public TableViewTest {
protected:
    // 20 rows of 40 points scrolled so that rows 5 to 10 are in view.
    TestTable* makeScrolledTable() {
        TestTable* table = makeTable(20, 40.0f);
        table->jumpToDestination(Vec2(0.0f, -390.0f));
        EXPECT_EQ(5, table->firstVisible);
        EXPECT_EQ(10, table->lastVisible);
        return table;
    }
    std::vector<float> bottoms(TestTable* table, const std::vector<std::string>& names) {
        std::vector<float> found;
        for (const std::string& name : names) {
            found.push_back(rowBottom(table, name));
        }
        return found;
    }
    // Every row spans exactly its item's length.
    static void expectOffsetsMatchItems(TestTable* table) {
        const std::vector<float>& offsets = table->getRowOffsets();
        ASSERT_EQ(table->items.size() + 1, static_cast<ssize_t>(offsets.size()));
        EXPECT_EQ(0.0f, offsets[0]);
        for (ssize_t i = 0; i < table->items.size(); ++i) {
            EXPECT_FLOAT_EQ(static_cast<Row*>(table->getItem(i))->length,
                            offsets[i + 1] - offsets[i])
                << "row " << i;
        }
    }
};

}  // namespace

TEST_F(TableGeometryTest, RowLookupKeepsBoundariesWithTheUpperRowInATopDownTable) {
    TestTable* table = makeTable(0, 40.0f);
    loadThreeRows(table);
    // The container is as tall as the view (200): row 0 ends 40 below its top.
    ASSERT_EQ((std::vector<float>{0.0f, 40.0f, 70.0f, 120.0f}), table->getRowOffsets());
    EXPECT_EQ(Vec2(0.0f, 160.0f), table->offsetFromIndex(0));
    EXPECT_EQ(Vec2(0.0f, 130.0f), table->offsetFromIndex(1));
    EXPECT_EQ(Vec2(0.0f, 80.0f), table->offsetFromIndex(2));

    struct Case {
        float fromTop;
        ssize_t row;
    };
    const Case cases[] = {
        {-5.0f, 0},                               // above the first row
        {0.0f, 0},       {20.0f, 0}, {40.0f, 0},  // on the boundary: the upper row
        {40.00005f, -1},                          // just past it, inside the tolerance: no row
        {40.001f, 1},    {70.0f, 1}, {100.0f, 2}, {120.0f, 2}, {121.0f, -1},  // below the last row
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.row, table->indexFromOffset(Vec2(10.0f, 200.0f - c.fromTop)))
            << c.fromTop << " from the top";
    }
}

TEST_F(TableGeometryTest, HorizontalRowsRunAlongXAndBoundariesBelongToTheNextRow) {
    TestTable* table = makeTable(0, 40.0f, NSUI::scrollHorizontal);
    loadThreeRows(table);
    EXPECT_EQ(Vec2(40.0f, 0.0f), table->offsetFromIndex(1));
    EXPECT_EQ(Size(kWidth, kHeight), table->getInnerContainer()->getContentSize());

    struct Case {
        float x;
        ssize_t row;
    };
    const Case cases[] = {
        {-1.0f, 0}, {0.0f, 0}, {39.99995f, -1}, {40.0f, 1}, {69.0f, 1}, {119.0f, 2}, {300.0f, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.row, table->indexFromOffset(Vec2(c.x, 10.0f))) << "x " << c.x;
    }
    // The start of the content is shown and every row fits the 300-point view.
    EXPECT_EQ(0.0f, table->getContentOffset().x);
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), shownRows(table));
    EXPECT_EQ(Size(50.0f, kHeight), table->cellAtIndex(2)->size);
}

TEST_F(TableGeometryTest, BottomUpRowsStartAtTheBottomAndBoundariesBelongToTheRowAbove) {
    TestTable* table = makeTable(0, 40.0f);
    table->fillOrder = 1;
    loadThreeRows(table);
    EXPECT_EQ(Vec2(0.0f, 0.0f), table->offsetFromIndex(0));
    EXPECT_EQ(Vec2(0.0f, 70.0f), table->offsetFromIndex(2));
    struct Case {
        float y;
        ssize_t row;
    };
    const Case cases[] = {{-1.0f, 0}, {39.99995f, -1}, {40.0f, 1}, {119.0f, 2}, {150.0f, -1}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.row, table->indexFromOffset(Vec2(10.0f, c.y))) << "y " << c.y;
    }
    for (NSUI::NSTableViewCell* cell : table->getUsedCells()) {
        EXPECT_EQ(table->offsetFromIndex(cell->index), cell->getPosition());
    }
}

TEST_F(TableGeometryTest, AnEmptyTableHasOneOffsetAViewSizedContainerAndNoPlacementPass) {
    TestTable* table = makeTable(0, 40.0f);
    EXPECT_EQ(std::vector<float>{0.0f}, table->getRowOffsets());
    EXPECT_EQ(Size(kWidth, kHeight), table->getInnerContainer()->getContentSize());
    EXPECT_TRUE(delegate.entries("scroll").empty());
    EXPECT_EQ(-1, table->indexFromOffset(Vec2(10.0f, 100.0f)));
    EXPECT_EQ(nullptr, table->getItem(0));
    EXPECT_EQ(nullptr, table->cellAtIndex(0));
    EXPECT_EQ(nullptr, table->dequeueCell());
}

TEST_F(TableGeometryTest, AReloadShowsTheTopRowsSizedToTheViewWidth) {
    TestTable* table = makeTable(20, 40.0f);
    EXPECT_EQ(Size(kWidth, 800.0f), table->getInnerContainer()->getContentSize());
    EXPECT_EQ(Vec2(0.0f, -600.0f), table->getContentOffset());
    EXPECT_EQ(0, table->firstVisible);
    EXPECT_EQ(4, table->lastVisible);
    EXPECT_EQ((std::vector<std::string>{"r0", "r1", "r2", "r3", "r4"}), shownRows(table));
    EXPECT_FLOAT_EQ(kBottom + kHeight - 40.0f, rowBottom(table, "r0"));
    EXPECT_FLOAT_EQ(kBottom, rowBottom(table, "r4"));
    EXPECT_EQ(Size(kWidth, 40.0f), table->cellAtIndex(0)->size);
}

TEST_F(TableGeometryTest, ResizingTheViewShowsTheStartAgainAndSizesTheBackground) {
    TestTable* table = makeTable(20, 40.0f);
    auto* background = cocos2d::LayerColor::create(cocos2d::Color4B(0, 0, 0, 255));
    table->getInnerContainer()->addChild(background, -1, "_NSTableView_bk_");
    table->jumpToDestination(Vec2(0.0f, -300.0f));

    table->setContentSize(Size(kWidth, 120.0f));
    EXPECT_EQ(Vec2(0.0f, 120.0f - 800.0f), table->getContentOffset());
    EXPECT_EQ(Size(kWidth, 120.0f), background->getContentSize());
    // The background stays under the view while the container moves.
    EXPECT_EQ(-table->getContentOffset(), background->getPosition());
    EXPECT_EQ((std::vector<std::string>{"r0", "r1", "r2"}), shownRows(table));
}

TEST_F(TableRecyclingTest, ScrolledOutRowsAreRecycledAndReusedInCallbackOrder) {
    TestTable* table = makeTable(20, 40.0f);
    ASSERT_EQ(5, delegate.created);
    NSUI::NSTableViewCell* first = table->cellAtIndex(0);
    first->addChild(cocos2d::Node::create(), 0, "tableMenu");
    delegate.log.clear();

    table->scrollChildren(0.0f, 50.0f);

    EXPECT_EQ((std::vector<std::string>{"scroll", "recycle 0", "out 0", "cell r5", "cell r6",
                                        "range 1-6"}),
              delegate.log);
    // The free list was empty, so row 5 got the cell of row 0, without its row menu.
    EXPECT_EQ(first, table->cellAtIndex(5));
    EXPECT_EQ(5, first->index);
    EXPECT_EQ(nullptr, first->getChildByName("tableMenu"));
    EXPECT_EQ(6, delegate.created);
    EXPECT_TRUE(table->getFreeCells().empty());
}

TEST_F(TableRecyclingTest, ScrollingTheWholeListAllocatesNoCellsAfterTheFirstScreen) {
    TestTable* table = makeTable(200, 40.0f);
    for (int i = 0; i < 300; ++i) {
        table->scrollChildren(0.0f, 37.0f);
        ASSERT_LE(table->getUsedCells().size(), 7) << "step " << i;
        ASSERT_EQ(table->lastVisible - table->firstVisible + 1, table->getUsedCells().size());
    }
    EXPECT_EQ(194, table->firstVisible);
    EXPECT_EQ(199, table->lastVisible);
    EXPECT_LE(delegate.created, 7);
    for (NSUI::NSTableViewCell* cell : table->getUsedCells()) {
        EXPECT_EQ(table->offsetFromIndex(cell->index), cell->getPosition());
    }
    for (NSUI::NSTableViewCell* cell : table->getFreeCells()) {
        EXPECT_EQ(CC_INVALID_INDEX, cell->index);
        EXPECT_EQ(nullptr, cell->getParent());
    }
}

TEST_F(TableRecyclingTest, ARowStartingWithinTheBoundaryToleranceStillGetsItsCells) {
    TestTable* table = makeTable(20, 40.0f);
    // The top edge lies a hair past the boundary of rows 4 and 5: the lookup finds no row
    // there, and the rows in view must still be shown, not just the last one.
    table->jumpToDestination(Vec2(0.0f, -399.99994f));
    EXPECT_EQ(5, table->firstVisible);
    EXPECT_EQ(10, table->lastVisible);
    EXPECT_EQ((std::vector<std::string>{"r5", "r6", "r7", "r8", "r9", "r10"}), shownRows(table));
}

TEST_F(TableRecyclingTest, ReloadRecyclesEveryCellAndClearsSelectionAndTouchedCell) {
    TestTable* table = makeTable(20, 40.0f);
    table->selectCellAtIndex(2);
    ASSERT_NE(nullptr, table->getSelectedCell());
    delegate.log.clear();

    table->items.erase(0);
    table->reloadData();

    EXPECT_EQ(
        (std::vector<std::string>{"recycle 0", "recycle 1", "recycle 2", "recycle 3", "recycle 4"}),
        delegate.entries("recycle"));
    EXPECT_TRUE(table->selection.empty());
    EXPECT_EQ(nullptr, table->getSelectedCell());
    EXPECT_EQ((std::vector<std::string>{"r1", "r2", "r3", "r4", "r5"}), shownRows(table));
    EXPECT_EQ(5, delegate.created);
}

TEST_F(TableEditTest, InsertingKeepsTheRowsAboveTheInsertionInPlace) {
    struct Case {
        const char* what;
        ssize_t index;
        ssize_t expectedIndex;
        // Rows (of r5 .. r10) that move down by the new row's 30 points.
        std::vector<std::string> moved;
    };
    const std::vector<Case> cases = {
        {"above the view", 2, 2, {}},   {"in the view", 7, 7, {"r7", "r8", "r9"}},
        {"below the view", 15, 15, {}}, {"negative index", -5, 20, {}},
        {"past the end", 23, 20, {}},
    };
    const std::vector<std::string> watched = {"r5", "r6", "r7", "r8", "r9"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestTable* table = makeScrolledTable();
        const std::vector<float> before = bottoms(table, watched);

        Row* added = Row::create("new", 30.0f);
        table->insertItem(c.index, added);

        EXPECT_EQ(21, table->getRowCount());
        EXPECT_EQ(c.expectedIndex, table->items.getIndex(added));
        expectOffsetsMatchItems(table);
        const std::vector<float> after = bottoms(table, watched);
        for (size_t i = 0; i < watched.size(); ++i) {
            const bool moves =
                std::find(c.moved.begin(), c.moved.end(), watched[i]) != c.moved.end();
            EXPECT_FLOAT_EQ(before[i] - (moves ? 30.0f : 0.0f), after[i]) << watched[i];
        }
        // Cells sit on their rows and name the right items.
        for (NSUI::NSTableViewCell* cell : table->getUsedCells()) {
            EXPECT_EQ(table->offsetFromIndex(cell->index), cell->getPosition());
        }
        EXPECT_EQ(c.expectedIndex == 7, table->cellAtIndex(c.expectedIndex) != nullptr);
        table->removeFromParent();
    }
}

TEST_F(TableEditTest, RemovingKeepsTheRowsInViewInPlaceAndRecyclesTheRowsCell) {
    struct Case {
        const char* what;
        ssize_t index;
        const char* removedName;
        std::vector<std::string> watched;
        // Rows of `watched` that move down by the removed row's 40 points.
        std::vector<std::string> moved;
    };
    const std::vector<Case> cases = {
        {"above the view", 2, "r2", {"r5", "r6", "r7", "r8"}, {}},
        {"in the view", 7, "r7", {"r5", "r6", "r8", "r9"}, {"r5", "r6"}},
        {"below the view", 15, "r15", {"r5", "r6", "r7", "r8"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestTable* table = makeScrolledTable();
        const std::vector<float> before = bottoms(table, c.watched);
        delegate.log.clear();

        table->removeItemAtIndex(c.index);

        EXPECT_EQ(19, table->getRowCount());
        expectOffsetsMatchItems(table);
        const std::vector<float> after = bottoms(table, c.watched);
        for (size_t i = 0; i < c.watched.size(); ++i) {
            const bool moves =
                std::find(c.moved.begin(), c.moved.end(), c.watched[i]) != c.moved.end();
            EXPECT_FLOAT_EQ(before[i] - (moves ? 40.0f : 0.0f), after[i]) << c.watched[i];
        }
        for (NSUI::NSTableViewCell* cell : table->getUsedCells()) {
            EXPECT_EQ(table->offsetFromIndex(cell->index), cell->getPosition());
        }
        if (c.index == 7) {
            const std::vector<std::string> recycled = {"recycle 7", "out 7"};
            EXPECT_EQ(recycled,
                      std::vector<std::string>(delegate.log.begin(), delegate.log.begin() + 2));
        }
        table->removeFromParent();
    }
}

TEST_F(TableEditTest, ADelegateMayCloseTheTableWhileAnEditMovesTheRows) {
    // Closes the table's screen at the first placement pass after `armed` is set.
    struct ClosingDelegate : LogDelegate {
        void tableDidScroll(NSUI::NSTableView* table) override {
            if (armed) {
                armed = false;
                table->removeFromParent();
            }
        }
        bool armed = false;
    };
    struct Case {
        const char* what;
        void (*edit)(TestTable*);
    };
    const std::vector<Case> cases = {
        {"insert", [](TestTable* t) { t->insertItem(7, Row::create("new", 30.0f)); }},
        {"remove", [](TestTable* t) { t->removeItemAtIndex(7); }},
        {"resize",
         [](TestTable* t) {
             static_cast<Row*>(t->getItem(7))->length = 60.0f;
             t->updateCellSizeAtIndex(7);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClosingDelegate closing;
        TestTable* table = makeScrolledTable();
        table->setDelegate(&closing);
        const ssize_t onScene = scene->getChildrenCount();
        step(0.0f);  // the scene's is now the only reference
        closing.armed = true;
        c.edit(table);
        EXPECT_FALSE(closing.armed);
        EXPECT_EQ(onScene - 1, scene->getChildrenCount());
        step(0.0f);
    }
}

TEST_F(TableEditTest, RemovingOutOfRangeRowsOrInsertingNoItemChangesNothing) {
    TestTable* table = makeScrolledTable();
    const std::vector<float> offsets = table->getRowOffsets();
    table->insertItem(3, nullptr);
    for (ssize_t index : {CC_INVALID_INDEX, static_cast<ssize_t>(-7), static_cast<ssize_t>(20),
                          static_cast<ssize_t>(99)}) {
        table->removeItemAtIndex(index);
    }
    EXPECT_EQ(20, table->items.size());
    EXPECT_EQ(offsets, table->getRowOffsets());
}

TEST_F(TableEditTest, RemovingTheOnlySelectedRowEmptiesTheSelectionAndRemovingAllEmptiesTheTable) {
    TestTable* table = makeScrolledTable();
    table->selectCellAtIndex(6);
    ASSERT_EQ(1, table->selection.size());
    table->removeItemAtIndex(6);
    EXPECT_TRUE(table->selection.empty());
    EXPECT_EQ(nullptr, table->getSelectedCell());

    table->removeAllItems();
    EXPECT_EQ(0, table->getRowCount());
    EXPECT_TRUE(table->getUsedCells().empty());
    EXPECT_EQ(std::vector<float>{0.0f}, table->getRowOffsets());
    EXPECT_EQ(Size(kWidth, kHeight), table->getInnerContainer()->getContentSize());
}

TEST_F(TableRecyclingTest, CleanupEmptiesTheTableAndDropsTheFreeCells) {
    TestTable* table = makeTable(20, 40.0f);
    table->items.clear();
    table->items.pushBack(Row::create("x", 40.0f));
    table->reloadData();
    ASSERT_EQ(4, table->getFreeCells().size());
    table->cleanup();
    EXPECT_EQ(0, table->getRowCount());
    EXPECT_TRUE(table->items.empty());
    EXPECT_TRUE(table->getUsedCells().empty());
    EXPECT_TRUE(table->getFreeCells().empty());
    EXPECT_EQ(nullptr, table->dequeueCell());
}

TEST_F(TableRecyclingTest, AReusableCellIsTheRowsCellInViewElseAFreeOneElseNone) {
    TestTable* table = makeTable(20, 40.0f);
    table->items.clear();
    table->items.pushBack(Row::create("x", 40.0f));
    table->reloadData();
    ASSERT_EQ(4, table->getFreeCells().size());
    NSUI::NSTableViewCell* shown = table->cellAtIndex(0);
    ASSERT_NE(nullptr, shown);
    EXPECT_EQ(shown, table->reusableCell(0));
    EXPECT_EQ(4, table->getFreeCells().size());
    for (int taken = 1; taken <= 4; ++taken) {
        NSUI::NSTableViewCell* cell = table->reusableCell(1);
        ASSERT_NE(nullptr, cell);
        EXPECT_NE(shown, cell);
        EXPECT_EQ(4 - taken, table->getFreeCells().size());
    }
    EXPECT_EQ(nullptr, table->reusableCell(1));
}

TEST_F(TableEditTest, ResizingARowInViewMovesOnlyTheRowsAfterIt) {
    TestTable* table = makeScrolledTable();
    const std::vector<std::string> watched = {"r5", "r6", "r7", "r8", "r9"};
    const std::vector<float> before = bottoms(table, watched);

    auto* row = static_cast<Row*>(table->getItem(7));
    row->length = 60.0f;
    delegate.log.clear();
    table->updateItem(row);

    EXPECT_EQ(std::vector<std::string>{"cell r7"}, delegate.entries("cell r7"));
    EXPECT_EQ(Size(kWidth, 60.0f), table->cellAtIndex(7)->size);
    expectOffsetsMatchItems(table);
    const std::vector<float> after = bottoms(table, watched);
    EXPECT_FLOAT_EQ(before[0], after[0]);
    EXPECT_FLOAT_EQ(before[1], after[1]);
    EXPECT_FLOAT_EQ(before[2] - 20.0f, after[2]);
    EXPECT_FLOAT_EQ(before[3] - 20.0f, after[3]);
}

TEST_F(TableEditTest, ResizingARowOutOfViewChangesNothing) {
    TestTable* table = makeScrolledTable();
    const std::vector<float> offsets = table->getRowOffsets();
    static_cast<Row*>(table->getItem(15))->length = 90.0f;
    table->updateCellSizeAtIndex(15);
    table->updateCellSizeAtIndex(-1);
    EXPECT_EQ(offsets, table->getRowOffsets());
}

namespace {

// Implements only what a delegate must; everything else keeps the defaults.
class PlainDelegate : public NSUI::NSTableViewDelegate {
public:
    Size tableCellSizeForIndex(NSUI::NSTableView*, ssize_t, cocos2d::Ref*) override {
        return Size(100.0f, 20.0f);
    }
    NSUI::NSTableViewCell* tableCellAtIndex(NSUI::NSTableView*, ssize_t, const Size&) override {
        return NSUI::NSTableViewCell::create();
    }
};

}  // namespace

TEST(TableDelegateDefaults, HighlightLayerIsAddedOnceAndOnlyWhileEnabled) {
    PlainDelegate delegate;
    delegate.highlightColor = cocos2d::Color4B(255, 255, 0, 55);
    NSUI::NSTableViewCell* cell = NSUI::NSTableViewCell::create();
    cell->addChild(cocos2d::Node::create());
    const Size size(100.0f, 20.0f);

    delegate.tableCellHighlight(nullptr, cell, Vec2::ZERO, size);
    EXPECT_EQ(1, cell->getChildrenCount());

    delegate.highlightEnabled = true;
    delegate.tableCellHighlight(nullptr, cell, Vec2(3.0f, 4.0f), size);
    delegate.tableCellHighlight(nullptr, cell, Vec2::ZERO, size);
    ASSERT_EQ(2, cell->getChildrenCount());
    auto* layer = dynamic_cast<cocos2d::LayerColor*>(cell->getChildByTag(10000));
    ASSERT_NE(nullptr, layer);
    EXPECT_EQ(size, layer->getContentSize());
    EXPECT_EQ(Vec2::ZERO, layer->getPosition());
    EXPECT_EQ(-100, layer->getLocalZOrder());
    EXPECT_EQ(cocos2d::Color3B(255, 255, 0), layer->getColor());
    EXPECT_EQ(55, layer->getOpacity());
    // Drawn under the cell's content.
    cell->sortAllChildren();
    EXPECT_EQ(layer, cell->getChildren().front());

    delegate.highlightEnabled = false;
    delegate.tableCellUnhighlight(nullptr, cell, Vec2::ZERO, size);
    EXPECT_EQ(2, cell->getChildrenCount());
    delegate.highlightEnabled = true;
    delegate.tableCellUnhighlight(nullptr, cell, Vec2::ZERO, size);
    EXPECT_EQ(1, cell->getChildrenCount());
    EXPECT_EQ(nullptr, cell->getChildByTag(10000));

    delegate.tableCellHighlight(nullptr, nullptr, Vec2::ZERO, size);
    delegate.tableCellUnhighlight(nullptr, nullptr, Vec2::ZERO, size);
}

TEST(TableDelegateDefaults, SwipeMenusAreHiddenByDefault) {
    PlainDelegate delegate;
    NSUI::NSTableViewMenu* left = NSUI::NSTableViewMenu::create();
    NSUI::NSTableViewMenu* right = NSUI::NSTableViewMenu::create();
    ASSERT_TRUE(left->isVisible());
    ASSERT_TRUE(left->isTouchEnabled());
    delegate.tableCellLeftMenu(nullptr, left);
    delegate.tableCellRightMenu(nullptr, right);
    EXPECT_FALSE(left->isVisible());
    EXPECT_FALSE(right->isVisible());
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
}
