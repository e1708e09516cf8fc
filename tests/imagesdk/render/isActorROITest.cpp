#include "imagesdk/render/isActorROI.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WindowFixture.h"
#include "engine/2d/Scene.h"
#include "engine/base/RefPtr.h"
#include "engine/platform/Device.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/data/isROIManager.h"
#include "imagesdk/data/isSliceInfo.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/render/isCamera.h"
#include "imagesdk/render/isDrawNode.h"
#include "imagesdk/render/isNodeText.h"
#include "imagesdk/render/isROIStatistics.h"
#include "imagesdk/render/isRenderWindowBase.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/TextRoutines.h"

using cocos2d::RefPtr;
using cocos2d::Vec3;
using namespace isImageSDK;

namespace {

// A render window in the running scene with its ROI container for the data set "Doe,42",
// showing axial slice 5.
class ROIContainerTest : public rendertest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window = isRenderWindowBase::create();
        window->setContentSize(cocos2d::Size(400, 300));
        scene->addChild(window);
        container = RefPtr<isActorROI>::retained(isActorROI::create());
        container->attachToWindow(window);
        container->setDataName("Doe,42");
        show(1, 5);
    }
    void TearDown() override {
        container->cleanup();
        container = nullptr;
        isROIManager::destroyInstance();
        WindowTest::TearDown();
    }

    // What the image actor posts when it shows a slice.
    void show(int orient, int index) {
        post(NOTIFY_SLICE_ORIENT, "{\"orient\":\"" + std::to_string(orient) + "\"}");
        post(NOTIFY_SLICE_INDEX, "{\"index\":\"" + std::to_string(index) + "\"}");
    }
    void post(int key, const std::string& text) {
        auto* data = NSUI::NSNotificationData::create();
        data->stringValue = text;
        container->onNotification(nullptr, unsigned(key), data);
    }

    std::vector<int> numbers() const {
        std::vector<int> result;
        for (isActorROIBase* shape : container->getShapes()) {
            result.push_back(shape->getNumber());
        }
        return result;
    }
    std::vector<ROIData*> rois() const {
        std::vector<ROIData*> result;
        for (isActorROIBase* shape : container->getShapes()) {
            result.push_back(shape->getROIData());
        }
        return result;
    }

    // World length of one screen pixel and the camera's right and forward axes.
    float pixel() const {
        Vec3 a;
        Vec3 b;
        window->getMainCamera()->screenToWorld(Vec3(0, 0, 0.5f), a);
        window->getMainCamera()->screenToWorld(Vec3(1, 0, 0.5f), b);
        return a.distance(b);
    }
    Vec3 right() const { return window->getMainCamera()->getState().right(); }
    Vec3 forward() const { return window->getMainCamera()->getState().forward(); }

    isRenderWindowBase* window = nullptr;
    RefPtr<isActorROI> container;
};

TEST_F(ROIContainerTest, TheActorManagerMakesOneContainerPerWindow) {
    RefPtr<isActorManager> manager = RefPtr<isActorManager>::retained(isActorManager::create());
    EXPECT_EQ(manager->getROIActor(), nullptr);
    manager->setWindow(window);
    isActorROI* made = manager->getROIActor();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->getWindow(), window);
    EXPECT_EQ(manager->getROIActor(), made);
    // Releasing the actors leaves no shape drawn in the window.
    const std::size_t before = window->getActorNodes().size();
    made->addPolygon({0, 0, 0}, {1, 0, 0});
    made->addLine({0, 0, 0}, {1, 0, 0});
    EXPECT_EQ(window->getActorNodes().size(), before + 3);
    manager->releaseAll();
    EXPECT_EQ(window->getActorNodes().size(), before);
    EXPECT_NE(manager->getROIActor(), nullptr);
    manager->cleanup();
}

TEST_F(ROIContainerTest, KeyNamesDataSetOrientationAndSlice) {
    EXPECT_EQ(container->getROISetKey(), int(NSUI::foldedHash("Doe,42,1,5")));
    show(2, 7);
    EXPECT_EQ(container->getROISetKey(), int(NSUI::foldedHash("Doe,42,2,7")));
    container->setDataName("Roe,1");
    EXPECT_EQ(container->getROISetKey(), int(NSUI::foldedHash("Roe,1,2,7")));
}

