#include "imagesdk/viewers/isViewerMulti.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "engine/ui/Text.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/data/isROIManager.h"
#include "imagesdk/render/isActorImage.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/render/isActorROI.h"
#include "imagesdk/render/isInteractorImage.h"
#include "imagesdk/render/isNodeText.h"
#include "imagesdk/viewers/isViewer.h"
#include "imagesdk/viewers/isViewerBrowser.h"
#include "imagesdk/viewers/isViewerImage.h"
#include "imagesdk/viewers/isViewerVR.h"
#include "tests/imagesdk/viewers/LayoutFixture.h"

namespace {

using cocos2d::Rect;
using cocos2d::RefPtr;
using isImageSDK::isImageData;
using isImageSDK::isViewerBrowser;
using isImageSDK::isViewerMulti;
using isImageSDK::KeyViewProperty;
using namespace isImageSDK;

// Every key the multi-viewer posts to its parent, with the int value it carried.
class ParentRecorder {
public:
    explicit ParentRecorder(cocos2d::Node* parent) {
        for (int key : {9001, 9002, 9028, 9050, 9056, 9068, 9078, 9116, 9134}) {
            NSUI::NSNotificationCenter::getInstance()->addObserver(
                this, parent,
                [this](cocos2d::Ref*, unsigned posted, NSUI::NSNotificationData* data) {
                    keys.push_back(static_cast<int>(posted));
                    values[static_cast<int>(posted)] = data != nullptr ? data->intValue : -1;
                },
                key);
        }
    }
    ~ParentRecorder() { NSUI::NSNotificationCenter::getInstance()->removeObserver(this); }
    std::vector<int> keys;
    std::map<int, int> values;
};

class MultiViewerTest : public layouttest::LayoutTest {
protected:
    void SetUp() override {
        LayoutTest::SetUp();
        parent = cocos2d::Node::create();
        scene->addChild(parent);
        multi = isViewerMulti::create();
        multi->setContentSize(cocos2d::Size(800, 400));
        parent->addChild(multi);
        volume = layouttest::sliceNumberVolume(20);
    }
    void TearDown() override {
        volume = nullptr;
        LayoutTest::TearDown();
        isROIManager::destroyInstance();
    }
    KeyViewProperty* cell(std::size_t i) { return multi->allProperties().at(i); }
    isViewerBrowser* browser(std::size_t i) { return isViewerMulti::browserOf(cell(i)); }
    int firstTileSlice(std::size_t i) {
        return browser(i)->getTiles().at(0)->getImageActor()->getSliceIndex();
    }
    // Runs a command as the viewer screen does, then lets the re-posts arrive.
    void command(int key, const std::string& text = "") {
        NSUI::NSNotificationData* data = NSUI::NSNotificationData::create();
        data->stringValue = text;
        multi->runCommand(key, data);
        drain(3);
    }

