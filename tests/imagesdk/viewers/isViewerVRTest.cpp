#include "imagesdk/viewers/isViewerVR.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/base/RefPtr.h"
#include "engine/base/Scheduler.h"
#include "engine/platform/FileUtils.h"
#include "imagesdk/data/isGeometry.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isInteractorImage.h"
#include "imagesdk/viewers/ViewerColorTable.h"
#include "imagesdk/vr/isActorVR.h"
#include "tests/imagesdk/VolumeFixture.h"
#include "tests/imagesdk/render/WindowFixture.h"
#include "tests/support/lib/TempDir.h"
#include "toolkit/core/NSNotificationCenter.h"

using cocos2d::RefPtr;
using cocos2d::Vec3;
using isImageSDK::isImageData;
using isImageSDK::isViewerVR;
namespace keys = isImageSDK;

namespace {

char letterOf(const Vec3& direction) {
    Vec3 unit = direction;
    unit.normalize();
    Vec3 across = std::fabs(unit.x) < 0.9f ? Vec3(1, 0, 0) : Vec3(0, 1, 0);
    across = across - unit * across.dot(unit);
    across.normalize();
    char labels[12] = {};
    isImageSDK::computeOrientationLabels(unit, across, 0, 0, labels);
    return labels[3];
}

// A colour-table property list with the given channel arrays.
void writeTable(const std::string& path, const std::vector<int>& red, const std::vector<int>& green,
                const std::vector<int>& blue) {
    std::ofstream out(path);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n";
    const std::pair<const char*, const std::vector<int>*> channels[] = {
        {"Red", &red}, {"Green", &green}, {"Blue", &blue}};
    for (const auto& channel : channels) {
        out << "<key>" << channel.first << "</key>\n<array>\n";
        for (int v : *channel.second) {
            out << "<string>" << v << "</string>\n";
        }
        out << "</array>\n";
    }
    out << "</dict>\n</plist>\n";
}

class ViewerVRTest : public rendertest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        const float spacing[3] = {1.0f, 1.0f, 2.0f};
        volume = imagesdktest::makeVolume(16, 12, 8, keys::PIXEL_INT16, spacing,
                                          [](int x, int y, int z) { return x + y + z; });
        viewer = isViewerVR::create();
        viewer->setContentSize(cocos2d::Size(300, 300));
        viewer->setNotificationKey(55, nullptr);
        scene->addChild(viewer);
    }
    void TearDown() override {
        scene->removeAllChildren();
        drain(2);
        WindowTest::TearDown();
    }
    static void command(isViewerVR* v, int key, int intValue = 0) {
        NSUI::NSNotificationData* data = NSUI::NSNotificationData::create();
        data->intValue = intValue;
        v->onNotification(key, data, nullptr);
    }
    static cocos2d::Scheduler* scheduler() {
        return cocos2d::Director::getInstance()->getScheduler();
    }

    RefPtr<isImageData> volume;
    isViewerVR* viewer = nullptr;
};

TEST_F(ViewerVRTest, PresetsLookFromEachPatientSideWithTheHeadOrFrontUp) {
    viewer->setImageData(volume.get());
    struct Case {
        int code;
        char eyeSide;
        char up;
    };
    // The volume's x runs to the patient's left, y to the head, z to the front.
    const Case cases[] = {{1, 'S', 'A'}, {2, 'I', 'A'}, {3, 'A', 'S'},
                          {4, 'P', 'S'}, {5, 'R', 'S'}, {6, 'L', 'S'}};
    const Vec3 centre(7.5f, 5.5f, 7.0f);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        viewer->applyOrientationPreset(c.code);
        const isImageSDK::isCameraState state = viewer->getCameraState();
        EXPECT_NEAR(state.center().distance(centre), 0.0f, 1e-3f);
        EXPECT_EQ(letterOf(state.eye() - state.center()), c.eyeSide);
        EXPECT_EQ(letterOf(state.up()), c.up);
        EXPECT_GE(state.eyeDistance(), 10.0f - 1e-3f);
    }
}

