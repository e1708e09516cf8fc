#include "imagesdk/render/isNodeText.h"

#include <gtest/gtest.h>

#include "WindowFixture.h"
#include "engine/2d/Scene.h"
#include "engine/base/Touch.h"
#include "engine/ui/LayoutParameter.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isEditMsg.h"
#include "tests/imagesdk/NotificationRecorder.h"

using cocos2d::Node;
using cocos2d::Vec2;
using imagesdktest::NotificationRecorder;
using isImageSDK::isEditMsg;
using isImageSDK::isNodeText;

namespace {

class NodeTextTest : public rendertest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // A label inside a 300-wide node, inside a 350-wide node, inside a 1000-wide one.
        wide = Node::create();
        wide->setContentSize(cocos2d::Size(1000, 600));
        middle = Node::create();
        middle->setContentSize(cocos2d::Size(350, 400));
        narrow = Node::create();
        narrow->setContentSize(cocos2d::Size(300, 300));
        narrow->setPosition(Vec2(20, 30));
        scene->addChild(wide);
        wide->addChild(middle);
        middle->addChild(narrow);
        label = isNodeText::create();
        label->setString("Note");
        label->ignoreContentAdaptWithSize(false);
        label->setContentSize(cocos2d::Size(60, 20));
        label->setPosition(Vec2(100, 100));
        label->setTouchEnabled(true);
        label->setGroup(&group);
        narrow->addChild(label);
    }
    void TearDown() override {
        touch->release();
        WindowTest::TearDown();
    }

    // One finger in GL points.
    void press(float x, float y) {
        touch->setTouchInfo(0, x, kHeight - y);
        ASSERT_TRUE(label->onTouchBegan(touch, nullptr));
    }
    void move(float x, float y) {
        touch->setTouchInfo(0, x, kHeight - y);
        label->onTouchMoved(touch, nullptr);
    }
    void lift() { label->onTouchEnded(touch, nullptr); }

    static int popupsIn(Node* node) {
        int count = 0;
        for (Node* child : node->getChildren()) {
            count += dynamic_cast<isEditMsg*>(child) != nullptr ? 1 : 0;
        }
        return count;
    }

    Node* wide = nullptr;
    Node* middle = nullptr;
    Node* narrow = nullptr;
    isNodeText* label = nullptr;
    cocos2d::Touch* touch = new cocos2d::Touch();
    int group = 0;
};

TEST_F(NodeTextTest, DragMovesTheLabelAndOpensNothing) {
    label->setEditable(true);
    NotificationRecorder moved(isImageSDK::NOTIFY_LABEL_MOVED, narrow);
    NotificationRecorder edited(isImageSDK::NOTIFY_LABEL_EDITED, &group);
    NotificationRecorder opened(isImageSDK::NOTIFY_TEXT_NODE_TO_VIEW, narrow);
    // The label's centre in GL points: parent at (20, 30), label centred on (100, 100).
    press(120, 130);
    move(125, 128);
    move(135, 140);
    lift();
    EXPECT_NEAR(label->getPosition().x, 115.0f, 1e-4f);
    EXPECT_NEAR(label->getPosition().y, 110.0f, 1e-4f);
    EXPECT_TRUE(label->isMoved());
    drain(20);
    EXPECT_EQ(moved.received.size(), 2u);
    EXPECT_EQ(edited.received.size(), 1u);
    EXPECT_TRUE(opened.received.empty());
    EXPECT_EQ(popupsIn(wide) + popupsIn(middle) + popupsIn(narrow), 0);
}

TEST_F(NodeTextTest, TapOnAnEditableLabelOpensThePopupInTheFirstWideEnoughAncestor) {
    NotificationRecorder edited(isImageSDK::NOTIFY_LABEL_EDITED, &group);
    NotificationRecorder opened(isImageSDK::NOTIFY_TEXT_NODE_TO_VIEW, narrow);
    // Not editable: the tap is an edit post only.
    press(120, 130);
    lift();
    EXPECT_EQ(popupsIn(wide), 0);

    label->setEditable(true);
    label->setMoved(true);
    press(120, 130);
    lift();
    EXPECT_EQ(popupsIn(wide), 1);
    EXPECT_EQ(popupsIn(middle) + popupsIn(narrow), 0);
    EXPECT_FALSE(label->isMoved());
    drain(20);
    EXPECT_EQ(edited.received.size(), 2u);
    EXPECT_EQ(opened.received.size(), 1u);
}

// A double click taps twice: one pop-up opens, and its OK leaves none behind that could post
// the text it was opened with later. Another label's pop-up still opens beside it.
TEST_F(NodeTextTest, ASecondTapWhileThePopupIsOpenOpensNoOther) {
    label->setEditable(true);
    press(120, 130);
    lift();
    press(120, 130);
    lift();
    ASSERT_EQ(popupsIn(wide), 1);
    isEditMsg* popup = nullptr;
    for (Node* child : wide->getChildren()) {
        popup = popup != nullptr ? popup : dynamic_cast<isEditMsg*>(child);
    }
    ASSERT_NE(popup, nullptr);
    int otherGroup = 0;
    EXPECT_NE(isEditMsg::openOn(wide, &otherGroup, "Other"), popup);
    EXPECT_EQ(popupsIn(wide), 2);

    popup->finish();
    EXPECT_EQ(popupsIn(wide), 1);
}

TEST_F(NodeTextTest, RelativeMarginFollowsThePositionAndThePlateTheSize) {
    label->setLayoutParameter(cocos2d::ui::RelativeLayoutParameter::create());
    label->setPosition(Vec2(12, 34));
    const cocos2d::ui::Margin& margin = label->getLayoutParameter()->getMargin();
    EXPECT_FLOAT_EQ(margin.left, 12.0f);
    EXPECT_FLOAT_EQ(margin.bottom, 34.0f);
    EXPECT_FLOAT_EQ(margin.top, 0.0f);
    label->setContentSize(cocos2d::Size(80, 24));
    EXPECT_EQ(label->getBackground()->getContentSize(), cocos2d::Size(80, 24));
    EXPECT_EQ(label->getBackground()->getLocalZOrder(), -100);
}

}  // namespace
