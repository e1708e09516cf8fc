#include "toolkit/widgets/NSLayout.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "LoopbackHttpServer.h"
#include "engine/2d/Camera.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/base/EventDispatcher.h"
#include "engine/base/InputRouter.h"
#include "engine/ui/ImageView.h"
#include "tests/support/lib/FramePump.h"
#include "tests/support/lib/TempDir.h"
#include "tests/support/lib/WidgetFixtures.h"

namespace {

using cocos2d::Director;
using cocos2d::EventMouse;
using cocos2d::Node;
using cocos2d::Vec2;
using Button = cocos2d::EventMouse::MouseButton;
using Log = std::vector<std::string>;

// Writes each operation as "<name>.<op> x,y <buttons> prev x,y" and consumes when told to.
class ProbeLayout : public NSUI::NSLayout {
public:
    static ProbeLayout* create(const std::string& name, Log* log) {
        auto* layout = new ProbeLayout();
        layout->_log = log;
        if (!layout->init()) {
            delete layout;
            return nullptr;
        }
        layout->setName(name);
        layout->autorelease();
        return layout;
    }

    bool onMouseScroll(float x, float y, float scrollY) override {
        record("scroll" + number(scrollY), x, y);
        return consume;
    }
    bool onMouseDown(float x, float y) override {
        record("down", x, y);
        return consume;
    }
    bool onMouseUp(float x, float y) override {
        record("up", x, y);
        if (removeOnUp) {
            removeFromParentAndCleanup(true);
        }
        return consume;
    }
    bool onMouseMove(float x, float y) override {
        record("move", x, y);
        return consume;
    }

    std::size_t waitingImages() const { return queue.size(); }
    bool buttonsClear() const { return !leftButtonDown && !rightButtonDown && !middleButtonDown; }

    bool consume = false;
    bool removeOnUp = false;

private:
    static std::string number(float value) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", value);
        return text;
    }
    void record(const std::string& op, float x, float y) {
        std::string buttons;
        buttons += leftButtonDown ? "L" : "";
        buttons += rightButtonDown ? "R" : "";
        buttons += middleButtonDown ? "M" : "";
        _log->push_back(getName() + "." + op + " " + number(x) + "," + number(y) + " [" + buttons +
                        "] prev " + number(previousMousePoint.x) + "," +
                        number(previousMousePoint.y));
    }

    Log* _log = nullptr;
};

// A 960 x 640 window whose running scene holds "panel": a 200 x 100 probe at (100, 100).
class NSLayoutTest : public bvtest::RunningSceneTest {
protected:
    void SetUp() override {
        RunningSceneTest::SetUp();
        _panel = addProbe("panel", scene);
        frame(0.0f);
    }
    void TearDown() override {
        cocos2d::Camera::_visitingCamera = nullptr;
        RunningSceneTest::TearDown();
        // The client hands answers to the scheduler of the director it first worked with.
        NSUI::NSHttpClient::destroyInstance();
    }

    ProbeLayout* addProbe(const std::string& name, Node* parent) {
        ProbeLayout* probe = ProbeLayout::create(name, &_log);
        probe->setAnchorPoint(Vec2::ZERO);
        probe->setPosition(Vec2(100.0f, 100.0f));
        probe->setContentSize(cocos2d::Size(200.0f, 100.0f));
        parent->addChild(probe);
        return probe;
    }

    // Sends one mouse event at a GL point; true when something stopped it.
    static bool send(EventMouse::MouseEventType type, Vec2 at, Button button = Button::BUTTON_UNSET,
                     std::optional<Vec2> previous = std::nullopt) {
        EventMouse event(type);
        const Vec2 from = previous.value_or(at);
        event.setCursorPosition(from.x, from.y);
        event.setCursorPosition(at.x, at.y);
        event.setMouseButton(button);
        event.setScrollData(0.0f, 2.0f);
        Director::getInstance()->getEventDispatcher()->dispatchEvent(&event);
        return event.isStopped();
    }
    static bool down(Vec2 at, Button button = Button::BUTTON_LEFT) {
        return send(EventMouse::MouseEventType::MOUSE_DOWN, at, button);
    }
    static bool up(Vec2 at, Button button = Button::BUTTON_LEFT) {
        return send(EventMouse::MouseEventType::MOUSE_UP, at, button);
    }

    ProbeLayout* _panel = nullptr;
    Log _log;
};