    cocos2d::Node* parent = nullptr;
    isViewerMulti* multi = nullptr;
    RefPtr<isImageData> volume;
};

TEST_F(MultiViewerTest, CellsBindTheirSeriesAndTheFirstCellIsActive) {
    RefPtr<isImageData> flat = layouttest::sliceNumberVolume(1);
    flat->regularVolume = false;
    for (int viewType = VIEW_AXIAL; viewType <= VIEW_MIP; ++viewType) {
        multi->addViewer(viewType, true, Rect(0, 0, 100, 100), flat.get());
    }
    multi->addViewer(VIEW_NONE, true, Rect(0, 0, 100, 100), volume.get());
    multi->addViewer(VIEW_AXIAL, true, Rect(0, 0, 100, 100), nullptr);
    EXPECT_TRUE(multi->allProperties().empty());

    multi->addViewer(VIEW_AXIAL, false, Rect(0, 0, 400, 400), volume.get());
    multi->addViewer(VIEW_CORONAL, false, Rect(400, 0, 400, 400), volume.get());
    ASSERT_EQ(multi->allProperties().size(), 2u);
    EXPECT_EQ(multi->getActiveProperty(), cell(0));
    // One series, one binding: the cells follow in the order they were added.
    EXPECT_EQ(cell(0)->getViewType(), VIEW_AXIAL);
    EXPECT_EQ(cell(1)->getViewType(), VIEW_CORONAL);
    EXPECT_EQ(multi->findPropertyOfViewer(cell(1)->getViewer()), cell(1));
    EXPECT_EQ(multi->getCurrentViewType(), VIEW_AXIAL);

    multi->removeAllViewers();
    EXPECT_EQ(multi->getActiveProperty(), nullptr);
    EXPECT_EQ(multi->getCurrentViewType(), VIEW_SLICE);
    multi->addViewer(VIEW_SAGITTAL, true, Rect(0, 0, 400, 400), volume.get());
    EXPECT_EQ(multi->getActiveProperty(), cell(0));
}

TEST_F(MultiViewerTest, ALinkedSliceCellStartsWhereTheFirstLinkedBrowserIs) {
    RefPtr<isImageData> other = layouttest::sliceNumberVolume(30);
    multi->addViewer(VIEW_SLICE, true, Rect(0, 0, 400, 400), volume.get());
    browser(0)->setFirstSlice(7);
    multi->addViewer(VIEW_SLICE, true, Rect(400, 0, 400, 400), other.get());
    EXPECT_EQ(firstTileSlice(1), 7);
    // Unlinked, a cell centres itself on its own stack.
    multi->addViewer(VIEW_SLICE, false, Rect(400, 0, 400, 400), other.get());
    EXPECT_EQ(firstTileSlice(2), 14);
}

TEST_F(MultiViewerTest, ResizingKeepsCellsInProportion) {
    multi->addViewer(VIEW_AXIAL, true, Rect(0, 0, 398, 400), volume.get());
    multi->addViewer(VIEW_CORONAL, true, Rect(402, 100, 398, 300), volume.get());
    multi->setContentSize(cocos2d::Size(1600, 800));
    EXPECT_EQ(browser(1)->getPosition(), cocos2d::Vec2(804, 200));
    EXPECT_TRUE(browser(1)->getContentSize().equals(cocos2d::Size(796, 600)));
    EXPECT_TRUE(browser(0)->isLayoutDue());

    // From a zero size there is no proportion: cells stay where they were put.
    isViewerMulti* empty = isViewerMulti::create();
    parent->addChild(empty);
    empty->addViewer(VIEW_AXIAL, true, Rect(10, 20, 30, 40), volume.get());
    empty->setContentSize(cocos2d::Size(500, 500));
    const cocos2d::Node* node = isViewerMulti::browserOf(empty->allProperties().at(0));
    EXPECT_EQ(node->getPosition(), cocos2d::Vec2(10, 20));
    EXPECT_TRUE(node->getContentSize().equals(cocos2d::Size(30, 40)));
}

TEST_F(MultiViewerTest, QueriesOfTheActiveCell) {
    int slice[2] = {-5, -5};
    EXPECT_FALSE(multi->getSliceIndex(slice));
    multi->addViewer(VIEW_AXIAL, true, Rect(100, 50, 300, 300), volume.get());
    multi->setPosition(cocos2d::Vec2(10, 20));
    ASSERT_TRUE(multi->getSliceIndex(slice));
    EXPECT_EQ(slice[1], 20);
    EXPECT_EQ(slice[0], firstTileSlice(0));
    cocos2d::Rect rect;
    ASSERT_TRUE(multi->getCurrentViewerRect(rect));
    EXPECT_TRUE(rect.equals(Rect(110, 70, 300, 300)));

    multi->setWindowLevel(500.0f, 60.0f);
    float width = 0.0f;
    float level = 0.0f;
    ASSERT_TRUE(multi->getWindowLevel(width, level));
    EXPECT_EQ(width, 500.0f);
    EXPECT_EQ(level, 60.0f);

    command(NOTIFY_VIEW_VR);
    EXPECT_FALSE(multi->getSliceIndex(slice));
}

// Which cells a command reaches: two linked axial cells and a sagittal one, grids showing who
// took the command, and what reached the parent.
TEST_F(MultiViewerTest, CommandsReachTheirCellsAndTheParent) {
    struct Case {
        const char* name;
        int key;
        std::size_t target;           // the active cell
        std::vector<int> gridTiles;   // tiles per cell afterwards
        std::vector<int> parentKeys;  // in order
    };
    const std::vector<Case> cases = {
        {"grid goes to the active cell only", NOTIFY_GRID_2X2, 1, {1, 4, 1}, {}},
        {"auto grid too", NOTIFY_GRID_1X2, 2, {1, 1, 2}, {}},
        {"ROI tools re-post without data", NOTIFY_ROI_LINE, 0, {1, 1, 1}, {NOTIFY_ROI_LINE}},
        {"the window/level editor goes up",
         NOTIFY_EDIT_WW_OPEN,
         0,
         {1, 1, 1},
         {NOTIFY_EDIT_WW_OPEN}},
        {"cine state goes up", NOTIFY_CINE_PLAYING, 2, {1, 1, 1}, {NOTIFY_CINE_PLAYING}},
        {"keys outside the viewer band are ignored", 9200, 0, {1, 1, 1}, {}},
    };
    for (const Case& c : cases) {
        multi->removeAllViewers();
        multi->addViewer(VIEW_AXIAL, true, Rect(0, 0, 260, 400), volume.get());
        multi->addViewer(VIEW_AXIAL, true, Rect(270, 0, 260, 400), volume.get());
        multi->addViewer(VIEW_SAGITTAL, true, Rect(540, 0, 260, 400), volume.get());
        browser(c.target)->onNotification(NOTIFY_VIEW_ACTIVATED, nullptr, nullptr);
        multi->onNotification(NOTIFY_VIEW_ACTIVATED, nullptr, browser(c.target));
        drain(3);
        ParentRecorder recorder(parent);
        command(c.key, "text");
        std::vector<int> tiles;
        for (std::size_t i = 0; i < 3; ++i) {
            tiles.push_back(static_cast<int>(browser(i)->getTiles().size()));
        }
        EXPECT_EQ(tiles, c.gridTiles) << c.name;
        EXPECT_EQ(recorder.keys, c.parentKeys) << c.name;
    }
}

TEST_F(MultiViewerTest, ActivationFollowsTheTouchedCell) {
    multi->addViewer(VIEW_AXIAL, true, Rect(0, 0, 400, 400), volume.get());
    multi->addViewer(VIEW_CORONAL, true, Rect(400, 0, 400, 400), volume.get());
    ASSERT_EQ(multi->getActiveProperty(), cell(0));
    ParentRecorder recorder(parent);
    NSUI::NSNotificationCenter::getInstance()->postNotification(browser(1), NOTIFY_VIEW_ACTIVATED,
                                                                nullptr, multi, true);
    drain(3);
    EXPECT_EQ(multi->getActiveProperty(), cell(1));
    EXPECT_EQ(recorder.keys, (std::vector<int>{NOTIFY_ACTIVE_CELL_VOLUME, NOTIFY_VIEW_ACTIVATED}));
    EXPECT_EQ(recorder.values[NOTIFY_ACTIVE_CELL_VOLUME], 0);

    // A viewer that is not bound here changes nothing.
    isViewerBrowser* stranger = isViewerBrowser::create();
    parent->addChild(stranger);
    multi->onNotification(NOTIFY_VIEW_ACTIVATED, nullptr, stranger);
    EXPECT_EQ(multi->getActiveProperty(), cell(1));
}

TEST_F(MultiViewerTest, ViewSwitchesReplaceOrRetypeTheCell) {
    multi->addViewer(VIEW_AXIAL, true, Rect(0, 0, 400, 400), volume.get());
    struct Case {
        const char* name;
        int key;
        int viewType;
        int posted;  // 9134's value, -1 when nothing is posted
    };
    const std::vector<Case> cases = {
        {"axial again does nothing", NOTIFY_VIEW_AXIAL, VIEW_AXIAL, -1},
        {"sagittal without a partner", NOTIFY_VIEW_SAGITTAL, VIEW_SAGITTAL, 0},
        {"to VR", NOTIFY_VIEW_VR, VIEW_VR, 1},
        {"VR again keeps it but tells the screen", NOTIFY_VIEW_VR, VIEW_VR, 1},
        {"VR to MIP", NOTIFY_VIEW_MIP, VIEW_MIP, 1},
        {"back to a plane", NOTIFY_VIEW_CORONAL, VIEW_CORONAL, 0},
        {"the view cycle", NOTIFY_VIEW_CYCLE, VIEW_AXIAL, 0},
    };
    for (const Case& c : cases) {
        ParentRecorder recorder(parent);
        command(c.key);
        EXPECT_EQ(cell(0)->getViewType(), c.viewType) << c.name;
        EXPECT_EQ(multi->getCurrentViewType(), c.viewType) << c.name;
        const bool posted = recorder.values.count(NOTIFY_ACTIVE_CELL_VOLUME) != 0;
        EXPECT_EQ(posted, c.posted >= 0) << c.name;
        if (posted) {
            EXPECT_EQ(recorder.values[NOTIFY_ACTIVE_CELL_VOLUME], c.posted) << c.name;
        }
        if (c.viewType == VIEW_VR) {
            EXPECT_NE(isViewerMulti::volumeViewerOf(cell(0)), nullptr) << c.name;
        }
    }
    EXPECT_EQ(multi->allProperties().size(), 1u);
}

TEST_F(MultiViewerTest, WheelPagesLinkedCellsOfOneTypeAndStopsAtTheEnds) {
    multi->addViewer(VIEW_AXIAL, true, Rect(0, 0, 260, 400), volume.get());
    multi->addViewer(VIEW_AXIAL, true, Rect(270, 0, 260, 400), volume.get());
    multi->addViewer(VIEW_SAGITTAL, false, Rect(540, 0, 260, 400), volume.get());
    const int sagittal = firstTileSlice(2);
    browser(0)->setFirstSlice(19);
    ParentRecorder recorder(parent);
    command(NOTIFY_WHEEL_UP);
    // On the last slice: re-posted, nothing moves.
    EXPECT_EQ(firstTileSlice(0), 19);
    EXPECT_EQ(recorder.keys, std::vector<int>{NOTIFY_WHEEL_UP});
    command(NOTIFY_WHEEL_DOWN);
    EXPECT_EQ(firstTileSlice(0), 18);
    EXPECT_EQ(firstTileSlice(1), 18);
    EXPECT_EQ(firstTileSlice(2), sagittal);
}

TEST_F(MultiViewerTest, ASwitchToAPlaneShownElsewhereTakesThatCellsSlice) {
    multi->addViewer(VIEW_AXIAL, true, Rect(0, 0, 400, 400), volume.get());
    multi->addViewer(VIEW_SAGITTAL, true, Rect(400, 0, 400, 400), volume.get());
    browser(1)->setFirstSlice(3);
    command(NOTIFY_VIEW_SAGITTAL);
    EXPECT_EQ(cell(0)->getViewType(), VIEW_SAGITTAL);
    EXPECT_EQ(firstTileSlice(0), 3);
}

TEST_F(MultiViewerTest, AVolumeCellTakesOnlyWhatAVolumeViewerDoes) {
    multi->addViewer(VIEW_AXIAL, true, Rect(0, 0, 400, 400), volume.get());
    multi->addViewer(VIEW_VR, true, Rect(400, 0, 400, 400), volume.get());
    multi->onNotification(NOTIFY_VIEW_ACTIVATED, nullptr, isViewerMulti::volumeViewerOf(cell(1)));
    drain(3);
    ASSERT_EQ(multi->getActiveProperty(), cell(1));
    const int axialSlice = firstTileSlice(0);
    struct Case {
        const char* name;
        int key;
        std::vector<int> parentKeys;
    };
    const std::vector<Case> cases = {
        {"grids are the browsers'", NOTIFY_GRID_2X2, {}},
        {"the wheel goes up but pages no plane", NOTIFY_WHEEL_UP, {NOTIFY_WHEEL_UP}},
        {"ROI tools still go up", NOTIFY_ROI_LINE, {NOTIFY_ROI_LINE}},
    };
    for (const Case& c : cases) {
        ParentRecorder recorder(parent);
        command(c.key);
        EXPECT_EQ(recorder.keys, c.parentKeys) << c.name;
        EXPECT_EQ(browser(0)->getTiles().size(), 1u) << c.name;
        EXPECT_EQ(firstTileSlice(0), axialSlice) << c.name;
    }
    isViewerVR* volumeViewer = isViewerMulti::volumeViewerOf(cell(1));
    command(NOTIFY_CINE_PLAY);
    EXPECT_TRUE(volumeViewer->isSpinning());
    EXPECT_TRUE(multi->isActiveCellPlaying());
    EXPECT_FALSE(browser(0)->isPlaying());
    command(NOTIFY_CINE_PLAY);
    EXPECT_FALSE(volumeViewer->isSpinning());
}

TEST_F(MultiViewerTest, AMaximisedVolumeCellRefusesAPlaneSwitch) {
    multi->setNotificationKey(55, multi);
    multi->addViewer(VIEW_VR, true, Rect(0, 0, 400, 400), volume.get());
    isViewerVR* volumeViewer = isViewerMulti::volumeViewerOf(cell(0));
    NSUI::NSNotificationData* maximise = NSUI::NSNotificationData::create();
    maximise->key = 55;
    maximise->group = multi;
    maximise->intValue2 = static_cast<int>(volumeViewer->getRefID());
    maximise->stringValue = "{\"w\":\"800\",\"h\":\"400\"}";
    volumeViewer->onNotification(NOTIFY_QUICK_MAXIMIZE, maximise, nullptr);
    ASSERT_TRUE(volumeViewer->isMaximized());

    ParentRecorder recorder(parent);
    command(NOTIFY_VIEW_AXIAL);
    EXPECT_EQ(isViewerMulti::volumeViewerOf(cell(0)), volumeViewer);
    EXPECT_TRUE(recorder.keys.empty());
    auto* box = scene->getChildByName("messageBox");
    ASSERT_NE(box, nullptr);
    auto* text = dynamic_cast<cocos2d::ui::Text*>(box->getChildByNameDeep("messageBox.text"));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->getString(), "Go back to the normal size firstly");
}

