#include "viewerscreen/toolDisk.h"

#include <cmath>

#include "engine/2d/ActionEase.h"
#include "engine/2d/ActionInstant.h"
#include "engine/2d/ActionInterval.h"
#include "engine/base/Director.h"
#include "engine/base/Touch.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSNotificationCenter.h"

namespace {

// What a button of a page does.
enum class Effect {
    Post,           // posts its key, with its text when it has one
    OpenPage,       // opens another page and keeps the disk open
    EditWindow,     // hides the disk at once and asks for the window/level entry
    DefaultWindow,  // the image's own window, then the viewers leave window/level by mouse
};

struct DiskButton {
    int page;
    const char* name;
    Effect effect;
    int key;  // the posted key, or the page opened
    const char* text;
    bool nextPass;
};

// In hit order within each page. The preset page's buttons are the presets themselves.
const DiskButton kButtons[] = {
    {toolDisk::kPageWindowLevel, "ClutList", Effect::OpenPage, toolDisk::kPageClut, "", false},
    {toolDisk::kPageWindowLevel, "Input", Effect::EditWindow, isImageSDK::NOTIFY_EDIT_WW_OPEN, "",
     false},
    {toolDisk::kPageWindowLevel, "Default", Effect::DefaultWindow, isImageSDK::NOTIFY_WW_DEFAULT,
     "", false},
    {toolDisk::kPageWindowLevel, "WL_WW", Effect::OpenPage, toolDisk::kPagePreset, "", false},
    {toolDisk::kPageWindowLevel, "Opacity", Effect::OpenPage, toolDisk::kPageOpacity, "", false},
    {toolDisk::kPageWindowLevel, "ByTouch", Effect::Post, isImageSDK::NOTIFY_WW_BY_MOUSE, "", true},
    {toolDisk::kPageOpacity, "Linear", Effect::Post, isImageSDK::NOTIFY_OPACITY_LINEAR, "", true},
    {toolDisk::kPageOpacity, "Log10", Effect::Post, isImageSDK::NOTIFY_OPACITY_LOG10, "", true},
    {toolDisk::kPageOpacity, "Log10Inverse", Effect::Post, isImageSDK::NOTIFY_OPACITY_LOG10_INVERSE,
     "", true},
    {toolDisk::kPageClut, "bwInverse", Effect::Post, isImageSDK::NOTIFY_CLUT_SET, "bwInverse.plist",
     true},
    {toolDisk::kPageClut, "hotMetal", Effect::Post, isImageSDK::NOTIFY_CLUT_SET, "HotMetal.plist",
     true},
    {toolDisk::kPageClut, "geColor", Effect::Post, isImageSDK::NOTIFY_CLUT_SET, "GEcolor.plist",
     true},
    {toolDisk::kPageClut, "perfusion", Effect::Post, isImageSDK::NOTIFY_CLUT_SET, "Perfusion.plist",
     true},
    {toolDisk::kPageClut, "noClut", Effect::Post, isImageSDK::NOTIFY_CLUT_SET, "noClut.plist",
     true},
    {toolDisk::kPageLayout, "win1x1", Effect::Post, isImageSDK::NOTIFY_GRID_1X1, "", false},
    {toolDisk::kPageLayout, "win1x2", Effect::Post, isImageSDK::NOTIFY_GRID_1X2, "", false},
    {toolDisk::kPageLayout, "win2x1", Effect::Post, isImageSDK::NOTIFY_GRID_2X1, "", false},
    {toolDisk::kPageLayout, "win2x2", Effect::Post, isImageSDK::NOTIFY_GRID_2X2, "", false},
    {toolDisk::kPageROI, "angle", Effect::Post, isImageSDK::NOTIFY_ROI_ANGLE, "", true},
    {toolDisk::kPageROI, "cross", Effect::Post, isImageSDK::NOTIFY_ROI_POINT, "", true},
    {toolDisk::kPageROI, "polygon", Effect::Post, isImageSDK::NOTIFY_ROI_POLYGON, "", true},
    {toolDisk::kPageROI, "circle", Effect::Post, isImageSDK::NOTIFY_ROI_CIRCLE, "", true},
    {toolDisk::kPageROI, "line", Effect::Post, isImageSDK::NOTIFY_ROI_LINE, "", true},
    {toolDisk::kPageROI, "label", Effect::Post, isImageSDK::NOTIFY_ROI_LABEL, "", true},
    {toolDisk::kPageROI, "select", Effect::Post, isImageSDK::NOTIFY_ROI_SELECT, "", true},
};

constexpr float kFontSize = 18.0f;
constexpr float kPhoneFontSize = 36.0f;
// Half the side of the square around the window centre that leads back to the first page.
constexpr float kReturnArea = 60.0f;
constexpr float kShowSeconds = 0.3f;
constexpr float kShowStartScale = 0.1f;
constexpr float kHideSeconds = 0.5f;
constexpr float kHideEndScale = 0.01f;
constexpr float kHideTurnDegrees = 360.0f;
constexpr float kGlobalZOrder = 1000.0f;
constexpr int kFaceZOrder = -100;

bool strictlyInside(const cocos2d::Node* node, const cocos2d::Vec2& worldPoint) {
    const cocos2d::Vec2 local = node->convertToNodeSpace(worldPoint);
    const cocos2d::Size& size = node->getContentSize();
    return local.x > 0.0f && local.x < size.width && local.y > 0.0f && local.y < size.height;
}

}  // namespace

