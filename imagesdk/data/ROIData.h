#pragma once

#include <string>
#include <vector>

#include "engine/base/Types.h"
#include "engine/math/Vec3.h"
#include "imagesdk/data/isObject.h"

namespace isImageSDK {

// Geometry of a measurement shape in world coordinates, apart from its drawing: control points,
// a colour and a label. Hit tests pick the control point nearest to a pick ray.
class ROIData : public isObject {
public:
    enum Type { LINE = 1, LABEL = 2, ANGLE = 3, POINT = 4, CIRCLE = 5, POLYGON = 6 };

    bool init() override;

    // Index of the control point nearest to the ray, with its distance to it; -1 when none.
    virtual void hitTest(const cocos2d::Vec3& origin, const cocos2d::Vec3& direction,
                         float* distance, int* handle);
    virtual void setPoint(int index, const cocos2d::Vec3& point);
    virtual int getPointCount();
    virtual cocos2d::Vec3 getPoint(int index);
    // Whether the shape is big enough to keep.
    virtual bool isValid();
    // Copies the shared fields (not the points) into another shape.
    virtual void copyTo(ROIData* other);
    // A new shape of the same kind with the shared fields and every point; autoreleased. Null
    // for the bare base, which has no kind of its own.
    virtual ROIData* clone();

    int getType() const { return type; }
    // The text shown beside the shape; measuring shapes keep their last statistics here.
    void setLabelText(const std::string& text) { label = text; }
    const std::string& getLabelText() const { return label; }
    // Key of the data set, orientation and slice the shape was drawn on.
    void setROISetKey(std::int32_t key) { planeKey = key; }
    std::int32_t getROISetKey() const { return planeKey; }

    std::int32_t type = 0;
    // Kept and copied with the shape for the ROI actors.
    std::int32_t attributes[3] = {0, 0, 0};
    // Key of the image plane the shape was drawn on.
    std::int32_t planeKey = 0;
    cocos2d::Color4F colour = cocos2d::Color4F(0.0f, 1.0f, 0.0f, 1.0f);
    std::string label;
};

// Index 0 is the start, any other index the end.
class ROILine : public ROIData {
public:
    static ROILine* create();

    bool init() override;
    void hitTest(const cocos2d::Vec3& origin, const cocos2d::Vec3& direction, float* distance,
                 int* handle) override;
    void setPoint(int index, const cocos2d::Vec3& point) override;
    int getPointCount() override;
    cocos2d::Vec3 getPoint(int index) override;
    bool isValid() override;
    void copyWithPointsTo(ROILine* other);
    ROIData* clone() override;

    cocos2d::Vec3 start;
    cocos2d::Vec3 end;
};

// A text label anchored by two points; behaves as a line.
class ROILabel : public ROILine {
public:
    static ROILabel* create();

    bool init() override;
    ROIData* clone() override;
};

// Point 0 is the vertex of the angle.
class ROIAngle : public ROIData {
public:
    static ROIAngle* create();

    bool init() override;
    void hitTest(const cocos2d::Vec3& origin, const cocos2d::Vec3& direction, float* distance,
                 int* handle) override;
    void setPoint(int index, const cocos2d::Vec3& point) override;
    int getPointCount() override;
    cocos2d::Vec3 getPoint(int index) override;
    bool isValid() override;
    void copyWithPointsTo(ROIAngle* other);
    ROIData* clone() override;

    cocos2d::Vec3 points[3];
};

// Any index names the one point.
class ROIPoint : public ROIData {
public:
    static ROIPoint* create();

    bool init() override;
    void hitTest(const cocos2d::Vec3& origin, const cocos2d::Vec3& direction, float* distance,
                 int* handle) override;
    void setPoint(int index, const cocos2d::Vec3& point) override;
    int getPointCount() override;
    cocos2d::Vec3 getPoint(int index) override;
    void copyWithPointsTo(ROIPoint* other);
    ROIData* clone() override;

    cocos2d::Vec3 point;
};

// Index 0 is the centre, any other index the rim point; the radius is their distance.
class ROICircle : public ROIData {
public:
    static ROICircle* create();

    bool init() override;
    // Also turns the rim point to face the pick, keeping the radius.
    void hitTest(const cocos2d::Vec3& origin, const cocos2d::Vec3& direction, float* distance,
                 int* handle) override;
    // Moving the centre moves the whole circle.
    void setPoint(int index, const cocos2d::Vec3& point) override;
    int getPointCount() override;
    cocos2d::Vec3 getPoint(int index) override;
    bool isValid() override;
    void copyWithPointsTo(ROICircle* other);
    ROIData* clone() override;

    cocos2d::Vec3 centre;
    cocos2d::Vec3 rim;
};

// Vertices 0 .. count-1; indices outside that range are ignored.
class ROIPolygon : public ROIData {
public:
    static ROIPolygon* create();

    bool init() override;
    void hitTest(const cocos2d::Vec3& origin, const cocos2d::Vec3& direction, float* distance,
                 int* handle) override;
    void setPoint(int index, const cocos2d::Vec3& point) override;
    int getPointCount() override;
    cocos2d::Vec3 getPoint(int index) override;
    bool isValid() override;
    void copyWithPointsTo(ROIPolygon* other);
    ROIData* clone() override;

    std::vector<cocos2d::Vec3> vertices;
};

}  // namespace isImageSDK
