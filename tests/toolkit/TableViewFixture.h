#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/base/InputRouter.h"
#include "toolkit/widgets/NSTableView.h"

namespace tabletest {

// A row object: its length along the table's axis and a name for the logs.
class Row : public cocos2d::Ref {
public:
    static Row* create(const std::string& name, float length) {
        auto* row = new Row();
        row->name = name;
        row->length = length;
        row->autorelease();
        return row;
    }
    std::string name;
    float length = 0.0f;
};

// The table with its protected geometry open to the tests.
class TestTable : public NSUI::NSTableView {
public:
    static TestTable* create(int direction) {
        auto* table = new TestTable();
        table->init();
        table->setDirection(direction);
        table->autorelease();
        return table;
    }
    using NSUI::NSTableView::indices;
    using NSUI::NSTableView::oldDirection;
};

// A delegate following the usual cell pattern (cell in view, else a recycled one, else a new
// one) that logs every callback by row name.
class LogDelegate : public NSUI::NSTableViewDelegate {
public:
    cocos2d::Size tableCellSizeForIndex(NSUI::NSTableView* table, ssize_t,
                                        cocos2d::Ref* item) override {
        auto* row = static_cast<Row*>(item);
        const float length = row != nullptr ? row->length : 0.0f;
        if (table->getDirection() == NSUI::scrollHorizontal) {
            return cocos2d::Size(length, table->getContentSize().height);
        }
        return cocos2d::Size(table->getContentSize().width, length);
    }

    NSUI::NSTableViewCell* tableCellAtIndex(NSUI::NSTableView* table, ssize_t index,
                                            const cocos2d::Size&) override {
        NSUI::NSTableViewCell* cell = table->cellAtIndex(index);
        if (cell == nullptr) {
            cell = table->dequeueCell();
        }
        if (cell == nullptr) {
            cell = NSUI::NSTableViewCell::create();
            ++created;
        }
        log.push_back("cell " + name(table, index));
        return cell;
    }

    void tableCellTouched(NSUI::NSTableView* table, NSUI::NSTableViewCell* cell,
                          const cocos2d::Vec2& point) override {
        log.push_back("touched " + name(table, cell->index));
        lastPoint = point;
    }
    void tableCellHighlight(NSUI::NSTableView* table, NSUI::NSTableViewCell* cell,
                            const cocos2d::Vec2& point, const cocos2d::Size& size) override {
        NSUI::NSTableViewDelegate::tableCellHighlight(table, cell, point, size);
        log.push_back("highlight " + name(table, cell->index));
    }
    void tableCellUnhighlight(NSUI::NSTableView* table, NSUI::NSTableViewCell* cell,
                              const cocos2d::Vec2& point, const cocos2d::Size& size) override {
        NSUI::NSTableViewDelegate::tableCellUnhighlight(table, cell, point, size);
        log.push_back("unhighlight " + name(table, cell->index));
    }
    void tableCellWillRecycle(NSUI::NSTableView*, NSUI::NSTableViewCell* cell) override {
        log.push_back("recycle " + std::to_string(cell->index));
    }
    void visibleRangeChanged(int first, int last) override {
        log.push_back("range " + std::to_string(first) + "-" + std::to_string(last));
    }
    void tableCellOutOfSight(ssize_t index) override {
        log.push_back("out " + std::to_string(index));
    }
    void tableDidScroll(NSUI::NSTableView*) override { log.push_back("scroll"); }
    void tableCellLeftMenu(NSUI::NSTableView* table, NSUI::NSTableViewMenu* menu) override {
        log.push_back("left menu " + name(table, menu->index));
        fillMenu(menu, leftMenuWidth);
    }
    void tableCellRightMenu(NSUI::NSTableView* table, NSUI::NSTableViewMenu* menu) override {
        log.push_back("right menu " + name(table, menu->index));
        fillMenu(menu, rightMenuWidth);
    }