toolDisk::~toolDisk() {
    presets.clear();
}

bool toolDisk::init() {
    if (!cocos2d::Layer::init()) {
        return false;
    }
    labelFontSize = AppConfig::getInstance()->isPhone ? kPhoneFontSize : kFontSize;
    pageMode = kPageNone;
    target = nullptr;
    cocos2d::Node* face = cocos2d::CSLoader::createNode("toolDisk.csb");
    if (face == nullptr) {
        return true;
    }
    const cocos2d::Size window = cocos2d::Director::getInstance()->getWinSize();
    face->setAnchorPoint(cocos2d::Vec2(0.5f, 0.5f));
    face->setPosition(cocos2d::Vec2(window.width * 0.5f, window.height * 0.5f));
    cocos2d::ui::Helper::doLayout(face);
    AppConfig::getInstance()->setWidgetText(face, "");
    addChild(face, kFaceZOrder);
    showWindowLevelPage();
    setTouchEnabled(true);
    setTouchMode(cocos2d::Touch::DispatchMode::ONE_BY_ONE);
    setSwallowsTouches(true);
    setGlobalZOrder(kGlobalZOrder);
    return true;
}

void toolDisk::cleanup() {
    cocos2d::Layer::cleanup();
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
}

bool toolDisk::onTouchBegan(cocos2d::Touch* touch, cocos2d::Event*) {
    if (!isVisible()) {
        return false;
    }
    const cocos2d::Node* page = getChildByNameDeep("toolDiskDetail");
    return page != nullptr && strictlyInside(page, touch->getLocation());
}

void toolDisk::onTouchEnded(cocos2d::Touch* touch, cocos2d::Event*) {
    if (pageMode == kPageNone) {
        return;
    }
    const std::string hit = hitButton(touch);
    if (!hit.empty()) {
        if (runCommand(hit)) {
            hide();
        }
        return;
    }
    if (pageMode == kPageClut || pageMode == kPagePreset || pageMode == kPageOpacity) {
        const cocos2d::Vec2 local = convertToNodeSpace(touch->getLocation());
        const cocos2d::Size& size = getContentSize();
        if (std::fabs(local.x - size.width * 0.5f) < kReturnArea &&
            std::fabs(local.y - size.height * 0.5f) < kReturnArea) {
            showWindowLevelPage();
        }
    }
}

