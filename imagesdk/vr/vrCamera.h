#pragma once

#include "engine/math/Mat4.h"
#include "engine/math/Vec3.h"

namespace isImageSDK {

// The view a ray caster renders: a plain copy of a window camera's projection and look-at
// vectors, so that render threads never touch the window's camera. Screen points are viewport
// pixels from the bottom left with a depth of 0 at the near plane and 1 at the far plane.
class vrCamera {
public:
    bool perspective = false;
    // Vertical field of view in degrees.
    float fieldOfView = 60.0f;
    float viewportWidth = 1.0f;
    float viewportHeight = 1.0f;
    float nearPlane = 1.0f;
    float farPlane = 1000.0f;
    // World units per viewport pixel of an orthographic view.
    float zoom = 1.0f;
    cocos2d::Vec3 eye{0.0f, 0.0f, -1.0f};
    cocos2d::Vec3 centre{0.0f, 0.0f, 0.0f};
    cocos2d::Vec3 up{0.0f, -1.0f, 0.0f};

    cocos2d::Mat4 getProjection() const;
    cocos2d::Mat4 getView() const;
    // Projection times view.
    cocos2d::Mat4 getViewProjection() const;

    // Converts with the given view-projection (or its inverse), for callers that convert many
    // points of one frame. worldToScreen is false for a point at or behind the eye plane.
    static cocos2d::Vec3 screenToWorld(const cocos2d::Mat4& inverseViewProjection, float width,
                                       float height, const cocos2d::Vec3& screen);
    static bool worldToScreen(const cocos2d::Mat4& viewProjection, float width, float height,
                              const cocos2d::Vec3& world, cocos2d::Vec3& screen);
};

}  // namespace isImageSDK
