#include "imagesdk/render/isNodeSprite.h"

#include <gtest/gtest.h>

#include "RenderFixture.h"
#include "engine/2d/Camera.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/renderer/RenderCommand.h"
#include "engine/renderer/Renderer.h"
#include "engine/renderer/RendererBackend.h"
#include "engine/renderer/Texture2D.h"
#include "imagesdk/data/isGeometry.h"

using cocos2d::Mat4;
using cocos2d::Vec2;
using cocos2d::Vec3;
using isImageSDK::isNodeSprite;

namespace {

using NodeSpriteTest = rendertest::RenderTest;

TEST_F(NodeSpriteTest, PlacedByItsMatrixAloneWhateverTheAnchorAndSkew) {
    isNodeSprite* sprite = isNodeSprite::create();
    ASSERT_NE(sprite, nullptr);
    Mat4 placement;
    isImageSDK::makeRotationMatrix(Vec3(5, -7, 12), 30.0f, -20.0f, 75.0f, placement);
    sprite->setContentSize(cocos2d::Size(64, 64));
    sprite->setAnchorPoint(Vec2(0.5f, 0.5f));
    sprite->setSkewX(10.0f);
    sprite->setMatrix(placement);
    const Mat4& transform = sprite->getNodeToParentTransform();
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(transform.m[i], placement.m[i], 1e-5f) << "element " << i;
    }
    // Scale enters in the sprite's own x and y only.
    sprite->setScale(2.0f);
    const Mat4& scaled = sprite->getNodeToParentTransform();
    EXPECT_NEAR(scaled.m[0], 2.0f * placement.m[0], 1e-5f);
    EXPECT_NEAR(scaled.m[8], placement.m[8], 1e-5f);
    EXPECT_NEAR(scaled.m[12], 5.0f, 1e-6f);
}

TEST_F(NodeSpriteTest, DrawsOnlyForOtherCamerasAndIntoTheDepthTestedQueue) {
    cocos2d::Director* director = cocos2d::Director::getInstance();
    cocos2d::Scene* scene = cocos2d::Scene::create();
    cocos2d::Camera* camera = cocos2d::Camera::createOrthographic(960, 640, -10, 10);
    camera->setCameraFlag(2);
    camera->setDepth(1);
    scene->addChild(camera);
    isNodeSprite* sprite = isNodeSprite::create();
    auto* texture = new cocos2d::Texture2D();
    const unsigned char pixels[4 * 4] = {};
    texture->initWithData(pixels, sizeof(pixels), cocos2d::Texture2D::PixelFormat::RGBA8888, 2, 2,
                          cocos2d::Size(2, 2));
    sprite->setTexture(texture);
    texture->release();
    sprite->setTextureRect(cocos2d::Rect(0, 0, 2, 2));
    EXPECT_FALSE(sprite->hasCameraFlag(1));
    sprite->setCameraMask(2, true);
    sprite->setMatrix(Mat4::IDENTITY);
    scene->addChild(sprite);
    director->runWithScene(scene);
    director->mainLoop(0.0f);
    auto* backend =
        dynamic_cast<cocos2d::RecordingRendererBackend*>(director->getRenderer()->getBackend());
    ASSERT_NE(backend, nullptr);
    const auto drawn = backend->getDrawnCommands();
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_TRUE(drawn[0]->is3D());
}

}  // namespace
