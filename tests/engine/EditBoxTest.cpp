#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/base/IMEDelegate.h"
#include "engine/base/InputRouter.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/EditBox.h"
#include "engine/ui/Scale9Sprite.h"
#include "tests/engine/SceneGraphFixture.h"
#include "tests/support/lib/TempDir.h"
#include "tests/support/lib/WidgetFixtures.h"

using namespace cocos2d;
using ui::EditBox;
using ui::EditBoxDelegate;

namespace {

// Logs every delegate call; Return may take the box off the scene, as a screen closing on it
// would.
class DelegateLog : public EditBoxDelegate {
public:
    void editBoxEditingDidBegin(EditBox*) override { calls.push_back("begin"); }
    void editBoxTextChanged(EditBox*, const std::string& text) override {
        calls.push_back("changed:" + text);
    }
    void editBoxEditingDidEndWithAction(EditBox*, EditBoxEndAction action) override {
        calls.push_back(action == EditBoxEndAction::RETURN ? "end:return" : "end:other");
    }
    void editBoxReturn(EditBox* box) override {
        calls.push_back(std::string("return:") + box->getText());
        if (removeOnReturn) {
            box->removeFromParent();
        }
    }

    std::vector<std::string> calls;
    bool removeOnReturn = false;
};

class EditBoxTest : public SceneGraphTest {
protected:
    void SetUp() override {
        SceneGraphTest::SetUp();
        _scene = Scene::create();
        show(_scene);
        // 200 x 40 at (100, 100).
        _box = EditBox::create(Size(200.0f, 40.0f), ui::Scale9Sprite::create());
        _box->setAnchorPoint(Vec2::ZERO);
        _box->setPosition(Vec2(100.0f, 100.0f));
        _box->setDelegate(&_delegate);
        _scene->addChild(_box);
    }

    // GL coordinates of the 960 x 640 window.
    void tap(float x, float y) {
        _router.mouseDown(x, 640.0f - y, EventMouse::MouseButton::BUTTON_LEFT);
        _router.mouseUp(x, 640.0f - y, EventMouse::MouseButton::BUTTON_LEFT);
    }
    // What the window sends for typed text and for the Return key.
    void type(const std::string& text) { _router.insertText(text.data(), text.size()); }
    void pressReturn() { _router.insertText("\n", 1); }

    Scene* _scene = nullptr;
    EditBox* _box = nullptr;
    DelegateLog _delegate;
    InputRouter _router;
};

}  // namespace

TEST_F(EditBoxTest, TypingReachesTheBoxOnlyAfterAClickOnIt) {
    type("lost");
    EXPECT_STREQ(_box->getText(), "");
    tap(150.0f, 120.0f);
    ASSERT_TRUE(_box->isEditing());
    type("ab");
    type("\xE4\xB8\xAD");  // one CJK character
    _router.deleteBackward();
    _router.deleteBackward();
    type("c d ");
    EXPECT_STREQ(_box->getText(), "ac d ");
    EXPECT_EQ(_delegate.calls,
              (std::vector<std::string>{"begin", "changed:ab", "changed:ab\xE4\xB8\xAD",
                                        "changed:ab", "changed:a", "changed:ac d "}));
}

TEST_F(EditBoxTest, ReturnEndsEditingThenCallsReturnWithTheTextKept) {
    tap(150.0f, 120.0f);
    type("note");
    _delegate.calls.clear();
    pressReturn();
    EXPECT_FALSE(_box->isEditing());
    EXPECT_EQ(_delegate.calls, (std::vector<std::string>{"end:return", "return:note"}));
    // No longer attached: later typing goes nowhere.
    type("x");
    EXPECT_STREQ(_box->getText(), "note");
    EXPECT_FALSE(IMEDispatcher::sharedDispatcher()->isAnyDelegateAttachedWithIME());
}

TEST_F(EditBoxTest, TextBeforeANewlineIsKeptAndTheReturnFollows) {
    tap(150.0f, 120.0f);
    type("pasted\nrest");
    EXPECT_STREQ(_box->getText(), "pasted");
    EXPECT_EQ(_delegate.calls.back(), "return:pasted");
}

TEST_F(EditBoxTest, ATouchOutsideEndsEditingWithoutReturn) {
    tap(150.0f, 120.0f);
    type("draft");
    _delegate.calls.clear();
    tap(600.0f, 500.0f);
    EXPECT_FALSE(_box->isEditing());
    EXPECT_EQ(_delegate.calls, (std::vector<std::string>{"end:other"}));
    EXPECT_STREQ(_box->getText(), "draft");
}

TEST_F(EditBoxTest, AnotherBoxTakingTheInputEndsTheFirst) {
    EditBox* other = EditBox::create(Size(200.0f, 40.0f), ui::Scale9Sprite::create());
    other->setAnchorPoint(Vec2::ZERO);
    other->setPosition(Vec2(100.0f, 300.0f));
    _scene->addChild(other);
    tap(150.0f, 120.0f);
    ASSERT_TRUE(other->openKeyboard());
    EXPECT_FALSE(_box->isEditing());
    EXPECT_EQ(_delegate.calls.back(), "end:other");
    type("z");
    EXPECT_STREQ(other->getText(), "z");
    EXPECT_STREQ(_box->getText(), "");
}

TEST_F(EditBoxTest, ADelegateMayRemoveTheBoxOnReturn) {
    _delegate.removeOnReturn = true;
    tap(150.0f, 120.0f);
    type("bye");
    pressReturn();
    EXPECT_EQ(_delegate.calls.back(), "return:bye");
    EXPECT_EQ(_scene->getChildrenCount(), 1);  // the default camera only
    Director::getInstance()->mainLoop(0.0f);
}

TEST_F(EditBoxTest, MaxLengthCountsCharactersAndSetTextCallsNobody) {
    _box->setMaxLength(3);
    tap(150.0f, 120.0f);
    type("\xC3\xA9\xC3\xA9xyz");
    EXPECT_STREQ(_box->getText(), "\xC3\xA9\xC3\xA9x");
    type("w");
    EXPECT_STREQ(_box->getText(), "\xC3\xA9\xC3\xA9x");
    const size_t calls = _delegate.calls.size();
    _box->setText("set");
    EXPECT_STREQ(_box->getText(), "set");
    EXPECT_EQ(_delegate.calls.size(), calls);
}

TEST_F(EditBoxTest, AMissingBackgroundImageGivesNoBox) {
    bvtest::TempDir dir;
    EXPECT_EQ(EditBox::create(Size(10.0f, 10.0f), dir.str() + "missing.png"), nullptr);
    ASSERT_TRUE(bvtest::writeSolidPng(dir.str() + "bk.png", 4, 4, Color4B::WHITE));
    EditBox* box = EditBox::create(Size(190.0f, 30.0f), dir.str() + "bk.png");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->getContentSize(), Size(190.0f, 30.0f));
}

TEST_F(EditBoxTest, LeavingTheStageWhileEditingEndsIt) {
    tap(150.0f, 120.0f);
    _box->removeFromParent();
    EXPECT_FALSE(IMEDispatcher::sharedDispatcher()->isAnyDelegateAttachedWithIME());
    EXPECT_EQ(_delegate.calls.back(), "end:other");
}