TEST_F(ViewerVRTest, SpinStartsOnlyForAVolumeAndReportsItsState) {
    std::vector<int> playing;
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        this, nullptr,
        [&playing](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
            playing.push_back(data->intValue);
        },
        keys::NOTIFY_CINE_PLAYING);
    RefPtr<isImageData> single(isImageData::create());
    const int size[2] = {8, 8};
    const float spacing[2] = {1.0f, 1.0f};
    single->addSlice(size, 1, spacing, keys::PIXEL_INT16, 0, 0, cocos2d::Mat4::IDENTITY);
    viewer->setImageData(single.get());
    command(viewer, keys::NOTIFY_CINE_PLAY);
    EXPECT_FALSE(viewer->isSpinning());
    viewer->setImageData(volume.get());
    command(viewer, keys::NOTIFY_CINE_PLAY);
    EXPECT_TRUE(viewer->isSpinning());
    EXPECT_TRUE(scheduler()->isScheduled(viewer->spinKey(), viewer));
    command(viewer, keys::NOTIFY_CINE_PLAY);
    EXPECT_FALSE(viewer->isSpinning());
    EXPECT_FALSE(scheduler()->isScheduled(viewer->spinKey(), viewer));
    drain();
    NSUI::NSNotificationCenter::getInstance()->removeObserver(this);
    EXPECT_EQ(playing, (std::vector<int>{0, 1, 0}));
}

TEST_F(ViewerVRTest, SpinStepsOnceEverySpeedTicksAndCatchesUpInALongFrame) {
    viewer->setImageData(volume.get());
    command(viewer, keys::NOTIFY_CINE_PLAY);
    const float tick = isViewerVR::kSpinInterval;
    // The frame after scheduling only starts the clock; nothing before the delay; the first
    // tick steps at once.
    scheduler()->update(1.0f);
    scheduler()->update(isViewerVR::kSpinDelay * 0.5f);
    EXPECT_EQ(viewer->getSpinFrame(), 0);
    scheduler()->update(isViewerVR::kSpinDelay * 0.5f + tick * 0.5f);
    EXPECT_EQ(viewer->getSpinFrame(), 1);
    // Speed 60: the next step after 60 ticks, not before.
    for (int i = 0; i < 58; ++i) {
        scheduler()->update(tick);
    }
    EXPECT_EQ(viewer->getSpinFrame(), 1);
    scheduler()->update(tick * 1.5f);
    EXPECT_EQ(viewer->getSpinFrame(), 2);
    // One drawn frame as long as 120 ticks fires them all: two more steps.
    scheduler()->update(tick * 120.5f);
    EXPECT_EQ(viewer->getSpinFrame(), 4);
}

TEST_F(ViewerVRTest, SpinSpeedKeysStopAtTheirLimits) {
    viewer->setImageData(volume.get());
    command(viewer, keys::NOTIFY_CINE_PLAY);
    struct Step {
        int key;
        int speed;
    };
    const Step steps[] = {{keys::NOTIFY_CINE_PRIOR, 80},  {keys::NOTIFY_CINE_PRIOR, 100},
                          {keys::NOTIFY_CINE_PRIOR, 120}, {keys::NOTIFY_CINE_PRIOR, 120},
                          {keys::NOTIFY_CINE_NEXT, 100},  {keys::NOTIFY_CINE_NEXT, 80},
                          {keys::NOTIFY_CINE_NEXT, 60},   {keys::NOTIFY_CINE_NEXT, 40},
                          {keys::NOTIFY_CINE_NEXT, 20},   {keys::NOTIFY_CINE_NEXT, 5},
                          {keys::NOTIFY_CINE_NEXT, 5}};
    for (const Step& step : steps) {
        command(viewer, step.key);
        EXPECT_EQ(viewer->getSpinSpeed(), step.speed);
    }
}

TEST_F(ViewerVRTest, StepBackThenForwardReturnsTheCamera) {
    viewer->setImageData(volume.get());
    const isImageSDK::isCameraState before = viewer->getCameraState();
    command(viewer, keys::NOTIFY_CINE_PRIOR);
    EXPECT_EQ(viewer->getSpinFrame(), 35);
    EXPECT_GT(viewer->getCameraState().eye().distance(before.eye()), 0.1f);
    command(viewer, keys::NOTIFY_CINE_NEXT);
    EXPECT_EQ(viewer->getSpinFrame(), 0);
    EXPECT_NEAR(viewer->getCameraState().eye().distance(before.eye()), 0.0f, 1e-3f);
}

