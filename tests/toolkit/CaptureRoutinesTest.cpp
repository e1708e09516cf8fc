#include "toolkit/core/CaptureRoutines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "engine/base/Director.h"
#include "engine/base/RefPtr.h"
#include "engine/platform/FileUtils.h"
#include "engine/platform/Image.h"
#include "tests/support/lib/KeptResourcePaths.h"
#include "tests/support/lib/TempDir.h"
#include "tests/toolkit/FixedLanguageApplication.h"
#include "toolkit/core/NSNotificationCenter.h"

namespace {

using cocos2d::Image;
using cocos2d::LanguageType;
using PixelFunction = std::function<std::vector<unsigned char>(int row, int column)>;

// An image of the given size whose pixels come from `pixel` (3 or 4 bytes each).
Image* makeImage(int width, int height, int channels, const PixelFunction& pixel) {
    std::vector<unsigned char> data;
    data.reserve(static_cast<size_t>(width) * height * channels);
    for (int r = 0; r < height; ++r) {
        for (int c = 0; c < width; ++c) {
            const auto p = pixel(r, c);
            data.insert(data.end(), p.begin(), p.begin() + channels);
        }
    }
    auto* image = new Image();
    EXPECT_TRUE(
        image->initWithRawData(data.data(), static_cast<ssize_t>(data.size()), width, height, 8));
    return image;
}

std::vector<unsigned char> captureColour(int row, int column) {
    return {static_cast<unsigned char>(row * 7), static_cast<unsigned char>(column * 5), 200, 255};
}

// Alpha by column: transparent, half, opaque.
std::vector<unsigned char> stampColour(int row, int column) {
    static const unsigned char alphas[] = {0, 127, 255};
    return {static_cast<unsigned char>(row), static_cast<unsigned char>(column),
            static_cast<unsigned char>(row ^ column), alphas[column % 3]};
}

const unsigned char* pixelOf(Image* image, int row, int column, int channels) {
    return image->getData() + (static_cast<size_t>(row) * image->getWidth() + column) * channels;
}

using ImagePtr = cocos2d::RefPtr<Image>;

TEST(StampCaptureImage, SquareStampIsSampledIntoTheLowerRightCorner) {
    struct Case {
        int width;
        int height;
        int size;  // 0: no stamp
        int step;
    };
    const Case cases[] = {
        {1000, 600, 100, 3},  {600, 1000, 100, 3},  {1000, 499, 0, 0},
        {1000, 500, 100, 3},  {1000, 624, 100, 3},  {1000, 625, 150, 2},
        {1200, 1124, 150, 2}, {1200, 1125, 300, 1}, {2000, 1800, 300, 1},
    };
    ImagePtr stamp(makeImage(300, 300, 4, stampColour));
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        ImagePtr capture(makeImage(c.width, c.height, 3, captureColour));
        ASSERT_EQ(NSUI::stampCaptureImage(capture.get(), stamp.get(), true), c.size > 0);
        int mismatches = 0;
        for (int r = 0; r < c.height; ++r) {
            for (int col = 0; col < c.width; ++col) {
                const bool inside = c.size > 0 && r >= c.height - c.size && col >= c.width - c.size;
                const auto expected = inside ? stampColour((r - (c.height - c.size)) * c.step,
                                                           (col - (c.width - c.size)) * c.step)
                                             : captureColour(r, col);
                const unsigned char* actual = pixelOf(capture.get(), r, col, 3);
                mismatches += !std::equal(actual, actual + 3, expected.begin());
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(StampCaptureImage, BannerIsBlendedByItsAlpha) {
    struct Case {
        int width;
        int height;
        int bannerWidth;
        int bannerHeight;
        bool stamped;
    };
    const Case cases[] = {
        {350, 100, 350, 100, true},  {800, 600, 350, 100, true},  {800, 600, 120, 40, true},
        {349, 100, 350, 100, false}, {350, 99, 350, 100, false},  {349, 600, 120, 40, false},
        {800, 600, 351, 100, false}, {800, 600, 350, 101, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " banner " +
                     std::to_string(c.bannerWidth) + "x" + std::to_string(c.bannerHeight));
        ImagePtr banner(makeImage(c.bannerWidth, c.bannerHeight, 4, stampColour));
        ImagePtr capture(makeImage(c.width, c.height, 3, captureColour));
        ASSERT_EQ(NSUI::stampCaptureImage(capture.get(), banner.get(), false), c.stamped);
        int mismatches = 0;
        for (int r = 0; r < c.height; ++r) {
            for (int col = 0; col < c.width; ++col) {
                const int br = r - (c.height - c.bannerHeight);
                const int bc = col - (c.width - c.bannerWidth);
                auto expected = captureColour(r, col);
                if (c.stamped && br >= 0 && bc >= 0) {
                    const auto source = stampColour(br, bc);
                    if (source[3] == 255) {
                        expected = source;
                    } else if (source[3] == 127) {
                        for (int k = 0; k < 3; ++k) {
                            const float a = 127 / 255.0f;
                            expected[k] =
                                static_cast<unsigned char>(source[k] * a + expected[k] * (1 - a));
                        }
                    }
                }
                const unsigned char* actual = pixelOf(capture.get(), r, col, 3);
                mismatches += !std::equal(actual, actual + 3, expected.begin());
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(StampCaptureImage, PicturesOfTheWrongShapeAreLeftAlone) {
    struct Case {
        const char* name;
        int captureChannels;
        int stampWidth;
        int stampHeight;
        int stampChannels;
        bool square;
    };
    const Case cases[] = {
        {"square stamp too narrow", 3, 299, 300, 4, true},
        {"square stamp too low", 3, 300, 299, 4, true},
        {"square stamp without alpha", 3, 300, 300, 3, true},
        {"banner without alpha", 3, 350, 100, 3, false},
        {"capture with alpha, square", 4, 300, 300, 4, true},
        {"capture with alpha, banner", 4, 350, 100, 4, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ImagePtr stamp(makeImage(c.stampWidth, c.stampHeight, c.stampChannels, stampColour));
        ImagePtr capture(makeImage(1200, 1200, c.captureChannels, captureColour));
        const std::vector<unsigned char> before(capture->getData(),
                                                capture->getData() + capture->getDataLen());
        EXPECT_FALSE(NSUI::stampCaptureImage(capture.get(), stamp.get(), c.square));
        EXPECT_TRUE(std::equal(before.begin(), before.end(), capture->getData()));
    }
    ImagePtr empty(new Image());
    ImagePtr capture(makeImage(1200, 1200, 3, captureColour));
    EXPECT_FALSE(NSUI::stampCaptureImage(capture.get(), empty.get(), true));
    EXPECT_FALSE(NSUI::stampCaptureImage(empty.get(), capture.get(), false));
    EXPECT_FALSE(NSUI::stampCaptureImage(nullptr, capture.get(), false));
}

TEST(StampCaptureImage, ShippedStampsFitTheStampRules) {
    const struct {
        const char* path;
        int width;
        int height;
    } stamps[] = {{"UIRes/qrcode.png", 300, 300}, {"UIRes/qrcode2.png", 350, 100}};
    for (const auto& s : stamps) {
        SCOPED_TRACE(s.path);
        ImagePtr stamp(new Image());
        ASSERT_TRUE(stamp->initWithImageFile(
            cocos2d::FileUtils::getInstance()->fullPathForFilename(s.path)));
        EXPECT_EQ(stamp->getWidth(), s.width);
        EXPECT_EQ(stamp->getHeight(), s.height);
        EXPECT_TRUE(stamp->hasAlpha());
    }
}

// Capture files on disk with the stamp of the language the application reports, and the
// notification that announces them.
class CaptureFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        center_ = NSUI::NSNotificationCenter::getInstance();
        center_->addObserver(
            this, nullptr,
            [this](cocos2d::Ref* sender, unsigned, NSUI::NSNotificationData* data) {
                EXPECT_EQ(sender, nullptr);
                announced_.push_back(data != nullptr ? data->stringValue : "<no data>");
            },
            NSUI::NOTIFY_CAPTURE_SAVED);
    }

    void TearDown() override {
        NSUI::NSNotificationCenter::destroyInstance();
        frame(0.0f);
    }

    static void frame(float dt) { cocos2d::Director::getInstance()->mainLoop(dt); }

    // Enough frames for every queued ordinary post.
    static void deliver() {
        for (int i = 0; i < 4; ++i) {
            frame(0.6f);
        }
    }

    std::string writeCapture(const std::string& name, int width, int height) {
        const std::string path = (dir_ / name).string();
        ImagePtr image(makeImage(width, height, 3, [](int, int) {
            return std::vector<unsigned char>{200, 100, 50};
        }));
        EXPECT_TRUE(image->saveToFile(path, true));
        return path;
    }

    static std::string contentOf(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    static ImagePtr load(const std::string& path) {
        ImagePtr image(new Image());
        EXPECT_TRUE(image->initWithImageFile(path));
        return image;
    }

    bvtest::TempDir dir_;
    bvtest::FixedLanguageApplication application_{LanguageType::ENGLISH};
    NSUI::NSNotificationCenter* center_ = nullptr;
    std::vector<std::string> announced_;
};

TEST_F(CaptureFileTest, TooSmallCapturesAreKeptAsCapturedAndStillAnnounced) {
    struct Case {
        LanguageType language;
        int width;
        int height;
    };
    const Case cases[] = {
        {LanguageType::CHINESE, 1000, 499},
        {LanguageType::ENGLISH, 349, 100},
        {LanguageType::GERMAN, 350, 99},
    };
    std::vector<std::string> paths;
    for (const auto& c : cases) {
        application_.setLanguage(c.language);
        const std::string path = writeCapture(
            std::to_string(c.width) + "x" + std::to_string(c.height) + ".jpg", c.width, c.height);
        const std::string before = contentOf(path);
        NSUI::addQrCodeAndNotify(path);
        EXPECT_EQ(contentOf(path), before) << path;
        paths.push_back(path);
    }
    deliver();
    EXPECT_EQ(announced_, paths);
}

TEST_F(CaptureFileTest, ChineseCaptureGetsTheSquareStamp) {
    application_.setLanguage(LanguageType::CHINESE);
    const std::string path = writeCapture("wide.jpg", 1000, 600);
    NSUI::addQrCodeToImage(path);
    ImagePtr stamped = load(path);
    ASSERT_EQ(stamped->getWidth(), 1000);
    ASSERT_EQ(stamped->getHeight(), 600);
    ImagePtr stamp =
        load(cocos2d::FileUtils::getInstance()->fullPathForFilename("UIRes/qrcode.png"));
    double stampError = 0;
    double outsideError = 0;
    for (int r = 0; r < 100; ++r) {
        for (int c = 0; c < 100; ++c) {
            const unsigned char* expected = pixelOf(stamp.get(), r * 3, c * 3, 4);
            const unsigned char* actual = pixelOf(stamped.get(), 500 + r, 900 + c, 3);
            const unsigned char* outside = pixelOf(stamped.get(), 390 + r, 790 + c, 3);
            const unsigned char plain[3] = {200, 100, 50};
            for (int k = 0; k < 3; ++k) {
                stampError += std::abs(actual[k] - expected[k]);
                outsideError += std::abs(outside[k] - plain[k]);
            }
        }
    }
    // JPEG loses detail at the stamp's sharp edges; a missing stamp differs by ~100 per byte.
    EXPECT_LT(stampError / 30000, 12.0);
    EXPECT_LT(outsideError / 30000, 3.0);
}

TEST_F(CaptureFileTest, OtherLanguagesGetTheBannerBlended) {
    application_.setLanguage(LanguageType::FRENCH);
    const std::string path = writeCapture("banner.jpg", 350, 100);
    NSUI::addQrCodeToImage(path);
    ImagePtr stamped = load(path);
    ImagePtr banner =
        load(cocos2d::FileUtils::getInstance()->fullPathForFilename("UIRes/qrcode2.png"));
    const unsigned char plain[3] = {200, 100, 50};
    for (const auto& point : {std::pair<int, int>{50, 300}, {50, 200}, {60, 40}, {40, 20}}) {
        const unsigned char* source = pixelOf(banner.get(), point.first, point.second, 4);
        const unsigned char* actual = pixelOf(stamped.get(), point.first, point.second, 3);
        const float a = source[3] / 255.0f;
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(actual[k], source[k] * a + plain[k] * (1 - a), 8)
                << "at " << point.first << "," << point.second << " alpha " << int(source[3]);
        }
    }
}

TEST_F(CaptureFileTest, UnreadableFilesAreNotWrittenButAnnounced) {
    const std::string missing = (dir_ / "missing.jpg").string();
    const std::string damaged = (dir_ / "damaged.jpg").string();
    std::ofstream(damaged) << "not a picture";
    NSUI::addQrCodeAndNotify(missing);
    NSUI::addQrCodeAndNotify(damaged);
    deliver();
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_EQ(contentOf(damaged), "not a picture");
    EXPECT_EQ(announced_, (std::vector<std::string>{missing, damaged}));
}

TEST_F(CaptureFileTest, MissingStampPictureLeavesTheCapture) {
    auto* files = cocos2d::FileUtils::getInstance();
    bvtest::TempDir emptyRoot;
    const bvtest::KeptResourcePaths kept;
    files->setDefaultResourceRootPath(emptyRoot.str());
    files->setSearchPaths({});
    const std::string path = writeCapture("large.jpg", 1000, 600);
    const std::string before = contentOf(path);
    NSUI::addQrCodeToImage(path);
    EXPECT_EQ(contentOf(path), before);
}

TEST_F(CaptureFileTest, HeadlessCaptureMakesTheFolderAndAnnouncesNothing) {
    const std::string folder =
        cocos2d::FileUtils::getInstance()->getWritablePath() + "qn/tmp/capture/";
    EXPECT_EQ(NSUI::getCaptureFolder(), folder);
    std::filesystem::remove_all(folder);
    NSUI::captureScreenToJpeg(0, 0, 0, 0);
    deliver();
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_TRUE(announced_.empty());
}

}  // namespace
