#pragma once

#include "engine/renderer/RenderCommand.h"

namespace cocos2d {

class Renderer;

// Opens a render queue of its own: commands queued between `Renderer::pushGroup` and
// `popGroup` are sorted among themselves and run where this command sits in its parent queue.
class GroupCommand : public RenderCommand {
public:
    GroupCommand();
    ~GroupCommand() override;

    GroupCommand(const GroupCommand&) = delete;
    GroupCommand& operator=(const GroupCommand&) = delete;

    // Reserves a queue of `renderer` the first time; later frames reuse it.
    void init(Renderer* renderer, float globalOrder);
    int getRenderQueueID() const { return _renderQueueID; }

private:
    Renderer* _renderer = nullptr;
    int _renderQueueID = -1;
};

}  // namespace cocos2d
