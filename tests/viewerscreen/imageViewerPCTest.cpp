#include "viewerscreen/imageViewerPC.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/2d/Label.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/ui/Button.h"
#include "engine/ui/Text.h"
#include "imagesdk/data/ProtocolList.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/data/isSharedObjects.h"
#include "imagesdk/io/isBinReader.h"
#include "imagesdk/render/isActorImage.h"
#include "imagesdk/render/isNodeImage.h"
#include "imagesdk/viewers/KeyViewProperty.h"
#include "imagesdk/viewers/appManager.h"
#include "imagesdk/viewers/isViewer.h"
#include "imagesdk/viewers/isViewerBrowser.h"
#include "imagesdk/viewers/isViewerImage.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "imagesdk/viewers/winManager.h"
#include "studydb/StudyNotifications.h"
#include "tests/viewerscreen/ViewerScreenFixture.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSMenu.h"
#include "toolkit/widgets/UIScrollViewBase.h"
#include "viewerscreen/editWW.h"
#include "viewerscreen/quickTool.h"

using cocos2d::Node;
using viewerscreentest::ViewerScreenTest;

namespace {

NSUI::NSNotificationData* dataFor(imageViewerPC* screen, const std::string& text, int value = 0) {
    auto* data = NSUI::NSNotificationData::create();
    data->setNotificationKey(screen->key, nullptr);
    data->stringValue = text;
    data->intValue = value;
    return data;
}

std::vector<NSUI::NSMenu::menuObject*> itemsOf(NSUI::NSMenu* menu) {
    std::vector<NSUI::NSMenu::menuObject*> items;
    for (ssize_t i = 0; menu && menu->listView && i < menu->listView->getItemCount(); ++i) {
        items.push_back(dynamic_cast<NSUI::NSMenu::menuObject*>(menu->listView->getItem(i)));
    }
    return items;
}

// Counts the posts of one key to one group.
class PostCounter {
public:
    PostCounter(int key, void* group) {
        NSUI::NSNotificationCenter::getInstance()->addObserver(
            this, group, [this](cocos2d::Ref*, unsigned, NSUI::NSNotificationData*) { ++count; },
            key);
    }
    ~PostCounter() { NSUI::NSNotificationCenter::getInstance()->removeObserver(this); }
    int count = 0;
};

}  // namespace

TEST_F(ViewerScreenTest, TheFrameLaysOutItsBarPanelsBadgeAndMessage) {
    imageViewerPC* screen = pushScreen("none");
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->getContentSize(), cocos2d::Size(kWidth, kHeight));
    EXPECT_EQ(screen->toolPanelWidth, 300);
    struct Expected {
        const char* name;
        float x;
    };
    for (const Expected& e : {Expected{"btnCmdProtocal", kWidth - 120},
                              {"btnCmdProtocalArrow", kWidth - 80},
                              {"btnCmdChoosePatient", 400},
                              {"btnCmdWindowArrow", 340},
                              {"btnCmdWindow", 300}}) {
        Node* button = screen->getChildByName(e.name);
        ASSERT_NE(button, nullptr) << e.name;
        EXPECT_FLOAT_EQ(button->getPositionX(), e.x) << e.name;
        EXPECT_FLOAT_EQ(button->getPositionY(), kHeight - 30) << e.name;
    }
    isImageSDK::appManager* region = screen->currentRegion();
    ASSERT_NE(region, nullptr);
    EXPECT_FALSE(screen->getChildByName("root")->getChildByName("tool")->isVisible());
    EXPECT_FALSE(screen->getChildByNameDeep("btnCmdFavorite")->isVisible());

    // The tool column: one panel per kind, built once.
    screen->showToolPanel(0);
    ASSERT_NE(screen->toolScrollView, nullptr);
    EXPECT_EQ(screen->toolScrollView->getContentSize(), cocos2d::Size(300, kHeight - 60));
    Node* tile = screen->toolScrollView->getChildByNameDeep("btnTile1x1");
    ASSERT_NE(tile, nullptr);
    EXPECT_EQ(screen->toolScrollView->getChildByNameDeep("btnCmdPlay")->getTag(),
              imageViewerPC::kNotPlaying);
    EXPECT_FALSE(screen->toolScrollView->getChildByNameDeep("roiList")->isVisible());
    EXPECT_FALSE(screen->getChildByNameDeep("btnCmdRemoveROI")->isVisible());
    screen->showToolPanel(0);
    EXPECT_EQ(screen->toolScrollView->getChildByNameDeep("btnTile1x1"), tile);
    screen->showToolPanel(2);
    EXPECT_EQ(screen->toolScrollView->getChildByNameDeep("btnTile1x1"), nullptr);
    EXPECT_NE(screen->toolScrollView->getChildByNameDeep("btnViewVR"), nullptr);

    // The badge: a negative count is one more, 0 hides it.
    screen->updateFavoriteBadge(-1);
    Node* favourite = screen->getChildByNameDeep("btnCmdFavorite");
    auto* count =
        dynamic_cast<cocos2d::Label*>(favourite->getParent()->getChildByName("favoriteNodes"));
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->getString(), "1");
    EXPECT_TRUE(count->isVisible());
    screen->updateFavoriteBadge(-1);
    EXPECT_EQ(count->getString(), "2");
    screen->updateFavoriteBadge(0);
    EXPECT_FALSE(count->isVisible());
    EXPECT_FALSE(favourite->getParent()->getChildByName("favoriteNodesBK")->isVisible());

    // The message panel: nothing for an empty text at first; a text hides the viewers, an empty
    // one gives them back.
    screen->showMessagePanel("");
    EXPECT_EQ(screen->getChildByName("imageViewerMsg"), nullptr);
    screen->showMessagePanel("Failed to load series");
    Node* panel = screen->getChildByName("imageViewerMsg");
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(dynamic_cast<cocos2d::ui::Text*>(panel->getChildByNameDeep("intro"))->getString(),
              "Failed to load series");
    EXPECT_FLOAT_EQ(panel->getPositionX(),
                    (kWidth - 300 - panel->getContentSize().width) * 0.5f + 300);
    EXPECT_FALSE(screen->currentMultiViewer()->isVisible());
    screen->showMessagePanel("");
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(screen->currentMultiViewer()->isVisible());
}

