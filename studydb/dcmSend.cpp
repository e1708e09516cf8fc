#include "studydb/dcmSend.h"

#include <vector>

#include "engine/2d/Layer.h"
#include "engine/2d/Sprite.h"
#include "engine/base/Director.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "engine/ui/Text.h"
#include "engine/ui/TextField.h"
#include "studydb/LocalNetwork.h"
#include "studydb/RecentlySeen.h"
#include "studydb/StudyNotifications.h"
#include "studydb/dataService.h"
#include "studydb/dcmTask.h"
#include "studydb/dicomDB.h"
#include "studydb/sniffer.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/widgets/FittedText.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSResponseWindow.h"
#include "toolkit/widgets/NSTextField.h"

using cocos2d::Color3B;
using cocos2d::Node;
using cocos2d::Ref;
using cocos2d::Size;
using cocos2d::Vec2;
using cocos2d::ui::Button;

namespace {

const char* const kLayoutFile = "dcmNode.csb";
const char* const kHelpName = "helpbk";
const float kPhoneNodeTableHeight = 670.0f;
const float kPhoneExtraPanelHeight = 60.0f;
// The send bar at the bottom of the screen; the panels sit on it.
const float kSendBarHeight = 60.0f;
const float kHelpScale = 0.7f;
const int kTableZOrder = 100;
const int kHelpZOrder = 101;
const int kBackZOrder = 200;
// Statistics events: the screen opened and left.
const int kStatOpened = 9;
const int kStatLeft = 10;
const Color3B kTabChosen(255, 165, 0);
const Color3B kTabOther(21, 170, 254);
const Color3B kTitleFieldColour(191, 191, 191);
const cocos2d::Color4B kBackdrop(0, 0, 0, 150);

dcmSend::StatisticRecorder& statisticRecorder() {
    static dcmSend::StatisticRecorder recorder;
    return recorder;
}

bool isPhone() {
    return AppConfig::getInstance()->isPhone;
}

// The first adapter address, or empty.
std::string ownAddress() {
    std::string host;
    std::string addresses;
    studydb::LocalNetwork::getNetworkInfo(host, addresses);
    return addresses.substr(0, addresses.find(','));
}

void setText(Node* root, const std::string& name, const std::string& text) {
    if (auto* label = dynamic_cast<cocos2d::ui::Text*>(root->getChildByNameDeep(name))) {
        label->setString(text);
    }
}

}  // namespace

void dcmSend::setStatisticRecorder(const StatisticRecorder& recorder) {
    statisticRecorder() = recorder;
}

void dcmSend::recordStatistic(int event) {
    if (statisticRecorder()) {
        statisticRecorder()(event, "");
    }
}

// --- forms ---

NSUI::NSResponseWindow* dcmSend::createWindow() {
    NSUI::NSResponseWindow* window = NSUI::NSResponseWindow::create();
    dcmSend* screen = create();
    if (window == nullptr || screen == nullptr) {
        return window;
    }
    screen->setupPanels();
    const Size size = window->getContentSize();
    screen->setAnchorPoint(Vec2(0.5f, 1.0f));
    screen->setPosition(Vec2(size.width / 2.0f, size.height));
    window->setAnchorPoint(Vec2::ZERO);
    window->setPosition(Vec2::ZERO);
    // The screen below stays visible but dimmed, so the pop-up reads as the one in charge.
    if (auto* dim = cocos2d::LayerColor::create(kBackdrop, size.width, size.height)) {
        window->addChild(dim);
    }
    window->addChild(screen, window->getLocalZOrder());
    return window;
}

cocos2d::Scene* dcmSend::createScene() {
    dcmSendScene* scene = dcmSendScene::create();
    if (scene == nullptr) {
        return nullptr;
    }
    scene->enableAndroidReturnKey(true);
    const Size window = cocos2d::Director::getInstance()->getWinSize();
    if (Node* frame = cocos2d::CSLoader::createNode("bkScene.csb", true)) {
        frame->setContentSize(window);
        cocos2d::ui::Helper::doLayout(frame);
        AppConfig::getInstance()->setWidgetText(frame, "");
        scene->addChild(frame);
        if (auto* back = dynamic_cast<Button*>(frame->getChildByNameDeep("goBack"))) {
            back->setLocalZOrder(kBackZOrder);
            back->addClickEventListener([](Ref*) { cocos2d::Director::getInstance()->popScene(); });
        }
        if (Node* title = frame->getChildByNameDeep("title")) {
            title->setVisible(false);
        }
    }
    dcmSend* screen = create();
    if (screen == nullptr) {
        return scene;
    }
    screen->setContentSize(window);
    screen->setAnchorPoint(Vec2::ZERO);
    screen->setPosition(Vec2::ZERO);
    if (screen->layout != nullptr) {
        screen->layout->setContentSize(window);
        cocos2d::ui::Helper::doLayout(screen->layout);
    }
    screen->setupPanels();
    scene->addChild(screen);
    return scene;
}

