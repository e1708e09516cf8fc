#pragma once

#include "dcmsdk/DcmThreadRegistry.h"
#include "dcmsdk/DcmWorkQueue.h"

#include <atomic>
#include <mutex>
#include <string>

namespace dcmSDK {

// Sends a file, or every DICOM file of a folder and its sub-folders, to a node with C-STORE on a
// thread of its own. Events carry the task id as JSON: kEventSendProgress after each file
// ("taskID", "value" in percent), then kEventSendDone (every file accepted) or kEventSendFailed.
class dcmSender : public DcmThreadOwner {
public:
    // Set by the owner before it lets the sender go: no further event is raised and a running
    // send ends after its current file.
    std::atomic<bool> stopping{false};

    dcmSender();
    ~dcmSender() override;
    dcmSender(const dcmSender&) = delete;
    dcmSender& operator=(const dcmSender&) = delete;

    void setIP(const char* ip, const char* port);
    // Starts sending path as task taskId; false while another send runs.
    bool send(int taskId, const char* path);
    bool isSending() const;

    void stopThreads() override;

private:
    // The event that ends the task: kEventSendDone or kEventSendFailed.
    unsigned int run(int taskId, const std::string& path, const std::string& ip, int port);
    void raise(unsigned int type, int taskId, float percent);

    mutable std::mutex mutex_;
    std::string ip_;
    int port_ = 4587;
    std::atomic<bool> sending_{false};
    DcmWorkQueue worker_{1};
};

}  // namespace dcmSDK
