#include "toolkit/widgets/NSListView.h"

#include "engine/2d/Layer.h"
#include "engine/base/Types.h"
#include "engine/math/Vec2.h"
#include "toolkit/widgets/NSTableViewCell.h"
#include "toolkit/widgets/NSTableViewDelegate.h"

namespace NSUI {

using cocos2d::Size;
using cocos2d::Vec2;

NSListView* NSListView::create() {
    auto* list = new NSListView();
    if (!list->init()) {
        delete list;
        return nullptr;
    }
    list->autorelease();
    return list;
}

NSListView::~NSListView() {
    NSTableView::cleanup();
}

bool NSListView::init() {
    if (!UIScrollViewBase::init()) {
        return false;
    }
    initWithViewSize(Size::ZERO);
    direction = scrollVertical;
    // Every list fills from the top. Laying the empty table out now gives it its first row
    // offset, so rows pushed before any reload start at the top of the view.
    fillOrder = 0;
    reloadData();
    return true;
}

bool NSListView::initWithViewSize(const Size& size) {
    UIScrollViewBase::setContentSize(size);
    indices.clear();
    fillOrder = 1;
    setDirection(scrollVertical);
    // Stays fixed under the rows: the placement pass moves it with the scroll offset.
    auto* background = cocos2d::LayerColor::create(cocos2d::Color4B::BLACK);
    background->setIgnoreAnchorPointForPosition(false);
    background->setAnchorPoint(Vec2::ZERO);
    background->setContentSize(size);
    background->setScale(1.2f);
    background->setPosition(Vec2::ZERO);
    background->setOpacity(0);
    background->setLocalZOrder(-100);
    background->setName("_NSTableView_bk_");
    addChild(background);
    return true;
}

void NSListView::pushBackItem(cocos2d::Ref* item) {
    NSTableView::insertItem(rowCount, item);
}

void NSListView::insertItem(ssize_t index, cocos2d::Ref* item) {
    NSTableView::insertItem(index, item);
}

void NSListView::removeItem(cocos2d::Ref* item) {
    const ssize_t index = items.getIndex(item);
    if (index >= 0) {
        removeItemAtIndex(index);
    }
}

NSTableViewCell* NSListView::getCellAtIndex(ssize_t index) {
    if (index < 0 || index > rowCount - 1) {
        return nullptr;
    }
    if (NSTableViewCell* cell = cellAtIndex(index)) {
        return cell;
    }
    if (delegate == nullptr) {
        return nullptr;
    }
    const Size rowSize(getContentSize().width, rowOffset[index + 1] - rowOffset[index]);
    return delegate->tableCellAtIndex(this, index, rowSize);
}

}  // namespace NSUI
