#pragma once

#include "dcmsdk/dcmReader.h"
#include "toolkit/core/NSThread.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

class dicomDBRequest;

namespace NSUI {
class NSDBDataModel;
class NSDBUtil;
}  // namespace NSUI

// The study database's worker: runs the list queries and stores received files, one request at
// a time under the database lock.
class dicomDBThread : public NSUI::NSThread {
public:
    // What the worker needs of the database that owns it; set before the first request.
    struct Host {
        std::recursive_mutex* lock = nullptr;
        std::function<bool()> ready;
        // The DICOM storage folder, ending in "/".
        std::function<std::string()> dicomRoot;
        // Files a received file; called with the lock held.
        std::function<void(dicomDBRequest*, dcmSDK::dcmReader&)> storeReceivedFile;
        // Called after a studies request ran.
        std::function<void()> studiesRead;
    };

    dicomDBThread() = default;

    void setHost(const Host& host);
    void setConnection(NSUI::NSDBUtil* connection);

    // Clears the owner of every queued, finished or running request that the list made.
    void detachOwner(void* list);

protected:
    ~dicomDBThread() override = default;
    void process(NSUI::NSThreadRequest* request) override;

private:
    void run(dicomDBRequest* request);
    bool readPatients(NSUI::NSDBDataModel& rows);
    bool readStudies(const std::string& patientId, NSUI::NSDBDataModel& rows);
    void readFavorites(NSUI::NSDBDataModel& rows);

    Host host_;
    std::atomic<NSUI::NSDBUtil*> connection_{nullptr};
    dcmSDK::dcmReader reader_;
};
