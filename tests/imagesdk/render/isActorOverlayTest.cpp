#include "imagesdk/render/isActorOverlay.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WindowFixture.h"
#include "engine/2d/Scene.h"
#include "engine/base/RefPtr.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/render/isNodeOverlayText.h"
#include "imagesdk/render/isRenderWindow.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/widgets/NSLayout.h"

using cocos2d::RefPtr;
using namespace isImageSDK;

namespace {

TEST(CornerOverlaySizes, FontSizeFollowsTheScreenDpiWithinTwentyToThirty) {
    struct Case {
        int dpi;
        int font;
    };
    const Case cases[] = {{96, 20}, {127, 20}, {160, 25}, {190, 29}, {200, 30}, {400, 30}};
    for (const Case& c : cases) {
        EXPECT_EQ(isActorOverlay::fontSizeForDpi(c.dpi), c.font) << c.dpi << " dpi";
    }
}

TEST(CornerOverlaySizes, CellWidthIsHalfTheWindowAndAHundredWhenThatIsNothing) {
    struct Case {
        float width;
        int cell;
    };
    const Case cases[] = {{1.0f, 100}, {0.0f, 100}, {2.0f, 1}, {401.0f, 200}, {960.0f, 480}};
    for (const Case& c : cases) {
        EXPECT_EQ(isActorOverlay::cellWidthFor(c.width), c.cell) << c.width;
    }
}

// A render window of 400 × 300 in the running scene with its corner-text actor.
class CornerOverlayTest : public rendertest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window = isRenderWindow::create();
        window->setContentSize(cocos2d::Size(400, 300));
        scene->addChild(window);
        overlay = window->getActorManager()->getOverlayActor();
    }

    // What the window (9084) and the viewer (9099) post in the window's group.
    void post(int key, const std::string& text, cocos2d::Ref* object = nullptr) {
        auto* data = NSUI::NSNotificationData::create();
        data->stringValue = text;
        data->setObject(object);
        overlay->onEdgeTextNotification(nullptr, unsigned(key), data);
    }
    static std::string shown(const isNodeOverlayText* text) {
        return text != nullptr ? text->getString() : std::string("<none>");
    }

    isRenderWindow* window = nullptr;
    isActorOverlay* overlay = nullptr;
};

TEST_F(CornerOverlayTest, ManagerMakesOneOverlayAttachedWithHalfTheWindowAsCell) {
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(window->getActorManager()->getOverlayActor(), overlay);
    EXPECT_EQ(overlay->getWindow(), window);
    EXPECT_EQ(overlay->getCellWidth(), 200);
}

TEST_F(CornerOverlayTest, EdgeLettersComeFromTheJsonAndAMissingKeyEmptiesItsEdge) {
    post(NOTIFY_OVERLAY_CORNERS, R"({"t":"A","r":"L","b":"P","l":"R"})");
    isNodeOverlayText* left = overlay->getEdgeText(4);
    EXPECT_EQ(shown(overlay->getEdgeText(2)), "A");
    EXPECT_EQ(shown(overlay->getEdgeText(6)), "L");
    EXPECT_EQ(shown(overlay->getEdgeText(8)), "P");
    EXPECT_EQ(shown(left), "R");

    post(NOTIFY_OVERLAY_CORNERS, R"({"t":"S","r":"A","b":"I"})");
    EXPECT_EQ(overlay->getEdgeText(4), left) << "the edge texts are made once";
    EXPECT_EQ(shown(overlay->getEdgeText(2)), "S");
    EXPECT_EQ(shown(left), "");
    EXPECT_EQ(left->getParent(), window);
}

TEST_F(CornerOverlayTest, StudyInfoFillsOnlyTheStudyTextsWithPrefixAndSuffix) {
    RefPtr<isImageData> series(isImageData::create());
    window->setImageData(series.get());
    overlay = window->getActorManager()->getOverlayActor();
    struct Bound {
        unsigned id;
        std::string before;
        std::string after;
    };
    const Bound cases[] = {
        {NOTIFY_OVERLAY_STUDY_ID, "old", "Study 77."},
        {NOTIFY_OVERLAY_PATIENT, "old", "Study Doe^Jane."},
        {NOTIFY_OVERLAY_IMAGE_DESC, "old", "Study ."},  // key missing: empty value
        {NOTIFY_OVERLAY_SLICE, "old", "old"},           // not a study text
        {NOTIFY_OVERLAY_LINE_9093, "old", "old"},
        {NOTIFY_OVERLAY_FIXED_LABEL, "old", "old"},
    };
    std::vector<isNodeOverlayText*> texts;
    for (const Bound& c : cases) {
        isNodeOverlayText* text = overlay->addTopLeftText("x");
        text->bindNotification(c.before, "Study ", ".", c.id, false);
        text->setString(c.before);
        texts.push_back(text);
    }
    // Texts read for another series, or for none named, reach a window at the asker's address
    // (a viewer made where a gone one was): they are not this window's.
    RefPtr<isImageData> other(isImageData::create());
    post(NOTIFY_PATIENT_INFO_TEXT, R"({"studyID":"12","patient":"Roe^Rick"})", other.get());
    post(NOTIFY_PATIENT_INFO_TEXT, R"({"studyID":"13","patient":"Poe^Pat"})");
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(texts[i]->getString(), cases[i].before) << "id " << cases[i].id;
    }
    post(NOTIFY_PATIENT_INFO_TEXT, R"({"studyID":"77","patient":"Doe^Jane","seriesID":"9"})",
         series.get());
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(texts[i]->getString(), cases[i].after) << "id " << cases[i].id;
    }
}

