#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/2d/Node.h"
#include "engine/2d/Scene.h"
#include "engine/base/RefPtr.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isNodeOverlaySprite.h"
#include "imagesdk/render/isNodeOverlayText.h"
#include "tests/imagesdk/NotificationRecorder.h"
#include "tests/support/lib/WidgetFixtures.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"

using cocos2d::RefPtr;
using isImageSDK::isNodeOverlaySprite;
using isImageSDK::isNodeOverlayText;
using NSUI::NSNotificationCenter;
using NSUI::NSNotificationData;

namespace {

// A running scene with a node standing in for a render window, the group of the overlay nodes.
class OverlayTest : public bvtest::RunningSceneTest {
protected:
    void SetUp() override {
        RunningSceneTest::SetUp();
        window = cocos2d::Node::create();
        window->setContentSize(cocos2d::Size(400.0f, 300.0f));
        window->setGlobalZOrder(7.0f);
        scene->addChild(window);
    }
    void TearDown() override {
        // Nodes cleaned up by the purge still reach the centre: destroy it afterwards.
        RunningSceneTest::TearDown();
        NSNotificationCenter::destroyInstance();
    }

    isNodeOverlayText* addText(unsigned id, const std::string& prefix, const std::string& suffix,
                               bool touch = false) {
        isNodeOverlayText* text = isNodeOverlayText::create();
        text->setGroup(window);
        text->bindNotification("-", prefix, suffix, id, touch);
        window->addChild(text);
        return text;
    }

    void post(int key, const std::string& json, float number = 0.0f, void* group = nullptr,
              int integer = 0) {
        NSNotificationData* data = NSNotificationData::create();
        data->stringValue = json;
        data->floatValue = number;
        data->intValue = integer;
        NSNotificationCenter::getInstance()->postNotification(
            nullptr, key, data, group != nullptr ? group : window, true);
        // Past the centre's start-up delay.
        for (int i = 0; i < 12; ++i) {
            frame(0.6f);
        }
    }

    cocos2d::Node* window = nullptr;
};

TEST_F(OverlayTest, BoundTextsFormatWhatTheirKeyCarries) {
    using namespace isImageSDK;
    struct Case {
        unsigned key;
        std::string json;
        float number;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {NOTIFY_PICK_VALUE, R"({"x":"1.26","y":"-2.04","z":"30"})", 0, "P x:1.3,y:-2.0,z:30.0 |"},
        {NOTIFY_PICK_VALUE, R"({"x":"5"})", 0, "P x:5.0,y:0.0,z:0.0 |"},
        {NOTIFY_WWWL_TEXT, R"({"ww":"400","wl":"40"})", 0, "P 400 40 |"},
        {NOTIFY_WWWL_TEXT, R"({"ww":"400.5"})", 0, "P 400.5  |"},
        {NOTIFY_SLICE_POSITION, R"({"index":"3","count":"120"})", 0, "P 3/120 |"},
        {NOTIFY_SLICE_POSITION, R"({"index":"0","count":"0"})", 0, "P 0/0 |"},
        {NOTIFY_ORIENT_LABEL, "Axial", 0, "PAxial"},
        {NOTIFY_OVERLAY_SLICE, "Thk 1.5", 0, "PThk 1.5"},
        {NOTIFY_OVERLAY_LINE_9093, "", 12.3456f, "P12.35"},
        {NOTIFY_OVERLAY_LOAD_PERCENT, "", 0.456f, "(46%) "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.key) + " " + c.json);
        const std::string prefix = c.key == NOTIFY_ORIENT_LABEL || c.key == NOTIFY_OVERLAY_SLICE ||
                                           c.key == NOTIFY_OVERLAY_LINE_9093
                                       ? "P"
                                       : "P ";
        isNodeOverlayText* text = addText(c.key, prefix, "|");
        EXPECT_EQ(text->getString(), prefix + "-|");
        post(static_cast<int>(c.key), c.json, c.number);
        EXPECT_EQ(text->getString(), c.shown);
        EXPECT_TRUE(text->isVisible());
        EXPECT_EQ(text->getOverlayId(), c.key);
        text->removeFromParent();
    }
}

