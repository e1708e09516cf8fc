#include "imagesdk/viewers/isViewerBrowser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/ui/Text.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isActorImage.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/render/isActorOverlay.h"
#include "imagesdk/render/isNodeOverlayText.h"
#include "imagesdk/viewers/isViewerImage.h"
#include "tests/imagesdk/NotificationRecorder.h"
#include "tests/imagesdk/viewers/LayoutFixture.h"

namespace {

using cocos2d::RefPtr;
using isImageSDK::isImageData;
using isImageSDK::isViewerBrowser;

class BrowserTest : public layouttest::LayoutTest {
protected:
    // A browser in the scene, with an owner node so that its posts have a group to go to.
    isViewerBrowser* makeBrowser(isImageData* data, float width = 400, float height = 400) {
        owner = cocos2d::Node::create();
        scene->addChild(owner);
        isViewerBrowser* browser = isViewerBrowser::create();
        browser->setContentSize(cocos2d::Size(width, height));
        owner->addChild(browser);
        browser->setOwner(owner);
        browser->setImageData(data);
        browser->layoutTiles();
        return browser;
    }
    static int sliceOf(isImageSDK::isViewerImage* tile) {
        return tile->getImageActor()->getSliceIndex();
    }
    static std::vector<int> shownSlices(isViewerBrowser* browser) {
        std::vector<int> slices;
        for (isImageSDK::isViewerImage* tile : browser->getTiles()) {
            slices.push_back(sliceOf(tile));
        }
        return slices;
    }
    static void send(isViewerBrowser* browser, int key, int value = 0) {
        NSUI::NSNotificationData* data = NSUI::NSNotificationData::create();
        data->intValue = value;
        browser->onNotification(key, data, browser->getOwner());
    }

