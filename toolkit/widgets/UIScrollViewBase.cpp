#include "toolkit/widgets/UIScrollViewBase.h"

#include <algorithm>
#include <cmath>

#include "engine/2d/ActionInterval.h"
#include "engine/2d/Camera.h"
#include "engine/2d/Sprite.h"
#include "engine/base/Event.h"
#include "engine/base/EventDispatcher.h"
#include "engine/base/EventListener.h"
#include "engine/base/Macros.h"
#include "engine/base/Touch.h"

namespace NSUI {

using cocos2d::Node;
using cocos2d::Size;
using cocos2d::Vec2;

namespace {

constexpr int kContainerZOrder = 1;
constexpr int kContainerTag = 1;
constexpr float kAxisLockDistance = 1.5f;
constexpr float kMinSlideTime = 0.016f;
constexpr float kWheelStep = 20.0f;
constexpr float kScrollBarWidth = 5.0f;
constexpr int kScrollBarZOffset = 100;
constexpr float kScrollBarFadeTime = 2.0f;

}  // namespace

UIScrollViewBase::UIScrollViewBase() {
    UIControlBase::owner = this;
}

UIScrollViewBase::~UIScrollViewBase() {
    CC_SAFE_RELEASE_NULL(scrollBar);
    if (mouseListener != nullptr) {
        _eventDispatcher->removeEventListener(mouseListener);
        CC_SAFE_RELEASE_NULL(mouseListener);
    }
}

UIScrollViewBase* UIScrollViewBase::create() {
    auto* view = new UIScrollViewBase();
    if (view->init()) {
        view->autorelease();
        return view;
    }
    delete view;
    return nullptr;
}

std::string UIScrollViewBase::getDescription() const {
    return "ScrollView";
}

bool UIScrollViewBase::init() {
    if (!cocos2d::ui::Layout::init()) {
        return false;
    }
    setClippingEnabled(true);
    innerContainer->setTouchEnabled(false);
    setTouchEnabled(true);
    return true;
}

void UIScrollViewBase::initRenderer() {
    cocos2d::ui::Widget::initRenderer();
    innerContainer = cocos2d::ui::Layout::create();
    addProtectedChild(innerContainer, kContainerZOrder, kContainerTag);
}

void UIScrollViewBase::onEnter() {
    cocos2d::ui::Layout::onEnter();
    scheduleUpdate();
}

void UIScrollViewBase::update(float dt) {
    if (autoScrolling) {
        autoScrollChildren(dt);
    }
    if (pressed) {
        slideTime += dt;
    }
}

// Sizes.

void UIScrollViewBase::applyViewSize() {
    topBoundary = _contentSize.height;
    rightBoundary = _contentSize.width;
    const Size& inner = innerContainer->getContentSize();
    innerContainer->setContentSize(Size(std::max(_contentSize.width, inner.width),
                                        std::max(_contentSize.height, inner.height)));
    innerContainer->setPosition(
        Vec2(0.0f, _contentSize.height - innerContainer->getContentSize().height));
}

void UIScrollViewBase::setContentSize(const Size& size) {
    cocos2d::ui::Layout::setContentSize(size);
    applyViewSize();
}

void UIScrollViewBase::onSizeChanged() {
    cocos2d::ui::Layout::onSizeChanged();
    applyViewSize();
    scrollViewDidScroll();
}

void UIScrollViewBase::setInnerContainerSize(const Size& size) {
    const Size old = innerContainer->getContentSize();
    const Size fitted(std::max(size.width, _contentSize.width),
                      std::max(size.height, _contentSize.height));
    innerContainer->setContentSize(fitted);

    const bool rightInView = innerContainer->getRightBoundary() <= _contentSize.width;
    switch (direction) {
    case scrollVertical:
        scrollChildren(0.0f, old.height - fitted.height);
        break;
    case scrollHorizontal:
        if (rightInView) {
            scrollChildren(old.width - fitted.width, 0.0f);
        }
        break;
    case scrollBoth:
        scrollChildren(rightInView ? old.width - fitted.width : 0.0f, old.height - fitted.height);
        break;
    default:
        break;
    }

    const Vec2& anchor = innerContainer->getAnchorPoint();
    if (innerContainer->getLeftBoundary() > 0.0f) {
        innerContainer->setPositionX(anchor.x * fitted.width);
        scrollViewDidScroll();
    }
    if (innerContainer->getRightBoundary() < _contentSize.width) {
        innerContainer->setPositionX(_contentSize.width - (1.0f - anchor.x) * fitted.width);
        scrollViewDidScroll();
    }
    if (innerContainer->getPositionY() > 0.0f) {
        innerContainer->setPositionY(anchor.y * fitted.height);
        scrollViewDidScroll();
    }
    if (innerContainer->getTopBoundary() < _contentSize.height) {
        innerContainer->setPositionY(_contentSize.height - (1.0f - anchor.y) * fitted.height);
        scrollViewDidScroll();
    }
}

// Moving the container.

void UIScrollViewBase::setDirection(int value) {
    direction = value;
}

void UIScrollViewBase::addEventListener(const std::function<void(cocos2d::Ref*, int)>& callback) {
    if (&callback != &eventCallback) {
        eventCallback = callback;
    }
}

void UIScrollViewBase::notifyScrollEvent(int event) {
    if (!eventCallback) {
        return;
    }
    // The listener may replace itself while it runs.
    const auto callback = eventCallback;
    callback(this, event);
}

void UIScrollViewBase::moveChildren(float dx, float dy) {
    innerContainer->setPosition(innerContainer->getPosition() + Vec2(dx, dy));
    scrollViewDidScroll();
}

bool UIScrollViewBase::scrollChildren(float dx, float dy) {
    if (eventCallback) {
        // A listener may drop the last outside reference to the view (e.g. by closing its
        // screen) while a drag or the glide that led here still runs on it.
        retain();
        autorelease();
    }
    notifyScrollEvent(scrolling);
    bool whole = true;
    float stepX = dx;
    float stepY = dy;
    const auto limitBottom = [&] {
        const float bottom = innerContainer->getBottomBoundary();
        if (bottom + dy >= bottomBoundary) {
            stepY = bottomBoundary - bottom;
            notifyScrollEvent(reachedBottom);
            whole = false;
        }
    };
    const auto limitTop = [&] {
        const float top = innerContainer->getTopBoundary();
        if (top + dy <= topBoundary) {
            stepY = topBoundary - top;
            notifyScrollEvent(reachedTop);
            whole = false;
        }
    };
    const auto limitRight = [&] {
        const float right = innerContainer->getRightBoundary();
        if (right + dx <= rightBoundary) {
            stepX = rightBoundary - right;
            notifyScrollEvent(reachedRight);
            whole = false;
        }
    };
    const auto limitLeft = [&] {
        const float left = innerContainer->getLeftBoundary();
        if (left + dx >= leftBoundary) {
            stepX = leftBoundary - left;
            notifyScrollEvent(reachedLeft);
            whole = false;
        }
    };
    switch (direction) {
    case scrollVertical:
        limitBottom();
        limitTop();
        moveChildren(0.0f, stepY);
        break;
    case scrollHorizontal:
        limitRight();
        limitLeft();
        moveChildren(stepX, 0.0f);
        break;
    case scrollBoth:
        if (dx > 0.0f) {
            limitLeft();
        } else if (dx < 0.0f) {
            limitRight();
        }
        if (dy > 0.0f) {
            limitBottom();
        } else if (dy < 0.0f) {
            limitTop();
        }
        moveChildren(stepX, stepY);
        break;
    default:
        break;
    }
    return whole;
}

void UIScrollViewBase::jumpToDestination(const Vec2& destination) {
    float x = destination.x;
    float y = destination.y;
    const Size& inner = innerContainer->getContentSize();
    if ((direction == scrollVertical || direction == scrollBoth) && y <= 0.0f) {
        y = std::max(y, _contentSize.height - inner.height);
    }
    if ((direction == scrollHorizontal || direction == scrollBoth) && x <= 0.0f) {
        x = std::max(x, _contentSize.width - inner.width);
    }
    const Vec2 target(x, y);
    if (!target.equals(innerContainer->getPosition())) {
        innerContainer->setPosition(target);
    }
    scrollViewDidScroll();
}

void UIScrollViewBase::jumpToBottom() {
    jumpToDestination(Vec2(innerContainer->getPositionX(), 0.0f));
}

// Touches.

bool UIScrollViewBase::onTouchBegan(cocos2d::Touch* touch, cocos2d::Event* event) {
    const bool claimed = cocos2d::ui::Layout::onTouchBegan(touch, event);
    if (!_isInterceptTouch && _hitted) {
        startRecordSlidAction();
        axisLockPending = true;
        axisMask = Vec2(1.0f, 1.0f);
    }
    return claimed;
}

void UIScrollViewBase::onTouchMoved(cocos2d::Touch* touch, cocos2d::Event* event) {
    if (direction == scrollVertical || direction == scrollHorizontal) {
        const Vec2 location = touch->getLocation();
        if (axisLockPending && _touchBeganPosition.distance(location) > kAxisLockDistance) {
            const Vec2 moved = location - _touchBeganPosition;
            axisMask =
                std::fabs(moved.x) > std::fabs(moved.y) ? Vec2(1.0f, 0.0f) : Vec2(0.0f, 1.0f);
            axisLockPending = false;
        }
        if (!axisLockPending && axisMask.x != axisMask.y) {
            const Vec2 locked = axisMask.x > 0.0f ? Vec2(location.x, _touchBeganPosition.y)
                                                  : Vec2(_touchBeganPosition.x, location.y);
            // Setting a location also makes the replaced one the previous location; putting
            // the previous one back first keeps this move's delta.
            const Vec2 previous = touch->getPreviousLocation();
            touch->setLocation(previous);
            touch->setLocation(locked);
        }
    }
    cocos2d::ui::Layout::onTouchMoved(touch, event);
    if (!_isInterceptTouch) {
        handleMoveLogic(touch);
    }
}

void UIScrollViewBase::onTouchEnded(cocos2d::Touch* touch, cocos2d::Event* event) {
    cocos2d::ui::Layout::onTouchEnded(touch, event);
    if (!_isInterceptTouch) {
        handleReleaseLogic(touch);
    }
    _isInterceptTouch = false;
    axisLockPending = false;
}

void UIScrollViewBase::onTouchCancelled(cocos2d::Touch* touch, cocos2d::Event* event) {
    cocos2d::ui::Layout::onTouchCancelled(touch, event);
    if (!_isInterceptTouch) {
        handleReleaseLogic(touch);
    }
    _isInterceptTouch = false;
    axisLockPending = false;
}

bool UIScrollViewBase::interceptTouchEvent(TouchEventType event, cocos2d::ui::Widget* sender,
                                           cocos2d::Touch* touch) {
    cocos2d::ui::Layout::interceptTouchEvent(event, sender, touch);
    if (touch == nullptr || sender == nullptr) {
        return true;
    }
    const Vec2 location = touch->getLocation();
    switch (event) {
    case TouchEventType::BEGAN:
        _isInterceptTouch = true;
        _touchBeganPosition = location;
        startRecordSlidAction();
        break;
    case TouchEventType::MOVED:
        _touchMovePosition = location;
        if (sender->getTouchBeganPosition().distance(location) > childFocusCancelOffset) {
            sender->setHighlighted(false);
            handleMoveLogic(touch);
        }
        break;
    case TouchEventType::ENDED:
    case TouchEventType::CANCELED:
        _touchEndPosition = location;
        handleReleaseLogic(touch);
        if (sender->isSwallowTouches()) {
            _isInterceptTouch = false;
        }
        break;
    }
    return true;
}

void UIScrollViewBase::handleMoveLogic(cocos2d::Touch* touch) {
    const Vec2 delta = touch->getLocation() - touch->getPreviousLocation();
    switch (direction) {
    case scrollVertical:
        scrollChildren(0.0f, delta.y);
        break;
    case scrollHorizontal:
        scrollChildren(delta.x, 0.0f);
        break;
    case scrollBoth:
        scrollChildren(delta.x, delta.y);
        break;
    default:
        break;
    }
}

void UIScrollViewBase::handleReleaseLogic(cocos2d::Touch*) {
    endRecordSlidAction();
    pressed = false;
}

// Inertia.

void UIScrollViewBase::startRecordSlidAction() {
    stopAutoScroll();
    slideTime = 0.0f;
    pressed = true;
}

void UIScrollViewBase::endRecordSlidAction() {
    if (!inertiaEnabled || slideTime <= kMinSlideTime) {
        return;
    }
    float distance = 0.0f;
    Vec2 glideDirection;
    switch (direction) {
    case scrollVertical:
        distance = _touchEndPosition.y - _touchBeganPosition.y;
        glideDirection = distance < 0.0f ? dirDown : dirUp;
        break;
    case scrollHorizontal:
        distance = _touchEndPosition.x - _touchBeganPosition.x;
        glideDirection = distance < 0.0f ? dirLeft : dirRight;
        break;
    case scrollBoth: {
        const Vec2 moved = _touchEndPosition - _touchBeganPosition;
        distance = moved.length();
        glideDirection = moved.getNormalized();
        break;
    }
    default:
        break;
    }
    autoScrollElapsed = 0.0f;
    autoScrollDirection = glideDirection;
    autoScrollAttenuated = true;
    autoScrollSpeed = std::min(std::fabs(distance) / slideTime, maxAutoScrollSpeed);
    autoScrolling = true;
    autoScrollAcceleration = -1000.0f;
    slideTime = 0.0f;
}

void UIScrollViewBase::stopAutoScroll() {
    autoScrolling = false;
    autoScrollElapsed = 0.0f;
    autoScrollSpeed = 0.0f;
}

void UIScrollViewBase::autoScrollChildren(float dt) {
    const float last = autoScrollElapsed;
    autoScrollElapsed += dt;
    if (autoScrollSpeed + autoScrollAcceleration * autoScrollElapsed <= 0.0f) {
        stopAutoScroll();
        return;
    }
    // Distance covered over [last, last + dt] at the decelerating speed.
    const float offset =
        (autoScrollSpeed + autoScrollAcceleration * (2.0f * last + dt) * 0.5f) * dt;
    if (!scrollChildren(offset * autoScrollDirection.x, offset * autoScrollDirection.y)) {
        stopAutoScroll();
    }
}

// Mouse wheel.

void UIScrollViewBase::setTouchEnabled(bool enabled) {
    if (enabled == _touchEnabled) {
        return;
    }
    cocos2d::ui::Layout::setTouchEnabled(enabled);
    if (enabled) {
        mouseListener = cocos2d::EventListenerMouse::create();
        mouseListener->retain();
        mouseListener->onMouseScroll = [this](cocos2d::EventMouse* event) {
            onMouseScrolled(event);
        };
        _eventDispatcher->addEventListenerWithSceneGraphPriority(mouseListener, this);
    } else if (mouseListener != nullptr) {
        _eventDispatcher->removeEventListener(mouseListener);
        CC_SAFE_RELEASE_NULL(mouseListener);
    }
}

void UIScrollViewBase::onMouseScrolled(cocos2d::EventMouse* event) {
    if (!isAncestorsVisible()) {
        return;
    }
    const cocos2d::Camera* camera = cocos2d::Camera::getVisitingCamera();
    if (camera == nullptr || !hasCameraFlag(camera->getCameraFlag())) {
        return;
    }
    const Vec2 point = convertToNodeSpace(event->getLocationInView());
    if (!(point.x > 0.0f && point.x < _contentSize.width && point.y > 0.0f &&
          point.y < _contentSize.height)) {
        return;
    }
    const float amount = event->getScrollY() * kWheelStep;
    if (direction == scrollVertical || direction == scrollBoth) {
        scrollChildren(0.0f, amount);
    } else if (direction == scrollHorizontal) {
        scrollChildren(amount, 0.0f);
    }
    event->stopPropagation();
}

// Scroll bar.

void UIScrollViewBase::scrollViewDidScroll() {
    if (scrollBar == nullptr) {
        scrollBar = cocos2d::Sprite::create("UIRes/white.png");
        if (scrollBar == nullptr) {
            return;
        }
        scrollBar->setAnchorPoint(Vec2::ANCHOR_BOTTOM_RIGHT);
        scrollBar->retain();
        scrollBar->setScaleX(kScrollBarWidth / scrollBar->getContentSize().width);
        cocos2d::ui::Layout::addChild(scrollBar, scrollBar->getLocalZOrder(), scrollBar->getTag());
    }
    const float viewHeight = _contentSize.height;
    const float innerHeight = innerContainer->getContentSize().height;
    if (viewHeight - innerHeight >= 0.0f) {
        scrollBar->setVisible(false);
        return;
    }
    scrollBar->stopAllActions();
    const float length = viewHeight * viewHeight / innerHeight;
    const float fraction =
        std::clamp(-innerContainer->getPositionY() / (innerHeight - viewHeight), 0.0f, 1.0f);
    scrollBar->setPosition(Vec2(_contentSize.width, (viewHeight - length) * fraction));
    scrollBar->setScaleY(length / scrollBar->getContentSize().height);
    scrollBar->setLocalZOrder(getLocalZOrder() + kScrollBarZOffset);
    scrollBar->setVisible(true);
    scrollBar->setOpacity(255);
    scrollBar->runAction(cocos2d::FadeTo::create(kScrollBarFadeTime, 0));
}

// Children live in the container.

void UIScrollViewBase::addChild(Node* child) {
    innerContainer->addChild(child, child->getLocalZOrder(), child->getTag());
}

void UIScrollViewBase::addChild(Node* child, int localZOrder) {
    innerContainer->addChild(child, localZOrder, child->getTag());
}

void UIScrollViewBase::addChild(Node* child, int localZOrder, int tag) {
    innerContainer->addChild(child, localZOrder, tag);
}

void UIScrollViewBase::addChild(Node* child, int localZOrder, const std::string& name) {
    innerContainer->addChild(child, localZOrder, name);
}

Node* UIScrollViewBase::getChildByTag(int tag) const {
    return innerContainer->getChildByTag(tag);
}

Node* UIScrollViewBase::getChildByName(const std::string& name) const {
    return innerContainer->getChildByName(name);
}

cocos2d::Vector<Node*>& UIScrollViewBase::getChildren() {
    return innerContainer->getChildren();
}

const cocos2d::Vector<Node*>& UIScrollViewBase::getChildren() const {
    return innerContainer->getChildren();
}

ssize_t UIScrollViewBase::getChildrenCount() const {
    return innerContainer->getChildrenCount();
}

void UIScrollViewBase::removeChild(Node* child, bool cleanup) {
    innerContainer->removeChild(child, cleanup);
}

void UIScrollViewBase::removeAllChildren() {
    innerContainer->removeAllChildrenWithCleanup(true);
}

void UIScrollViewBase::removeAllChildrenWithCleanup(bool cleanup) {
    innerContainer->removeAllChildrenWithCleanup(cleanup);
}

void UIScrollViewBase::setLayoutType(Type type) {
    innerContainer->setLayoutType(type);
}

cocos2d::ui::Layout::Type UIScrollViewBase::getLayoutType() const {
    return innerContainer->getLayoutType();
}

void UIScrollViewBase::doLayout() {
    _doLayoutDirty = false;
}

// Cloning.

cocos2d::ui::Widget* UIScrollViewBase::createCloneInstance() {
    return create();
}

void UIScrollViewBase::copySpecialProperties(cocos2d::ui::Widget* model) {
    auto* other = dynamic_cast<UIScrollViewBase*>(model);
    if (other == nullptr) {
        return;
    }
    cocos2d::ui::Layout::copySpecialProperties(model);
    // The layout's copy reads the view's own layout type; the one in force is the container's.
    setLayoutType(other->getLayoutType());
    setInnerContainerSize(other->innerContainer->getContentSize());
    setDirection(other->direction);
    inertiaEnabled = other->inertiaEnabled;
    if (other != this) {
        eventCallback = other->eventCallback;
    }
}

}  // namespace NSUI
