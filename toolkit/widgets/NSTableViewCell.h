#pragma once

#include <cstdint>

#include "engine/2d/Node.h"
#include "engine/math/Geometry.h"

namespace NSUI {

// One row's node. The table places it with anchor (0, 0) at its row's corner and keeps its row
// number and row size up to date; the delegate builds its content.
class NSTableViewCell : public cocos2d::Node {
public:
    static NSTableViewCell* create();

    // Row number; `CC_INVALID_INDEX` while the cell is free.
    std::int64_t index;
    // The row size the table gave the cell.
    cocos2d::Size size;

protected:
    NSTableViewCell();
};

}  // namespace NSUI
