#pragma once

#include <functional>

#include "engine/renderer/RenderCommand.h"

namespace cocos2d {

// A command whose drawing is a callback, run by the GL backend when the command's turn
// comes. Headless renderers record the command without running the callback.
class CustomCommand : public RenderCommand {
public:
    CustomCommand();

    void init(float globalZOrder, const Mat4& modelViewTransform, uint32_t flags);
    // Plain z-ordered form: identity transform, drawn as 2D.
    void init(float globalZOrder);

    void execute() const;

    std::function<void()> func;
};

}  // namespace cocos2d
