#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "engine/base/Data.h"
#include "engine/platform/FileUtils.h"
#include "engine/platform/Image.h"
#include "tests/support/lib/TempDir.h"

using cocos2d::Image;
using cocos2d::Texture2D;

namespace {

std::vector<unsigned char> gradient(int width, int height, int channels) {
    std::vector<unsigned char> pixels(static_cast<size_t>(width * height * channels));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &pixels[static_cast<size_t>((y * width + x) * channels)];
            p[0] = static_cast<unsigned char>(x * 255 / (width - 1));
            p[1] = static_cast<unsigned char>(y * 255 / (height - 1));
            p[2] = 128;
            if (channels == 4) {
                p[3] = static_cast<unsigned char>((x + y) % 256);
            }
        }
    }
    return pixels;
}

std::vector<unsigned char> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
}

}  // namespace

TEST(ImageTest, PngRoundTripKeepsEveryByteWithAndWithoutAlpha) {
    bvtest::TempDir dir;
    for (int channels : {3, 4}) {
        SCOPED_TRACE(channels);
        const auto pixels = gradient(37, 21, channels);
        Image source;
        ASSERT_TRUE(
            source.initWithRawData(pixels.data(), static_cast<ssize_t>(pixels.size()), 37, 21, 8));
        const std::string path = (dir / ("round" + std::to_string(channels) + ".png")).string();
        ASSERT_TRUE(source.saveToFile(path, false));

        Image loaded;
        ASSERT_TRUE(loaded.initWithImageFile(path));
        EXPECT_EQ(loaded.getFileType(), Image::Format::PNG);
        EXPECT_EQ(loaded.getWidth(), 37);
        EXPECT_EQ(loaded.getHeight(), 21);
        EXPECT_EQ(loaded.hasAlpha(), channels == 4);
        EXPECT_FALSE(loaded.isPremultipliedAlpha());
        ASSERT_EQ(loaded.getDataLen(), static_cast<ssize_t>(pixels.size()));
        EXPECT_EQ(std::vector<unsigned char>(loaded.getData(), loaded.getData() + pixels.size()),
                  pixels);
    }
}

TEST(ImageTest, SavingRgbaAsRgbDropsAlpha) {
    bvtest::TempDir dir;
    const auto pixels = gradient(8, 8, 4);
    Image source;
    ASSERT_TRUE(
        source.initWithRawData(pixels.data(), static_cast<ssize_t>(pixels.size()), 8, 8, 8));
    const std::string path = (dir / "rgb.png").string();
    ASSERT_TRUE(source.saveToFile(path, true));
    Image loaded;
    ASSERT_TRUE(loaded.initWithImageFile(path));
    EXPECT_FALSE(loaded.hasAlpha());
    EXPECT_EQ(loaded.getRenderFormat(), Texture2D::PixelFormat::RGB888);
    EXPECT_EQ(loaded.getData()[3 * 9], pixels[4 * 9]);
}

TEST(ImageTest, JpegRoundTripIsCloseAndAlwaysRgb) {
    bvtest::TempDir dir;
    const auto pixels = gradient(64, 48, 4);
    Image source;
    ASSERT_TRUE(
        source.initWithRawData(pixels.data(), static_cast<ssize_t>(pixels.size()), 64, 48, 8));
    const std::string path = (dir / "shot.JPG").string();
    ASSERT_TRUE(source.saveToFile(path));

    Image loaded;
    ASSERT_TRUE(loaded.initWithImageFile(path));
    EXPECT_EQ(loaded.getFileType(), Image::Format::JPG);
    EXPECT_EQ(loaded.getRenderFormat(), Texture2D::PixelFormat::RGB888);
    ASSERT_EQ(loaded.getWidth(), 64);
    ASSERT_EQ(loaded.getHeight(), 48);
    int worst = 0;
    for (int i = 0; i < 64 * 48; ++i) {
        for (int c = 0; c < 3; ++c) {
            worst = std::max(worst, std::abs(loaded.getData()[i * 3 + c] - pixels[i * 4 + c]));
        }
    }
    EXPECT_LT(worst, 16);
}

