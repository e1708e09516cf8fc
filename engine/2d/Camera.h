#pragma once

#include "engine/2d/Node.h"
#include "engine/math/Geometry.h"
#include "engine/math/Mat4.h"
#include "engine/math/Vec3.h"

namespace cocos2d {

class Scene;

// A viewpoint of a scene. Each scene has a default camera (flag 1) looking at the window as
// the 2D design space; user cameras added to the scene draw before it, each pass clearing
// only depth, in order of their depth (lowest first, equal depths in the order added).
class Camera : public Node {
public:
    enum class Type { PERSPECTIVE = 1, ORTHOGRAPHIC = 2 };

    // Perspective camera of 60 degrees looking at the window centre from the distance at
    // which the window fills the view.
    static Camera* create();
    static Camera* createPerspective(float fieldOfView, float aspectRatio, float nearPlane,
                                     float farPlane);
    static Camera* createOrthographic(float zoomX, float zoomY, float nearPlane, float farPlane);

    // The default camera of the running scene, or null.
    static Camera* getDefaultCamera();
    // The camera whose pass is being visited or whose turn it is in event dispatch; null
    // outside those times.
    static const Camera* getVisitingCamera() { return _visitingCamera; }

    Type getType() const { return _type; }

    unsigned short getCameraFlag() const { return static_cast<unsigned short>(_cameraFlag); }
    void setCameraFlag(unsigned short flag) { _cameraFlag = flag; }

    // Points the camera at `target` from its current position.
    virtual void lookAt(const Vec3& target, const Vec3& up = Vec3(0.0f, 1.0f, 0.0f));

    const Mat4& getProjectionMatrix() const;
    virtual const Mat4& getViewMatrix() const;
    // Additional projection · projection · view.
    const Mat4& getViewProjectionMatrix() const;
    // Whether additional projection · projection · view changed since the previous pass of this
    // camera: valid during a pass of the scene's render, so nodes can skip per-view work.
    bool isViewProjectionUpdated() const { return _viewProjectionUpdatedInPass; }
    // Starts a pass: takes over whether the matrix was recomputed since the last pass.
    void beginPass();
    // Multiplied on the left of the projection: maps the camera's picture to another part of
    // normalised device space.
    void setAdditionalProjection(const Mat4& mat);

    // Depth of the transform's origin in front of the camera (positive ahead).
    float getDepthInView(const Mat4& transform) const;

    // Sort key of the camera passes.
    void setDepth(int8_t depth);
    int8_t getDepth() const { return _depth; }
    // Order of the camera among the scene's cameras.
    int getRenderOrder() const;

    float getFarPlane() const { return _farPlane; }
    float getNearPlane() const { return _nearPlane; }

    // Window point (origin bottom-left, in points) with depth 0..1 to world space and back.
    Vec3 unproject(const Vec3& src) const;
    Vec2 projectGL(const Vec3& src) const;

    // Pixels, origin bottom-left; an empty viewport means the whole view. Applied at the start
    // of the camera's pass.
    void setViewport(const Rect& viewport) { _viewport = viewport; }
    const Rect& getViewport() const { return _viewport; }
    virtual void applyViewport();

    bool initDefault();
    bool initPerspective(float fieldOfView, float aspectRatio, float nearPlane, float farPlane);
    bool initOrthographic(float zoomX, float zoomY, float nearPlane, float farPlane);

    void onEnter() override;
    void onExit() override;
    // Registers the camera with `scene` (null: with none).
    void setScene(Scene* scene);

    static Camera* _visitingCamera;

protected:
    Camera();
    ~Camera() override;

    Scene* _scene = nullptr;
    Mat4 _projection;
    mutable Mat4 _view;
    mutable Mat4 _viewInv;
    mutable Mat4 _viewProjection;
    Mat4 _additionalProjection;
    bool _hasAdditionalProjection = false;
    Vec3 _up;
    Type _type = Type::PERSPECTIVE;
    float _fieldOfView = 60.0f;
    float _zoom[2] = {0.0f, 0.0f};
    float _aspectRatio = 1.0f;
    float _nearPlane = 1.0f;
    float _farPlane = 1000.0f;
    mutable bool _viewProjectionDirty = true;
    // Set whenever the view-projection matrix is recomputed; taken over by beginPass.
    mutable bool _viewProjectionRecomputed = true;
    bool _viewProjectionUpdatedInPass = true;
    unsigned int _cameraFlag = 1;
    int8_t _depth = -1;
    Rect _viewport;

    friend class Scene;
};

}  // namespace cocos2d
