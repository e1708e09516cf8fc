#include "toolkit/core/CaptureRoutines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/2d/Layer.h"
#include "engine/2d/Scene.h"
#include "engine/backend/GLViewImpl.h"
#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "engine/platform/Image.h"
#include "tests/toolkit/FixedLanguageApplication.h"
#include "toolkit/core/NSNotificationCenter.h"

using namespace cocos2d;

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 600;
const Color4B kBackground(200, 100, 50, 255);

// A window large enough for both stamps, filled with one colour, and an observer of
// NOTIFY_CAPTURE_SAVED.
class CaptureScreenToJpegTest : public ::testing::Test {
protected:
    void SetUp() override {
        view_ = GLViewImpl::createWithRect("capture", Rect(0, 0, kWidth, kHeight));
        ASSERT_NE(view_, nullptr) << "no window: run under a display (xvfb-run)";
        view_->retain();
        Director::getInstance()->setOpenGLView(view_);
        scene_ = Scene::create();
        scene_->addChild(LayerColor::create(kBackground, kWidth, kHeight));
        Director::getInstance()->runWithScene(scene_);
        NSUI::NSNotificationCenter::getInstance()->addObserver(
            this, nullptr,
            [this](Ref*, unsigned, NSUI::NSNotificationData* data) {
                announced_.push_back(data->stringValue);
            },
            NSUI::NOTIFY_CAPTURE_SAVED);
    }

    void TearDown() override {
        NSUI::NSNotificationCenter::destroyInstance();
        if (view_ != nullptr) {
            view_->end();
            Director::getInstance()->setOpenGLView(nullptr);
            view_->release();
        }
        Director::getInstance()->purgeDirector();
    }

    // Draws the frames that take the capture and deliver its announcement.
    void captureAndDeliver(int x, int y, int width, int height) {
        Director::getInstance()->mainLoop(1.0f / 60.0f);
        NSUI::captureScreenToJpeg(x, y, width, height);
        for (int i = 0; i < 4; ++i) {
            Director::getInstance()->mainLoop(0.6f);
        }
    }

    // The one announced capture, loaded; checks its name and folder.
    bool loadAnnounced(Image* picture) {
        if (announced_.size() != 1) {
            ADD_FAILURE() << announced_.size() << " captures announced";
            return false;
        }
        const std::filesystem::path path(announced_[0]);
        EXPECT_EQ(path.parent_path().string() + "/",
                  FileUtils::getInstance()->getWritablePath() + "qn/tmp/capture/");
        EXPECT_EQ(path.extension(), ".jpg");
        const std::string stem = path.stem().string();
        EXPECT_FALSE(stem.empty());
        EXPECT_EQ(stem.find_first_not_of("0123456789"), std::string::npos) << stem;
        return picture->initWithImageFile(announced_[0]);
    }

    static const unsigned char* pixel(Image& picture, int row, int column, int channels) {
        return picture.getData() +
               (static_cast<size_t>(row) * picture.getWidth() + column) * channels;
    }

    static Image* stampPicture(const char* name) {
        auto* stamp = new Image();
        EXPECT_TRUE(stamp->initWithImageFile(FileUtils::getInstance()->fullPathForFilename(name)));
        return stamp;
    }

    GLViewImpl* view_ = nullptr;
    Scene* scene_ = nullptr;
    std::vector<std::string> announced_;
};

TEST_F(CaptureScreenToJpegTest, ChineseWholeWindowGetsTheSampledSquareStamp) {
    bvtest::FixedLanguageApplication application(LanguageType::CHINESE);
    captureAndDeliver(0, 0, 0, 0);
    Image picture;
    ASSERT_TRUE(loadAnnounced(&picture));
    ASSERT_EQ(picture.getWidth(), kWidth);
    ASSERT_EQ(picture.getHeight(), kHeight);
    Image* stamp = stampPicture("UIRes/qrcode.png");
    // s = 120: the last 100 rows and columns hold every third stamp pixel.
    double stampError = 0;
    double outsideError = 0;
    for (int r = 0; r < 100; ++r) {
        for (int c = 0; c < 100; ++c) {
            const unsigned char* expected = pixel(*stamp, r * 3, c * 3, 4);
            const unsigned char* actual = pixel(picture, kHeight - 100 + r, kWidth - 100 + c, 3);
            const unsigned char* outside = pixel(picture, r, c, 3);
            const unsigned char background[3] = {kBackground.r, kBackground.g, kBackground.b};
            for (int k = 0; k < 3; ++k) {
                stampError += std::abs(actual[k] - expected[k]);
                outsideError += std::abs(outside[k] - background[k]);
            }
        }
    }
    stamp->release();
    EXPECT_LT(stampError / 30000, 12.0);
    EXPECT_LT(outsideError / 30000, 3.0);
}

