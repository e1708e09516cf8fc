#include "imagesdk/viewers/isViewerImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/base/RefPtr.h"
#include "imagesdk/data/isClut.h"
#include "imagesdk/data/isGeometry.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isActorImage.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/render/isActorOverlay.h"
#include "imagesdk/render/isInteractorImage.h"
#include "imagesdk/render/isNodeOverlayText.h"
#include "imagesdk/render/isRegionCrop.h"
#include "tests/imagesdk/NotificationRecorder.h"
#include "tests/imagesdk/VolumeFixture.h"
#include "tests/imagesdk/render/WindowFixture.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/UIJson.h"

using cocos2d::RefPtr;
using cocos2d::Vec2;
using cocos2d::Vec3;
using imagesdktest::NotificationRecorder;
using isImageSDK::isImageData;
using isImageSDK::isViewerImage;
namespace keys = isImageSDK;

namespace {

constexpr unsigned kScreenKey = 77;

// Stands in for the light-box browser: records what its tiles relay to it.
class FakeController : public cocos2d::Ref {
public:
    FakeController() {
        // Every viewer key.
        for (int key = keys::NOTIFY_WHEEL_UP; key <= keys::NOTIFY_OVERLAY_FIXED_LABEL; ++key) {
            NSUI::NSNotificationCenter::getInstance()->addObserver(
                this, this,
                [this](cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data) {
                    relayed.push_back({sender, static_cast<int>(key),
                                       RefPtr<NSUI::NSNotificationData>::retained(data)});
                },
                key);
        }
    }
    ~FakeController() override { NSUI::NSNotificationCenter::getInstance()->removeObserver(this); }
    struct Relay {
        cocos2d::Ref* sender;
        int key;
        RefPtr<NSUI::NSNotificationData> data;
    };
    std::vector<Relay> relayed;
};

// The letters the window's camera shows at its top, right, bottom and left edges.
std::string cameraLetters(isViewerImage* viewer, isImageData* data) {
    const isImageSDK::isCameraState state = viewer->getCameraState();
    char labels[12] = {};
    isImageSDK::computeOrientationLabels(state.right(), -state.up(), data->headFeetCode,
                                         data->orientationCode, labels);
    return std::string() + labels[0] + labels[3] + labels[6] + labels[9];
}

Vec3 sliceCentre(isViewerImage* v) {
    const isImageSDK::isSliceInfo* s = v->getShownSlice();
    Vec3 c((s->width - 1) * s->pixelSpacingX / 2.0f, (s->height - 1) * s->pixelSpacingY / 2.0f, 0);
    s->matrix.transformPoint(&c);
    return c;
}

class ViewerImageTest : public rendertest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        const float spacing[3] = {1.0f, 1.0f, 2.0f};
        volume = imagesdktest::makeVolume(32, 24, 16, keys::PIXEL_INT16, spacing,
                                          [](int x, int y, int z) { return x + y * 2 + z * 3; });
        viewer = addViewer();
    }
    // The viewers go while the centre they post to still exists.
    void TearDown() override {
        scene->removeAllChildren();
        drain(2);
        WindowTest::TearDown();
    }
    isViewerImage* addViewer() {
        isViewerImage* made = isViewerImage::create();
        made->setContentSize(cocos2d::Size(400, 400));
        made->setNotificationKey(kScreenKey, nullptr);
        scene->addChild(made);
        return made;
    }
    isImageSDK::isInteractorImage* interactorOf(isViewerImage* v) {
        return dynamic_cast<isImageSDK::isInteractorImage*>(v->getInteractor());
    }
    static NSUI::NSNotificationData* keyed(unsigned key = kScreenKey) {
        NSUI::NSNotificationData* data = NSUI::NSNotificationData::create();
        data->setNotificationKey(key, nullptr);
        return data;
    }

    RefPtr<isImageData> volume;
    isViewerImage* viewer = nullptr;
};

TEST_F(ViewerImageTest, EachAxisIsShownWithThePatientLettersOfTheRadiologicalView) {
    viewer->setImageData(volume.get());
    struct Case {
        int axis;
        int type;
        const char* letters;  // top, right, bottom, left
    };
    // The volume's x runs to the patient's left, y to the head, z to the front.
    const Case cases[] = {{2, keys::VIEW_AXIAL, "ALPR"},
                          {1, keys::VIEW_SAGITTAL, "SPIA"},
                          {0, keys::VIEW_CORONAL, "SLIR"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.axis);
        viewer->setSliceAxis(c.axis);
        EXPECT_EQ(viewer->type, c.type);
        EXPECT_EQ(cameraLetters(viewer, volume.get()), c.letters);
        // The picture fills the window: the slice centre is the window centre.
        const Vec2 centre = viewer->worldToScreen(sliceCentre(viewer));
        EXPECT_NEAR(centre.x, 200.0f, 0.5f);
        EXPECT_NEAR(centre.y, 200.0f, 0.5f);
    }
}

