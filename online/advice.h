#pragma once

namespace cocos2d {
class Scene;
}

// The feedback page. Not available in this build: createScene gives null, and the caller tells
// the user so.
class advice {
public:
    static cocos2d::Scene* createScene();
};
