#pragma once

#include <string>

#include "engine/base/Macros.h"
#include "engine/math/Geometry.h"
#include "engine/math/Mat4.h"
#include "engine/math/Vec3.h"
#include "imagesdk/render/isRenderWindow.h"
#include "imagesdk/viewers/isViewer.h"

namespace isImageSDK {

class isActorImage;
class isInteractorImage;
class isSliceInfo;

// The 2D and multi-planar viewer: one render window showing one slice of a series (its own
// plane) or of a volume (axial, sagittal, coronal or oblique) through an image slice actor, with
// corner texts, cross-reference lines, a view frame and the measurement shapes. Inside a
// light-box browser the browser is its controller. It is driven by the viewer command keys
// (onNotification) and by the browser's and multi-viewer's direct calls. Main thread only.
class isViewerImage : public isRenderWindow, public isViewer {
public:
    CREATE_FUNC(isViewerImage);

    ~isViewerImage() override;
    bool init() override;
    // Posts NOTIFY_VIEWER_REMOVED (the window's id in intValue2); the destructor posts it again,
    // so receivers must take a second one for a window already gone.
    void cleanup() override;
    void setContentSize(const cocos2d::Size& size) override;
    void visit(cocos2d::Renderer* renderer, const cocos2d::Mat4& parentTransform,
               uint32_t parentFlags) override;
    void forgetLinks() override;

    // Intersects the ray under the window point with the shown slice's plane.
    bool pickPoint(const cocos2d::Vec2& windowPoint, cocos2d::Vec3& worldPoint) override;
    bool isFocusVisible() const override;
    void onNotification(int key, NSUI::NSNotificationData* data, cocos2d::Ref* sender) override;
    void onImageDataChanged() override;
    void addObservedKeys() override;

    // Runs the switch command of the view type as if the controller sent it.
    void setViewType(int viewType) override;
    void retainViewer() override;
    void releaseViewer() override;
    // Nothing when the same data is bound already.
    void setImageData(isImageData* data) override;
    isImageData* getImageData() override;
    void setViewerVisible(bool visible) override;

    // "bwInverse.plist", "noClut.plist" or a colour-table property list; an unusable name or
    // file keeps the current table.
    void setClutByName(const std::string& name);
    // 768 bytes; a table starting with white switches to the white background.
    void setColorTable(const unsigned char* table);

    // 0 the volume's own slices, 1 and 2 the planes across its first and second image axis.
    void setSliceAxis(int axis);
    // The axis whose planes are coronal.
    void setCoronalAxis();
    // An index off the plane hides the window; back on it shows it again.
    void setSliceIndex(int index, bool refit);
    // 0 without an actor, -1 when the actor shows no orthogonal plane.
    int getSliceCount();
    void getSliceStep(cocos2d::Vec3& step);
    void focusOnPoint(const cocos2d::Vec3& point);
    std::string getFilePath();
    // The shown slice's size in pixels with its physical aspect; false for a degenerate slice.
    bool getImageSize(cocos2d::Size& size);
    void showViewFrame();
    void setFrameShown(bool shown);
    void setCrossLineVisible(bool on);
    // Announces the plane on screen to the cross-reference lines (NOTIFY_CROSSLINE_UPDATE) and
    // the overlay (NOTIFY_PICK_VALUE); shows the lines again, when they have hidden, in the
    // tile that carries the focus point.
    void postSlicePlane();
    // Fits the camera to a volume (or a slice: count 1, z spacing 0) seen along an axis, with
    // the patient's orientation letters deciding up and the viewing side.
    void fitCamera(const int dimensions[3], const float spacing[3], const cocos2d::Mat4& matrix,
                   int axis);
    void updateOverlayTexts(bool showButtons);

    isActorImage* getImageActor() const { return imageActor; }
    // The slice record on screen; null without an actor or slice.
    isSliceInfo* getShownSlice() const;
    const cocos2d::Mat4& getSlicePlane() const { return slicePlane; }
    bool isMaximized() const { return maximized; }
    float getEdgeMargin() const { return edgeMargin; }
    bool isFullInfoShown() const { return showFullInfo; }
    bool isFrameShown() const { return frameShown; }

protected:
    isViewerImage();

private:
    // Announces the camera and fits it to the shown slice again (a resize, key 9021).
    void refitCamera();
    void fitZoom(const cocos2d::Vec3& centre, const cocos2d::Vec3& normal);
    void refitToSlice(const isSliceInfo* slice);
    void applyDefaultClut();
    bool takeVisibleCorners(cocos2d::Vec3 corners[4]);
    void postOverlayLabel(const char* label);
    void removeViewerObservers();
    void postViewerRemoved();
    // Command handling by group of keys.
    bool relayUnlessFromController(int key, NSUI::NSNotificationData* data, cocos2d::Ref* sender,
                                   bool nextTick);
    void setMode(int mode);
    // No measuring tool is on and the window shows an axial, sagittal or coronal plane.
    bool crossLinesAllowed();
    // The window is its browser's current tile, or stands alone.
    bool carriesFocus();
    void resetSlice();
    void rotatePlane(float degrees);
    // Pans so that a window point closer to an edge than edgeMargin is that far from it again.
    void panIntoMargins(const cocos2d::Vec2& at);
    void zoomWithFocus(NSUI::NSNotificationData* data, cocos2d::Ref* sender);
    void keepFocusInView(cocos2d::Ref* sender);
    void syncFocalZoom(NSUI::NSNotificationData* data, cocos2d::Ref* sender);
    void setCameraCenterKeepingView(const cocos2d::Vec3& point);
    void syncWindowLevel(NSUI::NSNotificationData* data, cocos2d::Ref* sender);
    void goToPoint(NSUI::NSNotificationData* data, cocos2d::Ref* sender);
    void switchFullInfo(bool show);
    void maximizeOrRestore(NSUI::NSNotificationData* data);
    void favouriteCrop(NSUI::NSNotificationData* data);
    void reformatVisibleRegion();
    void activate(NSUI::NSNotificationData* data);
    cocos2d::Vec3 focusPoint() const;
    void setFocus(const cocos2d::Vec3& point);
    int referenceId() const;

    isActorImage* imageActor = nullptr;
    cocos2d::Mat4 slicePlane = cocos2d::Mat4::IDENTITY;
    bool maximized = false;
    cocos2d::Vec2 savedPosition;
    cocos2d::Size savedSize;
    bool showFullInfo = false;
    bool frameShown = false;
    bool overlayDirty = false;
    bool actorHiddenForResize = false;
    float edgeMargin = 0.15f;
};

}  // namespace isImageSDK
