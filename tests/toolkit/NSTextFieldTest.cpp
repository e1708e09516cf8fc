#include "toolkit/widgets/NSTextField.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/2d/Sprite.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/base/IMEDelegate.h"
#include "engine/base/InputRouter.h"
#include "engine/base/Touch.h"
#include "engine/platform/GLView.h"
#include "engine/ui/Scale9Sprite.h"
#include "toolkit/widgets/NSRichElement.h"
#include "toolkit/widgets/UIControlGenerater.h"
#include "toolkit/widgets/UIScrollViewBase.h"

namespace {

using cocos2d::Color3B;
using cocos2d::Director;
using cocos2d::IMEDispatcher;
using cocos2d::Size;
using cocos2d::Vec2;
using NSUI::NSTextField;

// A window-less view that records the IME keyboard requests.
class RecordingView : public cocos2d::GLView {
public:
    void setIMEKeyboardState(bool open) override { states.push_back(open); }
    std::vector<bool> states;
};

class NSTextFieldTest : public ::testing::Test {
protected:
    void SetUp() override {
        Director::getInstance()->setWinSize(Size(960.0f, 640.0f));
        _scene = cocos2d::Scene::create();
        Director::getInstance()->runWithScene(_scene);
        frame(0.0f);
    }
    void TearDown() override {
        Director::getInstance()->setOpenGLView(nullptr);
        Director::getInstance()->purgeDirector();
        cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
    }

    static void frame(float dt) { Director::getInstance()->mainLoop(dt); }

    // The director draws through `view`, which lets the cursor blink; TearDown takes it off.
    static void useView(RecordingView* view) {
        view->setFrameSize(960.0f, 640.0f);
        view->setDesignResolutionSize(960.0f, 640.0f, cocos2d::ResolutionPolicy::SHOW_ALL);
        Director::getInstance()->setOpenGLView(view);
    }

    // A 300 x 30 field with its bottom-left corner at (100, 100), recording its events.
    NSTextField* makeField(const std::string& placeholder = "Name") {
        NSTextField* field = NSTextField::createWithPlaceHolder(placeholder, Size(300.0f, 30.0f));
        field->setAnchorPoint(Vec2::ZERO);
        field->setPosition(Vec2(100.0f, 100.0f));
        // Every layout reports a size change (3); those are followed by one test of their own.
        field->setEventCallback([this](cocos2d::Ref*, NSTextField::EventType event) {
            if (event != NSTextField::SIZE_CHANGED) {
                _events.push_back(static_cast<int>(event));
            }
            _sizeChanges += event == NSTextField::SIZE_CHANGED ? 1 : 0;
        });
        _scene->addChild(field);
        return field;
    }

    static void type(const std::string& s) {
        IMEDispatcher::sharedDispatcher()->dispatchInsertText(s.data(), s.size());
    }
    static void backspace() { IMEDispatcher::sharedDispatcher()->dispatchDeleteBackward(); }

    // What the elements show, one string per element.
    static std::string shown(const NSTextField* field) {
        std::string result;
        for (NSUI::NSRichElement* element : field->elements) {
            result += static_cast<NSUI::NSRichElementText*>(element)->getText();
        }
        return result;
    }

    // A point of element `index`, in window view coordinates (origin top-left), for InputRouter.
    static Vec2 viewPointOf(const NSTextField* field, int index, float xFraction) {
        const cocos2d::Node* renderer = field->elements[static_cast<size_t>(index)]->renderer;
        const Size& size = renderer->getContentSize();
        const Vec2 world =
            renderer->convertToWorldSpace(Vec2(size.width * xFraction, size.height * 0.5f));
        return Vec2(world.x, 640.0f - world.y);
    }

    cocos2d::Sprite* cursorOf(NSTextField* field) {
        return dynamic_cast<cocos2d::Sprite*>(
            field->container->getChildByTag(NSTextField::kCursorTag));
    }

