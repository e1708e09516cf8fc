#pragma once

#include <cstdint>
#include <vector>

#include "dcmsdk/dcmReader.h"
#include "toolkit/core/NSThread.h"
#include "toolkit/core/NSThreadRequest.h"

namespace isImageSDK {

class isBinReader;

// The load of one slice file: `text` is the file's full path, `userValue1` the slice index and
// `requestId` the folded hash of the path.
class loadingRequest : public NSUI::NSThreadRequest {
public:
    loadingRequest() = default;

    // frames x rows x columns of the slice; a file that decodes to another count is not loaded.
    std::int32_t expectedPixels = 0;
    // dcmSDK::dcmReader::PixelType of the decoded file.
    std::int32_t libraryPixelType = 0;
    // Not retained: the reader stops its workers before it goes.
    isBinReader* owner = nullptr;
    // The worker's decoded pixels; valid only while the worker hands them to the owner.
    const char* pixels = nullptr;
    // The worker's own buffer the owner converts the pixels into; same lifetime as pixels.
    std::vector<char>* scratch = nullptr;
};

// One of the pixel loaders of a series reader: decodes slice files with its own library
// reader and hands the pixels to the owning reader, which stores them.
class dcmLoadingThread : public NSUI::NSThread {
public:
    dcmLoadingThread() = default;

    // Puts the queued request with the id first, then the others by slice index, alternating
    // between the nearest lower and the nearest higher; without such a request the queue is put
    // in descending slice index order.
    void prioritizeRequest(int requestId);
    // The ordering of prioritizeRequest on a list of loading requests.
    static void orderAround(std::vector<NSUI::NSThreadRequest*>& queued, int requestId);

protected:
    ~dcmLoadingThread() override = default;
    void process(NSUI::NSThreadRequest* request) override;

private:
    dcmSDK::dcmReader reader;
    std::vector<char> converted;
};

}  // namespace isImageSDK
