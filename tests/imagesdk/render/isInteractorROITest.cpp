#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/base/Macros.h"
#include "engine/base/RefPtr.h"
#include "imagesdk/data/ROIData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/data/isROIManager.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/render/isActorROI.h"
#include "imagesdk/render/isActorROIShapes.h"
#include "imagesdk/render/isCamera.h"
#include "imagesdk/render/isInteractorImage.h"
#include "imagesdk/render/isRenderWindow.h"
#include "tests/imagesdk/render/InteractorFixture.h"
#include "toolkit/core/NSNotificationCenter.h"

using cocos2d::RefPtr;
using cocos2d::Vec2;
using cocos2d::Vec3;
using namespace isImageSDK;

namespace {

// A render window whose picture lies in the camera's focal plane: any window point picks the
// point of that plane under it.
class PlaneWindow : public isRenderWindow {
public:
    CREATE_FUNC(PlaneWindow);
    bool pickPoint(const Vec2& point, Vec3& world) override {
        Vec3 onScreen;
        getMainCamera()->screenToWorld(Vec3(point.x, point.y, 0.5f), onScreen);
        world = getMainCamera()->projectToFocalPlane(onScreen);
        return true;
    }
};

// A 400 x 300 window at the origin of the running scene with an image interactor, drawing the
// shapes of the data set "Doe,42" on axial slice 5.
class InteractorROITest : public imagesdktest::InteractorFixture {
protected:
    void SetUp() override {
        InteractorFixture::SetUp();
        window = PlaneWindow::create();
        window->setContentSize(cocos2d::Size(400.0f, 300.0f));
        scene->addChild(window);
        interactor = RefPtr<isInteractorImage>::retained(isInteractorImage::create());
        window->setInteractor(interactor.get());
        container = window->getActorManager()->getROIActor();
        ASSERT_NE(container, nullptr);
        container->setDataName("Doe,42");
        container->setOrientation(1);
        container->setSliceIndex(5);
        frame(0.0f);
    }
    void TearDown() override {
        interactor.reset();
        window->removeFromParent();
        InteractorFixture::TearDown();
        isROIManager::destroyInstance();
    }

    // One touch from `from` through `to` (a tap when they are equal), in `mode`.
    void stroke(Vec2 from, Vec2 to) {
        wait(1000);
        down(interactor.get(), 0, from.x, from.y);
        if (to != from) {
            wait(20);
            move(interactor.get(), 0, to.x, to.y);
        }
        wait(20);
        up(interactor.get(), 0, to.x, to.y);
    }
    size_t shapes() const { return container->getShapes().size(); }
    int typeOf(size_t i) const { return container->getShapes().at(i)->getROIData()->getType(); }

