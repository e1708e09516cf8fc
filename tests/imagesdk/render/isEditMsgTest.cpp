#include <gtest/gtest.h>

#include <string>

#include "engine/2d/Node.h"
#include "engine/2d/Scene.h"
#include "engine/base/IMEDelegate.h"
#include "engine/base/InputRouter.h"
#include "engine/ui/Button.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isEditMsg.h"
#include "tests/imagesdk/NotificationRecorder.h"
#include "tests/support/lib/WidgetFixtures.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/widgets/NSTextField.h"

using cocos2d::Node;
using cocos2d::Size;
using isImageSDK::isEditMsg;

namespace {

// A running scene with a 1000 x 600 node standing in for the render window that hosts labels.
class EditMsgTest : public bvtest::RunningSceneTest {
protected:
    void SetUp() override {
        RunningSceneTest::SetUp();
        host = addNode(scene, 1000.0f, 600.0f);
    }
    void TearDown() override {
        // Nodes cleaned up by the purge still reach the centre: destroy it afterwards.
        RunningSceneTest::TearDown();
        NSUI::NSNotificationCenter::destroyInstance();
    }

    static Node* addNode(Node* parent, float width, float height) {
        Node* node = Node::create();
        node->setContentSize(Size(width, height));
        if (parent != nullptr) {
            parent->addChild(node);
        }
        return node;
    }

    static void type(const std::string& text) {
        cocos2d::IMEDispatcher::sharedDispatcher()->dispatchInsertText(text.data(), text.size());
    }

