#pragma once

#include "engine/2d/Scene.h"

class login;

// The phone host of the account screen: the title-bar layout "bkScene.csb" (tag 100) with the
// panel below its title bar, slid in from the top-left corner.
class loginScene : public cocos2d::Scene {
public:
    // Pushes the scene and returns its panel; null when "bkScene.csb" cannot be loaded.
    static login* create();

    // The panel's return rule; where the panel would close, the scene pops.
    bool onResponseReturn() override;

protected:
    loginScene() = default;
};
