#include "online/login.h"

#include <algorithm>
#include <cmath>

#include "engine/2d/Label.h"
#include "engine/2d/Layer.h"
#include "engine/2d/Scene.h"
#include "engine/2d/Sprite.h"
#include "engine/base/Director.h"
#include "engine/renderer/Texture2D.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "engine/ui/ImageView.h"
#include "engine/ui/Text.h"
#include "online/loginScene.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/net/NSHttpClient.h"
#include "toolkit/widgets/NSResponseWindow.h"
#include "toolkit/widgets/NSTextField.h"
#include "toolkit/widgets/NSWebView.h"

using cocos2d::Node;
using cocos2d::Size;
using cocos2d::Vec2;
using cocos2d::ui::Button;

namespace {

const char kPanelName[] = "login_view";
const char kLayoutFile[] = "login.csb";
const char kAddedMark[] = "1";
const char kCodeButtonImage[] = "UIRes/blueBtn.png";
const char kFieldImage[] = "UIRes/login/field.png";
const cocos2d::Rect kButtonInsets(5, 5, 20, 20);
const cocos2d::Rect kFieldInsets(8, 8, 24, 24);
const float kMessageSeconds = 1.5f;
const float kNicknameFontSize = 24.0f;
const float kTitleBarHeight = 60.0f;
// The desktop panel's header (back button and heading) above the form's highest row, and the
// gap between them; the panel's height follows the shown form.
const float kHeaderHeight = 64.0f;
const float kHeaderGap = 20.0f;
const float kFieldFontSize = 18.0f;
// Raises the field's text, drawn on its box's bottom line, to the middle of its bar.
const float kFieldTextLift = 8.0f;
const float kSideActionHeight = 34.0f;
const float kSideActionWidth = 150.0f;
const float kCodeButtonWidth = 180.0f;
const float kCodeButtonGap = 10.0f;
const cocos2d::Color3B kFieldTextColour(228, 233, 238);
const cocos2d::Color3B kPlaceholderColour(146, 156, 168);
const cocos2d::Color4B kBackdropColour(0, 0, 0, 150);
const cocos2d::Color3B kLinkColour(63, 167, 214);

Button* buttonIn(Node* layout, const char* name) {
    return layout == nullptr ? nullptr : dynamic_cast<Button*>(layout->getChildByNameDeep(name));
}

Button* makeBlueButton(const std::string& title, float fontSize) {
    Button* button = Button::create(kCodeButtonImage, kCodeButtonImage, kCodeButtonImage);
    button->setScale9Enabled(true);
    button->setCapInsets(kButtonInsets);
    button->setUserString(kAddedMark);
    button->setPressedActionEnabled(true);
    button->setTitleText(title);
    button->setTitleColor(cocos2d::Color3B::WHITE);
    button->setTitleFontSize(fontSize);
    return button;
}

}  // namespace

login* login::show(Node* parent) {
    if (AppConfig::getInstance()->isPhone) {
        return loginScene::create();
    }
    return createWindow(parent);
}

login* login::createPanel() {
    auto* panel = new login();
    if (!panel->init()) {
        delete panel;
        return nullptr;
    }
    panel->autorelease();
    return panel;
}

login* login::createWindow(Node* parent) {
    NSUI::NSResponseWindow* window = NSUI::NSResponseWindow::create();
    login* panel = createPanel();
    if (panel == nullptr) {
        return nullptr;
    }
    const Size& win = cocos2d::Director::getInstance()->getWinSize();
    // Dims the screen below, so the form reads as the one thing that takes input.
    window->addChild(cocos2d::LayerColor::create(kBackdropColour, win.width, win.height), -1);
    panel->enableAndroidReturnKey();
    panel->bindButtons();
    window->addChild(panel);
    if (panel->layout != nullptr) {
        panel->layout->setAnchorPoint(Vec2(0.5f, 1.0f));
        panel->layout->setPosition(Vec2(win.width / 2.0f, win.height));
    }
    window->setAnchorPoint(Vec2(0.0f, 0.0f));
    window->setPosition(Vec2(0.0f, 0.0f));
    window->updateChildrenToHighZOrder();
    panel->layoutBackground();
    panel->isPhoneForm = false;
    if (parent != nullptr) {
        parent->addChild(window);
    }
    return panel;
}

login::~login() = default;