// Shapes belong to their slice: paging away and back shows the same ROIs, numbered from 1 in the
// manager's order; ROIs of other slices, invalid ROIs and unknown types stay in the manager.
TEST_F(ROIContainerTest, ReloadAcrossSlicesInManagerOrder) {
    isActorROILine* line = container->addLine({0, 0, 0}, {10, 0, 0});
    container->addCircle({5, 5, 0}, {8, 5, 0});
    show(1, 6);
    EXPECT_TRUE(container->getShapes().empty());
    container->addPoint({1, 1, 0});
    ROILine* tiny = ROILine::create();
    tiny->setPoint(0, {0, 0, 0});
    tiny->setPoint(1, {0.01f, 0, 0});
    tiny->setROISetKey(container->getROISetKey());
    isROIManager::getInstance()->addROI(tiny);
    show(1, 5);
    ASSERT_EQ(container->getShapes().size(), 2u);
    EXPECT_EQ(container->getShapes()[0]->getROIData()->getType(), ROIData::LINE);
    EXPECT_EQ(container->getShapes()[1]->getROIData()->getType(), ROIData::CIRCLE);
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2}));
    EXPECT_NE(container->getShapes()[0], line);
    show(1, 6);
    EXPECT_EQ(container->getShapes().size(), 1u);
    EXPECT_EQ(isROIManager::getInstance()->rois.size(), 4u);
    // The same orientation and index again still reloads.
    show(1, 6);
    EXPECT_EQ(container->getShapes().size(), 1u);
}

// The shape the interactor holds survives a rebuild without a window or a ROI: cleanly dropped.
TEST_F(ROIContainerTest, ADroppedShapeIsInert) {
    RefPtr<isActorROIBase> held =
        RefPtr<isActorROIBase>::retained(container->addLine({0, 0, 0}, {10, 0, 0}));
    show(1, 6);
    EXPECT_EQ(held->getWindow(), nullptr);
    EXPECT_EQ(held->getROIData(), nullptr);
    held->setPoint({3, 3, 3});
    held->deselect();
    held->updateDisplay();
    // Cleaning the container up takes its shapes out of the window as well.
    const std::size_t before = window->getActorNodes().size();
    container->addCircle({0, 0, 0}, {4, 0, 0});
    container->cleanup();
    EXPECT_EQ(window->getActorNodes().size(), before);
    EXPECT_TRUE(container->getShapes().empty());
}