TEST_F(MultiViewerTest, AWheelNotchOnATilePagesTheLinkedCellsInOnePass) {
    multi->addViewer(VIEW_AXIAL, true, Rect(0, 0, 400, 400), volume.get());
    multi->addViewer(VIEW_AXIAL, true, Rect(400, 0, 400, 400), volume.get());
    drain(2);
    const int before = firstTileSlice(0);
    ParentRecorder recorder(parent);
    // What the tile's relay posts to its browser when the wheel turns over it.
    isImageSDK::isViewerImage* tile = browser(0)->getTiles().at(0);
    NSUI::NSNotificationCenter::getInstance()->postNotification(tile, NOTIFY_WHEEL_DOWN, nullptr,
                                                                browser(0), true);
    frame(0.02f);
    EXPECT_EQ(firstTileSlice(0), before - 1);
    EXPECT_EQ(firstTileSlice(1), before - 1);
    frame(0.02f);
    EXPECT_EQ(recorder.keys, std::vector<int>{NOTIFY_WHEEL_DOWN});
}
// The strip's delete button (and the disk's "remove") take the selected shape out of every
// cell of the series: the shape, its ROI, its label and the statistics on it.
TEST_F(MultiViewerTest, RemovingTheSelectedShapeTakesItOutOfEveryCellOfItsSeries) {
    multi->addViewer(VIEW_AXIAL, true, Rect(0, 0, 400, 400), volume.get());
    multi->addViewer(VIEW_AXIAL, true, Rect(400, 0, 400, 400), volume.get());
    drain(2);
    isViewerImage* tile = browser(0)->getCurrentTile();
    isActorROI* here = tile->getActorManager()->getROIActor();
    isActorROI* there = browser(1)->getCurrentTile()->getActorManager()->getROIActor();
    const cocos2d::Vec3 centre = cocos2d::Vec3(tile->getSlicePlane().m + 12);
    isActorROIBase* circle = here->addCircle(centre, centre + cocos2d::Vec3(3, 0, 0));
    there->reloadROIs();
    const auto measured = [circle] {
        return circle->getLabelNode() != nullptr &&
               circle->getLabelNode()->getString().find("Avg:") != std::string::npos;
    };
    drainUntil(measured);
    ASSERT_EQ(there->getShapes().size(), 1u);
    ASSERT_TRUE(measured());
    const auto label = RefPtr<isNodeText>::retained(circle->getLabelNode());
    auto* interactor = dynamic_cast<isInteractorImage*>(tile->getInteractor());
    ASSERT_NE(interactor, nullptr);
    interactor->selectROI(circle);

    command(NOTIFY_ROI_REMOVE);
    EXPECT_TRUE(here->getShapes().empty());
    EXPECT_TRUE(there->getShapes().empty());
    EXPECT_TRUE(isROIManager::getInstance()->rois.empty());
    EXPECT_EQ(label->getParent(), nullptr);
    EXPECT_EQ(interactor->getSelectedROI(), nullptr);
}