bool login::init() {
    if (!Node::init()) {
        return false;
    }
    NSUI::UIControlBase::owner = this;
    NSUI::UIHttpPhisical::owner = this;
    setName(kPanelName);
    if (Node* loaded = cocos2d::CSLoader::createNode(kLayoutFile, true)) {
        AppConfig::getInstance()->setWidgetText(loaded, "login.");
        layout = loaded;
        layout->setName(kLayoutFile);
        addChild(layout);
    }
    isPhoneForm = false;
    return true;
}

void login::cleanup() {
    Node::cleanup();
    // Also cleaned up while the director goes: a centre made then would be tied to a scheduler
    // about to be purged and would deliver nothing ever after.
    if (NSUI::NSNotificationCenter* centre = NSUI::NSNotificationCenter::getExistingInstance()) {
        centre->removeObserver(this);
    }
    NSUI::NSHttpClient::getInstance()->cancelRequestsOf(this);
}

void login::bindButtons() {
    if (layout == nullptr) {
        return;
    }
    AppConfig::getInstance()->setWidgetText(layout, "");
    for (const char* name : {"goBack", "change", "send", "login"}) {
        if (Button* button = buttonIn(layout, name)) {
            button->setPressedActionEnabled(true);
            button->addClickEventListener([this](cocos2d::Ref* sender) { onButtonClick(sender); });
        }
    }
}

void login::layoutBackground() {
    auto* background = layout == nullptr
                           ? nullptr
                           : dynamic_cast<cocos2d::Sprite*>(layout->getChildByNameDeep("bk"));
    if (background == nullptr || background->getTexture() == nullptr) {
        return;
    }
    const float height = layout->getContentSize().height;
    const float width = layout->getContentSize().width;
    cocos2d::Texture2D* texture = background->getTexture();
    const float tileWidth = static_cast<float>(texture->getPixelsWide());
    const float tileHeight = static_cast<float>(texture->getPixelsHigh());
    if (tileWidth <= 0.0f || tileHeight <= 0.0f) {
        return;
    }
    background->setScaleY(height / tileHeight);
    background->setAnchorPoint(Vec2(0.0f, 1.0f));
    background->setPosition(Vec2(0.0f, height));
    float covered = tileWidth;
    for (int tile = 1; covered < width; ++tile) {
        cocos2d::Sprite* sprite = cocos2d::Sprite::createWithTexture(texture);
        sprite->setAnchorPoint(Vec2(0.0f, 1.0f));
        sprite->setPosition(Vec2(tileWidth * static_cast<float>(tile), height));
        sprite->setScaleY(height / tileHeight);
        sprite->setFlippedX(tile % 2 == 1);
        const float overshoot = covered + tileWidth - width;
        if (overshoot > 0.0f) {
            sprite->setScaleX((tileWidth - overshoot) / tileWidth);
        }
        layout->addChild(sprite, background->getLocalZOrder());
        covered += tileWidth;
    }
    if (isLoggedIn()) {
        showAccountView();
    } else {
        showLoginForm();
    }
}

