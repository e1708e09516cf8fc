#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/backend/GLViewImpl.h"
#include "engine/base/Types.h"
#include "engine/platform/Image.h"
#include "tests/support/lib/TempDir.h"

namespace bvtest {

// A 320 x 240 window attached to the director for one test; the director is purged after.
class DisplayFixture : public ::testing::Test {
protected:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 240;

    void SetUp() override;
    void TearDown() override;

    // Runs two frames and captures the second into `name` (in the temporary folder); the
    // rectangle is in frame pixels from the bottom-left, all zeros for the whole frame.
    // The picture is loaded back into `picture`; false when the capture failed.
    bool renderAndCapture(const std::string& name, cocos2d::Image* picture, int x = 0, int y = 0,
                          int width = 0, int height = 0);

    // RGB of the picture at (x, y) counted from its bottom-left corner.
    static cocos2d::Color3B pixelAt(cocos2d::Image& picture, int x, int y);

    cocos2d::GLViewImpl* _view = nullptr;
    TempDir _dir;
};

// Each channel within `tolerance` of the expected colour.
::testing::AssertionResult colourNear(const cocos2d::Color3B& actual,
                                      const cocos2d::Color3B& expected, int tolerance = 8);

}  // namespace bvtest
