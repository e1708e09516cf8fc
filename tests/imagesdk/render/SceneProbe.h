#pragma once

#include <vector>

#include "engine/base/Director.h"
#include "engine/renderer/RenderCommand.h"
#include "engine/renderer/Renderer.h"
#include "engine/renderer/RendererBackend.h"
#include "tests/support/lib/WorldCameraScene.h"

namespace rendertest {

// A headless scene with one orthographic camera of flag 2 (a render window's camera), whose
// frames are recorded: nodes handed to `add` draw for that camera only.
class SceneProbe : public bvtest::WorldCameraScene {
public:
    SceneProbe() : WorldCameraScene(960, 640) {}

    // Runs one frame and gives the commands it drew, in order.
    std::vector<const cocos2d::RenderCommand*> frame(float delta = 1.0f / 60.0f) {
        cocos2d::Director* director = cocos2d::Director::getInstance();
        director->mainLoop(delta);
        auto* backend =
            dynamic_cast<cocos2d::RecordingRendererBackend*>(director->getRenderer()->getBackend());
        return backend != nullptr ? backend->getDrawnCommands()
                                  : std::vector<const cocos2d::RenderCommand*>();
    }
};

}  // namespace rendertest
