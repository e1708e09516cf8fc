#include "imagesdk/render/isActorROI.h"

#include <algorithm>
#include <cstdlib>

#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/data/isROIManager.h"
#include "imagesdk/render/isCamera.h"
#include "imagesdk/render/isRenderWindowBase.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/core/UIJson.h"

namespace isImageSDK {

namespace {

// A pick further than this many screen pixels from every handle picks nothing.
constexpr float kPickPixels = 15.0f;

// The value of a JSON key as an int; 0 when missing.
int jsonInt(const std::string& text, const std::string& key) {
    return std::atoi(NSUI::UIJson::getString(text, key).c_str());
}

isActorROIBase* shapeFor(int type) {
    switch (type) {
    case ROIData::LINE:
        return isActorROILine::create();
    case ROIData::LABEL:
        return isActorROILabel::create();
    case ROIData::ANGLE:
        return isActorROIAngle::create();
    case ROIData::POINT:
        return isActorROIPoint::create();
    case ROIData::CIRCLE:
        return isActorROICircle::create();
    case ROIData::POLYGON:
        return isActorROIPolygon::create();
    default:
        return nullptr;
    }
}

}  // namespace

isActorROI::~isActorROI() {
    dropShapes();
}

bool isActorROI::init() {
    if (!isActorObject::init()) {
        return false;
    }
    dataName.clear();
    orientation = -1;
    cachedKey = 0;
    nextNumber = 1;
    return true;
}

void isActorROI::cleanup() {
    // The window holds the shapes' nodes too: they leave it with the shapes.
    dropShapes();
    isActorObject::cleanup();
    // Never makes a centre: cleanup also runs while the program ends.
    if (NSUI::NSNotificationCenter* centre = NSUI::NSNotificationCenter::getExistingInstance()) {
        centre->removeObserver(this);
    }
}

void isActorROI::attachToWindow(isRenderWindowBase* target) {
    isActorObject::attachToWindow(target);
    isRenderWindowBase* window = getWindow();
    if (!window) {
        return;
    }
    auto* centre = NSUI::NSNotificationCenter::getInstance();
    const auto handler = [this](cocos2d::Ref* sender, unsigned key,
                                NSUI::NSNotificationData* data) {
        onNotification(sender, key, data);
    };
    centre->addObserver(this, window, handler, NOTIFY_SLICE_ORIENT);
    centre->addObserver(this, window, handler, NOTIFY_SLICE_INDEX);
}

void isActorROI::detachNodes() {
    isActorObject::detachNodes();
    dropShapes();
}

void isActorROI::dropShapes() {
    std::vector<isActorROIBase*> dropped;
    dropped.swap(shapes);
    for (isActorROIBase* shape : dropped) {
        shape->detachNodes();
        shape->cleanup();
        shape->release();
    }
}

void isActorROI::setDataName(const std::string& name) {
    if (name == dataName) {
        return;
    }
    cachedKey = 0;
    dataName = name;
    dropShapes();
}

void isActorROI::setOrientation(int value) {
    if (value == orientation) {
        return;
    }
    cachedKey = 0;
    orientation = value;
    dropShapes();
}

void isActorROI::setSliceIndex(int value) {
    if (value == sliceIndex) {
        return;
    }
    cachedKey = 0;
    sliceIndex = value;
    dropShapes();
}

int isActorROI::getROISetKey() {
    if (cachedKey == 0) {
        cachedKey = int(NSUI::foldedHash(
            NSUI::formatString("%s,%i,%i", dataName.c_str(), orientation, sliceIndex)));
    }
    return cachedKey;
}

void isActorROI::adopt(isActorROIBase* shape, ROIData* roi) {
    shape->setROIData(roi);
    shape->attachToWindow(getWindow());
    shape->setNumber(nextNumber++);
    shape->retain();
    shapes.push_back(shape);
}

void isActorROI::reloadROIs() {
    dropShapes();
    nextNumber = 1;
    const int key = getROISetKey();
    // A copy: shapes do not change the manager's list, but nothing here relies on that.
    const std::vector<cocos2d::Ref*> listed = isROIManager::getInstance()->rois;
    for (cocos2d::Ref* entry : listed) {
        auto* roi = dynamic_cast<ROIData*>(entry);
        if (!roi || roi->getROISetKey() != key || !roi->isValid()) {
            continue;
        }
        if (isActorROIBase* shape = shapeFor(roi->getType())) {
            adopt(shape, roi);
        }
    }
}

void isActorROI::postSelection(isActorROIBase* shape) {
    NSUI::NSNotificationCenter::getInstance()->postInt(shape, NOTIFY_ROI_COUNT_CHANGED, 1, nullptr,
                                                       false);
}

template <typename Shape, typename Data>
Shape* isActorROI::addShape(Shape* shape, Data* roi, int handle) {
    if (!shape || !roi) {
        return nullptr;
    }
    roi->setROISetKey(getROISetKey());
    shape->setROIData(roi);
    shape->attachToWindow(getWindow());
    shape->setNumber(nextNumber++);
    shape->selectHandle(handle);
    shape->setRedraw(true);
    postSelection(shape);
    shape->retain();
    shapes.push_back(shape);
    isROIManager::getInstance()->addROI(roi);
    return shape;
}

isActorROILabel* isActorROI::addLabel(const cocos2d::Vec3& anchor, const cocos2d::Vec3& textPoint) {
    ROILabel* roi = ROILabel::create();
    if (roi) {
        roi->setPoint(0, anchor);
        roi->setPoint(1, textPoint);
    }
    return addShape(isActorROILabel::create(), roi, 1);
}

isActorROILine* isActorROI::addLine(const cocos2d::Vec3& from, const cocos2d::Vec3& to) {
    ROILine* roi = ROILine::create();
    if (roi) {
        roi->setPoint(0, from);
        roi->setPoint(1, to);
    }
    return addShape(isActorROILine::create(), roi, 1);
}

isActorROIPoint* isActorROI::addPoint(const cocos2d::Vec3& at) {
    ROIPoint* roi = ROIPoint::create();
    if (roi) {
        roi->setPoint(0, at);
    }
    return addShape(isActorROIPoint::create(), roi, 0);
}

isActorROIAngle* isActorROI::addAngle(const cocos2d::Vec3& at) {
    ROIAngle* roi = ROIAngle::create();
    if (roi) {
        for (int i = 0; i < 3; ++i) {
            roi->setPoint(i, at);
        }
    }
    return addShape(isActorROIAngle::create(), roi, 1);
}

isActorROICircle* isActorROI::addCircle(const cocos2d::Vec3& centre, const cocos2d::Vec3& rim) {
    ROICircle* roi = ROICircle::create();
    if (roi) {
        roi->setPoint(0, centre);
        roi->setPoint(1, rim);
    }
    return addShape(isActorROICircle::create(), roi, 1);
}

isActorROIPolygon* isActorROI::addPolygon(const cocos2d::Vec3& first, const cocos2d::Vec3& second) {
    ROIPolygon* roi = ROIPolygon::create();
    if (roi) {
        roi->vertices = {first, second};
    }
    return addShape(isActorROIPolygon::create(), roi, 1);
}

isActorROIBase* isActorROI::pickROI(const cocos2d::Vec3& origin, const cocos2d::Vec3& direction) {
    isActorROIBase* best = nullptr;
    int bestHandle = -1;
    float bestDistance = 0.0f;
    for (isActorROIBase* shape : shapes) {
        ROIData* roi = shape->getROIData();
        if (!roi) {
            continue;
        }
        float distance = 0.0f;
        int handle = -1;
        roi->hitTest(origin, direction, &distance, &handle);
        if (handle >= 0 && (!best || distance < bestDistance)) {
            best = shape;
            bestHandle = handle;
            bestDistance = distance;
        }
    }
    if (!best) {
        return nullptr;
    }
    isRenderWindowBase* window = getWindow();
    isCamera* camera = window ? window->getMainCamera() : nullptr;
    if (camera && !camera->isPerspective()) {
        cocos2d::Vec3 a;
        cocos2d::Vec3 b;
        camera->screenToWorld(cocos2d::Vec3(0.0f, 0.0f, 0.5f), a);
        camera->screenToWorld(cocos2d::Vec3(1.0f, 0.0f, 0.5f), b);
        const float pixel = a.distance(b);
        if (pixel > 0.0f) {
            bestDistance /= pixel;
        }
    }
    if (!(bestDistance <= kPickPixels)) {
        return nullptr;
    }
    best->selectHandle(bestHandle);
    return best;
}

void isActorROI::removeROI(isActorROIBase* shape) {
    auto found = std::find(shapes.begin(), shapes.end(), shape);
    if (!shape || found == shapes.end()) {
        return;
    }
    shape->detachNodes();
    if (nextNumber == shape->getNumber() + 1) {
        --nextNumber;
    }
    if (ROIData* roi = shape->getROIData()) {
        isROIManager::getInstance()->removeROI(roi);
    }
    shapes.erase(found);
    shape->cleanup();
    shape->release();
}

void isActorROI::removeROIById(std::uint64_t id) {
    for (isActorROIBase* shape : shapes) {
        if (shape->getROIData() && shape->getROIData()->getRefID() == id) {
            removeROI(shape);
            return;
        }
    }
}

void isActorROI::setAllVisible(bool visible) {
    for (isActorROIBase* shape : shapes) {
        shape->setVisible(visible);
    }
}

void isActorROI::onNotification(cocos2d::Ref*, unsigned key, NSUI::NSNotificationData* data) {
    const std::string text = data ? data->stringValue : std::string();
    if (key == unsigned(NOTIFY_SLICE_INDEX)) {
        setSliceIndex(jsonInt(text, "index"));
    } else if (key == unsigned(NOTIFY_SLICE_ORIENT)) {
        setOrientation(jsonInt(text, "orient"));
    } else {
        return;
    }
    reloadROIs();
}

}  // namespace isImageSDK
