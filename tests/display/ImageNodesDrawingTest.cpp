#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/base/Director.h"
#include "engine/base/RefPtr.h"
#include "engine/platform/Image.h"
#include "engine/renderer/Configuration.h"
#include "engine/renderer/Texture2D.h"
#include "imagesdk/data/isClut.h"
#include "imagesdk/render/isNodeImage.h"
#include "imagesdk/render/isNodeImageByShader.h"
#include "tests/display/DisplayFixture.h"
#include "tests/imagesdk/render/SliceSamples.h"
#include "tests/support/lib/WorldCameraScene.h"

using namespace cocos2d;
using imagesdktest::SampleSlice;
using isImageSDK::isClut;
using isImageSDK::isNodeImage;
using isImageSDK::isNodeImageByShader;

namespace {

constexpr int kSliceWidth = 120;
constexpr int kSliceHeight = 90;
// Frame pixels of the two copies' first pixels: the GPU node left, the CPU node right.
constexpr int kGpuX = 20;
constexpr int kCpuX = 180;
constexpr int kRowY = 60;

// Pixel values around a window [lo, hi]: its ends and middle, values just inside and outside,
// and a spread from a quarter window below to a quarter window above.
std::vector<double> valuesAround(double lo, double hi, bool whole) {
    std::vector<double> values = {lo, hi, (lo + hi) / 2, lo - 1, hi + 1, lo + 1, hi - 1};
    const double span = hi - lo;
    unsigned int seed = 12345;
    while (values.size() < std::size_t(kSliceWidth) * kSliceHeight) {
        seed = seed * 1103515245u + 12345u;
        const double t = double((seed >> 8) & 0xFFFF) / 65535.0;
        const double v = lo - span / 4 + t * span * 1.5;
        values.push_back(whole ? std::floor(v) : v);
    }
    return values;
}

struct Case {
    const char* name;
    int pixelType;
    float width, level;
    int curve;
    bool rainbow;
};

class ImageNodesDrawingTest : public bvtest::DisplayFixture {
protected:
    // A loaded machine can make any frame slow; only the test of that switch sees a slow one.
    void SetUp() override {
        bvtest::DisplayFixture::SetUp();
        isNodeImageByShader::setSlowFrameCheck(0.3f, [] { return 0.0f; });
    }

    void TearDown() override {
        isNodeImageByShader::setShaderSwitch(1);
        isNodeImageByShader::setSlowFrameCheck(0.3f, nullptr);
        bvtest::DisplayFixture::TearDown();
    }

    static isClut* makeClut(const Case& c) {
        isClut* clut = isClut::create();
        if (c.rainbow) {
            imagesdktest::fillRainbowPalette(clut->palette);
        }
        clut->curve = c.curve;
        clut->setPixelType(c.pixelType);
        clut->setWindowLevel(c.width, c.level);
        return clut;
    }

    // Places a node so that pixel (c, r) of the slice covers frame pixel (x + c, y + r).
    static void showAt(isNodeImage* node, SampleSlice& slice, int x, int y) {
        Mat4::createTranslation(float(x) + 0.5f, float(y) + 0.5f, 0.0f, &slice.record.matrix);
        node->setSliceInfo(&slice.record);
    }

