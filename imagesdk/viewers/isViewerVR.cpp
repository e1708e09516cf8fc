#include "imagesdk/viewers/isViewerVR.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/base/Director.h"
#include "engine/base/Scheduler.h"
#include "imagesdk/data/isGeometry.h"
#include "imagesdk/data/isImageData.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/data/isSliceInfo.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/render/isActorOverlay.h"
#include "imagesdk/render/isInteractorImage.h"
#include "imagesdk/viewers/ViewerColorTable.h"
#include "imagesdk/vr/isActorVR.h"
#include "imagesdk/vr/vrRayKernels.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/UIJson.h"

namespace isImageSDK {

namespace {

using cocos2d::Mat4;
using cocos2d::Vec2;
using cocos2d::Vec3;

constexpr int kDefaultPreset = 3;
constexpr int kFastestSpin = 5;
constexpr int kSlowestSpin = 120;
constexpr int kSpinSpeedStep = 20;
constexpr float kMinEyeDistance = 10.0f;
// v lies across column iV when their angle is within this band around a right angle.
constexpr float kAcrossLow = 1.5f;
constexpr float kAcrossHigh = 1.58f;
constexpr float kHalfTurn = 3.14159265358979f;
constexpr int kModalityPT = 1;

Vec3 column(const Mat4& m, int c) {
    return Vec3(m.m[c * 4], m.m[c * 4 + 1], m.m[c * 4 + 2]);
}

Vec3 normalised(Vec3 v) {
    v.normalize();
    return v;
}

char letterOf(const Vec3& direction, int headFeetCode, int orientationCode) {
    const Vec3 unit = normalised(direction);
    Vec3 across = std::fabs(unit.x) < 0.9f ? Vec3(1, 0, 0) : Vec3(0, 1, 0);
    across = normalised(across - unit * across.dot(unit));
    char labels[12] = {};
    computeOrientationLabels(unit, across, headFeetCode, orientationCode, labels);
    return labels[3];
}

float jsonFloat(const NSUI::NSNotificationData* data, const char* key) {
    return data != nullptr ? NSUI::UIJson::getFloat(data->stringValue, key, 0.0f) : 0.0f;
}

NSUI::NSNotificationCenter* centre() {
    return NSUI::NSNotificationCenter::getInstance();
}

}  // namespace

isViewerVR::~isViewerVR() {
    if (vrActor != nullptr) {
        vrActor->release();
        vrActor = nullptr;
    }
}

bool isViewerVR::init() {
    if (!isRenderWindow::init()) {
        return false;
    }
    spinFrameCount = 36;
    spinSpeed = 60;
    spinning = false;
    spinTickCount = 0;
    return true;
}

int isViewerVR::referenceId() const {
    return static_cast<int>(getRefID());
}

std::string isViewerVR::spinKey() const {
    char text[32];
    std::snprintf(text, sizeof(text), "vrmip:%i", referenceId());
    return text;
}

void isViewerVR::cleanup() {
    if (spinning) {
        spinning = false;
        cocos2d::Director::getInstance()->getScheduler()->unschedule(spinKey(), this);
    }
    isRenderWindow::cleanup();
    if (vrActor != nullptr) {
        // Whoever else still holds the actor, its casters stop with the viewer.
        vrActor->cleanup();
        vrActor->release();
        vrActor = nullptr;
    }
    postViewerRemoved();
}

void isViewerVR::postViewerRemoved() {
    NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance();
    if (center == nullptr) {
        return;
    }
    NSUI::NSNotificationData* data = NSUI::NSNotificationData::create();
    data->intValue2 = referenceId();
    data->setNotificationKey(NSNotificationKey::key, nullptr);
    center->postNotification(nullptr, NOTIFY_VIEWER_REMOVED, data, nullptr, true);
}

void isViewerVR::forgetLinks() {
    isRenderWindow::forgetLinks();
    vrActor = nullptr;
}

void isViewerVR::addObservedKeys() {
    isRenderWindow::addObservedKeys();
    for (int observed :
         {NOTIFY_INTERACT_9076, NOTIFY_INTERACT_9082, NOTIFY_TOOL_ROTATE, NOTIFY_WW_BY_MOUSE,
          NOTIFY_SYNC_POSITION, NOTIFY_SYNC_ZOOM, NOTIFY_VIEW_ACTIVATED}) {
        _observedKeys.push_back(observed);
    }
}

bool isViewerVR::isVolumeWindow() const {
    return true;
}

bool isViewerVR::isFocusVisible() const {
    return true;
}

void isViewerVR::onImageDataChanged() {}

void isViewerVR::setViewType(int) {}

void isViewerVR::retainViewer() {
    retain();
}

void isViewerVR::releaseViewer() {
    release();
}

isImageData* isViewerVR::getImageData() {
    return isRenderWindow::getImageData();
}

void isViewerVR::setImageData(isImageData* data) {
    isImageData* current = isRenderWindow::getImageData();
    if (current != nullptr && cocos2d::Ref::equal(current, data)) {
        return;
    }
    isRenderWindow::setImageData(data);
    // Binding emptied the actor manager: the old actor is detached.
    if (vrActor != nullptr) {
        vrActor->release();
        vrActor = nullptr;
    }
    if (getActorManager() == nullptr) {
        return;
    }
    vrActor = getActorManager()->getVRActor();
    if (vrActor == nullptr) {
        return;
    }
    vrActor->retain();
    vrActor->setImageData(data);
    if (data != nullptr && data->pixelType == PIXEL_FLOAT32) {
        const isSliceInfo* first = data->getSlice(0);
        if (first != nullptr && first->modality == kModalityPT) {
            unsigned char table[kColorTableBytes];
            fillGreyTable(true, table);
            vrActor->setColorTable(table);
        }
    }
    dataRenderMode = vrActor->getBestCaster().getRenderMode();
    if (type == VIEW_MIP) {
        applyRenderMode();
    }
    applyOrientationPreset(kDefaultPreset);
    if (!vrActor->isActive()) {
        vrActor->setActive(true);
    }
}

void isViewerVR::rerender() {
    if (vrActor != nullptr) {
        vrActor->requestFrame();
    }
}

void isViewerVR::setWindowLevel(float width, float centre) {
    if (vrActor != nullptr) {
        vrActor->setWindowLevel(width, centre);
    }
    rerender();
}

void isViewerVR::setClut(const unsigned char* table) {
    if (vrActor != nullptr && table != nullptr) {
        vrActor->setColorTable(table);
    }
    rerender();
}

void isViewerVR::setClutByName(const std::string& name) {
    unsigned char table[kColorTableBytes];
    if (loadColorTable(name, false, table)) {
        setClut(table);
    }
}

void isViewerVR::takeTrackInteractor() {
    if (dynamic_cast<isInteractorTrackVR*>(getInteractor()) == nullptr) {
        setInteractor(isInteractorTrackVR::create());
    }
}

void isViewerVR::applyRenderMode() {
    if (vrActor != nullptr) {
        vrActor->setRenderMode(type == VIEW_MIP ? VR_MODE_MAX_INTENSITY : dataRenderMode);
    }
}

void isViewerVR::setVRMode() {
    if (type == VIEW_VR) {
        return;
    }
    takeTrackInteractor();
    type = VIEW_VR;
    applyRenderMode();
}

void isViewerVR::setMIPMode() {
    if (type == VIEW_MIP) {
        return;
    }
    takeTrackInteractor();
    type = VIEW_MIP;
    applyRenderMode();
}

void isViewerVR::setFrameVisible(bool visible) {
    if (isActorManager* actors = getActorManager()) {
        actors->setFrameVisible(visible);
    }
}

void isViewerVR::setPhase(int n) {
    if (vrActor != nullptr) {
        vrActor->setPhase(n);
    }
}

std::string isViewerVR::getFilePath() {
    isImageData* data = isRenderWindow::getImageData();
    const isSliceInfo* first = data != nullptr ? data->getSlice(0) : nullptr;
    return first != nullptr ? first->path : std::string();
}

bool isViewerVR::pickPoint(const Vec2& windowPoint, Vec3& worldPoint) {
    Vec3 centreOnScreen;
    getMainCamera()->worldToScreen(getCameraCenter(), centreOnScreen);
    getMainCamera()->screenToWorld(Vec3(windowPoint.x, windowPoint.y, centreOnScreen.z),
                                   worldPoint);
    return true;
}

void isViewerVR::applyOrientationPreset(int code) {
    isImageData* data = isRenderWindow::getImageData();
    if (data == nullptr) {
        return;
    }
    data->update();
    int dimensions[3];
    float spacing[3];
    data->getDimensions(dimensions);
    data->getSpacing(spacing);
    const Mat4& m = data->worldMatrix;
    // 0 axial, 1 sagittal, 2 coronal.
    const int plane = code <= 2 ? 0 : code <= 4 ? 2 : 1;
    const int k = getSliceAxis(plane);
    const float half[3] = {(dimensions[0] - 1) * 0.5f * spacing[0],
                           (dimensions[1] - 1) * 0.5f * spacing[1],
                           (dimensions[2] - 1) * 0.5f * spacing[2]};
    const Vec3 cols[3] = {normalised(column(m, 0)), normalised(column(m, 1)),
                          normalised(column(m, 2))};
    const Vec3 c = cols[0] * half[0] + cols[1] * half[1] + cols[2] * half[2] + column(m, 3);
    int iU = 0;
    int iV = 1;
    Vec3 normal = cols[2];
    if (k == 1) {
        iU = 2;
        iV = 1;
        normal = -cols[0];
    } else if (k == 2) {
        iU = 2;
        iV = 0;
        normal = cols[1];
    }
    const Vec3 U = cols[iU];
    const Vec3 V = cols[iV];
    const Vec3 edges[4] = {V * half[iV], -U * half[iU], -V * half[iV], U * half[iU]};
    const Vec3* a = nullptr;
    const Vec3* s = nullptr;
    const Vec3* r = nullptr;
    for (const Vec3& edge : edges) {
        switch (letterOf(edge, data->headFeetCode, data->orientationCode)) {
        case 'A':
            a = &edge;
            break;
        case 'S':
            s = &edge;
            break;
        case 'R':
            r = &edge;
            break;
        default:
            break;
        }
    }
    // As the image viewer shows the same plane: anterior, else superior, at the top.
    Vec3 eyeSide;
    Vec3 vertical;
    if (a != nullptr && r != nullptr) {
        Vec3::cross(*a, *r, &eyeSide);
        vertical = *a;
    } else if (a != nullptr && s != nullptr) {
        Vec3::cross(*s, *a, &eyeSide);
        vertical = *s;
    } else if (s != nullptr && r != nullptr) {
        Vec3::cross(*s, *r, &eyeSide);
        vertical = *s;
    } else {
        eyeSide = normal;
        vertical = -V;
    }
    eyeSide = normalised(eyeSide);
    vertical = normalised(vertical);
    setCameraEye(c + eyeSide);
    setCameraLookAt(c, vertical);
    const float angle = std::acos(std::max(-1.0f, std::min(1.0f, vertical.dot(cols[iV]))));
    if (angle > kAcrossLow && angle < kAcrossHigh) {
        std::swap(iU, iV);
    }
    if (vrActor != nullptr) {
        const Vec3 right = getCameraState().right();
        const Vec3 dv = vertical * half[iV];
        const Vec3 du = right * half[iU];
        const Vec3 corners[4] = {c + dv + du, c + dv - du, c - dv - du, c - dv + du};
        fitCameraToBox(corners, c);
    }
    if (code == 1 || code == 4 || code == 5) {
        rotateHorizontal(kHalfTurn);
    }
    rerender();
}

void isViewerVR::fitCameraToBox(const Vec3 corners[4], const Vec3& centre) {
    isCamera* camera = getMainCamera();
    const isCameraState state = camera->getState();
    if (!camera->isPerspective()) {
        setZoom(camera->fitOrthographic(corners));
    }
    const float distance = std::max(camera->fitPerspective(corners), kMinEyeDistance);
    setCameraEye(centre - state.forward() * distance);
    setCameraLookAt(centre, state.up());
    // The fitted view is scale 1: zoom limits and a plane cell that takes this view's zoom
    // read the pixel scale as a ratio to it.
    setBaseScale(camera->isPerspective() ? distance : camera->getZoom());
    postCameraChanged();
}

void isViewerVR::setTrackMode(int mode) {
    if (auto* track = dynamic_cast<isInteractorTrackVR*>(getInteractor())) {
        track->setInteractionMode(mode);
    }
}

void isViewerVR::onNotification(int command, NSUI::NSNotificationData* data, cocos2d::Ref* sender) {
    isImageData* imageData = isRenderWindow::getImageData();
    switch (command) {
    case NOTIFY_ROTATE_VIEW:
        if (!spinning && data != nullptr) {
            rotateHorizontal(data->floatValue);
        }
        break;
    case NOTIFY_WW_DEFAULT:
        if (imageData != nullptr) {
            if (const isSliceInfo* first = imageData->getSlice(0)) {
                setWindowLevel(first->windowWidth, first->windowCentre);
            }
        }
        break;
    case NOTIFY_WW_PRESET:
        setWindowLevel(jsonFloat(data, "ww"), jsonFloat(data, "wl"));
        break;
    case NOTIFY_VIEW_CMD_9035:
        if (auto* track = dynamic_cast<isInteractorTrackVR*>(getInteractor())) {
            if (track->getInteractionMode() == kModeWindowLevel) {
                track->setInteractionMode(kModeRotate);
            }
        }
        break;
    case NOTIFY_CLUT_SET:
        if (data != nullptr) {
            setClutByName(data->stringValue);
        }
        break;
    case NOTIFY_WW_BY_MOUSE:
        setTrackMode(kModeWindowLevel);
        break;
    case NOTIFY_TOOL_ZOOM:
        setTrackMode(kModeZoom);
        break;
    case NOTIFY_TOOL_MOVE:
        setTrackMode(kModePan);
        break;
    case NOTIFY_TOOL_ROTATE:
        setTrackMode(kModeRotate);
        break;
    case NOTIFY_CINE_PLAY:
        toggleSpin();
        break;
    case NOTIFY_CINE_PRIOR:
        if (spinning) {
            spinSpeed = std::min(spinSpeed + kSpinSpeedStep, kSlowestSpin);
            spinTickCount = 0;
        } else {
            stepFrame(-1);
        }
        break;
    case NOTIFY_CINE_NEXT:
        if (spinning) {
            spinSpeed = std::max(spinSpeed - kSpinSpeedStep, kFastestSpin);
            spinTickCount = 0;
        } else {
            stepFrame(1);
        }
        break;
    case NOTIFY_ORIENT_BUTTON:
        if (data != nullptr) {
            applyOrientationPreset(data->intValue);
        }
        break;
    case NOTIFY_SYNC_POSITION:
        panBy(jsonFloat(data, "x"), jsonFloat(data, "y"));
        break;
    case NOTIFY_SYNC_ZOOM:
        if (data != nullptr) {
            zoomBy(data->floatValue);
        }
        break;
    case NOTIFY_INTERACT_9076:
        if (vrActor != nullptr) {
            vrActor->adjustWindowLevel(jsonFloat(data, "ww"), jsonFloat(data, "wl"));
        }
        rerender();
        break;
    case NOTIFY_VIEW_ACTIVATED:
        activate(data, sender);
        break;
    case NOTIFY_QUICK_MAXIMIZE:
        if (data != nullptr && data->key == NSNotificationKey::key &&
            data->group == NSNotificationKey::group) {
            maximizeOrRestore(data);
        }
        break;
    case NOTIFY_QUICK_FAVORITE:
        break;
    default:
        isRenderWindow::onNotification(command, data, sender);
        break;
    }
}

void isViewerVR::stepFrame(int direction) {
    if (direction < 0) {
        spinFrame = spinFrame - 1 < 0 ? spinFrameCount - 1 : spinFrame - 1;
        rotateHorizontal(kSpinStep);
    } else {
        spinFrame = spinFrame + 1 >= spinFrameCount ? 0 : spinFrame + 1;
        rotateHorizontal(-kSpinStep);
    }
}

void isViewerVR::postPlaying(bool playing) {
    NSUI::NSNotificationData* data = NSUI::NSNotificationData::create();
    data->intValue = playing ? 1 : 0;
    centre()->postNotification(this, NOTIFY_CINE_PLAYING, data, getController(), true);
}

void isViewerVR::toggleSpin() {
    cocos2d::Scheduler* scheduler = cocos2d::Director::getInstance()->getScheduler();
    if (spinning) {
        spinning = false;
        scheduler->unschedule(spinKey(), this);
    } else {
        isImageData* data = isRenderWindow::getImageData();
        if (data != nullptr && data->getNumberOfSlices() > 1) {
            spinning = true;
            spinFrame = 0;
            spinTickCount = 0;
            scheduler->schedule([this](float) { spinTick(); }, this, kSpinInterval,
                                CC_REPEAT_FOREVER, kSpinDelay, false, spinKey());
        }
    }
    postPlaying(spinning);
}

void isViewerVR::stopSpin() {
    spinFrame = 0;
    spinning = false;
    cocos2d::Director::getInstance()->getScheduler()->unschedule(spinKey(), this);
    postPlaying(false);
}

void isViewerVR::spinTick() {
    if (!spinning || isRenderWindow::getImageData() == nullptr) {
        return;
    }
    if (spinFrameCount > 1 && spinTickCount % spinSpeed == 0) {
        stepFrame(1);
    }
    ++spinTickCount;
}

void isViewerVR::activate(NSUI::NSNotificationData* data, cocos2d::Ref* sender) {
    cocos2d::Ref* controller = getController();
    if (controller != nullptr && sender != controller) {
        NSUI::NSNotificationCenter* center = centre();
        NSUI::NSNotificationData* active = NSUI::NSNotificationData::create();
        active->setObject(static_cast<cocos2d::Ref*>(NSNotificationKey::group));
        center->postNotification(this, NOTIFY_ACTIVE_APPMANAGER, active, nullptr, true);
        setFrameVisible(true);
        center->postNotification(this, NOTIFY_VIEW_ACTIVATED, data, controller, false);
        NSUI::NSNotificationData* tool = NSUI::NSNotificationData::create();
        tool->setObject(this);
        tool->setNotificationKey(NSNotificationKey::key, nullptr);
        center->postNotification(this, NOTIFY_QUICK_TOOL_OPEN, tool, nullptr, true);
        return;
    }
    setFrameVisible(false);
    stopSpin();
}

void isViewerVR::maximizeOrRestore(NSUI::NSNotificationData* data) {
    isActorOverlay* overlay =
        getActorManager() != nullptr ? getActorManager()->getOverlayActor() : nullptr;
    if (data->intValue2 == referenceId()) {
        if (maximized) {
            const isCameraState state = savedCamera;
            maximized = false;
            setPosition(savedPosition);
            setContentSize(savedSize);
            setCameraEye(state.eye());
            setCameraLookAt(state.center(), state.up());
            setZoom(state.zoom());
        } else {
            savedPosition = getPosition();
            savedSize = getContentSize();
            savedCamera = getCameraState();
            maximized = true;
            setPosition(Vec2::ZERO);
            setContentSize(cocos2d::Size(jsonFloat(data, "w"), jsonFloat(data, "h")));
            setFrameVisible(false);
            setCameraEye(savedCamera.eye());
            setCameraLookAt(savedCamera.center(), savedCamera.up());
            setZoom(savedCamera.zoom());
        }
        if (overlay != nullptr) {
            overlay->relayout();
        }
        NSUI::NSNotificationData* state = NSUI::NSNotificationData::create();
        state->intValue = maximized ? 1 : 0;
        state->setNotificationKey(NSNotificationKey::key, nullptr);
        centre()->postNotification(this, NOTIFY_QUICK_TOOL_STATE, state, nullptr, false);
        return;
    }
    if (maximized) {
        maximized = false;
        setPosition(savedPosition);
        setContentSize(savedSize);
        if (overlay != nullptr) {
            overlay->relayout();
        }
    } else {
        savedPosition = getPosition();
        savedSize = getContentSize();
        maximized = true;
        setPosition(Vec2(10000.0f, 10000.0f));
        setContentSize(cocos2d::Size(128.0f, 128.0f));
    }
    getMainCamera()->clearChanged();
}

}  // namespace isImageSDK