// A reformatted slice is fitted whole, as drawn (half a pixel past the outer pixel centres),
// into its window, by width or by height, whichever is tighter.
TEST_F(ViewerImageTest, EveryPlaneOfATallSeriesFitsWithinItsWindow) {
    const float spacing[3] = {2.8f, 2.8f, 5.0f};
    // Besides the plain frame, an axial acquisition's: rows left to right, columns front to
    // back, slices climbing.
    cocos2d::Mat4 axial = cocos2d::Mat4::IDENTITY;
    axial.m[5] = 0.0f;
    axial.m[6] = -1.0f;
    axial.m[9] = 1.0f;
    axial.m[10] = 0.0f;
    struct Window {
        float width, height;
    };
    for (const cocos2d::Mat4& frame : {cocos2d::Mat4::IDENTITY, axial}) {
        RefPtr<isImageData> tall = imagesdktest::makeVolume(
            128, 128, 60, keys::PIXEL_INT16, spacing, [](int, int, int z) { return z; }, frame);
        for (const Window& window : {Window{808, 508}, Window{508, 808}, Window{400, 400}}) {
            isViewerImage* v = addViewer();
            v->setContentSize(cocos2d::Size(window.width, window.height));
            v->setImageData(tall.get());
            for (int axis = 0; axis < 3; ++axis) {
                SCOPED_TRACE(testing::Message() << window.width << "x" << window.height << " axis "
                                                << axis << " frame " << frame.m[6]);
                v->setSliceAxis(axis);
                const isImageSDK::isSliceInfo* s = v->getShownSlice();
                ASSERT_NE(s, nullptr);
                const float w = (s->width - 0.5f) * s->pixelSpacingX;
                const float h = (s->height - 0.5f) * s->pixelSpacingY;
                const float x0 = -0.5f * s->pixelSpacingX;
                const float y0 = -0.5f * s->pixelSpacingY;
                float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
                for (Vec3 corner :
                     {Vec3(x0, y0, 0), Vec3(w, y0, 0), Vec3(x0, h, 0), Vec3(w, h, 0)}) {
                    s->matrix.transformPoint(&corner);
                    const Vec2 p = v->worldToScreen(corner);
                    minX = std::fmin(minX, p.x);
                    maxX = std::fmax(maxX, p.x);
                    minY = std::fmin(minY, p.y);
                    maxY = std::fmax(maxY, p.y);
                }
                EXPECT_GE(minX, -0.5f);
                EXPECT_LE(maxX, window.width + 0.5f);
                EXPECT_GE(minY, -0.5f);
                EXPECT_LE(maxY, window.height + 0.5f);
                // Fitted, not merely inside: one side spans the window.
                EXPECT_TRUE(maxX - minX > window.width - 1.0f ||
                            maxY - minY > window.height - 1.0f);
            }
        }
    }
}

TEST_F(ViewerImageTest, PickPointLandsOnTheShownSlice) {
    viewer->setImageData(volume.get());
    viewer->setSliceAxis(2);
    const Vec3 centre = sliceCentre(viewer);
    Vec3 picked;
    ASSERT_TRUE(viewer->pickPoint(Vec2(200, 200), picked));
    EXPECT_NEAR(picked.distance(centre), 0.0f, 0.05f);
    ASSERT_TRUE(viewer->pickPoint(Vec2(300, 120), picked));
    const isImageSDK::isSliceInfo* slice = viewer->getShownSlice();
    const Vec3 normal(slice->matrix.m[8], slice->matrix.m[9], slice->matrix.m[10]);
    EXPECT_NEAR((picked - centre).dot(normal), 0.0f, 1e-3f);
    const Vec2 back = viewer->worldToScreen(picked);
    EXPECT_NEAR(back.x, 300.0f, 0.05f);
    EXPECT_NEAR(back.y, 120.0f, 0.05f);
}