    cocos2d::Node* owner = nullptr;
};

// A light-box's tiles show their location, thickness and window/level from the first frame
// that draws them, not only after a page.
TEST_F(BrowserTest, TilesOfANewGridShowTheirCornerValuesFromTheirFirstDrawnFrame) {
    using namespace isImageSDK;
    RefPtr<isImageData> volume = layouttest::sliceNumberVolume(30);
    for (isSliceInfo* slice : volume->slices) {
        slice->modality = 0;
    }
    isViewerBrowser* browser = makeBrowser(volume.get(), 1000, 1000);
    drain(2);
    send(browser, NOTIFY_GRID_2X2);
    ASSERT_EQ(browser->getTiles().size(), 4u);
    // The frame that lays the tiles out draws nothing; the next one draws them.
    frame(0.02f);
    ASSERT_TRUE(browser->isVisible());
    frame(0.02f);
    for (isViewerImage* tile : browser->getTiles()) {
        int filled = 0;
        for (isNodeOverlay* node : tile->getActorManager()->getOverlayActor()->getOverlays()) {
            auto* text = dynamic_cast<isNodeOverlayText*>(node);
            const unsigned id = text != nullptr ? text->getOverlayId() : 0;
            if (id == NOTIFY_OVERLAY_SLICE || id == NOTIFY_OVERLAY_LINE_9093 ||
                id == NOTIFY_WWWL_TEXT) {
                EXPECT_NE(text->getString().find_first_of("0123456789"), std::string::npos)
                    << "tile at slice " << sliceOf(tile) << ", key " << id;
                ++filled;
            }
        }
        EXPECT_EQ(filled, 3) << "tile at slice " << sliceOf(tile);
    }
}

TEST_F(BrowserTest, AddedTilesContinueTheStackWithTheFirstTilesLook) {
    RefPtr<isImageData> volume = layouttest::sliceNumberVolume(30);
    isViewerBrowser* browser = makeBrowser(volume.get());
    browser->setFirstSlice(10);
    isImageSDK::isActorImage* first = browser->getTiles().at(0)->getImageActor();
    first->setWindowLevel(300.0f, 40.0f);
    unsigned char inverse[768];
    for (int i = 0; i < 256; ++i) {
        inverse[3 * i] = inverse[3 * i + 1] = inverse[3 * i + 2] =
            static_cast<unsigned char>(255 - i);
    }
    browser->getTiles().at(0)->setColorTable(inverse);

    send(browser, isImageSDK::NOTIFY_GRID_1X2);
    ASSERT_EQ(browser->getTiles().size(), 2u);
    EXPECT_EQ(shownSlices(browser), (std::vector<int>{10, 11}));
    isImageSDK::isActorImage* added = browser->getTiles().at(1)->getImageActor();
    EXPECT_EQ(added->getWindowWidth(), 300.0f);
    EXPECT_EQ(added->getWindowCentre(), 40.0f);
    unsigned char table[768] = {};
    browser->getClut(table);
    EXPECT_EQ(table[0], 255);
    EXPECT_EQ(table[765], 0);

    // Grids as the menu offers them; fewer tiles drop from the end.
    struct Case {
        int key, rows, cols;
    };
    const Case cases[] = {{isImageSDK::NOTIFY_GRID_2X2, 2, 2},
                          {isImageSDK::NOTIFY_GRID_2X1, 2, 1},
                          {isImageSDK::NOTIFY_GRID_1X1, 1, 1}};
    for (const Case& c : cases) {
        send(browser, c.key);
        EXPECT_EQ(browser->getRows(), c.rows) << c.key;
        EXPECT_EQ(browser->getCols(), c.cols) << c.key;
        EXPECT_EQ(static_cast<int>(browser->getTiles().size()), c.rows * c.cols) << c.key;
        EXPECT_TRUE(browser->isLayoutDue()) << c.key;
    }
}

TEST_F(BrowserTest, TilesFillTheBrowserRowByRowFromTheTop) {
    RefPtr<isImageData> volume = layouttest::sliceNumberVolume();
    isViewerBrowser* browser = makeBrowser(volume.get(), 302, 202);
    browser->setGrid(2, 2);
    browser->layoutTiles();
    const cocos2d::Vec2 expected[] = {{0, 102}, {152, 102}, {0, 0}, {152, 0}};
    for (int k = 0; k < 4; ++k) {
        isImageSDK::isViewerImage* tile = browser->getTiles().at(k);
        EXPECT_EQ(tile->getPosition(), expected[k]) << k;
        EXPECT_TRUE(tile->getContentSize().equals(cocos2d::Size(150, 100))) << k;
    }
}

TEST_F(BrowserTest, AutomaticGridShrinksToAtMostTwentyFiveTiles) {
    const float spacing[3] = {1.0f, 1.0f, 1.0f};
    RefPtr<isImageData> volume = imagesdktest::makeVolume(
        100, 100, 40, isImageSDK::PIXEL_INT16, spacing, [](int, int, int z) { return z; });
    struct Case {
        float width, height;
        int rows, cols;
    };
    // 1000 / 100 gives 10 x 10, shrunk by 0.9 per step to 5 x 5 (g = 0.59049).
    const Case cases[] = {{1000, 1000, 5, 5}, {300, 200, 2, 3}, {50, 50, 1, 1}, {380, 100, 1, 4}};
    for (const Case& c : cases) {
        isViewerBrowser* browser = makeBrowser(volume.get(), c.width, c.height);
        send(browser, isImageSDK::NOTIFY_GRID_AUTO);
        EXPECT_EQ(browser->getRows(), c.rows) << c.width << "x" << c.height;
        EXPECT_EQ(browser->getCols(), c.cols) << c.width << "x" << c.height;
    }
}

TEST_F(BrowserTest, CentringStartsThePageMidStackOnlyForLongStacks) {
    struct Case {
        int slices, first;
    };
    const Case cases[] = {{100, 48}, {6, 0}, {9, 2}, {8, 0}};
    for (const Case& c : cases) {
        RefPtr<isImageData> volume = layouttest::sliceNumberVolume(c.slices);
        isViewerBrowser* browser = makeBrowser(volume.get());
        browser->setGrid(2, 2);
        browser->centerSlices();
        EXPECT_EQ(browser->getFirstSlice(), c.first) << c.slices;
        EXPECT_EQ(sliceOf(browser->getTiles().at(3)), c.first + 3) << c.slices;
    }
}

TEST_F(BrowserTest, PagingWrapsAndStepsStopAtTheEnds) {
    RefPtr<isImageData> volume = layouttest::sliceNumberVolume(10);
    isViewerBrowser* browser = makeBrowser(volume.get());
    struct Case {
        const char* name;
        int start, key, value, expected;
    };
    const Case cases[] = {
        {"next on the last page wraps", 9, isImageSDK::NOTIFY_CINE_NEXT, 0, 0},
        {"prior on the first page wraps", 0, isImageSDK::NOTIFY_CINE_PRIOR, 0, 9},
        {"next", 4, isImageSDK::NOTIFY_CINE_NEXT, 0, 5},
        {"three steps forward", 2, isImageSDK::NOTIFY_INTERACT_9077, -3, 5},
        {"forward stops at the last slice", 8, isImageSDK::NOTIFY_INTERACT_9077, -5, 9},
        {"back stops at the first slice", 2, isImageSDK::NOTIFY_INTERACT_9077, 5, 0},
        {"nothing further back from the first", 0, isImageSDK::NOTIFY_INTERACT_9077, 2, 0},
        {"a page from the phase key", 1, isImageSDK::NOTIFY_PHASE_SET, 7, 7},
    };
    for (const Case& c : cases) {
        browser->setFirstSlice(c.start);
        send(browser, c.key, c.value);
        EXPECT_EQ(browser->getFirstSlice(), c.expected) << c.name;
        EXPECT_EQ(sliceOf(browser->getTiles().at(0)), c.expected) << c.name;
    }
    imagesdktest::NotificationRecorder pages(isImageSDK::NOTIFY_BROWSER_PAGE, owner);
    send(browser, isImageSDK::NOTIFY_CINE_NEXT);
    drainUntil([&pages] { return !pages.received.empty(); });
    EXPECT_EQ(pages.received.size(), 1u);
}

TEST_F(BrowserTest, CineSpeedStaysWithinItsLimits) {
    RefPtr<isImageData> volume = layouttest::sliceNumberVolume(10);
    isViewerBrowser* browser = makeBrowser(volume.get());
    send(browser, isImageSDK::NOTIFY_CINE_PLAY);
    ASSERT_TRUE(browser->isPlaying());
    struct Case {
        int key, value, times, interval;
    };
    // While playing, prior slows down and next speeds up, 20 ticks a press.
    const Case cases[] = {
        {isImageSDK::NOTIFY_CINE_NEXT, 0, 1, 40},    {isImageSDK::NOTIFY_CINE_NEXT, 0, 5, 20},
        {isImageSDK::NOTIFY_CINE_PRIOR, 0, 1, 40},   {isImageSDK::NOTIFY_CINE_PRIOR, 0, 100, 1500},
        {isImageSDK::NOTIFY_CINE_SPEED, 1, 1, 1480}, {isImageSDK::NOTIFY_CINE_SPEED, 0, 3, 1500},
    };
    for (const Case& c : cases) {
        for (int i = 0; i < c.times; ++i) {
            send(browser, c.key, c.value);
        }
        EXPECT_EQ(browser->getCineInterval(), c.interval) << c.key << " x" << c.times;
    }
    send(browser, isImageSDK::NOTIFY_CINE_PLAY);
    EXPECT_FALSE(browser->isPlaying());
}

TEST_F(BrowserTest, CineStepsOnePagePerIntervalAndAtMostOnePerDrawnFrame) {
    RefPtr<isImageData> volume = layouttest::sliceNumberVolume(10);
    isViewerBrowser* browser = makeBrowser(volume.get());
    imagesdktest::NotificationRecorder playing(isImageSDK::NOTIFY_CINE_PLAYING, owner);
    send(browser, isImageSDK::NOTIFY_CINE_PLAY);
    ASSERT_TRUE(browser->isPlaying());
    const int start = browser->getFirstSlice();
    // The first frame starts the clock; ticks of 0.005 s begin 0.1 s later and a page takes
    // 60 ticks, so pages turn at 0.4, 0.7 and 1.0 s.
    frame(0.0f);
    for (int i = 0; i < 110; ++i) {
        frame(0.01f);
    }
    EXPECT_EQ(browser->getFirstSlice(), start + 3);
    // A stalled frame runs every tick it owes but turns one page only.
    frame(3.0f);
    EXPECT_EQ(browser->getFirstSlice(), start + 4);
    send(browser, isImageSDK::NOTIFY_CINE_PLAY);
    drainUntil([&playing] { return playing.received.size() >= 2; });
    ASSERT_EQ(playing.received.size(), 2u);
}

TEST_F(BrowserTest, ASingleImageDoesNotPlay) {
    RefPtr<isImageData> single = layouttest::sliceNumberVolume(1);
    isViewerBrowser* browser = makeBrowser(single.get());
    std::vector<int> states;
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        this, owner,
        [&states](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
            states.push_back(data != nullptr ? data->intValue : -1);
        },
        isImageSDK::NOTIFY_CINE_PLAYING);
    send(browser, isImageSDK::NOTIFY_CINE_PLAY);
    EXPECT_FALSE(browser->isPlaying());
    drainUntil([&states] { return !states.empty(); });
    EXPECT_EQ(states, (std::vector<int>{0}));
    NSUI::NSNotificationCenter::getInstance()->removeObserver(this);
}

