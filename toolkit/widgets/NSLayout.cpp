#include "toolkit/widgets/NSLayout.h"

#include "engine/2d/Camera.h"
#include "engine/base/EventDispatcher.h"
#include "engine/base/Scheduler.h"
#include "toolkit/net/NSHttpClient.h"

namespace NSUI {

namespace {

const char kLoadImageKey[] = "NSLayout.loadNextImage";
const float kLoadImageInterval = 0.05f;
const float kLoadImageDelay = 0.1f;

}  // namespace

NSLayout* NSLayout::create() {
    auto* layout = new NSLayout();
    if (!layout->init()) {
        delete layout;
        return nullptr;
    }
    layout->autorelease();
    return layout;
}

NSLayout::~NSLayout() {
    NSLayout::cleanup();
}

bool NSLayout::init() {
    if (!cocos2d::ui::Layout::init()) {
        return false;
    }
    setTouchEnabled(false);
    UIControlBase::owner = this;
    UIHttpPhisical::owner = this;
    clearButtons();

    dropMouseListener();
    mouseListener = cocos2d::EventListenerMouse::create();
    mouseListener->retain();
    mouseListener->onMouseScroll = [this](cocos2d::EventMouse* event) { handleMouseScroll(event); };
    mouseListener->onMouseDown = [this](cocos2d::EventMouse* event) { handleMouseDown(event); };
    mouseListener->onMouseUp = [this](cocos2d::EventMouse* event) { handleMouseUp(event); };
    mouseListener->onMouseMove = [this](cocos2d::EventMouse* event) { handleMouseMove(event); };
    _eventDispatcher->addEventListenerWithSceneGraphPriority(mouseListener, this);
    return true;
}

void NSLayout::cleanup() {
    cocos2d::ProtectedNode::cleanup();
    dropMouseListener();
    NSHttpClient::getInstance()->cancelRequestsOf(this);
}

void NSLayout::onEnterTransitionDidFinish() {
    cocos2d::ui::Layout::onEnterTransitionDidFinish();
    schedule([this](float) { loadNextImage(); }, kLoadImageInterval, CC_REPEAT_FOREVER,
             kLoadImageDelay, kLoadImageKey);
}

void NSLayout::onExit() {
    cocos2d::ui::Layout::onExit();
    unschedule(kLoadImageKey);
}

bool NSLayout::onMouseScroll(float, float, float) {
    return false;
}

bool NSLayout::onMouseDown(float, float) {
    return false;
}

bool NSLayout::onMouseUp(float, float) {
    return false;
}

bool NSLayout::onMouseMove(float, float) {
    return false;
}

bool NSLayout::acceptsMouse(const cocos2d::EventMouse* event, cocos2d::Vec2* point) {
    for (const cocos2d::Node* node = this; node != nullptr; node = node->getParent()) {
        if (!node->isVisible()) {
            return false;
        }
    }
    // Outside a camera's turn no camera sees the layout.
    const cocos2d::Camera* camera = cocos2d::Camera::getVisitingCamera();
    if (camera == nullptr || !hasCameraFlag(camera->getCameraFlag())) {
        return false;
    }
    const cocos2d::Vec2 p = convertToNodeSpace(event->getLocationInView());
    const cocos2d::Size& size = getContentSize();
    if (!(p.x > 0.0f && p.x < size.width && p.y > 0.0f && p.y < size.height)) {
        return false;
    }
    previousMousePoint = convertToNodeSpace(event->getPreviousLocationInView());
    *point = p;
    return true;
}

void NSLayout::handleMouseScroll(cocos2d::EventMouse* event) {
    cocos2d::Vec2 p;
    if (acceptsMouse(event, &p) && onMouseScroll(p.x, p.y, event->getScrollY())) {
        event->stopPropagation();
    }
}

void NSLayout::handleMouseDown(cocos2d::EventMouse* event) {
    cocos2d::Vec2 p;
    if (!acceptsMouse(event, &p)) {
        return;
    }
    clearButtons();
    switch (event->getMouseButton()) {
    case cocos2d::EventMouse::MouseButton::BUTTON_LEFT:
        leftButtonDown = true;
        break;
    case cocos2d::EventMouse::MouseButton::BUTTON_RIGHT:
        rightButtonDown = true;
        break;
    case cocos2d::EventMouse::MouseButton::BUTTON_MIDDLE:
        middleButtonDown = true;
        break;
    default:
        break;
    }
    if (onMouseDown(p.x, p.y)) {
        event->stopPropagation();
    }
}

void NSLayout::handleMouseUp(cocos2d::EventMouse* event) {
    cocos2d::Vec2 p;
    if (!acceptsMouse(event, &p)) {
        endPressOutside(event);
        return;
    }
    // The operation may drop the last reference to the layout (a panel closing itself).
    retain();
    if (onMouseUp(p.x, p.y)) {
        event->stopPropagation();
    }
    clearButtons();
    release();
}

void NSLayout::endPressOutside(cocos2d::EventMouse* event) {
    const cocos2d::Vec2 p = convertToNodeSpace(event->getLocationInView());
    const cocos2d::Size& size = getContentSize();
    if (p.x > 0.0f && p.x < size.width && p.y > 0.0f && p.y < size.height) {
        return;
    }
    bool pressedInside = false;
    switch (event->getMouseButton()) {
    case cocos2d::EventMouse::MouseButton::BUTTON_LEFT:
        pressedInside = leftButtonDown;
        break;
    case cocos2d::EventMouse::MouseButton::BUTTON_RIGHT:
        pressedInside = rightButtonDown;
        break;
    case cocos2d::EventMouse::MouseButton::BUTTON_MIDDLE:
        pressedInside = middleButtonDown;
        break;
    default:
        break;
    }
    if (!pressedInside) {
        return;
    }
    previousMousePoint = convertToNodeSpace(event->getPreviousLocationInView());
    // The event stays with whatever lies under the pointer: the operation's answer is not used.
    retain();
    onMouseUp(p.x, p.y);
    clearButtons();
    release();
}

void NSLayout::handleMouseMove(cocos2d::EventMouse* event) {
    cocos2d::Vec2 p;
    if (acceptsMouse(event, &p) && onMouseMove(p.x, p.y)) {
        event->stopPropagation();
    }
}

void NSLayout::dropMouseListener() {
    if (mouseListener == nullptr) {
        return;
    }
    if (_eventDispatcher != nullptr) {
        _eventDispatcher->removeEventListener(mouseListener);
    }
    CC_SAFE_RELEASE_NULL(mouseListener);
}

void NSLayout::clearButtons() {
    leftButtonDown = false;
    rightButtonDown = false;
    middleButtonDown = false;
}

}  // namespace NSUI
