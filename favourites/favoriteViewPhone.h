#pragma once

#include <list>
#include <string>

#include "engine/base/Macros.h"
#include "imagesdk/data/WindowLevelPreset.h"
#include "toolkit/core/NSNotificationKey.h"
#include "toolkit/widgets/NSLayout.h"

namespace cocos2d {
class Scene;
}

namespace NSUI {
class NSNotificationData;
}

namespace isImageSDK {
class appManager;
class isViewerMulti;
}  // namespace isImageSDK

// The phone form of the favourite viewer: a full-screen scene showing one favourite file, with
// its tool buttons in the screen layout. Main thread only.
class favoriteViewPhone : public NSUI::NSLayout, public NSUI::NSNotificationKey {
public:
    static constexpr int kViewerTag = 10000;
    static constexpr const char* kLayoutFile = "favoriteView.csb";
    static constexpr const char* kMessageName = "favoriteViewPhoneMsg";

    CREATE_FUNC(favoriteViewPhone);
    // A scene holding the viewer (tag kViewerTag) at the window size, the back key enabled.
    static cocos2d::Scene* createScene();
    bool init() override;

    void setupObservers();
    void setupTools();
    // A missing or unreadable file leaves the screen without a viewer and without a message.
    void openFile(const std::string& path);
    void showMessagePanel(const std::string& text);

    void onButtonClick(cocos2d::Ref* sender);
    void onNotification(cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data);
    void onEnterTransitionDidFinish() override;
    void cleanup() override;

    const std::string& getFilePath() const { return filePath; }
    unsigned getActiveViewerId() const { return activeViewerId; }
    bool isFirstEnter() const { return firstEnter; }
    isImageSDK::isViewerMulti* getViewerMulti() const { return viewerMulti; }
    const std::list<isImageSDK::WindowLevelPreset>& getPresets() const { return presets; }
    bool onTouchBegan(cocos2d::Touch* touch, cocos2d::Event* event) override;

protected:
    favoriteViewPhone() = default;
    ~favoriteViewPhone() override;

private:
    std::list<isImageSDK::WindowLevelPreset> presets;
    bool firstEnter = true;
    // Not retained: a child of the viewer once a valid file was shown.
    isImageSDK::isViewerMulti* viewerMulti = nullptr;
    isImageSDK::appManager* region = nullptr;
    unsigned activeViewerId = 0;
    std::string filePath;
};
