#pragma once

#include <sys/types.h>

#include <set>
#include <vector>

#include "engine/base/EventKeyboard.h"
#include "engine/base/Vector.h"
#include "engine/math/Geometry.h"
#include "engine/math/Vec2.h"
#include "toolkit/widgets/NSTableViewCell.h"
#include "toolkit/widgets/NSTableViewDelegate.h"
#include "toolkit/widgets/NSTableViewMenu.h"
#include "toolkit/widgets/UIScrollViewBase.h"

namespace cocos2d {
class Event;
class Ref;
class Touch;
}  // namespace cocos2d

namespace NSUI {

// A cell-recycling table: a scroll view whose rows are the objects of `items`, sized and drawn by
// a delegate. Only the rows in view have cells; cells that scroll out go to a free list and are
// handed back to the delegate through `dequeueCell`. Rows can be inserted, removed and resized
// one at a time while the rows in view keep their place on screen.
//
// Rows are stacked along the scroll direction (vertical: along y, the row size's height counts;
// horizontal: along x, its width counts). With `fillOrder` 0 row 0 sits at the top.
//
// Touches: pressing a row highlights it through the delegate and selects its item, releasing it
// without a vertical drag reports a tap; with `multiSelect` a plain press replaces the selection
// and a press while `ctrlHeld` adds the row or, while at least two rows are selected, removes
// it. In a vertical table a sideways drag that starts near a side edge slides the row aside to
// reveal a menu the delegate fills. Main thread only.
class NSTableView : public UIScrollViewBase {
public:
    void setDelegate(NSTableViewDelegate* tableDelegate) { delegate = tableDelegate; }
    NSTableViewDelegate* getDelegate() const { return delegate; }

    ssize_t getItemCount() const { return items.size(); }
    // Null when `index` is out of range.
    cocos2d::Ref* getItem(ssize_t index) const;
    // The cell in view for the row, or null.
    NSTableViewCell* cellAtIndex(ssize_t index) const;
    // A recycled cell (autoreleased), or null when none is free.
    NSTableViewCell* dequeueCell();
    // What a delegate fills for the row: its cell in view, else a recycled one; null when the
    // delegate must make a new cell.
    NSTableViewCell* reusableCell(ssize_t index);

    // Recycles every cell, clears the selection, lays the rows of `items` out again from the
    // delegate's sizes, shows the start of the content and places the cells in view.
    void reloadData();
    // Empties the table: cells recycled, items and selection released.
    void removeAllItems();
    // Inserts a row; an index below 0 or past the end appends, a null item is ignored. The rows
    // in view keep their place.
    void insertItem(ssize_t index, cocos2d::Ref* item);
    // Removes the row and releases its item; out-of-range indices are ignored.
    void removeItemAtIndex(ssize_t index);
    // Resizes the row of `item` (the first row holding that very object).
    void updateItem(cocos2d::Ref* item);
    // Asks the delegate for the size of a row in view again and shifts the rows after it; rows
    // out of view are ignored.
    void updateCellSizeAtIndex(ssize_t index);
    // Has the delegate rebuild (or refresh) the cell of a row in view.
    void updateCellAtIndex(ssize_t index);

    // The container's position.
    cocos2d::Vec2 getContentOffset() const;
    // The container position that shows the end of the content.
    cocos2d::Vec2 minContainerOffset() const;

    // Position of the row's corner in the container.
    cocos2d::Vec2 offsetFromIndex(ssize_t index) const;
    // The row at a point of the container, or -1 for none. In a top-down vertical table a point
    // on the boundary of two rows belongs to the upper one; a point less than 0.0001 past it
    // belongs to no row. A point before the first row gives 0; an empty table has no rows.
    ssize_t indexFromOffset(const cocos2d::Vec2& offset) const;

    // Marks the row's cell as touched, highlights it and selects its item (single selection
    // replaces the selection). Nothing without a cell in view or a delegate.
    void selectCellAtIndex(int index);
    // The touched cell, else the cell in view of the first selected item, else null.
    NSTableViewCell* getSelectedCell() const;
    // Closes an open swipe menu: at once, or sliding back.
    void closeCellMenu(bool immediately);
    // With `keepSelection`, shows the cell highlighted exactly when its item is selected.
    void refreshHighlight(NSTableViewCell* cell);
    // While set, touches neither remember nor highlight the row under them and report no taps.
    void suppressCellTouch(bool suppress = true) { cellTouchSuppressed = suppress; }
    bool isCellTouchSuppressed() const { return cellTouchSuppressed; }