TEST_F(ViewerImageTest, ImageSizeKeepsThePhysicalAspect) {
    struct Case {
        int width, height;
        float sx, sy;
        float roll;  // radians of the camera about its view axis
        bool ok;
        float expectedWidth, expectedHeight;
    };
    const Case cases[] = {
        {200, 100, 1.0f, 1.0f, 0.0f, true, 200, 100},
        {100, 100, 2.0f, 1.0f, 0.0f, true, 100, 50},
        {100, 100, 1.0f, 2.0f, 0.0f, true, 50, 100},
        // A quarter turn shows the rows upright: width and height trade places.
        {200, 100, 1.0f, 1.0f, 1.5708f, true, 100, 200},
        // Just under the threshold the rows still run across.
        {200, 100, 1.0f, 1.0f, 0.78f, true, 200, 100},
        {200, 100, 1.0f, 1.0f, 0.79f, true, 100, 200},
        {200, 100, 1.0f, 0.000001f, 0.0f, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " roll " << c.roll);
        RefPtr<isImageData> series(isImageData::create());
        const int size[2] = {c.width, c.height};
        const float spacing[2] = {c.sx, c.sy};
        series->addSlice(size, 1, spacing, keys::PIXEL_INT16, 0, 0, cocos2d::Mat4::IDENTITY);
        isViewerImage* v = addViewer();
        v->setImageData(series.get());
        v->rollView(c.roll);
        cocos2d::Size shown;
        ASSERT_EQ(v->getImageSize(shown), c.ok);
        if (c.ok) {
            EXPECT_NEAR(shown.width, c.expectedWidth, 0.01f);
            EXPECT_NEAR(shown.height, c.expectedHeight, 0.01f);
        }
    }
}

TEST_F(ViewerImageTest, ATwoDimensionalSeriesStaysASlice) {
    RefPtr<isImageData> series(isImageData::create());
    const int size[2] = {16, 16};
    const float spacing[2] = {1.0f, 1.0f};
    series->addSlice(size, 1, spacing, keys::PIXEL_INT16, 0, 0, cocos2d::Mat4::IDENTITY);
    NotificationRecorder labels(keys::NOTIFY_ORIENT_LABEL, viewer);
    viewer->setImageData(series.get());
    viewer->setSliceAxis(1);
    labels.drain();
    EXPECT_EQ(viewer->type, keys::VIEW_SLICE);
    ASSERT_FALSE(labels.received.empty());
    for (const auto& r : labels.received) {
        EXPECT_EQ(r.text, "Slice");
    }
}

