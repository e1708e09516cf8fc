#include "toolkit/widgets/NSListView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/2d/Layer.h"
#include "engine/2d/Scene.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/base/Macros.h"
#include "engine/base/Value.h"
#include "toolkit/widgets/NSTableViewCell.h"
#include "toolkit/widgets/NSTableViewDelegate.h"

namespace {

using cocos2d::Director;
using cocos2d::Ref;
using cocos2d::Size;
using cocos2d::Vec2;
using NSUI::NSListView;
using NSUI::NSTableView;
using NSUI::NSTableViewCell;

constexpr float kRowHeight = 30.0f;

// A named row object.
class Row : public Ref {
public:
    static Row* create(const std::string& name) {
        auto* row = new Row();
        row->name = name;
        row->autorelease();
        return row;
    }
    std::string name;
};

// Builds cells the way the screens do and names each after its row's item.
class RowDelegate : public NSUI::NSTableViewDelegate {
public:
    Size tableCellSizeForIndex(NSTableView*, ssize_t, Ref*) override {
        return Size(0.0f, kRowHeight);
    }
    NSTableViewCell* tableCellAtIndex(NSTableView* table, ssize_t index,
                                      const Size& size) override {
        asked.push_back(index);
        askedSize = size;
        NSTableViewCell* cell = table->reusableCell(index);
        if (cell == nullptr) {
            cell = NSTableViewCell::create();
        }
        auto* row = dynamic_cast<Row*>(table->getItem(index));
        cell->setName(row != nullptr ? row->name : std::string());
        return cell;
    }

    std::vector<ssize_t> asked;
    Size askedSize;
};

class NSListViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        Director::getInstance()->setWinSize(Size(960.0f, 640.0f));
        list = NSListView::create();
        ASSERT_NE(list, nullptr);
        list->retain();
        list->setDelegate(&delegate);
        list->setContentSize(Size(200.0f, 4 * kRowHeight));
    }
    void TearDown() override {
        CC_SAFE_RELEASE_NULL(list);
        Director::getInstance()->purgeDirector();
        cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
    }

    void push(const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            list->pushBackItem(Row::create(name));
        }
    }

    std::vector<std::string> itemNames() const {
        std::vector<std::string> names;
        for (Ref* item : list->items) {
            names.push_back(static_cast<Row*>(item)->name);
        }
        return names;
    }

    // Names of the cells in view from the top of the list down, by their place on screen.
    std::vector<std::string> shownFromTop() const {
        std::vector<std::pair<float, std::string>> placed;
        for (ssize_t i = 0; i < list->getItemCount(); ++i) {
            if (NSTableViewCell* cell = list->cellAtIndex(i)) {
                const Vec2 world = cell->convertToWorldSpace(Vec2::ZERO);
                const Vec2 inView = list->convertToNodeSpace(world);
                if (inView.y >= 0.0f && inView.y < list->getContentSize().height) {
                    placed.emplace_back(-inView.y, cell->getName());
                }
            }
        }
        std::sort(placed.begin(), placed.end());
        std::vector<std::string> names;
        for (const auto& entry : placed) {
            names.push_back(entry.second);
        }
        return names;
    }

    RowDelegate delegate;
    NSListView* list = nullptr;
};

using Names = std::vector<std::string>;

TEST_F(NSListViewTest, ANewListIsAnEmptyVerticalTopDownListOverAnInvisibleBackground) {
    NSListView* fresh = NSListView::create();
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->getItemCount(), 0);
    EXPECT_EQ(fresh->getContentSize(), Size::ZERO);
    EXPECT_TRUE(fresh->isClippingEnabled());
    EXPECT_TRUE(fresh->isTouchEnabled());
    EXPECT_EQ(fresh->getCellAtIndex(0), nullptr);
    cocos2d::Node* background = fresh->getChildByNameDeep("_NSTableView_bk_");
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->getOpacity(), 0);
    EXPECT_EQ(background->getLocalZOrder(), -100);
    // The table resizes the background with the view.
    fresh->setContentSize(Size(120.0f, 90.0f));
    EXPECT_EQ(background->getContentSize(), Size(120.0f, 90.0f));
}

