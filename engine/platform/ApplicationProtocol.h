#pragma once

#include <string>

namespace cocos2d {

// Languages in the engine's fixed order; the language table names its parts by this order.
enum class LanguageType {
    ENGLISH = 0,
    CHINESE,
    FRENCH,
    ITALIAN,
    GERMAN,
    SPANISH,
    DUTCH,
    RUSSIAN,
    KOREAN,
    JAPANESE,
    HUNGARIAN,
    PORTUGUESE,
    ARABIC,
    NORWEGIAN,
    POLISH,
    TURKISH,
    UKRAINIAN,
    ROMANIAN,
    BULGARIAN,
};

// What the engine asks of the program's application delegate, and what it offers it.
class ApplicationProtocol {
public:
    enum class Platform {
        OS_WINDOWS,
        OS_LINUX,
        OS_MAC,
        OS_ANDROID,
        OS_IPHONE,
        OS_IPAD,
    };

    virtual ~ApplicationProtocol() = default;

    // The window was closed; the main loop ends after this returns.
    virtual void applicationWillExit() {}
    // The engine is ready; false ends the program.
    virtual bool applicationDidFinishLaunching() = 0;
    // The window was minimised.
    virtual void applicationDidEnterBackground() = 0;
    // The window was restored after a minimise.
    virtual void applicationWillEnterForeground() = 0;
    // Seconds between frames of the run loop.
    virtual void setAnimationInterval(float interval) = 0;
    // Called before the window is made: set the context attributes here.
    virtual void initGLContextAttrs() {}
    virtual LanguageType getCurrentLanguage() = 0;
    // Two-letter ISO 639-1 code.
    virtual const char* getCurrentLanguageCode() = 0;
    virtual Platform getTargetPlatform() = 0;
    // Opens the address with the desktop's handler; false when it could not be started.
    virtual bool openURL(const std::string& url) = 0;
    // A file the user asked the program to open (dropped on the window).
    virtual void openFile(const char* path) { (void)path; }
    // Voice recording from the default input device into a WAV file at `path` (16-bit mono,
    // whatever the file's name; the folder must exist). True when recording started; a
    // recording still running is completed first.
    virtual bool startAudioRecord(const std::string& path);
    // Completes the file; nothing when no recording runs.
    virtual void stopAudioRecord();
    // Input level of the running recording, 0 (silence) to 1 (full scale); 0 when none runs.
    virtual float getAudioVolume();
};

}  // namespace cocos2d
