#include "imagesdk/data/ROIData.h"

#include <new>

#include "imagesdk/data/isGeometry.h"

namespace isImageSDK {

namespace {

// Shapes smaller than this (world units) are not kept.
constexpr float kMinimumExtent = 0.05f;
// A ray foot this close to a circle's centre gives no direction to turn the rim to.
constexpr float kCentreTolerance = 0.01f;
constexpr float kNoHit = 99999.0f;

template <typename Shape> Shape* createShape() {
    auto* shape = new (std::nothrow) Shape();
    if (shape && shape->init()) {
        shape->autorelease();
        return shape;
    }
    delete shape;
    return nullptr;
}

float rayDistance(const cocos2d::Vec3& point, const cocos2d::Vec3& origin,
                  const cocos2d::Vec3& direction) {
    return pointLineDistance(point, origin, direction);
}

void report(float* distance, int* handle, float d, int h) {
    if (distance) {
        *distance = d;
    }
    if (handle) {
        *handle = h;
    }
}

}  // namespace

bool ROIData::init() {
    isObject::init();
    type = 0;
    attributes[0] = attributes[1] = attributes[2] = 0;
    planeKey = 0;
    colour = cocos2d::Color4F(0.0f, 1.0f, 0.0f, 1.0f);
    label.clear();
    return true;
}

void ROIData::hitTest(const cocos2d::Vec3&, const cocos2d::Vec3&, float*, int* handle) {
    if (handle) {
        *handle = -1;
    }
}

void ROIData::setPoint(int, const cocos2d::Vec3&) {}

int ROIData::getPointCount() {
    return 0;
}

cocos2d::Vec3 ROIData::getPoint(int) {
    return cocos2d::Vec3::ZERO;
}

bool ROIData::isValid() {
    return true;
}

void ROIData::copyTo(ROIData* other) {
    if (!other || other == this) {
        return;
    }
    other->type = type;
    other->planeKey = planeKey;
    other->attributes[0] = attributes[0];
    other->attributes[1] = attributes[1];
    other->attributes[2] = attributes[2];
    other->colour = colour;
    other->label = label;
}

ROIData* ROIData::clone() {
    return nullptr;
}

ROILine* ROILine::create() {
    return createShape<ROILine>();
}

bool ROILine::init() {
    ROIData::init();
    type = LINE;
    start = cocos2d::Vec3::ZERO;
    end = cocos2d::Vec3::ZERO;
    return true;
}

void ROILine::hitTest(const cocos2d::Vec3& origin, const cocos2d::Vec3& direction, float* distance,
                      int* handle) {
    const float d0 = rayDistance(start, origin, direction);
    const float d1 = rayDistance(end, origin, direction);
    if (d0 < d1) {
        report(distance, handle, d0, 0);
    } else {
        report(distance, handle, d1, 1);
    }
}

void ROILine::setPoint(int index, const cocos2d::Vec3& point) {
    if (index == 0) {
        start = point;
    } else {
        end = point;
    }
}

int ROILine::getPointCount() {
    return 2;
}

cocos2d::Vec3 ROILine::getPoint(int index) {
    return index == 0 ? start : end;
}

bool ROILine::isValid() {
    return end.distance(start) >= kMinimumExtent;
}

void ROILine::copyWithPointsTo(ROILine* other) {
    if (!other || other == this) {
        return;
    }
    copyTo(other);
    other->start = start;
    other->end = end;
}

ROIData* ROILine::clone() {
    ROILine* copy = ROILine::create();
    copyWithPointsTo(copy);
    return copy;
}

ROILabel* ROILabel::create() {
    return createShape<ROILabel>();
}

bool ROILabel::init() {
    ROILine::init();
    type = LABEL;
    return true;
}

ROIData* ROILabel::clone() {
    ROILabel* copy = ROILabel::create();
    copyWithPointsTo(copy);
    return copy;
}

ROIAngle* ROIAngle::create() {
    return createShape<ROIAngle>();
}

bool ROIAngle::init() {
    ROIData::init();
    type = ANGLE;
    for (cocos2d::Vec3& p : points) {
        p = cocos2d::Vec3::ZERO;
    }
    return true;
}

void ROIAngle::hitTest(const cocos2d::Vec3& origin, const cocos2d::Vec3& direction, float* distance,
                       int* handle) {
    const float d0 = rayDistance(points[0], origin, direction);
    const float d1 = rayDistance(points[1], origin, direction);
    const float d2 = rayDistance(points[2], origin, direction);
    if (d0 < d1 && d0 < d2) {
        report(distance, handle, d0, 0);
    } else if (d0 > d1 && d1 < d2) {
        report(distance, handle, d1, 1);
    } else {
        report(distance, handle, d2, 2);
    }
}

void ROIAngle::setPoint(int index, const cocos2d::Vec3& point) {
    if (index >= 0 && index < 3) {
        points[index] = point;
    }
}

int ROIAngle::getPointCount() {
    return 3;
}

cocos2d::Vec3 ROIAngle::getPoint(int index) {
    return (index >= 0 && index < 3) ? points[index] : cocos2d::Vec3::ZERO;
}

bool ROIAngle::isValid() {
    return points[1].distance(points[0]) >= kMinimumExtent &&
           points[2].distance(points[0]) >= kMinimumExtent;
}

void ROIAngle::copyWithPointsTo(ROIAngle* other) {
    if (!other || other == this) {
        return;
    }
    copyTo(other);
    for (int i = 0; i < 3; ++i) {
        other->points[i] = points[i];
    }
}

ROIData* ROIAngle::clone() {
    ROIAngle* copy = ROIAngle::create();
    copyWithPointsTo(copy);
    return copy;
}

ROIPoint* ROIPoint::create() {
    return createShape<ROIPoint>();
}

bool ROIPoint::init() {
    ROIData::init();
    type = POINT;
    point = cocos2d::Vec3::ZERO;
    return true;
}

void ROIPoint::hitTest(const cocos2d::Vec3& origin, const cocos2d::Vec3& direction, float* distance,
                       int* handle) {
    report(distance, handle, rayDistance(point, origin, direction), 0);
}

void ROIPoint::setPoint(int, const cocos2d::Vec3& value) {
    point = value;
}

int ROIPoint::getPointCount() {
    return 1;
}

cocos2d::Vec3 ROIPoint::getPoint(int) {
    return point;
}

void ROIPoint::copyWithPointsTo(ROIPoint* other) {
    if (!other || other == this) {
        return;
    }
    copyTo(other);
    other->point = point;
}

ROIData* ROIPoint::clone() {
    ROIPoint* copy = ROIPoint::create();
    copyWithPointsTo(copy);
    return copy;
}

ROICircle* ROICircle::create() {
    return createShape<ROICircle>();
}

bool ROICircle::init() {
    ROIData::init();
    type = CIRCLE;
    centre = cocos2d::Vec3::ZERO;
    rim = cocos2d::Vec3::ZERO;
    return true;
}

void ROICircle::hitTest(const cocos2d::Vec3& origin, const cocos2d::Vec3& direction,
                        float* distance, int* handle) {
    const float r = rim.distance(centre);
    cocos2d::Vec3 foot;
    projectPointOnLine(origin, centre, direction, foot);
    const float l = (foot - centre).length();
    // With the foot on the centre there is no direction to face; the rim stays where it is
    // rather than collapsing the circle.
    if (l >= kCentreTolerance) {
        cocos2d::Vec3 towards = foot - centre;
        towards.normalize();
        rim = centre + towards * r;
    }
    if (l < r && l < r * 0.5f) {
        report(distance, handle, 0.0f, 0);
    } else if (l < r) {
        report(distance, handle, r - l, 1);
    } else {
        report(distance, handle, l - r, 1);
    }
}

void ROICircle::setPoint(int index, const cocos2d::Vec3& point) {
    if (index != 0) {
        rim = point;
        return;
    }
    rim += point - centre;
    centre = point;
}

int ROICircle::getPointCount() {
    return 2;
}

cocos2d::Vec3 ROICircle::getPoint(int index) {
    return index == 0 ? centre : rim;
}

bool ROICircle::isValid() {
    return rim.distance(centre) > kMinimumExtent;
}

void ROICircle::copyWithPointsTo(ROICircle* other) {
    if (!other || other == this) {
        return;
    }
    copyTo(other);
    other->centre = centre;
    other->rim = rim;
}

ROIData* ROICircle::clone() {
    ROICircle* copy = ROICircle::create();
    copyWithPointsTo(copy);
    return copy;
}

ROIPolygon* ROIPolygon::create() {
    return createShape<ROIPolygon>();
}

bool ROIPolygon::init() {
    ROIData::init();
    type = POLYGON;
    vertices.clear();
    return true;
}

void ROIPolygon::hitTest(const cocos2d::Vec3& origin, const cocos2d::Vec3& direction,
                         float* distance, int* handle) {
    float nearest = kNoHit;
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        const float d = rayDistance(vertices[i], origin, direction);
        if (d < nearest) {
            nearest = d;
            if (handle) {
                *handle = int(i);
            }
        }
    }
    if (distance) {
        *distance = nearest;
    }
}

