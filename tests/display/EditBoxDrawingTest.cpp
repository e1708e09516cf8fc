#include <gtest/gtest.h>

#include <string>

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/base/InputRouter.h"
#include "engine/ui/EditBox.h"
#include "tests/display/DisplayFixture.h"
#include "tests/support/lib/WidgetFixtures.h"

using namespace cocos2d;

namespace {

using EditBoxDrawingTest = bvtest::DisplayFixture;

bool isLit(const Color3B& c) {
    return c.r > 150 && c.g > 150 && c.b > 150;
}

// A note longer than its box stays inside the box; while it is typed, its end (with the caret)
// is the part that shows.
TEST_F(EditBoxDrawingTest, ALongTextStaysInsideItsBoxWithItsEndInView) {
    Scene* scene = Scene::create();
    Director::getInstance()->runWithScene(scene);
    const std::string background = (_dir / "box.png").string();
    ASSERT_TRUE(bvtest::writeSolidPng(background, 40, 40, Color4B(60, 60, 60, 255)));
    // 120 x 30 at (100, 100), white text on grey.
    ui::EditBox* box = ui::EditBox::create(Size(120.0f, 30.0f), background);
    ASSERT_NE(box, nullptr);
    box->setAnchorPoint(Vec2::ZERO);
    box->setPosition(Vec2(100.0f, 100.0f));
    box->setFontColor(Color3B::WHITE);
    box->setFontSize(18);
    scene->addChild(box);
    // As a click on it does.
    ASSERT_TRUE(box->openKeyboard());
    InputRouter router;
    const std::string note = "a note much longer than the box that holds it";
    router.insertText(note.data(), note.size());

    Image picture;
    ASSERT_TRUE(renderAndCapture("editbox.png", &picture));
    int outside = 0;
    int nearEnd = 0;
    for (int y = 95; y < 135; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool lit = isLit(pixelAt(picture, x, y));
            if (x < 100 || x >= 220 || y < 100 || y >= 130) {
                outside += lit ? 1 : 0;
            } else if (x >= 190) {
                nearEnd += lit ? 1 : 0;
            }
        }
    }
    EXPECT_EQ(outside, 0) << "text drawn outside the box";
    EXPECT_GT(nearEnd, 10) << "the end of the text is not in view";
}

}  // namespace
