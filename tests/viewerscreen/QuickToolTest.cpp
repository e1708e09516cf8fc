#include "viewerscreen/quickTool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ui/Button.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "studydb/StudyNotifications.h"
#include "tests/viewerscreen/ToolsFixture.h"

namespace toolstest {
namespace {

using namespace isImageSDK;

constexpr unsigned kScreenKey = 4242;

class QuickToolTest : public ToolsTest {
protected:
    quickTool* addStrip() {
        quickTool* strip = quickTool::create();
        EXPECT_NE(strip, nullptr);
        strip->setNotificationKey(kScreenKey, nullptr);
        strip->buildButtons(quickTool::kKindImage);
        scene->addChild(strip);
        return strip;
    }

    // A viewer stand-in of the given width inside a region placed at (100, 50).
    cocos2d::Node* addView(float width) {
        cocos2d::Node* region = cocos2d::Node::create();
        region->setPosition(cocos2d::Vec2(100.0f, 50.0f));
        scene->addChild(region);
        cocos2d::Node* view = cocos2d::Node::create();
        view->setContentSize(cocos2d::Size(width, 300.0f));
        view->setPosition(cocos2d::Vec2(20.0f, 30.0f));
        region->addChild(view);
        return view;
    }

    static void click(quickTool* strip, const std::string& name) {
        strip->onClick(strip->getChildByName(name));
    }

    static std::vector<std::string> names(const quickTool* strip) {
        std::vector<std::string> out;
        for (const cocos2d::ui::Button* button : strip->getButtons()) {
            out.push_back(button->getName());
        }
        return out;
    }

    static std::string normalImage(const quickTool* strip, const std::string& name) {
        auto* button = dynamic_cast<cocos2d::ui::Button*>(strip->getChildByName(name));
        return button != nullptr ? button->getNormalFile() : "";
    }

