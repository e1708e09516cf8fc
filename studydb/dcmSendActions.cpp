// The DICOM node screen's clicks, notifications and table rows.
#include <cstdlib>
#include <string>
#include <vector>

#include "dcmsdk/dcmGet.h"
#include "engine/base/RefPtr.h"
#include "engine/ui/Button.h"
#include "engine/ui/CSLoader.h"
#include "engine/ui/Helper.h"
#include "engine/ui/ImageView.h"
#include "engine/ui/Text.h"
#include "studydb/RecentlySeen.h"
#include "studydb/StudyNotifications.h"
#include "studydb/dataService.h"
#include "studydb/dcmSend.h"
#include "studydb/dcmTask.h"
#include "toolkit/core/AppConfig.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/TextChecks.h"
#include "toolkit/core/TextRoutines.h"
#include "toolkit/core/UIJson.h"
#include "toolkit/widgets/FittedText.h"
#include "toolkit/widgets/NSListView.h"
#include "toolkit/widgets/NSTableViewCell.h"
#include "toolkit/widgets/NSTableViewMenu.h"
#include "toolkit/widgets/NSTextField.h"

using cocos2d::Node;
using cocos2d::Ref;
using cocos2d::Size;
using cocos2d::ui::Button;

namespace {

const float kPhoneRowHeight = 90.0f;
const float kShortMessage = 1.0f;
const float kMessage = 1.5f;
const float kNameX = 35.0f;
const cocos2d::Color4B kNameColour(21, 170, 254, 255);
const int kRetrieveFieldCount = 5;

void setText(Node* root, const std::string& name, const std::string& text) {
    if (auto* label = dynamic_cast<cocos2d::ui::Text*>(root->getChildByNameDeep(name))) {
        label->setString(text);
    }
}

// Task rows name patients and series: a text too long for its field ends in "…".
void setFittedText(Node* root, const std::string& name, const std::string& text) {
    NSUI::setFittedText(dynamic_cast<cocos2d::ui::Text*>(root->getChildByNameDeep(name)), text);
}

std::string startOfToday() {
    NSUI::DateTimeFields today;
    NSUI::parseDateTime(NSUI::getCurrentDateTime(), today);
    today.hour = 0;
    today.minute = 0;
    today.second = 0;
    return NSUI::formatDateTime(today);
}

std::string fieldText(NSUI::NSTextField* field) {
    std::string text = field != nullptr ? field->getString() : std::string();
    return NSUI::trim(text);
}

}  // namespace

// --- clicks ---

void dcmSend::onClick(Ref* sender) {
    auto* node = dynamic_cast<Node*>(sender);
    if (node == nullptr) {
        return;
    }
    const std::string name = node->getName();
    if (name == "dcmRestart") {
        startRestart();
    } else if (name == "dcmAddList") {
        addNode();
    } else if (name == "dcmUISend") {
        selectPanel(kPanelSend);
    } else if (name == "dcmUIReceive") {
        selectPanel(kPanelReceive);
    } else if (name == "dcmUISending") {
        selectPanel(kPanelSending);
    } else if (name == "btn_back") {
        onResponseReturn();
    } else if (name == "dcmSend") {
        send();
    } else if (name == "del") {
        deleteTask(sender);
    } else if (name == "dcmNodeSend_retry") {
        retryTask(sender);
    }
}

void dcmSend::addNode() {
    const std::string ip = fieldText(ipField);
    const std::string port = fieldText(portField);
    if (!NSUI::isValidIPAddress(ip)) {
        showMessage(AppConfig::getInstance()->getTextOrKey("Not valid IP"), kShortMessage);
        return;
    }
    if (!NSUI::isValidPort(port)) {
        showMessage(AppConfig::getInstance()->getTextOrKey("Not valid port"), kShortMessage);
        return;
    }
    setStringForKey("dicomServerPort", port);
    dcmNodeObject* node = dcmNodeObject::create();
    node->appid = "appid";
    node->ip = ip;
    node->port = port;
    node->name = "Unknown";
    node->wifi = NSUI::getCurrentDateTime();
    node->device = dcmNodeObject::kDicomNode;
    node->lastTime.clear();
    node->saveType = 3;
    if (nodeTable != nullptr) {
        nodeTable->insertItem(recentRow, node);
    }
}

