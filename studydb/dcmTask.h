#pragma once

#include "engine/base/Ref.h"
#include "studydb/RetrieveTask.h"

#include <string>

// The common head of a DICOM task; the task's id towards the library is its reference id.
class dcmTask {
public:
    enum Type { kSend = 1, kRetrieve = 2 };
    enum State { kWaiting = 0, kRunning = 1, kDone = 2, kFailed = 3 };

    virtual ~dcmTask() = default;

    int type = kSend;
};

// One outgoing send: a folder or file to a node.
class dcmSendingObject : public cocos2d::Ref, public dcmTask {
public:
    dcmSendingObject() { type = kSend; }

    // The library's id of the task.
    int taskId() const { return static_cast<int>(getRefID()); }

    std::string ip;
    std::string port = "4587";
    // The destination node's name.
    std::string title;
    std::string path;
    float progress = 0.0f;
    std::string label;
    int state = kWaiting;
};

// One retrieval as the library lists it.
class dcmGetingObject : public cocos2d::Ref, public dcmTask {
public:
    dcmGetingObject() { type = kRetrieve; }

    studydb::RetrieveTask task;
    std::string imageCount;
    float progress = 0.0f;
    int state = kWaiting;
};
