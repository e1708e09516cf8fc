#include "app/WindowRect.h"

#include <algorithm>

#include "platform/DesktopArea.h"

cocos2d::Rect mainWindowRect(const WindowMetrics& m) {
    const int width = m.screenWidth - 2 * m.frameX;
    const int height = m.screenHeight - 3 * m.frameY - m.taskBar - m.caption;
    return cocos2d::Rect(static_cast<float>(m.frameX), static_cast<float>(m.caption + m.frameY),
                         static_cast<float>(std::max(width, 1)),
                         static_cast<float>(std::max(height, 1)));
}

WindowMetrics metricsOfDesktop(const platform::DesktopArea& area) {
    WindowMetrics metrics;
    metrics.screenWidth = area.screen.width;
    metrics.screenHeight = area.screen.height;
    const int workBottom = area.workArea.y + area.workArea.height;
    const int screenBottom = area.screen.y + area.screen.height;
    metrics.taskBar = std::max(0, screenBottom - workBottom);
    return metrics;
}
