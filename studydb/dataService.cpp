#include "studydb/dataService.h"

#include "engine/audio/SimpleAudioEngine.h"
#include "engine/base/Director.h"
#include "engine/base/RefPtr.h"
#include "engine/base/Scheduler.h"
#include "engine/base/Utils.h"
#include "imagesdk/data/isNotifyKeys.h"
#include "imagesdk/data/isSliceInfo.h"
#include "studydb/LibraryCallbacks.h"
#include "studydb/LocalNetwork.h"
#include "studydb/RecentlySeen.h"
#include "studydb/StudyNotifications.h"
#include "studydb/TaskText.h"
#include "studydb/dataServiceThread.h"
#include "studydb/dicomDB.h"
#include "studydb/sniffer.h"
#include "toolkit/core/DateTimeRoutines.h"
#include "toolkit/core/NSNotificationCenter.h"
#include "toolkit/core/NSNotificationData.h"
#include "toolkit/core/TextRoutines.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

const char* const kScheduleKey = "_dataServiceDataManager";
// Ticks between subnet sweeps.
const int kSubnetSweepTicks = 300;

std::mutex& presenterMutex() {
    static std::mutex mutex;
    return mutex;
}

dataService::MessagePresenter& presenter() {
    static dataService::MessagePresenter value;
    return value;
}

dataService*& sharedService() {
    static dataService* service = nullptr;
    return service;
}

// Each target in its own 100-byte buffer, as the echo call takes them.
std::vector<std::array<char, 100>> targetBuffers(const std::vector<std::string>& targets) {
    std::vector<std::array<char, 100>> buffers(targets.size());
    for (std::size_t i = 0; i < targets.size(); ++i) {
        buffers[i].fill('\0');
        std::strncpy(buffers[i].data(), targets[i].c_str(), buffers[i].size() - 1);
    }
    return buffers;
}

// A node to verify by name: "name,ip,port", the name free of the task separators.
std::string echoTarget(const std::string& name, const std::string& ip, const std::string& port) {
    return studydb::taskField(name) + "," + ip + "," + port;
}

void echoTargets(dcmSDK::dcmEcho& echo, const std::vector<std::string>& targets, bool addressOnly) {
    if (targets.empty()) {
        return;
    }
    const std::vector<std::array<char, 100>> buffers = targetBuffers(targets);
    echo.echo(reinterpret_cast<const char(*)[100]>(buffers.data()),
              static_cast<int>(buffers.size()), addressOnly);
}

}  // namespace

dataService* dataService::getInstance() {
    dataService*& service = sharedService();
    if (service == nullptr) {
        service = new dataService();
        service->init();
        service->autorelease();
        service->retain();
    }
    return service;
}

void dataService::destroyInstance() {
    dataService*& service = sharedService();
    if (service != nullptr) {
        dataService* ending = service;
        service = nullptr;
        ending->shutdown();
        ending->release();
    }
}

void dataService::setMessagePresenter(const MessagePresenter& value) {
    std::lock_guard<std::mutex> guard(presenterMutex());
    presenter() = value;
}

void dataService::showMessage(const std::string& text, float seconds) {
    MessagePresenter show;
    {
        std::lock_guard<std::mutex> guard(presenterMutex());
        show = presenter();
    }
    if (show) {
        show(text, seconds);
    } else {
        cocos2d::log("%s", text.c_str());
    }
}

dataService::dataService() = default;

dataService::~dataService() {
    shutdown();
}

bool dataService::init() {
    database = new dicomDB();
    database->init();
    if (const std::string refusal = database->libraryRefusal(); !refusal.empty()) {
        showMessage(refusal, 10.0f);
    }
    // The chime that acknowledges a new favourite.
    database->setFavoriteAddedHandler([] {
        CocosDenshion::SimpleAudioEngine::getInstance()->playEffect("res/waterfall.wav", false,
                                                                    1.0f, 0.0f, 1.0f);
    });
    tickCount = 0;
    cocos2d::Director::getInstance()->getScheduler()->schedule(
        [this](float dt) { update(dt); }, this, 1.0f, CC_REPEAT_FOREVER, 0.5f, false, kScheduleKey);
    auto handler = [this](cocos2d::Ref* from, unsigned key, NSUI::NSNotificationData* data) {
        onNotification(from, key, data);
    };
    for (const int key :
         {studydb::NOTIFY_SEND_PROGRESS, studydb::NOTIFY_SEND_DONE, studydb::NOTIFY_SEND_FAILED,
          studydb::NOTIFY_ECHO_REPLY, studydb::NOTIFY_FIND_ANSWER, studydb::NOTIFY_FIND_FAILED,
          studydb::NOTIFY_PEER_SEEN, studydb::NOTIFY_RETRIEVE_READY,
          studydb::NOTIFY_RETRIEVE_FAILED, isImageSDK::NOTIFY_SAVE_REFORMAT}) {
        NSUI::NSNotificationCenter::getInstance()->addObserver(this, nullptr, handler, key);
    }
    dicomDB* db = database;
    worker = new dataServiceThread([db] { return db->getDicomRoot(); });
    return true;
}

