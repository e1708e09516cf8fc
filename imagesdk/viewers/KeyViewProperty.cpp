#include "imagesdk/viewers/KeyViewProperty.h"

#include "imagesdk/data/isImageData.h"
#include "imagesdk/viewers/isViewer.h"

namespace isImageSDK {

namespace {

// Retains the new object before releasing the old one: a record rebound to the object it holds
// must not free it on the way.
template <typename T> void replaceRetained(T*& slot, T* value) {
    if (value != nullptr) {
        value->retain();
    }
    if (slot != nullptr) {
        slot->release();
    }
    slot = value;
}

}  // namespace

KeyViewProperty* KeyViewProperty::create() {
    auto* record = new KeyViewProperty();
    if (!record->init()) {
        delete record;
        return nullptr;
    }
    record->autorelease();
    return record;
}

KeyViewProperty::~KeyViewProperty() {
    KeyViewProperty::cleanup();
}

bool KeyViewProperty::init() {
    if (!isObject::init()) {
        return false;
    }
    cleanup();
    rect = cocos2d::Rect::ZERO;
    return true;
}

void KeyViewProperty::cleanup() {
    replaceRetained<isImageData>(series, nullptr);
    replaceRetained<cocos2d::Ref>(secondData, nullptr);
    setViewer(nullptr);
}

void KeyViewProperty::setSeries(isImageData* data) {
    replaceRetained(series, data);
}

void KeyViewProperty::setSecondData(cocos2d::Ref* data) {
    replaceRetained(secondData, data);
}

void KeyViewProperty::setViewer(isViewer* newViewer) {
    if (newViewer != nullptr) {
        newViewer->retainViewer();
    }
    if (viewer != nullptr) {
        viewer->releaseViewer();
    }
    viewer = newViewer;
}

int KeyViewProperty::getViewType() const {
    return viewer != nullptr ? viewer->type : VIEW_NONE;
}

}  // namespace isImageSDK
