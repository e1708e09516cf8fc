#include "imagesdk/render/isDrawNode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "RenderFixture.h"
#include "SceneProbe.h"

using cocos2d::Color4F;
using cocos2d::Vec3;
using isImageSDK::isDrawNode;

namespace {

using DrawNodeTest = rendertest::RenderTest;

Vec3 at(const isDrawNode::Buffer& buffer, int i) {
    return buffer.vertices[i].vertices;
}

TEST_F(DrawNodeTest, StartsWithRoomAndDrawsNothingForTheDefaultCamera) {
    isDrawNode* node = isDrawNode::create();
    ASSERT_NE(node, nullptr);
    EXPECT_GE(node->triangles.capacity, 512);
    EXPECT_GE(node->points.capacity, 64);
    EXPECT_GE(node->lines.capacity, 256);
    EXPECT_TRUE(node->lines.dirty);
    EXPECT_EQ(node->lineWidth, 4);
    EXPECT_FALSE(node->hasCameraFlag(1));
}

TEST_F(DrawNodeTest, QueuesOneCommandPerNonEmptyBufferPointsBeforeLines) {
    rendertest::SceneProbe probe;
    isDrawNode* node = isDrawNode::create();
    probe.add(node);
    EXPECT_TRUE(probe.frame().empty());

    node->drawLine(Vec3(0, 0, 0), Vec3(10, 0, 0), Color4F(1, 0, 0, 1));
    node->drawPoint(Vec3(5, 5, 0), 6.0f, Color4F(0, 1, 0, 1));
    const auto drawn = probe.frame();
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0]->getType(), cocos2d::RenderCommand::Type::CUSTOM_COMMAND);
    // The point's size rides in its first texture coordinate.
    EXPECT_EQ(node->points.vertices[0].texCoords.u, 6.0f);
    EXPECT_EQ(node->points.vertices[0].colors.g, 255);

    node->clear();
    EXPECT_TRUE(probe.frame().empty());
}

TEST_F(DrawNodeTest, PolygonOutlinesAreClosed) {
    isDrawNode* node = isDrawNode::create();
    const Vec3 triangle[] = {Vec3(0, 0, 0), Vec3(4, 0, 0), Vec3(0, 3, 0)};
    node->drawPolygonOutline(triangle, 3, Color4F::WHITE);
    ASSERT_EQ(node->lines.count, 6);
    const Vec3 expected[] = {triangle[0], triangle[1], triangle[1],
                             triangle[2], triangle[2], triangle[0]};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(at(node->lines, i), expected[i]) << i;
    }

    // Two points give the segment there and back.
    node->clear();
    node->drawPolygonOutline(triangle, 2, Color4F::WHITE);
    ASSERT_EQ(node->lines.count, 4);
    EXPECT_EQ(at(node->lines, 2), triangle[1]);
    EXPECT_EQ(at(node->lines, 3), triangle[0]);
}

TEST_F(DrawNodeTest, UnitEllipseIsACircleOfFiftyEqualChords) {
    isDrawNode* node = isDrawNode::create();
    const Vec3 centre(10, 20, 5);
    node->drawEllipse(centre, Vec3(1, 0, 0), Vec3(0, 1, 0), 8.0f, 0.3f, 7, true, 1.0f, 1.0f,
                      Color4F::GREEN);
    ASSERT_EQ(node->lines.count, 102);
    const float chord = 2.0f * 8.0f * std::sin(3.14159265f / 50.0f);
    for (int i = 0; i < 50; ++i) {
        const Vec3 a = at(node->lines, 2 * i);
        const Vec3 b = at(node->lines, 2 * i + 1);
        EXPECT_NEAR(a.distance(centre), 8.0f, 1e-4f) << i;
        EXPECT_NEAR(a.distance(b), chord, 1e-4f) << i;
    }
    // The 51st point meets the first: the closing segment has no length.
    EXPECT_NEAR(at(node->lines, 100).distance(at(node->lines, 101)), 0.0f, 1e-4f);
}

TEST_F(DrawNodeTest, BuffersGrowGeometricallyAndAFailedGrowthKeepsWhatWasThere) {
    isDrawNode* node = isDrawNode::create();
    const int start = node->lines.capacity;
    std::vector<Vec3> polygon(200, Vec3(1, 2, 3));
    node->drawPolygonOutline(polygon.data(), 200, Color4F::RED);
    EXPECT_EQ(node->lines.capacity, start + 400 > 2 * start ? start + 400 : 2 * start);
    for (int i = 0; i < 10; ++i) {
        node->clear();
        node->drawPolygonOutline(polygon.data(), 200, Color4F::RED);
    }
    const int settled = node->lines.capacity;
    EXPECT_EQ(node->lines.count, 400);

    // More than a buffer may hold: refused before a single point is read.
    node->drawPolygonOutline(polygon.data(), isDrawNode::kMaxVertices, Color4F::RED);
    EXPECT_EQ(node->lines.count, 400);
    EXPECT_EQ(node->lines.capacity, settled);
    EXPECT_EQ(at(node->lines, 399), polygon[0]);
}

}  // namespace
