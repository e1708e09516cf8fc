#include "app/spriteViewScene.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "engine/base/Director.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Button.h"
#include "engine/ui/Text.h"
#include "tests/support/lib/KeptResourcePaths.h"
#include "tests/support/lib/TempDir.h"
#include "tests/support/lib/WidgetFixtures.h"
#include "toolkit/widgets/NSSpriteView.h"

using cocos2d::Node;
using cocos2d::Rect;

namespace {

class SpriteViewSceneTest : public bvtest::RunningSceneTest {
protected:
    static void useLayoutsFrom(const std::vector<std::string>& folders) {
        cocos2d::FileUtils::getInstance()->setSearchPaths(folders);
    }

    static cocos2d::ui::Button* shareButton(Node* scene) {
        Node* back = scene->getChildByNameDeep("goBack");
        if (back == nullptr) {
            return nullptr;
        }
        for (Node* child : back->getParent()->getChildren()) {
            auto* button = dynamic_cast<cocos2d::ui::Button*>(child);
            if (button != nullptr && child != back) {
                return button;
            }
        }
        return nullptr;
    }

    static Rect worldBox(Node* node) {
        const cocos2d::Vec2 origin = node->convertToWorldSpace(cocos2d::Vec2::ZERO);
        const cocos2d::Size size = node->getContentSize();
        const float sx = node->getScaleX();
        const float sy = node->getScaleY();
        return Rect(origin.x, origin.y, size.width * sx, size.height * sy);
    }

    static int countButtons(Node* node) {
        int count = dynamic_cast<cocos2d::ui::Button*>(node) != nullptr ? 1 : 0;
        for (Node* child : node->getChildren()) {
            count += countButtons(child);
        }
        return count;
    }

    void tapOn(Node* node) {
        const Rect box = worldBox(node);
        tap(box.getMidX(), box.getMidY());
    }

    bvtest::KeptResourcePaths kept;
};

TEST_F(SpriteViewSceneTest, FrameHasBackShareTitleAndAPictureViewBelowTheBar) {
    useLayoutsFrom({"res/pad"});
    cocos2d::Scene* viewer = spriteViewScene::createScene();
    ASSERT_NE(viewer, nullptr);
    cocos2d::Director::getInstance()->pushScene(viewer);
    frame(1.0f / 60.0f);

    auto* view = dynamic_cast<NSUI::NSSpriteView*>(viewer->getChildByTagDeep(10000));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->getContentSize(), cocos2d::Size(kWidth, kHeight - 60));
    auto* title = dynamic_cast<cocos2d::ui::Text*>(viewer->getChildByNameDeep("title"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->getString(), "");

    Node* back = viewer->getChildByNameDeep("goBack");
    cocos2d::ui::Button* share = shareButton(viewer);
    ASSERT_NE(back, nullptr);
    ASSERT_NE(share, nullptr);
    EXPECT_EQ(share->getLocalZOrder(), back->getLocalZOrder());
    // Both buttons lie whole in the title bar, apart, at its two ends.
    const Rect bar(0, kHeight - 60, kWidth, 60);
    for (Node* button : {back, static_cast<Node*>(share)}) {
        const Rect box = worldBox(button);
        EXPECT_GT(box.size.width, 0);
        EXPECT_GE(box.getMinX(), bar.getMinX());
        EXPECT_LE(box.getMaxX(), bar.getMaxX());
        EXPECT_GE(box.getMinY(), bar.getMinY() - 0.5f);
        EXPECT_LE(box.getMaxY(), bar.getMaxY());
    }
    EXPECT_FALSE(worldBox(back).intersectsRect(worldBox(share)));
    EXPECT_FLOAT_EQ(worldBox(share).getMaxX(), kWidth);

    // The picture path reaches the view; the share button has nothing to show on the desktop.
    view->setImage("no such picture.png");
    EXPECT_EQ(view->getImagePath(), "UIRes/noPicture.png");
    tapOn(share);
    frame(1.0f / 60.0f);
    EXPECT_EQ(cocos2d::Director::getInstance()->getRunningScene(), viewer);

    // The back button pops the scene, as the back key does.
    tapOn(back);
    frame(1.0f / 60.0f);
    EXPECT_EQ(cocos2d::Director::getInstance()->getRunningScene(), scene);
}

TEST_F(SpriteViewSceneTest, FrameFitsBothDesignSizes) {
    useLayoutsFrom({"res/pad"});
    for (const cocos2d::Size window : {cocos2d::Size(1920, 1080), cocos2d::Size(1280, 800)}) {
        SCOPED_TRACE(std::to_string(int(window.width)) + " x " +
                     std::to_string(int(window.height)));
        cocos2d::Director::getInstance()->setWinSize(window);
        cocos2d::Scene* viewer = spriteViewScene::createScene();
        ASSERT_NE(viewer, nullptr);
        const Rect whole(0, 0, window.width, window.height);
        std::vector<Rect> boxes;
        for (Node* node :
             {viewer->getChildByNameDeep("goBack"), viewer->getChildByNameDeep("title"),
              static_cast<Node*>(shareButton(viewer)), viewer->getChildByTagDeep(10000)}) {
            ASSERT_NE(node, nullptr);
            const Rect box = worldBox(node);
            EXPECT_GE(box.getMinX(), whole.getMinX());
            EXPECT_GE(box.getMinY(), whole.getMinY());
            EXPECT_LE(box.getMaxX(), whole.getMaxX());
            EXPECT_LE(box.getMaxY(), whole.getMaxY());
            for (const Rect& other : boxes) {
                EXPECT_FALSE(box.intersectsRect(other));
            }
            boxes.push_back(box);
        }
    }
}

TEST_F(SpriteViewSceneTest, BackKeyPopsAndIsConsumed) {
    useLayoutsFrom({"res/pad"});
    auto* viewer = static_cast<spriteViewScene*>(spriteViewScene::createScene());
    cocos2d::Director::getInstance()->pushScene(viewer);
    frame(1.0f / 60.0f);
    EXPECT_TRUE(viewer->onResponseReturn());
    frame(1.0f / 60.0f);
    EXPECT_EQ(cocos2d::Director::getInstance()->getRunningScene(), scene);
}

TEST_F(SpriteViewSceneTest, LayoutWithoutBackButtonOrNoLayoutAtAll) {
    bvtest::TempDir folder("bkscene");
    std::ofstream(folder / "bkScene.csb") << R"({"version": 1, "root": {"type": "Layout",
        "name": "bare", "children": [{"type": "Text", "name": "title", "text": "x"}]}})";
    struct {
        const char* name;
        std::vector<std::string> paths;
        bool view;
    } cases[] = {
        {"without goBack", {folder.str()}, true},
        {"without the layout", {folder.str() + "none/"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        useLayoutsFrom(c.paths);
        cocos2d::Scene* viewer = spriteViewScene::createScene();
        ASSERT_NE(viewer, nullptr);
        EXPECT_EQ(viewer->getChildByTagDeep(10000) != nullptr, c.view);
        EXPECT_EQ(viewer->getChildByNameDeep("goBack"), nullptr);
        EXPECT_EQ(countButtons(viewer), 0);
    }
}

}  // namespace
