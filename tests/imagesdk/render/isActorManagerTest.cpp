#include "imagesdk/render/isActorManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "WindowFixture.h"
#include "engine/2d/DrawNode.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/base/RefPtr.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isActorCrossLine.h"
#include "imagesdk/render/isActorImage.h"
#include "imagesdk/render/isActorOverlay.h"
#include "imagesdk/render/isActorROI.h"
#include "imagesdk/render/isNodeOverlayText.h"
#include "imagesdk/render/isRenderWindow.h"
#include "toolkit/core/NSNotificationCenter.h"

using cocos2d::RefPtr;
using namespace isImageSDK;

namespace {

class ActorManagerTest : public rendertest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window = isRenderWindow::create();
        window->setContentSize(cocos2d::Size(400, 300));
        scene->addChild(window);
        manager = window->getActorManager();
    }

    // The children of the window that are drawn frames (view frame or focus square).
    std::size_t drawNodes() const {
        const auto& children = window->getChildren();
        return std::size_t(std::count_if(children.begin(), children.end(), [](cocos2d::Node* n) {
            return dynamic_cast<cocos2d::DrawNode*>(n) != nullptr;
        }));
    }

    isRenderWindow* window = nullptr;
    isActorManager* manager = nullptr;
};

TEST_F(ActorManagerTest, TheSliceActorTakesTheWindowsKeyAndStartsAtSliceZero) {
    window->setNotificationKey(4242, window);
    isActorImage* actor = manager->getImageActor();
    ASSERT_NE(actor, nullptr);
    EXPECT_EQ(actor->key, 4242u);
    EXPECT_EQ(actor->group, nullptr);
    EXPECT_EQ(actor->getSliceIndex(), 0);
    EXPECT_EQ(manager->getImageActor(), actor);

    // A manager made again for new data gives the new actor the same key.
    manager->releaseAll();
    isActorImage* fresh = manager->getImageActor();
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->key, 4242u);
}

TEST_F(ActorManagerTest, TheCornerTextsCanBeRemovedAndMadeAgain) {
    RefPtr<isActorOverlay> overlay = RefPtr<isActorOverlay>::retained(manager->getOverlayActor());
    ASSERT_TRUE(overlay);
    overlay->addTopLeftText("Axial");
    const std::size_t children = window->getChildrenCount();
    const unsigned int references = overlay->getReferenceCount();

    manager->removeOverlayActor();
    EXPECT_LT(window->getChildrenCount(), children);
    EXPECT_EQ(overlay->getReferenceCount(), references - 1);
    manager->removeOverlayActor();
    isActorOverlay* fresh = manager->getOverlayActor();
    EXPECT_NE(fresh, overlay.get());
    EXPECT_NE(fresh, nullptr);
}

TEST_F(ActorManagerTest, TheFrameAndFocusSquareMakeTheCrossLineActorOnDemand) {
    manager->createCrossLineActor();
    isActorCrossLine* lines = manager->getCrossLineActor();
    ASSERT_NE(lines, nullptr);
    manager->createCrossLineActor();
    EXPECT_EQ(manager->getCrossLineActor(), lines);

    manager->releaseAll();
    EXPECT_EQ(drawNodes(), 0u);
    manager->setFrameVisible(true);
    ASSERT_NE(manager->getCrossLineActor(), nullptr);
    EXPECT_EQ(drawNodes(), 1u);
    manager->releaseAll();
    manager->showFocusFrame();
    ASSERT_NE(manager->getCrossLineActor(), nullptr);
    EXPECT_EQ(drawNodes(), 1u);
}

TEST_F(ActorManagerTest, WithoutAWindowNothingIsMade) {
    RefPtr<isActorManager> alone = RefPtr<isActorManager>::retained(isActorManager::create());
    alone->createCrossLineActor();
    alone->setFrameVisible(true);
    alone->showFocusFrame();
    alone->removeOverlayActor();
    EXPECT_EQ(alone->getCrossLineActor(), nullptr);
    EXPECT_EQ(alone->getImageActor(), nullptr);
    EXPECT_EQ(alone->getOverlayActor(), nullptr);
}

// The program's end: the notification centre goes, then the director with its scene; the
// actors clean up, and the last of them goes, when neither exists any more.
TEST_F(ActorManagerTest, CleanupsWhileTheProgramEndsMakeNeitherACentreNorADirector) {
    isActorOverlay* overlay = manager->getOverlayActor();
    overlay->addTopLeftText("ww")->bindNotification("ww", "", "", NOTIFY_WWWL_TEXT, false);
    overlay->addPlayButton();
    isActorCrossLine* lines = manager->getCrossLineActor();
    lines->setLineVisible(true);
    lines->setFrameVisible(true);
    lines->onNotification(nullptr, NOTIFY_CAMERA_CHANGED, nullptr);
    lines->redraw();  // schedules the hide job
    ASSERT_NE(manager->getROIActor()->addLine(cocos2d::Vec3::ZERO, cocos2d::Vec3(10, 0, 0)),
              nullptr);
    RefPtr<isActorCrossLine> lastHolder = RefPtr<isActorCrossLine>::retained(lines);

    NSUI::NSNotificationCenter::destroyInstance();
    cocos2d::Director::getInstance()->purgeDirector();
    EXPECT_EQ(NSUI::NSNotificationCenter::getExistingInstance(), nullptr);
    lastHolder = nullptr;
    EXPECT_EQ(NSUI::NSNotificationCenter::getExistingInstance(), nullptr);
    EXPECT_EQ(cocos2d::Director::getExistingInstance(), nullptr);
}

}  // namespace
