#pragma once

#include <sys/types.h>

#include "engine/base/Types.h"
#include "engine/math/Geometry.h"
#include "engine/math/Vec2.h"

namespace cocos2d {
class Ref;
}

namespace NSUI {

class NSTableView;
class NSTableViewCell;
class NSTableViewMenu;

// What a table view asks of its owner (row sizes and cells) and what it reports back (taps,
// highlights, recycling, scrolling, swipe menus). The table keeps a plain pointer: the owner
// keeps the delegate alive as long as the table.
class NSTableViewDelegate {
public:
    virtual ~NSTableViewDelegate() = default;

    // A row was tapped; `point` is the touch in the cell's node space.
    virtual void tableCellTouched(NSTableView* table, NSTableViewCell* cell,
                                  const cocos2d::Vec2& point);
    // Shows the row as pressed or selected. `point` is the touch in the cell's node space, or
    // (0, 0) when the table acts on its own. By default a layer of `highlightColor` (tag 10000)
    // is put under the cell's content once, while `highlightEnabled` is on.
    virtual void tableCellHighlight(NSTableView* table, NSTableViewCell* cell,
                                    const cocos2d::Vec2& point, const cocos2d::Size& cellSize);
    // Removes that look; by default the layer of tag 10000, while `highlightEnabled` is on.
    virtual void tableCellUnhighlight(NSTableView* table, NSTableViewCell* cell,
                                      const cocos2d::Vec2& point, const cocos2d::Size& cellSize);
    // The cell leaves use and goes to the table's free cells.
    virtual void tableCellWillRecycle(NSTableView* table, NSTableViewCell* cell);
    // After each placement pass: the first and last row in view.
    virtual void visibleRangeChanged(int first, int last);
    // The cell of that row was taken out of view (scrolled away or its row removed).
    virtual void tableCellOutOfSight(ssize_t index);
    // At the start of each placement pass.
    virtual void tableDidScroll(NSTableView* table);
    // Fills the swipe menu that opens at a row's left side. A menu left invisible opens
    // nothing; the default hides it.
    virtual void tableCellLeftMenu(NSTableView* table, NSTableViewMenu* menu);
    // The same for the right side.
    virtual void tableCellRightMenu(NSTableView* table, NSTableViewMenu* menu);
    // Size of the row: its height counts in a vertical table, its width in a horizontal one.
    // `item` is the table's item of that row, or null.
    virtual cocos2d::Size tableCellSizeForIndex(NSTableView* table, ssize_t index,
                                                cocos2d::Ref* item) = 0;
    // The cell for the row, never null. When the table already shows a cell for the row it
    // calls this only to let the delegate refresh that cell and ignores the result.
    virtual NSTableViewCell* tableCellAtIndex(NSTableView* table, ssize_t index,
                                              const cocos2d::Size& size) = 0;

    cocos2d::Color4B highlightColor = cocos2d::Color4B(0, 0, 0, 0);
    bool highlightEnabled = false;
};

}  // namespace NSUI
