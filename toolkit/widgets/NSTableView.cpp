#include "toolkit/widgets/NSTableView.h"

#include <algorithm>
#include <cmath>

#include "engine/2d/ActionInstant.h"
#include "engine/2d/ActionInterval.h"
#include "engine/base/Macros.h"
#include "engine/base/Touch.h"

namespace NSUI {

using cocos2d::Size;
using cocos2d::Vec2;

namespace {

const char* const kBackgroundName = "_NSTableView_bk_";
const char* const kLeftMenuName = "leftMenu";
const char* const kRightMenuName = "rightMenu";
const char* const kRowMenuName = "tableMenu";
// Past this vertical travel a touch is a drag and reports no tap.
const float kDragDistance = 5.0f;
const float kMenuWidth = 150.0f;
// Tolerance of the row lookup at the row boundaries.
const float kBoundaryTolerance = 0.0001f;

// Keeps a node alive while code that may release it (a delegate callback) runs.
class RetainGuard {
public:
    explicit RetainGuard(cocos2d::Ref* ref) : _ref(ref) { _ref->retain(); }
    ~RetainGuard() { _ref->release(); }
    RetainGuard(const RetainGuard&) = delete;
    RetainGuard& operator=(const RetainGuard&) = delete;

private:
    cocos2d::Ref* _ref;
};

}  // namespace

NSTableView::NSTableView() = default;

// Items and cells.

cocos2d::Ref* NSTableView::getItem(ssize_t index) const {
    if (index < 0 || index >= items.size()) {
        return nullptr;
    }
    return items.at(index);
}

NSTableViewCell* NSTableView::cellAtIndex(ssize_t index) const {
    if (indices.find(static_cast<int>(index)) == indices.end()) {
        return nullptr;
    }
    for (NSTableViewCell* cell : usedCells) {
        if (cell->index == index) {
            return cell;
        }
    }
    return nullptr;
}

NSTableViewCell* NSTableView::dequeueCell() {
    if (freeCells.empty()) {
        return nullptr;
    }
    NSTableViewCell* cell = freeCells.front();
    cell->retain();
    cell->autorelease();
    freeCells.erase(0);
    return cell;
}

NSTableViewCell* NSTableView::reusableCell(ssize_t index) {
    NSTableViewCell* cell = cellAtIndex(index);
    return cell != nullptr ? cell : dequeueCell();
}

cocos2d::Vec2 NSTableView::getContentOffset() const {
    return innerContainer->getPosition();
}

cocos2d::Vec2 NSTableView::minContainerOffset() const {
    const Size& inner = innerContainer->getContentSize();
    return Vec2(_contentSize.width - inner.width * innerContainer->getScaleX(),
                _contentSize.height - inner.height * innerContainer->getScaleY());
}

// Row geometry.

bool NSTableView::isTopDownVertical() const {
    return direction == scrollVertical && fillOrder == 0;
}

float NSTableView::lengthAlongAxis(const Size& size) const {
    return direction == scrollHorizontal ? size.width : size.height;
}

float NSTableView::rowLength(ssize_t index) const {
    return rowOffset[index + 1] - rowOffset[index];
}

cocos2d::Vec2 NSTableView::offsetFromIndex(ssize_t index) const {
    if (index < 0 || index + 1 >= static_cast<ssize_t>(rowOffset.size())) {
        return Vec2::ZERO;
    }
    if (direction == scrollHorizontal) {
        return Vec2(rowOffset[index], 0.0f);
    }
    if (fillOrder == 0) {
        return Vec2(0.0f,
                    innerContainer->getContentSize().height - rowOffset[index] - rowLength(index));
    }
    return Vec2(0.0f, rowOffset[index]);
}

ssize_t NSTableView::indexFromOffset(const Vec2& offset) const {
    float value = 0.0f;
    float low = 0.0f;
    float high = 0.0f;
    if (direction == scrollHorizontal) {
        value = offset.x;
        high = -kBoundaryTolerance;
    } else if (fillOrder == 0) {
        value = innerContainer->getContentSize().height - offset.y;
        low = kBoundaryTolerance;
    } else {
        value = offset.y;
        high = -kBoundaryTolerance;
    }

    ssize_t lo = 0;
    ssize_t hi = static_cast<ssize_t>(rowCount) - 1;
    ssize_t found = -1;
    while (lo <= hi) {
        const ssize_t mid = lo + (hi - lo) / 2;
        if (value >= rowOffset[mid] + low && value <= rowOffset[mid + 1] + high) {
            found = mid;
            break;
        }
        if (rowOffset[mid] + low > value) {
            hi = mid - 1;
        } else {
            lo = mid + 1;
        }
    }
    if (found == -1) {
        found = lo <= 0 ? 0 : -1;
    }
    if (found != -1) {
        found = std::max<ssize_t>(found, 0);
        if (found > static_cast<ssize_t>(rowCount) - 1) {
            found = CC_INVALID_INDEX;
        }
    }
    return found;
}

ssize_t NSTableView::nearestIndexFromOffset(const Vec2& offset) const {
    const ssize_t index = indexFromOffset(offset);
    if (index != -1) {
        return index;
    }
    // Past the end, or inside the boundary tolerance: the row the point lies in.
    float value = offset.x;
    if (direction != scrollHorizontal) {
        value = fillOrder == 0 ? innerContainer->getContentSize().height - offset.y : offset.y;
    }
    const auto rowsEnd = rowOffset.begin() + rowCount;
    const ssize_t after = std::upper_bound(rowOffset.begin(), rowsEnd, value) - rowOffset.begin();
    return std::min<ssize_t>(std::max<ssize_t>(after - 1, 0), rowCount - 1);
}

void NSTableView::updateCellPositions() {
    rowOffset.resize(static_cast<size_t>(rowCount) + 1, 0.0f);
    if (rowCount < 1) {
        return;
    }
    float sum = 0.0f;
    for (int i = 0; i < rowCount; ++i) {
        rowOffset[i] = sum;
        Size size;
        if (delegate != nullptr) {
            size = delegate->tableCellSizeForIndex(this, i, getItem(i));
        }
        if (NSTableViewCell* cell = cellAtIndex(i)) {
            cell->size = size;
        }
        sum += lengthAlongAxis(size);
    }
    rowOffset[rowCount] = sum;
}

void NSTableView::updateContentSize() {
    Size size;
    if (!rowOffset.empty()) {
        const float total = rowOffset[rowCount];
        if (direction == scrollHorizontal) {
            size = Size(std::max(total, _contentSize.width), _contentSize.height);
        } else {
            size = Size(_contentSize.width, std::max(total, _contentSize.height));
        }
    }
    innerContainer->setContentSize(size);
    if (direction != oldDirection) {
        if (direction == scrollHorizontal) {
            jumpToDestination(Vec2::ZERO);
        } else {
            jumpToDestination(Vec2(0.0f, minContainerOffset().y));
        }
        oldDirection = direction;
    }
}

// Cells.

void NSTableView::setIndexForCell(ssize_t index, NSTableViewCell* cell) {
    cell->setAnchorPoint(Vec2::ZERO);
    cell->setPosition(offsetFromIndex(index));
    cell->index = index;
}

void NSTableView::addCellIfNecessary(NSTableViewCell* cell) {
    if (cell->getParent() != innerContainer) {
        innerContainer->addChild(cell);
    }
    usedCells.pushBack(cell);
    indices.insert(static_cast<int>(cell->index));
    usedCellsDirty = true;
}

void NSTableView::moveCellOutOfSight(NSTableViewCell* cell) {
    RetainGuard keep(cell);
    if (delegate != nullptr) {
        delegate->tableCellWillRecycle(this, cell);
    }
    cell->stopAllActions();
    freeCells.pushBack(cell);
    usedCells.eraseObject(cell);
    usedCellsDirty = true;
    if (cell == menuCell) {
        menuCell = nullptr;
    }
    // A recycled cell soon shows another row: it must not stand for the row it showed.
    if (cell == touchedCell) {
        touchedCell = nullptr;
    }
    indices.erase(static_cast<int>(cell->index));
    cell->index = CC_INVALID_INDEX;
    if (cell->getParent() == innerContainer) {
        innerContainer->removeChild(cell, false);
    }
}

void NSTableView::recycleAllCells() {
    oldDirection = 0;
    for (NSTableViewCell* cell : usedCells) {
        if (delegate != nullptr) {
            delegate->tableCellWillRecycle(this, cell);
        }
        cell->stopAllActions();
        freeCells.pushBack(cell);
        cell->index = CC_INVALID_INDEX;
        if (cell->getParent() == innerContainer) {
            innerContainer->removeChild(cell, false);
        }
    }
    indices.clear();
    usedCells.clear();
}

void NSTableView::sortUsedCells() {
    std::stable_sort(
        usedCells.begin(), usedCells.end(),
        [](const NSTableViewCell* a, const NSTableViewCell* b) { return a->index < b->index; });
    usedCellsDirty = false;
}

void NSTableView::placeUsedCells() {
    for (NSTableViewCell* cell : usedCells) {
        cell->setPosition(offsetFromIndex(cell->index));
    }
}

void NSTableView::shiftUsedCells(ssize_t from, ssize_t delta) {
    std::vector<NSTableViewCell*> moved;
    for (NSTableViewCell* cell : usedCells) {
        if (cell->index >= from) {
            moved.push_back(cell);
            indices.erase(static_cast<int>(cell->index));
        }
    }
    for (auto it = moved.rbegin(); it != moved.rend(); ++it) {
        NSTableViewCell* cell = *it;
        setIndexForCell(cell->index + delta, cell);
        indices.insert(static_cast<int>(cell->index));
    }
}

void NSTableView::updateCellAtIndex(ssize_t index) {
    if (index == CC_INVALID_INDEX || index < firstVisible || index > lastVisible ||
        index >= rowCount || delegate == nullptr) {
        return;
    }
    const float length = rowLength(index);
    const Size size = direction == scrollHorizontal ? Size(length, _contentSize.height)
                                                    : Size(_contentSize.width, length);
    if (NSTableViewCell* cell = cellAtIndex(index)) {
        delegate->tableCellAtIndex(this, index, size);
        cell->size = size;
        setIndexForCell(index, cell);
        refreshHighlight(cell);
        return;
    }
    NSTableViewCell* cell = delegate->tableCellAtIndex(this, index, size);
    // A delegate that gives no cell, or one already showing another row, leaves the row empty.
    if (cell == nullptr || usedCells.contains(cell)) {
        return;
    }
    RetainGuard keep(cell);
    // A free cell handed back without `dequeueCell` leaves the free list all the same.
    freeCells.eraseObject(cell);
    cell->size = size;
    setIndexForCell(index, cell);
    refreshHighlight(cell);
    addCellIfNecessary(cell);
}

// Placement pass.

void NSTableView::scrollViewDidScroll() {
    UIScrollViewBase::scrollViewDidScroll();
    if (rowCount == 0) {
        return;
    }
    if (usedCellsDirty) {
        sortUsedCells();
    }
    if (delegate != nullptr) {
        // The delegate may close the table while the edit or the move that led here still runs
        // on it.
        retain();
        autorelease();
        delegate->tableDidScroll(this);
    }

    Vec2 offset = -innerContainer->getPosition();
    if (cocos2d::Node* background = innerContainer->getChildByNameDeep(kBackgroundName)) {
        background->setPosition(offset);
    }
    const float viewHeight = _contentSize.height / innerContainer->getScaleY();
    const float viewWidth = _contentSize.width / innerContainer->getScaleX();

    if (fillOrder == 0) {
        offset.y += viewHeight;
    }
    const ssize_t start = nearestIndexFromOffset(offset);
    if (fillOrder == 0) {
        offset.y -= viewHeight;
    } else {
        offset.y += viewHeight;
    }
    offset.x += viewWidth;
    const ssize_t end = nearestIndexFromOffset(offset);

    while (!usedCells.empty() && usedCells.front()->index < start) {
        const ssize_t index = usedCells.front()->index;
        moveCellOutOfSight(usedCells.front());
        if (delegate != nullptr) {
            delegate->tableCellOutOfSight(index);
        }
    }
    const ssize_t lastRow = std::max(rowCount - 1, 0);
    while (!usedCells.empty() && usedCells.back()->index > end &&
           usedCells.back()->index <= lastRow) {
        const ssize_t index = usedCells.back()->index;
        moveCellOutOfSight(usedCells.back());
        if (delegate != nullptr) {
            delegate->tableCellOutOfSight(index);
        }
    }

    firstVisible = static_cast<int>(start);
    lastVisible = static_cast<int>(end);
    for (ssize_t i = start; i <= end; ++i) {
        if (indices.find(static_cast<int>(i)) != indices.end()) {
            continue;
        }
        updateCellAtIndex(i);
        if (NSTableViewCell* cell = cellAtIndex(i)) {
            if (cocos2d::Node* menu = cell->getChildByName(kRowMenuName)) {
                menu->removeFromParent();
            }
        }
    }
    if (delegate != nullptr) {
        delegate->visibleRangeChanged(firstVisible, lastVisible);
    }
}

// Whole reloads.

void NSTableView::reloadData() {
    recycleAllCells();
    selection.clear();
    menuCell = nullptr;
    // The touched cell now belongs to no row.
    touchedCell = nullptr;
    rowCount = static_cast<int>(items.size());
    firstVisible = 0;
    lastVisible = 0;
    updateCellPositions();
    updateContentSize();
    if (rowCount > 0) {
        scrollViewDidScroll();
    }
}

void NSTableView::removeAllItems() {
    recycleAllCells();
    usedCellsDirty = false;
    menuCell = nullptr;
    touchedCell = nullptr;
    items.clear();
    selection.clear();
    rowCount = 0;
    firstVisible = 0;
    lastVisible = 0;
    updateCellPositions();
    updateContentSize();
}

// Single rows.

void NSTableView::insertItem(ssize_t index, cocos2d::Ref* item) {
    // The item list holds no null entries, and a row must have its item.
    if (item == nullptr) {
        return;
    }
    if (index < 0 || index > rowCount) {
        index = rowCount;
    }
    const bool appending = index == rowCount;
    items.insert(index, item);

    Size size;
    if (delegate != nullptr) {
        size = delegate->tableCellSizeForIndex(this, index, item);
    }
    const float added = lengthAlongAxis(size);

    rowCount += 1;
    rowOffset.resize(static_cast<size_t>(rowCount) + 1, 0.0f);
    if (!appending) {
        for (ssize_t i = rowCount; i >= index + 2; --i) {
            rowOffset[i] = rowOffset[i - 1] + added;
        }
    }
    rowOffset[index + 1] = rowOffset[index] + added;

    sortUsedCells();
    const ssize_t last = usedCells.empty() ? -1 : usedCells.back()->index;
    // How far the container moves so that the rows in view stay where they are.
    float compensation = 0.0f;
    if (last < index || cellAtIndex(index) != nullptr) {
        compensation = isTopDownVertical() ? added : 0.0f;
    } else {
        compensation = isTopDownVertical() ? 0.0f : added;
    }
    shiftUsedCells(index, 1);

    keepRowsInPlace(-compensation, -compensation);
    placeUsedCells();
}

void NSTableView::keepRowsInPlace(float horizontalShift, float verticalShift) {
    updateContentSize();
    Vec2 position = innerContainer->getPosition();
    if (direction == scrollHorizontal) {
        position.x += horizontalShift;
        if (_contentSize.width >= innerContainer->getContentSize().width && position.x < 0.0f) {
            position.x = 0.0f;
        }
    } else {
        position.y += verticalShift;
    }
    jumpToDestination(position);
}

void NSTableView::removeItemAtIndex(ssize_t index) {
    if (index == CC_INVALID_INDEX || rowCount == 0 || index < 0 || index >= rowCount) {
        return;
    }
    if (cocos2d::Ref* item = getItem(index)) {
        selection.eraseObject(item);
        items.erase(index);
    }

    const float removed = rowLength(index);
    for (ssize_t i = index + 1; i <= rowCount - 1; ++i) {
        const float length = rowOffset[i + 1] - rowOffset[i];
        rowOffset[i] = rowOffset[i - 1] + length;
    }
    rowCount -= 1;
    rowOffset.resize(static_cast<size_t>(rowCount) + 1);

    sortUsedCells();
    const ssize_t last = usedCells.empty() ? -1 : usedCells.back()->index;
    float compensation = 0.0f;
    if (last < index) {
        compensation = isTopDownVertical() ? removed : 0.0f;
    } else if (NSTableViewCell* cell = cellAtIndex(index)) {
        moveCellOutOfSight(cell);
        if (delegate != nullptr) {
            delegate->tableCellOutOfSight(index);
        }
        shiftUsedCells(index + 1, -1);
    } else {
        compensation = isTopDownVertical() ? 0.0f : -removed;
        shiftUsedCells(index + 1, -1);
    }

    keepRowsInPlace(-compensation, compensation);
    if (isTopDownVertical()) {
        placeUsedCells();
    }
}

void NSTableView::updateItem(cocos2d::Ref* item) {
    const ssize_t index = items.getIndex(item);
    if (index != CC_INVALID_INDEX) {
        updateCellSizeAtIndex(index);
    }
}

void NSTableView::updateCellSizeAtIndex(ssize_t index) {
    if (index < 0 || index < firstVisible || index > lastVisible || index >= rowCount ||
        delegate == nullptr) {
        return;
    }
    const Size size = delegate->tableCellSizeForIndex(this, index, getItem(index));
    if (NSTableViewCell* cell = cellAtIndex(index)) {
        cell->size = size;
    }
    applyCellSize(index, size);
}

void NSTableView::applyCellSize(ssize_t index, const Size& size) {
    if (index < 0 || index < firstVisible || index > lastVisible || index >= rowCount) {
        return;
    }
    const float change = lengthAlongAxis(size) - rowLength(index);
    for (ssize_t i = rowCount; i >= index + 1; --i) {
        rowOffset[i] += change;
    }
    NSTableViewCell* cell = cellAtIndex(index);
    if (cell != nullptr && delegate != nullptr) {
        delegate->tableCellAtIndex(this, index, size);
        cell->size = size;
        refreshHighlight(cell);
    }
    updateContentSize();
    if (isTopDownVertical()) {
        Vec2 position = innerContainer->getPosition();
        position.y -= change;
        jumpToDestination(position);
    }
    placeUsedCells();
}

// View.

void NSTableView::setContentSize(const Size& size) {
    if (innerContainer == nullptr) {
        UIScrollViewBase::setContentSize(size);
        return;
    }
    if (size.equals(_contentSize)) {
        return;
    }
    UIScrollViewBase::setContentSize(size);
    updateContentSize();
    if (direction == scrollHorizontal) {
        jumpToDestination(Vec2::ZERO);
    } else {
        jumpToDestination(Vec2(0.0f, minContainerOffset().y));
    }
    if (cocos2d::Node* background = innerContainer->getChildByNameDeep(kBackgroundName)) {
        background->setContentSize(size);
    }
    if (rowCount > 0) {
        scrollViewDidScroll();
    }
}

void NSTableView::cleanup() {
    UIScrollViewBase::cleanup();
    removeAllItems();
    for (NSTableViewCell* cell : freeCells) {
        cell->stopAllActions();
        cell->cleanup();
    }
    freeCells.clear();
    menuCell = nullptr;
    leftMenuOpen = false;
    rightMenuOpen = false;
}

void NSTableView::onKeyPressed(cocos2d::EventKeyboard::KeyCode keyCode, cocos2d::Event*) {
    if (keyCode == cocos2d::EventKeyboard::KeyCode::KEY_LEFT_CTRL) {
        ctrlHeld = true;
    }
}

void NSTableView::onKeyReleased(cocos2d::EventKeyboard::KeyCode keyCode, cocos2d::Event*) {
    if (keyCode == cocos2d::EventKeyboard::KeyCode::KEY_LEFT_CTRL) {
        ctrlHeld = false;
    }
}

// Selection.

void NSTableView::addToSelection(cocos2d::Ref* item) {
    if (multiSelect) {
        if (!selection.contains(item)) {
            selection.pushBack(item);
        }
        return;
    }
    RetainGuard keep(item);
    selection.clear();
    selection.pushBack(item);
}

void NSTableView::selectCellAtIndex(int index) {
    touchedCell = cellAtIndex(index);
    if (touchedCell == nullptr || delegate == nullptr) {
        return;
    }
    delegate->tableCellHighlight(this, touchedCell, Vec2::ZERO, touchedCell->size);
    if (cocos2d::Ref* item = getItem(index)) {
        addToSelection(item);
    }
    // A single selection replaced: the rows it held no longer look selected.
    if (!multiSelect) {
        for (NSTableViewCell* cell : usedCells) {
            if (cell != touchedCell) {
                refreshHighlight(cell);
            }
        }
    }
}

NSTableViewCell* NSTableView::getSelectedCell() const {
    if (touchedCell != nullptr) {
        return touchedCell;
    }
    if (selection.empty()) {
        return nullptr;
    }
    const ssize_t row = items.getIndex(selection.front());
    return row == CC_INVALID_INDEX ? nullptr : cellAtIndex(row);
}

void NSTableView::refreshHighlight(NSTableViewCell* cell) {
    if (!keepSelection || cell == nullptr || cell->index < 0 || delegate == nullptr) {
        return;
    }
    cocos2d::Ref* item = getItem(cell->index);
    if (item == nullptr) {
        return;
    }
    if (selection.contains(item)) {
        delegate->tableCellHighlight(this, cell, Vec2::ZERO, cell->size);
    } else {
        delegate->tableCellUnhighlight(this, cell, Vec2::ZERO, cell->size);
    }
}

// Swipe menus.

void NSTableView::closeOpenMenus() {
    if (leftMenuOpen) {
        animateCellMenu(true, true, menuCell);
    }
    if (rightMenuOpen) {
        animateCellMenu(true, false, menuCell);
    }
    menuCell = nullptr;
    leftMenuOpen = false;
    rightMenuOpen = false;
}

void NSTableView::closeCellMenu(bool immediately) {
    if (!(leftMenuOpen || rightMenuOpen) || direction != scrollVertical) {
        return;
    }
    if (immediately) {
        if (menuCell != nullptr) {
            menuCell->stopAllActions();
            menuCell->setPositionX(0.0f);
        }
    } else {
        animateCellMenu(true, leftMenuOpen, menuCell);
    }
    menuCell = nullptr;
    leftMenuOpen = false;
    rightMenuOpen = false;
}

void NSTableView::animateCellMenu(bool close, bool left, NSTableViewCell* cell) {
    if (cell == nullptr) {
        return;
    }
    cell->stopAllActions();
    if (cell->index < 0) {
        return;
    }
    cocos2d::Node* menu = cell->getChildByName(left ? kLeftMenuName : kRightMenuName);
    const float menuWidth = menu != nullptr ? menu->getContentSize().width : 0.0f;
    const float travel = std::fabs(cell->getPositionX());
    if (close) {
        const float share = menuWidth > 0.0f ? travel / menuWidth : 1.0f;
        auto* slide =
            cocos2d::MoveTo::create(share * menuAnimationTime, Vec2(0.0f, cell->getPositionY()));
        if (delegate != nullptr && !keepSelection && !multiSelect) {
            delegate->tableCellUnhighlight(this, cell, Vec2::ZERO, cell->size);
        }
        auto* removeMenus = cocos2d::CallFuncN::create([](cocos2d::Node* node) {
            node->removeChildByName(kLeftMenuName, true);
            node->removeChildByName(kRightMenuName, true);
        });
        cell->runAction(cocos2d::Sequence::create(slide, removeMenus, nullptr));
        return;
    }
    if (menu == nullptr) {
        return;
    }
    const float share = menuWidth > 0.0f ? (menuWidth - travel) / menuWidth : 0.0f;
    const Vec2 target(left ? menuWidth : -menuWidth, cell->getPositionY());
    cell->runAction(cocos2d::MoveTo::create(std::max(share, 0.0f) * menuAnimationTime, target));
}

void NSTableView::openCellMenu(bool left, const Vec2& start) {
    NSTableViewCell* cell = touchedCell;
    auto* menu = NSTableViewMenu::create();
    menu->setAnchorPoint(Vec2::ANCHOR_BOTTOM_LEFT);
    menu->setPosition(Vec2(start.x - cell->getPositionX(), 0.0f));
    menu->setContentSize(Size(kMenuWidth, cell->size.height));
    menu->cell = cell;
    menu->index = cell->index;
    if (left) {
        delegate->tableCellLeftMenu(this, menu);
    } else {
        delegate->tableCellRightMenu(this, menu);
    }
    // The delegate may have recycled or replaced the cell meanwhile.
    if (!menu->isVisible() || touchedCell != cell) {
        return;
    }
    const char* name = left ? kLeftMenuName : kRightMenuName;
    // A menu closed at once, or cut off by recycling, left its node behind; the new one takes its
    // place instead of piling up under it.
    cell->removeChildByName(name, true);
    menu->setName(name);
    cell->addChild(menu);
    if (left) {
        menu->setPosition(Vec2(-menu->getContentSize().width, 0.0f));
        leftMenuOpen = true;
    } else {
        menu->setPosition(Vec2(_contentSize.width, 0.0f));
        rightMenuOpen = true;
    }
    menuCell = cell;
}

void NSTableView::trackCellMenu(bool left, const Vec2& start, const Vec2& current) {
    if (menuCell == nullptr) {
        return;
    }
    cocos2d::Node* menu = menuCell->getChildByName(left ? kLeftMenuName : kRightMenuName);
    if (menu == nullptr) {
        return;
    }
    const float width = menu->getContentSize().width;
    if (left) {
        menuCell->setPositionX(std::min(current.x - start.x, width));
    } else {
        menuCell->setPositionX(-std::min(start.x - current.x, width));
    }
}

// Touches.

bool NSTableView::onTouchBegan(cocos2d::Touch* touch, cocos2d::Event* event) {
    if (!isAncestorsVisible()) {
        return false;
    }
    const bool claimed = UIScrollViewBase::onTouchBegan(touch, event);
    if (!_hitted) {
        return false;
    }
    RetainGuard keep(this);
    dragged = false;
    const ssize_t index = indexFromOffset(innerContainer->convertToNodeSpace(touch->getLocation()));

    if (direction == scrollVertical && (leftMenuOpen || rightMenuOpen)) {
        closeOpenMenus();
    }
    if (cellTouchSuppressed) {
        return claimed;
    }
    if (index == -1) {
        if (!keepSelection) {
            touchedCell = nullptr;
        }
        return claimed;
    }

    NSTableViewCell* cell = cellAtIndex(index);
    if (touchedCell != nullptr && delegate != nullptr) {
        if (!multiSelect) {
            delegate->tableCellUnhighlight(this, touchedCell, Vec2::ZERO, touchedCell->size);
        } else if (cell != nullptr && ctrlHeld) {
            cocos2d::Ref* item = getItem(index);
            if (item != nullptr && selection.contains(item) && selection.size() >= 2) {
                delegate->tableCellUnhighlight(this, cell, Vec2::ZERO, cell->size);
                selection.eraseObject(item);
                // Screens refresh on a tap; this one names the row touched before.
                reportCellRelease(touch);
                cell = nullptr;
            }
        } else if (cell != nullptr) {
            const cocos2d::Vector<cocos2d::Ref*> previous = selection;
            for (cocos2d::Ref* item : previous) {
                if (NSTableViewCell* selected = cellAtIndex(items.getIndex(item))) {
                    delegate->tableCellUnhighlight(this, selected, Vec2::ZERO, selected->size);
                }
            }
            selection.clear();
        }
    }

    touchedCell = cell;
    if (cell != nullptr && delegate != nullptr) {
        delegate->tableCellHighlight(this, cell, cell->convertToNodeSpace(touch->getLocation()),
                                     cell->size);
        if (cocos2d::Ref* item = getItem(index)) {
            addToSelection(item);
        }
    }
    return claimed;
}

void NSTableView::onTouchMoved(cocos2d::Touch* touch, cocos2d::Event* event) {
    UIScrollViewBase::onTouchMoved(touch, event);
    if (direction != scrollVertical || touchedCell == nullptr) {
        return;
    }
    RetainGuard keep(this);
    const Vec2 current = innerContainer->convertToNodeSpace(touch->getLocation());
    const Vec2 start = innerContainer->convertToNodeSpace(touch->getStartLocation());
    if (std::fabs(touch->getLocation().y - touch->getStartLocation().y) > kDragDistance) {
        dragged = true;
    }
    if (delegate == nullptr) {
        return;
    }
    const float width = _contentSize.width;
    if (start.x < menuStartFraction * width) {
        if (!leftMenuOpen) {
            openCellMenu(true, start);
        } else {
            trackCellMenu(true, start, current);
        }
    } else if (start.x > (1.0f - menuStartFraction) * width) {
        if (!rightMenuOpen) {
            openCellMenu(false, start);
        } else {
            trackCellMenu(false, start, current);
        }
    }
}

void NSTableView::reportCellRelease(cocos2d::Touch* touch) {
    if (cellTouchSuppressed || touchedCell == nullptr || delegate == nullptr) {
        return;
    }
    cocos2d::Rect box = getBoundingBox();
    if (getParent() != nullptr) {
        box.origin = getParent()->convertToWorldSpace(box.origin);
    }
    if (!box.containsPoint(touch->getLocation())) {
        return;
    }
    NSTableViewCell* cell = touchedCell;
    const Vec2 point = cell->convertToNodeSpace(touch->getLocation());
    if (!keepSelection && !multiSelect) {
        delegate->tableCellUnhighlight(this, cell, point, cell->size);
    }
    if (!dragged) {
        delegate->tableCellTouched(this, cell, point);
    }
}

void NSTableView::onTouchEnded(cocos2d::Touch* touch, cocos2d::Event* event) {
    UIScrollViewBase::onTouchEnded(touch, event);
    if (!isVisible()) {
        return;
    }
    RetainGuard keep(this);
    if (direction == scrollVertical && (leftMenuOpen || rightMenuOpen)) {
        if (menuCell != nullptr) {
            const bool left = leftMenuOpen;
            cocos2d::Node* menu = menuCell->getChildByName(left ? kLeftMenuName : kRightMenuName);
            const float travel = left ? menuCell->getPositionX() : -menuCell->getPositionX();
            if (menu != nullptr && travel > menuOpenFraction * menu->getContentSize().width) {
                animateCellMenu(false, left, menuCell);
                return;
            }
            animateCellMenu(true, left, menuCell);
        }
        menuCell = nullptr;
        leftMenuOpen = false;
        rightMenuOpen = false;
        return;
    }
    reportCellRelease(touch);
}

void NSTableView::onTouchCancelled(cocos2d::Touch* touch, cocos2d::Event* event) {
    UIScrollViewBase::onTouchCancelled(touch, event);
    if (touchedCell == nullptr) {
        return;
    }
    RetainGuard keep(this);
    if (delegate != nullptr && !keepSelection && !multiSelect) {
        delegate->tableCellUnhighlight(this, touchedCell,
                                       touchedCell->convertToNodeSpace(touch->getLocation()),
                                       touchedCell->size);
    }
    if (direction == scrollVertical && (leftMenuOpen || rightMenuOpen)) {
        closeOpenMenus();
    }
}

}  // namespace NSUI
