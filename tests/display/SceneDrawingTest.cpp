#include <GL/glew.h>
#include <gtest/gtest.h>

#include "engine/2d/Camera.h"
#include "engine/2d/Layer.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/renderer/ClippingProtocol.h"
#include "engine/renderer/Configuration.h"
#include "engine/renderer/GLProgramCache.h"
#include "tests/display/DisplayFixture.h"
#include "tests/support/lib/DemoScene.h"

using namespace cocos2d;
using bvtest::colourNear;

namespace {

// A full-window colour panel that only draws inside its clipping rectangle.
class ClippedPanel : public LayerColor, public ClippingProtocol {
public:
    static ClippedPanel* create(const Color4B& color, const Size& size, const Rect& clip) {
        auto* panel = new ClippedPanel();
        panel->initWithColor(color, size.width, size.height);
        panel->setClippingRect(clip);
        panel->autorelease();
        return panel;
    }

    void draw(Renderer* renderer, const Mat4& transform, uint32_t flags) override {
        beginScissor(renderer);
        LayerColor::draw(renderer, transform, flags);
        endScissor(renderer);
    }
};

class SceneDrawingTest : public bvtest::DisplayFixture {};

}  // namespace

TEST_F(SceneDrawingTest, WindowHasCompatibilityContextAndBuiltInPrograms) {
    EXPECT_TRUE(_view->isOpenGLReady());
    EXPECT_EQ(_view->getFrameSize().width, kWidth);
    EXPECT_EQ(Director::getInstance()->getWinSize().height, kHeight);
    EXPECT_GE(Configuration::getInstance()->getMaxTextureSize(), 1024);
    for (const char* name : {GLProgram::SHADER_NAME_POSITION_TEXTURE_COLOR,
                             GLProgram::SHADER_NAME_POSITION_TEXTURE_COLOR_NO_MVP,
                             GLProgram::SHADER_NAME_POSITION_COLOR,
                             GLProgram::SHADER_NAME_POSITION_LENGTH_TEXTURE_COLOR,
                             GLProgram::SHADER_NAME_POSITION_COLOR_TEXASPOINTSIZE}) {
        EXPECT_NE(GLProgramCache::getInstance()->getGLProgram(name), nullptr) << name;
    }
    // The ROI draw node dashes its lines with line stipple, which only the compatibility profile
    // offers.
    glEnable(GL_LINE_STIPPLE);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glDisable(GL_LINE_STIPPLE);
}

TEST_F(SceneDrawingTest, DemoSceneDrawsEveryNodeKind) {
    Director::getInstance()->runWithScene(bvtest::createDemoScene(Size(kWidth, kHeight)));
    Image frame;
    ASSERT_TRUE(renderAndCapture("demo.png", &frame));
    ASSERT_EQ(frame.getWidth(), kWidth);
    ASSERT_EQ(frame.getHeight(), kHeight);

    EXPECT_TRUE(colourNear(pixelAt(frame, 300, 220), Color3B(0, 0, 255)));
    EXPECT_TRUE(colourNear(pixelAt(frame, 35, 35), Color3B(255, 0, 0)));
    EXPECT_TRUE(colourNear(pixelAt(frame, 35, 85), Color3B(255, 255, 0)));
    EXPECT_TRUE(colourNear(pixelAt(frame, 200, 50), Color3B(0, 255, 0)));
    EXPECT_TRUE(colourNear(pixelAt(frame, 215, 50), Color3B(0, 0, 255)));
    int textPixels = 0;
    for (int y = 170; y < 190; ++y) {
        for (int x = 100; x < 220; ++x) {
            const Color3B c = pixelAt(frame, x, y);
            textPixels += c.r > 200 && c.g > 200 ? 1 : 0;
        }
    }
    EXPECT_GT(textPixels, 50);
}

TEST_F(SceneDrawingTest, EachCameraDrawsOnlyItsOwnPanelInsideItsScissor) {
    const Size size(kWidth, kHeight);
    Scene* scene = Scene::createWithSize(size);
    auto* left = ClippedPanel::create(Color4B(255, 0, 0, 255), size, Rect(0, 0, 160, 240));
    auto* right = ClippedPanel::create(Color4B(0, 255, 0, 255), size, Rect(160, 0, 160, 240));
    left->setCameraMask(2);
    left->removeCameraMask(1);
    right->setCameraMask(3);
    right->removeCameraMask(1);
    scene->addChild(left);
    scene->addChild(right);
    for (unsigned short flag : {2, 3}) {
        Camera* camera = Camera::create();
        camera->setCameraFlag(flag);
        scene->addChild(camera);
    }
    Director::getInstance()->setClearColor(Color4F(0, 0, 0, 1));
    Director::getInstance()->runWithScene(scene);

    Image frame;
    ASSERT_TRUE(renderAndCapture("cameras.png", &frame));
    EXPECT_TRUE(colourNear(pixelAt(frame, 20, 120), Color3B(255, 0, 0)));
    EXPECT_TRUE(colourNear(pixelAt(frame, 158, 10), Color3B(255, 0, 0)));
    EXPECT_TRUE(colourNear(pixelAt(frame, 162, 10), Color3B(0, 255, 0)));
    EXPECT_TRUE(colourNear(pixelAt(frame, 300, 230), Color3B(0, 255, 0)));
}

TEST_F(SceneDrawingTest, JpegCaptureOfARectangleHasItsSizeAndOrientation) {
    Director::getInstance()->runWithScene(bvtest::createDemoScene(Size(kWidth, kHeight)));
    // x 40..100, y 40..80: red below y 60, yellow above it, blue right of x 60.
    Image shot;
    ASSERT_TRUE(renderAndCapture("shot.jpg", &shot, 40, 40, 60, 40));
    EXPECT_EQ(shot.getFileType(), Image::Format::JPG);
    ASSERT_EQ(shot.getWidth(), 60);
    ASSERT_EQ(shot.getHeight(), 40);
    EXPECT_TRUE(colourNear(pixelAt(shot, 5, 5), Color3B(255, 0, 0), 24));
    EXPECT_TRUE(colourNear(pixelAt(shot, 5, 35), Color3B(255, 255, 0), 24));
    EXPECT_TRUE(colourNear(pixelAt(shot, 50, 20), Color3B(0, 0, 255), 24));
}

TEST_F(SceneDrawingTest, CaptureOutsideTheFrameFailsAndWritesNothing) {
    Director::getInstance()->runWithScene(bvtest::createDemoScene(Size(kWidth, kHeight)));
    Image shot;
    EXPECT_FALSE(renderAndCapture("outside.jpg", &shot, kWidth + 10, 0, 50, 50));
    EXPECT_FALSE(std::filesystem::exists(_dir / "outside.jpg"));
}
