#pragma once

#include <string>

#include "engine/base/Ref.h"
#include "toolkit/core/NSNotificationKey.h"

namespace NSUI {

// The data object a notification carries. Posters fill whichever fields their key uses; the
// receivers of each key know which those are.
class NSNotificationData : public cocos2d::Ref, public NSNotificationKey {
public:
    NSNotificationData();
    ~NSNotificationData() override;
    // Allocated, initialised and autoreleased.
    static NSNotificationData* create();

    virtual bool init();
    // Releases the object and frees an owned buffer.
    virtual void releaseContents();

    // Releases the previous object and retains the new one.
    void setObject(cocos2d::Ref* object);
    // The buffer is not owned: set ownsBuffer to have the data free it.
    void setBuffer(void* buffer);

    std::string stringValue;
    int intValue = 0;
    float floatValue = 0.0f;
    // Filled by postLoadedIndex.
    int indexValue = 0;
    // Filled by broadcastInt.
    int intValue2 = 0;
    cocos2d::Ref* object = nullptr;
    void* buffer = nullptr;
    // When set the buffer is freed with free(); otherwise the receiver takes charge of it.
    bool ownsBuffer = false;
};

}  // namespace NSUI