// The tool keys set the interaction mode of every linked slice cell; rotate orbits the camera
// there as it does in a volume cell.
TEST_F(MultiViewerTest, ToolKeysSetTheModeOfEveryLinkedSliceCell) {
    multi->addViewer(VIEW_AXIAL, true, Rect(0, 0, 260, 400), volume.get());
    multi->addViewer(VIEW_SAGITTAL, true, Rect(270, 0, 260, 400), volume.get());
    multi->addViewer(VIEW_CORONAL, false, Rect(540, 0, 260, 400), volume.get());
    auto modeOf = [this](std::size_t i) {
        auto* interactor =
            dynamic_cast<isInteractorImage*>(browser(i)->getTiles().at(0)->getInteractor());
        return interactor != nullptr ? interactor->getInteractionMode() : -1;
    };
    const int unlinked = modeOf(2);
    struct Case {
        int key;
        int mode;
    };
    for (const Case& c :
         {Case{NOTIFY_TOOL_ROTATE, kModeRotate}, Case{NOTIFY_TOOL_MOVE, kModePan},
          Case{NOTIFY_TOOL_ZOOM, kModeZoom}, Case{NOTIFY_WW_BY_MOUSE, kModeWindowLevel},
          Case{NOTIFY_TOOL_SELECT, kModeProbe}, Case{NOTIFY_TOOL_ROTATE, kModeRotate}}) {
        command(c.key);
        EXPECT_EQ(modeOf(0), c.mode) << c.key;
        EXPECT_EQ(modeOf(1), c.mode) << c.key;
        EXPECT_EQ(modeOf(2), unlinked) << c.key;
    }

    // In a volume cell the key rotates that cell alone.
    command(NOTIFY_VIEW_VR);
    isViewerVR* volumeViewer = isViewerMulti::volumeViewerOf(cell(0));
    ASSERT_NE(volumeViewer, nullptr);
    auto* track = dynamic_cast<isInteractorImage*>(volumeViewer->getInteractor());
    ASSERT_NE(track, nullptr);
    command(NOTIFY_TOOL_MOVE);
    ASSERT_EQ(track->getInteractionMode(), kModePan);
    ASSERT_EQ(modeOf(1), kModePan);
    command(NOTIFY_TOOL_ROTATE);
    EXPECT_EQ(track->getInteractionMode(), kModeRotate);
    EXPECT_EQ(modeOf(1), kModePan);
}