TEST_F(ViewerScreenTest, SeriesTextsAndProtocolNames) {
    imageViewerPC* screen = pushScreen(R"({"series1":"a","series2":"b","num":"2"})", "compare4d");
    EXPECT_EQ(screen->seriesList, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(screen->currentRegion()->getProtocolQuery().seriesCount, 2);
    EXPECT_EQ(screen->protocolCode, 8);
    screen->setSeriesList("c");
    EXPECT_EQ(screen->seriesList, (std::vector<std::string>{"c"}));
    EXPECT_EQ(screen->previousSeriesList, (std::vector<std::string>{"a", "b"}));
    screen->setProtocol("unknown");
    EXPECT_EQ(screen->protocolCode, 0);
}

// What the screen did with a load, seen right after it handled the load's result: it waits for
// the cache exactly when the load was not complete.
struct Display {
    bool waiting = false;
    int screenCode = -1;
    int regionCode = -1;
};

Display displayOf(imageViewerPC* screen) {
    return Display{screen->waitingForCache, screen->protocolCode,
                   screen->currentRegion()->getProtocolCode()};
}

TEST_F(ViewerScreenTest, AVolumeOpensAsMprAndAFlatSeriesAsOneImage) {
    writeVolume("ct", 8);
    writeFlat("flat", 3);
    struct Case {
        const char* key;
        bool volume;
        int kind;
    };
    // Opened twice: first shown before any slice is loaded, then with every slice cached
    // before display.
    for (int round = 0; round < 2; ++round) {
        for (const Case& c : {Case{"ct", true, 1}, Case{"flat", false, 0}}) {
            imageViewerPC* screen = pushScreen(c.key);
            Display shown;
            if (round == 0) {
                screen->firstEntry = false;
                pumpFrames(2);
                deliverBeforeAnySliceIsLoaded(screen, [&] { shown = displayOf(screen); });
                ASSERT_TRUE(pumpUntil([&] { return settled(screen); })) << c.key;
                // Shown at once with 1, the stored code untouched until the cache is complete;
                // then laid out again with the volume's 4.
                EXPECT_TRUE(shown.waiting) << c.key;
                EXPECT_EQ(shown.screenCode, 0) << c.key;
                EXPECT_EQ(shown.regionCode, c.volume ? 1 : 6) << c.key;
            } else {
                ASSERT_TRUE(pumpUntilLoaded(screen, [&] { shown = displayOf(screen); })) << c.key;
                // Code 0 becomes 4 for a volume and 1 for anything else; the region lays a
                // series that is no volume out as one slice (6).
                EXPECT_FALSE(shown.waiting) << c.key;
                EXPECT_EQ(shown.screenCode, c.volume ? 4 : 1) << c.key;
                EXPECT_EQ(shown.regionCode, c.volume ? 4 : 6) << c.key;
            }
            isImageSDK::appManager* region = screen->currentRegion();
            EXPECT_EQ(region->getProtocolCode(), c.volume ? 4 : 6) << c.key;
            const ProtocolQuery& query = region->getProtocolQuery();
            EXPECT_EQ(query.isVolume, c.volume) << c.key;
            EXPECT_EQ(query.seriesCount, 1) << c.key;
            EXPECT_EQ(query.imageCount, c.volume ? 8 : 3) << c.key;
            EXPECT_EQ(screen->toolPanelKind, c.kind) << c.key;
            EXPECT_TRUE(screen->getChildByNameDeep("btnCmdFavorite")->isVisible()) << c.key;
            EXPECT_EQ(screen->windowLevelPresets.front().name, "Abdomen") << c.key;
            EXPECT_EQ(screen->getChildByName("4DPlayUI"), nullptr) << c.key;
            // One phase: one item, "Phase 1", of value "0".
            const std::vector<NSUI::NSMenu::menuObject*> phases =
                itemsOf(screen->showMenu("phaseMenu", true));
            ASSERT_EQ(phases.size(), 1u) << c.key;
            EXPECT_EQ(phases[0]->title, "Phase 1");
            EXPECT_EQ(phases[0]->value, "0");
            cocos2d::Director::getInstance()->popScene();
            pumpFrames(3);
        }
    }
}

TEST_F(ViewerScreenTest, AFailedLoadShowsItsMessageAndTheNextLoadClearsIt) {
    writeVolume("ct", 4);
    imageViewerPC* screen = pushScreen("missing/folder");
    ASSERT_TRUE(pumpUntil([&] { return !screen->waitingForCache; }));
    pumpFrames(2);
    EXPECT_EQ(imageViewerPC::readerOf("missing/folder"), nullptr);

    // A reader without slices is a failed display: the panel says so and the list empties.
    screen->seriesList = {"nothing"};
    auto* loaded = new LoadedSeries(screen->loadGeneration);
    auto* data = NSUI::NSNotificationData::create();
    data->setObject(loaded);
    loaded->release();
    screen->onNotification(nullptr, isImageSDK::NOTIFY_SERIES_LOADED, data);
    Node* panel = screen->getChildByName("imageViewerMsg");
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(screen->seriesList.empty());

    screen->onNotification(nullptr, studydb::NOTIFY_SERIES_CHOSEN, dataFor(screen, "ct"));
    ASSERT_TRUE(pumpUntil([&] { return settled(screen); }));
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(screen->currentMultiViewer()->isVisible());
}

TEST_F(ViewerScreenTest, AReloadMidLoadShowsOnlyTheLastChoice) {
    writeVolume("first", 6);
    writeVolume("second", 5);
    imageViewerPC* screen = pushScreen("first");
    // The first load runs when the second choice arrives: its result can only come later.
    screen->firstEntry = false;
    screen->startLoad();
    screen->onNotification(nullptr, studydb::NOTIFY_SERIES_CHOSEN, dataFor(screen, "second"));
    ASSERT_TRUE(pumpUntil([&] {
        return screen->seriesList == std::vector<std::string>{"second"} && settled(screen);
    }));
    pumpFrames(5);
    EXPECT_EQ(screen->currentRegion()->getProtocolQuery().imageCount, 5);
    // The first load's result was dropped: it registered nothing.
    EXPECT_EQ(imageViewerPC::readerOf("first"), nullptr);
    EXPECT_EQ(screen->protocolCode, 4);
}

TEST_F(ViewerScreenTest, GoingBackMidLoadLeavesNothingBehind) {
    writeVolume("ct", 40);
    for (int frames : {0, 1, 3}) {
        pushScreen("ct");
        pumpFrames(frames);
        cocos2d::Director::getInstance()->popScene();
        pumpFrames(4);
        EXPECT_EQ(imageViewerPC::readerOf("ct"), nullptr) << frames;
    }
}

TEST_F(ViewerScreenTest, NotificationsForTheScreenAndForOthers) {
    writeVolume("ct", 6);
    imageViewerPC* screen = pushScreen("ct");
    ASSERT_TRUE(pumpUntil([&] { return settled(screen); }));
    isImageSDK::isViewerMulti* multi = screen->currentMultiViewer();

    // Window/level typed in the editor comes back for this screen only.
    NSUI::NSNotificationData* foreign = dataFor(screen, R"({"ww":"10","wl":"5"})");
    foreign->key = screen->key + 1;
    screen->onNotification(nullptr, isImageSDK::NOTIFY_WW_APPLY, foreign);
    screen->onNotification(nullptr, isImageSDK::NOTIFY_WW_APPLY,
                           dataFor(screen, R"({"ww":"400","wl":"40"})"));
    float width = 0.0f;
    float level = 0.0f;
    ASSERT_TRUE(multi->getWindowLevel(width, level));
    EXPECT_FLOAT_EQ(width, 400.0f);
    EXPECT_FLOAT_EQ(level, 40.0f);

    // Cine state switches the play button and its gate.
    screen->onNotification(nullptr, isImageSDK::NOTIFY_CINE_PLAYING, dataFor(screen, "", 1));
    EXPECT_EQ(screen->getChildByNameDeep("btnCmdPlay")->getTag(), imageViewerPC::kPlaying);
    screen->onNotification(nullptr, isImageSDK::NOTIFY_CINE_PLAYING, dataFor(screen, "", 0));
    EXPECT_EQ(screen->getChildByNameDeep("btnCmdPlay")->getTag(), imageViewerPC::kNotPlaying);

    // The reformat counter shows, then goes with its circle.
    for (int count : {5, 0}) {
        screen->onNotification(nullptr, isImageSDK::NOTIFY_SAVE_REFORMAT,
                               dataFor(screen, "", count));
    }
    EXPECT_EQ(screen->getChildByName("reformatStatus"), nullptr);
    EXPECT_EQ(screen->getChildByName("reformatStatusBK"), nullptr);
    screen->onNotification(nullptr, isImageSDK::NOTIFY_SAVE_REFORMAT, dataFor(screen, "", 5));
    auto* status = dynamic_cast<cocos2d::Label*>(screen->getChildByName("reformatStatus"));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->getString(), "5");
    auto* otherScreen = dataFor(screen, "", 9);
    otherScreen->key = screen->key + 1;
    screen->onNotification(nullptr, isImageSDK::NOTIFY_SAVE_REFORMAT, otherScreen);
    EXPECT_EQ(status->getString(), "5");

    // The series chooser opens once, 500 x 700, hanging from the top centre.
    screen->onNotification(nullptr, isImageSDK::NOTIFY_CHOOSE_PATIENT, nullptr);
    screen->onNotification(nullptr, isImageSDK::NOTIFY_CHOOSE_PATIENT, nullptr);
    int choosers = 0;
    for (Node* child : screen->getChildren()) {
        choosers += child->getName() == "selectSeries" ? 1 : 0;
    }
    EXPECT_EQ(choosers, 1);
    Node* chooser = screen->getChildByName("selectSeries");
    EXPECT_EQ(chooser->getContentSize(), cocos2d::Size(500, 700));
    EXPECT_EQ(chooser->getPosition(), cocos2d::Vec2(kWidth / 2, kHeight));

    // The editor opens once.
    screen->onNotification(nullptr, isImageSDK::NOTIFY_EDIT_WW_OPEN, dataFor(screen, ""));
    screen->onNotification(nullptr, isImageSDK::NOTIFY_EDIT_WW_OPEN, dataFor(screen, ""));
    int editors = 0;
    for (Node* child : screen->getChildren()) {
        editors += child->getName() == "editWW" ? 1 : 0;
    }
    EXPECT_EQ(editors, 1);
}

