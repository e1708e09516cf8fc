#include "engine/renderer/GroupCommand.h"

#include "engine/renderer/Renderer.h"

namespace cocos2d {

GroupCommand::GroupCommand() {
    _type = Type::GROUP_COMMAND;
}

GroupCommand::~GroupCommand() = default;

void GroupCommand::init(Renderer* renderer, float globalOrder) {
    _globalOrder = globalOrder;
    if (renderer != _renderer) {
        _renderer = renderer;
        _renderQueueID = renderer->createRenderQueue();
    }
}

}  // namespace cocos2d