void dcmSend::send() {
    if (sendPath.empty()) {
        showMessage(AppConfig::getInstance()->getTextOrKey(
                        "Please choose a patient or series, and open again."),
                    kMessage);
        return;
    }
    dcmNodeObject* node = nullptr;
    if (nodeTable != nullptr && !nodeTable->selection.empty()) {
        node = dynamic_cast<dcmNodeObject*>(nodeTable->selection.front());
    }
    if (node == nullptr) {
        showMessage(AppConfig::getInstance()->getTextOrKey("Please choose a destination IP."),
                    kMessage);
        return;
    }
    for (ssize_t i = 0; i < taskTable->getItemCount(); ++i) {
        auto* listed = dynamic_cast<dcmSendingObject*>(taskTable->getItem(i));
        if (listed != nullptr && listed->ip == node->ip && listed->port == node->port &&
            listed->path == sendPath) {
            selectPanel(kPanelSending);
            taskTable->selectCellAtIndex(static_cast<int>(i));
            return;
        }
    }
    auto* task = new dcmSendingObject();
    task->port = node->port;
    task->ip = node->ip;
    task->title = node->name;
    task->path = sendPath;
    task->label = sendLabel;
    task->state = dcmTask::kWaiting;
    taskTable->pushBackItem(task);
    dataService::getInstance()->addSendTask(task);
    task->release();
    showHelp(false);
    selectPanel(kPanelSending);
}

void dcmSend::deleteTask(Ref* sender) {
    auto* button = dynamic_cast<Node*>(sender);
    auto* cell =
        button != nullptr ? dynamic_cast<NSUI::NSTableViewCell*>(button->getUserObject()) : nullptr;
    if (cell == nullptr || taskTable == nullptr) {
        return;
    }
    Ref* item = taskTable->getItem(static_cast<ssize_t>(cell->index));
    if (auto* sending = dynamic_cast<dcmSendingObject*>(item)) {
        if (sending->state == dcmTask::kRunning) {
            showMessage(AppConfig::getInstance()->getTextOrKey("dcm_sending_msg"), kMessage);
            return;
        }
        taskTable->closeCellMenu(true);
        auto* data = NSUI::NSNotificationData::create();
        data->setObject(sending);
        NSUI::NSNotificationCenter::getInstance()->postNotification(
            nullptr, studydb::NOTIFY_SEND_TASK_REMOVE, data, this, true);
    } else if (auto* retrieve = dynamic_cast<dcmGetingObject*>(item)) {
        if (retrieve->state == dcmTask::kRunning) {
            showMessage(
                AppConfig::getInstance()->getTextOrKey("The downloading task can not be removed."),
                kMessage);
            return;
        }
        taskTable->closeCellMenu(true);
        const auto held = cocos2d::RefPtr<dcmGetingObject>::retained(retrieve);
        dataService::getInstance()->removeGetTask(retrieve);
        for (ssize_t i = taskTable->getItemCount() - 1; i >= 0; --i) {
            auto* row = dynamic_cast<dcmGetingObject*>(taskTable->getItem(i));
            if (row != nullptr && row->task.seriesUid == held->task.seriesUid) {
                taskTable->removeItemAtIndex(i);
            }
        }
    }
}

void dcmSend::retryTask(Ref* sender) {
    auto* button = dynamic_cast<Node*>(sender);
    Ref* item = button != nullptr ? button->getUserObject() : nullptr;
    if (auto* sending = dynamic_cast<dcmSendingObject*>(item)) {
        sending->state = dcmTask::kWaiting;
        sending->progress = 0.0f;
    } else if (auto* retrieve = dynamic_cast<dcmGetingObject*>(item)) {
        retrieve->state = dcmTask::kWaiting;
        retrieve->progress = 0.0f;
        dataService* service = dataService::getInstance();
        service->removeGetTask(retrieve);
        // A retrieval the library refuses stays failed, with its retry button.
        if (!retrieve->task.queue(service->getGetter())) {
            retrieve->state = dcmTask::kFailed;
        }
    } else {
        return;
    }
    refreshRowsOf(taskTable, item);
}

// --- notifications ---

