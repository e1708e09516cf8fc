#pragma once

#include <string>

#include "engine/base/Macros.h"
#include "engine/math/Geometry.h"
#include "engine/math/Vec3.h"
#include "imagesdk/render/isCamera.h"
#include "imagesdk/render/isRenderWindow.h"
#include "imagesdk/viewers/isViewer.h"

namespace isImageSDK {

class isActorVR;

// The volume-rendering viewer (view types VR and MIP): one render window whose VR actor renders
// the bound volume. Viewer command keys become window/level, colour-table, interaction-mode and
// camera changes; it looks at the volume from the six patient sides and can spin about the
// camera's up axis. The render window comes first among the bases, so that the window, its
// posts' groups and the viewer are one address. Main thread only.
class isViewerVR : public isRenderWindow, public isViewer {
public:
    CREATE_FUNC(isViewerVR);

    // Spin: one step of this angle every `speed` ticks of this interval.
    static constexpr float kSpinStep = 0.0872664600610733f;
    static constexpr float kSpinInterval = 0.005f;
    static constexpr float kSpinDelay = 0.1f;

    ~isViewerVR() override;
    bool init() override;
    // Stops the spin and posts NOTIFY_VIEWER_REMOVED (the window's id in intValue2).
    void cleanup() override;
    void forgetLinks() override;
    // The screen point at the depth of the camera's look-at centre.
    bool pickPoint(const cocos2d::Vec2& windowPoint, cocos2d::Vec3& worldPoint) override;
    bool isFocusVisible() const override;
    void onNotification(int key, NSUI::NSNotificationData* data, cocos2d::Ref* sender) override;
    void onImageDataChanged() override;
    void addObservedKeys() override;
    bool isVolumeWindow() const override;

    void setViewType(int viewType) override;
    void retainViewer() override;
    void releaseViewer() override;
    // Nothing when the same data is bound already; looks from the front (preset 3).
    void setImageData(isImageData* data) override;
    isImageData* getImageData() override;

    void setWindowLevel(float width, float centre);
    void setClut(const unsigned char* table);
    // As the image viewer's.
    void setClutByName(const std::string& name);
    // Each gives the viewer the track interactor when it has none and switches the casters:
    // maximum intensity for MIP, the data's own mode for VR. Nothing when already of that type.
    void setVRMode();
    void setMIPMode();
    void setFrameVisible(bool visible);
    // The phase of a multi-phase volume the actor renders.
    void setPhase(int n);
    // 1 S, 2 I, 3 A, 4 P, 5 R, 6 L: the side the camera looks from.
    void applyOrientationPreset(int code);
    // Keeps the up vector; fits the box to the window.
    void fitCameraToBox(const cocos2d::Vec3 corners[4], const cocos2d::Vec3& centre);
    // The first slice's file, "" without data.
    std::string getFilePath();

    isActorVR* getVRActor() const { return vrActor; }
    bool isMaximized() const { return maximized; }
    bool isSpinning() const { return spinning; }
    int getSpinFrame() const { return spinFrame; }
    int getSpinSpeed() const { return spinSpeed; }
    // The spin's scheduler key, "vrmip:" and the window's id.
    std::string spinKey() const;

protected:
    isViewerVR() = default;

private:
    void rerender();
    void toggleSpin();
    void stopSpin();
    void spinTick();
    void stepFrame(int direction);
    void activate(NSUI::NSNotificationData* data, cocos2d::Ref* sender);
    void maximizeOrRestore(NSUI::NSNotificationData* data);
    void setTrackMode(int mode);
    void takeTrackInteractor();
    void applyRenderMode();
    void postPlaying(bool playing);
    void postViewerRemoved();
    int referenceId() const;

    isActorVR* vrActor = nullptr;
    // The casters' mode the bound data starts with (composite, or maximum intensity for PET).
    int dataRenderMode = 0;
    int spinFrameCount = 36;
    int spinFrame = 0;
    bool spinning = false;
    int spinTickCount = 0;
    int spinSpeed = 60;
    bool maximized = false;
    cocos2d::Vec2 savedPosition;
    cocos2d::Size savedSize;
    isCameraState savedCamera;
};

}  // namespace isImageSDK