void dataService::shutdown() {
    if (shutDown) {
        return;
    }
    shutDown = true;
    cocos2d::Director::getInstance()->getScheduler()->unschedule(kScheduleKey, this);
    sendTasks.clear();
    sender.stopping = true;
    echo.stopping = true;
    find.stopping = true;
    get.stopping = true;
    // Their threads must not outlive the objects' owner.
    sender.stopThreads();
    echo.stopThreads();
    find.stopThreads();
    get.stopThreads();
    getTasks.clear();
    failedGetTasks.clear();
    if (worker != nullptr) {
        worker->cancelAllRequests();
        stopThreadAndWait(worker);
        worker = nullptr;
    }
    if (database != nullptr) {
        database->shutdown();
        database->release();
        database = nullptr;
    }
    if (NSUI::NSNotificationCenter* center = NSUI::NSNotificationCenter::getExistingInstance()) {
        center->removeObserver(this);
    }
}

void dataService::addSendTask(dcmSendingObject* task) {
    if (task == nullptr) {
        return;
    }
    sendTasks.pushBack(task);
    processSendQueue();
}

void dataService::update(float) {
    processSendQueue();
    // Room made on the database's disk shows here, not only at the next start.
    if (database != nullptr) {
        database->retryUnfiled();
    }
    ++tickCount;
    if (tickCount > kSubnetSweepTicks) {
        echoPeers(1);
    } else if (tickCount % 5 == 0) {
        echoPeers(2);
    }
    if (tickCount % 5 == 0) {
        NSUI::sniffer::getInstance()->startPing();
    }
    if (tickCount % 2 == 0) {
        postNeighborCount();
    }
}

void dataService::processSendQueue() {
    if (sender.isSending()) {
        return;
    }
    for (dcmSendingObject* task : sendTasks) {
        if (task->state != dcmTask::kWaiting || task->ip.empty() || task->path.empty()) {
            continue;
        }
        sender.setIP(task->ip.c_str(), task->port.c_str());
        sender.send(task->taskId(), task->path.c_str());
        return;
    }
}

void dataService::echoPeers(int mode) {
    std::vector<std::string> subnet;
    if (mode == 1) {
        tickCount = 0;
        studydb::LocalNetwork::getLocalSubnetAddresses(subnet);
        std::vector<std::string> targets;
        for (const std::string& address : subnet) {
            targets.push_back(address + "," + dicomDB::getNodePort());
        }
        echoTargets(echo, targets, true);
        return;
    }
    studydb::LocalNetwork::getLocalSubnetAddresses(subnet);
    std::vector<neighborInfo> neighbours;
    if (database != nullptr) {
        database->getNeighbors(neighbours);
    }
    std::vector<std::string> targets = pendingEcho;
    pendingEcho.clear();
    for (const neighborInfo& neighbour : neighbours) {
        if (neighbour.device != 5 ||
            std::find(subnet.begin(), subnet.end(), neighbour.ip) == subnet.end()) {
            continue;
        }
        bool sending = false;
        for (dcmSendingObject* task : sendTasks) {
            sending = sending || (task->ip == neighbour.ip && task->port == neighbour.port);
        }
        if (!sending) {
            targets.push_back(echoTarget(neighbour.name, neighbour.ip, neighbour.port));
        }
    }
    echoTargets(echo, targets, false);
}

void dataService::postNeighborCount() {
    std::string host;
    std::string addresses;
    studydb::LocalNetwork::getNetworkInfo(host, addresses);
    auto* data = NSUI::NSNotificationData::create();
    if (addresses.empty()) {
        data->intValue = -1;
    } else {
        NSUI::DateTimeFields now;
        NSUI::parseDateTime(NSUI::getCurrentDateTime(), now);
        std::vector<neighborInfo> neighbours;
        if (database != nullptr) {
            database->getNeighbors(neighbours);
        }
        int count = 0;
        for (const neighborInfo& neighbour : neighbours) {
            count += studydb::isRecentlySeen(neighbour.wifi, now) ? 1 : 0;
        }
        data->intValue = count;
    }
    // A node that could not start is told with the count: nothing else would show that no file
    // can arrive. A node stopped on purpose (a restart, a move) has no reason and is not told.
    if (database != nullptr && !database->getServer().isRunning()) {
        data->stringValue = database->getServer().getStartError();
    }
    NSUI::NSNotificationCenter::getInstance()->postNotification(nullptr, studydb::NOTIFY_PEER_COUNT,
                                                                data, nullptr, true);
}

