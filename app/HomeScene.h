#pragma once

namespace cocos2d {
class Scene;
}

// The scene of every start but the first: the home screen.
cocos2d::Scene* createHomeScene();
