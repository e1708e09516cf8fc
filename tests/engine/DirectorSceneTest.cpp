#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SceneGraphFixture.h"
#include "engine/2d/Camera.h"
#include "engine/base/Director.h"
#include "engine/base/Scheduler.h"

using cocos2d::Director;
using cocos2d::Node;
using cocos2d::Scene;

namespace {

using Log = std::vector<std::string>;

class DirectorSceneTest : public SceneGraphTest {
protected:
    // Runs one frame and returns what it logged.
    Log frame() {
        _log.clear();
        Director::getInstance()->mainLoop(0.0f);
        return _log;
    }

    SceneProbe* scene(const std::string& name) {
        SceneProbe* s = SceneProbe::create(name, &_log);
        s->addChild(NodeProbe::create(name + "/child", &_log));
        return s;
    }

    Log _log;
};

TEST_F(DirectorSceneTest, SceneChangesTakeEffectAtTheNextFrameInTheStockOrder) {
    Director* director = Director::getInstance();
    // Scenes are made just before use: the frame's pool clearing frees unowned ones.
    SceneProbe* a = scene("A");
    director->runWithScene(a);
    EXPECT_EQ(director->getRunningScene(), nullptr);
    EXPECT_EQ(frame(), (Log{"A/child.enter", "A.enter", "A/child.finish", "A.finish"}));
    EXPECT_EQ(director->getRunningScene(), a);

    // The covered scene leaves without cleanup.
    director->pushScene(scene("B"));
    EXPECT_EQ(frame(), (Log{"A/child.exitStart", "A.exitStart", "A/child.exit", "A.exit",
                            "B/child.enter", "B.enter", "B/child.finish", "B.finish"}));

    // The popped scene is cleaned up; the revealed one enters again.
    director->popScene();
    EXPECT_EQ(frame(),
              (Log{"B/child.exitStart", "B.exitStart", "B/child.exit", "B.exit", "B/child.cleanup",
                   "B.cleanup", "A/child.enter", "A.enter", "A/child.finish", "A.finish"}));
    EXPECT_EQ(director->getRunningScene(), a);

    SceneProbe* c = scene("C");
    director->replaceScene(c);
    EXPECT_EQ(frame(),
              (Log{"A/child.exitStart", "A.exitStart", "A/child.exit", "A.exit", "A/child.cleanup",
                   "A.cleanup", "C/child.enter", "C.enter", "C/child.finish", "C.finish"}));
    EXPECT_EQ(director->getRunningScene(), c);
}

TEST_F(DirectorSceneTest, PopWithTransitionArgumentPopsOneSceneAndTheLastPopEndsTheDirector) {
    Director* director = Director::getInstance();
    SceneProbe* a = scene("A");
    director->runWithScene(a);
    frame();
    director->pushScene(scene("B"));
    frame();
    director->popScene(1);
    frame();
    EXPECT_EQ(director->getRunningScene(), a);

    director->popScene(0);
    // The director ends at the start of the next frame; the last scene leaves with it.
    EXPECT_EQ(frame(), (Log{"A/child.exitStart", "A.exitStart", "A/child.exit", "A.exit",
                            "A/child.cleanup", "A.cleanup"}));
    EXPECT_EQ(Director::getInstance()->getRunningScene(), nullptr);
}

TEST_F(DirectorSceneTest, ChildAddedToRunningParentEntersAtOnceAndLeavesOnRemoval) {
    SceneProbe* a = scene("A");
    show(a);
    _log.clear();
    NodeProbe* child = NodeProbe::create("late", &_log);
    a->addChild(child);
    EXPECT_EQ(_log, (Log{"late.enter", "late.finish"}));
    EXPECT_TRUE(child->isRunning());

    _log.clear();
    a->removeChild(child, false);
    EXPECT_EQ(_log, (Log{"late.exitStart", "late.exit"}));

    _log.clear();
    Node* detached = Node::create();
    detached->addChild(NodeProbe::create("idle", &_log));
    EXPECT_TRUE(_log.empty());
}

// A node that adds a child from its own onEnter, after the base class ran.
class AddingNode : public NodeProbe {
public:
    static AddingNode* create(Log* log) {
        auto* node = new AddingNode();
        node->_log = log;
        node->init();
        node->setName("parent");
        node->autorelease();
        return node;
    }
    void onEnter() override {
        NodeProbe::onEnter();
        addChild(NodeProbe::create("added", _log));
    }
};

TEST_F(DirectorSceneTest, ChildAddedDuringEnterFinishesOnceWithItsParent) {
    SceneProbe* a = SceneProbe::create("A", &_log);
    a->addChild(AddingNode::create(&_log));
    Director::getInstance()->runWithScene(a);
    EXPECT_EQ(frame(), (Log{"parent.enter", "added.enter", "A.enter", "added.finish",
                            "parent.finish", "A.finish"}));
}

TEST_F(DirectorSceneTest, NodeSchedulesRunOnlyWhileTheNodeRuns) {
    Director* director = Director::getInstance();
    Scene* a = Scene::create();
    // Kept across the frames before it runs.
    a->retain();
    Node* node = Node::create();
    int runs = 0;
    node->schedule([&runs](float) { ++runs; }, "tick");
    a->addChild(node);
    director->mainLoop(0.1f);
    director->mainLoop(0.1f);
    EXPECT_EQ(runs, 0);

    director->runWithScene(a);
    director->mainLoop(0.1f);
    director->mainLoop(0.1f);
    director->mainLoop(0.1f);
    EXPECT_GE(runs, 1);

    const int before = runs;
    director->pushScene(Scene::create());
    director->mainLoop(0.1f);
    director->mainLoop(0.1f);
    EXPECT_LE(runs, before + 1);
    const int covered = runs;
    director->mainLoop(0.1f);
    EXPECT_EQ(runs, covered);

    // Popping the covering scene resumes the node's schedule.
    director->popScene();
    director->mainLoop(0.1f);
    director->mainLoop(0.1f);
    EXPECT_GT(runs, covered);

    // Cleanup removes it for good.
    node->cleanup();
    const int cleaned = runs;
    director->mainLoop(0.1f);
    EXPECT_EQ(runs, cleaned);
    a->release();
}

TEST_F(DirectorSceneTest, MessageNodeIsHiddenWhenItsTimeIsOverAndReplacedNodesKeepTheirState) {
    Director* director = Director::getInstance();
    Scene* a = Scene::create();
    show(a);
    Node* first = Node::create();
    Node* second = Node::create();
    a->addChild(first);
    a->addChild(second);

    a->setMessageNode(first, 1.0f);
    director->mainLoop(0.5f);
    a->setMessageNode(second, 1.0f);
    director->mainLoop(0.8f);
    director->mainLoop(0.8f);
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(second->isVisible());
    director->mainLoop(0.5f);
    EXPECT_FALSE(second->isVisible());
    EXPECT_EQ(a->getMessageNode(), nullptr);
}

TEST_F(DirectorSceneTest, DefaultCameraIsTheRunningScenesAndUserCamerasSortBeforeIt) {
    Scene* a = Scene::create();
    auto* near = cocos2d::Camera::create();
    auto* far = cocos2d::Camera::create();
    auto* same = cocos2d::Camera::create();
    near->setDepth(2);
    far->setDepth(1);
    same->setDepth(2);
    a->addChild(near);
    a->addChild(far);
    a->addChild(same);
    show(a);
    EXPECT_EQ(cocos2d::Camera::getDefaultCamera(), a->getDefaultCamera());
    EXPECT_EQ(a->getCameras(),
              (std::vector<cocos2d::Camera*>{far, near, same, a->getDefaultCamera()}));
    EXPECT_EQ(same->getRenderOrder(), 2);
}

}  // namespace