    NSTableViewCell* getTouchedCell() const { return touchedCell; }
    NSTableViewCell* getMenuCell() const { return menuCell; }
    bool isLeftMenuOpen() const { return leftMenuOpen; }
    bool isRightMenuOpen() const { return rightMenuOpen; }
    bool isDragged() const { return dragged; }
    int getRowCount() const { return rowCount; }
    const std::vector<float>& getRowOffsets() const { return rowOffset; }
    const cocos2d::Vector<NSTableViewCell*>& getUsedCells() const { return usedCells; }
    const cocos2d::Vector<NSTableViewCell*>& getFreeCells() const { return freeCells; }

    // Resizes the view; the content's start is shown again.
    void setContentSize(const cocos2d::Size& size) override;
    using UIScrollViewBase::setContentSize;
    // Empties the table and drops the free cells.
    void cleanup() override;
    bool onTouchBegan(cocos2d::Touch* touch, cocos2d::Event* event) override;
    void onTouchMoved(cocos2d::Touch* touch, cocos2d::Event* event) override;
    void onTouchEnded(cocos2d::Touch* touch, cocos2d::Event* event) override;
    void onTouchCancelled(cocos2d::Touch* touch, cocos2d::Event* event) override;
    // The left Control key sets (pressed) or clears (released) `ctrlHeld`.
    void onKeyPressed(cocos2d::EventKeyboard::KeyCode keyCode, cocos2d::Event* event) override;
    void onKeyReleased(cocos2d::EventKeyboard::KeyCode keyCode, cocos2d::Event* event) override;
    // Places the cells after every container move: recycles the rows that left the view and asks
    // the delegate for the rows that came into it.
    void scrollViewDidScroll() override;

    // 0: row 0 at the top (vertical) or left; 1: row 0 at the bottom.
    int fillOrder = 0;
    // Row range of the last placement pass.
    int firstVisible = 0;
    int lastVisible = 0;
    // Share of the view width, from either side, in which a swipe must start to open a menu.
    float menuStartFraction = 0.5f;
    // Share of the menu width past which a released row stays open.
    float menuOpenFraction = 0.5f;
    // Seconds of a full menu slide.
    float menuAnimationTime = 0.5f;
    // The row objects (retained); owners fill it before `reloadData`.
    cocos2d::Vector<cocos2d::Ref*> items;
    // A selected row stays highlighted after the touch.
    bool keepSelection = false;
    // Several rows can be selected.
    bool multiSelect = false;
    // The selected items, in selection order, each once.
    cocos2d::Vector<cocos2d::Ref*> selection;
    // Ctrl is down (toggling in multi-selection).
    bool ctrlHeld = false;

protected:
    NSTableView();

    float rowLength(ssize_t index) const;
    float lengthAlongAxis(const cocos2d::Size& size) const;
    bool isTopDownVertical() const;
    // `indexFromOffset`, but a point outside every row gives the nearest row.
    ssize_t nearestIndexFromOffset(const cocos2d::Vec2& offset) const;
    void updateCellPositions();
    void updateContentSize();
    void setIndexForCell(ssize_t index, NSTableViewCell* cell);
    void addCellIfNecessary(NSTableViewCell* cell);
    void moveCellOutOfSight(NSTableViewCell* cell);
    void recycleAllCells();
    void sortUsedCells();
    void placeUsedCells();
    // Renumbers the used cells from row `from` on by `delta`, placing them at their new rows.
    void shiftUsedCells(ssize_t from, ssize_t delta);
    // Moves the container after a row edit so that the rows in view keep their place on screen;
    // only the shift along the table's direction applies.
    void keepRowsInPlace(float horizontalShift, float verticalShift);
    void applyCellSize(ssize_t index, const cocos2d::Size& size);
    void addToSelection(cocos2d::Ref* item);
    // The tap of a release: unhighlight and `tableCellTouched` for the touched cell.
    void reportCellRelease(cocos2d::Touch* touch);
    void openCellMenu(bool left, const cocos2d::Vec2& start);
    void trackCellMenu(bool left, const cocos2d::Vec2& start, const cocos2d::Vec2& current);
    // Slides `cell` back to x = 0 (removing its menus at the end) or open to the menu's width.
    void animateCellMenu(bool close, bool left, NSTableViewCell* cell);
    void closeOpenMenus();

    NSTableViewCell* touchedCell = nullptr;
    NSTableViewDelegate* delegate = nullptr;
    // The direction the container was last reset for; 0 forces a reset.
    int oldDirection = 0;
    bool usedCellsDirty = false;
    std::set<int> indices;
    // rowCount + 1 entries: the start of each row along the axis, then the total length.
    std::vector<float> rowOffset;
    cocos2d::Vector<NSTableViewCell*> usedCells;
    cocos2d::Vector<NSTableViewCell*> freeCells;
    int rowCount = 0;
    // The current touch moved more than 5 points vertically.
    bool dragged = false;
    NSTableViewCell* menuCell = nullptr;
    bool leftMenuOpen = false;
    bool rightMenuOpen = false;
    bool cellTouchSuppressed = false;
};

}  // namespace NSUI
