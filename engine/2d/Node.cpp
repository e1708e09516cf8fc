#include "engine/2d/Node.h"

#include <algorithm>
#include <cmath>

#include "engine/2d/ActionManager.h"
#include "engine/2d/Camera.h"
#include "engine/2d/Scene.h"
#include "engine/base/Director.h"
#include "engine/base/EventDispatcher.h"
#include "engine/base/EventListener.h"
#include "engine/base/Macros.h"
#include "engine/base/Touch.h"
#include "engine/math/MathUtil.h"
#include "engine/renderer/GLProgramState.h"

namespace cocos2d {

uint32_t Node::s_globalOrderOfArrival = 0;

Node::Node()
    : _scheduler(Director::getInstance()->getScheduler()),
      _actionManager(Director::getInstance()->getActionManager()),
      _eventDispatcher(Director::getInstance()->getEventDispatcher()),
      _cameraFlags{static_cast<unsigned short>(CameraFlag::DEFAULT)} {
    CC_SAFE_RETAIN(_scheduler);
    CC_SAFE_RETAIN(_actionManager);
    CC_SAFE_RETAIN(_eventDispatcher);
}

Node::~Node() {
    for (Node* child : _children) {
        child->_parent = nullptr;
    }
    if (_eventDispatcher != nullptr) {
        _eventDispatcher->removeEventListenersForTarget(this);
    }
    CC_SAFE_RELEASE_NULL(_returnKeyListener);
    if (_scheduler != nullptr) {
        // A node dropped without cleanup must not leave callbacks that reach it.
        _scheduler->unscheduleAllForTarget(this);
    }
    CC_SAFE_RELEASE_NULL(_userObject);
    CC_SAFE_RELEASE_NULL(_glProgramState);
    CC_SAFE_RELEASE_NULL(_scheduler);
    CC_SAFE_RELEASE_NULL(_actionManager);
    CC_SAFE_RELEASE_NULL(_eventDispatcher);
    delete _additionalTransform;
}

Node* Node::create() {
    auto* node = new Node();
    if (node->init()) {
        node->autorelease();
        return node;
    }
    delete node;
    return nullptr;
}

bool Node::init() {
    return true;
}

// Z orders

void Node::_setLocalZOrder(int z) {
    _localZOrder = z;
}

void Node::updateOrderOfArrival() {
    _orderOfArrival = ++s_globalOrderOfArrival;
}

void Node::setLocalZOrder(int localZOrder) {
    if (_localZOrder == localZOrder) {
        return;
    }
    _setLocalZOrder(localZOrder);
    if (_parent != nullptr) {
        _parent->reorderChild(this, localZOrder);
    }
}

void Node::setGlobalZOrder(float globalZOrder) {
    _globalZOrder = globalZOrder;
}

// Scale, position, skew, anchor, size, rotation

void Node::setTransformDirty() {
    _transformDirty = _inverseDirty = _transformUpdated = true;
}

void Node::setScaleX(float scaleX) {
    if (_scaleX == scaleX) {
        return;
    }
    _scaleX = scaleX;
    setTransformDirty();
}

void Node::setScaleY(float scaleY) {
    if (_scaleY == scaleY) {
        return;
    }
    _scaleY = scaleY;
    setTransformDirty();
}

void Node::setScaleZ(float scaleZ) {
    if (_scaleZ == scaleZ) {
        return;
    }
    _scaleZ = scaleZ;
    setTransformDirty();
}

void Node::setScale(float scale) {
    if (_scaleX == scale && _scaleY == scale && _scaleZ == scale) {
        return;
    }
    _scaleX = _scaleY = _scaleZ = scale;
    setTransformDirty();
}

void Node::setScale(float scaleX, float scaleY) {
    if (_scaleX == scaleX && _scaleY == scaleY) {
        return;
    }
    _scaleX = scaleX;
    _scaleY = scaleY;
    setTransformDirty();
}

void Node::setPosition(const Vec2& position) {
    setPosition(position.x, position.y);
}

void Node::setPosition(float x, float y) {
    if (_position.x == x && _position.y == y) {
        return;
    }
    _position.x = x;
    _position.y = y;
    setTransformDirty();
}

void Node::getPosition(float* x, float* y) const {
    *x = _position.x;
    *y = _position.y;
}

void Node::setPositionX(float x) {
    setPosition(x, _position.y);
}

void Node::setPositionY(float y) {
    setPosition(_position.x, y);
}

void Node::setPositionZ(float z) {
    if (_positionZ == z) {
        return;
    }
    _positionZ = z;
    setTransformDirty();
}

void Node::setPosition3D(const Vec3& position) {
    setPositionZ(position.z);
    setPosition(position.x, position.y);
}

Vec3 Node::getPosition3D() const {
    return Vec3(_position.x, _position.y, _positionZ);
}

void Node::setSkewX(float skewX) {
    if (_skewX == skewX) {
        return;
    }
    _skewX = skewX;
    setTransformDirty();
}

void Node::setSkewY(float skewY) {
    if (_skewY == skewY) {
        return;
    }
    _skewY = skewY;
    setTransformDirty();
}

void Node::setAnchorPoint(const Vec2& anchorPoint) {
    if (anchorPoint.x == _anchorPoint.x && anchorPoint.y == _anchorPoint.y) {
        return;
    }
    _anchorPoint = anchorPoint;
    _anchorPointInPoints =
        Vec2(_contentSize.width * _anchorPoint.x, _contentSize.height * _anchorPoint.y);
    setTransformDirty();
}

void Node::setIgnoreAnchorPointForPosition(bool ignore) {
    if (ignore == _ignoreAnchorPointForPosition) {
        return;
    }
    _ignoreAnchorPointForPosition = ignore;
    setTransformDirty();
}

void Node::setContentSize(const Size& contentSize) {
    if (contentSize.equals(_contentSize)) {
        return;
    }
    _contentSize = contentSize;
    _anchorPointInPoints =
        Vec2(_contentSize.width * _anchorPoint.x, _contentSize.height * _anchorPoint.y);
    setTransformDirty();
    _contentSizeDirty = true;
}

void Node::setVisible(bool visible) {
    if (visible == _visible) {
        return;
    }
    _visible = visible;
    // An invisible node is not visited, so it missed any change of its parents' transforms.
    if (_visible) {
        setTransformDirty();
    }
}

void Node::setRotation(float rotation) {
    if (_rotationZ_X == rotation && _rotationZ_Y == rotation) {
        return;
    }
    _rotationZ_X = _rotationZ_Y = rotation;
    setTransformDirty();
    updateRotationQuat();
}

void Node::setRotation3D(const Vec3& rotation) {
    if (_rotationX == rotation.x && _rotationY == rotation.y && _rotationZ_X == rotation.z &&
        _rotationZ_Y == rotation.z) {
        return;
    }
    _rotationX = rotation.x;
    _rotationY = rotation.y;
    _rotationZ_X = _rotationZ_Y = rotation.z;
    setTransformDirty();
    updateRotationQuat();
}

Vec3 Node::getRotation3D() const {
    return Vec3(_rotationX, _rotationY, _rotationZ_X);
}

void Node::setRotationQuat(const Quaternion& quat) {
    _rotationQuat = quat;
    updateRotation3D();
    setTransformDirty();
}

void Node::updateRotationQuat() {
    // Rotations about X, then Y, then Z; the engine's Z angle turns clockwise, hence the sign.
    const float hx = MATH_DEG_TO_RAD(_rotationX * 0.5f);
    const float hy = MATH_DEG_TO_RAD(_rotationY * 0.5f);
    const float hz = -MATH_DEG_TO_RAD(_rotationZ_X * 0.5f);
    const float cx = std::cos(hx);
    const float sx = std::sin(hx);
    const float cy = std::cos(hy);
    const float sy = std::sin(hy);
    const float cz = std::cos(hz);
    const float sz = std::sin(hz);
    _rotationQuat.x = sx * cy * cz - cx * sy * sz;
    _rotationQuat.y = cx * sy * cz + sx * cy * sz;
    _rotationQuat.z = cx * cy * sz - sx * sy * cz;
    _rotationQuat.w = cx * cy * cz + sx * sy * sz;
}

void Node::updateRotation3D() {
    const float x = _rotationQuat.x;
    const float y = _rotationQuat.y;
    const float z = _rotationQuat.z;
    const float w = _rotationQuat.w;
    const float rx = std::atan2(2.0f * (w * x + y * z), 1.0f - 2.0f * (x * x + y * y));
    const float ry = std::asin(clampf(2.0f * (w * y - z * x), -1.0f, 1.0f));
    const float rz = std::atan2(2.0f * (w * z + x * y), 1.0f - 2.0f * (y * y + z * z));
    _rotationX = MATH_RAD_TO_DEG(rx);
    _rotationY = MATH_RAD_TO_DEG(ry);
    _rotationZ_X = _rotationZ_Y = -MATH_RAD_TO_DEG(rz);
}

// Hierarchy

void Node::childrenAlloc() {
    _children.reserve(4);
}

void Node::insertChild(Node* child, int z) {
    _transformUpdated = true;
    _reorderChildDirty = true;
    _children.pushBack(child);
    child->_setLocalZOrder(z);
}

void Node::addChild(Node* child) {
    if (child != nullptr) {
        addChild(child, child->getLocalZOrder(), child->_name);
    }
}

void Node::addChild(Node* child, int localZOrder) {
    if (child != nullptr) {
        addChild(child, localZOrder, child->_name);
    }
}

void Node::addChild(Node* child, int localZOrder, int tag) {
    addChildHelper(child, localZOrder, tag, "", true);
}

void Node::addChild(Node* child, int localZOrder, const std::string& name) {
    addChildHelper(child, localZOrder, INVALID_TAG, name, false);
}

void Node::addChildHelper(Node* child, int localZOrder, int tag, const std::string& name,
                          bool setTag) {
    // A node has one parent; adding it elsewhere first needs its removal.
    if (child == nullptr || child->_parent != nullptr || child == this) {
        return;
    }
    if (_children.empty()) {
        childrenAlloc();
    }
    insertChild(child, localZOrder);
    if (setTag) {
        child->setTag(tag);
    } else {
        child->setName(name);
    }
    child->setParent(this);
    child->updateOrderOfArrival();
    if (child->_cameraVisitThroughChild) {
        enableCameraVisitThroughtChild();
    }
    if (_running) {
        child->onEnter();
        if (_isTransitionFinished) {
            child->onEnterTransitionDidFinish();
        }
    }
    if (_cascadeColorEnabled) {
        updateCascadeColor();
    }
    if (_cascadeOpacityEnabled) {
        updateCascadeOpacity();
    }
}

Node* Node::getChildByTag(int tag) const {
    for (Node* child : _children) {
        if (child->_tag == tag) {
            return child;
        }
    }
    return nullptr;
}

Node* Node::getChildByName(const std::string& name) const {
    if (name.empty()) {
        return nullptr;
    }
    for (Node* child : _children) {
        if (child->_name == name) {
            return child;
        }
    }
    return nullptr;
}

Node* Node::getChildByNameDeep(const std::string& name) const {
    if (name.empty()) {
        return nullptr;
    }
    // Through getChildren, so that nodes keeping their content in a container are searched too.
    for (Node* child : getChildren()) {
        if (child->_name == name) {
            return child;
        }
        if (Node* found = child->getChildByNameDeep(name)) {
            return found;
        }
    }
    return nullptr;
}

Node* Node::getChildByTagDeep(int tag) const {
    for (Node* child : getChildren()) {
        if (child->_tag == tag) {
            return child;
        }
        if (Node* found = child->getChildByTagDeep(tag)) {
            return found;
        }
    }
    return nullptr;
}

void Node::setParent(Node* parent) {
    _parent = parent;
    _transformUpdated = _transformDirty = _inverseDirty = true;
}

void Node::removeFromParent() {
    removeFromParentAndCleanup(true);
}

void Node::removeFromParentAndCleanup(bool cleanup) {
    if (_parent != nullptr) {
        _parent->removeChild(this, cleanup);
    }
}

void Node::removeChild(Node* child, bool cleanup) {
    if (child == nullptr || _children.empty()) {
        return;
    }
    const ssize_t index = _children.getIndex(child);
    if (index != CC_INVALID_INDEX) {
        detachChild(child, index, cleanup);
    }
}

void Node::removeChildByTag(int tag, bool cleanup) {
    if (Node* child = getChildByTag(tag)) {
        removeChild(child, cleanup);
    }
}

void Node::removeChildByName(const std::string& name, bool cleanup) {
    if (Node* child = getChildByName(name)) {
        removeChild(child, cleanup);
    }
}

void Node::removeAllChildren() {
    removeAllChildrenWithCleanup(true);
}

void Node::removeAllChildrenWithCleanup(bool cleanup) {
    // Callbacks of leaving children may touch the list; work on a retained copy.
    const Vector<Node*> children = _children;
    for (Node* child : children) {
        if (child->_parent != this) {
            continue;
        }
        if (_running) {
            child->onExitTransitionDidStart();
            child->onExit();
        }
        if (cleanup) {
            child->cleanup();
        }
        child->setParent(nullptr);
    }
    for (Node* child : children) {
        if (child->_parent == nullptr) {
            _children.eraseObject(child);
        }
    }
}

void Node::detachChild(Node* child, ssize_t index, bool cleanup) {
    child->retain();
    if (_running) {
        child->onExitTransitionDidStart();
        child->onExit();
    }
    if (cleanup) {
        child->cleanup();
    }
    child->setParent(nullptr);
    // The exit callbacks may have changed the list.
    if (_children.at(index) != child) {
        index = _children.getIndex(child);
    }
    if (index != CC_INVALID_INDEX) {
        _children.erase(index);
    }
    child->release();
}

void Node::reorderChild(Node* child, int localZOrder) {
    if (child == nullptr) {
        return;
    }
    _reorderChildDirty = true;
    child->updateOrderOfArrival();
    child->_setLocalZOrder(localZOrder);
}

void Node::sortAllChildren() {
    if (!_reorderChildDirty) {
        return;
    }
    std::stable_sort(_children.begin(), _children.end(), [](const Node* a, const Node* b) {
        return a->_localZOrder < b->_localZOrder ||
               (a->_localZOrder == b->_localZOrder && a->_orderOfArrival < b->_orderOfArrival);
    });
    _reorderChildDirty = false;
}

void Node::updateChildrenToHighZOrder() {
    if (_children.empty()) {
        return;
    }
    sortAllChildren();
    int z = _children.back()->_localZOrder;
    const Vector<Node*> children = _children;
    for (Node* child : children) {
        child->setLocalZOrder(++z);
    }
}

void Node::setUserObject(Ref* userObject) {
    CC_SAFE_RETAIN(userObject);
    CC_SAFE_RELEASE(_userObject);
    _userObject = userObject;
}

// Lifecycle

void Node::onEnter() {
    _isTransitionFinished = false;
    const Vector<Node*> children = _children;
    for (Node* child : children) {
        if (child->_parent == this) {
            child->onEnter();
        }
    }
    resume();
    _running = true;
}

void Node::onEnterTransitionDidFinish() {
    _isTransitionFinished = true;
    const Vector<Node*> children = _children;
    for (Node* child : children) {
        if (child->_parent == this) {
            child->onEnterTransitionDidFinish();
        }
    }
}

void Node::onExitTransitionDidStart() {
    const Vector<Node*> children = _children;
    for (Node* child : children) {
        if (child->_parent == this) {
            child->onExitTransitionDidStart();
        }
    }
}

void Node::onExit() {
    pause();
    _running = false;
    const Vector<Node*> children = _children;
    for (Node* child : children) {
        if (child->_parent == this) {
            child->onExit();
        }
    }
}

void Node::cleanup() {
    stopAllActions();
    unscheduleAllCallbacks();
    const Vector<Node*> children = _children;
    for (Node* child : children) {
        if (child->_parent == this) {
            child->cleanup();
        }
    }
}

// Frame

void Node::draw(Renderer* /*renderer*/, const Mat4& /*transform*/, uint32_t /*flags*/) {}

uint32_t Node::processParentFlags(const Mat4& parentTransform, uint32_t parentFlags) {
    uint32_t flags = parentFlags;
    flags |= _transformUpdated ? FLAGS_TRANSFORM_DIRTY : 0;
    flags |= _contentSizeDirty ? FLAGS_CONTENT_SIZE_DIRTY : 0;
    if ((flags & FLAGS_DIRTY_MASK) != 0) {
        _modelViewTransform = transform(parentTransform);
    }
    _transformUpdated = false;
    _contentSizeDirty = false;
    return flags;
}

Mat4 Node::transform(const Mat4& parentTransform) {
    return parentTransform * getNodeToParentTransform();
}

void Node::visit(Renderer* renderer, const Mat4& parentTransform, uint32_t parentFlags) {
    if (!_visible) {
        return;
    }
    const uint32_t flags = processParentFlags(parentTransform, parentFlags);
    const bool visibleByCamera = isVisitableByVisitingCamera();
    if (!visibleByCamera && !_cameraVisitThroughChild) {
        // The children were not told of a transform change; tell them at the next visit.
        if ((flags & FLAGS_DIRTY_MASK) != 0) {
            _transformUpdated = true;
        }
        return;
    }
    Director* director = Director::getInstance();
    director->pushMatrix(MATRIX_STACK_TYPE::MATRIX_STACK_MODELVIEW);
    director->loadMatrix(MATRIX_STACK_TYPE::MATRIX_STACK_MODELVIEW, _modelViewTransform);
    onBeforeVisit();
    sortAllChildren();
    ssize_t i = 0;
    for (; i < _children.size(); ++i) {
        Node* child = _children.at(i);
        if (child->_localZOrder >= 0) {
            break;
        }
        child->visit(renderer, _modelViewTransform, flags);
    }
    if (visibleByCamera) {
        draw(renderer, _modelViewTransform, flags);
    }
    for (; i < _children.size(); ++i) {
        _children.at(i)->visit(renderer, _modelViewTransform, flags);
    }
    onAfterVisit();
    director->popMatrix(MATRIX_STACK_TYPE::MATRIX_STACK_MODELVIEW);
}

Scene* Node::getScene() const {
    const Node* root = this;
    while (root->_parent != nullptr) {
        root = root->_parent;
    }
    return dynamic_cast<Scene*>(const_cast<Node*>(root));
}

Rect Node::getBoundingBox() const {
    const Mat4& toParent = getNodeToParentTransform();
    const Vec2 corners[4] = {Vec2(0.0f, 0.0f), Vec2(_contentSize.width, 0.0f),
                             Vec2(0.0f, _contentSize.height),
                             Vec2(_contentSize.width, _contentSize.height)};
    float minX = 0.0f;
    float minY = 0.0f;
    float maxX = 0.0f;
    float maxY = 0.0f;
    for (int i = 0; i < 4; ++i) {
        Vec3 p(corners[i].x, corners[i].y, 0.0f);
        toParent.transformPoint(&p);
        minX = i == 0 ? p.x : std::min(minX, p.x);
        minY = i == 0 ? p.y : std::min(minY, p.y);
        maxX = i == 0 ? p.x : std::max(maxX, p.x);
        maxY = i == 0 ? p.y : std::max(maxY, p.y);
    }
    return Rect(minX, minY, maxX - minX, maxY - minY);
}

// Events

void Node::setEventDispatcher(EventDispatcher* dispatcher) {
    if (dispatcher == _eventDispatcher) {
        return;
    }
    if (_eventDispatcher != nullptr) {
        _eventDispatcher->removeEventListenersForTarget(this);
    }
    CC_SAFE_RETAIN(dispatcher);
    CC_SAFE_RELEASE(_eventDispatcher);
    _eventDispatcher = dispatcher;
}

void Node::enableAndroidReturnKey(bool enable) {
    if (enable == (_returnKeyListener != nullptr) || _eventDispatcher == nullptr) {
        return;
    }
    if (!enable) {
        _eventDispatcher->removeEventListener(_returnKeyListener);
        CC_SAFE_RELEASE_NULL(_returnKeyListener);
        return;
    }
    _returnKeyListener = EventListenerKeyboard::create();
    _returnKeyListener->retain();
    _returnKeyListener->onKeyReleased = [this](EventKeyboard::KeyCode keyCode, Event* event) {
        if (keyCode == EventKeyboard::KeyCode::KEY_BACK && onResponseReturn()) {
            event->stopPropagation();
        }
    };
    _eventDispatcher->addEventListenerWithSceneGraphPriority(_returnKeyListener, this);
}

// Schedules

void Node::setScheduler(Scheduler* scheduler) {
    if (scheduler == _scheduler) {
        return;
    }
    if (_scheduler != nullptr) {
        _scheduler->unscheduleAllForTarget(this);
    }
    CC_SAFE_RETAIN(scheduler);
    CC_SAFE_RELEASE(_scheduler);
    _scheduler = scheduler;
}

bool Node::isScheduled(SEL_SCHEDULE selector) const {
    return _scheduler != nullptr && _scheduler->isScheduled(selector, this);
}

bool Node::isScheduled(const std::string& key) const {
    return _scheduler != nullptr && _scheduler->isScheduled(key, this);
}

void Node::scheduleUpdate() {
    scheduleUpdateWithPriority(0);
}

void Node::scheduleUpdateWithPriority(int priority) {
    if (_scheduler != nullptr) {
        _scheduler->scheduleUpdate(this, priority, !_running);
    }
}

void Node::unscheduleUpdate() {
    if (_scheduler != nullptr) {
        _scheduler->unscheduleUpdate(this);
    }
}

void Node::schedule(SEL_SCHEDULE selector) {
    schedule(selector, 0.0f, CC_REPEAT_FOREVER, 0.0f);
}

void Node::schedule(SEL_SCHEDULE selector, float interval) {
    schedule(selector, interval, CC_REPEAT_FOREVER, 0.0f);
}

void Node::schedule(SEL_SCHEDULE selector, float interval, unsigned int repeat, float delay) {
    if (_scheduler != nullptr && selector != nullptr) {
        _scheduler->schedule(selector, this, interval, repeat, delay, !_running);
    }
}

void Node::scheduleOnce(SEL_SCHEDULE selector, float delay) {
    schedule(selector, 0.0f, 0, delay);
}

void Node::scheduleOnce(const std::function<void(float)>& callback, float delay,
                        const std::string& key) {
    schedule(callback, 0.0f, 0, delay, key);
}

void Node::schedule(const std::function<void(float)>& callback, const std::string& key) {
    schedule(callback, 0.0f, CC_REPEAT_FOREVER, 0.0f, key);
}

void Node::schedule(const std::function<void(float)>& callback, float interval,
                    const std::string& key) {
    schedule(callback, interval, CC_REPEAT_FOREVER, 0.0f, key);
}

void Node::schedule(const std::function<void(float)>& callback, float interval, unsigned int repeat,
                    float delay, const std::string& key) {
    if (_scheduler != nullptr && callback) {
        _scheduler->schedule(callback, this, interval, repeat, delay, !_running, key);
    }
}

void Node::unschedule(SEL_SCHEDULE selector) {
    if (_scheduler != nullptr && selector != nullptr) {
        _scheduler->unschedule(selector, this);
    }
}

void Node::unschedule(const std::string& key) {
    if (_scheduler != nullptr) {
        _scheduler->unschedule(key, this);
    }
}

void Node::unscheduleAllCallbacks() {
    if (_scheduler != nullptr) {
        _scheduler->unscheduleAllForTarget(this);
    }
}

void Node::resume() {
    if (_scheduler != nullptr) {
        _scheduler->resumeTarget(this);
    }
    if (_actionManager != nullptr) {
        _actionManager->resumeTarget(this);
    }
    if (_eventDispatcher != nullptr) {
        _eventDispatcher->resumeEventListenersForTarget(this);
    }
}

void Node::pause() {
    if (_scheduler != nullptr) {
        _scheduler->pauseTarget(this);
    }
    if (_actionManager != nullptr) {
        _actionManager->pauseTarget(this);
    }
    if (_eventDispatcher != nullptr) {
        _eventDispatcher->pauseEventListenersForTarget(this);
    }
}

void Node::update(float /*delta*/) {}

// Actions

void Node::setActionManager(ActionManager* actionManager) {
    if (actionManager == _actionManager) {
        return;
    }
    stopAllActions();
    CC_SAFE_RETAIN(actionManager);
    CC_SAFE_RELEASE(_actionManager);
    _actionManager = actionManager;
}

Action* Node::runAction(Action* action) {
    if (action != nullptr && _actionManager != nullptr) {
        _actionManager->addAction(action, this, !_running);
    }
    return action;
}

void Node::stopAllActions() {
    if (_actionManager != nullptr) {
        _actionManager->removeAllActionsFromTarget(this);
    }
}

void Node::stopAction(Action* action) {
    if (_actionManager != nullptr) {
        _actionManager->removeAction(action);
    }
}

void Node::stopActionByTag(int tag) {
    if (_actionManager != nullptr) {
        _actionManager->removeActionByTag(tag, this);
    }
}

Action* Node::getActionByTag(int tag) {
    return _actionManager == nullptr ? nullptr : _actionManager->getActionByTag(tag, this);
}

ssize_t Node::getNumberOfRunningActions() const {
    return _actionManager == nullptr ? 0 : _actionManager->getNumberOfRunningActionsInTarget(this);
}

// Transforms

const Mat4& Node::getNodeToParentTransform() const {
    if (_transformDirty) {
        float x = _position.x;
        float y = _position.y;
        if (_ignoreAnchorPointForPosition) {
            x += _anchorPointInPoints.x;
            y += _anchorPointInPoints.y;
        }
        Mat4 translation;
        Mat4::createTranslation(x, y, _positionZ, &translation);
        Mat4 rotation;
        Mat4::createRotation(_rotationQuat, &rotation);
        _transform = translation * rotation;
        for (int i = 0; i < 3; ++i) {
            _transform.m[i] *= _scaleX;
            _transform.m[4 + i] *= _scaleY;
            _transform.m[8 + i] *= _scaleZ;
        }
        if (_skewX != 0.0f || _skewY != 0.0f) {
            Mat4 skew;
            skew.m[1] = std::tan(MATH_DEG_TO_RAD(_skewY));
            skew.m[4] = std::tan(MATH_DEG_TO_RAD(_skewX));
            _transform = _transform * skew;
        }
        if (!_anchorPointInPoints.isZero()) {
            const float ax = -_anchorPointInPoints.x;
            const float ay = -_anchorPointInPoints.y;
            _transform.m[12] += _transform.m[0] * ax + _transform.m[4] * ay;
            _transform.m[13] += _transform.m[1] * ax + _transform.m[5] * ay;
            _transform.m[14] += _transform.m[2] * ax + _transform.m[6] * ay;
        }
        if (_additionalTransform != nullptr) {
            _transform = _transform * *_additionalTransform;
        }
        _transformDirty = false;
    }
    return _transform;
}

Mat4 Node::getNodeToParentTransform(Node* ancestor) const {
    Mat4 t = getNodeToParentTransform();
    for (const Node* p = _parent; p != nullptr && p != ancestor; p = p->_parent) {
        t = p->getNodeToParentTransform() * t;
    }
    return t;
}

void Node::setNodeToParentTransform(const Mat4& transform) {
    _transform = transform;
    _transformDirty = false;
    _transformUpdated = true;
    _inverseDirty = true;
}

const Mat4& Node::getParentToNodeTransform() const {
    if (_inverseDirty || _transformDirty) {
        _inverse = getNodeToParentTransform().getInversed();
        _inverseDirty = false;
    }
    return _inverse;
}

Mat4 Node::getNodeToWorldTransform() const {
    return getNodeToParentTransform(nullptr);
}

Mat4 Node::getWorldToNodeTransform() const {
    return getNodeToWorldTransform().getInversed();
}

void Node::setAdditionalTransform(const Mat4* additionalTransform) {
    if (additionalTransform == nullptr || *additionalTransform == Mat4::IDENTITY) {
        delete _additionalTransform;
        _additionalTransform = nullptr;
    } else if (_additionalTransform == nullptr) {
        _additionalTransform = new Mat4(*additionalTransform);
    } else {
        *_additionalTransform = *additionalTransform;
    }
    setTransformDirty();
}

void Node::setAdditionalTransform(const Mat4& additionalTransform) {
    setAdditionalTransform(&additionalTransform);
}

Vec2 Node::convertToNodeSpace(const Vec2& worldPoint) const {
    Vec3 p(worldPoint.x, worldPoint.y, 0.0f);
    getWorldToNodeTransform().transformPoint(&p);
    return Vec2(p.x, p.y);
}

Vec2 Node::convertToWorldSpace(const Vec2& nodePoint) const {
    Vec3 p(nodePoint.x, nodePoint.y, 0.0f);
    getNodeToWorldTransform().transformPoint(&p);
    return Vec2(p.x, p.y);
}

Vec2 Node::convertToNodeSpaceAR(const Vec2& worldPoint) const {
    return convertToNodeSpace(worldPoint) - _anchorPointInPoints;
}

Vec2 Node::convertToWorldSpaceAR(const Vec2& nodePoint) const {
    return convertToWorldSpace(nodePoint + _anchorPointInPoints);
}

Vec2 Node::convertTouchToNodeSpace(Touch* touch) const {
    return convertToNodeSpace(touch->getLocation());
}

Vec2 Node::convertTouchToNodeSpaceAR(Touch* touch) const {
    return convertToNodeSpaceAR(touch->getLocation());
}

// Colour and opacity

void Node::setOpacity(uint8_t opacity) {
    _displayedOpacity = _realOpacity = opacity;
    updateCascadeOpacity();
}

void Node::updateDisplayedOpacity(uint8_t parentOpacity) {
    _displayedOpacity = static_cast<uint8_t>(_realOpacity * parentOpacity / 255);
    updateColor();
    if (_cascadeOpacityEnabled) {
        for (Node* child : _children) {
            child->updateDisplayedOpacity(_displayedOpacity);
        }
    }
}

void Node::setCascadeOpacityEnabled(bool cascadeOpacityEnabled) {
    if (_cascadeOpacityEnabled == cascadeOpacityEnabled) {
        return;
    }
    _cascadeOpacityEnabled = cascadeOpacityEnabled;
    if (cascadeOpacityEnabled) {
        updateCascadeOpacity();
    } else {
        disableCascadeOpacity();
    }
}

void Node::updateCascadeOpacity() {
    uint8_t parentOpacity = 255;
    if (_parent != nullptr && _parent->isCascadeOpacityEnabled()) {
        parentOpacity = _parent->getDisplayedOpacity();
    }
    updateDisplayedOpacity(parentOpacity);
}

void Node::disableCascadeOpacity() {
    _displayedOpacity = _realOpacity;
    for (Node* child : _children) {
        child->updateDisplayedOpacity(255);
    }
}

void Node::setColor(const Color3B& color) {
    _displayedColor = _realColor = color;
    updateCascadeColor();
}

void Node::updateDisplayedColor(const Color3B& parentColor) {
    _displayedColor.r = static_cast<uint8_t>(_realColor.r * parentColor.r / 255);
    _displayedColor.g = static_cast<uint8_t>(_realColor.g * parentColor.g / 255);
    _displayedColor.b = static_cast<uint8_t>(_realColor.b * parentColor.b / 255);
    updateColor();
    if (_cascadeColorEnabled) {
        for (Node* child : _children) {
            child->updateDisplayedColor(_displayedColor);
        }
    }
}

void Node::setCascadeColorEnabled(bool cascadeColorEnabled) {
    if (_cascadeColorEnabled == cascadeColorEnabled) {
        return;
    }
    _cascadeColorEnabled = cascadeColorEnabled;
    if (cascadeColorEnabled) {
        updateCascadeColor();
    } else {
        disableCascadeColor();
    }
}

void Node::updateCascadeColor() {
    Color3B parentColor = Color3B::WHITE;
    if (_parent != nullptr && _parent->isCascadeColorEnabled()) {
        parentColor = _parent->getDisplayedColor();
    }
    updateDisplayedColor(parentColor);
}

void Node::disableCascadeColor() {
    _displayedColor = _realColor;
    for (Node* child : _children) {
        child->updateDisplayedColor(Color3B::WHITE);
    }
}

// Cameras

void Node::setCameraMask(unsigned short flag, bool applyChildren) {
    if (!hasCameraFlag(flag)) {
        _cameraFlags.push_back(flag);
    }
    if (applyChildren) {
        for (Node* child : _children) {
            child->setCameraMask(flag, true);
        }
    }
}

void Node::removeCameraMask(unsigned short flag, bool applyChildren) {
    _cameraFlags.erase(std::remove(_cameraFlags.begin(), _cameraFlags.end(), flag),
                       _cameraFlags.end());
    if (applyChildren) {
        for (Node* child : _children) {
            child->removeCameraMask(flag, true);
        }
    }
}

unsigned short Node::getCameraMask() const {
    return _cameraFlags.empty() ? 0 : _cameraFlags.front();
}

bool Node::hasCameraFlag(unsigned short flag) const {
    return std::find(_cameraFlags.begin(), _cameraFlags.end(), flag) != _cameraFlags.end();
}

bool Node::isVisitableByVisitingCamera() const {
    const Camera* camera = Camera::getVisitingCamera();
    return camera == nullptr || hasCameraFlag(camera->getCameraFlag());
}

void Node::enableCameraVisitThroughtChild() {
    for (Node* node = this; node != nullptr && !node->_cameraVisitThroughChild;
         node = node->_parent) {
        node->_cameraVisitThroughChild = true;
    }
}

GLProgram* Node::getGLProgram() const {
    return _glProgramState != nullptr ? _glProgramState->getGLProgram() : nullptr;
}

void Node::setGLProgram(GLProgram* glprogram) {
    setGLProgramState(GLProgramState::create(glprogram));
}

void Node::setGLProgramState(GLProgramState* glProgramState) {
    if (glProgramState == _glProgramState) {
        return;
    }
    CC_SAFE_RETAIN(glProgramState);
    CC_SAFE_RELEASE(_glProgramState);
    _glProgramState = glProgramState;
}

}  // namespace cocos2d
