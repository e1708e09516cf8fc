#pragma once

#include <string>

#include "online/adsWebView.h"

namespace cocos2d {
class Scene;
}

// The feedback page: a title bar with "Advice" and a back button over a web view that shows
// the local page "pay/advice.htm", its script folder filled in.
class advice : public adsWebView {
public:
    // Null when the title-bar layout cannot be loaded. The caller pushes the scene.
    static cocos2d::Scene* createScene();
    static advice* create();

    void onEnterTransitionDidFinish() override;
    // The page with every "JS_URL" replaced by `folder`.
    static std::string preparePage(std::string page, const std::string& folder);

protected:
    advice() = default;
};