TEST_F(ViewerImageTest, TheSeriesKindChoosesTheStartingTableAndBackground) {
    struct Case {
        const char* name;
        int modality;
        int signCode;
        int firstEntry;  // red of palette entry 0
        bool white;
    };
    const Case cases[] = {{"CT", 0, 1, 0, false},
                          {"PET", 1, 1, 255, true},
                          {"NM", 5, 0, 255, true},
                          {"MONOCHROME1 MR", 3, 2, 255, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RefPtr<isImageData> series(isImageData::create());
        const int size[2] = {8, 8};
        const float spacing[2] = {1.0f, 1.0f};
        isImageSDK::isSliceInfo* slice =
            series->addSlice(size, 1, spacing, keys::PIXEL_INT16, 0, 0, cocos2d::Mat4::IDENTITY);
        slice->modality = c.modality;
        slice->signCode = c.signCode;
        isViewerImage* v = addViewer();
        v->setImageData(series.get());
        std::uint8_t palette[768];
        v->getImageActor()->getClut()->getPaletteRGB(palette);
        EXPECT_EQ(palette[0], c.firstEntry);
        EXPECT_EQ(v->isWhiteBackground(), c.white);
    }
}

TEST_F(ViewerImageTest, BindingTheSameDataAgainRebuildsNothing) {
    viewer->setImageData(volume.get());
    isImageSDK::isActorImage* actor = viewer->getImageActor();
    viewer->setSliceIndex(3, false);
    viewer->setImageData(volume.get());
    EXPECT_EQ(viewer->getImageActor(), actor);
    EXPECT_EQ(actor->getSliceIndex(), 3);
}

TEST_F(ViewerImageTest, ASmallWindowShowsOnlyTheLocationLineAndOnlyWhereItHasOne) {
    struct Case {
        float width, height;
        int modality;
        std::size_t texts;
    };
    const Case cases[] = {{249, 600, 0, 1}, {249, 600, 3, 1}, {600, 249, 1, 1}, {249, 600, 2, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.width << "x" << c.height << " modality " << c.modality);
        RefPtr<isImageData> series(isImageData::create());
        const int size[2] = {8, 8};
        const float spacing[2] = {1.0f, 1.0f};
        series->addSlice(size, 1, spacing, keys::PIXEL_INT16, 0, 0, cocos2d::Mat4::IDENTITY)
            ->modality = c.modality;
        isViewerImage* v = addViewer();
        v->setContentSize(cocos2d::Size(c.width, c.height));
        v->setImageData(series.get());
        EXPECT_EQ(v->getActorManager()->getOverlayActor()->getOverlays().size(), c.texts);
    }
    // A full-size window has the corner lines and the three cine buttons.
    viewer->setImageData(volume.get());
    EXPECT_GT(viewer->getActorManager()->getOverlayActor()->getOverlays().size(), 8u);
}

TEST_F(ViewerImageTest, FullInformationSwitchesOnlyOnAChange) {
    viewer->setImageData(volume.get());
    const bool shown = viewer->isFullInfoShown();
    const int same = shown ? keys::NOTIFY_DCM_INFO_SHOW : keys::NOTIFY_DCM_INFO_HIDE;
    const int other = shown ? keys::NOTIFY_DCM_INFO_HIDE : keys::NOTIFY_DCM_INFO_SHOW;
    const std::size_t before = viewer->getActorManager()->getOverlayActor()->getOverlays().size();
    viewer->onNotification(same, keyed(), nullptr);
    EXPECT_EQ(viewer->isFullInfoShown(), shown);
    EXPECT_EQ(viewer->getActorManager()->getOverlayActor()->getOverlays().size(), before);
    // Another screen's key is not this window's business.
    viewer->onNotification(other, keyed(kScreenKey + 1), nullptr);
    EXPECT_EQ(viewer->isFullInfoShown(), shown);
    viewer->onNotification(other, keyed(), nullptr);
    EXPECT_EQ(viewer->isFullInfoShown(), !shown);
    // The overlay is rebuilt at the next frame, with more or fewer lines.
    drain(2);
    EXPECT_NE(viewer->getActorManager()->getOverlayActor()->getOverlays().size(), before);
    viewer->onNotification(same, keyed(), nullptr);
    EXPECT_EQ(viewer->isFullInfoShown(), shown);
}

TEST_F(ViewerImageTest, SwitchingTheInformationShownKeepsTheOrientationLetters) {
    viewer->setImageData(volume.get());
    viewer->setSliceAxis(2);
    drain(2);
    const isImageSDK::isActorOverlay* overlay = viewer->getActorManager()->getOverlayActor();
    const auto shown = [overlay] {
        std::string letters;
        for (const int edge : {2, 6, 8, 4}) {
            const isImageSDK::isNodeOverlayText* text = overlay->getEdgeText(edge);
            letters += text != nullptr && text->getParent() != nullptr ? text->getString() : "-";
        }
        return letters;
    };
    ASSERT_EQ(shown(), "ALPR");
    const bool full = viewer->isFullInfoShown();
    const int first = full ? keys::NOTIFY_DCM_INFO_HIDE : keys::NOTIFY_DCM_INFO_SHOW;
    const int second = full ? keys::NOTIFY_DCM_INFO_SHOW : keys::NOTIFY_DCM_INFO_HIDE;
    for (const int command : {first, second, first, second}) {
        SCOPED_TRACE(command);
        viewer->onNotification(command, keyed(), nullptr);
        EXPECT_EQ(shown(), "ALPR") << "right after the switch";
        drain(2);
        EXPECT_EQ(shown(), "ALPR") << "after the rebuild";
    }
}

TEST_F(ViewerImageTest, ThePlaceAnnouncementCarriesTheViewer) {
    std::vector<cocos2d::Ref*> objects;
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        this, nullptr,
        [&objects](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
            objects.push_back(data->object);
        },
        keys::NOTIFY_QUICK_TOOL_ANCHOR);
    viewer->setContentSize(cocos2d::Size(300, 200));
    drain();
    NSUI::NSNotificationCenter::getInstance()->removeObserver(this);
    ASSERT_FALSE(objects.empty());
    EXPECT_EQ(dynamic_cast<isImageSDK::isViewer*>(objects.back()),
              static_cast<isImageSDK::isViewer*>(viewer));
}

TEST_F(ViewerImageTest, SliceIndexOffThePlaneHidesTheWindowAndBackShowsIt) {
    viewer->setImageData(volume.get());
    const int count = viewer->getSliceCount();
    ASSERT_GT(count, 1);
    for (int index : {-1, count}) {
        viewer->setSliceIndex(index, false);
        EXPECT_FALSE(viewer->isShown()) << index;
        viewer->setSliceIndex(0, false);
        EXPECT_TRUE(viewer->isShown()) << index;
    }
}

