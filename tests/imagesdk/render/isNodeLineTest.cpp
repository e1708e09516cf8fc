#include "imagesdk/render/isNodeLine.h"

#include <gtest/gtest.h>

#include "RenderFixture.h"
#include "SceneProbe.h"

using cocos2d::Color4F;
using cocos2d::Vec3;
using isImageSDK::isNodeLine;

namespace {

using NodeLineTest = rendertest::RenderTest;

TEST_F(NodeLineTest, SegmentsGoInOneCommandAnEmptyNodeQueuesNone) {
    rendertest::SceneProbe probe;
    isNodeLine* node = isNodeLine::create();
    ASSERT_NE(node, nullptr);
    EXPECT_FALSE(node->hasCameraFlag(1));
    EXPECT_EQ(node->lineWidth, 4);
    probe.add(node);
    EXPECT_TRUE(probe.frame().empty());

    node->addLine(Vec3(0, 0, 0), Vec3(10, 0, 0), Color4F(1, 0, 0, 1));
    node->addLine(Vec3(0, 5, 1), Vec3(10, 5, 1), Color4F(0, 0, 1, 0.5f));
    ASSERT_EQ(node->vertices.size(), 4u);
    EXPECT_EQ(node->vertices[2].vertices, Vec3(0, 5, 1));
    EXPECT_EQ(node->vertices[3].colors.b, 255);
    EXPECT_EQ(node->vertices[3].colors.a, 127);
    auto drawn = probe.frame();
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_FALSE(drawn[0]->is3D());

    node->enableDepthTest(true);
    drawn = probe.frame();
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_TRUE(drawn[0]->is3D());
}

}  // namespace
