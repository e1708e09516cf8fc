#include "imagesdk/render/isActorImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "WindowFixture.h"
#include "engine/2d/Scene.h"
#include "engine/base/RefPtr.h"
#include "imagesdk/data/PixelType.h"
#include "imagesdk/data/SlabMode.h"
#include "imagesdk/data/isClut.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/io/isBinReader.h"
#include "imagesdk/io/isDcmScan.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/render/isNodeImage.h"
#include "imagesdk/render/isRegionCrop.h"
#include "imagesdk/render/isRenderWindowBase.h"
#include "tests/imagesdk/SeriesFolder.h"
#include "tests/imagesdk/VolumeFixture.h"
#include "tests/support/lib/DicomFixture.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/UIJson.h"

using cocos2d::RefPtr;
using cocos2d::Vec3;
using imagesdktest::makeVolume;
using imagesdktest::pixelAt;
using namespace isImageSDK;

namespace {

// Every post of the keys the actor publishes, in the window's group, in arrival order.
class PostLog {
public:
    struct Post {
        cocos2d::Ref* sender;
        int key;
        std::string text;
        float value;
        NSUI::NSNotificationData* data;
    };

    explicit PostLog(void* group) {
        auto* centre = NSUI::NSNotificationCenter::getInstance();
        for (int key :
             {NOTIFY_OVERLAY_SLICE, NOTIFY_SLICE_POSITION, NOTIFY_SLICE_INDEX, NOTIFY_SLICE_ORIENT,
              NOTIFY_OVERLAY_LINE_9093, NOTIFY_WWWL_TEXT, NOTIFY_OVERLAY_LOAD_PERCENT}) {
            centre->addObserver(
                this, group,
                [this](cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data) {
                    posts.push_back({sender, int(key), data ? data->stringValue : "",
                                     data ? data->floatValue : 0.0f, data});
                },
                key);
        }
    }
    ~PostLog() { NSUI::NSNotificationCenter::getInstance()->removeObserver(this); }

    std::vector<Post> of(int key) const {
        std::vector<Post> found;
        for (const Post& post : posts) {
            if (post.key == key) {
                found.push_back(post);
            }
        }
        return found;
    }
    std::string json(int key, const char* field) const {
        const auto found = of(key);
        return found.empty() ? "<none>" : NSUI::UIJson::getString(found.back().text, field);
    }

    std::vector<Post> posts;
};

// Voxel (x, y, z) of the test volumes.
double ramp(int x, int y, int z) {
    return x + 10 * y + 100 * z;
}

class ActorImageTest : public rendertest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window = isRenderWindowBase::create();
        window->setContentSize(cocos2d::Size(200, 200));
        scene->addChild(window);
        manager = RefPtr<isActorManager>::retained(isActorManager::create());
        manager->setWindow(window);
        actor = manager->getImageActor();
    }
    void TearDown() override {
        manager->releaseAll();
        manager = nullptr;
        WindowTest::TearDown();
    }

    // 8 columns, 6 rows, 10 slices, spacing 1 × 1.5 × 2 mm.
    static RefPtr<isImageData> volume(int pixelType = PIXEL_INT16) {
        const float spacing[3] = {1.0f, 1.5f, 2.0f};
        return makeVolume(8, 6, 10, pixelType, spacing, ramp);
    }

    isRenderWindowBase* window = nullptr;
    RefPtr<isActorManager> manager;
    isActorImage* actor = nullptr;
};

