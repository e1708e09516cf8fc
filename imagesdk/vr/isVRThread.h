#pragma once

#include <atomic>
#include <memory>

#include "imagesdk/vr/vrRayCaster.h"
#include "toolkit/core/NSThread.h"
#include "toolkit/core/NSThreadRequest.h"

namespace isImageSDK {

// One frame to render: the caster to run and, once processed, the frame it made. The request
// owns the frame and frees it with itself, so a result that nobody takes is not lost memory.
class isVRRenderRequest : public NSUI::NSThreadRequest {
public:
    explicit isVRRenderRequest(vrRayCaster* caster) : caster(caster) {}

    // Not owned; the owner of the thread keeps it alive until the thread has stopped.
    vrRayCaster* caster;
    // The view to render, taken by the caster on the render thread before the frame, so that
    // the main thread never writes a camera a frame is reading; ignored unless syncView.
    bool syncView = false;
    bool toVolumeSpace = true;
    vrCamera view;
    // Set when queued: the frame starts with the caster's abort flag cleared.
    std::atomic<bool> renew{false};
    // Null when nothing was rendered or the frame was aborted.
    std::unique_ptr<vrFrameResult> frame;
};

// Render thread of the fast caster: only the newest request waits behind the running one.
class isVRThreadRT : public NSUI::NSThread {
public:
    // Drops every queued request first.
    bool addRequest(NSUI::NSThreadRequest* request) override;
    // Nothing running, queued or waiting to be handed back.
    bool isIdle();

protected:
    ~isVRThreadRT() override = default;
    void process(NSUI::NSThreadRequest* request) override;
};

// Render thread of the full-quality caster: a new request cancels everything older, and an
// aborted frame is never handed back with a picture.
class isVRThreadBest : public NSUI::NSThread {
public:
    // Cancels the queue and the running request first.
    bool addRequest(NSUI::NSThreadRequest* request) override;

protected:
    ~isVRThreadBest() override = default;
    void process(NSUI::NSThreadRequest* request) override;
};

}  // namespace isImageSDK
