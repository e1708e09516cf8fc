#include "imagesdk/vr/isVRThread.h"

namespace isImageSDK {

namespace {

// Renders the request's frame; keepAborted hands back frames whose caster was aborted.
void renderRequest(NSUI::NSThreadRequest* base, bool keepAborted) {
    auto* request = dynamic_cast<isVRRenderRequest*>(base);
    if (!request || !request->caster) {
        return;
    }
    vrRayCaster* caster = request->caster;
    if (request->renew.load()) {
        caster->clearAbort();
    }
    if (request->syncView) {
        caster->syncCamera(request->view, request->toVolumeSpace);
    }
    const bool finished = caster->render();
    if (!keepAborted && (!finished || caster->isAborted())) {
        return;
    }
    request->frame = caster->makeFrameResult();
}

}  // namespace

bool isVRThreadRT::addRequest(NSUI::NSThreadRequest* request) {
    std::lock_guard<std::recursive_mutex> queueGuard(queueLock);
    // Once stopping, the queue ends in the stop sentinel, which must stay.
    if (requests && !stopping) {
        // The reference addRequest took; the queue's own goes with clear.
        for (NSUI::NSThreadRequest* queued : *requests) {
            queued->release();
        }
        requests->clear();
    }
    if (auto* vr = dynamic_cast<isVRRenderRequest*>(request)) {
        vr->renew.store(true);
    }
    return NSThread::addRequest(request);
}

bool isVRThreadRT::isIdle() {
    std::lock_guard<std::recursive_mutex> queueGuard(queueLock);
    std::lock_guard<std::recursive_mutex> resultGuard(resultLock);
    std::lock_guard<std::recursive_mutex> stateGuard(stateLock);
    return !busy && (!requests || requests->empty()) && (!results || results->empty());
}

void isVRThreadRT::process(NSUI::NSThreadRequest* request) {
    renderRequest(request, true);
}

bool isVRThreadBest::addRequest(NSUI::NSThreadRequest* request) {
    cancelAllRequests();
    if (auto* vr = dynamic_cast<isVRRenderRequest*>(request)) {
        vr->renew.store(true);
    }
    return NSThread::addRequest(request);
}

void isVRThreadBest::process(NSUI::NSThreadRequest* request) {
    renderRequest(request, false);
}

}  // namespace isImageSDK
