#include "toolkit/core/NSNotificationData.h"

#include <cstdlib>
#include <new>

namespace NSUI {

NSNotificationData::NSNotificationData() = default;

NSNotificationData::~NSNotificationData() {
    releaseContents();
}

NSNotificationData* NSNotificationData::create() {
    auto* data = new (std::nothrow) NSNotificationData();
    if (data && data->init()) {
        data->autorelease();
        return data;
    }
    delete data;
    return nullptr;
}

bool NSNotificationData::init() {
    stringValue.clear();
    intValue = 0;
    floatValue = 0.0f;
    indexValue = 0;
    intValue2 = 0;
    return true;
}

void NSNotificationData::releaseContents() {
    if (object) {
        object->release();
        object = nullptr;
    }
    // A buffer that is not owned belongs to the receiver and stays where it is.
    if (ownsBuffer && buffer) {
        std::free(buffer);
        buffer = nullptr;
    }
}

void NSNotificationData::setObject(cocos2d::Ref* newObject) {
    if (newObject) {
        newObject->retain();
    }
    if (object) {
        object->release();
    }
    object = newObject;
}

void NSNotificationData::setBuffer(void* newBuffer) {
    buffer = newBuffer;
    ownsBuffer = false;
}

}  // namespace NSUI
