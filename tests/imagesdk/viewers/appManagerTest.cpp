#include "imagesdk/viewers/appManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <list>
#include <string>
#include <vector>

#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isActorCrossLine.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/render/isNodeLine.h"
#include "imagesdk/viewers/KeyViewProperty.h"
#include "imagesdk/viewers/isViewer.h"
#include "imagesdk/viewers/isViewerBrowser.h"
#include "imagesdk/viewers/isViewerImage.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "imagesdk/viewers/isViewerVR.h"
#include "imagesdk/vr/isActorVR.h"
#include "tests/imagesdk/VolumeFixture.h"
#include "tests/imagesdk/viewers/LayoutFixture.h"

namespace {

using cocos2d::Rect;
using cocos2d::RefPtr;
using isImageSDK::appManager;
using isImageSDK::isImageData;
using isImageSDK::KeyViewProperty;

struct Cell {
    int viewType;
    Rect rect;
};

std::vector<Cell> cellsOf(appManager* manager) {
    std::vector<Cell> cells;
    for (KeyViewProperty* property : manager->getViewerMulti()->allProperties()) {
        cells.push_back({property->getViewType(), property->rect});
    }
    return cells;
}

// Cells sorted by the order they were added, which for one series is the property order.
void expectCells(const std::vector<Cell>& got, const std::vector<Cell>& expected,
                 const std::string& name) {
    ASSERT_EQ(got.size(), expected.size()) << name;
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].viewType, expected[i].viewType) << name << " cell " << i;
        EXPECT_TRUE(got[i].rect.equals(expected[i].rect))
            << name << " cell " << i << ": " << got[i].rect.origin.x << "," << got[i].rect.origin.y
            << " " << got[i].rect.size.width << "x" << got[i].rect.size.height;
    }
}

// The volumes of one series' phases, and the head of the chain that merging them made.
struct PhaseChain {
    std::vector<RefPtr<isImageData>> phases;
    isImageData* head = nullptr;
};

// `count` volumes made by `makePhase` (given the phase's index), merged into one series' phases.
PhaseChain mergedPhases(int count, const std::function<RefPtr<isImageData>(int)>& makePhase) {
    PhaseChain series;
    std::list<isImageData*> chain;
    for (int i = 0; i < count; ++i) {
        series.phases.push_back(makePhase(i));
        chain.push_back(series.phases.back().get());
    }
    series.head = isImageSDK::mergeImageDataPhases(chain);
    return series;
}

class AppManagerTest : public layouttest::LayoutTest {
protected:
    // A manager showing the series in MPR over 800x600, switched to the phase.
    RefPtr<appManager> mprOnPhase(isImageData* series, int phase) {
        auto manager = RefPtr<appManager>::retained(appManager::create());
        scene->addChild(manager->getViewerMulti());
        manager->setImageDataWithProtocol(series, Rect(0, 0, 800, 600), isImageSDK::PROTOCOL_MPR);
        manager->setPhase(phase);
        return manager;
    }
};