TEST_F(ActorImageTest, TheManagerMakesOneActorAndBindingShowsTheMiddleAxialSlice) {
    ASSERT_NE(actor, nullptr);
    EXPECT_EQ(manager->getImageActor(), actor);
    EXPECT_EQ(actor->getWindow(), window);

    RefPtr<isImageData> data = volume();
    PostLog log(window);
    actor->setImageData(data.get());
    drain();

    EXPECT_TRUE(actor->isOrthogonal());
    EXPECT_EQ(actor->getViewOrientation(), 0);
    EXPECT_EQ(actor->getSliceIndex(), 5);
    EXPECT_TRUE(actor->isActive());
    EXPECT_FLOAT_EQ(actor->getSlabThickness(), 2.0f);
    EXPECT_EQ(log.json(NOTIFY_SLICE_ORIENT, "orient"), "1");
    EXPECT_EQ(log.json(NOTIFY_SLICE_POSITION, "index"), "6");
    EXPECT_EQ(log.json(NOTIFY_SLICE_POSITION, "count"), "10");
    EXPECT_EQ(log.json(NOTIFY_SLICE_INDEX, "index"), "6");
    ASSERT_FALSE(log.of(NOTIFY_OVERLAY_LINE_9093).empty());
    EXPECT_FLOAT_EQ(log.of(NOTIFY_OVERLAY_LINE_9093).back().value, 2.0f);
    ASSERT_FALSE(log.of(NOTIFY_OVERLAY_SLICE).empty());
    EXPECT_EQ(log.of(NOTIFY_OVERLAY_SLICE).back().text, actor->getLocationText());
    // Stacked along the world z axis, which is the patient's posterior-anterior axis.
    EXPECT_EQ(actor->getLocationText(), "A:10.0");

    isSliceInfo* shown = actor->getSliceInfo();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(pixelAt(shown, 3, 2), ramp(3, 2, 5));
    float value = 0.0f;
    EXPECT_TRUE(actor->getPixelValue(Vec3(3.0f, 3.0f, 10.0f), &value));
    EXPECT_FLOAT_EQ(value, float(ramp(3, 2, 5)));
    EXPECT_FALSE(actor->getPixelValue(Vec3(-3.0f, 3.0f, 10.0f), &value));

    // The first slice at the origin takes the anterior form with 0.0.
    actor->setSliceIndex(0);
    EXPECT_EQ(actor->getLocationText(), "A:0.0");
    // Off the plane the image hides and the index stays.
    actor->setSliceIndex(10);
    EXPECT_FALSE(actor->isActive());
    EXPECT_EQ(actor->getSliceIndex(), 0);
    EXPECT_FALSE(actor->getImageNode()->isVisible());
    actor->setSliceIndex(1);
    EXPECT_TRUE(actor->getImageNode()->isVisible());
}

// A slice exactly at 0 along the view axis reads with the negative letter and 0.0, never -0.0,
// whichever sign the zero has in the world frame.
TEST_F(ActorImageTest, ASliceAtTheOriginReadsZeroWithoutASign) {
    // An axial acquisition: rows to the patient's left, columns to the back, slices upwards.
    cocos2d::Mat4 axial = cocos2d::Mat4::IDENTITY;
    axial.m[5] = 0.0f;
    axial.m[6] = -1.0f;
    axial.m[9] = 1.0f;
    axial.m[10] = 0.0f;
    const float spacing[3] = {1.0f, 1.0f, 1.0f};
    RefPtr<isImageData> data = makeVolume(8, 8, 4, PIXEL_INT16, spacing, ramp, axial);
    actor->setImageData(data.get());
    actor->setSliceIndex(1);
    EXPECT_EQ(actor->getLocationText(), "S:1.0");
    actor->setSliceIndex(0);
    EXPECT_EQ(actor->getLocationText(), "I:0.0");
}

