#include "app/WindowRect.h"

#include <gtest/gtest.h>

#include "platform/DesktopArea.h"

namespace {

struct RectCase {
    WindowMetrics metrics;
    float x, y, width, height;
};

TEST(WindowRectTest, PlacesTheWindowInsideFrameCaptionAndTaskBar) {
    const RectCase cases[] = {
        // A desktop with a 40-pixel task bar and a window manager's 4-pixel frame and caption.
        {{1920, 1080, 40, 4, 4, 23}, 4, 27, 1912, 1005},
        // No window manager decorations: the whole work area.
        {{1920, 1080, 0, 0, 0, 0}, 0, 0, 1920, 1080},
        {{1280, 800, 32, 0, 0, 0}, 0, 0, 1280, 768},
        // A screen smaller than the decorations still gives a window.
        {{10, 10, 40, 4, 4, 23}, 4, 27, 2, 1},
    };
    for (const RectCase& c : cases) {
        const cocos2d::Rect rect = mainWindowRect(c.metrics);
        EXPECT_EQ(rect.origin.x, c.x);
        EXPECT_EQ(rect.origin.y, c.y);
        EXPECT_EQ(rect.size.width, c.width);
        EXPECT_EQ(rect.size.height, c.height);
    }
}

TEST(WindowRectTest, TaskBarIsWhatLiesBelowTheWorkArea) {
    platform::DesktopArea area;
    area.screen = {0, 0, 1920, 1080};
    area.workArea = {0, 32, 1920, 1048};  // a top panel only
    EXPECT_EQ(metricsOfDesktop(area).taskBar, 0);
    area.workArea = {0, 0, 1920, 1040};
    EXPECT_EQ(metricsOfDesktop(area).taskBar, 40);
    EXPECT_EQ(metricsOfDesktop(area).frameX, 0);
    EXPECT_EQ(metricsOfDesktop(area).caption, 0);
}

}  // namespace