    cocos2d::Scene* _scene = nullptr;
    std::vector<int> _events;
    int _sizeChanges = 0;
};

TEST_F(NSTextFieldTest, ANewFieldShowsItsPlaceholderUntilTextArrives) {
    NSTextField* field = makeField();
    EXPECT_TRUE(field->placeholderShown);
    EXPECT_EQ(field->getString(), "");
    EXPECT_EQ(shown(field), "Name");
    EXPECT_EQ(field->elements[0]->color, Color3B::GRAY);
    EXPECT_EQ(field->touchRect, cocos2d::Rect(0.0f, 0.0f, 300.0f, 30.0f));
    EXPECT_TRUE(field->isTouchEnabled());
    EXPECT_EQ(field->inputMode, NSTextField::ANY_TEXT);

    field->startEditing();
    type("Jo");
    EXPECT_FALSE(field->placeholderShown);
    EXPECT_EQ(field->getString(), "Jo");
    EXPECT_EQ(shown(field), "Jo");
    EXPECT_EQ(field->elements[0]->color, Color3B::BLUE);

    // A placeholder change while text shows only takes effect once the field is empty again.
    field->setPlaceHolder("Surname");
    EXPECT_EQ(shown(field), "Jo");
    backspace();
    backspace();
    EXPECT_TRUE(field->placeholderShown);
    EXPECT_EQ(shown(field), "Surname");
    EXPECT_EQ(field->getString(), "");
    EXPECT_EQ(_events, (std::vector<int>{5, 0, 1, 1}));

    // An empty placeholder is kept as " " yet draws nothing.
    NSTextField* bare = makeField("");
    EXPECT_EQ(bare->placeholderText, " ");
    EXPECT_TRUE(bare->elements.empty());
    EXPECT_TRUE(bare->placeholderShown);
}

TEST_F(NSTextFieldTest, TypingAndDeletingWorkAtTheCaret) {
    NSTextField* field = makeField();
    field->startEditing();
    EXPECT_EQ(field->cursorIndex, 0);
    type("abc");
    EXPECT_EQ(field->cursorIndex, 3);
    field->cursorIndex = 1;
    type("\xC3\xA9\xE4\xB8\xAD");
    EXPECT_EQ(field->getString(), "a\xC3\xA9\xE4\xB8\xAD"
                                  "bc");
    EXPECT_EQ(shown(field), field->getString());
    EXPECT_EQ(field->cursorIndex, 3);
    EXPECT_EQ(field->cursorPosition, field->getCaretPosition(3));

    backspace();
    EXPECT_EQ(field->getString(), "a\xC3\xA9"
                                  "bc");
    EXPECT_EQ(field->cursorIndex, 2);
    field->cursorIndex = 0;
    backspace();
    EXPECT_EQ(field->getString(), "a\xC3\xA9"
                                  "bc");
    // A caret past the end deletes the last character.
    field->cursorIndex = 40;
    backspace();
    EXPECT_EQ(field->getString(), "a\xC3\xA9"
                                  "b");
    EXPECT_EQ(field->cursorIndex, 3);
    EXPECT_EQ(shown(field), field->getString());

    // startEditing puts the caret at the end of the text.
    field->cursorIndex = 1;
    field->startEditing();
    EXPECT_EQ(field->cursorIndex, 3);
}

TEST_F(NSTextFieldTest, InsertionSplitsTheTextAtTheCaretByCharacters) {
    const std::string text = "a\xC3\xA9\xE4\xB8\xAD";
    struct Case {
        int caret;
        std::string result;
        int caretAfter;
    } cases[] = {
        {-2, "xa\xC3\xA9\xE4\xB8\xAD", 1}, {0, "xa\xC3\xA9\xE4\xB8\xAD", 1},
        {2, "a\xC3\xA9x\xE4\xB8\xAD", 3},  {3, "a\xC3\xA9\xE4\xB8\xADx", 4},
        {9, "a\xC3\xA9\xE4\xB8\xADx", 4},
    };
    for (const Case& c : cases) {
        NSTextField* field = makeField();
        field->setString(text);
        field->cursorIndex = c.caret;
        field->insertTextAtCursor("x");
        EXPECT_EQ(field->getString(), c.result) << c.caret;
        EXPECT_EQ(shown(field), c.result) << c.caret;
        EXPECT_EQ(field->cursorIndex, c.caretAfter) << c.caret;
        field->removeFromParent();
    }
}

TEST_F(NSTextFieldTest, InputFiltersLookAtTheWholeText) {
    struct Case {
        int mode;
        std::vector<std::string> typed;
        std::string text;
    } cases[] = {
        {NSTextField::SIGNED_INTEGER, {"12", "-"}, "12"},
        {NSTextField::SIGNED_INTEGER, {"-", "5", "-"}, "-5"},
        {NSTextField::SIGNED_INTEGER, {"4", "a", "1.5", "7"}, "47"},
        {NSTextField::DIGITS, {"-", "12", "1a", ".", "3"}, "123"},
        {NSTextField::SIGNED_DECIMAL, {"3", ".", "1", "."}, "3.1"},
        {NSTextField::SIGNED_DECIMAL, {".", "-", "-", "2", ".", "5"}, "-2.5"},
        {NSTextField::DOTTED_NUMBER, {".", "1", ".", ".", "2", ".", "3"}, "1.2.3"},
        {NSTextField::DOTTED_NUMBER, {"-", "10", "x"}, "10"},
        {NSTextField::ANY_TEXT, {"a-", ".", "\xE4\xB8\xAD"}, "a-.\xE4\xB8\xAD"},
    };
    for (const Case& c : cases) {
        NSTextField* field = makeField();
        field->inputMode = c.mode;
        field->startEditing();
        for (const std::string& s : c.typed) {
            type(s);
        }
        EXPECT_EQ(field->getString(), c.text) << "mode " << c.mode;
        field->removeFromParent();
    }
}

TEST_F(NSTextFieldTest, RejectedInputIsDroppedWithoutAnEvent) {
    NSTextField* field = makeField();
    field->inputMode = NSTextField::DIGITS;
    field->startEditing();
    _events.clear();
    type("x");
    type("\n12");
    type("\xFF\xFE");
    EXPECT_TRUE(field->placeholderShown);
    EXPECT_TRUE(_events.empty());

    // Only what comes before a newline is taken.
    field->inputMode = NSTextField::ANY_TEXT;
    type("ab\ncd");
    EXPECT_EQ(field->getString(), "ab");
    EXPECT_EQ(_events, (std::vector<int>{0}));
}

TEST_F(NSTextFieldTest, LengthLimitIsTestedBeforeEachInsertion) {
    NSTextField* field = makeField();
    field->limitLength = true;
    field->maxLength = 4;
    field->startEditing();
    for (const char* c : {"1", "2", "3", "\xE4\xB8\xAD", "5"}) {
        type(c);
    }
    EXPECT_EQ(field->getString(), "123\xE4\xB8\xAD");

    // A paste into a field below the limit goes in whole.
    NSTextField* pasted = makeField();
    pasted->limitLength = true;
    pasted->maxLength = 4;
    pasted->setString("abc");
    pasted->startEditing();
    type("def");
    EXPECT_EQ(pasted->getString(), "abcdef");
    type("g");
    EXPECT_EQ(pasted->getString(), "abcdef");
}

TEST_F(NSTextFieldTest, PasswordModeMasksEveryCharacter) {
    NSTextField* field = makeField();
    field->passwordMode = true;
    field->startEditing();
    type("p\xC3\xA4ss");
    EXPECT_EQ(shown(field), "****");
    EXPECT_EQ(field->getString(), "p\xC3\xA4ss");
    field->cursorIndex = 2;
    backspace();
    EXPECT_EQ(shown(field), "***");
    EXPECT_EQ(field->getString(), "pss");
}

TEST_F(NSTextFieldTest, SetStringReplacesTheTextWithoutAnEvent) {
    NSTextField* field = makeField();
    field->setString("hello");
    EXPECT_EQ(shown(field), "hello");
    EXPECT_EQ(field->cursorIndex, 5);
    field->setString("hi");
    EXPECT_EQ(shown(field), "hi");
    EXPECT_FALSE(field->placeholderShown);
    EXPECT_TRUE(_events.empty());

    // An empty text on a field showing its placeholder leaves it blank, not showing it.
    NSTextField* blank = makeField();
    blank->setString("");
    EXPECT_TRUE(blank->elements.empty());
    EXPECT_FALSE(blank->placeholderShown);
    EXPECT_EQ(blank->getString(), "");
}

TEST_F(NSTextFieldTest, StyleSettersRenderWhatTheFieldShows) {
    NSTextField* field = makeField();
    field->setPlaceHolderColor(Color3B::RED);
    EXPECT_EQ(field->elements[0]->color, Color3B::RED);
    field->setTextColor(Color3B::GREEN);
    EXPECT_TRUE(field->placeholderShown);
    EXPECT_EQ(field->elements[0]->color, Color3B::RED);

    field->setString("ab");
    const float small = field->elements[0]->renderer->getContentSize().height;
    field->setFontSize(40);
    EXPECT_EQ(shown(field), "ab");
    EXPECT_EQ(field->elements[0]->color, Color3B::GREEN);
    EXPECT_GT(field->elements[0]->renderer->getContentSize().height, small);
    EXPECT_EQ(field->getString(), "ab");
}

TEST_F(NSTextFieldTest, TouchesFocusTheFieldAndPlaceTheCaret) {
    NSTextField* field = makeField();
    field->setString("mmmm");
    cocos2d::InputRouter router;

    // On the right half of the second character: the caret goes after it.
    const Vec2 second = viewPointOf(field, 1, 0.75f);
    router.mouseDown(second.x, second.y, cocos2d::EventMouse::MouseButton::BUTTON_LEFT);
    router.mouseUp(second.x, second.y, cocos2d::EventMouse::MouseButton::BUTTON_LEFT);
    EXPECT_TRUE(IMEDispatcher::sharedDispatcher()->isAnyDelegateAttachedWithIME());
    EXPECT_EQ(field->cursorIndex, 2);
    EXPECT_EQ(_events, (std::vector<int>{5}));
    type("x");
    EXPECT_EQ(field->getString(), "mmxmm");

    // Inside the field beyond the text: the caret goes to the end.
    router.mouseDown(380.0f, 640.0f - 115.0f, cocos2d::EventMouse::MouseButton::BUTTON_LEFT);
    router.mouseUp(380.0f, 640.0f - 115.0f, cocos2d::EventMouse::MouseButton::BUTTON_LEFT);
    EXPECT_EQ(field->cursorIndex, 5);

    // Outside: editing ends.
    router.mouseDown(50.0f, 50.0f, cocos2d::EventMouse::MouseButton::BUTTON_LEFT);
    router.mouseUp(50.0f, 50.0f, cocos2d::EventMouse::MouseButton::BUTTON_LEFT);
    EXPECT_FALSE(IMEDispatcher::sharedDispatcher()->isAnyDelegateAttachedWithIME());
    EXPECT_EQ(_events.back(), 6);
    type("y");
    EXPECT_EQ(field->getString(), "mmxmm");
}

TEST_F(NSTextFieldTest, TouchRectangleIsStrictAndOnlyASwallowingFieldClaimsItsHits) {
    NSTextField* field = makeField();
    struct Case {
        Vec2 world;
        bool swallow;
        bool hit;
        bool claimed;
    } cases[] = {
        {{250.0f, 115.0f}, false, true, false}, {{250.0f, 115.0f}, true, true, true},
        {{100.0f, 115.0f}, true, false, false}, {{400.0f, 115.0f}, true, false, false},
        {{250.0f, 100.0f}, true, false, false}, {{250.0f, 130.0f}, true, false, false},
        {{20.0f, 20.0f}, false, false, false},
    };
    for (const Case& c : cases) {
        field->swallowTouches = c.swallow;
        cocos2d::Touch touch;
        touch.setLocation(c.world);
        EXPECT_EQ(field->onTouchBegan(&touch, nullptr), c.claimed) << c.world.x << "," << c.world.y;
        EXPECT_EQ(field->isTouchHit(), c.hit) << c.world.x << "," << c.world.y;
        EXPECT_EQ(IMEDispatcher::sharedDispatcher()->isAnyDelegateAttachedWithIME(), c.hit);
    }
    field->setSwallowTouches();
    EXPECT_TRUE(field->swallowTouches);
}

TEST_F(NSTextFieldTest, HitTestCoversTheWidthAndMaxHeightWithEdges) {
    NSTextField* field = makeField();
    field->setMaxHeight(50);
    struct Case {
        Vec2 world;
        bool hit;
    } cases[] = {
        {{100.0f, 100.0f}, true}, {{400.0f, 150.0f}, true},  {{250.0f, 140.0f}, true},
        {{99.0f, 120.0f}, false}, {{401.0f, 120.0f}, false}, {{250.0f, 151.0f}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(field->hitTest(c.world), c.hit) << c.world.x << "," << c.world.y;
    }
}

TEST_F(NSTextFieldTest, EnterSizeChangeAndDetachReachTheCallback) {
    NSTextField* field = makeField();
    field->startEditing();
    cocos2d::InputRouter router;
    router.keyUp(cocos2d::EventKeyboard::KeyCode::KEY_KP_ENTER);
    router.keyUp(cocos2d::EventKeyboard::KeyCode::KEY_A);
    router.keyDown(cocos2d::EventKeyboard::KeyCode::KEY_KP_ENTER);
    EXPECT_EQ(_events, (std::vector<int>{5, 4}));

    // Enough text to wrap changes the field's height.
    _sizeChanges = 0;
    const float oneLine = field->getContentSize().height;
    field->setString(std::string(60, 'm'));
    EXPECT_GT(_sizeChanges, 0);
    EXPECT_GT(field->getContentSize().height, oneLine);
    EXPECT_EQ(field->getContentSize().width, 300.0f);

    _events.clear();
    EXPECT_TRUE(field->detachWithIME());
    router.keyUp(cocos2d::EventKeyboard::KeyCode::KEY_KP_ENTER);
    EXPECT_EQ(_events, (std::vector<int>{6}));
    // A second detach fails but still reports the end of editing.
    EXPECT_FALSE(field->detachWithIME());
    EXPECT_EQ(_events, (std::vector<int>{6, 6}));
}

TEST_F(NSTextFieldTest, CursorBlinksWhileAttachedToAView) {
    RecordingView view;
    useView(&view);
    NSTextField* field = makeField();
    field->setString("ab");
    field->startEditing();
    EXPECT_EQ(view.states, (std::vector<bool>{true}));
    // The blink timer starts counting at the next frame.
    frame(0.0f);
    EXPECT_EQ(cursorOf(field), nullptr);

    frame(0.5f);
    cocos2d::Sprite* cursor = cursorOf(field);
    ASSERT_NE(cursor, nullptr);
    EXPECT_TRUE(cursor->isVisible());
    EXPECT_EQ(cursor->getPosition(), field->getCaretPosition(2));
    EXPECT_EQ(cursor->getLocalZOrder(), 120);
    frame(0.5f);
    EXPECT_FALSE(cursor->isVisible());
    frame(0.5f);
    EXPECT_TRUE(cursor->isVisible());

    // Typing hides it until the next blink.
    type("c");
    EXPECT_FALSE(cursor->isVisible());
    frame(0.5f);
    EXPECT_EQ(cursor->getPosition(), field->getCaretPosition(3));

    field->detachWithIME();
    EXPECT_EQ(view.states, (std::vector<bool>{true, false}));
    EXPECT_FALSE(cursor->isVisible());
    for (int i = 0; i < 4; ++i) {
        frame(0.5f);
        EXPECT_FALSE(cursor->isVisible());
    }
}

TEST_F(NSTextFieldTest, AnotherFieldTakingTheInputStopsTheFirstOnesCursor) {
    RecordingView view;
    useView(&view);
    NSTextField* first = makeField();
    NSTextField* second = makeField();
    second->setPosition(Vec2(100.0f, 300.0f));
    first->startEditing();
    frame(0.0f);
    frame(0.5f);
    ASSERT_NE(cursorOf(first), nullptr);
    EXPECT_TRUE(cursorOf(first)->isVisible());

    second->startEditing();
    type("z");
    EXPECT_EQ(second->getString(), "z");
    EXPECT_EQ(first->getString(), "");
    for (int i = 0; i < 3; ++i) {
        frame(0.5f);
        EXPECT_FALSE(cursorOf(first)->isVisible());
    }
}

TEST_F(NSTextFieldTest, EditBackgroundSwitchesImageWithTheFocus) {
    NSTextField* field = makeField();
    field->showEditBackground();
    ASSERT_NE(field->editBackground, nullptr);
    EXPECT_EQ(field->hasEditBackground, 1);
    EXPECT_EQ(field->editBackground->getParent(), field);
    EXPECT_EQ(field->getLocalZOrder(), 10);
    EXPECT_EQ(field->editBackground->getLocalZOrder(), 11);
    EXPECT_EQ(field->editBackground->getPosition(), Vec2(150.0f, -8.0f));
    EXPECT_EQ(field->editBackground->getContentSize(),
              Size(314.0f, field->getContentSize().height + 15.0f));
    field->setZOrder(20);
    EXPECT_EQ(field->getLocalZOrder(), 20);
    EXPECT_EQ(field->editBackground->getLocalZOrder(), 19);

    field->startEditing();
    EXPECT_EQ(field->editBackground->getLocalZOrder(), 21);
    field->detachWithIME();
    EXPECT_EQ(field->editBackground->getLocalZOrder(), 21);

    // Leaving the scene ends editing.
    field->startEditing();
    _events.clear();
    field->removeFromParent();
    EXPECT_EQ(_events, (std::vector<int>{6}));
    EXPECT_FALSE(IMEDispatcher::sharedDispatcher()->isAnyDelegateAttachedWithIME());
}

TEST_F(NSTextFieldTest, DeletingWhileScrolledKeepsTheCaretLineVisible) {
    NSTextField* field = makeField();
    field->setMaxHeight(40);
    field->startEditing();
    type(std::string(80, 'm'));
    EXPECT_FLOAT_EQ(field->getContentSize().height, 40.0f);
    cocos2d::ui::Layout* inner = field->container->getInnerContainer();
    EXPECT_GT(inner->getContentSize().height, 40.0f);
    // The caret at the end of the text is in view.
    EXPECT_GE(field->cursorPosition.y + inner->getPositionY(), 0.0f);
    for (int i = 0; i < 80; ++i) {
        backspace();
        EXPECT_GE(field->cursorPosition.y + inner->getPositionY(), -0.5f) << i;
    }
    EXPECT_TRUE(field->placeholderShown);
}

TEST_F(NSTextFieldTest, GeneratorMakesAFieldInTheGivenFontSize) {
    NSUI::UIControlGenerater generator;
    NSTextField* field =
        generator.createTextField("Width", Vec2(10.0f, 20.0f), 14, Vec2(0.0f, 0.5f));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->getContentSize().width, 150.0f);
    EXPECT_EQ(field->touchRect, cocos2d::Rect(0.0f, 0.0f, 150.0f, 14.0f));
    EXPECT_EQ(field->getPosition(), Vec2(10.0f, 20.0f));
    EXPECT_EQ(field->getAnchorPoint(), Vec2(0.0f, 0.5f));
    EXPECT_TRUE(field->placeholderShown);
    EXPECT_EQ(shown(field), "Width");
    EXPECT_EQ(field->textFontSize, 14);

    NSTextField* large = makeField();
    field->setString("m");
    large->setString("m");
    EXPECT_LT(field->elements[0]->renderer->getContentSize().height,
              large->elements[0]->renderer->getContentSize().height);
}

}  // namespace