TEST_F(ViewerScreenTest, CinePlayGatesTheGridButtons) {
    writeFlat("flat", 3);
    imageViewerPC* screen = pushScreen("flat");
    ASSERT_TRUE(pumpUntil([&] { return settled(screen); }));
    isImageSDK::isViewerMulti* multi = screen->currentMultiViewer();
    PostCounter grid(isImageSDK::NOTIFY_GRID_1X1, multi);
    auto* tile = dynamic_cast<cocos2d::ui::Button*>(screen->getChildByNameDeep("btnTile1x1"));
    ASSERT_NE(tile, nullptr);
    // Posts go one per frame behind the loaders' progress: a gated click would arrive first.
    screen->getChildByNameDeep("btnCmdPlay")->setTag(imageViewerPC::kPlaying);
    screen->onClick(tile);
    screen->getChildByNameDeep("btnCmdPlay")->setTag(imageViewerPC::kNotPlaying);
    screen->onClick(tile);
    ASSERT_TRUE(pumpUntil([&] { return grid.count > 0; }));
    pumpFrames(20);
    EXPECT_EQ(grid.count, 1);

    // A click while a menu is open only closes the menu.
    screen->showMenu("windowMenu", true);
    screen->onClick(tile);
    pumpFrames(20);
    EXPECT_EQ(grid.count, 1);
    EXPECT_EQ(screen->openMenuName(), "");
}

