#include <gtest/gtest.h>

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "engine/ui/Widget.h"
#include "tests/display/DisplayFixture.h"
#include "tests/support/lib/WidgetFixtures.h"

using namespace cocos2d;
using bvtest::colourNear;

namespace {

class WidgetDrawingTest : public bvtest::DisplayFixture {
protected:
    void SetUp() override {
        DisplayFixture::SetUp();
        FileUtils::getInstance()->addSearchPath(_dir.str(), true);
    }
    void TearDown() override {
        CSLoader::destroyInstance();
        FileUtils::getInstance()->setSearchPaths({});
        DisplayFixture::TearDown();
    }
};

}  // namespace

TEST_F(WidgetDrawingTest, DemoLayoutDrawsEveryWidgetWhereItsLayoutDataPutsIt) {
    Node* root = CSLoader::createNode(bvtest::writeWidgetDemoLayout(_dir.str()));
    ASSERT_NE(root, nullptr);
    root->setContentSize(Size(kWidth, kHeight));
    ui::Helper::doLayout(root);
    Scene* scene = Scene::create();
    scene->addChild(root);
    Director::getInstance()->runWithScene(scene);
    Image frame;
    ASSERT_TRUE(renderAndCapture("widgets.png", &frame));

    const Color3B background(40, 40, 40);
    struct Probe {
        const char* what;
        int x;
        int y;
        Color3B colour;
    } probes[] = {
        {"ok button", 25, 190, Color3B(255, 0, 0)},
        {"cancel button", 270, 200, Color3B(0, 255, 0)},
        {"left of the cancel button", 235, 200, background},
        {"photo", 160, 120, Color3B(0, 0, 255)},
        {"right of the photo", 185, 120, background},
        {"slider progress", 100, 40, Color3B(0, 200, 0)},
        {"slider bar", 230, 40, Color3B(128, 128, 128)},
        {"slider ball", 160, 46, Color3B(255, 0, 255)},
        {"below the slider", 100, 30, background},
        {"check mark", 30, 40, Color3B(0, 0, 0)},
        {"clipped image inside the clip", 260, 110, Color3B(0, 255, 255)},
        {"clipped image left of the clip", 215, 110, background},
        {"clipped image above the clip", 260, 150, background},
        {"clipped image below the clip", 260, 70, background},
    };
    for (const Probe& probe : probes) {
        EXPECT_TRUE(colourNear(pixelAt(frame, probe.x, probe.y), probe.colour)) << probe.what;
    }
    int textPixels = 0;
    for (int y = 170; y < 192; ++y) {
        for (int x = 100; x < 220; ++x) {
            const Color3B c = pixelAt(frame, x, y);
            textPixels += c.r > 200 && c.g > 200 && c.b > 200 ? 1 : 0;
        }
    }
    EXPECT_GT(textPixels, 30) << "title text";
}

TEST_F(WidgetDrawingTest, PressingAButtonShowsItsPressedImage) {
    Node* root = CSLoader::createNode(bvtest::writeWidgetDemoLayout(_dir.str()));
    ASSERT_NE(root, nullptr);
    ui::Helper::doLayout(root);
    Scene* scene = Scene::create();
    scene->addChild(root);
    Director::getInstance()->runWithScene(scene);
    auto* ok = dynamic_cast<ui::Widget*>(root->getChildByNameDeep("ok"));
    ASSERT_NE(ok, nullptr);
    ok->setHighlighted(true);
    Image frame;
    ASSERT_TRUE(renderAndCapture("pressed.png", &frame));
    EXPECT_TRUE(colourNear(pixelAt(frame, 25, 190), Color3B(255, 255, 0)));
}
