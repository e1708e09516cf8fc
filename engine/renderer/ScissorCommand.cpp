#include "engine/renderer/ScissorCommand.h"

namespace cocos2d {

ScissorCommand::ScissorCommand() {
    _type = Type::SCISSOR_COMMAND;
}

void ScissorCommand::initBegin(float globalOrder, const Rect& rect, const Mat4& mv,
                               uint32_t flags) {
    RenderCommand::init(globalOrder, mv, flags);
    _begin = true;
    _rect = rect;
}

void ScissorCommand::initEnd(float globalOrder, const Mat4& mv, uint32_t flags) {
    RenderCommand::init(globalOrder, mv, flags);
    _begin = false;
}

}  // namespace cocos2d
