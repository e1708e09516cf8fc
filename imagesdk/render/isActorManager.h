#pragma once

#include "engine/base/Macros.h"
#include "imagesdk/data/isObject.h"
#include "toolkit/core/NSNotificationKey.h"

namespace isImageSDK {

class isActorCrossLine;
class isActorImage;
class isActorObject;
class isActorOverlay;
class isActorROI;
class isActorVR;
class isRenderWindowBase;

// The owner of a render window's actors: makes each on first request, attaches it to the
// window and keeps it until releaseAll, which first takes every actor's nodes out of the window
// so that a window rebound to other data shows nothing of the old and keeps no stale node.
// Every getter does nothing without a window. Main thread only.
class isActorManager : public isObject, public NSUI::NSNotificationKey {
public:
    CREATE_FUNC(isActorManager);

    ~isActorManager() override;
    bool init() override;
    // releaseAll, then the window is released.
    void cleanup() override;

    // Retains the window (replacing and releasing a previous one).
    void setWindow(isRenderWindowBase* window);
    isRenderWindowBase* getWindow() const { return _window; }

    // Detaches and releases every actor; the next request makes a new one.
    void releaseAll();

    // The image slice actor, made and attached on first request with the manager's notification
    // key (no group), showing slice 0.
    isActorImage* getImageActor();
    // The ROI container, made and attached on first request.
    isActorROI* getROIActor();
    // The corner texts, made and attached on first request.
    isActorOverlay* getOverlayActor();
    // Clears the corner texts out of the window and lets the actor go.
    void removeOverlayActor();
    // The view frame and cross-reference lines, made and attached on first request.
    isActorCrossLine* getCrossLineActor();
    // Makes and attaches the cross-line actor unless there is one.
    void createCrossLineActor();
    // The cross-line actor's view frame and focus square, the actor made on demand.
    void setFrameVisible(bool visible);
    void showFocusFrame();
    // The volume actor, made and attached on first request.
    isActorVR* getVRActor();

protected:
    // The actors a window can have, in the order releaseAll lets them go.
    enum ActorKind {
        ACTOR_VR,
        ACTOR_IMAGE,
        ACTOR_OVERLAY,
        ACTOR_CROSS_LINE,
        ACTOR_ROI,
        ACTOR_KINDS
    };

    isActorManager() = default;

    // The kept actor of a kind, or null.
    isActorObject* actorOf(ActorKind kind) const { return _actors[kind]; }
    // Attaches a freshly made actor (autoreleased, initialised) to the window and keeps it
    // retained as the actor of its kind; false (nothing kept) without a window or actor.
    bool adopt(isActorObject* actor, ActorKind kind);

    isRenderWindowBase* _window = nullptr;
    isActorObject* _actors[ACTOR_KINDS] = {};
};

}  // namespace isImageSDK