TEST_F(ROIContainerTest, NumbersAreReusedOnlyForTheLastShape) {
    container->addLine({0, 0, 0}, {10, 0, 0});
    isActorROIBase* second = container->addLine({0, 5, 0}, {10, 5, 0});
    isActorROIBase* third = container->addPoint({3, 3, 0});
    container->removeROI(third);
    EXPECT_EQ(container->addPoint({4, 4, 0})->getNumber(), 3);
    container->removeROI(second);
    EXPECT_EQ(container->addPoint({5, 5, 0})->getNumber(), 4);
    EXPECT_EQ(numbers(), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(isROIManager::getInstance()->rois.size(), 3u);
    // A shape that is not listed changes nothing.
    RefPtr<isActorROILine> stranger = RefPtr<isActorROILine>::retained(isActorROILine::create());
    container->removeROI(stranger.get());
    EXPECT_EQ(container->getShapes().size(), 3u);
    container->removeROIById(container->getShapes()[0]->getROIData()->getRefID());
    EXPECT_EQ(numbers(), (std::vector<int>{3, 4}));
}

TEST_F(ROIContainerTest, NewShapesSelectTheirDragHandle) {
    struct Case {
        const char* name;
        isActorROIBase* shape;
        int handle;
        int points;
    };
    const Case cases[] = {
        {"label", container->addLabel({0, 0, 0}, {1, 1, 0}), 1, 2},
        {"line", container->addLine({0, 0, 0}, {1, 1, 0}), 1, 2},
        {"point", container->addPoint({0, 0, 0}), 0, 1},
        {"angle", container->addAngle({2, 2, 0}), 1, 3},
        {"circle", container->addCircle({0, 0, 0}, {1, 1, 0}), 1, 2},
        {"polygon", container->addPolygon({0, 0, 0}, {0, 0, 0}), 1, 2},
    };
    for (const Case& c : cases) {
        ASSERT_NE(c.shape, nullptr) << c.name;
        EXPECT_EQ(c.shape->getSelectedHandle(), c.handle) << c.name;
        EXPECT_EQ(c.shape->getROIData()->getPointCount(), c.points) << c.name;
        EXPECT_EQ(c.shape->getROIData()->getROISetKey(), container->getROISetKey()) << c.name;
        EXPECT_TRUE(c.shape->needsRedraw()) << c.name;
    }
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

// 15 screen pixels picks, 16 does not; of two equally near handles the earlier shape wins.
TEST_F(ROIContainerTest, PickWithinFifteenPixelsAndTies) {
    const float px = pixel();
    ASSERT_GT(px, 0.0f);
    isActorROIBase* first = container->addPoint({0, 0, 0});
    isActorROIBase* second = container->addPoint({0, 0, 0});
    first->deselect();
    second->deselect();
    const Vec3 eye = -forward() * 50.0f;
    EXPECT_EQ(container->pickROI(eye + right() * (15.0f * px), forward()), first);
    EXPECT_EQ(first->getSelectedHandle(), 0);
    EXPECT_EQ(container->pickROI(eye + right() * (16.0f * px), forward()), nullptr);
    // A nearer later shape wins.
    isActorROIBase* line = container->addLine({30 * px, 0, 0}, {3 * px, 0, 0});
    line->deselect();
    EXPECT_EQ(container->pickROI(eye + right() * (4.0f * px), forward()), line);
    EXPECT_EQ(line->getSelectedHandle(), 1);
}

// The angle's state machine and its text, which never turns into not-a-number.
TEST_F(ROIContainerTest, AngleCompletesAfterItsSecondArm) {
    isActorROIAngle* angle = container->addAngle({0, 0, 0});
    EXPECT_FALSE(angle->isComplete());
    angle->nextPoint();
    EXPECT_EQ(angle->getSelectedHandle(), 1);
    angle->setPoint({10, 0, 0});
    angle->nextPoint();
    EXPECT_EQ(angle->getSelectedHandle(), 2);
    EXPECT_FALSE(angle->isComplete());
    angle->setPoint({0, 10, 0});
    angle->nextPoint();
    EXPECT_TRUE(angle->isComplete());
    struct Case {
        Vec3 a, b;
        float degrees;
    };
    const Case cases[] = {{{1, 0, 0}, {0, 3, 0}, 90.0f},
                          {{1, 0, 0}, {5, 0, 0}, 0.0f},
                          {{1, 0, 0}, {-2, 0, 0}, 180.0f},
                          {{1, 1, 0}, {1, 0, 0}, 45.0f},
                          {{1, 0, 0}, {0, 0, 0}, 0.0f}};
    for (const Case& c : cases) {
        EXPECT_NEAR(isActorROIAngle::angleBetween({0, 0, 0}, c.a, c.b), c.degrees, 1e-3f);
    }
    angle->updateDisplay();
    EXPECT_EQ(angle->getLabelNode()->getString(), "90.0deg");
}

// A polygon closes with five points or more, dropping only the construction point the last tap
// left on its last vertex.
TEST_F(ROIContainerTest, PolygonConstructionAndClosing) {
    isActorROIPolygon* polygon = container->addPolygon({0, 0, 0}, {0, 0, 0});
    auto* roi = static_cast<ROIPolygon*>(polygon->getROIData());
    polygon->setPoint({10, 0, 0});
    polygon->addVertex();
    EXPECT_EQ(roi->getPointCount(), 3);
    EXPECT_EQ(polygon->getSelectedHandle(), 2);
    // Released within 0.05 of the previous vertex: no new vertex.
    polygon->setPoint({10, 0.04f, 0});
    polygon->addVertex();
    EXPECT_EQ(roi->getPointCount(), 3);
    polygon->setPoint({10, 10, 0});
    polygon->addVertex();
    EXPECT_EQ(roi->getPointCount(), 4);
    polygon->closePolygon();
    EXPECT_EQ(roi->getPointCount(), 4);
    polygon->setPoint({0, 10, 0});
    polygon->addVertex();
    ASSERT_EQ(roi->getPointCount(), 5);
    polygon->closePolygon();
    ASSERT_EQ(roi->getPointCount(), 4);
    EXPECT_EQ(roi->getPoint(3), Vec3(0, 10, 0));
    EXPECT_EQ(polygon->getSelectedHandle(), 3);
    EXPECT_FALSE(polygon->isComplete());
    polygon->setComplete(true);
    polygon->addVertex();
    EXPECT_EQ(roi->getPointCount(), 4);
}

TEST_F(ROIContainerTest, LineTextsAndDraggedLabelNumber) {
    isActorROILine* line = container->addLine({2, 2, 0}, {2, 2, 0});
    line->updateDisplay();
    EXPECT_EQ(line->getLabelNode()->getString(), "0.0mm");
    line->setPoint({2, 14.3f, 0});
    line->updateDisplay();
    EXPECT_EQ(line->getLabelNode()->getString(), "12.3mm");
    EXPECT_EQ(line->getNumberNode(), nullptr);
    line->getLabelNode()->setMoved(true);
    line->setRedraw(true);
    line->updateDisplay();
    EXPECT_EQ(line->getLabelNode()->getString(), "1. 12.3mm");
    ASSERT_NE(line->getNumberNode(), nullptr);
    EXPECT_EQ(line->getNumberNode()->getString(), "1 ");
}

// The label's leader ends where the user dragged the text.
TEST_F(ROIContainerTest, LabelLeaderFollowsADraggedLabel) {
    isActorROILabel* label = container->addLabel({0, 0, 0}, {5, 5, 0});
    EXPECT_EQ(label->getLabelNode()->getString(), "text");
    label->updateDisplay();
    const Vec3 before = label->getROIData()->getPoint(1);
    Vec3 screen;
    window->getMainCamera()->worldToScreen(before, screen);
    label->getLabelNode()->setMoved(true);
    label->getLabelNode()->setPosition(cocos2d::Vec2(screen.x + 40, screen.y - 25));
    label->setRedraw(true);
    label->updateDisplay();
    Vec3 after;
    window->getMainCamera()->worldToScreen(label->getROIData()->getPoint(1), after);
    EXPECT_NEAR(after.x, screen.x + 40, 1e-2f);
    EXPECT_NEAR(after.y, screen.y - 25, 1e-2f);
    EXPECT_EQ(label->getROIData()->getPoint(0), Vec3(0, 0, 0));
}

// Measuring shapes ask the window's image actor, take only their own answer, and do not ask
// again when only their label moved.
TEST_F(ROIContainerTest, StatisticsRequestAndAnswer) {
    std::vector<int> requests;
    isSliceInfo slice;
    std::vector<unsigned char> pixels(64 * 64, 7);
    slice.width = 64;
    slice.height = 64;
    slice.pixelType = 0;
    slice.data = pixels.data();
    auto* actor = NSUI::NSNotificationData::create();
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        actor, window,
        [&](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
            requests.push_back(data->intValue);
            isROIStatistics::answer(actor, window, &slice, 0, data);
        },
        NOTIFY_ROI_DATA_CHANGED);
    isActorROICircle* circle = container->addCircle({10, 10, 0}, {13, 10, 0});
    circle->updateDisplay();
    drain();
    EXPECT_EQ(requests, (std::vector<int>{1}));
    EXPECT_EQ(circle->getLabelNode()->getString().substr(0, 20), "Area:0.28,W:0.6 H:0.");
    EXPECT_EQ(circle->getROIData()->getLabelText(), circle->getLabelNode()->getString());

    // Only the label moved: no new request.
    auto* moved = NSUI::NSNotificationData::create();
    circle->onNotification(circle->getLabelNode(), NOTIFY_LABEL_MOVED, moved);
    circle->updateDisplay();
    drain();
    EXPECT_EQ(requests.size(), 1u);

    // Answers for another number or another key leave the text alone.
    const std::string shown = circle->getLabelNode()->getString();
    for (auto [number, key] : {std::pair<int, int>{2, circle->getROIData()->getROISetKey()},
                               std::pair<int, int>{1, 12345}}) {
        auto* answer = NSUI::NSNotificationData::create();
        answer->stringValue = "other";
        answer->intValue = number;
        answer->intValue2 = key;
        circle->onNotification(actor, NOTIFY_ROI_DATA_CHANGED, answer);
    }
    EXPECT_EQ(circle->getLabelNode()->getString(), shown);
    NSUI::NSNotificationCenter::getInstance()->removeObserver(actor);
}

// Selection posts: a repeated selection still announces itself, deselecting nothing does not.
TEST_F(ROIContainerTest, SelectionPosts) {
    std::vector<int> posts;
    int owner = 0;
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        &owner, nullptr,
        [&posts](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
            posts.push_back(data->intValue);
        },
        NOTIFY_ROI_COUNT_CHANGED);
    isActorROIBase* line = container->addLine({0, 0, 0}, {5, 0, 0});
    line->selectHandle(1);
    line->deselect();
    line->deselect();
    line->selectHandle(-1);
    drain(16);
    NSUI::NSNotificationCenter::getInstance()->removeObserver(&owner);
    // Creation: the shape's own selection, then the container's announcement.
    EXPECT_EQ(posts, (std::vector<int>{1, 1, 1, -1}));
}

