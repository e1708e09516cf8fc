#include "engine/renderer/RenderCommand.h"

#include "engine/2d/Camera.h"
#include "engine/2d/Node.h"

namespace cocos2d {

RenderCommand::~RenderCommand() = default;

void RenderCommand::init(float globalZOrder, const Mat4& modelViewTransform, uint32_t flags) {
    _globalOrder = globalZOrder;
    _mv = modelViewTransform;
    if ((flags & Node::FLAGS_RENDER_AS_3D) != 0) {
        const Camera* camera = Camera::getVisitingCamera();
        _depth = camera != nullptr ? camera->getDepthInView(modelViewTransform) : 0.0f;
        set3D(true);
    } else {
        set3D(false);
        _depth = 0.0f;
    }
}

}  // namespace cocos2d
