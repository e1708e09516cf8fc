#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "engine/2d/Layer.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/base/InputRouter.h"
#include "tests/display/DisplayFixture.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSTableViewCell.h"
#include "toolkit/widgets/NSTableViewDelegate.h"

using namespace cocos2d;
using bvtest::colourNear;

namespace {

constexpr int kRows = 1000;
constexpr float kRowHeight = 24.0f;
constexpr int kColourTag = 1;

// Every row has a colour of its own: the digits of the row number give the channels.
Color3B rowColour(int row) {
    return Color3B(static_cast<GLubyte>(40 + (row % 10) * 20),
                   static_cast<GLubyte>(40 + (row / 10 % 10) * 20),
                   static_cast<GLubyte>(40 + (row / 100) * 20));
}

class ColourRows : public NSUI::NSTableViewDelegate {
public:
    Size tableCellSizeForIndex(NSUI::NSTableView*, ssize_t, Ref*) override {
        return Size(0.0f, kRowHeight);
    }
    NSUI::NSTableViewCell* tableCellAtIndex(NSUI::NSTableView* table, ssize_t index,
                                            const Size& size) override {
        NSUI::NSTableViewCell* cell = table->reusableCell(index);
        if (cell == nullptr) {
            cell = NSUI::NSTableViewCell::create();
            cell->addChild(LayerColor::create(Color4B::WHITE, size.width, size.height), 0,
                           kColourTag);
            ++cellsMade;
        }
        cell->getChildByTag(kColourTag)->setColor(rowColour(static_cast<int>(index)));
        return cell;
    }

    int cellsMade = 0;
};

class NSListViewDrawingTest : public bvtest::DisplayFixture {
protected:
    void SetUp() override {
        DisplayFixture::SetUp();
        list = NSUI::NSListView::create();
        ASSERT_NE(list, nullptr);
        list->setDelegate(&rows);
        list->setContentSize(Size(kWidth, kHeight));
        list->setAnchorPoint(Vec2::ZERO);
        list->setPosition(Vec2::ZERO);
        for (int i = 0; i < kRows; ++i) {
            list->items.pushBack(Node::create());
        }
        list->reloadData();
        Scene* scene = Scene::create();
        scene->addChild(list);
        Director::getInstance()->runWithScene(scene);
        Director::getInstance()->mainLoop(0.0f);
    }

    // The frame shows the rows of a list scrolled `offset` points down from its top: the
    // middle of every row band in view has that row's colour. The scroll bar's strip at the
    // right edge is left out.
    void expectRowsAtOffset(float offset, const std::string& name) {
        Image frame;
        ASSERT_TRUE(renderAndCapture(name, &frame));
        int checked = 0;
        for (int y = 2; y < kHeight - 2; ++y) {
            const float fromTop = kHeight - 0.5f - y + offset;
            const float inRow = fromTop - kRowHeight * static_cast<int>(fromTop / kRowHeight);
            if (inRow < 3.0f || inRow > kRowHeight - 3.0f) {
                continue;
            }
            const int row = static_cast<int>(fromTop / kRowHeight);
            for (int x : {10, kWidth / 2, kWidth - 20}) {
                EXPECT_TRUE(colourNear(pixelAt(frame, x, y), rowColour(row)))
                    << name << ": row " << row << " at (" << x << ", " << y << ")";
                ++checked;
            }
        }
        EXPECT_GT(checked, 3 * 100);
    }

    // A press, a move in steps and a release of the left button, with no frame in between, so
    // no glide follows.
    static void drag(float x, float fromY, float toY) {
        InputRouter router;
        router.mouseDown(x, fromY, EventMouse::MouseButton::BUTTON_LEFT);
        const int steps = 10;
        for (int i = 1; i <= steps; ++i) {
            router.mouseMove(x, fromY + (toY - fromY) * i / steps);
        }
        router.mouseUp(x, toY, EventMouse::MouseButton::BUTTON_LEFT);
    }

    // Positive: turns towards the user, which scrolls down the list.
    static void wheel(int notches) {
        InputRouter router;
        for (int i = 0; i < std::abs(notches); ++i) {
            router.mouseScroll(kWidth / 2.0f, kHeight / 2.0f, 0.0f, notches > 0 ? -1.0f : 1.0f);
        }
    }

    ColourRows rows;
    NSUI::NSListView* list = nullptr;
};

}  // namespace

TEST_F(NSListViewDrawingTest, TheWheelScrollsTwentyPointsANotchDownToTheLastRow) {
    expectRowsAtOffset(0.0f, "top.png");
    wheel(120);
    expectRowsAtOffset(2400.0f, "wheel.png");
    wheel(-7);
    expectRowsAtOffset(2260.0f, "wheelBack.png");
    // Far past the end: the last row rests on the bottom edge.
    wheel(kRows * 2);
    expectRowsAtOffset(kRows * kRowHeight - kHeight, "end.png");
    // Only a screenful of cells was ever made.
    EXPECT_LE(rows.cellsMade, kHeight / static_cast<int>(kRowHeight) + 2);
}

TEST_F(NSListViewDrawingTest, DraggingMovesTheRowsWithThePointer) {
    // Pointer positions are from the top of the window: dragging up shows later rows.
    drag(100.0f, 220.0f, 40.0f);
    expectRowsAtOffset(180.0f, "dragUp.png");
    drag(100.0f, 200.0f, 30.0f);
    drag(100.0f, 200.0f, 30.0f);
    expectRowsAtOffset(520.0f, "dragUpMore.png");
    drag(100.0f, 50.0f, 150.0f);
    expectRowsAtOffset(420.0f, "dragDown.png");
    // Dragging down past the top stops there.
    drag(100.0f, 10.0f, 230.0f);
    drag(100.0f, 10.0f, 230.0f);
    expectRowsAtOffset(0.0f, "dragTop.png");
    EXPECT_LE(rows.cellsMade, kHeight / static_cast<int>(kRowHeight) + 2);
}