TEST_F(ActorImageTest, ViewChangesPostOrientationPositionAndSlab) {
    RefPtr<isImageData> data = volume();
    actor->setImageData(data.get());
    drain();

    struct Case {
        int orientation;
        const char* orient;
        const char* count;
        float thickness;
    } cases[] = {
        {1, "2", "8", 1.0f},
        {2, "3", "6", 1.5f},
        {0, "1", "10", 2.0f},
    };
    for (const Case& c : cases) {
        PostLog log(window);
        if (c.orientation == 1) {
            actor->setSagittalView();
        } else if (c.orientation == 2) {
            actor->setCoronalView();
        } else {
            actor->setAxialView();
        }
        drain();
        EXPECT_EQ(actor->getViewOrientation(), c.orientation);
        EXPECT_EQ(log.json(NOTIFY_SLICE_ORIENT, "orient"), c.orient);
        EXPECT_EQ(log.json(NOTIFY_SLICE_POSITION, "count"), c.count);
        ASSERT_EQ(log.of(NOTIFY_OVERLAY_LINE_9093).size(), 1u) << c.orient;
        EXPECT_FLOAT_EQ(log.of(NOTIFY_OVERLAY_LINE_9093)[0].value, c.thickness);
    }

    // The same view again: axial re-posts its slab thickness, the others post nothing.
    {
        PostLog log(window);
        actor->setAxialView();
        drain();
        ASSERT_EQ(log.posts.size(), 1u);
        EXPECT_EQ(log.posts[0].key, NOTIFY_OVERLAY_LINE_9093);
        EXPECT_FLOAT_EQ(log.posts[0].value, 2.0f);
    }
    actor->setSagittalView();
    drain();
    {
        PostLog log(window);
        actor->setSagittalView();
        drain();
        EXPECT_TRUE(log.posts.empty());
    }

    // Oblique: position -1 of 0, no index post; the view operations bring the plane back.
    {
        PostLog log(window);
        cocos2d::Mat4 tilt;
        cocos2d::Mat4::createRotationX(0.3f, &tilt);
        actor->setObliqueMatrix(tilt);
        actor->setSliceIndex(2);
        drain();
        EXPECT_FALSE(actor->isOrthogonal());
        EXPECT_TRUE(actor->hasValidSlice());
        EXPECT_EQ(log.json(NOTIFY_SLICE_POSITION, "index"), "-1");
        EXPECT_EQ(log.json(NOTIFY_SLICE_POSITION, "count"), "0");
        EXPECT_TRUE(log.of(NOTIFY_SLICE_INDEX).empty());
        ASSERT_NE(actor->getSliceInfo(), nullptr);
    }
    actor->setSagittalView();
    EXPECT_TRUE(actor->isOrthogonal());
    EXPECT_EQ(actor->getViewOrientation(), 1);
    EXPECT_EQ(actor->getSliceIndex(), 4);
    // Sagittal positions run from the last column towards the first.
    EXPECT_EQ(pixelAt(actor->getSliceInfo(), 0, 0), ramp(8 - 1 - 4, 0, 0));
}

TEST_F(ActorImageTest, AStackThatIsNoVolumeResetsTheSlabToOneMillimetre) {
    RefPtr<isImageData> data(isImageData::create());
    const int size[2] = {4, 4};
    const float spacing[2] = {0.5f, 0.5f};
    for (int z : {0, 3, 4}) {
        cocos2d::Mat4 matrix;
        cocos2d::Mat4::createTranslation(0.0f, 0.0f, float(z), &matrix);
        data->addSlice(size, 1, spacing, PIXEL_INT16, 0, 0, matrix);
    }
    ASSERT_FALSE(data->isVolume());
    PostLog log(window);
    actor->setImageData(data.get());
    actor->setSlabThickness(5.0f);
    actor->setAxialView();
    drain();
    EXPECT_FLOAT_EQ(actor->getSlabThickness(), 1.0f);
    EXPECT_FLOAT_EQ(log.of(NOTIFY_OVERLAY_LINE_9093).back().value, 1.0f);
}

TEST_F(ActorImageTest, SlabModesCombineTheSamplesShown) {
    RefPtr<isImageData> data = volume();
    actor->setImageData(data.get());
    actor->setSliceIndex(4);
    // 6 mm over 2 mm slices: slices 3, 4 and 5.
    actor->setSlabThickness(6.0f);
    struct Case {
        int mode;
        double expected;
    } cases[] = {
        {SLAB_MINIMUM, ramp(2, 1, 3)},
        {SLAB_MAXIMUM, ramp(2, 1, 5)},
        {SLAB_MEAN, ramp(2, 1, 4)},
        {SLAB_SUM, ramp(2, 1, 3) + ramp(2, 1, 4) + ramp(2, 1, 5)},
    };
    for (const Case& c : cases) {
        actor->setSlabMode(c.mode);
        EXPECT_EQ(actor->getSlabMode(), c.mode);
        EXPECT_EQ(pixelAt(actor->getSliceInfo(), 2, 1), c.expected) << "mode " << c.mode;
    }
    // A mode outside 0..3 changes nothing.
    actor->setSlabMode(7);
    EXPECT_EQ(actor->getSlabMode(), SLAB_SUM);
}

