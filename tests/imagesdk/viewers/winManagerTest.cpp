#include "imagesdk/viewers/winManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/ui/Button.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/data/isROIManager.h"
#include "imagesdk/render/isActorImage.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/render/isActorOverlay.h"
#include "imagesdk/render/isActorROI.h"
#include "imagesdk/render/isNodeOverlayText.h"
#include "imagesdk/render/isNodeText.h"
#include "imagesdk/viewers/appManager.h"
#include "imagesdk/viewers/isViewerBrowser.h"
#include "imagesdk/viewers/isViewerImage.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "tests/imagesdk/NotificationRecorder.h"
#include "tests/imagesdk/viewers/LayoutFixture.h"

namespace {

using cocos2d::Rect;
using cocos2d::RefPtr;
using isImageSDK::appManager;
using isImageSDK::winManager;

class WinManagerTest : public layouttest::LayoutTest {
protected:
    void SetUp() override {
        layouttest::LayoutTest::SetUp();
        manager = RefPtr<winManager>::retained(winManager::create());
        manager->screen = scene;
        scene->addChild(manager->getCurrentAppManager()->getViewerMulti());
    }
    void TearDown() override {
        manager->teardown();
        manager = RefPtr<winManager>();
        layouttest::LayoutTest::TearDown();
        isImageSDK::isROIManager::destroyInstance();
    }
    void chooseLayout(const std::string& layout) {
        NSUI::NSNotificationCenter::getInstance()->postString(
            nullptr, isImageSDK::NOTIFY_WINDOW_LAYOUT, layout, manager.get(), true);
        drain(2);
    }

