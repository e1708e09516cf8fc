#include "engine/base/EventDispatcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SceneGraphFixture.h"
#include "engine/2d/Camera.h"
#include "engine/base/Director.h"
#include "engine/base/EventKeyboard.h"
#include "engine/base/EventListener.h"
#include "engine/base/InputRouter.h"
#include "engine/base/Touch.h"

using namespace cocos2d;

namespace {

using Log = std::vector<std::string>;

class EventDispatcherTest : public SceneGraphTest {
protected:
    EventDispatcher* dispatcher() { return Director::getInstance()->getEventDispatcher(); }

    Node* named(const std::string& name, Node* parent, int z = 0) {
        Node* node = Node::create();
        node->setName(name);
        node->setContentSize(Size(100.0f, 100.0f));
        parent->addChild(node, z);
        return node;
    }

    void addKeyListener(Node* node, int fixedPriority = 0) {
        const std::string name = node != nullptr ? node->getName() : std::to_string(fixedPriority);
        auto* listener = EventListenerKeyboard::create();
        listener->onKeyPressed = [this, name](EventKeyboard::KeyCode, Event*) {
            _log.push_back(name);
        };
        if (node != nullptr) {
            dispatcher()->addEventListenerWithSceneGraphPriority(listener, node);
        } else {
            dispatcher()->addEventListenerWithFixedPriority(listener, fixedPriority);
        }
    }

    EventListenerTouchOneByOne* addTouchListener(Node* node, bool claim, bool swallow) {
        auto* listener = EventListenerTouchOneByOne::create();
        const std::string name = node->getName();
        listener->setSwallowTouches(swallow);
        listener->onTouchBegan = [this, name, claim](Touch*, Event*) {
            _log.push_back(name + ".began");
            return claim;
        };
        listener->onTouchMoved = [this, name](Touch*, Event*) { _log.push_back(name + ".moved"); };
        listener->onTouchEnded = [this, name](Touch*, Event*) { _log.push_back(name + ".ended"); };
        dispatcher()->addEventListenerWithSceneGraphPriority(listener, node);
        return listener;
    }

    void addMouseListener(Node* node) {
        auto* listener = EventListenerMouse::create();
        const std::string name = node->getName();
        listener->onMouseDown = [this, name](EventMouse*) {
            const Camera* camera = Camera::getVisitingCamera();
            _log.push_back(name + "@" +
                           std::to_string(camera != nullptr ? camera->getCameraFlag() : 0));
        };
        dispatcher()->addEventListenerWithSceneGraphPriority(listener, node);
    }

    void pressKey() {
        EventKeyboard event(EventKeyboard::KeyCode::KEY_A, true);
        dispatcher()->dispatchEvent(&event);
    }

