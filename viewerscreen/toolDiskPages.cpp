// The pages of the tool disk: one node over the window centre whose buttons sit on a ring.
#include <cmath>

#include "engine/2d/ActionInterval.h"
#include "engine/2d/Label.h"
#include "engine/2d/Sprite.h"
#include "engine/base/Director.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/TextRoutines.h"
#include "viewerscreen/toolDisk.h"

namespace {

const char* const kPageName = "toolDiskDetail";
const char* const kLabelPage = "toolImage.csb";
// Language keys of the made labels are this prefix and the button name.
const char* const kLabelKeyPrefix = "tool_ww_";
const char* const kReturnPicture = "imgs/return.png";

constexpr double kFullTurn = 6.2831852;
constexpr float kQuarterTurn = 1.5707963f;
constexpr float kRadius = 110.0f;
constexpr float kPhoneRadius = 150.0f;
// The return arrow sits on the middle of the page artwork and pulses between two scales.
const cocos2d::Vec2 kReturnPosition(155.0f, 155.0f);
const cocos2d::Vec2 kPhoneReturnPosition(233.0f, 233.0f);
constexpr float kReturnScale = 0.5f;
constexpr float kPhoneReturnScale = 1.0f;
constexpr float kPulseSeconds = 0.5f;

}  // namespace

void toolDisk::showWindowLevelPage() {
    showPage(kPageWindowLevel, kLabelPage,
             {"Input", "Default", "WL_WW", "ByTouch", "Opacity", "ClutList"}, true, true, false);
}

void toolDisk::showPresetPage() {
    std::vector<std::string> names;
    for (const isImageSDK::WindowLevelPreset& preset : presets) {
        names.push_back(preset.name);
    }
    showPage(kPagePreset, kLabelPage, names, true, false, true);
}

void toolDisk::showOpacityPage() {
    showPage(kPageOpacity, kLabelPage, {"Linear", "Log10", "Log10Inverse"}, true, true, true);
}

void toolDisk::showClutPage() {
    showPage(kPageClut, "toolImageClut.csb",
             {"bwInverse", "hotMetal", "geColor", "perfusion", "noClut"}, false, false, true);
}

void toolDisk::showLayoutPage() {
    showPage(kPageLayout, "tooLayout.csb", {"win1x1", "win1x2", "win2x1", "win2x2"}, false, false,
             false);
}

void toolDisk::showROIPage() {
    showPage(kPageROI, "toolROI.csb",
             {"angle", "cross", "polygon", "circle", "line", "label", "select"}, false, false,
             false);
}

void toolDisk::showPage(int mode, const std::string& layoutFile,
                        const std::vector<std::string>& names, bool madeLabels, bool languageTexts,
                        bool returnArrow) {
    if (pageMode == mode) {
        return;
    }
    if (cocos2d::Node* old = getChildByName(kPageName)) {
        old->removeFromParentAndCleanup(true);
    }
    cocos2d::Node* page = cocos2d::CSLoader::createNode(layoutFile);
    if (page == nullptr) {
        return;
    }
    pageMode = mode;
    const cocos2d::Size window = cocos2d::Director::getInstance()->getWinSize();
    AppConfig* config = AppConfig::getInstance();
    page->setAnchorPoint(cocos2d::Vec2(0.5f, 0.5f));
    page->setPosition(cocos2d::Vec2(window.width * 0.5f, window.height * 0.5f));
    cocos2d::ui::Helper::doLayout(page);
    config->setWidgetText(page, "");
    page->setName(kPageName);
    addChild(page);

    std::vector<cocos2d::Node*> buttons;
    if (madeLabels) {
        page->removeAllChildren();
        for (const std::string& name : names) {
            std::string text = name;
            if (languageTexts) {
                text = config->getText(kLabelKeyPrefix + name);
                NSUI::replaceAll(text, " ", "\n");
            }
            cocos2d::Label* label =
                cocos2d::Label::createWithSystemFont(text, "", labelFontSize, cocos2d::Size::ZERO);
            label->setTextColor(cocos2d::Color4B::WHITE);
            label->setHorizontalAlignment(cocos2d::TextHAlignment::CENTER);
            label->setName(name);
            page->addChild(label);
            buttons.push_back(label);
        }
    } else {
        for (const std::string& name : names) {
            if (cocos2d::Node* widget = getChildByNameDeep(name)) {
                buttons.push_back(widget);
            }
        }
    }
    arrangeOnRing(buttons);

    if (returnArrow) {
        cocos2d::Sprite* arrow = cocos2d::Sprite::create(kReturnPicture);
        if (arrow != nullptr) {
            const bool phone = config->isPhone;
            arrow->setAnchorPoint(cocos2d::Vec2(0.5f, 0.5f));
            arrow->setPosition(phone ? kPhoneReturnPosition : kReturnPosition);
            arrow->setScale(phone ? kPhoneReturnScale : kReturnScale);
            arrow->setFlippedX(true);
            page->addChild(arrow);
            arrow->runAction(cocos2d::RepeatForever::create(
                cocos2d::Sequence::create(cocos2d::ScaleTo::create(kPulseSeconds, 1.0f),
                                          cocos2d::ScaleTo::create(kPulseSeconds, kReturnScale))));
        }
    }
}

void toolDisk::arrangeOnRing(const std::vector<cocos2d::Node*>& buttons) {
    cocos2d::Node* page = getChildByNameDeep(kPageName);
    const int n = static_cast<int>(buttons.size());
    if (page == nullptr || n <= 0) {
        return;
    }
    const float step = n > 1 ? static_cast<float>(kFullTurn / n) : 0.0f;
    float angle = (n >= 3 && n <= 5) ? kQuarterTurn : 0.0f;
    const float radius = AppConfig::getInstance()->isPhone ? kPhoneRadius : kRadius;
    const cocos2d::Size& size = page->getContentSize();
    const float cx = size.width * 0.5f;
    const float cy = size.height * 0.5f;
    for (cocos2d::Node* button : buttons) {
        button->setPosition(
            cocos2d::Vec2(std::cos(angle) * radius + cx, std::sin(angle) * radius + cy));
        angle += step;
    }
}
