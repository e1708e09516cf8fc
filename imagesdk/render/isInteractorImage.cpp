#include "imagesdk/render/isInteractorImage.h"

#include <cmath>
#include <cstdio>

#include "engine/2d/Node.h"
#include "engine/math/Mat4.h"
#include "imagesdk/data/ROIData.h"
#include "imagesdk/data/isGeometry.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isActorManager.h"
#include "imagesdk/render/isActorROI.h"
#include "imagesdk/render/isActorROIBase.h"
#include "imagesdk/render/isActorROIShapes.h"
#include "imagesdk/render/isCamera.h"
#include "imagesdk/render/isRenderWindow.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/UIJson.h"

namespace isImageSDK {

using cocos2d::Vec2;
using cocos2d::Vec3;

namespace {

constexpr float kHalfPi = 1.5707964f;
// Totals closer than this to "no change" are not reported.
constexpr float kTotalEpsilon = 0.001f;

std::string fixed(const char* format, float value) {
    char text[64];
    std::snprintf(text, sizeof(text), format, static_cast<double>(value));
    return text;
}

std::string pairRecord(const char* first, const char* second, const char* format, float a,
                       float b) {
    std::string record;
    NSUI::UIJson::setString(record, first, fixed(format, a));
    NSUI::UIJson::setString(record, second, fixed(format, b));
    return record;
}

NSUI::NSNotificationCenter* centre() {
    return NSUI::NSNotificationCenter::getInstance();
}

}  // namespace

bool isInteractorImage::init() {
    if (!isInteractorBase::init()) {
        return false;
    }
    kind = kKind;
    pagingAxis = kAxisUndecided;
    mode = kModePan;
    zoomTotal = 1.0f;
    windowLevelChanged = false;
    panTotal = Vec2::ZERO;
    return true;
}

isInteractorImage::isInteractorImage() = default;

isInteractorImage::~isInteractorImage() = default;

void isInteractorImage::cleanup() {
    isInteractorBase::cleanup();
    // The window's cleanup runs this while the program ends too: it must not make a centre.
    if (NSUI::NSNotificationCenter* existing = NSUI::NSNotificationCenter::getExistingInstance()) {
        existing->removeObserver(this);
    }
    selectedROI.reset();
}

void isInteractorImage::setRenderWindow(cocos2d::Node* newWindow) {
    isInteractorBase::setRenderWindow(newWindow);
    if (newWindow == nullptr) {
        return;
    }
    centre()->removeObserver(this);
    for (int key : {NOTIFY_SLICE_ORIENT, NOTIFY_SLICE_INDEX}) {
        centre()->addObserver(
            this, newWindow,
            [this](cocos2d::Ref*, unsigned, NSUI::NSNotificationData*) { deselectROI(); }, key);
    }
}

isActorROI* isInteractorImage::roiActor() const {
    auto* target = dynamic_cast<isRenderWindow*>(renderWindow);
    if (target == nullptr || target->getActorManager() == nullptr) {
        return nullptr;
    }
    return target->getActorManager()->getROIActor();
}

void isInteractorImage::deselectROI() {
    if (selectedROI) {
        selectedROI->deselect();
    }
    selectedROI.reset();
}

void isInteractorImage::selectROI(isActorROIBase* roi) {
    selectedROI = cocos2d::RefPtr<isActorROIBase>::retained(roi);
}

void isInteractorImage::removeSelected() {
    if (isActorROI* actor = roiActor()) {
        actor->removeROI(selectedROI.get());
    }
    selectedROI.reset();
}

namespace {

// A polygon under construction that is big enough to keep; null otherwise.
isActorROIPolygon* validPolygon(isActorROIBase* roi) {
    auto* polygon = dynamic_cast<isActorROIPolygon*>(roi);
    return polygon != nullptr && polygon->isValid() ? polygon : nullptr;
}

void complete(isActorROIPolygon* polygon) {
    polygon->setComplete(true);
    polygon->setRedraw(true);
}

}  // namespace

isRenderWindowBase* isInteractorImage::window() const {
    return dynamic_cast<isRenderWindowBase*>(renderWindow);
}

void isInteractorImage::setInteractionMode(int newMode) {
    if (newMode == mode) {
        if (isActorROIPolygon* polygon = validPolygon(selectedROI.get())) {
            complete(polygon);
        }
        return;
    }
    mode = newMode;
    if (dynamic_cast<isRenderWindow*>(renderWindow) != nullptr && selectedROI &&
        (!selectedROI->isValid() || !selectedROI->isComplete())) {
        if (isActorROIPolygon* polygon = validPolygon(selectedROI.get())) {
            complete(polygon);
        } else if (isActorROI* actor = roiActor()) {
            actor->removeROI(selectedROI.get());
        }
    }
    deselectROI();
}

bool isInteractorImage::pickWorld(cocos2d::Touch* touch, Vec3& point) const {
    isRenderWindowBase* target = window();
    return target != nullptr &&
           target->pickPoint(target->convertToNodeSpace(touch->getLocation()), point);
}

bool isInteractorImage::pickProbe(cocos2d::Touch* touch, Vec3& point, std::string& record) const {
    if (!pickWorld(touch, point)) {
        return false;
    }
    record.clear();
    NSUI::UIJson::setString(record, "x", fixed("%.2f", point.x));
    NSUI::UIJson::setString(record, "y", fixed("%.2f", point.y));
    NSUI::UIJson::setString(record, "z", fixed("%.2f", point.z));
    return true;
}

void isInteractorImage::postProbe(const std::string& record, bool moving) {
    // The focal point (9100) leads at the touch, the value (9085) on the moves after it.
    const int first = moving ? NOTIFY_PICK_VALUE : NOTIFY_VIEW_CMD_9100;
    const int second = moving ? NOTIFY_VIEW_CMD_9100 : NOTIFY_PICK_VALUE;
    for (int key : {first, second}) {
        centre()->cancelPostedInFrame(this, key, renderWindow);
    }
    for (int key : {first, second}) {
        centre()->postString(this, key, record, renderWindow, true);
    }
}

void isInteractorImage::onTouchBegan(cocos2d::Touch* touch) {
    pagingAxis = kAxisUndecided;
    pagingRest = Vec2::ZERO;
    Vec3 point;
    std::string record;
    if (window() == nullptr) {
        return;
    }
    if (mode == kModeProbe && pickProbe(touch, point, record)) {
        postProbe(record, false);
    } else if (isROITool()) {
        beginROITouch(touch);
    }
}

void isInteractorImage::beginROITouch(cocos2d::Touch* touch) {
    isActorROI* actor = roiActor();
    if (actor == nullptr) {
        return;
    }
    cocos2d::RefPtr<isActorROIBase> hit;
    if (!selectedROI || selectedROI->isComplete()) {
        Vec3 origin;
        Vec3 direction;
        window()->screenToRay(touch->getLocation(), origin, direction);
        hit = cocos2d::RefPtr<isActorROIBase>::retained(actor->pickROI(origin, direction));
        pickedExisting = hit != nullptr;
    } else {
        hit = selectedROI;
    }
    if (hit) {
        if (hit != selectedROI) {
            deselectROI();
            selectedROI = hit;
        }
        return;
    }
    deselectROI();
    Vec3 point;
    if (!pickWorld(touch, point)) {
        return;
    }
    isActorROIBase* created = nullptr;
    switch (mode) {
    case kModeLine:
        created = actor->addLine(point, point);
        break;
    case kModePoint:
        created = actor->addPoint(point);
        break;
    case kModeAngle:
        created = actor->addAngle(point);
        break;
    case kModeCircle:
        created = actor->addCircle(point, point);
        break;
    case kModePolygon:
        created = actor->addPolygon(point, point);
        break;
    case kModeLabel:
        created = actor->addLabel(point, point);
        break;
    default:
        break;
    }
    selectROI(created);
}

void isInteractorImage::onTouchMoved(cocos2d::Touch* touch) {
    isInteractorBase::onTouchMoved(touch);
    Vec3 point;
    std::string record;
    if (mode == kModeProbe) {
        if (pickProbe(touch, point, record)) {
            postProbe(record, true);
        }
    } else if (mode == kModeProbeMoving) {
        if (pickProbe(touch, point, record)) {
            centre()->postString(this, NOTIFY_PICK_VALUE, record, renderWindow, true);
        }
    } else if (isROITool() && selectedROI && pickWorld(touch, point)) {
        selectedROI->setPoint(point);
    }
}

void isInteractorImage::onTouchEnded(cocos2d::Touch* touch) {
    isInteractorBase::onTouchEnded(touch);
    if (isROITool()) {
        endROITouch(touch);
    }
    endGesture();
}

void isInteractorImage::endROITouch(cocos2d::Touch* touch) {
    const bool collecting =
        (mode == kModeAngle || mode == kModePolygon) && selectedROI && !selectedROI->isComplete();
    if (!collecting) {
        if (selectedROI && !selectedROI->isValid()) {
            removeSelected();
        }
        if (tapCandidate && selectedROI && !pickedExisting) {
            deselectROI();
        }
        return;
    }
    Vec3 point;
    if (pickWorld(touch, point)) {
        selectedROI->setPoint(point);
    }
    if (mode == kModeAngle) {
        if (auto* angle = dynamic_cast<isActorROIAngle*>(selectedROI.get())) {
            angle->nextPoint();
        }
    } else if (auto* polygon = dynamic_cast<isActorROIPolygon*>(selectedROI.get())) {
        polygon->addVertex();
    }
}

void isInteractorImage::onDoubleTap(const Vec2&) {
    isActorROIPolygon* polygon = validPolygon(selectedROI.get());
    if (polygon == nullptr || polygon->getROIData() == nullptr ||
        polygon->getROIData()->getPointCount() < 5) {
        return;
    }
    polygon->closePolygon();
    complete(polygon);
    deselectROI();
}

void isInteractorImage::onTouchCancelled(cocos2d::Touch*) {
    endGesture();
}

void isInteractorImage::onPinchEnded(const Touches& touches) {
    isInteractorBase::onPinchEnded(touches);
    endGesture();
}

void isInteractorImage::onPinchCancelled(const Touches& touches) {
    isInteractorBase::onPinchCancelled(touches);
    endGesture();
}

void isInteractorImage::endGesture() {
    switch (mode) {
    case kModePan:
        if (std::fabs(panTotal.x) > kTotalEpsilon || std::fabs(panTotal.y) > kTotalEpsilon) {
            centre()->postString(this, NOTIFY_SYNC_PAN,
                                 pairRecord("x", "y", "%.4f", panTotal.x, panTotal.y), renderWindow,
                                 false);
        }
        break;
    case kModeZoom:
        if (std::fabs(zoomTotal - 1.0f) > kTotalEpsilon) {
            centre()->postFloat(this, NOTIFY_SYNC_FOCAL_ZOOM, zoomTotal, renderWindow, false);
        }
        break;
    case kModeWindowLevel:
        if (windowLevelChanged) {
            centre()->postNotification(this, NOTIFY_INTERACT_9082, nullptr, renderWindow, false);
        }
        break;
    case kModePaging:
        centre()->postFloat(this, NOTIFY_INTERACT_9078, 0.0f, renderWindow, true);
        break;
    case kModeProbe:
        centre()->postNotification(this, NOTIFY_INTERACT_9083, nullptr, renderWindow, false);
        break;
    default:
        break;
    }
    zoomTotal = 1.0f;
    panTotal = Vec2::ZERO;
    windowLevelChanged = false;
}

void isInteractorImage::postPanStep(const Vec2& step) {
    panTotal.x -= step.x;
    panTotal.y += step.y;
    centre()->postString(this, NOTIFY_SYNC_POSITION, pairRecord("x", "y", "%.4f", -step.x, step.y),
                         renderWindow, true);
}

bool isInteractorImage::zoomAllowed(float factor) const {
    isRenderWindowBase* target = window();
    if (target == nullptr) {
        return true;
    }
    const float scale = target->getPixelScale();
    return !((scale < kMinPixelScale && factor < 1.0f) ||
             (scale > kMaxPixelScale && factor > 1.0f));
}

void isInteractorImage::onPan(const Vec2& delta) {
    postPanStep(delta);
}

void isInteractorImage::onZoom(float factor) {
    if (!zoomAllowed(factor)) {
        return;
    }
    zoomTotal *= factor;
    centre()->postFloat(this, NOTIFY_SYNC_ZOOM_ALT, factor, renderWindow, true);
}

void isInteractorImage::applyDrag(const Vec2& step, float speed) {
    switch (mode) {
    case kModeRotate:
        rotate(step);
        break;
    case kModeWindowLevel:
        centre()->postString(this, NOTIFY_INTERACT_9076,
                             pairRecord("ww", "wl", "%.2f", step.x, step.y), renderWindow, true);
        windowLevelChanged = true;
        break;
    case kModePan:
        postPanStep(step);
        break;
    case kModeZoom: {
        if (std::fabs(step.y) <= std::fabs(step.x)) {
            break;
        }
        const float factor = step.y > 0.0f ? kZoomIn : kZoomOut;
        if (!zoomAllowed(factor)) {
            break;
        }
        zoomTotal *= factor;
        centre()->postFloat(this, NOTIFY_SYNC_ZOOM, factor, renderWindow, true);
        break;
    }
    case kModePaging:
        page(step, speed);
        break;
    case kModeStepping: {
        panTotal.y += step.y;
        int value = 0;
        if (panTotal.y > kSteppingPixels) {
            panTotal.y -= kSteppingPixels;
            value = 1;
        } else if (panTotal.y < -kSteppingPixels) {
            panTotal.y += kSteppingPixels;
            value = -1;
        }
        if (value != 0) {
            centre()->postInt(this, NOTIFY_CINE_SPEED, value, renderWindow, true);
        }
        break;
    }
    default:
        break;
    }
}

void isInteractorImage::rotate(const Vec2& step) {
    isRenderWindowBase* target = window();
    if (target == nullptr) {
        return;
    }
    const isCameraState state = target->getCameraState();
    const Vec3 right = state.right();
    const Vec3 up = state.up();
    const Vec3 back = -state.forward();
    cocos2d::Mat4 frame(right.x, up.x, back.x, 0.0f, right.y, up.y, back.y, 0.0f, right.z, up.z,
                        back.z, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
    rotateMatrixY(frame, -step.x * kHalfPi / kRotatePixels);
    rotateMatrixX(frame, step.y * kHalfPi / kRotatePixels);
    const Vec3 newBack(frame.m[8], frame.m[9], frame.m[10]);
    const Vec3 newUp(frame.m[4], frame.m[5], frame.m[6]);
    const Vec3 centre = state.center();
    target->setCameraEye(centre + newBack * state.eyeDistance());
    target->setCameraLookAt(centre, newUp);
}

void isInteractorImage::page(const Vec2& step, float speed) {
    if (pagingAxis == kAxisStopped) {
        return;
    }
    if (pagingAxis == kAxisUndecided) {
        if (dragTotal.length() < kPagingAxisPixels) {
            return;
        }
        pagingAxis =
            std::fabs(dragTotal.y) > std::fabs(dragTotal.x) ? kAxisVertical : kAxisHorizontal;
    }
    if (pagingAxis == kAxisHorizontal) {
        centre()->postFloat(this, NOTIFY_INTERACT_9078, dragTotal.x, renderWindow, true);
        if (std::fabs(dragTotal.x) > kPagingStopPixels) {
            pagingAxis = kAxisStopped;
        }
        return;
    }
    pagingRest.y += step.y;
    // Slow drags page one slice per ~51 pixels, fast ones approach one per pixel.
    const float pitch = std::pow(0.5f, speed) * 50.0f + 1.0f;
    if (std::fabs(pagingRest.y) <= pitch) {
        return;
    }
    int slices = 0;
    while (std::fabs(pagingRest.y) > pitch) {
        const float sign = pagingRest.y > 0.0f ? 1.0f : -1.0f;
        slices += static_cast<int>(sign);
        pagingRest.y -= sign * pitch;
    }
    centre()->postInt(this, NOTIFY_INTERACT_9077, slices, renderWindow, true);
}

bool isInteractorTrackVR::init() {
    if (!isInteractorImage::init()) {
        return false;
    }
    kind = kKind;
    mode = kModeRotate;
    return true;
}

}  // namespace isImageSDK
