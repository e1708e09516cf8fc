#include "imagesdk/render/isActorManager.h"

#include <gtest/gtest.h>

#include "WindowFixture.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/base/RefPtr.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isActorCrossLine.h"
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

    isRenderWindow* window = nullptr;
    isActorManager* manager = nullptr;
};

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
