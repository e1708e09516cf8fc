#include "toolkit/widgets/NSTableViewDelegate.h"

#include "engine/2d/Layer.h"
#include "toolkit/widgets/NSTableViewCell.h"
#include "toolkit/widgets/NSTableViewMenu.h"

namespace NSUI {

namespace {
const int kHighlightTag = 10000;
const int kHighlightZOrder = -100;
}  // namespace

void NSTableViewDelegate::tableCellTouched(NSTableView*, NSTableViewCell*, const cocos2d::Vec2&) {}

void NSTableViewDelegate::tableCellHighlight(NSTableView*, NSTableViewCell* cell,
                                             const cocos2d::Vec2&, const cocos2d::Size& cellSize) {
    if (cell == nullptr || !highlightEnabled || cell->getChildByTag(kHighlightTag) != nullptr) {
        return;
    }
    auto* layer = cocos2d::LayerColor::create(highlightColor);
    layer->setContentSize(cellSize);
    layer->setPosition(cocos2d::Vec2::ZERO);
    layer->setAnchorPoint(cocos2d::Vec2::ANCHOR_BOTTOM_LEFT);
    cell->addChild(layer);
    layer->setLocalZOrder(kHighlightZOrder);
    layer->setTag(kHighlightTag);
}

void NSTableViewDelegate::tableCellUnhighlight(NSTableView*, NSTableViewCell* cell,
                                               const cocos2d::Vec2&, const cocos2d::Size&) {
    if (cell == nullptr || !highlightEnabled) {
        return;
    }
    cell->removeChildByTag(kHighlightTag, true);
}

void NSTableViewDelegate::tableCellWillRecycle(NSTableView*, NSTableViewCell*) {}

void NSTableViewDelegate::visibleRangeChanged(int, int) {}

void NSTableViewDelegate::tableCellOutOfSight(ssize_t) {}

void NSTableViewDelegate::tableDidScroll(NSTableView*) {}

void NSTableViewDelegate::tableCellLeftMenu(NSTableView*, NSTableViewMenu* menu) {
    if (menu != nullptr) {
        menu->setVisible(false);
    }
}

void NSTableViewDelegate::tableCellRightMenu(NSTableView*, NSTableViewMenu* menu) {
    if (menu != nullptr) {
        menu->setVisible(false);
    }
}

}  // namespace NSUI
