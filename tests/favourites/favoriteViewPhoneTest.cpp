#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/base/RefPtr.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Button.h"
#include "favourites/favoriteList.h"
#include "favourites/favoriteViewPhone.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/viewers/appManager.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "tests/favourites/FavouritesFixture.h"
#include "tests/studydb/StudyDbFixture.h"
#include "tests/support/lib/DicomFixture.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"

using cocos2d::Size;

namespace {

class FavoriteViewPhoneTest : public favtest::FavouritesTest {
protected:
    favoriteViewPhone* pushViewer() {
        cocos2d::Scene* pushed = favoriteViewPhone::createScene();
        auto* viewer =
            dynamic_cast<favoriteViewPhone*>(pushed->getChildByTag(favoriteViewPhone::kViewerTag));
        cocos2d::Director::getInstance()->pushScene(pushed);
        frames();
        return viewer;
    }

    // A stand-in button carrying one of the layout's names.
    static cocos2d::ui::Button* named(const char* name) {
        cocos2d::ui::Button* button = cocos2d::ui::Button::create();
        button->setName(name);
        return button;
    }
};

// The quick-favourite requests a viewer of the region would answer.
struct QuickFavourites {
    QuickFavourites() {
        NSUI::NSNotificationCenter::getInstance()->addObserver(
            this, nullptr,
            [this](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
                requests.push_back({data->key, data->intValue2});
            },
            isImageSDK::NOTIFY_QUICK_FAVORITE);
    }
    ~QuickFavourites() { NSUI::NSNotificationCenter::getInstance()->removeObserver(this); }
    std::vector<std::pair<unsigned, int>> requests;
};

}  // namespace

TEST_F(FavoriteViewPhoneTest, TheFavouriteButtonAsksTheViewerThatLastOpenedItsStrip) {
    favoriteViewPhone* viewer = pushViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->getContentSize(), Size(kWidth, kHeight));
    EXPECT_FALSE(viewer->isFirstEnter());
    QuickFavourites quick;
    viewer->onButtonClick(named("favoriteDicom"));
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return quick.requests.size() == 1; }, 3.0));
    EXPECT_EQ(quick.requests[0], std::make_pair(viewer->key, 0));

    // A strip opened under another screen's key is not this screen's viewer.
    // Kept past the frames below, which drain the autorelease pool.
    const cocos2d::RefPtr<cocos2d::Node> held =
        cocos2d::RefPtr<cocos2d::Node>::retained(cocos2d::Node::create());
    cocos2d::Node* cell = held.get();
    auto* other = NSUI::NSNotificationData::create();
    other->setNotificationKey(viewer->key + 1, nullptr);
    other->setObject(cell);
    auto* own = NSUI::NSNotificationData::create();
    own->setNotificationKey(viewer->key, nullptr);
    own->setObject(cell);
    viewer->onNotification(nullptr, isImageSDK::NOTIFY_QUICK_TOOL_OPEN, other);
    EXPECT_EQ(viewer->getActiveViewerId(), 0u);
    viewer->onNotification(nullptr, isImageSDK::NOTIFY_QUICK_TOOL_OPEN, own);
    EXPECT_EQ(viewer->getActiveViewerId(), static_cast<unsigned>(cell->getRefID()));
    viewer->onButtonClick(named("favoriteDicom"));
    ASSERT_TRUE(studydbtest::pumpUntil([&] { return quick.requests.size() == 2; }, 3.0));
    EXPECT_EQ(quick.requests[1].second, static_cast<int>(cell->getRefID()));
}

TEST_F(FavoriteViewPhoneTest, AMissingFileShowsNothingAndBackPopsTheScene) {
    favoriteViewPhone* viewer = pushViewer();
    ASSERT_NE(viewer, nullptr);
    viewer->openFile(cocos2d::FileUtils::getInstance()->getWritablePath() + "missing.dcm");
    EXPECT_EQ(viewer->getFilePath(), "");
    EXPECT_EQ(viewer->getChildByName(favoriteViewPhone::kMessageName), nullptr);
    viewer->onButtonClick(named("goBack"));
    frames();
    EXPECT_EQ(cocos2d::Director::getInstance()->getRunningScene(), scene);
}

TEST_F(FavoriteViewPhoneTest, TheNotebookButtonPushesTheFavouritesScreen) {
    favoriteViewPhone* viewer = pushViewer();
    ASSERT_NE(viewer, nullptr);
    cocos2d::Scene* viewerScene = cocos2d::Director::getInstance()->getRunningScene();
    viewer->onButtonClick(named("favorite"));
    frames();
    cocos2d::Scene* running = cocos2d::Director::getInstance()->getRunningScene();
    ASSERT_NE(running, viewerScene);
    bool found = false;
    for (cocos2d::Node* child : running->getChildren()) {
        found = found || dynamic_cast<favoriteList*>(child) != nullptr;
    }
    EXPECT_TRUE(found);
}

TEST_F(FavoriteViewPhoneTest, AValidFileShowsInTheRegionBetweenTitleAndToolRows) {
    favoriteViewPhone* viewer = pushViewer();
    ASSERT_NE(viewer, nullptr);
    bvtest::DicomFixture fixture;
    fixture.columns = 8;
    fixture.rows = 8;
    fixture.modality = "PT";
    const std::string path = cocos2d::FileUtils::getInstance()->getWritablePath() + "pt.dcm";
    ASSERT_TRUE(fixture.write(path));
    viewer->openFile(path);
    EXPECT_EQ(viewer->getFilePath(), path);
    ASSERT_NE(viewer->getViewerMulti(), nullptr);
    EXPECT_EQ(viewer->getViewerMulti()->getParent(), viewer);
    EXPECT_EQ(viewer->getViewerMulti()->getOwner()->getRect(),
              cocos2d::Rect(0.0f, 69.0f, kWidth, kHeight - 130.0f));
    ASSERT_FALSE(viewer->getPresets().empty());
    EXPECT_EQ(viewer->getPresets().front().name, "10K");
    frames();
}
