#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/2d/Transition.h"
#include "engine/base/Director.h"
#include "engine/base/EventDispatcher.h"
#include "tests/engine/SceneGraphFixture.h"

using namespace cocos2d;

namespace {

using Log = std::vector<std::string>;

class TransitionTest : public SceneGraphTest {
protected:
    void SetUp() override {
        SceneGraphTest::SetUp();
        _a = SceneProbe::create("A", &_log);
        show(_a);
        _b = SceneProbe::create("B", &_log);
        _log.clear();
    }

    // Runs frames of `dt` until `scene` runs; the number of frames, or -1 after `limit`.
    int framesUntilRunning(Scene* scene, float dt, int limit) {
        for (int frame = 1; frame <= limit; ++frame) {
            Director::getInstance()->mainLoop(dt);
            if (Director::getInstance()->getRunningScene() == scene) {
                return frame;
            }
        }
        return -1;
    }

    Log _log;
    SceneProbe* _a = nullptr;
    SceneProbe* _b = nullptr;
};

}  // namespace

TEST_F(TransitionTest, APushedMoveInSlidesTheSceneInAndKeepsTheCoveredOne) {
    Director* director = Director::getInstance();
    director->pushScene(TransitionMoveInL::create(0.5f, _b));
    director->mainLoop(0.1f);
    EXPECT_EQ(_log, (Log{"A.exitStart", "B.enter"}));
    EXPECT_EQ(_b->getPosition(), Vec2(-960.0f, 0.0f));
    EXPECT_FALSE(director->getEventDispatcher()->isEnabled());

    // The first step marks the start; two more frames of 0.1 s bring it 2/5 of the way.
    for (int i = 0; i < 3; ++i) {
        director->mainLoop(0.1f);
    }
    EXPECT_FLOAT_EQ(_b->getPositionX(), -960.0f * 3.0f / 5.0f);
    EXPECT_TRUE(_a->isRunning());

    _log.clear();
    const int frames = framesUntilRunning(_b, 0.1f, 10);
    EXPECT_GE(frames, 3);
    EXPECT_LE(frames, 5);
    EXPECT_EQ(_log, (Log{"A.exit", "B.finish"}));
    EXPECT_EQ(_b->getPosition(), Vec2::ZERO);
    EXPECT_TRUE(_b->isRunning());
    EXPECT_TRUE(director->getEventDispatcher()->isEnabled());

    // The new scene goes on running; popping it shows the covered one again.
    director->mainLoop(0.1f);
    EXPECT_EQ(director->getRunningScene(), _b);
    _log.clear();
    director->popScene();
    director->mainLoop(0.1f);
    EXPECT_EQ(director->getRunningScene(), _a);
    EXPECT_EQ(_log, (Log{"B.exitStart", "B.exit", "B.cleanup", "A.enter", "A.finish"}));
}

TEST_F(TransitionTest, AFlipReplacingTheSceneShowsOneHalfEachAndCleansTheOldOneUp) {
    Director* director = Director::getInstance();
    director->replaceScene(TransitionFlipX::create(0.4f, _b));
    director->mainLoop(0.1f);
    director->mainLoop(0.1f);  // marks the start
    director->mainLoop(0.1f);
    // First half: only the old scene shows, turning.
    EXPECT_TRUE(_a->isVisible());
    EXPECT_FALSE(_b->isVisible());
    EXPECT_FLOAT_EQ(_a->getRotation3D().y, 45.0f);
    director->mainLoop(0.1f);
    director->mainLoop(0.1f);
    // Second half: only the new one.
    EXPECT_FALSE(_a->isVisible());
    EXPECT_TRUE(_b->isVisible());

    ASSERT_GT(framesUntilRunning(_b, 0.1f, 10), 0);
    EXPECT_EQ(_b->getRotation3D(), Vec3::ZERO);
    EXPECT_TRUE(_b->isVisible());
    EXPECT_EQ(_log, (Log{"A.exitStart", "B.enter", "A.exit", "B.finish", "A.cleanup"}));
    // Popping the last scene ends the director: the next one has no scene.
    director->popScene();
    director->mainLoop(0.1f);
    EXPECT_EQ(Director::getInstance()->getRunningScene(), nullptr);
}

TEST_F(TransitionTest, MoveInLeftTopStartsBeyondTheTopLeftCorner) {
    Director* director = Director::getInstance();
    director->pushScene(TransitionMoveInLeftTop::create(0.5f, _b));
    director->mainLoop(0.1f);
    EXPECT_EQ(_b->getPosition(), Vec2(-960.0f, 640.0f));
    ASSERT_GT(framesUntilRunning(_b, 0.25f, 10), 0);
    EXPECT_EQ(_b->getPosition(), Vec2::ZERO);
}

TEST_F(TransitionTest, ShuttingDownMidwayTakesBothScenesDown) {
    Director* director = Director::getInstance();
    director->pushScene(TransitionMoveInL::create(1.0f, _b));
    director->mainLoop(0.1f);
    director->mainLoop(0.1f);
    _log.clear();
    director->endScenes();
    EXPECT_EQ(_log, (Log{"A.exit", "B.exitStart", "B.exit", "B.cleanup"}));
    EXPECT_TRUE(director->getEventDispatcher()->isEnabled());
}

TEST_F(TransitionTest, NoTransitionWithoutAScene) {
    EXPECT_EQ(TransitionMoveInL::create(0.5f, nullptr), nullptr);
    EXPECT_EQ(TransitionFlipX::create(0.5f, nullptr), nullptr);
    // The running scene cannot move in over itself.
    EXPECT_EQ(TransitionFlipX::create(0.5f, _a), nullptr);
}