namespace {

// What one MPR cell shows: its slice, whether that slice is drawn with the point the cells share
// on screen, and that point.
struct CellState {
    int slice = -1;
    bool drawn = false;
    bool focusShown = false;
    cocos2d::Vec3 focus;
};

CellState cellState(isImageSDK::isViewerMulti* multi, int viewType) {
    CellState state;
    const isImageSDK::isViewerMulti::Properties cells = multi->collectSyncedViewersOfType(viewType);
    isImageSDK::isViewerBrowser* browser =
        cells.empty() ? nullptr : isImageSDK::isViewerMulti::browserOf(cells.front());
    if (browser == nullptr || browser->getTiles().empty()) {
        return state;
    }
    isImageSDK::isViewerImage* tile = browser->getTiles().at(0);
    isImageSDK::isActorImage* actor = tile->getImageActor();
    if (actor == nullptr) {
        return state;
    }
    state.slice = actor->getSliceIndex();
    state.drawn = tile->isVisible() && actor->isActive() && actor->getImageNode()->isVisible();
    state.focusShown = tile->isFocusVisible();
    state.focus = browser->getFocalPoint();
    return state;
}

}  // namespace

// A CT of the size a reader opens (120 slices of 512 x 512 pixels of 0.7 mm) in MPR: the cine plays
// in the axial cell up to the top of the stack and is stopped with the play button. The other cells
// follow the axial slice with the shared point in view all the way, and once the cine stops no cell
// moves or goes dark.
TEST_F(ViewerScreenTest, ACineInAnMprCellKeepsEveryCellOnThePointAndStopsWhereItIs) {
    constexpr int kSlices = 120;
    writeVolume("ct", kSlices, 512, 0.7);
    imageViewerPC* screen = pushScreen("ct", "mpr");
    ASSERT_TRUE(pumpUntil([&] { return settled(screen); }));
    isImageSDK::isViewerMulti* multi = screen->currentMultiViewer();
    ASSERT_NE(multi, nullptr);
    const int planes[] = {isImageSDK::VIEW_AXIAL, isImageSDK::VIEW_SAGITTAL,
                          isImageSDK::VIEW_CORONAL};
    isImageSDK::KeyViewProperty* axial =
        multi->collectSyncedViewersOfType(isImageSDK::VIEW_AXIAL).front();
    isImageSDK::isViewerBrowser* browser = isImageSDK::isViewerMulti::browserOf(axial);
    multi->onNotification(isImageSDK::NOTIFY_VIEW_ACTIVATED, nullptr, browser);
    ASSERT_EQ(multi->getActiveProperty(), axial);
    auto* play = dynamic_cast<cocos2d::ui::Button*>(screen->getChildByNameDeep("btnCmdPlay"));
    auto* next = dynamic_cast<cocos2d::ui::Button*>(screen->getChildByNameDeep("btnCmdNext"));
    ASSERT_NE(play, nullptr);
    ASSERT_NE(next, nullptr);

    screen->onClick(play);
    ASSERT_TRUE(browser->isPlaying());
    // Faster while playing: a page every 20 ticks.
    screen->onClick(next);
    screen->onClick(next);
    const auto axialSlice = [&] { return cellState(multi, isImageSDK::VIEW_AXIAL).slice; };
    int shown = axialSlice();
    while (shown < kSlices - 2) {
        ASSERT_TRUE(pumpUntil([&] { return axialSlice() != shown; }));
        shown = axialSlice();
        for (int plane : planes) {
            const CellState cell = cellState(multi, plane);
            ASSERT_TRUE(cell.drawn && cell.focusShown) << plane << " at axial slice " << shown;
        }
    }
    ASSERT_EQ(play->getTag(), imageViewerPC::kPlaying);
    screen->onClick(play);
    EXPECT_FALSE(browser->isPlaying());
    // The last page's follow reaches the other cells; from then on nothing moves.
    pumpFrames(4);
    CellState stopped[3];
    for (int i = 0; i < 3; ++i) {
        stopped[i] = cellState(multi, planes[i]);
    }
    pumpFrames(6);
    EXPECT_EQ(play->getTag(), imageViewerPC::kNotPlaying);
    for (int i = 0; i < 3; ++i) {
        const CellState now = cellState(multi, planes[i]);
        EXPECT_EQ(now.slice, stopped[i].slice) << planes[i];
        EXPECT_TRUE(now.drawn && now.focusShown) << planes[i];
        EXPECT_LT(now.focus.distance(stopped[i].focus), 0.01f) << planes[i];
    }
}