TEST_F(ActorImageTest, WindowDragsScaleByPixelTypeAnchorPetAtZeroAndKeepTheWidth) {
    struct Case {
        const char* name;
        int pixelType;
        int modality;
        float width, centre;
        float dw, dc;
        float expectedWidth, expectedCentre;
    } cases[] = {
        {"s16 CT", PIXEL_INT16, 0, 400.0f, 40.0f, 3.0f, -2.0f, 430.0f, 20.0f},
        {"u8", PIXEL_UINT8, 7, 100.0f, 50.0f, 5.0f, 1.0f, 105.0f, 51.0f},
        {"width floor", PIXEL_INT16, 0, 50.0f, 40.0f, -100.0f, 0.0f, 2.0f, 40.0f},
        {"PET anchored", PIXEL_UINT16, 1, 1000.0f, 500.0f, 7.0f, 3.0f, 1060.0f, 530.0f},
        {"PET floor", PIXEL_UINT16, 1, 20.0f, 10.0f, 0.0f, -5.0f, 4.0f, 2.0f},
        {"PET lifted", PIXEL_UINT16, 1, 100.0f, 300.0f, 1.0f, 1.0f, 110.0f, 310.0f},
    };
    for (const Case& c : cases) {
        RefPtr<isImageData> data = volume(c.pixelType);
        for (isSliceInfo* slice : data->slices) {
            slice->modality = c.modality;
        }
        actor->setImageData(data.get());
        actor->setWindowLevel(c.width, c.centre);
        actor->adjustWindowLevel(c.dw, c.dc);
        EXPECT_FLOAT_EQ(actor->getWindowWidth(), c.expectedWidth) << c.name;
        EXPECT_FLOAT_EQ(actor->getWindowCentre(), c.expectedCentre) << c.name;
        EXPECT_GE(actor->getWindowWidth(), 2.0f) << c.name;
    }
}

TEST_F(ActorImageTest, ViewInfoRepostsWindowTextsReplacingPendingOnes) {
    RefPtr<isImageData> data = volume();
    actor->setImageData(data.get());
    drain();
    PostLog log(window);
    actor->setWindowLevel(350.7f, 40.2f);
    actor->postViewInfo();
    actor->postViewInfo();
    drain();
    int fromActor = 0;
    for (const auto& post : log.of(NOTIFY_WWWL_TEXT)) {
        fromActor += post.sender == actor ? 1 : 0;
    }
    EXPECT_EQ(fromActor, 1);
    EXPECT_EQ(log.json(NOTIFY_WWWL_TEXT, "ww"), "350");
    EXPECT_EQ(log.json(NOTIFY_WWWL_TEXT, "wl"), "40");
    EXPECT_EQ(log.of(NOTIFY_OVERLAY_SLICE).back().text, "A:10.0");
}

TEST_F(ActorImageTest, APhaseChangeKeepsTheSliceAndShowsThatPhase) {
    const float spacing[3] = {1.0f, 1.5f, 2.0f};
    RefPtr<isImageData> head = makeVolume(8, 6, 10, PIXEL_INT16, spacing, ramp);
    RefPtr<isImageData> second = makeVolume(8, 6, 10, PIXEL_INT16, spacing,
                                            [](int x, int y, int z) { return -ramp(x, y, z); });
    ASSERT_EQ(mergeImageDataPhases({head.get(), second.get()}), head.get());
    actor->setImageData(head.get());
    actor->setSliceIndex(7);
    actor->setPhase(1);
    EXPECT_EQ(actor->getCurrentPhaseData(), second.get());
    EXPECT_EQ(actor->getSliceIndex(), 7);
    EXPECT_EQ(pixelAt(actor->getSliceInfo(), 1, 1), -ramp(1, 1, 7));
    actor->setPhase(2);
    actor->setPhase(-1);
    EXPECT_EQ(actor->getCurrentPhaseData(), second.get());
    actor->setPhase(0);
    EXPECT_EQ(pixelAt(actor->getSliceInfo(), 1, 1), ramp(1, 1, 7));
}

