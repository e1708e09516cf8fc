#pragma once

#include <string>

#include "engine/base/Macros.h"
#include "engine/base/RefPtr.h"
#include "engine/math/Vec2.h"
#include "engine/math/Vec3.h"
#include "imagesdk/render/isInteractorBase.h"

namespace isImageSDK {

class isActorROI;
class isActorROIBase;
class isRenderWindowBase;

// What a one-touch (or left-button) drag does in a viewer.
enum InteractionMode {
    kModeProbe = 0,
    kModeRotate = 1,
    kModeProbeMoving = 2,
    kModeWindowLevel = 4,
    kModePan = 5,
    kModeZoom = 6,
    kModePaging = 7,
    kModeStepping = 8,
    kModeLine = 10,
    kModePoint = 11,
    kModeAngle = 12,
    kModeCircle = 13,
    kModePolygon = 14,
    kModeLabel = 15,
    kModeROISelect = 16,
};

// Gives the gestures their meaning in an image or MPR viewer. Apart from rotating the camera it
// changes nothing itself: it posts the viewer keys (steps on the next pass, gesture totals one
// per pass) with itself as sender and its render window as group, and the viewer and linked
// windows act on them. Two-touch pan and zoom work in every mode.
//
// Steps are GL view pixels (x to the right, y upwards).
//  - probe: the picked point ({"x","y","z"}, "%.2f") as NOTIFY_VIEW_CMD_9100 and
//    NOTIFY_PICK_VALUE, only the newest of a frame; NOTIFY_INTERACT_9083 at the end;
//  - probe while moving: NOTIFY_PICK_VALUE on every move;
//  - rotate: orbits the camera about its centre, 90 degrees per 122 pixels;
//  - window/level: NOTIFY_INTERACT_9076 ({"ww","wl"}, "%.2f") per step, NOTIFY_INTERACT_9082 at
//    the end when a step was posted;
//  - pan: NOTIFY_SYNC_POSITION ({"x","y"}, "%.4f", x mirrored) per step, the total as
//    NOTIFY_SYNC_PAN at the end;
//  - zoom: vertical steps zoom by 1.05 up, 0.95 down (NOTIFY_SYNC_ZOOM), no further out below a
//    pixel scale of 0.1 and no further in above 10; the product as NOTIFY_SYNC_FOCAL_ZOOM;
//  - paging: the first 5 pixels choose the axis; vertically NOTIFY_INTERACT_9077 counts slices,
//    one per (0.5^speed × 50 + 1) pixels; horizontally NOTIFY_INTERACT_9078 carries the drag
//    total until it passes 200 pixels, and 0 at the end;
//  - stepping: NOTIFY_CINE_SPEED +1 or -1 per 80 pixels, at most one per step.
// The ROI tools pick an existing shape under the touch (or create one at the picked point) and
// drag its selected handle; angles and polygons collect their points over several touches, a
// double tap closes a polygon. The selected shape is retained, so the shapes the ROI actor
// rebuilds when the slice or the orientation changes (which also clears the selection) never
// leave a dangling selection.
// Main thread only.
class isInteractorImage : public isInteractorBase {
public:
    static constexpr int kKind = 1;
    // A drag of this many pixels turns the view by 90 degrees.
    static constexpr float kRotatePixels = 122.0f;
    static constexpr float kPagingAxisPixels = 5.0f;
    static constexpr float kPagingStopPixels = 200.0f;
    static constexpr float kSteppingPixels = 80.0f;
    static constexpr float kZoomIn = 1.05f;
    static constexpr float kZoomOut = 0.95f;
    static constexpr float kMinPixelScale = 0.1f;
    static constexpr float kMaxPixelScale = 10.0f;

    enum PagingAxis {
        kAxisUndecided = 0,
        kAxisVertical = 1,
        kAxisHorizontal = 2,
        kAxisStopped = 3
    };

    CREATE_FUNC(isInteractorImage);

    ~isInteractorImage() override;

    // Releases the window, removes every observer the interactor owns and forgets the selected
    // shape.
    void cleanup() override;
    bool init() override;
    // Also follows the window's slice and orientation changes, which clear the selected shape.
    void setRenderWindow(cocos2d::Node* window) override;
    // A polygon being drawn is closed by a double tap.
    void onDoubleTap(const cocos2d::Vec2& point) override;

    void onPinchEnded(const Touches& touches) override;
    void onPinchCancelled(const Touches& touches) override;
    void onTouchBegan(cocos2d::Touch* touch) override;
    void onTouchMoved(cocos2d::Touch* touch) override;
    void onTouchEnded(cocos2d::Touch* touch) override;
    void onTouchCancelled(cocos2d::Touch* touch) override;
    void onPan(const cocos2d::Vec2& delta) override;
    void onZoom(float factor) override;
    void applyDrag(const cocos2d::Vec2& delta, float speed) override;

    // Changing the tool completes a valid polygon under construction and removes any other
    // unfinished or invalid shape, then clears the selection. Choosing the current tool again
    // completes a valid polygon and keeps it selected.
    void setInteractionMode(int mode);
    int getInteractionMode() const { return mode; }
    // Deselects the selected shape, if any.
    void deselectROI();
    // Makes `roi` the selected shape (the viewer does for a label being edited).
    void selectROI(isActorROIBase* roi);
    isActorROIBase* getSelectedROI() const { return selectedROI.get(); }

    const cocos2d::Vec2& getPanTotal() const { return panTotal; }
    float getZoomTotal() const { return zoomTotal; }
    int getPagingAxis() const { return pagingAxis; }

protected:
    // Out of line: the selected shape's type is only declared here.
    isInteractorImage();

    // The window when it is a render window.
    isRenderWindowBase* window() const;
    // The ROI actor of the window, made on demand; null without a render window.
    isActorROI* roiActor() const;
    bool isROITool() const { return mode >= kModeLine && mode <= kModeROISelect; }
    bool pickWorld(cocos2d::Touch* touch, cocos2d::Vec3& point) const;
    void beginROITouch(cocos2d::Touch* touch);
    void endROITouch(cocos2d::Touch* touch);
    void removeSelected();
    // The probe record of the point under the touch; false when nothing is picked.
    bool pickProbe(cocos2d::Touch* touch, cocos2d::Vec3& point, std::string& record) const;
    // Replaces what this frame queued already, so one probe per frame reaches the viewers.
    void postProbe(const std::string& record, bool moving);
    // Posts the totals of the gesture and starts the next one afresh.
    void endGesture();
    void rotate(const cocos2d::Vec2& step);
    void page(const cocos2d::Vec2& step, float speed);
    void postPanStep(const cocos2d::Vec2& step);
    // False when the pixel scale is past its limit in the factor's direction.
    bool zoomAllowed(float factor) const;

    int mode = kModePan;
    cocos2d::RefPtr<isActorROIBase> selectedROI;
    bool pickedExisting = false;
    cocos2d::Vec2 panTotal;
    float zoomTotal = 1.0f;
    bool windowLevelChanged = false;
    int pagingAxis = kAxisUndecided;
    cocos2d::Vec2 pagingRest;
};

// The image interactor of the volume-rendering viewer: the same gestures, starting in rotate
// mode.
class isInteractorTrackVR : public isInteractorImage {
public:
    static constexpr int kKind = 2;

    CREATE_FUNC(isInteractorTrackVR);

    bool init() override;

protected:
    isInteractorTrackVR() = default;
};

}  // namespace isImageSDK