TEST_F(ViewerScreenTest, MenusFollowTheActiveRegionAndThePhaseCount) {
    writeVolume("ct", 6);
    imageViewerPC* screen = pushScreen("ct");
    ASSERT_TRUE(pumpUntil([&] { return settled(screen); }));
    isImageSDK::winManager* windows = screen->getWindowManager();
    auto* layout = NSUI::NSNotificationData::create();
    layout->stringValue = "1x2";
    NSUI::NSNotificationCenter::getInstance()->postNotification(
        nullptr, isImageSDK::NOTIFY_WINDOW_LAYOUT, layout, windows, false);
    ASSERT_TRUE(pumpUntil([&] { return windows->regions.size() == 2; }));

    windows->activeIndex = 0;
    void* first = screen->currentMultiViewer();
    for (NSUI::NSMenu::menuObject* item : itemsOf(screen->showMenu("clutMenu", true))) {
        EXPECT_EQ(item->target, first);
    }
    screen->showMenu("clutMenu", false);
    windows->activeIndex = 1;
    void* second = screen->currentMultiViewer();
    ASSERT_NE(first, second);
    for (NSUI::NSMenu::menuObject* item : itemsOf(screen->showMenu("clutMenu", true))) {
        EXPECT_EQ(item->target, second);
    }
    screen->closeMenus();
    EXPECT_EQ(screen->openMenuName(), "");

    // Each region offers its own phases: a series without phases has one, an empty region none.
    windows->activeIndex = 0;
    EXPECT_EQ(itemsOf(screen->showMenu("phaseMenu", true)).size(), 1u);
    screen->showMenu("phaseMenu", false);
    windows->activeIndex = 1;
    EXPECT_TRUE(itemsOf(screen->showMenu("phaseMenu", true)).empty());
    screen->showMenu("phaseMenu", false);
    windows->activeIndex = 0;
    EXPECT_EQ(itemsOf(screen->showMenu("phaseMenu", true)).size(), 1u);
}

TEST_F(ViewerScreenTest, ACompare4dLoadIsMergedIntoPhases) {
    writeVolume("phase1", 6);
    writeVolume("phase2", 6);
    const char* const series = R"({"series1":"phase1","series2":"phase2","num":"2"})";
    // Shown before any slice is loaded: side by side at once, then merged with 4 once the cache
    // is complete.
    imageViewerPC* screen = pushScreen(series, "compare4d");
    screen->firstEntry = false;
    pumpFrames(2);
    deliverBeforeAnySliceIsLoaded(screen, [&] {
        EXPECT_TRUE(screen->waitingForCache);
        EXPECT_EQ(screen->currentRegion()->getProtocolCode(), 7);
    });
    ASSERT_TRUE(pumpUntil([&] { return settled(screen); }));
    EXPECT_EQ(screen->currentRegion()->getProtocolCode(), 4);
    cocos2d::Director::getInstance()->popScene();
    pumpFrames(3);

    // With both loads cached, merged at once with 8.
    screen = pushScreen(series, "compare4d");
    Display shown;
    ASSERT_TRUE(pumpUntilLoaded(screen, [&] { shown = displayOf(screen); }));
    EXPECT_FALSE(shown.waiting);
    isImageSDK::appManager* region = screen->currentRegion();
    EXPECT_EQ(region->getProtocolCode(), 8);
    const ProtocolQuery& query = region->getProtocolQuery();
    EXPECT_EQ(query.seriesCount, 1);
    EXPECT_EQ(query.imageCount, 6);
    EXPECT_TRUE(query.isVolume);
    EXPECT_TRUE(query.is4D);
    EXPECT_EQ(region->getPhaseCount(), 2);
    EXPECT_EQ(itemsOf(screen->showMenu("phaseMenu", true)).size(), 2u);
    screen->closeMenus();

    // The phase choice goes to the region and titles the 4D panel's menu button.
    screen->show4DPanel(true);
    auto* title = dynamic_cast<cocos2d::ui::Button*>(screen->getChildByNameDeep("btn4DMenu"));
    ASSERT_NE(title, nullptr);
    screen->onNotification(nullptr, isImageSDK::NOTIFY_PHASE_CHOSEN, dataFor(screen, "1"));
    EXPECT_EQ(title->getTitleText(), "Phase 2");
    EXPECT_EQ(region->getCurrentPhase(), 1);
    screen->onClick(screen->getChildByNameDeep("btn4DPrior"));
    EXPECT_EQ(region->getCurrentPhase(), 0);
    EXPECT_EQ(title->getTitleText(), "Phase 1");
    screen->onClick(screen->getChildByNameDeep("btn4DPrior"));
    EXPECT_EQ(region->getCurrentPhase(), 0);
    // Choosing compare4d hides the panel, any other protocol shows it for a 4D region.
    screen->onNotification(nullptr, isImageSDK::NOTIFY_PROTOCOL_SELECTED,
                           dataFor(screen, "compare4d"));
    EXPECT_FALSE(screen->getChildByName("4DPlayUI")->isVisible());
    screen->onNotification(nullptr, isImageSDK::NOTIFY_PROTOCOL_SELECTED, dataFor(screen, "mpr"));
    EXPECT_TRUE(screen->getChildByName("4DPlayUI")->isVisible());
}

