#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/base/InputRouter.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Button.h"
#include "engine/ui/CheckBox.h"
#include "engine/ui/Layout.h"
#include "engine/ui/Slider.h"
#include "engine/ui/Text.h"
#include "tests/engine/SceneGraphFixture.h"
#include "tests/support/lib/TempDir.h"
#include "tests/support/lib/WidgetFixtures.h"

using namespace cocos2d;
using ui::Widget;

namespace {

// A layout that records what its descendants offer it, and may take them over.
class InterceptLog : public ui::Layout {
public:
    static InterceptLog* create(std::vector<std::string>* log, bool take) {
        auto* layout = new InterceptLog();
        layout->init();
        layout->_log = log;
        layout->_take = take;
        layout->autorelease();
        return layout;
    }
    bool interceptTouchEvent(TouchEventType event, Widget* sender, Touch* touch) override {
        const bool above = ui::Layout::interceptTouchEvent(event, sender, touch);
        _log->push_back(getName() + "." + std::to_string(static_cast<int>(event)) + "." +
                        sender->getName());
        return _take || above;
    }

private:
    std::vector<std::string>* _log = nullptr;
    bool _take = false;
};

class WidgetTest : public SceneGraphTest {
protected:
    void SetUp() override {
        SceneGraphTest::SetUp();
        FileUtils::getInstance()->addSearchPath(_dir.str(), true);
        bvtest::writeWidgetDemoLayout(_dir.str());
        _scene = Scene::create();
        show(_scene);
    }
    void TearDown() override {
        FileUtils::getInstance()->setSearchPaths({});
        SceneGraphTest::TearDown();
    }

    // GL coordinates of the 960 x 640 window.
    void press(float x, float y) {
        _router.mouseDown(x, 640.0f - y, EventMouse::MouseButton::BUTTON_LEFT);
    }
    void drag(float x, float y) { _router.mouseMove(x, 640.0f - y); }
    void release(float x, float y) {
        _router.mouseUp(x, 640.0f - y, EventMouse::MouseButton::BUTTON_LEFT);
    }
    void tap(float x, float y) {
        press(x, y);
        release(x, y);
    }

    bvtest::TempDir _dir;
    Scene* _scene = nullptr;
    InputRouter _router;
};

// A 100 x 50 widget with its bottom-left corner at (200, 100).
Widget* makeTarget(Scene* scene) {
    Widget* widget = Widget::create();
    widget->ignoreContentAdaptWithSize(false);
    widget->setContentSize(Size(100.0f, 50.0f));
    widget->setAnchorPoint(Vec2::ZERO);
    widget->setPosition(Vec2(200.0f, 100.0f));
    widget->setTouchEnabled(true);
    scene->addChild(widget);
    return widget;
}

}  // namespace

TEST_F(WidgetTest, HitTestIsStrictOnEveryEdgeAndFollowsTheTouchScale) {
    Widget* widget = makeTarget(_scene);
    struct Case {
        Vec2 point;
        Vec2 touchScale;
        bool hit;
    } cases[] = {
        {{250.0f, 125.0f}, {1.0f, 1.0f}, true},  {{200.0f, 125.0f}, {1.0f, 1.0f}, false},
        {{300.0f, 125.0f}, {1.0f, 1.0f}, false}, {{250.0f, 100.0f}, {1.0f, 1.0f}, false},
        {{250.0f, 150.0f}, {1.0f, 1.0f}, false}, {{200.5f, 100.5f}, {1.0f, 1.0f}, true},
        {{250.0f, 160.0f}, {1.0f, 2.0f}, true},  {{250.0f, 175.0f}, {1.0f, 2.0f}, false},
        {{195.0f, 125.0f}, {1.0f, 2.0f}, false}, {{160.0f, 125.0f}, {2.0f, 1.0f}, true},
        {{205.0f, 125.0f}, {0.5f, 1.0f}, false},
    };
    for (const Case& c : cases) {
        widget->setTouchScaled(c.touchScale.x, c.touchScale.y);
        EXPECT_EQ(widget->hitTest(c.point, nullptr, nullptr), c.hit)
            << c.point.x << "," << c.point.y << " scale " << c.touchScale.x << "x"
            << c.touchScale.y;
    }
}