// A label never dragged stands 2 mm above its point and shows no number; tapping it for
// editing selects its text end and asks the viewer to make it current; the edited text sticks.
TEST_F(ROIContainerTest, LabelPlacementEditingAndText) {
    isActorROILine* line = container->addLine({0, 0, 0}, {0, 0, 0});
    line->updateDisplay();
    Vec3 s;
    window->getMainCamera()->worldToScreen(Vec3(0, 0, 0), s);
    const int lift = int(float(cocos2d::Device::getDPI()) * 2.0f / 25.4f);
    EXPECT_NEAR(line->getLabelNode()->getPosition().x, s.x, 1e-3f);
    EXPECT_NEAR(line->getLabelNode()->getPosition().y, s.y + float(lift), 1e-3f);
    EXPECT_EQ(line->getNumberNode(), nullptr);

    isActorROILabel* label = container->addLabel({0, 0, 0}, {5, 5, 0});
    label->deselect();
    std::vector<cocos2d::Ref*> toView;
    int owner = 0;
    NSUI::NSNotificationCenter::getInstance()->addObserver(
        &owner, window,
        [&toView](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) {
            toView.push_back(data->object);
            EXPECT_EQ(data->buffer, static_cast<void*>(data->object));
        },
        NOTIFY_ROI_TO_VIEW);
    label->onNotification(label->getLabelNode(), NOTIFY_LABEL_EDITED, nullptr);
    EXPECT_EQ(label->getSelectedHandle(), 1);
    auto* done = NSUI::NSNotificationData::create();
    done->stringValue = "Liver cyst";
    label->onNotification(nullptr, NOTIFY_LABEL_TEXT_DONE, done);
    drain();
    NSUI::NSNotificationCenter::getInstance()->removeObserver(&owner);
    EXPECT_EQ(toView, (std::vector<cocos2d::Ref*>{label}));
    EXPECT_EQ(label->getLabelNode()->getString(), "Liver cyst");
    EXPECT_EQ(label->getROIData()->getLabelText(), "Liver cyst");
    // Lines take neither.
    line->deselect();
    line->onNotification(nullptr, NOTIFY_LABEL_TEXT_DONE, done);
    line->onNotification(nullptr, NOTIFY_LABEL_EDITED, nullptr);
    EXPECT_EQ(line->getSelectedHandle(), -1);
    EXPECT_EQ(line->getLabelNode()->getString(), "0.0mm");
    // After a reload the label (the only valid shape) shows its stored text.
    show(1, 6);
    show(1, 5);
    ASSERT_EQ(container->getShapes().size(), 1u);
    EXPECT_EQ(container->getShapes()[0]->getLabelNode()->getString(), "Liver cyst");
}

}  // namespace
