#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/platform/Image.h"
#include "imagesdk/data/isClut.h"
#include "imagesdk/render/isNodeImageByShader.h"
#include "imagesdk/render/isRenderWindowBase.h"
#include "tests/display/DisplayFixture.h"
#include "tests/imagesdk/render/SliceSamples.h"

using namespace cocos2d;
using bvtest::colourNear;
using imagesdktest::SampleSlice;
using isImageSDK::isNodeImageByShader;
using isImageSDK::isRenderWindowBase;

namespace {

constexpr int kColumns = 48;
constexpr int kRows = 40;
constexpr float kSpacingX = 2.0f;
constexpr float kSpacingY = 1.5f;

// Two markers of 3 x 3 pixels centred on these pixels, white and grey, on black.
struct Marker {
    int column, row;
    std::uint8_t value;
};
constexpr Marker kMarkers[] = {{8, 6, 255}, {37, 30, 128}};

SampleSlice* markedSlice(const Mat4& matrix) {
    std::vector<std::uint8_t> pixels(std::size_t(kColumns) * kRows, 0);
    for (const Marker& m : kMarkers) {
        for (int dr = -1; dr <= 1; ++dr) {
            for (int dc = -1; dc <= 1; ++dc) {
                pixels[std::size_t(m.row + dr) * kColumns + std::size_t(m.column + dc)] = m.value;
            }
        }
    }
    auto* slice = new SampleSlice(kColumns, kRows, pixels, 0);
    slice->record.pixelSpacingX = kSpacingX;
    slice->record.pixelSpacingY = kSpacingY;
    slice->record.matrix = matrix;
    return slice;
}

// Slice matrix from the row and column directions and the first pixel's centre.
Mat4 sliceMatrix(const Vec3& row, const Vec3& column, const Vec3& origin) {
    Vec3 normal;
    Vec3::cross(row, column, &normal);
    Mat4 m;
    const float values[16] = {row.x,    row.y,    row.z,    0, column.x, column.y, column.z, 0,
                              normal.x, normal.y, normal.z, 0, origin.x, origin.y, origin.z, 1};
    std::copy(values, values + 16, m.m);
    return m;
}

class SliceOrientationDrawingTest : public bvtest::DisplayFixture {
protected:
    // Shows the slice in a full-frame window looking at it against its normal.
    isRenderWindowBase* show(SampleSlice& slice, const Vec3& up) {
        Scene* scene = Scene::create();
        Director::getInstance()->runWithScene(scene);
        isRenderWindowBase* window = isRenderWindowBase::create();
        window->setContentSize(Size(kWidth, kHeight));
        window->setPosition(Vec2(0, 0));
        scene->addChild(window);
        const Mat4& m = slice.record.matrix;
        Vec3 centre;
        m.transformPoint(Vec3(kColumns * kSpacingX / 2, kRows * kSpacingY / 2, 0), &centre);
        const Vec3 normal(m.m[8], m.m[9], m.m[10]);
        window->setCameraEye(centre - normal * 1000.0f);
        window->setCameraLookAt(centre, up);
        isNodeImageByShader* node = isNodeImageByShader::create();
        isImageSDK::isClut* clut = isImageSDK::isClut::create();
        clut->setWindowLevel(255.0f, 128.0f);
        node->setClut(clut);
        node->setSliceInfo(&slice.record);
        window->addActorNode(node);
        return window;
    }