TEST_F(AppManagerTest, ProtocolsLayTheirCellsOutInTheRegion) {
    using namespace isImageSDK;
    struct Case {
        const char* name;
        int code;
        Rect region;
        std::vector<Cell> cells;
    };
    const std::vector<Case> cases = {
        {"mpr3d 1000x800",
         PROTOCOL_MPR3D,
         Rect(0, 0, 1000, 800),
         {{VIEW_AXIAL, Rect(0, 402, 498, 398)},
          {VIEW_CORONAL, Rect(502, 402, 498, 398)},
          {VIEW_VR, Rect(502, 0, 498, 398)},
          {VIEW_SAGITTAL, Rect(0, 0, 498, 398)}}},
        {"mpr 1000x800",
         PROTOCOL_MPR,
         Rect(0, 0, 1000, 800),
         {{VIEW_AXIAL, Rect(0, 402, 498, 398)},
          {VIEW_SAGITTAL, Rect(0, 0, 498, 398)},
          {VIEW_CORONAL, Rect(502, 0, 498, 800)}}},
        {"mpr2 308 wide",
         PROTOCOL_MPR2,
         Rect(50, 10, 308, 400),
         {{VIEW_AXIAL, Rect(0, 0, 100, 400)},
          {VIEW_SAGITTAL, Rect(102, 0, 100, 400)},
          {VIEW_CORONAL, Rect(208, 0, 100, 400)}}},
        {"2dslice", PROTOCOL_2DSLICE, Rect(0, 0, 640, 480), {{VIEW_SLICE, Rect(0, 0, 640, 480)}}},
        // The plane of the acquisition.
        {"2dview", PROTOCOL_2DVIEW, Rect(0, 0, 640, 480), {{VIEW_AXIAL, Rect(0, 0, 640, 480)}}},
    };
    RefPtr<isImageData> volume = layouttest::sliceNumberVolume();
    for (const Case& c : cases) {
        auto manager = RefPtr<appManager>::retained(appManager::create());
        scene->addChild(manager->getViewerMulti());
        manager->setImageDataWithProtocol(volume.get(), c.region, c.code);
        EXPECT_EQ(manager->getProtocolCode(), c.code) << c.name;
        EXPECT_TRUE(manager->getRect().equals(c.region)) << c.name;
        expectCells(cellsOf(manager.get()), c.cells, c.name);
        manager->teardown();
    }
}

TEST_F(AppManagerTest, Mpr2SplitsItsAxialColumnAndBrowser2dShowsFourTiles) {
    RefPtr<isImageData> volume = layouttest::sliceNumberVolume();
    auto manager = RefPtr<appManager>::retained(appManager::create());
    scene->addChild(manager->getViewerMulti());
    manager->setImageDataWithProtocol(volume.get(), Rect(0, 0, 308, 400),
                                      isImageSDK::PROTOCOL_MPR2);
    auto properties = manager->getViewerMulti()->allProperties();
    ASSERT_EQ(properties.size(), 3u);
    const isImageSDK::isViewerBrowser* axial = isImageSDK::isViewerMulti::browserOf(properties[0]);
    EXPECT_EQ(axial->getRows(), 2);
    EXPECT_EQ(axial->getCols(), 1);
    EXPECT_EQ(isImageSDK::isViewerMulti::browserOf(properties[1])->getRows(), 1);

    manager->applyProtocol(isImageSDK::PROTOCOL_BROWSER2D);
    properties = manager->getViewerMulti()->allProperties();
    ASSERT_EQ(properties.size(), 1u);
    const isImageSDK::isViewerBrowser* browser =
        isImageSDK::isViewerMulti::browserOf(properties[0]);
    EXPECT_EQ(browser->getRows() * browser->getCols(), 4);
    manager->teardown();
}

TEST_F(AppManagerTest, CompareShowsEverySeriesOnAGrid) {
    std::vector<RefPtr<isImageData>> held;
    std::vector<isImageData*> list;
    for (int i = 0; i < 5; ++i) {
        held.push_back(layouttest::sliceNumberVolume(4 + i));
        list.push_back(held.back().get());
    }
    auto manager = RefPtr<appManager>::retained(appManager::create());
    scene->addChild(manager->getViewerMulti());
    manager->setSeriesList(list, Rect(0, 0, 1000, 600));
    EXPECT_EQ(manager->getProtocolCode(), isImageSDK::PROTOCOL_COMPARE2D);
    std::vector<Rect> rects;
    for (KeyViewProperty* property : manager->getViewerMulti()->allProperties()) {
        rects.push_back(property->rect);
    }
    ASSERT_EQ(rects.size(), 5u);
    // Properties walk in series order here: each series was made after the one before it.
    EXPECT_TRUE(rects[0].equals(Rect(0, 301, 332, 299)));
    EXPECT_TRUE(rects[2].equals(Rect(668, 301, 332, 299)));
    EXPECT_TRUE(rects[4].equals(Rect(334, 0, 332, 299)));
    manager->teardown();
}

