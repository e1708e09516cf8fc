#pragma once

#include "engine/math/Geometry.h"
#include "engine/renderer/RenderCommand.h"

namespace cocos2d {

// Opens or closes a scissor region. Regions nest: an inner region is cut to the one around it,
// and closing it restores the outer one (or no scissor at the outermost level).
class ScissorCommand : public RenderCommand {
public:
    ScissorCommand();

    // `rect` is in GL points (origin bottom-left of the window). The transform and flags are
    // those of the clipped node, so that the command sorts next to the node's own commands.
    void initBegin(float globalOrder, const Rect& rect, const Mat4& mv, uint32_t flags);
    void initEnd(float globalOrder, const Mat4& mv, uint32_t flags);

    bool isBegin() const { return _begin; }
    const Rect& getRect() const { return _rect; }

private:
    bool _begin = true;
    Rect _rect;
};

}  // namespace cocos2d