TEST_F(ViewerVRTest, VolumeAndMaximumIntensitySwitchTheCasters) {
    viewer->setImageData(volume.get());
    struct Step {
        bool mip;
        int type;
        int mode;
    };
    const Step steps[] = {{false, keys::VIEW_VR, 0},
                          {true, keys::VIEW_MIP, 3},
                          {true, keys::VIEW_MIP, 3},
                          {false, keys::VIEW_VR, 0}};
    for (const Step& step : steps) {
        if (step.mip) {
            viewer->setMIPMode();
        } else {
            viewer->setVRMode();
        }
        viewer->getVRActor()->waitUntilIdle();
        EXPECT_EQ(viewer->type, step.type);
        EXPECT_EQ(viewer->getVRActor()->getBestCaster().getRenderMode(), step.mode);
        EXPECT_NE(dynamic_cast<isImageSDK::isInteractorTrackVR*>(viewer->getInteractor()), nullptr);
    }
    // A MIP viewer stays one when other data is bound.
    viewer->setMIPMode();
    const float spacing[3] = {1.0f, 1.0f, 1.0f};
    RefPtr<isImageData> other = imagesdktest::makeVolume(8, 8, 8, keys::PIXEL_INT16, spacing,
                                                         [](int, int, int) { return 5; });
    viewer->setImageData(other.get());
    viewer->getVRActor()->waitUntilIdle();
    EXPECT_EQ(viewer->getVRActor()->getBestCaster().getRenderMode(), 3);
}

TEST_F(ViewerVRTest, ModesAndTheWindowLevelReturn) {
    viewer->setVRMode();
    EXPECT_EQ(viewer->type, keys::VIEW_VR);
    auto* track = dynamic_cast<isImageSDK::isInteractorTrackVR*>(viewer->getInteractor());
    ASSERT_NE(track, nullptr);
    command(viewer, keys::NOTIFY_WW_BY_MOUSE);
    EXPECT_EQ(track->getInteractionMode(), keys::kModeWindowLevel);
    command(viewer, keys::NOTIFY_VIEW_CMD_9035);
    EXPECT_EQ(track->getInteractionMode(), keys::kModeRotate);
    command(viewer, keys::NOTIFY_TOOL_ZOOM);
    command(viewer, keys::NOTIFY_VIEW_CMD_9035);
    EXPECT_EQ(track->getInteractionMode(), keys::kModeZoom);
}

TEST_F(ViewerVRTest, FloatPetStartsInvertedAsMaximumIntensity) {
    const float spacing[3] = {1.0f, 1.0f, 1.0f};
    RefPtr<isImageData> pet = imagesdktest::makeVolume(8, 8, 8, keys::PIXEL_FLOAT32, spacing,
                                                       [](int x, int, int) { return x * 0.5; });
    for (isImageSDK::isSliceInfo* slice : pet->slices) {
        slice->modality = 1;
    }
    struct Case {
        isImageData* data;
        int mode;
        int firstEntry;
    };
    const Case cases[] = {{volume.get(), 0, 0}, {pet.get(), 3, 255}};
    for (const Case& c : cases) {
        isViewerVR* v = isViewerVR::create();
        v->setContentSize(cocos2d::Size(100, 100));
        scene->addChild(v);
        v->setImageData(c.data);
        ASSERT_NE(v->getVRActor(), nullptr);
        v->getVRActor()->waitUntilIdle();
        EXPECT_EQ(v->getVRActor()->getBestCaster().getRenderMode(), c.mode);
        EXPECT_EQ(v->getVRActor()->getBestCaster().getColorTable()[0], c.firstEntry);
    }
}

TEST_F(ViewerVRTest, ColourTablesFromPropertyLists) {
    bvtest::TempDir folder("vrclut");
    const std::vector<int> full(256, 255);
    const std::vector<int> none(256, 0);
    writeTable((folder / "Perfusion.plist").string(), full, none, none);
    writeTable((folder / "Warm.plist").string(), full, none, none);
    writeTable((folder / "Short.plist").string(), full, std::vector<int>(255, 0), none);
    cocos2d::FileUtils::getInstance()->addSearchPath(folder.str(), true);
    viewer->setImageData(volume.get());
    struct Case {
        const char* name;
        int red, green, blue;  // entry 10 after the change
    };
    const Case cases[] = {
        {"noClut.plist", 10, 10, 10},   {"Perfusion.plist", 255, 0, 0},
        {"Warm.plist", 255, 0, 0},      {"bwInverse.plist", 245, 245, 245},
        {"Short.plist", 245, 245, 245}, {"x", 245, 245, 245},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        viewer->setClutByName(c.name);
        viewer->getVRActor()->waitUntilIdle();
        const std::uint8_t* table = viewer->getVRActor()->getFastCaster().getColorTable();
        EXPECT_EQ(table[30], c.red);
        EXPECT_EQ(table[31], c.green);
        EXPECT_EQ(table[32], c.blue);
    }
    std::vector<std::string> paths = cocos2d::FileUtils::getInstance()->getSearchPaths();
    paths.erase(paths.begin());
    cocos2d::FileUtils::getInstance()->setSearchPaths(paths);
}

