#pragma once

#include "dcmsdk/dcmConvertor.h"
#include "toolkit/core/NSThread.h"
#include "toolkit/core/NSThreadRequest.h"

#include <functional>
#include <string>

namespace isImageSDK {
class isSliceInfo;
}

// A reformatted slice to keep: the request owns the slice record and its pixels until the
// worker has written them.
class reformatSaveRequest : public NSUI::NSThreadRequest {
public:
    // Takes over the slice; text is the series identifier.
    reformatSaveRequest(isImageSDK::isSliceInfo* slice, const std::string& seriesId);
    ~reformatSaveRequest() override;

    // Hands the slice over; the request no longer frees it.
    isImageSDK::isSliceInfo* takeSlice();

private:
    isImageSDK::isSliceInfo* slice_ = nullptr;
};

// Writes each reformatted slice as a new DICOM file in the reformat folder and announces it with
// NOTIFY_IMPORT_PATH for import.
class dataServiceThread : public NSUI::NSThread {
public:
    // rootSource gives the DICOM storage folder (ending in "/") at the time of each save.
    explicit dataServiceThread(std::function<std::string()> rootSource);

    // One save: the slice is freed afterwards. The path written, or "" when nothing was.
    std::string run(isImageSDK::isSliceInfo* slice, const std::string& seriesId);

protected:
    ~dataServiceThread() override = default;
    void process(NSUI::NSThreadRequest* request) override;

private:
    std::function<std::string()> rootSource_;
    dcmSDK::dcmConvertor convertor_;
};