// Back to a plane with no plane cell to follow, a volume cell keeps its zoom: zoomed in twice
// over its fitted view, the slice cell shows the slice twice its fitted size.
TEST_F(MultiViewerTest, AVolumeCellTurnedPlaneAloneKeepsItsZoom) {
    multi->addViewer(VIEW_VR, true, Rect(0, 0, 400, 400), volume.get());
    isViewerVR* volumeViewer = isViewerMulti::volumeViewerOf(cell(0));
    ASSERT_NE(volumeViewer, nullptr);
    EXPECT_NEAR(volumeViewer->getPixelScale(), 1.0f, 1e-3f);
    volumeViewer->zoomBy(2.0f);
    command(NOTIFY_VIEW_AXIAL);
    ASSERT_NE(browser(0), nullptr);
    EXPECT_NEAR(browser(0)->getZoom(), 2.0f, 1e-3f);
}

// In the volume layout, a volume cell turned axial beside the axial cell shows the slice at the
// axial cell's scale: cells of one size show one picture size, also for a flat, wide volume.
TEST_F(MultiViewerTest, AVolumeCellTurnedAxialBesideTheAxialCellTakesItsScale) {
    const float spacing[3] = {0.7f, 0.7f, 1.25f};
    volume = imagesdktest::makeVolume(
        64, 64, 20, isImageSDK::PIXEL_INT16, spacing, [](int, int, int z) { return z; },
        layouttest::axialFrame());
    multi->addViewer(VIEW_AXIAL, true, Rect(0, 508, 808, 508), volume.get());
    multi->addViewer(VIEW_VR, true, Rect(808, 0, 808, 508), volume.get());
    drain(3);
    multi->onNotification(NOTIFY_VIEW_ACTIVATED, nullptr, isViewerMulti::volumeViewerOf(cell(1)));
    drain(3);
    ASSERT_EQ(multi->getActiveProperty(), cell(1));
    command(NOTIFY_VIEW_AXIAL);
    drain(3);
    ASSERT_NE(browser(1), nullptr);
    const float axial = browser(0)->getTiles().at(0)->getMainCamera()->getZoom();
    EXPECT_NEAR(browser(1)->getTiles().at(0)->getMainCamera()->getZoom(), axial, axial * 1e-3f);
}

}  // namespace