TEST_F(ViewerImageTest, PagingCarriesTheFocusToTheNewSliceDepth) {
    viewer->setImageData(volume.get());
    viewer->setSliceAxis(2);
    const isImageSDK::isSliceInfo* first = viewer->getShownSlice();
    const Vec3 normal(first->matrix.m[8], first->matrix.m[9], first->matrix.m[10]);
    const Vec3 start(viewer->getSlicePlane().m[12], viewer->getSlicePlane().m[13],
                     viewer->getSlicePlane().m[14]);
    for (int step : {1, 2, -3}) {
        SCOPED_TRACE(step);
        const int index = viewer->getImageActor()->getSliceIndex() + step;
        viewer->setSliceIndex(index, false);
        const isImageSDK::isSliceInfo* shown = viewer->getShownSlice();
        const Vec3 origin(shown->matrix.m[12], shown->matrix.m[13], shown->matrix.m[14]);
        const Vec3 focus(viewer->getSlicePlane().m[12], viewer->getSlicePlane().m[13],
                         viewer->getSlicePlane().m[14]);
        // On the shown slice, at the same place in the picture.
        EXPECT_NEAR((focus - origin).dot(normal), 0.0f, 1e-3f);
        const Vec3 across = (focus - start) - normal * (focus - start).dot(normal);
        EXPECT_NEAR(across.length(), 0.0f, 1e-3f);
    }
}

TEST_F(ViewerImageTest, RotatingTheViewTurnsThePlaneAboutItsVerticalAxis) {
    viewer->setImageData(volume.get());
    viewer->setSliceAxis(2);
    const cocos2d::Mat4 before = viewer->getSlicePlane();
    const Vec3 up(before.m[4], before.m[5], before.m[6]);
    const Vec3 normal(before.m[8], before.m[9], before.m[10]);
    NSUI::NSNotificationData* data = NSUI::NSNotificationData::create();
    data->floatValue = 90.0f;
    viewer->onNotification(keys::NOTIFY_ROTATE_VIEW, data, nullptr);
    const cocos2d::Mat4 after = viewer->getSlicePlane();
    const Vec3 turnedUp(after.m[4], after.m[5], after.m[6]);
    const Vec3 turnedNormal(after.m[8], after.m[9], after.m[10]);
    EXPECT_FALSE(viewer->getImageActor()->isOrthogonal());
    EXPECT_NEAR(turnedUp.dot(up), 1.0f, 1e-4f);
    EXPECT_NEAR(turnedNormal.dot(normal), 0.0f, 1e-4f);
    // The camera looks along the new normal.
    EXPECT_NEAR(std::fabs(viewer->getCameraState().forward().dot(turnedNormal)), 1.0f, 1e-3f);
    // A plain slice series does not turn.
    RefPtr<isImageData> series(isImageData::create());
    const int size[2] = {8, 8};
    const float spacing[2] = {1.0f, 1.0f};
    series->addSlice(size, 1, spacing, keys::PIXEL_INT16, 0, 0, cocos2d::Mat4::IDENTITY);
    isViewerImage* flat = addViewer();
    flat->setImageData(series.get());
    const cocos2d::Mat4 flatBefore = flat->getSlicePlane();
    flat->onNotification(keys::NOTIFY_ROTATE_VIEW, data, nullptr);
    EXPECT_EQ(std::memcmp(flat->getSlicePlane().m, flatBefore.m, sizeof(flatBefore.m)), 0);
}

TEST_F(ViewerImageTest, SetViewTypeSwitchesThroughItsCommandOnlyOnChange) {
    viewer->setImageData(volume.get());
    NotificationRecorder labels(keys::NOTIFY_ORIENT_LABEL, viewer);
    viewer->setViewType(keys::VIEW_SAGITTAL);
    labels.drain();
    EXPECT_EQ(viewer->type, keys::VIEW_SAGITTAL);
    ASSERT_FALSE(labels.received.empty());
    EXPECT_EQ(labels.received.back().text, "Sagittal");
    labels.received.clear();
    viewer->setViewType(keys::VIEW_SAGITTAL);
    labels.drain();
    EXPECT_TRUE(labels.received.empty());
}

TEST_F(ViewerImageTest, ATileRelaysCommandsAndAppliesThemWhenTheControllerSendsThemBack) {
    viewer->setImageData(volume.get());
    RefPtr<FakeController> controller(new FakeController());
    viewer->setController(controller.get());
    isImageSDK::isInteractorImage* interactor = interactorOf(viewer);
    const int modeBefore = interactor->getInteractionMode();
    const int sliceBefore = viewer->getImageActor()->getSliceIndex();

    NSUI::NSNotificationCenter::getInstance()->postNotification(nullptr, keys::NOTIFY_WW_BY_MOUSE,
                                                                nullptr, viewer, false);
    viewer->onNotification(keys::NOTIFY_WHEEL_UP, nullptr, nullptr);
    drain();
    EXPECT_EQ(interactor->getInteractionMode(), modeBefore);
    EXPECT_EQ(viewer->getImageActor()->getSliceIndex(), sliceBefore);
    ASSERT_EQ(controller->relayed.size(), 2u);
    for (const auto& relay : controller->relayed) {
        EXPECT_EQ(relay.sender, viewer) << relay.key;
        viewer->onNotification(relay.key, relay.data.get(), controller.get());
    }
    EXPECT_EQ(interactor->getInteractionMode(), keys::kModeWindowLevel);
    EXPECT_EQ(viewer->getImageActor()->getSliceIndex(), sliceBefore + 1);
}

