#include "imagesdk/vr/vrCamera.h"

#include "engine/math/Vec4.h"

namespace isImageSDK {

cocos2d::Mat4 vrCamera::getProjection() const {
    cocos2d::Mat4 p;
    if (perspective) {
        cocos2d::Mat4::createPerspective(fieldOfView, viewportWidth / viewportHeight, nearPlane,
                                         farPlane, &p);
    } else {
        const float halfW = viewportWidth * 0.5f * zoom;
        const float halfH = viewportHeight * 0.5f * zoom;
        cocos2d::Mat4::createOrthographicOffCenter(-halfW, halfW, -halfH, halfH, nearPlane,
                                                   farPlane, &p);
    }
    return p;
}

cocos2d::Mat4 vrCamera::getView() const {
    cocos2d::Mat4 v;
    cocos2d::Mat4::createLookAt(eye, centre, up, &v);
    return v;
}

cocos2d::Mat4 vrCamera::getViewProjection() const {
    return getProjection() * getView();
}

cocos2d::Vec3 vrCamera::screenToWorld(const cocos2d::Mat4& inverse, float width, float height,
                                      const cocos2d::Vec3& screen) {
    cocos2d::Vec4 n(2.0f * screen.x / width - 1.0f, 2.0f * screen.y / height - 1.0f,
                    2.0f * screen.z - 1.0f, 1.0f);
    cocos2d::Vec4 q;
    inverse.transformVector(n, &q);
    if (q.w == 0.0f) {
        return {q.x, q.y, q.z};
    }
    return {q.x / q.w, q.y / q.w, q.z / q.w};
}

bool vrCamera::worldToScreen(const cocos2d::Mat4& viewProjection, float width, float height,
                             const cocos2d::Vec3& world, cocos2d::Vec3& screen) {
    cocos2d::Vec4 c;
    viewProjection.transformVector(cocos2d::Vec4(world.x, world.y, world.z, 1.0f), &c);
    if (c.w <= 0.0f) {
        return false;
    }
    screen = {(c.x / c.w + 1.0f) * 0.5f * width, (c.y / c.w + 1.0f) * 0.5f * height,
              (c.z / c.w + 1.0f) * 0.5f};
    return true;
}

}  // namespace isImageSDK