TEST_F(NSLayoutTest, WindowMouseArrivesInNodeSpaceWithThePreviousPoint) {
    cocos2d::InputRouter router;
    // View points: origin top-left, so view y 510 is GL y 130, node y 30.
    router.mouseMove(150.0f, 510.0f);
    router.mouseDown(150.0f, 510.0f, Button::BUTTON_LEFT);
    router.mouseMove(160.0f, 500.0f);
    router.mouseScroll(160.0f, 500.0f, 0.0f, 1.0f);
    router.mouseUp(170.0f, 490.0f, Button::BUTTON_LEFT);
    router.mouseMove(175.0f, 485.0f);
    EXPECT_EQ(_log, (Log{"panel.move 50,30 [] prev -100,540", "panel.down 50,30 [L] prev 50,30",
                         "panel.move 60,40 [L] prev 50,30", "panel.scroll-1 60,40 [L] prev 60,40",
                         "panel.up 70,50 [L] prev 60,40", "panel.move 75,55 [] prev 70,50"}));
}

TEST_F(NSLayoutTest, EdgesOfTheContentAreOutside) {
    struct Case {
        Vec2 at;  // GL point; the panel spans (100, 100) to (300, 200)
        bool inside;
    };
    const Case cases[] = {
        {{100.0f, 150.0f}, false}, {{300.0f, 150.0f}, false}, {{200.0f, 100.0f}, false},
        {{200.0f, 200.0f}, false}, {{100.5f, 150.0f}, true},  {{299.5f, 150.0f}, true},
        {{200.0f, 100.5f}, true},  {{200.0f, 199.5f}, true},  {{99.0f, 99.0f}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.at.x) + "," + std::to_string(c.at.y));
        _log.clear();
        down(c.at);
        send(EventMouse::MouseEventType::MOUSE_MOVE, c.at);
        send(EventMouse::MouseEventType::MOUSE_SCROLL, c.at);
        up(c.at);
        EXPECT_EQ(_log.size(), c.inside ? 4u : 0u);
    }
}

TEST_F(NSLayoutTest, APressSetsOneButtonFlagAndTheReleaseInsideClearsThem) {
    struct Case {
        Button button;
        const char* flags;
    };
    const Case cases[] = {{Button::BUTTON_LEFT, "[L]"},
                          {Button::BUTTON_RIGHT, "[R]"},
                          {Button::BUTTON_MIDDLE, "[M]"},
                          {Button::BUTTON_4, "[]"}};
    const Vec2 inside(150.0f, 150.0f);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        _log.clear();
        down(inside, c.button);
        send(EventMouse::MouseEventType::MOUSE_MOVE, inside);
        up(inside, c.button);
        ASSERT_EQ(_log.size(), 3u);
        for (const std::string& entry : _log) {
            EXPECT_NE(entry.find(c.flags), std::string::npos) << entry;
        }
        // onMouseUp returned false and the flags went all the same.
        EXPECT_TRUE(_panel->buttonsClear());
    }
}

TEST_F(NSLayoutTest, PressesOutsideKeepTheFlagsOfTheLastPressInside) {
    down(Vec2(150.0f, 150.0f), Button::BUTTON_RIGHT);
    down(Vec2(500.0f, 500.0f), Button::BUTTON_LEFT);
    up(Vec2(500.0f, 500.0f), Button::BUTTON_LEFT);
    EXPECT_TRUE(_panel->rightButtonDown);
    EXPECT_FALSE(_panel->leftButtonDown);

    send(EventMouse::MouseEventType::MOUSE_UP, Vec2(160.0f, 160.0f), Button::BUTTON_LEFT,
         Vec2(90.0f, 80.0f));
    EXPECT_EQ(_log, (Log{"panel.down 50,50 [R] prev 50,50", "panel.up 60,60 [R] prev -10,-20"}));
    EXPECT_TRUE(_panel->buttonsClear());
}

TEST_F(NSLayoutTest, TheReleaseOutsideOfTheButtonPressedInsideEndsTheDrag) {
    ProbeLayout* other = addProbe("other", scene);
    other->setPosition(Vec2(400.0f, 100.0f));
    _panel->consume = true;
    for (const Button button : {Button::BUTTON_RIGHT, Button::BUTTON_MIDDLE, Button::BUTTON_LEFT}) {
        SCOPED_TRACE(int(button));
        _log.clear();
        down(Vec2(150.0f, 150.0f), button);
        send(EventMouse::MouseEventType::MOUSE_MOVE, Vec2(350.0f, 150.0f));
        // Released over another layout: the drag ends here, and the release is still that
        // layout's to take.
        EXPECT_FALSE(up(Vec2(450.0f, 150.0f), button));
        EXPECT_TRUE(_panel->buttonsClear());
        send(EventMouse::MouseEventType::MOUSE_MOVE, Vec2(160.0f, 150.0f));
        ASSERT_EQ(_log.size(), 4u);
        EXPECT_EQ(_log[1].rfind("other.up 50,50 [] ", 0), 0u) << _log[1];
        EXPECT_EQ(_log[2].rfind("panel.up 350,50 [", 0), 0u) << _log[2];
        EXPECT_NE(_log[2].find("] prev 350,50"), std::string::npos) << _log[2];
        EXPECT_EQ(_log[3].rfind("panel.move 60,50 [] ", 0), 0u) << _log[3];
    }
}