void dcmSend::onNotification(Ref*, unsigned key, NSUI::NSNotificationData* data) {
    if (data == nullptr) {
        return;
    }
    switch (key) {
    case studydb::NOTIFY_ECHO_REPLY:
        onEchoReply(data->stringValue);
        return;
    case studydb::NOTIFY_PEER_SEEN:
        onPeerSeen(data->stringValue);
        return;
    case studydb::NOTIFY_SEND_PROGRESS:
    case studydb::NOTIFY_SEND_DONE:
    case studydb::NOTIFY_SEND_FAILED:
        onSendEvent(key, data);
        return;
    case studydb::NOTIFY_SEND_TASK_REMOVE:
        onRemoveTask(data->object);
        return;
    case studydb::NOTIFY_RETRIEVE_PROGRESS:
        onRetrieveProgress(data->stringValue);
        return;
    case studydb::NOTIFY_RETRIEVE_FAILED:
        onRetrieveFailed(data->stringValue);
        return;
    default:
        return;
    }
}

void dcmSend::onEchoReply(const std::string& json) {
    const std::string ip = NSUI::UIJson::getString(json, "ip");
    if (ip.empty() || nodeTable == nullptr) {
        return;
    }
    const int ok = NSUI::UIJson::getInt(json, "ok", 0);
    const std::string seen = ok == 1 ? NSUI::getCurrentDateTime() : startOfToday();
    const std::string appid = NSUI::UIJson::getString(json, "appid");
    auto fill = [&](dcmNodeObject* node) {
        node->name = NSUI::UIJson::getString(json, "name");
        node->wifi = seen;
        node->ip = ip;
        node->port = NSUI::UIJson::getString(json, "port");
        node->device = dcmNodeObject::kDicomNode;
    };
    for (ssize_t i = 0; i < nodeTable->getItemCount(); ++i) {
        auto* node = dynamic_cast<dcmNodeObject*>(nodeTable->getItem(i));
        if (node != nullptr && node->appid == appid) {
            fill(node);
            nodeTable->updateCellAtIndex(i);
            return;
        }
    }
    if (ok != 0) {
        dcmNodeObject* node = dcmNodeObject::create();
        node->appid = appid;
        fill(node);
        nodeTable->insertItem(recentRow, node);
    }
}

void dcmSend::onPeerSeen(const std::string& json) {
    const std::string ip = NSUI::UIJson::getString(json, "ip");
    if (ip.empty() || nodeTable == nullptr) {
        return;
    }
    const std::string appid = NSUI::UIJson::getString(json, "appid");
    auto fill = [&](dcmNodeObject* node) {
        node->name = NSUI::UIJson::getString(json, "name");
        node->wifi = NSUI::getCurrentDateTime();
        node->device = NSUI::UIJson::getInt(json, "device", dcmNodeObject::kDicomNode);
        node->ip = ip;
        node->port = "4587";
    };
    bool updated = false;
    for (ssize_t i = nodeTable->getItemCount() - 1; i >= 0; --i) {
        auto* node = dynamic_cast<dcmNodeObject*>(nodeTable->getItem(i));
        if (node == nullptr || node->appid != appid) {
            continue;
        }
        if (!updated && studydb::isRecentlySeen(node->wifi)) {
            fill(node);
            nodeTable->updateCellAtIndex(i);
            updated = true;
        } else {
            nodeTable->removeItemAtIndex(i);
        }
    }
    if (!updated) {
        dcmNodeObject* node = dcmNodeObject::create();
        node->appid = appid;
        fill(node);
        nodeTable->insertItem(recentRow, node);
    }
}

void dcmSend::onSendEvent(unsigned key, NSUI::NSNotificationData* data) {
    if (taskTable == nullptr) {
        return;
    }
    for (ssize_t i = 0; i < taskTable->getItemCount(); ++i) {
        auto* task = dynamic_cast<dcmSendingObject*>(taskTable->getItem(i));
        if (task == nullptr || task->taskId() != data->intValue2) {
            continue;
        }
        if (key == studydb::NOTIFY_SEND_PROGRESS) {
            task->progress = data->floatValue;
            task->state = dcmTask::kRunning;
        } else if (key == studydb::NOTIFY_SEND_DONE) {
            task->progress = 100.0f;
            task->state = dcmTask::kDone;
        } else {
            task->state = dcmTask::kFailed;
        }
        taskTable->updateCellAtIndex(i);
    }
}

void dcmSend::onRemoveTask(Ref* item) {
    auto* task = dynamic_cast<dcmSendingObject*>(item);
    if (task == nullptr || taskTable == nullptr) {
        return;
    }
    // The queue passes over a finished task.
    task->state = dcmTask::kDone;
    taskTable->removeItem(task);
}

