#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/base/InputRouter.h"
#include "engine/base/Types.h"
#include "engine/math/Vec2.h"

namespace cocos2d {
class Scene;
class Touch;
}  // namespace cocos2d

namespace bvtest {

// Writes a PNG of one colour; false when it cannot be written.
bool writeSolidPng(const std::string& path, int width, int height, const cocos2d::Color4B& colour);

// The widget demo layout and its images, written into `folder` (ending in "/"): a 320 x 240
// root "widgetDemo" (background (40, 40, 40)) holding
//  - button "ok" (60 x 30, red; pressed image yellow; title "demo.ok"), 20 from the left and
//    25 from the top edge;
//  - button "cancel" (60 x 30, green), 20 from the right and 25 from the top edge;
//  - text "title" ("demo.title", size 20) at 50 % / 75 % of the root;
//  - image "photo" (40 x 40, blue), centred;
//  - slider "volume" (bar 200 x 10 grey, progress green (0, 200, 0), ball 16 x 16 magenta) at
//    50 %, centred horizontally, 40 from the bottom;
//  - check box "agree" (20 x 20, white box, black mark) selected, at (30, 40);
//  - clipping layout "clip" (60 x 40 at (230, 90)) whose image "big" (120 x 120, cyan) is
//    centred on the clip and so only shows inside it.
// Returns the layout's file name ("widgetDemo.csb").
std::string writeWidgetDemoLayout(const std::string& folder);

// A 960 x 640 window whose running scene `scene` has drawn its first frame. TearDown purges the
// director and drains the autorelease pool; a fixture that overrides it calls it last.
class RunningSceneTest : public ::testing::Test {
protected:
    static constexpr float kWidth = 960.0f;
    static constexpr float kHeight = 640.0f;

    void SetUp() override;
    void TearDown() override;

    static void frame(float dt);
    // A left click through the window at a GL point.
    void tap(float x, float y);
    // The touch of finger `id` at a GL point: made on its first use, moved on each later one,
    // released at TearDown.
    cocos2d::Touch* finger(int id, float x, float y);
    cocos2d::Touch* finger(int id, cocos2d::Vec2 at) { return finger(id, at.x, at.y); }

    cocos2d::Scene* scene = nullptr;
    cocos2d::InputRouter router;

private:
    std::vector<cocos2d::Touch*> _fingers;
};

}  // namespace bvtest
