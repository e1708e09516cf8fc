#pragma once

#include <cstdint>

#include "engine/math/Mat4.h"

namespace cocos2d {

// Base of everything a node queues on the renderer during a visit. The renderer sorts
// commands by global z order and runs them after the visit, so a command must stay alive
// (usually as a member of its node) until the frame is rendered.
class RenderCommand {
public:
    enum class Type {
        UNKNOWN_COMMAND,
        CUSTOM_COMMAND,
        TRIANGLES_COMMAND,
        GROUP_COMMAND,
        SCISSOR_COMMAND,
    };

    virtual ~RenderCommand();

    // Sets the z order, the model-view transform and, from the node's flags, whether the
    // command is drawn as 3D (depth-sorted with depth test) or as 2D.
    void init(float globalZOrder, const Mat4& modelViewTransform, uint32_t flags);

    Type getType() const { return _type; }
    float getGlobalOrder() const { return _globalOrder; }
    void setGlobalOrder(float order) { _globalOrder = order; }

    bool isTransparent() const { return _isTransparent; }
    void setTransparent(bool transparent) { _isTransparent = transparent; }

    bool is3D() const { return _is3D; }
    void set3D(bool value) { _is3D = value; }

    // Eye-space depth; orders transparent 3D commands far to near.
    float getDepth() const { return _depth; }

    bool isSkipBatching() const { return _skipBatching; }
    void setSkipBatching(bool value) { _skipBatching = value; }

    const Mat4& getModelViewTransform() const { return _mv; }

protected:
    RenderCommand() = default;

    Type _type = Type::UNKNOWN_COMMAND;
    float _globalOrder = 0.0f;
    bool _isTransparent = true;
    bool _skipBatching = false;
    bool _is3D = false;
    float _depth = 0.0f;
    Mat4 _mv;
};

}  // namespace cocos2d