TEST_F(BrowserTest, LinkCommandAppliesOnlyToItsOwnKey) {
    RefPtr<isImageData> volume = layouttest::sliceNumberVolume();
    isViewerBrowser* browser = makeBrowser(volume.get());
    browser->setNotificationKey(77, owner);
    NSUI::NSNotificationData* data = NSUI::NSNotificationData::create();
    data->intValue = 0;
    data->key = 78;
    browser->onNotification(isImageSDK::NOTIFY_QUICK_LINK, data, owner);
    EXPECT_TRUE(browser->linked);
    data->key = 77;
    browser->onNotification(isImageSDK::NOTIFY_QUICK_LINK, data, owner);
    EXPECT_FALSE(browser->linked);
}

TEST_F(BrowserTest, LosingTheActiveCellStopsTheCineWhereItStands) {
    RefPtr<isImageData> volume = layouttest::sliceNumberVolume(20);
    isViewerBrowser* browser = makeBrowser(volume.get());
    browser->setFirstSlice(7);
    send(browser, isImageSDK::NOTIFY_CINE_PLAY);
    ASSERT_TRUE(browser->isPlaying());
    // Another cell was touched: the owner tells this browser.
    browser->onNotification(isImageSDK::NOTIFY_VIEW_ACTIVATED, nullptr, owner);
    EXPECT_FALSE(browser->isPlaying());
    send(browser, isImageSDK::NOTIFY_CINE_NEXT);
    EXPECT_EQ(browser->getFirstSlice(), 8);
    EXPECT_EQ(sliceOf(browser->getTiles().at(0)), 8);
}