bool login::buildView(const Row* rows, int rowCount, bool showSend, const char* sendTitle,
                      int changeVisibility, const std::string& loginTitle) {
    Node* background = layout == nullptr ? nullptr : layout->getChildByNameDeep("bk");
    Button* mainButton = buttonIn(layout, "login");
    if (background == nullptr || mainButton == nullptr) {
        return false;
    }
    const int bkZ = background->getLocalZOrder();
    mainButton->setLocalZOrder(bkZ + 1);
    std::vector<Node*> added;
    for (Node* child : layout->getChildren()) {
        if (!child->getUserString().empty()) {
            added.push_back(child);
        }
    }
    for (Node* child : added) {
        child->removeFromParent();
    }

    int rowHeight = static_cast<int>(mainButton->getContentSize().height);
    if (AppConfig::getInstance()->isPhone) {
        rowHeight = static_cast<int>(static_cast<float>(rowHeight) * 1.3f);
    }
    const int fontSize =
        static_cast<int>(std::max(kFieldFontSize, mainButton->getTitleFontSize() - 18.0f));
    const float width = mainButton->getContentSize().width;
    const float left = mainButton->getPosition().x;
    const float y = mainButton->getPosition().y;
    const float r = static_cast<float>(rowHeight);

    for (int i = 0; i < rowCount; ++i) {
        const Row& row = rows[i];
        const float barWidth = row.codeButton ? width - kCodeButtonWidth - kCodeButtonGap : width;
        const float fieldWidth = barWidth - 40.0f;
        auto* bar = cocos2d::ui::ImageView::create(kFieldImage);
        if (bar != nullptr) {
            bar->setUserString(kAddedMark);
            bar->setScale9Enabled(true);
            bar->setCapInsets(kFieldInsets);
            bar->setContentSize(Size(barWidth, r - 10.0f));
            bar->setAnchorPoint(Vec2(0.0f, 0.0f));
            bar->setPosition(Vec2(left, r * static_cast<float>(i + 1) + y + 10.0f));
            layout->addChild(bar, bkZ);
        }
        NSUI::NSTextField* field =
            NSUI::NSTextField::createWithPlaceHolder(row.placeholder, Size(fieldWidth, r - 10.0f));
        if (field == nullptr) {
            continue;
        }
        field->setUserString(kAddedMark);
        field->setName(row.name);
        field->setAnchorPoint(Vec2(0.0f, 0.0f));
        field->setPosition(
            Vec2(left + 20.0f, r * static_cast<float>(i + 1) + y + 10.0f + kFieldTextLift));
        field->setFontSize(fontSize);
        field->setPlaceHolderFontSize(fontSize);
        field->setTextColor(kFieldTextColour);
        field->setPlaceHolderColor(kPlaceholderColour);
        field->passwordMode = row.masked;
        if (row.prefill != nullptr) {
            const std::string stored = getStringForKey(row.prefill, "");
            if (!stored.empty()) {
                field->setString(stored);
            }
        }
        layout->addChild(field, bkZ + 1);
        if (row.codeButton) {
            addCodeButton(mainButton, rowHeight, y);
        }
    }

    if (Button* send = buttonIn(layout, "send")) {
        send->setVisible(showSend);
        send->setLocalZOrder(mainButton->getLocalZOrder());
        if (sendTitle != nullptr) {
            send->setTitleText(sendTitle);
        }
    }
    if (Button* change = buttonIn(layout, "change")) {
        if (changeVisibility >= 0) {
            change->setVisible(changeVisibility == 1);
        }
        change->setLocalZOrder(mainButton->getLocalZOrder());
    }
    mainButton->setTitleText(loginTitle);
    // In its own scene the frame's title bar names the screen.
    if (Node* heading = layout->getChildByNameDeep("heading")) {
        heading->setVisible(!isPhoneForm);
    }
    if (!isPhoneForm) {
        float contentTop = y + r * static_cast<float>(rowCount + 1);
        if (Button* change = buttonIn(layout, "change"); change != nullptr && change->isVisible()) {
            contentTop = std::max(contentTop, change->getBoundingBox().getMaxY());
        }
        fitHeight(contentTop + kHeaderGap + kHeaderHeight);
    }
    return true;
}

void login::fitHeight(float height) {
    const float oldHeight = layout->getContentSize().height;
    const float shift = height - oldHeight;
    if (std::fabs(shift) < 0.5f) {
        return;
    }
    layout->setContentSize(Size(layout->getContentSize().width, height));
    auto* background = dynamic_cast<cocos2d::Sprite*>(layout->getChildByNameDeep("bk"));
    cocos2d::Texture2D* texture = background == nullptr ? nullptr : background->getTexture();
    for (Node* child : layout->getChildren()) {
        auto* tile = dynamic_cast<cocos2d::Sprite*>(child);
        if (tile != nullptr && texture != nullptr && tile->getTexture() == texture) {
            tile->setScaleY(height / static_cast<float>(texture->getPixelsHigh()));
            tile->setPositionY(height);
        } else if (child->getName() == "goBack" || child->getName() == "heading") {
            child->setPositionY(child->getPositionY() + shift);
        }
    }
    // Hosted in its window, the panel stays centred on the screen.
    if (dynamic_cast<NSUI::NSResponseWindow*>(getParent()) != nullptr &&
        layout->getAnchorPoint().y > 0.5f) {
        const Size& win = cocos2d::Director::getInstance()->getWinSize();
        layout->setPositionY((win.height + height) / 2.0f);
    }
}

void login::addCodeButton(Button* mainButton, int rowHeight, float y) {
    const float r = static_cast<float>(rowHeight);
    Button* code =
        makeBlueButton(getLanguageText("login.getCode"), 0.75f * mainButton->getTitleFontSize());
    code->setName("getCode");
    code->setContentSize(Size(kCodeButtonWidth, r - 10.0f));
    code->setAnchorPoint(Vec2(1.0f, 0.0f));
    code->setPosition(
        Vec2(mainButton->getPosition().x + mainButton->getContentSize().width, r + y + 10.0f));
    code->addClickEventListener([this](cocos2d::Ref* sender) { onButtonClick(sender); });
    Node* background = layout->getChildByNameDeep("bk");
    layout->addChild(code, background->getLocalZOrder() + 1);
}