    Log _log;
};

TEST_F(EventDispatcherTest, FixedBelowZeroThenSceneGraphTopFirstThenFixedAboveZero) {
    Scene* scene = Scene::create();
    Node* back = named("back", scene);
    Node* front = named("front", scene);
    Node* under = named("under", front, -1);
    Node* raised = named("raised", scene);
    raised->setGlobalZOrder(1.0f);
    Node* frontChild = named("frontChild", front, 1);
    show(scene);

    addKeyListener(nullptr, 3);
    addKeyListener(back);
    addKeyListener(nullptr, -5);
    addKeyListener(under);
    addKeyListener(front);
    addKeyListener(raised);
    addKeyListener(frontChild);
    addKeyListener(nullptr, -1);
    pressKey();
    EXPECT_EQ(_log, (Log{"-5", "-1", "raised", "frontChild", "front", "under", "back", "3"}));

    // Local z order changes the drawing order and with it the priority.
    _log.clear();
    back->setLocalZOrder(10);
    pressKey();
    EXPECT_EQ(_log, (Log{"-5", "-1", "raised", "back", "frontChild", "front", "under", "3"}));
}

TEST_F(EventDispatcherTest, ListenersOfNodesOutsideTheRunningSceneOrStoppedEventsAreSkipped) {
    Scene* scene = Scene::create();
    Node* inside = named("inside", scene);
    show(scene);
    Node* outside = Node::create();
    outside->setName("outside");
    addKeyListener(outside);
    addKeyListener(inside);
    auto* stopper = EventListenerKeyboard::create();
    stopper->onKeyPressed = [this](EventKeyboard::KeyCode, Event* event) {
        _log.push_back("stopper");
        event->stopPropagation();
    };
    dispatcher()->addEventListenerWithFixedPriority(stopper, -1);
    pressKey();
    EXPECT_EQ(_log, (Log{"stopper"}));

    _log.clear();
    dispatcher()->removeEventListener(stopper);
    pressKey();
    EXPECT_EQ(_log, (Log{"inside"}));
}

TEST_F(EventDispatcherTest, ListenerRemovedDuringDispatchIsNotCalledAgain) {
    Scene* scene = Scene::create();
    Node* top = named("top", scene);
    Node* bottom = named("bottom", scene, -1);
    show(scene);
    addKeyListener(bottom);
    auto* remover = EventListenerKeyboard::create();
    remover->onKeyPressed = [this, bottom](EventKeyboard::KeyCode, Event*) {
        _log.push_back("remover");
        dispatcher()->removeEventListenersForTarget(bottom);
    };
    dispatcher()->addEventListenerWithSceneGraphPriority(remover, top);
    pressKey();
    pressKey();
    EXPECT_EQ(_log, (Log{"remover", "remover"}));
}

struct SwallowCase {
    bool topClaims;
    bool topSwallows;
    Log expected;
};

class SwallowTest : public EventDispatcherTest,
                    public ::testing::WithParamInterface<SwallowCase> {};

TEST_P(SwallowTest, ClaimedTouchesFollowTheirListenersAndSwallowingHidesThem) {
    const SwallowCase& c = GetParam();
    Scene* scene = Scene::create();
    Node* bottom = named("bottom", scene);
    Node* top = named("top", scene);
    show(scene);
    addTouchListener(bottom, true, false);
    addTouchListener(top, c.topClaims, c.topSwallows);
    auto* all = EventListenerTouchAllAtOnce::create();
    all->onTouchesBegan = [this](const std::vector<Touch*>& touches, Event*) {
        _log.push_back("all.began" + std::to_string(touches.size()));
    };
    all->onTouchesEnded = [this](const std::vector<Touch*>& touches, Event*) {
        _log.push_back("all.ended" + std::to_string(touches.size()));
    };
    dispatcher()->addEventListenerWithFixedPriority(all, 1);

    InputRouter router;
    router.mouseDown(10.0f, 10.0f, EventMouse::MouseButton::BUTTON_LEFT);
    router.mouseMove(12.0f, 12.0f);
    router.mouseUp(12.0f, 12.0f, EventMouse::MouseButton::BUTTON_LEFT);
    EXPECT_EQ(_log, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Touches, SwallowTest,
    ::testing::Values(SwallowCase{true, true, {"top.began", "top.moved", "top.ended"}},
                      SwallowCase{true,
                                  false,
                                  {"top.began", "bottom.began", "all.began1", "top.moved",
                                   "bottom.moved", "top.ended", "bottom.ended", "all.ended1"}},
                      // Swallowing needs a claim: an unclaimed touch goes on.
                      SwallowCase{false,
                                  true,
                                  {"top.began", "bottom.began", "all.began1", "bottom.moved",
                                   "bottom.ended", "all.ended1"}}));

TEST_F(EventDispatcherTest, LeftButtonIsTouchZeroDeliveredBeforeTheMouseEvent) {
    Scene* scene = Scene::create();
    Node* node = named("node", scene);
    show(scene);
    std::vector<Vec2> touchAt;
    std::vector<Vec2> mouseAt;
    auto* touch = EventListenerTouchOneByOne::create();
    touch->onTouchBegan = [&](Touch* t, Event*) {
        _log.push_back("touch.began" + std::to_string(t->getID()));
        touchAt.push_back(t->getLocation());
        return true;
    };
    touch->onTouchMoved = [&](Touch*, Event*) { _log.push_back("touch.moved"); };
    touch->onTouchEnded = [&](Touch*, Event*) { _log.push_back("touch.ended"); };
    dispatcher()->addEventListenerWithSceneGraphPriority(touch, node);
    auto* mouse = EventListenerMouse::create();
    mouse->onMouseDown = [&](EventMouse* e) {
        _log.push_back("mouse.down" + std::to_string(static_cast<int>(e->getMouseButton())));
        mouseAt.push_back(e->getLocationInView());
    };
    mouse->onMouseMove = [&](EventMouse*) { _log.push_back("mouse.move"); };
    mouse->onMouseUp = [&](EventMouse*) { _log.push_back("mouse.up"); };
    mouse->onMouseScroll = [&](EventMouse* e) {
        _log.push_back("mouse.scroll" + std::to_string(static_cast<int>(e->getScrollY())));
    };
    dispatcher()->addEventListenerWithSceneGraphPriority(mouse, node);

    InputRouter router;
    router.mouseMove(5.0f, 5.0f);
    router.mouseDown(100.0f, 40.0f, EventMouse::MouseButton::BUTTON_LEFT);
    router.mouseMove(101.0f, 41.0f);
    router.mouseDown(101.0f, 41.0f, EventMouse::MouseButton::BUTTON_RIGHT);
    router.mouseUp(101.0f, 41.0f, EventMouse::MouseButton::BUTTON_LEFT);
    router.mouseScroll(101.0f, 41.0f, 0.0f, 1.0f);
    EXPECT_EQ(_log, (Log{"mouse.move", "touch.began0", "mouse.down0", "touch.moved", "mouse.move",
                         "mouse.down1", "touch.ended", "mouse.up", "mouse.scroll-1"}));
    // Both in GL orientation: y from the bottom of the 640-point window.
    ASSERT_EQ(touchAt.size(), 1u);
    EXPECT_EQ(touchAt[0], Vec2(100.0f, 600.0f));
    ASSERT_EQ(mouseAt.size(), 2u);
    EXPECT_EQ(mouseAt[0], Vec2(100.0f, 600.0f));
    EXPECT_GT(Touch::getTimeStamp(), 0);
}

TEST_F(EventDispatcherTest, MouseListenersAreCalledOncePerCameraThatVisitsTheirNode) {
    Scene* scene = Scene::create();
    auto* camera = Camera::create();
    camera->setCameraFlag(2);
    scene->addChild(camera);
    Node* plain = named("plain", scene);
    Node* both = named("both", scene);
    both->setCameraMask(2);
    Node* second = named("second", scene);
    second->removeCameraMask(1);
    second->setCameraMask(2);
    Node* none = named("none", scene);
    none->removeCameraMask(1);
    show(scene);
    addMouseListener(plain);
    addMouseListener(both);
    addMouseListener(second);
    addMouseListener(none);

    InputRouter router;
    router.mouseDown(1.0f, 1.0f, EventMouse::MouseButton::BUTTON_RIGHT);
    // The default camera draws last, so it is asked first.
    EXPECT_EQ(_log, (Log{"both@1", "plain@1", "second@2", "both@2"}));
    EXPECT_EQ(Camera::getVisitingCamera(), nullptr);

    // A touch listener hears a touch once, whatever the number of cameras.
    _log.clear();
    addTouchListener(both, true, false);
    router.mouseDown(1.0f, 1.0f, EventMouse::MouseButton::BUTTON_LEFT);
    EXPECT_EQ(_log, (Log{"both.began", "both@1", "plain@1", "second@2", "both@2"}));
}

class ReturnNode : public Node {
public:
    static ReturnNode* create(Log* log, const std::string& name, bool consume) {
        auto* node = new ReturnNode();
        node->init();
        node->autorelease();
        node->_log = log;
        node->_consume = consume;
        node->setName(name);
        return node;
    }
    bool onResponseReturn() override {
        _log->push_back(getName());
        return _consume;
    }

private:
    Log* _log = nullptr;
    bool _consume = false;
};

TEST_F(EventDispatcherTest, EscapeIsTheBackKeyAskingNodesTopFirstUntilOneConsumesIt) {
    Scene* scene = Scene::create();
    ReturnNode* form = ReturnNode::create(&_log, "form", true);
    ReturnNode* panel = ReturnNode::create(&_log, "panel", false);
    scene->addChild(form);
    scene->addChild(panel);
    ReturnNode* quiet = ReturnNode::create(&_log, "quiet", true);
    scene->addChild(quiet);
    show(scene);
    form->enableAndroidReturnKey();
    panel->enableAndroidReturnKey();

    InputRouter router;
    router.keyDown(EventKeyboard::KeyCode::KEY_ESCAPE);
    EXPECT_TRUE(_log.empty());
    router.keyUp(EventKeyboard::KeyCode::KEY_ESCAPE);
    EXPECT_EQ(_log, (Log{"panel", "form"}));

    _log.clear();
    form->enableAndroidReturnKey(false);
    router.keyUp(EventKeyboard::KeyCode::KEY_BACK);
    router.keyUp(EventKeyboard::KeyCode::KEY_ENTER);
    EXPECT_EQ(_log, (Log{"panel"}));
}

TEST(EventKeyboardCodes, StockValuesOfTheKeysTheScreensTest) {
    struct Case {
        EventKeyboard::KeyCode code;
        int value;
    };
    const Case cases[] = {
        {EventKeyboard::KeyCode::KEY_ESCAPE, 6},     {EventKeyboard::KeyCode::KEY_BACK, 6},
        {EventKeyboard::KeyCode::KEY_BACKSPACE, 7},  {EventKeyboard::KeyCode::KEY_RETURN, 10},
        {EventKeyboard::KeyCode::KEY_LEFT_CTRL, 14}, {EventKeyboard::KeyCode::KEY_RIGHT_CTRL, 15},
        {EventKeyboard::KeyCode::KEY_KP_ENTER, 35},  {EventKeyboard::KeyCode::KEY_F1, 47},
        {EventKeyboard::KeyCode::KEY_SPACE, 59},     {EventKeyboard::KeyCode::KEY_0, 76},
        {EventKeyboard::KeyCode::KEY_CAPITAL_A, 93}, {EventKeyboard::KeyCode::KEY_A, 124},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(static_cast<int>(c.code), c.value);
    }
}

}  // namespace
