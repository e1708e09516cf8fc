#include "imagesdk/render/isNodeOverlayText.h"

#include <cstdio>
#include <cstdlib>

#include "engine/ui/Layout.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"

namespace isImageSDK {

namespace {

bool isObservedKey(unsigned id) {
    switch (id) {
    case NOTIFY_PICK_VALUE:
    case NOTIFY_WWWL_TEXT:
    case NOTIFY_SLICE_POSITION:
    case NOTIFY_ORIENT_LABEL:
    case NOTIFY_OVERLAY_SLICE:
    case NOTIFY_OVERLAY_LINE_9093:
    case NOTIFY_OVERLAY_LOAD_PERCENT:
        return true;
    default:
        return false;
    }
}

std::string format(const char* pattern, double a) {
    char text[64];
    std::snprintf(text, sizeof(text), pattern, a);
    return text;
}

}  // namespace

bool isNodeOverlayText::init() {
    if (!NSUI::NSText::init()) {
        return false;
    }
    owner = this;
    overlayKind = kText;
    value.clear();
    prefix.clear();
    suffix.clear();
    touch = 0;
    overlayId = NOTIFY_OVERLAY_FIXED_LABEL;
    setTextVerticalAlignment(cocos2d::TextVAlignment::TOP);
    enableShadow(cocos2d::Color4B::BLACK, cocos2d::Size(1.0f, -1.0f), 0);
    return true;
}

void isNodeOverlayText::cleanup() {
    reset();
    NSUI::NSText::cleanup();
}

void isNodeOverlayText::reset() {
    touch = 0;
    setTouchEnabled(false);
    value.clear();
    prefix.clear();
    suffix.clear();
    // Also the cleanup of a text taken out while the program ends: no centre, nothing observed.
    if (NSUI::NSNotificationCenter* centre = NSUI::NSNotificationCenter::getExistingInstance()) {
        centre->removeObserver(this);
    }
}

void isNodeOverlayText::bindNotification(const std::string& value, const std::string& prefix,
                                         const std::string& suffix, unsigned id, bool touch) {
    reset();
    this->prefix = prefix;
    this->suffix = suffix;
    this->value = value;
    this->touch = touch ? 1 : 0;
    overlayId = id;
    if (isObservedKey(id)) {
        NSUI::NSNotificationCenter::getInstance()->addObserver(
            this, group,
            [this](cocos2d::Ref*, unsigned key, NSUI::NSNotificationData* data) {
                onNotification(key, data);
            },
            static_cast<int>(id));
    }
    if (touch) {
        setTouchEnabled(true);
        if (group != nullptr) {
            setGlobalZOrder(group->getGlobalZOrder() + 1.0f);
        }
    }
    showText(prefix + value + suffix);
}

void isNodeOverlayText::setValue(const std::string& value) {
    showText(prefix + value + suffix);
}

void isNodeOverlayText::showText(const std::string& text) {
    setString(text);
    if (auto* layout = dynamic_cast<cocos2d::ui::Layout*>(getParent())) {
        layout->requestDoLayout();
    }
}

void isNodeOverlayText::onNotification(unsigned key, NSUI::NSNotificationData* data) {
    const std::string json = data != nullptr ? data->stringValue : std::string();
    const float number = data != nullptr ? data->floatValue : 0.0f;
    switch (key) {
    case NOTIFY_PICK_VALUE: {
        char text[128];
        std::snprintf(text, sizeof(text), "x:%.1f,y:%.1f,z:%.1f ",
                      std::atof(NSUI::UIJson::getString(json, "x").c_str()),
                      std::atof(NSUI::UIJson::getString(json, "y").c_str()),
                      std::atof(NSUI::UIJson::getString(json, "z").c_str()));
        showText(prefix + text + suffix);
        break;
    }
    case NOTIFY_WWWL_TEXT:
        showText(prefix + NSUI::UIJson::getString(json, "ww") + " " +
                 NSUI::UIJson::getString(json, "wl") + " " + suffix);
        break;
    case NOTIFY_SLICE_POSITION: {
        const std::string index = NSUI::UIJson::getString(json, "index");
        const std::string count = NSUI::UIJson::getString(json, "count");
        if (std::atoi(index.c_str()) < 0 && std::atoi(count.c_str()) < 1) {
            setVisible(false);
            break;
        }
        setVisible(true);
        showText(prefix + index + "/" + count + " " + suffix);
        break;
    }
    case NOTIFY_ORIENT_LABEL:
    case NOTIFY_OVERLAY_SLICE:
        showText(prefix + json);
        break;
    case NOTIFY_OVERLAY_LINE_9093:
        showText(prefix + format("%.2f", number));
        break;
    case NOTIFY_OVERLAY_LOAD_PERCENT:
        // Hidden for good once complete: a window showing another series makes its texts anew.
        if (number > 0.999f) {
            setVisible(false);
            showText("");
        } else {
            showText(format("(%.0f%%)", number * 100.0) + " ");
        }
        break;
    default:
        break;
    }
}

bool isNodeOverlayText::onTouchBegan(cocos2d::Touch* touch, cocos2d::Event* event) {
    const bool began = NSUI::NSText::onTouchBegan(touch, event);
    if (began && overlayId == NOTIFY_WWWL_TEXT) {
        NSUI::NSNotificationCenter::getInstance()->postNotification(this, NOTIFY_EDIT_WW_OPEN,
                                                                    nullptr, group, true);
    }
    return began;
}

}  // namespace isImageSDK
