#pragma once

#include "engine/base/Ref.h"

// One cycle of the program's self-update: ask for the latest version, fetch and unpack it. This
// build has no web service to ask, so a cycle ends as soon as it starts.
class updateService : public cocos2d::Ref {
public:
    // Autoreleased; starts a cycle.
    static updateService* create();

    bool init();
    // Whether the cycle is still running.
    bool isBusy() const { return busy; }
    void shutdown();

private:
    updateService() = default;
    bool busy = false;
};
