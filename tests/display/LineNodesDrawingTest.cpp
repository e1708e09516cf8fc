#include <gtest/gtest.h>

#include "engine/platform/Image.h"
#include "imagesdk/render/isDrawNode.h"
#include "imagesdk/render/isNodeLine.h"
#include "tests/display/DisplayFixture.h"
#include "tests/support/lib/WorldCameraScene.h"

using namespace cocos2d;
using bvtest::colourNear;

namespace {

class LineNodesDrawingTest : public bvtest::DisplayFixture {
protected:
    // Pixels of the colour along the row between two columns.
    static int countAlongRow(Image& frame, int y, int x0, int x1, const Color3B& colour) {
        int count = 0;
        for (int x = x0; x < x1; ++x) {
            count += colourNear(pixelAt(frame, x, y), colour, 40) ? 1 : 0;
        }
        return count;
    }
};

TEST_F(LineNodesDrawingTest, DrawNodeDrawsWideDashedLinesAndSizedPoints) {
    bvtest::WorldCameraScene world(kWidth, kHeight);
    auto* solid = isImageSDK::isDrawNode::create();
    auto* dashed = isImageSDK::isDrawNode::create();
    world.add(solid);
    world.add(dashed);
    solid->drawLine(Vec3(20, 60, 0), Vec3(300, 60, 0), Color4F(1, 0, 0, 1));
    solid->drawPoint(Vec3(60, 150, 0), 12.0f, Color4F(0, 1, 0, 1));
    dashed->drawLine(Vec3(20, 100, 0), Vec3(300, 100, 0), Color4F(1, 1, 1, 1));
    dashed->dashed = true;
    solid->lineWidth = 5;

    Image frame;
    ASSERT_TRUE(renderAndCapture("lines.png", &frame));
    // Five pixels wide about y = 60 (a pixel edge): rows 57 to 61 are red, their neighbours not.
    for (int y : {57, 59, 61}) {
        EXPECT_GT(countAlongRow(frame, y, 30, 290, Color3B(255, 0, 0)), 250) << y;
    }
    for (int y : {56, 62}) {
        EXPECT_EQ(countAlongRow(frame, y, 30, 290, Color3B(255, 0, 0)), 0) << y;
    }
    // Stipple 0x5555 with factor 2: two pixels on, two off.
    const int lit = countAlongRow(frame, 100, 30, 290, Color3B(255, 255, 255));
    EXPECT_GT(lit, 100);
    EXPECT_LT(lit, 160);
    // A 12-pixel point: its centre and a pixel 5 away are green.
    EXPECT_TRUE(colourNear(pixelAt(frame, 60, 150), Color3B(0, 255, 0)));
    EXPECT_TRUE(colourNear(pixelAt(frame, 65, 150), Color3B(0, 255, 0)));
    EXPECT_TRUE(colourNear(pixelAt(frame, 70, 150), Color3B(0, 0, 0)));

    // Redrawn with other geometry: the changed buffer is uploaded again.
    solid->clear();
    solid->drawLine(Vec3(20, 200, 0), Vec3(300, 200, 0), Color4F(0, 0, 1, 1));
    ASSERT_TRUE(renderAndCapture("moved.png", &frame));
    EXPECT_EQ(countAlongRow(frame, 60, 30, 290, Color3B(255, 0, 0)), 0);
    EXPECT_GT(countAlongRow(frame, 200, 30, 290, Color3B(0, 0, 255)), 250);
}

TEST_F(LineNodesDrawingTest, LineNodeDrawsItsSegmentsInWorldSpace) {
    bvtest::WorldCameraScene world(kWidth, kHeight);
    auto* node = isImageSDK::isNodeLine::create();
    world.add(node);
    node->addLine(Vec3(20, 40, 0), Vec3(300, 40, 0), Color4F(1, 1, 0, 1));
    node->addLine(Vec3(160, 20, 0), Vec3(160, 220, 0), Color4F(0, 1, 1, 1));
    Image frame;
    ASSERT_TRUE(renderAndCapture("cross.png", &frame));
    EXPECT_GT(countAlongRow(frame, 40, 30, 150, Color3B(255, 255, 0)), 115);
    EXPECT_TRUE(colourNear(pixelAt(frame, 160, 120), Color3B(0, 255, 255)));
    EXPECT_TRUE(colourNear(pixelAt(frame, 161, 120), Color3B(0, 255, 255)));
    EXPECT_TRUE(colourNear(pixelAt(frame, 100, 120), Color3B(0, 0, 0)));
}

}  // namespace