TEST_F(ViewerScreenTest, TheCentreDeliversOnlyTheScreensOwnPosts) {
    imageViewerPC* screen = pushScreen("none");
    pumpFrames(2);
    NSUI::NSNotificationCenter* centre = NSUI::NSNotificationCenter::getInstance();
    // Cine state is the screen's group only; reformat progress has no group and names the screen.
    struct Post {
        int key;
        void* group;
        bool foreignKey;
        bool acts;
    };
    const Post posts[] = {
        {isImageSDK::NOTIFY_SAVE_REFORMAT, nullptr, true, false},
        {isImageSDK::NOTIFY_SAVE_REFORMAT, screen, false, false},
        {isImageSDK::NOTIFY_SAVE_REFORMAT, nullptr, false, true},
    };
    for (const Post& post : posts) {
        NSUI::NSNotificationData* data = dataFor(screen, "", 3);
        if (post.foreignKey) {
            data->key = screen->key + 7;
        }
        centre->postNotification(nullptr, post.key, data, post.group, true);
        pumpFrames(2);
        EXPECT_EQ(screen->getChildByName("reformatStatus") != nullptr, post.acts)
            << post.key << " group " << post.group << " foreign " << post.foreignKey;
    }
    screen->showToolPanel(0);
    Node* play = screen->getChildByNameDeep("btnCmdPlay");
    centre->postNotification(nullptr, isImageSDK::NOTIFY_CINE_PLAYING, dataFor(screen, "", 1),
                             nullptr, true);
    pumpFrames(2);
    EXPECT_EQ(play->getTag(), imageViewerPC::kNotPlaying);
    centre->postNotification(nullptr, isImageSDK::NOTIFY_CINE_PLAYING, dataFor(screen, "", 1),
                             screen, true);
    pumpFrames(2);
    EXPECT_EQ(play->getTag(), imageViewerPC::kPlaying);
    // New favourites raise the badge whoever posts them.
    centre->postNotification(nullptr, NSUI::NOTIFY_CAPTURE_SAVED, nullptr, nullptr, true);
    centre->postNotification(nullptr, isImageSDK::NOTIFY_FAVORITE_SAVED, nullptr, nullptr, true);
    pumpFrames(3);
    EXPECT_EQ(screen->getChildByNameDeep("btnCmdFavorite")->getUserString(), "2");
}

TEST_F(ViewerScreenTest, EditorAndTagListForms) {
    imageViewerPC* screen = pushScreen("none");
    pumpFrames(2);
    // Without an image in the active viewer there is nothing to list.
    const size_t children = screen->getChildrenCount();
    screen->onNotification(nullptr, isImageSDK::NOTIFY_DCM_INFO_OPEN, dataFor(screen, ""));
    EXPECT_EQ(screen->getChildrenCount(), children);

    // On a phone the editor is a scene of its own.
    config->isPhone = true;
    screen->onNotification(nullptr, isImageSDK::NOTIFY_EDIT_WW_OPEN, dataFor(screen, ""));
    pumpFrames(2);
    EXPECT_NE(dynamic_cast<editWWScene*>(cocos2d::Director::getInstance()->getRunningScene()),
              nullptr);
    EXPECT_EQ(screen->getChildByName("editWW"), nullptr);
    config->isPhone = false;
}

