#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/renderer/Texture2D.h"
#include "imagesdk/render/isNodeSprite.h"
#include "imagesdk/render/isRenderWindowBase.h"
#include "tests/display/DisplayFixture.h"

using namespace cocos2d;
using bvtest::colourNear;
using isImageSDK::isNodeSprite;
using isImageSDK::isRenderWindowBase;

namespace {

class RenderWindowDrawingTest : public bvtest::DisplayFixture {
protected:
    // A square of one colour, `side` mm wide, centred on (x, y) in the plane z.
    static isNodeSprite* square(const Color3B& colour, float side, float x, float y, float z) {
        std::vector<uint8_t> pixels;
        for (int i = 0; i < 4; ++i) {
            pixels.insert(pixels.end(), {colour.r, colour.g, colour.b, 255});
        }
        auto* texture = new Texture2D();
        texture->initWithData(pixels.data(), static_cast<ssize_t>(pixels.size()),
                              Texture2D::PixelFormat::RGBA8888, 2, 2, Size(2, 2));
        isNodeSprite* sprite = isNodeSprite::create();
        sprite->setTexture(texture);
        texture->release();
        sprite->setTextureRect(Rect(0, 0, 2, 2));
        Mat4 placement;
        Mat4::createTranslation(x - side / 2, y - side / 2, z, &placement);
        sprite->setMatrix(placement);
        sprite->setScale(side / 2);
        return sprite;
    }

    static isRenderWindowBase* panel(Scene* scene, float x, float width) {
        isRenderWindowBase* window = isRenderWindowBase::create();
        window->setContentSize(Size(width, kHeight));
        window->setPosition(Vec2(x, 0));
        scene->addChild(window);
        window->setCameraEye(Vec3(0, 0, -1000));
        window->setCameraLookAt(Vec3(0, 0, 0), Vec3(0, -1, 0));
        return window;
    }
};

TEST_F(RenderWindowDrawingTest, SideBySideWindowsEachShowOnlyTheirOwnContent) {
    Scene* scene = Scene::create();
    Director::getInstance()->runWithScene(scene);
    isRenderWindowBase* left = panel(scene, 0, 160);
    isRenderWindowBase* right = panel(scene, 160, 160);
    // Each window's content reaches far beyond its panel.
    left->addActorNode(square(Color3B(220, 30, 30), 2000, 0, 0, 0));
    right->addActorNode(square(Color3B(30, 200, 60), 2000, 0, 0, 0));
    // A marker 30..40 mm right of the left window's centre, in front of its square.
    left->addActorNode(square(Color3B(40, 60, 230), 10, 35, 0, -1));

    Image picture;
    ASSERT_TRUE(renderAndCapture("panels.png", &picture));
    const Color3B red(220, 30, 30);
    const Color3B green(30, 200, 60);
    const Color3B blue(40, 60, 230);
    for (int y : {2, 120, 237}) {
        EXPECT_TRUE(colourNear(pixelAt(picture, 2, y), red)) << y;
        EXPECT_TRUE(colourNear(pixelAt(picture, 157, y), red)) << y;
        EXPECT_TRUE(colourNear(pixelAt(picture, 162, y), green)) << y;
        EXPECT_TRUE(colourNear(pixelAt(picture, 317, y), green)) << y;
    }
    // One millimetre per pixel at zoom 1: the marker sits 30..40 px right of the panel centre.
    EXPECT_TRUE(colourNear(pixelAt(picture, 80 + 35, 120), blue));
    EXPECT_TRUE(colourNear(pixelAt(picture, 80 + 28, 120), red));
    EXPECT_TRUE(colourNear(pixelAt(picture, 80 + 42, 120), red));

    // Zooming the left window in (factor 2) doubles the marker's distance; the right one stays.
    left->zoomBy(2.0f);
    ASSERT_TRUE(renderAndCapture("zoomed.png", &picture));
    EXPECT_TRUE(colourNear(pixelAt(picture, 80 + 70, 120), blue));
    EXPECT_TRUE(colourNear(pixelAt(picture, 162, 120), green));
}

}  // namespace
