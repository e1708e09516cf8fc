#include <gtest/gtest.h>

#include <string>

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "tests/display/DisplayFixture.h"
#include "toolkit/widgets/NSTextField.h"

using namespace cocos2d;

namespace {

class NSTextFieldDrawingTest : public bvtest::DisplayFixture {
protected:
    // A 240 x 40 field of one line of white "m"s with its bottom-left corner at (10, y).
    static NSUI::NSTextField* addField(Scene* scene, float y) {
        NSUI::NSTextField* field = NSUI::NSTextField::create(Size(240.0f, 40.0f));
        field->setAnchorPoint(Vec2::ZERO);
        field->setPosition(Vec2(10.0f, y));
        field->setTextColor(Color3B::WHITE);
        field->setFontSize(30);
        field->setString("mmmmmmm");
        scene->addChild(field);
        return field;
    }

    // Pixels brighter than mid grey in columns [x0, x1) and rows [y0, y1).
    static int brightPixels(Image& picture, int x0, int x1, int y0, int y1) {
        int count = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                const Color3B c = pixelAt(picture, x, y);
                count += (c.r + c.g + c.b) > 3 * 128 ? 1 : 0;
            }
        }
        return count;
    }
};

TEST_F(NSTextFieldDrawingTest, ClippingRectangleCutsTheTextOff) {
    Director::getInstance()->setClearColor(Color4F(0.0f, 0.0f, 0.0f, 1.0f));
    Scene* scene = Scene::create();
    NSUI::NSTextField* clipped = addField(scene, 150.0f);
    clipped->setClippingRect(Rect(0.0f, 0.0f, 60.0f, 40.0f));
    addField(scene, 50.0f);
    Director::getInstance()->runWithScene(scene);

    Image frame;
    ASSERT_TRUE(renderAndCapture("textFieldClip.png", &frame));
    // The field without a clipping rectangle draws its text across.
    EXPECT_GT(brightPixels(frame, 10, 70, 50, 90), 20);
    EXPECT_GT(brightPixels(frame, 72, 250, 50, 90), 20);
    // The clipped one only inside its rectangle.
    EXPECT_GT(brightPixels(frame, 10, 70, 150, 190), 20);
    EXPECT_EQ(brightPixels(frame, 72, 250, 150, 190), 0);
}

}  // namespace
