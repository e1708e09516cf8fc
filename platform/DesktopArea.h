#pragma once

namespace platform {

struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The primary screen and the part of it that windows may use (the screen less panels and task
// bars).
struct DesktopArea {
    ScreenRect screen;
    ScreenRect workArea;
};

// The primary display's geometry; the default set below when there is no display to ask.
DesktopArea getDesktopArea();

// The answer of getDesktopArea when no display is available (1920 x 1080 with a 40-pixel bar
// below the work area until changed).
void setDefaultDesktopArea(const DesktopArea& area);
DesktopArea getDefaultDesktopArea();

}  // namespace platform
