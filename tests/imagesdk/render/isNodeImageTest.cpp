#include "imagesdk/render/isNodeImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "RenderFixture.h"
#include "SceneProbe.h"
#include "engine/renderer/Texture2D.h"
#include "imagesdk/data/isClut.h"
#include "imagesdk/data/isGeometry.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "tests/imagesdk/NotificationRecorder.h"
#include "tests/imagesdk/render/SliceSamples.h"
#include "toolkit/core/NSNotificationCenter.h"

using cocos2d::Mat4;
using cocos2d::Vec3;
using imagesdktest::NotificationRecorder;
using imagesdktest::SampleSlice;
using isImageSDK::isClut;
using isImageSDK::isNodeImage;

namespace {

class NodeImageTest : public rendertest::RenderTest {
protected:
    void SetUp() override {
        rendertest::RenderTest::SetUp();
        probe = std::make_unique<rendertest::SceneProbe>();
        node = isNodeImage::create();
        ASSERT_NE(node, nullptr);
        node->setClut(isClut::create());
        node->setNotificationGroup(&group);
        probe->add(node);
        // Past the centre's start-up delay, so that each press arrives at the next frame.
        for (int i = 0; i < 12; ++i) {
            probe->frame(0.6f);
        }
    }
    void TearDown() override {
        probe.reset();
        rendertest::RenderTest::TearDown();
    }

    void press(int key) {
        NSUI::NSNotificationCenter::getInstance()->postNotification(nullptr, key, nullptr, &group,
                                                                    true);
        probe->frame(0.0f);
    }

    int group = 0;
    std::unique_ptr<rendertest::SceneProbe> probe;
    isNodeImage* node = nullptr;
};

SampleSlice* frames(int count) {
    std::vector<std::uint8_t> pixels;
    for (int f = 0; f < count; ++f) {
        pixels.push_back(static_cast<std::uint8_t>(f * 20));
        pixels.push_back(static_cast<std::uint8_t>(f * 20 + 1));
    }
    return new SampleSlice(2, 1, pixels, 0, count);
}

TEST_F(NodeImageTest, PixelCentresLieWhereTheSliceMatrixPutsThem) {
    SampleSlice slice(4, 3, std::vector<std::uint8_t>(12, 9), 0);
    slice.record.pixelSpacingX = 0.5f;
    slice.record.pixelSpacingY = 2.0f;
    isImageSDK::makeRotationMatrix(Vec3(10, -20, 30), 20.0f, -35.0f, 60.0f, slice.record.matrix);
    node->setSliceInfo(&slice.record);
    const Mat4& toParent = node->getNodeToParentTransform();
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c) {
            Vec3 drawn;
            toParent.transformPoint(Vec3(c + 0.5f, r + 0.5f, 0.0f), &drawn);
            Vec3 expected;
            slice.record.matrix.transformPoint(Vec3(c * 0.5f, r * 2.0f, 0.0f), &expected);
            EXPECT_NEAR(drawn.distance(expected), 0.0f, 1e-4f) << c << "," << r;
        }
    }
}

TEST_F(NodeImageTest, LargeSlicesAreShownDecimatedAndUnloadedOnesNotAtAll) {
    SampleSlice wide(5000, 3000, std::vector<std::uint8_t>(5000u * 3000u, 50), 0);
    wide.record.pixelSpacingX = 0.1f;
    node->setSliceInfo(&wide.record);
    ASSERT_NE(node->getTexture(), nullptr);
    EXPECT_EQ(node->getTexture()->getPixelsWide(), 2500);
    EXPECT_EQ(node->getTexture()->getPixelsHigh(), 3000);
    EXPECT_FLOAT_EQ(node->getScaleX(), 0.2f);

    SampleSlice pending(2, 2, std::vector<std::uint8_t>(4, 0), 0);
    pending.record.loaded = false;
    node->setSliceInfo(&pending.record);
    EXPECT_FLOAT_EQ(node->getScaleX(), 0.0001f);
}

