#include "imagesdk/render/isRegionCrop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/AutoreleasePool.h"
#include "engine/base/Director.h"
#include "imagesdk/data/PixelType.h"
#include "imagesdk/data/isImagePlane.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "tests/imagesdk/VolumeFixture.h"
#include "toolkit/core/NSNotificationCenter.h"

using cocos2d::RefPtr;
using cocos2d::Vec3;
using namespace isImageSDK;

namespace {

struct SliceDeleter {
    void operator()(isSliceInfo* slice) const {
        std::free(slice->data);
        delete slice;
    }
};
using OwnedSlice = std::unique_ptr<isSliceInfo, SliceDeleter>;

// Takes over the slices of NOTIFY_SAVE_REFORMAT as the saving service does.
class CropReceiver {
public:
    struct Post {
        cocos2d::Ref* sender;
        std::string identity;
        int remaining;
        unsigned key;
        OwnedSlice slice;
    };

    CropReceiver() {
        NSUI::NSNotificationCenter::getInstance()->addObserver(
            this, nullptr,
            [this](cocos2d::Ref* sender, unsigned, NSUI::NSNotificationData* data) {
                OwnedSlice slice(static_cast<isSliceInfo*>(data->buffer));
                data->buffer = nullptr;
                posts.push_back(
                    {sender, data->stringValue, data->intValue, data->key, std::move(slice)});
            },
            NOTIFY_SAVE_REFORMAT);
    }
    ~CropReceiver() { NSUI::NSNotificationCenter::getInstance()->removeObserver(this); }

    // Waits for the run, then lets every post arrive.
    void collect(isRegionCrop* crop) {
        crop->wait();
        deliver();
    }

    static void deliver() {
        for (int i = 0; i < 6; ++i) {
            cocos2d::Director::getInstance()->mainLoop(0.6f);
        }
    }

    std::vector<Post> posts;
};

// The plane the window shows at one position, as the window's own filter makes it.
class ShownPlane {
public:
    ShownPlane(isImageData* data, int axis, int mode, float thickness)
        : plane(isImagePlane::create()) {
        plane->setInputData(data);
        plane->setAxis(axis);
        plane->setSlabMode(mode);
        plane->setSlabThickness(thickness);
    }
    ~ShownPlane() { plane->release(); }

    const isSliceInfo* at(int position) {
        plane->setIndex(position);
        plane->update();
        return plane->getOutputImage()->slices.front();
    }
    int positions() { return plane->getNumberOfPositions(); }

    isImagePlane* plane;
};

// A request over the slice shown at the middle position with the corners given in its pixels.
RegionCropRequest requestFor(isImageData* data, int axis, int mode, float thickness,
                             const isSliceInfo* shown, const float pixels[4][2],
                             cocos2d::Ref* sender) {
    RegionCropRequest request;
    request.data = RefPtr<isImageData>::retained(data);
    request.axis = axis;
    request.slabMode = mode;
    request.slabThickness = thickness;
    request.windowWidth = 400.0f;
    request.windowCentre = 40.0f;
    request.setDisplayedSlice(*shown);
    for (int i = 0; i < 4; ++i) {
        shown->matrix.transformPoint(
            Vec3(pixels[i][0] * shown->pixelSpacingX, pixels[i][1] * shown->pixelSpacingY, 0.0f),
            &request.corners[i]);
    }
    request.sender = sender;
    request.notificationKey = 4242;
    return request;
}

class RegionCropTest : public ::testing::Test {
protected:
    void TearDown() override { cocos2d::PoolManager::getInstance()->getCurrentPool()->clear(); }