TEST_F(NSListViewTest, RowsFillFromTheTopInItemOrder) {
    push({"a", "b", "c"});
    EXPECT_EQ(itemNames(), (Names{"a", "b", "c"}));
    EXPECT_EQ(shownFromTop(), (Names{"a", "b", "c"}));
    NSTableViewCell* first = list->cellAtIndex(0);
    ASSERT_NE(first, nullptr);
    const Vec2 top = list->convertToNodeSpace(first->convertToWorldSpace(Vec2(0.0f, kRowHeight)));
    EXPECT_FLOAT_EQ(top.y, list->getContentSize().height);
}

TEST_F(NSListViewTest, InsertingAndRemovingKeepsItemsAndRowsInStep) {
    struct Case {
        const char* what;
        std::function<void(NSListView*, Row*)> change;
        Names expected;
    };
    Row* twice = Row::create("twice");
    const std::vector<Case> cases = {
        {"insert in the middle", [](NSListView* l, Row*) { l->insertItem(1, Row::create("x")); },
         Names{"a", "x", "b", "twice", "c", "twice"}},
        {"insert at the top", [](NSListView* l, Row*) { l->insertItem(0, Row::create("x")); },
         Names{"x", "a", "b", "twice", "c", "twice"}},
        {"negative index appends", [](NSListView* l, Row*) { l->insertItem(-5, Row::create("x")); },
         Names{"a", "b", "twice", "c", "twice", "x"}},
        {"index past the end appends",
         [](NSListView* l, Row*) { l->insertItem(l->getItemCount() + 3, Row::create("x")); },
         Names{"a", "b", "twice", "c", "twice", "x"}},
        {"removing a stranger changes nothing",
         [](NSListView* l, Row*) { l->removeItem(Row::create("a")); },
         Names{"a", "b", "twice", "c", "twice"}},
        {"removing a repeated item takes its first row",
         [](NSListView* l, Row* t) { l->removeItem(t); }, Names{"a", "b", "c", "twice"}},
        {"removing the top row", [](NSListView* l, Row*) { l->removeItem(l->items.at(0)); },
         Names{"b", "twice", "c", "twice"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        list->removeAllItems();
        list->pushBackItem(Row::create("a"));
        list->pushBackItem(Row::create("b"));
        list->pushBackItem(twice);
        list->pushBackItem(Row::create("c"));
        list->pushBackItem(twice);
        c.change(list, twice);
        EXPECT_EQ(itemNames(), c.expected);
        // The view shows four rows; the list was at its top, so the rows in view are the first.
        Names firstFour(c.expected.begin(),
                        c.expected.begin() + std::min<size_t>(4, c.expected.size()));
        EXPECT_EQ(shownFromTop(), firstFour);
    }
}

TEST_F(NSListViewTest, GetCellAtIndexGivesTheShownCellOrAFreshOneOutsideTheList) {
    push({"r0", "r1", "r2", "r3", "r4", "r5", "r6", "r7"});
    const ssize_t count = list->getItemCount();
    EXPECT_EQ(list->getCellAtIndex(-1), nullptr);
    EXPECT_EQ(list->getCellAtIndex(count), nullptr);

    NSTableViewCell* shown = list->getCellAtIndex(1);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown, list->cellAtIndex(1));
    EXPECT_EQ(shown->getName(), "r1");

    delegate.asked.clear();
    const ssize_t childrenBefore = list->getChildrenCount();
    NSTableViewCell* hidden = list->getCellAtIndex(6);
    ASSERT_NE(hidden, nullptr);
    EXPECT_EQ(delegate.asked, (std::vector<ssize_t>{6}));
    EXPECT_EQ(delegate.askedSize, Size(200.0f, kRowHeight));
    EXPECT_EQ(hidden->getName(), "r6");
    EXPECT_EQ(hidden->getParent(), nullptr);
    EXPECT_EQ(list->getChildrenCount(), childrenBefore);
    EXPECT_EQ(list->cellAtIndex(6), nullptr);

    list->setDelegate(nullptr);
    EXPECT_EQ(list->getCellAtIndex(6), nullptr);
    EXPECT_EQ(list->getCellAtIndex(1), shown);
    list->setDelegate(&delegate);
}

}  // namespace
