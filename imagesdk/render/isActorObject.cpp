#include "imagesdk/render/isActorObject.h"

#include <algorithm>

#include "imagesdk/render/isRenderWindowBase.h"
#include "toolkit/core/NSNotificationCenter.h"

namespace isImageSDK {

isActorObject::~isActorObject() {
    isActorObject::cleanup();
}

bool isActorObject::init() {
    if (!isObject::init()) {
        return false;
    }
    _window = nullptr;
    return true;
}

void isActorObject::cleanup() {
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
    if (_window != nullptr) {
        _window->release();
        _window = nullptr;
    }
    for (std::vector<cocos2d::Node*>* list : {&_childNodes, &_actorNodes, &_overlayNodes}) {
        for (cocos2d::Node* node : *list) {
            node->release();
        }
        list->clear();
    }
}

bool isActorObject::keep(std::vector<cocos2d::Node*>& list, cocos2d::Node* node) {
    if (node == nullptr || std::find(list.begin(), list.end(), node) != list.end()) {
        return false;
    }
    node->setTag(static_cast<int>(getRefID()));
    node->retain();
    list.push_back(node);
    return true;
}

void isActorObject::addChildNode(cocos2d::Node* node) {
    if (keep(_childNodes, node) && _window != nullptr) {
        _window->addChild(node);
    }
}

void isActorObject::addActorNode(cocos2d::Node* node) {
    if (keep(_actorNodes, node) && _window != nullptr) {
        _window->addActorNode(node);
    }
}

void isActorObject::addOverlayNode(cocos2d::Node* node) {
    if (keep(_overlayNodes, node) && _window != nullptr) {
        _window->addOverlayNode(node);
    }
}

void isActorObject::attachToWindow(isRenderWindowBase* window) {
    if (_window != nullptr || window == nullptr) {
        return;
    }
    window->retain();
    _window = window;
    for (cocos2d::Node* node : _childNodes) {
        _window->addChild(node);
    }
    for (cocos2d::Node* node : _actorNodes) {
        _window->addActorNode(node);
    }
    for (cocos2d::Node* node : _overlayNodes) {
        _window->addOverlayNode(node);
    }
}

void isActorObject::detachNodes() {
    if (_window == nullptr) {
        return;
    }
    for (cocos2d::Node* node : _childNodes) {
        _window->removeChild(node, true);
    }
    for (cocos2d::Node* node : _actorNodes) {
        _window->removeActorNode(node);
    }
    for (cocos2d::Node* node : _overlayNodes) {
        _window->removeOverlayNode(node);
    }
}

void isActorObject::setActive(bool active) {
    _active = active ? 1 : 0;
}

void isActorObject::setVisible(bool visible) {
    if (_window == nullptr) {
        return;
    }
    for (const std::vector<cocos2d::Node*>* list : {&_childNodes, &_actorNodes, &_overlayNodes}) {
        for (cocos2d::Node* node : *list) {
            node->setVisible(visible);
        }
    }
}

}  // namespace isImageSDK