TEST_F(CornerOverlayTest, CornerRowsGrowTheirGroupAndBottomRightTakesNoPanels) {
    overlay->addTopLeftText("one");
    overlay->addTopLeftText("two");
    const isActorOverlay::CornerGroup& topLeft = overlay->getCornerGroup(1);
    EXPECT_EQ(topLeft.textCount, 2);
    EXPECT_EQ(topLeft.rows.size(), 1u);
    EXPECT_FLOAT_EQ(topLeft.group->getContentSize().height, 34.0f);

    overlay->createCornerPanels(1);
    overlay->addTopLeftText("three");
    EXPECT_EQ(topLeft.rowCount, 1);
    EXPECT_EQ(topLeft.rows.size(), 2u);
    EXPECT_EQ(topLeft.textCount, 1);
    EXPECT_FLOAT_EQ(topLeft.group->getContentSize().height, 68.0f);
    EXPECT_FLOAT_EQ(topLeft.group->getContentSize().width, 200.0f);

    overlay->createCornerPanels(9);
    EXPECT_EQ(overlay->getCornerGroup(9).rows.size(), 1u) << "only its first row";
    overlay->createCornerPanels(9);
    EXPECT_EQ(overlay->getCornerGroup(9).rowCount, 0);
}

TEST_F(CornerOverlayTest, RelayoutSizesTextsRowsAndGroupsFromTheDpiAndWidth) {
    // Headless, the screen reports 96 dpi: 20-point type on 24-point lines.
    isNodeOverlayText* text = overlay->addBottomLeftText("WL");
    overlay->addBottomLeftPanel();
    post(NOTIFY_OVERLAY_CORNERS, R"({"t":"A"})");
    window->setContentSize(cocos2d::Size(600, 300));
    overlay->relayout();
    EXPECT_EQ(overlay->getFontSize(), 20);
    EXPECT_EQ(overlay->getLineHeight(), 24);
    EXPECT_EQ(overlay->getCellWidth(), 300);
    EXPECT_FLOAT_EQ(text->getFontSize(), 20.0f);
    EXPECT_FLOAT_EQ(overlay->getEdgeText(2)->getFontSize(), 20.0f);
    const isActorOverlay::CornerGroup& group = overlay->getCornerGroup(7);
    EXPECT_EQ(group.group->getContentSize(), cocos2d::Size(300, 48));
    for (NSUI::NSLayout* row : group.rows) {
        EXPECT_EQ(row->getContentSize(), cocos2d::Size(300, 24));
    }
}

TEST_F(CornerOverlayTest, FindAndHideByNameAndTheWindowHidesTheOverlay) {
    overlay->addTopRightText("a")->setName("zoom");
    overlay->addBottomLeftText("b")->setName("slice");
    post(NOTIFY_OVERLAY_CORNERS, R"({"t":"A"})");
    ASSERT_NE(overlay->findText("slice"), nullptr);
    EXPECT_EQ(overlay->findText("missing"), nullptr);

    // A name in a later group than the first existing one is found too.
    overlay->setTextVisible("zoom", false);
    EXPECT_FALSE(overlay->findText("zoom")->isVisible());
    overlay->setTextVisible("slice", false);
    EXPECT_FALSE(overlay->findText("slice")->isVisible());

    window->setVisible(false);
    EXPECT_FALSE(overlay->getEdgeText(2)->isVisible());
    EXPECT_FALSE(overlay->getCornerGroup(3).group->isVisible());
    window->setVisible(true);
    EXPECT_TRUE(overlay->getCornerGroup(3).group->isVisible());
}

TEST_F(CornerOverlayTest, ClearTakesEverythingOutAndForgetsIt) {
    overlay->addTopLeftText("a");
    post(NOTIFY_OVERLAY_CORNERS, R"({"t":"A"})");
    RefPtr<cocos2d::Node> group = RefPtr<cocos2d::Node>::retained(overlay->getCornerGroup(1).group);
    overlay->clear();
    EXPECT_EQ(group->getParent(), nullptr);
    EXPECT_TRUE(overlay->getOverlays().empty());
    EXPECT_EQ(overlay->getEdgeText(2), nullptr);
    EXPECT_EQ(overlay->findText("a"), nullptr);
    // A later post makes fresh edge texts.
    post(NOTIFY_OVERLAY_CORNERS, R"({"t":"H"})");
    EXPECT_EQ(shown(overlay->getEdgeText(2)), "H");
}

}  // namespace
