#pragma once

#include "engine/2d/Camera.h"
#include "engine/base/Macros.h"
#include "engine/math/Mat4.h"
#include "engine/math/Vec2.h"
#include "engine/math/Vec3.h"
#include "imagesdk/render/isNodeObject.h"

namespace isImageSDK {

// The 17 words a render window's camera is described by: centre, eye, up, forward (unit, eye
// towards centre), right (unit x axis of the camera frame), eye distance, orthographic zoom.
struct isCameraState {
    float values[17] = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, -1.0f, 0.0f, -1.0f, 0.0f,
                        0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f,  1.0f, 1.0f};

    cocos2d::Vec3 center() const { return vec(0); }
    cocos2d::Vec3 eye() const { return vec(3); }
    cocos2d::Vec3 up() const { return vec(6); }
    cocos2d::Vec3 forward() const { return vec(9); }
    cocos2d::Vec3 right() const { return vec(12); }
    float eyeDistance() const { return values[15]; }
    float zoom() const { return values[16]; }

    void setVec(int first, const cocos2d::Vec3& v) {
        values[first] = v.x;
        values[first + 1] = v.y;
        values[first + 2] = v.z;
    }

private:
    cocos2d::Vec3 vec(int first) const {
        return cocos2d::Vec3(values[first], values[first + 1], values[first + 2]);
    }
};

// Camera of a render window: oriented by eye, centre and up instead of a node rotation, with a
// perspective or an orthographic (zoomable) projection and an additional projection that places
// the picture inside a panel of the GL window.
//
// Window points used by the conversions are pixels of the viewport (origin bottom-left) with a
// depth in 0..1 (near to far plane). The conversions ignore the additional projection and the
// parent chain: they relate the parent's space to the panel. The inverse of projection × view
// is cached until the camera changes, since the conversions run per pixel. Main thread only.
class isCamera : public cocos2d::Camera, public isNodeObject {
public:
    CREATE_FUNC(isCamera);

    bool init() override;
    // Moves the eye and re-aims at the stored centre with the stored up vector.
    void setPosition3D(const cocos2d::Vec3& position) override;
    // Camera frame of (position, centre, up), times the additional transform when set.
    const cocos2d::Mat4& getNodeToParentTransform() const override;
    void setAdditionalTransform(const cocos2d::Mat4* additionalTransform) override;
    void setAdditionalTransform(const cocos2d::Mat4& additionalTransform) override;
    // Stores centre and up and aims the camera from its position at the centre.
    void lookAt(const cocos2d::Vec3& center, const cocos2d::Vec3& up) override;
    // With an own view, the inverse of the parent chain times the frame of eye, centre and up
    // (the additional transform left out); else the engine's.
    const cocos2d::Mat4& getViewMatrix() const override;
    // The engine's viewport. A camera that follows its parent's panel also re-fits the
    // additional projection to where the parent is now (a parent moved by its own parent) and
    // limits the pass to the parent's rectangle.
    void applyViewport() override;
    void setFollowParentPanel(bool follow) { _followParentPanel = follow; }
    // Maps the normalised device square onto the node's content rectangle within the GL window
    // (world translation and size of the node; the window size from the director).
    static cocos2d::Mat4 panelProjection(const cocos2d::Node* node);

    // Sets the projection for a viewport of width × height; `additional` maps the picture into
    // normalised device space (identity: the whole GL window). Always true.
    bool setProjection(float fieldOfView, float width, float height, float nearPlane,
                       float farPlane, const cocos2d::Mat4& additional);
    // Orthographic zoom: the visible area is the viewport times the zoom; re-applies the
    // projection with the current parameters.
    void setZoom(float zoom);
    float getZoom() const { return _currentZoom; }
    // Switches the projection kind and re-applies the projection.
    void setPerspective(bool perspective);
    bool isPerspective() const { return _perspective; }
    // The view is computed from eye, centre and up, without the additional transform (a
    // window's overlay camera).
    void setOwnView(bool ownView);
    bool hasOwnView() const { return _ownView; }

    const cocos2d::Mat4& getAdditionalProjection() const { return _additionalProjectionMatrix; }
    float getFieldOfView() const { return _fieldOfView; }
    float getViewportWidth() const { return _viewportWidth; }
    float getViewportHeight() const { return _viewportHeight; }
    cocos2d::Vec3 getCenter() const { return _center; }
    cocos2d::Vec3 getUp() const { return _upVector; }
    cocos2d::Vec3 getForward() const { return _state.forward(); }
    cocos2d::Vec3 getRight() const { return _state.right(); }
    const isCameraState& getState() const { return _state; }
    // Set by lookAt and setProjection; the owner clears it once it has reacted.
    bool isChanged() const { return _changed; }
    void clearChanged() { _changed = false; }

    // Window point with depth → point in the parent's space; unchanged homogeneous coordinates
    // when w is exactly 0.
    void screenToWorld(const cocos2d::Vec3& point, cocos2d::Vec3& out) const;
    // Point in the parent's space → window point with depth.
    void worldToScreen(const cocos2d::Vec3& point, cocos2d::Vec3& out) const;
    // Origin on the near plane under the window point and the unit direction towards the far
    // plane.
    void screenToRay(const cocos2d::Vec2& point, cocos2d::Vec3& origin,
                     cocos2d::Vec3& direction) const;
    // Point in the camera frame.
    cocos2d::Vec3 worldToCamera(const cocos2d::Vec3& point) const;
    // Foot of the point on the plane through the centre perpendicular to the view direction.
    cocos2d::Vec3 projectToFocalPlane(const cocos2d::Vec3& point) const;
    // Zoom at which the box given by four corners fills the viewport (1 for boxes thinner than
    // half a unit and for perspective cameras).
    float fitOrthographic(const cocos2d::Vec3 corners[4]) const;
    // Eye distance at which the box fills the viewport, kept strictly between the planes.
    float fitPerspective(const cocos2d::Vec3 corners[4]) const;

protected:
    isCamera() = default;
    ~isCamera() override;

private:
    void applyProjection();
    void invalidateConversions() { _conversionsValid = false; }
    // Refreshes the cached projection × view and its inverse when the camera changed.
    void updateConversions() const;
    // x and y extents of the four corners in the camera frame.
    void cameraExtents(const cocos2d::Vec3 corners[4], float& xExtent, float& yExtent) const;

    cocos2d::Vec3 _center;
    cocos2d::Vec3 _upVector;
    float _viewportWidth = 1.0f;
    float _viewportHeight = 1.0f;
    cocos2d::Mat4 _additionalProjectionMatrix;
    bool _ownView = false;
    mutable bool _viewDirty = true;
    mutable cocos2d::Mat4 _ownViewParent;
    isCameraState _state;
    bool _perspective = false;
    float _currentZoom = 1.0f;
    bool _changed = false;
    bool _followParentPanel = false;

    mutable bool _conversionsValid = false;
    mutable cocos2d::Mat4 _conversionMatrix;
    mutable double _conversionInverse[16] = {};
};

}  // namespace isImageSDK
