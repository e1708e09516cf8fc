#pragma once

#include <string>

#include "engine/platform/ApplicationProtocol.h"

namespace bvtest {

// An application object of the test, in English on Linux, whose voice recording calls are the
// engine's own.
class RecordingApplication : public cocos2d::ApplicationProtocol {
public:
    bool applicationDidFinishLaunching() override { return true; }
    void applicationDidEnterBackground() override {}
    void applicationWillEnterForeground() override {}
    void setAnimationInterval(float) override {}
    cocos2d::LanguageType getCurrentLanguage() override { return cocos2d::LanguageType::ENGLISH; }
    const char* getCurrentLanguageCode() override { return "en"; }
    Platform getTargetPlatform() override { return Platform::OS_LINUX; }
    bool openURL(const std::string&) override { return false; }
};

}  // namespace bvtest