    // Each marker's centre pixel shows at the window point of matrix x (c sx, r sy), and two
    // marker widths away from it along the screen's x the background shows.
    void expectMarkers(isRenderWindowBase* window, const Mat4& m, const char* picture,
                       Vec2* firstAt = nullptr) {
        Image frame;
        ASSERT_TRUE(renderAndCapture(picture, &frame));
        for (const Marker& marker : kMarkers) {
            Vec3 world;
            m.transformPoint(Vec3(marker.column * kSpacingX, marker.row * kSpacingY, 0), &world);
            const Vec2 at = window->worldToScreen(world);
            if (firstAt != nullptr && &marker == &kMarkers[0]) {
                *firstAt = at;
            }
            const int x = int(std::floor(at.x));
            const int y = int(std::floor(at.y));
            ASSERT_TRUE(x >= 8 && y >= 8 && x < kWidth - 8 && y < kHeight - 8)
                << picture << " marker off screen at " << at.x << ", " << at.y;
            const Color3B value(marker.value, marker.value, marker.value);
            EXPECT_TRUE(colourNear(pixelAt(frame, x, y), value, 2))
                << picture << " marker " << int(marker.value) << " at " << x << ", " << y;
            EXPECT_TRUE(colourNear(pixelAt(frame, x + 8, y), Color3B(0, 0, 0), 2)) << picture;
            EXPECT_TRUE(colourNear(pixelAt(frame, x - 8, y), Color3B(0, 0, 0), 2)) << picture;
        }
    }

    void checkUprightAndFlipped(const std::string& name, const Vec3& row, const Vec3& column);
};

TEST_F(SliceOrientationDrawingTest, AxialSliceAsRadiologistsReadIt) {
    // Rows run to the patient's left (+x), columns to posterior (+y); seen from the feet with
    // anterior up, at one millimetre per screen pixel.
    const Mat4 m = sliceMatrix(Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(-40, -25, 12));
    std::unique_ptr<SampleSlice> slice(markedSlice(m));
    isRenderWindowBase* window = show(*slice, Vec3(0, -1, 0));
    Image frame;
    ASSERT_TRUE(renderAndCapture("axial.png", &frame));
    // The camera looks at the slice centre (7, 5, 12): world (x, y) shows at
    // (160 + x - 7, 120 - (y - 5)).
    for (const Marker& marker : kMarkers) {
        const float x = -40 + marker.column * kSpacingX;
        const float y = -25 + marker.row * kSpacingY;
        const int sx = int(std::floor(160 + x - 7));
        const int sy = int(std::floor(120 - (y - 5)));
        EXPECT_TRUE(colourNear(pixelAt(frame, sx, sy),
                               Color3B(marker.value, marker.value, marker.value), 2))
            << "marker " << int(marker.value) << " at " << sx << ", " << sy;
    }
    expectMarkers(window, m, "axial-projected.png");
}

// Both views looked at from the patient's right or front, head up, then mirrored.
void SliceOrientationDrawingTest::checkUprightAndFlipped(const std::string& name, const Vec3& row,
                                                         const Vec3& column) {
    const Mat4 m = sliceMatrix(row, column, Vec3(3, -30, 50));
    std::unique_ptr<SampleSlice> slice(markedSlice(m));
    isRenderWindowBase* window = show(*slice, Vec3(0, 0, 1));
    Vec2 before;
    expectMarkers(window, m, (name + ".png").c_str(), &before);
    // The first rows lie towards the head: screen up.
    Vec3 world;
    m.transformPoint(Vec3(kMarkers[1].column * kSpacingX, kMarkers[1].row * kSpacingY, 0), &world);
    EXPECT_GT(before.y, window->worldToScreen(world).y);

    window->flipHorizontal();
    Vec2 after;
    expectMarkers(window, m, (name + "-flipped.png").c_str(), &after);
    // Mirrored about the window's vertical centre line.
    EXPECT_NEAR(after.x - kWidth / 2.0f, -(before.x - kWidth / 2.0f), 1.5f);
    EXPECT_NEAR(after.y, before.y, 1.5f);
}

TEST_F(SliceOrientationDrawingTest, SagittalSliceUprightAndFlipped) {
    checkUprightAndFlipped("sagittal", Vec3(0, 1, 0), Vec3(0, 0, -1));
}

TEST_F(SliceOrientationDrawingTest, CoronalSliceUprightAndFlipped) {
    checkUprightAndFlipped("coronal", Vec3(1, 0, 0), Vec3(0, 0, -1));
}

}  // namespace
