#include "engine/renderer/ClippingProtocol.h"

#include <algorithm>

#include "engine/2d/Camera.h"
#include "engine/2d/Node.h"
#include "engine/renderer/Renderer.h"

namespace cocos2d {

ClippingProtocol::~ClippingProtocol() = default;

void ClippingProtocol::beginScissor(Renderer* renderer) {
    _scissorOpen = false;
    auto* node = dynamic_cast<Node*>(this);
    if (renderer == nullptr || node == nullptr || _clippingRect.size.width <= 0.0f ||
        _clippingRect.size.height <= 0.0f) {
        return;
    }
    const Mat4 toWorld = node->getNodeToWorldTransform();
    const Vec2 corners[4] = {
        Vec2(_clippingRect.getMinX(), _clippingRect.getMinY()),
        Vec2(_clippingRect.getMaxX(), _clippingRect.getMinY()),
        Vec2(_clippingRect.getMinX(), _clippingRect.getMaxY()),
        Vec2(_clippingRect.getMaxX(), _clippingRect.getMaxY()),
    };
    float minX = 0.0f;
    float minY = 0.0f;
    float maxX = 0.0f;
    float maxY = 0.0f;
    // Window points as the camera being visited shows them (the world itself without one).
    const Camera* camera = Camera::getVisitingCamera();
    for (int i = 0; i < 4; ++i) {
        Vec3 p(corners[i].x, corners[i].y, 0.0f);
        toWorld.transformPoint(&p);
        if (camera != nullptr) {
            const Vec2 screen = camera->projectGL(p);
            p.x = screen.x;
            p.y = screen.y;
        }
        minX = i == 0 ? p.x : std::min(minX, p.x);
        minY = i == 0 ? p.y : std::min(minY, p.y);
        maxX = i == 0 ? p.x : std::max(maxX, p.x);
        maxY = i == 0 ? p.y : std::max(maxY, p.y);
    }
    const uint32_t flags = _depthTestEnabled ? Node::FLAGS_RENDER_AS_3D : 0;
    _beginScissorCommand.initBegin(node->getGlobalZOrder(),
                                   Rect(minX, minY, maxX - minX, maxY - minY), toWorld, flags);
    renderer->addCommand(&_beginScissorCommand);
    _scissorOpen = true;
}

void ClippingProtocol::endScissor(Renderer* renderer) {
    if (!_scissorOpen || renderer == nullptr) {
        return;
    }
    _scissorOpen = false;
    auto* node = dynamic_cast<Node*>(this);
    const uint32_t flags = _depthTestEnabled ? Node::FLAGS_RENDER_AS_3D : 0;
    _endScissorCommand.initEnd(node->getGlobalZOrder(), node->getNodeToWorldTransform(), flags);
    renderer->addCommand(&_endScissorCommand);
}

}  // namespace cocos2d
