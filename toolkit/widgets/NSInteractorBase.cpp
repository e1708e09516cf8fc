#include "toolkit/widgets/NSInteractorBase.h"

#include <sys/time.h>

#include "engine/2d/Node.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/base/Macros.h"
#include "engine/base/Touch.h"
#include "engine/base/Utils.h"

namespace NSUI {

using cocos2d::Touch;
using cocos2d::Vec2;

bool NSInteractorBase::capturing = false;
NSInteractorBase* NSInteractorBase::captureOwner = nullptr;

namespace {

// A touch-down this soon after the previous one is a double tap.
constexpr int64_t kDoubleTapMs = 180;
// Farther than this from its start a touch is no longer a tap.
constexpr float kTapSlop = 2.0f;

NSInteractorBase::Clock& clockSlot() {
    static NSInteractorBase::Clock clock;
    return clock;
}

int64_t millisecondsBetween(const NSInteractorBase::TimeStamp& from,
                            const NSInteractorBase::TimeStamp& to) {
    const int64_t micros = (static_cast<int64_t>(to.seconds) - from.seconds) * 1000000 +
                           (static_cast<int64_t>(to.microseconds) - from.microseconds);
    return micros / 1000;
}

}  // namespace

void NSInteractorBase::setClock(Clock clock) {
    clockSlot() = std::move(clock);
}

NSInteractorBase::TimeStamp NSInteractorBase::now() {
    if (clockSlot()) {
        return clockSlot()();
    }
    struct timeval tv {};
    cocos2d::gettimeofday(&tv, nullptr);
    return TimeStamp{static_cast<int32_t>(tv.tv_sec), static_cast<int32_t>(tv.tv_usec)};
}

NSInteractorBase::~NSInteractorBase() {
    // A capture left behind by a dead owner would lock every other interactor out.
    if (captureOwner == this) {
        capturing = false;
        captureOwner = nullptr;
    }
    CC_SAFE_RELEASE(target);
}

bool NSInteractorBase::init() {
    singleTouch = true;
    pinchEnabled = true;
    panEnabled = true;
    ownsCapture = false;
    clearTarget();
    downTime = TimeStamp{};
    capturing = false;
    return true;
}

void NSInteractorBase::setTarget(cocos2d::Node* node) {
    CC_SAFE_RETAIN(node);
    CC_SAFE_RELEASE(target);
    target = node;
}

void NSInteractorBase::clearTarget() {
    CC_SAFE_RELEASE_NULL(target);
}

void NSInteractorBase::touchesBegan(const std::vector<Touch*>& touches) {
    if (capturing && !ownsCapture) {
        return;
    }
    if (target != nullptr &&
        cocos2d::Director::getInstance()->getRunningScene() != target->getScene()) {
        return;
    }
    if (capturing) {
        if (captureOwner != this) {
            ownsCapture = false;
            return;
        }
        copyTouches(touches);
    } else {
        bool hit = false;
        if (target != nullptr) {
            const cocos2d::Size& size = target->getContentSize();
            for (Touch* touch : touches) {
                const Vec2 p = toTargetSpace(touch->getLocation());
                if (p.x > 0.0f && p.y > 0.0f && p.x < size.width && p.y < size.height) {
                    hit = true;
                    break;
                }
            }
        }
        copyTouches(touches);
        if (!hit) {
            ownsCapture = false;
            return;
        }
        capturing = true;
        captureOwner = this;
        ownsCapture = true;
    }

    if (singleTouch && touchCopies.size() >= 2) {
        singleTouch = false;
        oneFingerEnded(touchCopies.front());
    }
    tapCandidate = true;
    if (singleTouch) {
        beginOneFinger(touchCopies.front());
    } else {
        twoFingerBegan(touches);
    }
}

void NSInteractorBase::touchesMoved(const std::vector<Touch*>& touches) {
    if (!ownsCapture || !capturing) {
        return;
    }
    if (singleTouch) {
        if (touchCopies.empty()) {
            return;
        }
        Touch* touch = findTouch(touches, touchCopies.front()->getID());
        if (touch != nullptr) {
            oneFingerMoved(touch);
        }
    } else {
        twoFingerMoved(touches);
    }
}

void NSInteractorBase::touchesEnded(const std::vector<Touch*>& touches) {
    endTouches(touches, false);
}

void NSInteractorBase::touchesCancelled(const std::vector<Touch*>& touches) {
    endTouches(touches, true);
}

void NSInteractorBase::endTouches(const std::vector<Touch*>& touches, bool cancelled) {
    if (ownsCapture) {
        if (singleTouch) {
            if (!touchCopies.empty()) {
                Touch* touch = findTouch(touches, touchCopies.front()->getID());
                if (touch != nullptr) {
                    if (cancelled) {
                        oneFingerCancelled(touch);
                    } else {
                        oneFingerEnded(touch);
                    }
                }
                touchCopies.clear();
            }
        } else if (cancelled) {
            twoFingerCancelled(touches);
        } else {
            twoFingerEnded(touches);
        }
        if (touchCopies.empty()) {
            capturing = false;
            singleTouch = true;
        }
    } else if (!capturing) {
        touchCopies.clear();
    }
}

void NSInteractorBase::copyTouches(const std::vector<Touch*>& touches) {
    for (Touch* touch : touches) {
        Touch* copy = findCopy(touch->getID());
        if (copy != nullptr) {
            copy->setLocation(touch->getLocation());
            continue;
        }
        copy = new Touch();
        copy->autorelease();
        const Vec2 inView = touch->getLocationInView();
        copy->setTouchInfo(touch->getID(), inView.x, inView.y);
        copy->setLocation(touch->getLocation());
        touchCopies.pushBack(copy);
    }
}

void NSInteractorBase::beginOneFinger(Touch* touch) {
    accumulated = Vec2::ZERO;
    downLocation = touch->getLocation();
    lastMoveTime = downTime;
    const TimeStamp time = now();
    const int64_t sincePreviousDown = millisecondsBetween(downTime, time);
    downTime = time;
    if (sincePreviousDown > kDoubleTapMs) {
        oneFingerBegan(touch);
    } else {
        onDoubleTap(toTargetSpace(touch->getLocation()));
    }
}

void NSInteractorBase::oneFingerBegan(Touch*) {}

void NSInteractorBase::oneFingerMoved(Touch* touch) {
    const Vec2 location = touch->getLocation();
    if (panEnabled) {
        const Vec2 step = (location - downLocation) - accumulated;
        accumulated += step;
        const TimeStamp time = now();
        const int64_t ms = millisecondsBetween(lastMoveTime, time);
        const float speed = ms < 1 ? 0.0f : step.length() / static_cast<float>(ms);
        lastMoveTime = time;
        onDrag(step, speed);
    }
    if (location.distance(downLocation) > kTapSlop) {
        tapCandidate = false;
    }
}

void NSInteractorBase::oneFingerEnded(Touch* touch) {
    const Vec2 location = touch->getLocation();
    const int64_t ms = millisecondsBetween(downTime, now());
    const float distance = location.distance(downLocation);
    if (ms >= 26 && ms <= 129 && distance > 150.0f && distance < 400.0f) {
        onSwipe(toTargetSpace(location), location - downLocation);
    } else if (ms < 100 && distance < 50.0f) {
        onTap(toTargetSpace(location));
    }
}

void NSInteractorBase::oneFingerCancelled(Touch*) {}

void NSInteractorBase::twoFingerBegan(const std::vector<Touch*>&) {
    if (touchCopies.size() != 2) {
        return;
    }
    if (panEnabled) {
        accumulated = Vec2::ZERO;
    }
    if (pinchEnabled) {
        pinchStartDistance =
            touchCopies.at(0)->getLocation().distance(touchCopies.at(1)->getLocation());
        pinchScale = 1.0f;
    }
}

void NSInteractorBase::twoFingerMoved(const std::vector<Touch*>& touches) {
    if (touches.size() != 2 || touchCopies.size() != 2) {
        return;
    }
    if (pinchEnabled) {
        const float distance = touches[0]->getLocation().distance(touches[1]->getLocation());
        if (pinchStartDistance <= 0.0f) {
            // Fingers that began on one point give no ratio yet; measure from here on.
            pinchStartDistance = distance;
            pinchScale = 1.0f;
        } else if (distance > 0.0f) {
            const float previous = pinchScale;
            pinchScale = distance / pinchStartDistance;
            onPinch(distance / (pinchStartDistance * previous));
        }
    }
    if (panEnabled) {
        Touch* first = findCopy(touches[0]->getID());
        Touch* second = findCopy(touches[1]->getID());
        if (first != nullptr && second != nullptr) {
            const Vec2 centre = ((touches[0]->getLocation() - first->getLocation()) +
                                 (touches[1]->getLocation() - second->getLocation())) *
                                0.5f;
            const Vec2 step = centre - accumulated;
            accumulated = centre;
            onTwoFingerPan(step);
        }
    }
}

void NSInteractorBase::twoFingerEnded(const std::vector<Touch*>& touches) {
    removeCopiesOf(touches);
    twoFingerBegan(touches);
}

void NSInteractorBase::twoFingerCancelled(const std::vector<Touch*>& touches) {
    twoFingerEnded(touches);
}

void NSInteractorBase::onDoubleTap(const Vec2&) {}
void NSInteractorBase::onTwoFingerPan(const Vec2&) {}
void NSInteractorBase::onPinch(float) {}
void NSInteractorBase::onSwipe(const Vec2&, const Vec2&) {}
void NSInteractorBase::onTap(const Vec2&) {}
void NSInteractorBase::onDrag(const Vec2&, float) {}

void NSInteractorBase::removeCopiesOf(const std::vector<Touch*>& touches) {
    for (Touch* touch : touches) {
        Touch* copy = findCopy(touch->getID());
        if (copy != nullptr) {
            touchCopies.eraseObject(copy);
        }
    }
}

Touch* NSInteractorBase::findTouch(const std::vector<Touch*>& touches, int id) const {
    for (Touch* touch : touches) {
        if (touch->getID() == id) {
            return touch;
        }
    }
    return nullptr;
}

Touch* NSInteractorBase::findCopy(int id) const {
    for (Touch* copy : touchCopies) {
        if (copy->getID() == id) {
            return copy;
        }
    }
    return nullptr;
}

Vec2 NSInteractorBase::toTargetSpace(const Vec2& location) const {
    return target != nullptr ? target->convertToNodeSpace(location) : location;
}

}  // namespace NSUI
