// A stand-in for the viewer screen: it holds the window manager as the real screen does and
// observes, with itself as group, what the real screen will observe, then drives the layouts
// through the calls the real screen makes.

#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

#include "imagesdk/data/ProtocolList.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/viewers/appManager.h"
#include "imagesdk/viewers/isViewer.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "imagesdk/viewers/winManager.h"
#include "tests/imagesdk/viewers/LayoutFixture.h"

namespace {

using cocos2d::Rect;
using cocos2d::RefPtr;
using namespace isImageSDK;

class TestScreen : public cocos2d::Node {
public:
    static TestScreen* create() {
        auto* screen = new TestScreen();
        screen->init();
        screen->autorelease();
        return screen;
    }

    void open(const Rect& imageArea) {
        manager = RefPtr<winManager>::retained(winManager::create());
        manager->screen = this;
        manager->setNotificationKey(static_cast<unsigned>(getRefID()), nullptr);
        addChild(manager->getCurrentAppManager()->getViewerMulti());
        manager->setRect(imageArea);
        for (int key :
             {NOTIFY_PROTOCOL_SELECTED, NOTIFY_WHEEL_UP, NOTIFY_WHEEL_DOWN, NOTIFY_EDIT_WW_OPEN,
              NOTIFY_CINE_PLAYING, NOTIFY_INTERACT_9078, NOTIFY_ROI_LINE, NOTIFY_ROI_POINT,
              NOTIFY_ROI_ANGLE, NOTIFY_ROI_CIRCLE, NOTIFY_ROI_POLYGON, NOTIFY_ROI_LABEL,
              NOTIFY_ROI_SELECT, NOTIFY_VIEW_ACTIVATED, NOTIFY_ACTIVE_CELL_VOLUME}) {
            NSUI::NSNotificationCenter::getInstance()->addObserver(
                this, this,
                [this](cocos2d::Ref*, unsigned key, NSUI::NSNotificationData* data) {
                    seen.push_back({static_cast<int>(key), data != nullptr ? data->stringValue : "",
                                    data != nullptr ? data->intValue : 0});
                },
                key);
        }
    }

    // What the screen does once a series is loaded: fill the active region's query, offer the
    // matching protocols and put the series up with the chosen one.
    std::vector<std::string> load(isImageData* series, int code) {
        appManager* region = manager->getCurrentAppManager();
        ProtocolQuery& query = region->getProtocolQuery();
        query.seriesCount = 1;
        query.imageCount = series->getNumberOfSlices();
        query.isVolume = series->isVolume();
        query.is4D = series->isMultiPhase();
        std::list<ProtocolEntry*> offered;
        matchProtocols(query, offered);
        region->setImageDataWithProtocol(series, region->getRect(), code);
        std::vector<std::string> types;
        for (const ProtocolEntry* entry : offered) {
            types.push_back(entry->type);
        }
        return types;
    }

    void choose(int key, const std::string& text) {
        NSUI::NSNotificationCenter::getInstance()->postString(this, key, text, manager.get(), true);
    }

    void close() {
        NSUI::NSNotificationCenter::getInstance()->removeObserver(this);
        manager->teardown();
        manager = nullptr;
    }

    struct Seen {
        int key;
        std::string text;
        int value;
    };
    std::vector<Seen> seen;
    RefPtr<winManager> manager;

    std::vector<int> keysSeen() const {
        std::vector<int> keys;
        for (const Seen& s : seen) {
            keys.push_back(s.key);
        }
        return keys;
    }
};

class ScreenContractTest : public layouttest::LayoutTest {
protected:
    void SetUp() override {
        LayoutTest::SetUp();
        screen = TestScreen::create();
        scene->addChild(screen);
        screen->open(Rect(100, 40, 800, 560));
    }
    void TearDown() override {
        screen->close();
        releaseProtocols();
        LayoutTest::TearDown();
    }
    TestScreen* screen = nullptr;
};

TEST_F(ScreenContractTest, ASeriesOpensWithItsProtocolAndTheScreenHearsTheViewers) {
    RefPtr<isImageData> volume = layouttest::sliceNumberVolume(30);
    const std::vector<std::string> offered = screen->load(volume.get(), PROTOCOL_2DVIEW);
    EXPECT_EQ(offered, (std::vector<std::string>{"2dview", "browser2d", "mpr3d", "mpr", "mpr2"}));
    appManager* region = screen->manager->getCurrentAppManager();
    isViewerMulti* multi = region->getViewerMulti();
    EXPECT_EQ(multi->getParent(), screen);
    EXPECT_EQ(multi->getCurrentViewType(), VIEW_AXIAL);

    // A protocol from the menu: re-posted to the screen, then laid out in the active region.
    screen->choose(NOTIFY_PROTOCOL_SELECTED, "mpr");
    drainUntil([this] { return !screen->seen.empty(); });
    ASSERT_FALSE(screen->seen.empty());
    EXPECT_EQ(screen->seen[0].key, NOTIFY_PROTOCOL_SELECTED);
    EXPECT_EQ(screen->seen[0].text, "mpr");
    EXPECT_EQ(multi->allProperties().size(), 3u);
    EXPECT_EQ(region->getProtocolCode(), PROTOCOL_MPR);

    // The screen's direct commands: a tool goes up again, a switch to VR tells it the cell kind.
    screen->seen.clear();
    multi->runCommand(NOTIFY_ROI_ANGLE, nullptr);
    multi->runCommandInt(NOTIFY_VIEW_VR, 0);
    drainUntil([this] { return screen->seen.size() >= 2; });
    EXPECT_EQ(screen->keysSeen(), (std::vector<int>{NOTIFY_ROI_ANGLE, NOTIFY_ACTIVE_CELL_VOLUME}));
    EXPECT_EQ(multi->getCurrentViewType(), VIEW_VR);
}

TEST_F(ScreenContractTest, TheWindowMenuSplitsTheAreaAndANewRegionTakesTheNextSeries) {
    RefPtr<isImageData> first = layouttest::sliceNumberVolume(10);
    RefPtr<isImageData> second = layouttest::sliceNumberVolume(12);
    screen->load(first.get(), PROTOCOL_2DSLICE);
    screen->choose(NOTIFY_WINDOW_LAYOUT, "1x2");
    drain(3);
    ASSERT_EQ(screen->manager->regions.size(), 2u);
    appManager* added = screen->manager->regions.at(1);
    EXPECT_EQ(added->getViewerMulti()->getParent(), screen);
    EXPECT_TRUE(added->getRect().equals(Rect(501, 40, 399, 560)));

    // The add-series button of the new region makes it the one the next series goes to.
    NSUI::NSNotificationData* data = NSUI::NSNotificationData::create();
    data->setObject(added);
    NSUI::NSNotificationCenter::getInstance()->postNotification(nullptr, NOTIFY_ACTIVE_APPMANAGER,
                                                                data, nullptr, true);
    drain(2);
    ASSERT_EQ(screen->manager->getCurrentAppManager(), added);
    screen->load(second.get(), PROTOCOL_2DSLICE);
    ASSERT_EQ(added->getViewerMulti()->allProperties().size(), 1u);
    EXPECT_EQ(added->getViewerMulti()->allProperties().at(0)->getSeries(), second.get());
    EXPECT_EQ(screen->manager->regions.at(0)->getViewerMulti()->allProperties().at(0)->getSeries(),
              first.get());

    // The screen's phase menu offers "Phase 1" for a series without phases.
    EXPECT_EQ(added->getCurrentPhase(), 0);
    EXPECT_EQ(added->getPhaseCount(), 1);
    EXPECT_FALSE(added->hasNextPhase());
}

}  // namespace