    // Largest channel difference between the two copies, over every pixel of the slice.
    static int largestDifference(Image& frame, int* worstX = nullptr, int* worstY = nullptr) {
        int largest = 0;
        for (int r = 0; r < kSliceHeight; ++r) {
            for (int c = 0; c < kSliceWidth; ++c) {
                const Color3B gpu = pixelAt(frame, kGpuX + c, kRowY + r);
                const Color3B cpu = pixelAt(frame, kCpuX + c, kRowY + r);
                const int d = std::max(
                    {std::abs(gpu.r - cpu.r), std::abs(gpu.g - cpu.g), std::abs(gpu.b - cpu.b)});
                if (d > largest) {
                    largest = d;
                    if (worstX != nullptr) {
                        *worstX = c;
                        *worstY = r;
                    }
                }
            }
        }
        return largest;
    }
};

SampleSlice* makeSlice(int pixelType, const std::vector<double>& values) {
    const int w = kSliceWidth;
    const int h = kSliceHeight;
    switch (pixelType) {
    case 0: {
        std::vector<std::uint8_t> p;
        for (double v : values) {
            p.push_back(static_cast<std::uint8_t>(std::min(255.0, std::max(0.0, v))));
        }
        return new SampleSlice(w, h, p, 0);
    }
    case 1: {
        std::vector<std::int16_t> p;
        for (double v : values) {
            p.push_back(static_cast<std::int16_t>(std::min(32767.0, std::max(-32768.0, v))));
        }
        return new SampleSlice(w, h, p, 1);
    }
    case 2: {
        std::vector<float> p(values.begin(), values.end());
        return new SampleSlice(w, h, p, 2);
    }
    case 3: {
        std::vector<std::uint16_t> p;
        for (double v : values) {
            p.push_back(static_cast<std::uint16_t>(std::min(65535.0, std::max(0.0, v))));
        }
        return new SampleSlice(w, h, p, 3);
    }
    default: {
        std::vector<std::uint8_t> p;
        for (std::size_t i = 0; i < values.size(); ++i) {
            p.push_back(static_cast<std::uint8_t>(i * 7));
            p.push_back(static_cast<std::uint8_t>(i * 13));
            p.push_back(static_cast<std::uint8_t>(255 - i));
        }
        return new SampleSlice(w, h, p, 4);
    }
    }
}

TEST_F(ImageNodesDrawingTest, ShaderProgramBuildsFromItsResources) {
    EXPECT_TRUE(isNodeImageByShader::canBuildShaderProgram());
    isNodeImageByShader* node = isNodeImageByShader::create();
    ASSERT_NE(node, nullptr);
    EXPECT_FALSE(node->isFallback());
}

TEST_F(ImageNodesDrawingTest, ShaderGivesTheCpuColoursAtTexelCentres) {
    const Case cases[] = {
        {"u8 linear", 0, 100, 60, 0, false},           {"u8 wide window", 0, 400, 128, 0, false},
        {"s16 linear", 1, 400, 40, 0, false},          {"s16 log10", 1, 400, 40, 1, false},
        {"s16 inverse log10", 1, 400, 40, 2, false},   {"s16 odd width", 1, 255, -600, 0, false},
        {"s16 colour table", 1, 400, 40, 0, true},     {"u16 linear", 3, 1000, 300, 0, false},
        {"u16 log10", 3, 2000, 1500, 1, false},        {"u16 colour table", 3, 4000, 2048, 0, true},
        {"float linear", 2, 400, 40, 0, false},        {"float log10", 2, 400, 40, 1, false},
        {"float inverse log10", 2, 400, 40, 2, false}, {"rgb", 4, 255, 128, 0, false},
    };
    bvtest::WorldCameraScene world(kWidth, kHeight);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const float half = c.width / 2;
        const bool whole = c.pixelType != 2;
        std::unique_ptr<SampleSlice> slice(
            makeSlice(c.pixelType,
                      valuesAround(std::trunc(c.level - half), std::trunc(c.level + half), whole)));
        SampleSlice copy(kSliceWidth, kSliceHeight, slice->bytes, c.pixelType);

        isNodeImageByShader* gpu = isNodeImageByShader::create();
        ASSERT_NE(gpu, nullptr);
        isNodeImage* cpu = isNodeImage::create();
        gpu->setClut(makeClut(c));
        cpu->setClut(makeClut(c));
        showAt(gpu, *slice, kGpuX, kRowY);
        showAt(cpu, copy, kCpuX, kRowY);
        world.add(gpu);
        world.add(cpu);

        Image frame;
        ASSERT_TRUE(renderAndCapture(std::string(c.name) + ".png", &frame));
        ASSERT_FALSE(gpu->isFallback());
        int x = 0;
        int y = 0;
        const int largest = largestDifference(frame, &x, &y);
        EXPECT_LE(largest, c.rainbow ? 0 : 1) << "at pixel " << x << ", " << y;
        // Not trivially equal: the slice shows more than one colour.
        EXPECT_NE(pixelAt(frame, kGpuX, kRowY), pixelAt(frame, kGpuX + 1, kRowY));
        world.scene->removeChild(gpu);
        world.scene->removeChild(cpu);
    }
}