void dcmSend::onRetrieveProgress(const std::string& text) {
    std::vector<std::string> fields;
    NSUI::splitString(text, "|", fields);
    if (fields.size() != kRetrieveFieldCount || taskTable == nullptr) {
        return;
    }
    const int remaining = std::atoi(fields[1].c_str());
    const int failed = std::atoi(fields[3].c_str());
    const int warning = std::atoi(fields[4].c_str());
    const int total = remaining + std::atoi(fields[2].c_str()) + failed + warning;
    for (ssize_t i = 0; i < taskTable->getItemCount(); ++i) {
        auto* task = dynamic_cast<dcmGetingObject*>(taskTable->getItem(i));
        if (task == nullptr || task->task.seriesUid != fields[0]) {
            continue;
        }
        if (remaining == 0) {
            task->state = failed != 0 || warning != 0 ? dcmTask::kFailed : dcmTask::kDone;
        } else if (total > 0) {
            task->progress = static_cast<float>(total - remaining) * 100.0f / total;
            if (task->state != dcmTask::kRunning) {
                task->state = dcmTask::kRunning;
                task->imageCount = std::to_string(total);
            }
        }
        taskTable->updateCellAtIndex(i);
    }
}

void dcmSend::onRetrieveFailed(const std::string& text) {
    studydb::RetrieveTask fields;
    if (!studydb::RetrieveTask::parse(text, fields) || taskTable == nullptr) {
        return;
    }
    for (ssize_t i = 0; i < taskTable->getItemCount(); ++i) {
        auto* task = dynamic_cast<dcmGetingObject*>(taskTable->getItem(i));
        if (task != nullptr && task->task.seriesUid == fields.seriesUid) {
            task->state = dcmTask::kFailed;
            taskTable->updateCellAtIndex(i);
        }
    }
}

void dcmSend::refreshRowsOf(NSUI::NSListView* table, Ref* item) {
    if (table == nullptr) {
        return;
    }
    for (ssize_t i = 0; i < table->getItemCount(); ++i) {
        if (table->getItem(i) == item) {
            table->updateCellAtIndex(i);
        }
    }
}

// --- rows ---

Size dcmSend::tableCellSizeForIndex(NSUI::NSTableView* table, ssize_t, Ref*) {
    return Size(table->getContentSize().width,
                AppConfig::getInstance()->isPhone ? kPhoneRowHeight : kRowHeight);
}

NSUI::NSTableViewCell* dcmSend::tableCellAtIndex(NSUI::NSTableView* table, ssize_t index,
                                                 const Size& size) {
    NSUI::NSTableViewCell* cell = table->reusableCell(index);
    const bool nodeRow = table == nodeTable;
    if (cell == nullptr) {
        cell = NSUI::NSTableViewCell::create();
        if (Node* row = cocos2d::CSLoader::createNode(
                nodeRow ? "dcmNodeInfo.csb" : "dcmNodeSendInfo.csb", true)) {
            row->setContentSize(size);
            cocos2d::ui::Helper::doLayout(row);
            AppConfig::getInstance()->setWidgetText(row, "");
            row->setTag(kRowLayoutTag);
            cell->addChild(row);
            if (auto* retry = dynamic_cast<Button*>(row->getChildByNameDeep("dcmNodeSend_retry"))) {
                retry->addClickEventListener([this](Ref* sender) { onClick(sender); });
            }
        }
    }
    Node* row = cell->getChildByTag(kRowLayoutTag);
    Ref* item = table->getItem(index);
    if (row == nullptr || item == nullptr) {
        return cell;
    }
    if (nodeRow) {
        fillNodeRow(row, dynamic_cast<dcmNodeObject*>(item));
    } else {
        fillTaskRow(row, dynamic_cast<dcmTask*>(item));
    }
    return cell;
}