TEST_F(ViewerScreenTest, TheSliderPicksSlicesOrTurnsTheVolume) {
    writeFlat("flat", 10);
    imageViewerPC* screen = pushScreen("flat");
    ASSERT_TRUE(pumpUntil([&] { return settled(screen); }));
    ASSERT_EQ(screen->toolPanelKind, 0);
    auto* slider = dynamic_cast<cocos2d::ui::Slider*>(
        screen->toolScrollView->getChildByNameDeep("sliderSlice"));
    ASSERT_NE(slider, nullptr);
    int position[2] = {0, 0};
    ASSERT_TRUE(screen->currentMultiViewer()->getSliceIndex(position));
    ASSERT_EQ(position[1], 10);
    // The ends of the slider are the ends of the stack, its left end where the wheel pages down
    // from (the highest index); the step waits for the next frame.
    for (const auto& [percent, index] : {std::pair<int, int>{100, 0}, {0, 9}, {55, 4}}) {
        screen->pendingSliceIndex = -1;
        slider->setPercent(percent);
        screen->onSliceSlider(slider, cocos2d::ui::Slider::EventType::ON_PERCENTAGE_CHANGED);
        if (index != position[0]) {
            EXPECT_EQ(screen->pendingSliceIndex, index) << percent;
            pumpFrames(3);
            EXPECT_EQ(screen->pendingSliceIndex, -1) << percent;
            ASSERT_TRUE(screen->currentMultiViewer()->getSliceIndex(position));
            EXPECT_EQ(position[0], index) << percent;
        }
    }
    // A wheel step down moves the ball to the right, the way the slider pages.
    screen->updateSliceSlider();
    const int before = slider->getPercent();
    screen->currentMultiViewer()->runCommand(isImageSDK::NOTIFY_WHEEL_DOWN, nullptr);
    pumpFrames(3);
    ASSERT_TRUE(screen->currentMultiViewer()->getSliceIndex(position));
    EXPECT_EQ(position[0], 3);
    screen->updateSliceSlider();
    EXPECT_GT(slider->getPercent(), before);

    // The volume panel's slider turns: a tenth of its length is 0.6 pi, and it springs back.
    screen->showToolPanel(2);
    slider = dynamic_cast<cocos2d::ui::Slider*>(
        screen->toolScrollView->getChildByNameDeep("sliderSlice"));
    ASSERT_NE(slider, nullptr);
    slider->setPercent(50);
    screen->onSliceSlider(slider, cocos2d::ui::Slider::EventType::ON_SLIDEBALL_DOWN);
    slider->setPercent(60);
    screen->onSliceSlider(slider, cocos2d::ui::Slider::EventType::ON_PERCENTAGE_CHANGED);
    EXPECT_NEAR(screen->pendingRotation, 1.885f, 0.001f);
    screen->onSliceSlider(slider, cocos2d::ui::Slider::EventType::ON_SLIDEBALL_UP);
    EXPECT_EQ(slider->getPercent(), 50);
}

TEST_F(ViewerScreenTest, CellAndViewEventsSetTheToolColumnAndPresets) {
    writeVolume("ct", 6);
    imageViewerPC* screen = pushScreen("ct");
    ASSERT_TRUE(pumpUntil([&] { return settled(screen); }));
    screen->onNotification(nullptr, isImageSDK::NOTIFY_ACTIVE_CELL_VOLUME, dataFor(screen, "", 1));
    EXPECT_EQ(screen->toolPanelKind, 2);
    screen->onNotification(nullptr, isImageSDK::NOTIFY_ACTIVE_CELL_VOLUME, dataFor(screen, "", 0));
    EXPECT_EQ(screen->toolPanelKind, 1);

    // A view activated again refreshes the presets: the built menu goes and is made anew.
    ASSERT_NE(screen->showMenu("windowLevelMenu", true), nullptr);
    screen->showMenu("windowLevelMenu", false);
    screen->onNotification(nullptr, isImageSDK::NOTIFY_VIEW_ACTIVATED, dataFor(screen, ""));
    EXPECT_EQ(screen->getChildByNameDeep("windowLevelMenu"), nullptr);
    EXPECT_EQ(screen->windowLevelPresets.front().name, "Abdomen");
    const std::vector<NSUI::NSMenu::menuObject*> items =
        itemsOf(screen->showMenu("windowLevelMenu", true));
    ASSERT_EQ(items.size(), 3u + screen->windowLevelPresets.size());
    EXPECT_EQ(items[3]->title, "Abdomen");
    EXPECT_EQ(items[3]->target, screen->currentMultiViewer());
}