TEST_F(WidgetTest, TouchPhasesReachListenersAndHighlightFollowsTheFinger) {
    Widget* widget = makeTarget(_scene);
    std::vector<Widget::TouchEventType> events;
    int clicks = 0;
    widget->addTouchEventListener(
        [&](Ref*, Widget::TouchEventType type) { events.push_back(type); });
    widget->addClickEventListener([&](Ref*) { ++clicks; });

    press(250.0f, 125.0f);
    EXPECT_TRUE(widget->isHighlighted());
    drag(400.0f, 125.0f);
    EXPECT_FALSE(widget->isHighlighted());
    release(400.0f, 125.0f);
    EXPECT_EQ(clicks, 0);
    tap(210.0f, 110.0f);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(widget->getTouchBeganPosition(), Vec2(210.0f, 110.0f));
    EXPECT_EQ(widget->getTouchEndPosition(), Vec2(210.0f, 110.0f));
    tap(200.0f, 110.0f);  // on the border: not claimed
    EXPECT_EQ(clicks, 1);
    const std::vector<Widget::TouchEventType> expected = {
        Widget::TouchEventType::BEGAN, Widget::TouchEventType::MOVED,
        Widget::TouchEventType::CANCELED, Widget::TouchEventType::BEGAN,
        Widget::TouchEventType::ENDED};
    EXPECT_EQ(events, expected);
}

TEST_F(WidgetTest, DisabledOrHiddenWidgetsAndHiddenAncestorsTakeNoTouch) {
    ui::Layout* parent = ui::Layout::create();
    _scene->addChild(parent);
    Widget* widget = Widget::create();
    widget->ignoreContentAdaptWithSize(false);
    widget->setContentSize(Size(100.0f, 100.0f));
    widget->setPosition(Vec2(100.0f, 100.0f));
    widget->setTouchEnabled(true);
    parent->addChild(widget);
    int began = 0;
    widget->addTouchEventListener([&](Ref*, Widget::TouchEventType type) {
        began += type == Widget::TouchEventType::BEGAN ? 1 : 0;
    });
    tap(100.0f, 100.0f);
    parent->setVisible(false);
    tap(100.0f, 100.0f);
    parent->setVisible(true);
    parent->setEnabled(false);
    tap(100.0f, 100.0f);
    parent->setEnabled(true);
    widget->setEnabled(false);
    tap(100.0f, 100.0f);
    EXPECT_EQ(began, 1);
}

TEST_F(WidgetTest, PhasesPropagateUpTheWidgetChainAndTheInterceptResultComesBack) {
    std::vector<std::string> log;
    InterceptLog* outer = InterceptLog::create(&log, true);
    outer->setName("outer");
    InterceptLog* inner = InterceptLog::create(&log, false);
    inner->setName("inner");
    _scene->addChild(outer);
    outer->addChild(inner);
    Widget* button = makeTarget(_scene);
    button->retain();
    button->removeFromParent();
    button->setName("button");
    inner->addChild(button);
    button->release();
    EXPECT_TRUE(inner->interceptTouchEvent(Widget::TouchEventType::BEGAN, button, nullptr));
    log.clear();

    press(250.0f, 125.0f);
    drag(260.0f, 125.0f);
    release(260.0f, 125.0f);
    const std::vector<std::string> expected = {"outer.0.button", "inner.0.button",
                                               "outer.1.button", "inner.1.button",
                                               "outer.2.button", "inner.2.button"};
    EXPECT_EQ(log, expected);

    log.clear();
    button->setPropagateTouchEvents(false);
    tap(250.0f, 125.0f);
    EXPECT_TRUE(log.empty());
}