void login::addNicknameDisplay() {
    const std::string nickname = getStringForKey("app_login_nickname", "");
    if (isPhoneForm) {
        Node* frame = getParent();
        auto* title = frame == nullptr
                          ? nullptr
                          : dynamic_cast<cocos2d::ui::Text*>(frame->getChildByNameDeep("title"));
        if (title != nullptr) {
            title->setString(nickname);
        }
        return;
    }
    auto* label = cocos2d::Label::createWithSystemFont(nickname, "", kNicknameFontSize);
    if (label == nullptr) {
        return;
    }
    label->setTextColor(cocos2d::Color4B::WHITE);
    label->setUserString(kAddedMark);
    label->setName("nickname");
    label->setAnchorPoint(Vec2(0.5f, 0.5f));
    label->setPosition(Vec2(layout->getContentSize().width / 2.0f,
                            layout->getContentSize().height - kHeaderHeight / 2.0f + 2.0f));
    // The name takes the heading's place.
    if (Node* heading = layout->getChildByNameDeep("heading")) {
        heading->setVisible(false);
    }
    layout->addChild(label, layout->getChildByNameDeep("bk")->getLocalZOrder() + 1);
}

void login::showLoginForm() {
    const Row rows[] = {
        {"password", "Password", true, "app_login_password", false},
        {"email", "Nickname or Email", false, "app_login_string", false},
    };
    const std::string sendTitle = getLanguageText("login.send");
    if (!buildView(rows, 2, true, sendTitle.c_str(), -1, getLanguageText("login.login"))) {
        return;
    }
    Button* mainButton = buttonIn(layout, "login");
    const float titleSize = mainButton->getTitleFontSize();
    Button* fresh = makeBlueButton(getLanguageText("login.new"), 0.75f * titleSize);
    fresh->setName("new");
    // The register action sits on the links' row under the main button, across from "send".
    const Button* send = buttonIn(layout, "send");
    const float linkY =
        send == nullptr ? kSideActionHeight / 2.0f : send->getBoundingBox().getMidY();
    fresh->setContentSize(Size(kSideActionWidth, kSideActionHeight));
    fresh->setAnchorPoint(Vec2(1.0f, 0.5f));
    fresh->setPosition(
        Vec2(mainButton->getPosition().x + mainButton->getContentSize().width, linkY));
    fresh->addClickEventListener([this](cocos2d::Ref* sender) { onButtonClick(sender); });
    layout->addChild(fresh, layout->getChildByNameDeep("bk")->getLocalZOrder() + 1);
    viewState = kLoginForm;
}

void login::showAccountView() {
    if (!buildView(nullptr, 0, false, nullptr, 1, getLanguageText("login.logout"))) {
        return;
    }
    Button* mainButton = buttonIn(layout, "login");
    Button* setMail = Button::create();
    setMail->setName("setMail");
    setMail->setUserString(kAddedMark);
    setMail->setPressedActionEnabled(true);
    setMail->setTitleText(getLanguageText("login_set_mail"));
    setMail->setTitleColor(kLinkColour);
    setMail->setTitleFontSize(0.75f * mainButton->getTitleFontSize());
    setMail->setAnchorPoint(Vec2(0.5f, 0.0f));
    setMail->setPosition(Vec2(layout->getContentSize().width / 2.0f, 10.0f));
    setMail->addClickEventListener([this](cocos2d::Ref* sender) { onButtonClick(sender); });
    layout->addChild(setMail, layout->getChildByNameDeep("bk")->getLocalZOrder() + 1);
    addNicknameDisplay();
    viewState = kAccountView;
}

void login::showChangePasswordForm() {
    const Row rows[] = {
        {"password2", "Confirm Password", true, nullptr, false},
        {"password1", "New Password", true, nullptr, false},
        {"old", "Old password", true, nullptr, false},
    };
    if (!buildView(rows, 3, false, nullptr, 0, getLanguageText("login.change"))) {
        return;
    }
    addNicknameDisplay();
    viewState = kChangePasswordForm;
}