    RefPtr<isImageSDK::isImageData> tiltedVolume(int pixelType) {
        const float spacing[3] = {0.5f, 0.7f, 1.5f};
        cocos2d::Mat4 frame;
        cocos2d::Mat4::createRotationZ(0.3f, &frame);
        frame.m[12] = -40.0f;
        frame.m[13] = 12.0f;
        frame.m[14] = 7.0f;
        return imagesdktest::makeVolume(
            7, 6, 5, pixelType, spacing,
            [](int x, int y, int z) { return double((x * 7 + y * 13 + z * 29) % 100); }, frame);
    }
};

// Every pixel size, each axis and slab mode: every position cut as the window shows it, in
// order, with the run's identity, one path, its window, and the count down to 0.
TEST_F(RegionCropTest, EveryPositionIsCutAsTheWindowShowsIt) {
    const int types[] = {PIXEL_UINT8, PIXEL_INT16, PIXEL_FLOAT32, PIXEL_UINT16, PIXEL_RGB24};
    const float spacing[3] = {0.5f, 0.7f, 1.5f};
    int run = 0;
    for (int type : types) {
        for (int axis = 0; axis < 3; ++axis) {
            const int mode = (run++) % 4;
            RefPtr<isImageData> volume = tiltedVolume(type);
            int k = 0;
            for (isSliceInfo* slice : volume->slices) {
                slice->path = "/series/" + std::to_string(k++) + ".dcm";
            }
            // Three samples along the axis.
            const float thickness = 2.2f * spacing[axis == 0 ? 2 : axis == 1 ? 0 : 1];
            ShownPlane shown(volume.get(), axis, mode, thickness);
            const int positions = shown.positions();
            const isSliceInfo* middle = shown.at(positions / 2);
            // Corners from pixel (1, 2) to (3, 4) in a shuffled order.
            const float corners[4][2] = {{3, 4}, {1, 2}, {1, 4}, {3, 2}};
            RegionCropRequest request =
                requestFor(volume.get(), axis, mode, thickness, middle, corners, volume.get());
            CropReceiver receiver;
            RefPtr<isRegionCrop> crop = RefPtr<isRegionCrop>::retained(isRegionCrop::create());
            ASSERT_TRUE(crop->start(request));
            EXPECT_FALSE(crop->start(request));
            receiver.collect(crop.get());

            const std::string name =
                "type " + std::to_string(type) + " axis " + std::to_string(axis);
            ASSERT_EQ(int(receiver.posts.size()), positions) << name;
            const std::string identity = receiver.posts[0].identity;
            EXPECT_FALSE(identity.empty());
            const int bytes = bytesPerPixel(type);
            for (int u = 0; u < positions; ++u) {
                const CropReceiver::Post& post = receiver.posts[std::size_t(u)];
                const isSliceInfo* expected = shown.at(u);
                ASSERT_TRUE(post.slice) << name << " position " << u;
                const isSliceInfo& got = *post.slice;
                EXPECT_EQ(post.sender, volume.get());
                EXPECT_EQ(post.identity, identity);
                EXPECT_EQ(post.remaining, positions - 1 - u);
                EXPECT_EQ(post.key, 4242u);
                EXPECT_EQ(got.width, 3);
                EXPECT_EQ(got.height, 3);
                EXPECT_EQ(got.pixelType, type);
                EXPECT_EQ(got.instanceNumber, u + 1);
                EXPECT_EQ(got.frames, 1);
                EXPECT_EQ(got.windowWidth, 400.0f);
                EXPECT_EQ(got.windowCentre, 40.0f);
                EXPECT_TRUE(got.loaded);
                EXPECT_EQ(got.path, receiver.posts[0].slice->path);
                EXPECT_EQ(got.pixelSpacingX, expected->pixelSpacingX);
                cocos2d::Vec3 origin;
                got.matrix.transformPoint(Vec3::ZERO, &origin);
                cocos2d::Vec3 pixel;
                expected->matrix.transformPoint(
                    Vec3(1 * expected->pixelSpacingX, 2 * expected->pixelSpacingY, 0), &pixel);
                EXPECT_NEAR(origin.distance(pixel), 0.0f, 1e-4f) << name << " position " << u;
                for (int r = 0; r < 3; ++r) {
                    const auto* row = static_cast<const unsigned char*>(expected->data) +
                                      (std::size_t(2 + r) * std::size_t(expected->width) + 1) *
                                          std::size_t(bytes);
                    EXPECT_EQ(std::memcmp(static_cast<const unsigned char*>(got.data) +
                                              std::size_t(r) * 3 * std::size_t(bytes),
                                          row, 3 * std::size_t(bytes)),
                              0)
                        << name << " position " << u << " row " << r;
                }
            }
            EXPECT_EQ(receiver.posts[0].slice->path, "/series/0.dcm") << name;
        }
    }
}

// Which pixels of the shown slice a region keeps.
TEST_F(RegionCropTest, RegionsAreClippedToTheShownSlice) {
    RegionCropRequest request;
    request.hasDisplayedSlice = true;
    request.sliceWidth = 10;
    request.sliceHeight = 8;
    request.spacingX = 0.6f;
    request.spacingY = 0.9f;
    cocos2d::Mat4::createRotationX(0.7f, &request.sliceMatrix);
    request.sliceMatrix.m[12] = 3.3f;
    struct Case {
        const char* name;
        float corners[4][2];
        bool kept;
        int region[4];
    };
    const Case cases[] = {
        {"inside", {{2, 1}, {5, 1}, {5, 6}, {2, 6}}, true, {2, 1, 5, 6}},
        {"partly off on every side", {{-3, -2}, {14, -2}, {14, 20}, {-3, 20}}, true, {0, 0, 9, 7}},
        {"corners on the last column and row",
         {{9, 7}, {0, 7}, {0, 0}, {9, 0}},
         true,
         {0, 0, 9, 7}},
        {"one pixel wide", {{4.6f, 1}, {4.2f, 1}, {4.2f, 3}, {4.6f, 3}}, true, {4, 1, 4, 3}},
        {"wholly off", {{11, 1}, {15, 1}, {15, 3}, {11, 3}}, false, {}},
        {"wholly above", {{1, -9}, {3, -9}, {3, -4}, {1, -4}}, false, {}},
    };
    for (const Case& c : cases) {
        for (int i = 0; i < 4; ++i) {
            request.sliceMatrix.transformPoint(
                Vec3(c.corners[i][0] * request.spacingX, c.corners[i][1] * request.spacingY, 0),
                &request.corners[i]);
        }
        int region[4] = {-1, -1, -1, -1};
        ASSERT_EQ(isRegionCrop::regionOf(request, region), c.kept) << c.name;
        if (c.kept) {
            EXPECT_EQ(std::vector<int>(region, region + 4),
                      std::vector<int>(c.region, c.region + 4))
                << c.name;
        }
    }
}

// Runs that cut nothing still end with one post whose count is 0, carrying no slice.
TEST_F(RegionCropTest, RunsThatCutNothingEndWithAnEmptyLastPost) {
    RefPtr<isImageData> volume = tiltedVolume(PIXEL_INT16);
    ShownPlane shown(volume.get(), 0, SLAB_MEAN, 1.0f);
    const isSliceInfo* middle = shown.at(2);
    const float off[4][2] = {{20, 1}, {30, 1}, {30, 3}, {20, 3}};
    const float inside[4][2] = {{1, 1}, {3, 1}, {3, 3}, {1, 3}};
    struct Case {
        const char* name;
        RegionCropRequest request;
    };
    Case cases[] = {
        {"region off the slice",
         requestFor(volume.get(), 0, SLAB_MEAN, 1.0f, middle, off, nullptr)},
        {"oblique view", requestFor(volume.get(), 0, SLAB_MEAN, 1.0f, middle, inside, nullptr)},
        {"no shown slice", requestFor(volume.get(), 0, SLAB_MEAN, 1.0f, middle, inside, nullptr)},
        {"no data", requestFor(volume.get(), 0, SLAB_MEAN, 1.0f, middle, inside, nullptr)},
    };
    cases[1].request.orthogonal = false;
    cases[2].request.hasDisplayedSlice = false;
    cases[3].request.data = nullptr;
    for (Case& c : cases) {
        CropReceiver receiver;
        RefPtr<isRegionCrop> crop = RefPtr<isRegionCrop>::retained(isRegionCrop::create());
        crop->start(c.request);
        receiver.collect(crop.get());
        ASSERT_EQ(receiver.posts.size(), 1u) << c.name;
        EXPECT_EQ(receiver.posts[0].remaining, 0) << c.name;
        EXPECT_FALSE(receiver.posts[0].slice) << c.name;
        EXPECT_FALSE(receiver.posts[0].identity.empty()) << c.name;
        EXPECT_TRUE(crop->isFinished());
    }
}

// A stack of single slices: slices without pixels yet are skipped, and when the last one is, a
// closing post without a slice still counts down to 0. Planes across an incomplete stack are not
// cut at all.
TEST_F(RegionCropTest, SlicesWithoutPixelsAreSkippedAndTheRunStillEnds) {
    const float spacing[3] = {1.0f, 1.0f, 2.0f};
    RefPtr<isImageData> volume = imagesdktest::makeVolume(
        5, 4, 4, PIXEL_UINT16, spacing, [](int x, int y, int z) { return 100 * z + 10 * y + x; });
    std::vector<isSliceInfo*> slices(volume->slices.begin(), volume->slices.end());
    slices[1]->loaded = false;
    slices[3]->loaded = false;
    ShownPlane shown(volume.get(), 0, SLAB_MEAN, 1.0f);
    const float corners[4][2] = {{1, 1}, {2, 1}, {2, 2}, {1, 2}};
    {
        CropReceiver receiver;
        RefPtr<isRegionCrop> crop = RefPtr<isRegionCrop>::retained(isRegionCrop::create());
        crop->start(requestFor(volume.get(), 0, SLAB_MEAN, 1.0f, shown.at(0), corners, nullptr));
        receiver.collect(crop.get());
        ASSERT_EQ(receiver.posts.size(), 3u);
        EXPECT_EQ(receiver.posts[0].remaining, 3);
        EXPECT_EQ(receiver.posts[1].remaining, 1);
        EXPECT_EQ(receiver.posts[2].remaining, 0);
        ASSERT_TRUE(receiver.posts[1].slice);
        EXPECT_EQ(receiver.posts[1].slice->instanceNumber, 3);
        EXPECT_EQ(static_cast<unsigned short*>(receiver.posts[1].slice->data)[0], 211);
        EXPECT_FALSE(receiver.posts[2].slice);
    }
    {
        ShownPlane across(volume.get(), 1, SLAB_MEAN, 1.0f);
        CropReceiver receiver;
        RefPtr<isRegionCrop> crop = RefPtr<isRegionCrop>::retained(isRegionCrop::create());
        crop->start(requestFor(volume.get(), 1, SLAB_MEAN, 1.0f, across.at(0), corners, nullptr));
        receiver.collect(crop.get());
        ASSERT_EQ(receiver.posts.size(), 1u);
        EXPECT_EQ(receiver.posts[0].remaining, 0);
        EXPECT_FALSE(receiver.posts[0].slice);
    }
}

// The viewer goes away mid-run: the data set is dropped by everybody else and the crop is
// released; the run stops, ends with its last post, and nothing is left behind. Slices that
// nobody takes are freed with their notification data.
TEST_F(RegionCropTest, ReleasingTheCropMidRunStopsItSafely) {
    const float spacing[3] = {0.8f, 0.8f, 1.0f};
    RefPtr<isImageData> volume = imagesdktest::makeVolume(
        160, 160, 120, PIXEL_INT16, spacing, [](int x, int y, int z) { return x - y + z; });
    ShownPlane shown(volume.get(), 1, SLAB_MAXIMUM, 9.0f);
    const float corners[4][2] = {{0, 0}, {119, 0}, {119, 159}, {0, 159}};
    RegionCropRequest request =
        requestFor(volume.get(), 1, SLAB_MAXIMUM, 9.0f, shown.at(80), corners, nullptr);
    CropReceiver receiver;
    {
        RefPtr<isRegionCrop> crop = RefPtr<isRegionCrop>::retained(isRegionCrop::create());
        crop->start(request);
        request.data = nullptr;
        volume = nullptr;
    }
    CropReceiver::deliver();
    ASSERT_FALSE(receiver.posts.empty());
    EXPECT_LT(receiver.posts.size(), 161u);
    EXPECT_EQ(receiver.posts.back().remaining, 0);

    // Nobody listens: the records go with their data.
    RefPtr<isImageData> small = tiltedVolume(PIXEL_FLOAT32);
    ShownPlane plane(small.get(), 2, SLAB_SUM, 3.0f);
    const float some[4][2] = {{0, 0}, {3, 0}, {3, 3}, {0, 3}};
    RefPtr<isRegionCrop> unheard = RefPtr<isRegionCrop>::retained(isRegionCrop::create());
    unheard->start(requestFor(small.get(), 2, SLAB_SUM, 3.0f, plane.at(1), some, nullptr));
    unheard->wait();
    CropReceiver::deliver();
}

}  // namespace