TEST_F(ViewerVRTest, PhasesOfAMultiPhaseVolumeReachTheActor) {
    const float spacing[3] = {1.0f, 1.0f, 1.0f};
    RefPtr<isImageData> first = imagesdktest::makeVolume(8, 8, 4, keys::PIXEL_INT16, spacing,
                                                         [](int, int, int) { return 1; });
    RefPtr<isImageData> second = imagesdktest::makeVolume(8, 8, 4, keys::PIXEL_INT16, spacing,
                                                          [](int, int, int) { return 2; });
    isImageData* merged = isImageSDK::mergeImageDataPhases({first.get(), second.get()});
    ASSERT_NE(merged, nullptr);
    viewer->setImageData(merged);
    viewer->setPhase(1);
    EXPECT_EQ(viewer->getVRActor()->getPhase(), 1);
    viewer->setPhase(5);
    EXPECT_EQ(viewer->getVRActor()->getPhase(), 1);
    viewer->setPhase(0);
    EXPECT_EQ(viewer->getVRActor()->getPhase(), 0);
}

// A bound volume renders in its first slice's window, not the casters' default, and a phase
// chain opens on the phase its head records as shown; a phase chosen here is recorded there.
TEST_F(ViewerVRTest, ABoundVolumeOpensInItsOwnWindowAndOnTheShownPhase) {
    volume->getSlice(0)->windowWidth = 400.0f;
    volume->getSlice(0)->windowCentre = 40.0f;
    viewer->setImageData(volume.get());
    float width = 0.0f;
    float centre = 0.0f;
    viewer->getVRActor()->getWindowLevel(&width, &centre);
    EXPECT_EQ(width, 400.0f);
    EXPECT_EQ(centre, 40.0f);

    const float spacing[3] = {1.0f, 1.0f, 1.0f};
    RefPtr<isImageData> first = imagesdktest::makeVolume(8, 8, 4, keys::PIXEL_INT16, spacing,
                                                         [](int, int, int) { return 1; });
    RefPtr<isImageData> second = imagesdktest::makeVolume(8, 8, 4, keys::PIXEL_INT16, spacing,
                                                          [](int, int, int) { return 2; });
    isImageData* merged = isImageSDK::mergeImageDataPhases({first.get(), second.get()});
    ASSERT_NE(merged, nullptr);
    merged->currentPhase = 1;
    viewer->setImageData(merged);
    EXPECT_EQ(viewer->getVRActor()->getPhase(), 1);
    viewer->setPhase(0);
    EXPECT_EQ(merged->currentPhase, 0);
}

TEST_F(ViewerVRTest, MaximiseNamesTheWindowInTheSecondIntValue) {
    viewer->setImageData(volume.get());
    viewer->setPosition(cocos2d::Vec2(30, 40));
    std::vector<int> states;
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        this, nullptr,
        [&states](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
            states.push_back(data->intValue);
        },
        keys::NOTIFY_QUICK_TOOL_STATE);
    for (int round = 0; round < 2; ++round) {
        NSUI::NSNotificationData* data = NSUI::NSNotificationData::create();
        data->setNotificationKey(55, nullptr);
        data->intValue2 = static_cast<int>(viewer->getRefID());
        data->stringValue = R"({"x":"0","y":"0","w":"800","h":"500"})";
        NSUI::NSNotificationCenter::getInstance()->postNotification(
            nullptr, keys::NOTIFY_QUICK_MAXIMIZE, data, nullptr, false);
        drain();
        if (round == 0) {
            EXPECT_TRUE(viewer->isMaximized());
            EXPECT_EQ(viewer->getContentSize(), cocos2d::Size(800, 500));
        }
    }
    NSUI::NSNotificationCenter::getInstance()->removeObserver(this);
    EXPECT_FALSE(viewer->isMaximized());
    EXPECT_EQ(viewer->getPosition(), cocos2d::Vec2(30, 40));
    EXPECT_EQ(viewer->getContentSize(), cocos2d::Size(300, 300));
    EXPECT_EQ(states, (std::vector<int>{1, 0}));
}

}  // namespace
