#include "imagesdk/data/ROIData.h"

#include <gtest/gtest.h>

#include <typeinfo>
#include <vector>

#include "engine/base/AutoreleasePool.h"
#include "imagesdk/data/isROIManager.h"

using cocos2d::Vec3;
using namespace isImageSDK;

namespace {

class ROITest : public ::testing::Test {
protected:
    void TearDown() override {
        isROIManager::destroyInstance();
        cocos2d::PoolManager::getInstance()->getCurrentPool()->clear();
    }

    // A pick ray straight down the z axis through (x, y).
    static void pick(ROIData* roi, float x, float y, float* distance, int* handle) {
        roi->hitTest(Vec3(x, y, 10.0f), Vec3(0, 0, -1), distance, handle);
    }
};

TEST_F(ROITest, ValidityThresholds) {
    struct Case {
        const char* name;
        ROIData* roi;
        std::vector<Vec3> points;
        bool valid;
    };
    const Case cases[] = {
        {"line of exactly 0.05", ROILine::create(), {{0, 0, 0}, {0.05f, 0, 0}}, true},
        {"short line", ROILine::create(), {{0, 0, 0}, {0.04f, 0, 0}}, false},
        {"label as a line", ROILabel::create(), {{0, 0, 0}, {0.04f, 0, 0}}, false},
        {"circle of radius 0.05", ROICircle::create(), {{0, 0, 0}, {0.05f, 0, 0}}, false},
        {"circle of radius 0.06", ROICircle::create(), {{0, 0, 0}, {0.06f, 0, 0}}, true},
        {"open angle", ROIAngle::create(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, true},
        {"angle with a short arm",
         ROIAngle::create(),
         {{0, 0, 0}, {1, 0, 0}, {0, 0.01f, 0}},
         false},
        {"point", ROIPoint::create(), {{0, 0, 0}}, true},
    };
    for (const Case& c : cases) {
        for (std::size_t i = 0; i < c.points.size(); ++i) {
            c.roi->setPoint(int(i), c.points[i]);
        }
        EXPECT_EQ(c.roi->isValid(), c.valid) << c.name;
    }
}

TEST_F(ROITest, PolygonValidityDependsOnItsVertexCount) {
    ROIPolygon* polygon = ROIPolygon::create();
    EXPECT_FALSE(polygon->isValid());
    polygon->vertices.assign(3, Vec3(1, 1, 1));
    EXPECT_FALSE(polygon->isValid());
    polygon->vertices.assign({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    EXPECT_TRUE(polygon->isValid());
    polygon->vertices.assign(4, Vec3(1, 1, 1));
    EXPECT_TRUE(polygon->isValid());
}

TEST_F(ROITest, HitTestsPickTheNearestControlPoint) {
    ROILine* line = ROILine::create();
    line->setPoint(0, {0, 0, 0});
    line->setPoint(7, {10, 0, 0});
    ROIAngle* angle = ROIAngle::create();
    angle->setPoint(0, {0, 0, 0});
    angle->setPoint(1, {4, 0, 0});
    angle->setPoint(2, {0, 8, 0});
    ROIPoint* point = ROIPoint::create();
    point->setPoint(3, {2, 2, 5});
    ROIPolygon* polygon = ROIPolygon::create();
    polygon->vertices = {{0, 0, 0}, {5, 0, 0}, {5, 5, 0}};

    struct Case {
        const char* name;
        ROIData* roi;
        float x, y;
        int handle;
        float distance;
    };
    const Case cases[] = {
        {"line start", line, 1, 0, 0, 1},
        {"line end", line, 9, 0, 1, 1},
        {"line midpoint goes to the end", line, 5, 0, 1, 5},
        {"angle vertex", angle, 0, 1, 0, 1},
        {"angle first arm", angle, 4, 1, 1, 1},
        {"angle vertex and first arm tie", angle, 2, 0, 2, 8.2462112f},
        {"point", point, 2, 5, 0, 3},
        {"polygon", polygon, 5, 4, 2, 1},
    };
    for (const Case& c : cases) {
        float distance = -1;
        int handle = -2;
        pick(c.roi, c.x, c.y, &distance, &handle);
        EXPECT_EQ(handle, c.handle) << c.name;
        EXPECT_FLOAT_EQ(distance, c.distance) << c.name;
    }

    ROIPolygon* empty = ROIPolygon::create();
    float distance = 0;
    int handle = 42;
    pick(empty, 0, 0, &distance, &handle);
    EXPECT_EQ(handle, 42);
    EXPECT_EQ(distance, 99999.0f);
}

TEST_F(ROITest, CircleHitTurnsTheRimTowardsThePick) {
    struct Case {
        const char* name;
        float x, y;
        int handle;
        float distance;
        Vec3 rim;
    };
    // Circle of radius 5 round the origin, rim first at (0, 5, 0).
    const Case cases[] = {
        {"through the centre keeps the radius", 0, 0, 0, 0, {0, 5, 0}},
        {"near the centre", 2, 0, 0, 0, {5, 0, 0}},
        {"inside towards the rim", 3, 0, 1, 2, {5, 0, 0}},
        {"outside", 0, -8, 1, 3, {0, -5, 0}},
    };
    for (const Case& c : cases) {
        ROICircle* circle = ROICircle::create();
        circle->setPoint(0, {0, 0, 0});
        circle->setPoint(1, {0, 5, 0});
        float distance = -1;
        int handle = -1;
        pick(circle, c.x, c.y, &distance, &handle);
        EXPECT_EQ(handle, c.handle) << c.name;
        EXPECT_FLOAT_EQ(distance, c.distance) << c.name;
        EXPECT_NEAR(circle->rim.x, c.rim.x, 1e-5f) << c.name;
        EXPECT_NEAR(circle->rim.y, c.rim.y, 1e-5f) << c.name;
        EXPECT_FLOAT_EQ(circle->getPoint(1).distance(circle->getPoint(0)), 5.0f) << c.name;
    }
}

TEST_F(ROITest, MovingTheCentreMovesTheWholeCircle) {
    ROICircle* circle = ROICircle::create();
    circle->setPoint(0, {1, 1, 0});
    circle->setPoint(1, {4, 1, 0});
    circle->setPoint(0, {11, 1, 0});
    EXPECT_EQ(circle->getPoint(1), Vec3(14, 1, 0));
}

TEST_F(ROITest, PolygonPointAccessStaysInBounds) {
    ROIPolygon* polygon = ROIPolygon::create();
    polygon->vertices = {{1, 0, 0}, {2, 0, 0}};
    polygon->setPoint(1, {7, 0, 0});
    polygon->setPoint(2, {9, 9, 9});
    polygon->setPoint(-1, {9, 9, 9});
    EXPECT_EQ(polygon->getPointCount(), 2);
    EXPECT_EQ(polygon->getPoint(1), Vec3(7, 0, 0));
    EXPECT_EQ(polygon->getPoint(2), Vec3::ZERO);
    EXPECT_EQ(polygon->getPoint(-1), Vec3::ZERO);
}

TEST_F(ROITest, CopiesCarrySharedFieldsAndPoints) {
    ROIPolygon* source = ROIPolygon::create();
    source->planeKey = 3;
    source->attributes[1] = 9;
    source->colour = cocos2d::Color4F(1, 0, 0, 1);
    source->label = "Area: 12 mm2";
    source->vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    ROIPolygon* target = ROIPolygon::create();
    target->vertices.assign(5, Vec3(3, 3, 3));
    source->copyWithPointsTo(target);
    EXPECT_EQ(target->vertices, source->vertices);
    EXPECT_EQ(target->planeKey, 3);
    EXPECT_EQ(target->attributes[1], 9);
    EXPECT_EQ(target->colour, source->colour);
    EXPECT_EQ(target->label, "Area: 12 mm2");

    ROILabel* label = ROILabel::create();
    label->setPoint(0, {1, 2, 3});
    ROILabel* other = ROILabel::create();
    label->copyWithPointsTo(other);
    EXPECT_EQ(other->type, ROIData::LABEL);
    EXPECT_EQ(other->getPoint(0), Vec3(1, 2, 3));
}

// A clone is a new shape of the same kind with every field and point, and moves on its own.
TEST_F(ROITest, ClonesAreIndependentShapesOfTheSameKind) {
    ROIPolygon* polygon = ROIPolygon::create();
    polygon->vertices = {{0, 0, 0}, {4, 0, 0}, {4, 3, 0}, {0, 3, 1}};
    std::vector<ROIData*> shapes = {ROILine::create(),  ROILabel::create(),  ROIAngle::create(),
                                    ROIPoint::create(), ROICircle::create(), polygon};
    int key = 100;
    for (ROIData* shape : shapes) {
        for (int i = 0; i < shape->getPointCount() && shape != polygon; ++i) {
            shape->setPoint(i, Vec3(float(i + 1), float(2 * i), 0.5f));
        }
        shape->setROISetKey(++key);
        shape->setLabelText("Area:1");
        shape->colour = cocos2d::Color4F(0.5f, 0.25f, 0, 1);
        ROIData* copy = shape->clone();
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy, shape);
        EXPECT_EQ(typeid(*copy), typeid(*shape));
        EXPECT_EQ(copy->type, shape->type);
        EXPECT_EQ(copy->getROISetKey(), key);
        EXPECT_EQ(copy->getLabelText(), "Area:1");
        EXPECT_EQ(copy->colour, shape->colour);
        ASSERT_EQ(copy->getPointCount(), shape->getPointCount());
        for (int i = 0; i < shape->getPointCount(); ++i) {
            EXPECT_EQ(copy->getPoint(i), shape->getPoint(i)) << shape->type << " point " << i;
        }
        copy->setPoint(0, {-7, -7, -7});
        EXPECT_NE(shape->getPoint(0), Vec3(-7, -7, -7)) << shape->type;
    }
}

TEST_F(ROITest, ManagerUnlistsARemovedShape) {
    ROILine* first = ROILine::create();
    ROILine* second = ROILine::create();
    second->retain();
    isROIManager* manager = isROIManager::getInstance();
    manager->addROI(first);
    manager->addROI(second);
    const unsigned count = second->getReferenceCount();
    EXPECT_TRUE(manager->removeROI(second));
    EXPECT_EQ(second->getReferenceCount(), count - 1);
    EXPECT_FALSE(manager->removeROI(second));
    EXPECT_FALSE(manager->removeROI(nullptr));
    EXPECT_EQ(manager->rois, (std::vector<cocos2d::Ref*>{first}));
    second->release();
}

TEST_F(ROITest, ManagerKeepsOneReferencePerShapeUntilShutdown) {
    ROILine* line = ROILine::create();
    line->retain();
    isROIManager* manager = isROIManager::getInstance();
    EXPECT_EQ(isROIManager::getInstance(), manager);
    EXPECT_FALSE(manager->addROI(line));
    const unsigned count = line->getReferenceCount();
    EXPECT_TRUE(manager->addROI(line));
    EXPECT_EQ(line->getReferenceCount(), count);
    EXPECT_EQ(manager->rois.size(), 1u);

    isROIManager::destroyInstance();
    EXPECT_EQ(line->getReferenceCount(), count - 1);
    EXPECT_TRUE(isROIManager::getInstance()->rois.empty());
    line->release();
}

}  // namespace
