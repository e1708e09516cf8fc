#pragma once

#include "engine/2d/Layer.h"

namespace NSUI {

// The modal backdrop of the desktop pop-up forms: a window-sized layer above the rest of its
// parent that claims and swallows every touch strictly inside it, so the screen below stays
// still while a form is open. A hosted form closes by removing the window (its parent).
class NSResponseWindow : public cocos2d::Layer {
public:
    static NSResponseWindow* create();

    bool init() override;
    bool onTouchBegan(cocos2d::Touch* touch, cocos2d::Event* event) override;

protected:
    NSResponseWindow() = default;
    ~NSResponseWindow() override;
};

}  // namespace NSUI
