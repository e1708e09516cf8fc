#pragma once

namespace NSUI {

// Gives an object a notification identity: its key (objects use their engine reference id) and
// the group its posts belong to. Objects that hold children override setNotificationKey to
// pass the identity on.
class NSNotificationKey {
public:
    virtual ~NSNotificationKey();
    virtual void setNotificationKey(unsigned key, void* group);

    unsigned key = 0;
    void* group = nullptr;
};

}  // namespace NSUI
