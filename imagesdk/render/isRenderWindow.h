#pragma once

#include <vector>

#include "engine/base/EventListener.h"
#include "engine/base/Macros.h"
#include "engine/base/Touch.h"
#include "engine/math/Vec2.h"
#include "imagesdk/render/isRenderWindowBase.h"
#include "toolkit/core/NSNotificationData.h"

namespace isImageSDK {

class isActorManager;
class isImageData;
class isInteractorBase;

// The render window the viewers derive from: the panel of the base class plus touch input fed
// to an interactor, mouse zoom and pan drags, an actor manager, the bound image data, and the
// command keys turned into camera operations.
//
// Linked windows move together through a controller (the browser or multi-viewer holding the
// window): drag steps move this window at once (9073, 9074), and at the end of a drag only the
// totals travel to the controller (9080, 9081, then 9116), which sends them back to every
// window linked with this one; a window applies a relayed total only when it comes from its
// controller. Main thread only.
class isRenderWindow : public isRenderWindowBase {
public:
    CREATE_FUNC(isRenderWindow);

    bool init() override;
    // Releases interactor, actor manager and image data after removing the window's observers
    // and its touch listener.
    void cleanup() override;
    // Also gives the actor manager the key (with no group).
    void setNotificationKey(unsigned key, void* group) override;
    // Announces a camera change when the size (not only the place) changed.
    void setContentSize(const cocos2d::Size& size) override;
    // As the base, then the corner texts follow (the engine's own visibility is left alone).
    void setVisible(bool visible) override;
    void forgetLinks() override;
    // Wheel: NOTIFY_WHEEL_UP for a negative step, NOTIFY_WHEEL_DOWN for a positive one, to the
    // window's own command handling.
    bool onMouseScroll(float x, float y, float scrollY) override;
    bool onMouseDown(float x, float y) override;
    bool onMouseUp(float x, float y) override;
    // Right drag zooms in 5 % steps (not past the pixel-scale limits), middle drag pans.
    bool onMouseMove(float x, float y) override;
    // Posts the patient-orientation letters of the four edges (9084) when data is bound.
    void onViewChanged() override;

    // Command handling; the viewers override it and pass on what they do not handle.
    virtual void onNotification(int key, NSUI::NSNotificationData* data, cocos2d::Ref* sender);
    // The object relaying synchronised commands to linked windows (not retained); null alone.
    virtual void setController(cocos2d::Ref* controller);
    // Nothing here; the image viewer builds its actors.
    virtual void onImageDataChanged();
    // Nothing here; the viewers append the command keys they observe, before init registers
    // them.
    virtual void addObservedKeys();
    // Every observer the window registers calls this.
    virtual void notificationCallback(cocos2d::Ref* sender, unsigned key,
                                      NSUI::NSNotificationData* data);
    // Whether the window shows a volume rendering.
    virtual bool isVolumeWindow() const;
    virtual void onTouchesBegan(const std::vector<cocos2d::Touch*>& touches, cocos2d::Event* event);
    virtual void onTouchesMoved(const std::vector<cocos2d::Touch*>& touches, cocos2d::Event* event);
    virtual void onTouchesEnded(const std::vector<cocos2d::Touch*>& touches, cocos2d::Event* event);
    virtual void onTouchesCancelled(const std::vector<cocos2d::Touch*>& touches,
                                    cocos2d::Event* event);

    // Binds data (retained), empties the actor manager and rebuilds what depends on the data.
    void setImageData(isImageData* data);
    isImageData* getImageData() const { return _imageData; }
    // Which axis of the bound volume spans the plane: 0 axial, 1 sagittal, 2 coronal (planes of
    // edge letters L R A P, A P S I, L R S I); 0 without a match or data.
    int getSliceAxis(int plane);

    // Retains the interactor and makes this window its window.
    void setInteractor(isInteractorBase* interactor);
    isInteractorBase* getInteractor() const { return _interactor; }
    isActorManager* getActorManager() const { return _actorManager; }
    cocos2d::Ref* getController() const { return _controller; }

protected:
    isRenderWindow() = default;
    ~isRenderWindow() override;

    std::vector<int> _observedKeys;

private:
    // Re-posts the key and data to the controller's group, on the all-next-tick queue.
    void relay(int key, NSUI::NSNotificationData* data);
    // Whether the window and every ancestor are visible.
    bool isChainVisible() const;

    isActorManager* _actorManager = nullptr;
    isImageData* _imageData = nullptr;
    cocos2d::Ref* _controller = nullptr;
    isInteractorBase* _interactor = nullptr;
    cocos2d::EventListenerTouchAllAtOnce* _touchListener = nullptr;
    cocos2d::Vec2 _mousePanTotal;
    float _mouseZoomTotal = 1.0f;
};

}  // namespace isImageSDK
