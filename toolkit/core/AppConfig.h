#pragma once

#include <string>

#include "engine/base/Ref.h"
#include "engine/base/Types.h"
#include "engine/math/Geometry.h"
#include "toolkit/core/NSLanguage.h"

namespace cocos2d {
class Node;
}

// The application configuration singleton: window and design sizes, the language table every
// screen takes its texts from, the UI style values, the phone flag and the application
// identifier. Its first use records the first run in the user defaults. Main thread only, but
// for getAppIdentifier, which copies a value that no longer changes after start-up.
class AppConfig : public cocos2d::Ref {
public:
    // Created, initialised and autoreleased on first use; the application delegate keeps the
    // reference that holds it. Never null.
    static AppConfig* getInstance();

    // The next getInstance after the last reference is gone makes a fresh configuration.
    ~AppConfig() override;

    // Fills the style values; on the first run stores the version, the install time and the
    // example-data marker; makes the application identifier once per installation. True.
    virtual bool init();

    // Loads "language.dat" and publishes it as the toolkit's shared table.
    void loadLanguage();
    // The current language's text of the key; empty when the key or the table is missing.
    std::string getText(const std::string& key);
    // The key's text, or the key itself where the table has none, so that a message still
    // says something.
    std::string getTextOrKey(const std::string& key);
    // Translates the texts of a loaded layout with the table (keys are prefix + saved text).
    void setWidgetText(cocos2d::Node* node, const std::string& prefix);

    cocos2d::Size& getDesignSize() { return designSize; }
    const cocos2d::Size& getWinSize() const { return winSize; }
    void setWinSize(const cocos2d::Size& size) { winSize = size; }
    std::string getAppIdentifier() const { return appIdentifier; }

    // Whether the device is a phone; screens then build their phone form. False on the desktop.
    bool isPhone;

    // Style values: eight font sizes (largest first), seven colours and the font file under
    // both spellings.
    int fontSizes[8] = {};
    cocos2d::Color3B colors[7];
    std::string fontName;
    std::string fontNameLower;

    // The identifier of an installation: the 64-bit FNV-1a of the device text followed by a
    // date-time text, folded to 32 bits, in decimal.
    static std::string makeAppIdentifier(const std::string& deviceInfo,
                                         const std::string& dateTime);

protected:
    AppConfig();

private:
    cocos2d::Size winSize;
    cocos2d::Size designSize;
    NSUI::NSLanguage language;
    std::string appIdentifier;
};

// The program's version text ("2.9").
std::string getAppVersion();
// The web service's base address that service calls append their paths to.
std::string getServerBaseUrl();
// False in the desktop build.
bool isMobilePlatform();
