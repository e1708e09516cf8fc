#include "imagesdk/render/isActorManager.h"

#include "imagesdk/render/isActorCrossLine.h"
#include "imagesdk/render/isActorImage.h"
#include "imagesdk/render/isActorObject.h"
#include "imagesdk/render/isActorOverlay.h"
#include "imagesdk/render/isActorROI.h"
#include "imagesdk/render/isRenderWindowBase.h"
#include "imagesdk/vr/isActorVR.h"

namespace isImageSDK {

isActorManager::~isActorManager() {
    isActorManager::cleanup();
}

bool isActorManager::init() {
    return isObject::init();
}

void isActorManager::cleanup() {
    releaseAll();
    if (_window != nullptr) {
        _window->release();
        _window = nullptr;
    }
}

void isActorManager::setWindow(isRenderWindowBase* window) {
    if (window == _window) {
        return;
    }
    if (window != nullptr) {
        window->retain();
    }
    if (_window != nullptr) {
        _window->release();
    }
    _window = window;
}

void isActorManager::releaseAll() {
    for (isActorObject*& actor : _actors) {
        if (actor == nullptr) {
            continue;
        }
        // The window holds the nodes too: take them out before the actor goes.
        isActorObject* leaving = actor;
        actor = nullptr;
        leaving->detachNodes();
        leaving->release();
    }
}

bool isActorManager::adopt(isActorObject* actor, ActorKind kind) {
    if (_window == nullptr || actor == nullptr) {
        return false;
    }
    actor->attachToWindow(_window);
    actor->retain();
    _actors[kind] = actor;
    return true;
}

isActorImage* isActorManager::getImageActor() {
    if (actorOf(ACTOR_IMAGE) == nullptr && _window != nullptr) {
        isActorImage* made = isActorImage::create();
        if (adopt(made, ACTOR_IMAGE)) {
            // The key stamps what the actor hands on, such as the posts of its region crops.
            made->setNotificationKey(key, nullptr);
            made->setSliceIndex(0);
        }
    }
    return static_cast<isActorImage*>(actorOf(ACTOR_IMAGE));
}

isActorROI* isActorManager::getROIActor() {
    if (actorOf(ACTOR_ROI) == nullptr && _window != nullptr) {
        adopt(isActorROI::create(), ACTOR_ROI);
    }
    return static_cast<isActorROI*>(actorOf(ACTOR_ROI));
}

isActorOverlay* isActorManager::getOverlayActor() {
    if (actorOf(ACTOR_OVERLAY) == nullptr && _window != nullptr) {
        adopt(isActorOverlay::create(), ACTOR_OVERLAY);
    }
    return static_cast<isActorOverlay*>(actorOf(ACTOR_OVERLAY));
}

void isActorManager::removeOverlayActor() {
    auto* overlay = static_cast<isActorOverlay*>(actorOf(ACTOR_OVERLAY));
    if (overlay == nullptr) {
        return;
    }
    _actors[ACTOR_OVERLAY] = nullptr;
    overlay->clear();
    overlay->release();
}

void isActorManager::createCrossLineActor() {
    getCrossLineActor();
}

void isActorManager::setFrameVisible(bool visible) {
    if (isActorCrossLine* lines = getCrossLineActor()) {
        lines->setFrameVisible(visible);
    }
}

void isActorManager::showFocusFrame() {
    if (isActorCrossLine* lines = getCrossLineActor()) {
        lines->showFocusFrame();
    }
}

isActorCrossLine* isActorManager::getCrossLineActor() {
    if (actorOf(ACTOR_CROSS_LINE) == nullptr && _window != nullptr) {
        adopt(isActorCrossLine::create(), ACTOR_CROSS_LINE);
    }
    return static_cast<isActorCrossLine*>(actorOf(ACTOR_CROSS_LINE));
}

isActorVR* isActorManager::getVRActor() {
    if (actorOf(ACTOR_VR) == nullptr && _window != nullptr) {
        adopt(isActorVR::create(), ACTOR_VR);
    }
    return static_cast<isActorVR*>(actorOf(ACTOR_VR));
}

}  // namespace isImageSDK