bool dcmSendScene::onResponseReturn() {
    cocos2d::Director::getInstance()->popScene();
    return true;
}

// --- life cycle ---

dcmSend::~dcmSend() {
    // A screen that never entered the scene was never cleaned up.
    if (auto* centre = NSUI::NSNotificationCenter::getExistingInstance()) {
        centre->removeObserver(this);
    }
}

bool dcmSend::init() {
    if (!Node::init()) {
        return false;
    }
    NSUI::UIControlBase::owner = this;
    recordStatistic(kStatOpened);
    restartCount = kRestartIdle;
    firstEntry = true;
    sendPath.clear();
    sendLabel.clear();
    setName("dcmSend");
    layout = cocos2d::CSLoader::createNode(kLayoutFile);
    if (layout != nullptr) {
        AppConfig::getInstance()->setWidgetText(layout, "");
        cocos2d::ui::Helper::doLayout(layout);
        layout->setAnchorPoint(Vec2::ZERO);
        layout->setName(kLayoutFile);
        addChild(layout);
        setContentSize(layout->getContentSize());
    }
    return true;
}

void dcmSend::setupPanels() {
    if (layout == nullptr) {
        return;
    }
    setupReceivePanel();
    setupSendPanel();
    setupFields();
    setupSendingPanel();
    bindButtons();
    observe();
    selectPanel(kPanelSend);
}

// The panels fill the screen below its title and tab bars.
namespace {

Node* loadPanel(Node* screen, const std::string& file, float extraHeight) {
    Node* panel = cocos2d::CSLoader::createNode(file);
    if (panel == nullptr) {
        return nullptr;
    }
    panel->setContentSize(
        Size(screen->getContentSize().width, panel->getContentSize().height + extraHeight));
    cocos2d::ui::Helper::doLayout(panel);
    AppConfig::getInstance()->setWidgetText(panel, "");
    panel->setAnchorPoint(Vec2::ZERO);
    panel->setPosition(Vec2(0.0f, kSendBarHeight));
    screen->addChild(panel);
    return panel;
}

}  // namespace

void dcmSend::setupReceivePanel() {
    receivePanel = loadPanel(this, "dcmNodeUIReceive.csb", 0.0f);
    if (receivePanel == nullptr) {
        return;
    }
    receivePanel->setVisible(false);
    for (const auto& pair : {std::make_pair("dcmTxtIP", "dcmTxtIPTitle"),
                             std::make_pair("dcmTxtPort", "dcmTxtPortTitle"),
                             std::make_pair("dcmTxtTitle", "dcmTxtTitleTitle")}) {
        Node* value = receivePanel->getChildByNameDeep(pair.first);
        Node* title = receivePanel->getChildByNameDeep(pair.second);
        if (value != nullptr && title != nullptr) {
            value->setPositionX(title->getPositionX() + 10.0f);
        }
    }
    const std::string address = ownAddress();
    if (address.empty() || address == "0.0.0.0") {
        setText(receivePanel, "dcmTxtIP",
                AppConfig::getInstance()->getTextOrKey("Check Wifi Status"));
        setText(receivePanel, "dcmTxtPort", "");
    } else {
        setText(receivePanel, "dcmTxtIP", address);
        setText(receivePanel, "dcmTxtPort", dicomDB::getNodePort());
    }
    setText(receivePanel, "dcmTxtTitle", dicomDB::getNodeTitle());
    showNodeState();
}