TEST_F(ViewerImageTest, WhichCommandsTravelThroughTheController) {
    viewer->setImageData(volume.get());
    RefPtr<FakeController> controller(new FakeController());
    viewer->setController(controller.get());
    struct Case {
        int key;
        bool relayed;
    };
    const Case cases[] = {
        {keys::NOTIFY_WHEEL_UP, true},
        {keys::NOTIFY_WHEEL_DOWN, true},
        {keys::NOTIFY_VIEW_CMD_9003, true},
        {keys::NOTIFY_SLAB_MODE, true},
        {keys::NOTIFY_SLAB_ORIGINAL, true},
        {keys::NOTIFY_VIEW_AXIAL, true},
        {keys::NOTIFY_VIEW_CORONAL, true},
        {keys::NOTIFY_WW_DEFAULT, true},
        {keys::NOTIFY_EDIT_WW_OPEN, true},
        {keys::NOTIFY_OPACITY_LOG10, true},
        {keys::NOTIFY_WW_PRESET, true},
        {keys::NOTIFY_TOOL_SELECT, true},
        {keys::NOTIFY_TOOL_ZOOM, true},
        {keys::NOTIFY_ROI_LINE, true},
        {keys::NOTIFY_ROI_SELECT, true},
        {keys::NOTIFY_INTERACT_9076, true},
        {keys::NOTIFY_INTERACT_9077, true},
        {keys::NOTIFY_INTERACT_9078, true},
        {keys::NOTIFY_CINE_SPEED, true},
        {keys::NOTIFY_FOCUS_FRAME, true},
        {keys::NOTIFY_VIEW_CMD_9035, false},
        {keys::NOTIFY_TILE_CMD_9045, false},
        {keys::NOTIFY_FLIP_X, false},
        {keys::NOTIFY_DOCUMENT_BUTTON, false},
        {keys::NOTIFY_TEXT_NODE_TO_VIEW, false},
    };
    const int mode = interactorOf(viewer)->getInteractionMode();
    const int slice = viewer->getImageActor()->getSliceIndex();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        controller->relayed.clear();
        viewer->onNotification(c.key, NSUI::NSNotificationData::create(), nullptr);
        drain();
        ASSERT_EQ(controller->relayed.size(), c.relayed ? 1u : 0u);
        if (c.relayed) {
            EXPECT_EQ(controller->relayed[0].key, c.key);
            EXPECT_EQ(controller->relayed[0].sender, viewer);
            // Relayed only: nothing applied here yet.
            EXPECT_EQ(interactorOf(viewer)->getInteractionMode(), mode);
            EXPECT_EQ(viewer->getImageActor()->getSliceIndex(), slice);
        }
        interactorOf(viewer)->setInteractionMode(mode);
    }
}

TEST_F(ViewerImageTest, WindowLevelModeEndsOnlyFromWindowLevel) {
    viewer->setImageData(volume.get());
    struct Case {
        int mode;
        int after;
    };
    const Case cases[] = {{keys::kModeWindowLevel, keys::kModeProbe},
                          {keys::kModeZoom, keys::kModeZoom},
                          {keys::kModePan, keys::kModePan}};
    for (const Case& c : cases) {
        interactorOf(viewer)->setInteractionMode(c.mode);
        viewer->onNotification(keys::NOTIFY_VIEW_CMD_9035, nullptr, nullptr);
        EXPECT_EQ(interactorOf(viewer)->getInteractionMode(), c.after) << c.mode;
    }
}

TEST_F(ViewerImageTest, ZoomingInWidensTheEdgeMarginUpToJustUnderHalf) {
    viewer->setImageData(volume.get());
    struct Step {
        float factor;
        float margin;
    };
    const Step steps[] = {{2.0f, 0.3f}, {2.0f, 0.4999f}, {0.5f, 0.15f}, {1.0f, 0.15f}};
    for (const Step& step : steps) {
        NSUI::NSNotificationData* data = NSUI::NSNotificationData::create();
        data->floatValue = step.factor;
        viewer->onNotification(keys::NOTIFY_SYNC_ZOOM, data, nullptr);
        EXPECT_FLOAT_EQ(viewer->getEdgeMargin(), step.margin) << step.factor;
    }
}

