#include "imagesdk/io/dcmLoadingThread.h"

#include <algorithm>

#include "imagesdk/io/isBinReader.h"

namespace isImageSDK {

void dcmLoadingThread::prioritizeRequest(int requestId) {
    reorderRequests([requestId](std::vector<NSUI::NSThreadRequest*>& queued) {
        orderAround(queued, requestId);
    });
}

void dcmLoadingThread::orderAround(std::vector<NSUI::NSThreadRequest*>& queued, int requestId) {
    std::stable_sort(queued.begin(), queued.end(),
                     [](const NSUI::NSThreadRequest* a, const NSUI::NSThreadRequest* b) {
                         return a->userValue1 < b->userValue1;
                     });
    const auto found =
        std::find_if(queued.begin(), queued.end(), [requestId](const NSUI::NSThreadRequest* r) {
            return r->requestId == requestId;
        });
    if (found == queued.end()) {
        std::reverse(queued.begin(), queued.end());
        return;
    }
    const std::vector<NSUI::NSThreadRequest*> sorted(queued);
    const std::ptrdiff_t first = found - queued.begin();
    const std::ptrdiff_t count = static_cast<std::ptrdiff_t>(sorted.size());
    queued.clear();
    queued.push_back(sorted[static_cast<size_t>(first)]);
    for (std::ptrdiff_t lower = first - 1, higher = first + 1; lower >= 0 || higher < count;) {
        if (lower >= 0) {
            queued.push_back(sorted[static_cast<size_t>(lower--)]);
        }
        if (higher < count) {
            queued.push_back(sorted[static_cast<size_t>(higher++)]);
        }
    }
}

void dcmLoadingThread::process(NSUI::NSThreadRequest* request) {
    auto* load = static_cast<loadingRequest*>(request);
    if (load->cancelled || !load->owner) {
        return;
    }
    // A file that passed the scan but cannot give its pixels now never will: its slice is
    // marked failed so that the series load still ends.
    if (!reader.setFile(load->text.c_str())) {
        load->owner->onSliceFailed(load);
        return;
    }
    dcmSDK::dcmReader::PixelType type = dcmSDK::dcmReader::PIXEL_UINT8;
    int count = 0;
    const char* pixels = reader.readDicomPixelPointer(type, count);
    if (!pixels || count <= 0 || count != load->expectedPixels ||
        (type != dcmSDK::dcmReader::PIXEL_UINT8 && type != dcmSDK::dcmReader::PIXEL_INT16 &&
         type != dcmSDK::dcmReader::PIXEL_RGB)) {
        load->owner->onSliceFailed(load);
        return;
    }
    load->libraryPixelType = type;
    load->pixels = pixels;
    load->scratch = &converted;
    load->owner->onSliceLoaded(load);
    load->pixels = nullptr;
    load->scratch = nullptr;
}

}  // namespace isImageSDK
