#pragma once

#include "dcmsdk/dcmReadTag.h"
#include "toolkit/core/NSThread.h"

#include <mutex>
#include <string>

// Copies (or moves) DICOM files into their series folders below the storage root, one file per
// request, and announces each with NOTIFY_DICOM_FILE_RECEIVED like a file the node received.
class importThread : public NSUI::NSThread {
public:
    // What a request's userValue0 asks for its text: copy or move that file, or remove that
    // folder tree.
    enum Action { kCopy = 0, kMove = 1, kRemoveFolder = 2 };

    importThread() = default;

    void setDicomRoot(const std::string& root);
    // One file; false when it was skipped.
    bool run(const std::string& path, bool move);

protected:
    ~importThread() override = default;
    void process(NSUI::NSThreadRequest* request) override;

private:
    dcmSDK::dcmReadTag tags_;
    std::mutex rootMutex_;
    std::string root_;
};