TEST_F(NodeImageTest, ASingleFrameNeverPlays) {
    NotificationRecorder button(isImageSDK::NOTIFY_CINE_BUTTON, &group);
    NotificationRecorder state(isImageSDK::NOTIFY_CINE_STATE_A, &group);
    SampleSlice slice(2, 1, std::vector<std::uint8_t>{1, 2}, 0);
    node->setSliceInfo(&slice.record);
    press(isImageSDK::NOTIFY_CINE_TOGGLE);
    button.drain();
    EXPECT_FALSE(node->isPlaying());
    ASSERT_EQ(state.received.size(), 1u);
    ASSERT_EQ(button.received.size(), 1u);
}

TEST_F(NodeImageTest, CinePlaysStepsAndKeepsItsPeriodInBounds) {
    std::unique_ptr<SampleSlice> slice(frames(10));
    node->setSliceInfo(&slice->record);
    // Paused: one frame back from the first wraps to the last, and forward again.
    press(isImageSDK::NOTIFY_OVERLAY_PRIOR);
    EXPECT_EQ(node->getFrameIndex(), 9);
    press(isImageSDK::NOTIFY_OVERLAY_NEXT);
    EXPECT_EQ(node->getFrameIndex(), 0);

    press(isImageSDK::NOTIFY_CINE_TOGGLE);
    ASSERT_TRUE(node->isPlaying());
    for (int i = 0; i < 6; ++i) {
        press(isImageSDK::NOTIFY_OVERLAY_PRIOR);
    }
    EXPECT_EQ(node->getFramePeriod(), 120);
    for (int i = 0; i < 8; ++i) {
        press(isImageSDK::NOTIFY_OVERLAY_NEXT);
    }
    EXPECT_EQ(node->getFramePeriod(), 5);

    // Playing steps at most one frame per drawn frame. On this path a window change shows the
    // record again: playing stops at its first frame, and the play button hears of it.
    NotificationRecorder button(isImageSDK::NOTIFY_CINE_BUTTON, &group);
    for (int i = 0; i < 12; ++i) {
        probe->frame(0.05f);
    }
    EXPECT_GT(node->getFrameIndex(), 0);
    node->onWindowLevelChanged();
    probe->frame(0.0f);
    EXPECT_FALSE(node->isPlaying());
    EXPECT_EQ(node->getFrameIndex(), 0);
    button.drain();
    EXPECT_EQ(button.received.size(), 1u);
    press(isImageSDK::NOTIFY_CINE_TOGGLE);
    ASSERT_TRUE(node->isPlaying());

    // A new record stops playing and starts at its first frame.
    std::unique_ptr<SampleSlice> other(frames(3));
    node->setSliceInfo(&other->record);
    EXPECT_FALSE(node->isPlaying());
    EXPECT_EQ(node->getFrameIndex(), 0);
}

TEST_F(NodeImageTest, RebuildsOnlyWhenAsked) {
    SampleSlice slice(2, 2, std::vector<std::uint8_t>{0, 50, 100, 200}, 0);
    node->setSliceInfo(&slice.record);
    probe->frame();
    const unsigned long long start = cocos2d::Texture2D::getUploadCount();
    probe->frame();
    probe->frame();
    EXPECT_EQ(cocos2d::Texture2D::getUploadCount(), start);
    node->getClut()->setWindowLevel(100.0f, 50.0f);
    node->onWindowLevelChanged();
    probe->frame();
    EXPECT_EQ(cocos2d::Texture2D::getUploadCount(), start + 1);

    // A rebuild of the same size refills the texture shown; another size makes a new one.
    cocos2d::Texture2D* shown = node->getTexture();
    node->getClut()->setWindowLevel(60.0f, 30.0f);
    node->onWindowLevelChanged();
    probe->frame();
    EXPECT_EQ(node->getTexture(), shown);
    SampleSlice wider(3, 2, std::vector<std::uint8_t>{0, 50, 100, 200, 10, 20}, 0);
    node->setSliceInfo(&wider.record);
    probe->frame();
    ASSERT_NE(node->getTexture(), nullptr);
    EXPECT_EQ(node->getTexture()->getPixelsWide(), 3);
}

}  // namespace