TEST_F(AppManagerTest, ASingleSeriesComparesWithItselfUnlinked) {
    RefPtr<isImageData> volume = layouttest::sliceNumberVolume();
    auto manager = RefPtr<appManager>::retained(appManager::create());
    scene->addChild(manager->getViewerMulti());
    manager->setSeriesList({volume.get()}, Rect(0, 0, 800, 400));
    const auto properties = manager->getViewerMulti()->allProperties();
    ASSERT_EQ(properties.size(), 2u);
    for (KeyViewProperty* property : properties) {
        EXPECT_EQ(property->getSeries(), volume.get());
        EXPECT_FALSE(property->getViewer()->linked);
    }
    manager->teardown();
}

TEST_F(AppManagerTest, ProtocolChoicesThatChangeNothing) {
    RefPtr<isImageData> volume = layouttest::sliceNumberVolume();
    auto manager = RefPtr<appManager>::retained(appManager::create());
    scene->addChild(manager->getViewerMulti());
    manager->setImageDataWithProtocol(volume.get(), Rect(0, 0, 1000, 800),
                                      isImageSDK::PROTOCOL_MPR);
    const auto before = manager->getViewerMulti()->allProperties();

    // The current protocol, a name outside the table (posted as the screen does), and code 0.
    manager->applyProtocol(isImageSDK::PROTOCOL_MPR);
    manager->applyProtocol(isImageSDK::PROTOCOL_NONE);
    NSUI::NSNotificationCenter::getInstance()->postString(
        nullptr, isImageSDK::NOTIFY_PROTOCOL_SELECTED, "MPR", manager.get(), true);
    drain(2);
    EXPECT_EQ(manager->getViewerMulti()->allProperties(), before);
    EXPECT_EQ(manager->getProtocolCode(), isImageSDK::PROTOCOL_MPR);

    NSUI::NSNotificationCenter::getInstance()->postString(
        nullptr, isImageSDK::NOTIFY_PROTOCOL_SELECTED, "2dslice", manager.get(), true);
    drain(2);
    EXPECT_EQ(manager->getProtocolCode(), isImageSDK::PROTOCOL_2DSLICE);
    manager->teardown();
}

TEST_F(AppManagerTest, ANonVolumeSeriesFallsBackToOneSliceViewer) {
    RefPtr<isImageData> single = layouttest::sliceNumberVolume(1);
    single->regularVolume = false;
    auto manager = RefPtr<appManager>::retained(appManager::create());
    scene->addChild(manager->getViewerMulti());
    manager->setImageDataWithProtocol(single.get(), Rect(0, 0, 400, 300),
                                      isImageSDK::PROTOCOL_MPR3D);
    EXPECT_EQ(manager->getProtocolCode(), isImageSDK::PROTOCOL_2DSLICE);
    const auto cells = cellsOf(manager.get());
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_EQ(cells[0].viewType, isImageSDK::VIEW_SLICE);
    manager->teardown();
}

TEST_F(AppManagerTest, TheRegionKeepsItsSeriesAliveUntilItLetsThemGo) {
    auto manager = RefPtr<appManager>::retained(appManager::create());
    isImageData* series = nullptr;
    {
        RefPtr<isImageData> volume = layouttest::sliceNumberVolume();
        series = volume.get();
        manager->setSeriesList({series}, Rect(0, 0, 400, 300));
    }
    // The screen's reference is gone; the list still points at a living series.
    ASSERT_EQ(manager->getSeriesList().size(), 1u);
    EXPECT_GE(series->getReferenceCount(), 1u);
    EXPECT_EQ(series->getNumberOfSlices(), 20);
    manager->teardown();
    EXPECT_TRUE(manager->getSeriesList().empty());
}