    PlaneWindow* window = nullptr;
    RefPtr<isInteractorImage> interactor;
    isActorROI* container = nullptr;
};

TEST_F(InteractorROITest, ADraggedLineStaysSelectedAndATappedOneIsDropped) {
    interactor->setInteractionMode(kModeLine);
    stroke({100, 100}, {200, 150});
    ASSERT_EQ(shapes(), 1u);
    EXPECT_EQ(typeOf(0), ROIData::LINE);
    EXPECT_EQ(interactor->getSelectedROI(), container->getShapes()[0]);
    EXPECT_TRUE(container->getShapes()[0]->isValid());

    // A tap away from it deselects it and makes a line of no length, which is dropped.
    stroke({300, 250}, {300, 250});
    EXPECT_EQ(shapes(), 1u);
    EXPECT_EQ(interactor->getSelectedROI(), nullptr);
}

TEST_F(InteractorROITest, ATappedPointStaysButIsDeselected) {
    interactor->setInteractionMode(kModePoint);
    stroke({120, 80}, {120, 80});
    ASSERT_EQ(shapes(), 1u);
    EXPECT_EQ(typeOf(0), ROIData::POINT);
    EXPECT_EQ(interactor->getSelectedROI(), nullptr);
    EXPECT_EQ(container->getShapes()[0]->getSelectedHandle(), -1);
}

TEST_F(InteractorROITest, SelectionToolPicksExistingShapesAndCreatesNothing) {
    interactor->setInteractionMode(kModeROISelect);
    stroke({100, 100}, {100, 100});
    EXPECT_EQ(shapes(), 0u);

    interactor->setInteractionMode(kModeLine);
    stroke({100, 100}, {200, 150});
    interactor->setInteractionMode(kModeROISelect);
    EXPECT_EQ(interactor->getSelectedROI(), nullptr);
    // A tap on the line's end picks it; being picked, it stays selected.
    stroke({200, 150}, {200, 150});
    EXPECT_EQ(shapes(), 1u);
    EXPECT_EQ(interactor->getSelectedROI(), container->getShapes()[0]);
}

// Two quick taps close the outline on the vertex they were made on: a new point or the last
// vertex placed, which the outline keeps either way.
TEST_F(InteractorROITest, PolygonCollectsVerticesAndClosesOnADoubleTap) {
    struct Case {
        const char* name;
        std::vector<Vec2> corners;  // one stroke from each corner to the next
        Vec2 doubleTap;
        int vertices;
    };
    const std::vector<Case> cases = {
        {"on a new point", {{100, 100}, {200, 100}, {200, 200}, {120, 220}}, {90, 160}, 5},
        {"on the last vertex", {{250, 50}, {350, 50}, {350, 150}, {270, 170}}, {270, 170}, 4},
    };
    interactor->setInteractionMode(kModePolygon);
    for (const Case& c : cases) {
        for (std::size_t i = 0; i + 1 < c.corners.size(); ++i) {
            stroke(c.corners[i], c.corners[i + 1]);
        }
        auto* polygon = dynamic_cast<isActorROIPolygon*>(interactor->getSelectedROI());
        ASSERT_NE(polygon, nullptr) << c.name;
        EXPECT_FALSE(polygon->isComplete()) << c.name;

        wait(1000);
        down(interactor.get(), 0, c.doubleTap.x, c.doubleTap.y);
        up(interactor.get(), 0, c.doubleTap.x, c.doubleTap.y);
        wait(100);
        down(interactor.get(), 0, c.doubleTap.x, c.doubleTap.y);
        up(interactor.get(), 0, c.doubleTap.x, c.doubleTap.y);
        EXPECT_TRUE(polygon->isComplete()) << c.name;
        EXPECT_TRUE(polygon->isValid()) << c.name;
        EXPECT_EQ(interactor->getSelectedROI(), nullptr) << c.name;
        ROIData* roi = polygon->getROIData();
        ASSERT_EQ(roi->getPointCount(), c.vertices) << c.name;
        Vec3 tapped;
        ASSERT_TRUE(window->pickPoint(c.doubleTap, tapped));
        EXPECT_LT(roi->getPoint(c.vertices - 1).distance(tapped), 1e-3f) << c.name;
    }
    EXPECT_EQ(shapes(), 2u);
}

TEST_F(InteractorROITest, ChoosingTheToolAgainCompletesAnOpenPolygonAndKeepsItSelected) {
    interactor->setInteractionMode(kModePolygon);
    stroke({100, 100}, {200, 100});
    stroke({200, 100}, {200, 200});
    auto* polygon = dynamic_cast<isActorROIPolygon*>(interactor->getSelectedROI());
    ASSERT_NE(polygon, nullptr);
    interactor->setInteractionMode(kModePolygon);
    EXPECT_TRUE(polygon->isComplete());
    EXPECT_EQ(interactor->getSelectedROI(), polygon);
}

TEST_F(InteractorROITest, ChangingTheToolDropsAnUnfinishedAngle) {
    interactor->setInteractionMode(kModeAngle);
    stroke({100, 100}, {200, 100});
    ASSERT_EQ(shapes(), 1u);
    EXPECT_FALSE(interactor->getSelectedROI()->isComplete());
    interactor->setInteractionMode(kModePan);
    EXPECT_EQ(shapes(), 0u);
    EXPECT_EQ(interactor->getSelectedROI(), nullptr);
}

TEST_F(InteractorROITest, AnotherSliceClearsTheSelectionWhileTheShapesAreRebuilt) {
    interactor->setInteractionMode(kModeLine);
    stroke({100, 100}, {200, 150});
    ASSERT_NE(interactor->getSelectedROI(), nullptr);
    // The image actor's post: the container rebuilds its shapes, the interactor lets go of the
    // one it held (still alive while it does).
    auto* data = NSUI::NSNotificationData::create();
    data->stringValue = R"({"index":"6"})";
    NSUI::NSNotificationCenter::getInstance()->postNotification(nullptr, NOTIFY_SLICE_INDEX, data,
                                                                window, true);
    for (int i = 0; i < 12; ++i) {
        frame(0.6f);
    }
    EXPECT_EQ(interactor->getSelectedROI(), nullptr);
    EXPECT_EQ(shapes(), 0u);
}

}  // namespace