void dcmSend::fillNodeRow(Node* row, dcmNodeObject* node) {
    if (node == nullptr) {
        return;
    }
    if (auto* name = dynamic_cast<cocos2d::ui::Text*>(row->getChildByNameDeep("name"))) {
        name->setString(node->name);
        name->setTextColor(kNameColour);
        name->setPositionX(kNameX);
    }
    setText(row, "ip",
            node->device == dcmNodeObject::kDicomNode ? node->ip + ":" + node->port : node->ip);
    setText(row, "last", node->lastTime);
    const char* device = "imgs/device_PC.png";
    if (node->device == dcmNodeObject::kAndroid) {
        device = "imgs/device_Android.png";
    } else if (node->device == dcmNodeObject::kIOS) {
        device = "imgs/device_iOS.png";
    } else if (node->device == dcmNodeObject::kMac) {
        device = "imgs/device_Mac.png";
    }
    if (auto* image = dynamic_cast<cocos2d::ui::ImageView*>(row->getChildByNameDeep("device"))) {
        image->loadTexture(device);
    }
    if (auto* wifi = dynamic_cast<cocos2d::ui::ImageView*>(row->getChildByNameDeep("wifi"))) {
        wifi->loadTexture(studydb::isRecentlySeen(node->wifi) ? "imgs/Wi-Fi-Green.png"
                                                              : "imgs/Wi-Fi-Red.png");
    }
    if (auto* save = dynamic_cast<Button*>(row->getChildByNameDeep("save"))) {
        const char* star = node->saveType == 1 ? "imgs/favierate.png" : "imgs/favierateNone.png";
        save->loadTextures(star, star, "");
    }
    if (Node* input = row->getChildByNameDeep("dcmNode_send_input")) {
        input->setVisible(false);
    }
}

void dcmSend::fillTaskRow(Node* row, dcmTask* task) {
    int state = dcmTask::kWaiting;
    float progress = 0.0f;
    if (auto* sending = dynamic_cast<dcmSendingObject*>(task)) {
        setFittedText(row, "ip",
                      sending->title.empty() ? sending->ip : sending->title + "---" + sending->ip);
        setFittedText(row, "path", sending->label);
        state = sending->state;
        progress = sending->progress;
    } else if (auto* retrieve = dynamic_cast<dcmGetingObject*>(task)) {
        const studydb::RetrieveTask& fields = retrieve->task;
        setFittedText(row, "ip", fields.patientName.empty() ? fields.ip : fields.patientName);
        state = retrieve->state;
        progress = retrieve->progress;
        const bool counted = state == dcmTask::kRunning || state == dcmTask::kDone;
        setText(row, "path",
                fields.seriesNumber + "(" + fields.modality +
                    (counted ? " " + retrieve->imageCount : std::string()) + ")");
    } else {
        return;
    }
    auto* ratio = dynamic_cast<cocos2d::ui::Text*>(row->getChildByNameDeep("ratio"));
    auto* retry = dynamic_cast<Button*>(row->getChildByNameDeep("dcmNodeSend_retry"));
    if (retry != nullptr) {
        retry->setUserObject(dynamic_cast<Ref*>(task));
        retry->setVisible(state == dcmTask::kFailed);
    }
    if (ratio != nullptr) {
        ratio->setVisible(state != dcmTask::kFailed);
        if (state == dcmTask::kWaiting) {
            ratio->setString(AppConfig::getInstance()->getTextOrKey("Waiting"));
        } else if (state == dcmTask::kRunning) {
            ratio->setString(NSUI::formatString("%.0f%%", progress));
        } else if (state == dcmTask::kDone) {
            ratio->setString(AppConfig::getInstance()->getTextOrKey("Done"));
        }
    }
}

void dcmSend::tableCellLeftMenu(NSUI::NSTableView* table, NSUI::NSTableViewMenu* menu) {
    if (table != taskTable) {
        menu->setVisible(false);
        return;
    }
    Node* tools = cocos2d::CSLoader::createNode("dcmNodeSendTool.csb", true);
    if (tools == nullptr) {
        menu->setVisible(false);
        return;
    }
    AppConfig::getInstance()->setWidgetText(tools, "");
    menu->addChild(tools);
    menu->setContentSize(Size(tools->getContentSize().width, menu->getContentSize().height));
    if (auto* del = dynamic_cast<Button*>(tools->getChildByNameDeep("del"))) {
        del->setUserObject(menu->cell);
        del->addClickEventListener([this](Ref* sender) { onClick(sender); });
    }
}

void dcmSend::tableCellTouched(NSUI::NSTableView* table, NSUI::NSTableViewCell* cell,
                               const cocos2d::Vec2&) {
    if (table != nodeTable || cell == nullptr) {
        return;
    }
    if (Node* row = cell->getChildByTag(kRowLayoutTag)) {
        if (Node* input = row->getChildByNameDeep("dcmNode_send_input")) {
            input->setVisible(false);
        }
    }
}
