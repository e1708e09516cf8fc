#pragma once

#include <functional>

namespace cocos2d {
class Scene;
}

// Where the screens open the favourites notebook. The notebook is built above the application
// layer, so the program hands its scene maker in at start-up; without one the user is told that
// the screen is not available. Main thread only.
void setFavouritesSceneMaker(std::function<cocos2d::Scene*()> maker);
// Pushes a new favourites scene.
void openFavourites();
