#include "toolkit/widgets/UIControlBase.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/ui/Layout.h"
#include "engine/ui/Text.h"
#include "tests/support/lib/WidgetFixtures.h"

namespace {

using cocos2d::Director;
using cocos2d::Node;
using cocos2d::Scene;
using cocos2d::ui::Margin;
using cocos2d::ui::RelativeLayoutParameter;

// A control that is a plain object carrying the mixin, as screens do.
struct Screen : NSUI::UIControlBase {};

// A control whose toast cannot be built.
struct BrokenScreen : NSUI::UIControlBase {
    Node* createMessageBox() override { return nullptr; }
};

class UIControlBaseTest : public bvtest::RunningSceneTest {
protected:
    static std::string textOf(Node* box) {
        auto* text = dynamic_cast<cocos2d::ui::Text*>(box->getChildByNameDeep("messageBox.text"));
        return text != nullptr ? text->getString() : "<no text>";
    }

    static int countNamed(Node* parent, const std::string& name) {
        int count = 0;
        for (Node* child : parent->getChildren()) {
            count += child->getName() == name ? 1 : 0;
        }
        return count;
    }
};

TEST_F(UIControlBaseTest, ToastSitsCentredLowOnTheWindowAboveEverything) {
    Screen screen;
    Node* box = screen.showMessage("hello", 1.5f);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->getParent(), scene);
    EXPECT_EQ(box->getName(), "messageBox");
    EXPECT_EQ(box->getPosition(), cocos2d::Vec2(480.0f, 96.0f));
    EXPECT_EQ(box->getContentSize(), cocos2d::Size(768.0f, 80.0f));
    EXPECT_EQ(box->getAnchorPoint(), cocos2d::Vec2(0.5f, 0.5f));
    EXPECT_EQ(box->getLocalZOrder(), 300000);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(scene->getMessageNode(), box);

    auto* layout = dynamic_cast<cocos2d::ui::Layout*>(box);
    ASSERT_NE(layout, nullptr);
    EXPECT_EQ(layout->getBackGroundColorType(), cocos2d::ui::Layout::BackGroundColorType::SOLID);
    EXPECT_EQ(layout->getBackGroundColor(), cocos2d::Color3B(88, 88, 88));
    EXPECT_EQ(layout->getBackGroundColorOpacity(), 233);

    auto* text = dynamic_cast<cocos2d::ui::Text*>(box->getChildByNameDeep("messageBox.text"));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->getString(), "hello");
    EXPECT_EQ(text->getFontSize(), 23.0f);
    EXPECT_EQ(text->getTextColor(), cocos2d::Color4B::WHITE);
    EXPECT_TRUE(text->isShadowEnabled());
    EXPECT_GT(text->getLocalZOrder(), box->getLocalZOrder());
    // Centred on the toast by percent, so it follows the size set after the toast was built.
    frame(0.0f);
    EXPECT_EQ(text->getPosition(), cocos2d::Vec2(384.0f, 40.0f));
}

TEST_F(UIControlBaseTest, SecondMessageReusesTheToastAndRestartsItsTime) {
    Screen screen;
    Node* first = screen.showMessage("first", 2.0f);
    frame(0.0f);
    frame(1.5f);
    Node* second = screen.showMessage("second", 2.0f);
    EXPECT_EQ(second, first);
    EXPECT_EQ(textOf(second), "second");
    EXPECT_EQ(countNamed(scene, "messageBox"), 1);

    frame(0.0f);
    frame(1.0f);
    EXPECT_TRUE(second->isVisible()) << "the first message's time must not hide the second";
    frame(1.5f);
    EXPECT_FALSE(second->isVisible());

    // Hidden by the scene, shown again by the next message.
    EXPECT_EQ(screen.showMessage("third", 1.0f), first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(textOf(first), "third");
}

TEST_F(UIControlBaseTest, NewSceneGetsItsOwnToast) {
    Screen screen;
    Node* old = screen.showMessage("old", 5.0f);
    old->retain();

    Scene* next = Scene::create();
    Director::getInstance()->replaceScene(next);
    frame(0.0f);
    ASSERT_EQ(Director::getInstance()->getRunningScene(), next);

    Node* fresh = screen.showMessage("new", 5.0f);
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, old);
    EXPECT_EQ(fresh->getParent(), next);
    EXPECT_EQ(textOf(fresh), "new");
    EXPECT_EQ(textOf(old), "old");
    old->release();
}

TEST_F(UIControlBaseTest, ShowMessageBoxSharesTheScenesToastAndKeepsOneView) {
    Screen screen;
    Node* fromScreen = screen.showMessage("screen", 1.5f);
    Node* fromAnywhere = showMessageBox("anywhere", 1.5f);
    EXPECT_EQ(fromAnywhere, fromScreen);
    EXPECT_EQ(textOf(fromScreen), "anywhere");
    EXPECT_EQ(NSUI::showMessageBox("again", 1.5f), fromScreen);
    EXPECT_EQ(countNamed(scene, "messageBox"), 1);
    EXPECT_EQ(countNamed(scene, "ns_fun_messageBox"), 1);

    auto* view = dynamic_cast<NSUI::messageView*>(scene->getChildByName("ns_fun_messageBox"));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->owner, scene);
}

TEST_F(UIControlBaseTest, NothingIsShownWithoutAToastOrAScene) {
    BrokenScreen broken;
    EXPECT_EQ(broken.showMessage("lost", 1.5f), nullptr);
    EXPECT_EQ(scene->getChildByName("messageBox"), nullptr);
    EXPECT_EQ(scene->getMessageNode(), nullptr);

    Director::getInstance()->purgeDirector();
    Screen screen;
    EXPECT_EQ(screen.showMessage("lost", 1.5f), nullptr);
    EXPECT_EQ(showMessageBox("lost", 1.5f), nullptr);
}

TEST(UIControlBaseAlignTest, OnlyParentAlignmentsOfAWidgetOwnerAreApplied) {
    struct Case {
        int align;
        bool applied;
    };
    const Case cases[] = {{-1, false}, {0, false},  {1, true},  {5, true},
                          {9, true},   {10, false}, {21, false}};
    const Margin margin(1.0f, 2.0f, 3.0f, 4.0f);
    for (const Case& c : cases) {
        SCOPED_TRACE("align " + std::to_string(c.align));
        cocos2d::ui::Widget* widget = cocos2d::ui::Widget::create();
        Screen screen;
        screen.owner = widget;
        screen.setRelativeAlign(c.align, "anchorName", margin);
        auto* parameter = dynamic_cast<RelativeLayoutParameter*>(widget->getLayoutParameter());
        ASSERT_EQ(parameter != nullptr, c.applied);
        if (parameter != nullptr) {
            EXPECT_EQ(static_cast<int>(parameter->getAlign()), c.align);
            EXPECT_EQ(parameter->getRelativeName(), "anchorName");
            EXPECT_TRUE(parameter->getMargin().equals(margin));
        }
    }

    Node* plain = Node::create();
    Screen notAWidget;
    notAWidget.owner = plain;
    notAWidget.setRelativeAlign(5, "x", margin);
    Screen ownerless;
    ownerless.setRelativeAlign(5, "x", margin);
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
}

}  // namespace