TEST_F(NSLayoutTest, HiddenLayoutOrAncestorGetsNoMouse) {
    Node* holder = Node::create();
    Node* inner = Node::create();
    holder->addChild(inner);
    ProbeLayout* nested = addProbe("nested", inner);
    scene->addChild(holder);
    _panel->setVisible(false);
    const Vec2 inside(150.0f, 150.0f);

    Node* const hidden[] = {nested, inner, holder};
    for (Node* node : hidden) {
        SCOPED_TRACE(node == nested ? "layout" : node == inner ? "parent" : "grandparent");
        _log.clear();
        node->setVisible(false);
        down(inside);
        send(EventMouse::MouseEventType::MOUSE_MOVE, inside);
        send(EventMouse::MouseEventType::MOUSE_SCROLL, inside);
        up(inside);
        EXPECT_TRUE(_log.empty());
        EXPECT_TRUE(nested->buttonsClear());
        node->setVisible(true);
    }
    down(inside);
    EXPECT_EQ(_log, (Log{"nested.down 50,50 [L] prev 50,50"}));
}

TEST_F(NSLayoutTest, OnlyTheCamerasOfTheLayoutDeliverItsMouse) {
    cocos2d::Camera* second = cocos2d::Camera::create();
    second->setCameraFlag(2);
    scene->addChild(second);

    struct Case {
        std::vector<unsigned short> flags;
        const cocos2d::Camera* visiting;
        bool delivered;
    };
    const Case cases[] = {
        {{1}, scene->getDefaultCamera(), true},
        {{2}, second, true},
        {{2}, scene->getDefaultCamera(), false},
        {{}, scene->getDefaultCamera(), false},
        {{1, 2}, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.flags.size()) + " flags, camera " +
                     std::to_string(c.visiting ? c.visiting->getCameraFlag() : 0));
        _log.clear();
        _panel->removeCameraMask(1);
        _panel->removeCameraMask(2);
        for (unsigned short flag : c.flags) {
            _panel->setCameraMask(flag);
        }
        // The listener directly, so only the layout's own test decides.
        EventMouse event(EventMouse::MouseEventType::MOUSE_DOWN);
        event.setCursorPosition(150.0f, 150.0f);
        event.setMouseButton(Button::BUTTON_LEFT);
        cocos2d::Camera::_visitingCamera = const_cast<cocos2d::Camera*>(c.visiting);
        _panel->mouseListener->onMouseDown(&event);
        cocos2d::Camera::_visitingCamera = nullptr;
        EXPECT_EQ(_log.size(), c.delivered ? 1u : 0u);
    }

    // Through the dispatcher: a layout seen only by the second camera gets the event once.
    _log.clear();
    _panel->removeCameraMask(1);
    _panel->setCameraMask(2);
    down(Vec2(150.0f, 150.0f));
    EXPECT_EQ(_log, (Log{"panel.down 50,50 [L] prev 50,50"}));
}

TEST_F(NSLayoutTest, AConsumingOperationStopsTheEventForLayoutsBelow) {
    ProbeLayout* front = addProbe("front", scene);
    const Vec2 inside(150.0f, 150.0f);
    for (const bool consume : {false, true}) {
        SCOPED_TRACE(consume ? "consuming" : "passing on");
        front->consume = consume;
        _log.clear();
        const bool stopped[] = {down(inside), send(EventMouse::MouseEventType::MOUSE_MOVE, inside),
                                send(EventMouse::MouseEventType::MOUSE_SCROLL, inside), up(inside)};
        for (const bool s : stopped) {
            EXPECT_EQ(s, consume);
        }
        // With the event passed on, each operation reaches the panel below as well.
        EXPECT_EQ(_log.size(), consume ? 4u : 8u);
        for (std::size_t i = 0; i < _log.size(); ++i) {
            EXPECT_EQ(_log[i].rfind(consume || i % 2 == 0 ? "front." : "panel.", 0), 0u) << _log[i];
        }
    }

    // The base operations consume nothing.
    NSUI::NSLayout* plain = NSUI::NSLayout::create();
    plain->setAnchorPoint(Vec2::ZERO);
    plain->setContentSize(cocos2d::Size(960.0f, 640.0f));
    scene->addChild(plain);
    front->removeFromParent();
    _log.clear();
    EXPECT_FALSE(down(inside));
    EXPECT_FALSE(send(EventMouse::MouseEventType::MOUSE_SCROLL, inside));
    EXPECT_FALSE(send(EventMouse::MouseEventType::MOUSE_MOVE, inside));
    EXPECT_FALSE(up(inside));
    EXPECT_EQ(_log.size(), 4u);
}