void login::showRegisterForm() {
    const Row rows[] = {
        {"confirm", "Verify Code", false, nullptr, true},
        {"email", "Optional, email to protect your password", false, nullptr, false},
        {"password", "Password", true, nullptr, false},
        {"name", "Nickname", false, nullptr, false},
    };
    if (!buildView(rows, 4, true, "View the Privacy Policy here", 0,
                   getLanguageText("login.register"))) {
        return;
    }
    viewState = kRegisterForm;
}

void login::showSetMailForm() {
    const Row rows[] = {
        {"confirm", "Verify Code", false, nullptr, true},
        {"email", "Email to protect your password", false, nullptr, false},
    };
    if (!buildView(rows, 2, false, nullptr, 0, getLanguageText("login_setmail_btn"))) {
        return;
    }
    addNicknameDisplay();
    viewState = kSetMailForm;
}

void login::showHomeView() {
    if (isLoggedIn()) {
        showAccountView();
    } else {
        showLoginForm();
    }
}

bool login::isLoggedIn() {
    return getIntegerForKey("app_logined", 0) != 0;
}

void login::onButtonClick(cocos2d::Ref* sender) {
    auto* button = dynamic_cast<Button*>(sender);
    if (button == nullptr) {
        return;
    }
    const std::string& name = button->getName();
    if (name == "getCode") {
        requestCode();
    } else if (name == "goBack") {
        onResponseReturn();
    } else if (name == "setMail") {
        showSetMailForm();
    } else if (name == "new") {
        showRegisterForm();
    } else if (name == "change") {
        if (viewState == kAccountView) {
            showChangePasswordForm();
        }
    } else if (name == "login") {
        switch (viewState) {
        case kLoginForm:
            requestLogin();
            break;
        case kAccountView:
            logOutHere();
            break;
        case kChangePasswordForm:
            requestPasswordChange();
            break;
        case kRegisterForm:
            requestRegister();
            break;
        case kSetMailForm:
            requestSetMail();
            break;
        default:
            break;
        }
    } else if (name == "send") {
        if (viewState == kRegisterForm) {
            showPrivacyPage();
        } else {
            requestSendMail();
        }
    }
}

bool login::onResponseReturn() {
    if (viewState == kLoginForm || viewState == kAccountView) {
        close();
    } else {
        showHomeView();
    }
    return true;
}

void login::close() {
    if (isPhoneForm) {
        cocos2d::Director::getInstance()->popScene(1);
        return;
    }
    Node* parent = getParent();
    if (dynamic_cast<NSUI::NSResponseWindow*>(parent) != nullptr) {
        parent->removeFromParent();
    } else {
        removeFromParent();
    }
}

std::string login::fieldText(const char* name, bool trimmed) const {
    auto* field = layout == nullptr
                      ? nullptr
                      : dynamic_cast<NSUI::NSTextField*>(layout->getChildByName(name));
    std::string text = field == nullptr ? "" : field->getString();
    if (trimmed) {
        NSUI::trim(text);
    }
    return text;
}

void login::message(const std::string& keyOrText, bool translate) {
    lastMessage = keyOrText;
    const std::string text = translate ? getLanguageTextByKey(keyOrText) : keyOrText;
    showMessage(text.empty() ? keyOrText : text, kMessageSeconds);
}

void login::showPrivacyPage() {
    Node* frame = cocos2d::CSLoader::createNode("bkScene.csb", true);
    if (frame == nullptr) {
        return;
    }
    auto* scene = cocos2d::Scene::create();
    const Size& win = cocos2d::Director::getInstance()->getWinSize();
    frame->setContentSize(win);
    cocos2d::ui::Helper::doLayout(frame);
    AppConfig::getInstance()->setWidgetText(frame, "");
    if (auto* title = dynamic_cast<cocos2d::ui::Text*>(frame->getChildByNameDeep("title"))) {
        title->setString("Privacy Policy");
    }
    if (Button* back = buttonIn(frame, "goBack")) {
        back->addClickEventListener(
            [](cocos2d::Ref*) { cocos2d::Director::getInstance()->popScene(0); });
    }
    if (NSUI::NSWebView* page = NSUI::NSWebView::create()) {
        page->setContentSize(Size(win.width, win.height - kTitleBarHeight));
        page->loadURL(getServerBaseUrl() + "/en/privacypolicy.html");
        page->setVisible(true);
        frame->addChild(page);
    }
    scene->addChild(frame);
    cocos2d::Director::getInstance()->pushScene(scene);
}
