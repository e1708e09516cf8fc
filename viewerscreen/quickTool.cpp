#include "viewerscreen/quickTool.h"

#include <string>

#include "engine/ui/Button.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "studydb/StudyNotifications.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/widgets/UIControlBase.h"

namespace {

struct StripButton {
    const char* name;
    const char* image;
    bool onVolume;     // present in the VR and MIP set
    int imageOffset;   // x from the first button, image viewers
    int volumeOffset;  // x from the first button, VR and MIP viewers
};

// In creation order.
const StripButton kStripButtons[] = {
    {"max", "res/fullscreen.png", true, 0, 0},
    {"favorite", "res/favoriteBlue.png", false, 60, 0},
    {"capture", "res/cameraBlue.png", true, 30, 30},
    {"reformat", "res/reformat.png", false, 90, 0},
    {"info", "res/dcmInfoBlue.png", true, 120, 60},
    {"link", "res/link.png", true, 150, 90},
};

const char* const kMaximise = "res/fullscreen.png";
const char* const kRestore = "res/fullscreen_exit.png";
const char* const kLinked = "res/link.png";
const char* const kUnlinked = "res/unlink.png";
const char* const kReformatMessage = "Reformating as a new DICOM series";
constexpr float kReformatMessageSeconds = 5.0f;

// The row's width from its first button's left edge to the viewer's right edge.
constexpr float kImageRowWidth = 180.0f;
constexpr float kVolumeRowWidth = 120.0f;
constexpr float kEdgeGap = 5.0f;
constexpr int kButtonZOrder = 500;
constexpr float kButtonScale = 0.5f;

void setAllTextures(cocos2d::ui::Button* button, const char* image) {
    button->loadTextures(image, image, image);
}

}  // namespace

quickTool::~quickTool() {
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
    buttons.clear();
}

bool quickTool::init() {
    if (!cocos2d::Node::init()) {
        return false;
    }
    kind = kKindNone;
    viewId = 0;
    viewGroup = nullptr;
    NSUI::NSNotificationCenter* centre = NSUI::NSNotificationCenter::getInstance();
    centre->addObserver(
        this, nullptr,
        [this](cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data) {
            onStateChanged(sender, key, data);
        },
        isImageSDK::NOTIFY_QUICK_TOOL_STATE);
    centre->addObserver(
        this, nullptr,
        [this](cocos2d::Ref*, unsigned, NSUI::NSNotificationData* data) { onViewerRemoved(data); },
        isImageSDK::NOTIFY_VIEWER_REMOVED);
    return true;
}

void quickTool::cleanup() {
    cocos2d::Node::cleanup();
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
}

void quickTool::buildButtons(int newKind) {
    if (newKind == kind) {
        return;
    }
    for (cocos2d::ui::Button* button : buttons) {
        button->removeFromParentAndCleanup(true);
    }
    buttons.clear();
    kind = newKind;
    for (const StripButton& entry : kStripButtons) {
        if (kind == kKindVolume && !entry.onVolume) {
            continue;
        }
        cocos2d::ui::Button* button = cocos2d::ui::Button::create(entry.image, "", "");
        if (button == nullptr) {
            continue;
        }
        addChild(button);
        button->setAnchorPoint(cocos2d::Vec2::ZERO);
        buttons.push_back(button);
        button->setName(entry.name);
        button->setLocalZOrder(kButtonZOrder);
        button->setScale(kButtonScale);
        button->addClickEventListener([this](cocos2d::Ref* sender) { onClick(sender); });
    }
}

