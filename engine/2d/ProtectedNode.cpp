#include "engine/2d/ProtectedNode.h"

#include <algorithm>

#include "engine/base/Director.h"

namespace cocos2d {

ProtectedNode* ProtectedNode::create() {
    auto* node = new ProtectedNode();
    if (node->init()) {
        node->autorelease();
        return node;
    }
    delete node;
    return nullptr;
}

ProtectedNode::~ProtectedNode() {
    for (Node* child : _protectedChildren) {
        child->setParent(nullptr);
    }
}

void ProtectedNode::addProtectedChild(Node* child) {
    if (child != nullptr) {
        addProtectedChild(child, child->getLocalZOrder(), child->getTag());
    }
}

void ProtectedNode::addProtectedChild(Node* child, int localZOrder) {
    if (child != nullptr) {
        addProtectedChild(child, localZOrder, child->getTag());
    }
}

void ProtectedNode::addProtectedChild(Node* child, int localZOrder, int tag) {
    if (child == nullptr || child->getParent() != nullptr || child == this) {
        return;
    }
    _transformUpdated = true;
    _reorderProtectedChildDirty = true;
    _protectedChildren.pushBack(child);
    child->_setLocalZOrder(localZOrder);
    child->setTag(tag);
    child->setParent(this);
    child->updateOrderOfArrival();
    if (child->isCameraVisitThroughtChild()) {
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

Node* ProtectedNode::getProtectedChildByTag(int tag) {
    for (Node* child : _protectedChildren) {
        if (child->getTag() == tag) {
            return child;
        }
    }
    return nullptr;
}

void ProtectedNode::removeProtectedChild(Node* child, bool cleanup) {
    if (child == nullptr) {
        return;
    }
    const ssize_t index = _protectedChildren.getIndex(child);
    if (index == CC_INVALID_INDEX) {
        return;
    }
    child->retain();
    if (_running) {
        child->onExitTransitionDidStart();
        child->onExit();
    }
    if (cleanup) {
        child->cleanup();
    }
    child->setParent(nullptr);
    _protectedChildren.eraseObject(child);
    child->release();
}

void ProtectedNode::removeProtectedChildByTag(int tag, bool cleanup) {
    if (Node* child = getProtectedChildByTag(tag)) {
        removeProtectedChild(child, cleanup);
    }
}

void ProtectedNode::removeAllProtectedChildren() {
    removeAllProtectedChildrenWithCleanup(true);
}

void ProtectedNode::removeAllProtectedChildrenWithCleanup(bool cleanup) {
    const Vector<Node*> children = _protectedChildren;
    for (Node* child : children) {
        if (child->getParent() != this) {
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
        if (child->getParent() == nullptr) {
            _protectedChildren.eraseObject(child);
        }
    }
}

void ProtectedNode::reorderProtectedChild(Node* child, int localZOrder) {
    if (child == nullptr) {
        return;
    }
    _reorderProtectedChildDirty = true;
    child->updateOrderOfArrival();
    child->_setLocalZOrder(localZOrder);
}

void ProtectedNode::sortAllProtectedChildren() {
    if (!_reorderProtectedChildDirty) {
        return;
    }
    std::stable_sort(_protectedChildren.begin(), _protectedChildren.end(),
                     [](const Node* a, const Node* b) {
                         return a->getLocalZOrder() < b->getLocalZOrder() ||
                                (a->getLocalZOrder() == b->getLocalZOrder() &&
                                 a->_orderOfArrival < b->_orderOfArrival);
                     });
    _reorderProtectedChildDirty = false;
}

void ProtectedNode::visit(Renderer* renderer, const Mat4& parentTransform, uint32_t parentFlags) {
    if (!_visible) {
        return;
    }
    const uint32_t flags = processParentFlags(parentTransform, parentFlags);
    const bool visibleByCamera = isVisitableByVisitingCamera();
    if (!visibleByCamera && !_cameraVisitThroughChild) {
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
    sortAllProtectedChildren();
    // Protected children below the node, the node, ordinary children below, ordinary children
    // above, protected children above.
    ssize_t i = 0;
    ssize_t j = 0;
    for (; i < _children.size() && _children.at(i)->getLocalZOrder() < 0; ++i) {
        _children.at(i)->visit(renderer, _modelViewTransform, flags);
    }
    for (; j < _protectedChildren.size() && _protectedChildren.at(j)->getLocalZOrder() < 0; ++j) {
        _protectedChildren.at(j)->visit(renderer, _modelViewTransform, flags);
    }
    if (visibleByCamera) {
        draw(renderer, _modelViewTransform, flags);
    }
    for (; j < _protectedChildren.size(); ++j) {
        _protectedChildren.at(j)->visit(renderer, _modelViewTransform, flags);
    }
    for (; i < _children.size(); ++i) {
        _children.at(i)->visit(renderer, _modelViewTransform, flags);
    }
    onAfterVisit();
    director->popMatrix(MATRIX_STACK_TYPE::MATRIX_STACK_MODELVIEW);
}

void ProtectedNode::cleanup() {
    Node::cleanup();
    const Vector<Node*> children = _protectedChildren;
    for (Node* child : children) {
        child->cleanup();
    }
}

void ProtectedNode::onEnter() {
    Node::onEnter();
    const Vector<Node*> children = _protectedChildren;
    for (Node* child : children) {
        child->onEnter();
    }
}

void ProtectedNode::onEnterTransitionDidFinish() {
    Node::onEnterTransitionDidFinish();
    const Vector<Node*> children = _protectedChildren;
    for (Node* child : children) {
        child->onEnterTransitionDidFinish();
    }
}

void ProtectedNode::onExitTransitionDidStart() {
    Node::onExitTransitionDidStart();
    const Vector<Node*> children = _protectedChildren;
    for (Node* child : children) {
        child->onExitTransitionDidStart();
    }
}

void ProtectedNode::onExit() {
    Node::onExit();
    const Vector<Node*> children = _protectedChildren;
    for (Node* child : children) {
        child->onExit();
    }
}

void ProtectedNode::setCameraMask(unsigned short flag, bool applyChildren) {
    Node::setCameraMask(flag, applyChildren);
    if (applyChildren) {
        for (Node* child : _protectedChildren) {
            child->setCameraMask(flag, true);
        }
    }
}

void ProtectedNode::removeCameraMask(unsigned short flag, bool applyChildren) {
    Node::removeCameraMask(flag, applyChildren);
    if (applyChildren) {
        for (Node* child : _protectedChildren) {
            child->removeCameraMask(flag, true);
        }
    }
}

void ProtectedNode::updateDisplayedOpacity(uint8_t parentOpacity) {
    Node::updateDisplayedOpacity(parentOpacity);
    if (_cascadeOpacityEnabled) {
        for (Node* child : _protectedChildren) {
            child->updateDisplayedOpacity(_displayedOpacity);
        }
    }
}

void ProtectedNode::updateDisplayedColor(const Color3B& parentColor) {
    Node::updateDisplayedColor(parentColor);
    if (_cascadeColorEnabled) {
        for (Node* child : _protectedChildren) {
            child->updateDisplayedColor(_displayedColor);
        }
    }
}

void ProtectedNode::disableCascadeColor() {
    Node::disableCascadeColor();
    for (Node* child : _protectedChildren) {
        child->updateDisplayedColor(Color3B::WHITE);
    }
}

void ProtectedNode::disableCascadeOpacity() {
    Node::disableCascadeOpacity();
    for (Node* child : _protectedChildren) {
        child->updateDisplayedOpacity(255);
    }
}

}  // namespace cocos2d
