#include "viewerscreen/editWW.h"

#include <cstdlib>

#include "engine/base/Director.h"
#include "engine/base/RefPtr.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/widgets/NSResponseWindow.h"
#include "toolkit/widgets/NSTitleFrame.h"

namespace {

struct FieldRow {
    const char* label;        // the layout's label widget the field sits beside
    const char* field;        // the field's name
    const char* placeholder;  // language key
};

const FieldRow kRows[] = {
    {"editWW_window", "editWW", "editWWPrompt"},
    {"editWW_level", "editWL", "editWLPrompt"},
    {"editWW_min", "editMin", "editMinPrompt"},
    {"editWW_max", "editMax", "editMaxPrompt"},
};

const char* const kLayoutFile = "editWW.csb";
const char* const kEntryName = "editWW_view";
constexpr int kSceneLayoutTag = 100;
constexpr int kBackZOrder = 1001;
constexpr int kFontSize = 25;
constexpr int kGap = 22;
constexpr int kPhoneMetric = 30;
constexpr float kFieldWidth = 300.0f;
constexpr float kFieldTouchWidth = 500.0f;
constexpr float kFieldTouchHeight = 60.0f;
constexpr int kMaxCharacters = 10;
const cocos2d::Color3B kFieldTextColor(22, 22, 22);
constexpr float kMessageSeconds = 1.5f;
// Digits in the field's edit, four decimals at most, without trailing zeros.
constexpr int kEditDecimals = 4;

}  // namespace

editWW::~editWW() {
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
}

bool editWW::init() {
    if (!cocos2d::Node::init()) {
        return false;
    }
    owner = this;
    setName(kEntryName);
    layout = cocos2d::CSLoader::createNode(kLayoutFile);
    if (layout != nullptr) {
        layout->setName(kLayoutFile);
        addChild(layout);
    }
    return true;
}

void editWW::cleanup() {
    cocos2d::Node::cleanup();
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
}

void editWW::buildFields() {
    if (layout == nullptr) {
        return;
    }
    AppConfig* config = AppConfig::getInstance();
    config->setWidgetText(layout, "");
    if (auto* back = dynamic_cast<cocos2d::ui::Button*>(getChildByNameDeep("btn_back"))) {
        back->setLocalZOrder(kBackZOrder);
        back->addClickEventListener([this](cocos2d::Ref* sender) { onBackClicked(sender); });
    }
    const int fontSize = config->isPhone ? kPhoneMetric : kFontSize;
    const int gap = config->isPhone ? kPhoneMetric : kGap;
    for (const FieldRow& row : kRows) {
        cocos2d::Node* label = getChildByNameDeep(row.label);
        if (label == nullptr) {
            continue;
        }
        NSUI::NSTextField* field =
            createTextField(config->getText(row.placeholder), cocos2d::Vec2::ZERO, fontSize,
                            cocos2d::Vec2(0.0f, 0.5f));
        if (field == nullptr) {
            continue;
        }
        layout->addChild(field);
        const cocos2d::Vec2 at = label->getPosition();
        field->setPosition(cocos2d::Vec2(at.x + static_cast<float>(gap), at.y - 3.0f));
        field->setContentSize(cocos2d::Size(kFieldWidth, static_cast<float>(fontSize + 4)));
        field->touchRect = cocos2d::Rect(0.0f, 0.0f, kFieldTouchWidth, kFieldTouchHeight);
        field->setPlaceHolderFontSize(gap);
        field->setTextColor(kFieldTextColor);
        field->limitLength = true;
        field->maxLength = kMaxCharacters;
        field->inputMode = NSUI::NSTextField::SIGNED_DECIMAL;
        field->setName(row.field);
        field->setEventCallback([this](cocos2d::Ref* sender, NSUI::NSTextField::EventType event) {
            onTextEvent(sender, event);
        });
    }
}

NSUI::NSResponseWindow* editWW::createWindow() {
    NSUI::NSResponseWindow* window = NSUI::NSResponseWindow::create();
    editWW* entry = editWW::create();
    if (window == nullptr || entry == nullptr) {
        return window;
    }
    entry->enableAndroidReturnKey();
    entry->buildFields();
    window->addChild(entry);
    const cocos2d::Size size = cocos2d::Director::getInstance()->getWinSize();
    if (entry->layout != nullptr) {
        entry->layout->setAnchorPoint(cocos2d::Vec2(0.5f, 1.0f));
        entry->layout->setPosition(cocos2d::Vec2(size.width * 0.5f, size.height));
    }
    window->setAnchorPoint(cocos2d::Vec2::ZERO);
    window->setPosition(cocos2d::Vec2::ZERO);
    window->updateChildrenToHighZOrder();
    return window;
}

NSUI::NSTextField* editWW::getField(const std::string& name) const {
    return layout != nullptr ? dynamic_cast<NSUI::NSTextField*>(layout->getChildByName(name))
                             : nullptr;
}

float editWW::readField(const char* name) const {
    const NSUI::NSTextField* field = getField(name);
    return field != nullptr ? static_cast<float>(std::atof(field->getString().c_str())) : 0.0f;
}

bool editWW::holdsNumber(const char* name) const {
    const NSUI::NSTextField* field = getField(name);
    if (field == nullptr) {
        return false;
    }
    const std::string text = field->getString();
    char* end = nullptr;
    std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0';
}

