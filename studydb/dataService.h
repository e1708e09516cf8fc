#pragma once

#include "dcmsdk/dcmEcho.h"
#include "dcmsdk/dcmFind.h"
#include "dcmsdk/dcmGet.h"
#include "dcmsdk/dcmSender.h"
#include "engine/base/Ref.h"
#include "engine/base/Vector.h"
#include "studydb/dcmTask.h"
#include "toolkit/core/NSThreadSafeDestroy.h"
#include "toolkit/core/UIJson.h"

#include <functional>
#include <string>
#include <vector>

class dicomDB;
class dataServiceThread;

namespace NSUI {
class NSNotificationData;
}

// The background service of the DICOM network side: owns the study database and the library's
// sender, echo, find and get objects, runs the send queue, sweeps for DICOM nodes, mirrors the
// retrievals and saves reformatted slices. Everything but the save worker runs on the main thread.
class dataService : public cocos2d::Ref, public NSUI::UIJson, public NSUI::NSThreadSafeDestroy {
public:
    // Shows a message to the user for the given seconds.
    using MessagePresenter = std::function<void(const std::string& text, float seconds)>;

    static dataService* getInstance();
    // Shuts the process-wide service down and drops it; the next getInstance makes a new one.
    static void destroyInstance();
    // Where user messages go; by default the log.
    static void setMessagePresenter(const MessagePresenter& presenter);

    dataService();
    ~dataService() override;

    virtual bool init();
    virtual void shutdown();

    void addSendTask(dcmSendingObject* task);
    const cocos2d::Vector<dcmSendingObject*>& getSendTasks() const { return sendTasks; }
    const cocos2d::Vector<dcmGetingObject*>& refreshGetList();
    void removeGetTask(dcmGetingObject* task);
    void onNotification(cocos2d::Ref* sender, unsigned key, NSUI::NSNotificationData* data);

    // The one-second tick.
    void update(float dt);
    void processSendQueue();
    // 1: every subnet address; 2: the pending targets and the known DICOM nodes of the subnet.
    void echoPeers(int mode);
    // Posts NOTIFY_PEER_COUNT with the number of neighbours seen in the last ten seconds and, when
    // the storage node failed to start, the reason.
    void postNeighborCount();

    dicomDB* getDatabase() const { return database; }
    // The library's query and retrieve objects, for the screens that start queries and
    // retrievals.
    dcmSDK::dcmFind& getFinder() { return find; }
    dcmSDK::dcmGet& getGetter() { return get; }
    int getTickCount() const { return tickCount; }
    const std::vector<std::string>& getPendingEchoTargets() const { return pendingEcho; }

protected:
    dicomDB* database = nullptr;
    dcmSDK::dcmSender sender;
    dcmSDK::dcmEcho echo;
    dcmSDK::dcmFind find;
    dcmSDK::dcmGet get;
    cocos2d::Vector<dcmSendingObject*> sendTasks;
    cocos2d::Vector<dcmGetingObject*> getTasks;
    cocos2d::Vector<dcmGetingObject*> failedGetTasks;
    std::vector<std::string> pendingEcho;
    dataServiceThread* worker = nullptr;
    int tickCount = 0;

private:
    dcmSendingObject* findSendTask(int taskId) const;
    static void showMessage(const std::string& text, float seconds);
    bool shutDown = false;
};