TEST_F(WidgetTest, ClippingLayoutsHideTheTouchesOutsideThem) {
    ui::Layout* clip = ui::Layout::create();
    clip->setContentSize(Size(50.0f, 50.0f));
    clip->setPosition(Vec2(200.0f, 100.0f));
    clip->setClippingEnabled(true);
    _scene->addChild(clip);
    Widget* widget = Widget::create();
    widget->ignoreContentAdaptWithSize(false);
    widget->setContentSize(Size(100.0f, 50.0f));
    widget->setAnchorPoint(Vec2::ZERO);
    widget->setTouchEnabled(true);
    clip->addChild(widget);
    int clicks = 0;
    widget->addClickEventListener([&](Ref*) { ++clicks; });
    tap(270.0f, 125.0f);  // on the widget, outside the clip
    EXPECT_EQ(clicks, 0);
    tap(230.0f, 125.0f);
    EXPECT_EQ(clicks, 1);
}

TEST_F(WidgetTest, ButtonClicksShowThePressedImageAndZoomWithoutOne) {
    ui::Button* button = ui::Button::create("btnRed.png", "btnYellow.png");
    ASSERT_NE(button, nullptr);
    button->setPosition(Vec2(300.0f, 300.0f));
    _scene->addChild(button);
    EXPECT_EQ(button->getContentSize(), Size(60.0f, 30.0f));
    std::vector<std::string> clicked;
    button->setName("ok");
    button->addClickEventListener(
        [&](Ref* sender) { clicked.push_back(static_cast<Node*>(sender)->getName()); });

    press(300.0f, 300.0f);
    EXPECT_EQ(button->getVirtualRenderer()->isVisible(), true);
    EXPECT_EQ(button->getVirtualRenderer(), button->getProtectedChildren().at(1));
    release(300.0f, 300.0f);
    EXPECT_EQ(clicked, std::vector<std::string>{"ok"});

    ui::Button* plain = ui::Button::create("btnGreen.png");
    plain->setPressedActionEnabled(true);
    plain->setPosition(Vec2(500.0f, 300.0f));
    _scene->addChild(plain);
    press(500.0f, 300.0f);
    EXPECT_FLOAT_EQ(plain->getVirtualRenderer()->getScale(), 1.1f);
    release(500.0f, 300.0f);
    EXPECT_FLOAT_EQ(plain->getVirtualRenderer()->getScale(), 1.0f);

    ui::Button* titled = ui::Button::create();
    titled->setTitleText("Cancel");
    titled->setTitleFontSize(25.0f);
    EXPECT_GT(titled->getContentSize().width, 0.0f);
    EXPECT_TRUE(titled->isTouchEnabled());
}

TEST_F(WidgetTest, CheckBoxClicksToggleAndReportTheNewState) {
    ui::CheckBox* box = ui::CheckBox::create("box.png", "mark.png");
    ASSERT_NE(box, nullptr);
    box->setPosition(Vec2(100.0f, 100.0f));
    _scene->addChild(box);
    std::vector<ui::CheckBox::EventType> events;
    box->addEventListener([&](Ref*, ui::CheckBox::EventType type) { events.push_back(type); });
    box->setSelected(true);
    EXPECT_TRUE(events.empty());
    tap(100.0f, 100.0f);
    EXPECT_FALSE(box->isSelected());
    tap(105.0f, 95.0f);
    EXPECT_TRUE(box->isSelected());
    tap(110.0f, 100.0f);  // the border
    EXPECT_TRUE(box->isSelected());
    const std::vector<ui::CheckBox::EventType> expected = {ui::CheckBox::EventType::UNSELECTED,
                                                           ui::CheckBox::EventType::SELECTED};
    EXPECT_EQ(events, expected);
}

