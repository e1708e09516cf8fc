#pragma once

#include <string>

#include "engine/math/Vec3.h"
#include "imagesdk/data/ROIData.h"
#include "imagesdk/render/isActorObject.h"
#include "toolkit/core/NSNotificationData.h"

namespace isImageSDK {

class isCamera;
class isNodeText;

// Common base of the measurement shapes: one ROI of the ROI manager drawn in one render window,
// its selected handle, a label with the measurement, the ROI number once the label was dragged
// away, and the flags that make it redraw at most once per drawn frame. Main thread only.
class isActorROIBase : public isActorObject {
public:
    ~isActorROIBase() override;

    void cleanup() override;
    bool init() override;
    void attachToWindow(isRenderWindowBase* window) override;

    // Binds the ROI (retained); the shapes accept their own type only.
    virtual void setROIData(ROIData* roi);
    // Moves the selected handle's point (shapes); the base only asks for a redraw.
    virtual void setPoint(const cocos2d::Vec3& position);
    virtual bool isValid();
    virtual bool isComplete();
    virtual void onNotification(cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data);
    // Called on the window's frame; shapes redraw when flagged.
    virtual void updateDisplay();

    ROIData* getROIData() const { return roi; }

    // Shows the text; once the label was dragged away it is prefixed by the ROI number.
    void setLabelText(const std::string& text);
    // Places the label 2 mm above a screen point, unless the user has dragged it.
    void setLabelPosition(float x, float y);
    // Places the number 2 mm left of a screen point once the label was dragged away.
    void setNumberPosition(float x, float y);

    // Posts NOTIFY_ROI_COUNT_CHANGED 1 for any handle n >= 0, also when n was selected already.
    void selectHandle(int n);
    // Posts NOTIFY_ROI_COUNT_CHANGED -1 when a handle was selected.
    void deselect();
    int getSelectedHandle() const { return selectedHandle; }

    void setRedraw(bool flag) { redraw = flag; }
    bool needsRedraw() const { return redraw; }
    bool isLabelOnly() const { return labelOnly; }
    void setNumber(int value) { number = value; }
    int getNumber() const { return number; }

    isNodeText* getLabelNode() const { return labelNode; }
    isNodeText* getNumberNode() const { return numberNode; }
    // Whether the user has dragged the label away from where the shape puts it.
    bool isLabelMoved() const;

    // World length of one screen pixel at the window's camera; 1 for perspective cameras.
    float getPixelWorldSize() const;

protected:
    isActorROIBase() = default;

    isCamera* camera() const;
    // Window point (pixels, y up, with depth) of a world point; the point itself without a
    // camera.
    cocos2d::Vec3 toScreen(const cocos2d::Vec3& point) const;
    void postSelection(int value);

    ROIData* roi = nullptr;
    bool redraw = false;
    bool labelOnly = false;
    int selectedHandle = -1;
    isNodeText* labelNode = nullptr;
    isNodeText* numberNode = nullptr;
    int number = 0;
    bool fixedLabelScale = false;
    float fontSize = 15.0f;
    float handleRadius = 10.0f;
};

}  // namespace isImageSDK