void dcmSend::showNodeState() {
    auto* line =
        receivePanel != nullptr
            ? dynamic_cast<cocos2d::ui::Text*>(receivePanel->getChildByNameDeep("dcmTxtState"))
            : nullptr;
    dicomDB* database = dataService::getInstance()->getDatabase();
    if (line == nullptr || database == nullptr) {
        return;
    }
    AppConfig* config = AppConfig::getInstance();
    if (database->getServer().isRunning()) {
        line->setString(config->getTextOrKey("Running"));
        line->setTextColor(cocos2d::Color4B(120, 200, 120, 255));
        return;
    }
    const std::string reason = database->getServer().getStartError();
    line->setString(
        reason.empty()
            ? config->getTextOrKey("Not running")
            : NSUI::formatString(config->getTextOrKey("The DICOM node is not running: %s").c_str(),
                                 reason.c_str()));
    line->setTextColor(cocos2d::Color4B(230, 90, 90, 255));
}

void dcmSend::setupSendPanel() {
    sendPanel = loadPanel(this, "dcmNodeUISend.csb", isPhone() ? kPhoneExtraPanelHeight : 0.0f);
    if (sendPanel == nullptr) {
        return;
    }
    sendPanel->setVisible(true);
    nodeTable = NSUI::NSListView::create();
    nodeTable->setDelegate(this);
    nodeTable->setContentSize(
        Size(getContentSize().width, isPhone() ? kPhoneNodeTableHeight : kNodeTableHeight));
    nodeTable->setAnchorPoint(Vec2::ZERO);
    nodeTable->setPosition(Vec2::ZERO);
    nodeTable->keepSelection = true;
    highlightEnabled = true;
    highlightColor = cocos2d::Color4B(63, 167, 214, 70);
    sendPanel->addChild(nodeTable, kTableZOrder);

    std::vector<neighborInfo> neighbours;
    if (dicomDB* database = dataService::getInstance()->getDatabase()) {
        database->getNeighbors(neighbours);
    }
    ssize_t recent = recentRow;
    for (const neighborInfo& neighbour : neighbours) {
        dcmNodeObject* node = dcmNodeObject::create();
        node->id = neighbour.id;
        node->device = neighbour.device;
        node->lastTime = neighbour.lastTime;
        node->wifi = neighbour.wifi;
        node->saveType = neighbour.saveType;
        node->ip = neighbour.ip;
        node->port = neighbour.port;
        node->name = neighbour.name;
        node->appid = neighbour.appid;
        if (studydb::isRecentlySeen(node->wifi)) {
            nodeTable->items.insert(recent++, node);
        } else {
            nodeTable->items.pushBack(node);
        }
    }
    nodeTable->reloadData();
}

NSUI::NSTextField* dcmSend::replaceField(const std::string& name, int inputMode) {
    Node* placeholder = sendPanel->getChildByNameDeep(name);
    if (placeholder == nullptr) {
        return nullptr;
    }
    int fontSize = 22;
    std::string hint;
    if (auto* templateField = dynamic_cast<cocos2d::ui::TextField*>(placeholder)) {
        fontSize = static_cast<int>(templateField->getFontSize());
        hint = templateField->getPlaceHolder();
    }
    NSUI::NSTextField* field = NSUI::NSTextField::create(placeholder->getContentSize());
    if (field == nullptr) {
        return nullptr;
    }
    field->setPosition(placeholder->getPosition());
    field->setAnchorPoint(placeholder->getAnchorPoint());
    field->setLocalZOrder(placeholder->getLocalZOrder());
    field->cursorImage = "UIRes/cursor.png";
    field->inputMode = inputMode;
    field->setTextColor(Color3B(228, 233, 238));
    field->setFontSize(fontSize);
    field->setPlaceHolderFontSize(fontSize);
    field->setPlaceHolderColor(Color3B(110, 120, 132));
    if (!hint.empty()) {
        field->setPlaceHolder(AppConfig::getInstance()->getTextOrKey(hint));
    }
    field->setBackgroundImages("editnormal.png", "editfocus.png");
    field->showEditBackground();
    field->setSwallowTouches();
    field->setName(name);
    placeholder->getParent()->addChild(field);
    placeholder->removeFromParent();
    return field;
}