// The saving service's side of a crop: takes the slices over.
class CropSink {
public:
    CropSink() {
        NSUI::NSNotificationCenter::getInstance()->addObserver(
            this, nullptr,
            [this](cocos2d::Ref* sender, unsigned, NSUI::NSNotificationData* data) {
                auto* slice = static_cast<isSliceInfo*>(data->buffer);
                data->buffer = nullptr;
                senders.push_back(sender);
                keys.push_back(data->key);
                remaining.push_back(data->intValue);
                slices.emplace_back(slice);
            },
            NOTIFY_SAVE_REFORMAT);
    }
    ~CropSink() {
        NSUI::NSNotificationCenter::getInstance()->removeObserver(this);
        for (auto& slice : slices) {
            if (slice) {
                std::free(slice->data);
            }
        }
    }
    std::vector<cocos2d::Ref*> senders;
    std::vector<unsigned> keys;
    std::vector<int> remaining;
    std::vector<std::unique_ptr<isSliceInfo>> slices;
};

TEST_F(ActorImageTest, ACropThroughTheActorHoldsWhatTheWindowShows) {
    // The crop's posts carry the key the manager gave the actor it made.
    manager->releaseAll();
    manager->setNotificationKey(4242, nullptr);
    actor = manager->getImageActor();
    ASSERT_NE(actor, nullptr);
    RefPtr<isImageData> data = volume();
    actor->setImageData(data.get());
    actor->setCoronalView();
    actor->setSlabThickness(4.5f);
    actor->setSlabMode(SLAB_MAXIMUM);
    actor->setSliceIndex(2);
    const isSliceInfo* shown = actor->getSliceInfo();
    ASSERT_NE(shown, nullptr);
    std::vector<double> displayed;
    for (int r = 1; r <= 3; ++r) {
        for (int c = 2; c <= 5; ++c) {
            displayed.push_back(pixelAt(shown, c, r));
        }
    }
    // Columns 2..5 and rows 1..3 of the displayed slice, as world corners.
    Vec3 corners[4] = {{2.0f * shown->pixelSpacingX, 1.0f * shown->pixelSpacingY, 0.0f},
                       {5.0f * shown->pixelSpacingX, 1.0f * shown->pixelSpacingY, 0.0f},
                       {5.0f * shown->pixelSpacingX, 3.0f * shown->pixelSpacingY, 0.0f},
                       {2.0f * shown->pixelSpacingX, 3.0f * shown->pixelSpacingY, 0.0f}};
    for (Vec3& corner : corners) {
        shown->matrix.transformPoint(&corner);
    }
    CropSink sink;
    actor->startReformat(corners[0], corners[1], corners[2], corners[3]);
    ASSERT_EQ(actor->getCropCount(), 1u);
    actor->getCrop(0)->wait();
    drain();

    const int positions = actor->getNumberOfPositions();
    ASSERT_EQ(int(sink.slices.size()), positions);
    EXPECT_EQ(sink.remaining.back(), 0);
    for (std::size_t i = 0; i < sink.slices.size(); ++i) {
        EXPECT_EQ(sink.senders[i], actor);
        EXPECT_EQ(sink.keys[i], 4242u);
        const isSliceInfo* piece = sink.slices[i].get();
        ASSERT_EQ(piece->width, 4);
        ASSERT_EQ(piece->height, 3);
        EXPECT_FLOAT_EQ(piece->windowWidth, actor->getWindowWidth());
    }
    const isSliceInfo* atShown = nullptr;
    for (std::size_t i = 0; i < sink.slices.size(); ++i) {
        if (positions - 1 - sink.remaining[i] == actor->getSliceIndex()) {
            atShown = sink.slices[i].get();
        }
    }
    ASSERT_NE(atShown, nullptr);
    std::vector<double> cropped;
    for (int k = 0; k < 12; ++k) {
        cropped.push_back(imagesdktest::loadVoxel(atShown->data, std::size_t(k), PIXEL_INT16));
    }
    EXPECT_EQ(cropped, displayed);

    // Releasing the actor while a crop runs cancels and joins it.
    actor->startReformat(corners[0], corners[1], corners[2], corners[3]);
    manager->releaseAll();
    drain();
    int ends = 0;
    for (int left : sink.remaining) {
        ends += left == 0 ? 1 : 0;
    }
    EXPECT_EQ(ends, 2);
}