void quickTool::attachToView(cocos2d::Node* view, bool linked) {
    if (view == nullptr) {
        return;
    }
    viewId = view->getRefID();
    viewGroup = view;
    setContentSize(view->getContentSize());
    setAnchorPoint(cocos2d::Vec2::ZERO);
    const cocos2d::Mat4 toWorld = view->getNodeToWorldTransform();
    setPosition(cocos2d::Vec2(toWorld.m[12], toWorld.m[13] + kEdgeGap));

    const float rowWidth = kind == kKindVolume ? kVolumeRowWidth : kImageRowWidth;
    const int x0 = static_cast<int>(view->getContentSize().width - rowWidth - kEdgeGap);
    for (const StripButton& entry : kStripButtons) {
        if (cocos2d::Node* button = getChildByName(entry.name)) {
            const int offset = kind == kKindVolume ? entry.volumeOffset : entry.imageOffset;
            button->setPosition(cocos2d::Vec2(static_cast<float>(x0 + offset), 0.0f));
        }
    }
    if (auto* link = dynamic_cast<cocos2d::ui::Button*>(getChildByName("link"))) {
        link->setUserString(linked ? "1" : "0");
        setAllTextures(link, linked ? kLinked : kUnlinked);
    }
    setVisible(true);
}

void quickTool::clearView() {
    viewId = 0;
    viewGroup = nullptr;
    setVisible(false);
}

void quickTool::onViewerRemoved(NSUI::NSNotificationData* data) {
    if (data != nullptr && viewId != 0 && data->intValue2 == static_cast<int>(viewId)) {
        clearView();
    }
}

void quickTool::onClick(cocos2d::Ref* sender) {
    auto* button = dynamic_cast<cocos2d::ui::Button*>(sender);
    if (button == nullptr) {
        return;
    }
    // Receivers compare the id in the data's 32-bit slot with their own.
    const int refId = static_cast<int>(viewId);
    const std::string& name = button->getName();
    NSUI::NSNotificationCenter* centre = NSUI::NSNotificationCenter::getInstance();
    NSUI::NSNotificationData* data = NSUI::NSNotificationData::create();
    data->setNotificationKey(key, nullptr);
    if (name == "link") {
        const bool linked = button->getUserString() != "1";
        button->setUserString(linked ? "1" : "0");
        setAllTextures(button, linked ? kLinked : kUnlinked);
        data->intValue = linked ? 1 : 0;
        data->intValue2 = refId;
        centre->postNotification(nullptr, isImageSDK::NOTIFY_QUICK_LINK, data, nullptr, true);
    } else if (name == "info") {
        centre->postNotification(nullptr, studydb::NOTIFY_DICOM_MENU_OPEN, data, nullptr, true);
    } else if (name == "favorite") {
        data->intValue2 = refId;
        centre->postNotification(nullptr, isImageSDK::NOTIFY_QUICK_FAVORITE, data, nullptr, true);
    } else if (name == "capture") {
        centre->postNotification(nullptr, studydb::NOTIFY_QUICK_CAPTURE, data, nullptr, true);
    } else if (name == "max") {
        std::string rect;
        NSUI::UIJson::setString(rect, "x", NSUI::formatString("%.6f", regionRect.origin.x));
        NSUI::UIJson::setString(rect, "y", NSUI::formatString("%.6f", regionRect.origin.y));
        NSUI::UIJson::setString(rect, "w", NSUI::formatString("%.6f", regionRect.size.width));
        NSUI::UIJson::setString(rect, "h", NSUI::formatString("%.6f", regionRect.size.height));
        data->stringValue = rect;
        data->intValue2 = refId;
        data->setNotificationKey(key, group);
        centre->postNotification(nullptr, isImageSDK::NOTIFY_QUICK_MAXIMIZE, data, nullptr, true);
    } else if (name == "reformat" && viewGroup != nullptr) {
        // Without a view there is no slice to save and no one to announce it to.
        centre->postNotification(nullptr, isImageSDK::NOTIFY_QUICK_REFORMAT, data, viewGroup,
                                 false);
        showMessageBox(kReformatMessage, kReformatMessageSeconds);
    }
}

void quickTool::onStateChanged(cocos2d::Ref*, unsigned notifyKey, NSUI::NSNotificationData* data) {
    if (notifyKey != static_cast<unsigned>(isImageSDK::NOTIFY_QUICK_TOOL_STATE) ||
        data == nullptr || data->key != key) {
        return;
    }
    if (auto* max = dynamic_cast<cocos2d::ui::Button*>(getChildByName("max"))) {
        setAllTextures(max, data->intValue > 0 ? kRestore : kMaximise);
    }
}
