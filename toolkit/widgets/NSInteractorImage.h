#pragma once

#include "toolkit/widgets/NSInteractorBase.h"

namespace NSUI {

// The interactor of a sprite view: pinch zooms its picture within the scale bounds, and a
// one-finger drag or a two-finger pan moves it. Its target is the sprite view.
class NSInteractorImage : public NSInteractorBase {
public:
    static NSInteractorImage* create();

    // Pinch and right-drag stop growing the picture above this scale and shrinking it below
    // the lower one; one step may cross a bound.
    static constexpr float kMaxScale = 10.0f;
    static constexpr float kMinScale = 0.1f;

    // Unlike other interactors it does not retain its target: the view owns it, and a view
    // retained by its own interactor would never be freed.
    void setTarget(cocos2d::Node* node) override;
    void clearTarget() override;

    void onPinch(float factor) override;
    void onTwoFingerPan(const cocos2d::Vec2& step) override;
    // The speed is not used.
    void onDrag(const cocos2d::Vec2& step, float speed) override;

protected:
    NSInteractorImage() = default;
    ~NSInteractorImage() override;
};

}  // namespace NSUI
