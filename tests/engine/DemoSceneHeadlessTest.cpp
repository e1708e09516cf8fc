#include <gtest/gtest.h>

#include "engine/base/Director.h"
#include "engine/renderer/Renderer.h"
#include "engine/renderer/RendererBackend.h"
#include "tests/support/lib/DemoScene.h"

using namespace cocos2d;

// The demo scene runs without a window: the renderer records what each frame would draw.
TEST(DemoSceneHeadlessTest, FramesRecordOneDrawPerNode) {
    Director* director = Director::getInstance();
    director->setWinSize(Size(320, 240));
    director->runWithScene(bvtest::createDemoScene(Size(320, 240)));
    auto* recorder = dynamic_cast<RecordingRendererBackend*>(director->getRenderer()->getBackend());
    ASSERT_NE(recorder, nullptr);
    for (int frame = 0; frame < 3; ++frame) {
        recorder->clearRecords();
        director->mainLoop(1.0f / 30.0f);
        // Backdrop, shapes, sprite and label.
        EXPECT_EQ(recorder->getDrawnCommands().size(), 4u) << "frame " << frame;
    }
    EXPECT_EQ(director->getTotalFrames(), 3u);
    director->purgeDirector();
}
