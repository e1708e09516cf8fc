#include "engine/ui/Widget.h"

#include "engine/2d/Camera.h"
#include "engine/base/Director.h"
#include "engine/base/EventDispatcher.h"
#include "engine/base/EventListener.h"
#include "engine/base/Macros.h"
#include "engine/base/Touch.h"
#include "engine/ui/Layout.h"

namespace cocos2d {
namespace ui {

Widget::Widget() = default;

Widget::~Widget() {
    if (_eventDispatcher != nullptr) {
        if (_touchListener != nullptr) {
            _eventDispatcher->removeEventListener(_touchListener);
        }
        if (_keyboardListener != nullptr) {
            _eventDispatcher->removeEventListener(_keyboardListener);
        }
    }
    CC_SAFE_RELEASE_NULL(_touchListener);
    CC_SAFE_RELEASE_NULL(_keyboardListener);
    CC_SAFE_RELEASE_NULL(_layoutParameter);
}

Widget* Widget::create() {
    auto* widget = new Widget();
    if (widget->init()) {
        widget->autorelease();
        return widget;
    }
    delete widget;
    return nullptr;
}

bool Widget::init() {
    if (!ProtectedNode::init()) {
        return false;
    }
    initRenderer();
    setBright(true);
    ignoreContentAdaptWithSize(true);
    setAnchorPoint(Vec2::ANCHOR_MIDDLE);
    setCascadeColorEnabled(true);
    setCascadeOpacityEnabled(true);
    return true;
}

void Widget::onEnter() {
    updateSizeAndPosition();
    ProtectedNode::onEnter();
}

void Widget::setEnabled(bool enabled) {
    _enabled = enabled;
    setBright(enabled);
}

void Widget::setBright(bool bright) {
    _bright = bright;
    if (_bright) {
        _brightStyle = BrightStyle::NONE;
        setBrightStyle(BrightStyle::NORMAL);
    } else {
        onPressStateChangedToDisabled();
    }
}

void Widget::setBrightStyle(BrightStyle style) {
    if (_brightStyle == style) {
        return;
    }
    _brightStyle = style;
    switch (_brightStyle) {
    case BrightStyle::NORMAL:
        onPressStateChangedToNormal();
        break;
    case BrightStyle::HIGHLIGHT:
        onPressStateChangedToPressed();
        break;
    default:
        break;
    }
}

void Widget::setHighlighted(bool highlight) {
    if (highlight == _highlight) {
        return;
    }
    _highlight = highlight;
    if (_bright) {
        setBrightStyle(_highlight ? BrightStyle::HIGHLIGHT : BrightStyle::NORMAL);
    } else {
        onPressStateChangedToDisabled();
    }
}

void Widget::setTouchEnabled(bool enabled) {
    if (enabled == _touchEnabled) {
        return;
    }
    _touchEnabled = enabled;
    if (_touchEnabled) {
        _touchListener = EventListenerTouchOneByOne::create();
        _touchListener->retain();
        _touchListener->setSwallowTouches(_swallowTouches);
        _touchListener->onTouchBegan = CC_CALLBACK_2(Widget::onTouchBegan, this);
        _touchListener->onTouchMoved = CC_CALLBACK_2(Widget::onTouchMoved, this);
        _touchListener->onTouchEnded = CC_CALLBACK_2(Widget::onTouchEnded, this);
        _touchListener->onTouchCancelled = CC_CALLBACK_2(Widget::onTouchCancelled, this);
        _eventDispatcher->addEventListenerWithSceneGraphPriority(_touchListener, this);
    } else {
        _eventDispatcher->removeEventListener(_touchListener);
        CC_SAFE_RELEASE_NULL(_touchListener);
    }
}

void Widget::setSwallowTouches(bool swallow) {
    _swallowTouches = swallow;
    if (_touchListener != nullptr) {
        _touchListener->setSwallowTouches(swallow);
    }
}

bool Widget::isSwallowTouches() const {
    return _swallowTouches;
}

void Widget::setTouchScaled(float scaleX, float scaleY) {
    _touchScale = Vec2(scaleX, scaleY);
}

void Widget::addTouchEventListener(const ccWidgetTouchCallback& callback) {
    _touchEventCallback = callback;
}

void Widget::addClickEventListener(const ccWidgetClickCallback& callback) {
    _clickEventListener = callback;
}

bool Widget::isAncestorsEnabled() const {
    for (const Node* node = getParent(); node != nullptr; node = node->getParent()) {
        if (auto* widget = dynamic_cast<const Widget*>(node);
            widget != nullptr && !widget->_enabled) {
            return false;
        }
    }
    return true;
}

bool Widget::isAncestorsVisible() const {
    for (const Node* node = this; node != nullptr; node = node->getParent()) {
        if (!node->isVisible()) {
            return false;
        }
    }
    return true;
}

bool Widget::onTouchBegan(Touch* touch, Event*) {
    _hitted = false;
    if (isVisible() && isEnabled() && isAncestorsEnabled() && isAncestorsVisible()) {
        _touchBeganPosition = touch->getLocation();
        const Camera* camera = Camera::getVisitingCamera();
        if (hitTest(_touchBeganPosition, camera, nullptr) &&
            isClippingParentContainsPoint(_touchBeganPosition)) {
            _hittedByCamera = camera;
            _hitted = true;
        }
    }
    if (!_hitted) {
        return false;
    }
    setHighlighted(true);
    if (_propagateTouchEvents) {
        propagateTouchEvent(TouchEventType::BEGAN, this, touch);
    }
    pushDownEvent();
    return true;
}

void Widget::onTouchMoved(Touch* touch, Event*) {
    _touchMovePosition = touch->getLocation();
    setHighlighted(hitTest(_touchMovePosition, _hittedByCamera, nullptr));
    if (_propagateTouchEvents) {
        propagateTouchEvent(TouchEventType::MOVED, this, touch);
    }
    moveEvent();
}

void Widget::onTouchEnded(Touch* touch, Event*) {
    _touchEndPosition = touch->getLocation();
    if (_propagateTouchEvents) {
        propagateTouchEvent(TouchEventType::ENDED, this, touch);
    }
    const bool clicked = _highlight;
    setHighlighted(false);
    if (clicked) {
        releaseUpEvent();
    } else {
        cancelUpEvent();
    }
}

void Widget::onTouchCancelled(Touch* touch, Event*) {
    _touchEndPosition = touch->getLocation();
    if (_propagateTouchEvents) {
        propagateTouchEvent(TouchEventType::CANCELED, this, touch);
    }
    setHighlighted(false);
    cancelUpEvent();
}

// The callbacks may release the last reference to the widget (a button that closes its form).
void Widget::pushDownEvent() {
    retain();
    if (_touchEventCallback) {
        _touchEventCallback(this, TouchEventType::BEGAN);
    }
    release();
}

void Widget::moveEvent() {
    retain();
    if (_touchEventCallback) {
        _touchEventCallback(this, TouchEventType::MOVED);
    }
    release();
}

void Widget::releaseUpEvent() {
    retain();
    if (_touchEventCallback) {
        _touchEventCallback(this, TouchEventType::ENDED);
    }
    if (_clickEventListener) {
        _clickEventListener(this);
    }
    release();
}

void Widget::cancelUpEvent() {
    retain();
    if (_touchEventCallback) {
        _touchEventCallback(this, TouchEventType::CANCELED);
    }
    release();
}

Rect Widget::getHitRect() const {
    const float width = _contentSize.width * _touchScale.x;
    const float height = _contentSize.height * _touchScale.y;
    return Rect((_contentSize.width - width) * 0.5f, (_contentSize.height - height) * 0.5f, width,
                height);
}

bool Widget::hitTest(const Vec2& worldPoint, const Camera* camera, Vec3* nodePoint) const {
    Vec2 local;
    if (camera == nullptr ||
        camera->getCameraFlag() == static_cast<unsigned short>(CameraFlag::DEFAULT)) {
        local = convertToNodeSpace(worldPoint);
    } else {
        // The ray through the window point, met with the widget's plane.
        Vec3 nearPoint = camera->unproject(Vec3(worldPoint.x, worldPoint.y, 0.0f));
        Vec3 farPoint = camera->unproject(Vec3(worldPoint.x, worldPoint.y, 1.0f));
        const Mat4 toNode = getWorldToNodeTransform();
        toNode.transformPoint(&nearPoint);
        toNode.transformPoint(&farPoint);
        const float dz = farPoint.z - nearPoint.z;
        if (dz == 0.0f) {
            return false;
        }
        const float t = -nearPoint.z / dz;
        local = Vec2(nearPoint.x + t * (farPoint.x - nearPoint.x),
                     nearPoint.y + t * (farPoint.y - nearPoint.y));
    }
    if (nodePoint != nullptr) {
        *nodePoint = Vec3(local.x, local.y, 0.0f);
    }
    const Rect rect = getHitRect();
    return local.x > rect.getMinX() && local.x < rect.getMaxX() && local.y > rect.getMinY() &&
           local.y < rect.getMaxY();
}

bool Widget::isClippingParentContainsPoint(const Vec2& worldPoint) const {
    for (const Node* node = getParent(); node != nullptr; node = node->getParent()) {
        auto* layout = dynamic_cast<const Layout*>(node);
        if (layout != nullptr && layout->isClippingEnabled() &&
            !layout->hitTest(worldPoint,
                             _hittedByCamera != nullptr ? _hittedByCamera
                                                        : Camera::getVisitingCamera(),
                             nullptr)) {
            return false;
        }
    }
    return true;
}

bool Widget::interceptTouchEvent(TouchEventType event, Widget* sender, Touch* touch) {
    return _propagateTouchEvents && propagateTouchEvent(event, sender, touch);
}

bool Widget::propagateTouchEvent(TouchEventType event, Widget* sender, Touch* touch) {
    Widget* parent = getWidgetParent();
    if (parent == nullptr) {
        return false;
    }
    parent->_hittedByCamera = _hittedByCamera;
    return parent->interceptTouchEvent(event, sender, touch);
}

Widget* Widget::getWidgetParent() const {
    return dynamic_cast<Widget*>(const_cast<Widget*>(this)->getParent());
}

void Widget::setKeyboardEnabled(bool enabled) {
    if (enabled == isKeyboardEnabled()) {
        return;
    }
    if (!enabled) {
        _eventDispatcher->removeEventListener(_keyboardListener);
        CC_SAFE_RELEASE_NULL(_keyboardListener);
        return;
    }
    _keyboardListener = EventListenerKeyboard::create();
    _keyboardListener->retain();
    _keyboardListener->onKeyPressed = CC_CALLBACK_2(Widget::onKeyPressed, this);
    _keyboardListener->onKeyReleased = CC_CALLBACK_2(Widget::onKeyReleased, this);
    _eventDispatcher->addEventListenerWithSceneGraphPriority(_keyboardListener, this);
}

void Widget::onKeyPressed(EventKeyboard::KeyCode, Event*) {}

void Widget::onKeyReleased(EventKeyboard::KeyCode, Event*) {}

Size Widget::getParentLayoutSize() const {
    const Node* parent = getParent();
    if (auto* widget = dynamic_cast<const Widget*>(parent)) {
        return const_cast<Widget*>(widget)->getLayoutSize();
    }
    return parent != nullptr ? parent->getContentSize() : Size::ZERO;
}

void Widget::setContentSize(const Size& size) {
    _customSize = size;
    const Size applied = _ignoreSize ? getVirtualRendererSize() : size;
    ProtectedNode::setContentSize(applied);
    if (_running) {
        const Size parentSize = getParentLayoutSize();
        _sizePercent =
            Vec2(parentSize.width > 0.0f ? _customSize.width / parentSize.width : 0.0f,
                 parentSize.height > 0.0f ? _customSize.height / parentSize.height : 0.0f);
    }
    onSizeChanged();
}

void Widget::setSizePercent(const Vec2& percent) {
    _sizePercent = percent;
    if (!_running) {
        return;
    }
    const Size parentSize = getParentLayoutSize();
    const Size size(parentSize.width * percent.x, parentSize.height * percent.y);
    _customSize = size;
    ProtectedNode::setContentSize(_ignoreSize ? getVirtualRendererSize() : size);
    onSizeChanged();
}

void Widget::setSizeType(SizeType type) {
    _sizeType = type;
}

void Widget::setPosition(const Vec2& position) {
    if (_running && _positionType == PositionType::ABSOLUTE) {
        const Size parentSize = getParentLayoutSize();
        if (parentSize.width > 0.0f && parentSize.height > 0.0f) {
            _positionPercent = Vec2(position.x / parentSize.width, position.y / parentSize.height);
        }
    }
    ProtectedNode::setPosition(position);
}

void Widget::setPositionPercent(const Vec2& percent) {
    _positionPercent = percent;
    if (_running) {
        const Size parentSize = getParentLayoutSize();
        ProtectedNode::setPosition(
            Vec2(parentSize.width * percent.x, parentSize.height * percent.y));
    }
}

void Widget::setPositionType(PositionType type) {
    _positionType = type;
}

void Widget::ignoreContentAdaptWithSize(bool ignore) {
    if (_ignoreSize == ignore) {
        return;
    }
    _ignoreSize = ignore;
    ProtectedNode::setContentSize(_ignoreSize ? getVirtualRendererSize() : _customSize);
    onSizeChanged();
}

void Widget::updateSizeAndPosition() {
    updateSizeAndPosition(getParentLayoutSize());
}

void Widget::updateSizeAndPosition(const Size& parentSize) {
    if (_sizeType == SizeType::PERCENT) {
        const Size size(parentSize.width * _sizePercent.x, parentSize.height * _sizePercent.y);
        _customSize = size;
        ProtectedNode::setContentSize(_ignoreSize ? getVirtualRendererSize() : size);
        onSizeChanged();
    } else {
        if (_ignoreSize) {
            ProtectedNode::setContentSize(getVirtualRendererSize());
        }
        _sizePercent =
            Vec2(parentSize.width > 0.0f ? _customSize.width / parentSize.width : 0.0f,
                 parentSize.height > 0.0f ? _customSize.height / parentSize.height : 0.0f);
    }
    if (_positionType == PositionType::PERCENT) {
        ProtectedNode::setPosition(
            Vec2(parentSize.width * _positionPercent.x, parentSize.height * _positionPercent.y));
    } else if (parentSize.width > 0.0f && parentSize.height > 0.0f) {
        _positionPercent = Vec2(_position.x / parentSize.width, _position.y / parentSize.height);
    }
}

void Widget::onSizeChanged() {
    for (Node* child : getChildren()) {
        if (auto* widget = dynamic_cast<Widget*>(child)) {
            widget->updateSizeAndPosition();
        }
    }
}

float Widget::getLeftBoundary() const {
    return getPosition().x - getAnchorPoint().x * _contentSize.width * getScaleX();
}

float Widget::getBottomBoundary() const {
    return getPosition().y - getAnchorPoint().y * _contentSize.height * getScaleY();
}

float Widget::getRightBoundary() const {
    return getLeftBoundary() + _contentSize.width * getScaleX();
}

float Widget::getTopBoundary() const {
    return getBottomBoundary() + _contentSize.height * getScaleY();
}

Vec2 Widget::getWorldPosition() const {
    const Node* parent = getParent();
    return parent != nullptr ? parent->convertToWorldSpace(getPosition()) : getPosition();
}

Node* Widget::getVirtualRenderer() {
    return this;
}

Size Widget::getVirtualRendererSize() const {
    return _contentSize;
}

void Widget::setLayoutParameter(LayoutParameter* parameter) {
    if (parameter == _layoutParameter) {
        return;
    }
    CC_SAFE_RETAIN(parameter);
    CC_SAFE_RELEASE(_layoutParameter);
    _layoutParameter = parameter;
    if (auto* layout = dynamic_cast<Layout*>(getParent())) {
        layout->requestDoLayout();
    }
}

std::string Widget::getDescription() const {
    return "Widget";
}

Widget* Widget::clone() {
    Widget* copy = createCloneInstance();
    copy->copyProperties(this);
    copy->copyClonedWidgetChildren(this);
    return copy;
}

Widget* Widget::createCloneInstance() {
    return Widget::create();
}

void Widget::copySpecialProperties(Widget*) {}

void Widget::copyClonedWidgetChildren(Widget* model) {
    for (Node* child : model->getChildren()) {
        if (auto* widget = dynamic_cast<Widget*>(child)) {
            addChild(widget->clone());
        }
    }
}

void Widget::copyProperties(Widget* model) {
    setEnabled(model->isEnabled());
    setVisible(model->isVisible());
    setBright(model->isBright());
    setTouchEnabled(model->isTouchEnabled());
    setSwallowTouches(model->isSwallowTouches());
    _propagateTouchEvents = model->_propagateTouchEvents;
    _touchScale = model->_touchScale;
    setLocalZOrder(model->getLocalZOrder());
    setTag(model->getTag());
    setName(model->getName());
    setUserString(model->getUserString());
    setIgnoreAnchorPointForPosition(model->isIgnoreAnchorPointForPosition());
    setScaleX(model->getScaleX());
    setScaleY(model->getScaleY());
    setRotation(model->getRotation());
    setCascadeColorEnabled(model->isCascadeColorEnabled());
    setCascadeOpacityEnabled(model->isCascadeOpacityEnabled());
    setColor(model->getColor());
    setOpacity(model->getOpacity());
    _ignoreSize = model->_ignoreSize;
    _sizeType = model->_sizeType;
    _sizePercent = model->_sizePercent;
    _positionType = model->_positionType;
    _positionPercent = model->_positionPercent;
    _touchEventCallback = model->_touchEventCallback;
    _clickEventListener = model->_clickEventListener;
    copySpecialProperties(model);
    setContentSize(model->_customSize);
    setAnchorPoint(model->getAnchorPoint());
    setPosition(model->getPosition());
    if (model->_layoutParameter != nullptr) {
        setLayoutParameter(model->_layoutParameter->clone());
    }
    if (model->getLayoutComponent() != nullptr) {
        LayoutComponent* component = LayoutComponent::create();
        component->copyFrom(*model->getLayoutComponent());
        setLayoutComponent(component);
    }
}

}  // namespace ui
}  // namespace cocos2d
