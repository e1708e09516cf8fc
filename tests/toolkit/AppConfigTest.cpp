#include "toolkit/core/AppConfig.h"

#include "engine/base/Director.h"

#include <gtest/gtest.h>

namespace {

void frame() {
    cocos2d::Director::getInstance()->mainLoop(0.0f);
}

TEST(AppConfigTest, HolderKeepsTheOneConfiguration) {
    AppConfig* config = AppConfig::getInstance();
    ASSERT_NE(config, nullptr);
    EXPECT_FALSE(config->isPhone);
    config->retain();
    frame();
    EXPECT_EQ(AppConfig::getInstance(), config);
    EXPECT_EQ(config->getReferenceCount(), 1u);
    config->release();
}

TEST(AppConfigTest, UnheldConfigurationIsMadeAfreshAfterTheFrame) {
    AppConfig::getInstance();
    frame();
    // The autoreleased configuration is gone; asking again must not hand out the dead one.
    AppConfig* config = AppConfig::getInstance();
    ASSERT_NE(config, nullptr);
    EXPECT_FALSE(config->isPhone);
    EXPECT_EQ(config->getReferenceCount(), 1u);
    frame();
}

}  // namespace