    Node* host = nullptr;
    int group = 0;
};

TEST_F(EditMsgTest, TheFieldTakesThePlaceholdersPlaceAboveTheButton) {
    isEditMsg* popup = isEditMsg::openOn(host, &group, "Lesion");
    ASSERT_NE(popup, nullptr);
    ASSERT_NE(popup->getRoot(), nullptr);
    EXPECT_EQ(popup->getParent(), host);
    EXPECT_EQ(popup->getLocalZOrder(), 100000);
    EXPECT_EQ(popup->getAnchorPoint(), cocos2d::Vec2(0.5f, 1.0f));
    EXPECT_EQ(popup->getPosition(), cocos2d::Vec2(500.0f, 600.0f));
    EXPECT_EQ(popup->getContentSize(), popup->getRoot()->getContentSize());

    NSUI::NSTextField* field = popup->getEditField();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(popup->getRoot()->getChildByNameDeep("edit"), nullptr);
    auto* ok = dynamic_cast<cocos2d::ui::Button*>(popup->getRoot()->getChildByNameDeep("ok"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(field->getParent(), ok->getParent());
    EXPECT_EQ(field->getLocalZOrder(), ok->getLocalZOrder() + 1000);
    EXPECT_TRUE(ok->isPressedActionEnabled());
    EXPECT_EQ(field->getString(), "Lesion");
    EXPECT_EQ(field->getPlaceHolder(), "Text");
    EXPECT_EQ(field->getClippingRect().size, Size(310.0f, 25.0f));
}

TEST_F(EditMsgTest, EnterPostsTheTypedTextToTheGroupAndCloses) {
    imagesdktest::NotificationRecorder done(isImageSDK::NOTIFY_LABEL_TEXT_DONE, &group);
    isEditMsg* popup = isEditMsg::openOn(host, &group, "");
    type("Cyst 2");
    cocos2d::InputRouter router;
    router.keyUp(cocos2d::EventKeyboard::KeyCode::KEY_KP_ENTER);
    EXPECT_EQ(popup->getParent(), nullptr);
    done.drain();
    ASSERT_EQ(done.received.size(), 1u);
    EXPECT_EQ(done.received[0].text, "Cyst 2");
    EXPECT_EQ(done.received[0].sender, popup);
}

TEST_F(EditMsgTest, ClickingOkPostsTheTextAndCloses) {
    imagesdktest::NotificationRecorder done(isImageSDK::NOTIFY_LABEL_TEXT_DONE, &group);
    isEditMsg* popup = isEditMsg::openOn(host, &group, "Node");
    frame(0.0f);
    Node* ok = popup->getRoot()->getChildByNameDeep("ok");
    const cocos2d::Vec2 centre = ok->convertToWorldSpace(
        cocos2d::Vec2(ok->getContentSize().width / 2, ok->getContentSize().height / 2));
    tap(centre.x, centre.y);
    EXPECT_EQ(popup->getParent(), nullptr);
    done.drain();
    ASSERT_EQ(done.received.size(), 1u);
    EXPECT_EQ(done.received[0].text, "Node");
}

TEST_F(EditMsgTest, ConfirmingAnEmptyFieldClosesWithoutAPost) {
    imagesdktest::NotificationRecorder done(isImageSDK::NOTIFY_LABEL_TEXT_DONE, &group);
    isEditMsg* popup = isEditMsg::openOn(host, &group, "");
    popup->finish();
    EXPECT_EQ(popup->getParent(), nullptr);

    // Without the layout there is no field; confirming still closes.
    isEditMsg* bare = isEditMsg::create();
    host->addChild(bare);
    bare->setGroup(&group);
    bare->finish();
    EXPECT_EQ(bare->getParent(), nullptr);
    done.drain();
    EXPECT_TRUE(done.received.empty());
}

TEST_F(EditMsgTest, ASecondLineGrowsThePopupWhichKeepsItsSizeWhenTheLineGoes) {
    isEditMsg* popup = isEditMsg::openOn(host, &group, "");
    NSUI::NSTextField* field = popup->getEditField();
    const Size start = popup->getContentSize();
    field->setString("one line");
    EXPECT_EQ(popup->getContentSize(), start);
    const float oneLine = field->getContentSize().height;

    field->setString(std::string(80, 'm'));
    const float grownBy = field->getContentSize().height - oneLine;
    ASSERT_GT(grownBy, 0.0f);
    EXPECT_EQ(popup->getContentSize(), Size(start.width, start.height + grownBy));
    EXPECT_EQ(popup->getRoot()->getContentSize(), popup->getContentSize());
    EXPECT_EQ(field->getClippingRect().size.height, start.height + grownBy);

    field->setString("m");
    EXPECT_EQ(popup->getContentSize(), Size(start.width, start.height + grownBy));
}

TEST_F(EditMsgTest, TheHostIsTheFirstAncestorWideEnoughWithinTwoSteps) {
    Node* wide = addNode(nullptr, 1000.0f, 600.0f);
    Node* middle = addNode(wide, 350.0f, 600.0f);
    Node* narrow = addNode(middle, 300.0f, 100.0f);
    Node* inner = addNode(narrow, 200.0f, 50.0f);
    Node* alone = addNode(nullptr, 300.0f, 100.0f);
    Node* orphanChild = addNode(alone, 100.0f, 100.0f);
    Node* roomy = addNode(middle, 450.0f, 100.0f);
    struct Case {
        Node* parent;
        Node* host;
    };
    for (const Case& c : {Case{narrow, wide}, Case{inner, middle}, Case{roomy, roomy},
                          Case{alone, alone}, Case{orphanChild, alone}, Case{nullptr, nullptr}}) {
        EXPECT_EQ(isEditMsg::findHost(c.parent), c.host);
    }
}

// The centre goes before a window whose pop-up is still open: closing the pop-up then must not
// make a new centre, which would outlive the window's scheduler and deliver nothing.
TEST_F(EditMsgTest, ClosingAPopupAfterTheCentreWentMakesNoNewCentre) {
    isEditMsg* popup = isEditMsg::openOn(host, &group, "Note");
    ASSERT_NE(popup, nullptr);
    NSUI::NSNotificationCenter::destroyInstance();
    popup->removeFromParent();
    EXPECT_EQ(NSUI::NSNotificationCenter::getExistingInstance(), nullptr);
}

}  // namespace