    // Entries of `log` that start with `prefix`, in order.
    std::vector<std::string> entries(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& entry : log) {
            if (entry.compare(0, prefix.size(), prefix) == 0) {
                found.push_back(entry);
            }
        }
        return found;
    }

    // Width of the menus this delegate fills; 0 leaves the menu hidden.
    float leftMenuWidth = 0.0f;
    float rightMenuWidth = 0.0f;
    std::vector<std::string> log;
    int created = 0;
    cocos2d::Vec2 lastPoint;

private:
    static std::string name(NSUI::NSTableView* table, ssize_t index) {
        auto* row = static_cast<Row*>(table->getItem(index));
        return row != nullptr ? row->name : "#" + std::to_string(index);
    }
    static void fillMenu(NSUI::NSTableViewMenu* menu, float width) {
        if (width <= 0.0f) {
            menu->setVisible(false);
            return;
        }
        menu->setContentSize(cocos2d::Size(width, menu->getContentSize().height));
    }
};

// A 300 x 200 table with its bottom-left corner at (100, 100) of a 960 x 640 window, in a
// running scene, driven through the window's mouse.
class TableViewTest : public ::testing::Test {
protected:
    static constexpr float kLeft = 100.0f;
    static constexpr float kBottom = 100.0f;
    static constexpr float kWidth = 300.0f;
    static constexpr float kHeight = 200.0f;
    static constexpr float kWindowHeight = 640.0f;

    void SetUp() override {
        cocos2d::Director::getInstance()->setWinSize(cocos2d::Size(960.0f, kWindowHeight));
        scene = cocos2d::Scene::create();
        cocos2d::Director::getInstance()->runWithScene(scene);
        cocos2d::Director::getInstance()->mainLoop(0.0f);
    }
    void TearDown() override {
        cocos2d::Director::getInstance()->purgeDirector();
        cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
    }

    // A table of `count` rows named "r0", "r1", ... of `length` points each, loaded.
    TestTable* makeTable(int count, float length, int direction = NSUI::scrollVertical) {
        TestTable* table = TestTable::create(direction);
        table->setAnchorPoint(cocos2d::Vec2::ZERO);
        table->setPosition(cocos2d::Vec2(kLeft, kBottom));
        table->setContentSize(cocos2d::Size(kWidth, kHeight));
        table->setDelegate(&delegate);
        for (int i = 0; i < count; ++i) {
            table->items.pushBack(Row::create("r" + std::to_string(i), length));
        }
        scene->addChild(table);
        table->reloadData();
        return table;
    }

    // World (GL) points.
    void press(float x, float y) {
        router.mouseDown(x, kWindowHeight - y, cocos2d::EventMouse::MouseButton::BUTTON_LEFT);
    }
    void drag(float x, float y) { router.mouseMove(x, kWindowHeight - y); }
    void release(float x, float y) {
        router.mouseUp(x, kWindowHeight - y, cocos2d::EventMouse::MouseButton::BUTTON_LEFT);
    }
    void tap(float x, float y) {
        press(x, y);
        release(x, y);
    }
    static void step(float dt) { cocos2d::Director::getInstance()->mainLoop(dt); }

    // World y of the bottom edge of the cell showing `name`; NAN when no cell shows it.
    static float rowBottom(TestTable* table, const std::string& name) {
        for (NSUI::NSTableViewCell* cell : table->getUsedCells()) {
            auto* row = static_cast<Row*>(table->getItem(cell->index));
            if (row != nullptr && row->name == name) {
                return cell->convertToWorldSpace(cocos2d::Vec2::ZERO).y;
            }
        }
        return NAN;
    }
    // Names of the rows that have a cell, by row.
    static std::vector<std::string> shownRows(TestTable* table) {
        std::vector<std::string> names;
        for (int index : table->indices) {
            auto* row = static_cast<Row*>(table->getItem(index));
            names.push_back(row != nullptr ? row->name : "?");
        }
        return names;
    }

    cocos2d::Scene* scene = nullptr;
    cocos2d::InputRouter router;
    LogDelegate delegate;
};

}  // namespace tabletest