    int appManager = 0;
};

TEST_F(QuickToolTest, KindsChooseTheButtonsAndAnUnchangedKindKeepsThem) {
    quickTool* strip = addStrip();
    const std::vector<std::string> image = {"max",      "favorite", "capture",
                                            "reformat", "info",     "link"};
    const std::vector<std::string> volume = {"max", "capture", "info", "link"};
    EXPECT_EQ(names(strip), image);
    const std::vector<cocos2d::ui::Button*> first = strip->getButtons();
    strip->buildButtons(quickTool::kKindImage);
    EXPECT_EQ(strip->getButtons(), first);
    strip->buildButtons(quickTool::kKindVolume);
    EXPECT_EQ(names(strip), volume);
    EXPECT_EQ(strip->getChildByName("favorite"), nullptr);
    EXPECT_EQ(strip->getChildByName("reformat"), nullptr);
    strip->buildButtons(quickTool::kKindImage);
    EXPECT_EQ(names(strip), image);
    EXPECT_EQ(strip->getChildrenCount(), 6);
    for (const cocos2d::ui::Button* button : strip->getButtons()) {
        EXPECT_FLOAT_EQ(button->getScale(), 0.5f);
        EXPECT_EQ(button->getLocalZOrder(), 500);
        EXPECT_EQ(button->getAnchorPoint(), cocos2d::Vec2::ZERO);
    }
}

TEST_F(QuickToolTest, AttachingPlacesTheRowAtTheViewersBottomRight) {
    const struct {
        int kind;
        float width;
        std::vector<std::pair<std::string, float>> xs;
    } cases[] = {
        {quickTool::kKindImage,
         400.0f,
         {{"max", 215},
          {"capture", 245},
          {"favorite", 275},
          {"reformat", 305},
          {"info", 335},
          {"link", 365}}},
        {quickTool::kKindVolume,
         400.0f,
         {{"max", 275}, {"capture", 305}, {"info", 335}, {"link", 365}}},
        // Narrower than the row: it starts left of the view.
        {quickTool::kKindImage, 100.0f, {{"max", -85}, {"link", 65}}},
        {quickTool::kKindVolume, 100.5f, {{"max", -24}, {"link", 66}}},
    };
    for (const auto& c : cases) {
        quickTool* strip = addStrip();
        strip->setVisible(false);
        strip->buildButtons(c.kind);
        cocos2d::Node* view = addView(c.width);
        strip->attachToView(view, true);
        EXPECT_TRUE(strip->isVisible());
        EXPECT_EQ(strip->getPosition(), cocos2d::Vec2(120.0f, 85.0f));
        EXPECT_EQ(strip->getContentSize(), view->getContentSize());
        for (const auto& [name, x] : c.xs) {
            EXPECT_EQ(strip->getChildByName(name)->getPosition(), cocos2d::Vec2(x, 0.0f))
                << name << " in a view " << c.width << " wide";
        }
    }
}

TEST_F(QuickToolTest, LinkTogglesItsPictureAndPostsTheNewStateWithTheViewersId) {
    PostRecorder recorder({NOTIFY_QUICK_LINK}, nullptr);
    quickTool* strip = addStrip();
    click(strip, "link");
    frames(3);
    cocos2d::Node* view = addView(400.0f);
    strip->attachToView(view, true);
    EXPECT_EQ(strip->getChildByName("link")->getUserString(), "1");
    EXPECT_EQ(normalImage(strip, "link"), "res/link.png");
    click(strip, "link");
    EXPECT_EQ(normalImage(strip, "link"), "res/unlink.png");
    click(strip, "link");
    EXPECT_EQ(normalImage(strip, "link"), "res/link.png");
    frames(3);
    ASSERT_EQ(recorder.posts.size(), 3u);
    EXPECT_EQ(recorder.posts[0].intValue2, 0) << "no view attached yet";
    const int id = static_cast<int>(view->getRefID());
    EXPECT_EQ(recorder.posts[1].intValue, 0);
    EXPECT_EQ(recorder.posts[1].intValue2, id);
    EXPECT_EQ(recorder.posts[2].intValue, 1);
    EXPECT_EQ(recorder.posts[2].intValue2, id);
    for (const Post& post : recorder.posts) {
        EXPECT_EQ(post.dataKey, kScreenKey);
        EXPECT_EQ(post.sender, nullptr);
    }
    // Re-attaching an unlinked viewer shows it unlinked.
    strip->attachToView(view, false);
    EXPECT_EQ(strip->getChildByName("link")->getUserString(), "0");
    EXPECT_EQ(normalImage(strip, "link"), "res/unlink.png");
}

TEST_F(QuickToolTest, EachButtonPostsItsKeyAndData) {
    PostRecorder noGroup({NOTIFY_QUICK_MAXIMIZE, NOTIFY_QUICK_FAVORITE,
                          studydb::NOTIFY_DICOM_MENU_OPEN, studydb::NOTIFY_QUICK_CAPTURE,
                          NOTIFY_QUICK_REFORMAT},
                         nullptr);
    quickTool* strip = addStrip();
    cocos2d::Node* view = addView(400.0f);
    PostRecorder viewGroup({NOTIFY_QUICK_REFORMAT}, view);
    strip->regionRect = cocos2d::Rect(10.0f, 20.5f, 640.0f, 700.25f);
    strip->attachToView(view, false);
    strip->setNotificationKey(kScreenKey, &appManager);
    for (const char* name : {"max", "favorite", "info", "capture", "reformat"}) {
        click(strip, name);
    }
    frames(3);
    const int id = static_cast<int>(view->getRefID());
    ASSERT_EQ(noGroup.keys(),
              std::vector<int>({NOTIFY_QUICK_MAXIMIZE, NOTIFY_QUICK_FAVORITE,
                                studydb::NOTIFY_DICOM_MENU_OPEN, studydb::NOTIFY_QUICK_CAPTURE}));
    const Post& max = noGroup.posts[0];
    EXPECT_EQ(max.text, "{\"x\":\"10.000000\",\"y\":\"20.500000\",\"w\":\"640.000000\","
                        "\"h\":\"700.250000\"}");
    EXPECT_EQ(max.intValue2, id);
    EXPECT_EQ(max.dataKey, kScreenKey);
    EXPECT_EQ(max.dataGroup, &appManager) << "only the maximise data names the region";
    EXPECT_EQ(noGroup.posts[1].intValue2, id);
    EXPECT_EQ(noGroup.posts[1].dataGroup, nullptr);
    ASSERT_EQ(viewGroup.posts.size(), 1u);
    EXPECT_EQ(viewGroup.posts[0].key, NOTIFY_QUICK_REFORMAT);
}

TEST_F(QuickToolTest, MaximisedStateOfItsOwnKeyOnlySwitchesTheMaxPicture) {
    quickTool* strip = addStrip();
    const struct {
        unsigned key;
        int state;
        const char* image;
    } cases[] = {
        {kScreenKey, 1, "res/fullscreen_exit.png"}, {kScreenKey + 1, 0, "res/fullscreen_exit.png"},
        {kScreenKey, 0, "res/fullscreen.png"},      {kScreenKey + 1, 1, "res/fullscreen.png"},
        {kScreenKey, -1, "res/fullscreen.png"},
    };
    for (const auto& c : cases) {
        NSUI::NSNotificationData* data = NSUI::NSNotificationData::create();
        data->setNotificationKey(c.key, nullptr);
        data->intValue = c.state;
        NSUI::NSNotificationCenter::getInstance()->postNotification(
            nullptr, NOTIFY_QUICK_TOOL_STATE, data, nullptr, true);
        frames(3);
        EXPECT_EQ(normalImage(strip, "max"), c.image) << c.key << " " << c.state;
    }
}

TEST_F(QuickToolTest, AViewerThatGoesIsNeverTouchedAndItsRemovalDetachesTheStrip) {
    PostRecorder recorder({NOTIFY_QUICK_FAVORITE, NOTIFY_QUICK_REFORMAT}, nullptr);
    quickTool* strip = addStrip();
    cocos2d::Node* view = addView(400.0f);
    strip->attachToView(view, true);
    const int id = static_cast<int>(view->getRefID());
    // The viewer goes before its removal notice arrives: the strip still answers with its id.
    view->getParent()->removeFromParent();
    cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
    for (const char* name : {"favorite", "max", "link", "capture", "info"}) {
        click(strip, name);
    }
    frames(3);
    ASSERT_FALSE(recorder.posts.empty());
    EXPECT_EQ(recorder.posts[0].intValue2, id);

    NSUI::NSNotificationData* other = NSUI::NSNotificationData::create();
    other->intValue2 = id + 1;
    NSUI::NSNotificationCenter::getInstance()->postNotification(nullptr, NOTIFY_VIEWER_REMOVED,
                                                                other, nullptr, true);
    frames(3);
    EXPECT_EQ(strip->getViewId(), static_cast<std::uint64_t>(id)) << "another viewer went";
    NSUI::NSNotificationData* removed = NSUI::NSNotificationData::create();
    removed->intValue2 = id;
    NSUI::NSNotificationCenter::getInstance()->postNotification(nullptr, NOTIFY_VIEWER_REMOVED,
                                                                removed, nullptr, true);
    frames(3);
    EXPECT_EQ(strip->getViewId(), 0u);
    EXPECT_FALSE(strip->isVisible());
    recorder.posts.clear();
    click(strip, "favorite");
    click(strip, "reformat");
    frames(3);
    ASSERT_EQ(recorder.posts.size(), 1u) << "no reformat without a viewer";
    EXPECT_EQ(recorder.posts[0].intValue2, 0);
}

}  // namespace
}  // namespace toolstest
