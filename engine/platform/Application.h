#pragma once

#include <string>

#include "engine/platform/ApplicationProtocol.h"

namespace cocos2d {

// The program's one application object: its constructor registers it as the instance. `run`
// launches the delegate and then runs frames at the director's animation interval while the
// window is open, handing window events to the view in between.
class Application : public ApplicationProtocol {
public:
    Application();
    ~Application() override;

    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    static Application* getInstance();

    // 1 when the delegate's launch fails; 0 after the window was closed, or at once when the
    // delegate made no window (headless).
    int run();

    // Forwards to the director, which keeps the interval.
    void setAnimationInterval(float interval) override;
    // From the locale environment (LC_ALL, LC_MESSAGES, LANG); English when unknown.
    LanguageType getCurrentLanguage() override;
    const char* getCurrentLanguageCode() override;
    Platform getTargetPlatform() override { return Platform::OS_LINUX; }
    // Starts xdg-open with the address as its one argument, without a shell.
    bool openURL(const std::string& url) override;

    // The language of a locale name such as "de_DE.UTF-8"; English when unknown.
    static LanguageType languageForLocale(const std::string& locale);

private:
    std::string _languageCode;
};

}  // namespace cocos2d
