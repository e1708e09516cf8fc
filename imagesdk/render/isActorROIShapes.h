#pragma once

#include "imagesdk/render/isActorROIBase.h"

namespace isImageSDK {

class isDrawNode;

// What the six measurement shapes share: a draw node for the outline and handles, a redraw on
// the window's frame when flagged, and (point, circle, polygon) the statistics request to the
// window's image actor and the handling of its answer.
class isActorROIShape : public isActorROIBase {
public:
    bool init() override;
    void cleanup() override;
    void attachToWindow(isRenderWindowBase* window) override;
    // Accepts only ROIs of the shape's own type.
    void setROIData(ROIData* roi) override;
    // Moves the selected handle's point.
    void setPoint(const cocos2d::Vec3& position) override;
    void onNotification(cocos2d::Ref* sender, unsigned key,
                        NSUI::NSNotificationData* data) override;
    void updateDisplay() override;

    void setComplete(bool flag) { complete = flag; }
    isDrawNode* getDrawNode() const { return drawNode; }

protected:
    explicit isActorROIShape(int roiType) : roiType(roiType) {}

    // Outline, handles and texts; the node is empty when called.
    virtual void redrawShape() = 0;
    // Whether the shape asks the image actor for its text now.
    virtual bool wantsStatistics() { return false; }
    virtual void onROIBound() {}

    // Dots at every point, red for the selected handle, when a handle is selected.
    void drawHandles();
    void requestStatistics();
    cocos2d::Vec3 point(int i) const;
    int pointCount() const;

    const int roiType;
    isDrawNode* drawNode = nullptr;
    bool complete = true;
};

// Length of a line.
class isActorROILine : public isActorROIShape {
public:
    static isActorROILine* create();
    bool isValid() override;

protected:
    isActorROILine() : isActorROIShape(ROIData::LINE) {}
    void redrawShape() override;
};

// A free text on a leader line from its anchor; the text follows a dragged label.
class isActorROILabel : public isActorROIShape {
public:
    static isActorROILabel* create();
    bool init() override;
    bool isValid() override { return true; }

protected:
    isActorROILabel() : isActorROIShape(ROIData::LABEL) {}
    void redrawShape() override;
    void onROIBound() override;
};

// The stored pixel value under a point.
class isActorROIPoint : public isActorROIShape {
public:
    static isActorROIPoint* create();
    bool isValid() override { return true; }

protected:
    isActorROIPoint() : isActorROIShape(ROIData::POINT) {}
    void redrawShape() override;
    bool wantsStatistics() override { return true; }
};

// The angle at point 0 between the arms to points 1 and 2, built by three touches.
class isActorROIAngle : public isActorROIShape {
public:
    static isActorROIAngle* create();
    bool init() override;
    bool isValid() override;
    bool isComplete() override { return complete; }
    // End of a touch while drawing: on to the second arm, then complete.
    void nextPoint();
    // Degrees between the arms; 0 for an arm of no length, never not-a-number.
    static float angleBetween(const cocos2d::Vec3& vertex, const cocos2d::Vec3& a,
                              const cocos2d::Vec3& b);

protected:
    isActorROIAngle() : isActorROIShape(ROIData::ANGLE) {}
    void redrawShape() override;
    void onROIBound() override;
};

// Area statistics inside a circle.
class isActorROICircle : public isActorROIShape {
public:
    static isActorROICircle* create();
    bool init() override;
    bool isValid() override;

protected:
    isActorROICircle() : isActorROIShape(ROIData::CIRCLE) {}
    void redrawShape() override;
    bool wantsStatistics() override { return isValid(); }
};

// Area statistics inside a polygon, built vertex by vertex and closed by the interactor.
class isActorROIPolygon : public isActorROIShape {
public:
    static isActorROIPolygon* create();
    bool init() override;
    void cleanup() override;
    bool isValid() override;
    bool isComplete() override { return complete; }
    // End of a touch: a new vertex where the last one was dragged to, which the next drag moves.
    void addVertex();
    // With five points or more: drops the construction point that trails the last vertex (and
    // any repeat of it) and selects the last vertex.
    void closePolygon();

protected:
    isActorROIPolygon() : isActorROIShape(ROIData::POLYGON) {}
    void redrawShape() override;
    bool wantsStatistics() override { return complete; }
    void onROIBound() override;

    // The closing edge while under construction.
    isDrawNode* dashedNode = nullptr;
};

}  // namespace isImageSDK