TEST_F(ImageNodesDrawingTest, WindowDragUploadsNoTexture) {
    bvtest::WorldCameraScene world(kWidth, kHeight);
    const Case c = {"s16", 1, 400, 40, 0, false};
    std::unique_ptr<SampleSlice> slice(makeSlice(1, valuesAround(-160, 240, true)));
    SampleSlice copy(kSliceWidth, kSliceHeight, slice->bytes, 1);
    isNodeImageByShader* gpu = isNodeImageByShader::create();
    ASSERT_NE(gpu, nullptr);
    isNodeImage* cpu = isNodeImage::create();
    isClut* gpuClut = makeClut(c);
    isClut* cpuClut = makeClut(c);
    gpu->setClut(gpuClut);
    cpu->setClut(cpuClut);
    showAt(gpu, *slice, kGpuX, kRowY);
    showAt(cpu, copy, kCpuX, kRowY);
    world.add(gpu);
    world.add(cpu);
    Image before;
    ASSERT_TRUE(renderAndCapture("before.png", &before));

    unsigned long long gpuUploads = 0;
    unsigned long long cpuUploads = 0;
    for (int step = 1; step <= 20; ++step) {
        const float width = 400.0f + 10.0f * step;
        const float level = 40.0f + 7.0f * step;
        gpuClut->setWindowLevel(width, level);
        gpu->onWindowLevelChanged();
        unsigned long long start = Texture2D::getUploadCount();
        Director::getInstance()->mainLoop(1.0f / 60.0f);
        gpuUploads += Texture2D::getUploadCount() - start;

        // The CPU node's drag, as a reference: one new texture per step.
        cpuClut->setWindowLevel(width, level);
        cpu->onWindowLevelChanged();
        start = Texture2D::getUploadCount();
        Director::getInstance()->mainLoop(1.0f / 60.0f);
        cpuUploads += Texture2D::getUploadCount() - start;
    }
    EXPECT_EQ(gpuUploads, 0u);
    EXPECT_EQ(cpuUploads, 20u);
    Image after;
    ASSERT_TRUE(renderAndCapture("after.png", &after));
    EXPECT_LE(largestDifference(after), 1);
    EXPECT_NE(pixelAt(before, kGpuX + 5, kRowY + 5), pixelAt(after, kGpuX + 5, kRowY + 5));
}

TEST_F(ImageNodesDrawingTest, SlicesAsLargeAsTheTextureLimitTakeTheCpuPathDecimated) {
    bvtest::WorldCameraScene world(kWidth, kHeight);
    const int limit = Configuration::getInstance()->getMaxTextureSize();
    SampleSlice wide(limit, 2, std::vector<std::uint8_t>(std::size_t(limit) * 2, 100), 0);
    isNodeImageByShader* node = isNodeImageByShader::create();
    ASSERT_NE(node, nullptr);
    node->setClut(isClut::create());
    node->setSliceInfo(&wide.record);
    EXPECT_TRUE(node->isFallback());
    ASSERT_NE(node->getTexture(), nullptr);
    EXPECT_EQ(node->getTexture()->getPixelsWide(), limit / 2);
    EXPECT_FLOAT_EQ(node->getSpriteScale().x, 2.0f);
    // The switch is this node's alone.
    EXPECT_EQ(isNodeImageByShader::getShaderSwitch(), 1);
    isNodeImageByShader* next = isNodeImageByShader::create();
    ASSERT_NE(next, nullptr);
    EXPECT_FALSE(next->isFallback());
}

TEST_F(ImageNodesDrawingTest, ASlowFrameSendsThisAndEveryLaterNodeToTheCpuPath) {
    bvtest::WorldCameraScene world(kWidth, kHeight);
    const Case c = {"u8", 0, 100, 60, 0, false};
    std::unique_ptr<SampleSlice> slice(makeSlice(0, valuesAround(10, 110, true)));
    isNodeImageByShader* fast = isNodeImageByShader::create();
    isNodeImageByShader* slow = isNodeImageByShader::create();
    ASSERT_NE(fast, nullptr);
    ASSERT_NE(slow, nullptr);
    // In no scene: held here, or the first frame's pool drain frees it.
    const auto keepSlow = cocos2d::RefPtr<isNodeImageByShader>::retained(slow);
    fast->setClut(makeClut(c));
    slow->setClut(makeClut(c));
    showAt(fast, *slice, kGpuX, kRowY);
    world.add(fast);
    float frameSeconds = 0.1f;
    isNodeImageByShader::setSlowFrameCheck(0.3f, [&] { return frameSeconds; });
    Image frame;
    ASSERT_TRUE(renderAndCapture("fast.png", &frame));
    EXPECT_FALSE(fast->isFallback());

    frameSeconds = 0.5f;
    ASSERT_TRUE(renderAndCapture("slow.png", &frame));
    EXPECT_TRUE(fast->isFallback());
    EXPECT_EQ(isNodeImageByShader::getShaderSwitch(), 0);
    // A node already on the shader path stays there; new ones start on the CPU path.
    EXPECT_FALSE(slow->isFallback());
    isNodeImageByShader* later = isNodeImageByShader::create();
    ASSERT_NE(later, nullptr);
    EXPECT_TRUE(later->isFallback());
    // The switched node still shows its slice.
    EXPECT_NE(pixelAt(frame, kGpuX, kRowY), pixelAt(frame, kGpuX + 1, kRowY));
}

}  // namespace
