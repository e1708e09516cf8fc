#pragma once

#include "toolkit/core/NSDatas.h"

// The background source of the web service's notices (re-login checks, new versions, update
// packages). Registered with the data manager, which ticks it; until `start` its tick does
// nothing. This build has no web service, so a started centre asks for nothing either.
class httpCenter : public NSUI::NSDatas {
public:
    // Autoreleased and held by the data manager's list; null when init fails.
    static httpCenter* create();

    ~httpCenter() override;

    bool init() override;
    void start() { started = true; }
    bool isStarted() const { return started; }
    // Cancels the centre's service calls.
    void shutdown();
    void update(float dt) override;

private:
    httpCenter() = default;
    bool started = false;
};
