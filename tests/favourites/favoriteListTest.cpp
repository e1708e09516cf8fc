#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/FavouritesLink.h"
#include "engine/2d/Sprite.h"
#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Button.h"
#include "engine/ui/CheckBox.h"
#include "favourites/FavouritesScreens.h"
#include "favourites/editMsg.h"
#include "favourites/favoriteList.h"
#include "favourites/favoriteView.h"
#include "online/statApplication.h"
#include "tests/favourites/FavouritesFixture.h"
#include "tests/studydb/StudyDbFixture.h"
#include "tests/support/lib/WidgetFixtures.h"
#include "toolkit/core/NSDBUtil.h"
#include "toolkit/widgets/NSSpriteView.h"

namespace fs = std::filesystem;
using cocos2d::Size;
using cocos2d::Vec2;

namespace {

class FavoriteListTest : public favtest::FavouritesTest {
protected:
    favoriteList* pushScreen() {
        cocos2d::Scene* pushed = favoriteList::createScene();
        cocos2d::Director::getInstance()->pushScene(pushed);
        frames();
        for (cocos2d::Node* child : pushed->getChildren()) {
            if (auto* screen = dynamic_cast<favoriteList*>(child)) {
                return screen;
            }
        }
        return nullptr;
    }
};

}  // namespace

TEST_F(FavoriteListTest, TheScreenSplitsTheWindowIntoListBarAndViewer) {
    favoriteList* screen = pushScreen();
    ASSERT_NE(screen, nullptr);
    ASSERT_NE(screen->getList(), nullptr);
    EXPECT_EQ(screen->getList()->getContentSize(), Size(300.0f, 480.0f));
    EXPECT_EQ(screen->getList()->getPosition(), Vec2(0.0f, 100.0f));
    EXPECT_EQ(screen->getMessageBar()->getContentSize(), Size(300.0f, 100.0f));
    EXPECT_EQ(screen->getMessageBar()->getPosition(), Vec2::ZERO);
    EXPECT_EQ(screen->getViewer()->getContentSize(), Size(660.0f, 640.0f));
    EXPECT_EQ(screen->getViewer()->getPosition(), Vec2(300.0f, 0.0f));
    EXPECT_EQ(screen->getPictureView()->getContentSize(), Size(660.0f, 640.0f));
    // Before a row is chosen the backdrop shows, not the viewer.
    EXPECT_FALSE(screen->getViewer()->isVisible());
    EXPECT_TRUE(screen->getPictureView()->isVisible());
    ASSERT_NE(screen->getBackground(), nullptr);
    EXPECT_TRUE(screen->getBackground()->isVisible());
    EXPECT_EQ(screen->getBackground()->getPosition(), Vec2(630.0f, 320.0f));
}

TEST_F(FavoriteListTest, ChoosingARowShowsTheViewerOrThePictureAndOtherKindsChangeNothing) {
    favoriteList* screen = pushScreen();
    ASSERT_NE(screen, nullptr);
    for (int kind : {kFavoriteTime, kFavoriteText, kFavoriteVoice, kFavoritePlaceholder}) {
        screen->onRowSelected("/nowhere", kind);
        EXPECT_FALSE(screen->getViewer()->isVisible()) << kind;
        EXPECT_TRUE(screen->getPictureView()->isVisible()) << kind;
    }
    screen->onRowSelected("/nowhere/a.dcm", kFavoriteDicom);
    EXPECT_TRUE(screen->getViewer()->isVisible());
    EXPECT_FALSE(screen->getPictureView()->isVisible());
    EXPECT_FALSE(screen->getBackground()->isVisible());
    EXPECT_EQ(screen->getViewer()->getFilePath(), "");

    const std::string picture = cocos2d::FileUtils::getInstance()->getWritablePath() + "c.png";
    ASSERT_TRUE(bvtest::writeSolidPng(picture, 8, 4, cocos2d::Color4B::WHITE));
    screen->onRowSelected(picture, kFavoriteCapture);
    EXPECT_FALSE(screen->getViewer()->isVisible());
    EXPECT_TRUE(screen->getPictureView()->isVisible());
    EXPECT_TRUE(screen->getBackground()->isVisible());
    EXPECT_EQ(screen->getPictureView()->getImagePath(), picture);
}

TEST_F(FavoriteListTest, TheBackButtonPopsTheScreenAndTickAllReachesTheList) {
    storeRow(kFavoriteTime, "", "", "2024-05-01 10:00:00");
    storeRow(kFavoriteText, "bm90ZQ==", "", "2024-05-01 10:00:00");
    favoriteList* screen = pushScreen();
    ASSERT_NE(screen, nullptr);
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return screen->getList()->rowCount() == 2; }));
    auto* all = dynamic_cast<cocos2d::ui::CheckBox*>(screen->getChildByNameDeep("chkAll"));
    ASSERT_NE(all, nullptr);
    all->setSelected(true);
    screen->onCheckAll(all, cocos2d::ui::CheckBox::EventType::SELECTED);
    EXPECT_TRUE(screen->getList()->rowAt(0)->ticked);
    EXPECT_TRUE(screen->getList()->rowAt(1)->ticked);

    auto* back = dynamic_cast<cocos2d::ui::Button*>(screen->getChildByNameDeep("goBack"));
    ASSERT_NE(back, nullptr);
    screen->onButtonClick(back);
    frames();
    EXPECT_EQ(cocos2d::Director::getInstance()->getRunningScene(), scene);
}

TEST_F(FavoriteListTest, TheScreensOpenTheNotebookThroughTheLinkOnceItIsRegistered) {
    setFavouritesSceneMaker(nullptr);
    openFavourites();
    frames();
    EXPECT_EQ(cocos2d::Director::getInstance()->getRunningScene(), scene);

    registerFavouritesScreens();
    openFavourites();
    frames();
    cocos2d::Scene* running = cocos2d::Director::getInstance()->getRunningScene();
    ASSERT_NE(running, scene);
    bool found = false;
    for (cocos2d::Node* child : running->getChildren()) {
        found = found || dynamic_cast<favoriteList*>(child) != nullptr;
    }
    EXPECT_TRUE(found);
    setFavouritesSceneMaker(nullptr);
}

TEST_F(FavoriteListTest, OpeningAndLeavingTheScreenRecordOneStatisticEach) {
    const auto count = [](int type) {
        NSUI::NSDBUtil stats;
        NSUI::NSDBDataModel rows;
        if (!stats.openDatabase(statApplication::databasePath().c_str()) ||
            !stats.getRecords("select ID from stat where type=?", {30000 + type}, &rows)) {
            return -1;
        }
        return rows.getRowCount();
    };
    // The statistics database opens with the first address request.
    statApplication::getInstance()->requestStatUrl();
    const int opened = count(kStatFavouritesOpened);
    const int left = count(kStatFavouritesLeft);
    favoriteList* screen = pushScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(count(kStatFavouritesOpened), opened + 1);
    cocos2d::Director::getInstance()->popScene();
    frames(3);
    EXPECT_EQ(cocos2d::Director::getInstance()->getRunningScene(), scene);
    EXPECT_EQ(count(kStatFavouritesLeft), left + 1);
}
