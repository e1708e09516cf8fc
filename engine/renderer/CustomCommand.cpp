#include "engine/renderer/CustomCommand.h"

namespace cocos2d {

CustomCommand::CustomCommand() {
    _type = Type::CUSTOM_COMMAND;
}

void CustomCommand::init(float globalZOrder, const Mat4& modelViewTransform, uint32_t flags) {
    RenderCommand::init(globalZOrder, modelViewTransform, flags);
}

void CustomCommand::init(float globalZOrder) {
    RenderCommand::init(globalZOrder, Mat4::IDENTITY, 0);
}

void CustomCommand::execute() const {
    if (func) {
        func();
    }
}

}  // namespace cocos2d