TEST_F(CaptureScreenToJpegTest, RectangleInEnglishGetsTheBanner) {
    bvtest::FixedLanguageApplication application(LanguageType::ENGLISH);
    captureAndDeliver(100, 50, 400, 120);
    Image picture;
    ASSERT_TRUE(loadAnnounced(&picture));
    ASSERT_EQ(picture.getWidth(), 400);
    ASSERT_EQ(picture.getHeight(), 120);
    Image* banner = stampPicture("UIRes/qrcode2.png");
    const unsigned char* source = pixel(*banner, 50, 300, 4);
    const unsigned char* actual = pixel(picture, 120 - 100 + 50, 400 - 350 + 300, 3);
    const unsigned char background[3] = {kBackground.r, kBackground.g, kBackground.b};
    const float a = source[3] / 255.0f;
    ASSERT_GT(source[3], 100);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(actual[k], source[k] * a + background[k] * (1 - a), 8);
        EXPECT_NEAR(pixel(picture, 5, 5, 3)[k], background[k], 8);
    }
    banner->release();
}

TEST_F(CaptureScreenToJpegTest, SmallRectangleIsAnnouncedWithoutStamp) {
    bvtest::FixedLanguageApplication application(LanguageType::ENGLISH);
    captureAndDeliver(0, 0, 349, 200);
    Image picture;
    ASSERT_TRUE(loadAnnounced(&picture));
    ASSERT_EQ(picture.getWidth(), 349);
    const unsigned char* corner = pixel(picture, 150, 300, 3);
    EXPECT_NEAR(corner[0], kBackground.r, 8);
    EXPECT_NEAR(corner[1], kBackground.g, 8);
    EXPECT_NEAR(corner[2], kBackground.b, 8);
}

TEST_F(CaptureScreenToJpegTest, ChineseRectangleHoldsItsOwnPixelsAndTheStampItsSizeEarns) {
    bvtest::FixedLanguageApplication application(LanguageType::CHINESE);
    // A marker in frame-buffer pixels 100..150 x 50..90, to see which part of the screen the
    // capture holds.
    const Color4B marker(20, 200, 60, 255);
    auto* markerLayer = LayerColor::create(marker, 50, 40);
    markerLayer->setPosition(Vec2(100, 50));
    scene_->addChild(markerLayer);
    const struct {
        int x, y, width, height;
        int stampSize;  // 0: no stamp
    } cases[] = {
        {100, 50, 600, 500, 100},  // s = 100: the smallest stamp, every third pixel
        {0, 0, 1000, 499, 0},      // s = 99
    };
    Image* stamp = stampPicture("UIRes/qrcode.png");
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        announced_.clear();
        captureAndDeliver(c.x, c.y, c.width, c.height);
        Image picture;
        ASSERT_TRUE(loadAnnounced(&picture));
        ASSERT_EQ(picture.getWidth(), c.width);
        ASSERT_EQ(picture.getHeight(), c.height);

        // Image rows run from the top; frame-buffer rows from the bottom.
        const int markerRow = c.y + c.height - 1 - 70;
        const unsigned char* inMarker = pixel(picture, markerRow, 125 - c.x, 3);
        const unsigned char* aboveMarker = pixel(picture, markerRow - 30, 125 - c.x, 3);
        const unsigned char markerRgb[3] = {marker.r, marker.g, marker.b};
        const unsigned char background[3] = {kBackground.r, kBackground.g, kBackground.b};
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(inMarker[k], markerRgb[k], 8);
            EXPECT_NEAR(aboveMarker[k], background[k], 8);
        }

        const int size = c.stampSize == 0 ? 100 : c.stampSize;
        const int step = c.stampSize == 0 ? 0 : 300 / c.stampSize;
        double error = 0;
        for (int r = 0; r < size; ++r) {
            for (int col = 0; col < size; ++col) {
                const unsigned char* actual =
                    pixel(picture, c.height - size + r, c.width - size + col, 3);
                const unsigned char* expected =
                    step == 0 ? background : pixel(*stamp, r * step, col * step, 4);
                for (int k = 0; k < 3; ++k) {
                    error += std::abs(actual[k] - expected[k]);
                }
            }
        }
        EXPECT_LT(error / (size * size * 3), step == 0 ? 3.0 : 12.0);
    }
    stamp->release();
}

}  // namespace
