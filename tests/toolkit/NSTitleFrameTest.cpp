#include "toolkit/widgets/NSTitleFrame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/2d/Scene.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Button.h"
#include "engine/ui/Text.h"
#include "tests/support/lib/KeptResourcePaths.h"
#include "tests/support/lib/TempDir.h"
#include "tests/support/lib/WidgetFixtures.h"

namespace {

class TitleFrameTest : public bvtest::RunningSceneTest {
protected:
    bvtest::KeptResourcePaths kept;
};

TEST_F(TitleFrameTest, FrameFillsTheWindowShowsTheTitleAndItsBackButtonRunsTheAction) {
    cocos2d::FileUtils::getInstance()->setSearchPaths({"res/pad"});
    int backs = 0;
    cocos2d::Node* titled = NSUI::addTitleFrame(scene, "Tags", [&backs] { ++backs; });
    ASSERT_NE(titled, nullptr);
    EXPECT_EQ(titled->getParent(), scene);
    EXPECT_EQ(titled->getContentSize(), cocos2d::Size(kWidth, kHeight));
    auto* title = dynamic_cast<cocos2d::ui::Text*>(titled->getChildByNameDeep("title"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->getString(), "Tags");

    auto* back = dynamic_cast<cocos2d::ui::Button*>(titled->getChildByNameDeep("goBack"));
    ASSERT_NE(back, nullptr);
    frame(1.0f / 60.0f);
    const cocos2d::Vec2 origin = back->convertToWorldSpace(cocos2d::Vec2::ZERO);
    const cocos2d::Size size = back->getContentSize();
    tap(origin.x + size.width * back->getScaleX() / 2,
        origin.y + size.height * back->getScaleY() / 2);
    EXPECT_EQ(backs, 1);
}

TEST_F(TitleFrameTest, APanelTakesTheWindowBelowTheTitleBar) {
    cocos2d::Node* panel = cocos2d::Node::create();
    panel->setPosition(cocos2d::Vec2(5, 5));
    panel->setAnchorPoint(cocos2d::Vec2(0.5f, 0.5f));
    NSUI::placeBelowTitleBar(panel);
    EXPECT_EQ(panel->getContentSize(), cocos2d::Size(kWidth, kHeight - NSUI::kTitleBarHeight));
    EXPECT_EQ(panel->getPosition(), cocos2d::Vec2::ZERO);
    EXPECT_EQ(panel->getAnchorPoint(), cocos2d::Vec2::ZERO);
}

TEST_F(TitleFrameTest, WithoutTheLayoutNothingIsAdded) {
    const bvtest::TempDir empty("titleframe");
    cocos2d::FileUtils::getInstance()->setSearchPaths({empty.str()});
    const auto children = scene->getChildrenCount();
    bool ran = false;
    EXPECT_EQ(NSUI::addTitleFrame(scene, "Tags", [&ran] { ran = true; }), nullptr);
    EXPECT_EQ(scene->getChildrenCount(), children);
    EXPECT_FALSE(ran);
}

}  // namespace
