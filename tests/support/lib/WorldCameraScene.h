#pragma once

#include "engine/2d/Camera.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"

namespace bvtest {

// A scene whose only user camera (flag 2, as a render window's) maps world units 1:1 onto the
// window's pixels: world (x, y, 0) is drawn at frame pixel (x, y) from the bottom-left.
class WorldCameraScene {
public:
    WorldCameraScene(int width, int height) {
        scene = cocos2d::Scene::create();
        camera =
            cocos2d::Camera::createOrthographic(float(width), float(height), -1000.0f, 1000.0f);
        camera->setCameraFlag(2);
        camera->setDepth(1);
        scene->addChild(camera);
        cocos2d::Director::getInstance()->runWithScene(scene);
    }

    void add(cocos2d::Node* node) {
        node->setCameraMask(2, true);
        scene->addChild(node);
    }

    cocos2d::Scene* scene = nullptr;
    cocos2d::Camera* camera = nullptr;
};

}  // namespace bvtest