TEST(ImageTest, FormatComesFromContentNotFromName) {
    bvtest::TempDir dir;
    const auto pixels = gradient(4, 4, 3);
    Image source;
    ASSERT_TRUE(
        source.initWithRawData(pixels.data(), static_cast<ssize_t>(pixels.size()), 4, 4, 8));
    const std::string png = (dir / "a.png").string();
    const std::string jpg = (dir / "b.jpg").string();
    ASSERT_TRUE(source.saveToFile(png));
    ASSERT_TRUE(source.saveToFile(jpg));
    // Thumbnails are stored without an extension, and a file may carry the wrong one.
    const std::string bare = (dir / "thrumb0").string();
    const std::string misnamed = (dir / "really-jpeg.png").string();
    std::filesystem::copy_file(png, bare);
    std::filesystem::copy_file(jpg, misnamed);

    Image fromBare;
    ASSERT_TRUE(fromBare.initWithImageFile(bare));
    EXPECT_EQ(fromBare.getFileType(), Image::Format::PNG);
    Image fromMisnamed;
    ASSERT_TRUE(fromMisnamed.initWithImageFile(misnamed));
    EXPECT_EQ(fromMisnamed.getFileType(), Image::Format::JPG);

    const auto bytes = readFile(jpg);
    Image fromMemory;
    ASSERT_TRUE(fromMemory.initWithImageData(bytes.data(), static_cast<ssize_t>(bytes.size())));
    EXPECT_EQ(fromMemory.getWidth(), 4);
}

TEST(ImageTest, RefusesWhatItCannotDecode) {
    bvtest::TempDir dir;
    const auto pixels = gradient(16, 16, 3);
    Image source;
    ASSERT_TRUE(
        source.initWithRawData(pixels.data(), static_cast<ssize_t>(pixels.size()), 16, 16, 8));
    const std::string png = (dir / "whole.png").string();
    const std::string jpg = (dir / "whole.jpg").string();
    ASSERT_TRUE(source.saveToFile(png));
    ASSERT_TRUE(source.saveToFile(jpg));

    const std::string text = "GIF89a not a picture we read";
    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
    };
    auto truncated = [](std::vector<unsigned char> bytes) {
        bytes.resize(bytes.size() / 2);
        return bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"other format", std::vector<unsigned char>(text.begin(), text.end())},
        {"png signature only", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'}},
        {"truncated png", truncated(readFile(png))},
        {"truncated jpeg", truncated(readFile(jpg))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Image image;
        EXPECT_FALSE(image.initWithImageData(c.bytes.data(), static_cast<ssize_t>(c.bytes.size())));
        EXPECT_EQ(image.getData(), nullptr);
    }
    Image missing;
    EXPECT_FALSE(missing.initWithImageFile((dir / "absent.png").string()));
}

TEST(ImageTest, SaveNeedsAKnownExtensionAndAWritableFolder) {
    bvtest::TempDir dir;
    const auto pixels = gradient(4, 4, 3);
    Image image;
    ASSERT_TRUE(image.initWithRawData(pixels.data(), static_cast<ssize_t>(pixels.size()), 4, 4, 8));
    EXPECT_FALSE(image.saveToFile((dir / "picture.bmp").string()));
    EXPECT_FALSE(image.saveToFile((dir / "noextension").string()));
    EXPECT_FALSE(image.saveToFile((dir / "missing" / "x.jpg").string()));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing" / "x.jpg"));
    EXPECT_TRUE(image.saveToFile((dir / "upper.JPEG").string()));

    Image empty;
    EXPECT_FALSE(empty.saveToFile((dir / "empty.png").string()));
    EXPECT_FALSE(empty.initWithRawData(pixels.data(), 47, 4, 4, 8));
}
