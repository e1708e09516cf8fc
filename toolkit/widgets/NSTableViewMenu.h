#pragma once

#include <cstdint>

#include "engine/ui/Widget.h"

namespace NSUI {

class NSTableViewCell;

// The swipe menu of one row, filled by the table's delegate with its buttons. It takes the
// touches that land on it, so they do not reach the row underneath.
class NSTableViewMenu : public cocos2d::ui::Widget {
public:
    static NSTableViewMenu* create();
    bool init() override;

    // Row of the cell the menu belongs to.
    std::int64_t index;
    // That cell (not retained).
    NSTableViewCell* cell = nullptr;

protected:
    NSTableViewMenu();
};

}  // namespace NSUI