TEST_F(ViewerScreenTest, TheQuickStripFollowsItsViewerOnly) {
    writeVolume("ct", 6);
    imageViewerPC* screen = pushScreen("ct");
    ASSERT_TRUE(pumpUntil([&] { return settled(screen); }));
    isImageSDK::KeyViewProperty* active = screen->currentMultiViewer()->getActiveProperty();
    ASSERT_NE(active, nullptr);
    auto* viewer = dynamic_cast<Node*>(active->getViewer());
    ASSERT_NE(viewer, nullptr);

    // Another screen's viewer asks nothing of this one.
    NSUI::NSNotificationData* foreign = dataFor(screen, "");
    foreign->key = screen->key + 1;
    foreign->setObject(viewer);
    screen->onNotification(nullptr, isImageSDK::NOTIFY_QUICK_TOOL_OPEN, foreign);
    EXPECT_EQ(screen->quickStrip, nullptr);

    NSUI::NSNotificationData* ask = dataFor(screen, "");
    ask->setObject(viewer);
    screen->onNotification(nullptr, isImageSDK::NOTIFY_QUICK_TOOL_OPEN, ask);
    ASSERT_NE(screen->quickStrip, nullptr);
    EXPECT_EQ(screen->quickStrip->getViewId(), viewer->getRefID());
    EXPECT_TRUE(screen->quickStrip->isVisible());
    EXPECT_EQ(screen->quickStrip->regionRect, screen->currentRegion()->getRect());

    // A removed viewer that is not the strip's leaves it; its own viewer's removal clears it.
    NSUI::NSNotificationData* other = dataFor(screen, "");
    other->intValue2 = static_cast<int>(viewer->getRefID()) + 1;
    screen->onNotification(nullptr, isImageSDK::NOTIFY_VIEWER_REMOVED, other);
    EXPECT_EQ(screen->quickStrip->getViewId(), viewer->getRefID());
    NSUI::NSNotificationData* gone = dataFor(screen, "");
    gone->intValue2 = static_cast<int>(viewer->getRefID());
    screen->onNotification(nullptr, isImageSDK::NOTIFY_VIEWER_REMOVED, gone);
    EXPECT_EQ(screen->quickStrip->getViewId(), 0u);
    EXPECT_FALSE(screen->quickStrip->isVisible());

    // A protocol choice hides the strip.
    screen->onNotification(nullptr, isImageSDK::NOTIFY_QUICK_TOOL_OPEN, ask);
    EXPECT_TRUE(screen->quickStrip->isVisible());
    screen->onNotification(nullptr, isImageSDK::NOTIFY_PROTOCOL_SELECTED, dataFor(screen, "mpr"));
    EXPECT_FALSE(screen->quickStrip->isVisible());
}

TEST_F(ViewerScreenTest, TheStripsInformationMenuKeepsClearOfTheScreensEdges) {
    writeVolume("ct", 6);
    imageViewerPC* screen = pushScreen("ct");
    ASSERT_TRUE(pumpUntil([&] { return settled(screen); }));
    isImageSDK::KeyViewProperty* active = screen->currentMultiViewer()->getActiveProperty();
    ASSERT_NE(active, nullptr);
    NSUI::NSNotificationData* ask = dataFor(screen, "");
    ask->setObject(dynamic_cast<Node*>(active->getViewer()));
    screen->onNotification(nullptr, isImageSDK::NOTIFY_QUICK_TOOL_OPEN, ask);
    ASSERT_NE(screen->quickStrip, nullptr);
    const float width = screen->getContentSize().width;
    const float strip = screen->quickStrip->getContentSize().width;
    // The strip at the right edge, in the middle, and wider to the left than the screen allows.
    for (const float stripX : {width - strip, (width - strip) * 0.5f, -strip}) {
        SCOPED_TRACE(stripX);
        screen->quickStrip->setPositionX(stripX);
        screen->onNotification(nullptr, studydb::NOTIFY_DICOM_MENU_OPEN, dataFor(screen, ""));
        auto* menu = dynamic_cast<NSUI::NSMenu*>(screen->getChildByNameDeep("dcmMenu"));
        ASSERT_NE(menu, nullptr);
        ASSERT_TRUE(menu->isVisible());
        const float left = menu->getPositionX();
        const float right = left + menu->getMenuSize().width;
        EXPECT_GE(left, 10.0f);
        EXPECT_LE(right, width - 10.0f);
        if (stripX + strip - 200.0f + menu->getMenuSize().width <= width - 10.0f &&
            stripX + strip - 200.0f >= 10.0f) {
            EXPECT_EQ(left, stripX + strip - 200.0f) << "where it fits it opens by the strip";
        }
        screen->showMenu("dcmMenu", false);
    }
}

// A touch asks for the strip a frame later. A layout applied in between (the protocol applied
// again once the series is cached) removes the viewer that asked: no strip may open for it, as
// its buttons would reach no viewer.
TEST_F(ViewerScreenTest, AStripAskedForByAViewerALayoutRemovedStaysClosed) {
    writeVolume("ct", 6);
    imageViewerPC* screen = pushScreen("ct");
    ASSERT_TRUE(pumpUntil([&] { return settled(screen); }));
    isImageSDK::appManager* region = screen->currentRegion();
    ASSERT_EQ(region->getProtocolCode(), isImageSDK::PROTOCOL_MPR);
    const auto askForStrip = [&] {
        auto* viewer =
            dynamic_cast<Node*>(screen->currentMultiViewer()->getActiveProperty()->getViewer());
        NSUI::NSNotificationData* ask = dataFor(screen, "");
        ask->setObject(viewer);
        NSUI::NSNotificationCenter::getInstance()->postNotification(
            viewer, isImageSDK::NOTIFY_QUICK_TOOL_OPEN, ask, nullptr, true);
        return viewer->getRefID();
    };

    askForStrip();
    region->applyProtocol(isImageSDK::PROTOCOL_MPR2);
    pumpFrames(3);
    EXPECT_TRUE(screen->quickStrip == nullptr || !screen->quickStrip->isVisible());

    // A viewer of the new layout gets its strip.
    const unsigned int asking = askForStrip();
    pumpFrames(3);
    ASSERT_NE(screen->quickStrip, nullptr);
    EXPECT_TRUE(screen->quickStrip->isVisible());
    EXPECT_EQ(screen->quickStrip->getViewId(), asking);
}
