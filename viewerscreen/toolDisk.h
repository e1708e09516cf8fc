#pragma once

#include <string>
#include <vector>

#include "engine/2d/Layer.h"
#include "engine/base/Macros.h"
#include "imagesdk/data/WindowLevelPreset.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/core/UILocalConfig.h"

namespace isImageSDK {
class isViewerMulti;
}

// The radial tool disk: a window-sized overlay showing one ring of buttons (a page) at a time.
// A touch on a button becomes a viewer command posted with the target multi-viewer as the group,
// then the disk closes with an animation. It claims only touches strictly inside the open page;
// the screen below takes the rest and closes it. Main thread only.
class toolDisk : public cocos2d::Layer, public NSUI::UIJson, public NSUI::UILocalConfig {
public:
    // Which page is open.
    enum PageMode {
        kPageNone = 0,
        kPageWindowLevel = 1,
        kPageClut = 4,
        kPageLayout = 6,
        kPageROI = 7,
        kPagePreset = 9,
        kPageOpacity = 10,
    };

    CREATE_FUNC(toolDisk);

    void cleanup() override;
    bool init() override;
    bool onTouchBegan(cocos2d::Touch* touch, cocos2d::Event* event) override;
    void onTouchEnded(cocos2d::Touch* touch, cocos2d::Event* event) override;

    // Scales in from the centre; nothing while visible (also while the closing animation runs).
    void show();
    // Spins away to the bottom and turns invisible; nothing while invisible.
    void hide();
    // Appends a copy to the presets the preset page offers.
    void addWindowLevelPreset(const std::string& name, float width, float level);
    // Empties the presets; the opener does so when its own list changes.
    void clearWindowLevelPresets();

    // Page loaders; each does nothing while its own page is open.
    void showWindowLevelPage();
    void showPresetPage();
    void showOpacityPage();
    void showLayoutPage();
    void showROIPage();
    void showClutPage();
    // Places the buttons on the ring of the open page, counter-clockwise in list order.
    void arrangeOnRing(const std::vector<cocos2d::Node*>& buttons);

    int getPageMode() const { return pageMode; }
    const std::vector<isImageSDK::WindowLevelPreset>& getPresets() const { return presets; }

    // The group of every post; written by the opener each time it fetches the disk.
    isImageSDK::isViewerMulti* target = nullptr;

protected:
    toolDisk() = default;
    ~toolDisk() override;

private:
    // Builds the page of `mode` from `layoutFile`: labels it makes (captioned from the language
    // table, or with the names themselves) or the file's own widgets, then the ring and the arrow.
    void showPage(int mode, const std::string& layoutFile, const std::vector<std::string>& names,
                  bool madeLabels, bool languageTexts, bool returnArrow);
    // The name of the first candidate button strictly under the touch; empty when none.
    std::string hitButton(cocos2d::Touch* touch) const;
    // Turns a hit into its posts; false when the name opened another page or is unknown.
    bool runCommand(const std::string& name);
    void post(int key, bool nextPass);
    void postText(int key, const std::string& text, bool nextPass);

    std::vector<isImageSDK::WindowLevelPreset> presets;
    int pageMode = kPageNone;
    float labelFontSize = 18.0f;
};