// A point that comes near an edge, moved there by a linked cell (focusOnPoint) or by a zoom, is
// kept the edge margin (0.15 of the 400-point window: 60 points) inside that edge, whichever edge
// it is: the camera goes towards the point, never away from it.
TEST_F(ViewerImageTest, APointNearAnyEdgeIsPannedBackToTheEdgeMargin) {
    viewer->setImageData(volume.get());
    viewer->setSliceAxis(1);
    struct Case {
        const char* edge;
        Vec2 direction;  // from the window's centre, on screen
    };
    const Case cases[] = {
        {"top", Vec2(0, 1)}, {"bottom", Vec2(0, -1)}, {"right", Vec2(1, 0)}, {"left", Vec2(-1, 0)}};
    const Vec2 middle(200.0f, 200.0f);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edge);
        viewer->onNotification(keys::NOTIFY_VIEW_SYNC_9021, nullptr, nullptr);
        ASSERT_FLOAT_EQ(viewer->getEdgeMargin(), 0.15f);
        const isImageSDK::isCameraState state = viewer->getCameraState();
        const Vec3 centre = state.center();
        ASSERT_LT(viewer->worldToScreen(centre).distance(middle), 0.5f);
        const Vec3 along = state.right() * c.direction.x + state.up() * c.direction.y;
        const float pointsPerMm = viewer->worldToScreen(centre + along).distance(middle);
        ASSERT_GT(pointsPerMm, 0.0f);

        // Moved to 10 points from the edge: back to 60.
        const Vec3 nearEdge = centre + along * (190.0f / pointsPerMm);
        viewer->focusOnPoint(nearEdge);
        Vec2 at = viewer->worldToScreen(nearEdge);
        EXPECT_NEAR(at.x, middle.x + c.direction.x * 140.0f, 0.5f);
        EXPECT_NEAR(at.y, middle.y + c.direction.y * 140.0f, 0.5f);

        // 100 points from the middle, then zoomed in 1.5 times: 150 would be within the margin.
        viewer->onNotification(keys::NOTIFY_VIEW_SYNC_9021, nullptr, nullptr);
        const Vec3 inside = centre + along * (100.0f / pointsPerMm);
        viewer->focusOnPoint(inside);
        ASSERT_LT(viewer->worldToScreen(inside).distance(middle + c.direction * 100.0f), 0.5f);
        NSUI::NSNotificationData* zoom = NSUI::NSNotificationData::create();
        zoom->floatValue = 1.5f;
        viewer->onNotification(keys::NOTIFY_SYNC_ZOOM, zoom, nullptr);
        at = viewer->worldToScreen(inside);
        EXPECT_NEAR(at.x, middle.x + c.direction.x * 140.0f, 0.5f);
        EXPECT_NEAR(at.y, middle.y + c.direction.y * 140.0f, 0.5f);
        NSUI::NSNotificationData* back = NSUI::NSNotificationData::create();
        back->floatValue = 1.0f;
        viewer->onNotification(keys::NOTIFY_SYNC_ZOOM, back, nullptr);
    }
}

// A linked cell's share of a zoom (from its browser, without the zoomed cell's centre) pans its
// point towards its view's centre until it lies as far from it as in the cell that zoomed, on
// whichever side of the centre the point is.
TEST_F(ViewerImageTest, AZoomShareBringsThePointToTheZoomedCellsDistanceFromTheCentre) {
    FakeController controller;
    viewer->setImageData(volume.get());
    viewer->setSliceAxis(1);
    viewer->setController(&controller);
    const Vec2 middle(200.0f, 200.0f);
    for (const Vec2& direction : {Vec2(1, 0), Vec2(-1, 0), Vec2(0, 1), Vec2(0, -1)}) {
        SCOPED_TRACE(std::to_string(direction.x) + ", " + std::to_string(direction.y));
        viewer->onNotification(keys::NOTIFY_VIEW_SYNC_9021, nullptr, &controller);
        const isImageSDK::isCameraState state = viewer->getCameraState();
        const Vec3 centre = state.center();
        const Vec3 along = state.right() * direction.x + state.up() * direction.y;
        const float pointsPerMm = viewer->worldToScreen(centre + along).distance(middle);
        ASSERT_GT(pointsPerMm, 0.0f);
        const Vec3 point = centre + along * (100.0f / pointsPerMm);
        viewer->focusOnPoint(point);
        NSUI::NSNotificationData* share = NSUI::NSNotificationData::create();
        share->floatValue = 1.0f;
        NSUI::UIJson::setFloat(share->stringValue, "focal2center", 50.0f);
        NSUI::UIJson::setFloat(share->stringValue, "zoomRatio", viewer->getPixelScale());
        viewer->onNotification(keys::NOTIFY_SYNC_FOCAL_ZOOM, share, &controller);
        const Vec2 at = viewer->worldToScreen(point);
        EXPECT_NEAR(at.x, middle.x + direction.x * 50.0f, 0.5f);
        EXPECT_NEAR(at.y, middle.y + direction.y * 50.0f, 0.5f);
    }
}