void ROIPolygon::setPoint(int index, const cocos2d::Vec3& point) {
    if (index >= 0 && std::size_t(index) < vertices.size()) {
        vertices[std::size_t(index)] = point;
    }
}

int ROIPolygon::getPointCount() {
    return int(vertices.size());
}

cocos2d::Vec3 ROIPolygon::getPoint(int index) {
    if (index < 0 || std::size_t(index) >= vertices.size()) {
        return cocos2d::Vec3::ZERO;
    }
    return vertices[std::size_t(index)];
}

bool ROIPolygon::isValid() {
    if (vertices.size() < 3) {
        return false;
    }
    if (vertices.size() > 3) {
        return true;
    }
    return vertices[0].distance(vertices[1]) >= kMinimumExtent &&
           vertices[1].distance(vertices[2]) >= kMinimumExtent &&
           vertices[0].distance(vertices[2]) >= kMinimumExtent;
}

void ROIPolygon::copyWithPointsTo(ROIPolygon* other) {
    if (!other || other == this) {
        return;
    }
    copyTo(other);
    other->vertices = vertices;
}

ROIData* ROIPolygon::clone() {
    ROIPolygon* copy = ROIPolygon::create();
    copyWithPointsTo(copy);
    return copy;
}

}  // namespace isImageSDK
