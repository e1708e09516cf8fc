#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "engine/base/RefPtr.h"
#include "imagesdk/render/isActorObject.h"
#include "imagesdk/vr/isVRThread.h"
#include "imagesdk/vr/vrRayCaster.h"
#include "toolkit/core/NSThreadSafeDestroy.h"

namespace cocos2d {
class Sprite;
}

namespace NSUI {
class NSNotificationData;
}

namespace isImageSDK {

class isImageData;

// Shows a volume rendering in a render window. A fast caster (nearest sampling, adaptive
// resolution) renders while the view changes; a full-quality caster (trilinear, full size)
// follows once the fast thread has nothing left to do. Each caster runs on its own render
// thread; frames come back on the main thread and are uploaded into one sprite that fills the
// window. Every setter waits until neither thread casts before it touches a caster, so voxels,
// grids and tables never change under a running frame. Main thread only.
class isActorVR : public isActorObject, public NSUI::NSThreadSafeDestroy {
public:
    // Autoreleased; null when init fails.
    static isActorVR* create();

    ~isActorVR() override;
    // Aborts both casters, stops and waits for both threads, releases the sprite.
    void cleanup() override;
    bool init() override;
    // Follows the window's visits: a changed camera starts a fast frame.
    void attachToWindow(isRenderWindowBase* window) override;

    // Copies the descriptor (the voxels stay the caller's and must outlive the next setVolume
    // or cleanup); a null or empty descriptor leaves the actor without a volume. A float volume
    // with `maximumIntensity` renders as maximum intensity, every other one composited.
    void setVolume(const vrVolumeDesc* desc, bool maximumIntensity = false);
    // The voxels of another phase of the same geometry.
    void setVoxelData(const void* voxels);
    // Renders a volume data set, retained while shown (its voxels stay where they are), in the
    // window of its first slice and at the phase its chain shows; a float PET volume renders as
    // maximum intensity. Data that is not one regular volume buffer leaves the actor without a
    // volume.
    void setImageData(isImageData* data);
    isImageData* getImageData() const { return imageData.get(); }
    // A VRRenderMode for both casters.
    void setRenderMode(int mode);
    // Shows phase n of a multi-phase data set and records it as the chain's shown phase;
    // ignored without data or out of range.
    void setPhase(int n);
    int getPhase() const { return phase; }
    void setWindowLevel(float width, float centre);
    // Width never below 2.
    void adjustWindowLevel(float widthChange, float centreChange);
    void getWindowLevel(float* width, float* centre) const;
    // 256 RGB triples.
    void setColorTable(const std::uint8_t table[768]);

    // Starts a fast frame of the current view (what a changed camera does at a visit).
    void requestFrame();
    // Blocks until neither render thread casts or has a frame queued.
    void waitUntilIdle();

    cocos2d::Sprite* getSprite() const { return sprite; }
    vrRayCaster& getFastCaster() { return fastCaster; }
    vrRayCaster& getBestCaster() { return bestCaster; }
    // Frames uploaded so far, per caster.
    int getFastFrames() const { return fastFrames; }
    int getBestFrames() const { return bestFrames; }

protected:
    isActorVR() = default;

private:
    void onWindowVisit();
    void onFastFrame(NSUI::NSThreadRequest* request);
    void onBestFrame(NSUI::NSThreadRequest* request);
    void upload(const vrFrameResult& frame);
    // Aborts both casters, drops every queued request and waits for the running frames.
    void quiesce();
    // The window camera as the casters see it.
    bool windowCamera(vrCamera& camera) const;

    vrRayCaster fastCaster;
    vrRayCaster bestCaster;
    isVRThreadRT* fastThread = nullptr;
    isVRThreadBest* bestThread = nullptr;
    // The casters keep a pointer to it; replaced (never edited) while they may read it.
    std::unique_ptr<vrVolumeDesc> volume;
    cocos2d::Sprite* sprite = nullptr;
    cocos2d::RefPtr<isImageData> imageData;
    // The phase whose voxels the casters read, held while they do.
    cocos2d::RefPtr<isImageData> shownPhase;
    int phase = 0;
    std::mutex textureLock;
    // The window view of the last requested frame; the full-quality frame renders it too.
    vrCamera view;
    bool hasView = false;
    int fastFrames = 0;
    int bestFrames = 0;
};

}  // namespace isImageSDK
