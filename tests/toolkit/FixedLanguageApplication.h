#pragma once

#include "engine/platform/Application.h"

namespace bvtest {

// An application object whose current language the test chooses; it is the engine's instance
// while it lives.
class FixedLanguageApplication : public cocos2d::Application {
public:
    explicit FixedLanguageApplication(cocos2d::LanguageType language) : language_(language) {}

    bool applicationDidFinishLaunching() override { return true; }
    void applicationDidEnterBackground() override {}
    void applicationWillEnterForeground() override {}
    cocos2d::LanguageType getCurrentLanguage() override { return language_; }

    void setLanguage(cocos2d::LanguageType language) { language_ = language; }

private:
    cocos2d::LanguageType language_;
};

}  // namespace bvtest