TEST_F(ViewerImageTest, OneFavouriteRequestGivesOneCropForTwoWindows) {
    isViewerImage* second = addViewer();
    viewer->setImageData(volume.get());
    second->setImageData(volume.get());
    // The whole slice in view: the crop is all of it.
    viewer->zoomBy(0.5f);
    second->zoomBy(0.5f);
    std::vector<RefPtr<NSUI::NSNotificationData>> crops;
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        this, nullptr,
        [&crops](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
            crops.push_back(RefPtr<NSUI::NSNotificationData>::retained(data));
        },
        keys::NOTIFY_VIEW_CAPTURED);
    NSUI::NSNotificationCenter::getInstance()->postNotification(
        nullptr, keys::NOTIFY_QUICK_FAVORITE, keyed(), nullptr, false);
    drain();
    NSUI::NSNotificationCenter::getInstance()->removeObserver(this);
    ASSERT_EQ(crops.size(), 1u);
    auto* slice = static_cast<isImageSDK::isSliceInfo*>(crops[0]->buffer);
    ASSERT_NE(slice, nullptr);
    EXPECT_EQ(crops[0]->key, kScreenKey);
    const isImageSDK::isSliceInfo* shown = viewer->getShownSlice();
    EXPECT_EQ(slice->width, shown->width);
    EXPECT_EQ(slice->height, shown->height);
    EXPECT_EQ(slice->frames, 1);
    EXPECT_EQ(std::memcmp(slice->data, shown->data, std::size_t(shown->width) * shown->height * 2),
              0);
    // The record is the data's: it goes with the last reference, untaken.
    EXPECT_NE(dynamic_cast<isImageSDK::isCropSliceData*>(crops[0].get()), nullptr);
}

TEST_F(ViewerImageTest, MaximiseSetsTheOthersAsideAndASecondRequestRestoresAll) {
    isViewerImage* other = addViewer();
    viewer->setPosition(Vec2(10, 20));
    other->setPosition(Vec2(420, 20));
    NotificationRecorder states(keys::NOTIFY_QUICK_TOOL_STATE);
    std::vector<int> stateValues;
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        this, nullptr,
        [&stateValues](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
            stateValues.push_back(data->intValue);
        },
        keys::NOTIFY_QUICK_TOOL_STATE);
    const auto request = [&]() {
        NSUI::NSNotificationData* data = keyed();
        data->intValue2 = static_cast<int>(viewer->getRefID());
        data->stringValue = R"({"x":"0","y":"0","w":"900","h":"600"})";
        NSUI::NSNotificationCenter::getInstance()->postNotification(
            nullptr, keys::NOTIFY_QUICK_MAXIMIZE, data, nullptr, false);
        drain();
    };
    request();
    EXPECT_TRUE(viewer->isMaximized());
    EXPECT_EQ(viewer->getContentSize(), cocos2d::Size(900, 600));
    EXPECT_EQ(other->getPosition(), Vec2(10000, 10000));
    EXPECT_EQ(other->getContentSize(), cocos2d::Size(128, 128));
    request();
    EXPECT_FALSE(viewer->isMaximized());
    EXPECT_EQ(viewer->getPosition(), Vec2(10, 20));
    EXPECT_EQ(viewer->getContentSize(), cocos2d::Size(400, 400));
    EXPECT_EQ(other->getPosition(), Vec2(420, 20));
    EXPECT_EQ(other->getContentSize(), cocos2d::Size(400, 400));
    NSUI::NSNotificationCenter::getInstance()->removeObserver(this);
    EXPECT_EQ(stateValues, (std::vector<int>{1, 0}));
}

TEST_F(ViewerImageTest, RemovalIsAnnouncedWithTheWindowIdAtCleanupAndAgainAtDestruction) {
    std::vector<int> ids;
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        this, nullptr,
        [&ids](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
            ids.push_back(data->intValue2);
        },
        keys::NOTIFY_VIEWER_REMOVED);
    const int id = static_cast<int>(viewer->getRefID());
    viewer->retain();
    viewer->removeFromParent();
    viewer->cleanup();
    viewer->release();
    drain();
    NSUI::NSNotificationCenter::getInstance()->removeObserver(this);
    ASSERT_GE(ids.size(), 2u);
    for (int received : ids) {
        EXPECT_EQ(received, id);
    }
}

}  // namespace