// A statistics request (9114) or the start of a crop brings the slice filter up to date between
// two frames and so replaces the record the image node shows; whatever the node does next, it
// works on the new record (under ASan the old one is freed memory).
TEST_F(ActorImageTest, TheImageNodeNeverKeepsARecordItsFilterReplaced) {
    RefPtr<isImageData> data = volume();
    actor->setImageData(data.get());
    frame(0.0f);
    isNodeImage* node = actor->getImageNode();
    struct Case {
        const char* before;
        std::function<void()> next;
    };
    const Case cases[] = {
        {"a window change", [&] { actor->setWindowLevel(300.0f, 40.0f); }},
        {"a cine step",
         [&] {
             NSUI::NSNotificationCenter::getInstance()->postNotification(
                 nullptr, NOTIFY_OVERLAY_NEXT, nullptr, window, true);
             drain();
         }},
    };
    int index = 3;
    for (const Case& c : cases) {
        actor->setSliceIndex(index);
        const isSliceInfo* current = actor->getSliceInfo();
        ASSERT_NE(current, nullptr);
        const float z = current->matrix.m[14];
        c.next();
        frame(0.0f);
        EXPECT_EQ(node->getSliceInfo(), actor->getSliceInfo()) << c.before;
        EXPECT_FLOAT_EQ(node->getPositionZ(), z) << c.before;
        index += 3;
    }
}

// A series on disk whose slices arrive from the real loaders.
class DiskSeries {
public:
    explicit DiskSeries(int count) {
        fixture.pixels = bvtest::DicomFixture::Pixels::S16;
        fixture.rows = 16;
        fixture.columns = 16;
        for (int s = 0; s < count; ++s) {
            bvtest::DicomFixture slice = fixture;
            slice.instanceNumber = s + 1;
            slice.imagePosition = {0.0, 0.0, 2.0 * s};
            for (int k = 0; k < slice.rows * slice.columns; ++k) {
                slice.samples.push_back(s * 100 + k);
            }
            std::string error;
            const std::string file = folder.path + "s" + std::to_string(100 + s) + ".dcm";
            EXPECT_TRUE(slice.write(file, &error)) << error;
        }
        isDcmScan().createBuffer(folder.path);
    }
    imagesdktest::SeriesFolder folder;
    bvtest::DicomFixture fixture;
};

TEST_F(ActorImageTest, TheLoaderBringsTheShownSliceAndItsProgressToTheOverlay) {
    DiskSeries series(24);
    RefPtr<isBinReader> reader(isBinReader::create());
    ASSERT_TRUE(reader->setSource(series.folder.path, series.folder.prebinPath()));
    auto* output = static_cast<isImageData*>(reader->getOutput());
    PostLog log(window);

    // Bound before any pixel is there: showing the middle slice starts the load and asks for
    // that slice first; the shown slice only changes when the loader announces it.
    actor->setImageData(output);
    ASSERT_EQ(actor->getNumberOfPositions(), 24);
    ASSERT_EQ(actor->getSliceIndex(), 12);
    const bool loaded = imagesdktest::stepUntil([&] {
        const isSliceInfo* shown = actor->getSliceInfo();
        return reader->isLoadComplete() && shown != nullptr && pixelAt(shown, 5, 0) == 1205;
    });
    EXPECT_TRUE(loaded);
    drain();
    EXPECT_EQ(pixelAt(actor->getSliceInfo(), 7, 1), 12 * 100 + 16 + 7);

    // Every progress post of this series reaches the overlay, data passed on as it came.
    const auto progress = log.of(NOTIFY_OVERLAY_LOAD_PERCENT);
    ASSERT_FALSE(progress.empty());
    EXPECT_FLOAT_EQ(progress.back().value, 1.0f);
}

}  // namespace
