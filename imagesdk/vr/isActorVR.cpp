#include "imagesdk/vr/isActorVR.h"

#include <algorithm>
#include <cstring>

#include "engine/2d/Sprite.h"
#include "engine/renderer/Texture2D.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isCamera.h"
#include "imagesdk/render/isRenderWindowBase.h"
#include "toolkit/core/NSNotificationCenter.h"

namespace isImageSDK {

namespace {

// Modality code of PET in the slice records.
constexpr int kModalityPT = 1;

constexpr int PIXEL_TYPE_FLOAT = 2;

// The phase of a chain's head that its other viewers show, when it is a volume of the head's
// geometry; the data itself otherwise (a single phase shows itself).
isImageData* phaseOnScreen(isImageData* data, int& index) {
    index = 0;
    if (!data->isMultiPhase() || data->getFirstPhase() != data || data->currentPhase <= 0) {
        return data;
    }
    isImageData* chosen = data->getPhase(data->currentPhase);
    if (chosen == nullptr) {
        return data;
    }
    chosen->update();
    if (chosen->getVolumeBuffer() == nullptr || chosen->width != data->width ||
        chosen->height != data->height || chosen->sliceCount != data->sliceCount ||
        chosen->pixelType != data->pixelType) {
        return data;
    }
    index = data->currentPhase;
    return chosen;
}

}  // namespace

isActorVR* isActorVR::create() {
    auto* actor = new isActorVR();
    if (actor->init()) {
        actor->autorelease();
        return actor;
    }
    delete actor;
    return nullptr;
}

isActorVR::~isActorVR() {
    cleanup();
}

bool isActorVR::init() {
    if (!isActorObject::init()) {
        return false;
    }
    if (!sprite) {
        sprite = cocos2d::Sprite::create();
        if (!sprite) {
            return false;
        }
        sprite->retain();
        sprite->setAnchorPoint(cocos2d::Vec2(0.0f, 0.0f));
        sprite->setPosition(cocos2d::Vec2(0.0f, 0.0f));
        sprite->setVisible(false);
        // Drawn in the window's own plane, not through the 3D camera: the picture already is
        // the projection of the volume.
        addChildNode(sprite);
    }
    fastCaster.setScaleFactor(0.1f);
    fastCaster.setInterpolation(0);
    fastCaster.setRenderMode(VR_MODE_COMPOSITE);
    fastCaster.setTargetTime(30.0f);
    bestCaster.setTargetTime(5000.0f);
    bestCaster.setInterpolation(1);
    bestCaster.setRenderMode(VR_MODE_COMPOSITE);
    bestCaster.setScaleFactor(1.0f);
    if (!fastThread) {
        fastThread = new isVRThreadRT();
        fastThread->resultCallback = [this](NSUI::NSThreadRequest* r) { onFastFrame(r); };
    }
    if (!bestThread) {
        bestThread = new isVRThreadBest();
        bestThread->resultCallback = [this](NSUI::NSThreadRequest* r) { onBestFrame(r); };
    }
    return true;
}

void isActorVR::cleanup() {
    fastCaster.abort();
    bestCaster.abort();
    if (fastThread) {
        stopThreadAndWait(fastThread);
        fastThread = nullptr;
    }
    if (bestThread) {
        stopThreadAndWait(bestThread);
        bestThread = nullptr;
    }
    isActorObject::cleanup();
    // Never makes a centre: cleanup also runs while the program ends.
    if (NSUI::NSNotificationCenter* centre = NSUI::NSNotificationCenter::getExistingInstance()) {
        centre->removeObserver(this);
    }
    CC_SAFE_RELEASE_NULL(sprite);
}

void isActorVR::attachToWindow(isRenderWindowBase* target) {
    isActorObject::attachToWindow(target);
    auto* centre = NSUI::NSNotificationCenter::getInstance();
    centre->removeObserver(this);
    isRenderWindowBase* window = getWindow();
    if (!window) {
        return;
    }
    centre->addObserver(
        this, window,
        [this](cocos2d::Ref*, unsigned, NSUI::NSNotificationData*) { onWindowVisit(); },
        NOTIFY_WINDOW_VISIT);
}

void isActorVR::quiesce() {
    fastCaster.abort();
    bestCaster.abort();
    if (fastThread) {
        fastThread->cancelAllRequests();
        fastThread->waitUntilIdle();
    }
    if (bestThread) {
        bestThread->cancelAllRequests();
        bestThread->waitUntilIdle();
    }
}

void isActorVR::waitUntilIdle() {
    if (fastThread) {
        fastThread->waitUntilIdle();
    }
    if (bestThread) {
        bestThread->waitUntilIdle();
    }
}

void isActorVR::setVolume(const vrVolumeDesc* desc, bool maximumIntensity) {
    quiesce();
    std::unique_ptr<vrVolumeDesc> next;
    if (desc && desc->data && desc->width > 0 && desc->height > 0 && desc->depth > 0) {
        next = std::make_unique<vrVolumeDesc>(*desc);
    }
    // The old descriptor goes only after both casters have let go of it.
    fastCaster.setVolume(next.get());
    bestCaster.setVolume(next.get());
    volume = std::move(next);
    const int mode = (volume && maximumIntensity && volume->pixelType == PIXEL_TYPE_FLOAT)
                         ? VR_MODE_MAX_INTENSITY
                         : VR_MODE_COMPOSITE;
    fastCaster.setRenderMode(mode);
    bestCaster.setRenderMode(mode);
    requestFrame();
}

void isActorVR::setVoxelData(const void* voxels) {
    if (!volume || !voxels) {
        return;
    }
    quiesce();
    volume->data = voxels;
    fastCaster.setVoxelData(voxels);
    bestCaster.setVoxelData(voxels);
    requestFrame();
}

void isActorVR::setImageData(isImageData* data) {
    // The retained sets change only after setVolume has stopped the casters reading them.
    cocos2d::RefPtr<isImageData> next = cocos2d::RefPtr<isImageData>::retained(data);
    vrVolumeDesc desc;
    bool maximumIntensity = false;
    isImageData* shown = nullptr;
    int shownIndex = 0;
    const isSliceInfo* first = nullptr;
    if (data != nullptr) {
        data->update();
        if (data->isVolume() && data->getVolumeBuffer() != nullptr) {
            shown = phaseOnScreen(data, shownIndex);
            desc.data = shown->getVolumeBuffer();
            desc.width = data->width;
            desc.height = data->height;
            desc.depth = data->sliceCount;
            data->getSpacing(desc.spacing);
            desc.pixelType = data->pixelType;
            std::memcpy(desc.matrix, data->worldMatrix.m, sizeof(desc.matrix));
            first = data->getSlice(0);
            maximumIntensity = first != nullptr && first->modality == kModalityPT;
        }
    }
    if (first != nullptr) {
        // Set while the casters stand still, for the frame setVolume asks for.
        quiesce();
        fastCaster.setWindowLevel(first->windowWidth, first->windowCentre);
        bestCaster.setWindowLevel(first->windowWidth, first->windowCentre);
    }
    setVolume(desc.data != nullptr ? &desc : nullptr, maximumIntensity);
    shownPhase = desc.data != nullptr ? cocos2d::RefPtr<isImageData>::retained(shown) : nullptr;
    imageData = next;
    phase = desc.data != nullptr ? shownIndex : 0;
}

void isActorVR::setRenderMode(int mode) {
    quiesce();
    fastCaster.setRenderMode(mode);
    bestCaster.setRenderMode(mode);
    requestFrame();
}

void isActorVR::setPhase(int n) {
    if (!imageData || !volume || n < 0 || n >= imageData->getNumberOfPhases()) {
        return;
    }
    isImageData* chosen = imageData->getPhase(n);
    if (chosen == nullptr) {
        return;
    }
    chosen->update();
    const void* voxels = chosen->getVolumeBuffer();
    if (voxels == nullptr || chosen->width != volume->width || chosen->height != volume->height ||
        chosen->sliceCount != volume->depth || chosen->pixelType != volume->pixelType) {
        return;
    }
    setVoxelData(voxels);
    shownPhase = cocos2d::RefPtr<isImageData>::retained(chosen);
    phase = n;
    imageData->getFirstPhase()->currentPhase = n;
}

void isActorVR::setWindowLevel(float width, float centre) {
    quiesce();
    fastCaster.setWindowLevel(width, centre);
    bestCaster.setWindowLevel(width, centre);
    requestFrame();
}

void isActorVR::adjustWindowLevel(float widthChange, float centreChange) {
    float width = 0.0f;
    float centre = 0.0f;
    fastCaster.getPendingWindowLevel(&width, &centre);
    setWindowLevel(std::max(2.0f, width + widthChange), centre + centreChange);
}

void isActorVR::getWindowLevel(float* width, float* centre) const {
    fastCaster.getPendingWindowLevel(width, centre);
}

void isActorVR::setColorTable(const std::uint8_t table[768]) {
    quiesce();
    fastCaster.setColorTable(table);
    bestCaster.setColorTable(table);
    requestFrame();
}

bool isActorVR::windowCamera(vrCamera& camera) const {
    isRenderWindowBase* window = getWindow();
    isCamera* source = window ? window->getMainCamera() : nullptr;
    if (!source) {
        return false;
    }
    camera.perspective = source->isPerspective();
    camera.fieldOfView = source->getFieldOfView();
    camera.viewportWidth = source->getViewportWidth();
    camera.viewportHeight = source->getViewportHeight();
    camera.nearPlane = source->getNearPlane();
    camera.farPlane = source->getFarPlane();
    camera.zoom = source->getZoom();
    camera.eye = source->getPosition3D();
    camera.centre = source->getCenter();
    camera.up = source->getUp();
    return true;
}

void isActorVR::requestFrame() {
    if (!volume || !fastThread || !bestThread) {
        return;
    }
    bestCaster.abort();
    bestThread->cancelAllRequests();
    auto* request = new isVRRenderRequest(&fastCaster);
    request->autorelease();
    hasView = windowCamera(view);
    request->syncView = hasView;
    request->view = view;
    fastThread->addRequest(request);
}

void isActorVR::onWindowVisit() {
    isRenderWindowBase* window = getWindow();
    if (!window || !isActive()) {
        return;
    }
    isCamera* camera = window->getMainCamera();
    if (!camera || !camera->isChanged()) {
        return;
    }
    camera->clearChanged();
    requestFrame();
}

void isActorVR::upload(const vrFrameResult& frame) {
    if (frame.width < 1 || frame.height < 1 || frame.pixels.empty()) {
        return;
    }
    std::lock_guard<std::mutex> guard(textureLock);
    auto* texture = new cocos2d::Texture2D();
    texture->autorelease();
    if (!texture->initWithData(
            frame.pixels.data(), static_cast<ssize_t>(frame.pixels.size()),
            cocos2d::Texture2D::PixelFormat::RGB888, frame.width, frame.height,
            cocos2d::Size(static_cast<float>(frame.width), static_cast<float>(frame.height)))) {
        return;
    }
    sprite->setTexture(texture);
    sprite->setTextureRect(cocos2d::Rect(0.0f, 0.0f, static_cast<float>(frame.width),
                                         static_cast<float>(frame.height)));
    // The frame's rows run top first, as a texture's do: its top row is drawn at the top.
    // The low-resolution frames of the fast caster are stretched like the full ones.
    isRenderWindowBase* window = getWindow();
    const cocos2d::Size area = window ? window->getContentSize() : cocos2d::Size();
    if (area.width > 0.0f && area.height > 0.0f) {
        sprite->setScaleX(area.width / static_cast<float>(frame.width));
        sprite->setScaleY(area.height / static_cast<float>(frame.height));
    } else {
        sprite->setScaleX(frame.scaleX);
        sprite->setScaleY(frame.scaleY);
    }
}

void isActorVR::onFastFrame(NSUI::NSThreadRequest* base) {
    auto* request = dynamic_cast<isVRRenderRequest*>(base);
    if (!request || !request->frame || request->cancelled.load()) {
        return;
    }
    upload(*request->frame);
    request->frame.reset();
    ++fastFrames;
    if (isActive() && sprite && !sprite->isVisible()) {
        sprite->setVisible(true);
    }
    if (fastThread && bestThread && fastThread->isIdle()) {
        // The view of the newest fast frame, which is the last one asked for.
        auto* next = new isVRRenderRequest(&bestCaster);
        next->autorelease();
        next->syncView = hasView;
        next->view = view;
        bestThread->addRequest(next);
    }
}

void isActorVR::onBestFrame(NSUI::NSThreadRequest* base) {
    auto* request = dynamic_cast<isVRRenderRequest*>(base);
    if (!request || !request->frame || request->cancelled.load()) {
        return;
    }
    upload(*request->frame);
    request->frame.reset();
    ++bestFrames;
}

}  // namespace isImageSDK
