#include "imagesdk/render/isInteractorBase.h"

#include <sys/time.h>

#include "engine/2d/Node.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/base/Macros.h"
#include "engine/base/Utils.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "toolkit/core/NSNotificationCenter.h"

namespace isImageSDK {

using cocos2d::Touch;
using cocos2d::Vec2;

namespace {

// The gesture in progress, shared by every interactor of the program.
bool gestureActive = false;
isInteractorBase* gestureOwner = nullptr;

isInteractorBase::Clock& clockSlot() {
    static isInteractorBase::Clock clock;
    return clock;
}

// A stroke this quick and this long is a flick; a touch this short and still is a tap.
constexpr int64_t kFlickMinMs = 26;
constexpr int64_t kFlickMaxMs = 129;
constexpr float kFlickMinDistance = 150.0f;
constexpr float kFlickMaxDistance = 400.0f;
constexpr int64_t kTapMaxMs = 100;
constexpr float kTapMaxDistance = 50.0f;

Touch* findTouch(const isInteractorBase::Touches& touches, int id) {
    for (Touch* touch : touches) {
        if (touch->getID() == id) {
            return touch;
        }
    }
    return nullptr;
}

}  // namespace

bool isInteractorBase::isGestureActive() {
    return gestureActive;
}

isInteractorBase* isInteractorBase::getGestureOwner() {
    return gestureActive ? gestureOwner : nullptr;
}

void isInteractorBase::setClock(Clock clock) {
    clockSlot() = std::move(clock);
}

isInteractorBase::TimeStamp isInteractorBase::now() {
    if (clockSlot()) {
        return clockSlot()();
    }
    struct timeval tv {};
    cocos2d::gettimeofday(&tv, nullptr);
    return TimeStamp{static_cast<int32_t>(tv.tv_sec), static_cast<int32_t>(tv.tv_usec)};
}

int64_t isInteractorBase::millisecondsBetween(const TimeStamp& from, const TimeStamp& to) {
    const int64_t micros = (static_cast<int64_t>(to.seconds) - from.seconds) * 1000000 +
                           (static_cast<int64_t>(to.microseconds) - from.microseconds);
    return micros / 1000;
}

isInteractorBase::~isInteractorBase() {
    // An owner that dies mid-gesture would otherwise lock every other window out.
    giveUpGesture();
    CC_SAFE_RELEASE(renderWindow);
}

void isInteractorBase::cleanup() {
    giveUpGesture();
    heldTouches.clear();
    singleTouchMode = true;
    CC_SAFE_RELEASE_NULL(renderWindow);
}

bool isInteractorBase::init() {
    isObject::init();
    singleTouchMode = true;
    kind = 0;
    CC_SAFE_RELEASE_NULL(renderWindow);
    touchBeganTime = TimeStamp{};
    gestureActive = false;
    gestureOwner = nullptr;
    ownsTheGesture = false;
    pinchZoomEnabled = true;
    dragEnabled = true;
    return true;
}

void isInteractorBase::giveUpGesture() {
    if (gestureOwner == this) {
        gestureActive = false;
        gestureOwner = nullptr;
    }
    ownsTheGesture = false;
}

void isInteractorBase::setRenderWindow(cocos2d::Node* window) {
    CC_SAFE_RETAIN(window);
    CC_SAFE_RELEASE(renderWindow);
    renderWindow = window;
}

void isInteractorBase::touchesBegan(const Touches& touches) {
    if (gestureActive && !ownsTheGesture) {
        return;
    }
    if (renderWindow != nullptr &&
        cocos2d::Director::getInstance()->getRunningScene() != renderWindow->getScene()) {
        return;
    }
    if (gestureActive) {
        if (gestureOwner != this) {
            ownsTheGesture = false;
            return;
        }
        holdTouches(touches);
    } else {
        bool hit = false;
        if (renderWindow != nullptr) {
            const cocos2d::Size& size = renderWindow->getContentSize();
            for (Touch* touch : touches) {
                const Vec2 p = toWindowSpace(touch->getLocation());
                if (p.x > 0.0f && p.y > 0.0f && p.x < size.width && p.y < size.height) {
                    hit = true;
                    break;
                }
            }
        }
        holdTouches(touches);
        if (!hit) {
            ownsTheGesture = false;
            return;
        }
        gestureActive = true;
        gestureOwner = this;
        ownsTheGesture = true;
        NSUI::NSNotificationCenter::getInstance()->postNotification(this, NOTIFY_VIEW_ACTIVATED,
                                                                    nullptr, renderWindow, true);
    }

    if (singleTouchMode && heldTouches.size() >= 2) {
        singleTouchMode = false;
        onTouchEnded(heldTouches.front());
    }
    tapCandidate = true;
    if (singleTouchMode) {
        startSingleTouch(heldTouches.front());
    } else {
        onPinchBegan(touches);
    }
}

void isInteractorBase::touchesMoved(const Touches& touches) {
    if (!ownsTheGesture || !gestureActive) {
        return;
    }
    if (!singleTouchMode) {
        onPinchMoved(touches);
        return;
    }
    if (heldTouches.empty()) {
        return;
    }
    Touch* touch = findTouch(touches, heldTouches.front()->getID());
    if (touch != nullptr) {
        onTouchMoved(touch);
    }
}

void isInteractorBase::touchesEnded(const Touches& touches) {
    endTouches(touches, false);
}

void isInteractorBase::touchesCancelled(const Touches& touches) {
    endTouches(touches, true);
}

void isInteractorBase::endTouches(const Touches& touches, bool cancelled) {
    if (ownsTheGesture) {
        if (singleTouchMode) {
            if (!heldTouches.empty()) {
                Touch* touch = findTouch(touches, heldTouches.front()->getID());
                if (touch != nullptr) {
                    if (cancelled) {
                        onTouchCancelled(touch);
                    } else {
                        onTouchEnded(touch);
                    }
                }
                heldTouches.clear();
            }
        } else if (cancelled) {
            onPinchCancelled(touches);
        } else {
            onPinchEnded(touches);
        }
        if (heldTouches.empty()) {
            giveUpGesture();
            singleTouchMode = true;
        }
    } else if (!gestureActive) {
        heldTouches.clear();
    }
}

void isInteractorBase::holdTouches(const Touches& touches) {
    for (Touch* touch : touches) {
        Touch* held = findHeld(touch->getID());
        if (held != nullptr) {
            held->setLocation(touch->getLocation());
            continue;
        }
        held = new Touch();
        const Vec2 inView = touch->getLocationInView();
        held->setTouchInfo(touch->getID(), inView.x, inView.y);
        held->setLocation(touch->getLocation());
        heldTouches.pushBack(held);
        held->release();
    }
}

void isInteractorBase::startSingleTouch(Touch* touch) {
    dragTotal = Vec2::ZERO;
    startLocation = touch->getLocation();
    previousEventTime = touchBeganTime;
    const TimeStamp time = now();
    const int64_t sincePreviousStart = millisecondsBetween(touchBeganTime, time);
    touchBeganTime = time;
    if (sincePreviousStart > kDoubleTapMs) {
        onTouchBegan(touch);
    } else {
        onDoubleTap(toWindowSpace(touch->getLocation()));
    }
}

void isInteractorBase::onTouchBegan(Touch*) {}

void isInteractorBase::onTouchMoved(Touch* touch) {
    const Vec2 location = touch->getLocation();
    if (dragEnabled) {
        const Vec2 step = (location - startLocation) - dragTotal;
        dragTotal += step;
        const TimeStamp time = now();
        const int64_t ms = millisecondsBetween(previousEventTime, time);
        previousEventTime = time;
        const float speed = ms >= 1 ? step.length() / static_cast<float>(ms) : 0.0f;
        applyDrag(step, speed);
    }
    if (location.distance(startLocation) > kTapSlop) {
        tapCandidate = false;
    }
}

void isInteractorBase::onTouchEnded(Touch* touch) {
    const Vec2 location = touch->getLocation();
    const int64_t ms = millisecondsBetween(touchBeganTime, now());
    const float distance = location.distance(startLocation);
    if (ms >= kFlickMinMs && ms <= kFlickMaxMs && distance > kFlickMinDistance &&
        distance < kFlickMaxDistance) {
        onFlick(toWindowSpace(location), location - startLocation);
    } else if (ms < kTapMaxMs && distance < kTapMaxDistance) {
        onTap(toWindowSpace(location));
    }
}

void isInteractorBase::onTouchCancelled(Touch*) {}

void isInteractorBase::onPinchBegan(const Touches&) {
    if (heldTouches.size() != 2) {
        return;
    }
    if (dragEnabled) {
        dragTotal = Vec2::ZERO;
    }
    if (pinchZoomEnabled) {
        pinchBaseDistance =
            heldTouches.at(0)->getLocation().distance(heldTouches.at(1)->getLocation());
        pinchRatio = 1.0f;
    }
}

void isInteractorBase::onPinchMoved(const Touches& touches) {
    if (touches.size() != 2 || heldTouches.size() != 2) {
        return;
    }
    if (pinchZoomEnabled) {
        const float distance = touches[0]->getLocation().distance(touches[1]->getLocation());
        if (pinchBaseDistance <= 0.0f) {
            // Touches that began on one point give no ratio yet: measure from here on.
            pinchBaseDistance = distance;
            pinchRatio = 1.0f;
        } else if (distance > 0.0f) {
            const float ratio = distance / pinchBaseDistance;
            const float previous = pinchRatio;
            pinchRatio = ratio;
            onZoom(ratio / previous);
        }
    }
    if (dragEnabled) {
        Touch* first = findHeld(touches[0]->getID());
        Touch* second = findHeld(touches[1]->getID());
        if (first != nullptr && second != nullptr) {
            const Vec2 midpointShift = ((touches[0]->getLocation() - first->getLocation()) +
                                        (touches[1]->getLocation() - second->getLocation())) *
                                       0.5f;
            const Vec2 step = midpointShift - dragTotal;
            dragTotal += step;
            onPan(step);
        }
    }
}

void isInteractorBase::onPinchEnded(const Touches& touches) {
    dropHeldTouches(touches);
    onPinchBegan(touches);
}

void isInteractorBase::onPinchCancelled(const Touches& touches) {
    isInteractorBase::onPinchEnded(touches);
}

void isInteractorBase::onDoubleTap(const Vec2&) {}
void isInteractorBase::onPan(const Vec2&) {}
void isInteractorBase::onZoom(float) {}
void isInteractorBase::onFlick(const Vec2&, const Vec2&) {}
void isInteractorBase::onTap(const Vec2&) {}
void isInteractorBase::applyDrag(const Vec2&, float) {}

void isInteractorBase::dropHeldTouches(const Touches& touches) {
    for (Touch* touch : touches) {
        Touch* held = findHeld(touch->getID());
        if (held != nullptr) {
            heldTouches.eraseObject(held);
        }
    }
}

Touch* isInteractorBase::findHeld(int id) const {
    for (Touch* held : heldTouches) {
        if (held->getID() == id) {
            return held;
        }
    }
    return nullptr;
}

Vec2 isInteractorBase::toWindowSpace(const Vec2& location) const {
    return renderWindow != nullptr ? renderWindow->convertToNodeSpace(location) : location;
}

}  // namespace isImageSDK
