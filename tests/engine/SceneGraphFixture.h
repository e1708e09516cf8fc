#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/2d/Node.h"
#include "engine/2d/Scene.h"
#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"

// A director with a 960 x 640 window, purged after each test.
class SceneGraphTest : public ::testing::Test {
protected:
    void SetUp() override {
        cocos2d::Director::getInstance()->setWinSize(cocos2d::Size(960.0f, 640.0f));
    }
    void TearDown() override {
        cocos2d::Director::getInstance()->purgeDirector();
        cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
    }

    // Runs `scene` and shows it with one frame.
    static void show(cocos2d::Scene* scene) {
        cocos2d::Director::getInstance()->runWithScene(scene);
        cocos2d::Director::getInstance()->mainLoop(0.0f);
    }
};

// Writes "<name>.<hook>" to a shared log for each lifecycle hook, after the base class ran.
template <class Base> class Probe : public Base {
public:
    static Probe* create(const std::string& name, std::vector<std::string>* log) {
        auto* probe = new Probe();
        probe->_log = log;
        probe->init();
        probe->setName(name);
        probe->autorelease();
        return probe;
    }

    void onEnter() override {
        Base::onEnter();
        record("enter");
    }
    void onEnterTransitionDidFinish() override {
        Base::onEnterTransitionDidFinish();
        record("finish");
    }
    void onExitTransitionDidStart() override {
        Base::onExitTransitionDidStart();
        record("exitStart");
    }
    void onExit() override {
        Base::onExit();
        record("exit");
    }
    void cleanup() override {
        Base::cleanup();
        record("cleanup");
    }

protected:
    void record(const char* hook) { _log->push_back(this->getName() + "." + hook); }

    std::vector<std::string>* _log = nullptr;
};

using NodeProbe = Probe<cocos2d::Node>;
using SceneProbe = Probe<cocos2d::Scene>;