void dcmSend::setupFields() {
    if (sendPanel == nullptr) {
        return;
    }
    ipField = replaceField("editIP", NSUI::NSTextField::DOTTED_NUMBER);
    portField = replaceField("editPort", NSUI::NSTextField::DIGITS);
    titleField = replaceField("editTitle", NSUI::NSTextField::ANY_TEXT);
    if (ipField != nullptr) {
        const std::string own = ownAddress();
        if (!own.empty() && own.find('.') != std::string::npos) {
            ipField->setString(own.substr(0, own.rfind('.') + 1));
        } else {
            ipField->setString(getStringForKey("dicomServerIP", ""));
        }
    }
    if (portField != nullptr) {
        const std::string port = getStringForKey("dicomServerPort", "");
        portField->setString(port.empty() ? "4587" : port);
    }
    if (titleField != nullptr) {
        titleField->setTextColor(kTitleFieldColour);
        const std::string title = getStringForKey("dicomServerTitle", "");
        if (!title.empty()) {
            titleField->setString(title);
        }
    }
}

void dcmSend::setupSendingPanel() {
    const Size size = sendPanel != nullptr ? sendPanel->getContentSize()
                                           : Size(getContentSize().width, kNodeTableHeight);
    sendingPanel = Node::create();
    sendingPanel->setContentSize(size);
    sendingPanel->setAnchorPoint(Vec2::ZERO);
    sendingPanel->setPosition(Vec2(0.0f, kSendBarHeight));
    sendingPanel->setVisible(false);
    addChild(sendingPanel);
    taskTable = NSUI::NSListView::create();
    taskTable->setDelegate(this);
    taskTable->setContentSize(size);
    taskTable->setAnchorPoint(Vec2::ZERO);
    taskTable->setPosition(Vec2::ZERO);
    sendingPanel->addChild(taskTable, kTableZOrder);

    dataService* service = dataService::getInstance();
    for (dcmSendingObject* task : service->getSendTasks()) {
        if (task->state != dcmTask::kDone) {
            taskTable->items.pushBack(task);
        }
    }
    for (dcmGetingObject* task : service->refreshGetList()) {
        if (task->state != dcmTask::kDone) {
            taskTable->items.pushBack(task);
        }
    }
    taskTable->reloadData();
    if (taskTable->getItemCount() == 0) {
        // At the screen's centre, but on the task panel: the other panels have their own content
        // there.
        if (cocos2d::Sprite* help = cocos2d::Sprite::create("imgs/drNodeHelp.png")) {
            help->setName(kHelpName);
            help->setScale(kHelpScale);
            help->setAnchorPoint(Vec2(0.5f, 0.5f));
            help->setPosition(sendingPanel->convertToNodeSpace(convertToWorldSpace(
                Vec2(getContentSize().width / 2.0f, getContentSize().height / 2.0f))));
            sendingPanel->addChild(help, kHelpZOrder);
        }
    }
}

void dcmSend::bindButtons() {
    auto click = [this](Ref* sender) { onClick(sender); };
    for (const char* name : {"dcmSend", "btn_back", "dcmAddList", "dcmUISend", "dcmUIReceive",
                             "dcmUISending", "dcmRestart"}) {
        if (auto* button = dynamic_cast<Button*>(getChildByNameDeep(name))) {
            button->addClickEventListener(click);
        }
    }
    sendTab = dynamic_cast<Button*>(getChildByNameDeep("dcmUISend"));
    receiveTab = dynamic_cast<Button*>(getChildByNameDeep("dcmUIReceive"));
    sendingTab = dynamic_cast<Button*>(getChildByNameDeep("dcmUISending"));
    if (isMobilePlatform()) {
        if (Node* restart = getChildByNameDeep("dcmRestart")) {
            restart->setVisible(false);
        }
    }
}

void dcmSend::observe() {
    auto* centre = NSUI::NSNotificationCenter::getInstance();
    auto handler = [this](Ref* sender, unsigned key, NSUI::NSNotificationData* data) {
        onNotification(sender, key, data);
    };
    for (int key :
         {studydb::NOTIFY_SEND_PROGRESS, studydb::NOTIFY_SEND_DONE, studydb::NOTIFY_SEND_FAILED,
          studydb::NOTIFY_PEER_SEEN, studydb::NOTIFY_ECHO_REPLY, studydb::NOTIFY_RETRIEVE_PROGRESS,
          studydb::NOTIFY_RETRIEVE_FAILED}) {
        centre->addObserver(this, nullptr, handler, key);
    }
    centre->addObserver(this, this, handler, studydb::NOTIFY_SEND_TASK_REMOVE);
}

