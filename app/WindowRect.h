#pragma once

#include "engine/math/Geometry.h"

namespace platform {
struct DesktopArea;
}

// What places the main window: the screen in pixels, the height of what lies below the work
// area (a task bar) and the window manager's frame and caption sizes (0 where it adds none).
struct WindowMetrics {
    int screenWidth = 0;
    int screenHeight = 0;
    int taskBar = 0;
    int frameX = 0;
    int frameY = 0;
    int caption = 0;
};

// The main window's client rectangle (x, y from the top-left of the screen): inset by the frame
// at both sides, below the caption, and clear of the task bar.
cocos2d::Rect mainWindowRect(const WindowMetrics& metrics);

// Metrics of a desktop whose window manager adds no frame or caption to the client rectangle
// it is given.
WindowMetrics metricsOfDesktop(const platform::DesktopArea& area);
