#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/2d/ActionEase.h"
#include "engine/2d/ActionInstant.h"
#include "engine/2d/ActionInterval.h"
#include "engine/2d/ActionManager.h"
#include "engine/2d/Node.h"
#include "engine/2d/Scene.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"

using namespace cocos2d;

namespace {

// A running scene with one node in it. Frame deltas are binary fractions so float sums are exact.
class ActionTest : public ::testing::Test {
protected:
    void SetUp() override {
        Director* director = Director::getInstance();
        director->setWinSize(Size(640.0f, 480.0f));
        _scene = Scene::create();
        _node = Node::create();
        _node->setName("mover");
        _scene->addChild(_node);
        director->runWithScene(_scene);
        director->mainLoop(0.0f);
    }
    void TearDown() override {
        Director::getInstance()->purgeDirector();
        PoolManager::getInstance()->getCurrentPool()->clear();
    }

    static void frames(int count, float dt) {
        for (int i = 0; i < count; ++i) {
            Director::getInstance()->mainLoop(dt);
        }
    }

    Scene* _scene = nullptr;
    Node* _node = nullptr;
};

// The node's state that one kind of action changes.
using Reader = std::function<std::vector<float>(Node*)>;

struct IntervalCase {
    const char* name;
    std::function<void(Node*)> prepare;
    std::function<Action*()> make;  // every action lasts 1 s
    Reader read;
    std::vector<float> atStart;
    std::vector<float> atHalf;
    std::vector<float> atEnd;
};

std::vector<float> position(Node* n) {
    return {n->getPositionX(), n->getPositionY()};
}
std::vector<float> rotation(Node* n) {
    return {n->getRotation()};
}
std::vector<float> rotation3D(Node* n) {
    const Vec3 r = n->getRotation3D();
    return {r.x, r.y, r.z};
}
std::vector<float> scale(Node* n) {
    return {n->getScaleX(), n->getScaleY(), n->getScaleZ()};
}
std::vector<float> opacity(Node* n) {
    return {static_cast<float>(n->getOpacity())};
}

void expectNear(const std::vector<float>& actual, const std::vector<float>& expected,
                const char* when) {
    ASSERT_EQ(actual.size(), expected.size()) << when;
    for (std::size_t i = 0; i < actual.size(); ++i) {
        EXPECT_NEAR(actual[i], expected[i], 1e-3f) << when << ", component " << i;
    }
}

void PrintTo(const IntervalCase& c, std::ostream* os) {
    *os << c.name;
}

class IntervalActionTable : public ActionTest,
                            public ::testing::WithParamInterface<IntervalCase> {};

TEST_P(IntervalActionTable, StartsAtTheFirstFrameAndEndsWhenItsDurationHasPassed) {
    const IntervalCase& c = GetParam();
    c.prepare(_node);
    _node->runAction(c.make());

    frames(1, 0.25f);  // the first step only marks the start
    expectNear(c.read(_node), c.atStart, "first frame");
    frames(2, 0.25f);
    expectNear(c.read(_node), c.atHalf, "half way");
    frames(1, 0.25f);
    EXPECT_EQ(_node->getNumberOfRunningActions(), 1);
    frames(1, 0.25f);
    expectNear(c.read(_node), c.atEnd, "end");
    EXPECT_EQ(_node->getNumberOfRunningActions(), 0);
    frames(2, 0.25f);
    expectNear(c.read(_node), c.atEnd, "after the end");
}

INSTANTIATE_TEST_SUITE_P(
    Actions, IntervalActionTable,
    ::testing::Values(IntervalCase{"MoveTo",
                                   [](Node* n) { n->setPosition(10.0f, 20.0f); },
                                   [] { return MoveTo::create(1.0f, Vec2(50.0f, -20.0f)); },
                                   position,
                                   {10.0f, 20.0f},
                                   {30.0f, 0.0f},
                                   {50.0f, -20.0f}},
                      IntervalCase{"MoveBy",
                                   [](Node* n) { n->setPosition(10.0f, 20.0f); },
                                   [] { return MoveBy::create(1.0f, Vec2(-40.0f, 8.0f)); },
                                   position,
                                   {10.0f, 20.0f},
                                   {-10.0f, 24.0f},
                                   {-30.0f, 28.0f}},
                      IntervalCase{"RotateBy",
                                   [](Node* n) { n->setRotation(30.0f); },
                                   [] { return RotateBy::create(1.0f, 360.0f); },
                                   rotation,
                                   {30.0f},
                                   {210.0f},
                                   {390.0f}},
                      IntervalCase{"RotateBy3D",
                                   [](Node* n) { n->setRotation3D(Vec3(0.0f, 10.0f, 0.0f)); },
                                   [] { return RotateBy::create(1.0f, Vec3(360.0f, 0.0f, 0.0f)); },
                                   rotation3D,
                                   {0.0f, 10.0f, 0.0f},
                                   {180.0f, 10.0f, 0.0f},
                                   {360.0f, 10.0f, 0.0f}},
                      IntervalCase{"ScaleToUniform",
                                   [](Node* n) { n->setScale(0.1f); },
                                   [] { return ScaleTo::create(1.0f, 1.0f); },
                                   scale,
                                   {0.1f, 0.1f, 0.1f},
                                   {0.55f, 0.55f, 0.55f},
                                   {1.0f, 1.0f, 1.0f}},
                      IntervalCase{"ScaleToXY",
                                   [](Node* n) { n->setScale(1.0f); },
                                   [] { return ScaleTo::create(1.0f, 3.0f, 0.5f); },
                                   scale,
                                   {1.0f, 1.0f, 1.0f},
                                   {2.0f, 0.75f, 1.0f},
                                   {3.0f, 0.5f, 1.0f}},
                      IntervalCase{"FadeTo",
                                   [](Node* n) { n->setOpacity(255); },
                                   [] { return FadeTo::create(1.0f, 0); },
                                   opacity,
                                   {255.0f},
                                   {127.0f},
                                   {0.0f}},
                      IntervalCase{"FadeIn",
                                   [](Node* n) { n->setOpacity(0); },
                                   [] { return FadeIn::create(1.0f); },
                                   opacity,
                                   {0.0f},
                                   {127.0f},
                                   {255.0f}},
                      IntervalCase{"FadeOut",
                                   [](Node* n) { n->setOpacity(200); },
                                   [] { return FadeOut::create(1.0f); },
                                   opacity,
                                   {200.0f},
                                   {100.0f},
                                   {0.0f}},
                      IntervalCase{"DelayTime",
                                   [](Node* n) { n->setPosition(1.0f, 2.0f); },
                                   [] { return DelayTime::create(1.0f); },
                                   position,
                                   {1.0f, 2.0f},
                                   {1.0f, 2.0f},
                                   {1.0f, 2.0f}}),
    [](const ::testing::TestParamInfo<IntervalCase>& info) { return info.param.name; });

TEST_F(ActionTest, OneLongFrameFinishesAnActionExactlyAtItsEnd) {
    _node->setPosition(0.0f, 0.0f);
    _node->runAction(MoveTo::create(0.5f, Vec2(100.0f, 50.0f)));
    frames(1, 0.0f);
    frames(1, 30.0f);
    EXPECT_EQ(_node->getPosition(), Vec2(100.0f, 50.0f));
    EXPECT_EQ(_node->getNumberOfRunningActions(), 0);
}

TEST_F(ActionTest, MovesOfTwoActionsAddUp) {
    _node->setPosition(0.0f, 0.0f);
    _node->runAction(MoveBy::create(1.0f, Vec2(100.0f, 0.0f)));
    _node->runAction(MoveBy::create(1.0f, Vec2(0.0f, 40.0f)));
    frames(5, 0.25f);
    EXPECT_EQ(_node->getPosition(), Vec2(100.0f, 40.0f));
}

struct EaseCase {
    const char* name;
    std::function<ActionInterval*(ActionInterval*)> wrap;
    std::vector<float> xAtQuarters;  // after 0.25, 0.5, 0.75 and 1 s
};

void PrintTo(const EaseCase& c, std::ostream* os) {
    *os << c.name;
}

class EaseTable : public ActionTest, public ::testing::WithParamInterface<EaseCase> {};

TEST_P(EaseTable, ReshapesTheProgressOfTheInnerAction) {
    const EaseCase& c = GetParam();
    _node->setPosition(0.0f, 0.0f);
    _node->runAction(c.wrap(MoveBy::create(1.0f, Vec2(100.0f, 0.0f))));
    frames(1, 0.25f);
    for (std::size_t i = 0; i < c.xAtQuarters.size(); ++i) {
        frames(1, 0.25f);
        EXPECT_NEAR(_node->getPositionX(), c.xAtQuarters[i], 1e-3f) << "quarter " << i + 1;
    }
    EXPECT_EQ(_node->getNumberOfRunningActions(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Curves, EaseTable,
    ::testing::Values(EaseCase{"CubicIn",
                               [](ActionInterval* a) { return EaseCubicActionIn::create(a); },
                               {1.5625f, 12.5f, 42.1875f, 100.0f}},
                      EaseCase{"CubicOut",
                               [](ActionInterval* a) { return EaseCubicActionOut::create(a); },
                               {57.8125f, 87.5f, 98.4375f, 100.0f}}),
    [](const ::testing::TestParamInfo<EaseCase>& info) { return info.param.name; });

TEST_F(ActionTest, SequenceRunsItsPartsInOrderAndCallsAtTheirPlace) {
    std::vector<std::string> log;
    auto logAt = [&](const std::string& what) {
        log.push_back(what + "@" + std::to_string(_node->getPositionX()).substr(0, 4));
    };
    _node->setPosition(0.0f, 0.0f);
    _node->runAction(Sequence::create(
        CallFunc::create([&] { logAt("first"); }), MoveTo::create(0.5f, Vec2(50.0f, 0.0f)),
        CallFuncN::create([&](Node* target) { logAt("node:" + target->getName()); }),
        DelayTime::create(0.5f), MoveBy::create(0.5f, Vec2(10.0f, 0.0f)),
        CallFunc::create([&] { logAt("last"); }), nullptr));

    frames(1, 0.25f);
    EXPECT_EQ(log, (std::vector<std::string>{"first@0.00"}));
    frames(2, 0.25f);
    EXPECT_EQ(log, (std::vector<std::string>{"first@0.00", "node:mover@50.0"}));
    frames(3, 0.25f);
    EXPECT_FLOAT_EQ(_node->getPositionX(), 55.0f);
    EXPECT_EQ(log.size(), 2u);
    frames(1, 0.25f);
    EXPECT_EQ(log, (std::vector<std::string>{"first@0.00", "node:mover@50.0", "last@60.0"}));
    EXPECT_EQ(_node->getNumberOfRunningActions(), 0);
}

TEST_F(ActionTest, AFrameThatSkipsOverASequenceStillCallsEveryFunctionOnce) {
    std::vector<int> calls;
    _node->setPosition(0.0f, 0.0f);
    _node->runAction(Sequence::create(
        MoveTo::create(1.0f, Vec2(10.0f, 0.0f)), CallFunc::create([&] { calls.push_back(1); }),
        Sequence::create(DelayTime::create(1.0f), CallFunc::create([&] { calls.push_back(2); }),
                         nullptr),
        MoveTo::create(1.0f, Vec2(20.0f, 0.0f)), CallFunc::create([&] { calls.push_back(3); }),
        nullptr));
    frames(1, 0.0f);
    frames(1, 100.0f);
    EXPECT_EQ(calls, (std::vector<int>{1, 2, 3}));
    EXPECT_FLOAT_EQ(_node->getPositionX(), 20.0f);
    frames(3, 1.0f);
    EXPECT_EQ(calls.size(), 3u);
}

TEST_F(ActionTest, SequenceOfInstantsOnlyRunsAtOnce) {
    int calls = 0;
    _node->runAction(Sequence::createWithTwoActions(CallFunc::create([&] { ++calls; }),
                                                    CallFunc::create([&] { ++calls; })));
    frames(1, 0.0f);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(_node->getNumberOfRunningActions(), 0);
}

TEST_F(ActionTest, SpawnLastsAsLongAsItsLongestPartAndFinishesTheShortOnesOnTime) {
    _node->setPosition(0.0f, 0.0f);
    _node->setScale(1.0f);
    _node->setRotation(0.0f);
    Vector<FiniteTimeAction*> parts{ScaleTo::create(0.5f, 2.0f), RotateBy::create(1.0f, 90.0f),
                                    MoveTo::create(0.25f, Vec2(8.0f, 8.0f))};
    _node->runAction(Spawn::create(parts));
    frames(1, 0.25f);
    frames(1, 0.25f);
    EXPECT_EQ(_node->getPosition(), Vec2(8.0f, 8.0f));
    EXPECT_FLOAT_EQ(_node->getScaleX(), 1.5f);
    frames(1, 0.25f);
    EXPECT_FLOAT_EQ(_node->getScaleX(), 2.0f);
    EXPECT_FLOAT_EQ(_node->getRotation(), 45.0f);
    // A move made now is no longer undone by the finished part.
    _node->setPosition(1.0f, 1.0f);
    frames(2, 0.25f);
    EXPECT_EQ(_node->getPosition(), Vec2(1.0f, 1.0f));
    EXPECT_FLOAT_EQ(_node->getRotation(), 90.0f);
    EXPECT_EQ(_node->getNumberOfRunningActions(), 0);
}

TEST_F(ActionTest, ClosingAnimationOfEasedSpawnThenCallEndsInvisible) {
    _node->setPosition(0.0f, 0.0f);
    _node->setScale(1.0f);
    auto* closing =
        Sequence::create(EaseCubicActionIn::create(Spawn::create(
                             ScaleTo::create(0.5f, 0.01f), RotateBy::create(0.5f, 360.0f),
                             MoveTo::create(0.5f, Vec2(0.0f, -240.0f)), nullptr)),
                         CallFunc::create([this] { _node->setVisible(false); }), nullptr);
    _node->runAction(closing);
    frames(2, 0.25f);
    EXPECT_TRUE(_node->isVisible());
    EXPECT_NEAR(_node->getPositionY(), -240.0f * 0.125f, 1e-3f);
    frames(1, 0.25f);
    EXPECT_FALSE(_node->isVisible());
    EXPECT_NEAR(_node->getScaleX(), 0.01f, 1e-6f);
    EXPECT_FLOAT_EQ(_node->getRotation(), 360.0f);
    EXPECT_EQ(_node->getPosition(), Vec2(0.0f, -240.0f));
}

TEST_F(ActionTest, RepeatForeverRestartsAndCarriesTheOverrunIntoTheNextRound) {
    _node->setRotation(0.0f);
    _node->runAction(RepeatForever::create(RotateBy::create(1.0f, 360.0f)));
    frames(1, 0.0f);
    frames(2, 0.75f);
    EXPECT_NEAR(_node->getRotation(), 540.0f, 1e-2f);
    frames(4, 0.75f);
    EXPECT_NEAR(_node->getRotation(), 1620.0f, 1e-2f);
    EXPECT_EQ(_node->getNumberOfRunningActions(), 1);
}

TEST_F(ActionTest, RepeatedFadeOutAndInCyclesUntilStopped) {
    _node->setOpacity(255);
    auto* blink = RepeatForever::create(
        Sequence::create(FadeOut::create(0.5f), FadeIn::create(0.5f), nullptr));
    blink->setTag(7);
    _node->runAction(blink);
    std::vector<int> seen;
    frames(1, 0.25f);
    for (int i = 0; i < 8; ++i) {
        frames(1, 0.25f);
        seen.push_back(_node->getOpacity());
    }
    EXPECT_EQ(seen, (std::vector<int>{127, 0, 127, 255, 127, 0, 127, 255}));
    EXPECT_EQ(_node->getActionByTag(7), blink);
    _node->stopActionByTag(7);
    EXPECT_EQ(_node->getActionByTag(7), nullptr);
    frames(2, 0.25f);
    EXPECT_EQ(_node->getOpacity(), 255);
}

TEST_F(ActionTest, StoppingMidwayLeavesTheNodeWhereItWas) {
    _node->setPosition(0.0f, 0.0f);
    Action* move = _node->runAction(MoveTo::create(1.0f, Vec2(100.0f, 0.0f)));
    _node->runAction(FadeOut::create(1.0f));
    frames(3, 0.25f);
    _node->stopAction(move);
    EXPECT_EQ(_node->getNumberOfRunningActions(), 1);
    frames(1, 0.25f);
    EXPECT_FLOAT_EQ(_node->getPositionX(), 50.0f);
    EXPECT_EQ(_node->getOpacity(), 63);
    _node->stopAllActions();
    frames(4, 0.25f);
    EXPECT_FLOAT_EQ(_node->getPositionX(), 50.0f);
    EXPECT_EQ(_node->getOpacity(), 63);
}

TEST_F(ActionTest, AFunctionMayStopItsOwnNodesActions) {
    std::vector<int> calls;
    _node->setPosition(0.0f, 0.0f);
    _node->runAction(MoveBy::create(1.0f, Vec2(0.0f, 100.0f)));
    _node->runAction(Sequence::create(CallFuncN::create([&](Node* target) {
                                          calls.push_back(1);
                                          target->stopAllActions();
                                      }),
                                      DelayTime::create(0.25f),
                                      CallFunc::create([&] { calls.push_back(2); }), nullptr));
    _node->runAction(MoveBy::create(1.0f, Vec2(100.0f, 0.0f)));
    frames(3, 0.25f);
    EXPECT_EQ(calls, (std::vector<int>{1}));
    EXPECT_EQ(_node->getNumberOfRunningActions(), 0);
    EXPECT_EQ(_node->getPosition(), Vec2(0.0f, 0.0f));
}

TEST_F(ActionTest, AFunctionMayRemoveItsNodeFromTheScene) {
    Node* other = Node::create();
    _scene->addChild(other);
    other->runAction(MoveBy::create(1.0f, Vec2(1.0f, 0.0f)));
    _node->runAction(Sequence::create(DelayTime::create(0.25f),
                                      CallFuncN::create([](Node* n) { n->removeFromParent(); }),
                                      MoveBy::create(1.0f, Vec2(5.0f, 0.0f)), nullptr));
    frames(3, 0.25f);
    EXPECT_EQ(_scene->getChildByName("mover"), nullptr);
    EXPECT_FLOAT_EQ(other->getPositionX(), 0.5f);
}

TEST_F(ActionTest, ActionsOfANodeThatLeftTheScenePauseUntilItEntersAgain) {
    _node->retain();
    _node->setPosition(0.0f, 0.0f);
    _node->runAction(MoveTo::create(1.0f, Vec2(100.0f, 0.0f)));
    frames(3, 0.25f);
    _node->removeFromParentAndCleanup(false);
    frames(8, 0.25f);
    EXPECT_FLOAT_EQ(_node->getPositionX(), 50.0f);
    EXPECT_EQ(_node->getNumberOfRunningActions(), 1);
    _scene->addChild(_node);
    _node->release();
    frames(2, 0.25f);
    EXPECT_FLOAT_EQ(_node->getPositionX(), 100.0f);
}

TEST_F(ActionTest, ANodeThatNeverEnteredKeepsItsActionsWaiting) {
    Node* loose = Node::create();
    loose->retain();
    loose->runAction(MoveTo::create(0.25f, Vec2(4.0f, 4.0f)));
    frames(4, 0.25f);
    EXPECT_EQ(loose->getPosition(), Vec2(0.0f, 0.0f));
    _scene->addChild(loose);
    frames(2, 0.25f);
    EXPECT_EQ(loose->getPosition(), Vec2(4.0f, 4.0f));
    loose->release();
}

TEST_F(ActionTest, PausedNodeAndPausedDirectorHoldTheirActions) {
    _node->setPosition(0.0f, 0.0f);
    _node->runAction(MoveBy::create(1.0f, Vec2(100.0f, 0.0f)));
    frames(2, 0.25f);
    _node->pause();
    frames(4, 0.25f);
    EXPECT_FLOAT_EQ(_node->getPositionX(), 25.0f);
    _node->resume();
    Director::getInstance()->pause();
    frames(4, 0.25f);
    EXPECT_FLOAT_EQ(_node->getPositionX(), 25.0f);
    Director::getInstance()->resume();
    frames(3, 0.25f);
    EXPECT_FLOAT_EQ(_node->getPositionX(), 100.0f);
}

TEST_F(ActionTest, CleanupStopsActionsAndTheManagerHoldsItsTargetsOnlyWhileTheyRun) {
    const unsigned int before = _node->getReferenceCount();
    _node->runAction(DelayTime::create(0.5f));
    EXPECT_EQ(_node->getReferenceCount(), before + 1);
    frames(3, 0.25f);
    EXPECT_EQ(_node->getReferenceCount(), before);

    _node->runAction(RepeatForever::create(RotateBy::create(1.0f, 360.0f)));
    _node->cleanup();
    EXPECT_EQ(_node->getNumberOfRunningActions(), 0);
    EXPECT_EQ(_node->getReferenceCount(), before);
}

TEST_F(ActionTest, RunningTheSameActionTwiceStepsItOnce) {
    _node->setPosition(0.0f, 0.0f);
    Action* move = MoveBy::create(1.0f, Vec2(100.0f, 0.0f));
    _node->runAction(move);
    _node->runAction(move);
    EXPECT_EQ(_node->getNumberOfRunningActions(), 1);
    frames(5, 0.25f);
    EXPECT_FLOAT_EQ(_node->getPositionX(), 100.0f);
}

TEST_F(ActionTest, ActionsLeftOnLooseNodesGoWithTheDirector) {
    Node* loose = Node::create();
    loose->runAction(RepeatForever::create(RotateBy::create(1.0f, 360.0f)));
    _node->runAction(RepeatForever::create(RotateBy::create(1.0f, 360.0f)));
    frames(2, 0.25f);
    // Purging must break the manager's hold on the nodes, or they leak (seen by the sanitizer).
}

TEST(ActionConstruction, EmptyListsMakeNoCompoundAction) {
    EXPECT_EQ(Sequence::create(Vector<FiniteTimeAction*>()), nullptr);
    EXPECT_EQ(Spawn::create(nullptr, nullptr), nullptr);
    EXPECT_EQ(RepeatForever::create(nullptr), nullptr);
    EXPECT_EQ(EaseCubicActionIn::create(nullptr), nullptr);
    EXPECT_FLOAT_EQ(
        Sequence::create(DelayTime::create(0.5f), DelayTime::create(0.25f), nullptr)->getDuration(),
        0.75f);
    EXPECT_FLOAT_EQ(
        Spawn::create(DelayTime::create(0.5f), DelayTime::create(0.25f), nullptr)->getDuration(),
        0.5f);
    PoolManager::getInstance()->getCurrentPool()->clear();
}

}  // namespace