TEST_F(BrowserTest, GridsWaitWhileATileIsMaximised) {
    RefPtr<isImageData> volume = layouttest::sliceNumberVolume(20);
    isViewerBrowser* browser = makeBrowser(volume.get());
    browser->setNotificationKey(31, owner);
    browser->setGrid(1, 2);
    isImageSDK::isViewerImage* tile = browser->getTiles().at(0);
    NSUI::NSNotificationData* maximise = NSUI::NSNotificationData::create();
    maximise->key = 31;
    maximise->group = owner;
    maximise->intValue2 = static_cast<int>(tile->getRefID());
    maximise->stringValue = "{\"w\":\"400\",\"h\":\"400\"}";
    tile->onNotification(isImageSDK::NOTIFY_QUICK_MAXIMIZE, maximise, nullptr);
    ASSERT_TRUE(browser->isAnyTileMaximized());

    for (int key : {isImageSDK::NOTIFY_GRID_2X2, isImageSDK::NOTIFY_GRID_AUTO}) {
        send(browser, key);
        EXPECT_EQ(browser->getRows(), 1) << key;
        EXPECT_EQ(browser->getCols(), 2) << key;
    }
    auto* box = scene->getChildByName("messageBox");
    ASSERT_NE(box, nullptr);
    auto* text = dynamic_cast<cocos2d::ui::Text*>(box->getChildByNameDeep("messageBox.text"));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->getString(), isViewerBrowser::kMaximizedRefusal);
}
}  // namespace
