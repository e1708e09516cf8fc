#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isActorCrossLine.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/render/isActorOverlay.h"
#include "imagesdk/render/isCamera.h"
#include "imagesdk/render/isNodeOverlayText.h"
#include "imagesdk/render/isRenderWindow.h"
#include "tests/display/DisplayFixture.h"
#include "toolkit/core/NSNotificationData.h"

using namespace cocos2d;
using namespace isImageSDK;

namespace {

bool isDark(const Color3B& c) {
    return c.r < 40 && c.g < 40 && c.b < 40;
}

// The cross-line colours are saturated; the overlay texts are white or grey.
bool isLineColour(const Color3B& c) {
    const int high = std::max({c.r, c.g, c.b});
    const int low = std::min({c.r, c.g, c.b});
    return high > 150 && high - low > 100;
}

class CornerTextsAndCrossLineDrawingTest : public bvtest::DisplayFixture {
protected:
    void SetUp() override {
        DisplayFixture::SetUp();
        Scene* scene = Scene::create();
        Director::getInstance()->runWithScene(scene);
        window = isRenderWindow::create();
        window->setContentSize(Size(kWidth, kHeight));
        scene->addChild(window);
        window->setCameraEye(Vec3(0, 0, -1000));
        window->setCameraLookAt(Vec3(0, 0, 0), Vec3(0, -1, 0));
    }

    void send(isActorObject* actor, int key, const std::string& text) {
        auto* data = NSUI::NSNotificationData::create();
        data->stringValue = text;
        if (auto* overlay = dynamic_cast<isActorOverlay*>(actor)) {
            overlay->onEdgeTextNotification(nullptr, unsigned(key), data);
        } else if (auto* lines = dynamic_cast<isActorCrossLine*>(actor)) {
            lines->onNotification(nullptr, unsigned(key), data);
        }
    }

    // Pixels that are not dark inside the rectangle (frame pixels from the bottom-left).
    static int litPixels(Image& picture, int x0, int y0, int x1, int y1) {
        int lit = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                lit += isDark(pixelAt(picture, x, y)) ? 0 : 1;
            }
        }
        return lit;
    }

    isRenderWindow* window = nullptr;
};

// The corner texts show what they were given, and are drawn in their corners and nowhere else;
// the edge letters sit at the middle of their edges.
TEST_F(CornerTextsAndCrossLineDrawingTest, CornerTextsAndEdgeLettersAreDrawnWhereTheyBelong) {
    isActorOverlay* overlay = window->getActorManager()->getOverlayActor();
    ASSERT_NE(overlay, nullptr);
    isNodeOverlayText* study = overlay->addTopLeftText("Study 77");
    isNodeOverlayText* level = overlay->addBottomLeftText("WL: 400/40");
    send(overlay, NOTIFY_OVERLAY_CORNERS, R"({"t":"A","r":"L","b":"P","l":"R"})");
    overlay->relayout();

    Image picture;
    ASSERT_TRUE(renderAndCapture("corners.png", &picture));
    EXPECT_EQ(study->getString(), "Study 77");
    EXPECT_EQ(level->getString(), "WL: 400/40");
    EXPECT_EQ(overlay->getEdgeText(2)->getString(), "A");
    EXPECT_EQ(overlay->getEdgeText(4)->getString(), "R");

    const int w = kWidth;
    const int h = kHeight;
    EXPECT_GT(litPixels(picture, 0, h - 40, w / 2, h), 20) << "top-left text";
    EXPECT_GT(litPixels(picture, 0, 0, w / 2, 40), 20) << "bottom-left text";
    EXPECT_EQ(litPixels(picture, w / 2 + 30, 0, w, 40), 0) << "nothing bottom-right";
    EXPECT_GT(litPixels(picture, w / 2 - 20, h - 40, w / 2 + 20, h), 5) << "top letter";
    EXPECT_GT(litPixels(picture, 0, h / 2 - 20, 30, h / 2 + 20), 5) << "left letter";
    EXPECT_GT(litPixels(picture, w - 30, h / 2 - 20, w, h / 2 + 20), 5) << "right letter";
    EXPECT_EQ(litPixels(picture, w / 2 - 40, h / 2 - 40, w / 2 + 40, h / 2 + 40), 0)
        << "the middle stays clear";
}

// The cross-reference lines run through the reference point along the plane's axes, within 2 px,
// and leave their gap of 30 px around it.
TEST_F(CornerTextsAndCrossLineDrawingTest, CrossLinesRunThroughThePointAndLeaveTheirGap) {
    isActorCrossLine* lines = window->getActorManager()->getCrossLineActor();
    ASSERT_NE(lines, nullptr);
    const isCameraState state = window->getMainCamera()->getState();
    const Vec3 u = state.right();
    const Vec3 v = state.up();
    const Vec3 n = state.forward();
    const Vec3 point = window->getCameraCenter() + u * 25.0f - v * 15.0f;
    char json[512];
    std::snprintf(json, sizeof json,
                  R"({"nx1":"%g","nx2":"%g","nx3":"%g","ny1":"%g","ny2":"%g","ny3":"%g",)"
                  R"("nz1":"%g","nz2":"%g","nz3":"%g","x":"%g","y":"%g","z":"%g"})",
                  u.x, u.y, u.z, v.x, v.y, v.z, n.x, n.y, n.z, point.x, point.y, point.z);
    lines->setLineVisible(true);
    send(lines, NOTIFY_CROSSLINE_UPDATE, json);
    // What the window's visit announces in its group.
    send(lines, NOTIFY_WINDOW_VISIT, "");

    Image picture;
    ASSERT_TRUE(renderAndCapture("crosslines.png", &picture));
    const Vec2 centre = window->worldToScreen(point);
    // Window points count from the bottom-left, as the picture does.
    const float cx = centre.x;
    const float cy = centre.y;
    int drawn = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (!isLineColour(pixelAt(picture, x, y))) {
                continue;
            }
            ++drawn;
            const float dx = std::fabs(float(x) + 0.5f - cx);
            const float dy = std::fabs(float(y) + 0.5f - cy);
            EXPECT_LE(std::min(dx, dy), 2.0f) << "pixel " << x << ", " << y;
            // An end pixel may reach half a pixel into the gap, as the 2 px allow.
            EXPECT_GE(std::max(dx, dy), 27.5f) << "inside the gap at " << x << ", " << y;
        }
    }
    // Both lines cross the whole window less the gap.
    EXPECT_GT(drawn, kWidth + kHeight - 2 * 60);
    const auto lineNear = [&](int x, int y, bool alongX) {
        for (int d = -2; d <= 2; ++d) {
            if (isLineColour(pixelAt(picture, alongX ? x : x + d, alongX ? y + d : y))) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(lineNear(5, int(cy), true)) << "the line along x reaches the left edge";
    EXPECT_TRUE(lineNear(int(cx), 5, false)) << "the line along y reaches the bottom edge";
}

}  // namespace
