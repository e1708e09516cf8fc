#pragma once

#include <sys/types.h>

#include "engine/math/Geometry.h"
#include "toolkit/widgets/NSTableView.h"

namespace cocos2d {
class Ref;
}

namespace NSUI {

class NSTableViewCell;

// The vertical, clipped list of screens and pop-up menus: a table view that fills from the top,
// with conveniences for adding and removing rows one item at a time. After create it is empty,
// of size zero and without a delegate; the owner sets the delegate, then the size, then items.
class NSListView : public NSTableView {
public:
    // Autoreleased; null when init fails.
    static NSListView* create();
    ~NSListView() override;

    bool init() override;
    // Sizes the view (without laying out rows) and puts the fixed background under the rows.
    bool initWithViewSize(const cocos2d::Size& size);

    // Appends a row for the item (retained).
    void pushBackItem(cocos2d::Ref* item);
    // A row for the item at `index`; an index outside the rows appends. The rows above keep
    // their place on screen.
    void insertItem(ssize_t index, cocos2d::Ref* item);
    // Removes the first row showing that very object; nothing when it has no row.
    void removeItem(cocos2d::Ref* item);
    // The row's cell: the one in view, else a fresh cell from the delegate that is not added to
    // the list. Null for a row that does not exist or, when out of view, without a delegate.
    NSTableViewCell* getCellAtIndex(ssize_t index);

protected:
    NSListView() = default;
};

}  // namespace NSUI
