#pragma once

#include <list>
#include <string>

#include "engine/base/Macros.h"
#include "imagesdk/data/WindowLevelPreset.h"
#include "toolkit/core/NSNotificationKey.h"
#include "toolkit/widgets/NSLayout.h"

namespace NSUI {
class NSNotificationData;
}

namespace isImageSDK {
class appManager;
class isViewerMulti;
}  // namespace isImageSDK

class toolDisk;

// The right-hand panel of the favourites screen: one favourite DICOM file with a vertical tool
// bar on its right edge. A file that is not a readable image shows a message instead. The
// window/level entries it opens answer under its own notification key only. Main thread only.
class favoriteView : public NSUI::NSLayout, public NSUI::NSNotificationKey {
public:
    static constexpr const char* kToolLayout = "2DFavoriteTool.csb";
    static constexpr const char* kMessageName = "favoriteMsg";
    static constexpr const char* kSelectFile = " Select a file from the list.";
    static constexpr const char* kNotValid = "Not Valid File";

    CREATE_FUNC(favoriteView);
    bool init() override;

    // After the owner has sized the panel: the observers and the tool bar.
    void setupTools();
    void openFile(const std::string& path);
    // An empty text hides the message; any call hides the image until a valid file shows.
    void showMessagePanel(const std::string& text);
    void showWindowLevelMenu(bool show);
    void showClutMenu(bool show);
    void showOpacityMenu(bool show);
    void hideDicomMenu();
    toolDisk* getToolDisk();
    void refreshWindowLevelPresets(int kind);

    void onButtonClick(cocos2d::Ref* sender);
    void onNotification(cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data);
    bool onTouchBegan(cocos2d::Touch* touch, cocos2d::Event* event) override;
    void cleanup() override;

    const std::string& getFilePath() const { return filePath; }
    isImageSDK::isViewerMulti* getViewerMulti() const { return viewerMulti; }
    isImageSDK::appManager* getRegion() const { return region; }
    const std::list<isImageSDK::WindowLevelPreset>& getPresets() const { return presets; }
    cocos2d::Node* getToolPanel() const { return toolPanel; }

    int toolBarWidth = 80;

protected:
    favoriteView() = default;
    ~favoriteView() override;

private:
    void showMenu(const char* name, bool show);
    void placeMenu(const char* name, cocos2d::Node* button, const cocos2d::Vec2& offset);
    void post(int key);
    void capture();

    std::list<isImageSDK::WindowLevelPreset> presets;
    // Not retained: a child of the panel once a valid file was shown.
    isImageSDK::isViewerMulti* viewerMulti = nullptr;
    isImageSDK::appManager* region = nullptr;
    cocos2d::Node* toolPanel = nullptr;
    std::string filePath;
};
