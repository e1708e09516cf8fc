#pragma once

#include <vector>

#include "engine/2d/Camera.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/renderer/RenderCommand.h"
#include "engine/renderer/Renderer.h"
#include "engine/renderer/RendererBackend.h"

namespace rendertest {

// A headless scene with one orthographic camera of flag 2 (a render window's camera), whose
// frames are recorded: nodes handed to `add` draw for that camera only.
class SceneProbe {
public:
    SceneProbe() {
        scene = cocos2d::Scene::create();
        camera = cocos2d::Camera::createOrthographic(960, 640, -1000, 1000);
        camera->setCameraFlag(2);
        camera->setDepth(1);
        scene->addChild(camera);
        cocos2d::Director::getInstance()->runWithScene(scene);
    }

    void add(cocos2d::Node* node) {
        node->setCameraMask(2, true);
        scene->addChild(node);
    }

    // Runs one frame and gives the commands it drew, in order.
    std::vector<const cocos2d::RenderCommand*> frame(float delta = 1.0f / 60.0f) {
        cocos2d::Director* director = cocos2d::Director::getInstance();
        director->mainLoop(delta);
        auto* backend =
            dynamic_cast<cocos2d::RecordingRendererBackend*>(director->getRenderer()->getBackend());
        return backend != nullptr ? backend->getDrawnCommands()
                                  : std::vector<const cocos2d::RenderCommand*>();
    }

    cocos2d::Scene* scene = nullptr;
    cocos2d::Camera* camera = nullptr;
};

}  // namespace rendertest