TEST_F(AppManagerTest, PhasesOfTheRegionsOneSeries) {
    const PhaseChain series = mergedPhases(3, [](int) { return layouttest::sliceNumberVolume(6); });
    isImageData* head = series.head;
    ASSERT_EQ(head, series.phases[0].get());
    RefPtr<isImageData> plain = layouttest::sliceNumberVolume(6);

    auto manager = RefPtr<appManager>::retained(appManager::create());
    scene->addChild(manager->getViewerMulti());
    struct Case {
        const char* name;
        std::vector<isImageData*> list;
        bool fourD;
        int current;
        int count;
        bool next;
    };
    const std::vector<Case> cases = {
        {"no series", {}, false, -1, -1, false},
        {"two series", {plain.get(), head}, true, -1, -1, false},
        {"a series without phases", {plain.get()}, false, 0, 1, false},
        {"4D with its mode off", {head}, false, 0, 1, true},
        {"4D on its first phase", {head}, true, 0, 3, true},
    };
    for (const Case& c : cases) {
        manager->setSeriesList(c.list, Rect(0, 0, 600, 400));
        for (const RefPtr<isImageData>& phase : series.phases) {
            phase->phaseAware = c.fourD;
        }
        EXPECT_EQ(manager->getCurrentPhase(), c.current) << c.name;
        EXPECT_EQ(manager->getPhaseCount(), c.count) << c.name;
        EXPECT_EQ(manager->hasNextPhase(), c.next) << c.name;
    }
    // compare4d lays out one cell per phase of a 4D series in 4D mode.
    manager->setImageDataWithProtocol(head, Rect(0, 0, 600, 400), isImageSDK::PROTOCOL_2DSLICE);
    manager->applyProtocol(isImageSDK::PROTOCOL_COMPARE4D);
    EXPECT_EQ(manager->getViewerMulti()->allProperties().size(), 3u);
    EXPECT_EQ(manager->getPhaseCount(), 3);
    manager->setImageDataWithProtocol(plain.get(), Rect(0, 0, 600, 400),
                                      isImageSDK::PROTOCOL_2DSLICE);
    manager->applyProtocol(isImageSDK::PROTOCOL_COMPARE4D);
    EXPECT_TRUE(manager->getViewerMulti()->allProperties().empty());
    EXPECT_EQ(manager->getProtocolCode(), isImageSDK::PROTOCOL_COMPARE4D);
    manager->teardown();
}
// The tiles that carry the reference point: the current tile of every plane cell.
std::vector<isImageSDK::isViewerImage*> focalTiles(appManager* manager) {
    std::vector<isImageSDK::isViewerImage*> tiles;
    for (KeyViewProperty* property : manager->getViewerMulti()->allProperties()) {
        if (isImageSDK::isViewerBrowser* browser = isImageSDK::isViewerMulti::browserOf(property)) {
            tiles.push_back(browser->getCurrentTile());
        }
    }
    return tiles;
}

// The tile draws its lines now, through its own focus point.
bool showsCrossLines(isImageSDK::isViewerImage* tile) {
    isImageSDK::isActorCrossLine* lines = tile->getActorManager()->getCrossLineActor();
    const isImageSDK::isNodeLine* node = lines->getLineNode();
    const cocos2d::Mat4& plane = tile->getSlicePlane();
    const cocos2d::Mat4& reference = lines->getReference();
    const cocos2d::Vec3 focus(plane.m[12], plane.m[13], plane.m[14]);
    const cocos2d::Vec3 point(reference.m[12], reference.m[13], reference.m[14]);
    return lines->isLineVisible() && node != nullptr && node->isVisible() &&
           node->vertices.size() == 8 && point.distance(focus) < 1e-3f;
}