std::string toolDisk::hitButton(cocos2d::Touch* touch) const {
    std::vector<std::string> candidates;
    if (pageMode == kPagePreset) {
        for (const isImageSDK::WindowLevelPreset& preset : presets) {
            candidates.push_back(preset.name);
        }
    } else {
        for (const DiskButton& button : kButtons) {
            if (button.page == pageMode) {
                candidates.push_back(button.name);
            }
        }
    }
    for (const std::string& name : candidates) {
        const cocos2d::Node* button = getChildByNameDeep(name);
        if (button != nullptr && strictlyInside(button, touch->getLocation())) {
            return name;
        }
    }
    return "";
}

bool toolDisk::runCommand(const std::string& name) {
    if (pageMode == kPagePreset) {
        for (const isImageSDK::WindowLevelPreset& preset : presets) {
            if (preset.name == name) {
                std::string window;
                setFloat(window, "ww", preset.width);
                setFloat(window, "wl", preset.level);
                postText(isImageSDK::NOTIFY_WW_PRESET, window, true);
                post(isImageSDK::NOTIFY_VIEW_CMD_9035, false);
                return true;
            }
        }
        return false;
    }
    for (const DiskButton& button : kButtons) {
        if (button.page != pageMode || name != button.name) {
            continue;
        }
        switch (button.effect) {
        case Effect::Post:
            if (*button.text != '\0') {
                postText(button.key, button.text, button.nextPass);
            } else {
                post(button.key, button.nextPass);
            }
            return true;
        case Effect::OpenPage:
            if (button.key == kPageClut) {
                showClutPage();
            } else if (button.key == kPagePreset) {
                showPresetPage();
            } else {
                showOpacityPage();
            }
            return false;
        case Effect::EditWindow:
            stopAllActions();
            setVisible(false);
            post(button.key, false);
            return true;
        case Effect::DefaultWindow:
            post(button.key, false);
            post(isImageSDK::NOTIFY_VIEW_CMD_9035, false);
            return true;
        }
    }
    return false;
}

void toolDisk::post(int key, bool nextPass) {
    NSUI::NSNotificationCenter::getInstance()->postNotification(this, key, nullptr, target,
                                                                nextPass);
}

void toolDisk::postText(int key, const std::string& text, bool nextPass) {
    NSUI::NSNotificationCenter::getInstance()->postString(this, key, text, target, nextPass);
}

void toolDisk::show() {
    if (isVisible()) {
        return;
    }
    stopAllActions();
    setPosition(cocos2d::Vec2::ZERO);
    setRotation(0.0f);
    setScale(kShowStartScale);
    setVisible(true);
    runAction(cocos2d::EaseCubicActionOut::create(
        cocos2d::Spawn::create(cocos2d::ScaleTo::create(kShowSeconds, 1.0f))));
}

void toolDisk::hide() {
    if (!isVisible()) {
        return;
    }
    // A scale-in still running would fight the closing animation.
    stopAllActions();
    setScale(1.0f);
    const float bottom = -cocos2d::Director::getInstance()->getWinSize().height * 0.5f;
    runAction(cocos2d::Sequence::create(
        cocos2d::EaseCubicActionIn::create(cocos2d::Spawn::create(
            cocos2d::ScaleTo::create(kHideSeconds, kHideEndScale),
            cocos2d::RotateBy::create(kHideSeconds, kHideTurnDegrees),
            cocos2d::MoveTo::create(kHideSeconds, cocos2d::Vec2(0.0f, bottom)))),
        cocos2d::CallFunc::create([this] { setVisible(false); })));
}

void toolDisk::addWindowLevelPreset(const std::string& name, float width, float level) {
    isImageSDK::WindowLevelPreset preset;
    preset.name = name;
    preset.width = width;
    preset.level = level;
    presets.push_back(preset);
}

void toolDisk::clearWindowLevelPresets() {
    presets.clear();
}
