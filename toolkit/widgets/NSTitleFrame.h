#pragma once

#include <functional>
#include <string>

namespace cocos2d {
class Node;
class Scene;
}  // namespace cocos2d

namespace NSUI {

// The common full-window frame "bkScene.csb" of the phone screens: a title bar with the back
// button and the title, over the space where a screen puts its panel.
constexpr const char* kTitleFrameFile = "bkScene.csb";
constexpr float kTitleBarHeight = 60.0f;

// Loads the frame, sizes it to the window, translates its texts and adds it to `scene`; the title
// shows `title` and the back button runs `onBack`. Null when the layout cannot be loaded.
cocos2d::Node* addTitleFrame(cocos2d::Scene* scene, const std::string& title,
                             std::function<void()> onBack);

// Gives `panel` the window below the title bar, anchored at its bottom left corner.
void placeBelowTitleBar(cocos2d::Node* panel);

}  // namespace NSUI