    RefPtr<winManager> manager;
};

TEST_F(WinManagerTest, LayoutsSplitTheImageAreaIntoRegionsTwoUnitsApart) {
    struct Case {
        std::string layout;
        Rect area;
        std::vector<Rect> regions;
    };
    const std::vector<Case> cases = {
        {"1x1", Rect(0, 0, 800, 600), {Rect(0, 0, 800, 600)}},
        {"1x2", Rect(100, 0, 1000, 700), {Rect(100, 0, 499, 700), Rect(601, 0, 499, 700)}},
        {"2x1", Rect(0, 50, 800, 601), {Rect(0, 352, 800, 299), Rect(0, 50, 800, 299)}},
        {"3x1",
         Rect(0, 0, 800, 604),
         {Rect(0, 404, 800, 200), Rect(0, 202, 800, 200), Rect(0, 0, 800, 200)}},
        {"1x3",
         Rect(0, 0, 904, 500),
         {Rect(0, 0, 300, 500), Rect(302, 0, 300, 500), Rect(604, 0, 300, 500)}},
        {"2x2", Rect(0, 0, 800, 600), {Rect(0, 0, 800, 600)}},
    };
    for (const Case& c : cases) {
        chooseLayout(c.layout);
        manager->setRect(c.area);
        ASSERT_EQ(manager->regions.size(), c.regions.size()) << c.layout;
        for (std::size_t i = 0; i < c.regions.size(); ++i) {
            appManager* region = manager->regions.at(i);
            const Rect& got = region->getRect();
            EXPECT_TRUE(got.equals(c.regions[i]))
                << c.layout << " region " << i << ": " << got.origin.x << "," << got.origin.y << " "
                << got.size.width << "x" << got.size.height;
            const isImageSDK::isViewerMulti* multi = region->getViewerMulti();
            EXPECT_EQ(multi->getPosition(), c.regions[i].origin) << c.layout << " " << i;
            EXPECT_TRUE(multi->getContentSize().equals(c.regions[i].size)) << c.layout << " " << i;
            EXPECT_EQ(multi->getParent(), static_cast<cocos2d::Node*>(scene))
                << c.layout << " " << i;
        }
    }
}

TEST_F(WinManagerTest, ShrinkingTheGridKeepsTheActiveRegion) {
    manager->setRect(Rect(0, 0, 904, 500));
    chooseLayout("1x3");
    ASSERT_EQ(manager->regions.size(), 3u);
    appManager* third = manager->regions.at(2);
    auto firstView =
        RefPtr<isImageSDK::isViewerMulti>::retained(manager->regions.at(0)->getViewerMulti());
    manager->activeIndex = 2;
    chooseLayout("1x1");
    ASSERT_EQ(manager->regions.size(), 1u);
    EXPECT_EQ(manager->getCurrentAppManager(), third);
    EXPECT_EQ(manager->activeIndex, 0);
    EXPECT_TRUE(third->getRect().equals(Rect(0, 0, 904, 500)));
    // A released region takes its multi-viewer off the screen.
    EXPECT_EQ(firstView->getParent(), nullptr);
}

TEST_F(WinManagerTest, ANewRegionOffersItsAddButtonWhichMakesItActive) {
    manager->setRect(Rect(0, 0, 800, 600));
    chooseLayout("1x2");
    ASSERT_EQ(manager->regions.size(), 2u);
    isImageSDK::isViewerMulti* added = manager->regions.at(1)->getViewerMulti();
    auto* button = dynamic_cast<cocos2d::ui::Button*>(added->getChildByName("addSeries"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->getPosition(), cocos2d::Vec2(399 * 0.5f, 300));
    EXPECT_EQ(manager->regions.at(0)->getViewerMulti()->getChildByName("addSeries"), nullptr);

    imagesdktest::NotificationRecorder chooser(isImageSDK::NOTIFY_CHOOSE_PATIENT);
    EXPECT_EQ(manager->activeIndex, 0);
    tap(401.0f + 399 * 0.5f, 300.0f);
    drain(3);
    EXPECT_EQ(manager->getCurrentAppManager(), manager->regions.at(1));
    EXPECT_EQ(chooser.received.size(), 1u);
}

TEST_F(WinManagerTest, AnUnknownRegionLeavesTheLastOneActive) {
    manager->setRect(Rect(0, 0, 800, 600));
    chooseLayout("1x3");
    auto stranger = RefPtr<appManager>::retained(appManager::create());
    NSUI::NSNotificationData* data = NSUI::NSNotificationData::create();
    data->setObject(stranger.get());
    NSUI::NSNotificationCenter::getInstance()->postNotification(
        nullptr, isImageSDK::NOTIFY_ACTIVE_APPMANAGER, data, nullptr, true);
    drain(2);
    EXPECT_EQ(manager->getCurrentAppManager(), manager->regions.at(2));
    stranger->teardown();
}

TEST_F(WinManagerTest, SmallAreasAndUnknownLayoutsAreSafe) {
    manager->setRect(Rect(0, 0, 800, 600));
    chooseLayout("1x2");
    manager->setRect(Rect(0, 0, 800, 9));
    ASSERT_EQ(manager->regions.size(), 2u);
    EXPECT_TRUE(manager->regions.at(1)->getRect().equals(Rect(401, 0, 399, 600)));

    manager->setRect(Rect(0, 0, 800, 600));
    chooseLayout("4x4");
    EXPECT_EQ(manager->regions.size(), 1u);
}

TEST_F(WinManagerTest, AChosenProtocolGoesToTheScreenAndTheActiveRegion) {
    RefPtr<isImageSDK::isImageData> volume = layouttest::sliceNumberVolume();
    manager->setRect(Rect(0, 0, 800, 600));
    appManager* region = manager->getCurrentAppManager();
    region->setImageDataWithProtocol(volume.get(), region->getRect(), isImageSDK::PROTOCOL_2DSLICE);
    imagesdktest::NotificationRecorder screen(isImageSDK::NOTIFY_PROTOCOL_SELECTED, scene);
    NSUI::NSNotificationCenter::getInstance()->postString(
        nullptr, isImageSDK::NOTIFY_PROTOCOL_SELECTED, "mpr", manager.get(), true);
    drain(3);
    ASSERT_EQ(screen.received.size(), 1u);
    EXPECT_EQ(screen.received[0].text, "mpr");
    EXPECT_EQ(region->getProtocolCode(), isImageSDK::PROTOCOL_MPR);
    EXPECT_EQ(region->getViewerMulti()->allProperties().size(), 3u);
}

// The value a corner text of the tile shows for the key; "(none)" without such a text.
std::string cornerValue(isImageSDK::isViewerImage* tile, unsigned key) {
    for (isImageSDK::isNodeOverlay* node :
         tile->getActorManager()->getOverlayActor()->getOverlays()) {
        auto* text = dynamic_cast<isImageSDK::isNodeOverlayText*>(node);
        if (text != nullptr && text->getOverlayId() == key) {
            return text->getString();
        }
    }
    return "(none)";
}

// Splitting the area (Window 1x2) resizes every cell of the region: a line's label moves with
// the line, and the corner texts keep their location, thickness and window/level values.
TEST_F(WinManagerTest, ASplitKeepsCornerValuesAndMovesLabelsWithTheirShapes) {
    using namespace isImageSDK;
    RefPtr<isImageData> volume = layouttest::sliceNumberVolume();
    for (isSliceInfo* slice : volume->slices) {
        slice->modality = 0;
    }
    // Wide enough for the cells to keep all their corner lines after the split.
    manager->setRect(Rect(0, 0, 1240, 800));
    appManager* region = manager->getCurrentAppManager();
    region->setImageDataWithProtocol(volume.get(), region->getRect(), PROTOCOL_MPR);
    isViewerImage* tile =
        isViewerMulti::browserOf(region->getViewerMulti()->allProperties().at(0))->getCurrentTile();
    drain(3);
    const cocos2d::Mat4& plane = tile->getSlicePlane();
    const cocos2d::Vec3 centre(plane.m + 12);
    const cocos2d::Vec3 across(plane.m);
    isActorROI* rois = tile->getActorManager()->getROIActor();
    rois->addLine(centre - across * 4.0f, centre + across * 4.0f);
    // The label sits at the line's upper left end, 2 mm higher: within 30 pixels of it.
    const auto labelAtLine = [tile, rois] {
        if (rois->getShapes().size() != 1) {
            return false;
        }
        const isActorROIBase* line = rois->getShapes()[0];
        const isNodeText* label = line->getLabelNode();
        if (label == nullptr) {
            return false;
        }
        const cocos2d::Vec2 a = tile->worldToScreen(line->getROIData()->getPoint(0));
        const cocos2d::Vec2 b = tile->worldToScreen(line->getROIData()->getPoint(1));
        const cocos2d::Vec2 corner(std::min(a.x, b.x), std::max(a.y, b.y));
        return label->getPosition().distance(corner) < 30.0f;
    };
    // Location " I:10", thickness "1.00", window/level "255 128 ".
    const auto valuesShown = [tile] {
        const auto hasDigit = [](const std::string& text) {
            return text.find_first_of("0123456789") != std::string::npos;
        };
        return hasDigit(cornerValue(tile, NOTIFY_OVERLAY_SLICE)) &&
               hasDigit(cornerValue(tile, NOTIFY_OVERLAY_LINE_9093)) &&
               hasDigit(cornerValue(tile, NOTIFY_WWWL_TEXT));
    };
    drainUntil([&] { return labelAtLine() && valuesShown(); });
    ASSERT_TRUE(labelAtLine());
    ASSERT_TRUE(valuesShown()) << cornerValue(tile, NOTIFY_OVERLAY_SLICE) << " | "
                               << cornerValue(tile, NOTIFY_OVERLAY_LINE_9093) << " | "
                               << cornerValue(tile, NOTIFY_WWWL_TEXT);
    const std::string location = cornerValue(tile, NOTIFY_OVERLAY_SLICE);
    const cocos2d::Size before = tile->getContentSize();

    chooseLayout("1x2");
    drainUntil([&] { return tile->getContentSize().width < before.width * 0.75f; });
    ASSERT_LT(tile->getContentSize().width, before.width * 0.75f);
    drainUntil([&] { return labelAtLine() && valuesShown(); });
    EXPECT_TRUE(labelAtLine()) << "the label stayed behind";
    EXPECT_TRUE(valuesShown()) << cornerValue(tile, NOTIFY_OVERLAY_SLICE) << " | "
                               << cornerValue(tile, NOTIFY_OVERLAY_LINE_9093) << " | "
                               << cornerValue(tile, NOTIFY_WWWL_TEXT);
    EXPECT_EQ(cornerValue(tile, NOTIFY_OVERLAY_SLICE), location);
}

}  // namespace