// A page in one cell, a click in another and a drag in a third each move the reference point;
// after each, every plane cell of the linked protocols draws its cross-reference lines through
// the new point within half a second, and hides them again after their half second.
TEST_F(AppManagerTest, EveryMoveOfThePointShowsEveryCellsCrossLinesAgain) {
    using namespace isImageSDK;
    RefPtr<isImageData> volume = layouttest::sliceNumberVolume(40);
    constexpr float kStep = 0.02f;
    const auto waitFor = [](const std::function<bool()>& done, float seconds) {
        float waited = 0.0f;
        while (!done() && waited < seconds) {
            frame(kStep);
            waited += kStep;
        }
        return done();
    };
    for (int code : {PROTOCOL_MPR, PROTOCOL_MPR2, PROTOCOL_MPR3D}) {
        auto manager = RefPtr<appManager>::retained(appManager::create());
        scene->addChild(manager->getViewerMulti());
        manager->setImageDataWithProtocol(volume.get(), Rect(0, 0, kWidth, kHeight), code);
        // The select tool: a click or a drag locates the point.
        manager->getViewerMulti()->runCommand(NOTIFY_TOOL_SELECT, nullptr);
        const std::vector<isViewerImage*> tiles = focalTiles(manager.get());
        ASSERT_EQ(tiles.size(), 3u) << code;
        const auto allShown = [&tiles] {
            for (isViewerImage* tile : tiles) {
                if (!showsCrossLines(tile)) {
                    return false;
                }
            }
            return true;
        };
        const auto noneShown = [&tiles] {
            for (isViewerImage* tile : tiles) {
                if (tile->getActorManager()->getCrossLineActor()->isLineVisible()) {
                    return false;
                }
            }
            return true;
        };
        ASSERT_TRUE(waitFor(noneShown, 3.0f)) << code << ": the lines of the start hide";
        // Router points count from the top of the window.
        const auto at = [](isViewerImage* tile, float fx, float fy) {
            const cocos2d::Size size = tile->getContentSize();
            const cocos2d::Vec2 p =
                tile->convertToWorldSpace(cocos2d::Vec2(size.width * fx, size.height * fy));
            return cocos2d::Vec2(p.x, kHeight - p.y);
        };
        struct Move {
            const char* name;
            std::function<void()> act;
        };
        const std::vector<Move> moves = {
            {"a page in the first cell",
             [&] {
                 const cocos2d::Vec2 p = at(tiles[0], 0.5f, 0.5f);
                 router.mouseScroll(p.x, p.y, 0.0f, 1.0f);
             }},
            {"a click in the second cell",
             [&] {
                 const cocos2d::Vec2 p = at(tiles[1], 0.4f, 0.45f);
                 router.mouseDown(p.x, p.y, cocos2d::EventMouse::MouseButton::BUTTON_LEFT);
                 router.mouseUp(p.x, p.y, cocos2d::EventMouse::MouseButton::BUTTON_LEFT);
             }},
            {"a drag in the third cell",
             [&] {
                 const cocos2d::Vec2 from = at(tiles[2], 0.45f, 0.5f);
                 const cocos2d::Vec2 to = at(tiles[2], 0.6f, 0.4f);
                 router.mouseDown(from.x, from.y, cocos2d::EventMouse::MouseButton::BUTTON_LEFT);
                 frame(kStep);
                 router.mouseMove((from.x + to.x) / 2, (from.y + to.y) / 2);
                 frame(kStep);
                 router.mouseMove(to.x, to.y);
                 router.mouseUp(to.x, to.y, cocos2d::EventMouse::MouseButton::BUTTON_LEFT);
             }},
            {"a second page in the first cell",
             [&] {
                 const cocos2d::Vec2 p = at(tiles[0], 0.5f, 0.5f);
                 router.mouseScroll(p.x, p.y, 0.0f, -1.0f);
             }},
        };
        for (const Move& move : moves) {
            const cocos2d::Vec3 before(tiles[0]->getSlicePlane().m + 12);
            move.act();
            EXPECT_TRUE(waitFor(allShown, isActorCrossLine::kHideSeconds))
                << code << ": " << move.name;
            EXPECT_GT(cocos2d::Vec3(tiles[0]->getSlicePlane().m + 12).distance(before), 0.1f)
                << code << ": " << move.name << " moves the point";
            EXPECT_TRUE(waitFor(noneShown, 2.0f)) << code << ": " << move.name;
        }
        manager->teardown();
    }
}

