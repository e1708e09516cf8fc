#include <gtest/gtest.h>

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/CSLoader.h"
#include "tests/display/DisplayFixture.h"

using namespace cocos2d;

namespace {

using WindowLevelEntryDrawingTest = bvtest::DisplayFixture;

// The shipped window/level entry draws its light field boxes over its dark panel, so that the
// values typed or filled in (dark text) read on them and apart from the grey placeholders.
TEST_F(WindowLevelEntryDrawingTest, TheFieldBoxesAreDrawnOverThePanel) {
    FileUtils::getInstance()->addSearchPath("res/pad");
    Scene* scene = Scene::create();
    Director::getInstance()->runWithScene(scene);
    Node* entry = CSLoader::createNode("editWW.csb");
    ASSERT_NE(entry, nullptr);
    // The panel's (150, 150) at the window's origin: the width box (162..482, 228..268) shows
    // from (12, 78), the panel between the boxes at (10, 8).
    entry->setAnchorPoint(Vec2::ZERO);
    entry->setPosition(Vec2(-150.0f, -150.0f));
    scene->addChild(entry);

    Image picture;
    ASSERT_TRUE(renderAndCapture("entry.png", &picture));
    EXPECT_TRUE(bvtest::colourNear(pixelAt(picture, 100, 98), Color3B(228, 233, 238)))
        << "inside the width box";
    EXPECT_TRUE(bvtest::colourNear(pixelAt(picture, 10, 8), Color3B(27, 32, 39)))
        << "the panel between the boxes";
}

}  // namespace
