#include "imagesdk/render/isActorROIBase.h"

#include "engine/platform/Device.h"
#include "engine/ui/LayoutParameter.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/render/isCamera.h"
#include "imagesdk/render/isNodeText.h"
#include "imagesdk/render/isRenderWindowBase.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/TextRoutines.h"

namespace isImageSDK {

namespace {

// Two millimetres at the screen's resolution, whole pixels.
int twoMillimetres() {
    return int(float(cocos2d::Device::getDPI()) * 2.0f / 25.4f);
}

isNodeText* makeText(float size, const cocos2d::Vec2& anchor) {
    isNodeText* text = isNodeText::create();
    if (!text) {
        return nullptr;
    }
    text->setFontSize(size);
    text->setTextColor(cocos2d::Color4B::WHITE);
    text->setAnchorPoint(anchor);
    auto* parameter = cocos2d::ui::RelativeLayoutParameter::create();
    parameter->setAlign(cocos2d::ui::RelativeLayoutParameter::RelativeAlign::PARENT_LEFT_BOTTOM);
    text->setLayoutParameter(parameter);
    return text;
}

}  // namespace

isActorROIBase::~isActorROIBase() {
    CC_SAFE_RELEASE_NULL(roi);
}

void isActorROIBase::cleanup() {
    isActorObject::cleanup();
    if (NSUI::NSNotificationCenter* centre = NSUI::NSNotificationCenter::getExistingInstance()) {
        centre->removeObserver(this);
    }
    CC_SAFE_RELEASE_NULL(roi);
    labelNode = nullptr;
    numberNode = nullptr;
}

bool isActorROIBase::init() {
    if (!isActorObject::init()) {
        return false;
    }
    selectedHandle = -1;
    redraw = false;
    labelOnly = false;
    roi = nullptr;
    labelNode = nullptr;
    numberNode = nullptr;
    number = 0;
    fixedLabelScale = false;
    fontSize = 15.0f;
    handleRadius = 10.0f;
    return true;
}

void isActorROIBase::attachToWindow(isRenderWindowBase* target) {
    isActorObject::attachToWindow(target);
    auto* centre = NSUI::NSNotificationCenter::getInstance();
    centre->removeObserver(this);
    isRenderWindowBase* window = getWindow();
    if (!window) {
        return;
    }
    const auto handler = [this](cocos2d::Ref* sender, unsigned key,
                                NSUI::NSNotificationData* data) {
        onNotification(sender, key, data);
    };
    centre->addObserver(this, window, handler, NOTIFY_LABEL_MOVED);
    centre->addObserver(this, window, handler, NOTIFY_WINDOW_VISIT);
    centre->addObserver(this, window, handler, NOTIFY_CAMERA_CHANGED);
    centre->addObserver(this, this, handler, NOTIFY_LABEL_EDITED);
    centre->addObserver(this, this, handler, NOTIFY_LABEL_TEXT_DONE);
}

void isActorROIBase::setROIData(ROIData* data) {
    if (data == roi) {
        return;
    }
    CC_SAFE_RETAIN(data);
    CC_SAFE_RELEASE(roi);
    roi = data;
    redraw = true;
}

void isActorROIBase::setPoint(const cocos2d::Vec3&) {
    redraw = true;
}

bool isActorROIBase::isValid() {
    return false;
}

bool isActorROIBase::isComplete() {
    return true;
}

void isActorROIBase::updateDisplay() {
    if ((redraw || labelOnly) && getWindow()) {
        redraw = false;
        labelOnly = false;
    }
}

bool isActorROIBase::isLabelMoved() const {
    return labelNode && labelNode->isMoved();
}

void isActorROIBase::setLabelText(const std::string& text) {
    if (!labelNode) {
        labelNode = makeText(fontSize, cocos2d::Vec2::ZERO);
        if (!labelNode) {
            return;
        }
        labelNode->setGroup(this);
        labelNode->setName("roiLabel");
        labelNode->setTouchEnabled(true);
        labelNode->setLocalZOrder(1000);
        if (fixedLabelScale) {
            labelNode->setTouchScaleChangeEnabled(false);
        }
        addChildNode(labelNode);
    }
    if (!text.empty() && number > 0 && labelNode->isMoved()) {
        labelNode->setString(NSUI::formatString("%i. %s", number, text.c_str()));
    } else {
        labelNode->setString(text);
    }
}

void isActorROIBase::setLabelPosition(float x, float y) {
    if (labelNode && !labelNode->isMoved()) {
        labelNode->setPosition(cocos2d::Vec2(x, y + float(twoMillimetres())));
    }
}

void isActorROIBase::setNumberPosition(float x, float y) {
    if (!labelNode || !labelNode->isMoved()) {
        return;
    }
    if (!numberNode) {
        numberNode = makeText(fontSize, cocos2d::Vec2(1.0f, 0.5f));
        if (!numberNode) {
            return;
        }
        addChildNode(numberNode);
    }
    numberNode->setPosition(cocos2d::Vec2(x - float(twoMillimetres()), y));
    if (number < 0) {
        numberNode->setVisible(false);
        return;
    }
    numberNode->setVisible(true);
    numberNode->setString(NSUI::formatString("%i ", number));
}

void isActorROIBase::selectHandle(int n) {
    if (n != selectedHandle) {
        selectedHandle = n;
        redraw = true;
    }
    if (n >= 0) {
        postSelection(1);
    }
}

void isActorROIBase::deselect() {
    if (selectedHandle < 0) {
        return;
    }
    selectedHandle = -1;
    redraw = true;
    postSelection(-1);
}

void isActorROIBase::postSelection(int value) {
    NSUI::NSNotificationCenter::getInstance()->postInt(this, NOTIFY_ROI_COUNT_CHANGED, value,
                                                       nullptr, false);
}

isCamera* isActorROIBase::camera() const {
    isRenderWindowBase* window = getWindow();
    return window ? window->getMainCamera() : nullptr;
}

cocos2d::Vec3 isActorROIBase::toScreen(const cocos2d::Vec3& point) const {
    isCamera* c = camera();
    if (!c) {
        return point;
    }
    cocos2d::Vec3 screen;
    c->worldToScreen(point, screen);
    return screen;
}

float isActorROIBase::getPixelWorldSize() const {
    isCamera* c = camera();
    if (!c || c->isPerspective()) {
        return 1.0f;
    }
    cocos2d::Vec3 a;
    cocos2d::Vec3 b;
    c->screenToWorld(cocos2d::Vec3(0.0f, 0.0f, 0.5f), a);
    c->screenToWorld(cocos2d::Vec3(1.0f, 0.0f, 0.5f), b);
    return a.distance(b);
}

void isActorROIBase::onNotification(cocos2d::Ref* sender, unsigned key,
                                    NSUI::NSNotificationData* data) {
    switch (key) {
    case NOTIFY_WINDOW_VISIT:
        updateDisplay();
        return;
    case NOTIFY_CAMERA_CHANGED:
        // A zoom, pan or resize moves the shape on screen: its texts, handles and screen-sized
        // marks follow. The ROI itself did not change, so its statistics stand.
        if (!redraw) {
            labelOnly = true;
        }
        redraw = true;
        return;
    case NOTIFY_LABEL_MOVED:
        if (data && roi && data->object == roi) {
            redraw = true;
        }
        if (labelNode && sender == labelNode) {
            redraw = true;
            labelOnly = true;
        }
        return;
    case NOTIFY_LABEL_EDITED:
        if (roi && roi->getType() == ROIData::LABEL) {
            if (selectedHandle != 1) {
                selectedHandle = 1;
                redraw = true;
            }
            postSelection(1);
            auto* request = NSUI::NSNotificationData::create();
            request->setObject(this);
            request->setBuffer(this);
            NSUI::NSNotificationCenter::getInstance()->postNotification(this, NOTIFY_ROI_TO_VIEW,
                                                                        request, getWindow(), true);
        }
        return;
    case NOTIFY_LABEL_TEXT_DONE:
        if (roi && roi->getType() == ROIData::LABEL && data) {
            roi->setLabelText(data->stringValue);
            setLabelText(data->stringValue);
        }
        return;
    default:
        return;
    }
}

}  // namespace isImageSDK
