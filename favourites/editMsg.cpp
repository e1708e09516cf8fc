#include "favourites/editMsg.h"

#include <cmath>

#include "engine/2d/Scene.h"
#include "engine/2d/Sprite.h"
#include "engine/base/Director.h"
#include "engine/platform/Application.h"
#include "engine/platform/FileUtils.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/EditBox.h"
#include "engine/ui/Helper.h"
#include "studydb/StudyNotifications.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/NSLanguage.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"

using cocos2d::Vec2;
using cocos2d::ui::Button;

namespace {

const char* const kTextBoxImage = "imgs/transparent.png";
const cocos2d::Color3B kTextColour(228, 233, 238);
const int kTextFontSize = 15;
const float kAnimationInterval = 0.03f;
const char* const kAnimationKey = "editMsg::updateRecordAnimation";
const float kStartFailedSeconds = 5.0f;
const float kNoMicrophoneSeconds = 1.5f;
const int kLastFrame = 14;

Button* buttonNamed(cocos2d::Node* root, const char* name) {
    return root != nullptr ? dynamic_cast<Button*>(root->getChildByNameDeep(name)) : nullptr;
}

}  // namespace

editMsg::~editMsg() {
    if (textBox != nullptr) {
        textBox->setDelegate(nullptr);
    }
}

bool editMsg::init() {
    if (!NSUI::NSLayout::init()) {
        return false;
    }
    textBox = nullptr;
    return true;
}

void editMsg::setupLayout() {
    cocos2d::Node* root = cocos2d::CSLoader::createNode(kLayoutFile);
    if (root == nullptr) {
        return;
    }
    layoutRoot = root;
    barSize = getContentSize();
    root->setContentSize(barSize);
    AppConfig::getInstance()->setWidgetText(root, "");
    if (auto* widget = dynamic_cast<cocos2d::ui::Widget*>(root)) {
        cocos2d::ui::Helper::doLayout(widget);
    }
    addChild(root);

    const bool phone = AppConfig::getInstance()->isPhone;
    const auto click = [this](cocos2d::Ref* sender) { onButtonClick(sender); };
    for (const char* name : {"btnVoice", "btnTxt", "btnGo"}) {
        if (Button* button = buttonNamed(root, name)) {
            button->setPressedActionEnabled(true);
            button->addClickEventListener(click);
            button->setVisible(std::string(name) != "btnTxt");
            if (phone) {
                button->setScale(barSize.height / button->getContentSize().height);
            }
        }
    }
    if (Button* speak = buttonNamed(root, "btnTouchSpeak")) {
        speak->setPressedActionEnabled(true);
        speak->setVisible(false);
        speak->addTouchEventListener(
            [this](cocos2d::Ref* sender, cocos2d::ui::Widget::TouchEventType type) {
                onTouchSpeak(sender, type);
            });
        speak->setTitleText(NSUI::getLocalizedString("chat_recordvoice_prompt"));
        if (phone) {
            speak->setContentSize(cocos2d::Size(barSize.width - 200.0f, barSize.height - 30.0f));
            speak->setTitleFontSize(barSize.height * 0.4f);
        }
    }
    Button* go = buttonNamed(root, "btnGo");
    if (go == nullptr || go->getParent() == nullptr) {
        return;
    }
    const cocos2d::Size boxSize(190.0f, barSize.height - 20.0f);
    textBox = cocos2d::ui::EditBox::create(boxSize, kTextBoxImage);
    if (textBox == nullptr) {
        return;
    }
    textBox->setContentSize(boxSize);
    textBox->setFontColor(kTextColour);
    textBox->setFontSize(kTextFontSize);
    textBox->setPosition(Vec2(55.0f, 10.0f));
    textBox->setAnchorPoint(Vec2::ZERO);
    textBox->setDelegate(this);
    go->getParent()->addChild(textBox, go->getLocalZOrder() + 1000);
}

void editMsg::onButtonClick(cocos2d::Ref* sender) {
    auto* button = dynamic_cast<Button*>(sender);
    if (button == nullptr) {
        return;
    }
    const std::string& name = button->getName();
    if (name == "btnGo") {
        sendText();
        return;
    }
    if (name != "btnVoice" && name != "btnTxt") {
        return;
    }
    const bool voice = name == "btnVoice";
    const auto show = [this](const char* widget, bool visible) {
        if (cocos2d::Node* node =
                layoutRoot != nullptr ? layoutRoot->getChildByNameDeep(widget) : nullptr) {
            node->setVisible(visible);
        }
    };
    show("btnTouchSpeak", voice);
    if (textBox != nullptr) {
        textBox->setVisible(!voice);
    }
    show("btnVoice", !voice);
    show("btnTxt", voice);
    show("imgTxtBK", !voice);
}

void editMsg::editBoxReturn(cocos2d::ui::EditBox* /*editBox*/) {
    sendText();
}

