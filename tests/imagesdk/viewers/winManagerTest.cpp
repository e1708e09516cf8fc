#include "imagesdk/viewers/winManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ui/Button.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/viewers/appManager.h"
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

}  // namespace
