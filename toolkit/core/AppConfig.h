#pragma once

#include "engine/base/Ref.h"

// The application configuration singleton.
class AppConfig : public cocos2d::Ref {
public:
    // Created, initialised and autoreleased on first use; the application delegate keeps the
    // reference that holds it. Never null.
    static AppConfig* getInstance();

    // The next getInstance after the last reference is gone makes a fresh configuration.
    ~AppConfig() override;

    virtual bool init();

    // Whether the device is a phone; screens then build their phone form. False on the desktop.
    bool isPhone;

protected:
    AppConfig();
};