TEST_F(OverlayTest, SlicePositionAndLoadPercentHideAndShowAgain) {
    isNodeOverlayText* position = addText(isImageSDK::NOTIFY_SLICE_POSITION, "Im ", "");
    post(isImageSDK::NOTIFY_SLICE_POSITION, R"({"index":"-1","count":"0"})");
    EXPECT_FALSE(position->isVisible());
    post(isImageSDK::NOTIFY_SLICE_POSITION, R"({"index":"-1","count":"1"})");
    EXPECT_TRUE(position->isVisible());
    EXPECT_EQ(position->getString(), "Im -1/1 ");

    isNodeOverlayText* percent = addText(isImageSDK::NOTIFY_OVERLAY_LOAD_PERCENT, "x", "y");
    post(isImageSDK::NOTIFY_OVERLAY_LOAD_PERCENT, "", 1.0f);
    EXPECT_FALSE(percent->isVisible());
    EXPECT_EQ(percent->getString(), "");
    // Once complete it stays hidden; a later progress only changes the hidden text.
    post(isImageSDK::NOTIFY_OVERLAY_LOAD_PERCENT, "", 0.2f);
    EXPECT_FALSE(percent->isVisible());
    EXPECT_EQ(percent->getString(), "(20%) ");
}

TEST_F(OverlayTest, TextFollowsOnlyItsOwnWindowAndOnlyTheOverlayKeys) {
    isNodeOverlayText* pick = addText(isImageSDK::NOTIFY_PICK_VALUE, "", "");
    cocos2d::Node* other = cocos2d::Node::create();
    post(isImageSDK::NOTIFY_PICK_VALUE, R"({"x":"1","y":"2","z":"3"})", 0.0f, other);
    EXPECT_EQ(pick->getString(), "-");

    // A study text is filled by its owner; posts of its id change nothing.
    isNodeOverlayText* study = addText(isImageSDK::NOTIFY_OVERLAY_STUDY_ID, "ID ", ".");
    post(isImageSDK::NOTIFY_OVERLAY_STUDY_ID, "posted");
    EXPECT_EQ(study->getString(), "ID -.");
    study->setValue("4711");
    EXPECT_EQ(study->getString(), "ID 4711.");

    // Rebinding drops the old key; a cleaned-up text follows none.
    pick->bindNotification("", "", "", isImageSDK::NOTIFY_ORIENT_LABEL, false);
    post(isImageSDK::NOTIFY_PICK_VALUE, R"({"x":"1","y":"2","z":"3"})");
    EXPECT_EQ(pick->getString(), "");
    pick->cleanup();
    post(isImageSDK::NOTIFY_ORIENT_LABEL, "Axial");
    EXPECT_EQ(pick->getString(), "");
}

TEST_F(OverlayTest, TouchingTheWindowLevelTextOpensTheInput) {
    imagesdktest::NotificationRecorder open(isImageSDK::NOTIFY_EDIT_WW_OPEN, window);
    isNodeOverlayText* wwwl = addText(isImageSDK::NOTIFY_WWWL_TEXT, "W ", "", true);
    wwwl->setString("W 400 40 ");
    wwwl->setPosition(cocos2d::Vec2(100.0f, 100.0f));
    EXPECT_EQ(wwwl->getGlobalZOrder(), 8.0f);
    isNodeOverlayText* slice = addText(isImageSDK::NOTIFY_SLICE_POSITION, "Im ", "", true);
    slice->setString("Im 1/3 ");
    slice->setPosition(cocos2d::Vec2(100.0f, 200.0f));
    frame(0.0f);

    tap(100.0f, 200.0f);
    open.drain();
    EXPECT_TRUE(open.received.empty());
    tap(100.0f, 100.0f);
    open.drain();
    ASSERT_EQ(open.received.size(), 1u);
    EXPECT_EQ(open.received[0].sender, wwwl);
    EXPECT_FALSE(open.received[0].hasData);
}

