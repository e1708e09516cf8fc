#pragma once

#include "dcmsdk/dcmReader.h"
#include "toolkit/core/NSThread.h"

#include <string>

class dicomDB;
class dicomDBRequest;

namespace NSUI {
class NSDBDataModel;
class NSDBUtil;
}  // namespace NSUI

// The study database's worker: runs the list queries and stores received files, one request at
// a time under the database lock.
class dicomDBThread : public NSUI::NSThread {
public:
    dicomDBThread() = default;

    dicomDB* database = nullptr;
    NSUI::NSDBUtil* connection = nullptr;

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

    dcmSDK::dcmReader reader_;
};