const cocos2d::Vector<dcmGetingObject*>& dataService::refreshGetList() {
    getTasks.clear();
    const int count = get.getListSize();
    if (count > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(count) * dcmSDK::dcmGet::kTaskTextSize,
                                 '\0');
        get.getList(buffer.data(), static_cast<int>(buffer.size()));
        buffer.back() = '\0';
        std::vector<std::string> pieces;
        NSUI::splitString(buffer.data(), "@", pieces);
        for (const std::string& piece : pieces) {
            studydb::RetrieveTask fields;
            if (!studydb::RetrieveTask::parse(piece, fields)) {
                continue;
            }
            cocos2d::RefPtr<dcmGetingObject> task(new dcmGetingObject());
            task->task = fields;
            getTasks.pushBack(task.get());
        }
    }
    for (dcmGetingObject* failed : failedGetTasks) {
        cocos2d::RefPtr<dcmGetingObject> copy(new dcmGetingObject());
        copy->task = failed->task;
        copy->imageCount = failed->imageCount;
        copy->state = dcmTask::kFailed;
        getTasks.pushBack(copy.get());
    }
    return getTasks;
}

void dataService::removeGetTask(dcmGetingObject* task) {
    if (task == nullptr) {
        return;
    }
    const std::string key = task->task.seriesUid;
    get.removeTask(key.c_str());
    for (dcmGetingObject* failed : failedGetTasks) {
        if (failed->task.seriesUid == key) {
            failedGetTasks.eraseObject(failed);
            return;
        }
    }
}

dcmSendingObject* dataService::findSendTask(int taskId) const {
    for (dcmSendingObject* task : sendTasks) {
        if (task->taskId() == taskId) {
            return task;
        }
    }
    return nullptr;
}

void dataService::onNotification(cocos2d::Ref*, unsigned key, NSUI::NSNotificationData* data) {
    if (data == nullptr) {
        return;
    }
    const std::string& text = data->stringValue;
    switch (key) {
    case studydb::NOTIFY_ECHO_REPLY:
        if (database == nullptr) {
            return;
        }
        if (getInt(text, "ok", 0) == 1) {
            database->saveNeighbor(5, getString(text, "name"), getString(text, "ip"),
                                   getString(text, "port"), getString(text, "appid"));
        } else {
            database->setNeighborWifi(getString(text, "appid"));
        }
        return;
    case studydb::NOTIFY_PEER_SEEN:
        if (database != nullptr) {
            database->saveNeighbor(getInt(text, "device", 5), getString(text, "name"),
                                   getString(text, "ip"), "4587", getString(text, "appid"));
        }
        return;
    case studydb::NOTIFY_SEND_PROGRESS:
        if (dcmSendingObject* task = findSendTask(data->intValue2)) {
            task->progress = data->floatValue;
            task->state = dcmTask::kRunning;
        }
        return;
    case studydb::NOTIFY_SEND_DONE:
        if (dcmSendingObject* task = findSendTask(data->intValue2)) {
            task->progress = 100.0f;
            task->state = dcmTask::kDone;
            pendingEcho.push_back(echoTarget(task->title, task->ip, task->port));
        }
        return;
    case studydb::NOTIFY_SEND_FAILED:
        if (dcmSendingObject* task = findSendTask(data->intValue2)) {
            task->state = dcmTask::kFailed;
            showMessage("Please check the status of DICOM node", 5.0f);
        }
        return;
    case studydb::NOTIFY_RETRIEVE_READY:
        showMessage(text + " is ready", 5.0f);
        return;
    case studydb::NOTIFY_RETRIEVE_FAILED: {
        studydb::RetrieveTask fields;
        if (!studydb::RetrieveTask::parse(text, fields)) {
            return;
        }
        bool known = false;
        for (dcmGetingObject* failed : failedGetTasks) {
            known = known || failed->task.seriesUid == fields.seriesUid;
        }
        if (!known) {
            cocos2d::RefPtr<dcmGetingObject> task(new dcmGetingObject());
            task->task = fields;
            task->state = dcmTask::kFailed;
            failedGetTasks.pushBack(task.get());
        }
        showMessage(NSUI::formatString("Failed to download %s(%s,%s)", fields.patientName.c_str(),
                                       fields.seriesNumber.c_str(), fields.modality.c_str()),
                    2.0f);
        return;
    }
    case studydb::NOTIFY_FIND_ANSWER:
        parseFindResult(text);
        return;
    case studydb::NOTIFY_FIND_FAILED:
        showMessage("Check the network and the patient name", 2.0f);
        return;
    case isImageSDK::NOTIFY_SAVE_REFORMAT: {
        auto* slice = static_cast<isImageSDK::isSliceInfo*>(data->buffer);
        data->buffer = nullptr;
        if (slice == nullptr) {
            return;
        }
        cocos2d::RefPtr<reformatSaveRequest> request(new reformatSaveRequest(slice, text));
        if (const std::string refusal = database->libraryRefusal(); !refusal.empty()) {
            showMessage(refusal, 5.0f);
            return;
        }
        if (worker != nullptr) {
            worker->addRequest(request.get());
        }
        return;
    }
    default:
        return;
    }
}