TEST_F(WidgetTest, SliderFollowsTheTouchAndReportsDownChangesAndUp) {
    ui::Slider* slider = ui::Slider::create("bar.png", "ball.png");
    slider->loadProgressBarTexture("progress.png");
    slider->setAnchorPoint(Vec2::ZERO);
    slider->setPosition(Vec2(100.0f, 100.0f));
    _scene->addChild(slider);
    ASSERT_EQ(slider->getContentSize(), Size(200.0f, 10.0f));
    std::vector<std::pair<ui::Slider::EventType, int>> events;
    slider->addEventListener([&](Ref* sender, ui::Slider::EventType type) {
        events.emplace_back(type, static_cast<ui::Slider*>(sender)->getPercent());
    });

    press(150.0f, 105.0f);
    drag(250.0f, 105.0f);
    drag(400.0f, 105.0f);
    release(400.0f, 105.0f);
    const std::vector<std::pair<ui::Slider::EventType, int>> expected = {
        {ui::Slider::EventType::ON_SLIDEBALL_DOWN, 25},
        {ui::Slider::EventType::ON_PERCENTAGE_CHANGED, 75},
        {ui::Slider::EventType::ON_PERCENTAGE_CHANGED, 100},
        {ui::Slider::EventType::ON_PERCENTAGE_CHANGED, 100},
        {ui::Slider::EventType::ON_SLIDEBALL_UP, 100}};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(slider->getSlidBallRenderer()->getPosition(), Vec2(200.0f, 5.0f));

    slider->setPercent(-5);
    EXPECT_EQ(slider->getPercent(), 0);
    slider->setMaxPercent(50);
    slider->setPercent(80);
    EXPECT_EQ(slider->getPercent(), 50);
    EXPECT_EQ(slider->getSlidBallRenderer()->getPosition(), Vec2(200.0f, 5.0f));
    // The ball, taller than the bar, takes touches above the bar too.
    events.clear();
    press(300.0f, 112.0f);
    release(300.0f, 112.0f);
    EXPECT_EQ(events.size(), 3u);
}

TEST_F(WidgetTest, KeysReachAWidgetOnlyWhileItsKeyboardIsEnabled) {
    struct KeyProbe : public Widget {
        std::vector<int> keys;
        void onKeyPressed(EventKeyboard::KeyCode code, Event*) override {
            keys.push_back(static_cast<int>(code));
        }
        void onKeyReleased(EventKeyboard::KeyCode code, Event*) override {
            keys.push_back(-static_cast<int>(code));
        }
    };
    auto* probe = new KeyProbe();
    probe->init();
    probe->autorelease();
    _scene->addChild(probe);
    _router.keyDown(EventKeyboard::KeyCode::KEY_CTRL);
    probe->setKeyboardEnabled(true);
    _router.keyDown(EventKeyboard::KeyCode::KEY_CTRL);
    _router.keyUp(EventKeyboard::KeyCode::KEY_CTRL);
    probe->setKeyboardEnabled(false);
    _router.keyUp(EventKeyboard::KeyCode::KEY_CTRL);
    EXPECT_EQ(probe->keys, (std::vector<int>{14, -14}));
}

TEST_F(WidgetTest, CloneCopiesPropertiesChildrenAndCallbacks) {
    ui::Layout* panel = ui::Layout::create();
    panel->setName("panel");
    panel->setContentSize(Size(80.0f, 60.0f));
    panel->enableBKColor(true, Color3B::RED, 0.5f);
    ui::Text* label = ui::Text::create("hello", "", 18.0f);
    label->setName("label");
    label->setTag(7);
    panel->addChild(label);
    int clicks = 0;
    panel->addClickEventListener([&](Ref*) { ++clicks; });

    Widget* copy = panel->clone();
    auto* layout = dynamic_cast<ui::Layout*>(copy);
    ASSERT_NE(layout, nullptr);
    EXPECT_EQ(layout->getName(), "panel");
    EXPECT_EQ(layout->getContentSize(), Size(80.0f, 60.0f));
    EXPECT_EQ(layout->getBackGroundColor(), Color3B::RED);
    EXPECT_EQ(layout->getBackGroundColorOpacity(), 128);
    auto* copiedLabel = dynamic_cast<ui::Text*>(layout->getChildByName("label"));
    ASSERT_NE(copiedLabel, nullptr);
    EXPECT_NE(copiedLabel, label);
    EXPECT_EQ(copiedLabel->getString(), "hello");
    EXPECT_EQ(copiedLabel->getTag(), 7);
    EXPECT_FLOAT_EQ(copiedLabel->getFontSize(), 18.0f);
}