void dcmSend::setSendSource(const std::string& path, const std::string& label) {
    sendPath = path;
    sendLabel = label;
    if (!sendPath.empty()) {
        if (Node* bar = getChildByNameDeep("dcmNode_send")) {
            bar->setVisible(true);
        }
    }
    // The send bar names what a press of Send sends.
    if (auto* hint = dynamic_cast<cocos2d::ui::Text*>(getChildByNameDeep("dcmNode_sendHint"))) {
        AppConfig* config = AppConfig::getInstance();
        NSUI::setFittedText(
            hint, label.empty()
                      ? config->getTextOrKey("dcmNode_sendHint")
                      : NSUI::formatString(config->getTextOrKey("dcmNode_sendWhat").c_str(),
                                           label.c_str()));
    }
}

void dcmSend::selectPanel(int which) {
    panel = which == kPanelReceive || which == kPanelSending ? which : kPanelSend;
    const std::pair<Node*, Button*> panels[] = {
        {sendPanel, sendTab}, {receivePanel, receiveTab}, {sendingPanel, sendingTab}};
    for (int i = 0; i < 3; ++i) {
        const bool chosen = i + 1 == panel;
        if (panels[i].first != nullptr) {
            panels[i].first->setVisible(chosen);
        }
        if (panels[i].second != nullptr) {
            panels[i].second->setTitleColor(chosen ? kTabChosen : kTabOther);
        }
    }
}

void dcmSend::onEnterTransitionDidFinish() {
    Node::onEnterTransitionDidFinish();
    if (firstEntry) {
        firstEntry = false;
        NSUI::sniffer::getInstance()->startPing();
    }
    if (sendPath.empty()) {
        if (Node* bar = getChildByNameDeep("dcmNode_send")) {
            bar->setVisible(false);
        }
    }
}

void dcmSend::onExit() {
    Node::onExit();
    recordStatistic(kStatLeft);
}

void dcmSend::cleanup() {
    Node::cleanup();
    recordStatistic(kStatLeft);
    // A screen that goes in the middle of a restart must not leave the node stopped.
    if (restartCount > kRestartStopFrame) {
        finishRestart();
    }
    restartCount = kRestartIdle;
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
}

bool dcmSend::onResponseReturn() {
    if (auto* window = dynamic_cast<NSUI::NSResponseWindow*>(getParent())) {
        window->removeFromParent();
    } else {
        removeFromParent();
    }
    return true;
}

// --- local node restart ---

void dcmSend::startRestart() {
    if (auto* button = dynamic_cast<Button*>(getChildByNameDeep("dcmRestart"))) {
        button->setTitleText(AppConfig::getInstance()->getTextOrKey("Stopping"));
    }
    restartCount = 1;
}

void dcmSend::visit(cocos2d::Renderer* renderer, const cocos2d::Mat4& parentTransform,
                    uint32_t parentFlags) {
    Node::visit(renderer, parentTransform, parentFlags);
    if (restartCount == kRestartIdle) {
        return;
    }
    if ((restartCount >= 1 && restartCount < kRestartStopFrame) ||
        (restartCount > kRestartStopFrame && restartCount < kRestartStartFrame)) {
        ++restartCount;
    }
    auto* button = dynamic_cast<Button*>(getChildByNameDeep("dcmRestart"));
    if (restartCount == kRestartStopFrame) {
        // The listener is joined here, so the start below binds a free port.
        if (dicomDB* database = dataService::getInstance()->getDatabase()) {
            database->getServer().StopDicomServer();
        }
        NSUI::sniffer::stop();
        if (button != nullptr) {
            button->setTitleText(AppConfig::getInstance()->getTextOrKey("Starting"));
        }
        restartCount = kRestartStopFrame + 1;
    } else if (restartCount == kRestartStartFrame) {
        finishRestart();
        restartCount = kRestartIdle;
    }
}

void dcmSend::finishRestart() {
    dicomDB* database = dataService::getInstance()->getDatabase();
    const bool running = database != nullptr && database->getServer().BeginDicomServer();
    NSUI::sniffer::getInstance()->startPing();
    if (auto* button = dynamic_cast<Button*>(getChildByNameDeep("dcmRestart"))) {
        button->setTitleText(
            AppConfig::getInstance()->getTextOrKey(running ? "Running" : "Not running"));
    }
    showNodeState();
}

void dcmSend::showHelp(bool show) {
    if (Node* help = sendingPanel != nullptr ? sendingPanel->getChildByName(kHelpName) : nullptr) {
        help->setVisible(show);
    }
}
