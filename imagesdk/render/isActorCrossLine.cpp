#include "imagesdk/render/isActorCrossLine.h"

#include <cstdlib>
#include <string>

#include "engine/2d/DrawNode.h"
#include "engine/base/Director.h"
#include "engine/base/Scheduler.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isCamera.h"
#include "imagesdk/render/isNodeLine.h"
#include "imagesdk/render/isRenderWindowBase.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/UIJson.h"

namespace isImageSDK {

namespace {

// Gap around the reference point, in screen pixels, and its least size in world units.
constexpr float kGapPixels = 30.0f;
constexpr float kLeastGap = 2.0f;

cocos2d::Scheduler* scheduler() {
    return cocos2d::Director::getInstance()->getScheduler();
}

// Cleanups run while the program ends too: without a director or a centre there is nothing
// to undo, and making one then would leave it behind.
void dropHideJobAndObservers(isActorCrossLine* actor) {
    if (cocos2d::Director* director = cocos2d::Director::getExistingInstance()) {
        director->getScheduler()->unschedule(isActorCrossLine::kHideKey, actor);
    }
    if (NSUI::NSNotificationCenter* centre = NSUI::NSNotificationCenter::getExistingInstance()) {
        centre->removeObserver(actor);
    }
}

}  // namespace

isActorCrossLine::~isActorCrossLine() {
    dropHideJobAndObservers(this);
}

bool isActorCrossLine::init() {
    if (!isActorObject::init()) {
        return false;
    }
    reference = cocos2d::Mat4::IDENTITY;
    redrawDue = frameVisible = focusShown = lineVisible = 0;
    colours[0] = cocos2d::Color4F::MAGENTA;
    colours[1] = cocos2d::Color4F::ORANGE;
    colours[2] = cocos2d::Color4F::BLUE;
    frameColor = 0;
    return true;
}

void isActorCrossLine::cleanup() {
    isActorObject::cleanup();
    dropHideJobAndObservers(this);
}

void isActorCrossLine::attachToWindow(isRenderWindowBase* target) {
    isActorObject::attachToWindow(target);
    auto* centre = NSUI::NSNotificationCenter::getInstance();
    centre->removeObserver(this);
    isRenderWindowBase* window = getWindow();
    if (window == nullptr) {
        return;
    }
    const auto handler = [this](cocos2d::Ref* sender, unsigned key,
                                NSUI::NSNotificationData* data) {
        onNotification(sender, key, data);
    };
    centre->addObserver(this, window, handler, NOTIFY_CROSSLINE_UPDATE);
    centre->addObserver(this, window, handler, NOTIFY_WINDOW_VISIT);
    centre->addObserver(this, window, handler, NOTIFY_CAMERA_CHANGED);
}

void isActorCrossLine::drawFrame() {
    isRenderWindowBase* window = getWindow();
    if (frameNode == nullptr || window == nullptr) {
        return;
    }
    const cocos2d::Size size = window->getContentSize();
    frameNode->clear();
    frameNode->drawRect(cocos2d::Vec2(1, 1), cocos2d::Vec2(size.width - 1, size.height - 1),
                        colours[frameColor]);
}

void isActorCrossLine::setFrameColor(int index) {
    if (index < 0 || index > 2 || index == frameColor) {
        return;
    }
    frameColor = index;
    if (frameVisible) {
        drawFrame();
    }
}

void isActorCrossLine::setFrameVisible(bool visible) {
    if (frameNode == nullptr) {
        frameNode = cocos2d::DrawNode::create();
        frameNode->setLineWidth(4);
        frameNode->setVisible(false);
        addChildNode(frameNode);
    }
    if ((frameVisible != 0) == visible) {
        return;
    }
    frameVisible = visible ? 1 : 0;
    frameNode->setVisible(visible);
    drawFrame();
}

void isActorCrossLine::setLineVisible(bool visible) {
    if (lineNode == nullptr) {
        lineNode = isNodeLine::create();
        lineNode->lineWidth = 4;
        lineNode->setVisible(false);
        addActorNode(lineNode);
    }
    if ((lineVisible != 0) == visible) {
        return;
    }
    lineVisible = visible ? 1 : 0;
    lineNode->setVisible(visible);
}

void isActorCrossLine::showFocusFrame() {
    isRenderWindowBase* window = getWindow();
    if (focusNode == nullptr) {
        focusNode = cocos2d::DrawNode::create();
        addChildNode(focusNode);
    }
    if (focusShown || window == nullptr) {
        return;
    }
    focusShown = 1;
    const cocos2d::Size size = window->getContentSize();
    focusNode->setVisible(true);
    focusNode->drawSolidRect(cocos2d::Vec2(size.width - 25, size.height - 25),
                             cocos2d::Vec2(size.width - 5, size.height - 5), colours[frameColor]);
}

void isActorCrossLine::onNotification(cocos2d::Ref*, unsigned key, NSUI::NSNotificationData* data) {
    switch (key) {
    case NOTIFY_CROSSLINE_UPDATE: {
        const std::string json = data != nullptr ? data->stringValue : std::string();
        static const char* const names[12] = {"nx1", "nx2", "nx3", "ny1", "ny2", "ny3",
                                              "nz1", "nz2", "nz3", "x",   "y",   "z"};
        for (int i = 0; i < 12; ++i) {
            const float value =
                static_cast<float>(std::atof(NSUI::UIJson::getString(json, names[i]).c_str()));
            // Column i / 3 holds x axis, y axis, normal and point in that order.
            reference.m[(i / 3) * 4 + i % 3] = value;
        }
        redrawDue = 1;
        break;
    }
    case NOTIFY_CAMERA_CHANGED:
        redrawDue = 1;
        break;
    case NOTIFY_WINDOW_VISIT:
        redraw();
        break;
    default:
        break;
    }
}

float isActorCrossLine::lineGap() const {
    isRenderWindowBase* window = getWindow();
    isCamera* camera = window != nullptr ? window->getMainCamera() : nullptr;
    if (camera == nullptr) {
        return kLeastGap;
    }
    cocos2d::Vec3 a;
    cocos2d::Vec3 b;
    camera->screenToWorld(cocos2d::Vec3(0, 0, 1), a);
    camera->screenToWorld(cocos2d::Vec3(0, kGapPixels, 1), b);
    const float gap = a.distance(b);
    return gap < kLeastGap ? kLeastGap : gap;
}

void isActorCrossLine::redraw() {
    if (!redrawDue || getWindow() == nullptr) {
        redrawDue = 0;
        return;
    }
    redrawDue = 0;
    if (lineNode == nullptr || !lineVisible) {
        return;
    }
    lineNode->vertices.clear();
    lineNode->setVisible(true);
    const float gap = lineGap();
    cocos2d::Color4F xColour = cocos2d::Color4F::ORANGE;
    cocos2d::Color4F yColour = cocos2d::Color4F::MAGENTA;
    if (frameColor == 0) {
        xColour = cocos2d::Color4F::BLUE;
        yColour = cocos2d::Color4F::ORANGE;
    } else if (frameColor == 1) {
        xColour = cocos2d::Color4F::BLUE;
    }
    const cocos2d::Vec3 point(reference.m[12], reference.m[13], reference.m[14]);
    const cocos2d::Vec3 u(reference.m[0], reference.m[1], reference.m[2]);
    const cocos2d::Vec3 v(reference.m[4], reference.m[5], reference.m[6]);
    lineNode->addLine(point + u * gap, point + u * kLineReach, xColour);
    lineNode->addLine(point - u * gap, point - u * kLineReach, xColour);
    lineNode->addLine(point + v * gap, point + v * kLineReach, yColour);
    lineNode->addLine(point - v * gap, point - v * kLineReach, yColour);
    // Restart the clock on every redraw and run once: a keyed schedule that exists already only
    // takes the new interval, and a repeat count of n runs n + 1 times.
    scheduler()->unschedule(kHideKey, this);
    scheduler()->schedule([this](float) { hideLines(); }, this, kHideSeconds, 0, 0.0f, false,
                          kHideKey);
}

void isActorCrossLine::hideLines() {
    lineVisible = 0;
    if (lineNode != nullptr) {
        lineNode->setVisible(false);
    }
}

}  // namespace isImageSDK
