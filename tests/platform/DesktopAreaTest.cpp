#include "platform/DesktopArea.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(DesktopAreaTest, WithoutDisplayTheSettableDefaultIsUsed) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    const platform::DesktopArea original = platform::getDefaultDesktopArea();
    EXPECT_EQ(original.screen.width, 1920);
    EXPECT_EQ(original.screen.height, 1080);
    EXPECT_EQ(original.workArea.height, 1040);

    platform::DesktopArea custom;
    custom.screen = {0, 0, 1280, 800};
    custom.workArea = {0, 24, 1280, 776};
    platform::setDefaultDesktopArea(custom);
    const platform::DesktopArea area = platform::getDesktopArea();
    EXPECT_EQ(area.screen.width, 1280);
    EXPECT_EQ(area.workArea.y, 24);
    EXPECT_EQ(area.workArea.height, 776);
    platform::setDefaultDesktopArea(original);
}

}  // namespace