void editWW::setValueRange(float lowest, float highest) {
    rangeLowest = lowest;
    rangeHighest = highest;
}

void editWW::writeField(const char* name, const std::string& text) {
    if (NSUI::NSTextField* field = getField(name)) {
        field->setString(text);
    }
}

void editWW::setValues(float width, float level) {
    const double w = width;
    const double l = level;
    writeField("editWW", NSUI::formatString("%.0f", w));
    writeField("editWL", NSUI::formatString("%.0f", l));
    writeField("editMin", NSUI::formatString("%.0f", l - w * 0.5));
    writeField("editMax", NSUI::formatString("%.0f", l + w * 0.5));
}

void editWW::onTextEvent(cocos2d::Ref* sender, NSUI::NSTextField::EventType event) {
    auto* field = dynamic_cast<NSUI::NSTextField*>(sender);
    if (field == nullptr ||
        (event != NSUI::NSTextField::INSERT_TEXT && event != NSUI::NSTextField::DELETE_BACKWARD)) {
        return;
    }
    const float width = readField("editWW");
    const float level = readField("editWL");
    const float lowest = readField("editMin");
    const float highest = readField("editMax");
    const std::string& name = field->getName();
    if (name == "editWW" || name == "editWL") {
        if (width > 0.0f) {
            writeField("editMin", NSUI::formatFloat(level - width * 0.5f, kEditDecimals));
            writeField("editMax", NSUI::formatFloat(level + width * 0.5f, kEditDecimals));
        }
    } else if (name == "editMin" || name == "editMax") {
        if (lowest < highest) {
            writeField("editWW", NSUI::formatFloat(highest - lowest, kEditDecimals));
            writeField("editWL",
                       NSUI::formatFloat((highest - lowest) * 0.5f + lowest, kEditDecimals));
        }
    }
}

bool editWW::apply() {
    const float width = readField("editWW");
    const float level = readField("editWL");
    const float lowest = readField("editMin");
    const float highest = readField("editMax");
    // Wider than twice the value range or centred outside it, the window shows a flat image.
    const bool outside = static_cast<double>(width) > 2.0 * (rangeHighest - rangeLowest) ||
                         static_cast<double>(level) < rangeLowest ||
                         static_cast<double>(level) > rangeHighest;
    if (!holdsNumber("editWW") || !holdsNumber("editWL") || width <= 0.0f || outside) {
        showMessage(getLanguageText("editWWError"), kMessageSeconds);
        return false;
    }
    if (lowest > highest) {
        showMessage(getLanguageText("editMinMaxError"), kMessageSeconds);
        return false;
    }
    std::string window;
    setString(window, "ww", NSUI::formatString("%.6f", static_cast<double>(width)));
    setString(window, "wl", NSUI::formatString("%.6f", static_cast<double>(level)));
    NSUI::NSNotificationData* data = NSUI::NSNotificationData::create();
    data->stringValue = window;
    data->setNotificationKey(key, nullptr);
    NSUI::NSNotificationCenter::getInstance()->postNotification(this, isImageSDK::NOTIFY_WW_APPLY,
                                                                data, nullptr, false);
    return true;
}

bool editWW::onResponseReturn() {
    if (!apply()) {
        return true;
    }
    // Closing may release the last references to the entry while this call still runs.
    const auto keep = cocos2d::RefPtr<editWW>::retained(this);
    if (auto* window = dynamic_cast<NSUI::NSResponseWindow*>(getParent())) {
        window->removeFromParent();
    } else {
        removeFromParent();
    }
    return true;
}

void editWW::onBackClicked(cocos2d::Ref* sender) {
    auto* button = dynamic_cast<cocos2d::ui::Button*>(sender);
    if (button != nullptr && button->getName() == "btn_back") {
        onResponseReturn();
    }
}

editWWScene* editWWScene::create() {
    auto* scene = new (std::nothrow) editWWScene();
    if (scene == nullptr || !scene->init()) {
        delete scene;
        return nullptr;
    }
    scene->autorelease();
    scene->enableAndroidReturnKey();
    cocos2d::Node* frame =
        NSUI::addTitleFrame(scene, AppConfig::getInstance()->getText("editWW_title"),
                            [scene] { scene->onResponseReturn(); });
    if (frame == nullptr) {
        return scene;
    }
    frame->setTag(kSceneLayoutTag);
    editWW* entry = editWW::create();
    if (entry == nullptr) {
        return scene;
    }
    frame->addChild(entry);
    NSUI::placeBelowTitleBar(entry);
    if (entry->getLayout() != nullptr) {
        entry->getLayout()->setContentSize(entry->getContentSize());
    }
    cocos2d::ui::Helper::doLayout(entry);
    entry->buildFields();
    return scene;
}

bool editWWScene::onResponseReturn() {
    cocos2d::Node* frame = getChildByTag(kSceneLayoutTag);
    auto* entry =
        frame != nullptr ? dynamic_cast<editWW*>(frame->getChildByNameDeep(kEntryName)) : nullptr;
    if (entry != nullptr && entry->apply()) {
        cocos2d::Director::getInstance()->popScene();
    }
    return true;
}
