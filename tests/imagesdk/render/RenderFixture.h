#pragma once

#include <gtest/gtest.h>

#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "toolkit/core/NSNotificationCenter.h"

namespace rendertest {

// A headless director with a 960 × 640 GL window, purged with its queued posts after each test.
class RenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        cocos2d::Director::getInstance()->setWinSize(cocos2d::Size(960.0f, 640.0f));
    }
    void TearDown() override {
        cocos2d::Director::getInstance()->purgeDirector();
        cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
        NSUI::NSNotificationCenter::destroyInstance();
    }
};

}  // namespace rendertest