TEST_F(NSLayoutTest, ALayoutClosingItselfOnReleaseIsLeftAlone) {
    _panel->removeOnUp = true;
    _panel->consume = true;
    down(Vec2(150.0f, 150.0f));
    EXPECT_TRUE(up(Vec2(150.0f, 150.0f)));
    EXPECT_EQ(scene->getChildByName("panel"), nullptr);
    EXPECT_EQ(_log.size(), 2u);
    // Gone from the dispatcher with its listener.
    down(Vec2(150.0f, 150.0f));
    EXPECT_EQ(_log.size(), 2u);
}

TEST_F(NSLayoutTest, ASecondInitKeepsOneListener) {
    ASSERT_TRUE(_panel->init());
    _panel->setContentSize(cocos2d::Size(200.0f, 100.0f));
    down(Vec2(150.0f, 150.0f));
    EXPECT_EQ(_log.size(), 1u);
}

TEST_F(NSLayoutTest, ImagesLoadOnlyWhileTheLayoutIsOnStage) {
    bvtest::TempDir dir;
    const std::string picture = (dir.path() / "dot.png").string();
    ASSERT_TRUE(bvtest::writeSolidPng(picture, 4, 4, cocos2d::Color4B::WHITE));

    ProbeLayout* offStage = ProbeLayout::create("offStage", &_log);
    offStage->retain();
    offStage->loadImageView(cocos2d::ui::ImageView::create(), picture);
    _panel->loadImageView(cocos2d::ui::ImageView::create(), picture);

    frame(0.0f);
    frame(0.05f);
    EXPECT_EQ(_panel->waitingImages(), 1u) << "the first step comes after 0.1 s";
    frame(0.06f);
    EXPECT_EQ(_panel->waitingImages(), 0u);

    // Leaving the stage stops the steps.
    _panel->retain();
    _panel->removeFromParentAndCleanup(false);
    _panel->loadImageView(cocos2d::ui::ImageView::create(), picture);
    for (int i = 0; i < 10; ++i) {
        frame(0.1f);
    }
    EXPECT_EQ(_panel->waitingImages(), 1u);
    EXPECT_EQ(offStage->waitingImages(), 1u);
    _panel->release();
    offStage->release();
}

// Answers what it is asked, writing down the tags of the answers.
class ServiceLayout : public NSUI::NSLayout {
public:
    static ServiceLayout* create(Log* answers) {
        auto* layout = new ServiceLayout();
        layout->_answers = answers;
        layout->init();
        layout->autorelease();
        return layout;
    }
    void onResponse(NSUI::UIHttpResponse* response) override { _answers->push_back(response->tag); }

private:
    Log* _answers = nullptr;
};

TEST_F(NSLayoutTest, CleanupDropsTheLayoutsHttpTrafficBeforeItIsDestroyed) {
    bvtest::LoopbackHttpServer server;
    ASSERT_TRUE(server.isRunning());
    Log answers;
    ServiceLayout* leaving = ServiceLayout::create(&answers);
    ServiceLayout* staying = ServiceLayout::create(&answers);
    scene->addChild(leaving);
    scene->addChild(staying);

    leaving->httpGet(server.baseUrl() + "/hold/a", "", "inFlight", "", "");
    ASSERT_EQ(server.fetch("/arrived/a"), "arrived");
    leaving->httpGet(server.baseUrl() + "/echo", "", "queued", "", "");
    leaving->retain();
    leaving->removeFromParentAndCleanup(true);
    EXPECT_EQ(leaving->mouseListener, nullptr);
    server.fetch("/release/a");

    // The client works in order, so once the later call is answered the others were done.
    staying->httpGet(server.baseUrl() + "/echo", "", "control", "", "");
    ASSERT_TRUE(bvtest::runFramesUntil([&] { return !answers.empty(); }));
    EXPECT_EQ(answers, (Log{"control"}));
    // Destroying it cancels once more and finds nothing.
    leaving->release();
    EXPECT_EQ(answers, (Log{"control"}));
}

}  // namespace
