#include <gtest/gtest.h>

#include "engine/2d/Layer.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/platform/Image.h"
#include "imagesdk/render/isEditMsg.h"
#include "imagesdk/render/isNodeOverlaySprite.h"
#include "tests/display/DisplayFixture.h"
#include "toolkit/core/NSNotificationCenter.h"

using namespace cocos2d;
using bvtest::colourNear;
using isImageSDK::isEditMsg;
using isImageSDK::isNodeOverlaySprite;

namespace {

// The overlay's pictures and the label pop-up's layout, drawn over a mid-grey image stand-in.
class OverlayDrawingTest : public bvtest::DisplayFixture {
protected:
    void SetUp() override {
        DisplayFixture::SetUp();
        scene = Scene::create();
        scene->addChild(LayerColor::create(Color4B(128, 128, 128, 255)));
        Director::getInstance()->runWithScene(scene);
    }
    void TearDown() override {
        DisplayFixture::TearDown();
        NSUI::NSNotificationCenter::destroyInstance();
    }

    Scene* scene = nullptr;
};

TEST_F(OverlayDrawingTest, CineButtonShowsALightGlyphOnADarkDisc) {
    isNodeOverlaySprite* play = isNodeOverlaySprite::create();
    play->bindNotification(isNodeOverlaySprite::kPlayImage, "", isImageSDK::NOTIFY_CINE_BUTTON, "");
    ASSERT_EQ(play->getImageHeight(), 48);
    // Anchored bottom-right: the 48-pixel picture spans (52, 40)-(100, 88).
    play->setPosition(Vec2(100.0f, 40.0f));
    scene->addChild(play);

    Image picture;
    ASSERT_TRUE(renderAndCapture("cine.png", &picture));
    // The triangle's middle is the glyph colour; inside the disc beside it, the dark backdrop
    // over the grey; outside the disc, the grey itself.
    EXPECT_TRUE(colourNear(pixelAt(picture, 77, 64), Color3B(228, 233, 238), 24));
    const Color3B disc = pixelAt(picture, 60, 64);
    EXPECT_LT(disc.r, 90);
    EXPECT_TRUE(colourNear(pixelAt(picture, 53, 41), Color3B(128, 128, 128), 12));
}

TEST_F(OverlayDrawingTest, LabelPopupHasALightFieldOnADarkPanel) {
    Node* host = Node::create();
    host->setContentSize(Size(kWidth, kHeight));
    scene->addChild(host);
    isEditMsg* popup = isEditMsg::openOn(host, nullptr, "");
    ASSERT_NE(popup, nullptr);
    ASSERT_NE(popup->getEditField(), nullptr);
    // 420 x 64, hanging from the middle of the top edge: it spans x -50..370, y 176..240, and
    // the field's light back x -38..292, y 188..228.
    Image picture;
    ASSERT_TRUE(renderAndCapture("popup.png", &picture));
    EXPECT_TRUE(colourNear(pixelAt(picture, 200, 210), Color3B(236, 239, 242)));
    EXPECT_TRUE(colourNear(pixelAt(picture, 100, 180), Color3B(37, 44, 53)));
    EXPECT_TRUE(colourNear(pixelAt(picture, 300, 210), Color3B(37, 44, 53)));
    EXPECT_TRUE(colourNear(pixelAt(picture, 100, 170), Color3B(128, 128, 128)));
}

}  // namespace
