#pragma once

#include "engine/2d/Scene.h"

// A full-window scene that shows one picture in the common frame "bkScene.csb": a title bar with
// the back button, a share button at the top right, and a picture view (tag kPictureTag) that
// fills the rest. The caller finds the view by its tag, gives it the picture and pushes the
// scene; the back button and the back key pop it.
class spriteViewScene : public cocos2d::Scene {
public:
    static constexpr int kPictureTag = 10000;
    static constexpr const char* kShareImage = "imgs/shareBlue.png";

    // Autoreleased and ready to push. Without its layout file the scene is empty.
    static cocos2d::Scene* createScene();

    // The back key: pops the scene and consumes the key.
    bool onResponseReturn() override;
    // The share button: hands the picture to the platform's share hook (nothing on the desktop).
    void shareImage();

protected:
    spriteViewScene() = default;
};