void editMsg::sendText() {
    if (textBox == nullptr) {
        return;
    }
    const std::string text = textBox->getText();
    if (text.empty()) {
        return;
    }
    textBox->setText("");
    auto* data = NSUI::NSNotificationData::create();
    data->stringValue = text;
    NSUI::NSNotificationCenter::getInstance()->postNotification(
        this, studydb::NOTIFY_FAVORITE_TEXT_NOTE, data, nullptr, true);
}

cocos2d::ApplicationProtocol* editMsg::recorder() const {
    return application != nullptr ? application : cocos2d::Application::getInstance();
}

cocos2d::Node* editMsg::overlayParent() {
    return getScene();
}

void editMsg::onTouchSpeak(cocos2d::Ref* /*sender*/, cocos2d::ui::Widget::TouchEventType type) {
    switch (type) {
    case cocos2d::ui::Widget::TouchEventType::BEGAN:
        beginRecording();
        return;
    case cocos2d::ui::Widget::TouchEventType::MOVED:
        return;
    case cocos2d::ui::Widget::TouchEventType::ENDED:
    case cocos2d::ui::Widget::TouchEventType::CANCELED:
        endRecording();
        return;
    }
}

void editMsg::beginRecording() {
    auto* files = cocos2d::FileUtils::getInstance();
    voicePath = files->getWritablePath() + kVoiceFolder;
    if (!files->isDirectoryExist(voicePath)) {
        files->createDirectory(voicePath);
    }
    voicePath += NSUI::getTimestampString() + ".aac";
    cocos2d::ApplicationProtocol* host = recorder();
    if (host == nullptr || !host->startAudioRecord(voicePath)) {
        voicePath.clear();
        showMessage(kStartFailed, kStartFailedSeconds);
        return;
    }
    schedule([this](float dt) { updateRecordAnimation(dt); }, kAnimationInterval, kAnimationKey);
    recordStart = clock();
    cocos2d::Node* scene = overlayParent();
    if (scene == nullptr) {
        return;
    }
    auto* overlay = dynamic_cast<cocos2d::Sprite*>(scene->getChildByTag(kOverlayTag));
    if (overlay == nullptr) {
        overlay = cocos2d::Sprite::create();
        const cocos2d::Size& window = cocos2d::Director::getInstance()->getWinSize();
        overlay->setAnchorPoint(Vec2(0.5f, 0.5f));
        overlay->setPosition(Vec2(window.width / 2.0f, window.height / 2.0f));
        scene->addChild(overlay, kOverlayTag, kOverlayTag);
    }
    overlay->setTexture(recordFrame(0.0f));
}

void editMsg::endRecording() {
    if (cocos2d::ApplicationProtocol* host = recorder()) {
        host->stopAudioRecord();
    }
    unschedule(kAnimationKey);
    if (cocos2d::Node* scene = overlayParent()) {
        if (cocos2d::Node* overlay = scene->getChildByTag(kOverlayTag)) {
            overlay->removeFromParent();
        }
    }
    if (voicePath.empty()) {
        return;
    }
    auto* files = cocos2d::FileUtils::getInstance();
    const long size = files->getFileSize(voicePath);
    const long long seconds = clock().seconds - recordStart.seconds;
    if (size < 1 || seconds < 1) {
        files->removeFile(voicePath);
        showMessage(kNoMicrophone, kNoMicrophoneSeconds);
    } else {
        auto* data = NSUI::NSNotificationData::create();
        data->stringValue = voicePath.substr(files->getWritablePath().size());
        data->intValue = static_cast<int>(seconds);
        NSUI::NSNotificationCenter::getInstance()->postNotification(
            this, studydb::NOTIFY_FAVORITE_VOICE_NOTE, data, nullptr, true);
    }
    voicePath.clear();
}

std::string editMsg::recordFrame(float volume) {
    const double level = static_cast<double>(volume) * 1.4;
    int n = static_cast<int>(static_cast<float>(level) * 10.0f);
    n = std::max(0, std::min(kLastFrame, n));
    char name[64];
    std::snprintf(name, sizeof(name), "res/chat/record_animate_%02d.png", n);
    return name;
}

void editMsg::updateRecordAnimation(float /*dt*/) {
    cocos2d::Node* scene = overlayParent();
    auto* overlay = scene != nullptr
                        ? dynamic_cast<cocos2d::Sprite*>(scene->getChildByTag(kOverlayTag))
                        : nullptr;
    cocos2d::ApplicationProtocol* host = recorder();
    if (overlay == nullptr || host == nullptr) {
        return;
    }
    overlay->setTexture(recordFrame(host->getAudioVolume()));
}

void editMsg::cleanup() {
    NSUI::NSLayout::cleanup();
    // A recording still running ends with the bar.
    if (!voicePath.empty()) {
        if (cocos2d::ApplicationProtocol* host = recorder()) {
            host->stopAudioRecord();
        }
        cocos2d::FileUtils::getInstance()->removeFile(voicePath);
        voicePath.clear();
    }
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
}
