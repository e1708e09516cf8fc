#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Button.h"
#include "engine/ui/Text.h"
#include "favourites/favoriteView.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/viewers/appManager.h"
#include "imagesdk/viewers/isViewerMulti.h"
#include "tests/favourites/FavouritesFixture.h"
#include "tests/support/lib/DicomFixture.h"
#include "tests/support/lib/TempDir.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/UIJson.h"

namespace fs = std::filesystem;
using cocos2d::Size;
using cocos2d::Vec2;

namespace {

// The message panel's layout as the viewer screen ships it: a box with its "intro" text.
const char* const kMessageLayout = R"({ "version": 1, "root": {
  "type": "Layout", "name": "noSupport", "size": [420, 120], "anchor": [0, 0],
  "children": [ { "type": "Text", "name": "intro", "text": "", "fontSize": 22 } ] } })";

class FavoriteViewTest : public favtest::FavouritesTest {
protected:
    void SetUp() override {
        favtest::FavouritesTest::SetUp();
        std::ofstream(layouts.str() + "noSupport.csb") << kMessageLayout;
        cocos2d::FileUtils::getInstance()->addSearchPath(layouts.str(), true);
        view = favoriteView::create();
        view->setPosition(Vec2(300.0f, 0.0f));
        view->setContentSize(Size(660.0f, 640.0f));
        scene->addChild(view);
        view->setupTools();
        frames();
    }

    std::string writeFile(const std::string& name, const std::string& modality) {
        bvtest::DicomFixture fixture;
        fixture.columns = 8;
        fixture.rows = 8;
        fixture.modality = modality;
        const std::string path = layouts.str() + name;
        EXPECT_TRUE(fixture.write(path));
        return path;
    }

    std::string message() {
        cocos2d::Node* panel = view->getChildByName(favoriteView::kMessageName);
        if (panel == nullptr || !panel->isVisible()) {
            return "(hidden)";
        }
        return dynamic_cast<cocos2d::ui::Text*>(panel->getChildByNameDeep("intro"))->getString();
    }

    cocos2d::ui::Button* tool(const char* name) {
        return dynamic_cast<cocos2d::ui::Button*>(view->getChildByNameDeep(name));
    }

    bvtest::TempDir layouts;
    favoriteView* view = nullptr;
};

}  // namespace

TEST_F(FavoriteViewTest, TheToolBarRunsDownTheRightEdge) {
    cocos2d::Node* bar = view->getToolPanel();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->getPosition(), Vec2(580.0f, 0.0f));
    EXPECT_EQ(bar->getContentSize(), Size(80.0f, 640.0f));
    for (const char* name : {"btnCmdSelection", "btnCmdFlipX", "btnCmdWL", "btnCmdCapture"}) {
        ASSERT_NE(tool(name), nullptr) << name;
        EXPECT_EQ(tool(name)->getLocalZOrder(), 100) << name;
        EXPECT_TRUE(tool(name)->isVisible()) << name;
    }
    EXPECT_FALSE(tool("btnCmdRemoveROI")->isVisible());
}

TEST_F(FavoriteViewTest, FilesThatCannotBeShownSaySoAndAValidOneHidesTheMessage) {
    view->openFile("");
    EXPECT_EQ(message(), favoriteView::kSelectFile);
    const std::string broken = layouts.str() + "broken.dcm";
    std::ofstream(broken) << "not DICOM";
    view->openFile(broken);
    EXPECT_EQ(message(), favoriteView::kNotValid);
    EXPECT_EQ(view->getFilePath(), "");

    const std::string ct = writeFile("ct.dcm", "CT");
    view->openFile(ct);
    EXPECT_EQ(message(), "(hidden)");
    EXPECT_EQ(view->getFilePath(), ct);
    ASSERT_FALSE(view->getPresets().empty());
    EXPECT_EQ(view->getPresets().front().name, "Abdomen");
}

TEST_F(FavoriteViewTest, AnotherModalityRebuildsTheWindowLevelMenuWithItsPresets) {
    view->openFile(writeFile("ct.dcm", "CT"));
    view->onButtonClick(tool("btnCmdWL"));
    cocos2d::Node* menu = view->getChildByNameDeep("windowLevelMenu");
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->getPosition(), tool("btnCmdWL")->getPosition() + Vec2(-100.0f, -250.0f));

    // While a menu is open any tool button only closes it.
    view->onButtonClick(tool("btnCmdClut"));
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(view->getChildByNameDeep("clutMenu"), nullptr);

    view->openFile(writeFile("mr.dcm", "MR"));
    EXPECT_EQ(view->getChildByNameDeep("windowLevelMenu"), nullptr);
    EXPECT_EQ(view->getPresets().front().name, "20/40");
}

TEST_F(FavoriteViewTest, TheFirstValidFileMakesTheViewerAndLaterOnesReuseIt) {
    view->openFile(writeFile("ct.dcm", "CT"));
    isImageSDK::isViewerMulti* viewer = view->getViewerMulti();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->getParent(), view);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(view->getRegion()->getRect(), cocos2d::Rect(0.0f, 0.0f, 580.0f, 640.0f));

    // A message hides the image; the next valid file shows it again in the same viewer.
    view->openFile(layouts.str() + "missing.dcm");
    EXPECT_EQ(message(), favoriteView::kNotValid);
    EXPECT_FALSE(viewer->isVisible());
    view->openFile(writeFile("mr.dcm", "MR"));
    EXPECT_EQ(view->getViewerMulti(), viewer);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(message(), "(hidden)");
    frames();
}

TEST_F(FavoriteViewTest, AWindowLevelEntryChangesTheImageOnlyUnderThePanelsOwnKey) {
    view->openFile(writeFile("ct.dcm", "CT"));
    frames();
    isImageSDK::isViewerMulti* viewer = view->getViewerMulti();
    ASSERT_NE(viewer, nullptr);
    float width = 0.0f;
    float level = 0.0f;
    ASSERT_TRUE(viewer->getWindowLevel(width, level));
    const auto apply = [&](unsigned key, float w, float l) {
        auto* data = NSUI::NSNotificationData::create();
        data->setNotificationKey(key, nullptr);
        std::string text;
        NSUI::UIJson::setString(text, "ww", std::to_string(w));
        NSUI::UIJson::setString(text, "wl", std::to_string(l));
        data->stringValue = text;
        NSUI::NSNotificationCenter::getInstance()->postNotification(
            nullptr, isImageSDK::NOTIFY_WW_APPLY, data, nullptr, true);
        frames(3);
    };
    apply(view->key + 1, 123.0f, 45.0f);
    float afterOther = 0.0f;
    float levelOther = 0.0f;
    ASSERT_TRUE(viewer->getWindowLevel(afterOther, levelOther));
    EXPECT_FLOAT_EQ(afterOther, width);
    EXPECT_FLOAT_EQ(levelOther, level);
    apply(view->key, 123.0f, 45.0f);
    float afterOwn = 0.0f;
    float levelOwn = 0.0f;
    ASSERT_TRUE(viewer->getWindowLevel(afterOwn, levelOwn));
    EXPECT_FLOAT_EQ(afterOwn, 123.0f);
    EXPECT_FLOAT_EQ(levelOwn, 45.0f);
}