// The volume cell a protocol opens renders in the series' own window and at the phase the
// region's other cells show, as its slice cells do.
TEST_F(AppManagerTest, TheVolumeCellOpensInTheSeriesWindowAtThePhaseOnScreen) {
    const PhaseChain series = mergedPhases(3, [](int) {
        RefPtr<isImageData> phase = layouttest::sliceNumberVolume(6);
        phase->getSlice(0)->windowWidth = 400.0f;
        phase->getSlice(0)->windowCentre = 40.0f;
        return phase;
    });
    ASSERT_NE(series.head, nullptr);
    RefPtr<appManager> manager = mprOnPhase(series.head, 2);
    ASSERT_EQ(manager->getCurrentPhase(), 2);

    manager->applyProtocol(isImageSDK::PROTOCOL_MPR3D);
    KeyViewProperty* vrCell = manager->getViewerMulti()->allProperties().at(2);
    ASSERT_EQ(vrCell->getViewType(), isImageSDK::VIEW_VR);
    isImageSDK::isActorVR* actor = isImageSDK::isViewerMulti::volumeViewerOf(vrCell)->getVRActor();
    ASSERT_NE(actor, nullptr);
    float width = 0.0f;
    float centre = 0.0f;
    actor->getWindowLevel(&width, &centre);
    EXPECT_EQ(width, 400.0f);
    EXPECT_EQ(centre, 40.0f);
    EXPECT_EQ(actor->getPhase(), 2);
    EXPECT_EQ(manager->getCurrentPhase(), 2);
    manager->teardown();
}

// compare4d gives every phase a cell, in the chain's order, and each cell shows its own phase
// whichever phase was current when it was entered or is chosen later.
TEST_F(AppManagerTest, EachCompare4dCellShowsItsOwnPhase) {
    const PhaseChain series = mergedPhases(4, [](int i) {
        const float spacing[3] = {1.0f, 1.0f, 1.0f};
        return imagesdktest::makeVolume(
            16, 16, 6, isImageSDK::PIXEL_INT16, spacing, [i](int, int, int) { return 10 * i; },
            layouttest::axialFrame());
    });
    ASSERT_NE(series.head, nullptr);
    RefPtr<appManager> manager = mprOnPhase(series.head, 2);
    manager->applyProtocol(isImageSDK::PROTOCOL_COMPARE4D);
    auto shownPhases = [&] {
        std::vector<int> shown;
        for (KeyViewProperty* cell : manager->getViewerMulti()->allProperties()) {
            isImageSDK::isViewerImage* tile =
                isImageSDK::isViewerMulti::browserOf(cell)->getTiles().at(0);
            const isImageSDK::isSliceInfo* slice = tile->getShownSlice();
            shown.push_back(slice != nullptr ? int(imagesdktest::pixelAt(slice, 8, 8)) / 10 : -1);
        }
        return shown;
    };
    EXPECT_EQ(shownPhases(), (std::vector<int>{0, 1, 2, 3}));
    manager->setPhase(1);
    EXPECT_EQ(manager->getCurrentPhase(), 1);
    EXPECT_EQ(shownPhases(), (std::vector<int>{0, 1, 2, 3}));
    // Back in a single-phase layout the cells follow the chain's phase again.
    manager->applyProtocol(isImageSDK::PROTOCOL_MPR);
    isImageSDK::isViewerImage* tile =
        isImageSDK::isViewerMulti::browserOf(manager->getViewerMulti()->allProperties().at(0))
            ->getTiles()
            .at(0);
    ASSERT_NE(tile->getShownSlice(), nullptr);
    EXPECT_EQ(int(imagesdktest::pixelAt(tile->getShownSlice(), 8, 8)), 10);
    manager->teardown();
}

}  // namespace
