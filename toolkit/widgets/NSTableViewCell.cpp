#include "toolkit/widgets/NSTableViewCell.h"

#include "engine/base/Macros.h"

namespace NSUI {

NSTableViewCell::NSTableViewCell() : index(CC_INVALID_INDEX) {}

NSTableViewCell* NSTableViewCell::create() {
    auto* cell = new NSTableViewCell();
    if (!cell->init()) {
        delete cell;
        return nullptr;
    }
    cell->autorelease();
    return cell;
}

}  // namespace NSUI