TEST_F(OverlayTest, PlayButtonSwapsItsImageAndEachButtonFollowsItsOwnState) {
    using namespace isImageSDK;
    RefPtr<isNodeOverlaySprite> play =
        RefPtr<isNodeOverlaySprite>::retained(isNodeOverlaySprite::create());
    RefPtr<isNodeOverlaySprite> next =
        RefPtr<isNodeOverlaySprite>::retained(isNodeOverlaySprite::create());
    play->setGroup(window);
    next->setGroup(window);
    play->bindNotification(isNodeOverlaySprite::kPlayImage, "", NOTIFY_CINE_BUTTON, "");
    next->bindNotification("imageSDK/rightArrow.png", "", NOTIFY_OVERLAY_NEXT, "");
    window->addChild(play.get());
    window->addChild(next.get());
    EXPECT_TRUE(play->isBound());
    EXPECT_EQ(play->getGlobalZOrder(), 8.0f);
    EXPECT_EQ(play->getImageHeight(), 48);

    post(NOTIFY_CINE_BUTTON, "", 0.0f, nullptr, 1);
    EXPECT_EQ(play->getNormalFile(), isNodeOverlaySprite::kPauseImage);
    EXPECT_EQ(play->getPressedFile(), isNodeOverlaySprite::kPauseImage);
    post(NOTIFY_CINE_BUTTON, "", 0.0f, nullptr, 0);
    EXPECT_EQ(play->getNormalFile(), isNodeOverlaySprite::kPlayImage);
    EXPECT_EQ(next->getNormalFile(), "imageSDK/rightArrow.png");

    post(NOTIFY_CINE_STATE_A, "", 0.0f, nullptr, 0);
    EXPECT_FALSE(play->isVisible());
    EXPECT_TRUE(next->isVisible());
    post(NOTIFY_CINE_STATE_C, "", 0.0f, nullptr, 0);
    EXPECT_FALSE(next->isVisible());
    post(NOTIFY_CINE_STATE_A, "", 0.0f, nullptr, 2);
    EXPECT_TRUE(play->isVisible());
}

TEST_F(OverlayTest, ButtonSizeScalesTheImageAndReportsRoomAroundIt) {
    RefPtr<isNodeOverlaySprite> button =
        RefPtr<isNodeOverlaySprite>::retained(isNodeOverlaySprite::create());
    EXPECT_EQ(button->getContentSize(), cocos2d::Size::ZERO);
    EXPECT_EQ(button->getAnchorPoint(), cocos2d::Vec2(1.0f, 0.0f));
    button->bindNotification(isNodeOverlaySprite::kPlayImage, "", isImageSDK::NOTIFY_CINE_BUTTON,
                             "");
    button->setButtonSize(30);
    EXPECT_FLOAT_EQ(button->getScale(), 30.0f / 48.0f * 0.8f);
    EXPECT_EQ(button->getContentSize(), cocos2d::Size(45.0f, 30.0f));
    EXPECT_FLOAT_EQ(button->getTouchScale().y, 48.0f / (30.0f * 0.8f));

    // A missing image keeps the last height: no division by zero.
    button->bindNotification("imageSDK/missing.png", "", isImageSDK::NOTIFY_OVERLAY_PRIOR, "");
    EXPECT_EQ(button->getImageHeight(), 48);
}

TEST_F(OverlayTest, TouchingAButtonPostsItsCommandToItsWindow) {
    using namespace isImageSDK;
    struct Case {
        unsigned id;
        int command;
    };
    for (const Case& c : {Case{NOTIFY_CINE_BUTTON, NOTIFY_CINE_TOGGLE},
                          Case{NOTIFY_OVERLAY_PRIOR, NOTIFY_OVERLAY_PRIOR},
                          Case{NOTIFY_OVERLAY_NEXT, NOTIFY_OVERLAY_NEXT}}) {
        SCOPED_TRACE(c.id);
        imagesdktest::NotificationRecorder command(c.command, window);
        isNodeOverlaySprite* button = isNodeOverlaySprite::create();
        button->setGroup(window);
        button->bindNotification(isNodeOverlaySprite::kPlayImage, "", c.id, "");
        button->setTouchEnabled(true);
        // Anchored bottom-right at (200, 100): the 48-point image spans (152, 100)-(200, 148).
        button->setPosition(cocos2d::Vec2(200.0f, 100.0f));
        window->addChild(button);
        frame(0.0f);
        tap(176.0f, 124.0f);
        command.drain();
        ASSERT_EQ(command.received.size(), 1u);
        EXPECT_EQ(command.received[0].sender, button);
        button->removeFromParent();
    }
}

}  // namespace
