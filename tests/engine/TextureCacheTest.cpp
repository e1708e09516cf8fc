#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "engine/platform/Image.h"
#include "engine/renderer/Texture2D.h"
#include "engine/renderer/TextureCache.h"
#include "tests/support/lib/TempDir.h"

using namespace cocos2d;

namespace {

// Headless: textures carry sizes but no GL names. Hand-backs arrive through the director's
// scheduler, so the asynchronous tests run frames until their callbacks came.
class TextureCacheTest : public ::testing::Test {
protected:
    void TearDown() override { Director::getInstance()->purgeDirector(); }

    std::string writePicture(const std::string& name, int width, int height) {
        std::vector<unsigned char> pixels(static_cast<size_t>(width * height * 3), 90);
        Image image;
        image.initWithRawData(pixels.data(), static_cast<ssize_t>(pixels.size()), width, height, 8);
        const std::string path = (_dir / name).string();
        EXPECT_TRUE(image.saveToFile(path));
        return path;
    }

    void runFramesUntil(const std::function<bool()>& done) {
        for (int frame = 0; frame < 2000 && !done(); ++frame) {
            Director::getInstance()->mainLoop(0.0f);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    bvtest::TempDir _dir;
    TextureCache _cache;
};

}  // namespace

TEST_F(TextureCacheTest, SynchronousLoadsAreCachedByFullPath) {
    const std::string path = writePicture("a.png", 6, 4);
    Texture2D* first = _cache.addImage(path);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->getPixelsWide(), 6);
    EXPECT_EQ(first->getPixelsHigh(), 4);
    EXPECT_EQ(first->getPixelFormat(), Texture2D::PixelFormat::RGB888);
    EXPECT_EQ(first->getName(), 0u);
    EXPECT_EQ(_cache.addImage(path), first);
    EXPECT_EQ(_cache.getTextureForKey(path), first);
    EXPECT_EQ(_cache.getTextureCount(), 1u);
    EXPECT_EQ(_cache.addImage((_dir / "missing.png").string()), nullptr);
    EXPECT_EQ(_cache.getTextureCount(), 1u);
}

TEST_F(TextureCacheTest, EvictionDropsOnlyWhatNothingElseHolds) {
    Texture2D* kept = _cache.addImage(writePicture("kept.png", 2, 2));
    Texture2D* dropped = _cache.addImage(writePicture("dropped.png", 2, 2));
    ASSERT_NE(kept, nullptr);
    ASSERT_NE(dropped, nullptr);
    kept->retain();
    _cache.removeUnusedTextures();
    EXPECT_EQ(_cache.getTextureCount(), 1u);
    EXPECT_EQ(_cache.getTextureForKey((_dir / "kept.png").string()), kept);
    EXPECT_EQ(_cache.getTextureForKey((_dir / "dropped.png").string()), nullptr);
    _cache.removeTextureForKey((_dir / "kept.png").string());
    EXPECT_EQ(_cache.getTextureCount(), 0u);
    EXPECT_EQ(kept->getPixelsWide(), 2);
    kept->release();
}

TEST_F(TextureCacheTest, AsynchronousLoadsArriveInOrderOnTheMainThread) {
    const std::thread::id mainThread = std::this_thread::get_id();
    std::vector<std::string> arrived;
    std::vector<Texture2D*> textures;
    const std::vector<std::string> paths = {
        writePicture("1.png", 3, 3), writePicture("2.jpg", 5, 5), (_dir / "absent.png").string(),
        writePicture("4.png", 7, 7)};
    for (const auto& path : paths) {
        _cache.addImageAsync(path, [&, path](Texture2D* texture) {
            EXPECT_EQ(std::this_thread::get_id(), mainThread);
            arrived.push_back(path);
            textures.push_back(texture);
        });
    }
    EXPECT_TRUE(arrived.empty());
    runFramesUntil([&] { return arrived.size() == paths.size(); });
    ASSERT_EQ(arrived, paths);
    EXPECT_EQ(textures[1]->getPixelsWide(), 5);
    // A file that cannot be read still answers, with no texture.
    EXPECT_EQ(textures[2], nullptr);
    EXPECT_EQ(_cache.getTextureCount(), 3u);

    bool immediate = false;
    _cache.addImageAsync(paths[0], [&](Texture2D* texture) { immediate = texture == textures[0]; });
    EXPECT_TRUE(immediate);
}

TEST_F(TextureCacheTest, UnboundRequestsStillLoadButCallNobody) {
    const std::string path = writePicture("quiet.png", 4, 4);
    const std::string other = writePicture("loud.png", 4, 4);
    bool quietCalled = false;
    bool loudCalled = false;
    _cache.addImageAsync(
        path, [&](Texture2D*) { quietCalled = true; }, "screen-a");
    _cache.addImageAsync(
        other, [&](Texture2D*) { loudCalled = true; }, "screen-b");
    _cache.unbindImageAsync("screen-a");
    runFramesUntil([&] { return loudCalled; });
    runFramesUntil([&] { return _cache.getTextureForKey(path) != nullptr; });
    EXPECT_FALSE(quietCalled);
    EXPECT_NE(_cache.getTextureForKey(path), nullptr);
}

TEST(TextureCacheLifetimeTest, DestroyingTheCacheWithLoadsInFlightCallsNobody) {
    bvtest::TempDir dir;
    std::vector<unsigned char> pixels(64 * 64 * 3, 7);
    Image image;
    image.initWithRawData(pixels.data(), static_cast<ssize_t>(pixels.size()), 64, 64, 8);
    const std::string path = (dir / "big.png").string();
    ASSERT_TRUE(image.saveToFile(path));
    bool called = false;
    {
        TextureCache cache;
        for (int i = 0; i < 8; ++i) {
            cache.addImageAsync(path, [&](Texture2D*) { called = true; });
        }
    }
    for (int frame = 0; frame < 20; ++frame) {
        Director::getInstance()->mainLoop(0.0f);
    }
    EXPECT_FALSE(called);
    Director::getInstance()->purgeDirector();
}
