#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/base/Ref.h"
#include "engine/base/Touch.h"
#include "engine/base/Vector.h"
#include "engine/math/Vec2.h"

namespace cocos2d {
class Node;
}  // namespace cocos2d

namespace NSUI {

// Gesture recogniser over the raw touches of a view: tells one-finger drags, taps, double taps
// and swipes from two-finger pinch and pan, and reports them through virtual operations that a
// concrete interactor overrides. A touch-began with a hit on the target takes a process-wide
// capture, so that while one interactor follows a gesture the others ignore new touches.
// Main thread only.
class NSInteractorBase : public cocos2d::Ref {
public:
    // Wall-clock time in seconds and microseconds.
    struct TimeStamp {
        int32_t seconds = 0;
        int32_t microseconds = 0;
    };
    using Clock = std::function<TimeStamp()>;

    // Releases the target and the touch copies, and the capture when this interactor holds it.
    ~NSInteractorBase() override;

    virtual void twoFingerBegan(const std::vector<cocos2d::Touch*>& touches);
    virtual void twoFingerMoved(const std::vector<cocos2d::Touch*>& touches);
    virtual void twoFingerEnded(const std::vector<cocos2d::Touch*>& touches);
    virtual void twoFingerCancelled(const std::vector<cocos2d::Touch*>& touches);
    // Retains the new target and releases the old one.
    virtual void setTarget(cocos2d::Node* node);
    virtual void clearTarget();
    virtual bool init();
    virtual void oneFingerBegan(cocos2d::Touch* touch);
    virtual void oneFingerMoved(cocos2d::Touch* touch);
    virtual void oneFingerEnded(cocos2d::Touch* touch);
    virtual void oneFingerCancelled(cocos2d::Touch* touch);
    // Points are in the target's node space.
    virtual void onDoubleTap(const cocos2d::Vec2& nodePoint);
    virtual void onTwoFingerPan(const cocos2d::Vec2& step);
    // `factor` is the change of the finger distance since the last report.
    virtual void onPinch(float factor);
    virtual void onSwipe(const cocos2d::Vec2& nodePoint, const cocos2d::Vec2& delta);
    virtual void onTap(const cocos2d::Vec2& nodePoint);
    virtual void onDrag(const cocos2d::Vec2& step, float speed);

    // The touch events of the view that carries this interactor.
    void touchesBegan(const std::vector<cocos2d::Touch*>& touches);
    void touchesMoved(const std::vector<cocos2d::Touch*>& touches);
    void touchesEnded(const std::vector<cocos2d::Touch*>& touches);
    void touchesCancelled(const std::vector<cocos2d::Touch*>& touches);

    cocos2d::Node* getTarget() const { return target; }
    bool isOwningCapture() const { return ownsCapture; }
    bool isSingleTouch() const { return singleTouch; }
    bool isTapCandidate() const { return tapCandidate; }
    float getPinchScale() const { return pinchScale; }
    void setPinchEnabled(bool enabled) { pinchEnabled = enabled; }
    void setPanEnabled(bool enabled) { panEnabled = enabled; }

    // Whether some interactor holds the touches, and which.
    static bool isCapturing() { return capturing; }
    static NSInteractorBase* getCaptureOwner() { return captureOwner; }

    // Replaces the clock that times taps, double taps, swipes and drag speed; an empty clock
    // restores the system clock.
    static void setClock(Clock clock);
    static TimeStamp now();

protected:
    NSInteractorBase() = default;

    cocos2d::Node* target = nullptr;
    TimeStamp downTime;
    TimeStamp lastMoveTime;
    cocos2d::Vec2 downLocation;
    bool singleTouch = true;
    cocos2d::Vector<cocos2d::Touch*> touchCopies;
    bool ownsCapture = false;
    bool pinchEnabled = true;
    bool panEnabled = true;
    float pinchScale = 1.0f;
    float pinchStartDistance = 0.0f;
    cocos2d::Vec2 accumulated;
    bool tapCandidate = false;

    static bool capturing;
    static NSInteractorBase* captureOwner;

private:
    void copyTouches(const std::vector<cocos2d::Touch*>& touches);
    void beginOneFinger(cocos2d::Touch* touch);
    void endTouches(const std::vector<cocos2d::Touch*>& touches, bool cancelled);
    void removeCopiesOf(const std::vector<cocos2d::Touch*>& touches);
    cocos2d::Touch* findTouch(const std::vector<cocos2d::Touch*>& touches, int id) const;
    cocos2d::Touch* findCopy(int id) const;
    cocos2d::Vec2 toTargetSpace(const cocos2d::Vec2& location) const;
};

}  // namespace NSUI
