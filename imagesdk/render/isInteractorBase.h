#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/base/Touch.h"
#include "engine/base/Vector.h"
#include "engine/math/Vec2.h"
#include "imagesdk/data/isObject.h"

namespace cocos2d {
class Node;
}  // namespace cocos2d

namespace isImageSDK {

// Turns the raw touches a render window receives into gestures: a one-touch drag with its
// speed, a two-touch pinch (zoom factor and midpoint pan), a double tap, a flick and a tap.
// Subclasses give the gestures their meaning by overriding the gesture operations.
//
// One interactor in the whole program owns a gesture at a time: the one that accepted its first
// touch inside its window. The others ignore touches until that gesture ends, or until its owner
// is cleaned up or destroyed. Accepting a gesture posts NOTIFY_VIEW_ACTIVATED to the window.
// Locations are GL view points; the points of taps and flicks are in the window's node space.
// Main thread only.
class isInteractorBase : public isObject {
public:
    // Wall-clock time in seconds and microseconds.
    struct TimeStamp {
        int32_t seconds = 0;
        int32_t microseconds = 0;
    };
    using Clock = std::function<TimeStamp()>;
    using Touches = std::vector<cocos2d::Touch*>;

    // A touch-down this soon (milliseconds, inclusive) after the previous one is a double tap.
    static constexpr int64_t kDoubleTapMs = 180;
    // Farther than this (pixels) from its start a touch is no longer a tap.
    static constexpr float kTapSlop = 2.0f;

    // Releases the window and the held touches, and gives up the gesture it owns.
    ~isInteractorBase() override;

    // Releases the window and the held touches, and gives up the gesture it owns.
    void cleanup() override;
    bool init() override;

    virtual void onPinchBegan(const Touches& touches);
    virtual void onPinchMoved(const Touches& touches);
    virtual void onPinchEnded(const Touches& touches);
    virtual void onPinchCancelled(const Touches& touches);
    // Retains the new window and releases the old one.
    virtual void setRenderWindow(cocos2d::Node* window);
    virtual void onTouchBegan(cocos2d::Touch* touch);
    // Reports the drag step through applyDrag and ends the tap candidacy past kTapSlop.
    virtual void onTouchMoved(cocos2d::Touch* touch);
    // A quick long stroke is a flick, a short still touch a tap.
    virtual void onTouchEnded(cocos2d::Touch* touch);
    virtual void onTouchCancelled(cocos2d::Touch* touch);
    virtual void onDoubleTap(const cocos2d::Vec2& point);
    // Two-touch midpoint step.
    virtual void onPan(const cocos2d::Vec2& delta);
    // Change of the two-touch distance since the last report.
    virtual void onZoom(float factor);
    virtual void onFlick(const cocos2d::Vec2& point, const cocos2d::Vec2& delta);
    virtual void onTap(const cocos2d::Vec2& point);
    // One-touch step in GL view pixels; speed in pixels per millisecond.
    virtual void applyDrag(const cocos2d::Vec2& delta, float speed);

    // The window's touch events.
    void touchesBegan(const Touches& touches);
    // Only for the owner of the active gesture: two-touch moves go to onPinchMoved, a one-touch
    // move of the first held touch to onTouchMoved.
    void touchesMoved(const Touches& touches);
    void touchesEnded(const Touches& touches);
    void touchesCancelled(const Touches& touches);

    int getKind() const { return kind; }
    cocos2d::Node* getRenderWindow() const { return renderWindow; }
    bool ownsGesture() const { return ownsTheGesture; }
    bool isSingleTouchMode() const { return singleTouchMode; }
    bool isTapCandidate() const { return tapCandidate; }
    const cocos2d::Vector<cocos2d::Touch*>& getHeldTouches() const { return heldTouches; }
    // Sum of the one-touch drag steps since the touch began.
    const cocos2d::Vec2& getDragTotal() const { return dragTotal; }
    void setPinchZoomEnabled(bool enabled) { pinchZoomEnabled = enabled; }
    void setDragEnabled(bool enabled) { dragEnabled = enabled; }

    static bool isGestureActive();
    static isInteractorBase* getGestureOwner();

    // Replaces the clock that times double taps, flicks, taps and drag speed; an empty clock
    // restores the system clock.
    static void setClock(Clock clock);
    static TimeStamp now();
    static int64_t millisecondsBetween(const TimeStamp& from, const TimeStamp& to);

protected:
    isInteractorBase() = default;

    int kind = 0;
    cocos2d::Node* renderWindow = nullptr;
    TimeStamp touchBeganTime;
    TimeStamp previousEventTime;
    cocos2d::Vec2 startLocation;
    bool singleTouchMode = true;
    cocos2d::Vector<cocos2d::Touch*> heldTouches;
    bool ownsTheGesture = false;
    bool pinchZoomEnabled = true;
    bool dragEnabled = true;
    float pinchRatio = 1.0f;
    float pinchBaseDistance = 0.0f;
    cocos2d::Vec2 dragTotal;
    bool tapCandidate = false;

private:
    void holdTouches(const Touches& touches);
    void startSingleTouch(cocos2d::Touch* touch);
    void endTouches(const Touches& touches, bool cancelled);
    void dropHeldTouches(const Touches& touches);
    // Ends the gesture this interactor owns, if any, without calling any gesture operation.
    void giveUpGesture();
    cocos2d::Touch* findHeld(int id) const;
    cocos2d::Vec2 toWindowSpace(const cocos2d::Vec2& location) const;
};

}  // namespace isImageSDK
