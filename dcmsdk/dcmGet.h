#pragma once

#include "dcmsdk/DcmThreadRegistry.h"
#include "dcmsdk/DcmWorkQueue.h"

#include <array>
#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <string>

namespace dcmSDK {

// A queue of series retrievals with C-GET, run one after the other on a thread of its own. Each
// task is ten texts: ip, port, calling title, called title, study UID, series UID (the task key),
// download folder, patient name, series number, modality. Retrieved files are stored below the
// download folder and each is raised as kEventFileToImport (its path). Events: kEventFindReset
// when a retrieval starts (the series UID), kEventRetrieveProgress
// ("key|remaining|completed|failed|warning"), and at the end always a progress event with
// remaining 0 followed by kEventRetrieveReady (the patient name) or kEventRetrieveFailed (the ten
// texts joined by ",").
class dcmGet : public DcmThreadOwner {
public:
    static const int kTaskTextSize = 1024;  // room for one task in getList

    // Set by the owner before it lets the object go: queued tasks are dropped, the running one is
    // cancelled and no further event is raised.
    std::atomic<bool> stopping{false};

    dcmGet();
    ~dcmGet() override;
    dcmGet(const dcmGet&) = delete;
    dcmGet& operator=(const dcmGet&) = delete;

    // Queues a retrieval; false when the series UID is not a valid UID or a task with that key is
    // already queued or running.
    bool getSeriesByUID(const char* ip, const char* port, const char* callingTitle,
                        const char* calledTitle, const char* studyUid, const char* seriesUid,
                        const char* folder, const char* patientName, const char* seriesNumber,
                        const char* modality);
    // Tasks queued or running.
    int getListSize();
    // The tasks as "@"-separated texts of ten ","-separated fields (commas and "@" inside a field
    // become spaces), each at most kTaskTextSize - 1 bytes; as many whole tasks as fit in size.
    bool getList(char* buffer, int size);
    // Drops a queued task or cancels the running one with this key.
    bool removeTask(const char* key);

    void stopThreads() override;

private:
    struct Task {
        std::array<std::string, 10> fields;
        std::atomic<bool> cancelled{false};
    };

    void run(const std::shared_ptr<Task>& task);
    bool retrieve(Task& task, int counts[4]);
    void raise(unsigned int type, const std::string& text);
    static std::string taskText(const Task& task, bool forList);

    std::mutex mutex_;
    std::list<std::shared_ptr<Task>> tasks_;
    DcmWorkQueue worker_{1};
};

}  // namespace dcmSDK
